// The profile monitor against the recorder of the library's calls: its controls, the calls of
// each sample and action, and what it draws. Samples are taken by calling the sampling step, as
// the 100 ms timer does.

#include "profile_monitor.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include "main_screen.h"
#include "monitor_pictures.h"
#include "qt_test_main.h"
#include "screen_probe.h"
#include "screen_test.h"

namespace m716::test {

using utility::ProfileChart;
using utility::ProfileMonitor;
using Calls = std::vector<std::string>;

class ProfileMonitorTest : public ScreenTest {
  Q_OBJECT

  static void edit(const ProfileMonitor& monitor, const char* name, const QString& text) {
    monitor.findChild<utility::NumberField*>(name)->setText(text);
  }
  static QString shown(const ProfileMonitor& monitor, const char* name) {
    return monitor.findChild<QLineEdit*>(name)->text();
  }
  static QPoint mapped(const ProfileChart& chart, std::int32_t h, std::int32_t v) {
    const auto point =
        utility::profilePoint(chart.picture().size(), chart.range(), chart.scales(), h, v);
    return {static_cast<int>(point.x), static_cast<int>(point.y)};
  }
  // The picture of a chart that has only drawn its grid.
  static QImage gridOnly(const utility::ProfileRange& range) {
    ProfileChart chart(ProfileMonitor::kPlotSize);
    chart.setRange(range);
    chart.drawGrid();
    return chart.picture();
  }
  // The grid and the one pixel where the axes stand: a sample where they stood before.
  static QImage gridAndPoint(const ProfileChart& chart, std::int32_t h, std::int32_t v) {
    QImage picture = gridOnly(chart.range());
    picture.setPixelColor(mapped(chart, h, v), Qt::black);
    return picture;
  }

 private slots:
  void init() {
    freshStart();
    state_.currentBoard = 2;
    state_.boardOpened = true;
  }

  void opensWithItsDefaults() {
    ProfileMonitor monitor(state_, errors_);
    QCOMPARE(monitor.windowTitle(), "Profile Monitor");
    QVERIFY(group(monitor, "Display Parameters Setting"));
    for (const char* list : {"H Axis", "V Axis"}) {
      auto* axes = monitor.findChild<QComboBox*>(list);
      QCOMPARE(axes->count(), 4);
      QCOMPARE(axes->itemText(0), "X axis");
      QCOMPARE(axes->itemText(3), "U axis");
    }
    QCOMPARE(monitor.findChild<QComboBox*>("H Axis")->currentText(), "X axis");
    QCOMPARE(monitor.findChild<QComboBox*>("V Axis")->currentText(), "Y axis");
    for (auto [field, text] : {std::pair{"H Axis Max", "200000"},
                               {"H Axis Min", "-200000"},
                               {"V Axis Max", "200000"},
                               {"V Axis Min", "-200000"},
                               {"H Axis Position", "0"},
                               {"V Axis Position", "0"}})
      QCOMPARE(shown(monitor, field), text);
    QVERIFY(monitor.findChild<QLineEdit*>("H Axis Position")->isReadOnly());
    QVERIFY(control<QRadioButton>(monitor, "Logic Position Tracking")->isChecked());
    for (const char* caption : {"Set", "Reset", "Clear Screen", "Exit"})
      QVERIFY2(control(monitor, caption), caption);
    QVERIFY(monitor.sampling());
    QCOMPARE(pixelsOf(monitor.chart().picture(), Qt::white), 520 * 400);
    QVERIFY(CallRecorder::calls().empty());
  }

  void theFirstSampleDrawsFromTheMappedOrigin() {
    ProfileMonitor monitor(state_, errors_);
    CallRecorder::setLogicalPosition(1, 100000);
    CallRecorder::setRealPosition(1, -7);
    monitor.sample();
    QCOMPARE(CallRecorder::calls(),
             (Calls{"M716GetTheorecticalRegister(2, 1)", "M716GetTheorecticalRegister(2, 2)"}));
    QCOMPARE(shown(monitor, "H Axis Position"), "100000");
    QCOMPARE(shown(monitor, "V Axis Position"), "0");
    const QImage& picture = monitor.chart().picture();
    const QPoint origin = mapped(monitor.chart(), 0, 0), end = mapped(monitor.chart(), 100000, 0);
    QVERIFY(lineHasColour(picture, QLine(origin, end), Qt::black));
    // The grid: dashed, so its first pixel is drawn and some of the column is not.
    QCOMPARE(picture.pixelColor(50, 400 - 35), QColor(Qt::black));
    int drawn = 0;
    for (int y = 25; y <= 365; ++y) drawn += picture.pixelColor(50, y) == Qt::black;
    QVERIFY2(drawn > 100 && drawn < 341, qPrintable(QString::number(drawn)));
  }

