// The chip's units and the values the library loads into it.

#include "device/chip_values.h"

#include <algorithm>

#include "KRVM716.h"

namespace m716 {
namespace {

Fit fitBetween(double value, double low, double high) {
  if (!(value >= low)) return Fit::below;  // also a multiplier never set
  return value > high ? Fit::above : Fit::fits;
}

}  // namespace

std::uint32_t rangeFor(double multiplier) {
  return static_cast<std::uint32_t>(kReferenceRate / multiplier);
}

double candidateMultiplier(std::uint32_t sv, std::uint32_t dv, std::uint32_t mdv, std::uint32_t ac,
                           std::uint32_t ak) {
  return std::max({1.0, dv / kSpeedTop, mdv / kSpeedTop, sv / kSpeedTop, ac / kAccelerationTop,
                   ak / double{kJerkRate}});
}

void deriveInterpolationScale(InterpolationSet& set) {
  const double m = candidateMultiplier(set.sv, set.dv, set.mdv, set.ac, set.ak);
  set.multiplier = std::clamp(m, kMinInterpolationMultiplier, kMaxInterpolationMultiplier);
  set.range = rangeFor(set.multiplier);
}

std::uint32_t clampTo(double value, std::uint32_t low, std::uint32_t high) {
  if (!(value >= low)) return low;  // also NaN
  if (value >= high) return high;
  return static_cast<std::uint32_t>(value);  // truncation toward zero
}

std::uint32_t speedRegister(std::uint32_t speed, double multiplier) {
  return clampTo(speed / multiplier, 0, chip::kSpeedMax);
}

// Accelerations and the jerk are converted the way the board's own software always has: the
// value is first brought to whole chip units at multiplier 1 (an integer division that drops
// the remainder), and only that count is scaled by the multiplier. Stored parameters and
// tests rely on the register values this gives.
std::uint32_t accelerationRegister(std::uint32_t ac, double multiplier) {
  const std::uint32_t units = ac / kAccelerationStep;
  return clampTo(units / multiplier, chip::kAccelerationMin, chip::kAccelerationMax);
}

std::uint32_t decelerationRegister(std::uint32_t dc, double multiplier) {
  const std::uint32_t units = dc / kAccelerationStep;
  return clampTo(units / multiplier, 0, chip::kDecelerationMax);
}

std::uint32_t pathAccelerationRegister(std::uint32_t ac, double multiplier) {
  return clampTo(ac / (kAccelerationStep * multiplier), chip::kAccelerationMin,
                 chip::kAccelerationMax);
}

std::uint32_t pathDecelerationRegister(std::uint32_t dc, double multiplier) {
  return clampTo(dc / (kAccelerationStep * multiplier), 0, chip::kDecelerationMax);
}

std::uint32_t jerkRegister(std::uint32_t ak, double multiplier) {
  if (ak == 0) return chip::kJerkMax;
  const std::uint32_t units = kJerkRate / ak;
  return clampTo(units * multiplier, chip::kJerkMin, chip::kJerkMax);
}

Fit speedFit(std::uint32_t speed, double m) {
  return fitBetween(speed, m, kSpeedTop * m);
}

Fit accelerationFit(std::uint32_t acceleration, double m) {
  return fitBetween(acceleration, kAccelerationStep * m, kAccelerationTop * m);
}

Fit jerkFit(std::uint32_t jerk, double m) {
  return fitBetween(jerk, kJerkFloor * m, kJerkRate);
}

std::uint32_t checkSpeedsFit(const ConfiguredSpeeds& speeds, double m) {
  if (std::uint32_t error = fitError(speedFit(speeds.sv, m), M716_ERR_SV_UNDER, M716_ERR_SV_OVER))
    return error;
  if (std::uint32_t error = fitError(speedFit(speeds.dv, m), M716_ERR_DV_UNDER, M716_ERR_DV_OVER))
    return error;
  return fitError(accelerationFit(speeds.ac, m), M716_ERR_AC_UNDER, M716_ERR_AC_OVER);
}

std::uint32_t checkJerkFits(std::uint32_t ak, double m) {
  return fitError(jerkFit(ak, m), M716_ERR_AK_UNDER, M716_ERR_AK_OVER);
}

std::uint32_t checkDriveSpeeds(const AxisRecord& axis, const ConfiguredSpeeds& speeds) {
  if (axis.rg < chip::kRangeMin) return M716_ERR_RG_UNDER;
  if (axis.rg > chip::kRangeMax) return M716_ERR_RG_OVER;
  if (std::uint32_t error = checkSpeedsFit(speeds, axis.multiplier)) return error;
  if (!isSCurve(axis)) return M716_OK;
  return checkJerkFits(speeds.ak, axis.multiplier);
}

}  // namespace m716
