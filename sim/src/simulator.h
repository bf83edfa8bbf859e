#pragma once
// The simulated boards of this process, by base address, with their clock, the timekeeper
// thread and the interrupt lines. The configuration is read at first use.
//
// Time: the boards move together to the clock's time. They never pass the next board event
// (nextEventTime) on their own: the stepping advance (timekeeper, or M716SimAdvance on a frozen
// clock) stops there, calls the handlers of the lines that are raised, and goes on, so a
// handler reacts to each event at its simulated time. Bus accesses bring the boards up to the
// clock's time, stopping short of an event the stepping has not reached yet.
//
// Concurrency: every member may run on any thread. One internal mutex guards the boards, the
// clock and the attached lines; interrupt handlers and registry calls run without it. Lock
// order: a caller's bus lock, then the simulator's mutex. Handlers are delivered one advance at
// a time: M716SimAdvance waits for an advance in progress. Detach waits only for a call of the
// detached handler in progress, however long the advance that makes it lasts, and no advance
// calls that handler after detach has returned. Neither may be called holding a bus lock that
// a handler takes (a handler itself may call them).

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "board.h"
#include "clock.h"
#include "configuration.h"
#include "m716/platform/bus.h"
#include "timekeeper.h"

namespace m716::sim {

class Simulator {
 public:
  static Simulator& instance();

  std::uint16_t read(std::uint32_t port);
  void write(std::uint32_t port, std::uint16_t value);
  // Fails when no board answers at `base`.
  bool attach(std::uint16_t base, platform::InterruptHandler handler);
  void detach(std::uint16_t base);

  // Reads the configuration again and powers the boards up anew at time 0.
  void reload();
  // Stores where each carriage stands, for the next program (at process end).
  void saveCarriagePositions();
  void setSpeedFactor(double factor);
  double speedFactor();
  void advance(double seconds);
  double time();

  // Runs `action(Board&)` on the board at `base` under the mutex, at the clock's time;
  // `absent` without a board. The timekeeper then looks again at what is due.
  template <class Result, class Action>
  Result onBoard(std::uint32_t base, Result absent, Action action) {
    ensureLoaded();
    Result result = absent;
    {
      std::lock_guard lock(mutex_);
      catchUpLocked();
      Board* board = boardWithBase(base);
      if (board == nullptr) return absent;
      result = action(*board);
    }
    timekeeper_.wake();
    return result;
  }

 private:
  using Handler = std::shared_ptr<const platform::InterruptHandler>;

  Simulator();
  void ensureLoaded();
  void apply(const SimulatorConfiguration& configuration, bool onlyIfUnloaded);
  Board* boardWithBase(std::uint32_t base);
  Board* boardAt(std::uint32_t port, std::uint32_t& offset);
  SimTime nextEventLocked() const;
  void advanceBoardsLocked(SimTime time);
  void catchUpLocked();
  struct RaisedLine {
    std::uint16_t base;
    Handler handler;
  };
  std::vector<RaisedLine> raisedLinesLocked() const;
  // Calls the line's handler unless it was detached meanwhile.
  void deliver(const RaisedLine& line);
  bool inDeliveryLocked(const Handler& handler) const;
  // Advances the boards event by event up to `target`, serving the raised lines at each;
  // with `moveClock` the clock moves with them (M716SimAdvance).
  void stepTo(SimTime target, bool moveClock);
  Timekeeper::Pause tick();

  std::mutex mutex_;
  std::atomic<bool> loaded_ = false;
  Clock clock_;
  SimTime boardsTime_{};
  std::map<std::uint16_t, std::unique_ptr<Board>> boards_;
  std::map<std::uint16_t, Handler> handlers_;
  // Held by the advance that delivers (recursive: a handler may advance the clock itself).
  std::recursive_mutex deliveryMutex_;
  // The handlers being called, innermost last, on deliveryThread_; guarded by mutex_.
  std::vector<const platform::InterruptHandler*> delivering_;
  std::thread::id deliveryThread_;
  std::condition_variable deliveryEnded_;
  Timekeeper timekeeper_;
};

}  // namespace m716::sim
