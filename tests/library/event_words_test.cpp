// Interrupt enables and the event word, and the external-drive control register, on the
// recording bus.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "KRVM716.h"
#include "bound_board.h"
#include "m716/platform/events.h"

namespace m716::test {
namespace {

using ::testing::ElementsAre;

class EventWordsTest : public BoundBoardTest {
 protected:
  void TearDown() override {
    platform::closeEvent(boards[0].interruptEvent);
    boards[0].interruptEvent = nullptr;
    BoundBoardTest::TearDown();
  }
  // The board's interrupt event, signalled as the driver leaves it after an interrupt.
  void interruptArrived(std::uint16_t x, std::uint16_t y, std::uint16_t z, std::uint16_t u) {
    boards[0].interruptEvent = platform::createEvent("KRV_EVT_INTERRUPT0", true, true);
    const std::uint16_t factors[] = {x, y, z, u};
    std::copy(std::begin(factors), std::end(factors), interruptBlocks[0].factors);
  }
};

TEST_F(EventWordsTest, EnablesReplaceTheHighByteOfEachSelectedAxisOnly) {
  axis(0).wr1 = 0x12A5;
  axis(1).wr1 = 0x3300;
  ASSERT_EQ(M716MotEnableEvent(0, 5, 0x80, 0x02, 0x104, 0x10), M716_OK);
  EXPECT_EQ(axis(0).wr1, 0x80A5u);
  EXPECT_EQ(axis(1).wr1, 0x3300u);
  EXPECT_EQ(axis(2).wr1, 0x0400u);  // only the low byte of the argument counts
  EXPECT_THAT(accesses(), ElementsAre(portWrite(chip::WR0, 0x010F), portWrite(chip::WR1, 0x80A5),
                                      portWrite(chip::WR0, 0x040F), portWrite(chip::WR1, 0x0400)));
  EXPECT_EQ(M716MotEnableEvent(0, 0, 1, 1, 1, 1), M716_ERR_AXIS_NUMBER);
  EXPECT_EQ(M716MotEnableEvent(0, 16, 1, 1, 1, 1), M716_ERR_AXIS_NUMBER);
  EXPECT_EQ(M716MotEnableEvent(16, 1, 1, 1, 1, 1), M716_ERR_BOARD_NUMBER);
}

TEST_F(EventWordsTest, TheEventWordHasOneByteOfFactorsPerAxisAndResetsTheEvent) {
  interruptArrived(0, 0x80, 0, 0x10);
  std::uint32_t word = 0;
  ASSERT_EQ(M716MotCheckEvent(0, &word, 0), M716_OK);
  EXPECT_EQ(word, 0x10008000u);
  EXPECT_EQ(boards[0].lastInterruptFactors, 0x10008000u);
  ASSERT_EQ(M716MotCheckEvent(0, &word, 0), M716_OK);  // reported once
  EXPECT_EQ(word, 0u);
}

TEST_F(EventWordsTest, WithoutAnEventTheWordIsEmpty) {
  std::uint32_t word = 0xFFFF;
  ASSERT_EQ(M716MotCheckEvent(0, &word, 0), M716_OK);  // no event: the wait fails at once
  EXPECT_EQ(word, 0u);
  EXPECT_EQ(M716MotCheckEvent(0, nullptr, 0), M716_ERR_PARAMETER_INVALID);
  EXPECT_EQ(M716MotCheckEvent(16, &word, 0), M716_ERR_BOARD_NUMBER);
}

TEST_F(EventWordsTest, ExternalModesKeepTheirNumberInTheAxissControlField) {
  ASSERT_EQ(M716MotExtMode(0, 2, 3, 10), M716_OK);
  ASSERT_EQ(M716MotExtMode(0, 8, 9, 10), M716_OK);
  ASSERT_EQ(M716MotExtMode(0, 2, 8, 0), M716_OK);  // off, but 8 stays in Y's field
  EXPECT_THAT(bus_.writesTo(kBase + chip::ExternalDriveControl),
              ElementsAre(0x0030, 0x9030, 0x9080));
  EXPECT_EQ(boards[0].externalAxes, 0x8);
}

}  // namespace
}  // namespace m716::test
