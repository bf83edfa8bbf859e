#include "m716/platform/devices.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "m716/platform/registry.h"

namespace m716::platform {
namespace {

constexpr const char* kCallName = "Name";
constexpr const char* kHandle = "Hnd";
constexpr const char* kDriverKey = "Key";
constexpr const char* kFlags = "Flags";

thread_local std::uint32_t threadError = 0;

bool fail(std::uint32_t error) {
  threadError = error;
  return false;
}

std::string activeKey(DeviceHandle device) {
  char name[32];
  std::snprintf(name, sizeof name, "%s\\%02u", kActiveDevicesKey, device);
  return name;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(
      a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

template <std::size_t N>
void widen(std::string_view text, char16_t (&field)[N]) {
  const std::size_t length = std::min(text.size(), N - 1);
  for (std::size_t i = 0; i < length; ++i) field[i] = static_cast<unsigned char>(text[i]);
  field[length] = u'\0';
}

// Calls `visit` with the handle and call name of each active device until it returns true.
template <typename Visit>
void forEachActiveDevice(Visit visit) {
  RegKey active;
  if (registry().openKey(kActiveDevicesKey, active) != RegStatus::ok) return;
  std::string name;
  for (std::uint32_t i = 0; active.enumKey(i, name) == RegStatus::ok; ++i) {
    RegKey device;
    std::string callName;
    std::uint32_t handle = 0;
    if (registry().openKey(active.path() + "\\" + name, device) == RegStatus::ok &&
        device.queryDword(kHandle, handle) == RegStatus::ok &&
        device.queryString(kCallName, callName) == RegStatus::ok && visit(handle, callName))
      return;
  }
}

DeviceHandle findDevice(std::string_view callName) {
  DeviceHandle found = 0;
  forEachActiveDevice([&](DeviceHandle handle, const std::string& name) {
    if (equalsIgnoringCase(name, callName)) found = handle;
    return found != 0;
  });
  return found;
}

DeviceHandle nextHandle() {
  DeviceHandle highest = 0;
  forEachActiveDevice([&](DeviceHandle handle, const std::string&) {
    highest = std::max(highest, handle);
    return false;
  });
  return highest + 1;
}

std::uint32_t dwordOr(const RegKey& key, const char* name, std::uint32_t otherwise) {
  std::uint32_t value = otherwise;
  return key.queryDword(name, value) == RegStatus::ok ? value : otherwise;
}

}  // namespace

bool openDevice(std::string_view callName, DeviceFile& file) {
  const DeviceHandle device = findDevice(callName);
  if (device == 0) return fail(kErrorFileNotFound);
  file.device = device;
  return true;
}

bool deviceInformation(const DeviceFile& file, DeviceInformation& info) {
  if (info.size != sizeof(DeviceInformation)) return fail(kErrorInvalidParameter);
  RegKey device;
  std::string callName, driverKey;
  if (!file.isOpen() || registry().openKey(activeKey(file.device), device) != RegStatus::ok ||
      device.queryString(kCallName, callName) != RegStatus::ok)
    return fail(kErrorInvalidHandle);
  device.queryString(kDriverKey, driverKey);
  info = DeviceInformation{};
  info.size = sizeof(DeviceInformation);
  info.device = file.device;
  widen(callName, info.legacyName);
  widen(driverKey, info.deviceKey);
  std::string_view baseName = callName;
  if (baseName.ends_with(':')) baseName.remove_suffix(1);
  widen("$device\\" + std::string(baseName), info.deviceName);
  return true;
}

bool activateDevice(std::string_view driverKey, DeviceHandle& device) {
  RegTransaction transaction(registry());
  RegKey driver;
  std::string prefix;
  if (registry().openKey(driverKey, driver) != RegStatus::ok) return fail(kErrorFileNotFound);
  if (driver.queryString("Prefix", prefix) != RegStatus::ok || prefix.size() != 3)
    return fail(kErrorInvalidParameter);
  const std::string callName = prefix + std::to_string(dwordOr(driver, "Index", 1)) + ":";
  if (findDevice(callName) != 0) return fail(kErrorAlreadyExists);

  const DeviceHandle handle = nextHandle();
  RegKey active;
  const bool written = registry().createKey(activeKey(handle), active) == RegStatus::ok &&
                       active.setString(kCallName, callName) == RegStatus::ok &&
                       active.setDword(kHandle, handle) == RegStatus::ok &&
                       active.setString(kDriverKey, driverKey) == RegStatus::ok &&
                       active.setDword(kFlags, dwordOr(driver, kFlags, 0)) == RegStatus::ok;
  if (!written || transaction.commit() != RegStatus::ok) return fail(kErrorGeneralFailure);
  device = handle;
  return true;
}

bool deactivateDevice(DeviceHandle device) {
  RegTransaction transaction(registry());
  RegKey active;
  if (device == 0 || registry().openKey(activeKey(device), active) != RegStatus::ok)
    return fail(kErrorInvalidHandle);
  if ((dwordOr(active, kFlags, 0) & kDeviceNoUnload) != 0) return fail(kErrorAccessDenied);
  active.close();
  if (registry().deleteKey(activeKey(device)) != RegStatus::ok ||
      transaction.commit() != RegStatus::ok)
    return fail(kErrorGeneralFailure);
  return true;
}

std::uint32_t lastError() {
  return threadError;
}

void setLastError(std::uint32_t error) {
  threadError = error;
}

}  // namespace m716::platform
