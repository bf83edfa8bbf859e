// The words of linear and circular interpolation on the recording bus. The fixture's
// interpolation set: multiplier 2, range 4 000 000, SV 1000, DV 6000, MDV 10 000, AC and DC
// 600 000; so SV loads 500, DV 3000, AC and DC 2400; the axes' own range is 8 000 000.

#include <cmath>
#include <functional>

#include "KRVM716.h"
#include "bound_board.h"

namespace m716::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr std::uint16_t kReadPosition = chip::ReadLogicalPosition;

class InterpolationWordsTest : public BoundBoardTest {
 protected:
  // The main axis loaded from the fixture's set, then its range and WR3.
  static void mainAxisLoad(Words& w, std::uint32_t axis, bool arc) {
    w.data16(axis, chip::SetStartSpeed, 500);
    w.data16(axis, chip::SetDriveSpeed, 3000);
    w.data16(axis, chip::SetAcceleration, 2400);
    if (arc) w.data16(axis, chip::SetDeceleration, 2400);
  }
  // Every write of the call was the command of a position read: nothing reached the chip.
  bool onlyPositionReads() const {
    for (const Access& access : accesses())
      if (access.isWrite && (access.port != kBase + chip::WR0 || (access.value & 0xFF) != 0x10))
        return false;
    return true;
  }
  std::uint32_t decelerationPointWritten() const {
    const auto all = accesses();
    for (std::size_t i = 2; i < all.size(); ++i)
      if (all[i] == portWrite(chip::WR0, chip::commandWord(1, chip::SetDecelerationPoint)))
        return all[i - 2].value | std::uint32_t{all[i - 1].value} << 16;
    ADD_FAILURE() << "no deceleration point written";
    return 0;
  }
};

TEST_F(InterpolationWordsTest, ALineOnXAndZChecksBothThenLoadsXAsMainAxisAndZAtRootTwoTheRange) {
  answerData(0);
  ASSERT_EQ(M716MotLine(0, 0x5, 0, 10, 999, -20, 999), M716_OK);
  Words w;
  w.read(chip::RR0, 0).read(chip::RR0, 0);
  w.read32(1, kReadPosition, 0, true).read32(4, kReadPosition, 0, true);
  mainAxisLoad(w, 1, false);
  w.data32(1, chip::SetRange, 4'000'000).mode(1, chip::WR3, 0);
  w.data32(1, chip::SetOutputPulses, 10);
  w.data32(4, chip::SetRange, static_cast<std::uint32_t>(4'000'000 * 1.4142135623731));
  w.mode(4, chip::WR3, 0).data32(4, chip::SetOutputPulses, static_cast<std::uint32_t>(-20));
  w.command(0, chip::InterpolationDecelerationOn).write(chip::WR5, 0x0108);
  w.command(0, chip::InterpolateLine2);
  EXPECT_THAT(accesses(), ElementsAreArray(w.accesses));
  EXPECT_EQ(axis(2).rangeInForce, 5'656'854u);
  EXPECT_EQ(boards[0].pathFirstAxis, 1);
}

struct ModeWordCase {
  std::uint32_t axes;
  std::uint16_t wr5, command;
};

class ModeWordTest : public InterpolationWordsTest,
                     public ::testing::WithParamInterface<ModeWordCase> {};

TEST_P(ModeWordTest, NamesEachRoleByItsAxisIndexAndTheVectorSpeedOfTwoOrThreeAxes) {
  const ModeWordCase& c = GetParam();
  ASSERT_EQ(M716MotLine(0, c.axes, 1, 0, 0, 0, 0), M716_OK);
  EXPECT_THAT(bus_.writesTo(kBase + chip::WR5), ElementsAre(c.wr5));
  EXPECT_EQ(commands().back(), c.command);
}

INSTANTIATE_TEST_SUITE_P(Selections, ModeWordTest,
                         ::testing::Values(ModeWordCase{0x3, 0x0104, 0x30},
                                           ModeWordCase{0xC, 0x010E, 0x30},
                                           ModeWordCase{0x7, 0x0324, 0x31},
                                           ModeWordCase{0xE, 0x0339, 0x31}));

