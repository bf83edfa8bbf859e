#include "axis.h"

#include <cmath>

namespace m716::sim {
namespace {

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

// The inputs IN0..IN3 that stop a drive: the WR1 bits that enable the stop and set the level,
// and the end status the stop latches.
struct InputStop {
  Input input;
  std::uint16_t enabled;
  std::uint16_t activeHigh;
  std::uint16_t endStatus;
};
constexpr InputStop kInputStops[] = {
    {Input::in0, wr1::kIn0Stops, wr1::kIn0ActiveHigh, rr1::kStoppedByIn0},
    {Input::in1, wr1::kIn1Stops, wr1::kIn1ActiveHigh, rr1::kStoppedByIn1},
    {Input::in2, wr1::kIn2Stops, wr1::kIn2ActiveHigh, rr1::kStoppedByIn2},
    {Input::in3, wr1::kIn3Stops, wr1::kIn3ActiveHigh, rr1::kStoppedByIn3},
};

// Where each input's level shows in the axis's byte of RR4/RR5.
struct InputLevel {
  Input input;
  std::uint8_t bit;
};
constexpr InputLevel kInputLevels[] = {
    {Input::in0, rr4::kIn0},
    {Input::in1, rr4::kIn1},
    {Input::in2, rr4::kIn2},
    {Input::in3, rr4::kIn3},
    {Input::jogPlus, rr4::kJogPlus},
    {Input::jogMinus, rr4::kJogMinus},
    {Input::inPosition, rr4::kInPosition},
    {Input::alarm, rr4::kAlarm},
};

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

void Axis::load(unsigned code, std::uint32_t value) {
  auto asSigned = static_cast<std::int32_t>(value);
  switch (code) {
    case cmd::kSetRange:
      registers_.range = value;
      break;
    case cmd::kSetJerk:
      registers_.jerk = value;
      break;
    case cmd::kSetAcceleration:
      registers_.acceleration = value;
      break;
    case cmd::kSetDeceleration:
      registers_.deceleration = value;
      break;
    case cmd::kSetStartSpeed:
      registers_.startSpeed = value;
      break;
    case cmd::kSetDriveSpeed:
      registers_.driveSpeed = value;
      break;
    case cmd::kSetPulses:
      registers_.pulses = asSigned;
      break;
    case cmd::kSetDecelerationPoint:
      registers_.decelerationPoint = value;
      break;
    case cmd::kSetCenter:
      registers_.center = asSigned;
      break;
    case cmd::kSetLogicalPosition:
      registers_.logicalPosition = asSigned;
      break;
    case cmd::kSetRealPosition:
      registers_.realPosition = asSigned;
      break;
    case cmd::kSetCompPlus:
      registers_.compPlus = asSigned;
      break;
    case cmd::kSetCompMinus:
      registers_.compMinus = asSigned;
      break;
    default:
      break;
  }
  // The counters and the compare registers.
  if (code >= cmd::kSetLogicalPosition) updateCompare();
}

void Axis::writeMode(int number, std::uint16_t value) {
  if (number == 1) modes_.wr1 = value;
  if (number == 2) modes_.wr2 = value;
  if (number == 3) modes_.wr3 = value;
  updateCompare();
}

std::int32_t Axis::comparedPosition() const {
  return anySet(modes_.wr2, wr2::kCompareWithEncoder) ? registers_.realPosition
                                                      : registers_.logicalPosition;
}

int Axis::encoderMultiple() const {
  const std::uint16_t mode = modes_.wr2;
  if (!anySet(mode, wr2::kEncoderAB) || anySet(mode, wr2::kEncoderQuarter)) return 1;
  return anySet(mode, wr2::kEncoderHalf) ? 2 : 4;
}

void Axis::updateCompare() {
  std::uint16_t holding = 0;
  holding |= belowCompMinus() ? rr3::kBelowCompMinus : rr3::kReachedCompMinus;
  holding |= reachedCompPlus() ? rr3::kReachedCompPlus : rr3::kBelowCompPlus;
  raiseFactors(static_cast<std::uint16_t>(holding & ~compareConditions_));
  compareConditions_ = holding;
}

std::uint16_t Axis::status1() const {
  std::uint16_t status =
      static_cast<std::uint16_t>((motion_.endStatus & rr1::kEndStatus) | motion_.phase);
  if (reachedCompPlus()) status |= rr1::kReachedCompPlus;
  if (belowCompMinus()) status |= rr1::kBelowCompMinus;
  return status;
}

std::uint16_t Axis::status2() const {
  const std::uint16_t mode = modes_.wr2;
  std::uint16_t status = 0;
  if (anySet(mode, wr2::kCompPlusLimit) && reachedCompPlus()) status |= rr2::kSoftLimitPlus;
  if (anySet(mode, wr2::kCompMinusLimit) && belowCompMinus()) status |= rr2::kSoftLimitMinus;
  if (seenActive(Input::limitPlus, anySet(mode, wr2::kLimitPlusActiveHigh))) {
    status |= rr2::kLimitPlus;
  }
  if (seenActive(Input::limitMinus, anySet(mode, wr2::kLimitMinusActiveHigh))) {
    status |= rr2::kLimitMinus;
  }
  if (anySet(mode, wr2::kAlarmEnabled) &&
      seenActive(Input::alarm, anySet(mode, wr2::kAlarmActiveHigh))) {
    status |= rr2::kAlarm;
  }
  if (emergency_) status |= rr2::kEmergency;
  return status;
}

std::uint16_t Axis::takeFactors() {
  std::uint16_t pending = factors_;
  factors_ = 0;
  return pending;
}

void Axis::raiseFactors(std::uint16_t bits) {
  factors_ = static_cast<std::uint16_t>(factors_ | (bits & enabledFactors()));
}

void Axis::forceInput(Input input, int state) {
  // Any negative state hands the input back, any positive one makes it active.
  const int forced = state < 0   ? M716SIM_STATE_MECHANICS
                     : state > 0 ? M716SIM_STATE_ACTIVE
                                 : M716SIM_STATE_INACTIVE;
  forced_[indexOf(input)] = static_cast<std::int8_t>(forced);
}

bool Axis::inputActive(Input input) const {
  const std::int8_t forced = forced_[indexOf(input)];
  if (forced != M716SIM_STATE_MECHANICS) return forced == M716SIM_STATE_ACTIVE;
  // A carriage at rest is in position; a moving one is not.
  if (input == Input::inPosition) return !motion_.moving;
  return carriage_.switchOperated(input);
}

std::uint8_t Axis::inputLevels() const {
  std::uint8_t levels = 0;
  for (const InputLevel& level : kInputLevels) {
    if (carriage_.level(inputActive(level.input))) levels |= level.bit;
  }
  return levels;
}

double Axis::speedUnit() const {
  // A range of 0 (after a chip reset, before any load) counts as the finest, 8 000 000.
  return registers_.range != 0 ? kReferenceClock / registers_.range : 1.0;
}

SpeedLimits Axis::speedLimits() const {
  const double unit = speedUnit();
  const std::uint16_t mode = modes_.wr3;
  const double acceleration = registers_.acceleration * kAccelerationScale * unit;
  const bool separate = anySet(mode, wr3::kSeparateDeceleration) && registers_.deceleration != 0;
  const bool sCurve = anySet(mode, wr3::kSCurve) && registers_.jerk != 0;
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
  raiseFactors(rr3::kPulse);
  updateCompare();
}

StopCause Axis::stopCause(int direction) const {
  const std::uint16_t mode = modes_.wr1;
  const std::uint16_t errors = status2();
  StopCause cause;
  auto add = [&cause](StopKind kind, std::uint16_t endStatus) {
    cause.kind = std::max(cause.kind, kind);
    cause.endStatus |= endStatus;
  };
  if (anySet(errors, rr2::kEmergency)) add(StopKind::immediate, rr1::kStoppedByEmergency);
  if (anySet(errors, rr2::kAlarm)) add(StopKind::immediate, rr1::kStoppedByAlarm);
  const StopKind limitStop =
      anySet(modes_.wr2, wr2::kLimitDecelerates) ? StopKind::decelerate : StopKind::immediate;
  if (direction > 0 && anySet(errors, rr2::kLimitPlus)) add(limitStop, rr1::kStoppedByLimitPlus);
  if (direction < 0 && anySet(errors, rr2::kLimitMinus)) add(limitStop, rr1::kStoppedByLimitMinus);
  for (const InputStop& stop : kInputStops) {
    if (anySet(mode, stop.enabled) && seenActive(stop.input, anySet(mode, stop.activeHigh))) {
      add(StopKind::decelerate, stop.endStatus);
    }
  }
  // The software limits.
  if (direction > 0 && anySet(errors, rr2::kSoftLimitPlus)) add(StopKind::decelerate, 0);
  if (direction < 0 && anySet(errors, rr2::kSoftLimitMinus)) add(StopKind::decelerate, 0);
  return cause;
}

void Axis::appendBoundaries(std::int64_t offset, std::vector<std::int64_t>& boundaries) const {
  const std::size_t first = boundaries.size();
  // The home and index inputs count where they may stop the drive.
  carriage_.appendSwitchEdges(boundaries, anySet(modes_.wr1, wr1::kIn3Stops),
                              anySet(modes_.wr1, wr1::kIn0Stops));
  for (std::size_t i = first; i < boundaries.size(); ++i) {
    boundaries[i] += offset - carriage_.position();
  }
  for (std::int32_t compare : {registers_.compPlus, registers_.compMinus}) {
    if (anySet(modes_.wr2, wr2::kCompareWithEncoder)) {
      boundaries.push_back(
          offset + ceilDiv(std::int64_t{compare} - registers_.realPosition, encoderMultiple()));
    } else {
      boundaries.push_back(offset + (std::int64_t{compare} - registers_.logicalPosition));
    }
  }
  // Every pulse is an event while its factor is enabled.
  if (anySet(enabledFactors(), rr3::kPulse))
    boundaries.insert(boundaries.end(), {offset, offset + 1});
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
  const std::uint16_t mode = modes_.wr2;
  return !anySet(mode, wr2::kInPositionEnabled) ||
         seenActive(Input::inPosition, anySet(mode, wr2::kInPositionActiveHigh));
}

void Axis::finishDrive(std::uint16_t endStatus) {
  motion_ = {.endStatus = endStatus};
  raiseFactors(rr3::kDriveEnded);
}

}  // namespace m716::sim
