#pragma once
// The board's two named events as the library holds them from open to close, and the waits
// of M716MotCheckEvent on the interrupt event.
//
// Concurrency: every function may run on any thread. A waiter waits on a handle of its own, so
// no event is freed under it; closing the events first wakes the board's waiters for the
// interrupt event, which then return as if nothing had come, and waits (bounded) for them to
// leave.

#include <cstdint>

#include "m716/platform/events.h"

namespace m716 {

// Opens both events the driver created for the board; false when either is missing.
bool openBoardEvents(std::uint32_t board);

// Wakes the board's waiters, waits up to half a second for them to leave, then closes both
// events. Nothing to do for a board without events.
void closeBoardEvents(std::uint32_t board);

// Waits up to `milliseconds` (0xFFFFFFFF: until the events are closed) for the interrupt event
// and resets it. False on a time-out, for a board without events and when the events were
// closed meanwhile.
bool waitInterruptEvent(std::uint32_t board, std::uint32_t milliseconds);

// Waits up to `milliseconds` for the home-interrupt event or `wake`, whichever comes first, on
// a handle of its own to the home event, and resets the home event when it came. On a board
// without events only `wake` ends the wait early.
void waitHomeEvent(std::uint32_t board, platform::EventHandle wake, std::uint32_t milliseconds);

// Signals the interrupt event, as the driver does when it finds a factor pending.
void signalInterruptEvent(std::uint32_t board);

}  // namespace m716
