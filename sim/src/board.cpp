#include "board.h"

#include "latch.h"
#include "registers.h"

namespace m716::sim {
namespace {

bool isChipRegister(std::uint32_t offset) {
  return offset <= port::kDataHigh && offset % 2 == 0;
}

}  // namespace

Board::Board(const BoardConfiguration& configuration, const Eeprom::Words& eepromContents)
    : base_(configuration.base), chip_(configuration.axes, diagnostics_), eeprom_(eepromContents) {}

std::uint16_t Board::read(std::uint32_t offset) {
  if (isChipRegister(offset)) return chip_.read(offset);
  if (offset == port::kIrqSelection) return irqSelection_;
  if (offset == port::kEeprom) return eeprom_.dataOut() ? eepromPort::kDataOut : 0;
  return kUndriven;
}

void Board::write(std::uint32_t offset, std::uint16_t value) {
  static constexpr Latch<Board> kLatches[] = {
      {port::kBoardControl, &Board::boardControl_},
      {port::kExternalDriveControl, &Board::externalDriveControl_},
      {port::kIrqSelection, &Board::irqSelection_}};
  if (isChipRegister(offset)) {
    chip_.write(offset, value);
  } else if (offset == port::kEeprom) {
    eeprom_.setLines({.select = anySet(value, eepromPort::kSelect),
                      .clock = anySet(value, eepromPort::kClock),
                      .dataIn = anySet(value, eepromPort::kDataIn)});
  } else {
    writeLatch<Board>(*this, kLatches, offset, value);
  }
}

std::optional<Eeprom::Words> Board::takeEepromToStore() {
  if (!eeprom_.takeChanged()) return std::nullopt;
  return eeprom_.words();
}

}  // namespace m716::sim
