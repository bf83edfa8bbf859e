#include "eeprom.h"

#include "registers.h"

namespace m716::sim {
namespace {

constexpr int kInstructionBits = 8;  // two opcode bits and six address bits
constexpr int kDataBits = 16;

// The instruction bits after the start bit: the opcode above the address. Extended instructions
// tell themselves apart by the address's two top bits.
namespace instruction {
constexpr unsigned kOpcode = 0xC0;
constexpr unsigned kAddress = 0x3F;
constexpr unsigned kExtendedCode = 0x30;
}  // namespace instruction

namespace opcode {
constexpr unsigned kExtended = 0b00;  // EWEN, EWDS, ERAL, WRAL by the address's two top bits
constexpr unsigned kWrite = 0b01;
constexpr unsigned kRead = 0b10;
constexpr unsigned kErase = 0b11;
}  // namespace opcode

namespace extended {
constexpr unsigned kDisable = 0b00;
constexpr unsigned kWriteAll = 0b01;
constexpr unsigned kEraseAll = 0b10;
constexpr unsigned kEnable = 0b11;
}  // namespace extended

}  // namespace

std::size_t Eeprom::address() const {
  return field(instruction_, instruction::kAddress);
}

unsigned Eeprom::opcode() const {
  return field(instruction_, instruction::kOpcode);
}

unsigned Eeprom::extendedCode() const {
  return field(instruction_, instruction::kExtendedCode);
}

void Eeprom::setLines(Lines lines) {
  const Lines before = lines_;
  lines_ = lines;
  if (before.select && !lines.select) finishInstruction();
  if (!before.select && lines.select) {
    phase_ = Phase::awaitingStart;
    bitCount_ = 0;
  }
  if (lines.select && lines.clock && !before.clock) risingEdge(lines.dataIn);
}

bool Eeprom::dataOut() const {
  if (!lines_.select) return true;
  if (phase_ == Phase::reading) return dataOut_;
  return !busy();
}

bool Eeprom::takeChanged() {
  bool changed = changed_;
  changed_ = false;
  return changed;
}

void Eeprom::risingEdge(bool dataIn) {
  if (busy()) return;
  switch (phase_) {
    case Phase::awaitingStart:
      if (dataIn) {
        phase_ = Phase::instruction;
        instruction_ = 0;
        bitCount_ = 0;
      }
      break;
    case Phase::instruction:
      instruction_ = (instruction_ << 1) | dataIn;
      if (++bitCount_ == kInstructionBits) decodeInstruction();
      break;
    case Phase::data:
      data_ = (data_ << 1) | dataIn;
      if (++bitCount_ == kDataBits) phase_ = Phase::complete;
      break;
    case Phase::reading:
      if (bitCount_ == kDataBits) {
        readAddress_ = (readAddress_ + 1) % kWordCount;
        data_ = words_[readAddress_];
        bitCount_ = 0;
      }
      dataOut_ = (data_ >> (kDataBits - 1 - bitCount_)) & 1;
      ++bitCount_;
      break;
    case Phase::complete:
      break;
  }
}

void Eeprom::decodeInstruction() {
  bitCount_ = 0;
  data_ = 0;
  if (opcode() == opcode::kRead) {
    phase_ = Phase::reading;
    readAddress_ = address();
    data_ = words_[readAddress_];
    dataOut_ = false;  // the dummy bit
  } else if (opcode() == opcode::kWrite ||
             (opcode() == opcode::kExtended && extendedCode() == extended::kWriteAll)) {
    phase_ = Phase::data;
  } else {
    phase_ = Phase::complete;
    if (opcode() == opcode::kExtended && extendedCode() == extended::kEnable) {
      programmingEnabled_ = true;
    }
    if (opcode() == opcode::kExtended && extendedCode() == extended::kDisable) {
      programmingEnabled_ = false;
    }
  }
}

void Eeprom::finishInstruction() {
  if (phase_ == Phase::complete && programmingEnabled_) program();
  phase_ = Phase::awaitingStart;
  bitCount_ = 0;
}

void Eeprom::program() {
  const auto word = static_cast<std::uint16_t>(data_);
  switch (opcode()) {
    case opcode::kWrite:
      words_[address()] = word;
      break;
    case opcode::kErase:
      words_[address()] = kErased;
      break;
    case opcode::kExtended:
      if (extendedCode() == extended::kWriteAll) {
        words_.fill(word);
      } else if (extendedCode() == extended::kEraseAll) {
        words_.fill(kErased);
      } else {
        return;  // EWEN and EWDS take no programming cycle
      }
      break;
    default:
      return;
  }
  changed_ = true;
  busyUntil_ = Steady::now() + kWriteCycle;
}

}  // namespace m716::sim
