// The utility's screens on the real library and the simulated board: board 0 chosen through
// the board selection dialog, moves started from the operation screen, the drive-end event
// shown by the main screen's poll, parameters saved to the registry store, and the inputs and
// outputs of the input status screen.

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>
#include <memory>

#include "KRVM716.h"
#include "board_selection_dialog.h"
#include "captured_messages.h"
#include "library/installed_board.h"
#include "m716/board/registry_layout.h"
#include "m716sim.h"
#include "main_screen.h"
#include "number_field.h"
#include "qt_test_main.h"
#include "screen_probe.h"
#include "support/program.h"

namespace m716::test {

// Not a ScreenTest: the recorder stands in for the library that this test drives.
class EndToEndTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TempRegistry> store_;
  CapturedMessages messages_;
  utility::ErrorPresenter errors_{messages_};
  utility::ProgramState state_;

  static std::int32_t machinePosition(std::uint32_t axis) {
    return M716SimMachinePosition(0x300, axis);
  }

  // Board 0 chosen and opened the way the user does it.
  void chooseBoardZero(utility::MainScreen& screen) {
    screen.button("Board Selection")->click();
    auto* dialog = screen.findChild<utility::BoardSelectionDialog*>();
    QVERIFY(dialog && dialog->isVisible());
    QVERIFY(dialog->boardButton(0)->isEnabled());
    dialog->boardButton(0)->setChecked(true);
    dialog->okButton()->click();
    QVERIFY(state_.boardOpened);
    QCOMPARE(state_.currentBoard, 0);
  }
  // "DV" of the X axis of board 0 as `m716reg query` lists it.
  std::string storedDriveSpeed() {
    const auto result = runProgram(
        M716REG_PROGRAM, {"query", "HKLM\\" + keys::axisKey(0, 0), "/v", "DV"}, store_->folder());
    return result.out;
  }
  utility::OperationScreen* operation(utility::MainScreen& screen, const QStringList& axes) {
    screen.button("Operation")->click();
    utility::OperationScreen* panel = screen.operationScreen();
    for (const QString& axis : axes) control<QCheckBox>(*panel, axis + " Axis")->setChecked(true);
    return panel;
  }

 private slots:
  void init() {
    store_ = std::make_unique<TempRegistry>();
    installBoard(0);
    M716SimReload();
    M716SimSetSpeedFactor(20);
    messages_ = CapturedMessages{};
    state_ = utility::ProgramState{};
  }
  void cleanup() {
    M716MotDevClose(0);
    store_.reset();
  }

  void aPointToPointDriveEndsWhereTheMachineStands() {
    utility::MainScreen screen(state_, errors_);
    chooseBoardZero(screen);
    const std::int32_t x = machinePosition(1), y = machinePosition(2);
    utility::OperationScreen* panel = operation(screen, {"X", "Y"});
    control<QPushButton>(*panel, "Start")->click();
    QTRY_COMPARE_WITH_TIMEOUT(M716MotAxisBusy(0, 3), 0u, 20000);
    QCOMPARE(machinePosition(1), x + 1000);
    QCOMPARE(machinePosition(2), y + 1000);
    std::int32_t logical = 0;
    QCOMPARE(M716GetTheorecticalRegister(0, 2, &logical), 0u);
    QCOMPARE(logical, 1000);

    // "Absolute Mode" sends every checked axis to its end position.
    control<QRadioButton>(*panel, "Absolute Mode")->setChecked(true);
    panel->findChild<utility::NumberField*>("End Position X")->setText("-500");
    control<QPushButton>(*panel, "Start")->click();
    QTRY_COMPARE_WITH_TIMEOUT(M716MotAxisBusy(0, 3), 0u, 20000);
    QCOMPARE(machinePosition(1), x - 500);
    QCOMPARE(machinePosition(2), y + 1000);
    QCOMPARE(messages_.texts, QStringList{});
  }

  void anEnabledDriveEndIsShownByThePoll() {
    utility::MainScreen screen(state_, errors_);
    chooseBoardZero(screen);
    QCOMPARE(M716MotEnableEvent(0, 1, 0x80, 0, 0, 0), 0u);
    control<QPushButton>(*operation(screen, {"X"}), "Start")->click();
    QTRY_COMPARE_WITH_TIMEOUT(messages_.texts,
                              QStringList{"Receive the X axis Drive End Irq message"}, 20000);
    QCOMPARE(messages_.captions, QStringList{"MCB-716 Message"});
  }

