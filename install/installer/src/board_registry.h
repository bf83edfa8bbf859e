#pragma once
// The installer's part of the registry: the driver's service key, the mask of board numbers in
// use and one key per installed board (m716/board/registry_layout.h). Every change is one
// registry transaction, so a failed one leaves the store as it was.
//
// Concurrency: the installer's user-interface thread; other programs may use the store at the
// same time (each change is atomic).

#include <cstdint>
#include <optional>
#include <string>

namespace m716::installer {

enum class ServiceKey { opened, created, failed };
// Opens the service key, or creates it with the values of its first creation.
ServiceKey openServiceKey();

// The mask of board numbers in use (bits 0 to 15; 0 when it cannot be read), or nothing when
// the service key cannot be opened.
std::optional<std::uint32_t> boardsInUse();

struct BoardSetting {
  std::optional<std::uint32_t> baseAddress;
  std::optional<std::uint32_t> interrupt;
};
BoardSetting boardSetting(std::uint32_t board);
// The board's "DeviceName", if it is a string of at most 100 bytes, its null counted.
std::optional<std::string> deviceNameOf(std::uint32_t board);

struct Installation {
  std::uint32_t board;
  std::uint32_t baseAddress;
  std::uint32_t interrupt;
  std::string deviceName;
};
enum class InstallResult { installed, boardInUse, failed };
// Marks the board in use and writes its key anew; refused when the board is in use already.
InstallResult installBoard(const Installation& installation);
// Clears the board's bit and deletes its key and the key of its saved parameters.
bool removeBoard(std::uint32_t board);

struct InstalledWindow {
  std::uint32_t board;
  std::uint32_t baseAddress;
};
// An installed board whose 32 ports overlap those from `baseAddress`.
std::optional<InstalledWindow> overlappingBoard(std::uint32_t baseAddress);

}  // namespace m716::installer
