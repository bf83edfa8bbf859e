// The operation screen against the recorder of the library's calls: its defaults, and the
// calls each action makes, with their arguments, in their order.

#include "operation_screen.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "qt_test_main.h"
#include "screen_probe.h"
#include "screen_test.h"

namespace m716::test {

using utility::NumberField;
using utility::OperationScreen;
using Calls = std::vector<std::string>;

class OperationScreenTest : public ScreenTest {
  Q_OBJECT

  static NumberField* field(const OperationScreen& screen, const QString& name) {
    return screen.findChild<NumberField*>(name);
  }
  static void tick(const OperationScreen& screen, const QStringList& axes) {
    for (const QString& axis : axes) control<QCheckBox>(screen, axis + " Axis")->setChecked(true);
  }
  static void choose(const OperationScreen& screen, const QStringList& captions) {
    for (const QString& caption : captions) {
      QRadioButton* choice = control<QRadioButton>(screen, caption);
      QVERIFY2(choice, qPrintable(caption));
      choice->setChecked(true);
    }
  }
  // "name=text" for a field or a list.
  static void edit(const OperationScreen& screen, const QStringList& edits) {
    for (const QString& entry : edits) {
      const QString name = entry.section('=', 0, 0), text = entry.section('=', 1);
      if (auto* list = screen.findChild<QComboBox*>(name))
        list->setCurrentText(text);
      else
        field(screen, name)->setText(text);
    }
  }
  static QStringList items(const QComboBox& list) {
    QStringList texts;
    for (int index = 0; index < list.count(); ++index) texts << list.itemText(index);
    return texts;
  }

 private slots:
  void init() {
    freshStart();
    state_.currentBoard = 3;
    state_.boardOpened = true;
  }

  void opensWithItsDefaults() {
    OperationScreen screen(state_, errors_);
    QCOMPARE(screen.windowTitle(), "Operation");
    const std::pair<const char*, const char*> defaults[] = {{"Driver Speed X", "6000"},
                                                            {"Driver Speed U", "6000"},
                                                            {"End Position Y", "1000"},
                                                            {"SV", "1000"},
                                                            {"DV", "3000"},
                                                            {"AC", "10000"},
                                                            {"AK", "10000"},
                                                            {"Line End Z", "6000"},
                                                            {"C1", "3000"},
                                                            {"C2", "3000"},
                                                            {"E1", "0"},
                                                            {"E2", "0"},
                                                            {"HW Pulses Set", "100"}};
    for (auto [name, text] : defaults) QCOMPARE(field(screen, name)->text(), text);
    for (const char* axis : {"X Axis", "Y Axis", "Z Axis", "U Axis"})
      QVERIFY(!control<QCheckBox>(screen, axis)->isChecked());
    for (const char* selected :
         {"PtP Drive", "Relative Mode", "Immediate Stop", "T Curve Mode", "CW"})
      QVERIFY2(control<QRadioButton>(screen, selected)->isChecked(), selected);
    for (const char* title :
         {"Operate Axis", "Driver Mode", "Movement Mode", "Stopping Mode", "Accerelation Mode",
          "Continue and PtP Drive Parameters Setting", "Line and Arc Drive Parameters Setting",
          "Line/Arc Speed", "Line End", "Arc Center Position", "Arc End Position", "Arc Direction",
          "External Mode"})
      QVERIFY2(group(screen, title), title);
    for (const char* caption : {"Start", "Change DV", "Stop", "SET", "Exit"})
      QVERIFY2(control<QPushButton>(screen, caption), caption);
    const auto* direction = screen.findChild<QComboBox*>("Continue Drive Dir. Z");
    QCOMPARE(items(*direction), (QStringList{"CW", "CCW"}));
    QCOMPARE(direction->currentIndex(), 0);
    const auto* modes = screen.findChild<QComboBox*>("Mode Selected");
    QCOMPARE(items(*modes),
             (QStringList{"Disable", "JOG mode 1", "JOG mode 2", "JOG mode 3", "JOG mode 4",
                          "JOG mode 5", "JOG mode 6", "JOG mode 7", "Disable", "Hand Wheel Mode 1",
                          "Hand Wheel Mode 2", "Hand Wheel Mode 3", "Hand Wheel Mode 4",
                          "Hand Wheel Mode 5", "Hand Wheel Mode 6", "Hand Wheel Mode 7"}));
    QCOMPARE(modes->currentIndex(), 0);
  }

