#include "table_service.h"

#include <algorithm>
#include <bit>
#include <climits>

#include "KRVM716.h"
#include "m716/board/registers.h"
#include "m716/platform/bus.h"

namespace m716::driver {
namespace {

// The index of a one-axis mask (1, 2, 4, 8); kNoAxis for anything else.
constexpr std::uint32_t kNoAxis = 4;
std::uint32_t indexOfAxis(std::uint8_t axis) {
  return std::has_single_bit(axis) && axis <= 8 ? static_cast<std::uint32_t>(std::countr_zero(axis))
                                                : kNoAxis;
}

// Starts a slot taken over: false when it has no entries, and so is done at once.
bool startSlot(M716TableSlot& slot) {
  const bool entries = slot.count != 0 && slot.table != nullptr;
  slot.state = entries ? M716_TABLE_RUNNING : M716_TABLE_DONE;
  return entries;
}

const std::int32_t* comparePositions(const M716TableSlot& slot) {
  return static_cast<const std::int32_t*>(slot.table);
}

const M716SpeedTableEntry* speedEntries(const M716TableSlot& slot) {
  return static_cast<const M716SpeedTableEntry*>(slot.table);
}

}  // namespace

void TableService::loadData(std::uint32_t index, std::uint16_t code, std::uint32_t value) {
  auto& bus = platform::bus();
  bus.write(base_ + chip::WR6, static_cast<std::uint16_t>(value));
  if (code != chip::SetDriveSpeed)
    bus.write(base_ + chip::WR7, static_cast<std::uint16_t>(value >> 16));
  bus.write(base_ + chip::WR0, chip::commandWord(1u << index, code));
}

std::uint16_t TableService::status1(std::uint32_t index) {
  platform::bus().write(base_ + chip::WR0, chip::commandWord(1u << index, chip::Select));
  return platform::bus().read(base_ + chip::RR1);
}

bool TableService::takeCompareTable() {
  const std::uint32_t index = indexOfAxis(block_.compareAxis);
  if (index == kNoAxis) return false;
  if (startSlot(block_.compareTables[index])) {
    compareNext_[index] = 0;
    loadCompareEntry(index);
    advanceCompare(index);
  }
  return true;
}

void TableService::loadCompareEntry(std::uint32_t index) {
  const std::int32_t position = comparePositions(block_.compareTables[index])[compareNext_[index]];
  loadData(index, chip::SetComparePlus, static_cast<std::uint32_t>(position));
  block_.comparePlus[index] = position;
}

void TableService::advanceCompare(std::uint32_t index) {
  M716TableSlot& slot = block_.compareTables[index];
  while (slot.state == M716_TABLE_RUNNING && (status1(index) & chip::rr1::AtOrAboveComparePlus)) {
    if (++compareNext_[index] >= slot.count) {
      slot.state = M716_TABLE_DONE;
      return;
    }
    loadCompareEntry(index);
  }
}

bool TableService::takeSpeedTable() {
  const std::uint32_t index = indexOfAxis(block_.speedAxis);
  if (index == kNoAxis) return false;
  if (startSlot(block_.speedTables[index])) {
    speedNext_[index] = 0;
    watchSpeedEntry(index);
  }
  return true;
}

bool TableService::watchCompareMinus(std::uint32_t index, std::int32_t value) {
  loadData(index, chip::SetCompareMinus, static_cast<std::uint32_t>(value));
  block_.compareMinus[index] = value;
  return (status1(index) & chip::rr1::BelowCompareMinus) != 0;
}

// The entry's speed goes to the chip and the next entry becomes the next; false when that was
// the last.
bool TableService::applySpeedEntry(std::uint32_t index) {
  M716TableSlot& slot = block_.speedTables[index];
  const M716SpeedTableEntry& entry = speedEntries(slot)[speedNext_[index]];
  loadData(index, chip::SetDriveSpeed, std::min(entry.speed, chip::kSpeedMax));
  if (++speedNext_[index] < slot.count) return true;
  slot.state = M716_TABLE_DONE;
  return false;
}

// Puts the watch on the next entry: at its position when the counter is below it, one above it
// when the counter is beyond it. An entry the counter stands on applies at once.
void TableService::watchSpeedEntry(std::uint32_t index) {
  do {
    const std::int32_t position =
        speedEntries(block_.speedTables[index])[speedNext_[index]].position;
    if (watchCompareMinus(index, position)) {
      speedBelow_[index] = true;
      return;
    }
    if (position != INT32_MAX && !watchCompareMinus(index, position + 1)) {
      speedBelow_[index] = false;
      return;
    }
  } while (applySpeedEntry(index));
}

void TableService::advanceSpeed(std::uint32_t index) {
  const bool below = (status1(index) & chip::rr1::BelowCompareMinus) != 0;
  if (below == speedBelow_[index]) return;
  if (applySpeedEntry(index)) watchSpeedEntry(index);
}

void TableService::serve() {
  for (std::uint32_t index = 0; index < 4; ++index) {
    if (block_.compareTables[index].state == M716_TABLE_RUNNING) advanceCompare(index);
    if (block_.speedTables[index].state == M716_TABLE_RUNNING) advanceSpeed(index);
  }
}

}  // namespace m716::driver
