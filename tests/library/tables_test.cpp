// Compare and speed tables through the public API on the simulated board: the checks and
// conversion of the library, and the interrupt driver working through the tables as the axis
// moves. The slot states are read from the interrupt block.

#include <ostream>
#include <vector>

#include "device/board_table.h"
#include "open_board.h"

namespace m716::test {
namespace {

constexpr std::uint32_t kX = 1, kY = 2;
constexpr std::uint32_t kComparePlusFactors = 0x10, kCompareMinusFactors = 0x06;

const M716TableSlot& compareSlot(std::uint32_t index) {
  return interruptBlocks[0].compareTables[index];
}
const M716TableSlot& speedSlot(std::uint32_t index) {
  return interruptBlocks[0].speedTables[index];
}
std::vector<std::uint32_t> speedsOf(const std::vector<M716SpeedTableEntry>& table) {
  std::vector<std::uint32_t> speeds;
  for (const M716SpeedTableEntry& entry : table) speeds.push_back(entry.speed);
  return speeds;
}
std::vector<M716SpeedTableEntry> speedTable(const std::vector<std::uint32_t>& speeds) {
  std::vector<M716SpeedTableEntry> table;
  for (std::uint32_t speed : speeds) table.push_back({speed, 100});
  return table;
}

class TableTest : public OpenBoardTest {
 protected:
  // Every interrupt block as before any open: an open keeps the axes of the tables last
  // handed over, and the cases check them.
  void SetUp() override {
    interruptBlocks.fill(M716InterruptBlock{});
    OpenBoardTest::SetUp();
  }
  // The live speed of X once it is at `position` or beyond (in the direction of `sign`).
  static std::uint32_t speedAt(std::int32_t position, int sign) {
    EXPECT_TRUE(
        advanceUntil([&] { return sign * logicalPosition(kX) >= sign * position; }, 5, 0.0002));
    return readRegister(kX, M716_REG_LIVE_SPEED);
  }
};

// Calls that both functions refuse leave the block as it was.
struct Refusal {
  const char* name;
  std::uint32_t board, axis;
  bool nullTable;
  std::uint32_t error;
};
void PrintTo(const Refusal& refusal, std::ostream* out) {
  *out << refusal.name;
}

class TableRefusalTest : public TableTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(TableRefusalTest, RefusedWithItsCodeAndNothingHandedOver) {
  const Refusal& refusal = GetParam();
  const std::int32_t positions[2] = {100, 200};
  std::vector<M716SpeedTableEntry> entries = speedTable({1000, 2000});
  EXPECT_EQ(
      M716BuildCompTable(refusal.board, refusal.axis, refusal.nullTable ? nullptr : positions, 2),
      refusal.error);
  EXPECT_EQ(M716BuildSpeedTable(refusal.board, refusal.axis,
                                refusal.nullTable ? nullptr : entries.data(), 2),
            refusal.error);
  EXPECT_EQ(speedsOf(entries), (std::vector<std::uint32_t>{1000, 2000}));
  EXPECT_EQ(compareSlot(0).table, nullptr);
  EXPECT_EQ(speedSlot(0).table, nullptr);
  EXPECT_EQ(interruptBlocks[0].compareAxis + interruptBlocks[0].speedAxis, 0);
}

INSTANTIATE_TEST_SUITE_P(Arguments, TableRefusalTest,
                         ::testing::Values(Refusal{"board16", 16, kX, false, M716_ERR_BOARD_NUMBER},
                                           Refusal{"axis0", 0, 0, false, M716_ERR_AXIS_NUMBER},
                                           Refusal{"axes3", 0, 3, false, M716_ERR_AXIS_NUMBER},
                                           Refusal{"axis16", 0, 16, false, M716_ERR_AXIS_NUMBER},
                                           // The driver would read through it at interrupt time.
                                           Refusal{"nullTableWithEntries", 0, kX, true,
                                                   M716_ERR_PARAMETER_INVALID}),
                         [](const auto& info) { return std::string(info.param.name); });

// Speed tables: every entry is checked before any is converted.
struct SpeedCase {
  const char* name;
  std::uint32_t range;
  std::vector<std::uint32_t> speeds;
  std::uint32_t error;
  std::vector<std::uint32_t> converted;  // what the table holds afterwards
};
void PrintTo(const SpeedCase& speedCase, std::ostream* out) {
  *out << speedCase.name;
}

class SpeedTableTest : public TableTest, public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(SpeedTableTest, ChecksEveryEntryThenConvertsByTheRange) {
  const SpeedCase& speedCase = GetParam();
  ASSERT_EQ(M716SetRange(0, kY, speedCase.range), M716_OK);
  std::vector<M716SpeedTableEntry> table = speedTable(speedCase.speeds);
  EXPECT_EQ(M716BuildSpeedTable(0, kY, table.data(), static_cast<std::uint32_t>(table.size())),
            speedCase.error);
  EXPECT_EQ(speedsOf(table), speedCase.converted);
  for (const M716SpeedTableEntry& entry : table) EXPECT_EQ(entry.position, 100);
  const bool accepted = speedCase.error == M716_OK;
  EXPECT_EQ(speedSlot(1).count, accepted ? table.size() : 0u);
  EXPECT_EQ(speedSlot(1).table, accepted ? table.data() : nullptr);
  EXPECT_EQ(interruptBlocks[0].speedAxis, accepted ? kY : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, SpeedTableTest,
    ::testing::Values(
        SpeedCase{"fullRange", 8'000'000, {1000, 8000, 0}, M716_OK, {1000, 8000, 0}},
        SpeedCase{"tenthRange", 800'000, {1000, 80'000, 15}, M716_OK, {100, 8000, 1}},
        // Entries before the refused one stay as they were.
        SpeedCase{"thirdAboveMdv",
                  8'000'000,
                  {1000, 2000, 8001},
                  M716_ERR_PARAMETER_INVALID,
                  {1000, 2000, 8001}},
        // It would load 0: a standstill nobody asked for.
        SpeedCase{"belowOneUnit", 800'000, {1000, 5}, M716_ERR_PARAMETER_INVALID, {1000, 5}}),
    [](const auto& info) { return std::string(info.param.name); });

// While the axis drives, its speeds load by the range of its drive, not by one set since.
TEST_F(TableTest, DrivingAxisConvertsByTheRangeOfItsDrive) {
  ASSERT_EQ(M716MotCmove(0, kX, 0), M716_OK);
  ASSERT_EQ(M716SetRange(0, kX, 800'000), M716_OK);  // loaded by the next drive
  std::vector<M716SpeedTableEntry> tooFast{{20'000, 1'000'000}}, fits{{5000, 1'000'000}};
  EXPECT_EQ(M716BuildSpeedTable(0, kX, tooFast.data(), 1), M716_ERR_PARAMETER_INVALID);
  EXPECT_EQ(M716BuildSpeedTable(0, kX, fits.data(), 1), M716_OK);
  EXPECT_EQ(fits[0].speed, 5000u);
  EXPECT_EQ(M716MotStop(0, kX, 0), M716_OK);
  EXPECT_TRUE(finishes(kX));
}

// The driver at work.

// A speed table beside it: each table keeps to its own compare register.
TEST_F(TableTest, CompareTableMovesOnAtEachPositionReachedBesideASpeedTable) {
  ASSERT_EQ(M716MotEnableEvent(0, kX, kComparePlusFactors | kCompareMinusFactors, 0, 0, 0),
            M716_OK);
  const std::int32_t positions[4] = {-5, 1000, 2000, 3000};  // the first is reached already
  std::vector<M716SpeedTableEntry> speeds{{3000, 1500}};
  ASSERT_EQ(M716BuildCompTable(0, kX, positions, 4), M716_OK);
  ASSERT_EQ(M716BuildSpeedTable(0, kX, speeds.data(), 1), M716_OK);
  EXPECT_EQ(compareSlot(0).state, M716_TABLE_RUNNING);
  EXPECT_EQ(readRegister(kX, M716_REG_COMPARE_PLUS), 1000u);

  ASSERT_EQ(M716MoveIns(0, kX, 5000), M716_OK);
  EXPECT_EQ(speedAt(1400, 1), 6000u);
  EXPECT_EQ(readRegister(kX, M716_REG_COMPARE_PLUS), 2000u);
  std::uint32_t events = 0;
  ASSERT_EQ(M716MotCheckEvent(0, &events, 0), M716_OK);
  EXPECT_TRUE(events & kComparePlusFactors) << "the driver leaves the factors to the application";
  EXPECT_EQ(speedAt(2500, 1), 3000u);
  EXPECT_EQ(compareSlot(0).state, M716_TABLE_RUNNING);
  EXPECT_EQ(speedSlot(0).state, M716_TABLE_DONE);

  ASSERT_TRUE(finishes(kX));
  EXPECT_EQ(compareSlot(0).state, M716_TABLE_DONE);
  EXPECT_EQ(readRegister(kX, M716_REG_COMPARE_PLUS), 3000u);
  EXPECT_EQ(readRegister(kX, M716_REG_COMPARE_MINUS), 1500u);
}

// Entries closer together than the driver's latency: each call of the driver loads the entries
// the axis has passed one after another and the table still ends; the P >= C+ factor of those
// passed together is reported once. At 6000 pps 40 ms are 240 pulses: the call for 1000 comes
// at about 1240 and passes 1100 and 1200, the one for 1300 at about 1540 passes the rest.
struct LateTableCase {
  const char* name;
  double latency;
  int events;
};
void PrintTo(const LateTableCase& late, std::ostream* out) {
  *out << late.name;
}

class LateCompareTableTest : public TableTest,
                             public ::testing::WithParamInterface<LateTableCase> {};

TEST_P(LateCompareTableTest, PassesTheEntriesReachedMeanwhileAndEnds) {
  ASSERT_EQ(M716MotEnableEvent(0, kX, kComparePlusFactors, 0, 0, 0), M716_OK);
  const std::int32_t positions[6] = {1000, 1100, 1200, 1300, 1400, 1500};
  ASSERT_EQ(M716BuildCompTable(0, kX, positions, 6), M716_OK);
  M716SimSetInterruptLatency(GetParam().latency);
  ASSERT_EQ(M716MoveIns(0, kX, 5000), M716_OK);
  int events = 0;
  ASSERT_TRUE(advanceUntil(
      [&] {
        std::uint32_t factors = 0;
        EXPECT_EQ(M716MotCheckEvent(0, &factors, 0), M716_OK);
        events += (factors & kComparePlusFactors) != 0;
        return idle(kX);
      },
      5, 0.001));
  EXPECT_EQ(events, GetParam().events);
  EXPECT_EQ(compareSlot(0).state, M716_TABLE_DONE);
  EXPECT_EQ(readRegister(kX, M716_REG_COMPARE_PLUS), 1500u);
}

INSTANTIATE_TEST_SUITE_P(Latencies, LateCompareTableTest,
                         ::testing::Values(LateTableCase{"None", 0, 6},
                                           LateTableCase{"FortyMilliseconds", 0.04, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

class SpeedTableDriveTest : public TableTest, public ::testing::WithParamInterface<int> {};

TEST_P(SpeedTableDriveTest, EachSpeedLoadsWhereTheAxisReachesItsPosition) {
  const int sign = GetParam();
  ASSERT_EQ(M716SetDrivingSpeed(0, kX, 2000), M716_OK);
  ASSERT_EQ(M716MotEnableEvent(0, kX, kCompareMinusFactors, 0, 0, 0), M716_OK);
  std::vector<M716SpeedTableEntry> table{{4000, sign * 1000}, {1500, sign * 3000}};
  ASSERT_EQ(M716BuildSpeedTable(0, kX, table.data(), 2), M716_OK);
  EXPECT_EQ(speedSlot(0).state, M716_TABLE_RUNNING);

  ASSERT_EQ(M716MoveIns(0, kX, sign * 6000), M716_OK);
  EXPECT_EQ(speedAt(sign * 990, sign), 2000u);
  EXPECT_EQ(speedAt(sign * 2990, sign), 4000u);
  EXPECT_EQ(speedSlot(0).state, M716_TABLE_RUNNING);
  EXPECT_EQ(speedAt(sign * 4000, sign), 1500u);
  EXPECT_EQ(speedSlot(0).state, M716_TABLE_DONE);
  EXPECT_TRUE(finishes(kX));
  EXPECT_EQ(logicalPosition(kX), sign * 6000);
}

INSTANTIATE_TEST_SUITE_P(Directions, SpeedTableDriveTest, ::testing::Values(1, -1),
                         [](const auto& info) { return info.param > 0 ? "plus" : "minus"; });

// After a reset the counters start from 0 again: the tables' positions no longer hold.
TEST_F(TableTest, EmptyTablesAreDoneAtOnceAndResetAndCloseEndRunningOnes) {
  ASSERT_EQ(M716BuildCompTable(0, kX, nullptr, 0), M716_OK);
  ASSERT_EQ(M716BuildSpeedTable(0, kX, nullptr, 0), M716_OK);
  EXPECT_EQ(compareSlot(0).state + speedSlot(0).state, 2 * M716_TABLE_DONE);
  const std::int32_t positions[1] = {1'000'000};
  std::vector<M716SpeedTableEntry> speeds{{3000, 1'000'000}};
  for (auto end : {M716MotReset, M716MotDevClose}) {
    ASSERT_EQ(M716BuildCompTable(0, kY, positions, 1), M716_OK);
    ASSERT_EQ(M716BuildSpeedTable(0, kY, speeds.data(), 1), M716_OK);
    ASSERT_EQ(speedSlot(1).state, M716_TABLE_RUNNING);
    ASSERT_EQ(end(0), M716_OK);
    EXPECT_EQ(compareSlot(1).state, 0);
    EXPECT_EQ(speedSlot(1).state, 0);
  }
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
}

}  // namespace
}  // namespace m716::test
