// Continuous paths on the simulated board in real time (speed factor 1): 10 000 two-axis
// segments of a given duration, fed by the interrupt driver as the chip asks for them, the host
// idle or both cores kept busy by threads the benchmark starts and stops itself. The simulated
// chip does not wait for the driver, so a driver late for a segment really stops the path
// between segments. Counters: "underruns_per_1000" as the driver counted them for the library
// (M716GetContiUnderruns; "chip_underruns" is the chip's own count), per 1000 segments (the
// target is 0 at 0.5 ms segments under load; the shortest duration with 0 is the figure to
// report); "time_ratio", the path's real time over the sum of its segments; "latency_*_us",
// the delay from each rise of the board's line to the driver's call (median, 99th percentile,
// maximum, in microseconds).
//
// SimulatedClockDrift: M716SimTime against the real clock over 10 s while the 10 µs path runs
// again and again; "drift_ratio" is the largest difference over 1 ms.
//
// And the library's CPU time per M716SetContiData as a ratio of the 25 ns per port word budget
// of point-to-point moves, counted against the 7 words the driver writes to load the stored
// two-axis line into the chip.

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <optional>
#include <thread>
#include <vector>

#include "KRVM716.h"
#include "budget.h"
#include "installed_board.h"
#include "m716sim.h"

namespace {

constexpr std::uint32_t kSegments = 10'000;
constexpr std::uint32_t kBuffer = 1;
constexpr std::uint32_t kPathSpeed = 100'000;            // pps
constexpr std::uint32_t kPathAcceleration = 10'000'000;  // pps/s: 10 ms up to speed
constexpr double kWordsPerLine = 7;                      // 2 × (WR6, WR7, WR0), the command
constexpr double kBudgetPerWord = 25e-9;

bool openBoardZero() {
  static const bool open = [] {
    m716::bench::installBoardZero("path");
    M716SimReload();
    M716SimSetSpeedFactor(1);
    return M716MotDevOpen(0) == M716_OK && M716SetDrivingSpeed(0, 0, kPathSpeed) == M716_OK &&
           M716SetAcceleration(0, 0, kPathAcceleration) == M716_OK;
  }();
  return open;
}

// Keeps every core busy while it exists: the load a driver meets on a machine doing other work.
class CpuLoad {
 public:
  explicit CpuLoad(bool busy) {
    const unsigned cores = busy ? std::max(1u, std::thread::hardware_concurrency()) : 0;
    for (unsigned k = 0; k < cores; ++k)
      threads_.emplace_back([this] {
        volatile std::uint64_t spin = 0;
        while (!stop_.load(std::memory_order_relaxed)) spin = spin + 1;
      });
  }
  ~CpuLoad() {
    stop_ = true;
    for (std::thread& thread : threads_) thread.join();
  }

