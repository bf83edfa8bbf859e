#pragma once
// The interrupt factors pending in a board's interrupt block, one word per axis. The driver
// adds (ORs) what it reads from each axis's RR3 at every interrupt, the library adds what it
// reads from RR3 itself (reading clears the chip's factors), and M716MotCheckEvent takes them
// all, so every factor is reported once and none is lost between two polls.
//
// Concurrency: every function may run on any thread. Each word changes only by atomic
// read-modify-write operations, so a factor one side adds is never lost by the other.

#include <cstdint>

namespace m716 {

// Takes every pending factor, leaving none: X's low byte in bits 0..7 up to U's in 24..31.
std::uint32_t takePendingFactors(std::uint32_t board);

// Adds the factors just read from the axis's RR3 and, when there are any, signals the board's
// interrupt event. The caller holds the board's bus lock across the read and this call, as the
// driver does across its own, so no reader takes a factor from another.
void addFactorsRead(std::uint32_t board, std::uint32_t axis, std::uint16_t factors);

// Removes `factors` of one axis from the pending ones, those the chip still holds for it
// included (its RR3 is read first, under the bus lock).
void dropPendingFactors(std::uint32_t board, std::uint32_t axis, std::uint16_t factors);

}  // namespace m716
