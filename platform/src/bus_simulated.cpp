// The bus backend of the default build: the simulated boards of libm716_sim.so, loaded from
// the folder of this library at first use. The simulator exports two C entries that hand out
// its bus and its interrupt lines.

#include "bus_backend.h"
#include "m716/platform/dynload.h"

namespace m716::platform::detail {
namespace {

using PortBusEntry = PortBus* (*)();
using InterruptLinesEntry = InterruptLines* (*)();

// Stands in for the boards when the simulator cannot be loaded: no board answers.
class AbsentBus final : public PortBus {
 public:
  std::uint16_t read(std::uint32_t) override { return kNoDevice; }
  void write(std::uint32_t, std::uint16_t) override {}
};

class AbsentInterruptLines final : public InterruptLines {
 public:
  bool attach(std::uint16_t, InterruptHandler) override { return false; }
  void detach(std::uint16_t) override {}
};

// The simulator's bus, limited to the 16-bit port space.
class SimulatedBus final : public PortBus {
 public:
  explicit SimulatedBus(PortBus& boards) : boards_(boards) {}
  std::uint16_t read(std::uint32_t port) override {
    return port > kLastPort ? kNoDevice : boards_.read(port);
  }
  void write(std::uint32_t port, std::uint16_t value) override {
    if (port <= kLastPort) boards_.write(port, value);
  }

 private:
  PortBus& boards_;
};

struct Backend {
  ModuleHandle simulator;
  PortBus* bus;
  InterruptLines* lines;
};

// Any object of this library tells where the library lies.
const char thisLibrary = 0;

// Loaded once and kept for the life of the process, like everything it hands out.
Backend loadSimulator() {
  ModuleHandle simulator = loadLibrary("libm716_sim.so", &thisLibrary);
  auto busEntry = reinterpret_cast<PortBusEntry>(findEntry(simulator, "M716SimPortBus"));
  auto linesEntry =
      reinterpret_cast<InterruptLinesEntry>(findEntry(simulator, "M716SimInterruptLines"));
  PortBus* boards = busEntry ? busEntry() : nullptr;
  InterruptLines* lines = linesEntry ? linesEntry() : nullptr;
  if (!boards || !lines) {
    freeLibrary(simulator);
    return {nullptr, new AbsentBus, new AbsentInterruptLines};
  }
  return {simulator, new SimulatedBus(*boards), lines};
}

const Backend& backend() {
  static const Backend loaded = loadSimulator();
  return loaded;
}

}  // namespace

PortBus& backendBus() {
  return *backend().bus;
}

InterruptLines& backendInterruptLines() {
  return *backend().lines;
}

}  // namespace m716::platform::detail
