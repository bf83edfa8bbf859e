// The continuous path state the stops use.

#include "device/path_state.h"

#include <mutex>

#include "device/board_table.h"
#include "device/ports.h"

namespace m716 {

std::uint32_t continuousPathAxes(std::uint32_t board) {
  std::lock_guard lock(boardLock(board));
  const M716InterruptBlock& block = interruptBlocks[board];
  return block.pathIdle == 0 ? block.pathAxes & kAllAxes : 0;
}

bool continuousPathRunning(std::uint32_t board) {
  return continuousPathAxes(board) != 0;
}

bool continuousPathReading(const void* records) {
  for (std::uint32_t board = 0; board < kBoardCount; ++board) {
    // A start on another thread writes the record address under the board's lock, and the
    // driver marks the path idle under it.
    std::lock_guard lock(boardLock(board));
    if (interruptBlocks[board].pathRecords == records && continuousPathRunning(board)) return true;
  }
  return false;
}

std::uint32_t continuousPathFirstAxis(std::uint32_t board) {
  return boards[board].pathFirstAxis;
}

void stopFeedingContinuousPath(std::uint32_t board) {
  std::lock_guard lock(boardLock(board));
  interruptBlocks[board].pathStop = 1;
}

void stopContinuousPath(std::uint32_t board) {
  std::lock_guard lock(boardLock(board));
  M716InterruptBlock& block = interruptBlocks[board];
  block.pathIdle = 1;
  block.pathStop = 1;
  writeCommand(board, block.pathAxes, chip::StopSudden);
  writeCommand(board, 0, chip::ClearInterpolationInterrupt);
}

}  // namespace m716