 private:
  std::atomic<bool> stop_ = false;
  std::vector<std::thread> threads_;
};

// Round a square again and again, each side one segment `pulses` long, so the carriages stay
// clear of their limits.
bool fillPath(std::int32_t pulses) {
  M716FreeContiBuf(kBuffer);
  if (M716InitialContiBuf(kBuffer, kSegments) != M716_OK) return false;
  for (std::uint32_t k = 0; k < kSegments; ++k) {
    const std::int32_t side = k % 4 < 2 ? pulses : -pulses;
    const bool alongX = k % 2 == 0;
    const M716ContiPoint point{{alongX ? side : 0, alongX ? 0 : side, 0, 0, 0}, 0, IPO_L2, 0};
    if (M716SetContiData(kBuffer, &point, k + 1) != M716_OK) return false;
  }
  return true;
}

// The index the path ended at, once it ran to its end or stopped short (an underrun ends it).
std::optional<std::int32_t> pathEnd() {
  std::int32_t index = 0;
  M716GetCurContiNum(0, &index);
  const bool moving = M716MotAxisBusy(0, 0x3) != M716_OK;
  if (moving || M716MotLine(0, 0x3, 0, 0, 0, 0, 0) != M716_OK) return std::nullopt;
  return index;
}

// Runs the stored path once to its end; the real time it took.
std::optional<double> runPath() {
  const auto start = std::chrono::steady_clock::now();
  if (M716StartContiDrive(0, 0x3, kBuffer) != M716_OK) return std::nullopt;
  while (!pathEnd()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Arguments: the duration of one segment in microseconds at the path speed; 1 with both cores
// busy.
void PathOfShortSegmentsInRealTime(benchmark::State& state) {
  if (!openBoardZero()) return state.SkipWithError("the board does not open");
  const double seconds = static_cast<double>(state.range(0)) * 1e-6;
  const auto pulses = static_cast<std::int32_t>(std::lround(kPathSpeed * seconds));
  if (!fillPath(pulses)) return state.SkipWithError("the path was refused");
  const CpuLoad load(state.range(1) != 0);
  const std::uint32_t before = M716SimPathUnderruns(0x300);
  M716SimLatency latency{};
  M716SimTakeInterruptLatency(&latency);
  double ratio = 0;
  std::uint32_t underruns = 0;
  std::int32_t reached = 0;
  for (auto _ : state) {
    const std::optional<double> took = runPath();
    if (!took) return state.SkipWithError("the path did not start");
    ratio = *took / (kSegments * pulses / double(kPathSpeed));
    M716GetContiUnderruns(0, &underruns);
    M716GetCurContiNum(0, &reached);
  }
  M716SimTakeInterruptLatency(&latency);
  state.counters["underruns_per_1000"] = underruns * 1000.0 / kSegments;
  state.counters["chip_underruns"] = M716SimPathUnderruns(0x300) - before;
  state.counters["time_ratio"] = ratio;
  state.counters["last_index"] = reached;
  state.counters["latency_median_us"] = latency.medianMicroseconds;
  state.counters["latency_p99_us"] = latency.p99Microseconds;
  state.counters["latency_max_us"] = latency.maxMicroseconds;
}
BENCHMARK(PathOfShortSegmentsInRealTime)
    ->ArgNames({"segment_us", "loaded"})
    ->ArgsProduct({{2000, 1000, 500, 250, 100, 50, 20, 10}, {0, 1}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

void SimulatedClockDrift(benchmark::State& state) {
  if (!openBoardZero() || !fillPath(1)) return state.SkipWithError("the path did not start");
  double drift = 0;
  for (auto _ : state) {
    std::atomic<bool> running = true;
    std::thread paths([&] {
      while (running && runPath()) {
      }
    });
    const auto realStart = std::chrono::steady_clock::now();
    const double simulatedStart = M716SimTime();
    for (double real = 0; real < 10; std::this_thread::sleep_for(std::chrono::milliseconds(1))) {
      const double simulated = M716SimTime() - simulatedStart;
      real = std::chrono::duration<double>(std::chrono::steady_clock::now() - realStart).count();
      drift = std::max(drift, std::abs(simulated - real));
    }
    running = false;
    paths.join();
  }
  state.counters["drift_ratio"] = drift / 1e-3;
}
BENCHMARK(SimulatedClockDrift)->Iterations(1)->Unit(benchmark::kSecond);

void StoreOnePoint(benchmark::State& state) {
  if (M716InitialContiBuf(kBuffer + 1, kSegments) != M716_OK)
    return state.SkipWithError("no buffer");
  const M716ContiPoint point{{120, -45, 0, 0, 0}, 0, IPO_L2, 0};
  std::uint32_t number = 1;
  const m716::bench::Budget budget(kBudgetPerWord);
  for (auto _ : state) {
    benchmark::DoNotOptimize(M716SetContiData(kBuffer + 1, &point, number));
    number = number % kSegments + 1;
  }
  budget.finish(state, kWordsPerLine);
  M716FreeContiBuf(kBuffer + 1);
}
BENCHMARK(StoreOnePoint)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
