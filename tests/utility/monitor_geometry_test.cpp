// Where the monitors draw, without a window: scales, mappings, grids, labels and the legend;
// and where a chart's curves end.

#include "monitor_geometry.h"

#include <QtTest>
#include <limits>

#include "monitor_charts.h"

Q_DECLARE_METATYPE(m716::utility::Grid)

#include "qt_test_main.h"

namespace m716::test {

using namespace utility;

class MonitorGeometryTest : public QObject {
  Q_OBJECT

  static QStringList texts(const Grid& grid, int x) {
    QStringList found;
    for (const Label& label : grid.labels)
      if (label.at.x() == x) found << label.text;
    return found;
  }

 private slots:
  void profileMapping_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("position");
    QTest::addColumn<qint64>("x");
    QTest::newRow("240 wide, H Axis Min") << 240 << -200000 << qint64{50};
    QTest::newRow("240 wide, 0") << 240 << 0 << qint64{150};
    QTest::newRow("240 wide, H Axis Max") << 240 << 200000 << qint64{250};
    // 160 / 400000 is a little below 0.0004 in single precision.
    QTest::newRow("200 wide, 0") << 200 << 0 << qint64{129};
    QTest::newRow("200 wide, H Axis Max lands at W + 10") << 200 << 200000 << qint64{209};
    QTest::newRow("far outside the range")
        << 240 << std::numeric_limits<std::int32_t>::min() << qint64{-1073591};
  }
  void profileMapping() {
    QFETCH(int, width);
    QFETCH(int, position);
    QFETCH(qint64, x);
    const QSize plot(width, 230);
    const ProfileRange range;
    const ProfileScales scales = profileScales(plot, range);
    QCOMPARE(scales.horizontal, static_cast<float>(width - 40) / 400000.0F);
    QCOMPARE(profilePoint(plot, range, scales, position, 0).x, x);
  }

  void profileRowsRunFromTheBottomToVAxisMaxAtTheTop() {
    const QSize plot(240, 230);
    const ProfileRange range;
    const ProfileScales scales = profileScales(plot, range);
    QCOMPARE(profilePoint(plot, range, scales, 0, -200000).y, 200);
    QCOMPARE(profilePoint(plot, range, scales, 0, 0).y, 100);
    QCOMPARE(profilePoint(plot, range, scales, 0, 200000).y, 0);
  }

  void profileGridHasSixVerticalAndFiveHorizontalLabels() {
    const Grid grid = profileGrid(QSize(240, 230), ProfileRange{});
    // Columns every (240 − 80) / 5 = 32 pixels from x = 50, rows every (230 − 60) / 5 = 34
    // pixels up from y = 195.
    QCOMPARE(grid.dashed.size(), std::size_t{12});
    QCOMPARE(grid.dashed[0], QLine(50, 195, 50, 25));
    QCOMPARE(grid.dashed[10], QLine(210, 195, 210, 25));
    QCOMPARE(grid.dashed[11], QLine(50, 25, 210, 25));
    QVERIFY(grid.solid.empty());
    QCOMPARE(texts(grid, 0), (QStringList{"-200000", "-120000", "-40000", "40000", "120000",
                                          "200000", "V axis (pulse)"}));
    QCOMPARE(grid.labels[0].at, QPoint(0, 198));
    QCOMPARE(grid.labels[5].at, QPoint(0, 28));
    QCOMPARE(grid.labels[6].at, QPoint(0, 5));
    QStringList horizontal;
    for (int k = 0; k < 5; ++k) {
      QCOMPARE(grid.labels[7 + k].at, QPoint(50 + 32 * k, 197));
      horizontal << grid.labels[7 + k].text;
    }
    QCOMPARE(horizontal, (QStringList{"-200000", "-120000", "-40000", "40000", "120000"}));
    QCOMPARE(grid.labels.back().at, QPoint(160, 210));
    QCOMPARE(grid.labels.back().text, "H axis (pulse)");
    QCOMPARE(grid.labels.size(), std::size_t{13});
  }

  void theWidestRangeIsLabelledWithoutOverflow() {
    constexpr auto max = std::numeric_limits<std::int32_t>::max();
    constexpr auto min = std::numeric_limits<std::int32_t>::min();
    const Grid grid = profileGrid(QSize(240, 230), ProfileRange{max, min, max, min});
    QCOMPARE(grid.labels[0].text, "-2147483648");
    QCOMPARE(grid.labels[5].text, "2147483647");
    const QSize plot(240, 230);
    const ProfileRange range{max, min, max, min};
    const ProfileScales scales = profileScales(plot, range);
    QCOMPARE(profilePoint(plot, range, scales, max, min).x, 249);
  }

