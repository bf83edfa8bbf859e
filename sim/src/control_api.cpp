// The C control API of m716sim.h over the simulator. No exception leaves it: a call that
// fails inside answers as if no board were there.

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "m716sim.h"
#include "simulator.h"

namespace {

using m716::sim::Board;
using m716::sim::Chip;
using m716::sim::Input;
using m716::sim::Simulator;

// The index of the axis a mask names: X = 1, Y = 2, Z = 4, U = 8.
std::optional<std::size_t> axisIndex(std::uint32_t mask) {
  switch (mask) {
    case 1:
      return 0;
    case 2:
      return 1;
    case 4:
      return 2;
    case 8:
      return 3;
    default:
      return std::nullopt;
  }
}

template <class Result, class Call>
Result guarded(Result fallback, Call call) noexcept {
  try {
    return call();
  } catch (...) {
    return fallback;
  }
}

template <class Call>
void guarded(Call call) noexcept {
  try {
    call();
  } catch (...) {
  }
}

// Answers `action(Board&)` for the board at `base`; `absent` without such a board.
template <class Result, class Action>
Result onBoard(std::uint32_t base, Result absent, Action action) noexcept {
  return guarded(absent, [&] { return Simulator::instance().onBoard(base, absent, action); });
}

// Answers `action(Board&, axis index)` for the axis; `absent` without such a board or axis.
template <class Result, class Action>
Result onAxis(std::uint32_t base, std::uint32_t axis, Result absent, Action action) noexcept {
  std::optional<std::size_t> index = axisIndex(axis);
  if (!index) return absent;
  return onBoard(base, absent, [&](Board& board) { return action(board, *index); });
}

// Runs `action(Chip&, axis index)` on the axis, when there is such a board and axis.
template <class Action>
void actOnAxis(std::uint32_t base, std::uint32_t axis, Action action) noexcept {
  onAxis(base, axis, 0, [&](Board& board, std::size_t index) {
    action(board.chip(), index);
    return 0;
  });
}

}  // namespace

uint32_t M716SimBoardPresent(uint32_t base) {
  return onBoard(base, 0u, [](Board&) { return 1u; });
}

void M716SimSetSpeedFactor(double factor) {
  guarded([&] { Simulator::instance().setSpeedFactor(factor); });
}

double M716SimSpeedFactor(void) {
  return guarded(0.0, [] { return Simulator::instance().speedFactor(); });
}

void M716SimAdvance(double seconds) {
  guarded([&] { Simulator::instance().advance(seconds); });
}

void M716SimSetInterruptLatency(double seconds) {
  guarded([&] { Simulator::instance().setInterruptLatency(seconds); });
}

void M716SimTakeInterruptLatency(M716SimLatency* latency) {
  if (latency == nullptr) return;
  *latency = M716SimLatency{};
  guarded([&] {
    std::vector<double> samples = Simulator::instance().takeLatencies();
    if (samples.empty()) return;
    std::sort(samples.begin(), samples.end());
    // The nearest-rank percentile: the smallest sample with `share` of them at or below it.
    auto rank = [&](double share) {
      const auto index =
          static_cast<std::size_t>(std::ceil(share * static_cast<double>(samples.size())));
      return samples[std::max<std::size_t>(index, 1) - 1];
    };
    latency->count = static_cast<std::uint32_t>(samples.size());
    latency->medianMicroseconds = rank(0.5);
    latency->p99Microseconds = rank(0.99);
    latency->maxMicroseconds = samples.back();
  });
}

double M716SimTime(void) {
  return guarded(0.0, [] { return Simulator::instance().time(); });
}

void M716SimForceInput(uint32_t base, uint32_t axis, uint32_t input, int32_t state) {
  if (input == M716SIM_INPUT_EMERGENCY_STOP) {
    onBoard(base, 0, [&](Board& board) {
      board.chip().forceEmergency(state);
      return 0;
    });
  } else if (input < M716SIM_INPUT_EMERGENCY_STOP) {
    actOnAxis(base, axis, [&](Chip& chip, std::size_t index) {
      chip.forceInput(index, static_cast<Input>(input), state);
    });
  }
}

void M716SimHandWheel(uint32_t base, uint32_t axis, int32_t steps) {
  actOnAxis(base, axis, [&](Chip& chip, std::size_t index) { chip.turnHandWheel(index, steps); });
}

int32_t M716SimMachinePosition(uint32_t base, uint32_t axis) {
  return onAxis(base, axis, 0, [](Board& board, std::size_t index) {
    return board.chip().axis(index).carriage().position();
  });
}

void M716SimSetMachinePosition(uint32_t base, uint32_t axis, int32_t position) {
  actOnAxis(base, axis,
            [&](Chip& chip, std::size_t index) { chip.placeCarriage(index, position); });
}

uint32_t M716SimDriveStarts(uint32_t base, uint32_t axis) {
  return onAxis(base, axis, 0u, [](Board& board, std::size_t index) {
    return board.diagnostics().driveStarts[index];
  });
}

uint32_t M716SimClampedLoads(uint32_t base) {
  return onBoard(base, 0u, [](Board& board) { return board.diagnostics().clampedLoads; });
}

uint32_t M716SimPathUnderruns(uint32_t base) {
  return onBoard(base, 0u, [](Board& board) { return board.diagnostics().pathUnderruns; });
}

void M716SimReload(void) {
  guarded([] { Simulator::instance().reload(); });
}