  void startCallsTheSelectedDrive_data() {
    QTest::addColumn<QStringList>("axes");
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<QStringList>("choices");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("home sets no speed") << QStringList{"X", "Z"} << QStringList{}
                                        << QStringList{"Home"} << QStringList{"M716MotHome(3, 5)"};
    QTest::newRow("continue, X and Z counter-clockwise")
        << QStringList{"X", "Y", "Z"}
        << QStringList{"Continue Drive Dir. X=CCW", "Continue Drive Dir. Z=CCW"}
        << QStringList{"Continue Drive"}
        << QStringList{"M716SetDrivingSpeed(3, 1, 6000)", "M716SetDrivingSpeed(3, 2, 6000)",
                       "M716SetDrivingSpeed(3, 4, 6000)", "M716MotCmove(3, 7, 5)"};
    QTest::newRow("point to point, Y only")
        << QStringList{"Y"} << QStringList{} << QStringList{}
        << QStringList{"M716SetDrivingSpeed(3, 2, 6000)",
                       "M716MotPtp(3, 2, 0, 1000, 1000, 1000, 1000)"};
    QTest::newRow("point to point, absolute X and Y")
        << QStringList{"Y", "X"} << QStringList{"End Position X=-500", "Driver Speed Y=7000"}
        << QStringList{"Absolute Mode"}
        << QStringList{"M716SetDrivingSpeed(3, 1, 6000)", "M716SetDrivingSpeed(3, 2, 7000)",
                       "M716MotPtp(3, 3, 3, -500, 1000, 1000, 1000)"};
    QTest::newRow("line, S curve, absolute")
        << QStringList{"X", "Y", "U"} << QStringList{"Line End U=-1", "AK=20000", "DV=4000"}
        << QStringList{"Line Profile Drive", "S Curve Mode", "Absolute Mode"}
        << QStringList{"M716MotAxisParaSet(3, 0, 1, 1000, 4000, 4000, 10000, 20000)",
                       "M716MotLine(3, 11, 1, 6000, 6000, 6000, -1)"};
    QTest::newRow("arc counter-clockwise")
        << QStringList{"X", "Z"} << QStringList{"E1=100", "E2=-200", "C2=-7"}
        << QStringList{"Arc Profile Drive", "CCW"}
        << QStringList{"M716MotAxisParaSet(3, 0, 0, 1000, 3000, 3000, 10000, 10000)",
                       "M716MotArc(3, 5, 0, 1, 3000, -7, 100, -200)"};
    QTest::newRow("arc by angle never reads E2")
        << QStringList{"X", "Y"} << QStringList{"E1=90", "E2=not read"}
        << QStringList{"Arc Profile Drive", "Angle"}
        << QStringList{"M716MotAxisParaSet(3, 0, 0, 1000, 3000, 3000, 10000, 10000)",
                       "M716MotArcTheta(3, 3, 0, 3000, 3000, 90.0)"};
  }
  void startCallsTheSelectedDrive() {
    QFETCH(QStringList, axes);
    QFETCH(QStringList, edits);
    QFETCH(QStringList, choices);
    QFETCH(QStringList, expected);
    OperationScreen screen(state_, errors_);
    tick(screen, axes);
    edit(screen, edits);
    choose(screen, choices);
    control<QPushButton>(screen, "Start")->click();
    Calls calls(expected.size());
    std::transform(expected.begin(), expected.end(), calls.begin(),
                   [](const QString& call) { return call.toStdString(); });
    QCOMPARE(CallRecorder::calls(), calls);
    QCOMPARE(messages_.texts, QStringList{});
  }

  void startWithoutAxisAsksForOne() {
    OperationScreen screen(state_, errors_);
    control<QPushButton>(screen, "Start")->click();
    QCOMPARE(messages_.texts, QStringList{"No axis is selected, please select axis first"});
    QVERIFY(CallRecorder::calls().empty());
  }

