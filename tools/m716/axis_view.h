#pragma once
// How the m716 commands read and show axes: names, one snapshot of an axis, its stop causes,
// and a live progress line while axes drive.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace m716::tool {

// "X", "Y", "Z", "U" (either case) to the axis bit; nullopt for anything else.
std::optional<std::uint32_t> parseAxis(const std::string& name);
const char* axisName(std::uint32_t axis);

// Calls fn(axis bit) for each axis selected in `axes`, X first.
template <typename Fn>
void forEachSelected(std::uint32_t axes, Fn fn) {
  for (std::uint32_t axis = 1; axis <= 8; axis <<= 1)
    if (axes & axis) fn(axis);
}
// 0 for X .. 3 for U.
std::uint32_t axisIndex(std::uint32_t axis);
// The mask of axis names ("X", "z", ...); nullopt, after a message naming `command`, when one
// of them is not an axis.
std::optional<std::uint32_t> parseAxes(const std::vector<std::string>& names, const char* command);

struct AxisSnapshot {
  std::int32_t logical = 0;  // commanded position, pulses
  std::int32_t real = 0;     // encoder position, pulses
  std::uint32_t speed = 0;   // live speed, pps
  bool driving = false;
  bool error = false;
  std::uint16_t motionState = 0;  // RR1
  std::uint16_t motionInput = 0;  // RR2, bits 0..5
  std::uint16_t input = 0;        // input byte of the axis
};
AxisSnapshot readAxis(std::uint32_t board, std::uint32_t axis);

// What stopped the last drive, from RR1's end status ("-" when nothing did).
std::string stopCauses(std::uint16_t motionState);
// The active limits (RR2) and input signals, as words ("-" when none).
std::string activeLimits(std::uint16_t motionInput);
std::string activeInputs(std::uint16_t input);

// Shows one line with the position and speed of each selected axis, refreshed every 50 ms,
// until none of them drives. After `seconds`, or when a signal interrupts the program, it stops
// them (decelerating) and returns false.
// With a `label`, each line begins with it, and a line is shown whenever the label changes.
bool followUntilStopped(std::uint32_t board, std::uint32_t axes, double seconds,
                        const std::function<std::string()>& label = {});

// A position for each axis, X to U.
using Positions = std::array<std::int32_t, 4>;

// Whether every selected axis stands at its target; for each one that does not, a line on
// stderr says where it stopped and what stopped it (a limit, the alarm, the emergency stop).
bool reachedTargets(std::uint32_t board, std::uint32_t axes, const Positions& targets);

// A table of the selected axes: positions, speed, state, stop causes, limits and inputs.
void printAxes(std::uint32_t board, std::uint32_t axes);

}  // namespace m716::tool
