#include "monitor_geometry.h"

#include <algorithm>
#include <cmath>

namespace m716::utility {
namespace {

constexpr int kSteps = 5;
// The speed monitor's time scale is formed with the single-precision factor 0.001.
constexpr float kPerMillisecond = 0.001F;
// Far enough outside any plot that the conversion to 64 bits is always defined.
constexpr double kFarAway = 4.0e18;

// A product of a count and a stored scale, in double precision, truncated toward zero.
std::int64_t scaled(std::int64_t count, float scale) {
  const double product = static_cast<double>(count) * static_cast<double>(scale);
  return static_cast<std::int64_t>(std::clamp(std::trunc(product), -kFarAway, kFarAway));
}

float ratio(int pixels, std::int64_t span) {
  return static_cast<float>(static_cast<double>(pixels) / static_cast<double>(span));
}

QString number(std::int64_t value) {
  return QString::number(value);
}

}  // namespace

ProfileScales profileScales(QSize plot, const ProfileRange& range) {
  return {ratio(plot.width() - 40, std::int64_t{range.hMax} - range.hMin),
          ratio(plot.height() - 30, std::int64_t{range.vMax} - range.vMin)};
}

PlotPoint profilePoint(QSize plot, const ProfileRange& range, ProfileScales scales, std::int32_t h,
                       std::int32_t v) {
  return {50 + scaled(std::int64_t{h} - range.hMin, scales.horizontal),
          plot.height() - 30 - scaled(std::int64_t{v} - range.vMin, scales.vertical)};
}

Grid profileGrid(QSize plot, const ProfileRange& range) {
  const int w = plot.width(), h = plot.height();
  const int column = (w - 80) / kSteps, row = (h - 60) / kSteps;
  Grid grid;
  for (int k = 0; k <= kSteps; ++k) {
    grid.dashed.emplace_back(50 + k * column, h - 35, 50 + k * column, 25);
    grid.dashed.emplace_back(50, h - 35 - k * row, w - 30, h - 35 - k * row);
  }
  const std::int64_t vStep = (std::int64_t{range.vMax} - range.vMin) / kSteps;
  for (int k = 0; k <= kSteps; ++k)
    grid.labels.push_back({QPoint(0, h - 32 - k * row), number(range.vMin + k * vStep)});
  grid.labels.push_back({QPoint(0, 5), QStringLiteral("V axis (pulse)"), true});
  // The rightmost column has no label.
  const std::int64_t hStep = (std::int64_t{range.hMax} - range.hMin) / kSteps;
  for (int k = 0; k < kSteps; ++k)
    grid.labels.push_back({QPoint(50 + k * column, h - 33), number(range.hMin + k * hStep)});
  grid.labels.push_back({QPoint(w - 80, h - 20), QStringLiteral("H axis (pulse)"), true});
  return grid;
}

std::int32_t roundedTimeMax(std::int32_t timeMax) {
  return timeMax < 5 ? 5 : timeMax - timeMax % 5;
}

SpeedScales speedScales(QSize plot, const SpeedRange& range) {
  const double perSecond = static_cast<double>(plot.width() - 80) /
                           static_cast<double>(std::int64_t{range.timeMax} - range.timeMin);
  return {static_cast<float>(perSecond * static_cast<double>(kPerMillisecond)),
          ratio(plot.height() - 60, std::int64_t{range.speedMax} - range.speedMin)};
}

std::int64_t speedX(const SpeedRange& range, SpeedScales scales, std::uint32_t elapsed) {
  const std::uint32_t sinceMin = elapsed - static_cast<std::uint32_t>(range.timeMin);
  return 40 + scaled(sinceMin, scales.time);
}

std::int64_t speedY(QSize plot, const SpeedRange& range, SpeedScales scales, std::int32_t speed) {
  const std::int64_t aboveMin = std::int64_t{speed} - range.speedMin;
  if (aboveMin < 0) return plot.height() + 50;
  return plot.height() - 45 - scaled(aboveMin, scales.speed);
}

bool speedTimeRangeFull(const SpeedRange& range, std::uint32_t elapsed) {
  return elapsed / 1000 > std::int64_t{range.timeMax} - range.timeMin;
}

Grid speedGrid(QSize plot, const SpeedRange& range) {
  const int w = plot.width(), h = plot.height();
  const int row = (h - 60) / kSteps, column = (w - 80) / kSteps;
  Grid grid;
  for (int k = 0; k <= kSteps; ++k)
    grid.dashed.emplace_back(40, h - 45 - k * row, w - 40, h - 45 - k * row);
  grid.solid.emplace_back(40, h - 45, 40, 15);
  for (int k = 1; k <= kSteps; ++k)
    grid.solid.emplace_back(40 + k * column, h - 45, 40 + k * column, h - 51);
  const std::int64_t speedStep = (std::int64_t{range.speedMax} - range.speedMin) / kSteps;
  for (int k = 0; k <= kSteps; ++k)
    grid.labels.push_back({QPoint(0, h - 50 - k * row), number(range.speedMin + k * speedStep)});
  grid.labels.push_back({QPoint(5, 0), QStringLiteral("Speed Axis (pulse per second)"), true});
  const std::int64_t timeStep = (std::int64_t{range.timeMax} - range.timeMin) / kSteps;
  for (int k = 0; k <= kSteps; ++k)
    grid.labels.push_back({QPoint(40 + k * column, h - 45), number(range.timeMin + k * timeStep)});
  grid.labels.push_back({QPoint(w - 120, h - 25), QStringLiteral("Time Axis (second)"), true});
  return grid;
}

std::array<LegendEntry, 4> speedLegend(QSize strip) {
  const int a = strip.width() / 5, m = strip.height() / 2;
  return {{{QPoint(2, 2), QLine(10, m, a, m)},
           {QPoint(a + 10, 2), QLine(a + 20, m, 2 * a + 10, m)},
           {QPoint(2 * a + 20, 2), QLine(2 * a + 30, m, 3 * a + 30, m)},
           {QPoint(3 * a + 40, 2), QLine(3 * a + 50, m, 4 * a + 50, m)}}};
}

namespace {

// Pixels a grid line keeps clear round a label's text.
constexpr int kClearance = 1;

// The label moved back inside the plot where its text would reach past an edge.
void moveInside(Label& label, QSize plot, const QRect& box) {
  label.at += QPoint(std::max(0, -box.left()) - std::max(0, box.right() - (plot.width() - 1)),
                     std::max(0, -box.top()) - std::max(0, box.bottom() - (plot.height() - 1)));
}

// The parts of a row or column line that lie outside `box`, from their lower ends up.
std::vector<QLine> outside(QLine line, const QRect& box) {
  const QRect span = QRect(line.p1(), line.p2()).normalized();
  if (!span.intersects(box) || (span.width() > 1 && span.height() > 1)) return {line};
  std::vector<QLine> parts;
  if (span.height() == 1) {
    if (span.left() < box.left())
      parts.emplace_back(span.left(), span.y(), box.left() - 1, span.y());
    if (box.right() < span.right())
      parts.emplace_back(box.right() + 1, span.y(), span.right(), span.y());
  } else {
    if (span.top() < box.top()) parts.emplace_back(span.x(), span.top(), span.x(), box.top() - 1);
    if (box.bottom() < span.bottom())
      parts.emplace_back(span.x(), box.bottom() + 1, span.x(), span.bottom());
  }
  return parts;
}

void cutAround(std::vector<QLine>& lines, const QRect& box) {
  std::vector<QLine> parts;
  for (const QLine& line : lines)
    for (const QLine& part : outside(line, box)) parts.push_back(part);
  lines = std::move(parts);
}

}  // namespace

Grid fitLabels(Grid grid, QSize plot, const TextBox& box) {
  const QRect picture(QPoint(0, 0), plot);
  std::vector<QRect> taken;
  std::vector<bool> kept(grid.labels.size(), false);
  // The captions first: the numbers give way to them.
  for (const bool captions : {true, false})
    for (std::size_t index = 0; index < grid.labels.size(); ++index) {
      Label& label = grid.labels[index];
      if (label.caption != captions) continue;
      moveInside(label, plot, box(label.text).translated(label.at));
      const QRect ink = box(label.text).translated(label.at);
      kept[index] = picture.contains(ink) &&
                    std::none_of(taken.begin(), taken.end(),
                                 [&](const QRect& other) { return other.intersects(ink); });
      if (kept[index]) taken.push_back(ink);
    }
  std::vector<Label> labels;
  for (std::size_t index = 0; index < grid.labels.size(); ++index)
    if (kept[index]) labels.push_back(grid.labels[index]);
  grid.labels = std::move(labels);
  for (const QRect& ink : taken) {
    const QRect room = ink.adjusted(-kClearance, -kClearance, kClearance, kClearance);
    cutAround(grid.dashed, room);
    cutAround(grid.solid, room);
  }
  return grid;
}

QRect profileArea(QSize plot) {
  // H Axis Min maps to x = 50 and V Axis Min to y = H − 30. H Axis Max (W + 10) and V Axis Max
  // (y = 0) lie on or past the plot's edge: there the path keeps one pixel off the frame.
  return {QPoint(50, 1), QPoint(plot.width() - 2, plot.height() - 30)};
}

QRect speedArea(QSize plot) {
  // Time Min maps to x = 40 and Time Max to W − 40; Speed Max to y = 15, Speed Min to H − 45.
  return {QPoint(40, 15), QPoint(plot.width() - 40, plot.height() - 45)};
}

std::optional<QLine> visiblePart(PlotPoint from, PlotPoint to, QRect bounds) {
  const auto inside = [&](PlotPoint p) {
    return p.x >= bounds.left() && p.x <= bounds.right() && p.y >= bounds.top() &&
           p.y <= bounds.bottom();
  };
  const auto pixel = [](PlotPoint p) {
    return QPoint(static_cast<int>(p.x), static_cast<int>(p.y));
  };
  if (inside(from) && inside(to)) return QLine(pixel(from), pixel(to));
  // Liang and Barsky: the part 0 <= t0 <= t <= t1 <= 1 of from + t (to − from) inside bounds.
  const double x0 = static_cast<double>(from.x), y0 = static_cast<double>(from.y);
  const double dx = static_cast<double>(to.x) - x0, dy = static_cast<double>(to.y) - y0;
  double t0 = 0, t1 = 1;
  const auto within = [&](double p, double q) {  // keeps the t with p t <= q
    if (p == 0) return q >= 0;
    const double t = q / p;
    if (p < 0) t0 = std::max(t0, t);
    if (p > 0) t1 = std::min(t1, t);
    return t0 <= t1;
  };
  if (!within(-dx, x0 - bounds.left()) || !within(dx, bounds.right() - x0) ||
      !within(-dy, y0 - bounds.top()) || !within(dy, bounds.bottom() - y0))
    return std::nullopt;
  const auto at = [&](double t) {
    if (t == 0) return pixel(from);
    if (t == 1) return pixel(to);
    return QPoint(static_cast<int>(std::lround(x0 + t * dx)),
                  static_cast<int>(std::lround(y0 + t * dy)));
  };
  return QLine(at(t0), at(t1));
}

}  // namespace m716::utility
