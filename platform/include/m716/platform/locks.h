#pragma once
// Locks.
//
// The bus lock: one recursive lock per board base address, which exists for the life of the
// process. The motion library and the interrupt driver hold it across every group of port
// accesses that belong together (data words and their command; an axis selection and the
// reads that follow). Looking it up is cheap and lock-free; callers may keep the reference.

#include <cstdint>
#include <mutex>

#include "m716/platform/export.h"

namespace m716::platform {

using BusLock = std::recursive_mutex;

M716_PLATFORM_API BusLock& busLock(std::uint16_t baseAddress);

}  // namespace m716::platform
