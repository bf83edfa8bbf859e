#pragma once
// The state every screen of the utility shares: the board its calls name and whether that
// board has been opened.
//
// Concurrency: the utility runs on its user-interface thread only.

#include <cstdint>

namespace m716::utility {

// The current board's value while no board is selected.
constexpr std::uint8_t kNoBoard = 16;

struct ProgramState {
  std::uint8_t currentBoard = kNoBoard;
  // Set once the board has been opened; stays set for the rest of the process.
  bool boardOpened = false;

  bool boardChosen() const { return currentBoard != kNoBoard; }
  std::uint32_t board() const { return currentBoard; }
};

// The axis bits of the library's axis selection, in the order the screens walk them.
constexpr std::uint32_t kAxisBits[4] = {1, 2, 4, 8};
constexpr const char* kAxisLetters[4] = {"X", "Y", "Z", "U"};
constexpr std::uint32_t kAllAxes = 15;

}  // namespace m716::utility
