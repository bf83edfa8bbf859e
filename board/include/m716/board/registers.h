#pragma once
// The board's ports and its motion chip's commands and register bits, each named once. The
// motion library, the interrupt driver and the programs use these names; the simulator keeps
// a table of its own on purpose, as an independent model that the tests check them against.
//
// Concurrency: constants only.

#include <cstdint>

namespace m716::chip {

// Port offsets from the board's base address (16-bit words). The chip's write registers WR0..WR7
// and read registers RR0..RR7 share the even offsets 0..14; WR1..WR3 and RR1..RR3 address the
// axes selected by the last command.
enum Port : std::uint16_t {
  WR0 = 0,   // command register / RR0 main status
  WR1 = 2,   // mode register 1 / RR1 status 1
  WR2 = 4,   // mode register 2 / RR2 status 2
  WR3 = 6,   // mode register 3 / RR3 status 3 (interrupt factors)
  WR4 = 8,   // output register / RR4 input register 1 (X low byte, Y high byte)
  WR5 = 10,  // interpolation mode register / RR5 input register 2 (Z low byte, U high byte)
  WR6 = 12,  // data register, low word
  WR7 = 14,  // data register, high word
  BoardControl = 16,
  ExternalDriveControl = 20,
  IrqSelect = 22,
  Eeprom = 26,
};
// The interrupt lines the board can select through its IRQ selection register.
constexpr std::uint16_t kIrqLowest = 4, kIrqHighest = 15;

constexpr std::uint16_t RR0 = WR0, RR1 = WR1, RR2 = WR2, RR3 = WR3, RR4 = WR4, RR5 = WR5, RR6 = WR6,
                        RR7 = WR7;

// Command codes written to WR0 as (axes << 8) | code.
enum Command : std::uint16_t {
  SetRange = 0x00,
  SetJerk = 0x01,
  SetAcceleration = 0x02,
  SetDeceleration = 0x03,
  SetStartSpeed = 0x04,
  SetDriveSpeed = 0x05,
  SetOutputPulses = 0x06,
  SetDecelerationPoint = 0x07,
  SetCircleCenter = 0x08,
  SetLogicalPosition = 0x09,
  SetRealPosition = 0x0A,
  SetComparePlus = 0x0B,
  SetCompareMinus = 0x0C,
  Select = 0x0F,
  ReadLogicalPosition = 0x10,
  ReadRealPosition = 0x11,
  ReadSpeed = 0x12,
  ReadAcceleration = 0x13,
  DriveFixedPlus = 0x20,
  DriveFixedMinus = 0x21,
  DriveContinuousPlus = 0x22,
  DriveContinuousMinus = 0x23,
  HoldStart = 0x24,     // the named axes take drive commands but do not start
  ReleaseStart = 0x25,  // held axes start together; clears the axes' end status
  StopDecelerating = 0x26,
  StopSudden = 0x27,
  InterpolateLine2 = 0x30,
  InterpolateLine3 = 0x31,
  InterpolateArcCw = 0x32,
  InterpolateArcCcw = 0x33,
  InterpolationDecelerationOn = 0x3B,
  InterpolationDecelerationOff = 0x3C,
  ClearInterpolationInterrupt = 0x3D,
};

constexpr std::uint16_t kReset = 0x8000;  // written to WR0: the whole chip to its power-up state

constexpr std::uint16_t commandWord(std::uint32_t axes, std::uint16_t code) {
  return static_cast<std::uint16_t>(((axes & 0x0F) << 8) | (code & 0xFF));
}

// WR1: active levels and stop enables of IN0..IN3 (IN0 the index, IN3 the home input) in the
// low byte, the interrupt enables of the factors of RR3 in the high byte.
namespace wr1 {
constexpr std::uint16_t In0High = 0x0001, In0Stops = 0x0002;
constexpr std::uint16_t In1High = 0x0004, In1Stops = 0x0008;
constexpr std::uint16_t In2High = 0x0010, In2Stops = 0x0020;
constexpr std::uint16_t In3High = 0x0040, In3Stops = 0x0080;
constexpr std::uint16_t InputBits = 0x00FF;
constexpr std::uint16_t InterruptEnables = 0xFF00;  // RR3's factors, shifted up by 8
constexpr std::uint16_t DriveEndInterrupt = 0x8000;
}  // namespace wr1

// WR2: limits, pulse output, encoder, alarm and in-position.
namespace wr2 {
constexpr std::uint16_t SoftLimitPlus = 0x0001;  // COMP+ stops motion in the + direction
constexpr std::uint16_t SoftLimitMinus = 0x0002;
constexpr std::uint16_t SoftLimits = SoftLimitPlus | SoftLimitMinus;
constexpr std::uint16_t LimitsDecelerate = 0x0004;  // else hardware limits stop at once
constexpr std::uint16_t LimitPlusHigh = 0x0008, LimitMinusHigh = 0x0010;
constexpr std::uint16_t CompareReal = 0x0020;  // compare against the real counter
constexpr std::uint16_t PulseAndDirection = 0x0040, PulseHigh = 0x0080, DirectionHighCw = 0x0100;
constexpr std::uint16_t EncoderHalf = 0x0400, EncoderQuarter = 0x0800;
constexpr std::uint16_t AlarmHigh = 0x1000, AlarmEnabled = 0x2000;
constexpr std::uint16_t InPositionHigh = 0x4000, InPositionEnabled = 0x8000;
}  // namespace wr2

// WR3: acceleration profile, external drive, general outputs OUT4..OUT7.
namespace wr3 {
constexpr std::uint16_t ManualDeceleration = 0x0001;    // deceleration starts at DP
constexpr std::uint16_t SeparateDeceleration = 0x0002;  // decelerate with D instead of A
constexpr std::uint16_t SCurve = 0x0004;
constexpr std::uint16_t JogDrive = 0x0008;
constexpr std::uint16_t HandWheelDrive = 0x0010;
constexpr std::uint16_t OutputsShowStatus = 0x0080;  // OUT4..OUT7 show CMP+, CMP-, ACC, DEC
constexpr std::uint16_t OutputLevels = 0x0F00;       // OUT4..OUT7, from bit 8
constexpr int OutputLevelsShift = 8;
// Every bit but the unused 5, 6 and 12..15.
constexpr std::uint16_t ModeBits = ManualDeceleration | SeparateDeceleration | SCurve | JogDrive |
                                   HandWheelDrive | OutputsShowStatus;
}  // namespace wr3

// WR5, the interpolation mode of the board: the index (X = 0 .. U = 3) of each axis of the path
// in its role (main axis first), the vector speed kept constant over two or three axes, and the
// interrupt of a continuous path when the chip can take its next segment.
namespace wr5 {
constexpr int RoleFieldBits = 2;  // role k's axis index in bits 2k and 2k + 1
constexpr std::uint16_t TwoAxisVectorSpeed = 0x0100;
constexpr std::uint16_t ThreeAxisVectorSpeed = 0x0300;
constexpr std::uint16_t NextSegmentInterrupt = 0x4000;
}  // namespace wr5

// RR0, the main status: one bit per axis X..U in each nibble.
namespace rr0 {
constexpr std::uint16_t Driving = 0x000F;
constexpr int ErrorShift = 4;  // RR0 bit 4 + axis index: the axis's RR2 bits 0..5 not all 0
constexpr std::uint16_t InterpolationDriving = 0x0100;
constexpr std::uint16_t NextSegmentTaken = 0x0200;  // the chip can take the next path segment
}  // namespace rr0

// RR1: the drive's phase and compare flags, and its end status: what stopped the last drive,
// latched when it stops and cleared by release or the next drive start.
namespace rr1 {
constexpr std::uint16_t AtOrAboveComparePlus = 0x0001, BelowCompareMinus = 0x0002;
constexpr std::uint16_t Accelerating = 0x0004, ConstantSpeed = 0x0008, Decelerating = 0x0010;
constexpr std::uint16_t StoppedByIn0 = 0x0100, StoppedByIn1 = 0x0200;
constexpr std::uint16_t StoppedByIn2 = 0x0400, StoppedByIn3 = 0x0800;
constexpr std::uint16_t StoppedByLimitPlus = 0x1000, StoppedByLimitMinus = 0x2000;
constexpr std::uint16_t StoppedByAlarm = 0x4000, StoppedByEmergency = 0x8000;
constexpr std::uint16_t EndStatus = 0xFF00;
constexpr int EndStatusShift = 8;
}  // namespace rr1

// RR2: limits, alarm and emergency stop active now.
namespace rr2 {
constexpr std::uint16_t SoftLimitPlus = 0x0001, SoftLimitMinus = 0x0002;
constexpr std::uint16_t LimitPlus = 0x0004, LimitMinus = 0x0008;
constexpr std::uint16_t Alarm = 0x0010, Emergency = 0x0020;
constexpr std::uint16_t Errors = 0x003F;
}  // namespace rr2

// RR3: the interrupt factors, latched when enabled in WR1's high byte, cleared by reading RR3.
namespace rr3 {
constexpr std::uint16_t Pulse = 0x0001;
constexpr std::uint16_t AtOrAboveCompareMinus = 0x0002, BelowCompareMinus = 0x0004;
constexpr std::uint16_t BelowComparePlus = 0x0008, AtOrAboveComparePlus = 0x0010;
constexpr std::uint16_t AccelerationEnded = 0x0020, DecelerationStarted = 0x0040;
constexpr std::uint16_t DriveEnded = 0x0080;
constexpr std::uint16_t Factors = 0x00FF;
}  // namespace rr3

// One axis's byte of RR4 / RR5: the raw input levels.
namespace input {
constexpr std::uint8_t In0 = 0x01, In1 = 0x02, In2 = 0x04, In3 = 0x08;
constexpr std::uint8_t JogPlus = 0x10, JogMinus = 0x20, InPosition = 0x40, Alarm = 0x80;
}  // namespace input

// The board's external drive control register: each axis's external drive mode, four bits
// from X up.
namespace external {
constexpr int ModeBitsPerAxis = 4;
constexpr std::uint16_t AxisMode = 0x000F;
}  // namespace external

// Ranges of the chip's registers; the library never loads a value outside them.
constexpr std::int64_t kMaxDistance = 268'435'455;  // pulses of one fixed-pulse drive
constexpr std::int64_t kMaxPathOffset = 8'388'607;  // finish point or center of an interpolation
constexpr std::uint32_t kRangeMin = 16'000, kRangeMax = 8'000'000;
constexpr std::uint32_t kJerkMin = 1, kJerkMax = 65'535;
constexpr std::uint32_t kAccelerationMin = 1, kAccelerationMax = 8000;
constexpr std::uint32_t kDecelerationMax = 8000;
constexpr std::uint32_t kSpeedMin = 1, kSpeedMax = 8000;

}  // namespace m716::chip
