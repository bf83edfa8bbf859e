#include "board.h"

namespace m716::sim {
namespace {

namespace offset {
constexpr std::uint32_t kLastChip = 14;
constexpr std::uint32_t kBoardControl = 16;
constexpr std::uint32_t kExternalDriveControl = 20;
constexpr std::uint32_t kIrqSelection = 22;
constexpr std::uint32_t kEeprom = 26;
}  // namespace offset

namespace eepromLine {
constexpr std::uint16_t kSelect = 1u << 3;
constexpr std::uint16_t kClock = 1u << 2;
constexpr std::uint16_t kDataIn = 1u << 1;
}  // namespace eepromLine

bool isChipRegister(std::uint32_t offset) {
  return offset <= offset::kLastChip && offset % 2 == 0;
}

}  // namespace

Board::Board(const BoardConfiguration& configuration, const Eeprom::Words& eepromContents)
    : base_(configuration.base), chip_(configuration.axes, diagnostics_), eeprom_(eepromContents) {}

std::uint16_t Board::read(std::uint32_t offset) {
  if (isChipRegister(offset)) return chip_.read(offset);
  if (offset == offset::kIrqSelection) return irqSelection_;
  if (offset == offset::kEeprom) return eeprom_.dataOut() ? 1 : 0;
  return 0xFFFF;
}

void Board::write(std::uint32_t offset, std::uint16_t value) {
  if (isChipRegister(offset)) {
    chip_.write(offset, value);
    return;
  }
  switch (offset) {
    case offset::kBoardControl:
      boardControl_ = value;
      break;
    case offset::kExternalDriveControl:
      externalDriveControl_ = value;
      break;
    case offset::kIrqSelection:
      irqSelection_ = value;
      break;
    case offset::kEeprom:
      eeprom_.setLines({.select = (value & eepromLine::kSelect) != 0,
                        .clock = (value & eepromLine::kClock) != 0,
                        .dataIn = (value & eepromLine::kDataIn) != 0});
      break;
    default:
      break;
  }
}

std::optional<Eeprom::Words> Board::takeEepromToStore() {
  if (!eeprom_.takeChanged()) return std::nullopt;
  return eeprom_.words();
}

}  // namespace m716::sim
