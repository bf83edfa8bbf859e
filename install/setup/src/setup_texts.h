#pragma once
// What the setup hooks show, and the registry reads they share.
//
// Concurrency: constants and a function of its arguments only.

#include <cstdint>
#include <optional>
#include <string>

#include "m716/platform/registry.h"

namespace m716::setup {

inline constexpr const char* kCaption = "LX2210/2220 Driver Install";
inline constexpr const char* kUnloadFailed =
    "Failed to unload driver. Please check if the registry is being edited.You'd better reboot "
    "the computer and try again.";
inline constexpr const char* kInstallFailed = "Installation Failed! Please try it again.";

// The string value `name` of `key` when it fits a buffer of `capacity` bytes with its
// terminating null; a longer one fails as it would for want of room.
inline std::optional<std::string> boundedString(const platform::RegKey& key, const char* name,
                                                std::uint32_t capacity) {
  platform::RegValue value;
  if (key.queryValue(name, value) != platform::RegStatus::ok ||
      value.type != platform::RegType::string || value.size > capacity)
    return std::nullopt;
  return value.text;
}

}  // namespace m716::setup
