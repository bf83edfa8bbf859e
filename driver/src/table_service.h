#pragma once
// The compare and speed tables of one registered board, worked through at interrupt time.
//
// A compare table is an array of signed 32-bit positions. The driver keeps the next one in
// COMP+ and moves on whenever the compared counter is at or above it (RR1: P >= COMP+), so an
// entry already reached when it is loaded counts at once. A speed table is an array of
// M716SpeedTableEntry (drive speed register value, position). The driver watches the next
// entry's position with COMP-: when the counter reaches it from the side it stood on as the
// entry became the next (RR1: P < COMP- changes), it loads the speed; an entry where the counter
// stands applies at once. Reached from above means at or below the position: the watch is then
// put one above it. The block's COMP+ and COMP- copies always hold what the chip holds.
//
// The P >= COMP+ and P >= / < COMP- factors that the application enables raise the interrupts
// at which the tables move on; the factors are read (and added to the pending ones) by the
// board's service, never taken here.
//
// Concurrency: every member is called with the board's bus lock held (interrupt service, and
// the take-over of DriverProc codes 3 and 4), so the slots and the chip are never changed
// under another holder.

#include <array>
#include <cstdint>

#include "KRVM716_driver.h"

namespace m716::driver {

class TableService {
 public:
  TableService(M716InterruptBlock& block, std::uint16_t base) : block_(block), base_(base) {}

  // Takes the table of the slot that the block's compare (speed) axis names. False when the
  // axis is not one axis bit.
  bool takeCompareTable();
  bool takeSpeedTable();
  // Moves every running table on as far as its axis has come.
  void serve();

 private:
  void loadCompareEntry(std::uint32_t index);
  void advanceCompare(std::uint32_t index);
  void watchSpeedEntry(std::uint32_t index);
  void advanceSpeed(std::uint32_t index);
  bool applySpeedEntry(std::uint32_t index);
  // Loads COMP- with `value`, keeping the block's copy, and tells whether the counter is below.
  bool watchCompareMinus(std::uint32_t index, std::int32_t value);
  void loadData(std::uint32_t index, std::uint16_t code, std::uint32_t value);
  std::uint16_t status1(std::uint32_t index);

  M716InterruptBlock& block_;
  const std::uint16_t base_;
  std::array<std::uint32_t, 4> compareNext_{};  // the entry in COMP+
  std::array<std::uint32_t, 4> speedNext_{};    // the entry COMP- watches
  std::array<bool, 4> speedBelow_{};            // the counter was below COMP- as it was loaded
};

}  // namespace m716::driver
