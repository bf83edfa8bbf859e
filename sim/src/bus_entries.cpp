#include "bus_entries.h"

#include "simulator.h"

namespace m716::sim {
namespace {

class SimulatedBus final : public platform::PortBus {
 public:
  std::uint16_t read(std::uint32_t port) override { return Simulator::instance().read(port); }
  void write(std::uint32_t port, std::uint16_t value) override {
    Simulator::instance().write(port, value);
  }
};

class SimulatedInterruptLines final : public platform::InterruptLines {
 public:
  bool attach(std::uint16_t baseAddress, platform::InterruptHandler handler) override {
    return Simulator::instance().attach(baseAddress, std::move(handler));
  }
  void detach(std::uint16_t baseAddress) override { Simulator::instance().detach(baseAddress); }
};

}  // namespace
}  // namespace m716::sim

// Never destroyed: the platform may use them until the process ends.
m716::platform::PortBus* M716SimPortBus(void) {
  static auto* bus = new m716::sim::SimulatedBus;
  return bus;
}

m716::platform::InterruptLines* M716SimInterruptLines(void) {
  static auto* lines = new m716::sim::SimulatedInterruptLines;
  return lines;
}
