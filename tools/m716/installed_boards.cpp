#include "installed_boards.h"

#include <string>

#include "m716/board/registry_layout.h"
#include "m716/platform/registry.h"

namespace m716::tool {
namespace {

using platform::RegKey;
using platform::RegStatus;

std::optional<std::uint32_t> dword(const RegKey& key, const char* name) {
  std::uint32_t value = 0;
  if (key.queryDword(name, value) != RegStatus::ok) return std::nullopt;
  return value;
}

}  // namespace

std::optional<InstalledBoard> installedBoard(std::uint32_t number) {
  RegKey key;
  if (platform::registry().openKey(keys::hardwareKey(number), key) != RegStatus::ok)
    return InstalledBoard{number, std::nullopt, std::nullopt};
  return InstalledBoard{number, dword(key, keys::kBaseAddress), dword(key, keys::kInterrupt)};
}

std::optional<std::vector<InstalledBoard>> installedBoards(RegStatus* failure) {
  RegKey key;
  std::vector<InstalledBoard> boards;
  const RegStatus opened = platform::registry().openKey(keys::kHardwareBranch, key);
  if (opened == RegStatus::notFound) return boards;
  std::uint32_t inUse = 0;
  const RegStatus read =
      opened == RegStatus::ok ? key.queryDword(keys::kBoardsInUse, inUse) : opened;
  if (read != RegStatus::ok && read != RegStatus::notFound) {
    *failure = read;
    return std::nullopt;
  }
  for (std::uint32_t number = 0; number < 16; ++number)
    if (inUse & (1u << number)) boards.push_back(*installedBoard(number));
  return boards;
}

bool hasParameterKey(std::uint32_t number) {
  RegKey key;
  return platform::registry().openKey(keys::parameterKey(number), key) == RegStatus::ok;
}

std::vector<StoredValue> storedParameters(std::uint32_t number, const char* axisKey) {
  std::string path = keys::parameterKey(number);
  if (*axisKey != '\0') path += std::string("\\") + axisKey;
  RegKey key;
  std::vector<StoredValue> values;
  if (platform::registry().openKey(path, key) != RegStatus::ok) return values;
  platform::RegValue value;
  for (std::uint32_t i = 0; key.enumValue(i, value) == RegStatus::ok; ++i)
    if (value.type == platform::RegType::dword) values.push_back({value.name, value.dword});
  return values;
}

}  // namespace m716::tool
