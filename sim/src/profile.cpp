#include "profile.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace m716::sim {
namespace {

Kinematics advanced(const Kinematics& start, const Phase& phase, double t) {
  const double a = phase.acceleration;
  const double j = phase.jerk;
  return {start.distance + start.speed * t + a * t * t / 2 + j * t * t * t / 6,
          std::max(0.0, start.speed + a * t + j * t * t / 2), a + j * t};
}

// The state at the end of an open phase: it stays where it is only at a standstill.
Kinematics openEnd(const Kinematics& start, const Phase& phase) {
  bool standing = start.speed <= 0 && phase.acceleration <= 0 && phase.jerk <= 0;
  return {standing ? start.distance : kForever, start.speed, phase.acceleration};
}

// The time within `phase` at which it has gone `gone` beyond `start` (0 < gone).
double timeWithin(const Kinematics& start, const Phase& phase, double gone) {
  const double v = start.speed;
  const double a = phase.acceleration;
  if (phase.jerk == 0) {
    if (a == 0) return v > 0 ? gone / v : kForever;
    const double discriminant = v * v + 2 * a * gone;
    if (discriminant < 0) return kForever;
    return 2 * gone / (v + std::sqrt(discriminant));
  }
  // Distance rises monotonically within a phase of finite length: bisect.
  double low = 0, high = phase.duration;
  for (int i = 0; i < 64 && high - low > 1e-15; ++i) {
    double middle = (low + high) / 2;
    (advanced(start, phase, middle).distance - start.distance < gone ? low : high) = middle;
  }
  return high;
}

// The smallest x in [low, high] with f(x) >= target, for f rising.
double solveRising(const std::function<double(double)>& f, double low, double high, double target) {
  for (int i = 0; i < 80 && high - low > 1e-9 * std::max(1.0, high); ++i) {
    double middle = (low + high) / 2;
    (f(middle) < target ? low : high) = middle;
  }
  return low;
}

Phase cruise(double duration) {
  return {duration, 0, 0, Ramp::constant};
}

void append(std::vector<Phase>& phases, const std::vector<Phase>& more) {
  phases.insert(phases.end(), more.begin(), more.end());
}

// Cruising at `speed`, then down to the start speed so as to arrive there at `distance`; with a
// linear ramp of a rate that fits when the distance is too short for the configured one. At or
// below the start speed there is nothing to slow down from.
std::vector<Phase> cruiseThenSlowDown(double speed, const SpeedLimits& limits, double distance) {
  const double sv = limits.startSpeed;
  if (speed <= sv) return {cruise(speed > 0 ? distance / speed : kForever)};
  const double down = rampDistance(speed, sv, limits.deceleration, limits.jerk);
  if (down <= distance) {
    std::vector<Phase> phases{cruise((distance - down) / speed)};
    append(phases, rampPhases(speed, sv, limits.deceleration, limits.jerk));
    return phases;
  }
  return rampPhases(speed, sv, (speed * speed - sv * sv) / (2 * distance), 0);
}

double rateTowards(double speed, double target, const SpeedLimits& limits) {
  return target >= speed ? limits.acceleration : limits.deceleration;
}

std::vector<Phase> automaticDrive(double speed, const SpeedLimits& limits, double distance) {
  const double sv = limits.startSpeed;
  auto viaPeak = [&](double peak) {
    return rampDistance(speed, peak, rateTowards(speed, peak, limits), limits.jerk) +
           (peak > sv ? rampDistance(peak, sv, limits.deceleration, limits.jerk) : 0);
  };
  double peak = limits.driveSpeed;
  if (viaPeak(peak) > distance) {
    // Too short for the drive speed: peak lower, or just slow down in time.
    const double lowest = std::max(speed, sv);
    if (peak <= lowest || viaPeak(lowest) >= distance) {
      return cruiseThenSlowDown(speed, limits, distance);
    }
    peak = solveRising(viaPeak, lowest, peak, distance);
  }
  const double rate = rateTowards(speed, peak, limits);
  std::vector<Phase> phases = rampPhases(speed, peak, rate, limits.jerk);
  append(phases,
         cruiseThenSlowDown(peak, limits, distance - rampDistance(speed, peak, rate, limits.jerk)));
  return phases;
}

std::vector<Phase> rampToDriveSpeed(double speed, const SpeedLimits& limits) {
  return rampPhases(speed, limits.driveSpeed, rateTowards(speed, limits.driveSpeed, limits),
                    limits.jerk);
}

// Towards the drive speed until `at`, then down to the start speed, then on at it.
std::vector<Phase> slowDownAt(double speed, const SpeedLimits& limits, double at) {
  double peak = at <= 0 ? speed : limits.driveSpeed;
  auto up = [&](double v) { return rampDistance(speed, v, limits.acceleration, limits.jerk); };
  if (peak > speed && up(peak) > at) peak = solveRising(up, speed, peak, at);
  const double rate = rateTowards(speed, peak, limits);
  std::vector<Phase> phases = rampPhases(speed, peak, rate, limits.jerk);
  const double gone = rampDistance(speed, peak, rate, limits.jerk);
  if (at > gone && peak > 0) phases.push_back(cruise((at - gone) / peak));
  if (peak > limits.startSpeed) {
    append(phases, rampPhases(peak, limits.startSpeed, limits.deceleration, limits.jerk));
  }
  phases.push_back(cruise(kForever));
  return phases;
}

}  // namespace

