#include "axis.h"

#include <cmath>

namespace m716::sim {
namespace {

bool bit(std::uint16_t word, int number) {
  return (word >> number) & 1;
}

std::int64_t ceilDiv(std::int64_t value, std::int64_t divisor) {
  std::int64_t quotient = value / divisor;
  return quotient * divisor < value ? quotient + 1 : quotient;
}

std::uint32_t rounded(double value) {
  return static_cast<std::uint32_t>(std::lround(std::abs(value)));
}

constexpr double kReferenceClock = 8'000'000;  // pulses per second at range value 1
constexpr double kAccelerationScale = 125;     // acceleration units per speed unit
constexpr double kJerkScale = 62'500'000;

namespace wr2 {
constexpr int kCompareWithEncoder = 5;
constexpr int kEncoderAB = 9;
constexpr int kEncoderHalf = 10;
constexpr int kEncoderQuarter = 11;
constexpr int kAlarmActiveHigh = 12;
constexpr int kAlarmEnabled = 13;
constexpr int kInPositionActiveHigh = 14;
constexpr int kInPositionEnabled = 15;
}  // namespace wr2

namespace wr3 {
constexpr int kSeparateDeceleration = 1;
constexpr int kSCurve = 2;
}  // namespace wr3

}  // namespace

void Axis::reset() {
  registers_ = {};
  modes_ = {};
  motion_ = {};
  factors_ = 0;
  // The compare conditions as they hold now; only later changes latch factors.
  compareConditions_ = 0;
  updateCompare();
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
  if (code >= 0x09) updateCompare();
}

void Axis::writeMode(int number, std::uint16_t value) {
  if (number == 1) modes_.wr1 = value;
  if (number == 2) modes_.wr2 = value;
  if (number == 3) modes_.wr3 = value;
  updateCompare();
}

std::int32_t Axis::comparedPosition() const {
  return bit(modes_.wr2, wr2::kCompareWithEncoder) ? registers_.realPosition
                                                   : registers_.logicalPosition;
}

int Axis::encoderMultiple() const {
  if (!bit(modes_.wr2, wr2::kEncoderAB)) return 1;
  if (bit(modes_.wr2, wr2::kEncoderQuarter)) return 1;
  return bit(modes_.wr2, wr2::kEncoderHalf) ? 2 : 4;
}

void Axis::updateCompare() {
  const std::int32_t position = comparedPosition();
  std::uint16_t holding = 0;
  holding |= position >= registers_.compMinus ? factor::kReachedCompMinus : factor::kBelowCompMinus;
  holding |= position >= registers_.compPlus ? factor::kReachedCompPlus : factor::kBelowCompPlus;
  raiseFactors(static_cast<std::uint16_t>(holding & ~compareConditions_));
  compareConditions_ = holding;
}

std::uint16_t Axis::status1() const {
  std::uint16_t status = static_cast<std::uint16_t>((motion_.endStatus & 0xFF00) | motion_.phase);
  if (comparedPosition() >= registers_.compPlus) status |= 1u << 0;
  if (comparedPosition() < registers_.compMinus) status |= 1u << 1;
  return status;
}

std::uint16_t Axis::status2() const {
  const std::uint16_t wr2 = modes_.wr2;
  std::uint16_t status = 0;
  if (bit(wr2, 0) && comparedPosition() >= registers_.compPlus) status |= 1u << 0;
  if (bit(wr2, 1) && comparedPosition() < registers_.compMinus) status |= 1u << 1;
  if (seenActive(Input::limitPlus, bit(wr2, 3))) status |= 1u << 2;
  if (seenActive(Input::limitMinus, bit(wr2, 4))) status |= 1u << 3;
  if (bit(wr2, wr2::kAlarmEnabled) && seenActive(Input::alarm, bit(wr2, wr2::kAlarmActiveHigh))) {
    status |= 1u << 4;
  }
  if (emergency_) status |= 1u << 5;
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

void Axis::forceInput(Input input, int state) {
  forced_[static_cast<int>(input)] = static_cast<std::int8_t>(state < 0 ? -1 : state != 0);
}

bool Axis::inputActive(Input input) const {
  const std::int8_t forced = forced_[static_cast<int>(input)];
  if (forced >= 0) return forced == 1;
  // A carriage at rest is in position; a moving one is not.
  if (input == Input::inPosition) return !motion_.moving;
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

double Axis::speedUnit() const {
  // A range of 0 (after a chip reset, before any load) counts as the finest, 8 000 000.
  return registers_.range != 0 ? kReferenceClock / registers_.range : 1.0;
}

SpeedLimits Axis::speedLimits() const {
  const double unit = speedUnit();
  const std::uint16_t wr3 = modes_.wr3;
  const double acceleration = registers_.acceleration * kAccelerationScale * unit;
  const bool separate = bit(wr3, wr3::kSeparateDeceleration) && registers_.deceleration != 0;
  const bool sCurve = bit(wr3, wr3::kSCurve) && registers_.jerk != 0;
  return {
      .startSpeed = registers_.startSpeed * unit,
      .driveSpeed = registers_.driveSpeed * unit,
      .acceleration = acceleration,
      .deceleration = separate ? registers_.deceleration * kAccelerationScale * unit : acceleration,
      .jerk = sCurve ? kJerkScale * unit / registers_.jerk : 0};
}

double Axis::initialSpeed() const {
  return std::min(registers_.startSpeed, registers_.driveSpeed) * speedUnit();
}

void Axis::beginDrive() {
  motion_ = {.driving = true, .moving = true};
}

void Axis::shift(std::int64_t pulses) {
  if (pulses == 0) return;
  registers_.logicalPosition = static_cast<std::int32_t>(registers_.logicalPosition + pulses);
  registers_.realPosition =
      static_cast<std::int32_t>(registers_.realPosition + pulses * encoderMultiple());
  carriage_.moveBy(pulses);
  raiseFactors(factor::kPulse);
  updateCompare();
}

StopCause Axis::stopCause(int direction) const {
  const std::uint16_t wr1 = modes_.wr1;
  const std::uint16_t wr2 = modes_.wr2;
  StopCause cause;
  auto add = [&cause](StopKind kind, std::uint16_t endStatus) {
    cause.kind = std::max(cause.kind, kind);
    cause.endStatus |= endStatus;
  };
  if (emergency_) add(StopKind::immediate, stopped::kByEmergency);
  if (bit(wr2, wr2::kAlarmEnabled) && seenActive(Input::alarm, bit(wr2, wr2::kAlarmActiveHigh))) {
    add(StopKind::immediate, stopped::kByAlarm);
  }
  const StopKind limitStop = bit(wr2, 2) ? StopKind::decelerate : StopKind::immediate;
  if (direction > 0 && seenActive(Input::limitPlus, bit(wr2, 3))) {
    add(limitStop, stopped::kByLimitPlus);
  }
  if (direction < 0 && seenActive(Input::limitMinus, bit(wr2, 4))) {
    add(limitStop, stopped::kByLimitMinus);
  }
  for (int k = 0; k < 4; ++k) {
    if (bit(wr1, 2 * k + 1) && seenActive(static_cast<Input>(k), bit(wr1, 2 * k))) {
      add(StopKind::decelerate, static_cast<std::uint16_t>(stopped::kByInput0 << k));
    }
  }
  const std::int32_t position = comparedPosition();
  if (direction > 0 && bit(wr2, 0) && position >= registers_.compPlus) {
    add(StopKind::decelerate, 0);
  }
  if (direction < 0 && bit(wr2, 1) && position < registers_.compMinus) {
    add(StopKind::decelerate, 0);
  }
  return cause;
}

void Axis::appendBoundaries(std::int64_t offset, std::vector<std::int64_t>& boundaries) const {
  const std::size_t first = boundaries.size();
  carriage_.appendSwitchEdges(boundaries, bit(modes_.wr1, 7), bit(modes_.wr1, 1));
  for (std::size_t i = first; i < boundaries.size(); ++i) {
    boundaries[i] += offset - carriage_.position();
  }
  for (std::int32_t compare : {registers_.compPlus, registers_.compMinus}) {
    if (bit(modes_.wr2, wr2::kCompareWithEncoder)) {
      boundaries.push_back(
          offset + ceilDiv(std::int64_t{compare} - registers_.realPosition, encoderMultiple()));
    } else {
      boundaries.push_back(offset + (std::int64_t{compare} - registers_.logicalPosition));
    }
  }
  if (bit(modes_.wr1, 8)) boundaries.insert(boundaries.end(), {offset, offset + 1});
}

void Axis::showMotion(const Kinematics& path, double speedShare, std::uint16_t phase) {
  const double unit = speedUnit();
  motion_.moving = true;
  motion_.speed = rounded(path.speed * speedShare / unit);
  motion_.acceleration = rounded(path.acceleration * speedShare / (kAccelerationScale * unit));
  motion_.phase = phase;
}

void Axis::stopMoving() {
  motion_.moving = false;
  motion_.speed = motion_.acceleration = 0;
  motion_.phase = 0;
}

bool Axis::inPosition() const {
  const std::uint16_t wr2 = modes_.wr2;
  return !bit(wr2, wr2::kInPositionEnabled) ||
         seenActive(Input::inPosition, bit(wr2, wr2::kInPositionActiveHigh));
}

void Axis::finishDrive(std::uint16_t endStatus) {
  motion_ = {.endStatus = endStatus};
  raiseFactors(factor::kDriveEnded);
}

}  // namespace m716::sim
