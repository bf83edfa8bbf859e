#pragma once
// What every start of an interpolated path (a line, an arc, a circle or a continuous path)
// shares: the test that the chip's interpolator is free, and the loading of the path's axes from
// the board's interpolation speed set. The selected axes, taken in the order X, Y, Z, U, play
// the roles of the path: the first is its main axis, which runs the path's speed profile; each
// role gets its own range (R, R·√2, R·√3 of the group's range R) so that it can follow its share
// of the vector speed.
//
// Concurrency: one board is driven from one thread at a time. The loads write groups of words
// that belong together; the caller holds the board's bus lock across the whole path start.

#include <array>
#include <cstdint>

#include "device/board_table.h"

namespace m716 {

// 0 when no path of the board runs, else 21: the chip's interpolator runs one path at a time,
// and would take another path's command as the next segment of a continuous path, or drop it.
// One read of RR0 (its interpolation flag) and the continuous path's idle flag.
std::uint32_t checkInterpolatorFree(std::uint32_t board);

// A line loads the axes for automatic deceleration at the end; an arc also loads the main
// axis's deceleration and runs every axis with manual deceleration from the deceleration point
// and without S-curve.
enum class PathForm { line, arc };

constexpr std::uint32_t kMaxPathAxes = 3;

// The axes of a path in their roles, main axis first.
struct PathAxes {
  std::array<std::uint32_t, kMaxPathAxes> masks{};
  std::uint32_t count = 0;
};
PathAxes pathAxesOf(std::uint32_t axes);

// The range of the axis in `role` (0 main, 1, 2) of a path at the group's range: trunc(R·√2)
// and trunc(R·√3) for the second and third.
std::uint64_t roleRange(std::uint32_t groupRange, std::uint32_t role);

// 0 when the chip can take every value a path of `count` axes loads from the interpolation set,
// else the code of the first that it cannot: a role's range 7 / 8, SV 9 / 10, DV 12 / 13,
// AC 14 / 15, for arcs a DC other than 0 32 / 31, for S-curve AK 16 / 17.
std::uint32_t checkPathSpeeds(const InterpolationSet& set, std::uint32_t count, PathForm form);

// The WR5 word of the path's axes: each role's axis index and the vector-speed bits.
std::uint16_t interpolationModeWord(const PathAxes& axes);

// Loads the main axis with the group's start speed, drive speed and acceleration (for arcs also
// the deceleration, for S-curve the jerk), and records it as the board's interpolation axis.
// The caller has checked the values (checkPathSpeeds).
void loadPathMainAxis(std::uint32_t board, std::uint32_t axis, PathForm form);

// Loads the role's range, now in force, and WR3: the axis's shadow with the group's S-curve
// selection (arcs: manual and separate deceleration, no S-curve); the shadow stays as it is.
void loadPathAxisRange(std::uint32_t board, std::uint32_t axis, std::uint32_t role, PathForm form);

}  // namespace m716
