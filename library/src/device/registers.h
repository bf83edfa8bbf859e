#pragma once
// Register access by identifier: the chip's counters, live values and status registers
// (0x1xx, 0x2xx) and the per-axis parameters of the board record (0x3xx), and the chip reads
// the other functions of the library share.
//
// Concurrency: every chip read holds the board's bus lock across its command or selection and
// the reads that follow. Shadows are for one board from one thread at a time.

#include <cstdint>

#include "KRVM716.h"
#include "device/arguments.h"
#include "device/board_table.h"

namespace m716 {

// Writes the read command `code` for the axes (0x10..0x13) and reads the 32-bit value the chip
// puts into RR6 / RR7, in the order the caller names.
enum class WordOrder { lowFirst, highFirst };
std::uint32_t readChipData(std::uint32_t board, std::uint32_t axis, std::uint16_t code,
                           WordOrder order);

// The exported reads of one 32-bit chip value of one axis (counters, live registers): checks
// the board, the axis and the pointer, then reads with `code`, low word first. 0, 1, 6 or 23.
template <typename Value>
std::uint32_t readChipValue(std::uint32_t board, std::uint32_t axis, std::uint16_t code,
                            Value* value) {
  if (std::uint32_t error = maskAndCheckOneAxis(board, axis)) return error;
  if (value == nullptr) return M716_ERR_PARAMETER_INVALID;
  *value = static_cast<Value>(readChipData(board, axis, code, WordOrder::lowFirst));
  return M716_OK;
}

// The input byte of one axis: X and Y in RR4, Z and U in RR5, low byte first. One port read.
std::uint8_t readInputByte(std::uint32_t board, std::uint32_t axis);

// Selects one axis and reads one of its status registers (RR1, RR2 or RR3). The factors a read
// of RR3 clears in the chip are added to the pending ones (interrupt_factors.h).
std::uint16_t readAxisStatus(std::uint32_t board, std::uint32_t axis, std::uint16_t port);

// The read of M716MotRdReg for one checked axis: 0, or 22 for an identifier it does not know.
std::uint32_t readRegister(std::uint32_t board, std::uint32_t axis, std::uint16_t identifier,
                           std::uint32_t& value);

// The exported setters of one signed value of one axis (counters, compare registers): checks
// the board and the axis, stores the value in the axis's field and loads it with `code`.
// 0, 1 or 6.
std::uint32_t presetAxisValue(std::uint32_t board, std::uint32_t axis,
                              std::int32_t AxisRecord::*field, std::uint16_t code,
                              std::int32_t value);

}  // namespace m716
