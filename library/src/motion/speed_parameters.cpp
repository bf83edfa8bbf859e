// The speed parameter model and its setters.

#include "motion/speed_parameters.h"

#include <algorithm>
#include <mutex>

#include "KRVM716.h"
#include "device/arguments.h"
#include "device/chip.h"
#include "device/ports.h"
#include "device/registers.h"
#include "motion/drives.h"

namespace m716 {
namespace {

// Chip register tops and steps, in pulses per second (and its derivatives) at multiplier 1.
constexpr double kSpeedTop = 8000;               // speed registers: 1..8000 units
constexpr double kAccelerationStep = 125;        // one acceleration unit
constexpr double kAccelerationTop = 1'000'000;   // 8000 units of 125
constexpr double kDecelerationStep = 1'000'000;  // DC per unit of multiplier it needs
constexpr double kJerkFloor = 954;               // 62 500 000 / 954 = 65 513 units
constexpr double kJerkTop = 62'500'000;          // the jerk register would be 0 above

// A full speed set as the setters accept it.
struct SpeedSet {
  std::uint32_t sv, dv, mdv, ac, ak;
};

// 0 when the set is accepted, else 23 or 25; `m` receives the multiplier it needs.
std::uint32_t checkSpeedSet(const SpeedSet& set, double& m) {
  if (set.sv > set.dv || set.sv > set.mdv || set.dv > set.mdv) return M716_ERR_PARAMETER_INVALID;
  m = candidateMultiplier(set.sv, set.dv, set.mdv, set.ac, set.ak);
  if (set.sv < m || set.dv < m || set.mdv < m) return M716_ERR_PARAMETER_UNDER;
  if (kAccelerationStep * m > set.ac || kJerkFloor * m > set.ak) return M716_ERR_PARAMETER_UNDER;
  return M716_OK;
}

std::uint32_t acceptGroupSet(InterpolationSet& group, const SpeedSet& set, bool sCurve) {
  double m = 0;
  if (std::uint32_t error = checkSpeedSet(set, m)) return error;
  if (m > kMaxInterpolationMultiplier) return M716_ERR_PARAMETER_OVER;
  group.multiplier = std::max(m, kMinInterpolationMultiplier);
  group.range = rangeFor(group.multiplier);
  group.sCurve = sCurve ? 1 : 0;
  group.sv = set.sv;
  group.dv = set.dv;
  group.mdv = set.mdv;
  group.ac = set.ac;
  group.ak = set.ak;
  return M716_OK;
}

void selectCurve(AxisRecord& axis, bool sCurve) {
  if (sCurve)
    axis.wr3 |= chip::kSCurveBit;
  else
    axis.wr3 &= 0xFFFF & ~chip::kSCurveBit;
}

// Stores an accepted set into the axes. The range goes into the chip with the next drive,
// together with the speeds converted by the same multiplier.
std::uint32_t acceptAxisSet(BoardRecord& record, std::uint32_t axes, const SpeedSet& set,
                            std::uint32_t sCurveAxes) {
  double m = 0;
  if (std::uint32_t error = checkSpeedSet(set, m)) return error;
  if (m > kMaxAxisMultiplier) return M716_ERR_PARAMETER_OVER;
  forEachAxis(axes, [&](std::uint32_t mask, std::uint32_t index) {
    AxisRecord& axis = record.axes[index];
    axis.multiplier = m;
    selectCurve(axis, (sCurveAxes & mask) != 0);
    axis.rg = rangeFor(m);
    axis.configured = {set.sv, set.dv, set.ac, set.ak};
    axis.sv = set.sv;
    axis.dv = set.dv;
    axis.mdv = set.mdv;
    axis.ac = set.ac;
    axis.ak = set.ak;
  });
  return M716_OK;
}

// The single-value setters: the current set of the axis (or group) with one value replaced,
// accepted with T-curve acceleration.
std::uint32_t setSpeedValue(std::uint32_t board, std::uint32_t axis,
                            std::uint32_t SpeedSet::*field, std::uint32_t value) {
  if (std::uint32_t error = checkOneAxisOrGroup(board, axis)) return error;
  BoardRecord& record = boards[board];
  if (axis == 0) {
    const InterpolationSet& group = record.interpolation;
    SpeedSet set{group.sv, group.dv, group.mdv, group.ac, group.ak};
    set.*field = value;
    if (field == &SpeedSet::dv) set.mdv = value;  // the group's drive speed is its maximum
    return acceptGroupSet(record.interpolation, set, false);
  }
  const AxisRecord& current = record.axes[axisIndex(axis)];
  SpeedSet set{current.sv, current.dv, current.mdv, current.ac, current.ak};
  set.*field = value;
  return acceptAxisSet(record, axis, set, 0);
}

// The range of one axis. It goes into the chip at once unless the axis is driving: loaded
// during a drive it would change the speed the drive runs at; the next drive loads it.
void setAxisRange(std::uint32_t board, std::uint32_t axis, std::uint32_t range) {
  AxisRecord& record = boards[board].axes[axisIndex(axis)];
  record.rg = range;
  record.multiplier = 8'000'000.0 / range;
  record.mdv = static_cast<std::uint32_t>(kSpeedTop * record.multiplier);
  std::lock_guard lock(boardLock(board));
  if (drivingAxes(board) & axis) return;
  issueAxisCommand(board, axis, chip::SetRange);
  record.rangeInForce = range;
  record.multiplierInForce = record.multiplier;
}

void setGroupRange(std::uint32_t board, std::uint32_t range) {
  InterpolationSet& group = boards[board].interpolation;
  group.range = range;
  group.multiplier = 8'000'000.0 / range;
  issueAxisCommand(board, 0, chip::SetRange);
}

// Checks a deceleration against the multiplier it needs (at least 1) and the one it will be
// converted by: 0, 24 or 25.
std::uint32_t checkDeceleration(std::uint32_t dc, double needed, double effective, double most) {
  if (kAccelerationStep * needed > dc) return M716_ERR_PARAMETER_UNDER;
  if (needed > most) return M716_ERR_PARAMETER_OVER;
  if (kAccelerationStep * effective > dc) return M716_ERR_PARAMETER_UNDER;
  return M716_OK;
}

double multiplierNeededFor(std::uint32_t dc) { return std::max(1.0, dc / kDecelerationStep); }

// A deceleration never lowers the multiplier; when it needs a larger one, the range follows,
// so every speed keeps running at the speed it was set to.
std::uint32_t setAxisDeceleration(AxisRecord& axis, std::uint32_t dc) {
  const double needed = multiplierNeededFor(dc);
  const double effective = std::max(needed, axis.multiplier);
  if (std::uint32_t error = checkDeceleration(dc, needed, effective, kMaxAxisMultiplier))
    return error;
  if (effective > axis.multiplier) {
    axis.multiplier = effective;
    axis.rg = rangeFor(effective);
  }
  axis.dc = dc;
  return M716_OK;
}

std::uint32_t setGroupDeceleration(InterpolationSet& group, std::uint32_t dc) {
  const double needed = multiplierNeededFor(dc);
  const double effective =
      std::max({needed, kMinInterpolationMultiplier, group.multiplier});
  if (std::uint32_t error = checkDeceleration(dc, needed, effective, kMaxInterpolationMultiplier))
    return error;
  if (effective > group.multiplier) {
    group.multiplier = effective;
    group.range = rangeFor(effective);
  }
  group.dc = dc;
  return M716_OK;
}

std::uint32_t readLiveValue(std::uint32_t board, std::uint32_t axis, std::uint16_t code,
                            uint32_t* value) {
  if (std::uint32_t error = checkOneAxis(board, axis)) return error;
  if (value == nullptr) return M716_ERR_PARAMETER_INVALID;
  *value = readChipData(board, axis, code, WordOrder::lowFirst);
  return M716_OK;
}

}  // namespace

double candidateMultiplier(std::uint32_t sv, std::uint32_t dv, std::uint32_t mdv,
                           std::uint32_t ac, std::uint32_t ak) {
  return std::max({1.0, dv / kSpeedTop, mdv / kSpeedTop, sv / kSpeedTop, ac / kAccelerationTop,
                   ak / kJerkTop});
}

std::uint32_t rangeFor(double multiplier) {
  return static_cast<std::uint32_t>(8'000'000 / multiplier);
}

void deriveInterpolationScale(InterpolationSet& set) {
  const double m = candidateMultiplier(set.sv, set.dv, set.mdv, set.ac, set.ak);
  set.multiplier = std::clamp(m, kMinInterpolationMultiplier, kMaxInterpolationMultiplier);
  set.range = rangeFor(set.multiplier);
}

namespace {
Fit fitBetween(double value, double low, double high) {
  if (!(value >= low)) return Fit::below;  // also a multiplier never set
  return value > high ? Fit::above : Fit::fits;
}
}  // namespace

Fit speedFit(std::uint32_t speed, double m) { return fitBetween(speed, m, kSpeedTop * m); }

Fit accelerationFit(std::uint32_t acceleration, double m) {
  return fitBetween(acceleration, kAccelerationStep * m, kAccelerationTop * m);
}

Fit jerkFit(std::uint32_t jerk, double m) { return fitBetween(jerk, kJerkFloor * m, kJerkTop); }

std::uint32_t checkDriveSpeeds(const AxisRecord& axis, const ConfiguredSpeeds& speeds) {
  if (axis.rg < chip::kRangeMin) return M716_ERR_RG_UNDER;
  if (axis.rg > chip::kRangeMax) return M716_ERR_RG_OVER;
  const double m = axis.multiplier;
  if (std::uint32_t error = fitError(speedFit(speeds.sv, m), M716_ERR_SV_UNDER, M716_ERR_SV_OVER))
    return error;
  if (std::uint32_t error = fitError(speedFit(speeds.dv, m), M716_ERR_DV_UNDER, M716_ERR_DV_OVER))
    return error;
  if (std::uint32_t error =
          fitError(accelerationFit(speeds.ac, m), M716_ERR_AC_UNDER, M716_ERR_AC_OVER))
    return error;
  if (!isSCurve(axis)) return M716_OK;
  return fitError(jerkFit(speeds.ak, m), M716_ERR_AK_UNDER, M716_ERR_AK_OVER);
}

}  // namespace m716

