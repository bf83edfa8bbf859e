// External drive (jog and hand wheel) and the axes' digital inputs and outputs.

#include "KRVM716.h"
#include "device/arguments.h"
#include "device/board_table.h"
#include "device/chip_values.h"
#include "device/guarded.h"
#include "device/ports.h"
#include "device/registers.h"
#include "motion/drives.h"

namespace m716 {
namespace {

constexpr std::uint32_t kModeCount = 16;
constexpr std::uint32_t kHandWheelBit = 0x8;  // of a mode number

bool switchesOff(std::uint32_t mode) {
  return (mode & 0x7) == 0;
}

// 0, or why the axis cannot be given this mode.
std::uint32_t checkExternalMode(std::uint32_t board, std::uint32_t axis, std::uint32_t mode,
                                std::int32_t pulses) {
  if (mode >= kModeCount) return M716_ERR_PARAMETER_INVALID;
  if (switchesOff(mode)) return M716_OK;
  // An axis already in external mode may change modes; a driving or homing one may not.
  const std::uint32_t busy = checkAxesFree(board, axis);
  if (busy != M716_OK && busy != M716_ERR_IN_EXTERNAL_DRIVE) return busy;
  if (mode & kHandWheelBit) {
    if (pulses > chip::kMaxDistance) return M716_ERR_VALUE_OVER;
    // Each wheel step drives this many pulses: a negative count would run away.
    if (pulses < 0) return M716_ERR_VALUE_UNDER;
  }
  const AxisRecord& record = boards[board].axes[axisIndex(axis)];
  return checkDriveSpeeds(record, workingSpeeds(record));
}

void setExternalMode(std::uint32_t board, std::uint32_t axis, std::uint32_t mode,
                     std::int32_t pulses) {
  BoardRecord& record = boards[board];
  AxisRecord& axisRecord = record.axes[axisIndex(axis)];
  const std::uint32_t shift = chip::external::ModeBitsPerAxis * axisIndex(axis);
  record.externalControl = static_cast<std::uint16_t>(
      (record.externalControl & ~(std::uint32_t{chip::external::AxisMode} << shift)) |
      (mode << shift));
  axisRecord.wr3 &= ~std::uint32_t{chip::wr3::JogDrive | chip::wr3::HandWheelDrive};
  if (switchesOff(mode)) {
    issueAxisCommand(board, axis, LoadWR3);
    record.externalAxes &= static_cast<std::uint8_t>(~axis);
  } else {
    record.externalAxes |= static_cast<std::uint8_t>(axis);
    axisRecord.outputPulses = pulses;
    issueAxisCommand(board, axis, chip::SetOutputPulses);
    loadAxisForDrive(board, axis);
    axisRecord.wr3 |= (mode & kHandWheelBit) ? chip::wr3::HandWheelDrive : chip::wr3::JogDrive;
    issueAxisCommand(board, axis, LoadWR3);
  }
  writePortWord(board, chip::ExternalDriveControl, record.externalControl);
}

std::uint32_t externalMode(std::uint32_t board, std::uint32_t axis, std::uint32_t mode,
                           std::int32_t pulses) {
  std::lock_guard lock(boardLock(board));
  if (std::uint32_t error = checkExternalMode(board, axis, mode, pulses)) return error;
  setExternalMode(board, axis, mode, pulses);
  return M716_OK;
}

std::uint32_t writeOutputs(std::uint32_t board, std::uint32_t axis, std::uint32_t levels) {
  AxisRecord& record = boards[board].axes[axisIndex(axis)];
  if (record.wr3 & chip::wr3::OutputsShowStatus) return M716_ERR_DO_IS_INDICATOR;
  // Like the output configuration, the levels also clear the unused bits 5, 6 and 12..15.
  record.wr3 = (record.wr3 & chip::wr3::ModeBits) |
               ((levels << chip::wr3::OutputLevelsShift) & chip::wr3::OutputLevels);
  issueAxisCommand(board, axis, LoadWR3);
  return M716_OK;
}

}  // namespace
}  // namespace m716

using namespace m716;

extern "C" KRVM716_API uint32_t M716MotExtMode(uint32_t board, uint32_t axis, uint32_t mode,
                                               int32_t pulses) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckOneAxis(board, axis)) return error;
    return externalMode(board, axis, mode, pulses);
  });
}

extern "C" KRVM716_API uint32_t M716MotDI(uint32_t board, uint32_t axis, uint8_t* value) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckBoard(board)) return error;
    if (value == nullptr) return M716_ERR_PARAMETER_INVALID;
    axis &= 0xFF;
    if (!isOneAxis(axis)) return M716_ERR_AXIS_NUMBER;
    *value = readInputByte(board, axis);
    return M716_OK;
  });
}

extern "C" KRVM716_API uint32_t M716MotDO(uint32_t board, uint32_t axis, uint32_t levels) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckOneAxis(board, axis)) return error;
    return writeOutputs(board, axis, levels);
  });
}
