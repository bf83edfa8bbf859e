// Lines, arcs and circles through the public API on the simulated board, its clock frozen and
// moved by the test. The interpolation set an open loads by default runs paths at 6000 pps, up
// from 1000 at 600 000 pps/s: 8.3 ms and 29.2 pulses of ramp.

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

#include "open_board.h"

namespace m716::test {
namespace {

constexpr std::uint32_t kX = 1, kY = 2, kZ = 4, kU = 8;
constexpr std::uint32_t kAxes[] = {kX, kY, kZ, kU};
constexpr double kPathSpeed = 6000;
constexpr double kRampTime = 5000 / 600'000.0;
constexpr double kRampPulses = (6000.0 * 6000 - 1000.0 * 1000) / (2 * 600'000);

struct Sample {
  std::int32_t x, y;
  std::uint32_t speed;  // the main axis X shows the path's speed
};

class InterpolationTest : public OpenBoardTest {
 protected:
  static std::uint32_t pathSpeed() { return readRegister(kX, M716_REG_LIVE_SPEED); }
  // Samples X, Y and the path speed every `step` until the axes stop; the last sample is the
  // last one taken while they moved.
  static std::vector<Sample> runToEnd(std::uint32_t axes, double step = 0.001) {
    std::vector<Sample> samples;
    const bool ended = advanceUntil(
        [&] {
          if (idle(axes)) return true;
          samples.push_back({logicalPosition(kX), logicalPosition(kY), pathSpeed()});
          return false;
        },
        30, step);
    EXPECT_TRUE(ended) << "the path did not end";
    return samples;
  }
  static std::array<std::uint32_t, 4> driveStarts() {
    std::array<std::uint32_t, 4> starts{};
    for (std::size_t i = 0; i < 4; ++i) starts[i] = M716SimDriveStarts(kSimBase, kAxes[i]);
    return starts;
  }
  static void presetPosition(std::uint32_t axis, std::int32_t position) {
    ASSERT_EQ(M716SetTheorecticalRegister(0, axis, position), M716_OK);
  }
};

struct LineCase {
  const char* name;
  std::uint32_t axes;
  bool absolute;
  std::array<std::int32_t, 4> start, values, end;
};

void PrintTo(const LineCase& line, std::ostream* out) {
  *out << line.name;
}

class LineTest : public InterpolationTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(LineTest, EndsExactlyOnItsEndPoint) {
  const LineCase& c = GetParam();
  for (std::size_t i = 0; i < 4; ++i) presetPosition(kAxes[i], c.start[i]);
  ASSERT_EQ(M716MotLine(0, c.axes, c.absolute, c.values[0], c.values[1], c.values[2], c.values[3]),
            M716_OK);
  ASSERT_TRUE(finishes(c.axes));
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(logicalPosition(kAxes[i]), c.end[i]) << "XYZU"[i];
    EXPECT_EQ(M716SimMachinePosition(kSimBase, kAxes[i]), c.end[i] - c.start[i]) << "XYZU"[i];
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineTest,
    ::testing::Values(
        LineCase{"TwoAxes", kX | kY, false, {}, {1000, -333, 77, 77}, {1000, -333, 0, 0}},
        LineCase{"ThreeAxes", kX | kY | kZ, false, {}, {500, -400, 300, 77}, {500, -400, 300, 0}},
        LineCase{
            "ThreeAxesFromY", kY | kZ | kU, false, {}, {77, 20, -1500, 700}, {0, 20, -1500, 700}},
        LineCase{"AbsoluteFromPresetPositions",
                 kZ | kU,
                 true,
                 {0, 0, 100, -100},
                 {77, 77, -900, 400},
                 {0, 0, -900, 400}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(InterpolationTest, TheLongestLineIsAccepted) {
  ASSERT_EQ(M716MotLine(0, kX | kY, 0, 8'388'607, -8'388'607, 0, 0), M716_OK);
  M716SimAdvance(0.05);
  EXPECT_EQ(pathSpeed(), kPathSpeed);
  ASSERT_EQ(M716MotStop(0, kX | kY, 0), M716_OK);
  ASSERT_TRUE(finishes(kX | kY, 0.01));
  EXPECT_EQ(logicalPosition(kX), -logicalPosition(kY));
}

// Relative arcs from (0, 0) without manual deceleration: they run at the path speed to the end,
// so how long one takes tells the angle it swept.
struct ArcCase {
  const char* name;
  std::int32_t cx, cy, ex, ey;
  bool ccw;
  double sweep;  // radians
};

void PrintTo(const ArcCase& arc, std::ostream* out) {
  *out << arc.name;
}

class ArcTest : public InterpolationTest, public ::testing::WithParamInterface<ArcCase> {};

TEST_P(ArcTest, SweepsItsAngleAndEndsExactlyOnItsEndPoint) {
  const ArcCase& c = GetParam();
  const double started = M716SimTime();
  ASSERT_EQ(M716MotArc(0, kX | kY, 0, c.ccw, c.cx, c.cy, c.ex, c.ey), M716_OK);
  runToEnd(kX | kY);
  EXPECT_EQ(logicalPosition(kX), c.ex);
  EXPECT_EQ(logicalPosition(kY), c.ey);
  const double length = std::hypot(c.cx, c.cy) * c.sweep;
  EXPECT_NEAR(M716SimTime() - started, kRampTime + (length - kRampPulses) / kPathSpeed, 2e-3);
}

constexpr double kPi = std::numbers::pi;

INSTANTIATE_TEST_SUITE_P(
    SweptAngles, ArcTest,
    ::testing::Values(ArcCase{"CounterClockwiseThirtyDegrees", 1000, 0, 134, -500, true, kPi / 6},
                      ArcCase{"ClockwiseElevenTwelfths", 1000, 0, 134, -500, false, 11 * kPi / 6},
                      ArcCase{"ClockwiseQuarter", 1000, 0, 1000, 1000, false, kPi / 2},
                      ArcCase{"CounterClockwiseThreeQuarters", 1000, 0, 1000, 1000, true,
                              3 * kPi / 2},
                      ArcCase{"EndOnTheStartRunsTheFullCircle", 0, -400, 0, 0, true, 2 * kPi}),
    [](const auto& info) { return std::string(info.param.name); });

// An end point off the circle: the arc stops where the end test of the end point's octant
// does, on the circle where the coordinate of the axis that moves faster there reaches the end
// point's (at the octant's edge when the circle never gets there). No axis moves more than the
// path's speed lets it on the way, and the counters tell where the arc ended.
struct OffCircleCase {
  const char* name;
  std::int32_t cx, cy, ex, ey;
  bool ccw;
  std::int32_t stopX, stopY;
};

void PrintTo(const OffCircleCase& arc, std::ostream* out) {
  *out << arc.name;
}

class OffCircleTest : public InterpolationTest,
                      public ::testing::WithParamInterface<OffCircleCase> {};

TEST_P(OffCircleTest, StopsOnTheCircleWithoutAJump) {
  const OffCircleCase& c = GetParam();
  ASSERT_EQ(M716MotArc(0, kX | kY, 0, c.ccw, c.cx, c.cy, c.ex, c.ey), M716_OK);
  constexpr double kStep = 1 / 16'000.0;  // a pulse takes 1 / 6000 s at most
  std::int32_t x = 0, y = 0, largestStep = 0;
  ASSERT_TRUE(advanceUntil(
      [&] {
        const std::int32_t nx = M716SimMachinePosition(kSimBase, kX);
        const std::int32_t ny = M716SimMachinePosition(kSimBase, kY);
        largestStep = std::max({largestStep, std::abs(nx - x), std::abs(ny - y)});
        x = nx, y = ny;
        return idle(kX | kY);
      },
      1, kStep));
  EXPECT_LE(largestStep, 1);
  EXPECT_EQ(x, c.stopX);
  EXPECT_EQ(y, c.stopY);
  EXPECT_EQ(logicalPosition(kX), x);
  EXPECT_EQ(logicalPosition(kY), y);
}

INSTANTIATE_TEST_SUITE_P(
    EndPoints, OffCircleTest,
    ::testing::Values(
        // Around (100, 0) through (100, ±100): X moves faster near there.
        OffCircleCase{"OutsideClockwise", 100, 0, 100, 150, false, 100, 100},
        OffCircleCase{"InsideCounterClockwise", 100, 0, 100, 50, true, 100, 100},
        // The end point in the start's octant, where Y moves faster: a short way round one way,
        // nearly the whole circle the other.
        OffCircleCase{"OutsideInTheStartOctant", 100, 30, -20, -30, true, 15, -30},
        OffCircleCase{"OutsideInTheStartOctantTheLongWay", 100, 30, -20, -30, false, 15, -30},
        OffCircleCase{"BeyondTheOctantsReach", 100, 0, 250, 100, false, 171, 71}),
    [](const auto& info) { return std::string(info.param.name); });

// With manual deceleration enabled an arc slows down to its start speed by its end, absolute or
// relative, even after a path that ran without it.
class ManualDecelerationTest : public InterpolationTest,
                               public ::testing::WithParamInterface<bool> {};

TEST_P(ManualDecelerationTest, SlowsAnArcDownByItsEnd) {
  const bool absolute = GetParam();
  ASSERT_EQ(M716MotArc(0, kX | kY, 0, 0, 100, 0, 200, 0), M716_OK);  // half a circle to (200, 0)
  runToEnd(kX | kY);
  ASSERT_EQ(M716SetDeceleration(0, 0, 600'000, 0), M716_OK);
  ASSERT_EQ(absolute ? M716MotArc(0, kX | kY, 1, 0, 1200, 0, 1200, 1000)
                     : M716MotArc(0, kX | kY, 0, 0, 1000, 0, 1000, 1000),
            M716_OK);
  const std::vector<Sample> samples = runToEnd(kX | kY);
  ASSERT_FALSE(samples.empty());
  EXPECT_EQ(std::max_element(samples.begin(), samples.end(),
                             [](const Sample& a, const Sample& b) { return a.speed < b.speed; })
                ->speed,
            kPathSpeed);
  EXPECT_LT(samples.back().speed, 2000u) << "still at speed when the arc ended";
  EXPECT_EQ(logicalPosition(kX), 1200);
  EXPECT_EQ(logicalPosition(kY), 1000);
}

INSTANTIATE_TEST_SUITE_P(RelativeAndAbsolute, ManualDecelerationTest, ::testing::Bool());

struct AngleCase {
  const char* name;
  bool absolute;
  std::int32_t x0, y0, cx, cy;
  double angle;
  std::int32_t ex, ey;
};

void PrintTo(const AngleCase& angle, std::ostream* out) {
  *out << angle.name;
}

class AngleTest : public InterpolationTest, public ::testing::WithParamInterface<AngleCase> {};

TEST_P(AngleTest, EndsWhereTheSweptAngleLeads) {
  const AngleCase& c = GetParam();
  presetPosition(kX, c.x0);
  presetPosition(kY, c.y0);
  ASSERT_EQ(M716MotArcTheta(0, kX | kY, c.absolute, c.cx, c.cy, c.angle), M716_OK);
  runToEnd(kX | kY);
  EXPECT_EQ(logicalPosition(kX), c.ex);
  EXPECT_EQ(logicalPosition(kY), c.ey);
}

INSTANTIATE_TEST_SUITE_P(
    Angles, AngleTest,
    ::testing::Values(AngleCase{"ClockwiseQuarter", false, 0, 0, 100, 0, 90, 100, 100},
                      AngleCase{"CounterClockwiseQuarter", false, 0, 0, 100, 0, -90, 100, -100},
                      AngleCase{"AbsoluteCenter", true, 1000, -50, 1100, -50, 90, 1100, 50},
                      AngleCase{"RelativeFromElsewhere", false, -300, 40, 0, 100, 180, -300, 240}),
    [](const auto& info) { return std::string(info.param.name); });

// Every way of asking for a whole turn around (100, 0) from (0, 0): it passes (200, 0) and comes
// back, leaving on the side of its direction.
struct TurnCase {
  const char* name;
  std::function<std::uint32_t()> start;
  bool clockwise;
};

void PrintTo(const TurnCase& turn, std::ostream* out) {
  *out << turn.name;
}

class FullTurnTest : public InterpolationTest, public ::testing::WithParamInterface<TurnCase> {};

TEST_P(FullTurnTest, GoesRoundTheCircleBackToItsStart) {
  ASSERT_EQ(GetParam().start(), M716_OK);
  const std::vector<Sample> samples = runToEnd(kX | kY);
  const auto farthest = std::max_element(
      samples.begin(), samples.end(), [](const Sample& a, const Sample& b) { return a.x < b.x; });
  ASSERT_NE(farthest, samples.end());
  EXPECT_EQ(farthest->x, 200);
  const auto leaving = std::find_if(samples.begin(), samples.end(),
                                    [](const Sample& s) { return std::abs(s.y) >= 50; });
  ASSERT_NE(leaving, samples.end());
  EXPECT_EQ(leaving->y > 0, GetParam().clockwise);
  EXPECT_EQ(logicalPosition(kX), 0);
  EXPECT_EQ(logicalPosition(kY), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Turns, FullTurnTest,
    ::testing::Values(
        TurnCase{"AngleOf360", [] { return M716MotArcTheta(0, kX | kY, 0, 100, 0, 360); }, true},
        TurnCase{"AngleOfMinus360", [] { return M716MotArcTheta(0, kX | kY, 0, 100, 0, -360); },
                 false},
        TurnCase{"Circle", [] { return M716MoveCircle(0, kX | kY, 0, 100, 0); }, true},
        TurnCase{"CounterClockwiseCircle", [] { return M716MoveCircle(0, kX | kY, 1, 100, 0); },
                 false},
        TurnCase{"ArcEndingOnItsStart", [] { return M716MotArc(0, kX | kY, 0, 0, 100, 0, 0, 0); },
                 true}),
    [](const auto& info) { return std::string(info.param.name); });

// A refused call starts nothing.
struct RefusedCase {
  const char* name;
  std::function<std::uint32_t()> call;
  std::uint32_t error;
};

void PrintTo(const RefusedCase& refused, std::ostream* out) {
  *out << refused.name;
}

class RefusedTest : public InterpolationTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedTest, StartsNoDrive) {
  const auto before = driveStarts();
  EXPECT_EQ(GetParam().call(), GetParam().error);
  M716SimAdvance(0.1);
  EXPECT_EQ(driveStarts(), before);
  EXPECT_TRUE(idle(0xF));
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, RefusedTest,
    ::testing::Values(
        RefusedCase{"LineOnFourAxes", [] { return M716MotLine(0, 15, 0, 1, 1, 1, 1); },
                    M716_ERR_AXIS_NUMBER},
        RefusedCase{"LineOnNoAxis", [] { return M716MotLine(0, 0, 0, 1, 1, 1, 1); },
                    M716_ERR_AXIS_NUMBER},
        RefusedCase{"LineOnOneAxis", [] { return M716MotLine(0, 4, 0, 1, 1, 1, 1); },
                    M716_ERR_AXIS_NUMBER},
        RefusedCase{"LineOnePulseTooFar",
                    [] { return M716MotLine(0, kX | kY, 0, 10, 8'388'608, 0, 0); },
                    M716_ERR_DISTANCE},
        RefusedCase{"LineOnePulseTooFarBack",
                    [] { return M716MotLine(0, kX | kY, 0, -8'388'608, 10, 0, 0); },
                    M716_ERR_DISTANCE},
        RefusedCase{"RelativeArcCenterTooFar",
                    [] { return M716MotArc(0, kX | kY, 0, 0, 8'388'608, 0, 0, 0); },
                    M716_ERR_DISTANCE},
        RefusedCase{"RelativeArcEndTooFar",
                    [] { return M716MotArc(0, kZ | kU, 0, 1, 4'200'000, 0, 8'400'000, 0); },
                    M716_ERR_DISTANCE},
        RefusedCase{"CircleCenterTooFar",
                    [] { return M716MoveCircle(0, kX | kY, 0, 0, -8'388'608); }, M716_ERR_DISTANCE},
        RefusedCase{"AngleZero", [] { return M716MotArcTheta(0, kX | kY, 0, 100, 0, 0); },
                    M716_ERR_PARAMETER_INVALID},
        RefusedCase{"AngleBeyondAFullTurn",
                    [] { return M716MotArcTheta(0, kX | kY, 0, 100, 0, 360.5); },
                    M716_ERR_PARAMETER_INVALID},
        RefusedCase{"CenterOnTheStart", [] { return M716MotArcTheta(0, kX | kY, 0, 0, 0, 90); },
                    M716_ERR_PARAMETER_INVALID},
        RefusedCase{"ArcAroundItsStart", [] { return M716MotArc(0, kX | kY, 0, 0, 0, 0, 10, 10); },
                    M716_ERR_PARAMETER_INVALID},
        RefusedCase{"AbsoluteArcAroundItsStart",
                    [] { return M716MotArc(0, kY | kU, 1, 1, 0, 0, -10, 0); },
                    M716_ERR_PARAMETER_INVALID},
        RefusedCase{"CircleAroundItsStart", [] { return M716MoveCircle(0, kX | kZ, 1, 0, 0); },
                    M716_ERR_PARAMETER_INVALID}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(InterpolationTest, ARefusedArcLeavesTheAxesAsTheyWere) {
  // X decelerates with its own deceleration register, which only an arc loads.
  ASSERT_EQ(M716MotWrReg(0, kX, M716_REG_MODE3, 0x0002), M716_OK);
  const auto moveTime = [] {
    const double started = M716SimTime();
    EXPECT_EQ(M716MoveIns(0, kX, 10'000), M716_OK);
    EXPECT_TRUE(advanceUntil([] { return idle(kX); }, 30, 0.0001));
    return M716SimTime() - started;
  };
  const double before = moveTime();
  ASSERT_EQ(M716MotWrReg(0, kY, M716_PAR_PLMT, 100), M716_OK);
  EXPECT_EQ(M716MotArc(0, kX | kY, 0, 0, 1000, 500, 2000, 0), M716_ERR_PLMT_OVER);
  EXPECT_NEAR(moveTime(), before, 1e-4);
}

TEST_F(InterpolationTest, APathIsRefusedWhileAnotherRuns) {
  ASSERT_EQ(M716MotLine(0, kX | kY, 0, 3000, 1000, 0, 0), M716_OK);
  M716SimAdvance(0.1);
  const auto before = driveStarts();
  EXPECT_EQ(M716MotLine(0, kZ | kU, 0, 500, 500, 0, 0), M716_ERR_AXIS_BUSY);
  EXPECT_EQ(M716MoveCircle(0, kZ | kU, 0, 100, 0), M716_ERR_AXIS_BUSY);
  EXPECT_EQ(M716MotLine(0, kX | kZ, 0, 500, 500, 0, 0), M716_ERR_AXIS_BUSY);
  EXPECT_EQ(driveStarts(), before);
  ASSERT_TRUE(finishes(kX | kY));
  EXPECT_EQ(logicalPosition(kX), 3000);
  EXPECT_EQ(logicalPosition(kY), 1000);
  EXPECT_EQ(M716MotLine(0, kZ | kU, 0, 500, 500, 0, 0), M716_OK);
  ASSERT_TRUE(finishes(kZ | kU));
}

// The library keeps the main axis of the last path for the life of the process.
TEST_F(InterpolationTest, APathSpeedChangeBeforeAnyPathIsRefusedFreshProcess) {
  EXPECT_EQ(M716MotChgLineArcDV(0, 3000), M716_ERR_SPEED_INVALID);
}

TEST_F(InterpolationTest, ThePathSpeedChangesWhileItRuns) {
  ASSERT_EQ(M716MotLine(0, kX | kY, 0, 100'000, 50'000, 0, 0), M716_OK);
  M716SimAdvance(0.05);
  EXPECT_EQ(pathSpeed(), kPathSpeed);
  ASSERT_EQ(M716MotChgLineArcDV(0, 3000), M716_OK);
  M716SimAdvance(0.05);
  EXPECT_EQ(pathSpeed(), 3000u);
  EXPECT_EQ(M716MotChgLineArcDV(0, 10'001), M716_ERR_VALUE_OVER);
  ASSERT_EQ(M716MotStop(0, kX | kY, 0), M716_OK);
  ASSERT_TRUE(finishes(kX | kY, 0.01));
}

}  // namespace
}  // namespace m716::test
