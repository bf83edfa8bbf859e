#pragma once
// Sleeps, the millisecond tick counter and threads.
//
// Concurrency: every call may run on any thread.

#include <cstdint>
#include <functional>
#include <optional>
#include <thread>

#include "m716/platform/export.h"

namespace m716::platform {

M716_PLATFORM_API void sleepMs(std::uint32_t milliseconds);
// Milliseconds since an arbitrary start; wraps around after 49.7 days.
M716_PLATFORM_API std::uint32_t tickCount();
// Starts a thread running `body`; nothing when the system cannot create one.
M716_PLATFORM_API std::optional<std::thread> startThread(std::function<void()> body);

}  // namespace m716::platform
