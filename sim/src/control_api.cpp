// The C control API of m716sim.h over the simulator. No exception leaves it: a call that
// fails inside answers as if no board were there.

#include "m716sim.h"
#include "simulator.h"

namespace {

using m716::sim::Board;
using m716::sim::Simulator;

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

}  // namespace

uint32_t M716SimBoardPresent(uint32_t base) {
  return guarded(
      0u, [&] { return Simulator::instance().onBoard(base, 0u, [](Board&) { return 1u; }); });
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

double M716SimTime(void) {
  return guarded(0.0, [] { return Simulator::instance().time(); });
}

uint32_t M716SimClampedLoads(uint32_t base) {
  return guarded(0u, [&] {
    return Simulator::instance().onBoard(
        base, 0u, [](Board& board) { return board.diagnostics().clampedLoads; });
  });
}

void M716SimReload(void) {
  guarded([] { Simulator::instance().reload(); });
}
