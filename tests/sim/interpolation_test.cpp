// Interpolation along the true line or arc: every position within half a pulse (per axis) of a
// point of the path, the end point exact, the vector speed held at V, octant steps for the
// deceleration point, and continuous interpolation running segments back to back.

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>

#include "motion_fixture.h"

namespace m716::test {
namespace {

constexpr double kSpeed = 1000;
const AxisSettings kPathSpeed{100, 1000, 10'000};

struct Point {
  double x, y, z;
};

class InterpolationTest : public MotionTest {
 protected:
  // WR5: the axes 1..3 of the interpolation by index (X = 0), two- or three-axis vector speed.
  static void selectAxes(std::initializer_list<unsigned> indices, std::uint16_t more = 0) {
    std::uint16_t mode = indices.size() == 3 ? 0x300 : 0x100;
    int role = 0;
    for (unsigned index : indices) mode |= static_cast<std::uint16_t>(index << (2 * role++));
    out(10, mode | more);
  }
  static void finishPoint(unsigned axis, std::int32_t offset) {
    load(axis, 0x06, static_cast<std::uint32_t>(offset));
  }
  static void center(unsigned axis, std::int32_t offset) {
    load(axis, 0x08, static_cast<std::uint32_t>(offset));
  }
  // An arc from where X and Y stand, at the path speed to its end.
  static void startArc(std::int32_t cx, std::int32_t cy, std::int32_t ex, std::int32_t ey,
                       bool clockwise) {
    setUpAxes(kX, kPathSpeed);
    selectAxes({0, 1});
    center(kX, cx);
    center(kY, cy);
    finishPoint(kX, ex);
    finishPoint(kY, ey);
    command(0, cmd::kDecelerationInvalid);
    command(0, clockwise ? cmd::kArcClockwise : cmd::kArcCounterClockwise);
  }
  static Point position() {
    return {double(logical(kX)), double(logical(kY)), double(logical(kZ))};
  }
  // Samples the positions every `step` until the interpolation ends.
  static std::vector<Point> sampleUntilEnd(double step = 1e-3) {
    std::vector<Point> samples;
    advanceUntil(
        [&] {
          samples.push_back(position());
          return (mainStatus() & (1u << 8)) == 0;
        },
        step);
    return samples;
  }
};

// Per axis within half a pulse of the point at parameter s of the line: the intervals of s
// that each axis allows must meet.
bool nearLine(const Point& p, const Point& finish) {
  double low = 0, high = 1;
  const double coordinates[] = {p.x, p.y, p.z};
  const double ends[] = {finish.x, finish.y, finish.z};
  for (int axis = 0; axis < 3; ++axis) {
    if (ends[axis] == 0) {
      if (std::abs(coordinates[axis]) > 0.5) return false;
      continue;
    }
    double a = (coordinates[axis] - 0.5) / ends[axis], b = (coordinates[axis] + 0.5) / ends[axis];
    low = std::max(low, std::min(a, b));
    high = std::min(high, std::max(a, b));
  }
  return low <= high + 1e-12;
}

// Per axis within half a pulse of some point of the circle: searched near the radial one.
bool nearCircle(const Point& p, double cx, double cy, double radius) {
  const double radial = std::atan2(p.y - cy, p.x - cx);
  for (int i = -400; i <= 400; ++i) {
    double angle = radial + i * 2.0 / (400 * radius);
    if (std::abs(p.x - cx - radius * std::cos(angle)) <= 0.5 + 1e-9 &&
        std::abs(p.y - cy - radius * std::sin(angle)) <= 0.5 + 1e-9) {
      return true;
    }
  }
  return false;
}

struct LineCase {
  const char* name;
  Point finish;
};

void PrintTo(const LineCase& line, std::ostream* out) {
  *out << line.name;
}

class LineTest : public InterpolationTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(LineTest, FollowsTheTrueLineAtTheVectorSpeedAndEndsExactly) {
  const Point finish = GetParam().finish;
  const bool threeAxes = finish.z != 0;
  setUpAxes(kX, kPathSpeed);
  selectAxes(threeAxes ? std::initializer_list<unsigned>{0, 1, 2}
                       : std::initializer_list<unsigned>{0, 1});
  finishPoint(kX, std::int32_t(finish.x));
  finishPoint(kY, std::int32_t(finish.y));
  if (threeAxes) finishPoint(kZ, std::int32_t(finish.z));
  command(0, cmd::kDecelerationValid);
  command(0, threeAxes ? cmd::kLine3 : cmd::kLine2);
  EXPECT_EQ(mainStatus() & 0x10F, threeAxes ? 0x107 : 0x103);

  M716SimAdvance(0.2);  // at the vector speed from 0.09 s on
  EXPECT_EQ(speed(kX), 1000u);
  const Point before = position();
  M716SimAdvance(0.1);
  const Point after = position();
  const double travelled = std::hypot(after.x - before.x, after.y - before.y, after.z - before.z);
  EXPECT_NEAR(travelled, kSpeed * 0.1, 1.8);

  for (const Point& p : sampleUntilEnd()) ASSERT_TRUE(nearLine(p, finish)) << p.x << ", " << p.y;
  const Point end = position();
  EXPECT_EQ(end.x, finish.x);
  EXPECT_EQ(end.y, finish.y);
  EXPECT_EQ(end.z, finish.z);
  EXPECT_EQ(mainStatus() & 0x10F, 0);
}

INSTANTIATE_TEST_SUITE_P(Lines, LineTest,
                         ::testing::Values(LineCase{"Shallow", {1000, 333, 0}},
                                           LineCase{"Steep", {-700, 1234, 0}},
                                           LineCase{"OneAxisStill", {0, -500, 0}},
                                           LineCase{"ThreeAxes", {500, -400, 300}}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ArcCase {
  const char* name;
  std::int32_t cx, cy, ex, ey;
  bool clockwise;
  double sweep;  // radians
};

void PrintTo(const ArcCase& arc, std::ostream* out) {
  *out << arc.name;
}

class ArcTest : public InterpolationTest, public ::testing::WithParamInterface<ArcCase> {};

TEST_P(ArcTest, FollowsTheTrueArcAndEndsExactly) {
  const ArcCase& arc = GetParam();
  const double radius = std::hypot(arc.cx, arc.cy);
  const double started = M716SimTime();
  startArc(arc.cx, arc.cy, arc.ex, arc.ey, arc.clockwise);

  const std::vector<Point> samples = sampleUntilEnd();
  for (const Point& p : samples) {
    ASSERT_TRUE(nearCircle(p, arc.cx, arc.cy, radius)) << p.x << ", " << p.y;
  }
  EXPECT_EQ(logical(kX), arc.ex);
  EXPECT_EQ(logical(kY), arc.ey);
  // Without deceleration: up to the vector speed in 0.09 s over 49.5 pulses, then on at it.
  const double length = radius * arc.sweep;
  EXPECT_NEAR(M716SimTime() - started, 0.09 + (length - 49.5) / kSpeed, 2e-3);
}

INSTANTIATE_TEST_SUITE_P(
    Arcs, ArcTest,
    ::testing::Values(
        ArcCase{"QuarterClockwise", 1000, 0, 1000, 1000, true, std::numbers::pi / 2},
        ArcCase{"QuarterCounterClockwise", 1000, 0, 1000, -1000, false, std::numbers::pi / 2},
        ArcCase{"FullCircleCloses", -300, 400, 0, 0, true, 2 * std::numbers::pi},
        ArcCase{"ThreeQuartersCounterClockwise", 0, 700, -700, 700, false, 1.5 * std::numbers::pi}),
    [](const auto& info) { return std::string(info.param.name); });

// A finish point off the circle: the arc follows its circle to where the end test of the
// finish point's octant stops it. A center on the start leaves no circle: nothing moves.
struct EndTestCase {
  const char* name;
  std::int32_t cx, cy, ex, ey;
  bool clockwise;
  std::int32_t stopX, stopY;
};

void PrintTo(const EndTestCase& arc, std::ostream* out) {
  *out << arc.name;
}

class EndTestTest : public InterpolationTest, public ::testing::WithParamInterface<EndTestCase> {};

TEST_P(EndTestTest, StopsOnTheCircleInTheFinishPointsOctant) {
  const EndTestCase& arc = GetParam();
  const double radius = std::hypot(arc.cx, arc.cy);
  startArc(arc.cx, arc.cy, arc.ex, arc.ey, arc.clockwise);
  for (const Point& p : sampleUntilEnd()) {
    ASSERT_TRUE(radius == 0 ? p.x == 0 && p.y == 0 : nearCircle(p, arc.cx, arc.cy, radius))
        << p.x << ", " << p.y;
  }
  EXPECT_EQ(logical(kX), arc.stopX);
  EXPECT_EQ(logical(kY), arc.stopY);
}

INSTANTIATE_TEST_SUITE_P(
    FinishPoints, EndTestTest,
    ::testing::Values(EndTestCase{"OutsideClockwise", 100, 0, 100, 150, true, 100, 100},
                      EndTestCase{"NearTheCenter", 100, 0, 101, 2, false, 101, 100},
                      EndTestCase{"OutsideInTheLowerHalf", 0, -500, -300, -1200, false, -300, -900},
                      EndTestCase{"CenterOnTheStart", 0, 0, 10, 10, false, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

class OctantStepTest : public InterpolationTest, public ::testing::WithParamInterface<int> {};

// A full circle of radius r counts 4·√2·r steps, √2·r a quarter: manual deceleration at
// k quarters begins at the k-th quarter point of the circle.
TEST_P(OctantStepTest, DecelerationPointCountsOctantSteps) {
  const int quarters = GetParam();
  const double radius = 1000;
  recordFactors(kX, kDecelerationStarted);
  setUpAxes(kX, {100, 1000, 10'000, 10'000, 0, /*manual deceleration*/ 1u << 0});
  load(kX, 0x07, static_cast<std::uint32_t>(std::lround(quarters * std::numbers::sqrt2 * radius)));
  selectAxes({0, 1});
  center(kX, 1000);
  center(kY, 0);
  finishPoint(kX, 0);
  finishPoint(kY, 0);
  command(0, cmd::kDecelerationValid);
  command(0, cmd::kArcClockwise);
  ASSERT_TRUE(finish(kX | kY));
  EXPECT_EQ(logical(kX), 0);
  EXPECT_EQ(logical(kY), 0);

  const FactorRecord* decelerating = firstRecord(kX, kDecelerationStarted);
  ASSERT_NE(decelerating, nullptr);
  // Clockwise from angle π around (r, 0).
  const double angle = std::numbers::pi - quarters * std::numbers::pi / 2;
  EXPECT_NEAR(decelerating->logicalPosition, radius + radius * std::cos(angle), 1.0);
}

INSTANTIATE_TEST_SUITE_P(Quarters, OctantStepTest, ::testing::Values(1, 2, 3));

TEST_F(InterpolationTest, ContinuousSegmentsRunBackToBackWithoutSlowingDown) {
  std::atomic<int> interrupts = 0;
  ASSERT_TRUE(platform::interruptLines().attach(kBase, [&] {
    ++interrupts;
    command(0, cmd::kClearInterpolationInterrupt);
  }));
  attached_ = true;
  setUpAxes(kX, kPathSpeed);
  selectAxes({0, 1}, /*continuous*/ 1u << 14);
  command(0, cmd::kDecelerationInvalid);
  finishPoint(kX, 600);
  finishPoint(kY, 0);
  command(0, cmd::kLine2);
  EXPECT_NE(mainStatus() & (1u << 9), 0) << "ready for the next segment";
  M716SimAdvance(0.01);
  EXPECT_EQ(interrupts, 1);

  finishPoint(kX, 0);
  finishPoint(kY, 600);
  command(0, cmd::kLine2);
  EXPECT_EQ(mainStatus() & (1u << 9), 0) << "the next segment is taken";

  std::uint32_t slowest = kSpeed;
  bool reachedSpeed = false;
  int ready = 0;
  ASSERT_TRUE(advanceUntil([&] {
    const std::uint32_t now = speed(kX);
    reachedSpeed = reachedSpeed || now == kSpeed;
    if (reachedSpeed && (mainStatus() & (1u << 8))) slowest = std::min(slowest, now);
    ready += (mainStatus() & (1u << 9)) != 0;
    return (mainStatus() & (1u << 8)) == 0;
  }));
  EXPECT_EQ(slowest, kSpeed) << "no slowing down between the segments";
  EXPECT_GT(ready, 0) << "ready again once the second segment started";
  EXPECT_EQ(interrupts, 3) << "at each segment's start and at the end";
  EXPECT_EQ(logical(kX), 600);
  EXPECT_EQ(logical(kY), 600);
  EXPECT_EQ(M716SimDriveStarts(kBase, kX), 1u);
  EXPECT_EQ(M716SimPathUnderruns(kBase), 1u) << "WR5 still asked for a next segment";
}

// A segment that ends with none loaded while WR5 bit 14 asks for more is an underrun; once
// bit 14 is cleared the last segment's end is the path's end. Either way the chip interrupts
// when the interpolation ends, and at once when continuous mode is set on an idle chip.
TEST_F(InterpolationTest, ASegmentEndingWithNoNextWhileContinuousModeIsSetCountsAsAnUnderrun) {
  std::atomic<int> interrupts = 0;
  ASSERT_TRUE(platform::interruptLines().attach(kBase, [&] {
    ++interrupts;
    command(0, cmd::kClearInterpolationInterrupt);
  }));
  attached_ = true;
  setUpAxes(kX, kPathSpeed);
  selectAxes({0, 1}, 1u << 14);
  M716SimAdvance(0.001);
  EXPECT_EQ(interrupts, 1) << "an idle chip can take a segment";
  for (bool lastCleared : {false, true}) {
    command(0, cmd::kDecelerationInvalid);
    finishPoint(kX, 60);
    finishPoint(kY, 0);
    command(0, cmd::kLine2);
    if (lastCleared) selectAxes({0, 1}, 0);
    const int before = interrupts;
    ASSERT_TRUE(advanceUntil([&] { return (mainStatus() & (1u << 8)) == 0; }));
    M716SimAdvance(0.001);
    EXPECT_EQ(interrupts, before + 2) << "at the start and at the end";
    EXPECT_EQ(M716SimPathUnderruns(kBase), 1u) << lastCleared;
    selectAxes({0, 1}, 1u << 14);
  }
  finishPoint(kX, 6000);
  command(0, cmd::kLine2);
  M716SimAdvance(0.01);
  command(kX | kY, cmd::kImmediateStop);
  M716SimAdvance(0.01);
  EXPECT_EQ(M716SimPathUnderruns(kBase), 1u) << "a stopped path did not run out of segments";
}

TEST_F(InterpolationTest, StopOfAPathAxisStopsTheInterpolation) {
  setUpAxes(kX, kPathSpeed);
  selectAxes({1, 3});  // Y main, U second
  setUpAxes(kY, kPathSpeed);
  finishPoint(kY, 5000);
  finishPoint(kU, 5000);
  command(0, cmd::kLine2);
  M716SimAdvance(0.5);
  command(kU, cmd::kImmediateStop);
  EXPECT_EQ(mainStatus() & 0x10F, 0);
  EXPECT_EQ(logical(kY), logical(kU));
  EXPECT_GT(logical(kY), 200);
}

}  // namespace
}  // namespace m716::test
