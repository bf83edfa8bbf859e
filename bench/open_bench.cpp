// M716MotDevOpen of a board whose keys exist, on the simulated board. Budget: 5 ms.

#include <benchmark/benchmark.h>

#include "KRVM716.h"
#include "budget.h"
#include "installed_board.h"

namespace {

constexpr double kBudget = 5e-3;

void OpenBoardWithExistingKeys(benchmark::State& state) {
  m716::bench::installBoardZero("open");
  if (M716MotDevOpen(0) != M716_OK) state.SkipWithError("the board does not open");
  const m716::bench::Budget budget(kBudget, m716::bench::Clock::real);
  for (auto _ : state) benchmark::DoNotOptimize(M716MotDevOpen(0));
  budget.finish(state, 1);
  M716MotDevClose(0);
}
BENCHMARK(OpenBoardWithExistingKeys)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
