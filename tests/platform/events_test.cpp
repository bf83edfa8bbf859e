#include "m716/platform/events.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

namespace m716::platform {
namespace {

// Closes the handle when the test ends, whatever happens.
struct Event {
  EventHandle handle;
  ~Event() { closeEvent(handle); }
};

class EventReset : public ::testing::TestWithParam<bool> {
 protected:
  bool manualReset() const { return GetParam(); }
};

TEST_P(EventReset, SignalledEventIsSeenByOneWaitOrByAll) {
  Event event{createEvent("KRV_EVT_INTERRUPT0", manualReset(), false)};
  ASSERT_NE(event.handle, nullptr);
  EXPECT_EQ(waitEvent(event.handle, 0), WaitResult::timedOut);
  ASSERT_TRUE(setEvent(event.handle));
  EXPECT_EQ(waitEvent(event.handle, 0), WaitResult::signalled);
  EXPECT_EQ(waitEvent(event.handle, 0),
            manualReset() ? WaitResult::signalled : WaitResult::timedOut);
  ASSERT_TRUE(resetEvent(event.handle));
  EXPECT_EQ(waitEvent(event.handle, 0), WaitResult::timedOut);
}

TEST_P(EventReset, WaitWithoutLimitEndsWhenAnotherThreadSets) {
  Event event{createEvent("KRV_EVT_HOMEINT0", manualReset(), false)};
  WaitResult result = WaitResult::failed;
  std::thread waiter([&] { result = waitEvent(event.handle, kWaitInfinite); });
  setEvent(event.handle);
  waiter.join();
  EXPECT_EQ(result, WaitResult::signalled);
}

TEST_P(EventReset, InitiallySignalledEventIsSignalled) {
  Event event{createEvent("Initial", manualReset(), true)};
  EXPECT_EQ(waitEvent(event.handle, 0), WaitResult::signalled);
}

INSTANTIATE_TEST_SUITE_P(ManualAndAuto, EventReset, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Manual" : "Auto"; });

TEST(Events, WaitTimesOutAfterItsTime) {
  Event event{createEvent("Quiet", true, false)};
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(waitEvent(event.handle, 30), WaitResult::timedOut);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

TEST_P(EventReset, WaitForAnyGivesTheFirstSignalledAndTakesItsSignalAsAWaitDoes) {
  Event quiet{createEvent("", manualReset(), false)};
  Event set{createEvent("", manualReset(), false)};
  const EventHandle events[] = {nullptr, quiet.handle, set.handle};
  EXPECT_EQ(waitAnyEvent(events, 0), std::nullopt);
  setEvent(set.handle);
  EXPECT_EQ(waitAnyEvent(events, 0), 2u);
  EXPECT_EQ(waitAnyEvent(events, 0), manualReset() ? std::optional<std::size_t>(2) : std::nullopt);
  setEvent(quiet.handle);
  EXPECT_EQ(waitAnyEvent(events, kWaitInfinite), 1u);
}

TEST_P(EventReset, WaitForAnyEndsWhenAnotherThreadSetsOne) {
  Event first{createEvent("", manualReset(), false)};
  Event second{createEvent("", manualReset(), false)};
  const EventHandle events[] = {first.handle, second.handle};
  std::optional<std::size_t> woken;
  std::thread waiter([&] { woken = waitAnyEvent(events, kWaitInfinite); });
  setEvent(second.handle);
  waiter.join();
  EXPECT_EQ(woken, 1u);
}

TEST(Events, WaitForAnyTimesOutAfterItsTime) {
  Event event{createEvent("", true, false)};
  const EventHandle events[] = {event.handle};
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(waitAnyEvent(events, 30), std::nullopt);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

TEST(Events, NullHandleFails) {
  EXPECT_EQ(waitEvent(nullptr, 0), WaitResult::failed);
  EXPECT_EQ(waitEvent(nullptr, kWaitInfinite), WaitResult::failed);
  EXPECT_FALSE(setEvent(nullptr));
  EXPECT_FALSE(resetEvent(nullptr));
}

TEST(Events, OpenFindsOnlyNamesThatWereCreatedWithTheSameCase) {
  EXPECT_EQ(openEvent("KRV_EVT_INTERRUPT1"), nullptr);
  Event created{createEvent("KRV_EVT_INTERRUPT1", true, false)};
  EXPECT_EQ(openEvent("krv_evt_interrupt1"), nullptr);

  Event opened{openEvent("KRV_EVT_INTERRUPT1")};
  ASSERT_NE(opened.handle, nullptr);
  setEvent(opened.handle);
  EXPECT_EQ(waitEvent(created.handle, 0), WaitResult::signalled);
}

TEST(Events, CreatingAnExistingNameOpensIt) {
  bool existed = true;
  Event first{createEvent("Twice", true, false, &existed)};
  EXPECT_FALSE(existed);
  Event second{createEvent("Twice", true, false, &existed)};
  EXPECT_TRUE(existed);
  setEvent(second.handle);
  EXPECT_EQ(waitEvent(first.handle, 0), WaitResult::signalled);
}

TEST(Events, NameLivesUntilItsLastHandleCloses) {
  EventHandle created = createEvent("Shared", true, false);
  EventHandle opened = openEvent("Shared");
  closeEvent(created);
  EventHandle again = openEvent("Shared");
  ASSERT_NE(again, nullptr);
  closeEvent(opened);
  closeEvent(again);
  EXPECT_EQ(openEvent("Shared"), nullptr);
}

TEST(Events, ADuplicateKeepsTheEventAliveAfterEveryOtherHandleCloses) {
  EventHandle created = createEvent("Duplicated", true, false);
  EventHandle duplicate = duplicateEvent(created);
  closeEvent(created);
  EXPECT_TRUE(setEvent(duplicate));
  EXPECT_EQ(waitEvent(duplicate, 0), WaitResult::signalled);
  EventHandle reopened = openEvent("Duplicated");
  EXPECT_NE(reopened, nullptr) << "the name lives on with it";
  closeEvent(reopened);
  closeEvent(duplicate);
  EXPECT_EQ(openEvent("Duplicated"), nullptr);
  EXPECT_EQ(duplicateEvent(nullptr), nullptr);
}

}  // namespace
}  // namespace m716::platform
