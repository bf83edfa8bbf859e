#include "monitor_charts.h"

#include <QFont>
#include <QPainter>
#include <QPen>

#include "program_state.h"

namespace m716::utility {
namespace {

QPen pen(const QColor& colour, Qt::PenStyle style = Qt::SolidLine) {
  QPen onePixel(colour, 1, style);
  onePixel.setCosmetic(true);
  return onePixel;
}

// Texts are redrawn over themselves on every sample: without antialiasing they stay as drawn.
QFont chartFont() {
  QFont font;
  font.setPixelSize(11);
  font.setStyleStrategy(QFont::NoAntialias);
  return font;
}

// What a label's text covers in the charts' font, its top left corner at (0, 0).
QRect inkOf(const QString& text) {
  const QFontMetrics metrics(chartFont());
  return metrics.tightBoundingRect(text).translated(0, metrics.ascent());
}

// A painter without antialiasing: every line is one pixel wide, on whole pixels.
void drawGridOn(QImage& picture, const Grid& planned) {
  const Grid grid = fitLabels(planned, picture.size(), inkOf);
  QPainter painter(&picture);
  painter.setPen(pen(Qt::black, Qt::DashLine));
  painter.drawLines(grid.dashed.data(), static_cast<int>(grid.dashed.size()));
  painter.setPen(pen(Qt::black));
  painter.drawLines(grid.solid.data(), static_cast<int>(grid.solid.size()));
  painter.setFont(chartFont());
  const int ascent = painter.fontMetrics().ascent();
  for (const Label& label : grid.labels) painter.drawText(label.at + QPoint(0, ascent), label.text);
}

// The part of the segment that lies where the range is drawn (cut ends beyond the picture do
// not show).
void drawSegment(QPainter& painter, const QRect& area, PlotPoint from, PlotPoint to) {
  if (const auto line = visiblePart(from, to, area)) painter.drawLine(*line);
}

}  // namespace

ProfileChart::ProfileChart(QSize plot)
    : picture_(plot, QImage::Format_RGB32), scales_(profileScales(plot, range_)) {
  erase();
}

void ProfileChart::setRange(const ProfileRange& range) {
  range_ = range;
  scales_ = profileScales(picture_.size(), range_);
}

void ProfileChart::erase() {
  picture_.fill(Qt::white);
}

void ProfileChart::drawGrid() {
  drawGridOn(picture_, profileGrid(picture_.size(), range_));
}

void ProfileChart::drawTo(PlanePosition position) {
  const QSize plot = picture_.size();
  QPainter painter(&picture_);
  painter.setPen(pen(Qt::black));
  drawSegment(painter, profileArea(plot),
              profilePoint(plot, range_, scales_, previous_.h, previous_.v),
              profilePoint(plot, range_, scales_, position.h, position.v));
  previous_ = position;
}

SpeedChart::SpeedChart(QSize plot, QSize legend, std::uint32_t tick)
    : picture_(plot, QImage::Format_RGB32),
      legend_(legend, QImage::Format_RGB32),
      scales_(speedScales(plot, range_)),
      start_(tick),
      previousTick_(tick) {
  erase();
  legend_.fill(Qt::white);
}

void SpeedChart::setRange(const SpeedRange& range) {
  range_ = range;
  scales_ = speedScales(picture_.size(), range_);
}

void SpeedChart::erase() {
  picture_.fill(Qt::white);
}

void SpeedChart::drawGrid() {
  drawGridOn(picture_, speedGrid(picture_.size(), range_));
}

void SpeedChart::drawLegend() {
  QPainter painter(&legend_);
  painter.setFont(chartFont());
  const int ascent = painter.fontMetrics().ascent();
  const auto entries = speedLegend(legend_.size());
  for (std::size_t axis = 0; axis < entries.size(); ++axis) {
    painter.setPen(pen(kAxisColours[axis]));
    painter.drawText(entries[axis].letterAt + QPoint(0, ascent), QLatin1String(kAxisLetters[axis]));
    painter.drawLine(entries[axis].line);
  }
}

void SpeedChart::restartAt(std::uint32_t tick) {
  start_ = tick;
  previousTick_ = tick;
}

bool SpeedChart::full(std::uint32_t tick) const {
  return speedTimeRangeFull(range_, tick - start_);
}

void SpeedChart::drawTo(std::uint32_t tick, const AxisSpeeds& speeds) {
  const QSize plot = picture_.size();
  const std::int64_t fromX = speedX(range_, scales_, previousTick_ - start_);
  const std::int64_t toX = speedX(range_, scales_, tick - start_);
  QPainter painter(&picture_);
  for (std::size_t axis = 0; axis < speeds.size(); ++axis) {
    painter.setPen(pen(kAxisColours[axis]));
    drawSegment(painter, speedArea(plot),
                {fromX, speedY(plot, range_, scales_, previousSpeeds_[axis])},
                {toX, speedY(plot, range_, scales_, speeds[axis])});
  }
  previousTick_ = tick;
  previousSpeeds_ = speeds;
}

}  // namespace m716::utility
