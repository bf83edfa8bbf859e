// The C calls that the Python package's benchmark (python_bench.py) wraps, on the simulated
// board: what one call costs without Python, and filling a path of 10 000 segments. The
// Python benchmark subtracts these from its own times; alone it has no budget.

#include <benchmark/benchmark.h>

#include "KRVM716.h"
#include "installed_board.h"

namespace {

constexpr std::uint32_t kX = 1;

void openBoard(benchmark::State& state) {
  m716::bench::installBoardZero("python-calls");
  if (M716MotDevOpen(0) != M716_OK) state.SkipWithError("the board does not open");
}

void ReadPosition(benchmark::State& state) {
  openBoard(state);
  std::uint32_t value = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(M716MotRdReg(0, kX, M716_REG_LOGICAL_POSITION, &value));
  M716MotDevClose(0);
}
BENCHMARK(ReadPosition);

void AxisBusy(benchmark::State& state) {
  openBoard(state);
  for (auto _ : state) benchmark::DoNotOptimize(M716MotAxisBusy(0, kX));
  M716MotDevClose(0);
}
BENCHMARK(AxisBusy);

void FillPath(benchmark::State& state) {
  constexpr std::uint32_t kSegments = 10'000;
  M716ContiPoint point{};
  point.value[0] = point.value[1] = 1;
  point.pathType = IPO_L2;
  for (auto _ : state) {
    M716InitialContiBuf(0, kSegments);
    for (std::uint32_t k = 1; k <= kSegments; ++k) M716SetContiData(0, &point, k);
    M716FreeContiBuf(0);
  }
}
BENCHMARK(FillPath)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