SpeedProfile::SpeedProfile(double startSpeed, std::vector<Phase> phases)
    : phases_(std::move(phases)) {
  starts_[0].state.speed = startSpeed;
  integrate();
}

void SpeedProfile::integrate() {
  starts_.resize(1);
  for (const Phase& phase : phases_) {
    const Start& start = starts_.back();
    if (std::isinf(phase.duration)) {
      starts_.push_back({kForever, openEnd(start.state, phase)});
    } else {
      starts_.push_back(
          {start.time + phase.duration, advanced(start.state, phase, phase.duration)});
    }
  }
}

std::size_t SpeedProfile::phaseIndexAt(double time) const {
  auto later = std::upper_bound(starts_.begin() + 1, starts_.end(), time,
                                [](double t, const Start& start) { return t < start.time; });
  // The search starts past the first start, so `later` lies beyond begin().
  return static_cast<std::size_t>(later - starts_.begin()) - 1;
}

Kinematics SpeedProfile::at(double time) const {
  if (time >= endTime()) {
    Kinematics end = starts_.back().state;
    end.acceleration = 0;
    return end;
  }
  const std::size_t index = phaseIndexAt(std::max(time, 0.0));
  const Start& start = starts_[index];
  return advanced(start.state, phases_[index], std::max(time, 0.0) - start.time);
}

const Phase* SpeedProfile::phaseAt(double time) const {
  if (time >= endTime()) return nullptr;
  return &phases_[phaseIndexAt(std::max(time, 0.0))];
}

double SpeedProfile::timeToReach(double distance) const {
  if (distance <= 0) return 0;
  for (std::size_t index = 0; index < phases_.size(); ++index) {
    const Start& start = starts_[index];
    const Start& end = starts_[index + 1];
    if (end.state.distance >= distance) {
      double within = timeWithin(start.state, phases_[index], distance - start.state.distance);
      return std::isinf(end.time) ? start.time + within : std::min(start.time + within, end.time);
    }
  }
  return kForever;
}

double SpeedProfile::nextBoundaryAfter(double time) const {
  for (std::size_t index = 1; index < starts_.size(); ++index) {
    if (starts_[index].time > time) return starts_[index].time;
  }
  return kForever;
}

void SpeedProfile::cutAt(double distance) {
  for (std::size_t index = 0; index < phases_.size(); ++index) {
    const Start& start = starts_[index];
    if (starts_[index + 1].state.distance >= distance) {
      phases_[index].duration =
          distance <= start.state.distance
              ? 0
              : timeWithin(start.state, phases_[index], distance - start.state.distance);
      phases_.resize(index + 1);
      integrate();
      starts_.back().state.distance = distance;
      return;
    }
  }
}

std::vector<Phase> rampPhases(double from, double to, double rate, double jerk) {
  const double change = std::abs(to - from);
  if (change == 0 || !(rate > 0)) return {};
  const double sign = to > from ? 1 : -1;
  const Ramp ramp = to > from ? Ramp::up : Ramp::down;
  if (jerk <= 0) return {{change / rate, sign * rate, 0, ramp}};
  if (change >= rate * rate / jerk) {
    const double jerkTime = rate / jerk;
    std::vector<Phase> phases{{jerkTime, 0, sign * jerk, ramp, CurvePart::rising}};
    const double steadyTime = change / rate - jerkTime;
    if (steadyTime > 0) phases.push_back({steadyTime, sign * rate, 0, ramp, CurvePart::steady});
    phases.push_back({jerkTime, sign * rate, -sign * jerk, ramp, CurvePart::falling});
    return phases;
  }
  const double peak = std::sqrt(change * jerk);
  const double jerkTime = peak / jerk;
  return {{jerkTime, 0, sign * jerk, ramp, CurvePart::rising},
          {jerkTime, sign * peak, -sign * jerk, ramp, CurvePart::falling}};
}

double rampDistance(double from, double to, double rate, double jerk) {
  // Every ramp is symmetric in time, so its mean speed is the mean of its ends.
  double duration = 0;
  for (const Phase& phase : rampPhases(from, to, rate, jerk)) duration += phase.duration;
  return (from + to) / 2 * duration;
}

SpeedProfile planDrive(double speed, const SpeedLimits& limits, double distance,
                       Deceleration deceleration) {
  std::vector<Phase> phases;
  if (std::isinf(distance) || deceleration.mode == Deceleration::Mode::never) {
    phases = rampToDriveSpeed(speed, limits);
    phases.push_back(cruise(kForever));
  } else if (deceleration.mode == Deceleration::Mode::atDistance) {
    phases = slowDownAt(speed, limits, deceleration.distance);
  } else {
    phases = automaticDrive(speed, limits, distance);
  }
  SpeedProfile profile(speed, std::move(phases));
  if (!std::isinf(distance)) profile.cutAt(distance);
  return profile;
}

SpeedProfile planStop(double speed, const SpeedLimits& limits, double distanceLeft) {
  SpeedProfile profile(speed,
                       rampPhases(speed, limits.startSpeed, limits.deceleration, limits.jerk));
  profile.cutAt(distanceLeft);
  return profile;
}

}  // namespace m716::sim
