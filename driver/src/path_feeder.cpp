#include "path_feeder.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <utility>

#include "m716/board/registers.h"
#include "m716/platform/bus.h"

namespace m716::driver {
namespace {

constexpr std::uint32_t kLineRoles = 3;    // values 0..2: the finish point of each role
constexpr std::uint32_t kCenterValue = 3;  // values 3, 4: the center of roles 0 and 1

bool isArc(std::uint16_t type) {
  return type == IPO_CW || type == IPO_CCW;
}

// The roles whose finish point a record loads.
std::uint32_t rolesOf(std::uint16_t type) {
  return type == IPO_L3 ? kLineRoles : 2;
}

// A line whose finish point is its start, or an arc around its start (radius 0).
bool hasLength(const M716ContiRecord& record) {
  if (isArc(record.pathType))
    return record.value[kCenterValue] != 0 || record.value[kCenterValue + 1] != 0;
  return std::any_of(record.value, record.value + rolesOf(record.pathType),
                     [](std::int32_t v) { return v != 0; });
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
  loaded_ = lastLoaded_ = beforeLast_ = 0;
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
    finish();  // the library stopped the path, or one of its axes
    return;
  }
  feed(mainStatus());
}

// Hands records over while the chip can take one: the first into the idle chip, then one more
// while a segment runs with none waiting, or, when the running one ran out before its next
// came (also while the values of the next went in), the next into the stopped chip. A record
// of no length is done at once: the chip would end it without a word, so it is counted and the
// next one taken in its place. The progress is the point of the segment running: the one
// before the last loaded while that one still waits.
void PathFeeder::feed(std::uint16_t status) {
  bool intoIdleChip = lastLoaded_ == 0;
  while (loaded_ < points_) {
    if (!intoIdleChip && !(status & chip::rr0::NextSegmentTaken)) {
      if (!ranOut(status)) break;
      intoIdleChip = true;
    }
    const M716ContiRecord& record = records_[loaded_];
    if (hasLength(record)) {
      loadValues(record);
      if (!intoIdleChip) ranOut(mainStatus());
      write(chip::WR0, interpolationCommand(record.pathType));
      beforeLast_ = std::exchange(lastLoaded_, loaded_ + 1);
      intoIdleChip = false;
    }
    if (++loaded_ == points_) endContinuousMode();
    status = mainStatus();
  }
  if (!(status & chip::rr0::InterpolationDriving)) {
    end(status);
    return;
  }
  publish((status & chip::rr0::NextSegmentTaken) != 0 ? lastLoaded_ : beforeLast_);
}

// The interpolation ended on its own before the next record was loaded: the segment ran out
// (neither an error of a path axis nor an input stopped it; the library's stop sets the stop
// flag first). Counted as an underrun; the next record then starts from standstill.
bool PathFeeder::ranOut(std::uint16_t status) {
  if ((status & chip::rr0::InterpolationDriving) != 0 || loaded_ == points_ ||
      pathAxesInError(status))
    return false;
  for (std::uint16_t index = 0; index < 4; ++index) {
    if (!(axes_ & (1u << index))) continue;
    write(chip::WR0, chip::commandWord(1u << index, chip::Select));
    if (platform::bus().read(base_ + chip::RR1) & chip::rr1::EndStatus) return false;
  }
  std::atomic_ref(block_.pathUnderruns).fetch_add(1, std::memory_order_acq_rel);
  return true;
}

// The path is not moving: its last segment has ended, it was stopped (whatever stopped it, it
// does not start again by itself), or nothing of it had any length. The last segment's start
// may be served together with its end: a path that handed every point over and ended with no
// error of its axes ran them all.
void PathFeeder::end(std::uint16_t status) {
  if (loaded_ == points_ && !pathAxesInError(status)) publish(points_);
  finish();
}

void PathFeeder::publish(std::uint32_t progress) {
  std::atomic_ref(block_.pathProgress).store(progress, std::memory_order_release);
}

// As a single line or arc loads them: for each role its center (arcs) and finish point, each
// with the command word the library gave for it; the interpolation command follows.
void PathFeeder::loadValues(const M716ContiRecord& record) {
  for (std::uint32_t role = 0; role < rolesOf(record.pathType); ++role) {
    if (isArc(record.pathType))
      loadValue(commands_[kCenterValue + role], record.value[kCenterValue + role]);
    loadValue(commands_[role], record.value[role]);
  }
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
