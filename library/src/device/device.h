#pragma once
// The board set-up shared by open and reset.
//
// Concurrency: for one board from one thread at a time, with no home search running.

#include <cstdint>

namespace m716 {

// Loads the board's parameters from the registry, resets the chip and loads every axis with
// its parameters and position counters at 0. 0, 5 or 34.
std::uint32_t initialiseBoard(std::uint32_t board);

}  // namespace m716
