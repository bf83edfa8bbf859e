// What open writes to the board, word by word, recorded on its way to the simulated board.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "KRVM716.h"
#include "device/board_table.h"
#include "installed_board.h"
#include "m716/board/registers.h"
#include "m716/platform/bus.h"
#include "support/recording_bus.h"

namespace m716::test {
namespace {

using platform::RecordingBus;
using Access = RecordingBus::Access;
using ::testing::ElementsAreArray;

constexpr std::uint32_t kBase = 0x300;

class OpenWordsTest : public InstalledBoardTest {
 protected:
  void SetUp() override {
    InstalledBoardTest::SetUp();
    recorder_ = std::make_unique<RecordingBus>(&platform::bus());
    platform::useBus(recorder_.get());
  }
  void TearDown() override {
    EXPECT_EQ(M716MotDevClose(0), M716_OK);
    platform::useBus(nullptr);
  }

  std::vector<Access> writesAfterReset() const {
    std::vector<Access> writes = recorder_->writes();
    auto reset = std::find(writes.begin(), writes.end(), Access{true, kBase, chip::kReset});
    return {reset, writes.end()};
  }

  std::unique_ptr<RecordingBus> recorder_;
};

struct Expected {
  std::vector<Access> words;
  void write(std::uint16_t offset, std::uint16_t value) {
    words.push_back({true, kBase + offset, value});
  }
  void command(std::uint32_t axis, std::uint16_t code, std::uint32_t value, bool wide) {
    write(chip::WR6, static_cast<std::uint16_t>(value));
    if (wide) write(chip::WR7, static_cast<std::uint16_t>(value >> 16));
    write(chip::WR0, static_cast<std::uint16_t>(axis << 8 | code));
  }
};

// Each axis with the stored defaults: range 8 000 000, so every speed is loaded as it is.
void expectAxisLoad(Expected& e, std::uint32_t axis) {
  e.write(chip::WR0, static_cast<std::uint16_t>(axis << 8 | 0x0F));
  e.command(axis, 0x00, 8'000'000, true);
  e.command(axis, 0x01, 6, false);     // 62 500 000 / 10 000 000
  e.command(axis, 0x02, 4800, false);  // 600 000 / 125
  e.command(axis, 0x03, 0, false);     // no separate deceleration after load
  e.command(axis, 0x04, 1000, false);
  e.command(axis, 0x05, 6000, false);
  for (std::uint16_t port : {chip::WR1, chip::WR2, chip::WR3}) {
    e.write(chip::WR0, static_cast<std::uint16_t>(axis << 8 | 0x0F));
    e.write(port, 0);
  }
  e.command(axis, 0x0A, 0, true);
  e.command(axis, 0x09, 0, true);
  e.command(axis, 0x0B, 10'000'000, true);
  e.command(axis, 0x0C, static_cast<std::uint32_t>(-10'000'000), true);
}

TEST_F(OpenWordsTest, OpenResetsTheChipLoadsEveryAxisThenSetsTheIrq) {
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  Expected e;
  e.write(chip::WR0, chip::kReset);
  for (std::uint32_t axis : {1, 2, 4, 8}) expectAxisLoad(e, axis);
  e.write(chip::BoardControl, 0);
  e.write(chip::IrqSelect, 5);
  EXPECT_THAT(writesAfterReset(), ElementsAreArray(e.words));
  EXPECT_EQ(recorder_->accesses().back(), (Access{false, kBase + chip::IrqSelect, 5}));
}

TEST_F(OpenWordsTest, AStoredJerkOfZeroLoadsTheSlowestJerk) {
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  setDword(parameterKey(0, "Yaxis"), "AK", 0);
  recorder_->clear();
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  const std::vector<Access> writes = recorder_->writes();
  auto jerk = std::find(writes.begin(), writes.end(), Access{true, kBase, 0x0201});
  ASSERT_NE(jerk, writes.end());
  EXPECT_EQ(*(jerk - 1), (Access{true, kBase + chip::WR6, 65535}));
}

TEST_F(OpenWordsTest, TheInterpolationScaleFollowsTheStoredInterpolationSpeeds) {
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  // Defaults: IPOMDV 10 000 needs 1.25, raised to the group's least multiplier, 2.
  EXPECT_EQ(boards[0].interpolation.multiplier, 2.0);
  EXPECT_EQ(boards[0].interpolation.range, 4'000'000u);

  setDword(parameterKey(0), "IPOMDV", 80'000);
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  EXPECT_EQ(boards[0].interpolation.multiplier, 10.0);
  EXPECT_EQ(boards[0].interpolation.range, 800'000u);
}

}  // namespace
}  // namespace m716::test
