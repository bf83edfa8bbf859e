#include "motion.h"

#include <algorithm>
#include <cmath>

namespace m716::sim {
namespace {

// The RR1 phase bits for a phase of the profile.
std::uint16_t phaseBits(const Phase* phase) {
  if (phase == nullptr) return 0;
  std::uint16_t bits = phase->ramp == Ramp::up     ? rr1::kAccelerating
                       : phase->ramp == Ramp::down ? rr1::kDecelerating
                                                   : rr1::kConstantSpeed;
  if (phase->curve == CurvePart::rising) bits |= rr1::kAccelerationRising;
  if (phase->curve == CurvePart::steady) bits |= rr1::kAccelerationSteady;
  if (phase->curve == CurvePart::falling) bits |= rr1::kAccelerationFalling;
  return bits;
}

// Position changes smaller than this are rounding, not travel.
constexpr double kPositionTolerance = 1e-6;

}  // namespace

Motion::Motion(SimTime start, std::vector<Axis*> axes, Segment segment)
    : axes_(std::move(axes)), limits_(axes_.front()->speedLimits()), origin_(start), now_(start) {
  for (Axis* axis : axes_) axis->beginDrive();
  begin(start, axes_.front()->initialSpeed(), std::move(segment));
}

double Motion::secondsAt(SimTime time) const {
  return std::chrono::duration<double>(time - origin_).count();
}

SimTime Motion::timeAt(double seconds) const {
  if (!(seconds < 1e9)) return kNever;
  return origin_ + SimTime{static_cast<SimTime::rep>(std::ceil(seconds * 1e9))};
}

void Motion::begin(SimTime time, double speed, Segment segment) {
  path_ = std::move(segment.path);
  deceleration_ = segment.deceleration;
  origin_ = time;
  base_ = position_ = 0;
  offsets_ = {};
  profile_ = planDrive(speed, limits_, path_->length(), deceleration_);
}

void Motion::replan(SpeedProfile profile) {
  origin_ = now_;
  base_ = position_;
  profile_ = std::move(profile);
}

void Motion::halt() {
  moving_ = false;
  next_.reset();
  for (Axis* axis : axes_) axis->stopMoving();
}

bool Motion::moves(const Axis& axis) const {
  return std::find(axes_.begin(), axes_.end(), &axis) != axes_.end();
}

Motion::Outcome Motion::advanceTo(SimTime time) {
  now_ = std::max(now_, time);
  if (!moving_) return settle();
  const double seconds = secondsAt(now_);
  const bool ended = seconds >= profile_.endTime();
  const Kinematics state = profile_.at(seconds);
  const double length = path_->length();
  double position = std::min(base_ + state.distance, length);
  // A drive that runs its course ends exactly at its finish.
  if (ended && (!stopping_ || position > length - kPositionTolerance)) position = length;
  moveAxes(position);
  const Phase* phase = ended ? nullptr : profile_.phaseAt(seconds);
  latchPhaseFactors(phase);
  showMotion(state, phase);
  applyStops(state.speed);
  if (moving_ && secondsAt(now_) >= profile_.endTime()) {
    if (next_ && !stopping_) {
      Segment segment = std::move(*next_);
      next_.reset();
      begin(now_, state.speed, std::move(segment));
      return advanceTo(now_) == Outcome::finished ? Outcome::finished : Outcome::segmentStarted;
    }
    halt();
  }
  return settle();
}

void Motion::moveAxes(double position) {
  position_ = position;
  const Offsets target = path_->offsetsAt(position);
  for (std::size_t slot = 0; slot < axes_.size(); ++slot) {
    axes_[slot]->shift(target[slot] - offsets_[slot]);
  }
  offsets_ = target;
}

void Motion::latchPhaseFactors(const Phase* phase) {
  const std::optional<Ramp> ramp = phase ? std::optional(phase->ramp) : std::nullopt;
  std::uint16_t bits = 0;
  if (ramp_ == Ramp::up && ramp != Ramp::up) bits |= rr3::kAccelerationEnded;
  if (ramp == Ramp::down && ramp_ != Ramp::down) bits |= rr3::kDecelerationStarted;
  ramp_ = ramp;
  if (bits != 0) {
    for (Axis* axis : axes_) axis->raiseFactors(bits);
  }
}

void Motion::showMotion(const Kinematics& state, const Phase* phase) {
  const std::uint16_t bits = phaseBits(phase);
  for (std::size_t slot = 0; slot < axes_.size(); ++slot) {
    // The main axis shows the path's (vector) speed, the others their part of it.
    double share = slot == 0 ? 1 : path_->speedShare(slot, position_);
    axes_[slot]->showMotion(state, share, bits);
  }
}

void Motion::applyStops(double speed) {
  StopKind kind = StopKind::none;
  for (std::size_t slot = 0; slot < axes_.size(); ++slot) {
    const int direction = path_->direction(slot, position_);
    const StopCause cause = axes_[slot]->stopCause(direction);
    endStatus_[slot] |= cause.endStatus;
    kind = std::max(kind, cause.kind);
  }
  if (kind == StopKind::decelerate && speed <= limits_.startSpeed) kind = StopKind::immediate;
  stop(kind);
}

void Motion::stop(StopKind kind) {
  if (!moving_ || kind == StopKind::none) return;
  if (kind == StopKind::decelerate) {
    if (stopping_) return;
    const double speed = profile_.at(secondsAt(now_)).speed;
    if (speed > limits_.startSpeed) {
      stopping_ = true;
      next_.reset();
      replan(planStop(speed, limits_, path_->length() - position_));
      return;
    }
  }
  stopping_ = true;
  halt();
}

void Motion::changeDriveSpeed() {
  if (!moving_ || stopping_) return;
  limits_.driveSpeed = mainAxis().speedLimits().driveSpeed;
  Deceleration deceleration = deceleration_;
  deceleration.distance -= position_;
  const double speed = profile_.at(secondsAt(now_)).speed;
  replan(planDrive(speed, limits_, path_->length() - position_, deceleration));
}

Motion::Outcome Motion::settle() {
  if (moving_) return Outcome::running;
  for (Axis* axis : axes_) {
    if (!axis->inPosition()) return Outcome::running;
  }
  for (std::size_t slot = 0; slot < axes_.size(); ++slot) {
    axes_[slot]->finishDrive(endStatus_[slot]);
  }
  return Outcome::finished;
}

SimTime Motion::nextEventTime() const {
  if (!moving_) return kNever;
  double next = profile_.nextBoundaryAfter(secondsAt(now_));
  for (std::size_t slot = 0; slot < axes_.size(); ++slot) {
    boundaries_.clear();
    axes_[slot]->appendBoundaries(offsets_[slot], boundaries_);
    for (std::int64_t boundary : boundaries_) {
      double at = path_->reach(slot, boundary, position_);
      if (at < kForever) next = std::min(next, profile_.timeToReach(at - base_));
    }
  }
  return timeAt(next);
}

}  // namespace m716::sim
