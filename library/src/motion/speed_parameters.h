#pragma once
// The speed parameter model: the speed multiplier that scales an axis's or the interpolation
// group's speeds into chip values, and the range that goes with it.

#include <cstdint>

#include "device/board_table.h"

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

}  // namespace m716
