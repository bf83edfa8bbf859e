// The speed monitor against the recorder of the library's calls, on a clock the test moves: its
// controls, the call of each sample, the curves in the axis colours, the sweep that starts
// again, and the recording of samples to a CSV file.

#include "speed_monitor.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "KRVM716.h"
#include "monitor_pictures.h"
#include "qt_test_main.h"
#include "screen_probe.h"
#include "screen_test.h"

namespace m716::test {

using utility::SpeedChart;
using utility::SpeedMonitor;
using Calls = std::vector<std::string>;

class SpeedMonitorTest : public ScreenTest {
  Q_OBJECT

  static constexpr std::uint32_t kOpened = 0xFFFFF000;  // the tick count wraps meanwhile
  std::uint32_t now_ = kOpened;

  std::unique_ptr<SpeedMonitor> monitor() {
    return std::make_unique<SpeedMonitor>(state_, errors_, nullptr, [this] { return now_; });
  }
  static void edit(const SpeedMonitor& monitor, const char* name, const QString& text) {
    monitor.findChild<utility::NumberField*>(name)->setText(text);
  }
  static QString shown(const SpeedMonitor& monitor, const char* name) {
    return monitor.findChild<QLineEdit*>(name)->text();
  }
  static void setSpeeds(const utility::AxisSpeeds& speeds) {
    for (std::size_t axis = 0; axis < 4; ++axis)
      CallRecorder::setRegister(utility::kAxisBits[axis], M716_REG_LIVE_SPEED,
                                static_cast<std::uint32_t>(speeds[axis]));
  }
  static QPoint mapped(const SpeedChart& chart, std::uint32_t elapsed, std::int32_t speed) {
    return {static_cast<int>(utility::speedX(chart.range(), chart.scales(), elapsed)),
            static_cast<int>(
                utility::speedY(chart.picture().size(), chart.range(), chart.scales(), speed))};
  }
  static QImage gridOnly(const utility::SpeedRange& range) {
    SpeedChart chart(SpeedMonitor::kPlotSize, SpeedMonitor::kLegendSize, 0);
    chart.setRange(range);
    chart.drawGrid();
    return chart.picture();
  }
  // Samples at these times after opening.
  void sampleAt(SpeedMonitor& monitor, std::initializer_list<std::uint32_t> elapsed) {
    for (std::uint32_t milliseconds : elapsed) {
      now_ = kOpened + milliseconds;
      monitor.sample();
    }
  }

 private slots:
  void init() {
    freshStart();
    state_.currentBoard = 1;
    state_.boardOpened = true;
    now_ = kOpened;
  }

  void opensWithItsDefaults() {
    const auto screen = monitor();
    QCOMPARE(screen->windowTitle(), "Speed Monitor");
    QVERIFY(group(*screen, "Display parameters Setting"));
    for (auto [field, text] : {std::pair{"Speed Max", "8000"},
                               {"Speed Min", "0"},
                               {"Time Max", "60"},
                               {"Time Min", "0"}})
      QCOMPARE(shown(*screen, field), text);
    QVERIFY(screen->findChild<QLineEdit*>("Time Min")->isReadOnly());
    for (const char* caption : {"Set", "Reset", "Clear Screen", "Exit"})
      QVERIFY2(control(*screen, caption), caption);
    QVERIFY(screen->sampling());
    QCOMPARE(screen->chart().startTick(), kOpened);
    QCOMPARE(pixelsOf(screen->pictureAsDrawn(), Qt::white), 600 * 300);
    QVERIFY(CallRecorder::calls().empty());
  }

  void eachAxisIsDrawnInItsColour() {
    const auto screen = monitor();
    const utility::AxisSpeeds speeds{4000, 2000, 6000, 1000};
    setSpeeds(speeds);
    sampleAt(*screen, {1000, 9000});
    QCOMPARE(CallRecorder::calls(),
             (Calls{"M716MotRdMultiReg(1, 15, 261)", "M716MotRdMultiReg(1, 15, 261)"}));
    const SpeedChart& chart = screen->chart();
    for (std::size_t axis = 0; axis < 4; ++axis) {
      const QColor colour = utility::kAxisColours[axis];
      QVERIFY(lineHasColour(
          chart.picture(),
          QLine(mapped(chart, 1000, speeds[axis]), mapped(chart, 9000, speeds[axis])), colour));
      // The first segment rises from speed 0 at the start.
      QVERIFY(colourNear(chart.picture(), mapped(chart, 500, speeds[axis] / 2), colour));
      QVERIFY(lineHasColour(chart.legend(),
                            utility::speedLegend(SpeedMonitor::kLegendSize)[axis].line, colour));
    }
    QCOMPARE(utility::kAxisColours[3], QColor(255, 0, 255));
    // The legend lies across the lower part of the plot.
    QCOMPARE(screen->pictureAsDrawn().pixelColor(SpeedMonitor::kLegendAt + QPoint(30, 10)),
             QColor(Qt::red));
    QCOMPARE(screen->chart().previousSpeeds(), speeds);
  }

