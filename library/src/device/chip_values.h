#pragma once
// The chip's units and the values the library loads into it. A speed register value v runs at
// v × 8 000 000 / range pps: the speed multiplier M = 8 000 000 / range scales an axis's (or
// the interpolation group's) speeds into register values. Accelerations count in units of
// 125 M pps/s, the jerk register K gives 62 500 000 M / K pps/s².
//
// Concurrency: pure functions, callable from any thread.

#include <cstdint>

#include "device/board_table.h"
#include "m716/board/registers.h"

namespace m716 {

constexpr double kReferenceRate = 8'000'000;      // pps of one speed unit at range 1
constexpr double kSpeedTop = chip::kSpeedMax;     // speed registers: 1..8000 units
constexpr std::uint32_t kAccelerationStep = 125;  // pps/s of one acceleration unit at M = 1
constexpr double kAccelerationTop = kAccelerationStep * chip::kAccelerationMax;  // 1 000 000
constexpr double kDecelerationStep = kAccelerationTop;  // DC per unit of multiplier it needs
constexpr std::uint32_t kJerkRate = 62'500'000;         // pps/s² of jerk register 1 at M = 1
constexpr std::uint32_t kJerkFloor = 954;               // 62 500 000 / 954 = 65 513 units
constexpr std::uint32_t kMaxSpeed = 4'000'000;          // the fastest speed any setter accepts

constexpr double kMaxAxisMultiplier = 500;
constexpr double kMinInterpolationMultiplier = 2;
constexpr double kMaxInterpolationMultiplier = 288;

// The speed multiplier of a range: 8 000 000 / range exactly.
constexpr double multiplierFor(std::uint32_t range) {
  return kReferenceRate / range;
}
// The range that goes with a multiplier: trunc(8 000 000 / multiplier).
std::uint32_t rangeFor(double multiplier);

// The smallest multiplier (at least 1, not rounded) with which the speeds, the acceleration
// and the jerk fit their chip registers.
double candidateMultiplier(std::uint32_t sv, std::uint32_t dv, std::uint32_t mdv, std::uint32_t ac,
                           std::uint32_t ak);

// Derives the interpolation group's multiplier and range from its stored speeds, as accepting
// the set would, so the configured speeds are the ones that run. Values stored outside what
// the chip can take are brought to the nearest multiplier it can.
void deriveInterpolationScale(InterpolationSet& set);

// Chip register values, clamped into the register's range.
std::uint32_t speedRegister(std::uint32_t speed, double multiplier);
std::uint32_t accelerationRegister(std::uint32_t ac, double multiplier);
std::uint32_t decelerationRegister(std::uint32_t dc, double multiplier);
// A jerk of 0 (only possible from stored parameters) loads the slowest jerk.
std::uint32_t jerkRegister(std::uint32_t ak, double multiplier);
// The interpolation group's acceleration and deceleration registers: trunc(value / (125 M)),
// scaled in one division (an axis's own registers count whole units at M = 1 first).
std::uint32_t pathAccelerationRegister(std::uint32_t ac, double multiplier);
std::uint32_t pathDecelerationRegister(std::uint32_t dc, double multiplier);
// A value in (0, 2^32) truncated toward zero; below the range its low end, above its high end.
std::uint32_t clampTo(double value, std::uint32_t low, std::uint32_t high);

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

// 0 when SV, DV and AC fit their registers at multiplier m, else the code of the first that
// does not: SV 9 / 10, DV 12 / 13, AC 14 / 15.
std::uint32_t checkSpeedsFit(const ConfiguredSpeeds& speeds, double m);
// 0 when AK fits the jerk register at multiplier m, else 16 / 17.
std::uint32_t checkJerkFits(std::uint32_t ak, double m);

// 0 when a drive of the axis can load `speeds` with its range and multiplier (and, for an
// S-curve axis, the jerk), else the code of the first value that does not fit: range 7 / 8,
// SV 9 / 10, DV 12 / 13, AC 14 / 15, AK 16 / 17.
std::uint32_t checkDriveSpeeds(const AxisRecord& axis, const ConfiguredSpeeds& speeds);

// The speeds a drive loads from the working set.
inline ConfiguredSpeeds workingSpeeds(const AxisRecord& axis) {
  return {axis.sv, axis.dv, axis.ac, axis.ak};
}

inline bool isSCurve(const AxisRecord& axis) {
  return (axis.wr3 & chip::wr3::SCurve) != 0;
}

}  // namespace m716
