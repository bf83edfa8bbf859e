#pragma once
// The carriage an axis drives and the switches along its way. Its machine position moves one
// unit per output pulse and survives chip resets: a real machine does not move when software
// restarts.
//
// Concurrency: not synchronised; the simulator calls it under its mutex.

#include <cstdint>

#include "configuration.h"

namespace m716::sim {

// The inputs of one axis, numbered as the control API numbers them.
enum class Input : int {
  in0 = 0,  // index
  in1 = 1,
  in2 = 2,
  in3 = 3,  // home
  limitPlus = 4,
  limitMinus = 5,
  alarm = 6,
  inPosition = 7,
  jogPlus = 8,
  jogMinus = 9,
};

class Carriage {
 public:
  explicit Carriage(const AxisMechanics& mechanics)
      : mechanics_(mechanics), position_(mechanics.startPosition) {}

  std::int32_t position() const { return position_; }
  void moveTo(std::int32_t position) { position_ = position; }
  // Whether the switch wired to `input` is operated at the current position (inputs without
  // a switch on the carriage never are).
  bool switchOperated(Input input) const;
  // The level an input shows for a given activity, as the machine is wired.
  bool level(bool active) const { return active == mechanics_.activeHigh; }

 private:
  bool atIndex() const;

  AxisMechanics mechanics_;
  std::int32_t position_;
};

}  // namespace m716::sim
