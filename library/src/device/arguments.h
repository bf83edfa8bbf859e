#pragma once
// The argument checks exported functions start with: the board number first (1), then the
// axis argument (6). Only the low byte of either counts: each check keeps just that in its
// arguments, and returns 0 or the error code.

#include <cstdint>

#include "KRVM716.h"
#include "device/board_table.h"

namespace m716 {

inline std::uint32_t maskAndCheckBoard(std::uint32_t& board) {
  board &= 0xFF;
  return board < kBoardCount ? M716_OK : M716_ERR_BOARD_NUMBER;
}

// Exactly one axis: 1, 2, 4 or 8.
inline std::uint32_t maskAndCheckOneAxis(std::uint32_t& board, std::uint32_t& axis) {
  axis &= 0xFF;
  if (std::uint32_t error = maskAndCheckBoard(board)) return error;
  return isOneAxis(axis) ? M716_OK : M716_ERR_AXIS_NUMBER;
}

// A selection of axes, 1..15.
inline std::uint32_t maskAndCheckAxisSelection(std::uint32_t& board, std::uint32_t& axes) {
  axes &= 0xFF;
  if (std::uint32_t error = maskAndCheckBoard(board)) return error;
  return isAxisSelection(axes) ? M716_OK : M716_ERR_AXIS_NUMBER;
}

// One axis, or 0 for the board's interpolation group.
inline std::uint32_t maskAndCheckOneAxisOrGroup(std::uint32_t& board, std::uint32_t& axis) {
  axis &= 0xFF;
  if (std::uint32_t error = maskAndCheckBoard(board)) return error;
  return axis == 0 || isOneAxis(axis) ? M716_OK : M716_ERR_AXIS_NUMBER;
}

// Axes 0..15: none (the function then acts on the group or the path) or a selection.
inline std::uint32_t maskAndCheckAxesOrNone(std::uint32_t& board, std::uint32_t& axes) {
  axes &= 0xFF;
  if (std::uint32_t error = maskAndCheckBoard(board)) return error;
  return axes <= kAllAxes ? M716_OK : M716_ERR_AXIS_NUMBER;
}

}  // namespace m716
