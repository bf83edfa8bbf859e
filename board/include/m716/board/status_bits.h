#pragma once
// The names under which the programs show the chip's status bits: what stopped a drive (RR1's
// end status), the limits and alarms active now (RR2), an axis's raw inputs (its byte of RR4 /
// RR5) and the interrupt factors (RR3), each a table in bit order.
//
// Concurrency: constants only.

#include <cstdint>
#include <span>
#include <string>

#include "m716/board/registers.h"

namespace m716::chip {

struct NamedBit {
  std::uint16_t mask;
  const char* name;
};

inline constexpr NamedBit kStopCauseNames[] = {
    {rr1::StoppedByIn0, "IN0"},        {rr1::StoppedByIn1, "IN1"},
    {rr1::StoppedByIn2, "IN2"},        {rr1::StoppedByIn3, "IN3"},
    {rr1::StoppedByLimitPlus, "LMT+"}, {rr1::StoppedByLimitMinus, "LMT-"},
    {rr1::StoppedByAlarm, "alarm"},    {rr1::StoppedByEmergency, "emergency stop"},
};

inline constexpr NamedBit kLimitNames[] = {
    {rr2::SoftLimitPlus, "SLMT+"}, {rr2::SoftLimitMinus, "SLMT-"}, {rr2::LimitPlus, "LMT+"},
    {rr2::LimitMinus, "LMT-"},     {rr2::Alarm, "alarm"},          {rr2::Emergency, "emergency"},
};

inline constexpr NamedBit kInputNames[] = {
    {input::In0, "IN0"},          {input::In1, "IN1"},      {input::In2, "IN2"},
    {input::In3, "IN3"},          {input::JogPlus, "jog+"}, {input::JogMinus, "jog-"},
    {input::InPosition, "INPOS"}, {input::Alarm, "ALM"},
};

inline constexpr NamedBit kInterruptFactorNames[] = {
    {rr3::Pulse, "pulse"},
    {rr3::AtOrAboveCompareMinus, "P >= COMP-"},
    {rr3::BelowCompareMinus, "P < COMP-"},
    {rr3::BelowComparePlus, "P < COMP+"},
    {rr3::AtOrAboveComparePlus, "P >= COMP+"},
    {rr3::AccelerationEnded, "acceleration ended"},
    {rr3::DecelerationStarted, "deceleration started"},
    {rr3::DriveEnded, "drive ended"},
};

// The names of the bits set in `bits`, in table order and separated by spaces; "-" for none.
inline std::string namesOfBits(std::uint32_t bits, std::span<const NamedBit> names) {
  std::string text;
  for (const NamedBit& bit : names) {
    if (!(bits & bit.mask)) continue;
    if (!text.empty()) text += ' ';
    text += bit.name;
  }
  return text.empty() ? "-" : text;
}

}  // namespace m716::chip
