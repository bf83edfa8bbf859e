#pragma once
// Reports a benchmark's measurement as a share of its budget: the counter "budget_ratio" is
// the time per unit of work divided by the time the target allows (below 1 meets it).

#include <benchmark/benchmark.h>
#include <time.h>

namespace m716::bench {

enum class Clock { threadCpu, real };

class Budget {
 public:
  // `budgetPerUnit` in seconds; call finish() after the benchmark loop.
  Budget(double budgetPerUnit, Clock clock = Clock::threadCpu)
      : budgetPerUnit_(budgetPerUnit), clock_(clock), start_(now()) {}

  void finish(benchmark::State& state, double unitsPerIteration) const {
    const double units = unitsPerIteration * static_cast<double>(state.iterations());
    if (units > 0) state.counters["budget_ratio"] = (now() - start_) / units / budgetPerUnit_;
  }

 private:
  double now() const {
    timespec t{};
    clock_gettime(clock_ == Clock::real ? CLOCK_MONOTONIC : CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  }

  double budgetPerUnit_;
  Clock clock_;
  double start_;
};

}  // namespace m716::bench
