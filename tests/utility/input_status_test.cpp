// The input status screen against the recorder of the library's calls: the reads of one
// refresh in their order, the lamps and what lights them, the outputs, the grid with its error
// column, "Edit" / "Update", and the messages of a board that does not answer.

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>

#include "KRVM716.h"
#include "input_status_screen.h"
#include "m716/error_texts.h"
#include "qt_test_main.h"
#include "screen_probe.h"
#include "screen_test.h"

namespace m716::test {

using utility::InputStatusScreen;
using Calls = std::vector<std::string>;

namespace {

const QString kInputs = QStringLiteral("Input Status");
const QString kEnds = QStringLiteral("Driver End Status");
const QString kOutputs = QStringLiteral("OUT4~7 Control and Status");
const Calls kGridReads{"M716MotRdMultiReg(5, 15, 256)", "M716MotRdMultiReg(5, 15, 257)",
                       "M716MotRdMultiReg(5, 15, 258)", "M716MotRdMultiReg(5, 15, 259)"};
constexpr int kReal = 0, kLogical = 1, kError = 2, kCompPlus = 3;

std::uint32_t word(std::int32_t value) {
  return static_cast<std::uint32_t>(value);
}

}  // namespace

class InputStatusTest : public ScreenTest {
  Q_OBJECT

  // The lit lamps of `group`, as "column axis".
  static QStringList lit(const InputStatusScreen& screen, const QString& group,
                         const QStringList& columns) {
    QStringList found;
    for (const QString& column : columns)
      for (std::size_t axis = 0; axis < 4; ++axis)
        if (screen.lamp(group, column, axis)->isChecked())
          found << column + ' ' + QLatin1String(utility::kAxisLetters[axis]);
    return found;
  }
  static const QStringList& inputColumns() {
    static const QStringList columns{"LMT+", "SLMT+", "IN0/Z", "IN1", "IN2", "IN3/H", "SLMT-",
                                     "LMT-", "ALM",   "INPOS", "DRV", "ERR", "CNST"};
    return columns;
  }

 private slots:
  void init() {
    freshStart();
    state_.currentBoard = 5;
    state_.boardOpened = true;
  }

  void opensWithTheGridReadOnce() {
    InputStatusScreen screen(state_, errors_);
    QCOMPARE(screen.windowTitle(), "Input Status");
    QCOMPARE(screen.tabs()->tabText(0), "Group 1");
    QCOMPARE(screen.tabs()->tabText(1), "Group 2");
    QCOMPARE(screen.tabs()->currentIndex(), 0);
    QVERIFY(!screen.secondPageMade());
    QCOMPARE(CallRecorder::calls(), kGridReads);
    QVERIFY(screen.refreshing());
    auto* high = control<QRadioButton>(screen, "High");
    auto* low = control<QRadioButton>(screen, "Low");
    QVERIFY(high->isChecked() && !high->isEnabled() && !low->isEnabled());
    QVERIFY(group(screen, "Position Counter and Compare Register"));
    for (const char* caption : {"Edit", "Exit"}) QVERIFY(control<QPushButton>(screen, caption));
    for (std::size_t axis = 0; axis < 4; ++axis)
      for (int column = 0; column < InputStatusScreen::kColumns; ++column)
        QVERIFY(screen.cell(axis, column)->isReadOnly());
  }

  void oneRefreshReadsInItsOrder() {
    InputStatusScreen screen(state_, errors_);
    CallRecorder::reset();
    screen.refresh();
    const Calls firstPage{"M716MotRdReg(5, 1, 512)", "M716MotRdMultiReg(5, 15, 514)",
                          "M716MotRdMultiReg(5, 15, 516)", "M716MotRdReg(5, 1, 520)",
                          "M716MotRdReg(5, 4, 522)"};
    Calls expected = firstPage;
    expected.insert(expected.end(), kGridReads.begin(), kGridReads.end());
    QCOMPARE(CallRecorder::calls(), expected);  // page 2 is not read before its tab is selected

    screen.tabs()->setCurrentIndex(1);
    screen.tabs()->setCurrentIndex(0);  // hidden pages are refreshed too
    CallRecorder::reset();
    screen.refresh();
    expected = firstPage;
    for (const char* call : {"M716MotRdMultiReg(5, 15, 514)", "M716MotRdMultiReg(5, 15, 534)",
                             "M716MotRdMultiReg(5, 15, 514)"})
      expected.emplace_back(call);
    expected.insert(expected.end(), kGridReads.begin(), kGridReads.end());
    QCOMPARE(CallRecorder::calls(), expected);
  }