TEST_F(InterpolationWordsTest, AThreeAxisLineGivesTheThirdAxisRootThreeTheRange) {
  ASSERT_EQ(M716MotLine(0, 0xB, 0, 1, 2, 0, 3), M716_OK);
  EXPECT_EQ(axis(3).rangeInForce, static_cast<std::uint32_t>(4'000'000 * 1.7320508075689));
}

TEST_F(InterpolationWordsTest, AnSCurveSetLoadsTheJerkAndSetsWr3Bit2OnLinesButNotOnArcs) {
  boards[0].interpolation.sCurve = 1;
  axis(0).wr3 = 0x0F00;  // output levels, kept
  ASSERT_EQ(M716MotLine(0, 0x3, 0, 10, 10, 0, 0), M716_OK);
  const auto all = accesses();
  EXPECT_NE(std::find(all.begin(), all.end(), portWrite(chip::WR0, 0x0101)), all.end());
  EXPECT_NE(std::find(all.begin(), all.end(), portWrite(chip::WR3, 0x0F04)), all.end());
  bus_.clear();
  ASSERT_EQ(M716MotArc(0, 0x3, 0, 0, 100, 0, 200, 0), M716_OK);
  EXPECT_THAT(bus_.writesTo(kBase + chip::WR3), ElementsAre(0x0F03, 0x0003));
}

TEST_F(InterpolationWordsTest, AnArcWithoutManualDecelerationLoadsPointZeroAndDisablesIt) {
  ASSERT_EQ(M716MotArc(0, 0x3, 0, 1, 1000, 0, 134, -500), M716_OK);
  Words w;
  w.read(chip::RR0, 0).read(chip::RR0, 0);
  w.read32(1, kReadPosition, 0, true).read32(2, kReadPosition, 0, true);
  mainAxisLoad(w, 1, true);
  w.data32(1, chip::SetDecelerationPoint, 0).command(0, chip::InterpolationDecelerationOff);
  w.data32(1, chip::SetRange, 4'000'000).mode(1, chip::WR3, 0x0003);
  w.data32(1, chip::SetCircleCenter, 1000).data32(1, chip::SetOutputPulses, 134);
  w.data32(2, chip::SetRange, 5'656'854).mode(2, chip::WR3, 0x0003);
  w.data32(2, chip::SetCircleCenter, 0).data32(2, chip::SetOutputPulses, 0xFFFFFE0C);
  w.write(chip::WR5, 0x0104).command(0, chip::InterpolateArcCcw);
  EXPECT_THAT(accesses(), ElementsAreArray(w.accesses));
}

