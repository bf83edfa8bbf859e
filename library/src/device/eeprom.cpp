// The board's serial EEPROM: 64 words of 16 bits behind three serial lines at the EEPROM port,
// driven bit by bit (start bit, two-bit opcode, six address bits, data most significant bit
// first). The timing comes only from sleeps: 1 ms after every line change, 10 ms after a
// transfer.

#include <array>
#include <mutex>

#include "KRVM716.h"
#include "device/arguments.h"
#include "device/board_table.h"
#include "device/guarded.h"
#include "device/ports.h"
#include "m716/platform/time.h"

namespace m716 {
namespace {

constexpr std::uint16_t kChipSelect = 8, kClock = 4, kDataIn = 2;
constexpr std::uint32_t kWordCount = 64;

// Two transfers on one board would garble each other's bit streams.
std::array<std::mutex, kBoardCount> transferLocks;

void writeLines(std::uint32_t board, std::uint16_t lines) {
  writePortWord(board, chip::Eeprom, lines);
  platform::sleepMs(1);
}

void sendBit(std::uint32_t board, bool bit) {
  const std::uint16_t data = bit ? kDataIn : 0;
  writeLines(board, kChipSelect | data);
  writeLines(board, kChipSelect | kClock | data);
}

void sendBits(std::uint32_t board, std::uint32_t value, int count) {
  for (int bit = count - 1; bit >= 0; --bit) sendBit(board, (value >> bit) & 1);
}

bool receiveBit(std::uint32_t board) {
  writeLines(board, kChipSelect);
  writeLines(board, kChipSelect | kClock);
  const bool bit = readPortWord(board, chip::Eeprom) & 1;
  platform::sleepMs(1);
  return bit;
}

void deselect(std::uint32_t board, std::uint32_t milliseconds) {
  writePortWord(board, chip::Eeprom, 0);
  platform::sleepMs(milliseconds);
}

std::uint16_t readWord(std::uint32_t board, std::uint32_t address) {
  std::lock_guard lock(transferLocks[board]);
  sendBits(board, 0b110, 3);  // start bit, READ
  sendBits(board, address, 6);
  std::uint16_t word = 0;
  for (int i = 0; i < 16; ++i) word = static_cast<std::uint16_t>(word << 1 | receiveBit(board));
  deselect(board, 10);
  return word;
}

void writeWord(std::uint32_t board, std::uint32_t address, std::uint16_t word) {
  std::lock_guard lock(transferLocks[board]);
  sendBits(board, 0b100111111, 9);  // start bit, write enable
  deselect(board, 1);
  sendBits(board, 0b101, 3);  // start bit, WRITE
  sendBits(board, address, 6);
  sendBits(board, word, 16);
  deselect(board, 10);  // the write completes on its own
}

// 0, or the error that refuses a transfer on a checked board.
std::uint32_t checkTransfer(std::uint32_t board, std::uint32_t address) {
  if ((address & 0xFF) >= kWordCount) return M716_ERR_PARAMETER_INVALID;
  if (!boards[board].bound) return M716_ERR_DEVICE_ABSENT;
  return M716_OK;
}

}  // namespace
}  // namespace m716

using namespace m716;

extern "C" KRVM716_API uint32_t M716ReadEEPROM(uint32_t board, uint32_t address, uint16_t* value) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckBoard(board)) return error;
    if (value == nullptr) return M716_ERR_PARAMETER_INVALID;
    if (std::uint32_t error = checkTransfer(board, address)) return error;
    *value = readWord(board, address & 0x3F);
    return M716_OK;
  });
}

extern "C" KRVM716_API uint32_t M716WriteEEPROM(uint32_t board, uint32_t address, uint16_t value) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckBoard(board)) return error;
    if (std::uint32_t error = checkTransfer(board, address)) return error;
    writeWord(board, address & 0x3F, value);
    return M716_OK;
  });
}
