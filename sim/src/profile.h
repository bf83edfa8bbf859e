#pragma once
// Speed profiles: how far a drive has gone along its travel coordinate (the pulses of one axis,
// or the path length of an interpolation) at any time since the profile began. A profile is a
// chain of phases of constant jerk, so distance, speed and acceleration follow in closed form,
// and so does the time at which a given distance is reached: motion is never stepped pulse by
// pulse.
//
// Concurrency: values, not synchronised.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace m716::sim {

inline constexpr double kForever = std::numeric_limits<double>::infinity();

// Which way the speed changes during a phase.
enum class Ramp : std::uint8_t { constant, up, down };
// The S-curve part of a ramp: the acceleration's magnitude rising, steady or falling. Linear
// ramps and constant speed have none.
enum class CurvePart : std::uint8_t { none, rising, steady, falling };

struct Phase {
  double duration;      // s; kForever for the open end of a drive
  double acceleration;  // pps/s at the phase's start
  double jerk;          // pps/s²
  Ramp ramp;
  CurvePart curve = CurvePart::none;
};

struct Kinematics {
  double distance = 0;      // pulses
  double speed = 0;         // pps
  double acceleration = 0;  // pps/s
};

class SpeedProfile {
 public:
  // At rest and already ended.
  SpeedProfile() = default;
  SpeedProfile(double startSpeed, std::vector<Phase> phases);

  // `time` in seconds since the profile began; after the end, the state at the end.
  Kinematics at(double time) const;
  // The phase in force at `time`; nullptr once the profile has ended.
  const Phase* phaseAt(double time) const;
  double endTime() const { return starts_.back().time; }
  double endDistance() const { return starts_.back().state.distance; }
  // The earliest time at which the distance reaches `distance`; kForever if it never does.
  double timeToReach(double distance) const;
  // The first phase boundary (or the end) later than `time`; kForever if none.
  double nextBoundaryAfter(double time) const;
  // Ends the profile where it reaches `distance`, if it does.
  void cutAt(double distance);

 private:
  struct Start {
    double time;
    Kinematics state;
  };
  void integrate();
  std::size_t phaseIndexAt(double time) const;

  std::vector<Phase> phases_;
  std::vector<Start> starts_{Start{0, {}}};  // one per phase, then the end
};

// The speed limits of a drive, in pulses per second and its derivatives.
struct SpeedLimits {
  double startSpeed = 0;
  double driveSpeed = 0;
  double acceleration = 0;
  double deceleration = 0;
  double jerk = 0;  // 0: linear ramps (trapezoid profile)
};

// Where a drive to a distance begins to slow down to the start speed.
struct Deceleration {
  enum class Mode { automatic, atDistance, never };
  Mode mode = Mode::automatic;
  double distance = 0;  // for atDistance, from where the profile begins
};

// Phases that take the speed from `from` to `to` at `rate` (limited by `jerk` when nonzero);
// none when the speeds are equal or there is no rate.
std::vector<Phase> rampPhases(double from, double to, double rate, double jerk);
double rampDistance(double from, double to, double rate, double jerk);

// A drive from `speed` over `distance` (kForever: a continuous drive): up or down to the drive
// speed, then on, slowing down to the start speed so that it ends there at the distance when
// deceleration is automatic (peaking lower when the distance is too short for the drive speed),
// or from the given point.
SpeedProfile planDrive(double speed, const SpeedLimits& limits, double distance,
                       Deceleration deceleration);
// A decelerating stop from `speed`: down to the start speed, where it ends, but never beyond
// `distanceLeft`.
SpeedProfile planStop(double speed, const SpeedLimits& limits, double distanceLeft);

}  // namespace m716::sim
