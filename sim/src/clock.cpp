#include "clock.h"

#include <cmath>

namespace m716::sim {
namespace {

double validFactor(double factor) {
  return std::isfinite(factor) && factor > 0 ? factor : 0.0;
}

}  // namespace

void Clock::restart(double speedFactor) {
  speedFactor_ = validFactor(speedFactor);
  simulatedAtBase_ = SimTime{};
  realBase_ = RealClock::now();
}

SimTime Clock::now() const {
  if (speedFactor_ == 0) return simulatedAtBase_;
  std::chrono::duration<double, std::nano> elapsed = RealClock::now() - realBase_;
  return simulatedAtBase_ + std::chrono::duration_cast<SimTime>(elapsed * speedFactor_);
}

void Clock::setSpeedFactor(double speedFactor) {
  simulatedAtBase_ = now();
  realBase_ = RealClock::now();
  speedFactor_ = validFactor(speedFactor);
}

void Clock::advance(SimTime step) {
  if (step > SimTime{}) simulatedAtBase_ += step;
}

std::optional<Clock::RealClock::duration> Clock::realTimeUntil(SimTime moment) const {
  if (speedFactor_ == 0) return std::nullopt;
  std::chrono::duration<double, std::nano> remaining = moment - now();
  if (remaining.count() <= 0) return RealClock::duration{};
  return std::chrono::duration_cast<RealClock::duration>(remaining / speedFactor_);
}

std::optional<Clock::RealClock::time_point> Clock::realTimeAt(SimTime moment) const {
  if (speedFactor_ == 0) return std::nullopt;
  std::chrono::duration<double, std::nano> since = moment - simulatedAtBase_;
  return realBase_ + std::chrono::duration_cast<RealClock::duration>(since / speedFactor_);
}

}  // namespace m716::sim
