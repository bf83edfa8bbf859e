// Library CPU time per port word of M716MotPtp on four axes, over a bus that does nothing.
// Budget: 25 ns per word (an ISA port cycle takes about 1 us). The median of the repetitions
// is the figure that counts.

#include <benchmark/benchmark.h>

#include "KRVM716.h"
#include "budget.h"
#include "counting_bus.h"

namespace {

using namespace m716;

constexpr double kBudgetPerWord = 25e-9;

void PointToPointFourAxes(benchmark::State& state) {
  bench::CountingBus& bus = bench::bindCountedBoard();
  bus.accesses = 0;
  if (M716MotPtp(0, 0x0F, 0, 1000, -2000, 3000, -4000) != M716_OK)
    state.SkipWithError("the move was refused");
  const double wordsPerMove = static_cast<double>(bus.accesses);
  const bench::Budget budget(kBudgetPerWord);
  for (auto _ : state) benchmark::DoNotOptimize(M716MotPtp(0, 0x0F, 0, 1000, -2000, 3000, -4000));
  budget.finish(state, wordsPerMove);
  state.counters["words"] = wordsPerMove;
}
BENCHMARK(PointToPointFourAxes)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
