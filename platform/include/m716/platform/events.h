#pragma once
// Named events, modelled on Windows events. Names are case-sensitive. An event lives while
// any handle to it is open; opening a name nobody created fails.
//
// Concurrency: every call may run on any thread; a handle may be waited on by several threads.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "m716/platform/export.h"

namespace m716::platform {

struct EventObject;
using EventHandle = EventObject*;

constexpr std::uint32_t kWaitInfinite = 0xFFFFFFFF;
constexpr std::uint32_t kEventAllAccess = 0x1F0003;

enum class WaitResult { signalled, timedOut, failed };

// Creates the named event, or opens it when it exists (*existed then tells so).
M716_PLATFORM_API EventHandle createEvent(std::string_view name, bool manualReset,
                                          bool initiallySignalled, bool* existed = nullptr);
// Opens an existing named event; nullptr when there is none.
M716_PLATFORM_API EventHandle openEvent(std::string_view name,
                                        std::uint32_t access = kEventAllAccess);
M716_PLATFORM_API bool setEvent(EventHandle event);
M716_PLATFORM_API bool resetEvent(EventHandle event);
// Waits up to `milliseconds` (kWaitInfinite: without limit). A null handle fails at once.
// An auto-reset event is reset by the wait that sees it signalled.
M716_PLATFORM_API WaitResult waitEvent(EventHandle event, std::uint32_t milliseconds);
// Waits up to `milliseconds` (kWaitInfinite: without limit) until one of the events is
// signalled and gives its index (the first signalled one in order; an auto-reset event is
// reset by it); nothing when the time passed. Null handles are never signalled.
M716_PLATFORM_API std::optional<std::size_t> waitAnyEvent(std::span<const EventHandle> events,
                                                          std::uint32_t milliseconds);
M716_PLATFORM_API void closeEvent(EventHandle event);
// A second handle to the same event, closed on its own: the event lives until both are closed.
// nullptr for a null handle.
M716_PLATFORM_API EventHandle duplicateEvent(EventHandle event);

}  // namespace m716::platform
