// Simulated time: frozen, advanced by hand, running at the speed factor, and set back by a
// reload.

#include <chrono>
#include <thread>

#include "simulated_board_test.h"

namespace m716::test {
namespace {

using ClockTest = SimulatedBoardTest;

TEST_F(ClockTest, FrozenClockMovesOnlyWhenAdvanced) {
  M716SimSetSpeedFactor(0);
  const double frozenAt = M716SimTime();
  // Real time passing must not move it (this waits for nothing to happen).
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(M716SimTime(), frozenAt);

  M716SimAdvance(1.5);
  EXPECT_NEAR(M716SimTime(), frozenAt + 1.5, 1e-9);
  M716SimAdvance(-1.0);
  EXPECT_NEAR(M716SimTime(), frozenAt + 1.5, 1e-9);
}

TEST_F(ClockTest, RunningClockFollowsRealTimeTimesTheFactor) {
  EXPECT_EQ(M716SimSpeedFactor(), 1.0);
  M716SimSetSpeedFactor(1000);
  const auto started = std::chrono::steady_clock::now();
  const auto deadline = started + std::chrono::seconds(10);
  while (M716SimTime() < 2.0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::yield();
  }
  const std::chrono::duration<double> realElapsed = std::chrono::steady_clock::now() - started;
  EXPECT_GE(M716SimTime(), 2.0);
  EXPECT_LT(realElapsed.count(), 1.0);  // 2 s at 1000 × take 2 ms
}

TEST_F(ClockTest, ConfiguredSpeedFactorAppliesAtEveryPowerUp) {
  setDword(kSimulatorKey, "SpeedFactor", 0);
  reload();
  EXPECT_EQ(M716SimSpeedFactor(), 0.0);
  M716SimAdvance(3.0);
  EXPECT_NEAR(M716SimTime(), 3.0, 1e-9);

  M716SimSetSpeedFactor(50);
  reload();  // back to the configured factor, and to time 0
  EXPECT_EQ(M716SimSpeedFactor(), 0.0);
  EXPECT_EQ(M716SimTime(), 0.0);
}

}  // namespace
}  // namespace m716::test
