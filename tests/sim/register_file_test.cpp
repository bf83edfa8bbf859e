// The chip's register file: write-data commands stored per selected axis, read back through
// RR6/RR7, range checks with their diagnostics counter, and the chip reset.

#include "simulated_board_test.h"

namespace m716::test {
namespace {

constexpr unsigned kX = 1, kY = 2, kZ = 4, kU = 8;
constexpr unsigned kLoadLogical = 0x09, kLoadReal = 0x0A;
constexpr unsigned kReadLogical = 0x10, kReadReal = 0x11;

using RegisterFileTest = SimulatedBoardTest;

TEST_F(RegisterFileTest, DataCommandsLoadEverySelectedAxisAndReadBackPerAxis) {
  load(kX, kLoadLogical, 0x12345678);
  load(kY, kLoadLogical, static_cast<std::uint32_t>(-2));
  load(kZ | kU, kLoadReal, 0x00010002);

  EXPECT_EQ(readData(kX, kReadLogical), 0x12345678u);
  EXPECT_EQ(readData(kY, kReadLogical), 0xFFFFFFFEu);
  EXPECT_EQ(readData(kZ, kReadReal), 0x00010002u);
  EXPECT_EQ(readData(kU, kReadReal), 0x00010002u);
  // Counters of other axes and the other counter stay as they were.
  EXPECT_EQ(readData(kX, kReadReal), 0u);
  EXPECT_EQ(readData(kZ, kReadLogical), 0u);
  // With several axes selected, reads come from the lowest.
  EXPECT_EQ(readData(kY | kZ, kReadLogical), 0xFFFFFFFEu);
  EXPECT_EQ(M716SimClampedLoads(kBase), 0u);
}

struct RangeCase {
  const char* name;
  unsigned code;
  std::uint16_t low;   // WR6
  std::uint16_t high;  // WR7
  bool clamped;
};

void PrintTo(const RangeCase& loadCase, std::ostream* out) {
  *out << loadCase.name;
}

class RangeCheckTest : public SimulatedBoardTest,
                       public ::testing::WithParamInterface<RangeCase> {};

// 16-bit registers take WR6 alone (WR7 does not count), 32-bit ones WR6 and WR7; values
// outside a register's range are counted.
TEST_P(RangeCheckTest, CountsOnlyOutOfRangeLoads) {
  const RangeCase& loadCase = GetParam();
  out(12, loadCase.low);
  out(14, loadCase.high);
  command(kX, loadCase.code);
  EXPECT_EQ(M716SimClampedLoads(kBase), loadCase.clamped ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    WriteDataCommands, RangeCheckTest,
    ::testing::Values(RangeCase{"RangeTop", 0x00, 0x1200, 0x007A, false},  // 8 000 000
                      RangeCase{"RangeAboveTop", 0x00, 0x1201, 0x007A, true},
                      RangeCase{"RangeBottom", 0x00, 16000, 0, false},
                      RangeCase{"RangeBelowBottom", 0x00, 15999, 0, true},
                      RangeCase{"RangeLowWordAlone", 0x00, 0x1200, 0, true},
                      RangeCase{"JerkZero", 0x01, 0, 0, true},
                      RangeCase{"JerkTop", 0x01, 65535, 0, false},
                      RangeCase{"AccelerationZero", 0x02, 0, 0, true},
                      RangeCase{"AccelerationTop", 0x02, 8000, 0, false},
                      RangeCase{"AccelerationAboveTop", 0x02, 8001, 0, true},
                      RangeCase{"AccelerationIgnoresHighWord", 0x02, 100, 0xFFFF, false},
                      RangeCase{"DecelerationZero", 0x03, 0, 0, false},
                      RangeCase{"DecelerationAboveTop", 0x03, 8001, 0, true},
                      RangeCase{"StartSpeedZero", 0x04, 0, 0, true},
                      RangeCase{"StartSpeedBottom", 0x04, 1, 0xFFFF, false},
                      RangeCase{"DriveSpeedZero", 0x05, 0, 0, false},
                      RangeCase{"DriveSpeedAboveTop", 0x05, 8001, 0, true},
                      RangeCase{"PulsesAnyValue", 0x06, 0xFFFF, 0xFFFF, false},
                      RangeCase{"CenterAnyValue", 0x08, 0x0000, 0x8000, false},
                      RangeCase{"CompareAnyValue", 0x0C, 0xFFFF, 0x7FFF, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegisterFileTest, LoadToSeveralAxesCountsOnceAndEachBoardCountsItsOwn) {
  load(kX | kY | kZ | kU, 0x02, 0);
  load(kX, 0x04, 0);
  EXPECT_EQ(M716SimClampedLoads(kBase), 2u);
  EXPECT_EQ(M716SimClampedLoads(0x340), 0u);  // no board there
}

TEST_F(RegisterFileTest, ResetClearsRegistersAndCounters) {
  load(kX | kY, kLoadLogical, 1000);
  load(kX | kY, kLoadReal, 2000);
  ASSERT_EQ(readData(kY, kReadReal), 2000u);  // RR6/RR7 hold a value
  out(12, 0x4321);
  out(14, 0x0001);

  out(0, 0x8000);

  EXPECT_EQ(in(12), 0);  // RR6
  EXPECT_EQ(in(14), 0);  // RR7
  // The data registers are cleared too: a load without new data loads 0.
  command(kU, kLoadLogical);
  EXPECT_EQ(readData(kU, kReadLogical), 0u);
  for (unsigned axis : {kX, kY}) {
    EXPECT_EQ(readData(axis, kReadLogical), 0u);
    EXPECT_EQ(readData(axis, kReadReal), 0u);
  }
}

}  // namespace
}  // namespace m716::test
