#pragma once
// Named events, modelled on Windows events. Names are case-sensitive. An event lives while
// any handle to it is open; opening a name nobody created fails.
//
// Concurrency: every call may run on any thread; a handle may be waited on by several threads.

#include <cstdint>
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
M716_PLATFORM_API void closeEvent(EventHandle event);
// A second handle to the same event, closed on its own: the event lives until both are closed.
// nullptr for a null handle.
M716_PLATFORM_API EventHandle duplicateEvent(EventHandle event);

}  // namespace m716::platform
