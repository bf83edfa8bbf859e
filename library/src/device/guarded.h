#pragma once
// Every exported function runs its work through `guarded`, so no C++ exception leaves the
// library: a failure of the system beneath (memory exhausted, a lock or a thread refused, a
// registry file out of reach) becomes the error code the function gives for it.

#include <cstdint>

#include "KRVM716.h"

namespace m716 {

template <typename Call>
std::uint32_t guarded(std::uint32_t failure, Call&& call) noexcept {
  try {
    return call();
  } catch (...) {
    return failure;
  }
}

// The code of calls that have none of their own for a failure of the system.
constexpr std::uint32_t kSystemFailure = M716_ERR_CALL_DRIVER;

}  // namespace m716
