#include "driver_unload.h"

#include <strings.h>

#include <cstdint>
#include <string>

#include "m716/board/registry_layout.h"
#include "m716/platform/devices.h"
#include "m716/platform/message_box.h"
#include "m716/platform/registry.h"
#include "setup_texts.h"

namespace m716::setup {
namespace {

using platform::registry;
using platform::RegKey;
using platform::RegStatus;

constexpr std::uint32_t kCallNameCapacity = 128;

enum class Outcome { nextSubkey, sameSubkey, end };

// The family's device subkeys are "Device", "Device1", ...: names beginning with "Device",
// compared without regard to case as every registry name is. Other subkeys are skipped.
bool isDeviceSubkey(const std::string& name) {
  const std::string prefix = keys::kDeviceSubkeyPrefix;
  return ::strncasecmp(name.c_str(), prefix.c_str(), prefix.size()) == 0;
}

// Opens the device by its call name, finds its device handle and deactivates it.
Outcome unloadDevice(const std::string& callName) {
  platform::DeviceFile file;
  if (!platform::openDevice(callName, file)) return Outcome::end;
  platform::DeviceInformation info;
  info.size = sizeof info;
  const bool known = platform::deviceInformation(file, info);
  file.close();
  if (!known) return Outcome::end;
  if (platform::deactivateDevice(info.device)) return Outcome::sameSubkey;
  // Only a refused deactivation has an error of its own: a successful one leaves that of an
  // earlier call. Either refusal ends the procedure; retrying would refuse again.
  if (platform::lastError() == platform::kErrorAccessDenied)
    platform::showMessage(kCaption, kUnloadFailed);
  return Outcome::end;
}

Outcome examine(const std::string& subkey) {
  if (!isDeviceSubkey(subkey)) return Outcome::nextSubkey;
  RegKey device;
  if (registry().openKey(std::string(keys::kUnloadedDriverFamily) + "\\" + subkey, device) !=
      RegStatus::ok)
    return Outcome::nextSubkey;
  const auto callName = boundedString(device, keys::kDeviceCallName, kCallNameCapacity);
  device.close();
  return callName ? unloadDevice(*callName) : Outcome::nextSubkey;
}

}  // namespace

void unloadRunningDriver() {
  RegKey family;
  if (registry().openKey(keys::kUnloadedDriverFamily, family) != RegStatus::ok) return;
  std::string subkey;
  for (std::uint32_t index = 0; family.enumKey(index, subkey) == RegStatus::ok;) {
    switch (examine(subkey)) {
      case Outcome::nextSubkey:
        ++index;
        break;
      case Outcome::sameSubkey:
        break;
      case Outcome::end:
        return;
    }
  }
}

}  // namespace m716::setup
