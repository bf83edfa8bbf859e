#pragma once
// The speed parameter model: the speed multiplier that scales an axis's or the interpolation
// group's speeds into chip values, the range that goes with it, and the limits within which a
// value fits the chip register it is loaded into.
//
// Concurrency: for one board from one thread at a time.

#include <cstdint>

#include "device/board_table.h"
#include "device/chip.h"

namespace m716 {

constexpr double kMaxAxisMultiplier = 500;
constexpr double kMinInterpolationMultiplier = 2;
constexpr double kMaxInterpolationMultiplier = 288;

// The smallest multiplier (at least 1, not rounded) with which the speeds, the acceleration
// and the jerk fit their chip registers.
double candidateMultiplier(std::uint32_t sv, std::uint32_t dv, std::uint32_t mdv,
                           std::uint32_t ac, std::uint32_t ak);

// The range that goes with a multiplier: trunc(8 000 000 / multiplier).
std::uint32_t rangeFor(double multiplier);

// Derives the interpolation group's multiplier and range from its stored speeds, as accepting
// the set would, so the configured speeds are the ones that run. Values stored outside what
// the chip can take are brought to the nearest multiplier it can.
void deriveInterpolationScale(InterpolationSet& set);

// Where a value stands against the chip register it is loaded into, at multiplier m.
enum class Fit { fits, below, above };
// SV, DV, MDV: m .. 8000 m pps.
Fit speedFit(std::uint32_t speed, double m);
// AC, DC: 125 m .. 1 000 000 m pps/s.
Fit accelerationFit(std::uint32_t acceleration, double m);
// AK: 954 m .. 62 500 000 pps/s² (above that the jerk register would be 0).
Fit jerkFit(std::uint32_t jerk, double m);

// 0 when the value fits, else the code for below or above.
constexpr std::uint32_t fitError(Fit fit, std::uint32_t below, std::uint32_t above) {
  return fit == Fit::fits ? 0 : fit == Fit::below ? below : above;
}

// 0 when a drive of the axis can load `speeds` with its range and multiplier (and, for an
// S-curve axis, the jerk), else the code of the first value that does not fit: range 7 / 8,
// SV 9 / 10, DV 12 / 13, AC 14 / 15, AK 16 / 17.
std::uint32_t checkDriveSpeeds(const AxisRecord& axis, const ConfiguredSpeeds& speeds);

// The speeds a drive loads from the working set.
inline ConfiguredSpeeds workingSpeeds(const AxisRecord& axis) {
  return {axis.sv, axis.dv, axis.ac, axis.ak};
}

inline bool isSCurve(const AxisRecord& axis) { return (axis.wr3 & chip::kSCurveBit) != 0; }

}  // namespace m716
