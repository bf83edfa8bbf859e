#include "axis.h"

namespace m716::sim {
namespace {

bool bit(std::uint16_t word, int number) {
  return (word >> number) & 1;
}

}  // namespace

void Axis::reset() {
  registers_ = {};
  modes_ = {};
  motion_ = {};
  factors_ = 0;
}

void Axis::load(int code, std::uint32_t value) {
  auto asSigned = static_cast<std::int32_t>(value);
  switch (code) {
    case 0x00:
      registers_.range = value;
      break;
    case 0x01:
      registers_.jerk = value;
      break;
    case 0x02:
      registers_.acceleration = value;
      break;
    case 0x03:
      registers_.deceleration = value;
      break;
    case 0x04:
      registers_.startSpeed = value;
      break;
    case 0x05:
      registers_.driveSpeed = value;
      break;
    case 0x06:
      registers_.pulses = asSigned;
      break;
    case 0x07:
      registers_.decelerationPoint = value;
      break;
    case 0x08:
      registers_.center = asSigned;
      break;
    case 0x09:
      registers_.logicalPosition = asSigned;
      break;
    case 0x0A:
      registers_.realPosition = asSigned;
      break;
    case 0x0B:
      registers_.compPlus = asSigned;
      break;
    case 0x0C:
      registers_.compMinus = asSigned;
      break;
    default:
      break;
  }
}

std::int32_t Axis::comparedPosition() const {
  return bit(modes_.wr2, 5) ? registers_.realPosition : registers_.logicalPosition;
}

std::uint16_t Axis::status1() const {
  std::uint16_t status = static_cast<std::uint16_t>(motion_.endStatus & 0xFF00);
  if (comparedPosition() >= registers_.compPlus) status |= 1u << 0;
  if (comparedPosition() < registers_.compMinus) status |= 1u << 1;
  return status;
}

std::uint16_t Axis::status2() const {
  const std::uint16_t wr2 = modes_.wr2;
  std::uint16_t status = 0;
  if (bit(wr2, 0) && comparedPosition() >= registers_.compPlus) status |= 1u << 0;
  if (bit(wr2, 1) && comparedPosition() < registers_.compMinus) status |= 1u << 1;
  auto levelOf = [this](Input input) { return carriage_.level(inputActive(input)); };
  if (active(levelOf(Input::limitPlus), bit(wr2, 3))) status |= 1u << 2;
  if (active(levelOf(Input::limitMinus), bit(wr2, 4))) status |= 1u << 3;
  if (bit(wr2, 13) && active(levelOf(Input::alarm), bit(wr2, 12))) status |= 1u << 4;
  return status;
}

std::uint16_t Axis::takeFactors() {
  std::uint16_t pending = factors_;
  factors_ = 0;
  return pending;
}

void Axis::raiseFactors(std::uint16_t bits) {
  factors_ |= bits & (modes_.wr1 >> 8);
}

bool Axis::inputActive(Input input) const {
  // A carriage at rest is in position; a moving one is not.
  if (input == Input::inPosition) return !motion_.driving;
  return carriage_.switchOperated(input);
}

std::uint8_t Axis::inputLevels() const {
  // Bit order of one byte of RR4/RR5.
  constexpr Input kLayout[8] = {Input::in0,     Input::in1,      Input::in2,        Input::in3,
                                Input::jogPlus, Input::jogMinus, Input::inPosition, Input::alarm};
  std::uint8_t levels = 0;
  for (int bitNumber = 0; bitNumber < 8; ++bitNumber) {
    if (carriage_.level(inputActive(kLayout[bitNumber]))) levels |= 1u << bitNumber;
  }
  return levels;
}

void Axis::advanceTo(SimTime time) {
  // Nothing moves yet: the axis only keeps the time its motion will start from.
  now_ = time;
}

}  // namespace m716::sim