using namespace m716;

extern "C" KRVM716_API uint32_t M716MotAxisParaSet(uint32_t board, uint32_t axes,
                                                   uint32_t sCurve, uint32_t sv, uint32_t dv,
                                                   uint32_t mdv, uint32_t ac, uint32_t ak) {
  if (std::uint32_t error = checkAxesOrNone(board, axes)) return error;
  const SpeedSet set{sv, dv, mdv, ac, ak};
  if (axes == 0) return acceptGroupSet(boards[board].interpolation, set, sCurve != 0);
  return acceptAxisSet(boards[board], axes, set, sCurve);
}

extern "C" KRVM716_API uint32_t M716SetStartSpeed(uint32_t board, uint32_t axis, uint32_t sv) {
  return setSpeedValue(board, axis, &SpeedSet::sv, sv);
}

extern "C" KRVM716_API uint32_t M716SetDrivingSpeed(uint32_t board, uint32_t axis, uint32_t dv) {
  return setSpeedValue(board, axis, &SpeedSet::dv, dv);
}

extern "C" KRVM716_API uint32_t M716SetAcceleration(uint32_t board, uint32_t axis, uint32_t ac) {
  return setSpeedValue(board, axis, &SpeedSet::ac, ac);
}

extern "C" KRVM716_API uint32_t M716SetJerk(uint32_t board, uint32_t axis, uint32_t ak) {
  return setSpeedValue(board, axis, &SpeedSet::ak, ak);
}

