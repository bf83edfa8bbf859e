#pragma once
// What the installer's registry entries say about the installed boards.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "m716/platform/registry.h"

namespace m716::tool {

struct InstalledBoard {
  std::uint32_t number = 0;
  std::optional<std::uint32_t> baseAddress;
  std::optional<std::uint32_t> irq;
};

// The boards whose bit is set in the installed-boards mask, none when there is no entry;
// nullopt when the registry store cannot be read, with the cause in *failure.
std::optional<std::vector<InstalledBoard>> installedBoards(platform::RegStatus* failure);
std::optional<InstalledBoard> installedBoard(std::uint32_t number);

// Whether the board's parameter key exists (it is created at the board's first open).
bool hasParameterKey(std::uint32_t number);

struct StoredValue {
  std::string name;
  std::uint32_t value;
};
// The DWORD values of a parameter key: the board key ("" for axis) or one of its axis keys.
std::vector<StoredValue> storedParameters(std::uint32_t number, const char* axisKey);

}  // namespace m716::tool
