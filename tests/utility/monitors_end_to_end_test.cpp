// The monitors on the real library and the simulated board, with the board's clock frozen and
// moved by the test: a move started from the operation screen, sampled every 50 ms of
// simulated time, shows its path on the profile monitor and its speed profile on the speed
// monitor.

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <memory>

#include "KRVM716.h"
#include "captured_messages.h"
#include "library/installed_board.h"
#include "m716sim.h"
#include "monitor_pictures.h"
#include "number_field.h"
#include "operation_screen.h"
#include "profile_monitor.h"
#include "qt_test_main.h"
#include "screen_probe.h"
#include "speed_monitor.h"

namespace m716::test {

class MonitorsEndToEndTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TempRegistry> store_;
  CapturedMessages messages_;
  utility::ErrorPresenter errors_{messages_};
  utility::ProgramState state_;
  std::uint32_t now_ = 0;

  template <typename Screen>
  static void edit(const Screen& screen, const char* name, const QString& text) {
    screen.template findChild<utility::NumberField*>(name)->setText(text);
  }
  // Starts the move the operation screen is set up for and samples every 50 ms until it ends.
  void runAndSample(utility::OperationScreen& panel, const std::function<void()>& sample) {
    control<QPushButton>(panel, "Start")->click();
    QVERIFY(M716MotAxisBusy(0, 3) != 0);
    for (int step = 0; step < 400 && M716MotAxisBusy(0, 3) != 0; ++step) {
      M716SimAdvance(0.05);
      now_ += 50;
      sample();
    }
    QCOMPARE(M716MotAxisBusy(0, 3), 0u);
    sample();
  }

 private slots:
  void init() {
    store_ = std::make_unique<TempRegistry>();
    installBoard(0);
    M716SimReload();
    M716SimSetSpeedFactor(20);
    QCOMPARE(M716MotDevOpen(0), 0u);
    M716SimSetSpeedFactor(0);
    messages_ = CapturedMessages{};
    state_ = utility::ProgramState{0, true};
    now_ = 0;
  }
  void cleanup() {
    M716SimSetSpeedFactor(20);
    M716MotDevClose(0);
    store_.reset();
  }

  void aLineShowsItsPathOnTheProfileMonitor() {
    utility::ProfileMonitor profile(state_, errors_);
    for (const char* field : {"H Axis Max", "V Axis Max"}) edit(profile, field, "10000");
    for (const char* field : {"H Axis Min", "V Axis Min"}) edit(profile, field, "-10000");
    control<QPushButton>(profile, "Set")->click();
    utility::OperationScreen panel(state_, errors_);
    for (const char* axis : {"X Axis", "Y Axis"}) control<QCheckBox>(panel, axis)->setChecked(true);
    control<QRadioButton>(panel, "Line Profile Drive")->setChecked(true);
    runAndSample(panel, [&] { profile.sample(); });
    QCOMPARE(profile.chart().previous().h, 6000);
    QCOMPARE(profile.chart().previous().v, 6000);

    const utility::ProfileChart& chart = profile.chart();
    const auto at = [&](std::int32_t h, std::int32_t v) {
      const auto point =
          utility::profilePoint(chart.picture().size(), chart.range(), chart.scales(), h, v);
      return QPoint(static_cast<int>(point.x), static_cast<int>(point.y));
    };
    // Black along the line from the origin to (6000, 6000), and not along its mirror image.
    int onPath = 0, onMirror = 0;
    for (int k = 1; k < 20; ++k) {
      onPath += colourNear(chart.picture(), at(300 * k, 300 * k), Qt::black);
      onMirror += colourNear(chart.picture(), at(300 * k, -300 * k), Qt::black);
    }
    QCOMPARE(onPath, 19);
    QVERIFY2(onMirror < 5, qPrintable(QString::number(onMirror)));
    QCOMPARE(messages_.texts, QStringList{});
  }

  void aPointToPointDriveShowsItsTrapezoidOnTheSpeedMonitor() {
    utility::SpeedMonitor speed(state_, errors_, nullptr, [this] { return now_; });
    edit(speed, "Time Max", "5");
    control<QPushButton>(speed, "Set")->click();
    utility::OperationScreen panel(state_, errors_);
    control<QCheckBox>(panel, "X Axis")->setChecked(true);
    edit(panel, "End Position X", "20000");
    runAndSample(panel, [&] { speed.sample(); });
    QCOMPARE(M716SimMachinePosition(0x300, 1), 20000);

    // Red rises from the bottom row to the row of 6000 pps, runs along it and falls back.
    const utility::SpeedChart& chart = speed.chart();
    const QImage& picture = chart.picture();
    const auto row = [&](std::int32_t pps) {
      return static_cast<int>(utility::speedY(picture.size(), chart.range(), chart.scales(), pps));
    };
    const auto redColumns = [&](int y) {
      std::vector<int> columns;
      for (int x = 0; x < picture.width(); ++x)
        if (picture.pixelColor(x, y) == Qt::red) columns.push_back(x);
      return columns;
    };
    const std::vector<int> top = redColumns(row(6000)), middle = redColumns(row(3000));
    QVERIFY2(top.size() > 200, qPrintable(QString::number(top.size())));
    QVERIFY(middle.size() >= 2);
    QVERIFY(middle.front() < top.front());
    QVERIFY(middle.back() > top.back());
    QCOMPARE(chart.previousSpeeds(), (utility::AxisSpeeds{0, 0, 0, 0}));
    QCOMPARE(messages_.texts, QStringList{});
  }
};

M716_REGISTER_QT_TEST(MonitorsEndToEndTest);

}  // namespace m716::test

#include "monitors_end_to_end_test.moc"
