#pragma once
// The geometry of a drive: where each of its axes stands, in whole pulses from where the drive
// began, at each position along its path. A single axis outputs its k-th pulse when the
// distance reaches k; interpolated axes stand at the whole pulse nearest to the true line or
// arc. A line reaches its finish point exactly at its end; an arc ends where the chip's end
// test stops it, which for a finish point on its circle is that point.
//
// Interpolation steps are the chip's count for the deceleration point: one per pulse of the
// axis that moves fastest at that point of the path (on an arc, the major axis of its octant),
// so a full circle of radius r takes 4·√2·r steps.
//
// Concurrency: immutable after construction.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace m716::sim {

inline constexpr std::size_t kMaxPathAxes = 3;
using Offsets = std::array<std::int64_t, kMaxPathAxes>;

class Path {
 public:
  virtual ~Path() = default;

  virtual std::size_t axisCount() const = 0;
  // Path length in pulses; kForever for a continuous drive.
  virtual double length() const = 0;
  virtual Offsets offsetsAt(double position) const = 0;
  // The first position after `from` at which axis `slot`'s offset moves between boundary - 1
  // and boundary (either way); kForever if it does not before the end.
  virtual double reach(std::size_t slot, std::int64_t boundary, double from) const = 0;
  // Which way axis `slot` moves at `position`: 1, -1, or 0 while it stands still.
  virtual int direction(std::size_t slot, double position) const = 0;
  // The axis's share of the path speed at `position`.
  virtual double speedShare(std::size_t slot, double position) const = 0;
  virtual double stepsAt(double position) const = 0;
  virtual double positionAtSteps(double steps) const = 0;
};

// One axis moving `pulses` (kForever: until stopped) in `direction` (1 or -1).
std::unique_ptr<Path> axisPath(int direction, double pulses);
// A straight line to `finish` through two or three axes.
std::unique_ptr<Path> linePath(const Offsets& finish, std::size_t axisCount);
// An arc on two axes around `center` towards `finish` (both relative to the start), ending on
// the circle in the finish point's octant; a finish equal to the start makes a full circle, a
// center on the start a path of no length.
std::unique_ptr<Path> arcPath(std::int64_t center1, std::int64_t center2, std::int64_t finish1,
                              std::int64_t finish2, bool clockwise);

}  // namespace m716::sim
