// Stops: commanded (decelerating and immediate), by hardware and software limits, by the
// inputs IN0..IN3 as the machine is wired, by the alarm and the emergency stop; the end
// status they latch and what clears it.

#include "motion_fixture.h"

namespace m716::test {
namespace {

// 1100 pps reached after 60 pulses at 10 000 pps/s; a stop from it takes 60 pulses more.
const AxisSettings kDrive{100, 1100, 10'000};
constexpr std::int32_t kStopDistance = 60;

class StopTest : public MotionTest {
 protected:
  void configureX(const char* name, std::int32_t value) {
    setDword(boardKey(kBase) + "\\Xaxis", name, static_cast<std::uint32_t>(value));
  }
  // At 1100 pps from pulse 60 on: at 0.5 s the axis stands at pulse 500.
  static void cruiseToPulse500(unsigned direction = cmd::kContinuousPlus) {
    setUpAxes(kX, kDrive);
    command(kX, direction);
    M716SimAdvance(0.5);
  }
};

TEST_F(StopTest, DeceleratingStopTravelsTheAnalyticDistance) {
  cruiseToPulse500();
  ASSERT_EQ(logical(kX), 500);
  command(kX, cmd::kDeceleratingStop);
  M716SimAdvance(0.05);
  EXPECT_EQ(status(kX, 1) & 0x1C, 1u << 4) << "decelerating";
  ASSERT_TRUE(finish(kX));
  EXPECT_EQ(logical(kX), 500 + kStopDistance);
  EXPECT_EQ(status(kX, 1) & 0xFF00, 0) << "a commanded stop latches no end status";
}

TEST_F(StopTest, ImmediateStopEndsOnThePulse) {
  cruiseToPulse500(cmd::kContinuousMinus);
  command(kX, cmd::kImmediateStop);
  EXPECT_FALSE(driving(kX));
  EXPECT_EQ(logical(kX), -500);
  EXPECT_EQ(speed(kX), 0u);
}

TEST_F(StopTest, DeceleratingStopAtTheStartSpeedIsImmediate) {
  setUpAxes(kX, {500, 400, 10'000});
  command(kX, cmd::kContinuousPlus);
  M716SimAdvance(0.5);
  command(kX, cmd::kDeceleratingStop);
  EXPECT_FALSE(driving(kX));
  EXPECT_EQ(logical(kX), 200);
}

struct LimitCase {
  const char* name;
  bool decelerate;  // WR2 bit 2
  bool plus;
};

void PrintTo(const LimitCase& limit, std::ostream* out) {
  *out << limit.name;
}

class LimitTest : public StopTest, public ::testing::WithParamInterface<LimitCase> {};

// The limit switch lies at ±1000 (at 1100 pps, reached at 0.8 s); it stops only motion towards
// it, at once or decelerating as WR2 bit 2 says, and latches LMT+ or LMT- as the end status.
TEST_P(LimitTest, StopsOnlyMotionTowardsIt) {
  const LimitCase& limit = GetParam();
  const int sign = limit.plus ? 1 : -1;
  configureX(limit.plus ? "LimitPlus" : "LimitMinus", sign * 1000);
  reload();
  M716SimSetSpeedFactor(0);
  setUpAxes(kX, kDrive);
  writeMode(kX, 2, limit.decelerate ? 1u << 2 : 0);
  command(kX, limit.plus ? cmd::kContinuousPlus : cmd::kContinuousMinus);
  ASSERT_TRUE(finish(kX));

  const std::uint16_t endStatus = limit.plus ? kStoppedByLimitPlus : kStoppedByLimitMinus;
  EXPECT_EQ(logical(kX), sign * (limit.decelerate ? 1000 + kStopDistance : 1000));
  EXPECT_EQ(M716SimMachinePosition(kBase, kX), logical(kX));
  EXPECT_EQ(status(kX, 1) & 0xFF00, endStatus);
  EXPECT_EQ(status(kX, 2) & 0x0C, limit.plus ? 1u << 2 : 1u << 3);
  EXPECT_NE(mainStatus() & 0x10, 0) << "error bit of X";

  // Towards the limit again: not a pulse.
  const std::int32_t atLimit = logical(kX);
  fixedDrive(kX, sign * 100);
  EXPECT_FALSE(driving(kX));
  EXPECT_EQ(logical(kX), atLimit);
  EXPECT_EQ(M716SimDriveStarts(kBase, kX), 2u);

  // Away from it: the whole way, and the switch releases past its pulse of hysteresis.
  fixedDrive(kX, -sign * 2000);
  ASSERT_TRUE(finish(kX));
  EXPECT_EQ(logical(kX), atLimit - sign * 2000);
  EXPECT_EQ(status(kX, 1) & 0xFF00, 0) << "cleared by the next drive";
  EXPECT_EQ(status(kX, 2) & 0x0C, 0);
}

INSTANTIATE_TEST_SUITE_P(Limits, LimitTest,
                         ::testing::Values(LimitCase{"PlusAtOnce", false, true},
                                           LimitCase{"PlusDecelerating", true, true},
                                           LimitCase{"MinusAtOnce", false, false},
                                           LimitCase{"MinusDecelerating", true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// The home switch is wired active low, as the chip's default logic expects: IN3 with its stop
// enabled (WR1 bit 7) and level bit 0 stops the axis entering the zone -500..-300.
TEST_F(StopTest, HomeInputWiredActiveLowStopsOnEnteringItsZone) {
  configureX("HomeFrom", -500);
  configureX("HomeTo", -300);
  reload();
  M716SimSetSpeedFactor(0);
  setUpAxes(kX, {500, 400, 10'000});  // at the start speed: stops on the pulse
  writeMode(kX, 1, 1u << 7);
  command(kX, cmd::kContinuousMinus);
  ASSERT_TRUE(finish(kX));
  EXPECT_EQ(logical(kX), -300);
  EXPECT_EQ(status(kX, 1) & 0xFF00, kStoppedByIn3);
  EXPECT_EQ(in(8) & (1u << 3), 0) << "the input reads low while active";

  // With the level bit inverted the axis stops on leaving the zone, one pulse past its end.
  writeMode(kX, 1, (1u << 7) | (1u << 6));
  command(kX, cmd::kRelease);  // clears the end status
  EXPECT_EQ(status(kX, 1) & 0xFF00, 0);
  command(kX, cmd::kContinuousPlus);
  ASSERT_TRUE(finish(kX));
  EXPECT_EQ(logical(kX), -298);
}

TEST_F(StopTest, SoftwareLimitStopsAtTheCompareValue) {
  setUpAxes(kX, {500, 400, 10'000});
  load(kX, 0x0B, 250);        // COMP+
  writeMode(kX, 2, 1u << 0);  // as the + software limit
  command(kX, cmd::kContinuousPlus);
  ASSERT_TRUE(finish(kX));
  EXPECT_EQ(logical(kX), 250);
  EXPECT_EQ(status(kX, 2) & 0x01, 0x01);
  EXPECT_EQ(status(kX, 1) & 0x01, 0x01) << "P >= COMP+";
  // Above the start speed it decelerates from there.
  load(kX, 0x0C, -200);  // COMP-
  writeMode(kX, 2, 1u << 1);
  setUpAxes(kX, kDrive);
  command(kX, cmd::kContinuousMinus);
  ASSERT_TRUE(finish(kX));
  EXPECT_EQ(logical(kX), -200 - 1 - kStopDistance);
}

struct ImmediateCause {
  const char* name;
  std::uint32_t input;
  std::uint16_t wr2;
  std::uint16_t endStatus;
  std::uint16_t status2;
};

void PrintTo(const ImmediateCause& cause, std::ostream* out) {
  *out << cause.name;
}

class ImmediateStopTest : public StopTest, public ::testing::WithParamInterface<ImmediateCause> {};

TEST_P(ImmediateStopTest, StopsAtOnceFromFullSpeed) {
  const ImmediateCause& cause = GetParam();
  setUpAxes(kX | kY, kDrive);
  writeMode(kX | kY, 2, cause.wr2);
  command(kX | kY, cmd::kContinuousPlus);
  M716SimAdvance(0.5);
  M716SimForceInput(kBase, kX, cause.input, M716SIM_STATE_ACTIVE);
  EXPECT_FALSE(driving(kX));
  EXPECT_EQ(logical(kX), 500);
  EXPECT_EQ(status(kX, 1) & 0xFF00, cause.endStatus);
  EXPECT_EQ(status(kX, 2) & 0x30, cause.status2);
  // A new drive stops at once while the cause lasts, and runs once it is gone.
  fixedDrive(kX, 10);
  EXPECT_EQ(logical(kX), 500);
  M716SimForceInput(kBase, kX, cause.input, M716SIM_STATE_MECHANICS);
  fixedDrive(kX, 10);
  ASSERT_TRUE(finish(kX));
  EXPECT_EQ(logical(kX), 510);
}

INSTANTIATE_TEST_SUITE_P(Causes, ImmediateStopTest,
                         ::testing::Values(
                             // Alarm enabled (WR2 bit 13), active low as wired.
                             ImmediateCause{"Alarm", M716SIM_INPUT_ALARM, 1u << 13, kStoppedByAlarm,
                                            1u << 4},
                             ImmediateCause{"EmergencyStop", M716SIM_INPUT_EMERGENCY_STOP, 0,
                                            kStoppedByEmergency, 1u << 5}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StopTest, EmergencyStopHaltsEveryAxisOfTheBoard) {
  setUpAxes(kX | kY | kZ | kU, kDrive);
  command(kX | kY | kZ | kU, cmd::kContinuousPlus);
  M716SimAdvance(0.2);
  M716SimForceInput(kBase, kX, M716SIM_INPUT_EMERGENCY_STOP, M716SIM_STATE_ACTIVE);
  EXPECT_EQ(mainStatus() & 0xF, 0);
  EXPECT_EQ(mainStatus() & 0xF0, 0xF0);
  for (unsigned axis : {kX, kY, kZ, kU}) {
    EXPECT_EQ(status(axis, 1) & 0xFF00, kStoppedByEmergency);
  }
}

TEST_F(StopTest, AlarmDisabledDoesNotStop) {
  setUpAxes(kX, kDrive);
  command(kX, cmd::kContinuousPlus);
  M716SimForceInput(kBase, kX, M716SIM_INPUT_ALARM, M716SIM_STATE_ACTIVE);
  M716SimAdvance(0.2);
  EXPECT_TRUE(driving(kX));
  EXPECT_EQ(status(kX, 2), 0);
}

}  // namespace
}  // namespace m716::test
