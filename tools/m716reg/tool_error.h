#pragma once
// A failure that ends the command: main prints the message as one line and exits with 1.

#include <stdexcept>
#include <string>

#include "m716/platform/registry.h"

namespace m716::reg {

class ToolError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A first argument that names no command: main says so in one line and exits with 2.
class UnknownCommand : public ToolError {
 public:
  using ToolError::ToolError;
};

inline constexpr const char* kNotFound =
    "ERROR: The system was unable to find the specified registry key or value.";
inline constexpr const char* kRegistryFailed = "ERROR: Error accessing the registry.";
inline constexpr const char* kInvalidSyntax =
    "ERROR: Invalid syntax. Type \"m716reg /?\" for usage.";

// Turns a failed registry call into the message the user sees.
inline void check(platform::RegStatus status) {
  if (status == platform::RegStatus::notFound) throw ToolError(kNotFound);
  if (status != platform::RegStatus::ok) throw ToolError(kRegistryFailed);
}

}  // namespace m716::reg
