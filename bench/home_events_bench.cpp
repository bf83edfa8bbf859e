// How soon a home search notices a stop (budget 60 ms: the 50 ms poll plus one pass), and how
// soon M716MotCheckEvent, waiting without limit, returns once the board's interrupt event is
// signalled (budget 1 ms). Both on the simulated board in real time.

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "KRVM716.h"
#include "installed_board.h"
#include "m716/platform/events.h"
#include "m716sim.h"

namespace {

using Clock = std::chrono::steady_clock;

bool openBoardZero() {
  m716::bench::installBoardZero("home");
  M716SimReload();
  M716SimSetSpeedFactor(1);
  return M716MotDevOpen(0) == M716_OK;
}

std::int32_t homeStatus() {
  std::int32_t result = 0;
  M716MotHomeStatus(0, 1, &result);
  return result;
}

void HomeSearchNoticesAStop(benchmark::State& state) {
  if (!openBoardZero()) return state.SkipWithError("the board does not open");
  double total = 0;
  for (auto _ : state) {
    M716SimSetMachinePosition(0x300, 1, 0);  // far from the home switch
    M716MotHome(0, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto stopped = Clock::now();
    M716MotStop(0, 1, 0);
    while (homeStatus() == M716_ERR_IN_HOME)
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    const double seconds = std::chrono::duration<double>(Clock::now() - stopped).count();
    state.SetIterationTime(seconds);
    total += seconds;
  }
  state.counters["budget_ratio"] = total / static_cast<double>(state.iterations()) / 60e-3;
  M716MotDevClose(0);
}
BENCHMARK(HomeSearchNoticesAStop)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

void CheckEventWakesOnTheSignal(benchmark::State& state) {
  if (!openBoardZero()) return state.SkipWithError("the board does not open");
  m716::platform::EventHandle event = m716::platform::openEvent("KRV_EVT_INTERRUPT0");
  double total = 0;
  for (auto _ : state) {
    std::atomic<Clock::time_point> woke{};
    std::thread waiter([&] {
      std::uint32_t word = 0;
      M716MotCheckEvent(0, &word, 0xFFFFFFFF);
      woke = Clock::now();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const auto signalled = Clock::now();
    m716::platform::setEvent(event);
    waiter.join();
    const double seconds = std::chrono::duration<double>(woke.load() - signalled).count();
    state.SetIterationTime(seconds);
    total += seconds;
  }
  state.counters["budget_ratio"] = total / static_cast<double>(state.iterations()) / 1e-3;
  m716::platform::closeEvent(event);
  M716MotDevClose(0);
}
BENCHMARK(CheckEventWakesOnTheSignal)
    ->UseManualTime()
    ->Iterations(200)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
