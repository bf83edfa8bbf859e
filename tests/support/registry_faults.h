#pragma once
// Makes one write to the registry fail, as a full disk or an I/O error would, so that tests
// can drive the error and rollback paths of the code that writes the registry. The platform's
// store asks this library (libm716_registry_faults.so) before each write; the installed
// system has no such library, and its writes never fail on purpose.

#include <cstdint>

namespace m716::platform {

// The n-th write from now on (1: the next one), on any store of this process, fails with
// RegStatus::failed and changes nothing; the writes after it succeed again. A write is one
// change to a store: a value set or deleted, a key deleted, or a key added (creating a path
// adds one key for each missing part). A later call replaces a pending fault; 0 cancels it.
void failRegistryWrite(std::uint32_t n);
void clearRegistryWriteFault();

}  // namespace m716::platform
