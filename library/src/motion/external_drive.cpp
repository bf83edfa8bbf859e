// External drive (jog and hand wheel), the axes' digital inputs and outputs, and board reset.

#include "KRVM716.h"
#include "device/arguments.h"
#include "device/board_table.h"
#include "device/chip.h"
#include "device/device.h"
#include "device/ports.h"
#include "device/registers.h"
#include "motion/drives.h"
#include "motion/home_search.h"
#include "motion/speed_parameters.h"

namespace m716 {
namespace {

constexpr std::uint32_t kModeCount = 16;
constexpr std::uint32_t kHandWheelBit = 0x8;        // of a mode number
constexpr std::uint32_t kJogDrive = 0x08;           // WR3
constexpr std::uint32_t kHandWheelDrive = 0x10;     // WR3
constexpr std::uint32_t kOutputsShowStatus = 0x80;  // WR3: OUT4..OUT7 are indicators

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
  const std::uint32_t shift = 4 * axisIndex(axis);
  record.externalControl =
      static_cast<std::uint16_t>((record.externalControl & ~(0xFu << shift)) | (mode << shift));
  axisRecord.wr3 &= ~(kJogDrive | kHandWheelDrive);
  if (switchesOff(mode)) {
    issueAxisCommand(board, axis, chip::LoadWR3);
    record.externalAxes &= static_cast<std::uint8_t>(~axis);
  } else {
    record.externalAxes |= static_cast<std::uint8_t>(axis);
    axisRecord.outputPulses = pulses;
    issueAxisCommand(board, axis, chip::SetOutputPulses);
    loadAxisForDrive(board, axis);
    axisRecord.wr3 |= (mode & kHandWheelBit) ? kHandWheelDrive : kJogDrive;
    issueAxisCommand(board, axis, chip::LoadWR3);
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
  if (record.wr3 & kOutputsShowStatus) return M716_ERR_DO_IS_INDICATOR;
  record.wr3 = (record.wr3 & 0x9F) | ((levels & 0xF) << 8);
  issueAxisCommand(board, axis, chip::LoadWR3);
  return M716_OK;
}

}  // namespace
}  // namespace m716

using namespace m716;

extern "C" KRVM716_API uint32_t M716MotExtMode(uint32_t board, uint32_t axis, uint32_t mode,
                                               int32_t pulses) {
  if (std::uint32_t error = checkOneAxis(board, axis)) return error;
  return externalMode(board, axis, mode, pulses);
}

extern "C" KRVM716_API uint32_t M716MotDI(uint32_t board, uint32_t axis, uint8_t* value) {
  if (std::uint32_t error = checkBoard(board)) return error;
  if (value == nullptr) return M716_ERR_PARAMETER_INVALID;
  axis &= 0xFF;
  if (!isOneAxis(axis)) return M716_ERR_AXIS_NUMBER;
  *value = readInputByte(board, axis);
  return M716_OK;
}

extern "C" KRVM716_API uint32_t M716MotDO(uint32_t board, uint32_t axis, uint32_t levels) {
  if (std::uint32_t error = checkOneAxis(board, axis)) return error;
  return writeOutputs(board, axis, levels);
}

extern "C" KRVM716_API uint32_t M716MotReset(uint32_t board) {
  if (std::uint32_t error = checkBoard(board)) return error;
  stopHomeSearches(board);
  M716MotStop(board, 0, 0);
  writePortWord(board, chip::WR0, chip::kReset);
  return initialiseBoard(board);
}
