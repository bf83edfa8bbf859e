#pragma once
// One axis of the chip: the registers the write-data commands load, the mode registers, the
// pending interrupt factors, the motion state and the carriage it drives.
//
// Motion enters through advanceTo (the chip moves every axis to the same simulated time) and
// nextEventTime (the earliest time at which something may latch a factor or end a drive, so
// that the simulator steps there and serves the interrupt line before it goes on).
//
// Concurrency: not synchronised; the simulator calls it under its mutex.

#include <cstdint>

#include "carriage.h"
#include "clock.h"

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

// Where the axis is in its drive. Speeds in speed units, accelerations in units of 125 × u.
struct MotionState {
  bool driving = false;
  std::uint32_t speed = 0;
  std::uint32_t acceleration = 0;
  std::uint16_t endStatus = 0;  // RR1 bits 8..15
};

// RR3 bits.
namespace factor {
inline constexpr std::uint16_t kDriveEnded = 1u << 7;
}

class Axis {
 public:
  explicit Axis(const AxisMechanics& mechanics) : carriage_(mechanics) {}

  // Chip reset: every register, counter and mode to 0, the axis at rest, nothing pending.
  // The carriage stays where it is.
  void reset();
  // Stores a value of write-data command `code` (0x00..0x0C).
  void load(int code, std::uint32_t value);

  const AxisRegisters& registers() const { return registers_; }
  ModeRegisters& modes() { return modes_; }
  const MotionState& motion() const { return motion_; }
  Carriage& carriage() { return carriage_; }

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

  void advanceTo(SimTime time);
  SimTime nextEventTime() const { return kNever; }

 private:
  // The position compare and software limits use: EP with WR2 bit 5, else LP.
  std::int32_t comparedPosition() const;
  bool inputActive(Input input) const;
  // Whether a signal at `level` counts as active for a chip input set active high or low.
  static bool active(bool level, bool activeHigh) { return level == activeHigh; }

  Carriage carriage_;
  AxisRegisters registers_;
  ModeRegisters modes_;
  MotionState motion_;
  std::uint16_t factors_ = 0;
  SimTime now_{};
};

}  // namespace m716::sim
