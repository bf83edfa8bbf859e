// Register access by identifier.

#include "device/registers.h"

#include <algorithm>
#include <climits>
#include <mutex>
#include <span>
#include <variant>

#include "KRVM716.h"
#include "device/arguments.h"
#include "device/board_table.h"
#include "device/chip_values.h"
#include "device/guarded.h"
#include "device/interrupt_factors.h"
#include "device/ports.h"

namespace m716 {
namespace {

using A = AxisRecord;
using namespace chip;

// The axis's shadow of a register's value; none for what only the chip holds.
using Field = std::variant<std::monostate, std::uint32_t A::*, std::int32_t A::*>;

// 0 when `value` may be written to the register of the axis, else the error code.
using Check = std::uint32_t (*)(const A& axis, std::uint32_t value);
// What a write changes besides the shadows of the axes: derived values and the chip.
using Apply = void (*)(std::uint32_t board, std::uint32_t axes, std::uint32_t value);
struct RegisterRow;
// The value a read gives for one axis; the bus lock is held.
using Read = std::uint32_t (*)(const RegisterRow& row, std::uint32_t board, std::uint32_t axis);

// One register identifier: its shadow, the check a write passes (none: writes are accepted
// and ignored), what else a write changes, and how it reads (none: 22).
struct RegisterRow {
  std::uint16_t id;
  Field field;
  Check check;
  Apply apply;
  Read read;
};

std::uint32_t fieldValue(const Field& field, const A& axis) {
  return std::visit(
      [&](auto member) -> std::uint32_t {
        if constexpr (std::is_same_v<decltype(member), std::monostate>)
          return 0;
        else
          return static_cast<std::uint32_t>(axis.*member);
      },
      field);
}

void setField(const Field& field, A& axis, std::uint32_t value) {
  std::visit(
      [&](auto member) {
        if constexpr (!std::is_same_v<decltype(member), std::monostate>) {
          using Stored = std::remove_reference_t<decltype(axis.*member)>;
          axis.*member = static_cast<Stored>(value);
        }
      },
      field);
}

// Checks.

std::uint32_t anyValue(const A&, std::uint32_t) {
  return M716_OK;
}

std::uint32_t counter(const A&, std::uint32_t value) {
  return static_cast<std::int32_t>(value) == INT_MIN ? M716_ERR_NLMT_OVER : M716_OK;
}

std::uint32_t pulses(const A&, std::uint32_t value) {
  return static_cast<std::int32_t>(value) > kMaxDistance ? M716_ERR_DISTANCE : M716_OK;
}

std::uint32_t range(const A&, std::uint32_t value) {
  if (value < kRangeMin) return M716_ERR_RG_UNDER;
  return value > kRangeMax ? M716_ERR_RG_OVER : M716_OK;
}

std::uint32_t speed(std::uint32_t value, double m, std::uint32_t under, std::uint32_t over) {
  if (value == 0) return under;
  if (value > kMaxSpeed) return over;
  return fitError(speedFit(value, m), under, over);
}

constexpr std::uint32_t kMinAcceleration = kAccelerationStep, kMaxAcceleration = 500'000'000;

std::uint32_t acceleration(std::uint32_t value, double m, std::uint32_t under, std::uint32_t over) {
  if (value < kMinAcceleration) return under;
  if (value > kMaxAcceleration) return over;
  return fitError(accelerationFit(value, m), under, over);
}

std::uint32_t sv(const A& axis, std::uint32_t value) {
  return speed(value, axis.multiplier, M716_ERR_SV_UNDER, M716_ERR_SV_OVER);
}

std::uint32_t dv(const A& axis, std::uint32_t value) {
  if (value > axis.mdv) return M716_ERR_DV_OVER;
  return speed(value, axis.multiplier, M716_ERR_DV_UNDER, M716_ERR_DV_OVER);
}

std::uint32_t mdv(const A& axis, std::uint32_t value) {
  if (value == 0) return M716_ERR_MDV_UNDER;
  const bool above = value > kMaxSpeed || speedFit(value, axis.multiplier) == Fit::above;
  return above ? M716_ERR_MDV_OVER : M716_OK;
}

std::uint32_t ac(const A& axis, std::uint32_t value) {
  return acceleration(value, axis.multiplier, M716_ERR_AC_UNDER, M716_ERR_AC_OVER);
}

std::uint32_t dc(const A& axis, std::uint32_t value) {
  return acceleration(value, axis.multiplier, M716_ERR_DC_UNDER, M716_ERR_DC_OVER);
}

std::uint32_t ak(const A& axis, std::uint32_t value) {
  const bool below = value < kJerkFloor || jerkFit(value, axis.multiplier) == Fit::below;
  return below ? M716_ERR_AK_UNDER : M716_OK;
}

constexpr std::uint32_t kMaxHomeType = 4;

std::uint32_t homeType(const A&, std::uint32_t value) {
  return value > kMaxHomeType ? M716_ERR_VALUE_OVER : M716_OK;
}

std::uint32_t homeSpeed(const A&, std::uint32_t value) {
  if (value == 0) return M716_ERR_DV_UNDER;
  return value > kMaxSpeed ? M716_ERR_DV_OVER : M716_OK;
}

// What a write changes besides the shadow.

template <std::uint16_t code>
void loads(std::uint32_t board, std::uint32_t axes, std::uint32_t) {
  issueAxisCommand(board, axes, code);
}

// COMP+ and COMP- go high word first; the interrupt block keeps a copy.
template <std::uint16_t code>
void loadsCompare(std::uint32_t board, std::uint32_t axes, std::uint32_t value) {
  keepCompareCopies(board, axes, code, static_cast<std::int32_t>(value));
  writePortWord(board, WR7, static_cast<std::uint16_t>(value >> 16));
  writePortWord(board, WR6, static_cast<std::uint16_t>(value));
  writeCommand(board, axes, code);
}

void setsMultiplier(std::uint32_t board, std::uint32_t axes, std::uint32_t value) {
  forEachAxis(axes, [&](std::uint32_t, std::uint32_t index) {
    boards[board].axes[index].multiplier = multiplierFor(value);
  });
}

// A speed-set value written here is also the configured one, so the next point-to-point move
// runs with it.
template <std::uint32_t ConfiguredSpeeds::*member>
void configures(std::uint32_t board, std::uint32_t axes, std::uint32_t value) {
  forEachAxis(axes, [&](std::uint32_t, std::uint32_t index) {
    boards[board].axes[index].configured.*member = value;
  });
}

// Reads.

A& recordOf(std::uint32_t board, std::uint32_t axis) {
  return boards[board].axes[axisIndex(axis)];
}

std::uint32_t shadow(const RegisterRow& row, std::uint32_t board, std::uint32_t axis) {
  return fieldValue(row.field, recordOf(board, axis));
}

std::uint32_t zero(const RegisterRow&, std::uint32_t, std::uint32_t) {
  return 0;
}

// A position counter, kept in the shadow as read.
template <std::uint16_t code>
std::uint32_t counterRead(const RegisterRow& row, std::uint32_t board, std::uint32_t axis) {
  const std::uint32_t value = readChipData(board, axis, code, WordOrder::highFirst);
  setField(row.field, recordOf(board, axis), value);
  return value;
}

template <std::int32_t (M716InterruptBlock::*copies)[kAxisCount]>
std::uint32_t compareRead(const RegisterRow&, std::uint32_t board, std::uint32_t axis) {
  // The driver keeps the copies current at interrupt time, under the same lock.
  std::lock_guard lock(boardLock(board));
  return static_cast<std::uint32_t>((interruptBlocks[board].*copies)[axisIndex(axis)]);
}

std::uint32_t truncated(double value) {
  return static_cast<std::uint32_t>(static_cast<std::int64_t>(value));
}

// Live values are scaled by the range in force: speed units are 8 000 000 / range pps,
// acceleration units kAccelerationStep of them. The count is multiplied before it is divided
// by the range, so a whole number of pulses reads as that number (195 units at range 48 000
// are 32 500 pps, where 195 times a rounded 166.67 would give 32 499). The shadow keeps the
// value read.
template <std::uint16_t code, std::uint32_t unit>
std::uint32_t liveRead(const RegisterRow& row, std::uint32_t board, std::uint32_t axis) {
  const std::uint32_t raw = readChipData(board, axis, code, WordOrder::highFirst);
  A& record = recordOf(board, axis);
  const std::uint32_t range = record.rangeInForce == 0 ? kRangeMax : record.rangeInForce;
  const std::uint32_t value = truncated(raw * unit * kReferenceRate / range);
  setField(row.field, record, value);
  return value;
}

template <std::uint16_t port>
std::uint32_t portRead(const RegisterRow&, std::uint32_t board, std::uint32_t) {
  return readPortWord(board, port);
}

template <std::uint16_t port>
std::uint32_t statusRead(const RegisterRow&, std::uint32_t board, std::uint32_t axis) {
  return readAxisStatus(board, axis, port);
}

constexpr auto kPlus = &M716InterruptBlock::comparePlus;
constexpr auto kMinus = &M716InterruptBlock::compareMinus;
using Speeds = ConfiguredSpeeds;

// Every identifier the register access knows, in ascending order.
// clang-format off
constexpr RegisterRow kRegisters[] = {
  // identifier, shadow, check (none: not written), what a write also does, read (none: 22)
  {M716_REG_REAL_POSITION, &A::realPosition, counter, loads<SetRealPosition>, counterRead<ReadRealPosition>},
  {M716_REG_LOGICAL_POSITION, &A::logicalPosition, counter, loads<SetLogicalPosition>, counterRead<ReadLogicalPosition>},
  {M716_REG_COMPARE_PLUS, &A::pcmp, counter, loadsCompare<SetComparePlus>, compareRead<kPlus>},
  {M716_REG_COMPARE_MINUS, &A::ncmp, counter, loadsCompare<SetCompareMinus>, compareRead<kMinus>},
  {M716_REG_OUTPUT_PULSES, &A::outputPulses, pulses, nullptr, nullptr},
  {M716_REG_LIVE_SPEED, &A::liveSpeed, nullptr, nullptr, liveRead<ReadSpeed, 1>},
  {M716_REG_LIVE_ACCELERATION, &A::liveAcceleration, nullptr, nullptr, liveRead<ReadAcceleration, kAccelerationStep>},
  {M716_REG_MAIN_STATUS, {}, nullptr, nullptr, portRead<RR0>},
  {M716_REG_STATUS1, {}, nullptr, nullptr, statusRead<RR1>},
  {M716_REG_STATUS2, {}, nullptr, nullptr, statusRead<RR2>},
  {M716_REG_STATUS3, {}, nullptr, nullptr, statusRead<RR3>},
  {M716_REG_INPUT1, {}, nullptr, nullptr, portRead<RR4>},
  {M716_REG_INPUT2, {}, nullptr, nullptr, portRead<RR5>},
  {M716_REG_MODE1, &A::wr1, anyValue, loads<LoadWR1>, shadow},
  {M716_REG_MODE2, &A::wr2, anyValue, loads<LoadWR2>, shadow},
  {M716_REG_MODE3, &A::wr3, anyValue, loads<LoadWR3>, shadow},
  {M716_REG_NONE1, {}, nullptr, nullptr, zero},
  {M716_REG_NONE2, {}, nullptr, nullptr, zero},
  {M716_PAR_RG, &A::rg, range, setsMultiplier, shadow},
  {M716_PAR_SV, &A::sv, sv, configures<&Speeds::sv>, shadow},
  {M716_PAR_DV, &A::dv, dv, configures<&Speeds::dv>, shadow},
  {M716_PAR_MDV, &A::mdv, mdv, nullptr, shadow},
  {M716_PAR_AC, &A::ac, ac, configures<&Speeds::ac>, shadow},
  {M716_PAR_DC, &A::dc, dc, nullptr, shadow},
  {M716_PAR_AK, &A::ak, ak, configures<&Speeds::ak>, shadow},
  {M716_PAR_PLMT, &A::plmt, anyValue, nullptr, shadow},
  {M716_PAR_NLMT, &A::nlmt, counter, nullptr, shadow},
  {M716_PAR_HOME_OFFSET, &A::homeOffset, counter, nullptr, shadow},
  {M716_PAR_HOME_MODE, &A::homeMode, anyValue, nullptr, shadow},
  {M716_PAR_HOME_TYPE, &A::homeType, homeType, nullptr, shadow},
  {M716_PAR_HOME_P0_DIR, &A::homeP0Dir, anyValue, nullptr, shadow},
  {M716_PAR_HOME_P0_SPEED, &A::homeP0Speed, homeSpeed, nullptr, shadow},
  {M716_PAR_HOME_P1_DIR, &A::homeP1Dir, anyValue, nullptr, shadow},
  {M716_PAR_HOME_P1_SPEED, &A::homeP1Speed, homeSpeed, nullptr, shadow},
  {M716_PAR_HOME_P2_DIR, &A::homeP2Dir, anyValue, nullptr, shadow},
  {M716_PAR_HOME_OFFSET_SPEED, &A::homeOffsetSpeed, homeSpeed, nullptr, shadow},
};
// clang-format on

constexpr bool ascending(std::span<const RegisterRow> rows) {
  return std::adjacent_find(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
           return a.id >= b.id;
         }) == rows.end();
}
static_assert(ascending(kRegisters), "register rows in strictly ascending identifier order");

const RegisterRow* registerRow(std::uint16_t id) {
  const auto* row =
      std::lower_bound(std::begin(kRegisters), std::end(kRegisters), id,
                       [](const RegisterRow& r, std::uint16_t key) { return r.id < key; });
  return row != std::end(kRegisters) && row->id == id ? row : nullptr;
}

std::uint32_t checkWriteAll(std::uint32_t board, std::uint32_t axes, const RegisterRow& row,
                            const std::uint32_t* values) {
  std::uint32_t error = M716_OK;
  forEachAxis(axes, [&](std::uint32_t, std::uint32_t index) {
    if (error == M716_OK) error = row.check(boards[board].axes[index], values[index]);
  });
  return error;
}

// Stores the value in the shadow of every selected axis, then applies it (all with one
// command to the chip where it loads one).
void writeRegister(std::uint32_t board, std::uint32_t axes, const RegisterRow& row,
                   std::uint32_t value) {
  std::lock_guard lock(boardLock(board));
  forEachAxis(axes, [&](std::uint32_t, std::uint32_t index) {
    setField(row.field, boards[board].axes[index], value);
  });
  if (row.apply != nullptr) row.apply(board, axes, value);
}

// Checks every selected value, then writes each axis its own (all at once when they agree).
// Identifiers without a write are accepted and change nothing.
std::uint32_t writeRegisters(std::uint32_t board, std::uint32_t axes, std::uint16_t id,
                             const std::uint32_t (&values)[kAxisCount], bool sameValue) {
  const RegisterRow* row = registerRow(id);
  if (row == nullptr || row->check == nullptr) return M716_OK;
  if (std::uint32_t error = checkWriteAll(board, axes, *row, values)) return error;
  if (sameValue) {
    writeRegister(board, axes, *row, values[0]);
  } else {
    forEachAxis(axes, [&](std::uint32_t mask, std::uint32_t index) {
      writeRegister(board, mask, *row, values[index]);
    });
  }
  return M716_OK;
}

}  // namespace

