// Register access by identifier.

#include "device/registers.h"

#include <array>
#include <climits>
#include <mutex>
#include <variant>

#include "KRVM716.h"
#include "device/arguments.h"
#include "device/board_table.h"
#include "device/chip.h"
#include "device/ports.h"
#include "motion/speed_parameters.h"

namespace m716 {
namespace {

// The parameters of the board record, 0x300 + their position here.
using Field = std::variant<std::uint32_t AxisRecord::*, std::int32_t AxisRecord::*>;
const std::array<Field, 18> kParameterFields = {
    &AxisRecord::rg,          &AxisRecord::sv,          &AxisRecord::dv,
    &AxisRecord::mdv,         &AxisRecord::ac,          &AxisRecord::dc,
    &AxisRecord::ak,          &AxisRecord::plmt,        &AxisRecord::nlmt,
    &AxisRecord::homeOffset,  &AxisRecord::homeMode,    &AxisRecord::homeType,
    &AxisRecord::homeP0Dir,   &AxisRecord::homeP0Speed, &AxisRecord::homeP1Dir,
    &AxisRecord::homeP1Speed, &AxisRecord::homeP2Dir,   &AxisRecord::homeOffsetSpeed,
};
enum Parameter : std::uint16_t {
  kParRange = 0x300,
  kParSV,
  kParDV,
  kParMDV,
  kParAC,
  kParDC,
  kParAK,
  kParPLmt,
  kParNLmt,
  kParHomeOffset,
  kParHomeMode,
  kParHomeType,
  kParHomeP0Dir,
  kParHomeP0Speed,
  kParHomeP1Dir,
  kParHomeP1Speed,
  kParHomeP2Dir,
  kParHomeOffsetSpeed,
};

bool isParameter(std::uint16_t id) {
  return id >= kParRange && id <= kParHomeOffsetSpeed;
}

std::uint32_t readField(const AxisRecord& axis, std::uint16_t id) {
  return std::visit([&](auto member) { return static_cast<std::uint32_t>(axis.*member); },
                    kParameterFields[id - kParRange]);
}

void writeField(AxisRecord& axis, std::uint16_t id, std::uint32_t value) {
  std::visit(
      [&](auto member) {
        using Stored = std::remove_reference_t<decltype(axis.*member)>;
        axis.*member = static_cast<Stored>(value);
      },
      kParameterFields[id - kParRange]);
}

// The mode register shadows and the codes that load them.
std::uint32_t* modeShadow(AxisRecord& axis, std::uint16_t id) {
  switch (id) {
    case kRegMode1:
      return &axis.wr1;
    case kRegMode2:
      return &axis.wr2;
    case kRegMode3:
      return &axis.wr3;
    default:
      return nullptr;
  }
}

std::uint16_t modeLoadCode(std::uint16_t id) {
  return static_cast<std::uint16_t>(chip::LoadWR1 + (id - kRegMode1) / 2);
}

constexpr std::uint32_t kMaxSpeed = 4'000'000;
constexpr std::uint32_t kMinAcceleration = 125, kMaxAcceleration = 500'000'000;
constexpr std::uint32_t kMinJerk = 954;
constexpr std::uint32_t kMaxHomeType = 4;

std::uint32_t checkCounter(std::uint32_t value) {
  return static_cast<std::int32_t>(value) == INT_MIN ? M716_ERR_NLMT_OVER : M716_OK;
}

std::uint32_t checkSpeed(std::uint32_t value, double m, std::uint32_t under, std::uint32_t over) {
  if (value == 0) return under;
  if (value > kMaxSpeed) return over;
  return fitError(speedFit(value, m), under, over);
}

std::uint32_t checkAcceleration(std::uint32_t value, double m, std::uint32_t under,
                                std::uint32_t over) {
  if (value < kMinAcceleration) return under;
  if (value > kMaxAcceleration) return over;
  return fitError(accelerationFit(value, m), under, over);
}

// 0 when `value` may be written to `id` of the axis, else the error code. Speeds,
// accelerations and the jerk must also fit the chip registers at the axis's multiplier.
std::uint32_t checkWrite(const AxisRecord& axis, std::uint16_t id, std::uint32_t value) {
  const double m = axis.multiplier;
  switch (id) {
    case kRegRealPosition:
    case kRegLogicalPosition:
    case kRegComparePlus:
    case kRegCompareMinus:
    case kParNLmt:
    case kParHomeOffset:
      return checkCounter(value);
    case kRegOutputPulses:
      return static_cast<std::int32_t>(value) > chip::kMaxDistance ? M716_ERR_DISTANCE : M716_OK;
    case kParRange:
      if (value < chip::kRangeMin) return M716_ERR_RG_UNDER;
      return value > chip::kRangeMax ? M716_ERR_RG_OVER : M716_OK;
    case kParSV:
      return checkSpeed(value, m, M716_ERR_SV_UNDER, M716_ERR_SV_OVER);
    case kParDV:
      if (value > axis.mdv) return M716_ERR_DV_OVER;
      return checkSpeed(value, m, M716_ERR_DV_UNDER, M716_ERR_DV_OVER);
    case kParMDV:
      if (value == 0) return M716_ERR_MDV_UNDER;
      return value > kMaxSpeed || speedFit(value, m) == Fit::above ? M716_ERR_MDV_OVER : M716_OK;
    case kParAC:
      return checkAcceleration(value, m, M716_ERR_AC_UNDER, M716_ERR_AC_OVER);
    case kParDC:
      return checkAcceleration(value, m, M716_ERR_DC_UNDER, M716_ERR_DC_OVER);
    case kParAK:
      return value < kMinJerk || jerkFit(value, m) == Fit::below ? M716_ERR_AK_UNDER : M716_OK;
    case kParHomeType:
      return value > kMaxHomeType ? M716_ERR_VALUE_OVER : M716_OK;
    case kParHomeP0Speed:
    case kParHomeP1Speed:
    case kParHomeOffsetSpeed:
      if (value == 0) return M716_ERR_DV_UNDER;
      return value > kMaxSpeed ? M716_ERR_DV_OVER : M716_OK;
    default:
      return M716_OK;
  }
}

std::uint32_t checkWriteAll(std::uint32_t board, std::uint32_t axes, std::uint16_t id,
                            const std::uint32_t* values) {
  std::uint32_t error = M716_OK;
  forEachAxis(axes, [&](std::uint32_t, std::uint32_t index) {
    if (error == M716_OK) error = checkWrite(boards[board].axes[index], id, values[index]);
  });
  return error;
}

// Stores the value in the shadow of the axis; a speed-set value is also the configured one,
// so the next point-to-point move runs with it.
void storeShadow(std::uint32_t board, std::uint32_t index, std::uint16_t id, std::uint32_t value) {
  AxisRecord& axis = boards[board].axes[index];
  switch (id) {
    case kRegRealPosition:
      axis.realPosition = static_cast<std::int32_t>(value);
      return;
    case kRegLogicalPosition:
      axis.logicalPosition = static_cast<std::int32_t>(value);
      return;
    case kRegComparePlus:
      axis.pcmp = static_cast<std::int32_t>(value);
      interruptBlocks[board].comparePlus[index] = axis.pcmp;
      return;
    case kRegCompareMinus:
      axis.ncmp = static_cast<std::int32_t>(value);
      interruptBlocks[board].compareMinus[index] = axis.ncmp;
      return;
    case kRegOutputPulses:
      axis.outputPulses = static_cast<std::int32_t>(value);
      return;
    case kParRange:
      axis.multiplier = 8'000'000.0 / value;
      break;
    case kParSV:
      axis.configured.sv = value;
      break;
    case kParDV:
      axis.configured.dv = value;
      break;
    case kParAC:
      axis.configured.ac = value;
      break;
    case kParAK:
      axis.configured.ak = value;
      break;
    default:
      break;
  }
  if (std::uint32_t* shadow = modeShadow(axis, id)) *shadow = value;
  if (isParameter(id)) writeField(axis, id, value);
}

// COMP+ or COMP-: high word, low word, then the command.
void loadCompare(std::uint32_t board, std::uint32_t axes, std::uint16_t code, std::uint32_t value) {
  writePortWord(board, chip::WR7, static_cast<std::uint16_t>(value >> 16));
  writePortWord(board, chip::WR6, static_cast<std::uint16_t>(value));
  writePortWord(board, chip::WR0, chip::commandWord(axes, code));
}

// Loads what a write to `id` changes in the chip, for the axes (all with the same value).
void loadIntoChip(std::uint32_t board, std::uint32_t axes, std::uint16_t id, std::uint32_t value) {
  switch (id) {
    case kRegRealPosition:
      return issueAxisCommand(board, axes, chip::SetRealPosition);
    case kRegLogicalPosition:
      return issueAxisCommand(board, axes, chip::SetLogicalPosition);
    case kRegComparePlus:
      return loadCompare(board, axes, chip::SetComparePlus, value);
    case kRegCompareMinus:
      return loadCompare(board, axes, chip::SetCompareMinus, value);
    case kRegMode1:
    case kRegMode2:
    case kRegMode3:
      return issueAxisCommand(board, axes, modeLoadCode(id));
    default:
      return;
  }
}

void writeRegister(std::uint32_t board, std::uint32_t axes, std::uint16_t id, std::uint32_t value) {
  std::lock_guard lock(boardLock(board));
  forEachAxis(axes,
              [&](std::uint32_t, std::uint32_t index) { storeShadow(board, index, id, value); });
  loadIntoChip(board, axes, id, value);
}

// Live values are scaled by the range in force: speed units are 8 000 000 / range pps.
double unitsPerRange(const AxisRecord& axis) {
  return 8'000'000.0 / (axis.rangeInForce == 0 ? chip::kRangeMax : axis.rangeInForce);
}

std::uint32_t truncated(double value) {
  return static_cast<std::uint32_t>(static_cast<std::int64_t>(value));
}

std::uint32_t liveSpeed(std::uint32_t board, std::uint32_t axis) {
  const std::uint32_t raw = readChipData(board, axis, chip::ReadSpeed, WordOrder::highFirst);
  AxisRecord& record = boards[board].axes[axisIndex(axis)];
  const std::uint32_t speed = truncated(raw * unitsPerRange(record));
  record.liveSpeed = static_cast<std::int32_t>(speed);
  return speed;
}

std::uint32_t liveAcceleration(std::uint32_t board, std::uint32_t axis) {
  const std::uint32_t raw = readChipData(board, axis, chip::ReadAcceleration, WordOrder::highFirst);
  AxisRecord& record = boards[board].axes[axisIndex(axis)];
  const std::uint32_t acceleration = truncated((raw * 125u) * unitsPerRange(record));
  record.liveAcceleration = static_cast<std::int32_t>(acceleration);
  return acceleration;
}

std::uint32_t readPosition(std::uint32_t board, std::uint32_t axis, std::uint16_t code,
                           std::int32_t& shadow) {
  const std::uint32_t value = readChipData(board, axis, code, WordOrder::highFirst);
  shadow = static_cast<std::int32_t>(value);
  return value;
}

}  // namespace

std::uint32_t readChipData(std::uint32_t board, std::uint32_t axis, std::uint16_t code,
                           WordOrder order) {
  std::lock_guard lock(boardLock(board));
  writePortWord(board, chip::WR0, chip::commandWord(axis, code));
  std::uint32_t low = 0, high = 0;
  if (order == WordOrder::lowFirst) {
    low = readPortWord(board, chip::RR6);
    high = readPortWord(board, chip::RR7);
  } else {
    high = readPortWord(board, chip::RR7);
    low = readPortWord(board, chip::RR6);
  }
  return high << 16 | low;
}

std::uint8_t readInputByte(std::uint32_t board, std::uint32_t axis) {
  const std::uint32_t index = axisIndex(axis);
  const std::uint16_t word = readPortWord(board, index < 2 ? chip::RR4 : chip::RR5);
  return static_cast<std::uint8_t>(index % 2 == 0 ? word : word >> 8);
}

std::uint16_t readAxisStatus(std::uint32_t board, std::uint32_t axis, std::uint16_t port) {
  std::lock_guard lock(boardLock(board));
  writePortWord(board, chip::WR0, chip::commandWord(axis, chip::Select));
  return readPortWord(board, port);
}

std::uint32_t readRegister(std::uint32_t board, std::uint32_t axis, std::uint16_t id,
                           std::uint32_t& value) {
  std::lock_guard lock(boardLock(board));
  const std::uint32_t index = axisIndex(axis);
  AxisRecord& record = boards[board].axes[index];
  switch (id) {
    case kRegRealPosition:
      value = readPosition(board, axis, chip::ReadRealPosition, record.realPosition);
      return M716_OK;
    case kRegLogicalPosition:
      value = readPosition(board, axis, chip::ReadLogicalPosition, record.logicalPosition);
      return M716_OK;
    case kRegComparePlus:
      value = static_cast<std::uint32_t>(interruptBlocks[board].comparePlus[index]);
      return M716_OK;
    case kRegCompareMinus:
      value = static_cast<std::uint32_t>(interruptBlocks[board].compareMinus[index]);
      return M716_OK;
    case kRegLiveSpeed:
      value = liveSpeed(board, axis);
      return M716_OK;
    case kRegLiveAcceleration:
      value = liveAcceleration(board, axis);
      return M716_OK;
    case kRegMainStatus:
      value = readPortWord(board, chip::RR0);
      return M716_OK;
    case kRegStatus1:
      value = readAxisStatus(board, axis, chip::RR1);
      return M716_OK;
    case kRegStatus2:
      value = readAxisStatus(board, axis, chip::RR2);
      return M716_OK;
    case kRegStatus3:
      value = readAxisStatus(board, axis, chip::RR3);
      return M716_OK;
    case kRegInput1:
      value = readPortWord(board, chip::RR4);
      return M716_OK;
    case kRegInput2:
      value = readPortWord(board, chip::RR5);
      return M716_OK;
    case kRegMode1:
    case kRegMode2:
    case kRegMode3:
      value = *modeShadow(record, id);
      return M716_OK;
    case kRegNone1:
    case kRegNone2:
      value = 0;
      return M716_OK;
    default:
      if (!isParameter(id)) return M716_ERR_REGISTER_UNDEFINED;
      value = readField(record, id);
      return M716_OK;
  }
}

std::uint32_t presetAxisValue(std::uint32_t board, std::uint32_t axis,
                              std::int32_t AxisRecord::*field, std::uint16_t code,
                              std::int32_t value) {
  if (std::uint32_t error = checkOneAxis(board, axis)) return error;
  boards[board].axes[axisIndex(axis)].*field = value;
  issueAxisCommand(board, axis, code);
  return M716_OK;
}

}  // namespace m716

