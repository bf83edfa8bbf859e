#pragma once
// The compare and speed tables handed to the interrupt driver: which of them still run.
//
// Concurrency: the driver moves a table on at interrupt time under the board's bus lock; the
// slots are changed here under the same lock.

#include <cstdint>

namespace m716 {

// Ends every table of the board that the driver is working through (its state becomes 0), so
// that it loads nothing more: for a close, and for a reset that sets the counters back to 0.
void endTables(std::uint32_t board);

}  // namespace m716
