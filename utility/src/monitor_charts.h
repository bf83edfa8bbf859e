#pragma once
// The pictures of the two monitors. Each chart draws into a picture that accumulates line
// segments from one sample to the next and keeps no list of samples: what it holds between
// samples is its range, its scales and the previous sample. The screens show the pictures and
// feed the charts with what they read from the board.
//
// Pens: grid lines dashed, 1 pixel, black; axis lines, ticks and the profile path solid, 1 pixel,
// black; speed curves solid, 1 pixel, in the axis colours. Texts have their top left corner at
// the label's place (as fitLabels fits them to the plot) and a transparent background; curves
// end where they leave their range's area.
//
// Concurrency: the utility runs on its user-interface thread only.

#include <QColor>
#include <QImage>
#include <array>
#include <cstdint>

#include "monitor_geometry.h"

namespace m716::utility {

// The curve colours of X, Y, Z and U.
inline const std::array<QColor, 4> kAxisColours = {QColor(255, 0, 0), QColor(0, 255, 0),
                                                   QColor(0, 0, 255), QColor(255, 0, 255)};

// A position in the plane of the two axes shown, in pulses.
struct PlanePosition {
  std::int32_t h = 0;
  std::int32_t v = 0;
};

class ProfileChart {
 public:
  // A white picture of the plot's client size with the default range; previous point (0, 0).
  explicit ProfileChart(QSize plot);

  const QImage& picture() const { return picture_; }
  const ProfileRange& range() const { return range_; }
  ProfileScales scales() const { return scales_; }
  PlanePosition previous() const { return previous_; }

  // Holds `range` and its scales; neither maximum may equal its minimum.
  void setRange(const ProfileRange& range);
  void erase();
  void drawGrid();
  // The segment from the previous point to `position`, which becomes the previous point.
  void drawTo(PlanePosition position);
  // The next segment starts at `position`.
  void moveTo(PlanePosition position) { previous_ = position; }

 private:
  QImage picture_;
  ProfileRange range_;
  ProfileScales scales_;
  PlanePosition previous_;
};

using AxisSpeeds = std::array<std::int32_t, 4>;

class SpeedChart {
 public:
  // White pictures of the plot's client size and of the legend strip with the default range;
  // previous speeds 0; start and previous tick `tick`.
  SpeedChart(QSize plot, QSize legend, std::uint32_t tick);

  const QImage& picture() const { return picture_; }
  const QImage& legend() const { return legend_; }
  const SpeedRange& range() const { return range_; }
  SpeedScales scales() const { return scales_; }
  std::uint32_t startTick() const { return start_; }
  const AxisSpeeds& previousSpeeds() const { return previousSpeeds_; }

  // Holds `range` and its scales; "Speed Max" may not equal "Speed Min".
  void setRange(const SpeedRange& range);
  void erase();
  void drawGrid();
  void drawLegend();
  // The time base starts again: start and previous tick become `tick`.
  void restartAt(std::uint32_t tick);
  // Whether the time range is used up at `tick`.
  bool full(std::uint32_t tick) const;
  // Each axis's segment from the previous tick and speed to these, which become the previous.
  void drawTo(std::uint32_t tick, const AxisSpeeds& speeds);

 private:
  QImage picture_;
  QImage legend_;
  SpeedRange range_;
  SpeedScales scales_;
  std::uint32_t start_;
  std::uint32_t previousTick_;
  AxisSpeeds previousSpeeds_{};
};

}  // namespace m716::utility
