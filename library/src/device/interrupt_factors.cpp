// The interrupt factors pending in the interrupt block.

#include "device/interrupt_factors.h"

#include <atomic>
#include <mutex>

#include "device/board_events.h"
#include "device/board_table.h"
#include "device/ports.h"
#include "device/registers.h"

namespace m716 {
namespace {

std::atomic_ref<std::uint16_t> pendingOf(std::uint32_t board, std::uint32_t index) {
  return std::atomic_ref(interruptBlocks[board].factors[index]);
}

}  // namespace

std::uint32_t takePendingFactors(std::uint32_t board) {
  std::uint32_t word = 0;
  for (std::uint32_t index = 0; index < kAxisCount; ++index) {
    const std::uint16_t factors = pendingOf(board, index).exchange(0, std::memory_order_acq_rel);
    word |= (std::uint32_t{factors} & chip::rr3::Factors) << (8 * index);
  }
  return word;
}

void addFactorsRead(std::uint32_t board, std::uint32_t axis, std::uint16_t factors) {
  if (factors == 0) return;
  pendingOf(board, axisIndex(axis)).fetch_or(factors, std::memory_order_acq_rel);
  signalInterruptEvent(board);
}

void dropPendingFactors(std::uint32_t board, std::uint32_t axis, std::uint16_t factors) {
  std::lock_guard lock(boardLock(board));
  readAxisStatus(board, axis, chip::RR3);
  pendingOf(board, axisIndex(axis))
      .fetch_and(static_cast<std::uint16_t>(~factors), std::memory_order_acq_rel);
}

}  // namespace m716
