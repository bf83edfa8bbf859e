#pragma once
// The two entries through which the platform's simulated bus backend takes the simulated
// boards' bus and interrupt lines, after loading libm716_sim.so and resolving them by name.
// Both return objects that live as long as the process.

#include "m716/platform/bus.h"
#include "m716sim.h"

extern "C" {
M716SIM_API m716::platform::PortBus* M716SimPortBus(void);
M716SIM_API m716::platform::InterruptLines* M716SimInterruptLines(void);
}
