// Continuous paths on the simulated board in real time: 10 000 two-axis segments of a given
// duration, fed by the interrupt driver as the chip asks for them. The counter "underruns" is
// what the simulated chip counted as segments that ended with no next one loaded (0 meets the
// target; the target is 0 at 2 ms segments, and the shortest duration that keeps 0 is the
// figure to report); "time_ratio" is the path's real time over its planned time.
//
// And the library's CPU time per M716SetContiData as a ratio of the 25 ns per port word budget
// of point-to-point moves, counted against the 7 words the driver writes to load the stored
// two-axis line into the chip.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <optional>
#include <thread>

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

// Argument: the duration of one segment in microseconds at the path speed.
void PathOfShortSegmentsInRealTime(benchmark::State& state) {
  if (!openBoardZero()) return state.SkipWithError("the board does not open");
  const double seconds = static_cast<double>(state.range(0)) * 1e-6;
  const auto pulses = static_cast<std::int32_t>(std::lround(kPathSpeed * seconds));
  if (!fillPath(pulses)) return state.SkipWithError("the path was refused");
  const std::uint32_t before = M716SimPathUnderruns(0x300);
  double ratio = 0;
  std::int32_t reached = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (M716StartContiDrive(0, 0x3, kBuffer) != M716_OK)
      return state.SkipWithError("the path did not start");
    std::optional<std::int32_t> end;
    while (!(end = pathEnd())) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    reached = *end;
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ratio = took / (kSegments * pulses / double(kPathSpeed));
  }
  state.counters["underruns"] = M716SimPathUnderruns(0x300) - before;
  state.counters["time_ratio"] = ratio;
  state.counters["last_index"] = reached;
}
BENCHMARK(PathOfShortSegmentsInRealTime)
    ->Arg(2000)
    ->Arg(1000)
    ->Arg(500)
    ->Arg(250)
    ->Arg(100)
    ->Arg(50)
    ->Arg(20)
    ->Arg(10)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

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
