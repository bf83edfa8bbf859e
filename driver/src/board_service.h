#pragma once
// The driver's work for one registered board: the two named events it created, its interrupt
// line, and the interrupt service that adds the factors to those pending in the board's
// interrupt block, then moves the board's compare and speed tables on (table_service.h) and
// feeds its continuous path (path_feeder.h).
//
// Concurrency: register, unregister and the interrupt service may run on different threads.
// The service holds the board's bus lock, then the service's own mutex; unregistering takes
// only the mutex, after detaching the line (never under the bus lock).

#include <cstdint>
#include <memory>
#include <mutex>

#include "KRVM716_driver.h"
#include "m716/platform/events.h"
#include "path_feeder.h"
#include "table_service.h"

namespace m716::driver {

class BoardService : public std::enable_shared_from_this<BoardService> {
 public:
  // Creates (or opens) the board's events and attaches to its interrupt line when the board
  // has one; nullptr when the events cannot be created.
  static std::shared_ptr<BoardService> start(M716InterruptBlock& block);
  ~BoardService();
  BoardService(const BoardService&) = delete;
  BoardService& operator=(const BoardService&) = delete;

  // Detaches from the line and closes the events.
  void stop();
  // DriverProc code 5: takes over the continuous path the block names. False when the block is
  // not this board's, or the board has no interrupt line, through which alone the path is fed.
  bool startPath(const M716InterruptBlock& block);

  // DriverProc codes 3 and 4: takes over the table of the slot the block names, under the
  // board's bus lock. False when the block is not this board's or names no axis.
  bool takeTable(const M716InterruptBlock& block, std::uintptr_t code);

 private:
  BoardService(M716InterruptBlock& block, platform::EventHandle interrupt,
               platform::EventHandle home);
  void serviceInterrupt();
  void closeEvents();

  M716InterruptBlock& block_;
  const std::uint16_t base_;
  std::mutex mutex_;
  platform::EventHandle interruptEvent_;
  platform::EventHandle homeEvent_;
  bool attached_ = false;
  TableService tables_;  // used under the bus lock only
  PathFeeder pathFeeder_;
};

}  // namespace m716::driver