  void aSpeedBelowSpeedMinIsDrawnOffTheBottom() {
    const auto screen = monitor();
    edit(*screen, "Speed Min", "1000");
    control(*screen, "Set")->click();
    setSpeeds({999, 0, 500, -5});
    sampleAt(*screen, {1000, 2000});
    QCOMPARE(screen->chart().picture(), gridOnly(utility::SpeedRange{8000, 1000, 60, 0}));
  }

  void setRoundsTimeMaxDown_data() {
    QTest::addColumn<QString>("entered");
    QTest::addColumn<QString>("taken");
    QTest::newRow("7") << "7"
                       << "5";
    QTest::newRow("23") << "23"
                        << "20";
    QTest::newRow("3") << "3"
                       << "5";
  }
  void setRoundsTimeMaxDown() {
    QFETCH(QString, entered);
    QFETCH(QString, taken);
    const auto screen = monitor();
    sampleAt(*screen, {1000});
    edit(*screen, "Time Max", entered);
    now_ = kOpened + 2500;
    control(*screen, "Set")->click();
    QCOMPARE(shown(*screen, "Time Max"), taken);
    QCOMPARE(screen->chart().range().timeMax, taken.toInt());
    QCOMPARE(screen->chart().startTick(), kOpened + 2500);
    QCOMPARE(screen->chart().picture(), gridOnly(screen->chart().range()));
  }

  void afterTheTimeRangeTheChartClearsAndStartsAgainAtTheLeft() {
    const auto screen = monitor();
    setSpeeds({4000, 0, 0, 0});
    sampleAt(*screen, {1000, 30000, 60999});
    QCOMPARE(screen->chart().startTick(), kOpened);
    QVERIFY(colourNear(screen->chart().picture(), mapped(screen->chart(), 20000, 4000), Qt::red));
    setSpeeds({2000, 0, 0, 0});
    sampleAt(*screen, {61000});
    QCOMPARE(screen->chart().startTick(), kOpened + 61000);
    // The old curve is gone; the new one starts at x = 40, from the speed of the last sample.
    const QImage& picture = screen->chart().picture();
    QVERIFY(lineHasColour(picture,
                          QLine(mapped(screen->chart(), 0, 4000), mapped(screen->chart(), 0, 2000)),
                          Qt::red));
    QCOMPARE(mapped(screen->chart(), 0, 0).x(), 40);
    QCOMPARE(pixelsOf(picture, Qt::red), 196 - 136 + 1);
  }

  void aSpeedRangeWithoutWidthIsRefused() {
    const auto screen = monitor();
    edit(*screen, "Speed Max", "300");
    edit(*screen, "Speed Min", "300");
    edit(*screen, "Time Max", "23");
    control(*screen, "Set")->click();
    QCOMPARE(messages_.texts,
             QStringList{"\"Speed Max\" and \"Speed Min\" are both 300: the chart needs two "
                         "different values to scale between. It keeps the range it shows."});
    for (auto [field, text] :
         {std::pair{"Speed Max", "8000"}, {"Speed Min", "0"}, {"Time Max", "60"}})
      QCOMPARE(shown(*screen, field), text);
    QCOMPARE(screen->chart().range().speedMax, 8000);
    QCOMPARE(screen->chart().scales().speed, 240.0F / 8000.0F);
  }

