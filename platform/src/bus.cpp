#include <algorithm>
#include <atomic>
#include <iterator>

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

// ---- RecordingBus

RecordingBus::RecordingBus(PortBus* inner) : inner_(inner) {}

std::uint16_t RecordingBus::read(std::uint32_t port) {
  std::uint16_t value = detail::kNoDevice;
  if (inner_) value = inner_->read(port);
  std::lock_guard lock(mutex_);
  if (!inner_) {
    const auto answer = std::ranges::find(answers_, port, &decltype(answers_)::value_type::first);
    if (answer != answers_.end()) value = answer->second;
  }
  accesses_.push_back({false, port, value});
  return value;
}

void RecordingBus::write(std::uint32_t port, std::uint16_t value) {
  {
    std::lock_guard lock(mutex_);
    accesses_.push_back({true, port, value});
  }
  if (inner_) inner_->write(port, value);
}

std::vector<RecordingBus::Access> RecordingBus::accesses() const {
  std::lock_guard lock(mutex_);
  return accesses_;
}

std::vector<std::uint16_t> RecordingBus::writesTo(std::uint32_t port) const {
  std::lock_guard lock(mutex_);
  std::vector<std::uint16_t> values;
  for (const auto& access : accesses_) {
    if (access.isWrite && access.port == port) values.push_back(access.value);
  }
  return values;
}

std::vector<RecordingBus::Access> RecordingBus::writes() const {
  std::lock_guard lock(mutex_);
  std::vector<Access> found;
  std::ranges::copy_if(accesses_, std::back_inserter(found), &Access::isWrite);
  return found;
}

void RecordingBus::clear() {
  std::lock_guard lock(mutex_);
  accesses_.clear();
}

void RecordingBus::answerReads(std::uint32_t port, std::uint16_t value) {
  std::lock_guard lock(mutex_);
  const auto answer = std::ranges::find(answers_, port, &decltype(answers_)::value_type::first);
  if (answer != answers_.end()) {
    answer->second = value;
  } else {
    answers_.emplace_back(port, value);
  }
}

}  // namespace m716::platform