  void theWidestRangesLabelsAreThinnedToFitThePlot_data() {
    constexpr auto max = std::numeric_limits<std::int32_t>::max();
    constexpr auto min = std::numeric_limits<std::int32_t>::min();
    QTest::addColumn<QSize>("plot");
    QTest::addColumn<Grid>("grid");
    const QSize profile(520, 400), speed(600, 300);
    QTest::newRow("profile") << profile << profileGrid(profile, ProfileRange{max, min, max, min});
    QTest::newRow("speed") << speed
                           << utility::speedGrid(speed, SpeedRange{max, min, 2147483645, 0});
  }
  // Every label lies whole inside the plot, clear of the others and of the grid lines; the one
  // left out is the lowest horizontal number, in the corner under the lowest vertical one.
  void theWidestRangesLabelsAreThinnedToFitThePlot() {
    QFETCH(QSize, plot);
    QFETCH(Grid, grid);
    // 7 pixels a character and digits 8 high, as in the charts' font.
    const TextBox box = [](const QString& text) {
      return QRect(1, 2, 7 * static_cast<int>(text.size()) - 1, 8);
    };
    const Grid fitted = fitLabels(grid, plot, box);
    QStringList texts, expected;
    for (const Label& label : grid.labels) expected << label.text;
    expected.removeAt(7);
    std::vector<QRect> inks;
    for (const Label& label : fitted.labels) {
      texts << label.text;
      inks.push_back(box(label.text).translated(label.at));
      QVERIFY2(QRect(QPoint(0, 0), plot).contains(inks.back()), qPrintable(label.text));
    }
    QCOMPARE(texts, expected);
    for (std::size_t one = 0; one < inks.size(); ++one) {
      for (std::size_t other = one + 1; other < inks.size(); ++other)
        QVERIFY(!inks[one].intersects(inks[other]));
      for (const auto* lines : {&fitted.dashed, &fitted.solid})
        for (const QLine& line : *lines)
          QVERIFY(!QRect(line.p1(), line.p2()).normalized().intersects(inks[one]));
    }
  }

  void timeMaxIsRoundedDownToAMultipleOfFive_data() {
    QTest::addColumn<int>("entered");
    QTest::addColumn<int>("taken");
    for (auto [entered, taken] : {std::pair{7, 5}, {23, 20}, {3, 5}, {5, 5}, {60, 60}, {-20, 5}})
      QTest::addRow("%d", entered) << entered << taken;
  }
  void timeMaxIsRoundedDownToAMultipleOfFive() {
    QFETCH(int, entered);
    QFETCH(int, taken);
    QCOMPARE(roundedTimeMax(entered), taken);
  }

  void speedMapping() {
    const QSize plot(600, 300);
    const SpeedRange range;
    const SpeedScales scales = speedScales(plot, range);
    QCOMPARE(scales.time, static_cast<float>(520.0 / 60.0 * static_cast<double>(0.001F)));
    QCOMPARE(speedX(range, scales, 0), 40);
    QCOMPARE(speedX(range, scales, 30000), 300);
    QCOMPARE(speedX(range, scales, 60000), 560);
    QCOMPARE(speedY(plot, range, scales, 0), 255);
    // 240 / 8000 is a little below 0.03 in single precision: 119.99... and 239.99... pixels.
    QCOMPARE(speedY(plot, range, scales, 4000), 136);
    QCOMPARE(speedY(plot, range, scales, 8000), 16);
    // Below "Speed Min": off the bottom of the plot.
    QCOMPARE(speedY(plot, SpeedRange{8000, 100, 60, 0}, scales, 99), 350);
  }

  void theTimeRangeIsFullOnceWholeSecondsExceedIt() {
    const SpeedRange range;
    QVERIFY(!speedTimeRangeFull(range, 60999));
    QVERIFY(speedTimeRangeFull(range, 61000));
    QVERIFY(!speedTimeRangeFull(SpeedRange{8000, 0, 5, 0}, 5999));
    QVERIFY(speedTimeRangeFull(SpeedRange{8000, 0, 5, 0}, 6000));
  }

