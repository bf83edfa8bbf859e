#pragma once
// Port offsets of one board and the chip's command codes.

#include <cstdint>

namespace m716::chip {

// Port offsets from the board's base address (16-bit words).
enum Port : std::uint16_t {
  WR0 = 0,  // command register / RR0 main status
  WR1 = 2,  // mode register 1 of the selected axis / RR1 status 1
  WR2 = 4,  // mode register 2 / RR2 status 2
  WR3 = 6,  // mode register 3 / RR3 status 3 (interrupt factors)
  WR4 = 8,  // output register / RR4 input register 1
  WR5 = 10, // interpolation mode register / RR5 input register 2
  WR6 = 12, // data register, low word
  WR7 = 14, // data register, high word
  BoardControl = 16,
  ExternalDriveControl = 20,
  IrqSelect = 22,
  Eeprom = 26,
};
constexpr std::uint16_t RR0 = WR0, RR1 = WR1, RR2 = WR2, RR3 = WR3, RR4 = WR4, RR5 = WR5,
                        RR6 = WR6, RR7 = WR7;

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
  ClearInterpolationInterrupt = 0x3D,
  // The library's own codes for IssueAxisCommand: select, then load a mode register shadow.
  LoadWR1 = 0x40,
  LoadWR2 = 0x41,
  LoadWR3 = 0x42,
};

constexpr std::uint16_t kReset = 0x8000;

// Bits of the status and mode registers the library itself looks at.
constexpr std::uint16_t kDrivingBits = 0x000F;  // RR0: axes X..U driving
constexpr std::uint16_t kEndStatusBits = 0xFF00;  // RR1: what stopped the last drive
constexpr std::uint32_t kSCurveBit = 0x0004;      // WR3: S-curve acceleration

constexpr std::uint16_t commandWord(std::uint32_t axes, std::uint16_t code) {
  return static_cast<std::uint16_t>(((axes & 0x0F) << 8) | (code & 0xFF));
}

// Ranges of the chip's registers; the library never loads a value outside them.
// A drive's pulse count is at most kMaxDistance.
constexpr std::int64_t kMaxDistance = 268'435'455;
constexpr std::uint32_t kRangeMin = 16'000, kRangeMax = 8'000'000;
constexpr std::uint32_t kJerkMin = 1, kJerkMax = 65'535;
constexpr std::uint32_t kAccelerationMin = 1, kAccelerationMax = 8000;
constexpr std::uint32_t kDecelerationMax = 8000;
constexpr std::uint32_t kSpeedMin = 1, kSpeedMax = 8000;

}  // namespace m716::chip
