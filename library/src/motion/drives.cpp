// Point-to-point and continuous drives, speed change, stops and the clearing of end status.

#include "motion/drives.h"

#include <array>
#include <cstdlib>
#include <mutex>

#include "KRVM716.h"
#include "device/arguments.h"
#include "device/board_table.h"
#include "device/chip_values.h"
#include "device/guarded.h"
#include "device/path_state.h"
#include "device/ports.h"
#include "device/registers.h"
#include "motion/home_search.h"

namespace m716 {
namespace {

// How often M716MotClrErr releases an axis and looks at its end status before it gives up.
constexpr unsigned kEndStatusClearTries = 100;

// One axis of a point-to-point move, checked and ready to be programmed.
struct PlannedDrive {
  std::uint32_t mask = 0;
  std::uint32_t pulses = 0;
  bool negative = false;
};

// Reads the axis's logical position and checks the move against its software limits, the
// longest single move and the speeds it will run with. 0, 7..20.
std::uint32_t planFixedDrive(std::uint32_t board, std::uint32_t mask, bool absolute,
                             std::int32_t argument, PlannedDrive& plan) {
  std::uint32_t raw = 0;
  if (std::uint32_t error = readRegister(board, mask, M716_REG_LOGICAL_POSITION, raw)) return error;
  const std::int64_t position = static_cast<std::int32_t>(raw);
  const AxisRecord& axis = boards[board].axes[axisIndex(mask)];
  const std::int64_t end = absolute ? argument : position + argument;
  if (end > axis.plmt) return M716_ERR_PLMT_OVER;
  if (end < axis.nlmt) return M716_ERR_NLMT_OVER;
  const std::int64_t distance = end - position;
  if (std::llabs(distance) > chip::kMaxDistance) return M716_ERR_DISTANCE;
  if (std::uint32_t error = checkDriveSpeeds(axis, axis.configured)) return error;
  plan = {mask, static_cast<std::uint32_t>(std::llabs(distance)), distance <= 0};
  return M716_OK;
}

// Holds the axis, loads its pulse count and its configured speeds, and gives it its drive
// command; it starts at the release.
void programFixedDrive(std::uint32_t board, const PlannedDrive& plan) {
  AxisRecord& axis = boards[board].axes[axisIndex(plan.mask)];
  writeCommand(board, plan.mask, chip::HoldStart);
  axis.outputPulses = static_cast<std::int32_t>(plan.pulses);
  issueAxisCommand(board, plan.mask, chip::SetOutputPulses);
  axis.sv = axis.configured.sv;
  axis.dv = axis.configured.dv;
  axis.ac = axis.configured.ac;
  axis.ak = axis.configured.ak;
  loadAxisForDrive(board, plan.mask);
  writeCommand(board, plan.mask, plan.negative ? chip::DriveFixedMinus : chip::DriveFixedPlus);
}

// Every selected axis is checked before the chip is programmed, so a refused move leaves no
// axis held with a drive pending.
std::uint32_t pointToPoint(std::uint32_t board, std::uint32_t axes, std::uint32_t absoluteAxes,
                           const std::array<std::int32_t, kAxisCount>& targets) {
  std::lock_guard lock(boardLock(board));
  if (std::uint32_t error = checkAxesFree(board, axes)) return error;
  std::array<PlannedDrive, kAxisCount> plans{};
  std::uint32_t error = M716_OK;
  forEachAxis(axes, [&](std::uint32_t mask, std::uint32_t index) {
    if (error == M716_OK)
      error = planFixedDrive(board, mask, (absoluteAxes & mask) != 0, targets[index], plans[index]);
  });
  if (error != M716_OK) return error;
  forEachAxis(axes,
              [&](std::uint32_t, std::uint32_t index) { programFixedDrive(board, plans[index]); });
  writeCommand(board, axes, chip::ReleaseStart);
  return M716_OK;
}

std::uint32_t continuousDrive(std::uint32_t board, std::uint32_t axes, std::uint32_t negativeAxes) {
  std::lock_guard lock(boardLock(board));
  if (std::uint32_t error = checkAxesFree(board, axes)) return error;
  std::uint32_t error = M716_OK;
  forEachAxis(axes, [&](std::uint32_t, std::uint32_t index) {
    const AxisRecord& axis = boards[board].axes[index];
    if (error == M716_OK) error = checkDriveSpeeds(axis, workingSpeeds(axis));
  });
  if (error != M716_OK) return error;
  writeCommand(board, axes, chip::HoldStart);
  forEachAxis(axes, [&](std::uint32_t mask, std::uint32_t) {
    loadAxisForDrive(board, mask);
    writeCommand(board, mask,
                 negativeAxes & mask ? chip::DriveContinuousMinus : chip::DriveContinuousPlus);
  });
  writeCommand(board, axes, chip::ReleaseStart);
  return M716_OK;
}

// While the axis drives, a new drive speed is converted by the multiplier its drive was loaded
// with, so it matches the range in the chip even when the axis's range was changed since. A
// standing axis is checked and converted by its own multiplier: its next drive loads its range.
std::uint32_t changeDriveSpeed(std::uint32_t board, std::uint32_t axis, std::uint32_t dv) {
  std::lock_guard lock(boardLock(board));
  AxisRecord& record = boards[board].axes[axisIndex(axis)];
  const double m = drivingAxes(board) & axis ? record.multiplierInForce : record.multiplier;
  const Fit fit = speedFit(dv, m);
  if (dv > record.mdv || fit == Fit::above) return M716_ERR_VALUE_OVER;
  if (dv != 0 && fit == Fit::below) return M716_ERR_PARAMETER_UNDER;
  record.dv = dv;
  writeWordCommand(board, axis, chip::SetDriveSpeed,
                   static_cast<std::uint16_t>(speedRegister(dv, m)));
  return M716_OK;
}

// Each axis stops the way its bit in `deceleratingAxes` asks: the axes that stop at once with
// one command, then the decelerating ones with another. An axis in a home search gets a stop
// request instead, and the first axis of a running continuous path stops the path.
void stopAxes(std::uint32_t board, std::uint32_t axes, std::uint32_t deceleratingAxes) {
  std::lock_guard lock(boardLock(board));
  const std::uint32_t searching = homeSearchAxes(board);
  std::uint32_t sudden = 0, decelerating = 0;
  forEachAxis(axes, [&](std::uint32_t mask, std::uint32_t) {
    if (searching & mask) {
      requestHomeStop(board, mask);
    } else if (continuousPathRunning(board) && continuousPathFirstAxis(board) == mask) {
      stopContinuousPath(board);
    } else {
      if (continuousPathAxes(board) & mask) stopFeedingContinuousPath(board);
      (deceleratingAxes & mask ? decelerating : sudden) |= mask;
    }
  });
  if (sudden) writeCommand(board, sudden, chip::StopSudden);
  if (decelerating) writeCommand(board, decelerating, chip::StopDecelerating);
}

// Releases the axis until its end status reads clear, a bounded number of times.
bool clearEndStatus(std::uint32_t board, std::uint32_t axis) {
  for (unsigned attempt = 0; attempt < kEndStatusClearTries; ++attempt) {
    std::lock_guard lock(boardLock(board));
    writeCommand(board, axis, chip::ReleaseStart);
    if ((readAxisStatus(board, axis, chip::RR1) & chip::rr1::EndStatus) == 0) return true;
  }
  return false;
}

std::uint32_t moveOneAxis(std::uint32_t board, std::uint32_t axis, std::int32_t value,
                          std::uint32_t absoluteAxes) {
  if (std::uint32_t error = maskAndCheckOneAxis(board, axis)) return error;
  std::array<std::int32_t, kAxisCount> targets{};
  targets[axisIndex(axis)] = value;
  return pointToPoint(board, axis, absoluteAxes, targets);
}

}  // namespace

std::uint32_t drivingAxes(std::uint32_t board) {
  return readPortWord(board, chip::RR0) & chip::rr0::Driving;
}

std::uint32_t checkAxesFree(std::uint32_t board, std::uint32_t axes) {
  // A continuous path owns its axes from its start, before the chip shows them driving.
  const std::uint32_t driving = drivingAxes(board) | continuousPathAxes(board);
  const BoardRecord& record = boards[board];
  const std::uint32_t searching = homeSearchAxes(board);
  for (std::uint32_t index = 0; index < kAxisCount; ++index) {
    const std::uint32_t mask = 1u << index;
    if (!(axes & mask)) continue;
    if (driving & mask) return M716_ERR_AXIS_BUSY;
    if (searching & mask) return M716_ERR_IN_HOME;
    if (record.externalAxes & mask) return M716_ERR_IN_EXTERNAL_DRIVE;
  }
  return M716_OK;
}

void loadAxisForDrive(std::uint32_t board, std::uint32_t axis) {
  loadAxisForDrive(board, axis, boards[board].axes[axisIndex(axis)]);
}

// The range and multiplier in force are shared with the application's calls: written under
// the bus lock.
void loadAxisForDrive(std::uint32_t board, std::uint32_t axis, const AxisRecord& values) {
  std::lock_guard lock(boardLock(board));
  issueAxisCommand(board, axis, chip::SetRange, values);
  AxisRecord& record = boards[board].axes[axisIndex(axis)];
  record.rangeInForce = values.rg;
  record.multiplierInForce = values.multiplier;
  for (std::uint16_t code : {chip::SetStartSpeed, chip::SetDriveSpeed, chip::SetAcceleration})
    issueAxisCommand(board, axis, code, values);
  issueAxisCommand(board, axis, LoadWR3, values);
  if (isSCurve(values)) issueAxisCommand(board, axis, chip::SetJerk, values);
}

}  // namespace m716