  void segmentsGoOnFromThePreviousSample() {
    ProfileMonitor monitor(state_, errors_);
    monitor.sample();
    CallRecorder::setLogicalPosition(2, 150000);
    monitor.sample();
    CallRecorder::setLogicalPosition(1, -150000);
    monitor.sample();
    const QImage& picture = monitor.chart().picture();
    const ProfileChart& chart = monitor.chart();
    QVERIFY(
        lineHasColour(picture, QLine(mapped(chart, 0, 0), mapped(chart, 0, 150000)), Qt::black));
    QVERIFY(lineHasColour(picture, QLine(mapped(chart, 0, 150000), mapped(chart, -150000, 150000)),
                          Qt::black));
    QCOMPARE(monitor.chart().previous().h, -150000);
  }

  void realPositionTrackingTakesEffectOnSet() {
    ProfileMonitor monitor(state_, errors_);
    control<QRadioButton>(monitor, "Real Position Tracking")->setChecked(true);
    monitor.sample();
    QVERIFY(CallRecorder::callsOf("M716GetPracticalRegister").empty());
    QVERIFY(!monitor.tracksRealPosition());

    CallRecorder::reset();
    CallRecorder::setRealPosition(1, 50000);
    CallRecorder::setRealPosition(2, -30000);
    control(monitor, "Set")->click();
    QCOMPARE(CallRecorder::calls(),
             (Calls{"M716GetPracticalRegister(2, 1)", "M716GetPracticalRegister(2, 2)"}));
    // The current position became the previous point: the next sample draws no jump line.
    monitor.sample();
    QCOMPARE(monitor.chart().picture(), gridAndPoint(monitor.chart(), 50000, -30000));
    QCOMPARE(shown(monitor, "V Axis Position"), "-30000");
  }

  void setTakesTheRangeAndResetGoesBackToTheDefaults() {
    ProfileMonitor monitor(state_, errors_);
    monitor.sample();
    edit(monitor, "H Axis Max", "1000");
    edit(monitor, "V Axis Min", "-500");
    control(monitor, "Set")->click();
    const utility::ProfileRange range{1000, -200000, 200000, -500};
    QCOMPARE(monitor.chart().range().hMax, 1000);
    QCOMPARE(monitor.chart().scales().horizontal, 480.0F / 201000.0F);
    QCOMPARE(monitor.chart().picture(), gridOnly(range));

    CallRecorder::setResult("M716GetTheorecticalRegister", 3);
    control(monitor, "Reset")->click();
    QCOMPARE(shown(monitor, "H Axis Max"), "200000");
    QCOMPARE(shown(monitor, "V Axis Min"), "-200000");
    QCOMPARE(monitor.chart().range().hMax, 200000);
    QCOMPARE(monitor.chart().picture(), gridOnly(utility::ProfileRange{}));
    // The reads that take the previous point report their failures, the samples do not.
    QCOMPARE(messages_.texts.size(), 2);
    monitor.sample();
    QCOMPARE(messages_.texts.size(), 2);
  }

  void aRangeWithoutWidthIsRefusedAndTheShownRangeKept_data() {
    QTest::addColumn<QString>("max");
    QTest::addColumn<QString>("min");
    QTest::addColumn<QString>("notice");
    QTest::newRow("H") << "H Axis Max"
                       << "H Axis Min"
                       << "\"H Axis Max\" and \"H Axis Min\" are both 5: the chart needs two "
                          "different values to scale between. It keeps the range it shows.";
    QTest::newRow("V") << "V Axis Max"
                       << "V Axis Min"
                       << "\"V Axis Max\" and \"V Axis Min\" are both 5: the chart needs two "
                          "different values to scale between. It keeps the range it shows.";
  }
  void aRangeWithoutWidthIsRefusedAndTheShownRangeKept() {
    QFETCH(QString, max);
    QFETCH(QString, min);
    QFETCH(QString, notice);
    ProfileMonitor monitor(state_, errors_);
    monitor.sample();
    const QImage before = monitor.chart().picture();
    edit(monitor, qPrintable(max), "5");
    edit(monitor, qPrintable(min), "5");
    control<QRadioButton>(monitor, "Real Position Tracking")->setChecked(true);
    CallRecorder::reset();
    control(monitor, "Set")->click();
    QCOMPARE(messages_.texts, QStringList{notice});
    QCOMPARE(shown(monitor, qPrintable(max)), "200000");
    QCOMPARE(shown(monitor, qPrintable(min)), "-200000");
    QCOMPARE(monitor.chart().range().vMin, -200000);
    QVERIFY(!monitor.tracksRealPosition());
    QCOMPARE(monitor.chart().picture(), before);
    QVERIFY(CallRecorder::calls().empty());
  }

