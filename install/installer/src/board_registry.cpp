#include "board_registry.h"

#include "board_entries.h"
#include "m716/board/registry_layout.h"
#include "m716/platform/registry.h"

namespace m716::installer {
namespace {

using platform::RegKey;
using platform::RegStatus;

constexpr std::uint32_t kBoardBits = 0xFFFF;
constexpr std::size_t kDeviceNameBytes = 100;

bool ok(RegStatus status) {
  return status == RegStatus::ok;
}

bool deleted(RegStatus status) {
  return status == RegStatus::ok || status == RegStatus::notFound;
}

std::optional<std::uint32_t> dword(const RegKey& key, const char* name) {
  std::uint32_t value = 0;
  if (!ok(key.queryDword(name, value))) return std::nullopt;
  return value;
}

// As stored: bits above 15 mean nothing, and are kept as they are.
std::uint32_t maskOf(const RegKey& service) {
  return dword(service, keys::kBoardsInUse).value_or(0);
}

bool writeFirstValues(RegKey& service) {
  return ok(service.setDword(keys::kServiceType, 1)) &&
         ok(service.setDword(keys::kServiceStart, 2)) &&
         ok(service.setString(keys::kServiceGroup, "Extended Base")) &&
         ok(service.setDword(keys::kBoardsInUse, 0)) &&
         ok(service.setDword(keys::kServiceErrorControl, 1));
}

bool writeBoardKey(const Installation& installation) {
  const std::string path = keys::hardwareKey(installation.board);
  auto& store = platform::registry();
  RegKey board;
  return deleted(store.deleteKey(path)) && ok(store.createKey(path, board)) &&
         ok(board.setString(keys::kDeviceName, installation.deviceName)) &&
         ok(board.setString(keys::kDriverName, keys::kDriverFile)) &&
         ok(board.setString(keys::kKernelKey, keys::kKernelKeyName)) &&
         ok(board.setDword(keys::kBaseAddress, installation.baseAddress)) &&
         ok(board.setDword(keys::kIoPortCount, kPortWindow)) &&
         ok(board.setDword(keys::kInterrupt, installation.interrupt));
}

}  // namespace

ServiceKey openServiceKey() {
  auto& store = platform::registry();
  platform::RegTransaction change(store);
  RegKey service;
  bool created = false;
  if (!ok(store.createKey(keys::kHardwareBranch, service, &created))) return ServiceKey::failed;
  if (!created) return ServiceKey::opened;
  if (!writeFirstValues(service) || !ok(change.commit())) return ServiceKey::failed;
  return ServiceKey::created;
}

std::optional<std::uint32_t> boardsInUse() {
  RegKey service;
  if (!ok(platform::registry().openKey(keys::kHardwareBranch, service))) return std::nullopt;
  return maskOf(service) & kBoardBits;
}

BoardSetting boardSetting(std::uint32_t board) {
  RegKey key;
  if (!ok(platform::registry().openKey(keys::hardwareKey(board), key))) return {};
  return {dword(key, keys::kBaseAddress), dword(key, keys::kInterrupt)};
}

std::optional<std::string> deviceNameOf(std::uint32_t board) {
  RegKey key;
  std::string name;
  if (!ok(platform::registry().openKey(keys::hardwareKey(board), key)) ||
      !ok(key.queryString(keys::kDeviceName, name)) || name.size() + 1 > kDeviceNameBytes)
    return std::nullopt;
  return name;
}

InstallResult installBoard(const Installation& installation) {
  auto& store = platform::registry();
  platform::RegTransaction change(store);
  RegKey service;
  if (!ok(store.openKey(keys::kHardwareBranch, service))) return InstallResult::failed;
  const std::uint32_t inUse = maskOf(service);
  const std::uint32_t bit = 1u << installation.board;
  if (inUse & bit) return InstallResult::boardInUse;
  const bool written = ok(service.setString(keys::kDriverName, keys::kDriverFile)) &&
                       ok(service.setString(keys::kKernelKey, keys::kKernelKeyName)) &&
                       ok(service.setDword(keys::kBoardsInUse, inUse | bit)) &&
                       writeBoardKey(installation);
  return written && ok(change.commit()) ? InstallResult::installed : InstallResult::failed;
}

bool removeBoard(std::uint32_t board) {
  auto& store = platform::registry();
  platform::RegTransaction change(store);
  RegKey service;
  return ok(store.openKey(keys::kHardwareBranch, service)) &&
         ok(service.setDword(keys::kBoardsInUse, maskOf(service) & ~(1u << board))) &&
         deleted(store.deleteKey(keys::hardwareKey(board))) &&
         deleted(store.deleteKey(keys::parameterKey(board))) && ok(change.commit());
}

std::optional<InstalledWindow> overlappingBoard(std::uint32_t baseAddress) {
  const std::uint32_t inUse = boardsInUse().value_or(0);
  for (std::uint32_t board = 0; board < kBoardCount; ++board) {
    if ((inUse & (1u << board)) == 0) continue;
    const auto installed = boardSetting(board).baseAddress;
    if (installed && portWindowsOverlap(baseAddress, *installed))
      return InstalledWindow{board, *installed};
  }
  return std::nullopt;
}

}  // namespace m716::installer