using namespace m716;

extern "C" KRVM716_API uint32_t M716MotAxisBusy(uint32_t board, uint32_t axes) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckAxisSelection(board, axes)) return error;
    return checkAxesFree(board, axes);
  });
}

extern "C" KRVM716_API uint32_t M716MotPtp(uint32_t board, uint32_t axes, uint32_t absoluteAxes,
                                           int32_t x, int32_t y, int32_t z, int32_t u) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckAxisSelection(board, axes)) return error;
    return pointToPoint(board, axes, absoluteAxes, {x, y, z, u});
  });
}

extern "C" KRVM716_API uint32_t M716MoveAbs(uint32_t board, uint32_t axis, int32_t position) {
  return guarded(kSystemFailure,
                 [&]() -> std::uint32_t { return moveOneAxis(board, axis, position, kAllAxes); });
}

extern "C" KRVM716_API uint32_t M716MoveIns(uint32_t board, uint32_t axis, int32_t distance) {
  return guarded(kSystemFailure,
                 [&]() -> std::uint32_t { return moveOneAxis(board, axis, distance, 0); });
}

extern "C" KRVM716_API uint32_t M716MotCmove(uint32_t board, uint32_t axes, uint32_t negativeAxes) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckAxisSelection(board, axes)) return error;
    return continuousDrive(board, axes, negativeAxes);
  });
}

extern "C" KRVM716_API uint32_t M716MotChgDV(uint32_t board, uint32_t axis, uint32_t dv) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckOneAxis(board, axis)) return error;
    return changeDriveSpeed(board, axis, dv);
  });
}

extern "C" KRVM716_API uint32_t M716MotStop(uint32_t board, uint32_t axes,
                                            uint32_t deceleratingAxes) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckAxesOrNone(board, axes)) return error;
    if (axes == 0) {
      if (continuousPathRunning(board)) stopContinuousPath(board);
      return M716_OK;
    }
    stopAxes(board, axes, deceleratingAxes);
    return M716_OK;
  });
}

extern "C" KRVM716_API uint32_t M716MotClrErr(uint32_t board, uint32_t axes) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckAxisSelection(board, axes)) return error;
    bool cleared = true;
    forEachAxis(axes, [&](std::uint32_t mask, std::uint32_t) {
      cleared = clearEndStatus(board, mask) && cleared;
    });
    return cleared ? M716_OK : M716_ERR_AXIS_BUSY;
  });
}
