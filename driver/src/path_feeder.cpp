#include "path_feeder.h"

#include <atomic>
#include <bit>

#include "m716/board/registers.h"
#include "m716/platform/bus.h"

namespace m716::driver {
namespace {

constexpr std::uint32_t kLineRoles = 3;    // values 0..2: the finish point of each role
constexpr std::uint32_t kCenterValue = 3;  // values 3, 4: the center of roles 0 and 1

bool isArc(std::uint16_t type) {
  return type == IPO_CW || type == IPO_CCW;
}

std::uint16_t interpolationCommand(std::uint16_t type) {
  switch (type) {
    case IPO_L3:
      return chip::InterpolateLine3;
    case IPO_CW:
      return chip::InterpolateArcCw;
    case IPO_CCW:
      return chip::InterpolateArcCcw;
    default:
      return chip::InterpolateLine2;
  }
}

}  // namespace

void PathFeeder::write(std::uint16_t offset, std::uint16_t value) {
  platform::bus().write(base_ + offset, value);
}

std::uint16_t PathFeeder::mainStatus() {
  return platform::bus().read(base_ + chip::RR0);
}

void PathFeeder::start() {
  records_ = static_cast<const M716ContiRecord*>(block_.pathRecords);
  points_ = block_.pathPoints;
  axes_ = block_.pathAxes;
  for (std::size_t k = 0; k < commands_.size(); ++k) commands_[k] = block_.pathCommands[k];
  loaded_ = 0;
  started_ = true;
  feeding_ = records_ != nullptr && points_ != 0;
  if (!feeding_) finish();
}

void PathFeeder::service() {
  if (!started_) return;
  // Cleared first: a segment that the loads below start raises it anew.
  write(chip::WR0, chip::ClearInterpolationInterrupt);
  if (!feeding_) return;
  if (block_.pathStop != 0) {
    feeding_ = false;  // the library stopped the path and marked it idle
    return;
  }
  const std::uint16_t status = mainStatus();
  // A path that is not moving after its first segment has ended or was stopped: whatever
  // stopped it, it does not start again by itself.
  if (loaded_ > 0 && !(status & chip::rr0::InterpolationDriving)) {
    // The last segment's start may be served together with its end: a path that loaded every
    // point and ended with no error of its axes ran them all.
    if (loaded_ == points_ && !pathAxesInError(status))
      std::atomic_ref(block_.pathProgress).store(loaded_, std::memory_order_release);
    finish();
    return;
  }
  feed(status);
}

// Loads records while the chip can take one: the first into the idle chip, then one more
// while a segment runs with none waiting.
void PathFeeder::feed(std::uint16_t status) {
  while (loaded_ < points_ && (loaded_ == 0 || (status & chip::rr0::NextSegmentTaken) != 0)) {
    load(records_[loaded_]);
    if (++loaded_ == points_) endContinuousMode();
    status = mainStatus();
  }
  const bool waiting =
      (status & chip::rr0::InterpolationDriving) && !(status & chip::rr0::NextSegmentTaken);
  std::atomic_ref(block_.pathProgress)
      .store(loaded_ - (waiting ? 1 : 0), std::memory_order_release);
}

// As a single line or arc loads them: for each role its center (arcs) and finish point, each
// with the command word the library gave for it, then the interpolation command.
void PathFeeder::load(const M716ContiRecord& record) {
  const std::uint32_t roles = record.pathType == IPO_L3 ? kLineRoles : 2;
  for (std::uint32_t role = 0; role < roles; ++role) {
    if (isArc(record.pathType))
      loadValue(commands_[kCenterValue + role], record.value[kCenterValue + role]);
    loadValue(commands_[role], record.value[role]);
  }
  write(chip::WR0, interpolationCommand(record.pathType));
}

void PathFeeder::loadValue(std::uint16_t command, std::int32_t value) {
  if (command == 0) return;  // a role the path does not have
  const auto word = static_cast<std::uint32_t>(value);
  write(chip::WR6, static_cast<std::uint16_t>(word));
  write(chip::WR7, static_cast<std::uint16_t>(word >> 16));
  write(chip::WR0, command);
}

// The last segment is loaded: no further one follows, so its end is the path's end and not a
// segment the driver failed to load in time. WR5 keeps the path's axes and vector speed.
void PathFeeder::endContinuousMode() {
  std::uint16_t word = std::popcount(axes_) == static_cast<int>(kLineRoles)
                           ? chip::wr5::ThreeAxisVectorSpeed
                           : chip::wr5::TwoAxisVectorSpeed;
  int role = 0;
  for (std::uint16_t index = 0; index < 4; ++index) {
    if (axes_ & (1u << index))
      word = static_cast<std::uint16_t>(word | index << (chip::wr5::RoleFieldBits * role++));
  }
  write(chip::WR5, word);
}

bool PathFeeder::pathAxesInError(std::uint16_t status) const {
  return ((status >> chip::rr0::ErrorShift) & axes_) != 0;
}

void PathFeeder::finish() {
  feeding_ = false;
  block_.pathIdle = 1;
}

}  // namespace m716::driver
