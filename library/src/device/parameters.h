#pragma once
// Persistence of a board's motion parameters in the registry: seven interpolation group values
// in the board key and 22 values in each of the four axis keys.
//
// Concurrency: for one board from one thread at a time.

#include <cstdint>

#include "device/board_table.h"

namespace m716 {

// A board's record as its stored defaults make it: what a board never opened holds, so that
// the values written to it are checked against the multiplier and range of its defaults.
BoardRecord defaultBoardRecord();

// Loads the board's parameters into its record, creating the keys with their defaults on
// first use and writing back the default of any value found missing. Returns 0, 5 or 34.
std::uint32_t loadParameters(std::uint32_t board);

// Saves the interpolation group (axes 0) or the selected axes, all in one transaction.
// Returns 0, 4 or 28.
std::uint32_t saveParameters(std::uint32_t board, std::uint32_t axes);

}  // namespace m716