  void theAxisListsChangeTheAxesAtOnce() {
    ProfileMonitor monitor(state_, errors_);
    monitor.findChild<QComboBox*>("H Axis")->setCurrentIndex(2);
    monitor.findChild<QComboBox*>("V Axis")->setCurrentIndex(3);
    monitor.sample();
    QCOMPARE(CallRecorder::calls(),
             (Calls{"M716GetTheorecticalRegister(2, 4)", "M716GetTheorecticalRegister(2, 8)"}));
  }

  void aFailedSampleKeepsThePositionsHeld() {
    ProfileMonitor monitor(state_, errors_);
    CallRecorder::setLogicalPosition(1, 40000);
    monitor.sample();
    CallRecorder::setResult("M716GetTheorecticalRegister", 6);
    CallRecorder::setLogicalPosition(1, 0);
    monitor.sample();
    QCOMPARE(shown(monitor, "H Axis Position"), "40000");
    QCOMPARE(monitor.chart().previous().h, 40000);
    QCOMPARE(messages_.texts, QStringList{});
  }

  void clearScreenKeepsThePreviousPoint() {
    ProfileMonitor monitor(state_, errors_);
    CallRecorder::setLogicalPosition(1, 100000);
    monitor.sample();
    control(monitor, "Clear Screen")->click();
    QCOMPARE(monitor.chart().picture(), gridOnly(utility::ProfileRange{}));
    QCOMPARE(monitor.chart().previous().h, 100000);
    monitor.sample();
    QCOMPARE(monitor.chart().picture(), gridAndPoint(monitor.chart(), 100000, 0));
  }

  void thePictureSurvivesHidingAndResizing() {
    ProfileMonitor monitor(state_, errors_);
    CallRecorder::setLogicalPosition(1, 100000);
    monitor.sample();
    monitor.show();
    auto* plot = monitor.findChild<utility::PicturePane*>();
    QCOMPARE(plot->size(), ProfileMonitor::kPlotSize);
    monitor.hide();
    monitor.showMinimized();
    monitor.showNormal();
    monitor.resize(monitor.size() + QSize(200, 100));
    QCOMPARE(plot->grab().toImage().convertToFormat(QImage::Format_RGB32),
             monitor.chart().picture());
  }

  void savePictureWritesThePlotAsPng() {
    QTemporaryDir folder;
    ProfileMonitor monitor(state_, errors_);
    monitor.sample();
    QString asked;
    monitor.setFileChooser([&](QWidget*, const QString& caption, const QString&) {
      asked = caption;
      return folder.filePath("path");
    });
    menuAction(monitor, "Save Picture\u2026")->trigger();
    QCOMPARE(asked, "Save Picture");
    QCOMPARE(QImage(folder.filePath("path.png")).convertToFormat(QImage::Format_RGB32),
             monitor.chart().picture());

    monitor.setFileChooser(
        [&](QWidget*, const QString&, const QString&) { return folder.filePath("no/such.png"); });
    menuAction(monitor, "Save Picture\u2026")->trigger();
    QCOMPARE(messages_.texts, QStringList{QStringLiteral("The picture could not be written to "
                                                         "\"%1\".")
                                              .arg(folder.filePath("no/such.png"))});
  }

  void theMainScreenOpensBothMonitorsOnceAfterItsMessage() {
    utility::MainScreen screen(state_, errors_);
    state_.currentBoard = 2;  // as the board selection leaves it
    screen.button("Profile Monitor")->click();
    QCOMPARE(messages_.texts, QStringList{"These two monitor chart is for reference only"});
    const QPointer<ProfileMonitor> profile = screen.profileMonitor();
    const QPointer<utility::SpeedMonitor> speed = screen.speedMonitor();
    QVERIFY(profile && profile->isVisible());
    QVERIFY(speed && speed->isVisible());
    screen.button("Profile Monitor")->click();
    QCOMPARE(messages_.texts.size(), 2);
    QCOMPARE(screen.profileMonitor(), profile.data());
    QCOMPARE(screen.speedMonitor(), speed.data());
    control(*profile, "Exit")->click();
    QVERIFY(!screen.profileMonitor());
    QVERIFY(!profile->sampling());
    QTRY_VERIFY(!profile);
    QVERIFY(speed->isVisible());
    // Closing the main screen closes the other.
    screen.close();
    QVERIFY(!screen.speedMonitor());
    QVERIFY(!speed->sampling());
    QTRY_VERIFY(!speed);
  }
};

M716_REGISTER_QT_TEST(ProfileMonitorTest);

}  // namespace m716::test

#include "profile_monitor_test.moc"
