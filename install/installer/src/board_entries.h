#pragma once
// The texts of the installer's list of installed devices and its base address field: each
// entry shows a board's "DeviceName" (the dialog keeps the board number of the entry's key
// beside it).
//
// Concurrency: pure functions.

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace m716::installer {

// The interrupts the board can raise, in the order of the IRQ box.
inline constexpr std::array<std::uint32_t, 7> kInterrupts{4, 5, 7, 10, 11, 12, 15};
inline constexpr std::uint32_t kBoardCount = 16;

// A board decodes 32 ports from its base address. Below 100H the ports belong to the PC's
// own devices (DMA, interrupt and timer chips, keyboard), and the window has to end below
// 10000H, the end of the I/O space.
inline constexpr std::uint32_t kPortWindow = 32;
inline constexpr std::uint32_t kLowestBaseAddress = 0x100;
inline constexpr std::uint32_t kHighestBaseAddress = 0x10000 - kPortWindow;

// "MCB-716, BoardID=2, I/O=300H, IRQ=5": the base address as the user typed it.
QString deviceName(std::uint32_t board, const QString& baseText, std::uint32_t interrupt);
// An entry for a board whose "DeviceName" cannot be read, from what its key still holds.
QString recoveredDeviceName(std::uint32_t board, std::optional<std::uint32_t> baseAddress,
                            std::optional<std::uint32_t> interrupt);

// The board a "DeviceName" gives: the one or two decimal digits after its first "=", if they
// name a board.
std::optional<std::uint32_t> boardOfEntry(const QString& entry);

// " Not In System " placed right after the interrupt number the entry ends with (after the
// whole number, also when it has two digits); an entry is marked once it holds a capital N.
QString markedNotInSystem(const QString& entry);
bool isMarkedNotInSystem(const QString& entry);

// The base address a text of one to four hexadecimal digits (no prefix, no spaces) gives,
// if the board can use it.
std::optional<std::uint32_t> baseAddressOf(const QString& text);
// Uppercase hexadecimal without leading zeros.
QString baseAddressText(std::uint32_t baseAddress);
bool portWindowsOverlap(std::uint32_t base, std::uint32_t otherBase);

std::optional<std::uint32_t> interruptIndex(std::uint32_t interrupt);
// The smallest board number whose bit is clear in the mask of boards in use.
std::optional<std::uint32_t> lowestUnusedBoard(std::uint32_t boardsInUse);

}  // namespace m716::installer
