// The chip's motion commands and the external drives.

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "chip.h"

namespace m716::sim {
namespace {

namespace code {
constexpr int kFixedPlus = 0x20;
constexpr int kFixedMinus = 0x21;
constexpr int kContinuousPlus = 0x22;
constexpr int kContinuousMinus = 0x23;
constexpr int kHold = 0x24;
constexpr int kRelease = 0x25;
constexpr int kDeceleratingStop = 0x26;
constexpr int kImmediateStop = 0x27;
constexpr int kLine2 = 0x30;
constexpr int kLine3 = 0x31;
constexpr int kArcClockwise = 0x32;
constexpr int kArcCounterClockwise = 0x33;
constexpr int kDecelerationValid = 0x3B;
constexpr int kDecelerationInvalid = 0x3C;
constexpr int kClearInterpolationInterrupt = 0x3D;
}  // namespace code

constexpr std::uint16_t kContinuousMode = 1u << 14;  // WR5
constexpr int kManualDeceleration = 0;               // WR3 bits
constexpr int kJogMode = 3;
constexpr int kHandWheelMode = 4;

bool bit(std::uint16_t word, int number) {
  return (word >> number) & 1;
}

}  // namespace

void Chip::motionCommand(int command) {
  switch (command) {
    case code::kFixedPlus:
    case code::kFixedMinus:
    case code::kContinuousPlus:
    case code::kContinuousMinus:
      for (int index = 0; index < kAxisCount; ++index) {
        if (!(selection_ & (1u << index))) continue;
        if (held_[index]) {
          pendingDrive_[index] = command;
        } else {
          startDrive(index, command);
        }
      }
      break;
    case code::kHold:
      for (int index = 0; index < kAxisCount; ++index) {
        if (selection_ & (1u << index)) held_[index] = true;
      }
      break;
    case code::kRelease:
      release();
      break;
    case code::kDeceleratingStop:
      stopSelected(StopKind::decelerate);
      break;
    case code::kImmediateStop:
      stopSelected(StopKind::immediate);
      break;
    case code::kLine2:
    case code::kLine3:
    case code::kArcClockwise:
    case code::kArcCounterClockwise:
      startInterpolation(command);
      break;
    case code::kDecelerationValid:
    case code::kDecelerationInvalid:
      decelerationValid_ = command == code::kDecelerationValid;
      break;
    case code::kClearInterpolationInterrupt:
      interpolationInterrupt_ = false;
      break;
    default:
      break;
  }
}

Motion* Chip::motionOf(const Axis& axis) const {
  for (const auto& motion : motions_) {
    if (motion && motion->moves(axis)) return motion.get();
  }
  return nullptr;
}

void Chip::startDrive(int index, int command) {
  Axis& axis = axes_[index];
  if (motionOf(axis) != nullptr) return;  // a driving axis takes no new drive
  const bool fixed = command == code::kFixedPlus || command == code::kFixedMinus;
  const int direction = command == code::kFixedPlus || command == code::kContinuousPlus ? 1 : -1;
  const double pulses = fixed ? static_cast<double>(std::llabs(axis.registers().pulses)) : kForever;
  Deceleration deceleration;
  if (bit(axis.modes().wr3, kManualDeceleration)) {
    deceleration = {Deceleration::Mode::atDistance, double(axis.registers().decelerationPoint)};
  }
  jogDirection_[index] = 0;
  startMotion(index, {&axis}, {axisPath(direction, pulses), deceleration});
}

void Chip::startMotion(int mainAxis, std::vector<Axis*> axes, Motion::Segment segment) {
  for (int index = 0; index < kAxisCount; ++index) {
    if (std::find(axes.begin(), axes.end(), &axes_[index]) != axes.end()) {
      ++diagnostics_.driveStarts[index];
    }
  }
  motions_[mainAxis] = std::make_unique<Motion>(now_, std::move(axes), std::move(segment));
  // A drive that must stop or has nothing to do ends at once.
  if (motions_[mainAxis]->advanceTo(now_) == Motion::Outcome::finished) {
    motions_[mainAxis].reset();
  }
}

void Chip::release() {
  std::array<int, kAxisCount> starting{};
  for (int index = 0; index < kAxisCount; ++index) {
    if (!(selection_ & (1u << index))) continue;
    held_[index] = false;
    axes_[index].clearEndStatus();
    starting[index] = std::exchange(pendingDrive_[index], 0);
  }
  // All at the same instant: the chip's time does not move between them.
  for (int index = 0; index < kAxisCount; ++index) {
    if (starting[index] != 0) startDrive(index, starting[index]);
  }
}

void Chip::stopSelected(StopKind kind) {
  for (int index = 0; index < kAxisCount; ++index) {
    if (!(selection_ & (1u << index))) continue;
    pendingDrive_[index] = 0;
    if (Motion* motion = motionOf(axes_[index])) motion->stop(kind);
  }
}

Motion* Chip::interpolation() const {
  for (const auto& motion : motions_) {
    if (motion && motion->interpolating()) return motion.get();
  }
  return nullptr;
}

bool Chip::continuousInterpolation() const {
  return (interpolationMode_ & kContinuousMode) && interpolation() != nullptr;
}

Motion::Segment Chip::interpolationSegment(int command, const std::array<int, kMaxPathAxes>& axes,
                                           int count) const {
  std::unique_ptr<Path> path;
  const Axis& first = axes_[axes[0]];
  const Axis& second = axes_[axes[1]];
  if (command == code::kLine2 || command == code::kLine3) {
    Offsets finish{};
    for (int slot = 0; slot < count; ++slot) finish[slot] = axes_[axes[slot]].registers().pulses;
    path = linePath(finish, count);
  } else {
    path = arcPath(first.registers().center, second.registers().center, first.registers().pulses,
                   second.registers().pulses, command == code::kArcClockwise);
  }
  Deceleration deceleration;
  if (!decelerationValid_) {
    deceleration.mode = Deceleration::Mode::never;
  } else if (bit(first.modes().wr3, kManualDeceleration)) {
    deceleration = {Deceleration::Mode::atDistance,
                    path->positionAtSteps(first.registers().decelerationPoint)};
  }
  return {std::move(path), deceleration};
}

void Chip::startInterpolation(int command) {
  const int count = command == code::kLine3 ? 3 : 2;
  const std::array<int, kMaxPathAxes> axes = {interpolationMode_ & 3, (interpolationMode_ >> 2) & 3,
                                              (interpolationMode_ >> 4) & 3};
  Motion::Segment segment = interpolationSegment(command, axes, count);
  const bool continuous = interpolationMode_ & kContinuousMode;
  if (Motion* running = interpolation()) {
    // Continuous mode: the next segment, taken over where the current one ends.
    if (continuous && !running->segmentPending() && !running->stopping()) {
      running->queueSegment(std::move(segment));
    }
    return;
  }
  std::vector<Axis*> moved;
  for (int slot = 0; slot < count; ++slot) {
    Axis& axis = axes_[axes[slot]];
    if (motionOf(axis) != nullptr || std::find(moved.begin(), moved.end(), &axis) != moved.end()) {
      return;
    }
    moved.push_back(&axis);
  }
  startMotion(axes[0], std::move(moved), std::move(segment));
  if (continuous && interpolation() != nullptr) interpolationInterrupt_ = true;
}

void Chip::settle() {
  for (int slot = 0; slot < kAxisCount; ++slot) {
    if (motions_[slot]) handle(slot, motions_[slot]->advanceTo(now_));
  }
  for (int index = 0; index < kAxisCount; ++index) updateJog(index);
}

void Chip::handle(int slot, Motion::Outcome outcome) {
  if (outcome == Motion::Outcome::segmentStarted && (interpolationMode_ & kContinuousMode)) {
    interpolationInterrupt_ = true;
  }
  if (outcome != Motion::Outcome::finished) return;
  const bool external = !motions_[slot]->interpolating();
  motions_[slot].reset();
  if (external) {
    updateJog(slot);
    serviceHandWheel(slot);
  }
}

// A jog input becoming active starts a drive (once the axis is free); the input going inactive,
// or the other one taking over, stops it decelerating. A jog drive that something else
// stopped, a limit say, starts again only when an input becomes active anew.
void Chip::updateJog(int index) {
  Axis& axis = axes_[index];
  if (!bit(axis.modes().wr3, kJogMode)) {
    jogWanted_[index] = 0;
    jogStartDue_[index] = false;
    return;
  }
  const int wanted = axis.inputActive(Input::jogPlus)    ? 1
                     : axis.inputActive(Input::jogMinus) ? -1
                                                         : 0;
  Motion* motion = motionOf(axis);
  if (motion != nullptr && jogDirection_[index] != 0 && jogDirection_[index] != wanted) {
    motion->stop(StopKind::decelerate);
  }
  if (wanted != jogWanted_[index]) {
    jogWanted_[index] = wanted;
    jogStartDue_[index] = wanted != 0;
  }
  if (jogStartDue_[index] && motionOf(axis) == nullptr) {
    jogStartDue_[index] = false;
    startDrive(index, wanted > 0 ? code::kContinuousPlus : code::kContinuousMinus);
    if (motions_[index]) jogDirection_[index] = wanted;
  }
}

void Chip::serviceHandWheel(int index) {
  if (!bit(axes_[index].modes().wr3, kHandWheelMode)) {
    handWheelSteps_[index] = 0;
    return;
  }
  // Drives that end at once (a limit ahead) use up their steps without waiting.
  while (handWheelSteps_[index] != 0 && motionOf(axes_[index]) == nullptr) {
    const int direction = handWheelSteps_[index] > 0 ? 1 : -1;
    handWheelSteps_[index] -= direction;
    startDrive(index, direction > 0 ? code::kFixedPlus : code::kFixedMinus);
  }
}

void Chip::forceInput(int index, Input input, int state) {
  axes_[index].forceInput(input, state);
  settle();
}

void Chip::forceEmergency(int state) {
  for (Axis& axis : axes_) axis.setEmergency(state == 1);
  settle();
}

void Chip::turnHandWheel(int index, std::int64_t steps) {
  if (!bit(axes_[index].modes().wr3, kHandWheelMode)) return;
  handWheelSteps_[index] += steps;
  serviceHandWheel(index);
}

void Chip::placeCarriage(int index, std::int32_t position) {
  axes_[index].carriage().placeAt(position);
  settle();
}

}  // namespace m716::sim