  void lampsShowTheirBits_data() {
    QTest::addColumn<int>("axis");
    QTest::addColumn<int>("identifier");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QStringList>("expected");
    const auto row = [](const char* name, int axis, int identifier, int value, QString group,
                        QStringList expected) {
      QTest::newRow(name) << axis << identifier << value << group << expected;
    };
    row("RR0 drive and error of Y and U", 1, 512, 0x82, kInputs, {"DRV Y", "ERR U"});
    row("RR1 constant speed of Z", 4, 514, 0x0008, kInputs, {"CNST Z"});
    row("RR2 of Y", 2, 516, 0x000F, kInputs, {"LMT+ Y", "SLMT+ Y", "SLMT- Y", "LMT- Y"});
    row("RR4: X low byte", 1, 520, 0x000F, kInputs, {"IN0/Z X", "IN1 X", "IN2 X", "IN3/H X"});
    row("RR4: Y high byte", 1, 520, 0xC000, kInputs, {"ALM Y", "INPOS Y"});
    row("RR5: Z low byte, U high byte", 4, 522, 0x0180, kInputs, {"IN0/Z U", "ALM Z"});
    row("RR1 end causes of U", 8, 514, 0xF100, kEnds,
        {"IN U", "LMT+ U", "LMT- U", "ALM U", "EMG U"});
    row("RR1 end cause IN3 of X", 1, 514, 0x0800, kEnds, {"IN X"});
  }
  void lampsShowTheirBits() {
    QFETCH(int, axis);
    QFETCH(int, identifier);
    QFETCH(int, value);
    QFETCH(QString, group);
    QFETCH(QStringList, expected);
    InputStatusScreen screen(state_, errors_);
    screen.tabs()->setCurrentIndex(1);
    CallRecorder::setRegister(static_cast<std::uint32_t>(axis),
                              static_cast<std::uint32_t>(identifier), word(value));
    screen.refresh();
    const QStringList columns =
        group == kInputs ? inputColumns() : QStringList{"IN", "LMT+", "LMT-", "ALM", "EMG"};
    QCOMPARE(lit(screen, group, columns), expected);
  }

  void outputsFollowTheModeOfEachAxis() {
    CallRecorder::setRegister(2, 534, 0x0F80);  // Y: drive status indicator, outputs on
    CallRecorder::setRegister(2, 514, 0x0015);  // Y: RR1 bits 0, 2 and 4
    CallRecorder::setRegister(1, 534, 0x0100);  // X: O4 on
    CallRecorder::setRegister(4, 514, 0x0017);  // Z: general purpose, RR1 ignored
    CallRecorder::setRegister(8, 534, 0x0A00);  // U: O5 and O7 on
    InputStatusScreen screen(state_, errors_);
    screen.tabs()->setCurrentIndex(1);
    screen.refresh();
    for (std::size_t axis = 0; axis < 4; ++axis)
      for (int output = 0; output < 4; ++output)
        QCOMPARE(screen.outputButton(axis, output)->isEnabled(), axis != 1);
    QCOMPARE(lit(screen, kOutputs, {"O4/>=", "O5/<", "O6/AC", "O7/DC"}),
             (QStringList{"O4/>= X", "O4/>= Y", "O5/< U", "O6/AC Y", "O7/DC Y", "O7/DC U"}));

    CallRecorder::setRegister(2, 534, 0x0F00);  // Y back to general purpose outputs
    screen.refresh();
    QVERIFY(screen.outputButton(1, 0)->isEnabled());
    QCOMPARE(lit(screen, kOutputs, {"O5/<"}), (QStringList{"O5/< Y", "O5/< U"}));
  }