using namespace m716;

extern "C" KRVM716_API uint32_t M716MotRdReg(uint32_t board, uint32_t axis, uint32_t identifier,
                                             uint32_t* value) {
  if (std::uint32_t error = checkOneAxis(board, axis)) return error;
  if (value == nullptr) return M716_ERR_PARAMETER_INVALID;
  std::uint32_t result = 0;
  const std::uint32_t error =
      readRegister(board, axis, static_cast<std::uint16_t>(identifier), result);
  if (error == M716_OK) *value = result;
  return error;
}

extern "C" KRVM716_API uint32_t M716MotWrReg(uint32_t board, uint32_t axes, uint32_t identifier,
                                             uint32_t value) {
  if (std::uint32_t error = checkAxisSelection(board, axes)) return error;
  const auto id = static_cast<std::uint16_t>(identifier);
  const std::uint32_t values[kAxisCount] = {value, value, value, value};
  if (std::uint32_t error = checkWriteAll(board, axes, id, values)) return error;
  writeRegister(board, axes, id, value);
  return M716_OK;
}

extern "C" KRVM716_API uint32_t M716MotRdMultiReg(uint32_t board, uint32_t axes,
                                                  uint32_t identifier, uint32_t* x, uint32_t* y,
                                                  uint32_t* z, uint32_t* u) {
  if (std::uint32_t error = checkAxisSelection(board, axes)) return error;
  uint32_t* const results[kAxisCount] = {x, y, z, u};
  std::uint32_t error = M716_OK;
  forEachAxis(axes, [&](std::uint32_t mask, std::uint32_t index) {
    if (error == M716_OK) error = M716MotRdReg(board, mask, identifier, results[index]);
  });
  return error;
}

extern "C" KRVM716_API uint32_t M716MotWrMultiReg(uint32_t board, uint32_t axes,
                                                  uint32_t identifier, uint32_t x, uint32_t y,
                                                  uint32_t z, uint32_t u) {
  if (std::uint32_t error = checkAxisSelection(board, axes)) return error;
  const auto id = static_cast<std::uint16_t>(identifier);
  const std::uint32_t values[kAxisCount] = {x, y, z, u};
  if (std::uint32_t error = checkWriteAll(board, axes, id, values)) return error;
  forEachAxis(axes, [&](std::uint32_t mask, std::uint32_t index) {
    writeRegister(board, mask, id, values[index]);
  });
  return M716_OK;
}
