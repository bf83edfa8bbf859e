// The speed parameter setters of the axes and the interpolation group.

#include <algorithm>
#include <mutex>

#include "KRVM716.h"
#include "device/arguments.h"
#include "device/chip_values.h"
#include "device/guarded.h"
#include "device/ports.h"
#include "device/registers.h"
#include "motion/drives.h"

namespace m716 {
namespace {

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
    axis.wr3 |= chip::wr3::SCurve;
  else
    axis.wr3 &= 0xFFFFu & ~std::uint32_t{chip::wr3::SCurve};
}

// Stores an accepted set into the axes. The range goes into the chip with the next drive,
// together with the speeds converted by the same multiplier. Under the bus lock: a home search
// leaves its working speeds in the record when it ends.
std::uint32_t acceptAxisSet(std::uint32_t board, std::uint32_t axes, const SpeedSet& set,
                            std::uint32_t sCurveAxes) {
  double m = 0;
  if (std::uint32_t error = checkSpeedSet(set, m)) return error;
  if (m > kMaxAxisMultiplier) return M716_ERR_PARAMETER_OVER;
  std::lock_guard lock(boardLock(board));
  forEachAxis(axes, [&](std::uint32_t mask, std::uint32_t index) {
    AxisRecord& axis = boards[board].axes[index];
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
std::uint32_t setSpeedValue(std::uint32_t board, std::uint32_t axis, std::uint32_t SpeedSet::*field,
                            std::uint32_t value) {
  if (std::uint32_t error = maskAndCheckOneAxisOrGroup(board, axis)) return error;
  BoardRecord& record = boards[board];
  if (axis == 0) {
    const InterpolationSet& group = record.interpolation;
    SpeedSet set{group.sv, group.dv, group.mdv, group.ac, group.ak};
    set.*field = value;
    if (field == &SpeedSet::dv) set.mdv = value;  // the group's drive speed is its maximum
    return acceptGroupSet(record.interpolation, set, false);
  }
  std::lock_guard lock(boardLock(board));
  const AxisRecord& current = record.axes[axisIndex(axis)];
  SpeedSet set{current.sv, current.dv, current.mdv, current.ac, current.ak};
  set.*field = value;
  return acceptAxisSet(board, axis, set, 0);
}

// The range of one axis. It goes into the chip at once unless the axis is driving: loaded
// during a drive it would change the speed the drive runs at; the next drive loads it.
void setAxisRange(std::uint32_t board, std::uint32_t axis, std::uint32_t range) {
  AxisRecord& record = boards[board].axes[axisIndex(axis)];
  record.rg = range;
  record.multiplier = multiplierFor(range);
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
  group.multiplier = multiplierFor(range);
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

double multiplierNeededFor(std::uint32_t dc) {
  return std::max(1.0, dc / kDecelerationStep);
}

// A deceleration never lowers the multiplier of its axis or group (at least `least`); when it
// needs a larger one, the range follows, so every speed keeps running at the speed it was set
// to.
std::uint32_t acceptDeceleration(std::uint32_t dc, double least, double most, double& multiplier,
                                 std::uint32_t& range, std::uint32_t& deceleration) {
  const double needed = multiplierNeededFor(dc);
  const double effective = std::max({needed, least, multiplier});
  if (std::uint32_t error = checkDeceleration(dc, needed, effective, most)) return error;
  if (effective > multiplier) {
    multiplier = effective;
    range = rangeFor(effective);
  }
  deceleration = dc;
  return M716_OK;
}

}  // namespace
}  // namespace m716

using namespace m716;

extern "C" KRVM716_API uint32_t M716MotAxisParaSet(uint32_t board, uint32_t axes, uint32_t sCurve,
                                                   uint32_t sv, uint32_t dv, uint32_t mdv,
                                                   uint32_t ac, uint32_t ak) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckAxesOrNone(board, axes)) return error;
    const SpeedSet set{sv, dv, mdv, ac, ak};
    if (axes == 0) return acceptGroupSet(boards[board].interpolation, set, sCurve != 0);
    return acceptAxisSet(board, axes, set, sCurve);
  });
}

extern "C" KRVM716_API uint32_t M716SetStartSpeed(uint32_t board, uint32_t axis, uint32_t sv) {
  return guarded(kSystemFailure,
                 [&]() -> std::uint32_t { return setSpeedValue(board, axis, &SpeedSet::sv, sv); });
}

extern "C" KRVM716_API uint32_t M716SetDrivingSpeed(uint32_t board, uint32_t axis, uint32_t dv) {
  return guarded(kSystemFailure,
                 [&]() -> std::uint32_t { return setSpeedValue(board, axis, &SpeedSet::dv, dv); });
}

extern "C" KRVM716_API uint32_t M716SetAcceleration(uint32_t board, uint32_t axis, uint32_t ac) {
  return guarded(kSystemFailure,
                 [&]() -> std::uint32_t { return setSpeedValue(board, axis, &SpeedSet::ac, ac); });
}

extern "C" KRVM716_API uint32_t M716SetJerk(uint32_t board, uint32_t axis, uint32_t ak) {
  return guarded(kSystemFailure,
                 [&]() -> std::uint32_t { return setSpeedValue(board, axis, &SpeedSet::ak, ak); });
}

extern "C" KRVM716_API uint32_t M716SetRange(uint32_t board, uint32_t axis, uint32_t range) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckOneAxisOrGroup(board, axis)) return error;
    if (range > chip::kRangeMax) return M716_ERR_PARAMETER_OVER;
    if (range < chip::kRangeMin) return M716_ERR_PARAMETER_UNDER;
    if (axis == 0)
      setGroupRange(board, range);
    else
      setAxisRange(board, axis, range);
    return M716_OK;
  });
}

extern "C" KRVM716_API uint32_t M716SetDeceleration(uint32_t board, uint32_t axis, uint32_t dc,
                                                    int32_t offset) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckOneAxisOrGroup(board, axis)) return error;
    BoardRecord& record = boards[board];
    record.manualDeceleration = 1;
    record.decelerationOffset = offset;
    if (axis == 0) {
      InterpolationSet& group = record.interpolation;
      return acceptDeceleration(dc, kMinInterpolationMultiplier, kMaxInterpolationMultiplier,
                                group.multiplier, group.range, group.dc);
    }
    AxisRecord& one = record.axes[axisIndex(axis)];
    return acceptDeceleration(dc, 1, kMaxAxisMultiplier, one.multiplier, one.rg, one.dc);
  });
}

extern "C" KRVM716_API uint32_t M716GetAcel(uint32_t board, uint32_t axis, uint32_t* value) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return readChipValue(board, axis, chip::ReadAcceleration, value);
  });
}

extern "C" KRVM716_API uint32_t M716GetSpeed(uint32_t board, uint32_t axis, uint32_t* value) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return readChipValue(board, axis, chip::ReadSpeed, value);
  });
}
