#pragma once
// Home search: each axis searches on a worker thread of its own, in up to four phases (find
// the home switch, leave it, find the index pulse, move the offset; or find a limit, then the
// offset), and ends with both position counters at 0.
//
// Concurrency: the home-active mask, the stop requests and the results are shared between the
// caller's thread and the workers and are atomic. Start, stop requests and status may come
// from any thread; stopHomeSearches waits for the board's workers to end, so it must not be
// called with the board's bus lock held. A worker reads only its own copy of its axis's
// record, taken when the search starts, so the application may set, save and change the
// axis's parameters and speeds while it searches (the change reaches the next search, not the
// running one). What a worker writes into the board record (the bits it forces in WR1 and WR2,
// the range and multiplier in force, the working speeds it leaves at its end) it writes under
// the board's bus lock, and the library's calls that read or write those fields hold it too.
// A worker waits on a handle of its own to the board's home event, so an open or close of the
// board never frees the event under it.

#include <cstdint>

namespace m716 {

// The axes of the board whose search is running.
std::uint32_t homeSearchAxes(std::uint32_t board);

// Asks the searches of the selected axes to stop: each worker is woken at once, stops its axis
// with a sudden stop and ends with result 36.
void requestHomeStop(std::uint32_t board, std::uint32_t axes);

// Stops every search of the board and waits (bounded) for their workers to end. Close, open
// and reset call it first, so no worker drives a board that changes under it.
void stopHomeSearches(std::uint32_t board);

}  // namespace m716