extern "C" KRVM716_API uint32_t M716SetRange(uint32_t board, uint32_t axis, uint32_t range) {
  if (std::uint32_t error = checkOneAxisOrGroup(board, axis)) return error;
  if (range > chip::kRangeMax) return M716_ERR_PARAMETER_OVER;
  if (range < chip::kRangeMin) return M716_ERR_PARAMETER_UNDER;
  if (axis == 0)
    setGroupRange(board, range);
  else
    setAxisRange(board, axis, range);
  return M716_OK;
}

extern "C" KRVM716_API uint32_t M716SetDeceleration(uint32_t board, uint32_t axis, uint32_t dc,
                                                    int32_t offset) {
  if (std::uint32_t error = checkOneAxisOrGroup(board, axis)) return error;
  BoardRecord& record = boards[board];
  record.manualDeceleration = 1;
  record.decelerationOffset = offset;
  if (axis == 0) return setGroupDeceleration(record.interpolation, dc);
  return setAxisDeceleration(record.axes[axisIndex(axis)], dc);
}

extern "C" KRVM716_API uint32_t M716GetAcel(uint32_t board, uint32_t axis, uint32_t* value) {
  return readLiveValue(board, axis, chip::ReadAcceleration, value);
}

extern "C" KRVM716_API uint32_t M716GetSpeed(uint32_t board, uint32_t axis, uint32_t* value) {
  return readLiveValue(board, axis, chip::ReadSpeed, value);
}
