#pragma once
// The bus of the library CPU benchmarks: reads answer 0 (no axis driving, every counter at 0),
// accesses are only counted; and board 0 bound at 0x300 behind it with the parameters an open
// loads by default.

#include <cstdint>

#include "device/board_table.h"
#include "m716/platform/bus.h"

namespace m716::bench {

class CountingBus : public platform::PortBus {
 public:
  std::uint16_t read(std::uint32_t) override {
    ++accesses;
    return 0;
  }
  void write(std::uint32_t, std::uint16_t) override { ++accesses; }
  std::uint64_t accesses = 0;
};

inline CountingBus& bindCountedBoard() {
  static CountingBus bus;
  platform::useBus(&bus);
  BoardRecord& record = boards[0];
  record.baseAddress = 0x300;
  record.bound = true;
  for (AxisRecord& axis : record.axes) {
    axis.rg = 8'000'000;
    axis.multiplier = 1;
    axis.mdv = 8000;
    axis.configured = {1000, 6000, 600'000, 10'000'000};
    axis.plmt = 2'000'000'000;
    axis.nlmt = -2'000'000'000;
  }
  record.interpolation = {2, 4'000'000, 0, 1000, 6000, 10'000, 600'000, 10'000'000, 600'000};
  interruptBlocks[0].pathIdle = 1;
  return bus;
}

}  // namespace m716::bench