TEST_F(InterpolationWordsTest, AnArcWithManualDecelerationLoadsItsPointThenEnablesIt) {
  ASSERT_EQ(M716SetDeceleration(0, 0, 600'000, 0), M716_OK);
  ASSERT_EQ(M716MotArc(0, 0x3, 0, 1, 1000, 0, 134, -500), M716_OK);
  const auto all = accesses();
  const std::vector<Access> expected = Words()
                                           .data32(1, chip::SetDecelerationPoint, 442)
                                           .command(0, chip::InterpolationDecelerationOn)
                                           .accesses;
  EXPECT_NE(std::search(all.begin(), all.end(), expected.begin(), expected.end()), all.end());
  EXPECT_EQ(axis(0).decelerationPoint, 442u);
  EXPECT_EQ(boards[0].lastDecelerationPoint, 442u);
}

// The deceleration point of a relative arc of radius 1000 around (1000, 0) (4·√2·1000 = 5656
// steps a circle): the steps of its swept angle less the 29 steps the way down from DV 6000 to
// SV 1000 takes at 600 000 pps/s, moved by the offset.
struct SweepCase {
  const char* name;
  std::int32_t cx, cy, ex, ey;
  bool ccw;
  std::int32_t offset;
  std::uint32_t point;
};

void PrintTo(const SweepCase& sweep, std::ostream* out) {
  *out << sweep.name;
}

class SweepTest : public InterpolationWordsTest, public ::testing::WithParamInterface<SweepCase> {};

TEST_P(SweepTest, GivesTheDecelerationPointOfTheArcsSweptAngle) {
  const SweepCase& c = GetParam();
  ASSERT_EQ(M716SetDeceleration(0, 0, 600'000, c.offset), M716_OK);
  ASSERT_EQ(M716MotArc(0, 0x3, 0, c.ccw, c.cx, c.cy, c.ex, c.ey), M716_OK);
  EXPECT_EQ(decelerationPointWritten(), c.point);
}

INSTANTIATE_TEST_SUITE_P(
    Arcs, SweepTest,
    ::testing::Values(
        SweepCase{"CounterClockwiseThirtyDegrees", 1000, 0, 134, -500, true, 0, 442},
        SweepCase{"ClockwiseElevenTwelfths", 1000, 0, 134, -500, false, 0, 5155},
        SweepCase{"ClockwiseQuarter", 1000, 0, 1000, 1000, false, 0, 1385},
        SweepCase{"CounterClockwiseThreeQuarters", 1000, 0, 1000, 1000, true, 0, 4212},
        SweepCase{"EndOnTheStartIsAFullCircle", 1000, 0, 0, 0, false, 0, 5627},
        SweepCase{"CounterClockwiseFullCircle", 0, -1000, 0, 0, true, 0, 5627},
        SweepCase{"OffsetMovesThePoint", 1000, 0, 134, -500, true, 100, 542},
        SweepCase{"OffsetBeforeTheStartLoadsZero", 1000, 0, 134, -500, true, -1000, 0},
        SweepCase{"TooShortForBothRampsSharesTheWayDown", 10, 0, 10, 10, false, 0, 7}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(InterpolationWordsTest, AnAbsoluteArcComputesItsPointFromTheOffsetsToItsStart) {
  ASSERT_EQ(M716SetDeceleration(0, 0, 600'000, 0), M716_OK);
  answerData(5000);  // both axes at 5000: the same arc as the relative one above
  ASSERT_EQ(M716MotArc(0, 0x3, 1, 1, 6000, 5000, 5134, 4500), M716_OK);
  EXPECT_EQ(decelerationPointWritten(), 442u);
  EXPECT_EQ(axis(0).circleCenter, 1000);
  EXPECT_EQ(axis(1).outputPulses, -500);
}

TEST_F(InterpolationWordsTest, ACircleCountsItsStepsFromItsRadius) {
  ASSERT_EQ(M716SetDeceleration(0, 0, 600'000, 0), M716_OK);
  ASSERT_EQ(M716MoveCircle(0, 0x3, 0, 1000, 0), M716_OK);
  EXPECT_EQ(decelerationPointWritten(), 5656u - 29);
  EXPECT_EQ(commands().back(), chip::InterpolateArcCw);
}

TEST_F(InterpolationWordsTest, ADecelerationOfZeroCountsTheWayDownWithTheAcceleration) {
  boards[0].manualDeceleration = 1;
  boards[0].interpolation.dc = 0;
  ASSERT_EQ(M716MotArc(0, 0x3, 0, 1, 1000, 0, 134, -500), M716_OK);
  EXPECT_EQ(decelerationPointWritten(), 442u);
}

struct AngleCase {
  double angle;
  std::int32_t ex, ey;
  std::uint16_t command;
};

class AngleWordsTest : public InterpolationWordsTest,
                       public ::testing::WithParamInterface<AngleCase> {};

TEST_P(AngleWordsTest, LoadsTheEndPointOfTheSweepAndItsDirection) {
  const AngleCase& c = GetParam();
  ASSERT_EQ(M716MotArcTheta(0, 0x3, 0, 100, 0, c.angle), M716_OK);
  EXPECT_EQ(axis(0).outputPulses, c.ex);
  EXPECT_EQ(axis(1).outputPulses, c.ey);
  EXPECT_EQ(commands().back(), c.command);
}

INSTANTIATE_TEST_SUITE_P(Angles, AngleWordsTest,
                         ::testing::Values(AngleCase{90, 100, 100, 0x32},
                                           AngleCase{-90, 100, -100, 0x33},
                                           AngleCase{360, 0, 0, 0x32}, AngleCase{-360, 0, 0, 0x33},
                                           AngleCase{45, 29, 71, 0x32}));

// A call refused by any check, on any axis, writes nothing to the chip.
struct RefusedPath {
  const char* name;
  std::function<void(BoardRecord&)> arrange;
  std::function<std::uint32_t()> call;
  std::uint32_t error;
};

void PrintTo(const RefusedPath& path, std::ostream* out) {
  *out << path.name;
}

class RefusedPathTest : public InterpolationWordsTest,
                        public ::testing::WithParamInterface<RefusedPath> {};

TEST_P(RefusedPathTest, WritesNothingToTheChip) {
  const RefusedPath& path = GetParam();
  path.arrange(boards[0]);
  EXPECT_EQ(path.call(), path.error);
  EXPECT_TRUE(onlyPositionReads()) << ::testing::PrintToString(commands());
}

void none(BoardRecord&) {}
void limitY(BoardRecord& record) {
  record.axes[1].plmt = 100;
  record.axes[1].nlmt = -100;
}

INSTANTIATE_TEST_SUITE_P(
    EachCheck, RefusedPathTest,
    ::testing::Values(
        RefusedPath{"LineSecondAxisBeyondPLmt", limitY,
                    [] { return M716MotLine(0, 0x3, 0, 10, 101, 0, 0); }, M716_ERR_PLMT_OVER},
        RefusedPath{"LineThirdAxisTooFar", none,
                    [] { return M716MotLine(0, 0x7, 0, 1, 1, 8'388'608, 0); }, M716_ERR_DISTANCE},
        RefusedPath{"ArcSecondCenterBelowNLmt", limitY,
                    [] { return M716MotArc(0, 0x3, 0, 0, 0, -101, 0, -10); }, M716_ERR_NLMT_OVER},
        RefusedPath{"RelativeArcCenterTooFar", none,
                    [] { return M716MotArc(0, 0x3, 0, 0, 8'388'608, 0, 0, 0); }, M716_ERR_DISTANCE},
        RefusedPath{"RelativeArcEndTooFar", none,
                    [] { return M716MotArc(0, 0x3, 0, 0, 10, 0, 0, -8'388'608); },
                    M716_ERR_DISTANCE},
        RefusedPath{"AbsoluteArcEndTooFar", none,
                    [] { return M716MotArc(0, 0x3, 1, 0, 10, 0, 8'388'608, 0); },
                    M716_ERR_DISTANCE},
        RefusedPath{"CircleCenterTooFar", none,
                    [] { return M716MoveCircle(0, 0x6, 0, 0, -8'388'608); }, M716_ERR_DISTANCE},
        RefusedPath{"AngleAroundTheStart", none,
                    [] { return M716MotArcTheta(0, 0x3, 0, 0, 0, 90); },
                    M716_ERR_PARAMETER_INVALID},
        RefusedPath{"AngleNotANumber", none,
                    [] { return M716MotArcTheta(0, 0x3, 0, 10, 0, std::nan("")); },
                    M716_ERR_PARAMETER_INVALID},
        RefusedPath{"SecondAxisRangeBeyondTheChip",
                    [](BoardRecord& r) {
                      r.interpolation.range = 8'000'000;
                      r.interpolation.multiplier = 1;
                    },
                    [] { return M716MotLine(0, 0x3, 0, 1, 1, 0, 0); }, M716_ERR_RG_OVER},
        RefusedPath{"StartSpeedBeyondTheMultiplier",
                    [](BoardRecord& r) { r.interpolation.sv = 16'001; },
                    [] { return M716MotLine(0, 0x3, 0, 1, 1, 0, 0); }, M716_ERR_SV_OVER},
        RefusedPath{"ArcDecelerationBeyondTheMultiplier",
                    [](BoardRecord& r) { r.interpolation.dc = 2'000'001; },
                    [] { return M716MoveCircle(0, 0x3, 0, 10, 0); }, M716_ERR_DC_OVER},
        RefusedPath{"AContinuousPathRunning",
                    [](BoardRecord&) {
                      interruptBlocks[0].pathIdle = 0;
                      interruptBlocks[0].pathAxes = 0xC;
                    },
                    [] { return M716MotArc(0, 0x3, 0, 0, 10, 0, 0, 0); }, M716_ERR_AXIS_BUSY}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(InterpolationWordsTest, AnotherPathInterpolatingIsRefusedAfterTwoStatusReads) {
  answer(chip::RR0, chip::rr0::InterpolationDriving | 0x000C);  // Z and U on a path
  EXPECT_EQ(M716MotLine(0, 0x3, 0, 10, 10, 0, 0), M716_ERR_AXIS_BUSY);
  EXPECT_THAT(accesses(), ElementsAre(portRead(chip::RR0, 0x010C), portRead(chip::RR0, 0x010C)));
}

TEST_F(InterpolationWordsTest, AxesThatAreNoPathAreRefusedBeforeAnyAccess) {
  for (std::uint32_t axes : {0u, 1u, 4u, 15u, 0x13u}) {
    EXPECT_EQ(M716MotLine(0, axes, 0, 1, 1, 1, 1), M716_ERR_AXIS_NUMBER) << axes;
    EXPECT_EQ(M716MotArc(0, axes, 0, 0, 1, 0, 0, 0), M716_ERR_AXIS_NUMBER) << axes;
  }
  for (std::uint32_t axes : {7u, 0x1Cu})
    EXPECT_EQ(M716MoveCircle(0, axes, 0, 1, 0), M716_ERR_AXIS_NUMBER) << axes;
  EXPECT_EQ(M716MotLine(16, 0x3, 0, 1, 1, 1, 1), M716_ERR_BOARD_NUMBER);
  EXPECT_TRUE(busUntouched());
}

TEST_F(InterpolationWordsTest, APathSpeedChangeGoesToTheMainAxisOfTheLastPath) {
  EXPECT_EQ(M716MotChgLineArcDV(0, 3000), M716_ERR_SPEED_INVALID);
  EXPECT_TRUE(busUntouched());
  ASSERT_EQ(M716MotLine(0, 0x6, 0, 10, 10, 10, 0), M716_OK);
  bus_.clear();
  ASSERT_EQ(M716MotChgLineArcDV(0, 4000), M716_OK);
  EXPECT_THAT(accesses(), ElementsAre(portRead(chip::RR0, 0), portWrite(chip::WR6, 2000),
                                      portWrite(chip::WR0, 0x0205)));
  EXPECT_EQ(boards[0].interpolation.dv, 4000u);
  EXPECT_EQ(M716MotChgLineArcDV(0, 10'001), M716_ERR_VALUE_OVER);  // above MDV
  EXPECT_EQ(M716MotChgLineArcDV(0, 1), M716_ERR_VALUE_UNDER);      // below the multiplier
  EXPECT_EQ(M716MotChgLineArcDV(0, 0), M716_OK);
  EXPECT_EQ(M716MotChgLineArcDV(16, 0), M716_ERR_BOARD_NUMBER);
  EXPECT_THAT(bus_.writesTo(kBase + chip::WR6), ElementsAre(2000, 0));
}

TEST_F(InterpolationWordsTest, APathSpeedChangeKeepsTheMultiplierTheRunningPathWasLoadedWith) {
  ASSERT_EQ(M716MotLine(0, 0x3, 0, 10, 10, 0, 0), M716_OK);
  boards[0].interpolation.multiplier = 4;  // the set changed since the path started
  answer(chip::RR0, chip::rr0::InterpolationDriving | 0x3);
  bus_.clear();
  ASSERT_EQ(M716MotChgLineArcDV(0, 4000), M716_OK);
  answer(chip::RR0, 0);
  ASSERT_EQ(M716MotChgLineArcDV(0, 4000), M716_OK);  // none runs: as the next path loads it
  EXPECT_THAT(bus_.writesTo(kBase + chip::WR6), ElementsAre(2000, 1000));
}

}  // namespace
}  // namespace m716::test
