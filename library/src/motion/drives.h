#pragma once
// Point-to-point and continuous drives of independent axes: the busy test every move runs
// first, and the loading of an axis for a drive.
//
// Concurrency: one board is driven from one thread at a time. A move holds the board's bus
// lock from its busy test to the release that starts its axes, so the interrupt driver never
// comes between its words.

#include <cstdint>

#include "device/board_table.h"

namespace m716 {

// The axes RR0 shows driving.
std::uint32_t drivingAxes(std::uint32_t board);

// The busy test: for the first selected axis (X, Y, Z, U) that is driving (or belongs to a
// running continuous path), in a home search or in external drive mode, 21, 26 or 27; else 0.
std::uint32_t checkAxesFree(std::uint32_t board, std::uint32_t axes);

// Loads one axis for a drive from its working speed set: range (now in force), start speed,
// drive speed, acceleration, WR3 and, for an S-curve axis, the jerk. The caller has checked
// that the values fit (checkDriveSpeeds). The second form loads them from `values`, a copy of
// the axis's record (a home search's own).
void loadAxisForDrive(std::uint32_t board, std::uint32_t axis);
void loadAxisForDrive(std::uint32_t board, std::uint32_t axis, const AxisRecord& values);

}  // namespace m716
