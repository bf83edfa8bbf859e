#pragma once
// Where the profile and speed monitors draw, as plain functions of the plot's client size (W, H)
// and the range shown: the scales, the pixel a sample lands on, the grid lines and the place of
// every label. Nothing here draws or needs a window.
//
// Scales are kept in single precision, as the charts keep them; a sample is mapped by forming
// its product with the stored scale in double precision and truncating toward zero, so a scale
// that single precision cannot hold exactly (0.0004) can lose a pixel. Points are 64-bit: a
// sample far outside the range lands far outside the plot, and `visiblePart` cuts a segment to
// what can be drawn.
//
// Concurrency: pure functions; any thread.

#include <QLine>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace m716::utility {

// The profile monitor's range in pulses: horizontal and vertical axis.
struct ProfileRange {
  std::int32_t hMax = 200000;
  std::int32_t hMin = -200000;
  std::int32_t vMax = 200000;
  std::int32_t vMin = -200000;
};
// Pixels per pulse.
struct ProfileScales {
  float horizontal = 0;
  float vertical = 0;
};
// The speed monitor's range: speeds in pulses per second, times in seconds.
struct SpeedRange {
  std::int32_t speedMax = 8000;
  std::int32_t speedMin = 0;
  std::int32_t timeMax = 60;
  std::int32_t timeMin = 0;
};
// Pixels per millisecond and pixels per pulse per second.
struct SpeedScales {
  float time = 0;
  float speed = 0;
};

struct PlotPoint {
  std::int64_t x = 0;
  std::int64_t y = 0;
};

// A text whose top left corner is at `at`; a caption names an axis, the other labels are
// numbers.
struct Label {
  QPoint at;
  QString text;
  bool caption = false;
};

// What a text covers when drawn with its top left corner at (0, 0).
using TextBox = std::function<QRect(const QString&)>;

struct Grid {
  std::vector<QLine> dashed;
  std::vector<QLine> solid;
  std::vector<Label> labels;
};

// A letter and the line drawn in one axis's colour on the speed monitor's legend strip.
struct LegendEntry {
  QPoint letterAt;
  QLine line;
};

// Both scales of the profile range; neither maximum may equal its minimum.
ProfileScales profileScales(QSize plot, const ProfileRange& range);
PlotPoint profilePoint(QSize plot, const ProfileRange& range, ProfileScales scales, std::int32_t h,
                       std::int32_t v);
Grid profileGrid(QSize plot, const ProfileRange& range);

// "Time Max" as "Set" takes it: a multiple of 5, rounded down, and at least 5.
std::int32_t roundedTimeMax(std::int32_t timeMax);
// Both scales of the speed range; "Speed Max" may not equal "Speed Min", nor "Time Max" "Time Min".
SpeedScales speedScales(QSize plot, const SpeedRange& range);
// The column of a tick `elapsed` milliseconds after the chart's start tick (the counts wrap).
std::int64_t speedX(const SpeedRange& range, SpeedScales scales, std::uint32_t elapsed);
// The row of a speed; a speed below "Speed Min" lies below the plot, at H + 50.
std::int64_t speedY(QSize plot, const SpeedRange& range, SpeedScales scales, std::int32_t speed);
// Whether the time range is used up `elapsed` milliseconds after the start tick (in whole seconds
// past "Time Max" − "Time Min"), so the chart starts again.
bool speedTimeRangeFull(const SpeedRange& range, std::uint32_t elapsed);
Grid speedGrid(QSize plot, const SpeedRange& range);
// The legend entries of X, Y, Z and U on a strip of the given size.
std::array<LegendEntry, 4> speedLegend(QSize strip);

// The grid as it can be drawn on the plot: every label inside the plot and clear of the others
// and of the grid lines. A label that would reach past an edge moves back inside; a number
// that would still touch a caption or a number kept before it is left out (the labels are
// thinned); grid lines leave a gap where a label lies. Labels with room keep their places.
Grid fitLabels(Grid grid, QSize plot, const TextBox& box);

// Where a range is drawn: the part of the plot its mapping covers, one pixel inside the plot's
// edges (the profile's range reaches past the right edge). Curves are cut to it, so a sample
// outside the range draws its curve only to where it leaves the range, never over the labels
// and captions nor along the plot's frame.
QRect profileArea(QSize plot);
QRect speedArea(QSize plot);

// The part of the segment from `from` to `to` that lies in `bounds`, in pixels; nothing when
// the segment misses them. A segment inside them comes back unchanged.
std::optional<QLine> visiblePart(PlotPoint from, PlotPoint to, QRect bounds);

}  // namespace m716::utility
