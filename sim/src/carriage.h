#pragma once
// The carriage an axis drives and the switches along its way. Its machine position moves one
// unit per output pulse and survives chip resets: a real machine does not move when software
// restarts.
//
// The limit and home switches have one pulse of hysteresis: a switch operates as the carriage
// enters its zone and releases only once the carriage is more than one pulse out of it. The
// index mark is one pulse wide and has none.
//
// Concurrency: not synchronised; the simulator calls it under its mutex.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "configuration.h"
#include "m716sim.h"

namespace m716::sim {

// The inputs of one axis, numbered as the control API numbers them.
enum class Input : int {
  in0 = M716SIM_INPUT_IN0,  // index
  in1 = M716SIM_INPUT_IN1,
  in2 = M716SIM_INPUT_IN2,
  in3 = M716SIM_INPUT_IN3,  // home
  limitPlus = M716SIM_INPUT_LIMIT_PLUS,
  limitMinus = M716SIM_INPUT_LIMIT_MINUS,
  alarm = M716SIM_INPUT_ALARM,
  inPosition = M716SIM_INPUT_IN_POSITION,
  jogPlus = M716SIM_INPUT_JOG_PLUS,
  jogMinus = M716SIM_INPUT_JOG_MINUS,
};
// The board-wide emergency stop input follows the axis's own.
inline constexpr std::size_t kInputCount = M716SIM_INPUT_EMERGENCY_STOP;
constexpr std::size_t indexOf(Input input) {
  return static_cast<std::size_t>(input);
}

class Carriage {
 public:
  explicit Carriage(const AxisMechanics& mechanics);

  std::int32_t position() const { return position_; }
  // Moves by output pulses; the switches follow with their hysteresis.
  void moveBy(std::int64_t pulses);
  // Puts the carriage at `position` by hand: the switches show the state there afresh.
  void placeAt(std::int32_t position);
  // Whether the switch wired to `input` is operated (inputs without a switch on the carriage
  // never are).
  bool switchOperated(Input input) const;
  // The level an input shows for a given activity, as the machine is wired.
  bool level(bool active) const { return active == mechanics_.activeHigh; }
  // The machine positions at which a switch may change, as p: the change happens between
  // p - 1 and p. Index marks count only with `withIndex`, the home zone only with `withHome`.
  void appendSwitchEdges(std::vector<std::int64_t>& edges, bool withHome, bool withIndex) const;

 private:
  // A switch operated in [from, to] (either end open-ended).
  struct Zone {
    std::int64_t from;
    std::int64_t to;
    bool operated = false;
    void follow(std::int64_t position, bool fresh);
  };

  bool atIndex() const;

  AxisMechanics mechanics_;
  std::int32_t position_;
  Zone limitPlus_;
  Zone limitMinus_;
  Zone home_;
};

}  // namespace m716::sim
