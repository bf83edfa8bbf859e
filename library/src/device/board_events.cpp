// The board's events and the waits on its interrupt event.

#include "device/board_events.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "device/board_table.h"
#include "device/driver_link.h"
#include "m716/platform/events.h"

namespace m716 {
namespace {

constexpr auto kWaitersLeave = std::chrono::milliseconds(500);

// The threads waiting for one board's interrupt event.
struct Waiters {
  std::mutex mutex;  // also guards the board record's two event handles
  std::condition_variable left;
  std::uint32_t count = 0;
  std::uint32_t closings = 0;  // how often the board's events were closed
};

std::array<Waiters, kBoardCount> waiters;

}  // namespace

bool openBoardEvents(std::uint32_t board) {
  BoardRecord& record = boards[board];
  std::lock_guard lock(waiters[board].mutex);
  record.interruptEvent = platform::openEvent(interruptEventName(board));
  record.homeEvent = platform::openEvent(homeEventName(board));
  return record.interruptEvent != nullptr && record.homeEvent != nullptr;
}

void closeBoardEvents(std::uint32_t board) {
  BoardRecord& record = boards[board];
  Waiters& gate = waiters[board];
  std::unique_lock lock(gate.mutex);
  ++gate.closings;
  // The driver's events reset manually, so every waiter sees this, also one about to wait.
  platform::setEvent(record.interruptEvent);
  gate.left.wait_for(lock, kWaitersLeave, [&] { return gate.count == 0; });
  platform::closeEvent(std::exchange(record.interruptEvent, nullptr));
  platform::closeEvent(std::exchange(record.homeEvent, nullptr));
}

bool waitInterruptEvent(std::uint32_t board, std::uint32_t milliseconds) {
  Waiters& gate = waiters[board];
  platform::EventHandle event = nullptr;
  std::uint32_t closings = 0;
  {
    std::lock_guard lock(gate.mutex);
    event = platform::duplicateEvent(boards[board].interruptEvent);
    if (event == nullptr) return false;
    ++gate.count;
    closings = gate.closings;
  }
  const bool signalled =
      platform::waitEvent(event, milliseconds) == platform::WaitResult::signalled;
  std::lock_guard lock(gate.mutex);
  const bool arrived = signalled && gate.closings == closings;
  if (arrived) platform::resetEvent(event);
  platform::closeEvent(event);
  --gate.count;
  gate.left.notify_all();
  return arrived;
}

void waitHomeEvent(std::uint32_t board, platform::EventHandle wake, std::uint32_t milliseconds) {
  platform::EventHandle home = nullptr;
  {
    std::lock_guard lock(waiters[board].mutex);
    home = platform::duplicateEvent(boards[board].homeEvent);
  }
  const std::array events{home, wake};
  if (platform::waitAnyEvent(events, milliseconds) == 0) platform::resetEvent(home);
  platform::closeEvent(home);
}

void signalInterruptEvent(std::uint32_t board) {
  std::lock_guard lock(waiters[board].mutex);
  platform::setEvent(boards[board].interruptEvent);
}

}  // namespace m716
