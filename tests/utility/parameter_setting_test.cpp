// The parameter setting screen against the recorder of the library's calls: the reads and
// writes of every page in their order, "Save", "Load" and "ReSet", the bit layouts of the bit
// pages row by row, and the registers that pages share.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>

#include "KRVM716.h"
#include "number_field.h"
#include "parameter_setting_screen.h"
#include "qt_test_main.h"
#include "screen_probe.h"
#include "screen_test.h"

Q_DECLARE_METATYPE(std::vector<std::string>)

namespace m716::test {

using utility::ParameterSettingScreen;
using Calls = std::vector<std::string>;

namespace {

constexpr std::uint32_t kBoard = 3;

std::string read(std::uint32_t axis, std::uint32_t identifier) {
  return "M716MotRdReg(3, " + std::to_string(axis) + ", " + std::to_string(identifier) + ")";
}
std::string write(std::uint32_t axis, std::uint32_t identifier, std::uint32_t value) {
  return "M716MotWrReg(3, " + std::to_string(axis) + ", " + std::to_string(identifier) + ", " +
         std::to_string(value) + ")";
}
Calls reads(std::uint32_t axis, std::initializer_list<std::uint32_t> identifiers) {
  Calls calls;
  for (const std::uint32_t identifier : identifiers) calls.push_back(read(axis, identifier));
  return calls;
}

const std::initializer_list<std::uint32_t> kSpeedIds = {769, 770, 771, 772, 774};
const std::initializer_list<std::uint32_t> kHomeIds = {779, 780, 781, 782, 783,
                                                       784, 785, 777, 775, 776};

}  // namespace

class ParameterSettingTest : public ScreenTest {
  Q_OBJECT

  static QAbstractButton* choice(const QWidget& screen, const char* box, const char* caption) {
    QGroupBox* found = group(screen, QString::fromLatin1(box));
    return found ? control(*found, QString::fromLatin1(caption)) : nullptr;
  }
  static utility::NumberField* field(const QWidget& screen, const QString& name) {
    return screen.findChild<utility::NumberField*>(name);
  }
  static void saveTo(const QWidget& screen, const QStringList& axes) {
    for (const QString& axis : axes) control<QCheckBox>(screen, axis + " axis")->setChecked(true);
    control<QPushButton>(screen, "Save")->click();
  }

 private slots:
  void init() {
    freshStart();
    state_.currentBoard = kBoard;
    state_.boardOpened = true;
  }

  void opensOnGroupOneReadForX() {
    ParameterSettingScreen screen(state_, errors_);
    QCOMPARE(screen.windowTitle(), "Parameters Setting");
    QStringList tabs;
    for (int index = 0; index < screen.tabs()->count(); ++index)
      tabs << screen.tabs()->tabText(index);
    QCOMPARE(tabs, (QStringList{"Group 1", "Group 2", "Group 3", "Group 4", "Group 5", "Group 6",
                                "Home Parameters"}));
    QVERIFY(screen.page(0) && !screen.page(1) && !screen.page(6));
    QCOMPARE(CallRecorder::calls(), reads(1, kSpeedIds));
    QVERIFY(choice(screen, "Load Parameters from", "X axis")->isChecked());
    for (const char* axis : {"X axis", "Y axis", "Z axis", "U axis"})
      QVERIFY(!choice(screen, "Save Parameters to", axis)->isChecked());
    for (const char* caption : {"Load", "Save", "ReSet", "Exit"})
      QVERIFY2(control<QPushButton>(screen, caption), caption);
  }

  void eachPageReadsItsRegistersInOrder_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<Calls>("expected");
    QTest::newRow("Group 2") << 1 << reads(2, {532});
    QTest::newRow("Group 3") << 2 << reads(2, {530});
    QTest::newRow("Group 4") << 3 << reads(2, {530});
    QTest::newRow("Group 5") << 4 << reads(2, {532, 534});
    QTest::newRow("Group 6") << 5 << reads(2, {532, 534});
    QTest::newRow("Home Parameters") << 6 << reads(2, kHomeIds);
    QTest::newRow("Group 1 again") << 0 << reads(2, kSpeedIds);
  }
  void eachPageReadsItsRegistersInOrder() {
    QFETCH(int, tab);
    QFETCH(Calls, expected);
    ParameterSettingScreen screen(state_, errors_);
    screen.tabs()->setCurrentIndex(tab == 0 ? 1 : 0);
    choice(screen, "Load Parameters from", "Y axis")->click();
    control<QPushButton>(screen, "Load")->click();  // reads the shown page for Y
    CallRecorder::reset();
    screen.tabs()->setCurrentIndex(tab);
    QCOMPARE(CallRecorder::calls(), expected);
    QCOMPARE(screen.loadAxis(), 2u);
  }

