#pragma once
// The 16-bit I/O port bus and the boards' interrupt lines.
//
// One interface, one backend per file: the simulated boards (default: libm716_sim.so, loaded
// at first use), real x86 I/O ports (built with M716_X86_PORTS); tests put a recording bus
// (tests/support/recording_bus.h) in front with useBus.
//
// Concurrency: bus accesses may come from any thread; callers serialise groups of accesses
// with the board's bus lock (locks.h). Interrupt handlers run on a thread of the backend and
// are never called while the backend holds a lock of its own, so they may take the bus lock
// and access the bus.

#include <cstdint>
#include <functional>

#include "m716/platform/export.h"

namespace m716::platform {

class M716_PLATFORM_API PortBus {
 public:
  virtual ~PortBus() = default;
  // Ports above 0xFFFF do not exist: reads give 0xFFFF, writes are dropped.
  virtual std::uint16_t read(std::uint32_t port) = 0;
  virtual void write(std::uint32_t port, std::uint16_t value) = 0;
};

using InterruptHandler = std::function<void()>;

// The interrupt line of each board, by base address. The handler is called while the line is
// raised (level-triggered); it must service the cause, which drops the line.
class M716_PLATFORM_API InterruptLines {
 public:
  virtual ~InterruptLines() = default;
  virtual bool attach(std::uint16_t baseAddress, InterruptHandler handler) = 0;
  virtual void detach(std::uint16_t baseAddress) = 0;
};

// The bus in use: the one set by useBus, else the backend of this build.
M716_PLATFORM_API PortBus& bus();
M716_PLATFORM_API InterruptLines& interruptLines();
// Puts `replacement` in place of the backend (nullptr: back to the backend). Not for use
// while other threads access the bus.
M716_PLATFORM_API void useBus(PortBus* replacement);

}  // namespace m716::platform
