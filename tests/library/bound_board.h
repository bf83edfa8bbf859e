#pragma once
// Bus-level fixture: board 0 bound at 0x300 with the parameters an open loads by default, on a
// recording bus with no board behind it. Reads answer what the test scripts; by default no
// axis drives, every counter reads 0 and no end status shows.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "device/board_table.h"
#include "device/parameters.h"
#include "m716/board/registers.h"
#include "m716/platform/bus.h"
#include "support/recording_bus.h"

namespace m716::test {

using platform::RecordingBus;
using Access = RecordingBus::Access;

constexpr std::uint32_t kBase = 0x300;

inline Access portWrite(std::uint16_t offset, std::uint16_t value) {
  return {true, kBase + offset, value};
}
inline Access portRead(std::uint16_t offset, std::uint16_t value) {
  return {false, kBase + offset, value};
}

// The words a sequence is expected to put on the bus, built command by command.
struct Words {
  std::vector<Access> accesses;

  Words& write(std::uint16_t offset, std::uint16_t value) {
    accesses.push_back(portWrite(offset, value));
    return *this;
  }
  Words& read(std::uint16_t offset, std::uint16_t value) {
    accesses.push_back(portRead(offset, value));
    return *this;
  }
  Words& command(std::uint32_t axes, std::uint16_t code) {
    return write(chip::WR0, chip::commandWord(axes, code));
  }
  Words& data16(std::uint32_t axes, std::uint16_t code, std::uint16_t value) {
    return write(chip::WR6, value).command(axes, code);
  }
  Words& data32(std::uint32_t axes, std::uint16_t code, std::uint32_t value) {
    write(chip::WR6, static_cast<std::uint16_t>(value));
    write(chip::WR7, static_cast<std::uint16_t>(value >> 16));
    return command(axes, code);
  }
  // A 32-bit read: the read command, then the data words in the order given.
  Words& read32(std::uint32_t axes, std::uint16_t code, std::uint32_t value, bool highFirst) {
    command(axes, code);
    const auto low = static_cast<std::uint16_t>(value),
               high = static_cast<std::uint16_t>(value >> 16);
    return highFirst ? read(chip::RR7, high).read(chip::RR6, low)
                     : read(chip::RR6, low).read(chip::RR7, high);
  }
  Words& mode(std::uint32_t axes, std::uint16_t port, std::uint16_t value) {
    return command(axes, chip::Select).write(port, value);
  }
};

class BoundBoardTest : public ::testing::Test {
 protected:
  // Board 0 bound and open with its stored defaults in force, every other board as before
  // any open.
  void SetUp() override {
    platform::useBus(&bus_);
    forgetBoards();
    BoardRecord& record = boards[0];
    record.baseAddress = kBase;
    record.bound = record.open = true;
    for (AxisRecord& axis : record.axes) {
      axis.rangeInForce = axis.rg;
      axis.multiplierInForce = axis.multiplier;
    }
    interruptBlocks[0].pathIdle = interruptBlocks[0].pathStop = 1;
    for (std::uint16_t port :
         {chip::RR0, chip::RR1, chip::RR2, chip::RR3, chip::RR4, chip::RR5, chip::RR6, chip::RR7})
      answer(port, 0);
  }
  // No case leaves a board bound for the next: its ports would be touched with no open.
  void TearDown() override {
    forgetBoards();
    platform::useBus(nullptr);
  }

  // Every board record and interrupt block as the library holds them before any open.
  static void forgetBoards() {
    boards.fill(defaultBoardRecord());
    interruptBlocks.fill(M716InterruptBlock{});
  }

  void answer(std::uint16_t offset, std::uint16_t value) {
    bus_.answerReads(kBase + offset, value);
  }
  // Scripts the 32-bit value the data registers give.
  void answerData(std::uint32_t value) {
    answer(chip::RR6, static_cast<std::uint16_t>(value));
    answer(chip::RR7, static_cast<std::uint16_t>(value >> 16));
  }
  AxisRecord& axis(std::uint32_t index) { return boards[0].axes[index]; }
  std::vector<Access> accesses() const { return bus_.accesses(); }
  std::vector<std::uint16_t> commands() const { return bus_.writesTo(kBase + chip::WR0); }
  bool busUntouched() const { return bus_.accesses().empty(); }

  RecordingBus bus_;
};

}  // namespace m716::test
