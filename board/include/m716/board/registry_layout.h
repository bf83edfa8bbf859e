#pragma once
// Where the registry (under HKEY_LOCAL_MACHINE) describes the installed boards and keeps their
// motion parameters. The installer writes the hardware branch, the library reads it at open and
// alone writes the parameter branch. At the end, what the package setup hooks read.
//
// Concurrency: constants and pure functions.

#include <cstdint>
#include <cstdio>
#include <string>

namespace m716::keys {

// Written by the installer: the installed boards (one bit per board number) and each board's
// base address and IRQ.
inline constexpr const char* kHardwareBranch = "SYSTEM\\CurrentControlSet\\Services\\KRVM716S";
inline constexpr const char* kBoardsInUse = "BoardIDInUsed";
inline constexpr const char* kBaseAddress = "BaseAddress";
inline constexpr const char* kInterrupt = "Interrupt";

// Written by the installer alone, never read by the library: the service key's values of its
// first creation, the names of the driver's files, and each board's description.
inline constexpr const char* kServiceType = "Type";
inline constexpr const char* kServiceStart = "Start";
inline constexpr const char* kServiceGroup = "Group";
inline constexpr const char* kServiceErrorControl = "ErrorControl";
inline constexpr const char* kDriverName = "DriverName";
inline constexpr const char* kKernelKey = "KernelKey";
inline constexpr const char* kDeviceName = "DeviceName";
inline constexpr const char* kIoPortCount = "IoPortCount";
inline constexpr const char* kDriverFile = "KRVM716.DLL";
inline constexpr const char* kKernelKeyName = "KRVM716S";

// Written by the library: each board's interpolation group values, and one key per axis.
inline constexpr const char* kParameterBranch = "System\\CurrentControlSet\\Services\\KRVM716";
inline constexpr const char* kAxisKeyNames[4] = {"Xaxis", "Yaxis", "Zaxis", "Uaxis"};

// "\Board" followed by the board number in three digits. Formatted with snprintf: the digit
// table of std::to_string would be a unique symbol that keeps the library from being unloaded.
inline std::string boardSuffix(std::uint32_t board) {
  char name[16];
  std::snprintf(name, sizeof name, "\\Board%03u", board);
  return name;
}

// The name of the board's ownership mark beside the registry store: "Board" and three digits.
inline std::string ownershipMarkName(std::uint32_t board) {
  return boardSuffix(board).substr(1);
}

inline std::string hardwareKey(std::uint32_t board) {
  return kHardwareBranch + boardSuffix(board);
}
inline std::string parameterKey(std::uint32_t board) {
  return kParameterBranch + boardSuffix(board);
}
inline std::string axisKey(std::uint32_t board, std::uint32_t axis) {
  return parameterKey(board) + "\\" + kAxisKeyNames[axis];
}

// Read by the package setup hooks: the driver family whose running device is unloaded before an
// upgrade (each "Device..." subkey names its device by "CallName"), and the storage profile
// whose "Folder" the package is installed into.
inline constexpr const char* kUnloadedDriverFamily = "SYSTEM\\CurrentControlSet\\Services\\TRELIX";
inline constexpr const char* kDeviceSubkeyPrefix = "Device";
inline constexpr const char* kDeviceCallName = "CallName";
inline constexpr const char* kStorageProfile = "System\\StorageManager\\Profiles\\HDProfile";
inline constexpr const char* kStorageProfileFolder = "Folder";

}  // namespace m716::keys
