// The port primitives and issueAxisCommand.

#include "device/ports.h"

#include <algorithm>
#include <bit>

#include "KRVM716.h"
#include "device/board_table.h"
#include "device/chip_values.h"
#include "device/guarded.h"
#include "m716/platform/bus.h"

namespace m716 {
namespace {

constexpr std::uint16_t kEmptySlot = 0xFFFF;

void writeValue16(std::uint32_t board, std::uint32_t value) {
  writePortWord(board, chip::WR6, static_cast<std::uint16_t>(value));
}

void writeValue32(std::uint32_t board, std::uint32_t value) {
  writePortWord(board, chip::WR6, static_cast<std::uint16_t>(value));
  writePortWord(board, chip::WR7, static_cast<std::uint16_t>(value >> 16));
}

// The shadow entry a value-carrying command reads: the lowest selected axis.
const AxisRecord& commandAxis(const BoardRecord& record, std::uint32_t axes) {
  const std::uint32_t selected = axes & kAllAxes;
  return record.axes[selected == 0 ? 0 : static_cast<std::size_t>(std::countr_zero(selected))];
}

void loadModeRegister(std::uint32_t board, std::uint32_t axes, std::uint16_t port,
                      std::uint32_t value) {
  writeCommand(board, axes, chip::Select);
  writePortWord(board, port, static_cast<std::uint16_t>(value));
}

// WR1 or WR2: the shadow under the bits an axis's home search forces. One load for all the
// axes when their searches force the same bits, else one for each axis.
void loadSearchedModeRegister(std::uint32_t board, std::uint32_t axes, std::uint16_t port,
                              std::uint32_t AxisRecord::*shadow, SearchBits AxisRecord::*forced) {
  const BoardRecord& record = boards[board];
  const AxisRecord& lowest = commandAxis(record, axes);
  bool alike = true;
  forEachAxis(axes, [&](std::uint32_t, std::uint32_t index) {
    alike = alike && record.axes[index].*forced == lowest.*forced;
  });
  if (alike) return loadModeRegister(board, axes, port, (lowest.*forced).over(lowest.*shadow));
  forEachAxis(axes, [&](std::uint32_t mask, std::uint32_t index) {
    const AxisRecord& axis = record.axes[index];
    loadModeRegister(board, mask, port, (axis.*forced).over(axis.*shadow));
  });
}

// Writes the data words of a value-carrying command; false for codes without data.
bool writeCommandData(std::uint32_t board, const AxisRecord& axis, std::uint16_t code) {
  switch (code) {
    case chip::SetRange:
      writeValue32(board, std::clamp(axis.rg, chip::kRangeMin, chip::kRangeMax));
      return true;
    case chip::SetJerk:
      writeValue16(board, jerkRegister(axis.ak, axis.multiplier));
      return true;
    case chip::SetAcceleration:
      writeValue16(board, accelerationRegister(axis.ac, axis.multiplier));
      return true;
    case chip::SetDeceleration:
      writeValue16(board, decelerationRegister(axis.dc, axis.multiplier));
      return true;
    case chip::SetStartSpeed:
      writeValue16(board, std::max(speedRegister(axis.sv, axis.multiplier), chip::kSpeedMin));
      return true;
    case chip::SetDriveSpeed:
      writeValue16(board, speedRegister(axis.dv, axis.multiplier));
      return true;
    case chip::SetOutputPulses:
      writeValue32(board, static_cast<std::uint32_t>(axis.outputPulses));
      return true;
    case chip::SetDecelerationPoint:
      writeValue32(board, clampTo(axis.decelerationPoint / axis.multiplier, 0, 0xFFFFFFFF));
      return true;
    case chip::SetCircleCenter:
      writeValue32(board, static_cast<std::uint32_t>(axis.circleCenter));
      return true;
    case chip::SetLogicalPosition:
      writeValue32(board, static_cast<std::uint32_t>(axis.logicalPosition));
      return true;
    case chip::SetRealPosition:
      writeValue32(board, static_cast<std::uint32_t>(axis.realPosition));
      return true;
    case chip::SetComparePlus:
      writeValue32(board, static_cast<std::uint32_t>(axis.pcmp));
      return true;
    case chip::SetCompareMinus:
      writeValue32(board, static_cast<std::uint32_t>(axis.ncmp));
      return true;
    default:
      return false;
  }
}

}  // namespace

void writePortWord(std::uint32_t board, std::uint16_t offset, std::uint16_t value) {
  const BoardRecord& record = boards[board];
  if (!record.bound) return;
  platform::bus().write(std::uint32_t{record.baseAddress} + offset, value);
}

std::uint16_t readPortWord(std::uint32_t board, std::uint16_t offset) {
  const BoardRecord& record = boards[board];
  if (!record.bound) return kEmptySlot;
  return platform::bus().read(std::uint32_t{record.baseAddress} + offset);
}

platform::BusLock& boardLock(std::uint32_t board) {
  return platform::busLock(boards[board].baseAddress);
}

void writeCommand(std::uint32_t board, std::uint32_t axes, std::uint16_t code) {
  writePortWord(board, chip::WR0, chip::commandWord(axes, code));
}

void writeDataCommand(std::uint32_t board, std::uint32_t axisMask, std::uint16_t code,
                      std::uint32_t value) {
  writeValue32(board, value);
  writeCommand(board, axisMask, code);
}

void writeWordCommand(std::uint32_t board, std::uint32_t axisMask, std::uint16_t code,
                      std::uint16_t value) {
  writeValue16(board, value);
  writeCommand(board, axisMask, code);
}

void keepCompareCopies(std::uint32_t board, std::uint32_t axes, std::uint16_t code,
                       std::int32_t value) {
  M716InterruptBlock& block = interruptBlocks[board];
  std::int32_t* copies = code == chip::SetComparePlus ? block.comparePlus : block.compareMinus;
  forEachAxis(axes, [&](std::uint32_t, std::uint32_t index) { copies[index] = value; });
}

void issueAxisCommand(std::uint32_t board, std::uint32_t axisMask, std::uint16_t code) {
  std::lock_guard lock(boardLock(board));
  switch (code) {
    case LoadWR1:
      return loadSearchedModeRegister(board, axisMask, chip::WR1, &AxisRecord::wr1,
                                      &AxisRecord::searchWr1);
    case LoadWR2:
      return loadSearchedModeRegister(board, axisMask, chip::WR2, &AxisRecord::wr2,
                                      &AxisRecord::searchWr2);
    default:
      issueAxisCommand(board, axisMask, code, commandAxis(boards[board], axisMask));
  }
}

void issueAxisCommand(std::uint32_t board, std::uint32_t axisMask, std::uint16_t code,
                      const AxisRecord& values) {
  std::lock_guard lock(boardLock(board));
  switch (code) {
    case LoadWR1:
      return loadModeRegister(board, axisMask, chip::WR1, values.searchWr1.over(values.wr1));
    case LoadWR2:
      return loadModeRegister(board, axisMask, chip::WR2, values.searchWr2.over(values.wr2));
    case LoadWR3:
      return loadModeRegister(board, axisMask, chip::WR3, values.wr3);
    case chip::Select:
      return writeCommand(board, axisMask, code);
    case chip::SetComparePlus:
    case chip::SetCompareMinus:
      writeCommandData(board, values, code);
      writeCommand(board, axisMask, code);
      return keepCompareCopies(board, axisMask, code,
                               code == chip::SetComparePlus ? values.pcmp : values.ncmp);
    default:
      if (writeCommandData(board, values, code)) writeCommand(board, axisMask, code);
  }
}

AxisRecord axisCopy(std::uint32_t board, std::uint32_t index) {
  std::lock_guard lock(boardLock(board));
  return boards[board].axes[index];
}

}  // namespace m716

using namespace m716;

extern "C" KRVM716_API uint32_t M716_OutpWord(uint32_t board, uint32_t offset, uint16_t value) {
  return guarded(1, [&]() -> std::uint32_t {
    if (!isBoardNumber(board)) return 1;
    const BoardRecord& record = boards[board & 0xFF];
    if (record.bound) platform::bus().write(record.baseAddress + (offset & 0xFFFF), value);
    return 1;
  });
}

extern "C" KRVM716_API uint32_t M716_InpWord(uint32_t board, uint32_t offset, uint16_t* value) {
  return guarded(1, [&]() -> std::uint32_t {
    if (!isBoardNumber(board) || value == nullptr) return 1;
    const BoardRecord& record = boards[board & 0xFF];
    *value =
        record.bound ? platform::bus().read(record.baseAddress + (offset & 0xFFFF)) : kEmptySlot;
    return 1;
  });
}
