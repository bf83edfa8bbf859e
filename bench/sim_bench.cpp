// The simulated board's costs:
// - frozen clock, one simulated second of four axes driving fixed-pulse drives at 100 000 pps,
//   with their drive-end interrupts served: budget 1 ms of CPU;
// - frozen clock, one simulated second of a circular interpolation at 100 000 pps: 5 ms of CPU;
// - running clock at speed factor 1, four axes driving: the timekeeper's share of one core,
//   budget 2 %;
// - running clock at speed factor 1: from a drive-end factor latched to the driver stand-in
//   signalling the board's interrupt event, median budget 1 ms of real time.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "KRVM716_driver.h"
#include "budget.h"
#include "m716/platform/bus.h"
#include "m716/platform/events.h"
#include "m716/platform/registry.h"
#include "m716sim.h"

extern "C" uint32_t DriverProc(uintptr_t, uintptr_t, uintptr_t code, uintptr_t block, uintptr_t);

namespace {

using m716::bench::Budget;
using SteadyClock = std::chrono::steady_clock;

constexpr std::uint16_t kBase = 0x300;
constexpr unsigned kAllAxes = 0xF;
// Range 640 000: one speed unit is 12.5 pps, so drive speed 8000 is 100 000 pps.
constexpr std::uint32_t kRange = 640'000;
constexpr std::uint32_t kFullSpeed = 8000;
constexpr double kPulsesPerSecond = 100'000;

void useOwnRegistry() {
  static bool done = false;
  if (done) return;
  const auto file = std::filesystem::temp_directory_path() /
                    ("m716-bench-sim-" + std::to_string(::getpid()) + ".db");
  std::filesystem::remove(file);
  ::setenv("M716_REGISTRY", file.c_str(), 1);
  m716::platform::useRegistryFile(file.string());
  done = true;
}

void out(std::uint32_t offset, std::uint16_t value) {
  m716::platform::bus().write(kBase + offset, value);
}
std::uint16_t in(std::uint32_t offset) {
  return m716::platform::bus().read(kBase + offset);
}
void command(unsigned axes, unsigned code) {
  out(0, static_cast<std::uint16_t>((axes << 8) | code));
}
void load(unsigned axes, unsigned code, std::uint32_t value) {
  out(12, static_cast<std::uint16_t>(value));
  out(14, static_cast<std::uint16_t>(value >> 16));
  command(axes, code);
}
void mode(unsigned axes, unsigned number, std::uint16_t value) {
  command(axes, 0x0F);
  out(2 * number, value);
}

// Powers the boards up anew (at the configured speed factor, 1), then: start 10 000 pps,
// acceleration 10 000 000 pps/s: full speed within 10 ms.
void setUpAxes(unsigned axes, std::uint32_t driveSpeed) {
  M716SimReload();
  load(axes, 0x00, kRange);
  load(axes, 0x04, 800);
  load(axes, 0x05, driveSpeed);
  load(axes, 0x02, 6400);
}

// Reads RR3 of every axis, as the driver does.
void serveInterrupt() {
  for (unsigned axis : {1u, 2u, 4u, 8u}) {
    command(axis, 0x0F);
    benchmark::DoNotOptimize(in(6));
  }
}

void FrozenClockFourAxesOneSecond(benchmark::State& state) {
  useOwnRegistry();
  setUpAxes(kAllAxes, kFullSpeed);
  M716SimSetSpeedFactor(0);
  m716::platform::interruptLines().attach(kBase, serveInterrupt);
  mode(kAllAxes, 1, 0x8000);  // drive-end interrupts
  const Budget budget(1e-3);
  for (auto _ : state) {
    load(kAllAxes, 0x06, static_cast<std::uint32_t>(kPulsesPerSecond) - 1000);
    command(kAllAxes, 0x20);
    M716SimAdvance(1.0);
  }
  budget.finish(state, 1);
  // 1 when every iteration drove (and finished) its drives.
  state.counters["drives_per_second"] =
      double(M716SimDriveStarts(kBase, 8)) / double(state.iterations());
  m716::platform::interruptLines().detach(kBase);
}
BENCHMARK(FrozenClockFourAxesOneSecond)->Unit(benchmark::kMicrosecond);

void FrozenClockCircleOneSecond(benchmark::State& state) {
  useOwnRegistry();
  setUpAxes(1, kFullSpeed);
  M716SimSetSpeedFactor(0);
  out(10, 0x0104);  // X and Y
  command(0, 0x3C);
  // A little under 100 000 pulses round, so that the ramp fits in the second too.
  const auto radius = static_cast<std::uint32_t>(0.98 * kPulsesPerSecond / (2 * std::numbers::pi));
  load(1, 0x08, radius);
  load(2, 0x08, 0);
  load(3, 0x06, 0);  // the full circle
  const Budget budget(5e-3);
  for (auto _ : state) {
    command(0, 0x32);
    M716SimAdvance(1.0);
    if (in(0) & 0x100) state.SkipWithError("the circle did not close in a second");
  }
  budget.finish(state, 1);
  state.counters["circles_per_second"] =
      double(M716SimDriveStarts(kBase, 1)) / double(state.iterations());
}
BENCHMARK(FrozenClockCircleOneSecond)->Unit(benchmark::kMicrosecond);

double processCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The main thread sleeps: what the process spends meanwhile is the timekeeper's.
void TimekeeperShareAtSpeedFactorOne(benchmark::State& state) {
  useOwnRegistry();
  setUpAxes(kAllAxes, 800);  // 10 000 pps
  M716SimSetSpeedFactor(1);
  command(kAllAxes, 0x22);
  double share = 0;
  for (auto _ : state) {
    const double cpuBefore = processCpuSeconds();
    const auto realBefore = SteadyClock::now();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const double real = std::chrono::duration<double>(SteadyClock::now() - realBefore).count();
    share = (processCpuSeconds() - cpuBefore) / real;
    state.SetIterationTime(real);
  }
  command(kAllAxes, 0x27);
  state.counters["core_share"] = share;
  state.counters["budget_ratio"] = share / 0.02;
}
BENCHMARK(TimekeeperShareAtSpeedFactorOne)->UseManualTime()->Iterations(2);

// Constant-speed drives (no ramps) whose end is known to the nanosecond: the event's lateness
// in simulated time is its lateness in real time at speed factor 1.
void DriveEndToDriverEvent(benchmark::State& state) {
  useOwnRegistry();
  M716InterruptBlock block{};
  block.board = 0;
  block.baseAddress = kBase;
  DriverProc(0, 0, M716_DRIVER_REGISTER_BOARD, reinterpret_cast<std::uintptr_t>(&block), 0);
  m716::platform::EventHandle event = m716::platform::openEvent(M716_EVENT_INTERRUPT_PREFIX "0");
  setUpAxes(1, 100);  // 1250 pps, at the start speed of 10 000 pps: no ramps
  M716SimSetSpeedFactor(1);
  mode(1, 1, 0x8000);
  constexpr std::uint32_t kPulses = 25;  // 20 ms
  std::vector<double> latencies;
  for (auto _ : state) {
    m716::platform::resetEvent(event);
    load(1, 0x06, kPulses);
    const double started = M716SimTime();
    command(1, 0x20);
    m716::platform::waitEvent(event, 1000);
    const double late = M716SimTime() - started - kPulses / 1250.0;
    latencies.push_back(late);
    state.SetIterationTime(std::max(late, 0.0));
  }
  std::sort(latencies.begin(), latencies.end());
  const double median = latencies.empty() ? 0 : latencies[latencies.size() / 2];
  state.counters["median_ms"] = median * 1e3;
  state.counters["budget_ratio"] = median / 1e-3;
  m716::platform::closeEvent(event);
  DriverProc(0, 0, M716_DRIVER_UNREGISTER_BOARD, reinterpret_cast<std::uintptr_t>(&block), 0);
}
BENCHMARK(DriveEndToDriverEvent)->UseManualTime()->Iterations(100)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