  void aFailedSpeedStillLetsTheMoveRun() {
    CallRecorder::setResult("M716SetDrivingSpeed", 13);
    CallRecorder::setResult("M716MotPtp", 21);
    OperationScreen screen(state_, errors_);
    tick(screen, {"X", "Y"});
    control<QPushButton>(screen, "Start")->click();
    QCOMPARE(CallRecorder::calls().size(), 3u);
    QCOMPARE(CallRecorder::calls().back(), "M716MotPtp(3, 3, 0, 1000, 1000, 1000, 1000)");
    QCOMPARE(messages_.texts,
             (QStringList{"DV value is over valid range", "DV value is over valid range",
                          "One of the assigned axis is in busy state"}));
  }

  void textThatIsNoNumberIsReportedAndThePreviousValueUsed() {
    OperationScreen screen(state_, errors_);
    tick(screen, {"X"});
    edit(screen, {"Driver Speed X=fast"});
    control<QPushButton>(screen, "Start")->click();
    QCOMPARE(messages_.texts.size(), 1);
    QVERIFY(messages_.texts[0].startsWith("\"fast\""));
    QCOMPARE(CallRecorder::calls().front(), "M716SetDrivingSpeed(3, 1, 6000)");
    QCOMPARE(field(screen, "Driver Speed X")->text(), "6000");
  }

  void changeDvAndSetCallEachTickedAxis() {
    OperationScreen screen(state_, errors_);
    control<QPushButton>(screen, "Change DV")->click();
    control<QPushButton>(screen, "SET")->click();
    QVERIFY(CallRecorder::calls().empty());
    QVERIFY(messages_.texts.isEmpty());

    tick(screen, {"U", "Y"});
    edit(screen, {"Driver Speed U=900", "HW Pulses Set=-3"});
    screen.findChild<QComboBox*>("Mode Selected")->setCurrentIndex(8);  // the second "Disable"
    control<QPushButton>(screen, "Change DV")->click();
    control<QPushButton>(screen, "SET")->click();
    QCOMPARE(CallRecorder::calls(),
             (Calls{"M716MotChgDV(3, 2, 6000)", "M716MotChgDV(3, 8, 900)",
                    "M716MotExtMode(3, 2, 8, -3)", "M716MotExtMode(3, 8, 8, -3)"}));
  }

  void everyWayOfStoppingStopsAllAxesInTheSelectedMode_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("expected");
    for (const char* how : {"Stop", "Esc", "Exit", "close"}) {
      QTest::addRow("%s, immediate", how) << how << "Immediate Stop"
                                          << "M716MotStop(3, 15, 0)";
      QTest::addRow("%s, slowdown", how) << how << "Slowdown Stop"
                                         << "M716MotStop(3, 15, 15)";
    }
  }
  void everyWayOfStoppingStopsAllAxesInTheSelectedMode() {
    QFETCH(QString, how);
    QFETCH(QString, mode);
    QFETCH(QString, expected);
    OperationScreen screen(state_, errors_);
    screen.show();
    QVERIFY(QTest::qWaitForWindowActive(&screen));
    tick(screen, {"X"});
    choose(screen, {mode});
    edit(screen, {"Driver Speed X=not taken"});  // a stop takes no field
    if (how == "Esc")
      QTest::keyClick(field(screen, "C1"), Qt::Key_Escape);
    else if (how == "close")
      screen.close();
    else
      control<QPushButton>(screen, how)->click();
    QCOMPARE(CallRecorder::calls(), Calls{expected.toStdString()});
    QCOMPARE(screen.isVisible(), how == "Stop" || how == "Esc");
    QVERIFY(messages_.texts.isEmpty());
  }

  void theAngleChoiceChangesTheArcEndGroup() {
    OperationScreen screen(state_, errors_);
    screen.show();
    QGroupBox* end = group(screen, "Arc End Position");
    choose(screen, {"Angle"});
    QCOMPARE(end->title(), "Arc angle(degree)");
    QVERIFY(field(screen, "E1")->isEnabled());
    QVERIFY(!field(screen, "E2")->isEnabled());
    QVERIFY(!control<QLabel>(screen, "E1")->isVisible());
    QVERIFY(!control<QLabel>(screen, "E2")->isVisible());
    choose(screen, {"CCW"});
    QCOMPARE(end->title(), "Arc End Position");
    QVERIFY(field(screen, "E2")->isEnabled());
    QVERIFY(control<QLabel>(screen, "E1")->isVisible());
    QVERIFY(control<QLabel>(screen, "E2")->isVisible());
  }
};

M716_REGISTER_QT_TEST(OperationScreenTest);

}  // namespace m716::test

#include "operation_screen_test.moc"
