// CPU time of one refresh of the input status screen on the user-interface thread, both pages
// made, against the simulated board (budget 2 ms).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTabWidget>

#include "KRVM716.h"
#include "budget.h"
#include "error_presenter.h"
#include "input_status_screen.h"
#include "installed_board.h"
#include "m716sim.h"

namespace {

// Counts the messages a refresh would show; the benchmark expects none.
class CountedMessages : public m716::ui::Messages {
 public:
  void inform(const QString&, const QString&) override { ++shown; }
  bool ask(const QString&, const QString&) override { return false; }
  bool confirm(const QString&, const QString&) override { return false; }
  int shown = 0;
};

void InputStatusRefresh(benchmark::State& state) {
  m716::bench::installBoardZero("input-status");
  M716SimReload();
  if (M716MotDevOpen(0) != M716_OK) return state.SkipWithError("the board does not open");
  CountedMessages messages;
  m716::utility::ErrorPresenter errors(messages);
  m716::utility::ProgramState program{0, true};
  m716::utility::InputStatusScreen screen(program, errors);
  screen.tabs()->setCurrentIndex(1);
  const m716::bench::Budget budget(2e-3);
  for (auto _ : state) screen.refresh();
  budget.finish(state, 1);
  if (messages.shown != 0) state.SkipWithError("a refresh showed a message");
  M716MotDevClose(0);
}
BENCHMARK(InputStatusRefresh)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
