#pragma once
// The board's motion chip as the bus sees it: eight write registers WR0..WR7 and eight read
// registers RR0..RR7 at even offsets 0..14, and four axes.
//
// A word written to WR0 is a command: bits 8..11 select the axes the per-axis registers and
// data commands address (every command sets the selection, a board-wide one to none), bits
// 0..7 are the code; 0x8000 resets the chip. Write-data commands
// take their value from WR6 (low) and WR7 (high), or WR6 alone for 16-bit values, clamp it to
// the register's range (counting the clamp in the board's diagnostics) and store it in every
// selected axis. Per-axis reads (RR1..RR3, and the data put into RR6/RR7 by 0x10..0x13) come
// from the lowest selected axis.
//
// Motion commands (chip_motion.cpp): drives of single axes, hold and release, stops,
// interpolation and its continuous mode; the chip also starts the external (jog and hand-wheel)
// drives. Each drive in progress is a Motion, kept under its main axis.
//
// The ports, command codes and register bits are named in registers.h.
//
// Concurrency: not synchronised; the simulator calls it under its mutex.

#include <array>
#include <cstdint>
#include <memory>

#include "axis.h"
#include "configuration.h"
#include "diagnostics.h"
#include "motion.h"
#include "registers.h"

namespace m716::sim {

class Chip {
 public:
  Chip(const std::array<AxisMechanics, kAxisCount>& mechanics, BoardDiagnostics& diagnostics);

  // `offset` is an even offset 0..14 from the board's base address.
  void write(std::uint32_t offset, std::uint16_t value);
  // Reading RR3 clears the factors it returns.
  std::uint16_t read(std::uint32_t offset);

  // Moves every axis to `time`; time never goes back.
  void advanceTo(SimTime time);
  SimTime nextEventTime() const;
  // The interrupt line: any factor of any axis, or the interpolation interrupt, pending.
  bool interruptPending() const;
  // What holds the line raised: the factors of axis k in bits 16k.., the interpolation
  // interrupt in bit 63. A bit newly set is a new reason to interrupt.
  std::uint64_t interruptCauses() const;

  Axis& axis(std::size_t index) { return axes_[index]; }

  // The machine's side (control API); each takes effect at the chip's current time.
  void forceInput(std::size_t axis, Input input, int state);
  // The board-wide emergency stop input: active only in M716SIM_STATE_ACTIVE.
  void forceEmergency(int state);
  void turnHandWheel(std::size_t axis, std::int64_t steps);
  void placeCarriage(std::size_t axis, std::int32_t position);

 private:
  void command(std::uint16_t word);
  void reset();
  void loadData(unsigned code);
  void putIntoData(unsigned code);
  void motionCommand(unsigned code);
  void startDrive(std::size_t axis, unsigned code);
  void startMotion(std::size_t mainAxis, std::vector<Axis*> axes, Motion::Segment segment);
  void release();
  void stopSelected(StopKind kind);
  void startInterpolation(unsigned code);
  Motion::Segment interpolationSegment(unsigned code,
                                       const std::array<std::size_t, kMaxPathAxes>& axes,
                                       std::size_t count) const;
  Motion* interpolation() const;
  // Acts on the present state at the current time: ends drives whose end has come, stops
  // drives that must stop, starts external drives.
  void settle();
  void handle(std::size_t slot, Motion::Outcome outcome);
  void endInterpolation(const Motion& motion);
  Motion* motionOf(const Axis& axis) const;
  void updateJog(std::size_t axis);
  void serviceHandWheel(std::size_t axis);
  bool selected(std::size_t index) const { return anySet(selection_, axisBit(wr0::kAxes, index)); }
  // The lowest selected axis; nullptr when none is selected.
  Axis* selectedAxis();
  // Calls action(index) for each selected axis, X first.
  template <class Action>
  void forSelected(Action action) {
    for (std::size_t index = 0; index < kAxisCount; ++index) {
      if (selected(index)) action(index);
    }
  }
  std::uint16_t mainStatus() const;
  std::uint16_t inputRegister(std::size_t lowAxis, std::size_t highAxis) const;

  std::array<Axis, kAxisCount> axes_;
  BoardDiagnostics& diagnostics_;
  std::uint16_t selection_ = 0;               // WR0 axis bits of the last command
  std::uint16_t outputs_ = 0;                 // WR4
  std::uint16_t interpolationMode_ = 0;       // WR5
  std::uint16_t dataLow_ = 0, dataHigh_ = 0;  // WR6, WR7
  std::uint16_t readLow_ = 0, readHigh_ = 0;  // RR6, RR7
  bool interpolationInterrupt_ = false;
  // The interpolation running began in continuous mode (WR5 bit 14): it interrupts as each
  // segment starts and when it ends, and shows in RR0 bit 9 whether it can take a segment, until
  // it ends, whatever WR5 holds meanwhile.
  bool continuousRun_ = false;
  bool decelerationValid_ = true;  // interpolation deceleration (0x3B / 0x3C)
  std::array<std::unique_ptr<Motion>, kAxisCount> motions_;  // by main axis
  std::array<bool, kAxisCount> held_{};
  std::array<unsigned, kAxisCount> pendingDrive_{};  // drive command waiting for release; 0: none
  std::array<int, kAxisCount> jogDirection_{};       // of the axis's jog drive; 0: none
  std::array<int, kAxisCount> jogWanted_{};          // the direction the jog inputs last asked for
  std::array<bool, kAxisCount> jogStartDue_{};       // a jog input became active: start when idle
  std::array<std::int64_t, kAxisCount> handWheelSteps_{};
  SimTime now_{};
};

}  // namespace m716::sim
