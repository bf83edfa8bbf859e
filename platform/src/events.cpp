#include "m716/platform/events.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>

namespace m716::platform {

struct EventObject {
  EventObject(std::string eventName, bool manual, bool initiallySignalled)
      : name(std::move(eventName)), manualReset(manual), signalled(initiallySignalled) {}

  const std::string name;  // empty for an unnamed event
  const bool manualReset;
  int handles = 1;  // guarded by the table's mutex

  std::mutex mutex;
  std::condition_variable changed;
  bool signalled;  // guarded by `mutex`
};

namespace {

// The named events of the process. Never destroyed: handles may be closed while it exits.
struct EventTable {
  std::mutex mutex;
  std::map<std::string, EventObject*, std::less<>> byName;
};

EventTable& table() {
  static auto* events = new EventTable;
  return *events;
}

// Where the waits for any of several events sleep: every set notifies it, after the event is
// signalled and with its mutex taken once, so a wait that looked at the events under it
// before the set is already asleep when the notification comes. Never destroyed.
struct AnyWaits {
  std::mutex mutex;
  std::condition_variable signalled;
};

AnyWaits& anyWaits() {
  static auto* waits = new AnyWaits;
  return *waits;
}

// Takes the event's signal if it has one: an auto-reset event is reset.
bool takeSignal(EventObject& event) {
  std::lock_guard lock(event.mutex);
  if (!event.signalled) return false;
  if (!event.manualReset) event.signalled = false;
  return true;
}

bool waitSignalled(EventObject& event, std::uint32_t milliseconds) {
  std::unique_lock lock(event.mutex);
  const auto isSignalled = [&] { return event.signalled; };
  if (milliseconds == kWaitInfinite) {
    event.changed.wait(lock, isSignalled);
  } else if (!event.changed.wait_for(lock, std::chrono::milliseconds(milliseconds), isSignalled)) {
    return false;
  }
  if (!event.manualReset) event.signalled = false;
  return true;
}

}  // namespace

EventHandle createEvent(std::string_view name, bool manualReset, bool initiallySignalled,
                        bool* existed) {
  if (existed) *existed = false;
  if (name.empty()) return new EventObject({}, manualReset, initiallySignalled);
  auto& events = table();
  std::lock_guard lock(events.mutex);
  if (auto found = events.byName.find(name); found != events.byName.end()) {
    ++found->second->handles;
    if (existed) *existed = true;
    return found->second;
  }
  auto* event = new EventObject(std::string(name), manualReset, initiallySignalled);
  events.byName.emplace(event->name, event);
  return event;
}

EventHandle openEvent(std::string_view name, std::uint32_t /*access*/) {
  auto& events = table();
  std::lock_guard lock(events.mutex);
  const auto found = events.byName.find(name);
  if (found == events.byName.end()) return nullptr;
  ++found->second->handles;
  return found->second;
}

bool setEvent(EventHandle event) {
  if (!event) return false;
  {
    std::lock_guard lock(event->mutex);
    event->signalled = true;
  }
  if (event->manualReset) {
    event->changed.notify_all();
  } else {
    event->changed.notify_one();
  }
  AnyWaits& waits = anyWaits();
  { std::lock_guard lock(waits.mutex); }
  waits.signalled.notify_all();
  return true;
}

bool resetEvent(EventHandle event) {
  if (!event) return false;
  std::lock_guard lock(event->mutex);
  event->signalled = false;
  return true;
}

WaitResult waitEvent(EventHandle event, std::uint32_t milliseconds) {
  if (!event) return WaitResult::failed;
  return waitSignalled(*event, milliseconds) ? WaitResult::signalled : WaitResult::timedOut;
}

EventHandle duplicateEvent(EventHandle event) {
  if (!event) return nullptr;
  std::lock_guard lock(table().mutex);
  ++event->handles;
  return event;
}

std::optional<std::size_t> waitAnyEvent(std::span<const EventHandle> events,
                                        std::uint32_t milliseconds) {
  std::optional<std::size_t> found;
  const auto anySignalled = [&] {
    for (std::size_t index = 0; index < events.size(); ++index) {
      if (events[index] != nullptr && takeSignal(*events[index])) {
        found = index;
        return true;
      }
    }
    return false;
  };
  AnyWaits& waits = anyWaits();
  std::unique_lock lock(waits.mutex);
  if (milliseconds == kWaitInfinite)
    waits.signalled.wait(lock, anySignalled);
  else
    waits.signalled.wait_for(lock, std::chrono::milliseconds(milliseconds), anySignalled);
  return found;
}

void closeEvent(EventHandle event) {
  if (!event) return;
  auto& events = table();
  {
    std::lock_guard lock(events.mutex);
    if (--event->handles > 0) return;
    if (!event->name.empty()) events.byName.erase(event->name);
  }
  delete event;
}

}  // namespace m716::platform
