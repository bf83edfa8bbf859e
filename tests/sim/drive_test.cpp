// Drives of single axes against their analytic profiles: pulse totals, peak speed, where
// deceleration begins, the start speed at the last pulse, S-curve ramps, speed changes while
// driving, and the phase bits of RR1.

#include <algorithm>
#include <cmath>

#include "motion_fixture.h"

namespace m716::test {
namespace {

struct TrapezoidCase {
  const char* name;
  AxisSettings settings;
  std::int32_t pulses;
};

void PrintTo(const TrapezoidCase& trapezoid, std::ostream* out) {
  *out << trapezoid.name;
}

class TrapezoidTest : public MotionTest, public ::testing::WithParamInterface<TrapezoidCase> {
 protected:
  // The analytic profile: the speed it peaks at and the distances of its two ramps.
  struct Expected {
    double peak, up, down, duration;
  };
  static Expected expected(const AxisSettings& s, double pulses) {
    const double sv = s.startSpeed, a = s.acceleration;
    const double d = s.deceleration != 0 ? s.deceleration : a;
    if (s.driveSpeed <= s.startSpeed) {
      return {double(s.driveSpeed), 0, 0, pulses / s.driveSpeed};
    }
    double peak = s.driveSpeed;
    auto up = [&](double v) { return (v * v - sv * sv) / (2 * a); };
    auto down = [&](double v) { return (v * v - sv * sv) / (2 * d); };
    if (up(peak) + down(peak) > pulses) peak = std::sqrt(sv * sv + 2 * pulses * a * d / (a + d));
    const double cruise = pulses - up(peak) - down(peak);
    return {peak, up(peak), down(peak), (peak - sv) / a + (peak - sv) / d + cruise / peak};
  }
};

TEST_P(TrapezoidTest, FollowsTheAnalyticProfileAndEndsAtTheStartSpeedOnTheLastPulse) {
  const TrapezoidCase& drive = GetParam();
  const Expected profile = expected(drive.settings, std::abs(drive.pulses));
  const int sign = drive.pulses < 0 ? -1 : 1;
  recordFactors(kX, kAccelerationEnded | kDecelerationStarted | kDriveEnded);
  setUpAxes(kX, drive.settings);
  fixedDrive(kX, drive.pulses);
  ASSERT_TRUE(driving(kX));

  // Just before the end: almost at the start speed, one pulse short at most.
  M716SimAdvance(profile.duration - 1e-6);
  EXPECT_TRUE(driving(kX));
  EXPECT_NEAR(speed(kX), std::min(drive.settings.startSpeed, drive.settings.driveSpeed), 1);
  ASSERT_TRUE(finish(kX));

  EXPECT_EQ(logical(kX), drive.pulses);
  EXPECT_EQ(real(kX), drive.pulses);
  EXPECT_EQ(speed(kX), 0u);
  const FactorRecord* ended = firstRecord(kX, kDriveEnded);
  ASSERT_NE(ended, nullptr);
  EXPECT_NEAR(ended->time, profile.duration, 1e-6);
  EXPECT_EQ(ended->logicalPosition, drive.pulses);
  if (profile.up == 0) {
    EXPECT_EQ(firstRecord(kX, kDecelerationStarted), nullptr);
    return;
  }
  const FactorRecord* decelerating = firstRecord(kX, kDecelerationStarted);
  const FactorRecord* accelerated = firstRecord(kX, kAccelerationEnded);
  ASSERT_NE(decelerating, nullptr);
  ASSERT_NE(accelerated, nullptr);
  EXPECT_EQ(accelerated->logicalPosition, sign * std::floor(profile.up + 1e-9));
  EXPECT_EQ(decelerating->logicalPosition,
            sign * std::floor(std::abs(drive.pulses) - profile.down + 1e-9));
}

TEST_P(TrapezoidTest, PeaksAtTheDriveSpeedOrLowerForShortMoves) {
  const TrapezoidCase& drive = GetParam();
  const Expected profile = expected(drive.settings, std::abs(drive.pulses));
  setUpAxes(kX, drive.settings);
  fixedDrive(kX, drive.pulses);
  std::uint32_t fastest = 0;
  advanceUntil(
      [&] {
        fastest = std::max(fastest, speed(kX));
        return !driving(kX);
      },
      1e-4);
  EXPECT_NEAR(fastest, profile.peak, profile.peak * 0.01 + 1);
  EXPECT_LE(fastest, drive.settings.driveSpeed);
}

INSTANTIATE_TEST_SUITE_P(Drives, TrapezoidTest,
                         ::testing::Values(
                             // Ramps of 60 pulses: deceleration begins at pulse 940.
                             TrapezoidCase{"Symmetric", {100, 1100, 10'000}, 1000},
                             TrapezoidCase{"Negative", {100, 1100, 10'000}, -1000},
                             // Deceleration of 5000 pps/s: 120 pulses down.
                             TrapezoidCase{"SeparateDeceleration", {100, 1100, 10'000, 5000}, 1000},
                             // Too short to reach 1100 pps: peaks at sqrt(100² + 100 × 10 000).
                             TrapezoidCase{"ShortMove", {100, 1100, 10'000}, 100},
                             TrapezoidCase{"ShortAsymmetric", {200, 3000, 20'000, 5000}, 333},
                             // At or below the start speed: no ramps at all.
                             TrapezoidCase{"AtStartSpeed", {500, 400, 10'000}, 200}),
                         [](const auto& info) { return std::string(info.param.name); });

using ScurveTest = MotionTest;

// Jerk 62 500 000 / 6250 = 10 000 pps/s²: too little to reach the acceleration limit, so each
// ramp is two jerk phases and covers (V + SV)·sqrt((V - SV) / J) pulses.
TEST_F(ScurveTest, RampCoversTheJerkLimitedDistance) {
  const AxisSettings settings{100, 1100, 1'000'000, 0, 6250};
  const double jerk = 10'000;
  const double ramp = (1100 + 100) * std::sqrt((1100 - 100) / jerk);
  recordFactors(kX, kAccelerationEnded | kDecelerationStarted | kDriveEnded);
  setUpAxes(kX, settings);
  fixedDrive(kX, 2000);

  std::uint16_t phases = 0;
  ASSERT_TRUE(advanceUntil([&] {
    phases |= status(kX, 1) & 0xFC;
    return !driving(kX);
  }));
  EXPECT_EQ(logical(kX), 2000);
  EXPECT_EQ(phases & 0xE0, 0xA0) << "rising and falling acceleration, no steady part";
  ASSERT_NE(firstRecord(kX, kAccelerationEnded), nullptr);
  ASSERT_NE(firstRecord(kX, kDecelerationStarted), nullptr);
  EXPECT_EQ(firstRecord(kX, kAccelerationEnded)->logicalPosition, std::floor(ramp));
  EXPECT_EQ(firstRecord(kX, kDecelerationStarted)->logicalPosition, std::floor(2000 - ramp));
  // Both ramps take 2·sqrt((V - SV) / J) and the cruise the rest at V.
  const double duration = 4 * std::sqrt(1000 / jerk) + (2000 - 2 * ramp) / 1100;
  EXPECT_NEAR(firstRecord(kX, kDriveEnded)->time, duration, 1e-6);
}

TEST_F(ScurveTest, ShortMovePeaksLowerAndEndsExactlyAtTheStartSpeed) {
  setUpAxes(kX, {100, 1100, 1'000'000, 0, 6250});
  fixedDrive(kX, 150);  // the two ramps to 1100 pps would take 759 pulses
  std::uint32_t fastest = 0, last = 0;
  ASSERT_TRUE(advanceUntil(
      [&] {
        fastest = std::max(fastest, speed(kX));
        if (driving(kX)) last = speed(kX);
        return !driving(kX);
      },
      1e-4));
  EXPECT_EQ(logical(kX), 150);
  EXPECT_LT(fastest, 1100u);
  EXPECT_GT(fastest, 100u);
  EXPECT_NEAR(last, 100, 5) << "at the start speed on the last pulses";
}

TEST_F(ScurveTest, AccelerationNeverExceedsItsLimit) {
  // J = 62 500 000 / 625 = 100 000 pps/s², A = 10 000 pps/s: a steady part of 0.1 s.
  setUpAxes(kX, {100, 3100, 10'000, 0, 625});
  load(kX, 0x06, 100'000);
  command(kX, cmd::kFixedPlus);
  std::uint32_t highest = 0;
  std::uint16_t phases = 0;
  advanceUntil(
      [&] {
        highest = std::max(highest, acceleration(kX));
        phases |= status(kX, 1) & 0xE0;
        return speed(kX) >= 3100;
      },
      1e-3, 5);
  EXPECT_EQ(highest, 80u) << "10 000 pps/s in units of 125";
  EXPECT_EQ(phases, 0xE0) << "rising, steady and falling acceleration";
}

using SpeedChangeTest = MotionTest;

TEST_F(SpeedChangeTest, DriveSpeedWrittenWhileDrivingTakesEffectWithTheRamps) {
  setUpAxes(kX, {100, 1100, 10'000});
  command(kX, cmd::kContinuousPlus);
  M716SimAdvance(0.5);
  EXPECT_EQ(speed(kX), 1100u);
  EXPECT_EQ(status(kX, 1) & 0x1C, 1u << 3) << "constant speed";

  load(kX, 0x05, 2100);
  M716SimAdvance(0.05);
  EXPECT_EQ(speed(kX), 1600u);
  EXPECT_EQ(status(kX, 1) & 0x1C, 1u << 2) << "accelerating";
  M716SimAdvance(0.1);
  EXPECT_EQ(speed(kX), 2100u);

  load(kX, 0x05, 0);  // slows to a standstill and stays driving
  M716SimAdvance(1.0);
  EXPECT_EQ(speed(kX), 0u);
  EXPECT_TRUE(driving(kX));
  const std::int32_t standing = logical(kX);
  M716SimAdvance(1.0);
  EXPECT_EQ(logical(kX), standing);
}

TEST_F(SpeedChangeTest, FixedPulseDriveStillEndsExactlyAfterASpeedChange) {
  setUpAxes(kX, {100, 1100, 10'000});
  fixedDrive(kX, 5000);
  M716SimAdvance(0.5);
  load(kX, 0x05, 3100);
  ASSERT_TRUE(finish(kX));
  EXPECT_EQ(logical(kX), 5000);
}

using DriveStartTest = MotionTest;

TEST_F(DriveStartTest, HeldAxesStartTogetherOnRelease) {
  setUpAxes(kX | kY, {100, 1100, 10'000});
  command(kX | kY, cmd::kHold);
  fixedDrive(kX, 1000);
  M716SimAdvance(0.123);
  fixedDrive(kY, 1000);
  M716SimAdvance(0.2);
  EXPECT_FALSE(driving(kX));
  EXPECT_FALSE(driving(kY));
  EXPECT_EQ(M716SimDriveStarts(kBase, kX), 0u);

  command(kX | kY, cmd::kRelease);
  EXPECT_EQ(mainStatus() & 0xF, kX | kY);
  for (int sample = 0; sample < 50; ++sample) {
    M716SimAdvance(0.0213);
    ASSERT_EQ(logical(kX), logical(kY));
  }
  ASSERT_TRUE(finish(kX | kY));
  EXPECT_EQ(M716SimDriveStarts(kBase, kX), 1u);
  EXPECT_EQ(M716SimDriveStarts(kBase, kY), 1u);
}

TEST_F(DriveStartTest, DriveCommandToADrivingAxisIsIgnored) {
  setUpAxes(kX, {100, 1100, 10'000});
  fixedDrive(kX, 1000);
  M716SimAdvance(0.1);
  fixedDrive(kX, -50);
  ASSERT_TRUE(finish(kX));
  EXPECT_EQ(logical(kX), 1000);
  EXPECT_EQ(M716SimDriveStarts(kBase, kX), 1u);
}

TEST_F(DriveStartTest, ManualDecelerationBeginsAtTheDecelerationPoint) {
  recordFactors(kX, kDecelerationStarted | kDriveEnded);
  setUpAxes(kX, {100, 1100, 10'000, 0, 0, /*manual deceleration*/ 1u << 0});
  load(kX, 0x07, 500);
  fixedDrive(kX, 1000);
  ASSERT_TRUE(finish(kX));
  EXPECT_EQ(logical(kX), 1000);
  ASSERT_NE(firstRecord(kX, kDecelerationStarted), nullptr);
  EXPECT_EQ(firstRecord(kX, kDecelerationStarted)->logicalPosition, 500);
  // Up in 0.1 s, on to pulse 500, down to 560 in 0.1 s, the last 440 pulses at 100 pps.
  const double duration = 0.1 + 440.0 / 1100 + 0.1 + 440.0 / 100;
  EXPECT_NEAR(firstRecord(kX, kDriveEnded)->time, duration, 1e-6);
}

struct EncoderCase {
  const char* name;
  std::uint16_t wr2;
  std::int32_t countsPerPulse;
};

void PrintTo(const EncoderCase& encoder, std::ostream* out) {
  *out << encoder.name;
}

class EncoderTest : public MotionTest, public ::testing::WithParamInterface<EncoderCase> {};

// WR2 bit 9: A/B phase (else up/down pulses); bits 10/11: A/B counted 1/2 or 1/4.
TEST_P(EncoderTest, RealPositionCountsTheConfiguredMultiple) {
  const EncoderCase& encoder = GetParam();
  setUpAxes(kX, {100, 1100, 10'000});
  writeMode(kX, 2, encoder.wr2);
  load(kX, 0x0A, 7);
  fixedDrive(kX, -250);
  ASSERT_TRUE(finish(kX));
  EXPECT_EQ(real(kX), 7 - 250 * encoder.countsPerPulse);
  EXPECT_EQ(logical(kX), -250);
}

INSTANTIATE_TEST_SUITE_P(Multiples, EncoderTest,
                         ::testing::Values(EncoderCase{"UpDownPulses", 0, 1},
                                           EncoderCase{"UpDownIgnoresAB", 1u << 10, 1},
                                           EncoderCase{"AB1of1", 1u << 9, 4},
                                           EncoderCase{"AB1of2", (1u << 9) | (1u << 10), 2},
                                           EncoderCase{"AB1of4", (1u << 9) | (1u << 11), 1}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace m716::test
