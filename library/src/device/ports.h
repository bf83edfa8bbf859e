#pragma once
// The primitives through which the library touches a board: an unlocked port write, an
// unlocked port read, and issueAxisCommand, which loads one shadow value of the board record
// into the chip under the board's bus lock.
//
// A board never bound to an address by an open is an empty slot: writes are dropped and reads
// give 0xFFFF. Callers check the board number (0..15) first.
//
// Concurrency: writePortWord and readPortWord take no lock; callers that issue a group of
// accesses that belong together hold boardLock(board) across it. issueAxisCommand takes the
// lock itself for its one command.

#include <cstdint>

#include "device/board_table.h"
#include "m716/board/registers.h"
#include "m716/platform/locks.h"

namespace m716 {

// The library's own codes for issueAxisCommand, beside the chip's: select the axes, then load
// the shadow of a mode register.
enum ModeLoad : std::uint16_t {
  LoadWR1 = 0x40,
  LoadWR2 = 0x41,
  LoadWR3 = 0x42,
};

void writePortWord(std::uint32_t board, std::uint16_t offset, std::uint16_t value);
std::uint16_t readPortWord(std::uint32_t board, std::uint16_t offset);

// The board's lock: the platform's bus lock of its base address, which always exists.
platform::BusLock& boardLock(std::uint32_t board);

// Loads the value that `code` (a chip command or a ModeLoad) names from the shadow of the axis
// in `axisMask`. WR1 and WR2 of an axis in a home search load with the bits its search forces
// over the shadow.
// Codes without a value (select) and the mode register codes accept several axes; codes that
// carry a value take the entry of the lowest selected axis.
void issueAxisCommand(std::uint32_t board, std::uint32_t axisMask, std::uint16_t code);
// The same with the value taken from `values` instead of the board record: for a home search,
// which loads the chip from its own copy of the axis's record.
void issueAxisCommand(std::uint32_t board, std::uint32_t axisMask, std::uint16_t code,
                      const AxisRecord& values);

// A copy of one axis's record taken under the board's bus lock: for a caller that reads many
// of its fields while a home search may write some of them (see board_table.h).
AxisRecord axisCopy(std::uint32_t board, std::uint32_t index);

// The interrupt block keeps the compare values in force for the driver and the register reads:
// `value` becomes the COMP+ (code SetComparePlus) or COMP- (SetCompareMinus) copy of every axis
// in `axes`. Every load of COMP+ or COMP- stores it, under the bus lock.
void keepCompareCopies(std::uint32_t board, std::uint32_t axes, std::uint16_t code,
                       std::int32_t value);

// Writes a 32-bit value to WR6 (low word) and WR7 (high word), then the command word.
void writeDataCommand(std::uint32_t board, std::uint32_t axisMask, std::uint16_t code,
                      std::uint32_t value);
// Writes a 16-bit value to WR6, then the command word.
void writeWordCommand(std::uint32_t board, std::uint32_t axisMask, std::uint16_t code,
                      std::uint16_t value);

// Writes a command word for the axes to WR0.
void writeCommand(std::uint32_t board, std::uint32_t axes, std::uint16_t code);

}  // namespace m716
