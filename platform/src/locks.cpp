#include "m716/platform/locks.h"

#include <atomic>

namespace m716::platform {
namespace {

// One slot per 16-bit base address, filled at the first lookup and never emptied, so a
// lookup is one atomic load once the lock exists.
std::atomic<BusLock*> busLocks[0x10000];

}  // namespace

BusLock& busLock(std::uint16_t baseAddress) {
  auto& slot = busLocks[baseAddress];
  if (BusLock* existing = slot.load(std::memory_order_acquire)) return *existing;
  auto* fresh = new BusLock;
  BusLock* expected = nullptr;
  if (slot.compare_exchange_strong(expected, fresh, std::memory_order_acq_rel,
                                   std::memory_order_acquire)) {
    return *fresh;
  }
  delete fresh;  // another thread filled the slot first
  return *expected;
}

}  // namespace m716::platform
