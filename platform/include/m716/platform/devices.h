#pragma once
// The device manager: drivers running as devices, each reached by its call name ("TRX1:").
//
// Active devices are kept in the registry, as the system's original platform keeps them: one
// key per device under HKLM\Drivers\Active, named by its device handle in two or more digits,
// with the values "Name" (the call name), "Hnd" (the device handle), "Key" (the driver's
// registry key) and "Flags" (copied from the driver's key at activation). A driver whose
// flags say it cannot be unloaded refuses deactivation with access denied.
//
// Each call that fails sets the error of the calling thread (lastError); a call that succeeds
// leaves it as it was.
//
// Concurrency: every call may run on any thread; activation and deactivation are each one
// registry transaction.

#include <cstdint>
#include <string>
#include <string_view>

#include "m716/platform/export.h"

namespace m716::platform {

inline constexpr const char* kActiveDevicesKey = "Drivers\\Active";
inline constexpr std::uint32_t kDeviceNoUnload = 0x20;  // "Flags": the driver stays loaded

// The numbers lastError gives.
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidHandle = 6;
inline constexpr std::uint32_t kErrorGeneralFailure = 31;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorAlreadyExists = 183;

using DeviceHandle = std::uint32_t;

// The device information record, field for field and 1 584 bytes as on the original platform;
// the caller sets `size` to the record's size before asking for it.
struct DeviceInformation {
  std::uint32_t size = 0;
  DeviceHandle device = 0;
  DeviceHandle parent = 0;
  char16_t legacyName[6] = {};    // the call name, "TRX1:"
  char16_t deviceKey[260] = {};   // the driver's registry key
  char16_t deviceName[260] = {};  // "$device\" and the call name without its colon
  char16_t busName[260] = {};
};
static_assert(sizeof(DeviceInformation) == 1584);

// A device opened by its call name for reading and writing, like a file handle.
struct DeviceFile {
  DeviceHandle device = 0;  // 0: not open
  bool isOpen() const { return device != 0; }
  void close() { device = 0; }
};

// Opens the active device whose call name is `callName` (case-insensitively).
M716_PLATFORM_API bool openDevice(std::string_view callName, DeviceFile& file);
// Fills `info` for the device open in `file`; info.size must be sizeof(DeviceInformation).
M716_PLATFORM_API bool deviceInformation(const DeviceFile& file, DeviceInformation& info);
// Starts the driver described by the registry key `driverKey`: its string "Prefix" (three
// letters) and DWORD "Index" (default 1) make the call name, its DWORD "Flags" (default 0) is
// kept. Fails with kErrorAlreadyExists when a device of that call name is active.
M716_PLATFORM_API bool activateDevice(std::string_view driverKey, DeviceHandle& device);
// Unloads the device.
M716_PLATFORM_API bool deactivateDevice(DeviceHandle device);
// The error of this thread's last failed call.
M716_PLATFORM_API std::uint32_t lastError();
M716_PLATFORM_API void setLastError(std::uint32_t error);

}  // namespace m716::platform
