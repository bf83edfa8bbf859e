#pragma once
// One drive in progress: the axes it moves (one for a drive of a single axis, two or three for
// an interpolation, the main axis first), the path they follow and the speed profile along it.
//
// The profile gives the distance along the path at any time; the path turns it into whole
// pulses per axis. The moments at which anything can happen (a phase of the profile ending, an
// axis reaching a switch or a compare value) are computed from both as times, so the simulator
// can step from one to the next. At each step the drive asks its axes why they must stop and
// stops decelerating (above the start speed) or at once.
//
// An interpolation in continuous mode takes its next segment while the current one runs and
// starts it, at the speed it has, where the current one ends.
//
// Concurrency: not synchronised; the chip calls it under the simulator's mutex.

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "axis.h"
#include "path.h"
#include "profile.h"

namespace m716::sim {

class Motion {
 public:
  // What a drive segment follows: its path and where it slows down.
  struct Segment {
    std::unique_ptr<Path> path;
    Deceleration deceleration;  // from the start of the path
  };

  enum class Outcome { running, segmentStarted, finished };

  // Starts at `start` from the main axis's initial speed. `axes` are the path's axes in order.
  Motion(SimTime start, std::vector<Axis*> axes, Segment segment);

  // Moves the axes to `time` (never earlier than before) and acts on what happened there.
  Outcome advanceTo(SimTime time);
  // The next moment at which something may happen; kNever when only a call can change things.
  SimTime nextEventTime() const;

  bool moves(const Axis& axis) const;
  Axis& mainAxis() const { return *axes_.front(); }
  bool interpolating() const { return axes_.size() > 1; }
  bool stopping() const { return stopping_; }
  // Stops at the current time: decelerating (at once at or below the start speed) or at once.
  void stop(StopKind kind);
  // The main axis's drive speed register changed: on towards the new speed.
  void changeDriveSpeed();
  bool segmentPending() const { return next_.has_value(); }
  void queueSegment(Segment segment) { next_ = std::move(segment); }

 private:
  double secondsAt(SimTime time) const;
  SimTime timeAt(double seconds) const;
  void begin(SimTime time, double speed, Segment segment);
  void replan(SpeedProfile profile);
  void halt();
  void moveAxes(double position);
  void latchPhaseFactors(const Phase* phase);
  void showMotion(const Kinematics& state, const Phase* phase);
  void applyStops(double speed);
  Outcome settle();

  std::vector<Axis*> axes_;
  SpeedLimits limits_;
  std::unique_ptr<Path> path_;
  Deceleration deceleration_;
  SpeedProfile profile_;
  SimTime origin_;       // when the profile began
  double base_ = 0;      // path position where the profile began
  double position_ = 0;  // path position now
  SimTime now_;
  Offsets offsets_{};  // each axis's offset from the segment's start
  std::array<std::uint16_t, kMaxPathAxes> endStatus_{};
  std::optional<Ramp> ramp_;  // the ramp of the phase in force at the last step
  std::optional<Segment> next_;
  bool moving_ = true;
  bool stopping_ = false;
  mutable std::vector<std::int64_t> boundaries_;  // scratch of nextEventTime
};

}  // namespace m716::sim
