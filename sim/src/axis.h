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

namespace m716::sim {

inline constexpr SimTime kNever = SimTime::max();

// The values loaded by the write-data commands 0x00..0x0C, already range-checked.
struct AxisRegisters {
  std::uint32_t range = 0;              // 0x00 R
  std::uint32_t jerk = 0;               // 0x01 K
  std::uint32_t acceleration = 0;       // 0x02 A
  std::uint32_t deceleration = 0;       // 0x03 D
  std::uint32_t startSpeed = 0;         // 0x04 SV
  std::uint32_t driveSpeed = 0;         // 0x05 V
  std::int32_t pulses = 0;              // 0x06 P: pulse count, or signed finish point
  std::uint32_t decelerationPoint = 0;  // 0x07 DP
  std::int32_t center = 0;              // 0x08 C
  std::int32_t logicalPosition = 0;     // 0x09 LP
  std::int32_t realPosition = 0;        // 0x0A EP
  std::int32_t compPlus = 0;            // 0x0B COMP+
  std::int32_t compMinus = 0;           // 0x0C COMP-
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

// RR3 bits.
namespace factor {
inline constexpr std::uint16_t kPulse = 1u << 0;
inline constexpr std::uint16_t kReachedCompMinus = 1u << 1;  // P >= COMP-
inline constexpr std::uint16_t kBelowCompMinus = 1u << 2;    // P < COMP-
inline constexpr std::uint16_t kBelowCompPlus = 1u << 3;     // P < COMP+
inline constexpr std::uint16_t kReachedCompPlus = 1u << 4;   // P >= COMP+
inline constexpr std::uint16_t kAccelerationEnded = 1u << 5;
inline constexpr std::uint16_t kDecelerationStarted = 1u << 6;
inline constexpr std::uint16_t kDriveEnded = 1u << 7;
}  // namespace factor

// RR1 bits 8..15: what stopped the last drive.
namespace stopped {
inline constexpr std::uint16_t kByInput0 = 1u << 8;  // IN0..IN3: bits 8..11
inline constexpr std::uint16_t kByLimitPlus = 1u << 12;
inline constexpr std::uint16_t kByLimitMinus = 1u << 13;
inline constexpr std::uint16_t kByAlarm = 1u << 14;
inline constexpr std::uint16_t kByEmergency = 1u << 15;
}  // namespace stopped

enum class StopKind : std::uint8_t { none, decelerate, immediate };

struct StopCause {
  StopKind kind = StopKind::none;
  std::uint16_t endStatus = 0;  // RR1 bits to latch when the drive ends
};

class Axis {
 public:
  explicit Axis(const AxisMechanics& mechanics) : carriage_(mechanics) { reset(); }

  // Chip reset: every register, counter and mode to 0, the axis at rest, nothing pending.
  // The carriage stays where it is, and so do forced inputs.
  void reset();
  // Stores a value of write-data command `code` (0x00..0x0C).
  void load(int code, std::uint32_t value);
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
  // Latches the factors among `bits` that WR1 enables.
  void raiseFactors(std::uint16_t bits);
  // Raw levels of the inputs in the layout of one byte of RR4/RR5.
  std::uint8_t inputLevels() const;
  bool inError() const { return (status2() & 0x3F) != 0; }

  // Forced inputs: 1 active, 0 inactive, -1 back to the mechanics.
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
  // The position compare and software limits use: EP with WR2 bit 5, else LP.
  std::int32_t comparedPosition() const;
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
  std::uint16_t compareConditions_ = 0;  // the compare factors' conditions that hold
  std::array<std::int8_t, kInputCount> forced_ = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  bool emergency_ = false;
};

}  // namespace m716::sim