std::uint32_t readChipData(std::uint32_t board, std::uint32_t axis, std::uint16_t code,
                           WordOrder order) {
  std::lock_guard lock(boardLock(board));
  writeCommand(board, axis, code);
  std::uint32_t low = 0, high = 0;
  if (order == WordOrder::lowFirst) {
    low = readPortWord(board, RR6);
    high = readPortWord(board, RR7);
  } else {
    high = readPortWord(board, RR7);
    low = readPortWord(board, RR6);
  }
  return high << 16 | low;
}

std::uint8_t readInputByte(std::uint32_t board, std::uint32_t axis) {
  const std::uint32_t index = axisIndex(axis);
  const std::uint16_t word = readPortWord(board, index < 2 ? RR4 : RR5);
  return static_cast<std::uint8_t>(index % 2 == 0 ? word : word >> 8);
}

std::uint16_t readAxisStatus(std::uint32_t board, std::uint32_t axis, std::uint16_t port) {
  std::lock_guard lock(boardLock(board));
  writeCommand(board, axis, Select);
  const std::uint16_t value = readPortWord(board, port);
  // The read cleared the chip's factors: they stay pending for M716MotCheckEvent.
  if (port == RR3) addFactorsRead(board, axis, value);
  return value;
}

std::uint32_t readRegister(std::uint32_t board, std::uint32_t axis, std::uint16_t id,
                           std::uint32_t& value) {
  const RegisterRow* row = registerRow(id);
  if (row == nullptr || row->read == nullptr) return M716_ERR_REGISTER_UNDEFINED;
  std::lock_guard lock(boardLock(board));
  value = row->read(*row, board, axis);
  return M716_OK;
}

