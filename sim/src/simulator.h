#pragma once
// The simulated boards of this process, by base address, with their clock, the timekeeper
// and delivery threads and the interrupt lines. The configuration is read at first use.
//
// Time: the boards move together to the clock's time, event by event, so that each line's rise
// is known at its simulated instant. With the clock running the chip follows the clock whatever
// the handlers do: the timekeeper moves the boards on at each event, and the handlers run on a
// delivery thread of their own once a line has risen (after the modelled latency, if one is
// set), while the chip goes on. With the clock frozen, M716SimAdvance moves clock and boards
// from event to event and calls the handlers on its own thread at the instant each line rose
// plus the modelled latency (0: at the rise itself). Bus accesses bring the boards up to the
// clock's time. The delay of every call from its line's rise is recorded (takeLatencies).
//
// Concurrency: every member may run on any thread. One internal mutex guards the boards, the
// clock and the attached lines; interrupt handlers and registry calls run without it. Lock
// order: a caller's bus lock, then the simulator's mutex. Handlers are called one at a time
// (the delivery thread and M716SimAdvance share a delivery mutex). Detach waits only for a call
// of the detached handler in progress, however long the deliveries that make it last, and no
// handler is called after detach has returned. Neither detach nor advance may be called
// holding a bus lock that a handler takes (a handler itself may call them).

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
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
  // The simulated time from a line's rise to the call of its handler (0 by default).
  void setInterruptLatency(double seconds);
  // The delay of each handler call since the last take, in microseconds: from its line's rise
  // (converted to real time) to the call; on a frozen clock, in simulated time.
  std::vector<double> takeLatencies();

  // Runs `action(Board&)` on the board at `base` under the mutex, at the clock's time;
  // `absent` without a board. The timekeeper then looks again at what is due.
  template <class Result, class Action>
  Result onBoard(std::uint32_t base, Result absent, Action action) {
    ensureLoaded();
    Result result = absent;
    bool rose = false;
    {
      std::lock_guard lock(mutex_);
      catchUpLocked();
      Board* board = boardWithBase(base);
      if (board == nullptr) return absent;
      result = action(*board);
      rose = noteRisesLocked();
    }
    timekeeper_.wake();
    if (rose) deliverer_.wake();
    return result;
  }

 private:
  using Handler = std::shared_ptr<const platform::InterruptHandler>;
  // An attached line: its handler, the causes it was last seen raised for, and the instant it
  // rose for a cause not yet served.
  struct Line {
    Handler handler;
    std::uint64_t seenCauses = 0;
    std::optional<SimTime> risenAt;
  };
  struct DueLine {
    std::uint16_t base;
    Handler handler;
    SimTime risenAt;
  };

  Simulator();
  void ensureLoaded();
  void apply(const SimulatorConfiguration& configuration, bool onlyIfUnloaded);
  Board* boardWithBase(std::uint32_t base);
  Board* boardAt(std::uint32_t port, std::uint32_t& offset);
  SimTime nextEventLocked() const;
  // Moves the boards event by event to `time`, noting the lines that rise; true when one did
  // and the delivery thread has to look.
  bool advanceBoardsLocked(SimTime time);
  bool catchUpLocked();
  // Marks each line raised for a cause it was not raised for before as risen now; true when
  // one rose with the clock running.
  bool noteRisesLocked();
  SimTime nextDueLocked() const;
  // The lines whose handler is due at the clock's time, no longer marked as risen; a line that
  // fell meanwhile is dropped.
  std::vector<DueLine> takeDueLinesLocked();
  // Calls the line's handler unless it was detached meanwhile.
  void deliver(const DueLine& line);
  bool inDeliveryLocked(const Handler& handler) const;
  // Advances clock and boards event by event up to `target`, calling the handlers due on the
  // way (M716SimAdvance).
  void stepTo(SimTime target);
  Timekeeper::Pause tick();
  Timekeeper::Pause deliverDue();

  std::mutex mutex_;
  std::atomic<bool> loaded_ = false;
  Clock clock_;
  SimTime boardsTime_{};
  SimTime latency_{};
  std::map<std::uint16_t, std::unique_ptr<Board>> boards_;
  std::map<std::uint16_t, Line> lines_;
  std::vector<double> latencies_;  // microseconds, guarded by mutex_
  // Held while handlers are called (recursive: a handler may advance the clock itself).
  std::recursive_mutex deliveryMutex_;
  // The handlers being called, innermost last, on deliveryThread_; guarded by mutex_.
  std::vector<const platform::InterruptHandler*> delivering_;
  std::thread::id deliveryThread_;
  std::condition_variable deliveryEnded_;
  Timekeeper timekeeper_;
  Timekeeper deliverer_;
};

}  // namespace m716::sim
