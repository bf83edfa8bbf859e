#pragma once
// The board table: one record per board, process-wide, holding the board's stored defaults
// (device/parameters.h) at library load, until an open loads its own. The library
// keeps a shadow of every per-axis parameter and mode register here and never reads them back
// from the chip; the interrupt blocks it shares with the interrupt driver live beside it.
//
// Concurrency: a board's record is used by one thread at a time (the caller's), except the
// fields the interrupt driver writes in the interrupt block and the fields a home search's
// worker writes for its axis (searchWr1, searchWr2, rangeInForce, multiplierInForce, sv, dv):
// the worker and the calls that read or write those hold the board's bus lock.

#include <array>
#include <cstdint>

#include "KRVM716_driver.h"
#include "m716/platform/events.h"

namespace m716 {

constexpr std::uint32_t kBoardCount = 16;
constexpr std::uint32_t kAxisCount = 4;
constexpr std::uint32_t kAllAxes = 0x0F;

// Speeds in pulses per second, accelerations in pps/s, jerk in pps/s².
struct ConfiguredSpeeds {
  std::uint32_t sv = 0, dv = 0, ac = 0, ak = 0;
};

// Bits a home search forces in one mode register of its axis while it runs: every load of the
// register gives its shadow with `off` cleared and `on` set. Both are 0 outside a search.
struct SearchBits {
  std::uint16_t on = 0, off = 0;

  constexpr std::uint16_t over(std::uint32_t shadow) const {
    return static_cast<std::uint16_t>((shadow & ~std::uint32_t{off}) | on);
  }
  friend constexpr bool operator==(const SearchBits&, const SearchBits&) = default;
};

struct AxisRecord {
  std::int32_t realPosition = 0;
  std::int32_t logicalPosition = 0;
  std::int32_t pcmp = 0;  // COMP+
  std::int32_t ncmp = 0;  // COMP-
  std::int32_t plmt = 0;  // positive software travel limit
  std::int32_t nlmt = 0;  // negative software travel limit
  std::int32_t liveSpeed = 0;
  std::int32_t liveAcceleration = 0;
  std::int32_t outputPulses = 0;
  std::int32_t circleCenter = 0;
  std::uint32_t wr1 = 0, wr2 = 0, wr3 = 0;  // mode register shadows
  // What the axis's home search forces in WR1 and WR2 over their shadows; set and cleared by
  // the search under the board's bus lock.
  SearchBits searchWr1, searchWr2;

  ConfiguredSpeeds configured;
  double multiplier = 0;  // speed multiplier: 8 000 000 / range
  std::uint32_t rg = 0;   // range parameter
  // The range last loaded into the chip and the multiplier the speeds loaded with it were
  // converted by: live speed readings and speed changes during a drive use these.
  std::uint32_t rangeInForce = 0;
  double multiplierInForce = 0;
  // Working speed set, read by the conversions into chip values.
  std::uint32_t sv = 0, dv = 0, mdv = 0, ac = 0, ak = 0, dc = 0;
  std::uint32_t decelerationPoint = 0;

  std::uint32_t homeMode = 0;
  std::int32_t homeOffset = 0;
  std::uint32_t homeType = 0, homeP0Dir = 0, homeP0Speed = 0, homeP1Dir = 0, homeP1Speed = 0,
                homeP2Dir = 0, homeOffsetSpeed = 0;
};

struct InterpolationSet {
  double multiplier = 0;
  std::uint32_t range = 0;
  std::uint32_t sCurve = 0;  // 1 S-curve, 0 T-curve
  std::uint32_t sv = 0, dv = 0, mdv = 0, ac = 0, ak = 0, dc = 0;
};

struct BoardRecord {
  std::uint16_t baseAddress = 0;
  std::uint16_t irq = 0;
  // Set once an open has read the board's base address from the registry; until then no port
  // of the board is ever touched.
  bool bound = false;
  bool open = false;

  std::array<AxisRecord, kAxisCount> axes{};
  InterpolationSet interpolation;
  std::uint32_t lastDecelerationPoint = 0;
  std::uint32_t manualDeceleration = 0;
  std::int32_t decelerationOffset = 0;

  std::uint8_t externalAxes = 0;      // axes in external (jog, hand-wheel) drive mode
  std::uint16_t externalControl = 0;  // each axis's external drive mode, 4 bits from X up
  std::uint32_t lastInterruptFactors = 0;
  // The main axis of the interpolation last started (line, arc, circle or continuous path):
  // 0 until the first; a path speed change goes to it.
  std::uint8_t pathFirstAxis = 0;
  // The axes of the continuous path last started; 0 until the first.
  std::uint8_t pathAxes = 0;

  // Opened and closed by board_events.h, which also hands out the waits on the interrupt event.
  platform::EventHandle interruptEvent = nullptr;
  platform::EventHandle homeEvent = nullptr;
};

extern std::array<BoardRecord, kBoardCount> boards;
extern std::array<M716InterruptBlock, kBoardCount> interruptBlocks;

// Index of a one-axis mask: 1 -> 0, 2 -> 1, 4 -> 2, 8 -> 3. Other masks are clipped into the
// four entries, so no caller can reach beyond them.
constexpr std::uint32_t axisIndex(std::uint32_t axisMask) {
  const std::uint32_t shifted = (axisMask & 0x0F) >> 1;
  return shifted >= 4 ? 3 : shifted;
}

constexpr bool isBoardNumber(std::uint32_t board) {
  return (board & 0xFF) < kBoardCount;
}
constexpr bool isOneAxis(std::uint32_t axes) {
  const std::uint32_t a = axes & 0xFF;
  return a == 1 || a == 2 || a == 4 || a == 8;
}

// A selection of one to four axes (1..15).
constexpr bool isAxisSelection(std::uint32_t axes) {
  const std::uint32_t a = axes & 0xFF;
  return a >= 1 && a <= kAllAxes;
}

// Calls fn(mask, index) for each axis selected in `axes`, in the order X, Y, Z, U.
template <typename Fn>
void forEachAxis(std::uint32_t axes, Fn&& fn) {
  for (std::uint32_t index = 0; index < kAxisCount; ++index) {
    const std::uint32_t mask = 1u << index;
    if (axes & mask) fn(mask, index);
  }
}

}  // namespace m716