  void anOutputButtonTogglesItsBit() {
    InputStatusScreen screen(state_, errors_);
    screen.tabs()->setCurrentIndex(1);
    QCheckBox* lamp = screen.lamp(kOutputs, "O5/<", 2);
    CallRecorder::reset();
    CallRecorder::setRegister(4, 534, 0x0004);
    screen.outputButton(2, 1)->click();
    QCOMPARE(CallRecorder::calls(),
             (Calls{"M716MotRdReg(5, 4, 534)", "M716MotWrReg(5, 4, 534, 516)"}));
    QVERIFY(lamp->isChecked());
    screen.outputButton(2, 1)->click();
    QCOMPARE(CallRecorder::registerValue(4, 534), 0x0004u);
    QVERIFY(!lamp->isChecked());
  }

  void anOutputIsLeftAloneWhenItsRegisterCannotBeReadOrWritten() {
    InputStatusScreen screen(state_, errors_);
    screen.tabs()->setCurrentIndex(1);
    CallRecorder::failRead(1, 534, M716_ERR_DEVICE_ABSENT);
    screen.outputButton(0, 0)->click();
    QVERIFY(CallRecorder::callsOf("M716MotWrReg").empty());
    CallRecorder::failRead(1, 534, 0);
    CallRecorder::setResult("M716MotWrReg", M716_ERR_DEVICE_ABSENT);
    screen.outputButton(0, 0)->click();
    QVERIFY(!screen.lamp(kOutputs, "O4/>=", 0)->isChecked());
    QCOMPARE(messages_.texts.size(), 2);
  }

  void lampsIgnoreClicks() {
    CallRecorder::setRegister(1, 516, 0x4);
    InputStatusScreen screen(state_, errors_);
    screen.show();
    screen.refresh();
    QCheckBox* on = screen.lamp(kInputs, "LMT+", 0);
    QCheckBox* off = screen.lamp(kInputs, "LMT+", 1);
    QTest::mouseClick(on, Qt::LeftButton);
    QTest::mouseClick(off, Qt::LeftButton);
    QTest::keyClick(off, Qt::Key_Space);
    QVERIFY(on->isChecked());
    QVERIFY(!off->isChecked());
  }

  void theErrorColumnIsRealMinusLogical_data() {
    QTest::addColumn<int>("real");
    QTest::addColumn<int>("logical");
    QTest::addColumn<int>("error");
    QTest::newRow("100 - 90") << 100 << 90 << 10;
    QTest::newRow("-5 - 3") << -5 << 3 << -8;
    QTest::newRow("wraps as 32 bits") << 2147483647 << -1 << -2147483647 - 1;
  }
  void theErrorColumnIsRealMinusLogical() {
    QFETCH(int, real);
    QFETCH(int, logical);
    QFETCH(int, error);
    CallRecorder::setRegister(4, 256, word(real));
    CallRecorder::setRegister(4, 257, word(logical));
    InputStatusScreen screen(state_, errors_);
    QCOMPARE(screen.cell(2, kReal)->signedValue(), real);
    QCOMPARE(screen.cell(2, kLogical)->signedValue(), logical);
    QCOMPARE(screen.cell(2, kError)->signedValue(), error);
  }

  void noToTheQuestionWritesNothing() {
    CallRecorder::setRegister(1, 256, 1234);
    InputStatusScreen screen(state_, errors_);
    auto* edit = control<QPushButton>(screen, "Edit");
    edit->click();
    QCOMPARE(edit->text(), "Update");
    QVERIFY(!screen.refreshing());
    QVERIFY(!screen.cell(0, kReal)->isReadOnly());
    QVERIFY(screen.cell(0, kError)->isReadOnly());
    CallRecorder::reset();
    CallRecorder::setRegister(1, 256, 1234);
    screen.refresh();  // nothing is refreshed while editing
    QVERIFY(CallRecorder::calls().empty());
    screen.cell(0, kReal)->setText("0");
    messages_.answer = false;
    edit->click();
    QCOMPARE(messages_.questions, QStringList{"Do you want do change the register value ?"});
    QCOMPARE(edit->text(), "Edit");
    QVERIFY(screen.cell(0, kReal)->isReadOnly());
    QVERIFY(CallRecorder::calls().empty());
    QVERIFY(screen.refreshing());
    screen.refresh();
    QCOMPARE(screen.cell(0, kReal)->text(), "1234");
  }

