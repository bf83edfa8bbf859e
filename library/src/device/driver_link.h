#pragma once
// The link to the interrupt driver KRVM716S: loading it, calling DriverProc with a board's
// interrupt block, and the names of the board's two events.
//
// Concurrency: loadDriver may run on any thread; callDriver for one board from one thread at
// a time.

#include <cstdint>
#include <string>

namespace m716 {

// Loads "KRVM716S.dll" and resolves DriverProc; false when either fails. Each call loads the
// library again (it is never unloaded).
bool loadDriver();
bool driverLoaded();
// Calls DriverProc(0, 0, code, block of board, 0); nonzero when the driver refused, or when no
// driver is loaded.
std::uint32_t callDriver(std::uint32_t board, std::uint32_t code);

std::string interruptEventName(std::uint32_t board);
std::string homeEventName(std::uint32_t board);

}  // namespace m716
