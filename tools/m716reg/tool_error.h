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

// Turns a failed registry call into the message the user sees, with its cause when the
// store gave one.
inline void check(platform::RegStatus status) {
  using platform::RegStatus;
  switch (status) {
    case RegStatus::ok:
      return;
    case RegStatus::notFound:
      throw ToolError(kNotFound);
    case RegStatus::tooDeep:
      throw ToolError(std::string("ERROR: Invalid key name: ") + platform::regStatusText(status) +
                      ".");
    case RegStatus::accessDenied:
    case RegStatus::notAStore:
    case RegStatus::busy:
      throw ToolError(std::string("ERROR: Error accessing the registry: ") +
                      platform::regStatusText(status) + ".");
    default:
      throw ToolError(kRegistryFailed);
  }
}

}  // namespace m716::reg
