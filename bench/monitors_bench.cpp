// CPU time of one sample of each of the utility's monitors at a plot of 1000 × 700 pixels: the
// grid redrawn over the picture with its labels, then the sample's segments (the profile path;
// the four speed curves and the legend). Budget: 2 ms per sample, so the 100 ms and 50 ms
// periods hold on a small controller. The library reads of a sample are not included.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdint>

#include "budget.h"
#include "monitor_charts.h"

namespace {

using namespace m716;

constexpr double kBudgetPerSample = 2e-3;
constexpr QSize kPlot(1000, 700);

void ProfileSample(benchmark::State& state) {
  utility::ProfileChart chart(kPlot);
  std::int32_t step = 0;
  const bench::Budget budget(kBudgetPerSample);
  for (auto _ : state) {
    // A path round the range, so every sample draws a segment of a few pixels.
    step = (step + 1) % 4000;
    chart.drawGrid();
    chart.drawTo({step * 100 - 200000, (step % 400) * 1000 - 200000});
  }
  budget.finish(state, 1);
}
BENCHMARK(ProfileSample)->Repetitions(5)->ReportAggregatesOnly(true);

void SpeedSample(benchmark::State& state) {
  utility::SpeedChart chart(kPlot, QSize(360, 20), 0);
  std::uint32_t tick = 0;
  const bench::Budget budget(kBudgetPerSample);
  for (auto _ : state) {
    tick += 50;
    const auto speed = static_cast<std::int32_t>(tick % 8000);
    chart.drawLegend();
    if (chart.full(tick)) {
      chart.erase();
      chart.drawGrid();
      chart.restartAt(tick);
    }
    chart.drawGrid();
    chart.drawTo(tick, {speed, 8000 - speed, speed / 2, 4000});
  }
  budget.finish(state, 1);
}
BENCHMARK(SpeedSample)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
