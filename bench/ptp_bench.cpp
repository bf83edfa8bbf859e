// Library CPU time per port word of M716MotPtp on four axes, over a bus that does nothing.
// Budget: 25 ns per word (an ISA port cycle takes about 1 us). The median of the repetitions
// is the figure that counts.

#include <benchmark/benchmark.h>

#include "KRVM716.h"
#include "budget.h"
#include "device/board_table.h"
#include "m716/platform/bus.h"

namespace {

using namespace m716;

constexpr double kBudgetPerWord = 25e-9;

// Reads answer 0 (no axis driving, every counter at 0); accesses are only counted.
class CountingBus : public platform::PortBus {
 public:
  std::uint16_t read(std::uint32_t) override {
    ++accesses;
    return 0;
  }
  void write(std::uint32_t, std::uint16_t) override { ++accesses; }
  std::uint64_t accesses = 0;
};

CountingBus countingBus;

// Board 0 bound at 0x300 with the parameters an open loads by default.
void bindBoard() {
  platform::useBus(&countingBus);
  BoardRecord& record = boards[0];
  record.baseAddress = 0x300;
  record.bound = true;
  for (AxisRecord& axis : record.axes) {
    axis.rg = 8'000'000;
    axis.multiplier = 1;
    axis.mdv = 8000;
    axis.configured = {1000, 6000, 600'000, 10'000'000};
    axis.plmt = 2'000'000'000;
    axis.nlmt = -2'000'000'000;
  }
}

void PointToPointFourAxes(benchmark::State& state) {
  bindBoard();
  countingBus.accesses = 0;
  if (M716MotPtp(0, 0x0F, 0, 1000, -2000, 3000, -4000) != M716_OK)
    state.SkipWithError("the move was refused");
  const double wordsPerMove = static_cast<double>(countingBus.accesses);
  const bench::Budget budget(kBudgetPerWord);
  for (auto _ : state) benchmark::DoNotOptimize(M716MotPtp(0, 0x0F, 0, 1000, -2000, 3000, -4000));
  budget.finish(state, wordsPerMove);
  state.counters["words"] = wordsPerMove;
}
BENCHMARK(PointToPointFourAxes)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
