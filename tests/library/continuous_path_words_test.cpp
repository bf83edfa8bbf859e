// The words of a continuous path's start on the recording bus (no driver is loaded, so the
// hand-over itself fails with 3), and the starts that are refused before anything is written.
// The fixture's interpolation set loads SV 500, DV 3000 and AC 2400 into the main axis.

#include <functional>

#include "KRVM716.h"
#include "bound_board.h"

namespace m716::test {
namespace {

using ::testing::ElementsAre;

constexpr std::uint32_t kBuffer = 7;

class ContinuousPathWordsTest : public BoundBoardTest {
 protected:
  void SetUp() override {
    BoundBoardTest::SetUp();
    ASSERT_EQ(M716InitialContiBuf(kBuffer, 8), M716_OK);
  }
  void TearDown() override {
    M716FreeContiBuf(kBuffer);
    BoundBoardTest::TearDown();
  }
  static void store(std::uint16_t type, std::uint32_t count) {
    for (std::uint32_t point = 1; point <= count; ++point) {
      M716ContiPoint p{{10, 20, 30, 5, 5}, 0, type, 0};
      ASSERT_EQ(M716SetContiData(kBuffer, &p, point), M716_OK);
    }
  }
  // Only the commands of position reads reached WR0; nothing else was written.
  bool nothingWritten() const {
    for (const Access& access : accesses())
      if (access.isWrite &&
          (access.port != kBase + chip::WR0 || (access.value & 0xFF) != chip::ReadLogicalPosition))
        return false;
    return true;
  }
  // The writes after the last axis's WR3: WR5 and the deceleration settings.
  std::vector<Access> lastWrites(std::size_t count) const {
    std::vector<Access> writes = bus_.writes();
    return {writes.end() - static_cast<std::ptrdiff_t>(count), writes.end()};
  }
};

struct StartCase {
  const char* name;
  std::uint32_t axes;
  std::uint16_t type;
  std::uint16_t wr5;
  std::array<std::uint16_t, 5> commands;
};

void PrintTo(const StartCase& c, std::ostream* out) {
  *out << c.name;
}

class PathStartWordsTest : public ContinuousPathWordsTest,
                           public ::testing::WithParamInterface<StartCase> {};

TEST_P(PathStartWordsTest, LoadsTheAxesThenAsksForTheNextSegmentInterruptWithoutDeceleration) {
  const StartCase& c = GetParam();
  store(c.type, 3);
  EXPECT_EQ(M716StartContiDrive(0, c.axes, kBuffer), M716_ERR_CALL_DRIVER);
  EXPECT_THAT(lastWrites(5), ElementsAre(portWrite(chip::WR5, c.wr5), portWrite(chip::WR6, 0xFFFF),
                                         portWrite(chip::WR7, 0xFFFF), portWrite(chip::WR0, 0x0107),
                                         portWrite(chip::WR0, 0x003C)));
  const M716InterruptBlock& block = interruptBlocks[0];
  for (std::size_t k = 0; k < 5; ++k) EXPECT_EQ(block.pathCommands[k], c.commands[k]) << k;
  EXPECT_EQ(block.pathPoints, 3u);
  EXPECT_EQ(block.pathAxes, c.axes);
  EXPECT_EQ(block.pathProgress, 0u);
  EXPECT_EQ(boards[0].pathFirstAxis, c.axes & -c.axes);
  EXPECT_EQ(block.pathIdle, 1) << "a path the driver did not take does not run";
}

INSTANTIATE_TEST_SUITE_P(
    Selections, PathStartWordsTest,
    ::testing::Values(StartCase{"XY", 0x3, IPO_CW, 0x4104, {0x106, 0x206, 0, 0x108, 0x208}},
                      StartCase{"YU", 0xA, IPO_L2, 0x410D, {0x206, 0x806, 0, 0x208, 0x808}},
                      StartCase{"XYZ", 0x7, IPO_L3, 0x4324, {0x106, 0x206, 0x406, 0x108, 0x208}}));

TEST_F(ContinuousPathWordsTest, TheMainAxisGetsTheSetsSpeedsAndEachRoleItsRange) {
  store(IPO_L3, 2);
  M716StartContiDrive(0, 0xE, kBuffer);
  Words w;
  w.data16(2, chip::SetStartSpeed, 500).data16(2, chip::SetDriveSpeed, 3000);
  w.data16(2, chip::SetAcceleration, 2400);
  w.data32(2, chip::SetRange, 4'000'000).mode(2, chip::WR3, 0);
  const std::vector<Access> all = accesses();
  EXPECT_NE(std::search(all.begin(), all.end(), w.accesses.begin(), w.accesses.end()), all.end());
  EXPECT_EQ(axis(2).rangeInForce, 5'656'854u);
  EXPECT_EQ(axis(3).rangeInForce, 6'928'203u);
}

struct RefusalCase {
  const char* name;
  std::function<void()> arrange;
  std::uint16_t rr0;  // the main status the chip shows
  std::uint32_t axes;
  std::uint32_t error;
};

void PrintTo(const RefusalCase& c, std::ostream* out) {
  *out << c.name;
}

class RefusedStartTest : public ContinuousPathWordsTest,
                         public ::testing::WithParamInterface<RefusalCase> {};

// A refused start leaves the chip and the interrupt block as they were: a path still running
// keeps the command words the driver loads its segments with.
TEST_P(RefusedStartTest, WritesNothingToTheChipOrTheBlock) {
  const RefusalCase& c = GetParam();
  store(IPO_L2, 3);
  M716InterruptBlock& block = interruptBlocks[0];
  for (std::uint16_t& word : block.pathCommands) word = 0xABCD;
  block.pathPoints = 99;
  c.arrange();
  answer(chip::RR0, c.rr0);
  const M716InterruptBlock before = block;
  EXPECT_EQ(M716StartContiDrive(0, c.axes, kBuffer), c.error);
  EXPECT_TRUE(nothingWritten());
  for (std::size_t k = 0; k < 5; ++k) EXPECT_EQ(block.pathCommands[k], before.pathCommands[k]);
  EXPECT_EQ(block.pathPoints, before.pathPoints);
  EXPECT_EQ(block.pathIdle, before.pathIdle);
}

INSTANTIATE_TEST_SUITE_P(
    Starts, RefusedStartTest,
    ::testing::Values(RefusalCase{"PathRunning",
                                  [] {
                                    interruptBlocks[0].pathIdle = 0;
                                    interruptBlocks[0].pathAxes = 3;
                                  },
                                  0, 0xC, M716_ERR_AXIS_BUSY},
                      RefusalCase{"AxisDriving", [] {}, 0x0002, 0x3, M716_ERR_AXIS_BUSY},
                      RefusalCase{"InterpolatorRunning", [] {}, 0x0100, 0xC, M716_ERR_AXIS_BUSY},
                      RefusalCase{"ThreeAxesForALineOfTwo", [] {}, 0, 0x7, M716_ERR_AXIS_NUMBER},
                      RefusalCase{"RangeTooLargeForTheThirdRole",
                                  [] { boards[0].interpolation.range = 6'000'000; }, 0, 0x7,
                                  M716_ERR_RG_OVER},
                      RefusalCase{"SingleAxis", [] {}, 0, 0x4, M716_ERR_AXIS_NUMBER},
                      RefusalCase{"AllAxes", [] {}, 0, 0xF, M716_ERR_AXIS_NUMBER}));

}  // namespace
}  // namespace m716::test
