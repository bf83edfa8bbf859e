// The words of the drives on the recording bus: point-to-point and continuous drives, speed
// change, stops and the clearing of end status.

#include <climits>
#include <functional>

#include "KRVM716.h"
#include "bound_board.h"

namespace m716::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

using DriveWordsTest = BoundBoardTest;

// Loading an axis with the default parameters: range 8 000 000, so speeds load as they are.
void expectDefaultLoad(Words& w, std::uint32_t axis, std::uint32_t pulses) {
  w.command(axis, chip::HoldStart);
  w.data32(axis, chip::SetOutputPulses, pulses);
  w.data32(axis, chip::SetRange, 8'000'000);
  w.data16(axis, chip::SetStartSpeed, 1000);
  w.data16(axis, chip::SetDriveSpeed, 6000);
  w.data16(axis, chip::SetAcceleration, 4800);
  w.mode(axis, chip::WR3, 0);
}

TEST_F(DriveWordsTest, APointToPointMoveReadsChecksThenHoldsLoadsDrivesAndReleases) {
  answerData(100);  // both axes at 100
  ASSERT_EQ(M716MotPtp(0, 0x3, 0x1, 50, -30, 999, 999), M716_OK);
  Words w;
  w.read(chip::RR0, 0);
  w.read32(1, chip::ReadLogicalPosition, 100, true);
  w.read32(2, chip::ReadLogicalPosition, 100, true);
  expectDefaultLoad(w, 1, 50);  // absolute 50 from 100
  w.command(1, chip::DriveFixedMinus);
  expectDefaultLoad(w, 2, 30);  // relative -30
  w.command(2, chip::DriveFixedMinus);
  w.command(3, chip::ReleaseStart);
  EXPECT_THAT(accesses(), ElementsAreArray(w.accesses));
  EXPECT_EQ(axis(0).logicalPosition, 100);
}

TEST_F(DriveWordsTest, AnAbsoluteTargetOnThePositionGivesZeroPulsesInTheNegativeDirection) {
  answerData(0x00010005);
  ASSERT_EQ(M716MoveAbs(0, 4, 0x00010005), M716_OK);
  const auto words = commands();
  EXPECT_NE(std::find(words.begin(), words.end(), 0x0406), words.end());
  EXPECT_EQ(words[words.size() - 2], 0x0421);
  EXPECT_EQ(axis(2).outputPulses, 0);
}

TEST_F(DriveWordsTest, AnSCurveAxisGetsItsJerkAfterItsModeRegister) {
  axis(0).wr3 = chip::wr3::SCurve;
  ASSERT_EQ(M716MoveIns(0, 1, 10), M716_OK);
  const auto all = accesses();
  const auto wr3 = std::find(all.begin(), all.end(), portWrite(chip::WR3, 4));
  ASSERT_NE(wr3, all.end());
  EXPECT_THAT(std::vector<Access>(wr3 + 1, all.end()),
              ElementsAre(portWrite(chip::WR6, 6), portWrite(chip::WR0, 0x0101),
                          portWrite(chip::WR0, 0x0120), portWrite(chip::WR0, 0x0125)));
}

TEST_F(DriveWordsTest, AFourAxisMoveWritesExactlyItsSequence) {
  ASSERT_EQ(M716MotPtp(0, 0xF, 0, 1, 2, 3, 4), M716_OK);
  // RR0; per axis 3 words of position read, 1 hold, 3 pulse count, 3 range, 2 each for start
  // speed, drive speed, acceleration and WR3, 1 drive; 1 release.
  EXPECT_EQ(accesses().size(), 1u + 4 * 19 + 1);
}

TEST_F(DriveWordsTest, ABusyAxisIsRefusedAfterOneStatusRead) {
  answer(chip::RR0, 0x0002);
  EXPECT_EQ(M716MotPtp(0, 0x3, 0, 1, 1, 0, 0), M716_ERR_AXIS_BUSY);
  EXPECT_EQ(M716MotCmove(0, 0x2, 0), M716_ERR_AXIS_BUSY);
  EXPECT_THAT(accesses(), ElementsAre(portRead(chip::RR0, 2), portRead(chip::RR0, 2)));
}

