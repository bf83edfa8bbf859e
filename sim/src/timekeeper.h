#pragma once
// A background thread of the simulator (the timekeeper that keeps simulated time moving, and
// the delivery thread of interrupt handlers): it calls `tick` over and over, and waits between
// calls for as long as the tick asks (nothing: until woken).
//
// Concurrency: start, wake and stop may be called from any thread but the timekeeper's own
// (stop from the tick would wait for itself). The tick runs without any lock of the
// timekeeper's held.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace m716::sim {

class Timekeeper {
 public:
  using Pause = std::optional<std::chrono::steady_clock::duration>;
  using Tick = std::function<Pause()>;

  explicit Timekeeper(Tick tick) : tick_(std::move(tick)) {}
  ~Timekeeper() { stop(); }
  Timekeeper(const Timekeeper&) = delete;
  Timekeeper& operator=(const Timekeeper&) = delete;

  void start();
  // Ends the current pause early (the speed factor changed, the boards were reloaded).
  void wake();
  void stop();

 private:
  void run();

  Tick tick_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool woken_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace m716::sim