  void speedGrid() {
    const Grid grid = utility::speedGrid(QSize(600, 300), SpeedRange{});
    // Rows every (300 − 60) / 5 = 48 pixels up from y = 255; ticks every 104 pixels.
    QCOMPARE(grid.dashed.size(), std::size_t{6});
    QCOMPARE(grid.dashed[0], QLine(40, 255, 560, 255));
    QCOMPARE(grid.dashed[5], QLine(40, 15, 560, 15));
    QCOMPARE(grid.solid.size(), std::size_t{6});
    QCOMPARE(grid.solid[0], QLine(40, 255, 40, 15));
    QCOMPARE(grid.solid[1], QLine(144, 255, 144, 249));
    QCOMPARE(grid.solid[5], QLine(560, 255, 560, 249));
    QCOMPARE(texts(grid, 0), (QStringList{"0", "1600", "3200", "4800", "6400", "8000"}));
    QCOMPARE(grid.labels[0].at, QPoint(0, 250));
    QCOMPARE(grid.labels[6].at, QPoint(5, 0));
    QCOMPARE(grid.labels[6].text, "Speed Axis (pulse per second)");
    for (int k = 0; k <= 5; ++k) {
      QCOMPARE(grid.labels[7 + k].at, QPoint(40 + 104 * k, 255));
      QCOMPARE(grid.labels[7 + k].text, QString::number(12 * k));
    }
    QCOMPARE(grid.labels.back().at, QPoint(480, 275));
    QCOMPARE(grid.labels.back().text, "Time Axis (second)");
  }

  void legendEntries() {
    const auto legend = speedLegend(QSize(300, 20));
    QCOMPARE(legend[0].letterAt, QPoint(2, 2));
    QCOMPARE(legend[0].line, QLine(10, 10, 60, 10));
    QCOMPARE(legend[1].letterAt, QPoint(70, 2));
    QCOMPARE(legend[1].line, QLine(80, 10, 130, 10));
    QCOMPARE(legend[2].letterAt, QPoint(140, 2));
    QCOMPARE(legend[2].line, QLine(150, 10, 210, 10));
    QCOMPARE(legend[3].letterAt, QPoint(220, 2));
    QCOMPARE(legend[3].line, QLine(230, 10, 290, 10));
  }

  void segmentsAreCutToWhatCanBeDrawn_data() {
    QTest::addColumn<qint64>("toX");
    QTest::addColumn<qint64>("toY");
    QTest::addColumn<QLine>("visible");
    QTest::newRow("inside") << qint64{90} << qint64{40} << QLine(10, 20, 90, 40);
    QTest::newRow("off the right") << qint64{210} << qint64{20} << QLine(10, 20, 100, 20);
    QTest::newRow("far below") << qint64{10} << qint64{4'000'000'000'000} << QLine(10, 20, 10, 100);
    QTest::newRow("far off diagonally")
        << qint64{-4'000'000'000'000'000'000} << qint64{-4'000'000'000'000'000'000}
        << QLine(10, 20, 0, 10);
  }
  void segmentsAreCutToWhatCanBeDrawn() {
    QFETCH(qint64, toX);
    QFETCH(qint64, toY);
    QFETCH(QLine, visible);
    QCOMPARE(visiblePart({10, 20}, {toX, toY}, QRect(0, 0, 101, 101)), std::optional(visible));
  }

  // A sample beyond the range draws the same picture as one where the curve leaves the range.
  void aCurveEndsWhereItLeavesTheRange_data() {
    QTest::addColumn<bool>("profile");
    QTest::addColumn<QPoint>("beyond");  // (h, v), or (tick, X speed)
    QTest::addColumn<QPoint>("edge");
    QTest::newRow("left of H Axis Min") << true << QPoint(-400000, 0) << QPoint(-200000, 0);
    QTest::newRow("below V Axis Min") << true << QPoint(0, -400000) << QPoint(0, -200000);
    QTest::newRow("above Speed Max") << false << QPoint(0, 9000) << QPoint(0, 3840);
  }
  void aCurveEndsWhereItLeavesTheRange() {
    QFETCH(bool, profile);
    QFETCH(QPoint, beyond);
    QFETCH(QPoint, edge);
    const auto drawTo = [profile](QPoint sample) {
      if (profile) {
        ProfileChart chart(QSize(520, 400));
        chart.drawTo({sample.x(), sample.y()});
        return chart.picture();
      }
      SpeedChart chart(QSize(600, 300), QSize(360, 20), 0);
      chart.setRange({3840, 0, 60, 0});  // 240 / 3840 pixels per pulse per second, exactly
      chart.drawTo(static_cast<std::uint32_t>(sample.x()), {sample.y(), 0, 0, 0});
      return chart.picture();
    };
    QCOMPARE(drawTo(beyond), drawTo(edge));
  }

  void aSegmentOutsideIsNotDrawn() {
    QCOMPARE(visiblePart({200, 20}, {300, 400}, QRect(0, 0, 101, 101)), std::nullopt);
    QCOMPARE(visiblePart({-5, -5}, {-5, 400}, QRect(0, 0, 101, 101)), std::nullopt);
  }
};

M716_REGISTER_QT_TEST(MonitorGeometryTest);

}  // namespace m716::test

#include "monitor_geometry_test.moc"
