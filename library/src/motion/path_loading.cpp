// Loading the axes of an interpolated path from the interpolation speed set.

#include "motion/path_loading.h"

#include <algorithm>

#include "KRVM716.h"
#include "device/chip_values.h"
#include "device/path_state.h"
#include "device/ports.h"

namespace m716 {
namespace {

constexpr double kRoleRangeFactors[kMaxPathAxes] = {1, 1.4142135623731, 1.7320508075689};

// WR3 of an arc: manual deceleration at the deceleration point with the deceleration register,
// no S-curve.
constexpr std::uint32_t kArcModeKept = 0xFFF8;
constexpr std::uint32_t kArcMode = chip::wr3::ManualDeceleration | chip::wr3::SeparateDeceleration;

std::uint16_t pathModeRegister(const AxisRecord& axis, const InterpolationSet& set, PathForm form) {
  std::uint32_t mode =
      set.sCurve != 0 ? axis.wr3 | chip::wr3::SCurve : axis.wr3 & ~std::uint32_t{chip::wr3::SCurve};
  if (form == PathForm::arc) mode = (mode & kArcModeKept) | kArcMode;
  return static_cast<std::uint16_t>(mode);
}

}  // namespace

std::uint32_t checkInterpolatorFree(std::uint32_t board) {
  if (readPortWord(board, chip::RR0) & chip::rr0::InterpolationDriving) return M716_ERR_AXIS_BUSY;
  return continuousPathRunning(board) ? M716_ERR_AXIS_BUSY : M716_OK;
}

PathAxes pathAxesOf(std::uint32_t axes) {
  PathAxes path;
  forEachAxis(axes, [&](std::uint32_t mask, std::uint32_t) {
    if (path.count < kMaxPathAxes) path.masks[path.count++] = mask;
  });
  return path;
}

std::uint64_t roleRange(std::uint32_t groupRange, std::uint32_t role) {
  return static_cast<std::uint64_t>(groupRange * kRoleRangeFactors[role]);
}

std::uint32_t checkPathSpeeds(const InterpolationSet& set, std::uint32_t count, PathForm form) {
  for (std::uint32_t role = 0; role < count; ++role) {
    const std::uint64_t range = roleRange(set.range, role);
    if (range < chip::kRangeMin) return M716_ERR_RG_UNDER;
    if (range > chip::kRangeMax) return M716_ERR_RG_OVER;
  }
  const double m = set.multiplier;
  if (std::uint32_t error = checkSpeedsFit({set.sv, set.dv, set.ac, set.ak}, m)) return error;
  if (form == PathForm::arc && set.dc != 0) {
    if (std::uint32_t error =
            fitError(accelerationFit(set.dc, m), M716_ERR_DC_UNDER, M716_ERR_DC_OVER))
      return error;
  }
  if (set.sCurve == 0) return M716_OK;
  return checkJerkFits(set.ak, m);
}

std::uint16_t interpolationModeWord(const PathAxes& axes) {
  std::uint32_t word =
      axes.count == kMaxPathAxes ? chip::wr5::ThreeAxisVectorSpeed : chip::wr5::TwoAxisVectorSpeed;
  for (std::uint32_t role = 0; role < axes.count; ++role)
    word |= axisIndex(axes.masks[role]) << (chip::wr5::RoleFieldBits * role);
  return static_cast<std::uint16_t>(word);
}

void loadPathMainAxis(std::uint32_t board, std::uint32_t axis, PathForm form) {
  BoardRecord& record = boards[board];
  const InterpolationSet& set = record.interpolation;
  const double m = set.multiplier;
  const auto load = [&](std::uint16_t code, std::uint32_t value) {
    writeWordCommand(board, axis, code, static_cast<std::uint16_t>(value));
  };
  record.pathFirstAxis = static_cast<std::uint8_t>(axis);
  load(chip::SetStartSpeed, std::max(speedRegister(set.sv, m), chip::kSpeedMin));
  load(chip::SetDriveSpeed, speedRegister(set.dv, m));
  load(chip::SetAcceleration, pathAccelerationRegister(set.ac, m));
  if (form == PathForm::arc) load(chip::SetDeceleration, pathDecelerationRegister(set.dc, m));
  if (set.sCurve != 0) load(chip::SetJerk, jerkRegister(set.ak, m));
  record.axes[axisIndex(axis)].multiplierInForce = m;
}

void loadPathAxisRange(std::uint32_t board, std::uint32_t axis, std::uint32_t role, PathForm form) {
  BoardRecord& record = boards[board];
  AxisRecord& axisRecord = record.axes[axisIndex(axis)];
  const auto range = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(roleRange(record.interpolation.range, role), chip::kRangeMax));
  axisRecord.rangeInForce = range;
  if (role != 0) axisRecord.multiplierInForce = multiplierFor(range);
  writeDataCommand(board, axis, chip::SetRange, std::max(range, chip::kRangeMin));
  writeCommand(board, axis, chip::Select);
  writePortWord(board, chip::WR3, pathModeRegister(axisRecord, record.interpolation, form));
}

}  // namespace m716
