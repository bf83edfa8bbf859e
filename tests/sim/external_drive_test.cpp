// Drives the machine side starts: jog and hand-wheel drives (WR3 bits 3 and 4), and the
// in-position input holding back the end of a drive.

#include "motion_fixture.h"

namespace m716::test {
namespace {

constexpr std::uint16_t kJogMode = 1u << 3, kHandWheelMode = 1u << 4;

using ExternalDriveTest = MotionTest;

TEST_F(ExternalDriveTest, JogDrivesWhileItsInputIsActive) {
  setUpAxes(kX, {100, 1100, 10'000, 0, 0, kJogMode});
  M716SimForceInput(kBase, kX, M716SIM_INPUT_JOG_PLUS, M716SIM_STATE_ACTIVE);
  EXPECT_TRUE(driving(kX));
  M716SimAdvance(0.5);
  EXPECT_EQ(logical(kX), 500);
  M716SimForceInput(kBase, kX, M716SIM_INPUT_JOG_PLUS, M716SIM_STATE_INACTIVE);
  ASSERT_TRUE(finish(kX));
  EXPECT_EQ(logical(kX), 560) << "decelerated to a stop";
  EXPECT_EQ(in(8) & 0x30, 0x30) << "both jog inputs read high (inactive, active low)";

  M716SimForceInput(kBase, kX, M716SIM_INPUT_JOG_MINUS, M716SIM_STATE_ACTIVE);
  M716SimAdvance(0.5);
  EXPECT_EQ(logical(kX), 60);
  M716SimForceInput(kBase, kX, M716SIM_INPUT_JOG_MINUS, M716SIM_STATE_MECHANICS);
  ASSERT_TRUE(finish(kX));
  EXPECT_EQ(M716SimDriveStarts(kBase, kX), 2u);
}

TEST_F(ExternalDriveTest, JogStoppedByALimitWaitsForTheInputAnew) {
  setDword(boardKey(kBase) + "\\Xaxis", "LimitPlus", 100);
  reload();
  M716SimSetSpeedFactor(0);
  setUpAxes(kX, {500, 400, 10'000, 0, 0, kJogMode});
  M716SimForceInput(kBase, kX, M716SIM_INPUT_JOG_PLUS, M716SIM_STATE_ACTIVE);
  ASSERT_TRUE(finish(kX));
  EXPECT_EQ(logical(kX), 100);
  M716SimAdvance(0.1);
  EXPECT_FALSE(driving(kX));
  EXPECT_EQ(M716SimDriveStarts(kBase, kX), 1u);

  M716SimForceInput(kBase, kX, M716SIM_INPUT_JOG_PLUS, M716SIM_STATE_INACTIVE);
  M716SimForceInput(kBase, kX, M716SIM_INPUT_JOG_MINUS, M716SIM_STATE_ACTIVE);
  M716SimAdvance(0.1);
  EXPECT_EQ(logical(kX), 60);
}

TEST_F(ExternalDriveTest, JogInputsDoNothingOutsideJogMode) {
  setUpAxes(kX, {100, 1100, 10'000});
  M716SimForceInput(kBase, kX, M716SIM_INPUT_JOG_PLUS, M716SIM_STATE_ACTIVE);
  M716SimAdvance(0.1);
  EXPECT_FALSE(driving(kX));
  EXPECT_EQ(in(8) & 0x10, 0) << "the input reads low while active";
}

TEST_F(ExternalDriveTest, EachHandWheelStepDrivesThePulseCount) {
  setUpAxes(kX, {100, 1100, 10'000, 0, 0, kHandWheelMode});
  load(kX, 0x06, 50);
  M716SimHandWheel(kBase, kX, 3);
  ASSERT_TRUE(finish(kX));
  EXPECT_EQ(logical(kX), 150);
  M716SimHandWheel(kBase, kX, -1);
  ASSERT_TRUE(finish(kX));
  EXPECT_EQ(logical(kX), 100);
  EXPECT_EQ(M716SimDriveStarts(kBase, kX), 4u);

  writeMode(kX, 3, 0);  // out of hand-wheel mode: steps are lost
  M716SimHandWheel(kBase, kX, 5);
  M716SimAdvance(1.0);
  EXPECT_EQ(logical(kX), 100);
}

TEST_F(ExternalDriveTest, EnabledInPositionHoldsTheEndUntilItIsActive) {
  setUpAxes(kX, {500, 400, 10'000});
  writeMode(kX, 2, 1u << 15);  // in-position enabled, active low
  M716SimForceInput(kBase, kX, M716SIM_INPUT_IN_POSITION, M716SIM_STATE_INACTIVE);
  fixedDrive(kX, 40);
  M716SimAdvance(1.0);
  EXPECT_EQ(logical(kX), 40);
  EXPECT_TRUE(driving(kX)) << "pulses out, not yet in position";
  EXPECT_EQ(speed(kX), 0u);
  // A carriage at rest is in position.
  M716SimForceInput(kBase, kX, M716SIM_INPUT_IN_POSITION, M716SIM_STATE_MECHANICS);
  EXPECT_FALSE(driving(kX));
}

TEST_F(ExternalDriveTest, MachinePositionFollowsPulsesAndKeepsAcrossChipReset) {
  M716SimSetMachinePosition(kBase, kY, 1234);
  setUpAxes(kY, {500, 400, 10'000});
  fixedDrive(kY, -34);
  ASSERT_TRUE(finish(kY));
  EXPECT_EQ(M716SimMachinePosition(kBase, kY), 1200);
  out(0, 0x8000);
  EXPECT_EQ(M716SimMachinePosition(kBase, kY), 1200);
  EXPECT_EQ(logical(kY), 0);
}

}  // namespace
}  // namespace m716::test
