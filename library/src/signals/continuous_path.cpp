// The continuous path state the stop functions use.

#include "signals/continuous_path.h"

#include <mutex>

#include "device/board_table.h"
#include "device/chip.h"
#include "device/ports.h"

namespace m716 {

bool continuousPathRunning(std::uint32_t board) {
  std::lock_guard lock(boardLock(board));
  const M716InterruptBlock& block = interruptBlocks[board];
  return block.pathIdle == 0 && (block.pathAxes & kAllAxes) != 0;
}

std::uint32_t continuousPathFirstAxis(std::uint32_t board) { return boards[board].pathFirstAxis; }

void stopContinuousPath(std::uint32_t board) {
  std::lock_guard lock(boardLock(board));
  M716InterruptBlock& block = interruptBlocks[board];
  block.pathIdle = 1;
  block.pathStop = 1;
  writePortWord(board, chip::WR0, chip::commandWord(block.pathAxes, chip::StopSudden));
  writePortWord(board, chip::WR0, chip::ClearInterpolationInterrupt);
}

}  // namespace m716
