#pragma once
// Feeding a board's continuous path to the chip. The library hands the path over in the
// interrupt block (the first record's address, the number of points, the command word each
// value of a record is loaded with, the path's axes) and has set WR5 bit 14, so the chip
// interrupts whenever it can take a segment: at once, then as each segment starts, and when
// the interpolation ends. At each interrupt the feeder loads records until the chip holds the
// running segment and the next one, publishes the progress and, once the last segment has
// ended (or the path stopped for any reason), sets the idle flag. A record of no length is
// not loaded: it is done at once, and the path goes on with the next. A driver that comes too
// late finds the chip stopped between segments with nothing stopping it: it counts the
// underrun in the block and loads the next record into the idle chip, so the path goes on.
//
// Concurrency: start and service run with the board's bus lock held, which the library holds
// too while it reads or changes the path's fields of the block.

#include <array>
#include <cstdint>

#include "KRVM716.h"
#include "KRVM716_driver.h"

namespace m716::driver {

class PathFeeder {
 public:
  PathFeeder(M716InterruptBlock& block, std::uint16_t base) : block_(block), base_(base) {}

  // Takes over the path the block names; its first segment is loaded at the next interrupt.
  void start();
  // At each interrupt of the board.
  void service();

 private:
  void feed(std::uint16_t status);
  bool ranOut(std::uint16_t status);
  void end(std::uint16_t status);
  void publish(std::uint32_t progress);
  void loadValues(const M716ContiRecord& record);
  void loadValue(std::uint16_t command, std::int32_t value);
  void endContinuousMode();
  bool pathAxesInError(std::uint16_t status) const;
  void finish();
  void write(std::uint16_t offset, std::uint16_t value);
  std::uint16_t mainStatus();

  M716InterruptBlock& block_;
  const std::uint16_t base_;
  bool started_ =
      false;  // a path was started on the board: its interrupt is cleared at each service
  bool feeding_ = false;
  const M716ContiRecord* records_ = nullptr;
  std::uint32_t points_ = 0;
  std::uint32_t loaded_ = 0;      // records handed over: loaded, or done at once
  std::uint32_t lastLoaded_ = 0;  // point number of the last record loaded into the chip; 0: none
  std::uint32_t beforeLast_ = 0;  // of the one loaded before it
  std::array<std::uint16_t, 5> commands_{};
  std::uint16_t axes_ = 0;
};

}  // namespace m716::driver