std::uint32_t presetAxisValue(std::uint32_t board, std::uint32_t axis,
                              std::int32_t AxisRecord::*field, std::uint16_t code,
                              std::int32_t value) {
  if (std::uint32_t error = maskAndCheckOneAxis(board, axis)) return error;
  std::lock_guard lock(boardLock(board));
  boards[board].axes[axisIndex(axis)].*field = value;
  issueAxisCommand(board, axis, code);
  return M716_OK;
}

}  // namespace m716

using namespace m716;

extern "C" KRVM716_API uint32_t M716MotRdReg(uint32_t board, uint32_t axis, uint32_t identifier,
                                             uint32_t* value) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckOneAxis(board, axis)) return error;
    if (value == nullptr) return M716_ERR_PARAMETER_INVALID;
    std::uint32_t result = 0;
    const std::uint32_t error =
        readRegister(board, axis, static_cast<std::uint16_t>(identifier), result);
    if (error == M716_OK) *value = result;
    return error;
  });
}

extern "C" KRVM716_API uint32_t M716MotWrReg(uint32_t board, uint32_t axes, uint32_t identifier,
                                             uint32_t value) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckAxisSelection(board, axes)) return error;
    return writeRegisters(board, axes, static_cast<std::uint16_t>(identifier),
                          {value, value, value, value}, true);
  });
}

extern "C" KRVM716_API uint32_t M716MotRdMultiReg(uint32_t board, uint32_t axes,
                                                  uint32_t identifier, uint32_t* x, uint32_t* y,
                                                  uint32_t* z, uint32_t* u) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckAxisSelection(board, axes)) return error;
    uint32_t* const results[kAxisCount] = {x, y, z, u};
    std::uint32_t error = M716_OK;
    forEachAxis(axes, [&](std::uint32_t mask, std::uint32_t index) {
      if (error == M716_OK) error = M716MotRdReg(board, mask, identifier, results[index]);
    });
    return error;
  });
}

extern "C" KRVM716_API uint32_t M716MotWrMultiReg(uint32_t board, uint32_t axes,
                                                  uint32_t identifier, uint32_t x, uint32_t y,
                                                  uint32_t z, uint32_t u) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckAxisSelection(board, axes)) return error;
    return writeRegisters(board, axes, static_cast<std::uint16_t>(identifier), {x, y, z, u}, false);
  });
}
