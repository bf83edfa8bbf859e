#include "recording_bus.h"

#include <algorithm>
#include <iterator>

namespace m716::platform {
namespace {

constexpr std::uint16_t kNoDevice = 0xFFFF;  // what an empty slot of the bus reads

}  // namespace

RecordingBus::RecordingBus(PortBus* inner) : inner_(inner) {}

std::uint16_t RecordingBus::read(std::uint32_t port) {
  std::uint16_t value = kNoDevice;
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