  void yesWritesTheGridInOrderButNotCellsThatFailedToRead() {
    for (std::uint32_t axis : {1u, 2u, 4u, 8u}) {
      CallRecorder::setRegister(axis, 256, axis * 10);
      CallRecorder::setRegister(axis, 257, axis * 20);
    }
    // The read of the real counters stops at Y: none of the four is taken.
    CallRecorder::failRead(2, 256, M716_ERR_DEVICE_ABSENT);
    InputStatusScreen screen(state_, errors_);
    QCOMPARE(messages_.texts, QStringList{QString::fromUtf8(errorText(M716_ERR_DEVICE_ABSENT))});
    control<QPushButton>(screen, "Edit")->click();
    screen.cell(2, kReal)->setText("7");
    screen.cell(0, kCompPlus)->setText("-9");
    CallRecorder::reset();
    control<QPushButton>(screen, "Update")->click();
    const Calls expected{"M716SetPracticalRegister(5, 4, 7)",
                         "M716SetTheorecticalRegister(5, 1, 20)",
                         "M716SetTheorecticalRegister(5, 2, 40)",
                         "M716SetTheorecticalRegister(5, 4, 80)",
                         "M716SetTheorecticalRegister(5, 8, 160)",
                         "M716MotWrReg(5, 1, 258, 4294967287)",
                         "M716MotWrReg(5, 2, 258, 0)",
                         "M716MotWrReg(5, 4, 258, 0)",
                         "M716MotWrReg(5, 8, 258, 0)",
                         "M716MotWrReg(5, 1, 259, 0)",
                         "M716MotWrReg(5, 2, 259, 0)",
                         "M716MotWrReg(5, 4, 259, 0)",
                         "M716MotWrReg(5, 8, 259, 0)"};
    QCOMPARE(CallRecorder::calls(), expected);
  }

  void aBoardThatDoesNotAnswerShowsOneBoxAtATime() {
    InputStatusScreen screen(state_, errors_);
    screen.tabs()->setCurrentIndex(1);
    CallRecorder::setResult("M716MotRdReg", M716_ERR_DEVICE_ABSENT);
    CallRecorder::setResult("M716MotRdMultiReg", M716_ERR_BOARD_NUMBER);
    CallRecorder::reset();
    CallRecorder::setResult("M716MotRdReg", M716_ERR_DEVICE_ABSENT);
    CallRecorder::setResult("M716MotRdMultiReg", M716_ERR_BOARD_NUMBER);
    std::size_t callsWhileOpen = 0;
    // Ticks fall due while a box is open: they read nothing and show nothing.
    messages_.whileShown = [&] {
      const std::size_t before = CallRecorder::calls().size();
      screen.refresh();
      callsWhileOpen += CallRecorder::calls().size() - before;
    };
    screen.refresh();
    QCOMPARE(CallRecorder::calls().size(), 12u);  // every read was still made
    QCOMPARE(callsWhileOpen, 0u);
    QCOMPARE(messages_.texts, (QStringList{QString::fromUtf8(errorText(M716_ERR_DEVICE_ABSENT)),
                                           QString::fromUtf8(errorText(M716_ERR_BOARD_NUMBER))}));
  }

  void exitStopsTheRefresh() {
    InputStatusScreen screen(state_, errors_);
    bool closing = false;
    connect(&screen, &InputStatusScreen::closing, this, [&] { closing = true; });
    screen.show();
    control<QPushButton>(screen, "Exit")->click();
    QVERIFY(closing);
    QVERIFY(!screen.refreshing());
  }

  void theTimerRefreshesEveryHalfSecond() {
    InputStatusScreen screen(state_, errors_);
    CallRecorder::setRegister(1, 516, 0x4);
    QTRY_VERIFY_WITH_TIMEOUT(screen.lamp(kInputs, "LMT+", 0)->isChecked(), 2000);
  }
};

M716_REGISTER_QT_TEST(InputStatusTest);

}  // namespace m716::test

#include "input_status_test.moc"
