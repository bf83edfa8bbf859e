#pragma once
// The board's serial EEPROM: 64 words of 16 bits behind three-wire serial lines, as a
// bit-banging master sees it.
//
// Lines: chip select, clock and data in are written; data out is read. While selected, the
// device samples data in on each rising clock edge: leading zeros, a start bit 1, a two-bit
// opcode and six address bits, most significant bit first, then the instruction's data bits:
//
//   10 A5..A0            READ: a dummy 0 appears on the rising edge that takes A0, then
//                        D15..D0 on the next sixteen rising edges, each held until the next
//                        edge; further edges go on with the following words
//   01 A5..A0 D15..D0    WRITE one word
//   11 A5..A0            ERASE one word (it reads 0xFFFF)
//   00 11xxxx            EWEN: enable programming
//   00 00xxxx            EWDS: disable programming
//   00 10xxxx            ERAL: erase all words
//   00 01xxxx D15..D0    WRAL: write all words
//
// Programming instructions start when chip select drops after a complete instruction, and are
// ignored unless programming is enabled; the device powers up with it disabled. A programming
// cycle runs for kWriteCycle of real time (so it behaves the same on a frozen simulated clock);
// while it runs the device takes no instruction, and when selected it shows 0 (busy) on data
// out, then 1 (ready). Unselected, data out floats high.
//
// Concurrency: not synchronised; the simulator calls it under its mutex.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace m716::sim {

class Eeprom {
 public:
  static constexpr std::size_t kWordCount = 64;
  static constexpr std::uint16_t kErased = 0xFFFF;  // what an erased word reads
  static constexpr std::chrono::milliseconds kWriteCycle{5};
  using Words = std::array<std::uint16_t, kWordCount>;

  struct Lines {
    bool select = false;
    bool clock = false;
    bool dataIn = false;
  };

  explicit Eeprom(const Words& contents) : words_(contents) {}

  void setLines(Lines lines);
  bool dataOut() const;
  const Words& words() const { return words_; }
  // True once after each programming cycle that changed the contents.
  bool takeChanged();

 private:
  enum class Phase { awaitingStart, instruction, data, reading, complete };
  using Steady = std::chrono::steady_clock;

  void risingEdge(bool dataIn);
  void decodeInstruction();
  void finishInstruction();  // chip select dropped
  void program();
  bool busy() const { return Steady::now() < busyUntil_; }
  std::size_t address() const;
  unsigned opcode() const;
  unsigned extendedCode() const;  // of an extended instruction

  Words words_;
  Lines lines_;
  Phase phase_ = Phase::awaitingStart;
  unsigned instruction_ = 0;  // opcode and address bits
  unsigned data_ = 0;         // data bits shifted in, or the word being shifted out
  int bitCount_ = 0;
  std::size_t readAddress_ = 0;
  bool dataOut_ = true;
  bool programmingEnabled_ = false;
  bool changed_ = false;
  Steady::time_point busyUntil_{};
};

}  // namespace m716::sim
