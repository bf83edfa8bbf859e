#pragma once
// The board's ports, the chip's command codes and the bits of its registers, as the simulator
// models them: each bit named once, grouped by register.
//
// The simulator keeps this table of its own on purpose, apart from the library's header: it is
// an independent model of the chip, and the library's tests are checked against it. Were both
// to share one table, a wrong bit would agree with itself and pass.

#include <bit>
#include <concepts>
#include <cstddef>
#include <cstdint>

namespace m716::sim {

// Whether any of `bits` is set in `word`.
constexpr bool anySet(std::uint16_t word, std::uint16_t bits) {
  return (word & bits) != 0;
}

// The field `mask` of `word`, shifted down to bit 0.
template <std::unsigned_integral Word>
constexpr Word field(Word word, Word mask) {
  return static_cast<Word>((word & mask) >> std::countr_zero(mask));
}

// The bit of axis `index` in a field of one bit per axis, X in its lowest bit.
constexpr std::uint16_t axisBit(std::uint16_t perAxis, std::size_t index) {
  const auto lowest = static_cast<std::size_t>(std::countr_zero(perAxis));
  return static_cast<std::uint16_t>(1u << (lowest + index));
}

// Offsets from the board's base address. The chip's write register WRn and read register RRn
// share offset 2·n.
namespace port {
inline constexpr std::uint32_t kCommand = 0;                // WR0 command / RR0 main status
inline constexpr std::uint32_t kMode1 = 2;                  // WR1 / RR1 status 1
inline constexpr std::uint32_t kMode2 = 4;                  // WR2 / RR2 status 2
inline constexpr std::uint32_t kMode3 = 6;                  // WR3 / RR3 interrupt factors
inline constexpr std::uint32_t kOutputs = 8;                // WR4 / RR4 inputs of X and Y
inline constexpr std::uint32_t kInterpolation = 10;         // WR5 / RR5 inputs of Z and U
inline constexpr std::uint32_t kDataLow = 12;               // WR6 / RR6
inline constexpr std::uint32_t kDataHigh = 14;              // WR7 / RR7
inline constexpr std::uint32_t kBoardControl = 16;          // write only
inline constexpr std::uint32_t kExternalDriveControl = 20;  // write only
inline constexpr std::uint32_t kIrqSelection = 22;          // reads back what was written
inline constexpr std::uint32_t kEeprom = 26;                // the EEPROM's serial lines
}  // namespace port

// What a port that nothing drives reads.
inline constexpr std::uint16_t kUndriven = 0xFFFF;

namespace wr0 {
inline constexpr std::uint16_t kAxes = 0x0F00;  // the axes the command selects, X in bit 8
inline constexpr std::uint16_t kCode = 0x00FF;
inline constexpr std::uint16_t kReset = 0x8000;  // this word alone resets the chip
}  // namespace wr0

// Command codes (WR0 bits 0..7).
namespace cmd {
// Write data: WR6 (and WR7) into a register of every selected axis.
inline constexpr unsigned kSetRange = 0x00;              // R
inline constexpr unsigned kSetJerk = 0x01;               // K
inline constexpr unsigned kSetAcceleration = 0x02;       // A
inline constexpr unsigned kSetDeceleration = 0x03;       // D
inline constexpr unsigned kSetStartSpeed = 0x04;         // SV
inline constexpr unsigned kSetDriveSpeed = 0x05;         // V
inline constexpr unsigned kSetPulses = 0x06;             // P
inline constexpr unsigned kSetDecelerationPoint = 0x07;  // DP
inline constexpr unsigned kSetCenter = 0x08;             // C
inline constexpr unsigned kSetLogicalPosition = 0x09;    // LP
inline constexpr unsigned kSetRealPosition = 0x0A;       // EP
inline constexpr unsigned kSetCompPlus = 0x0B;           // COMP+
inline constexpr unsigned kSetCompMinus = 0x0C;          // COMP-
inline constexpr unsigned kSelect = 0x0F;                // sets the selection, nothing else
// Read data: a value of the lowest selected axis into RR6 (low) and RR7 (high).
inline constexpr unsigned kReadLogicalPosition = 0x10;
inline constexpr unsigned kReadRealPosition = 0x11;
inline constexpr unsigned kReadSpeed = 0x12;
inline constexpr unsigned kReadAcceleration = 0x13;
// Drives and stops of the selected axes.
inline constexpr unsigned kFixedPlus = 0x20;
inline constexpr unsigned kFixedMinus = 0x21;
inline constexpr unsigned kContinuousPlus = 0x22;
inline constexpr unsigned kContinuousMinus = 0x23;
inline constexpr unsigned kHold = 0x24;
inline constexpr unsigned kRelease = 0x25;
inline constexpr unsigned kDeceleratingStop = 0x26;
inline constexpr unsigned kImmediateStop = 0x27;
// Interpolation of the axes WR5 names.
inline constexpr unsigned kLine2 = 0x30;
inline constexpr unsigned kLine3 = 0x31;
inline constexpr unsigned kArcClockwise = 0x32;
inline constexpr unsigned kArcCounterClockwise = 0x33;
inline constexpr unsigned kDecelerationValid = 0x3B;
inline constexpr unsigned kDecelerationInvalid = 0x3C;
inline constexpr unsigned kClearInterpolationInterrupt = 0x3D;
}  // namespace cmd

namespace wr1 {
// IN0..IN3 stop a drive, decelerating, while active at their level.
inline constexpr std::uint16_t kIn0ActiveHigh = 1u << 0;
inline constexpr std::uint16_t kIn0Stops = 1u << 1;
inline constexpr std::uint16_t kIn1ActiveHigh = 1u << 2;
inline constexpr std::uint16_t kIn1Stops = 1u << 3;
inline constexpr std::uint16_t kIn2ActiveHigh = 1u << 4;
inline constexpr std::uint16_t kIn2Stops = 1u << 5;
inline constexpr std::uint16_t kIn3ActiveHigh = 1u << 6;
inline constexpr std::uint16_t kIn3Stops = 1u << 7;
// Enables the interrupt factors, in the order of their RR3 bits.
inline constexpr std::uint16_t kFactorEnables = 0xFF00;
}  // namespace wr1

namespace wr2 {
inline constexpr std::uint16_t kCompPlusLimit = 1u << 0;     // COMP+ is the + software limit
inline constexpr std::uint16_t kCompMinusLimit = 1u << 1;    // COMP- is the - software limit
inline constexpr std::uint16_t kLimitDecelerates = 1u << 2;  // else the limits stop at once
inline constexpr std::uint16_t kLimitPlusActiveHigh = 1u << 3;
inline constexpr std::uint16_t kLimitMinusActiveHigh = 1u << 4;
inline constexpr std::uint16_t kCompareWithEncoder = 1u << 5;  // compare EP, else LP
inline constexpr std::uint16_t kEncoderAB = 1u << 9;        // two-phase encoder input, counted ×4
inline constexpr std::uint16_t kEncoderHalf = 1u << 10;     // with kEncoderAB: ×2
inline constexpr std::uint16_t kEncoderQuarter = 1u << 11;  // with kEncoderAB: ×1
inline constexpr std::uint16_t kAlarmActiveHigh = 1u << 12;
inline constexpr std::uint16_t kAlarmEnabled = 1u << 13;
inline constexpr std::uint16_t kInPositionActiveHigh = 1u << 14;
inline constexpr std::uint16_t kInPositionEnabled = 1u << 15;
}  // namespace wr2

namespace wr3 {
inline constexpr std::uint16_t kManualDeceleration = 1u << 0;    // decelerate from DP
inline constexpr std::uint16_t kSeparateDeceleration = 1u << 1;  // D, else A, for slowing down
inline constexpr std::uint16_t kSCurve = 1u << 2;
inline constexpr std::uint16_t kJogMode = 1u << 3;
inline constexpr std::uint16_t kHandWheelMode = 1u << 4;
}  // namespace wr3

// The axes of an interpolation (0..3 for X..U), and its continuous mode.
namespace wr5 {
inline constexpr std::uint16_t kFirstAxis = 0x0003;
inline constexpr std::uint16_t kSecondAxis = 0x000C;
inline constexpr std::uint16_t kThirdAxis = 0x0030;
inline constexpr std::uint16_t kContinuous = 1u << 14;
}  // namespace wr5

namespace rr0 {
inline constexpr std::uint16_t kDriving = 0x000F;  // one bit per axis
inline constexpr std::uint16_t kError = 0x00F0;    // one bit per axis: RR2 shows an error
inline constexpr std::uint16_t kInterpolating = 1u << 8;
// A continuous interpolation runs and takes the next segment.
inline constexpr std::uint16_t kSegmentWanted = 1u << 9;
}  // namespace rr0

namespace rr1 {
inline constexpr std::uint16_t kReachedCompPlus = 1u << 0;  // P >= COMP+
inline constexpr std::uint16_t kBelowCompMinus = 1u << 1;   // P < COMP-
// The phase of the drive in progress.
inline constexpr std::uint16_t kAccelerating = 1u << 2;
inline constexpr std::uint16_t kConstantSpeed = 1u << 3;
inline constexpr std::uint16_t kDecelerating = 1u << 4;
inline constexpr std::uint16_t kAccelerationRising = 1u << 5;  // S-curve parts of a ramp
inline constexpr std::uint16_t kAccelerationSteady = 1u << 6;
inline constexpr std::uint16_t kAccelerationFalling = 1u << 7;
// The end status: what stopped the last drive.
inline constexpr std::uint16_t kStoppedByIn0 = 1u << 8;
inline constexpr std::uint16_t kStoppedByIn1 = 1u << 9;
inline constexpr std::uint16_t kStoppedByIn2 = 1u << 10;
inline constexpr std::uint16_t kStoppedByIn3 = 1u << 11;
inline constexpr std::uint16_t kStoppedByLimitPlus = 1u << 12;
inline constexpr std::uint16_t kStoppedByLimitMinus = 1u << 13;
inline constexpr std::uint16_t kStoppedByAlarm = 1u << 14;
inline constexpr std::uint16_t kStoppedByEmergency = 1u << 15;
inline constexpr std::uint16_t kEndStatus =
    kStoppedByIn0 | kStoppedByIn1 | kStoppedByIn2 | kStoppedByIn3 | kStoppedByLimitPlus |
    kStoppedByLimitMinus | kStoppedByAlarm | kStoppedByEmergency;
}  // namespace rr1

// The errors of an axis.
namespace rr2 {
inline constexpr std::uint16_t kSoftLimitPlus = 1u << 0;
inline constexpr std::uint16_t kSoftLimitMinus = 1u << 1;
inline constexpr std::uint16_t kLimitPlus = 1u << 2;
inline constexpr std::uint16_t kLimitMinus = 1u << 3;
inline constexpr std::uint16_t kAlarm = 1u << 4;
inline constexpr std::uint16_t kEmergency = 1u << 5;
inline constexpr std::uint16_t kErrors =
    kSoftLimitPlus | kSoftLimitMinus | kLimitPlus | kLimitMinus | kAlarm | kEmergency;
}  // namespace rr2

// The interrupt factors; reading RR3 clears them.
namespace rr3 {
inline constexpr std::uint16_t kPulse = 1u << 0;
inline constexpr std::uint16_t kReachedCompMinus = 1u << 1;  // P >= COMP-
inline constexpr std::uint16_t kBelowCompMinus = 1u << 2;    // P < COMP-
inline constexpr std::uint16_t kBelowCompPlus = 1u << 3;     // P < COMP+
inline constexpr std::uint16_t kReachedCompPlus = 1u << 4;   // P >= COMP+
inline constexpr std::uint16_t kAccelerationEnded = 1u << 5;
inline constexpr std::uint16_t kDecelerationStarted = 1u << 6;
inline constexpr std::uint16_t kDriveEnded = 1u << 7;
}  // namespace rr3

// The input levels of one axis: a byte of RR4 (X low, Y high) or RR5 (Z low, U high).
namespace rr4 {
inline constexpr std::uint8_t kIn0 = 1u << 0;
inline constexpr std::uint8_t kIn1 = 1u << 1;
inline constexpr std::uint8_t kIn2 = 1u << 2;
inline constexpr std::uint8_t kIn3 = 1u << 3;
inline constexpr std::uint8_t kJogPlus = 1u << 4;
inline constexpr std::uint8_t kJogMinus = 1u << 5;
inline constexpr std::uint8_t kInPosition = 1u << 6;
inline constexpr std::uint8_t kAlarm = 1u << 7;
}  // namespace rr4

// The EEPROM port's lines.
namespace eepromPort {
inline constexpr std::uint16_t kDataOut = 1u << 0;  // read
inline constexpr std::uint16_t kDataIn = 1u << 1;   // written
inline constexpr std::uint16_t kClock = 1u << 2;
inline constexpr std::uint16_t kSelect = 1u << 3;
}  // namespace eepromPort

}  // namespace m716::sim
