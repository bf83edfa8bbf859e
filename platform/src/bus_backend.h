#pragma once
// The bus backend of this build: exactly one of bus_simulated.cpp and bus_x86.cpp defines
// these. Both are prepared at first call and live for the rest of the process.

#include "m716/platform/bus.h"

namespace m716::platform::detail {

PortBus& backendBus();
InterruptLines& backendInterruptLines();

constexpr std::uint32_t kLastPort = 0xFFFF;
constexpr std::uint16_t kNoDevice = 0xFFFF;  // what a port without a device reads

}  // namespace m716::platform::detail
