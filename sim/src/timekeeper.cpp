#include "timekeeper.h"

namespace m716::sim {

void Timekeeper::start() {
  std::lock_guard lock(mutex_);
  if (thread_.joinable() || stopping_) return;
  thread_ = std::thread([this] { run(); });
}

void Timekeeper::wake() {
  {
    std::lock_guard lock(mutex_);
    woken_ = true;
  }
  changed_.notify_all();
}

void Timekeeper::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void Timekeeper::run() {
  for (;;) {
    Pause pause = tick_();
    std::unique_lock lock(mutex_);
    auto interrupted = [this] { return stopping_ || woken_; };
    if (pause) {
      changed_.wait_for(lock, *pause, interrupted);
    } else {
      changed_.wait(lock, interrupted);
    }
    if (stopping_) return;
    woken_ = false;
  }
}

}  // namespace m716::sim
