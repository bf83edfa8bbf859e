// Library CPU time per port word of M716MotArc, over a bus that does nothing: a relative arc
// with manual deceleration, so the call also computes its swept angle and deceleration point.
// Budget: 25 ns per word, as for point-to-point moves. The median of the repetitions is the
// figure that counts.

#include <benchmark/benchmark.h>

#include "KRVM716.h"
#include "budget.h"
#include "counting_bus.h"

namespace {

using namespace m716;

constexpr double kBudgetPerWord = 25e-9;

std::uint32_t arcOfThirtyDegrees() {
  return M716MotArc(0, 0x3, 0, 1, 1000, 0, 134, -500);
}

void ArcWithManualDeceleration(benchmark::State& state) {
  bench::CountingBus& bus = bench::bindCountedBoard();
  boards[0].manualDeceleration = 1;
  bus.accesses = 0;
  if (arcOfThirtyDegrees() != M716_OK) state.SkipWithError("the arc was refused");
  const double wordsPerArc = static_cast<double>(bus.accesses);
  const bench::Budget budget(kBudgetPerWord);
  for (auto _ : state) benchmark::DoNotOptimize(arcOfThirtyDegrees());
  budget.finish(state, wordsPerArc);
  state.counters["words"] = wordsPerArc;
}
BENCHMARK(ArcWithManualDeceleration)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
