// Library CPU time per port word of IssueAxisCommand and the port primitives, over a bus that
// does nothing. Budget: 20 ns per word (an ISA port cycle takes about 1 us).

#include <benchmark/benchmark.h>

#include "budget.h"
#include "device/board_table.h"
#include "device/ports.h"
#include "m716/board/registers.h"
#include "m716/platform/bus.h"

namespace {

using namespace m716;

constexpr double kBudgetPerWord = 20e-9;

class SilentBus : public platform::PortBus {
 public:
  std::uint16_t read(std::uint32_t) override { return 0; }
  void write(std::uint32_t, std::uint16_t) override {}
};

SilentBus silentBus;

void bindBoard() {
  platform::useBus(&silentBus);
  boards[0].baseAddress = 0x300;
  boards[0].bound = true;
  boards[0].axes[0].multiplier = 1.25;
  boards[0].axes[0].dv = 6000;
  boards[0].axes[0].pcmp = 1000;
}

void IssueAxisCommand16Bit(benchmark::State& state) {
  bindBoard();
  const bench::Budget budget(kBudgetPerWord);
  for (auto _ : state) issueAxisCommand(0, 1, chip::SetDriveSpeed);
  budget.finish(state, 2);
}
BENCHMARK(IssueAxisCommand16Bit);

void IssueAxisCommand32Bit(benchmark::State& state) {
  bindBoard();
  const bench::Budget budget(kBudgetPerWord);
  for (auto _ : state) issueAxisCommand(0, 1, chip::SetComparePlus);
  budget.finish(state, 3);
}
BENCHMARK(IssueAxisCommand32Bit);

void PortWriteAndRead(benchmark::State& state) {
  bindBoard();
  const bench::Budget budget(kBudgetPerWord);
  for (auto _ : state) {
    writePortWord(0, chip::WR0, 0x010F);
    benchmark::DoNotOptimize(readPortWord(0, chip::RR1));
  }
  budget.finish(state, 2);
}
BENCHMARK(PortWriteAndRead);

}  // namespace

BENCHMARK_MAIN();
