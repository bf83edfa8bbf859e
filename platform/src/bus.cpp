#include <atomic>

#include "bus_backend.h"

namespace m716::platform {
namespace {

// The bus in use; null until the first access or after useBus(nullptr), when the backend
// takes its place.
std::atomic<PortBus*> currentBus{nullptr};

PortBus& installBackend() {
  PortBus* expected = nullptr;
  PortBus* backend = &detail::backendBus();
  currentBus.compare_exchange_strong(expected, backend, std::memory_order_acq_rel);
  return expected ? *expected : *backend;
}

}  // namespace

PortBus& bus() {
  PortBus* current = currentBus.load(std::memory_order_acquire);
  return current ? *current : installBackend();
}

InterruptLines& interruptLines() {
  return detail::backendInterruptLines();
}

void useBus(PortBus* replacement) {
  currentBus.store(replacement, std::memory_order_release);
}

}  // namespace m716::platform
