#pragma once
// One simulated board: the decoding of its 32 ports from the base address.
//
//   0..14  the motion chip (chip.h)
//   16     board control register (write only)
//   20     external-drive control register (write only)
//   22     IRQ selection register, reads back what was written
//   26     EEPROM lines (eeprom.h): written bit 3 chip select, bit 2 clock, bit 1 data in;
//          read: data out in bit 0
//
// Every other offset, and the write-only registers, read 0xFFFF.
//
// Concurrency: not synchronised; the simulator calls it under its mutex.

#include <cstdint>
#include <optional>

#include "chip.h"
#include "configuration.h"
#include "diagnostics.h"
#include "eeprom.h"

namespace m716::sim {

class Board {
 public:
  static constexpr std::uint32_t kPortCount = 32;

  Board(const BoardConfiguration& configuration, const Eeprom::Words& eepromContents);
  Board(const Board&) = delete;
  Board& operator=(const Board&) = delete;

  std::uint16_t base() const { return base_; }
  std::uint16_t read(std::uint32_t offset);
  void write(std::uint32_t offset, std::uint16_t value);

  void advanceTo(SimTime time) { chip_.advanceTo(time); }
  SimTime nextEventTime() const { return chip_.nextEventTime(); }
  bool interruptRaised() const { return chip_.interruptPending(); }
  std::uint64_t interruptCauses() const { return chip_.interruptCauses(); }

  // The EEPROM contents, once after each programming cycle, for the store.
  std::optional<Eeprom::Words> takeEepromToStore();
  const BoardDiagnostics& diagnostics() const { return diagnostics_; }
  Chip& chip() { return chip_; }
  // One 4-bit external-drive mode per axis, X in bits 0..3.
  std::uint16_t externalDriveControl() const { return externalDriveControl_; }

 private:
  std::uint16_t base_;
  BoardDiagnostics diagnostics_;
  Chip chip_;
  Eeprom eeprom_;
  std::uint16_t boardControl_ = 0;
  std::uint16_t externalDriveControl_ = 0;
  std::uint16_t irqSelection_ = 0;
};

}  // namespace m716::sim