  void resetAndClearScreenRestartTheTimeBase() {
    const auto screen = monitor();
    edit(*screen, "Speed Max", "100");
    edit(*screen, "Time Max", "10");
    control(*screen, "Set")->click();
    setSpeeds({50, 50, 50, 50});
    sampleAt(*screen, {3000});
    now_ = kOpened + 4000;
    control(*screen, "Clear Screen")->click();
    QCOMPARE(screen->chart().startTick(), kOpened + 4000);
    QCOMPARE(screen->chart().picture(), gridOnly(utility::SpeedRange{100, 0, 10, 0}));
    QCOMPARE(screen->chart().previousSpeeds(), (utility::AxisSpeeds{50, 50, 50, 50}));
    now_ = kOpened + 5000;
    control(*screen, "Reset")->click();
    for (auto [field, text] : {std::pair{"Speed Max", "8000"},
                               {"Speed Min", "0"},
                               {"Time Max", "60"},
                               {"Time Min", "0"}})
      QCOMPARE(shown(*screen, field), text);
    QCOMPARE(screen->chart().startTick(), kOpened + 5000);
    QCOMPARE(screen->chart().picture(), gridOnly(utility::SpeedRange{}));
  }

  void aFailedSampleKeepsTheSpeedsHeld() {
    const auto screen = monitor();
    setSpeeds({700, 0, 0, 0});
    sampleAt(*screen, {100});
    CallRecorder::setResult("M716MotRdMultiReg", 6);
    setSpeeds({0, 0, 0, 0});
    sampleAt(*screen, {150});
    QCOMPARE(screen->chart().previousSpeeds()[0], 700);
    QCOMPARE(messages_.texts, QStringList{});
  }

  void recordToCsvAppendsEverySampleAsItIsTaken() {
    QTemporaryDir folder;
    const QString file = folder.filePath("speeds.csv");
    const auto screen = monitor();
    screen->setFileChooser([&](QWidget*, const QString&, const QString&) { return file; });
    QAction* record = menuAction(*screen, "Record to CSV\u2026");
    now_ = kOpened + 100;
    record->trigger();
    QVERIFY(screen->recording());
    setSpeeds({1, 2, 3, -4});
    sampleAt(*screen, {150});
    setSpeeds({5, 6, 7, 8});
    sampleAt(*screen, {200});
    record->trigger();
    QVERIFY(!screen->recording() && !record->isChecked());
    sampleAt(*screen, {250});
    now_ = kOpened + 300;
    record->trigger();
    sampleAt(*screen, {350});
    screen->close();
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly | QIODevice::Text));
    QCOMPARE(QString::fromLatin1(written.readAll()),
             "Time (ms),X (pulse per second),Y (pulse per second),Z (pulse per second),"
             "U (pulse per second)\n50,1,2,3,-4\n100,5,6,7,8\n50,5,6,7,8\n");
  }

  void aRecordingThatCannotBeOpenedIsReported() {
    QTemporaryDir folder;
    const auto screen = monitor();
    screen->setFileChooser([&](QWidget*, const QString&, const QString&) { return folder.path(); });
    QAction* record = menuAction(*screen, "Record to CSV\u2026");
    record->trigger();
    QVERIFY(!screen->recording() && !record->isChecked());
    QCOMPARE(messages_.texts.size(), 1);
    QVERIFY2(messages_.texts[0].startsWith(
                 QStringLiteral("\"%1\" could not be opened for recording: ").arg(folder.path())),
             qPrintable(messages_.texts[0]));
    // A device that takes no data: the first line cannot be written.
    if (QFile::exists("/dev/full")) {
      screen->setFileChooser(
          [](QWidget*, const QString&, const QString&) { return QStringLiteral("/dev/full"); });
      record->trigger();
      QVERIFY(!screen->recording() && !record->isChecked());
      QCOMPARE(messages_.texts.size(), 2);
      QVERIFY2(messages_.texts[1].startsWith("\"/dev/full\" could not be opened for recording: "),
               qPrintable(messages_.texts[1]));
      messages_.texts.removeLast();
    }
    screen->setFileChooser([](QWidget*, const QString&, const QString&) { return QString(); });
    record->trigger();
    QVERIFY(!record->isChecked());
    QCOMPARE(messages_.texts.size(), 1);
  }

  void savePictureWritesThePlotWithItsLegend() {
    QTemporaryDir folder;
    const auto screen = monitor();
    setSpeeds({4000, 2000, 6000, 1000});
    sampleAt(*screen, {1000});
    screen->setFileChooser(
        [&](QWidget*, const QString&, const QString&) { return folder.filePath("speed.png"); });
    menuAction(*screen, "Save Picture\u2026")->trigger();
    QCOMPARE(QImage(folder.filePath("speed.png")).convertToFormat(QImage::Format_RGB32),
             screen->pictureAsDrawn());
    QCOMPARE(messages_.texts, QStringList{});
  }
};

M716_REGISTER_QT_TEST(SpeedMonitorTest);

}  // namespace m716::test

#include "speed_monitor_test.moc"
