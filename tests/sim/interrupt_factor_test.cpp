// Interrupt factors: latched only when enabled in WR1, cleared by reading RR3, the board's line
// raised while any is pending; compare crossings in both directions.

#include <atomic>
#include <chrono>
#include <thread>

#include "motion_fixture.h"

namespace m716::test {
namespace {

class InterruptFactorTest : public MotionTest {
 protected:
  void countInterrupts() {
    attached_ = platform::interruptLines().attach(kBase, [this] { ++interrupts_; });
    ASSERT_TRUE(attached_);
  }
  std::atomic<int> interrupts_ = 0;
};

TEST_F(InterruptFactorTest, FactorLatchesOnlyWhenEnabledAndReadingClearsIt) {
  countInterrupts();
  setUpAxes(kX | kY, {100, 1100, 10'000});
  writeMode(kY, 1, kDriveEnded << 8);
  fixedDrive(kX | kY, 100);
  ASSERT_TRUE(finish(kX | kY));
  EXPECT_GT(interrupts_, 0) << "the line is raised until the factor is read";

  command(kX, cmd::kSelect);
  EXPECT_EQ(in(6), 0) << "X has no enabled factor";
  command(kY, cmd::kSelect);
  EXPECT_EQ(in(6), kDriveEnded);
  EXPECT_EQ(in(6), 0) << "reading cleared it";

  const int seen = interrupts_;
  M716SimAdvance(0.5);
  EXPECT_EQ(interrupts_, seen) << "the line dropped";
}

TEST_F(InterruptFactorTest, CompareCrossingsLatchInBothDirections) {
  load(kX, 0x0B, 300);   // COMP+
  load(kX, 0x0C, -100);  // COMP-
  recordFactors(kX, kReachedCompMinus | kBelowCompMinus | kBelowCompPlus | kReachedCompPlus);
  setUpAxes(kX, {100, 1100, 10'000});
  fixedDrive(kX, 500);
  ASSERT_TRUE(finish(kX));
  fixedDrive(kX, -800);
  ASSERT_TRUE(finish(kX));

  ASSERT_EQ(records_.size(), 3u);
  EXPECT_EQ(records_[0].factors, kReachedCompPlus);
  EXPECT_EQ(records_[0].logicalPosition, 300);
  EXPECT_EQ(records_[1].factors, kBelowCompPlus);
  EXPECT_EQ(records_[1].logicalPosition, 299);
  EXPECT_EQ(records_[2].factors, kBelowCompMinus);
  EXPECT_EQ(records_[2].logicalPosition, -101);
}

TEST_F(InterruptFactorTest, PulseFactorComesWithEveryPulse) {
  recordFactors(kX, kPulse);
  setUpAxes(kX, {500, 400, 10'000});
  fixedDrive(kX, 20);
  ASSERT_TRUE(finish(kX));
  ASSERT_EQ(records_.size(), 20u);
  for (std::size_t pulse = 0; pulse < records_.size(); ++pulse) {
    EXPECT_EQ(records_[pulse].logicalPosition, static_cast<std::int32_t>(pulse + 1));
    EXPECT_NEAR(records_[pulse].time, (pulse + 1) / 400.0, 1e-6);
  }
}

TEST_F(InterruptFactorTest, ChipResetDropsPendingFactors) {
  countInterrupts();
  setUpAxes(kX, {500, 400, 10'000});
  writeMode(kX, 1, kDriveEnded << 8);
  fixedDrive(kX, 1);
  out(0, 0x8000);
  M716SimAdvance(0.1);
  EXPECT_EQ(interrupts_, 0);
  EXPECT_FALSE(driving(kX));
}

// With the clock running the chip does not wait for a handler: while one blocks for 20 ms at
// each pulse, the pulses still come at the drive speed, the clock keeps to real time, and the
// delays recorded from each rise show the handler's lateness.
TEST_F(InterruptFactorTest, ARunningChipGoesOnWhileAHandlerBlocks) {
  setUpAxes(kX, {1000, 1000, 10'000});  // 1000 pps without ramps
  writeMode(kX, 1, kPulse << 8);
  attached_ = platform::interruptLines().attach(kBase, [] {
    command(kX, cmd::kSelect);
    in(6);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  });
  ASSERT_TRUE(attached_);
  M716SimSetSpeedFactor(1);
  const auto realStart = std::chrono::steady_clock::now();
  const double start = M716SimTime();
  fixedDrive(kX, 100'000);
  M716SimLatency latency{};
  M716SimTakeInterruptLatency(&latency);  // control calls beside the delivery thread
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  // Each read brackets the other, so a thread preempted between them cannot fail the test.
  const auto realSince = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - realStart).count();
  };
  const double realBefore = realSince(), before = M716SimTime() - start;
  const std::int32_t pulses = logical(kX);
  const double after = M716SimTime() - start, realAfter = realSince();
  EXPECT_GE(pulses, 1000 * before - 2);
  EXPECT_LE(pulses, 1000 * after + 2);
  EXPECT_GE(before, realBefore - 0.001);
  EXPECT_LE(after, realAfter + 0.001);
  command(kX, cmd::kImmediateStop);
  platform::interruptLines().detach(kBase);
  attached_ = false;
  M716SimTakeInterruptLatency(&latency);
  EXPECT_GE(latency.count, 5u);
  EXPECT_GT(latency.medianMicroseconds, 15'000) << "each next pulse came while the handler blocked";
}

}  // namespace
}  // namespace m716::test
