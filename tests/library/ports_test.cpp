// The port primitives and IssueAxisCommand, word by word on the recording bus.

#include "device/ports.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "KRVM716.h"
#include "device/board_table.h"
#include "m716/board/registers.h"
#include "m716/platform/bus.h"
#include "support/recording_bus.h"

namespace m716::test {
namespace {

using platform::RecordingBus;
using Access = RecordingBus::Access;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::uint32_t kBase = 0x300;

Access write(std::uint16_t offset, std::uint16_t value) {
  return {true, kBase + offset, value};
}

class PortsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::useBus(&bus_);
    boards[0] = BoardRecord{};
    boards[0].baseAddress = kBase;
    boards[0].bound = true;
    for (AxisRecord& axis : boards[0].axes) {
      axis.multiplier = 1;
      axis.rg = 8'000'000;
    }
  }
  void TearDown() override { platform::useBus(nullptr); }

  AxisRecord& axis(std::uint32_t index) { return boards[0].axes[index]; }

  RecordingBus bus_;
};

TEST_F(PortsTest, DriveSpeedGoesToWR6ThenTheCommandWord) {
  axis(0).dv = 6000;
  issueAxisCommand(0, 1, chip::SetDriveSpeed);
  EXPECT_THAT(bus_.accesses(), ElementsAre(write(chip::WR6, 6000), write(chip::WR0, 0x0105)));
}

TEST_F(PortsTest, ThirtyTwoBitValuesGoLowWordThenHighWord) {
  axis(2).pcmp = -10'000'000;  // 0xFF676980
  issueAxisCommand(0, 4, chip::SetComparePlus);
  EXPECT_THAT(bus_.accesses(), ElementsAre(write(chip::WR6, 0x6980), write(chip::WR7, 0xFF67),
                                           write(chip::WR0, 0x040B)));
}

TEST_F(PortsTest, ConversionsDivideByTheMultiplierAfterIntegerDivision) {
  axis(0).ak = 10'000'000;  // 62 500 000 / 10 000 000 = 6
  axis(1).ac = 600'000;
  axis(1).multiplier = 1.25;  // 4800 / 1.25
  axis(3).sv = 1000;
  axis(3).multiplier = 3;  // 333.33 truncated
  issueAxisCommand(0, 1, chip::SetJerk);
  issueAxisCommand(0, 2, chip::SetAcceleration);
  issueAxisCommand(0, 8, chip::SetStartSpeed);
  EXPECT_THAT(bus_.writesTo(kBase + chip::WR6), ElementsAre(6, 3840, 333));
}

TEST_F(PortsTest, NoValueBeyondTheChipsRangeIsEverLoaded) {
  axis(0).ak = 0;       // only possible from stored parameters: slowest jerk
  axis(0).dv = 20'000;  // drive speed register stops at 8000
  axis(0).ac = 100;     // below one acceleration unit
  axis(0).sv = 0;
  issueAxisCommand(0, 1, chip::SetJerk);
  issueAxisCommand(0, 1, chip::SetDriveSpeed);
  issueAxisCommand(0, 1, chip::SetAcceleration);
  issueAxisCommand(0, 1, chip::SetStartSpeed);
  EXPECT_THAT(bus_.writesTo(kBase + chip::WR6), ElementsAre(65535, 8000, 1, 1));
}

TEST_F(PortsTest, SelectWritesOneWordForSeveralAxesAndUnusedCodesWriteNothing) {
  issueAxisCommand(0, 0x0F, chip::Select);
  EXPECT_THAT(bus_.accesses(), ElementsAre(write(chip::WR0, 0x0F0F)));
  bus_.clear();
  for (std::uint16_t code : {0x0D, 0x0E, 0x10, 0x25, 0x3F, 0x43}) issueAxisCommand(0, 1, code);
  EXPECT_THAT(bus_.accesses(), IsEmpty());
}

TEST_F(PortsTest, ModeRegistersAreLoadedAfterASelection) {
  axis(1).wr2 = 0x12345678;
  issueAxisCommand(0, 2, LoadWR2);
  EXPECT_THAT(bus_.accesses(), ElementsAre(write(chip::WR0, 0x020F), write(chip::WR2, 0x5678)));
}

TEST_F(PortsTest, ABoardNeverBoundTouchesNoPort) {
  boards[1] = BoardRecord{};
  issueAxisCommand(1, 1, chip::SetDriveSpeed);
  writePortWord(1, chip::WR0, 0x8000);
  EXPECT_EQ(readPortWord(1, chip::RR0), 0xFFFF);
  std::uint16_t word = 0;
  EXPECT_EQ(M716_InpWord(1, 0, &word), 1u);
  EXPECT_EQ(word, 0xFFFF);
  EXPECT_EQ(M716_OutpWord(1, 0, 1), 1u);
  EXPECT_EQ(M716_OutpWord(16, 0, 1), 1u);
  EXPECT_THAT(bus_.accesses(), IsEmpty());
}

TEST_F(PortsTest, RawPortOffsetsAreSixteenBitsAddedWithoutWrapping) {
  boards[0].baseAddress = 0xFFF0;
  EXPECT_EQ(M716_OutpWord(0, 0x10020, 7), 1u);
  bus_.answerReads(0x10010, 0x55);
  std::uint16_t word = 0;
  EXPECT_EQ(M716_InpWord(0, 0x20, &word), 1u);
  EXPECT_THAT(bus_.accesses(), ElementsAre(Access{true, 0x10010, 7}, Access{false, 0x10010, 0x55}));
}

}  // namespace
}  // namespace m716::test
