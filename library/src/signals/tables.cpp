// Compare and speed tables: checked, converted and handed to the interrupt driver, which
// works through them while the axis moves.

#include "signals/tables.h"

#include <mutex>

#include "KRVM716.h"
#include "KRVM716_driver.h"
#include "device/arguments.h"
#include "device/board_table.h"
#include "device/chip_values.h"
#include "device/driver_link.h"
#include "device/guarded.h"
#include "device/ports.h"
#include "motion/drives.h"

namespace m716 {
namespace {

enum class Table { compare, speed };

M716TableSlot& slotOf(M716InterruptBlock& block, Table kind, std::uint32_t axis) {
  return (kind == Table::compare ? block.compareTables : block.speedTables)[axisIndex(axis)];
}

void stopSlot(M716TableSlot& slot) {
  if (slot.state == M716_TABLE_RUNNING) slot.state = 0;
}

// Under the bus lock, so the driver is not in the middle of the slot or its table: stops the
// axis's running table of this kind, lets `prepare` change the new table, and records it.
// Then the driver takes it over. A table the driver would read through a null address is
// refused before anything changes.
template <typename Prepare>
std::uint32_t handOver(std::uint32_t board, std::uint32_t axis, Table kind, void* table,
                       std::uint32_t count, Prepare&& prepare) {
  if (table == nullptr && count != 0) return M716_ERR_PARAMETER_INVALID;
  {
    std::lock_guard lock(boardLock(board));
    M716InterruptBlock& block = interruptBlocks[board];
    M716TableSlot& slot = slotOf(block, kind, axis);
    stopSlot(slot);
    prepare();
    (kind == Table::compare ? block.compareAxis : block.speedAxis) =
        static_cast<std::uint8_t>(axis);
    slot.count = count;
    slot.table = table;
  }
  callDriver(board, kind == Table::compare ? M716_DRIVER_COMPARE_TABLE : M716_DRIVER_SPEED_TABLE);
  writePortWord(board, chip::BoardControl, 0);
  return M716_OK;
}

// The multiplier a drive speed of the axis is converted by, as for M716MotChgDV: while the axis
// drives, the one its drive was loaded with; standing, its own, which its next drive loads.
double speedTableMultiplier(std::uint32_t board, std::uint32_t axis) {
  std::lock_guard lock(boardLock(board));
  const AxisRecord& record = boards[board].axes[axisIndex(axis)];
  // A board never opened reads as all axes driving, but has loaded no drive.
  const bool drives = record.multiplierInForce > 0 && (drivingAxes(board) & axis) != 0;
  return drives ? record.multiplierInForce : record.multiplier;
}

// Every speed must load as the speed asked for: at most MDV and the register's 8000 units, and
// not a nonzero speed below one unit (it would load 0, which slows the axis to a standstill).
// 0 asks for that standstill, as it does of M716MotChgDV.
bool speedLoadable(std::uint32_t speed, std::uint32_t mdv, double m) {
  const Fit fit = speedFit(speed, m);
  return speed <= mdv && fit != Fit::above && (speed == 0 || fit == Fit::fits);
}

std::uint32_t buildSpeedTable(std::uint32_t board, std::uint32_t axis, M716SpeedTableEntry* table,
                              std::uint32_t count) {
  const double m = speedTableMultiplier(board, axis);
  const std::uint32_t mdv = boards[board].axes[axisIndex(axis)].mdv;
  if (table != nullptr) {
    for (std::uint32_t i = 0; i < count; ++i)
      if (!speedLoadable(table[i].speed, mdv, m)) return M716_ERR_PARAMETER_INVALID;
  }
  return handOver(board, axis, Table::speed, table, count, [&] {
    for (std::uint32_t i = 0; i < count; ++i) table[i].speed = speedRegister(table[i].speed, m);
  });
}

}  // namespace

void endTables(std::uint32_t board) {
  std::lock_guard lock(boardLock(board));
  M716InterruptBlock& block = interruptBlocks[board];
  for (std::uint32_t index = 0; index < kAxisCount; ++index) {
    stopSlot(block.compareTables[index]);
    stopSlot(block.speedTables[index]);
  }
}

}  // namespace m716

using namespace m716;

extern "C" KRVM716_API uint32_t M716BuildCompTable(uint32_t board, uint32_t axis,
                                                   const int32_t* table, uint32_t count) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckOneAxis(board, axis)) return error;
    // The driver only reads the table.
    return handOver(board, axis, Table::compare, const_cast<int32_t*>(table), count, [] {});
  });
}

extern "C" KRVM716_API uint32_t M716BuildSpeedTable(uint32_t board, uint32_t axis,
                                                    M716SpeedTableEntry* table, uint32_t count) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckOneAxis(board, axis)) return error;
    return buildSpeedTable(board, axis, table, count);
  });
}