  void aHomeSearchEndingOnALimitIsToldOnce() {
    utility::MainScreen screen(state_, errors_);
    chooseBoardZero(screen);
    M716SimSetMachinePosition(0x300, 1, -999'000);  // the search runs towards -, into LMT-
    utility::OperationScreen* panel = operation(screen, {"X"});
    control<QRadioButton>(*panel, "Home")->setChecked(true);
    control<QPushButton>(*panel, "Start")->click();
    QTRY_COMPARE_WITH_TIMEOUT(
        messages_.texts,
        QStringList{"Return home process be stopped by hardware negative limited switch"}, 20000);
    QCOMPARE(panel->homingAxes(), 0u);  // no later poll tells it again
  }

  // Another process holds the board's mark, as a program that has it open does.
  void aBoardAnotherProgramHasOpenIsOpenedOnlyWhenTheUserSaysSo() {
    const std::string mark = store_->file() + "." + keys::ownershipMarkName(0) + ".lock";
    BackgroundProgram other("/usr/bin/flock",
                            {"-s", "-F", mark, "sh", "-c", "echo held; exec sleep 60"},
                            store_->folder() / "other");
    QVERIFY(other.wroteWithin(10));
    utility::MainScreen screen(state_, errors_);
    screen.button("Board Selection")->click();
    auto* dialog = screen.findChild<utility::BoardSelectionDialog*>();
    dialog->boardButton(0)->setChecked(true);
    messages_.answer = false;
    dialog->okButton()->click();
    QCOMPARE(messages_.questions.size(), 1);
    QVERIFY2(messages_.questions[0].startsWith("Board 0 is in use by process "),
             qPrintable(messages_.questions[0]));
    QVERIFY(!state_.boardOpened && dialog->isVisible());
    messages_.answer = true;
    dialog->okButton()->click();
    QVERIFY(state_.boardOpened);
  }

  void aSavedParameterIsInTheStoreAndComesBackAfterARestart() {
    {
      utility::MainScreen screen(state_, errors_);
      chooseBoardZero(screen);
      screen.button("Parameter Setting")->click();
      utility::ParameterSettingScreen* parameters = screen.parameterSettingScreen();
      parameters->findChild<utility::NumberField*>("Drive Speed (DV) :")->setText("5000");
      control<QCheckBox>(*parameters, "X axis")->setChecked(true);
      control<QPushButton>(*parameters, "Save")->click();
      QCOMPARE(messages_.texts, QStringList{});
      QVERIFY2(storedDriveSpeed().find("DV    REG_DWORD    0x1388") != std::string::npos,
               storedDriveSpeed().c_str());
    }
    M716MotDevClose(0);  // the program ends
    state_ = utility::ProgramState{};
    utility::MainScreen screen(state_, errors_);
    chooseBoardZero(screen);
    screen.button("Parameter Setting")->click();
    QCOMPARE(screen.parameterSettingScreen()
                 ->findChild<utility::NumberField*>("Drive Speed (DV) :")
                 ->text(),
             "5000");
  }

  void aForcedLimitLightsItsLampWithinOneRefresh() {
    utility::MainScreen screen(state_, errors_);
    chooseBoardZero(screen);
    screen.button("Input Status")->click();
    const utility::InputStatusScreen* inputs = screen.inputStatusScreen();
    QTRY_VERIFY(!inputs->lamp("Input Status", "LMT+", 1)->isChecked());
    M716SimForceInput(0x300, 2, M716SIM_INPUT_LIMIT_PLUS, M716SIM_STATE_ACTIVE);
    QTRY_VERIFY_WITH_TIMEOUT(inputs->lamp("Input Status", "LMT+", 1)->isChecked(), 700);
    QVERIFY(!inputs->lamp("Input Status", "LMT+", 0)->isChecked());
    M716SimForceInput(0x300, 2, M716SIM_INPUT_LIMIT_PLUS, M716SIM_STATE_MECHANICS);
    QCOMPARE(messages_.texts, QStringList{});
  }

  void anOutputToggledOnTheScreenChangesTheBoardsModeRegister() {
    utility::MainScreen screen(state_, errors_);
    chooseBoardZero(screen);
    screen.button("Input Status")->click();
    utility::InputStatusScreen* inputs = screen.inputStatusScreen();
    inputs->tabs()->setCurrentIndex(1);
    std::uint32_t before = 0, after = 0;
    QCOMPARE(M716MotRdReg(0, 1, M716_REG_MODE3, &before), 0u);
    inputs->outputButton(0, 0)->click();
    QCOMPARE(M716MotRdReg(0, 1, M716_REG_MODE3, &after), 0u);
    QCOMPARE(after, before ^ 0x100u);
    QVERIFY(inputs->lamp("OUT4~7 Control and Status", "O4/>=", 0)->isChecked() ==
            ((after & 0x100u) != 0));
    QCOMPARE(messages_.texts, QStringList{});
  }
};

M716_REGISTER_QT_TEST(EndToEndTest);

}  // namespace m716::test

#include "end_to_end_test.moc"
