// M716MotDevOpen of a board whose keys exist, on the simulated board. Budget: 5 ms.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "KRVM716.h"
#include "budget.h"
#include "m716/platform/registry.h"

namespace {

constexpr double kBudget = 5e-3;

void installBoardZero() {
  const auto file = std::filesystem::temp_directory_path() /
                    ("m716-bench-" + std::to_string(::getpid()) + ".db");
  std::filesystem::remove(file);
  ::setenv("M716_REGISTRY", file.c_str(), 1);
  m716::platform::useRegistryFile(file.string());
  m716::platform::RegKey key;
  auto& store = m716::platform::registry();
  store.createKey("SYSTEM\\CurrentControlSet\\Services\\KRVM716S", key);
  key.setDword("BoardIDInUsed", 1);
  store.createKey("SYSTEM\\CurrentControlSet\\Services\\KRVM716S\\Board000", key);
  key.setDword("BaseAddress", 0x300);
  key.setDword("Interrupt", 5);
}

void OpenBoardWithExistingKeys(benchmark::State& state) {
  installBoardZero();
  if (M716MotDevOpen(0) != M716_OK) state.SkipWithError("the board does not open");
  const m716::bench::Budget budget(kBudget, m716::bench::Clock::real);
  for (auto _ : state) benchmark::DoNotOptimize(M716MotDevOpen(0));
  budget.finish(state, 1);
  M716MotDevClose(0);
}
BENCHMARK(OpenBoardWithExistingKeys)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
