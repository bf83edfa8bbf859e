// Drives through the public API on the simulated board, its clock frozen and moved by the test.

#include "open_board.h"

namespace m716::test {
namespace {

constexpr std::uint32_t kX = 1, kY = 2, kZ = 4;
constexpr std::int16_t kStoppedByLimitPlus = 0x1000;  // RR1 bit 12

class DrivesTest : public OpenBoardTest {
 protected:
  static std::uint32_t liveSpeed(std::uint32_t axis) { return readRegister(axis, 0x105); }
  static void stopAndWait(std::uint32_t axes) {
    ASSERT_EQ(M716MotStop(0, axes, 0), M716_OK);
    ASSERT_TRUE(finishes(axes, 1));
  }
};

TEST_F(DrivesTest, AbsoluteRelativeAndMixedMovesEndOnTarget) {
  ASSERT_EQ(M716SetTheorecticalRegister(0, kY, 500), M716_OK);
  ASSERT_EQ(M716MotPtp(0, kX | kY, kX, -1200, 700, 0, 0), M716_OK);
  ASSERT_TRUE(finishes(kX | kY));
  EXPECT_EQ(logicalPosition(kX), -1200);
  EXPECT_EQ(logicalPosition(kY), 1200);
  EXPECT_EQ(M716SimMachinePosition(kSimBase, kX), -1200);
  EXPECT_EQ(M716SimMachinePosition(kSimBase, kY), 700);

  ASSERT_EQ(M716MoveAbs(0, kX, 300), M716_OK);
  ASSERT_EQ(M716MoveIns(0, kY, -200), M716_OK);
  ASSERT_TRUE(finishes(kX | kY));
  EXPECT_EQ(logicalPosition(kX), 300);
  EXPECT_EQ(logicalPosition(kY), 1000);
}

TEST_F(DrivesTest, SCurveMovesEndOnTarget) {
  ASSERT_EQ(M716MotAxisParaSet(0, kX | kZ, kX | kZ, 100, 8000, 8000, 100'000, 1'000'000), M716_OK);
  ASSERT_EQ(M716MotPtp(0, kX | kZ, 0, 40'000, 0, -300, 0), M716_OK);  // Z too short for V
  ASSERT_TRUE(finishes(kX | kZ));
  EXPECT_EQ(logicalPosition(kX), 40'000);
  EXPECT_EQ(logicalPosition(kZ), -300);
}

TEST_F(DrivesTest, BusyAxesRefuseNewMoves) {
  ASSERT_EQ(M716MotCmove(0, kY, 0), M716_OK);
  M716SimAdvance(0.01);
  EXPECT_EQ(M716MotAxisBusy(0, kX | kY), M716_ERR_AXIS_BUSY);
  EXPECT_EQ(M716MotAxisBusy(0, kX), M716_OK);
  EXPECT_EQ(M716MotPtp(0, kX | kY, 0, 10, 10, 0, 0), M716_ERR_AXIS_BUSY);
  EXPECT_EQ(M716MotCmove(0, kY, 0), M716_ERR_AXIS_BUSY);
  EXPECT_EQ(status(M716GetDriverState, kY), 1);
  EXPECT_EQ(status(M716GetDriverState, kX), 0);
  stopAndWait(kY);
  EXPECT_EQ(logicalPosition(kX), 0);  // the refused move started nothing
}

TEST_F(DrivesTest, SoftwareLimitsAndTheLongestMoveAreChecked) {
  ASSERT_EQ(M716MotWrReg(0, kX, 0x307, 1000), M716_OK);
  ASSERT_EQ(M716MotWrReg(0, kX, 0x308, static_cast<std::uint32_t>(-1000)), M716_OK);
  EXPECT_EQ(M716MoveAbs(0, kX, 1001), M716_ERR_PLMT_OVER);
  EXPECT_EQ(M716MoveIns(0, kX, -1001), M716_ERR_NLMT_OVER);
  EXPECT_EQ(M716MoveIns(0, kY, 268'435'456), M716_ERR_DISTANCE);
  EXPECT_EQ(M716MoveIns(0, kY, 268'435'455), M716_OK);
  M716SimAdvance(0.01);
  EXPECT_EQ(status(M716GetDriverState, kY), 1);
  stopAndWait(kY);
  ASSERT_EQ(M716MoveAbs(0, kX, 1000), M716_OK);
  ASSERT_TRUE(finishes(kX));
  EXPECT_EQ(logicalPosition(kX), 1000);
}

TEST_F(DrivesTest, ARefusedMoveLeavesNoAxisArmed) {
  ASSERT_EQ(M716MotWrReg(0, kZ, 0x307, 100), M716_OK);
  const std::uint32_t startsX = M716SimDriveStarts(kSimBase, kX);
  EXPECT_EQ(M716MotPtp(0, kX | kZ, 0, 5000, 0, 5000, 0), M716_ERR_PLMT_OVER);
  ASSERT_EQ(M716MotClrErr(0, kX | kZ), M716_OK);  // a release naming both axes
  M716SimAdvance(0.5);
  EXPECT_EQ(M716SimDriveStarts(kSimBase, kX), startsX);
  EXPECT_EQ(M716SimMachinePosition(kSimBase, kX), 0);
}

TEST_F(DrivesTest, ADeceleratingStopTravelsTheBrakingDistance) {
  ASSERT_EQ(M716MotAxisParaSet(0, kX, 0, 100, 8000, 8000, 125'000, 954), M716_OK);
  ASSERT_EQ(M716MotCmove(0, kX, 0), M716_OK);
  M716SimAdvance(0.5);
  EXPECT_EQ(liveSpeed(kX), 8000u);
  const std::int32_t atStop = logicalPosition(kX);
  ASSERT_EQ(M716MotStop(0, kX, kX), M716_OK);
  ASSERT_TRUE(finishes(kX, 1));
  const double braking = (8000.0 * 8000 - 100.0 * 100) / (2 * 125'000);
  EXPECT_NEAR(logicalPosition(kX) - atStop, braking, 2);
}

TEST_F(DrivesTest, ANegativeContinuousDriveStopsAtOnceOnASuddenStop) {
  ASSERT_EQ(M716MotCmove(0, kZ, kZ), M716_OK);
  M716SimAdvance(0.2);
  const std::int32_t atStop = logicalPosition(kZ);
  EXPECT_LT(atStop, 0);
  ASSERT_EQ(M716MotStop(0, kZ, 0), M716_OK);
  ASSERT_TRUE(finishes(kZ, 0.01));
  EXPECT_EQ(logicalPosition(kZ), atStop);
}

TEST_F(DrivesTest, ASpeedChangeDuringADriveChangesTheLiveSpeed) {
  ASSERT_EQ(M716MotCmove(0, kX, 0), M716_OK);
  M716SimAdvance(0.1);
  EXPECT_EQ(liveSpeed(kX), 6000u);
  ASSERT_EQ(M716MotChgDV(0, kX, 3000), M716_OK);
  M716SimAdvance(0.1);
  EXPECT_EQ(liveSpeed(kX), 3000u);
  EXPECT_EQ(M716MotChgDV(0, kX, 8001), M716_ERR_VALUE_OVER);
  stopAndWait(kX);
}

TEST_F(DrivesTest, ChangingTheRangeDuringADriveLeavesItsSpeed) {
  ASSERT_EQ(M716MotCmove(0, kX, 0), M716_OK);
  M716SimAdvance(0.1);
  ASSERT_EQ(M716SetRange(0, kX, 16'000), M716_OK);
  ASSERT_EQ(M716MotWrReg(0, kX, 0x300, 16'000), M716_OK);
  M716SimAdvance(0.05);
  EXPECT_EQ(liveSpeed(kX), 6000u);
  ASSERT_EQ(M716MotChgDV(0, kX, 5000), M716_OK);  // still converted for the running range
  M716SimAdvance(0.05);
  EXPECT_EQ(liveSpeed(kX), 5000u);
  stopAndWait(kX);
}

// A speed change after the axis was given a new range (multiplier 500): a standing axis takes
// speeds its next drive can run; a driving one those its running range can.
struct SpeedChangeCase {
  bool driving;
  std::uint32_t dv;
  std::uint32_t result;
};

void PrintTo(const SpeedChangeCase& c, std::ostream* out) {
  *out << (c.driving ? "driving" : "standing") << ", DV " << c.dv;
}

class SpeedChangeAfterARangeChange : public DrivesTest,
                                     public ::testing::WithParamInterface<SpeedChangeCase> {};

TEST_P(SpeedChangeAfterARangeChange, IsCheckedAgainstTheRangeTheAxisRunsWith) {
  const SpeedChangeCase c = GetParam();
  if (c.driving) {
    ASSERT_EQ(M716MotCmove(0, kX, 0), M716_OK);  // at multiplier 1
  }
  ASSERT_EQ(M716MotAxisParaSet(0, kX, 0, 1000, 6000, 4'000'000, 600'000, 10'000'000), M716_OK);
  ASSERT_EQ(M716MotChgDV(0, kX, c.dv), c.result);
  if (c.result != M716_OK) return;
  if (!c.driving) {
    ASSERT_EQ(M716MotCmove(0, kX, 0), M716_OK);
  }
  M716SimAdvance(0.5);
  EXPECT_EQ(liveSpeed(kX), c.dv);
  stopAndWait(kX);
}

INSTANTIATE_TEST_SUITE_P(Cases, SpeedChangeAfterARangeChange,
                         ::testing::Values(SpeedChangeCase{false, 100'000, M716_OK},
                                           SpeedChangeCase{false, 200, M716_ERR_PARAMETER_UNDER},
                                           SpeedChangeCase{true, 100'000, M716_ERR_VALUE_OVER},
                                           SpeedChangeCase{true, 3000, M716_OK}));

// Live values at range 48 000, where one speed unit is 166.67 pps: 195 speed units are
// 32 500 pps, 99 acceleration units 2 062 500 pps/s, to the pulse.
struct LiveValueCase {
  std::uint32_t id;
  double after;  // seconds after the start
  std::uint32_t value;
};

void PrintTo(const LiveValueCase& c, std::ostream* out) {
  *out << "register 0x" << std::hex << c.id;
}

class LiveValuesAtRange48000 : public DrivesTest,
                               public ::testing::WithParamInterface<LiveValueCase> {};

TEST_P(LiveValuesAtRange48000, ReadInWholePulses) {
  ASSERT_EQ(M716SetRange(0, kX, 48'000), M716_OK);
  ASSERT_EQ(M716MotWrReg(0, kX, 0x302, 32'550), M716_OK);        // drive speed register 195
  ASSERT_EQ(M716MotWrReg(0, kX, 0x304, 16'550 * 125), M716_OK);  // acceleration register 99
  ASSERT_EQ(M716MotCmove(0, kX, 0), M716_OK);
  M716SimAdvance(GetParam().after);
  EXPECT_EQ(readRegister(kX, GetParam().id), GetParam().value);
  stopAndWait(kX);
}

INSTANTIATE_TEST_SUITE_P(Cases, LiveValuesAtRange48000,
                         ::testing::Values(LiveValueCase{0x105, 0.5, 32'500},
                                           LiveValueCase{0x106, 0.005, 2'062'500}));

TEST_F(DrivesTest, ALargeDecelerationKeepsTheSpeedsTheAxisWasSetTo) {
  ASSERT_EQ(M716SetDeceleration(0, kX, 2'000'000, 0), M716_OK);
  ASSERT_EQ(M716MoveIns(0, kX, 20'000), M716_OK);
  M716SimAdvance(0.5);
  EXPECT_EQ(liveSpeed(kX), 6000u);
  ASSERT_TRUE(finishes(kX));
  EXPECT_EQ(logicalPosition(kX), 20'000);
}

TEST_F(DrivesTest, ALimitLogicChangeMakesTheLimitStopTheAxis) {
  // Wired active low, an inactive limit reads active once its logic says active high.
  ASSERT_EQ(M716SetPLimitLogic(0, kX, 1), M716_OK);
  EXPECT_EQ(status(M716GetMotionInput, kX) & 0x4, 0x4);
  ASSERT_EQ(M716MotCmove(0, kX, 0), M716_OK);
  ASSERT_TRUE(finishes(kX, 0.1));
  EXPECT_EQ(logicalPosition(kX), 0);
  ASSERT_EQ(M716MotCmove(0, kX, kX), M716_OK);  // a limit stops only motion towards it
  M716SimAdvance(0.1);
  EXPECT_LT(logicalPosition(kX), 0);
  stopAndWait(kX);
  ASSERT_EQ(M716SetPLimitLogic(0, kX, 0), M716_OK);
  EXPECT_EQ(status(M716GetMotionInput, kX) & 0x4, 0);
}

TEST_F(DrivesTest, ALimitStopShowsInTheStatusAndTheEndStatusClears) {
  ASSERT_EQ(M716MotCmove(0, kY, 0), M716_OK);
  M716SimAdvance(0.05);
  M716SimForceInput(kSimBase, kY, M716SIM_INPUT_LIMIT_PLUS, M716SIM_STATE_ACTIVE);
  ASSERT_TRUE(finishes(kY, 1));
  EXPECT_EQ(status(M716GetMotionState, kY) & 0xFF00, kStoppedByLimitPlus);
  EXPECT_EQ(status(M716GetMotionInput, kY) & 0x4, 0x4);
  EXPECT_EQ(status(M716GetError, kY), 1);
  M716SimForceInput(kSimBase, kY, M716SIM_INPUT_LIMIT_PLUS, M716SIM_STATE_MECHANICS);
  ASSERT_EQ(M716MotClrErr(0, kY), M716_OK);
  EXPECT_EQ(status(M716GetMotionState, kY) & 0xFF00, 0);
  EXPECT_EQ(status(M716GetError, kY), 0);
}

TEST_F(DrivesTest, InputsShowTheSimulatedSwitches) {
  const std::int16_t before = status(M716GetInput, kZ);
  M716SimForceInput(kSimBase, kZ, M716SIM_INPUT_IN3, M716SIM_STATE_ACTIVE);
  EXPECT_EQ(status(M716GetInput, kZ) ^ before, 0x08);
  EXPECT_EQ(status(M716GetInput, kX), before);  // wired the same, untouched
}

}  // namespace
}  // namespace m716::test
