#pragma once
// Fixture for tests of the simulated chip in motion: a frozen clock moved by hand, axis set-up
// in physical units (range 8 000 000, so one speed unit is one pulse per second), counters and
// status read over the bus, and a recorder of the interrupt factors the line reports.

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "simulated_board_test.h"

namespace m716::test {

inline constexpr unsigned kX = 1, kY = 2, kZ = 4, kU = 8;

namespace cmd {
inline constexpr unsigned kSelect = 0x0F, kFixedPlus = 0x20, kFixedMinus = 0x21,
                          kContinuousPlus = 0x22, kContinuousMinus = 0x23, kHold = 0x24,
                          kRelease = 0x25, kDeceleratingStop = 0x26, kImmediateStop = 0x27,
                          kLine2 = 0x30, kLine3 = 0x31, kArcClockwise = 0x32,
                          kArcCounterClockwise = 0x33, kDecelerationValid = 0x3B,
                          kDecelerationInvalid = 0x3C, kClearInterpolationInterrupt = 0x3D;
}

// RR3 interrupt factors.
inline constexpr std::uint16_t kPulse = 1u << 0;
inline constexpr std::uint16_t kReachedCompMinus = 1u << 1;  // P >= COMP-
inline constexpr std::uint16_t kBelowCompMinus = 1u << 2;    // P < COMP-
inline constexpr std::uint16_t kBelowCompPlus = 1u << 3;     // P < COMP+
inline constexpr std::uint16_t kReachedCompPlus = 1u << 4;   // P >= COMP+
inline constexpr std::uint16_t kAccelerationEnded = 1u << 5;
inline constexpr std::uint16_t kDecelerationStarted = 1u << 6;
inline constexpr std::uint16_t kDriveEnded = 1u << 7;

// RR1 end status: what stopped the last drive.
inline constexpr std::uint16_t kStoppedByIn3 = 1u << 11;
inline constexpr std::uint16_t kStoppedByLimitPlus = 1u << 12;
inline constexpr std::uint16_t kStoppedByLimitMinus = 1u << 13;
inline constexpr std::uint16_t kStoppedByAlarm = 1u << 14;
inline constexpr std::uint16_t kStoppedByEmergency = 1u << 15;

// Speeds in pulses per second, accelerations in pps/s (multiples of 125), jerk register K.
struct AxisSettings {
  std::uint32_t startSpeed = 100;
  std::uint32_t driveSpeed = 1100;
  std::uint32_t acceleration = 10'000;
  std::uint32_t deceleration = 0;  // 0: decelerate at the acceleration
  std::uint32_t jerkRegister = 0;  // nonzero: S-curve
  std::uint16_t wr3 = 0;           // further WR3 bits
};

// One interrupt factor word read from RR3 while the line was raised.
struct FactorRecord {
  unsigned axis;
  std::uint16_t factors;
  std::int32_t logicalPosition;
  double time;  // since the test froze the clock
};

class MotionTest : public SimulatedBoardTest {
 protected:
  void SetUp() override {
    M716SimSetSpeedFactor(0);
    frozenAt_ = M716SimTime();
  }
  void TearDown() override {
    if (attached_) platform::interruptLines().detach(kBase);
  }

  static void setUpAxes(unsigned axes, const AxisSettings& settings) {
    load(axes, 0x00, 8'000'000);
    load(axes, 0x04, settings.startSpeed);
    load(axes, 0x05, settings.driveSpeed);
    load(axes, 0x02, settings.acceleration / 125);
    std::uint16_t wr3 = settings.wr3;
    if (settings.deceleration != 0) {
      load(axes, 0x03, settings.deceleration / 125);
      wr3 |= 1u << 1;
    }
    if (settings.jerkRegister != 0) {
      load(axes, 0x01, settings.jerkRegister);
      wr3 |= 1u << 2;
    }
    writeMode(axes, 3, wr3);
  }
  static void writeMode(unsigned axes, unsigned number, std::uint16_t value) {
    command(axes, cmd::kSelect);
    out(2 * number, value);
  }
  static void fixedDrive(unsigned axes, std::int32_t pulses) {
    load(axes, 0x06, static_cast<std::uint32_t>(pulses < 0 ? -pulses : pulses));
    command(axes, pulses < 0 ? cmd::kFixedMinus : cmd::kFixedPlus);
  }

  static std::int32_t logical(unsigned axis) {
    return static_cast<std::int32_t>(readData(axis, 0x10));
  }
  static std::int32_t real(unsigned axis) {
    return static_cast<std::int32_t>(readData(axis, 0x11));
  }
  static std::uint32_t speed(unsigned axis) { return readData(axis, 0x12); }
  static std::uint32_t acceleration(unsigned axis) { return readData(axis, 0x13); }
  static std::uint16_t mainStatus() { return in(0); }
  static std::uint16_t status(unsigned axis, unsigned number) {
    command(axis, cmd::kSelect);
    return in(2 * number);
  }
  static bool driving(unsigned axis) { return (mainStatus() & axis) != 0; }

  // Advances the frozen clock in `step`s until `done()` or `limit` seconds have passed.
  static bool advanceUntil(const std::function<bool()>& done, double step = 1e-3,
                           double limit = 60) {
    for (double passed = 0; passed < limit; passed += step) {
      if (done()) return true;
      M716SimAdvance(step);
    }
    return done();
  }
  static bool finish(unsigned axes, double limit = 60) {
    return advanceUntil([axes] { return (mainStatus() & axes & 0xF) == 0; }, 1e-3, limit);
  }

  // Enables `factors` on `axes` and records every factor word the line brings in.
  void recordFactors(unsigned axes, std::uint16_t factors) {
    writeMode(axes, 1, static_cast<std::uint16_t>(factors << 8));
    attached_ = platform::interruptLines().attach(kBase, [this] {
      for (unsigned axis : {kX, kY, kZ, kU}) {
        command(axis, cmd::kSelect);
        std::uint16_t word = in(6);
        if (word != 0) records_.push_back({axis, word, logical(axis), M716SimTime() - frozenAt_});
      }
    });
    ASSERT_TRUE(attached_);
  }
  // The first record of `factor` on `axis`; nullptr when there is none.
  const FactorRecord* firstRecord(unsigned axis, std::uint16_t factor) const {
    for (const FactorRecord& record : records_) {
      if (record.axis == axis && (record.factors & factor)) return &record;
    }
    return nullptr;
  }

  double frozenAt_ = 0;
  std::vector<FactorRecord> records_;
  bool attached_ = false;
};

}  // namespace m716::test
