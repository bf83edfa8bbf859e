// Continuous paths through the public API on the simulated board, its clock frozen and moved
// by the test: the buffer's checks, and paths of lines and arcs that the driver feeds to the
// chip segment by segment. The default interpolation set runs paths at 6000 pps.

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <vector>

#include "open_board.h"

namespace m716::test {
namespace {

constexpr std::uint32_t kX = 1, kY = 2, kZ = 4;
constexpr std::uint32_t kBuffer = 12;

M716ContiPoint line(std::int32_t dx, std::int32_t dy, std::int32_t dz = 0) {
  return {{dx, dy, dz, 0, 0}, 0, static_cast<std::uint16_t>(dz != 0 ? IPO_L3 : IPO_L2), 0};
}
M716ContiPoint line3(std::int32_t dx, std::int32_t dy, std::int32_t dz) {
  return {{dx, dy, dz, 0, 0}, 0, IPO_L3, 0};
}
M716ContiPoint arc(std::uint16_t type, std::int32_t cx, std::int32_t cy, std::int32_t ex,
                   std::int32_t ey) {
  return {{ex, ey, 0, cx, cy}, 0, type, 0};
}

// From (0, 0): a line, a quarter arc each way, and back part of the way: ends at (100, 300).
const std::vector<M716ContiPoint> kPath = {line(200, 0), arc(IPO_CCW, 0, 100, 100, 100),
                                           line(0, 200), arc(IPO_CW, -100, 0, -100, 100),
                                           line(-100, -100)};

class ContinuousPathTest : public OpenBoardTest {
 protected:
  void TearDown() override {
    EXPECT_EQ(M716SimPathUnderruns(kSimBase), underruns_) << "the path stopped between segments";
    M716MotStop(0, 0, 0);  // a path a failed test left running would keep its buffer
    M716FreeContiBuf(kBuffer);
    OpenBoardTest::TearDown();
  }
  static void fill(const std::vector<M716ContiPoint>& points) {
    ASSERT_EQ(M716InitialContiBuf(kBuffer, static_cast<std::uint32_t>(points.size())), M716_OK);
    for (std::uint32_t k = 0; k < points.size(); ++k)
      ASSERT_EQ(M716SetContiData(kBuffer, &points[k], k + 1), M716_OK);
  }
  static std::int32_t current() {
    std::int32_t index = -2;
    EXPECT_EQ(M716GetCurContiNum(0, &index), M716_OK);
    return index;
  }
  // Runs the path to its end, returning every point index shown on the way in order.
  static std::vector<std::int32_t> runToEnd(std::uint32_t axes) {
    std::vector<std::int32_t> shown = {current()};
    EXPECT_TRUE(advanceUntil(
        [&] {
          if (current() != shown.back()) shown.push_back(current());
          return idle(axes) && M716MotLine(0, axes, 0, 0, 0, 0, 0) == M716_OK;
        },
        5, 0.001))
        << "the path did not end";
    return shown;
  }
  std::uint32_t underruns_ = 0;  // the chip's count of segments that ran out, at the end
};

TEST_F(ContinuousPathTest, RunsEverySegmentWithoutStoppingAndTheSameBufferStartsAgain) {
  fill(kPath);
  for (std::int32_t run = 1; run <= 2; ++run) {
    ASSERT_EQ(M716StartContiDrive(0, kX | kY, kBuffer), M716_OK);
    EXPECT_EQ(current(), -1) << "before the driver has taken the first point";
    EXPECT_EQ(runToEnd(kX | kY), (std::vector<std::int32_t>{-1, 0, 1, 2, 3, 4}));
    EXPECT_EQ(logicalPosition(kX), 100 * run);
    EXPECT_EQ(logicalPosition(kY), 300 * run);
    EXPECT_EQ(M716SimMachinePosition(kSimBase, kY), 300 * run);
  }
}

TEST_F(ContinuousPathTest, AThreeAxisPathOfLinesEndsOnItsEndPoint) {
  fill({line(100, 50, 20), line(-30, 60, 90), line(10, 10, -200)});
  ASSERT_EQ(M716StartContiDrive(0, kX | kY | kZ, kBuffer), M716_OK);
  EXPECT_EQ(runToEnd(kX | kY | kZ).back(), 2);
  EXPECT_EQ(logicalPosition(kX), 80);
  EXPECT_EQ(logicalPosition(kY), 120);
  EXPECT_EQ(logicalPosition(kZ), -90);
}

// While the driver reads the buffer nothing may change it, nor may a second start take the
// command words it loads the segments with.
TEST_F(ContinuousPathTest, TheBufferOfARunningPathIsLeftAloneAndThePathRunsOn) {
  fill(kPath);
  ASSERT_EQ(M716StartContiDrive(0, kX | kY, kBuffer), M716_OK);
  ASSERT_TRUE(advanceUntil([] { return current() == 1; }, 1, 0.001));
  const M716ContiPoint point = line(5, 5);
  EXPECT_EQ(M716SetContiData(kBuffer, &point, 2), M716_ERR_AXIS_BUSY);
  EXPECT_EQ(M716FreeContiBuf(kBuffer), M716_ERR_AXIS_BUSY);
  EXPECT_EQ(M716InitialContiBuf(kBuffer, 4), M716_ERR_AXIS_BUSY);
  EXPECT_EQ(M716StartContiDrive(0, 0xC, kBuffer), M716_ERR_AXIS_BUSY);
  EXPECT_EQ(M716MotLine(0, 0xC, 0, 0, 0, 5, 5), M716_ERR_AXIS_BUSY);
  EXPECT_EQ(runToEnd(kX | kY).back(), 4);
  EXPECT_EQ(logicalPosition(kX), 100);
  EXPECT_EQ(logicalPosition(kY), 300);
  EXPECT_EQ(M716FreeContiBuf(kBuffer), M716_OK);
}

// From its accepted start the path owns its axes, before the driver has loaded anything.
TEST_F(ContinuousPathTest, APathJustStartedOwnsItsAxes) {
  fill({line(3000, 0), line(0, 3000)});
  ASSERT_EQ(M716StartContiDrive(0, kX | kY, kBuffer), M716_OK);
  for (std::uint32_t axis : {kX, kY}) {
    EXPECT_EQ(M716MotAxisBusy(0, axis), M716_ERR_AXIS_BUSY) << axis;
    EXPECT_EQ(M716MoveIns(0, axis, 5000), M716_ERR_AXIS_BUSY) << axis;
    EXPECT_EQ(M716MotCmove(0, axis, 0), M716_ERR_AXIS_BUSY) << axis;
    EXPECT_EQ(M716MotHome(0, axis), M716_ERR_AXIS_BUSY) << axis;
  }
  EXPECT_EQ(runToEnd(kX | kY).back(), 1);
  EXPECT_EQ(logicalPosition(kX), 3000);
  EXPECT_EQ(logicalPosition(kY), 3000);
}

// A segment of no length (a line to its start, an arc around its start) is done at once and
// the path goes on from where it stands; the readout counts it.
struct NoLengthCase {
  const char* name;
  std::uint32_t axes;
  std::vector<M716ContiPoint> points;
  std::array<std::int32_t, 3> end;  // X, Y, Z
  double seconds;                   // the path ends within
};

void PrintTo(const NoLengthCase& path, std::ostream* out) {
  *out << path.name;
}

class NoLengthSegmentTest : public ContinuousPathTest,
                            public ::testing::WithParamInterface<NoLengthCase> {};

TEST_P(NoLengthSegmentTest, IsDoneAtOnceAndThePathGoesOn) {
  const NoLengthCase& path = GetParam();
  fill(path.points);
  ASSERT_EQ(M716StartContiDrive(0, path.axes, kBuffer), M716_OK);
  const double start = M716SimTime();
  const std::vector<std::int32_t> shown = runToEnd(path.axes);
  EXPECT_LE(M716SimTime() - start, path.seconds);
  EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
  EXPECT_EQ(shown.back(), static_cast<std::int32_t>(path.points.size()) - 1);
  for (std::uint32_t index = 0; index < 3; ++index)
    EXPECT_EQ(logicalPosition(1u << index), path.end[index]) << "axis " << index;
  EXPECT_EQ(M716FreeContiBuf(kBuffer), M716_OK);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, NoLengthSegmentTest,
    ::testing::Values(
        NoLengthCase{"LineInTheMiddle",
                     kX | kY,
                     {line(100, 0), line(0, 0), line(0, 100), line(-50, 0)},
                     {50, 100, 0},
                     1},
        NoLengthCase{"ThreeAxisLineInTheMiddle",
                     kX | kY | kZ,
                     {line3(100, 50, 20), line3(0, 0, 0), line3(-30, 60, 90)},
                     {70, 110, 110},
                     1},
        NoLengthCase{
            "ArcAroundItsStartInTheMiddle",
            kX | kY,
            {line(100, 0), arc(IPO_CW, 0, 0, 0, 0), arc(IPO_CCW, 0, 0, 40, 40), line(0, 100)},
            {100, 100, 0},
            1},
        NoLengthCase{"First", kX | kY, {line(0, 0), line(100, 0), line(0, 100)}, {100, 100, 0}, 1},
        NoLengthCase{"Last", kX | kY, {line(100, 0), line(0, 100), line(0, 0)}, {100, 100, 0}, 1},
        NoLengthCase{
            "All", kX | kY, {line(0, 0), arc(IPO_CCW, 0, 0, 0, 0), line(0, 0)}, {0, 0, 0}, 0.002}),
    [](const auto& info) { return std::string(info.param.name); });

// A driver later than a segment lasts finds the chip stopped between segments: it counts the
// underrun, and the path goes on from standstill to its end. Each of its calls loads two
// segments (one into the stopped chip, the next behind it), which run out before the next
// call, so every call but the first finds one underrun.
struct LatencyCase {
  const char* name;
  double latency;
  std::uint32_t underruns;
};

void PrintTo(const LatencyCase& latency, std::ostream* out) {
  *out << latency.name;
}

class LateDriverTest : public ContinuousPathTest,
                       public ::testing::WithParamInterface<LatencyCase> {};

TEST_P(LateDriverTest, CountsEachStopBetweenSegmentsAndThePathRunsToItsEnd) {
  std::vector<M716ContiPoint> points;
  for (int k = 0; k < 5; ++k) points.insert(points.end(), {line(30, 0), line(0, 30)});
  fill(points);
  M716SimSetInterruptLatency(GetParam().latency);
  ASSERT_EQ(M716StartContiDrive(0, kX | kY, kBuffer), M716_OK);
  EXPECT_EQ(runToEnd(kX | kY).back(), 9);
  EXPECT_EQ(logicalPosition(kX), 150);
  EXPECT_EQ(logicalPosition(kY), 150);
  std::uint32_t counted = 99;
  EXPECT_EQ(M716GetContiUnderruns(0, &counted), M716_OK);
  EXPECT_EQ(counted, GetParam().underruns);
  EXPECT_EQ(M716GetContiUnderruns(0, nullptr), M716_ERR_PARAMETER_INVALID);
  EXPECT_EQ(M716GetContiUnderruns(16, &counted), M716_ERR_BOARD_NUMBER);
  underruns_ = GetParam().underruns;
  EXPECT_EQ(M716FreeContiBuf(kBuffer), M716_OK);
}

INSTANTIATE_TEST_SUITE_P(Latencies, LateDriverTest,
                         ::testing::Values(LatencyCase{"None", 0, 0},
                                           LatencyCase{"LongerThanTwoSegments", 0.2, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

class PathStopTest : public ContinuousPathTest,
                     public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(PathStopTest, EndsThePathAtOnceAndNoFurtherSegmentStarts) {
  fill(kPath);
  ASSERT_EQ(M716StartContiDrive(0, kX | kY, kBuffer), M716_OK);
  ASSERT_TRUE(advanceUntil([] { return current() == 2; }, 1, 0.001));
  M716SimAdvance(0.005);
  ASSERT_EQ(M716MotStop(0, GetParam(), 0), M716_OK);
  EXPECT_TRUE(idle(kX | kY)) << "a sudden stop";
  const std::int32_t x = logicalPosition(kX), y = logicalPosition(kY);
  EXPECT_EQ(x, 300);
  EXPECT_GT(y, 100);
  M716SimAdvance(0.5);
  EXPECT_EQ(logicalPosition(kX), x);
  EXPECT_EQ(logicalPosition(kY), y);
  EXPECT_EQ(current(), 2);
  EXPECT_EQ(M716FreeContiBuf(kBuffer), M716_OK);
}

INSTANTIATE_TEST_SUITE_P(ByNoAxesOrTheFirstAxis, PathStopTest, ::testing::Values(0u, kX));

// A limit that stops the path ends it: the driver starts no further segment by itself.
TEST_F(ContinuousPathTest, APathStoppedByALimitIsOverAndNeverGoesOnByItself) {
  fill(kPath);
  ASSERT_EQ(M716StartContiDrive(0, kX | kY, kBuffer), M716_OK);
  ASSERT_TRUE(advanceUntil([] { return current() == 2; }, 1, 0.001));
  M716SimAdvance(0.005);
  M716SimForceInput(kSimBase, kY, M716SIM_INPUT_LIMIT_PLUS, M716SIM_STATE_ACTIVE);
  ASSERT_TRUE(finishes(kX | kY, 1));
  const std::int32_t y = logicalPosition(kY);
  M716SimForceInput(kSimBase, kY, M716SIM_INPUT_LIMIT_PLUS, M716SIM_STATE_MECHANICS);
  M716SimAdvance(0.5);
  EXPECT_EQ(logicalPosition(kY), y);
  EXPECT_LT(y, 200);
  EXPECT_EQ(current(), 2);
  EXPECT_EQ(M716MotLine(0, kX | kY, 0, 0, 0, 0, 0), M716_OK) << "no path runs";
}

TEST_F(ContinuousPathTest, BufferAllocationAndRelease) {
  EXPECT_EQ(M716InitialContiBuf(kBuffer, 1), M716_ERR_PARAMETER_INVALID);
  EXPECT_EQ(M716InitialContiBuf(kBuffer, 0x8000000), M716_ERR_BUFFER_ALLOCATE);
  EXPECT_EQ(M716InitialContiBuf(kBuffer + 256, 2), M716_OK) << "the low byte counts";
  EXPECT_EQ(M716InitialContiBuf(kBuffer, 2), M716_ERR_BUFFER_ALLOCATED);
  EXPECT_EQ(M716FreeContiBuf(kBuffer), M716_OK);
  EXPECT_EQ(M716FreeContiBuf(kBuffer), M716_ERR_BUFFER_HANDLE);
  const M716ContiPoint point = line(1, 1);
  EXPECT_EQ(M716SetContiData(kBuffer, &point, 1), M716_ERR_BUFFER_NOT_CREATED);
  EXPECT_EQ(M716StartContiDrive(0, kX | kY, kBuffer), M716_ERR_BUFFER_NOT_CREATED);
}

TEST_F(ContinuousPathTest, PointsAreStoredOneAfterAnotherOfOneGroup) {
  ASSERT_EQ(M716InitialContiBuf(kBuffer, 4), M716_OK);
  const M716ContiPoint l2 = line(1, 1), l3 = line(1, 1, 1), cw = arc(IPO_CW, 5, 0, 10, 0),
                       ccw = arc(IPO_CCW, 5, 0, 10, 0);
  M716ContiPoint wrongType = l2, tooFar = cw;
  wrongType.pathType = 0x33;
  tooFar.value[3] = 8'388'608;
  EXPECT_EQ(M716SetContiData(kBuffer, &l2, 2), M716_ERR_BUFFER_FIRST_POINT);
  EXPECT_EQ(M716SetContiData(kBuffer, &l2, 0), M716_ERR_BUFFER_FIRST_POINT);
  EXPECT_EQ(M716SetContiData(kBuffer, nullptr, 1), M716_ERR_PARAMETER_INVALID);
  EXPECT_EQ(M716SetContiData(kBuffer, &wrongType, 1), M716_ERR_BUFFER_PATH_TYPE);
  EXPECT_EQ(M716SetContiData(kBuffer, &tooFar, 1), M716_ERR_DISTANCE);
  EXPECT_EQ(M716SetContiData(kBuffer, &l2, 1), M716_OK);
  EXPECT_EQ(M716SetContiData(kBuffer, &l2, 3), M716_ERR_BUFFER_POINT_NUMBER);
  EXPECT_EQ(M716SetContiData(kBuffer, &l2, 0), M716_ERR_PARAMETER_INVALID)
      << "would lie before the first record";
  EXPECT_EQ(M716SetContiData(kBuffer, &cw, 2), M716_OK);
  EXPECT_EQ(M716SetContiData(kBuffer, &ccw, 3), M716_OK);
  EXPECT_EQ(M716SetContiData(kBuffer, &l3, 4), M716_ERR_BUFFER_MIXED_TYPES);
  EXPECT_EQ(M716SetContiData(kBuffer, &l2, 4), M716_OK);
  EXPECT_EQ(M716SetContiData(kBuffer, &l2, 5), M716_ERR_BUFFER_FULL);
  EXPECT_EQ(M716SetContiData(kBuffer, &l2, 6), M716_ERR_BUFFER_POINT_NUMBER);
  EXPECT_EQ(M716SetContiData(kBuffer, &l2, 0xFFFFFFFF), M716_ERR_BUFFER_POINT_NUMBER);
}

TEST_F(ContinuousPathTest, StartsThatAreRefused) {
  ASSERT_EQ(M716InitialContiBuf(kBuffer, 8), M716_OK);
  EXPECT_EQ(M716StartContiDrive(0, kX | kY, kBuffer), M716_ERR_BUFFER_ONE_POINT);
  const M716ContiPoint point = line(10, 10);
  for (std::uint32_t k = 1; k <= 5; ++k) ASSERT_EQ(M716SetContiData(kBuffer, &point, k), M716_OK);
  EXPECT_EQ(M716StartContiDrive(16, kX | kY, kBuffer), M716_ERR_BOARD_NUMBER);
  for (std::uint32_t axes : {0u, 4u, 15u, 0x103u})
    EXPECT_EQ(M716StartContiDrive(0, axes, kBuffer),
              axes == 0x103u ? M716_OK : M716_ERR_AXIS_NUMBER)
        << axes;
  ASSERT_TRUE(runToEnd(kX | kY).back() == 4);
  EXPECT_EQ(M716StartContiDrive(0, kX | kY | kZ, kBuffer), M716_ERR_AXIS_NUMBER);
  ASSERT_EQ(M716SetContiData(kBuffer, &point, 1), M716_OK);
  EXPECT_EQ(M716StartContiDrive(0, kX | kY, kBuffer), M716_ERR_BUFFER_ONE_POINT);
  std::int32_t index = 0;
  EXPECT_EQ(M716GetCurContiNum(0, nullptr), M716_ERR_PARAMETER_INVALID);
  EXPECT_EQ(M716GetCurContiNum(16, &index), M716_ERR_BOARD_NUMBER);
}

}  // namespace
}  // namespace m716::test
