// The interrupt driver's entry: registering a board creates its two named events, and
// unregistering removes them; codes it does not serve answer nonzero.

#include <string>

#include "KRVM716_driver.h"
#include "m716/platform/events.h"
#include "support/temp_registry.h"

extern "C" uint32_t DriverProc(uintptr_t, uintptr_t, uintptr_t code, uintptr_t block, uintptr_t);

namespace m716::test {
namespace {

std::uint32_t callDriver(std::uintptr_t code, M716InterruptBlock& block) {
  return DriverProc(0, 0, code, reinterpret_cast<std::uintptr_t>(&block), 0);
}

std::string eventName(const char* prefix, unsigned board) {
  return prefix + std::to_string(board);
}

// Whether the named event exists (opening it briefly).
bool eventExists(const std::string& name) {
  platform::EventHandle event = platform::openEvent(name);
  if (event == nullptr) return false;
  platform::closeEvent(event);
  return true;
}

class DriverProcTest : public RegistryTest, public ::testing::WithParamInterface<unsigned> {
 protected:
  DriverProcTest() {
    block_.board = static_cast<std::uint8_t>(GetParam());
    block_.irq = 5;
    block_.baseAddress = 0x300;
  }
  std::string interruptEvent() const { return eventName(M716_EVENT_INTERRUPT_PREFIX, GetParam()); }
  std::string homeEvent() const { return eventName(M716_EVENT_HOME_PREFIX, GetParam()); }

  M716InterruptBlock block_{};
};

TEST_P(DriverProcTest, RegisterCreatesBothEventsUnsignalledAndUnregisterRemovesThem) {
  ASSERT_EQ(callDriver(M716_DRIVER_REGISTER_BOARD, block_), 0u);
  for (const std::string& name : {interruptEvent(), homeEvent()}) {
    platform::EventHandle event = platform::openEvent(name);
    ASSERT_NE(event, nullptr) << name;
    EXPECT_EQ(platform::waitEvent(event, 0), platform::WaitResult::timedOut) << name;
    platform::closeEvent(event);
  }

  EXPECT_EQ(callDriver(M716_DRIVER_UNREGISTER_BOARD, block_), 0u);
  EXPECT_FALSE(eventExists(interruptEvent()));
  EXPECT_FALSE(eventExists(homeEvent()));
}

TEST_P(DriverProcTest, RegisteringAgainReplacesTheFirstRegistration) {
  ASSERT_EQ(callDriver(M716_DRIVER_REGISTER_BOARD, block_), 0u);
  ASSERT_EQ(callDriver(M716_DRIVER_REGISTER_BOARD, block_), 0u);
  EXPECT_TRUE(eventExists(interruptEvent()));
  EXPECT_TRUE(eventExists(homeEvent()));

  EXPECT_EQ(callDriver(M716_DRIVER_UNREGISTER_BOARD, block_), 0u);
  EXPECT_FALSE(eventExists(interruptEvent()));
  EXPECT_FALSE(eventExists(homeEvent()));
}

// Open registers the board before it checks that the board answers; it then needs the events
// to exist, and unregisters to remove them.
TEST_P(DriverProcTest, BoardThatDoesNotAnswerStillGetsItsEvents) {
  block_.baseAddress = 0x340;
  ASSERT_EQ(callDriver(M716_DRIVER_REGISTER_BOARD, block_), 0u);
  EXPECT_TRUE(eventExists(interruptEvent()));
  EXPECT_TRUE(eventExists(homeEvent()));

  EXPECT_EQ(callDriver(M716_DRIVER_UNREGISTER_BOARD, block_), 0u);
  EXPECT_FALSE(eventExists(interruptEvent()));
  EXPECT_FALSE(eventExists(homeEvent()));
}

INSTANTIATE_TEST_SUITE_P(BoardNumbers, DriverProcTest, ::testing::Values(0u, 12u));

class UnservedCodeTest : public RegistryTest,
                         public ::testing::WithParamInterface<std::uintptr_t> {};

TEST_P(UnservedCodeTest, AnswersNonzero) {
  M716InterruptBlock block{};
  block.baseAddress = 0x300;
  EXPECT_NE(callDriver(GetParam(), block), 0u);
  EXPECT_NE(DriverProc(0, 0, GetParam(), 0, 0), 0u);  // and without a block
}

INSTANTIATE_TEST_SUITE_P(Codes, UnservedCodeTest,
                         ::testing::Values(0u, M716_DRIVER_START_PATH, 6u, 0x100u));

// A table is taken over only from the block its board was registered with, so a block of a
// board never opened (board number 0 in it) cannot reach board 0's slots.
using TableCodeTest = RegistryTest;

TEST_F(TableCodeTest, TableOfABoardNotRegisteredWithThatBlockIsRefused) {
  M716InterruptBlock registered{}, other{};
  registered.baseAddress = other.baseAddress = 0x300;
  for (std::uintptr_t code : {M716_DRIVER_COMPARE_TABLE, M716_DRIVER_SPEED_TABLE}) {
    other.compareAxis = other.speedAxis = 1;
    EXPECT_NE(callDriver(code, other), 0u) << "nothing registered";
    ASSERT_EQ(callDriver(M716_DRIVER_REGISTER_BOARD, registered), 0u);
    EXPECT_NE(callDriver(code, other), 0u) << "another block";
    EXPECT_EQ(other.compareTables[0].state, 0);
    EXPECT_EQ(other.speedTables[0].state, 0);
    EXPECT_EQ(callDriver(M716_DRIVER_UNREGISTER_BOARD, registered), 0u);
  }
}

}  // namespace
}  // namespace m716::test
