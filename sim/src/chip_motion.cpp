// The chip's motion commands and the external drives.

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "chip.h"

namespace m716::sim {

void Chip::motionCommand(unsigned command) {
  switch (command) {
    case cmd::kFixedPlus:
    case cmd::kFixedMinus:
    case cmd::kContinuousPlus:
    case cmd::kContinuousMinus:
      forSelected([&](std::size_t index) {
        if (held_[index]) {
          pendingDrive_[index] = command;
        } else {
          startDrive(index, command);
        }
      });
      break;
    case cmd::kHold:
      forSelected([&](std::size_t index) { held_[index] = true; });
      break;
    case cmd::kRelease:
      release();
      break;
    case cmd::kDeceleratingStop:
      stopSelected(StopKind::decelerate);
      break;
    case cmd::kImmediateStop:
      stopSelected(StopKind::immediate);
      break;
    case cmd::kLine2:
    case cmd::kLine3:
    case cmd::kArcClockwise:
    case cmd::kArcCounterClockwise:
      startInterpolation(command);
      break;
    case cmd::kDecelerationValid:
    case cmd::kDecelerationInvalid:
      decelerationValid_ = command == cmd::kDecelerationValid;
      break;
    case cmd::kClearInterpolationInterrupt:
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

void Chip::startDrive(std::size_t index, unsigned command) {
  Axis& axis = axes_[index];
  if (motionOf(axis) != nullptr) return;  // a driving axis takes no new drive
  const bool fixed = command == cmd::kFixedPlus || command == cmd::kFixedMinus;
  const int direction = command == cmd::kFixedPlus || command == cmd::kContinuousPlus ? 1 : -1;
  const double pulses = fixed ? static_cast<double>(std::llabs(axis.registers().pulses)) : kForever;
  Deceleration deceleration;
  if (anySet(axis.modes().wr3, wr3::kManualDeceleration)) {
    deceleration = {Deceleration::Mode::atDistance, double(axis.registers().decelerationPoint)};
  }
  jogDirection_[index] = 0;
  startMotion(index, {&axis}, {axisPath(direction, pulses), deceleration});
}

void Chip::startMotion(std::size_t mainAxis, std::vector<Axis*> axes, Motion::Segment segment) {
  for (std::size_t index = 0; index < kAxisCount; ++index) {
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
  std::array<unsigned, kAxisCount> starting{};
  forSelected([&](std::size_t index) {
    held_[index] = false;
    axes_[index].clearEndStatus();
    starting[index] = std::exchange(pendingDrive_[index], 0);
  });
  // All at the same instant: the chip's time does not move between them.
  for (std::size_t index = 0; index < kAxisCount; ++index) {
    if (starting[index] != 0) startDrive(index, starting[index]);
  }
}

void Chip::stopSelected(StopKind kind) {
  forSelected([&](std::size_t index) {
    pendingDrive_[index] = 0;
    if (Motion* motion = motionOf(axes_[index])) motion->stop(kind);
  });
}

Motion* Chip::interpolation() const {
  for (const auto& motion : motions_) {
    if (motion && motion->interpolating()) return motion.get();
  }
  return nullptr;
}

Motion::Segment Chip::interpolationSegment(unsigned command,
                                           const std::array<std::size_t, kMaxPathAxes>& axes,
                                           std::size_t count) const {
  std::unique_ptr<Path> path;
  const Axis& first = axes_[axes[0]];
  const Axis& second = axes_[axes[1]];
  if (command == cmd::kLine2 || command == cmd::kLine3) {
    Offsets finish{};
    for (std::size_t slot = 0; slot < count; ++slot)
      finish[slot] = axes_[axes[slot]].registers().pulses;
    path = linePath(finish, count);
  } else {
    path = arcPath(first.registers().center, second.registers().center, first.registers().pulses,
                   second.registers().pulses, command == cmd::kArcClockwise);
  }
  Deceleration deceleration;
  if (!decelerationValid_) {
    deceleration.mode = Deceleration::Mode::never;
  } else if (anySet(first.modes().wr3, wr3::kManualDeceleration)) {
    deceleration = {Deceleration::Mode::atDistance,
                    path->positionAtSteps(first.registers().decelerationPoint)};
  }
  return {std::move(path), deceleration};
}

void Chip::startInterpolation(unsigned command) {
  const std::size_t count = command == cmd::kLine3 ? 3 : 2;
  const std::array<std::size_t, kMaxPathAxes> axes = {field(interpolationMode_, wr5::kFirstAxis),
                                                      field(interpolationMode_, wr5::kSecondAxis),
                                                      field(interpolationMode_, wr5::kThirdAxis)};
  Motion::Segment segment = interpolationSegment(command, axes, count);
  const bool continuous = anySet(interpolationMode_, wr5::kContinuous);
  if (Motion* running = interpolation()) {
    // Continuous mode: the next segment, taken over where the current one ends.
    if (continuous && !running->segmentPending() && !running->stopping()) {
      running->queueSegment(std::move(segment));
    }
    return;
  }
  std::vector<Axis*> moved;
  for (std::size_t slot = 0; slot < count; ++slot) {
    Axis& axis = axes_[axes[slot]];
    if (motionOf(axis) != nullptr || std::find(moved.begin(), moved.end(), &axis) != moved.end()) {
      return;
    }
    moved.push_back(&axis);
  }
  continuousRun_ = continuous;
  startMotion(axes[0], std::move(moved), std::move(segment));
  if (continuous && interpolation() != nullptr) interpolationInterrupt_ = true;
}

void Chip::settle() {
  for (std::size_t slot = 0; slot < kAxisCount; ++slot) {
    if (motions_[slot]) handle(slot, motions_[slot]->advanceTo(now_));
  }
  for (std::size_t index = 0; index < kAxisCount; ++index) updateJog(index);
}

void Chip::handle(std::size_t slot, Motion::Outcome outcome) {
  if (outcome == Motion::Outcome::segmentStarted && continuousRun_) interpolationInterrupt_ = true;
  if (outcome != Motion::Outcome::finished) return;
  const bool external = !motions_[slot]->interpolating();
  if (!external) endInterpolation(*motions_[slot]);
  motions_[slot].reset();
  if (external) {
    updateJog(slot);
    serviceHandWheel(slot);
  }
}

// A continuous interpolation that ran its last segment to the end while WR5 still asked for
// more stopped between segments: no next one was loaded in time.
void Chip::endInterpolation(const Motion& motion) {
  if (!std::exchange(continuousRun_, false)) return;
  interpolationInterrupt_ = true;
  if (!motion.stopping() && anySet(interpolationMode_, wr5::kContinuous))
    ++diagnostics_.pathUnderruns;
}

// A jog input becoming active starts a drive (once the axis is free); the input going inactive,
// or the other one taking over, stops it decelerating. A jog drive that something else
// stopped, a limit say, starts again only when an input becomes active anew.
void Chip::updateJog(std::size_t index) {
  Axis& axis = axes_[index];
  if (!anySet(axis.modes().wr3, wr3::kJogMode)) {
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
    startDrive(index, wanted > 0 ? cmd::kContinuousPlus : cmd::kContinuousMinus);
    if (motions_[index]) jogDirection_[index] = wanted;
  }
}

void Chip::serviceHandWheel(std::size_t index) {
  if (!anySet(axes_[index].modes().wr3, wr3::kHandWheelMode)) {
    handWheelSteps_[index] = 0;
    return;
  }
  // Drives that end at once (a limit ahead) use up their steps without waiting.
  while (handWheelSteps_[index] != 0 && motionOf(axes_[index]) == nullptr) {
    const int direction = handWheelSteps_[index] > 0 ? 1 : -1;
    handWheelSteps_[index] -= direction;
    startDrive(index, direction > 0 ? cmd::kFixedPlus : cmd::kFixedMinus);
  }
}

void Chip::forceInput(std::size_t index, Input input, int state) {
  axes_[index].forceInput(input, state);
  settle();
}

void Chip::forceEmergency(int state) {
  for (Axis& axis : axes_) axis.setEmergency(state == M716SIM_STATE_ACTIVE);
  settle();
}

void Chip::turnHandWheel(std::size_t index, std::int64_t steps) {
  if (!anySet(axes_[index].modes().wr3, wr3::kHandWheelMode)) return;
  handWheelSteps_[index] += steps;
  serviceHandWheel(index);
}

void Chip::placeCarriage(std::size_t index, std::int32_t position) {
  axes_[index].carriage().placeAt(position);
  settle();
}

}  // namespace m716::sim
