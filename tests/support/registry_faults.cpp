#include "registry_faults.h"

#include <atomic>

namespace m716::platform {
namespace {

std::atomic<std::uint32_t> writesUntilFault{0};  // 0: no fault pending

}  // namespace

void failRegistryWrite(std::uint32_t n) {
  writesUntilFault = n;
}

void clearRegistryWriteFault() {
  failRegistryWrite(0);
}

}  // namespace m716::platform

// Asked by the platform's store before each write: counts the write towards a pending fault,
// true for the write that is to fail.
extern "C" bool m716_registry_write_fails() {
  using m716::platform::writesUntilFault;
  std::uint32_t left = writesUntilFault.load();
  while (left != 0 && !writesUntilFault.compare_exchange_weak(left, left - 1)) {
  }
  return left == 1;
}
