#pragma once
// Simulated time: real time multiplied by the speed factor, plus whatever M716SimAdvance added.
// A speed factor of 0 freezes it.
//
// Concurrency: not synchronised; the simulator calls it under its mutex.

#include <chrono>
#include <optional>

namespace m716::sim {

// Simulated time since the boards were powered up.
using SimTime = std::chrono::nanoseconds;

class Clock {
 public:
  using RealClock = std::chrono::steady_clock;

  explicit Clock(double speedFactor = 1.0) { restart(speedFactor); }

  // Back to time 0, running at `speedFactor`.
  void restart(double speedFactor);
  SimTime now() const;
  double speedFactor() const { return speedFactor_; }
  // Negative or not-a-number factors freeze the clock.
  void setSpeedFactor(double speedFactor);
  void advance(SimTime step);
  // Real time until the clock shows `moment`; nothing while frozen.
  std::optional<RealClock::duration> realTimeUntil(SimTime moment) const;
  // The real time at which the clock showed (or will show) `moment`; nothing while frozen.
  std::optional<RealClock::time_point> realTimeAt(SimTime moment) const;

 private:
  double speedFactor_ = 1.0;
  SimTime simulatedAtBase_{};
  RealClock::time_point realBase_;
};

}  // namespace m716::sim
