#pragma once
// One axis of the chip: the registers the write-data commands load, the mode registers, the
// counters, the pending interrupt factors, its inputs and the carriage it drives.
//
// Drives (motion.h) move an axis by output pulses (shift), ask it why it must stop, and ask for
// the offsets at which its state may change next (the switches of its carriage, the compare
// registers), so that they can compute those moments as times instead of stepping.
//
// Concurrency: not synchronised; the simulator calls it under its mutex.

#include <array>
#include <cstdint>
#include <vector>

#include "carriage.h"
#include "clock.h"
#include "profile.h"
#include "registers.h"

namespace m716::sim {

inline constexpr SimTime kNever = SimTime::max();

// The values loaded by the write-data commands (cmd::kSetRange..kSetCompMinus), already
// range-checked.
struct AxisRegisters {
  std::uint32_t range = 0;              // R
  std::uint32_t jerk = 0;               // K
  std::uint32_t acceleration = 0;       // A
  std::uint32_t deceleration = 0;       // D
  std::uint32_t startSpeed = 0;         // SV
  std::uint32_t driveSpeed = 0;         // V
  std::int32_t pulses = 0;              // P: pulse count, or signed finish point
  std::uint32_t decelerationPoint = 0;  // DP
  std::int32_t center = 0;              // C
  std::int32_t logicalPosition = 0;     // LP
  std::int32_t realPosition = 0;        // EP
  std::int32_t compPlus = 0;            // COMP+
  std::int32_t compMinus = 0;           // COMP-
};

struct ModeRegisters {
  std::uint16_t wr1 = 0;
  std::uint16_t wr2 = 0;
  std::uint16_t wr3 = 0;
};

// Where the axis is in its drive, as the status registers show it.
struct MotionState {
  bool driving = false;            // RR0: a drive is in progress
  bool moving = false;             // pulses are being output
  std::uint32_t speed = 0;         // speed units
  std::uint32_t acceleration = 0;  // units of 125 × u
  std::uint16_t phase = 0;         // RR1 bits 2..7
  std::uint16_t endStatus = 0;     // RR1 bits 8..15
};

enum class StopKind : std::uint8_t { none, decelerate, immediate };

struct StopCause {
  StopKind kind = StopKind::none;
  std::uint16_t endStatus = 0;  // RR1 bits to latch when the drive ends
};

class Axis {
 public:
  explicit Axis(const AxisMechanics& mechanics) : carriage_(mechanics) {
    forced_.fill(M716SIM_STATE_MECHANICS);
    reset();
  }

  // Chip reset: every register, counter and mode to 0, the axis at rest, nothing pending.
  // The carriage stays where it is, and so do forced inputs.
  void reset();
  // Stores a value of write-data command `code`.
  void load(unsigned code, std::uint32_t value);
  void writeMode(int number, std::uint16_t value);

  const AxisRegisters& registers() const { return registers_; }
  const ModeRegisters& modes() const { return modes_; }
  const MotionState& motion() const { return motion_; }
  Carriage& carriage() { return carriage_; }
  const Carriage& carriage() const { return carriage_; }

  std::uint16_t status1() const;  // RR1
  std::uint16_t status2() const;  // RR2
  // RR3: the pending factors, which reading clears.
  std::uint16_t takeFactors();
  bool factorsPending() const { return factors_ != 0; }
  std::uint16_t factors() const { return factors_; }
  // Latches the factors among `bits` that WR1 enables.
  void raiseFactors(std::uint16_t bits);
  // Raw levels of the inputs in the layout of one byte of RR4/RR5.
  std::uint8_t inputLevels() const;
  bool inError() const { return anySet(status2(), rr2::kErrors); }

  // Forces an input to an M716SimInputState.
  void forceInput(Input input, int state);
  void setEmergency(bool active) { emergency_ = active; }
  bool inputActive(Input input) const;

  // Drive settings from the registers, in pulses per second and its derivatives.
  double speedUnit() const;
  SpeedLimits speedLimits() const;
  // The first speed of a drive: the start speed, or the drive speed at or below it.
  double initialSpeed() const;

  // Hooks of the drive that moves the axis.
  void beginDrive();
  void clearEndStatus() { motion_.endStatus = 0; }
  void shift(std::int64_t pulses);
  // Why the axis must stop while moving in `direction` (1, -1, or 0 standing).
  StopCause stopCause(int direction) const;
  // The offsets (from where the drive began; the axis now stands at `offset`) at which
  // something may change, as b: the change happens between b - 1 and b.
  void appendBoundaries(std::int64_t offset, std::vector<std::int64_t>& boundaries) const;
  void showMotion(const Kinematics& path, double speedShare, std::uint16_t phase);
  void stopMoving();
  // Whether a drive whose pulses are out counts as finished (the in-position input).
  bool inPosition() const;
  void finishDrive(std::uint16_t endStatus);

 private:
  // The position compare and software limits use: EP or LP, as WR2 sets.
  std::int32_t comparedPosition() const;
  bool reachedCompPlus() const { return comparedPosition() >= registers_.compPlus; }
  bool belowCompMinus() const { return comparedPosition() < registers_.compMinus; }
  // The RR3 factors WR1 enables.
  std::uint16_t enabledFactors() const { return field(modes_.wr1, wr1::kFactorEnables); }
  int encoderMultiple() const;
  // Latches the compare factors for the conditions that have just become true.
  void updateCompare();
  // Whether a chip input set active high or low sees `input` active.
  bool seenActive(Input input, bool activeHigh) const {
    return carriage_.level(inputActive(input)) == activeHigh;
  }

  Carriage carriage_;
  AxisRegisters registers_;
  ModeRegisters modes_;
  MotionState motion_;
  std::uint16_t factors_ = 0;
  std::uint16_t compareConditions_ = 0;          // the compare factors' conditions that hold
  std::array<std::int8_t, kInputCount> forced_;  // M716SimInputState of each input
  bool emergency_ = false;
};

}  // namespace m716::sim