  void saveAsksFirst_data() {
    QTest::addColumn<QStringList>("axes");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("questions");
    QTest::newRow("no axis checked")
        << QStringList{} << true << QStringList{"No axis is selected, please select axis first"}
        << QStringList{};
    QTest::newRow("No to the question")
        << QStringList{"X", "U"} << false << QStringList{}
        << QStringList{
               "It will change the Board settings and save the parameters to the system registry"};
  }
  void saveAsksFirst() {
    QFETCH(QStringList, axes);
    QFETCH(bool, answer);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, questions);
    ParameterSettingScreen screen(state_, errors_);
    CallRecorder::reset();
    messages_.answer = answer;
    saveTo(screen, axes);
    QCOMPARE(messages_.texts, texts);
    QCOMPARE(messages_.questions, questions);
    QVERIFY(CallRecorder::calls().empty());
  }

  void saveCopiesTheOpenedPagesToEachCheckedAxis() {
    const std::uint32_t values[] = {100, 200, 300, 400, 500};
    std::size_t index = 0;
    for (const std::uint32_t identifier : kSpeedIds)
      CallRecorder::setRegister(1, identifier, values[index++]);
    ParameterSettingScreen screen(state_, errors_);
    CallRecorder::reset();
    saveTo(screen, {"Z", "X"});
    Calls expected;
    for (const std::uint32_t axis : {1u, 4u}) {
      index = 0;
      for (const std::uint32_t identifier : kSpeedIds)
        expected.push_back(write(axis, identifier, values[index++]));
      expected.push_back("M716MotSavePara(3, " + std::to_string(axis) + ")");
    }
    QCOMPARE(CallRecorder::calls(), expected);
    QCOMPARE(messages_.texts, QStringList{});
  }

  void everyFailedCallIsShownAndTheSaveGoesOn() {
    ParameterSettingScreen screen(state_, errors_);
    CallRecorder::reset();
    CallRecorder::setResult("M716MotWrReg", M716_ERR_DV_OVER);
    CallRecorder::setResult("M716MotSavePara", M716_ERR_WRITE_REGISTRY);
    saveTo(screen, {"Y"});
    QCOMPARE(CallRecorder::callsOf("M716MotWrReg").size(), 5u);
    QCOMPARE(CallRecorder::callsOf("M716MotSavePara"), Calls{"M716MotSavePara(3, 2)"});
    QCOMPARE(messages_.texts.size(), 6);
  }

  void multiplierShowsItsRanges_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("ranges");
    QTest::addColumn<int>("prompts");
    QTest::newRow("1") << "1"
                       << "1" << QStringList{"1~8000", "125~1000000", "954~62500000"} << 0;
    const QStringList top{"500~4000000", "62500~500000000", "477000~31250000000"};
    QTest::newRow("500, beyond 32 bits") << "500"
                                         << "500" << top << 0;
    QTest::newRow("0 becomes 1") << "0"
                                 << "1" << QStringList{"1~8000", "125~1000000", "954~62500000"}
                                 << 1;
    QTest::newRow("900 becomes 500") << "900"
                                     << "500" << top << 1;
    QTest::newRow("37") << "37"
                        << "37" << QStringList{"37~296000", "4625~37000000", "35298~2312500000"}
                        << 0;
  }
  void multiplierShowsItsRanges() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QStringList, ranges);
    QFETCH(int, prompts);
    ParameterSettingScreen screen(state_, errors_);
    auto* multiplier = field(screen, "Multiplier Setting (1 ~ 500 ) :");
    multiplier->setText("7");
    multiplier->setText(typed);
    QCOMPARE(multiplier->text(), shown);
    QStringList texts;
    for (const char* label :
         {"Drive Speed Range (DV) :", "Acceleration Range  (AC) :", "Rate of Acc. Range (AK) :"})
      texts << screen.findChild<QLabel*>(label)->text();
    QCOMPARE(texts, ranges);
    QCOMPARE(messages_.texts.size(), prompts);
    QVERIFY(CallRecorder::callsOf("M716MotWrReg").empty());
  }

  void aTextThatIsNoNumberIsToldWithTheFieldsOwnRange_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("told");
    QTest::newRow("multiplier") << "Multiplier Setting (1 ~ 500 ) :"
                                << "\"5x\" is not a whole number from 1 to 500; the field keeps 1.";
    QTest::newRow("drive speed")
        << "Drive Speed (DV) :"
        << "\"5x\" is not a whole number from 0 to 4294967295; the field keeps 0.";
  }
  void aTextThatIsNoNumberIsToldWithTheFieldsOwnRange() {
    QFETCH(QString, name);
    QFETCH(QString, told);
    ParameterSettingScreen screen(state_, errors_);
    field(screen, name)->setText("5x");
    field(screen, name)->take();
    QCOMPARE(messages_.texts, QStringList{told});
  }

  void bitChoicesReadWriteAndReset_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("cleared");
    QTest::addColumn<QString>("set");
    QTest::addColumn<int>("identifier");
    QTest::addColumn<int>("bit");
    QTest::addColumn<bool>("resetSet");
    for (int page = 2; page <= 6; ++page)
      for (const utility::BitChoice& bit : utility::bitChoices(page)) {
        if (bit.set == nullptr) continue;  // the encoder input mode has its own test
        QTest::addRow("Group %d: %s", page, bit.set)
            << page - 1 << bit.group << (bit.cleared ? bit.cleared : "") << bit.set
            << static_cast<int>(bit.identifier) << bit.bit << bit.resetSet;
      }
  }
  void bitChoicesReadWriteAndReset() {
    QFETCH(int, tab);
    QFETCH(QString, box);
    QFETCH(QString, cleared);
    QFETCH(QString, set);
    QFETCH(int, identifier);
    QFETCH(int, bit);
    QFETCH(bool, resetSet);
    const auto id = static_cast<std::uint32_t>(identifier);
    const std::uint32_t mask = 1u << bit;
    constexpr std::uint32_t kOthers = 0x5A5A & ~(0x7u << 9);  // an encoder mode shown: 0
    CallRecorder::setRegister(1, id, kOthers | mask);
    ParameterSettingScreen screen(state_, errors_);
    screen.tabs()->setCurrentIndex(tab);
    QGroupBox* found = group(screen, box);
    QVERIFY(found);
    QAbstractButton* setControl = control(*found, set);
    QVERIFY(setControl && setControl->isChecked());
    if (cleared.isEmpty())
      setControl->click();
    else
      control(*found, cleared)->click();
    saveTo(screen, {"X"});
    QCOMPARE(CallRecorder::registerValue(1, id), kOthers & ~mask);

    CallRecorder::setRegister(1, id, kOthers & ~mask);
    control<QPushButton>(screen, "Load")->click();
    QVERIFY(!setControl->isChecked());
    setControl->click();
    saveTo(screen, {"X"});
    QCOMPARE(CallRecorder::registerValue(1, id), kOthers | mask);

    control<QPushButton>(screen, "ReSet")->click();
    QCOMPARE(setControl->isChecked(), resetSet);
  }

  void encoderModeIsCodedBothWays_data() {
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("mode");
    QTest::newRow("CW/CCW") << 0b000 << 0;
    QTest::newRow("AB 1/1") << 0b001 << 1;
    QTest::newRow("AB 1/2") << 0b011 << 2;
    QTest::newRow("AB 1/4") << 0b101 << 3;
    QTest::newRow("bit 9 clear, 10 and 11 set") << 0b110 << 0;
    QTest::newRow("bits 9, 10 and 11 set") << 0b111 << -1;
  }
  void encoderModeIsCodedBothWays() {
    QFETCH(int, bits);
    QFETCH(int, mode);
    const auto mode2 = static_cast<std::uint32_t>(bits) << 9 | 0x1FF;
    QCOMPARE(utility::encoderMode(mode2), mode);
    if (mode >= 0 && bits != 0b110) QCOMPARE(utility::encoderBits(mode), mode2 & (0x7u << 9));
  }

  void encoderBitsShowingNoModeShowNoChoiceAndAreNotWritten() {
    CallRecorder::setRegister(1, 532, 0b011u << 9);
    ParameterSettingScreen screen(state_, errors_);
    screen.tabs()->setCurrentIndex(5);
    QVERIFY(choice(screen, "Encoder Input Mode", "AB Phase 1/2 Mode")->isChecked());
    CallRecorder::setRegister(1, 532, 0b111u << 9 | 1);
    control<QPushButton>(screen, "Load")->click();
    for (const QAbstractButton* mode :
         group(screen, "Encoder Input Mode")->findChildren<QRadioButton*>())
      QVERIFY2(!mode->isChecked(), qPrintable(mode->text()));
    choice(screen, "Enable/Disable S/W Limited Switch Function",
           "Enable COMP+ Register as SW Limited Switch")
        ->click();
    saveTo(screen, {"X"});
    QCOMPARE(CallRecorder::registerValue(1, 532), 0b111u << 9);  // the user's bit 0 only
    choice(screen, "Encoder Input Mode", "AB Phase 1/4 Mode")->click();
    saveTo(screen, {"X"});
    QCOMPARE(CallRecorder::registerValue(1, 532), 0b101u << 9);
  }

  void groupsFiveAndSixShareTheirRegisters() {
    CallRecorder::setRegister(1, 532, 0);
    CallRecorder::setRegister(1, 534, 0x0F80);  // drive status indicator, outputs on
    ParameterSettingScreen screen(state_, errors_);
    screen.tabs()->setCurrentIndex(4);
    choice(screen, "Acceleration Mode", "S Curve Mode")->click();
    choice(screen, "nP+P/N nP-P/N Pulse Output Mode", "Pulse/Direction Output Mode")->click();
    screen.tabs()->setCurrentIndex(5);
    choice(screen, "OUT4 ~ 7 Operation Mode", "General Purpose Output")->click();
    choice(screen, "Comp+/- Register Compareing Mode", "Compare with Real Position Counter")
        ->click();
    CallRecorder::reset();
    CallRecorder::setRegister(1, 532, 0);
    CallRecorder::setRegister(1, 534, 0x0F80);
    saveTo(screen, {"X"});
    QCOMPARE(CallRecorder::registerValue(1, 534), 0x0F04u);
    QCOMPARE(CallRecorder::registerValue(1, 532), 0x0060u);
    const Calls bitWrites{read(1, 532), write(1, 532, 0x40), read(1, 534), write(1, 534, 0x0F84),
                          read(1, 532), write(1, 532, 0x60), read(1, 534), write(1, 534, 0x0F04)};
    Calls calls = CallRecorder::calls();
    calls.erase(calls.begin(), calls.begin() + 5);  // Group 1's five writes come first
    calls.pop_back();
    QCOMPARE(calls, bitWrites);
  }

  void homePageShowsReadsAndResets() {
    ParameterSettingScreen screen(state_, errors_);
    screen.tabs()->setCurrentIndex(6);
    auto* type = screen.findChild<QComboBox*>("home Type");
    QCOMPARE(type->count(), 5);
    const std::pair<const char*, std::uint32_t> board[] = {
        {"CW End", 5000},
        {"CCW End", static_cast<std::uint32_t>(-5000)},
        {"Phase0 Setting Speed", 11},
        {"Phase1 Setting Speed", 12},
        {"Phase3 Setting Speed", 13},
        {"Phase3 Setting Offset", static_cast<std::uint32_t>(-14)}};
    const std::uint32_t ids[] = {775, 776, 781, 783, 785, 777};
    for (std::size_t index = 0; index < std::size(ids); ++index)
      CallRecorder::setRegister(1, ids[index], board[index].second);
    CallRecorder::setRegister(1, 779, 7);  // no such type: the list shows none
    CallRecorder::setRegister(1, 782, 2);  // not 0: CCW
    control<QPushButton>(screen, "Load")->click();
    QCOMPARE(type->currentIndex(), -1);
    QVERIFY(choice(screen, "Phase1 Setting", "CCW")->isChecked());
    QCOMPARE(field(screen, "CCW End")->text(), "-5000");
    QCOMPARE(field(screen, "Phase3 Setting Offset")->text(), "-14");
    CallRecorder::reset();
    saveTo(screen, {"X"});
    QVERIFY(CallRecorder::callsOf("M716MotWrReg(3, 1, 779").empty());  // no type chosen
    QCOMPARE(CallRecorder::callsOf("M716MotWrReg(3, 1, 782"), Calls{write(1, 782, 1)});
    QCOMPARE(CallRecorder::callsOf("M716MotWrReg(3, 1, 776"),
             Calls{write(1, 776, static_cast<std::uint32_t>(-5000))});

    control<QPushButton>(screen, "ReSet")->click();
    QCOMPARE(type->currentText(), "0");
    const std::pair<const char*, const char*> reset[] = {{"Phase0 Setting Speed", "6000"},
                                                         {"Phase1 Setting Speed", "1000"},
                                                         {"Phase3 Setting Speed", "6000"},
                                                         {"Phase3 Setting Offset", "0"},
                                                         {"CW End", "5000"},
                                                         {"CCW End", "-5000"}};
    for (auto [name, text] : reset) QCOMPARE(field(screen, name)->text(), text);
    for (const char* phase : {"Phase0 Setting", "Phase1 Setting", "Phase2 Setting"})
      QVERIFY(choice(screen, phase, "CW")->isChecked());
  }

  void homePageHoldsItsStartValuesBeforeItIsRead() {
    CallRecorder::setResult("M716MotRdReg", M716_ERR_DEVICE_ABSENT);
    ParameterSettingScreen screen(state_, errors_);
    screen.tabs()->setCurrentIndex(6);
    const std::pair<const char*, const char*> start[] = {
        {"CW End", "2000000000"},         {"CCW End", "-2000000000"},
        {"Phase0 Setting Speed", "6000"}, {"Phase1 Setting Speed", "1000"},
        {"Phase3 Setting Speed", "6000"}, {"Phase3 Setting Offset", "0"}};
    for (auto [name, text] : start) QCOMPARE(field(screen, name)->text(), text);
  }

  void aControlWhoseReadFailedIsWrittenOnlyOnceChanged() {
    CallRecorder::failRead(1, 770, M716_ERR_DEVICE_ABSENT);
    CallRecorder::failRead(1, 532, M716_ERR_DEVICE_ABSENT);
    ParameterSettingScreen screen(state_, errors_);
    screen.tabs()->setCurrentIndex(1);
    QCOMPARE(messages_.texts.size(), 2);
    CallRecorder::reset();
    saveTo(screen, {"X"});
    QCOMPARE(CallRecorder::callsOf("M716MotWrReg"),
             (Calls{write(1, 769, 0), write(1, 771, 0), write(1, 772, 0), write(1, 774, 0)}));

    CallRecorder::reset();
    CallRecorder::failRead(1, 532, M716_ERR_DEVICE_ABSENT);  // also while writing
    choice(screen, "LMT+ Input Active Level", "Active When Input in High Level")->click();
    CallRecorder::failRead(1, 770, M716_ERR_DEVICE_ABSENT);
    screen.tabs()->setCurrentIndex(0);
    auto* dv = field(screen, "Drive Speed (DV) :");
    dv->clear();
    QTest::keyClicks(dv, "4000");
    saveTo(screen, {"X"});
    QCOMPARE(CallRecorder::callsOf("M716MotWrReg(3, 1, 770"), Calls{write(1, 770, 4000)});
    // Without the register's other bits the page's own are not written.
    QCOMPARE(CallRecorder::callsOf("M716MotWrReg(3, 1, 532"), Calls{});
  }

  void exitForgetsThePages() {
    ParameterSettingScreen screen(state_, errors_);
    bool closing = false;
    connect(&screen, &ParameterSettingScreen::closing, this, [&] { closing = true; });
    screen.show();
    control<QPushButton>(screen, "Exit")->click();
    QVERIFY(closing);
    QVERIFY(!screen.isVisible());
  }
};

M716_REGISTER_QT_TEST(ParameterSettingTest);

}  // namespace m716::test

#include "parameter_setting_test.moc"