TEST_F(DriveWordsTest, TheBusyTestTakesTheAxesInOrderAndTheFirstThatHitsDecides) {
  boards[0].externalAxes = 0x5;
  answer(chip::RR0, 0x0002);
  EXPECT_EQ(M716MotAxisBusy(0, 0x3), M716_ERR_IN_EXTERNAL_DRIVE);  // X before Y drives
  EXPECT_EQ(M716MotAxisBusy(0, 0x6), M716_ERR_AXIS_BUSY);
  EXPECT_EQ(M716MotAxisBusy(0, 0xC), M716_ERR_IN_EXTERNAL_DRIVE);
  EXPECT_EQ(M716MotAxisBusy(0, 0x8), M716_OK);
  EXPECT_EQ(M716MotAxisBusy(0, 0), M716_ERR_AXIS_NUMBER);
  EXPECT_EQ(M716MotAxisBusy(0, 16), M716_ERR_AXIS_NUMBER);
  EXPECT_EQ(M716MotAxisBusy(16, 1), M716_ERR_BOARD_NUMBER);
}

// A move that one of its axes refuses writes nothing but its position reads.
struct RefusedMove {
  const char* name;
  std::function<void(AxisRecord&)> arrangeY;
  std::int32_t yTarget;
  std::uint32_t error;
};

void PrintTo(const RefusedMove& move, std::ostream* out) {
  *out << move.name;
}

class RefusedMoveTest : public DriveWordsTest, public ::testing::WithParamInterface<RefusedMove> {};

TEST_P(RefusedMoveTest, WritesNoHoldPulseCountDriveOrRelease) {
  const RefusedMove& move = GetParam();
  move.arrangeY(axis(1));
  // X is fine; Y, checked after X, is not. Both absolute.
  EXPECT_EQ(M716MotPtp(0, 0x3, 0x3, 10, move.yTarget, 0, 0), move.error);
  EXPECT_THAT(commands(), ElementsAre(0x0110, 0x0210));
}

void nothing(AxisRecord&) {}

