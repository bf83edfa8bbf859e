// How soon M716MotStop on a searching axis stops the chip (budget 2 ms), how soon the stopped
// search reports its result (budget 60 ms), and how soon M716MotCheckEvent, waiting without
// limit, returns once the board's interrupt event is signalled (budget 1 ms). All on the
// simulated board in real time.

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

bool xDriving() {
  std::uint16_t status = 0;
  M716_InpWord(0, 0, &status);
  return (status & 1) != 0;
}

// From the stop call until RR0 shows the axis stopped; the stops come at different points of
// the worker's 50 ms poll.
void HomeSearchStopReachesTheChip(benchmark::State& state) {
  if (!openBoardZero()) return state.SkipWithError("the board does not open");
  double total = 0;
  int round = 0;
  for (auto _ : state) {
    M716SimSetMachinePosition(0x300, 1, 0);  // far from the home switch
    M716MotHome(0, 1);
    while (!xDriving()) std::this_thread::sleep_for(std::chrono::microseconds(100));
    std::this_thread::sleep_for(std::chrono::milliseconds(1 + (7 * round++) % 45));
    const auto stopped = Clock::now();
    M716MotStop(0, 1, 0);
    while (xDriving()) std::this_thread::yield();
    const double seconds = std::chrono::duration<double>(Clock::now() - stopped).count();
    state.SetIterationTime(seconds);
    total += seconds;
    while (homeStatus() == M716_ERR_IN_HOME)
      std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  state.counters["budget_ratio"] = total / static_cast<double>(state.iterations()) / 2e-3;
  M716MotDevClose(0);
}
BENCHMARK(HomeSearchStopReachesTheChip)
    ->UseManualTime()
    ->Iterations(40)
    ->Unit(benchmark::kMicrosecond);

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
