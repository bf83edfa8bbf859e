#include "installed_boards.h"

#include <cstdio>
#include <string>

#include "m716/platform/registry.h"

namespace m716::tool {
namespace {

using platform::RegKey;
using platform::RegStatus;

constexpr const char* kHardwareBranch = "SYSTEM\\CurrentControlSet\\Services\\KRVM716S";
constexpr const char* kParameterBranch = "System\\CurrentControlSet\\Services\\KRVM716";

std::string boardKey(const char* branch, std::uint32_t number) {
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "\\Board%03u", number);
  return branch + std::string(suffix);
}

std::optional<std::uint32_t> dword(const RegKey& key, const char* name) {
  std::uint32_t value = 0;
  if (key.queryDword(name, value) != RegStatus::ok) return std::nullopt;
  return value;
}

}  // namespace

std::optional<InstalledBoard> installedBoard(std::uint32_t number) {
  RegKey key;
  if (platform::registry().openKey(boardKey(kHardwareBranch, number), key) != RegStatus::ok)
    return InstalledBoard{number, std::nullopt, std::nullopt};
  return InstalledBoard{number, dword(key, "BaseAddress"), dword(key, "Interrupt")};
}

std::vector<InstalledBoard> installedBoards() {
  RegKey key;
  std::vector<InstalledBoard> boards;
  if (platform::registry().openKey(kHardwareBranch, key) != RegStatus::ok) return boards;
  const std::uint32_t inUse = dword(key, "BoardIDInUsed").value_or(0);
  for (std::uint32_t number = 0; number < 16; ++number)
    if (inUse & (1u << number)) boards.push_back(*installedBoard(number));
  return boards;
}

bool hasParameterKey(std::uint32_t number) {
  RegKey key;
  return platform::registry().openKey(boardKey(kParameterBranch, number), key) == RegStatus::ok;
}

std::vector<StoredValue> storedParameters(std::uint32_t number, const char* axisKey) {
  std::string path = boardKey(kParameterBranch, number);
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