INSTANTIATE_TEST_SUITE_P(
    EachCheck, RefusedMoveTest,
    ::testing::Values(
        RefusedMove{"PLmt", [](AxisRecord& y) { y.plmt = 500; }, 501, M716_ERR_PLMT_OVER},
        RefusedMove{"NLmt", [](AxisRecord& y) { y.nlmt = -500; }, -501, M716_ERR_NLMT_OVER},
        RefusedMove{"Distance", nothing, 268'435'456, M716_ERR_DISTANCE},
        RefusedMove{"NegativeDistance", nothing, -268'435'456, M716_ERR_DISTANCE},
        RefusedMove{"DriveSpeedBeyondTheRange", [](AxisRecord& y) { y.configured.dv = 8001; }, 1,
                    M716_ERR_DV_OVER},
        RefusedMove{"StartSpeedBelowTheMultiplier",
                    [](AxisRecord& y) {
                      y.rg = 16'000;
                      y.multiplier = 500;
                      y.configured.sv = 499;
                    },
                    1, M716_ERR_SV_UNDER},
        RefusedMove{"AccelerationBeyondTheRange",
                    [](AxisRecord& y) { y.configured.ac = 1'000'001; }, 1, M716_ERR_AC_OVER},
        RefusedMove{"JerkTooSmallForTheRange",
                    [](AxisRecord& y) {
                      y.wr3 = chip::wr3::SCurve;
                      y.configured.ak = 953;
                    },
                    1, M716_ERR_AK_UNDER},
        RefusedMove{"JerkTooLargeForTheRegister",
                    [](AxisRecord& y) {
                      y.wr3 = chip::wr3::SCurve;
                      y.configured.ak = 62'500'001;
                    },
                    1, M716_ERR_AK_OVER},
        RefusedMove{"RangeStoredOutsideTheChip", [](AxisRecord& y) { y.rg = 15'999; }, 1,
                    M716_ERR_RG_UNDER}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DriveWordsTest, TheLongestMoveIsAcceptedInBothDirections) {
  EXPECT_EQ(M716MotPtp(0, 0x3, 0, 268'435'455, -268'435'455, 0, 0), M716_OK);
}

TEST_F(DriveWordsTest, ARelativeMovePastTheCounterRangeIsRefusedNotWrapped) {
  axis(0).plmt = INT_MAX;
  answerData(INT_MAX - 10);
  EXPECT_EQ(M716MoveIns(0, 1, 100), M716_ERR_PLMT_OVER);
}

TEST_F(DriveWordsTest, AContinuousDriveHoldsAllLoadsEachWithItsDirectionAndReleases) {
  axis(1).dv = 3000;  // working values, not the configured ones
  ASSERT_EQ(M716MotCmove(0, 0x3, 0x2), M716_OK);
  Words w;
  w.read(chip::RR0, 0).command(3, chip::HoldStart);
  for (std::uint32_t a : {1u, 2u}) {
    w.data32(a, chip::SetRange, 8'000'000);
    w.data16(a, chip::SetStartSpeed, 1000);
    w.data16(a, chip::SetDriveSpeed, a == 1 ? 6000 : 3000);
    w.data16(a, chip::SetAcceleration, 4800);
    w.mode(a, chip::WR3, 0);
    w.command(a, a == 1 ? chip::DriveContinuousPlus : chip::DriveContinuousMinus);
  }
  w.command(3, chip::ReleaseStart);
  EXPECT_THAT(accesses(), ElementsAreArray(w.accesses));
}

TEST_F(DriveWordsTest, AContinuousDriveAtAZeroDriveSpeedIsRefused) {
  ASSERT_EQ(M716MotChgDV(0, 1, 0), M716_OK);
  bus_.clear();
  EXPECT_EQ(M716MotCmove(0, 1, 0), M716_ERR_DV_UNDER);
  EXPECT_THAT(accesses(), ElementsAre(portRead(chip::RR0, 0)));
}

TEST_F(DriveWordsTest, ASpeedChangeIsConvertedByTheMultiplierOfTheRunningDrive) {
  axis(0).multiplierInForce = 1.25;
  axis(0).mdv = 10'000;
  axis(0).multiplier = 500;  // the range was changed since the drive started
  answer(chip::RR0, 0x1);    // X drives
  EXPECT_EQ(M716MotChgDV(0, 1, 6000), M716_OK);
  EXPECT_THAT(accesses(), ElementsAre(portRead(chip::RR0, 0x1), portWrite(chip::WR6, 4800),
                                      portWrite(chip::WR0, 0x0105)));
  EXPECT_EQ(axis(0).dv, 6000u);
  bus_.clear();
  answer(chip::RR0, 0);  // standing: its next drive loads its own range
  EXPECT_EQ(M716MotChgDV(0, 1, 6000), M716_OK);
  EXPECT_THAT(bus_.writesTo(kBase + chip::WR6), ElementsAre(12));
}

TEST_F(DriveWordsTest, ASpeedChangeStaysWithinTheMaximumAndTheRange) {
  EXPECT_EQ(M716MotChgDV(0, 1, 8000), M716_OK);  // MDV itself
  EXPECT_EQ(M716MotChgDV(0, 1, 8001), M716_ERR_VALUE_OVER);
  answer(chip::RR0, 0x2);  // Y drives
  axis(1).multiplierInForce = 2;
  EXPECT_EQ(M716MotChgDV(0, 2, 1), M716_ERR_PARAMETER_UNDER);
  EXPECT_EQ(M716MotChgDV(0, 2, 0), M716_OK);
  axis(1).mdv = 20'000;  // MDV larger than the range in force can run
  axis(1).multiplierInForce = 1;
  EXPECT_EQ(M716MotChgDV(0, 2, 8001), M716_ERR_VALUE_OVER);
  EXPECT_EQ(M716MotChgDV(0, 3, 10), M716_ERR_AXIS_NUMBER);
  EXPECT_THAT(bus_.writesTo(kBase + chip::WR6), ElementsAre(8000, 0));
}

TEST_F(DriveWordsTest, EachAxisStopsTheWayItsOwnStopModeBitAsks) {
  ASSERT_EQ(M716MotStop(0, 0x1, 0x1), M716_OK);
  EXPECT_THAT(commands(), ElementsAre(0x0126));
  bus_.clear();
  ASSERT_EQ(M716MotStop(0, 0xB, 0x9), M716_OK);  // X and U decelerate, Y stops at once
  EXPECT_THAT(commands(), ElementsAre(0x0227, 0x0926));
}

TEST_F(DriveWordsTest, StopWithNoAxesStopsOnlyARunningContinuousPath) {
  ASSERT_EQ(M716MotStop(0, 0, 0), M716_OK);
  EXPECT_TRUE(busUntouched());
  interruptBlocks[0].pathIdle = interruptBlocks[0].pathStop = 0;
  interruptBlocks[0].pathAxes = 0x3;
  boards[0].pathFirstAxis = 0x1;
  ASSERT_EQ(M716MotStop(0, 0, 0), M716_OK);
  EXPECT_THAT(commands(), ElementsAre(0x0327, 0x003D));
  EXPECT_EQ(interruptBlocks[0].pathIdle, 1);
  EXPECT_EQ(interruptBlocks[0].pathStop, 1);
  EXPECT_EQ(M716MotStop(0, 16, 0), M716_ERR_AXIS_NUMBER);
}

TEST_F(DriveWordsTest, ClosingTheBoardStopsARunningContinuousPath) {
  interruptBlocks[0].pathIdle = 0;
  interruptBlocks[0].pathAxes = 0x3;
  ASSERT_EQ(M716MotDevClose(0), M716_OK);
  const auto words = commands();
  ASSERT_GE(words.size(), 2u);
  EXPECT_THAT(std::vector<std::uint16_t>(words.begin(), words.begin() + 2),
              ElementsAre(0x0327, 0x003D));
}

TEST_F(DriveWordsTest, StoppingThePathsFirstAxisStopsThePath) {
  interruptBlocks[0].pathIdle = 0;
  interruptBlocks[0].pathAxes = 0x6;
  boards[0].pathFirstAxis = 0x2;
  ASSERT_EQ(M716MotStop(0, 0x6, 0x6), M716_OK);
  EXPECT_THAT(commands(), ElementsAre(0x0627, 0x003D, 0x0426));
}

TEST_F(DriveWordsTest, ClearingTheEndStatusReleasesAndReadsStatusOneOfEachAxis) {
  ASSERT_EQ(M716MotClrErr(0, 0x5), M716_OK);
  Words w;
  w.command(1, chip::ReleaseStart).command(1, chip::Select).read(chip::RR1, 0);
  w.command(4, chip::ReleaseStart).command(4, chip::Select).read(chip::RR1, 0);
  EXPECT_THAT(accesses(), ElementsAreArray(w.accesses));
}

TEST_F(DriveWordsTest, AnEndStatusThatNeverClearsGivesUpAfterAHundredTries) {
  answer(chip::RR1, 0x1008);  // stopped by LMT+, whatever the release does
  EXPECT_EQ(M716MotClrErr(0, 0x1), M716_ERR_AXIS_BUSY);
  const auto words = commands();
  EXPECT_EQ(std::count(words.begin(), words.end(), 0x0125), 100);
}

}  // namespace
}  // namespace m716::test
