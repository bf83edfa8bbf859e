// DriverProc, the driver's one entry: registers and unregisters boards, takes over their
// compare and speed tables (codes 3 and 4) and starts feeding a board's continuous path
// (code 5).
//
// Concurrency: calls may come from any thread; they are served one at a time. Do not call it
// holding the bus lock of a board being registered or unregistered: unregistering waits for
// an interrupt service in progress, which takes that lock. Code 5 may be called holding the
// bus lock of its own board (the library does, so that no interrupt service comes between
// the path's handing over and its start).

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <type_traits>

#include "KRVM716_driver.h"
#include "board_service.h"

namespace m716::driver {
namespace {

constexpr std::uint32_t kSuccess = 0;
constexpr std::uint32_t kFailed = 1;
constexpr std::uint32_t kNotSupported = 2;

// The registered boards by board number. Never destroyed: an interrupt may still be served
// while the process ends.
struct Registrations {
  std::mutex mutex;
  std::map<std::uint8_t, std::shared_ptr<BoardService>> boards;
};

Registrations& registrations() {
  static auto* table = new Registrations;
  return *table;
}

// Stops the service registered for `board`, if any. The table's mutex is held.
void unregisterLocked(Registrations& table, std::uint8_t board) {
  auto found = table.boards.find(board);
  if (found == table.boards.end()) return;
  found->second->stop();
  table.boards.erase(found);
}

std::uint32_t registerBoard(M716InterruptBlock& block) {
  Registrations& table = registrations();
  std::lock_guard lock(table.mutex);
  unregisterLocked(table, block.board);
  auto service = BoardService::start(block);
  if (service == nullptr) return kFailed;
  table.boards[block.board] = std::move(service);
  return kSuccess;
}

std::uint32_t unregisterBoard(const M716InterruptBlock& block) {
  Registrations& table = registrations();
  std::lock_guard lock(table.mutex);
  unregisterLocked(table, block.board);
  return kSuccess;
}

// The registered service of the block's board; nullptr when none. The table's mutex is not
// held while the service takes the bus lock: a caller holding that lock may register another
// board.
std::shared_ptr<BoardService> serviceOf(const M716InterruptBlock& block) {
  Registrations& table = registrations();
  std::lock_guard lock(table.mutex);
  auto found = table.boards.find(block.board);
  return found != table.boards.end() ? found->second : nullptr;
}

// Codes 3 and 4, for a registered board's own block.
std::uint32_t takeTable(const M716InterruptBlock& block, std::uintptr_t code) {
  const std::shared_ptr<BoardService> service = serviceOf(block);
  return service != nullptr && service->takeTable(block, code) ? kSuccess : kFailed;
}

// Code 5: the registered board's service takes over the path the block names.
std::uint32_t startPath(const M716InterruptBlock& block) {
  const std::shared_ptr<BoardService> service = serviceOf(block);
  return service != nullptr && service->startPath(block) ? kSuccess : kFailed;
}

}  // namespace
}  // namespace m716::driver

extern "C" __attribute__((visibility("default"))) uint32_t DriverProc(uintptr_t, uintptr_t,
                                                                      uintptr_t code,
                                                                      uintptr_t block, uintptr_t) {
  using namespace m716::driver;
  // The entry's fixed signature carries the block's address as an integer.
  auto* interruptBlock =
      reinterpret_cast<M716InterruptBlock*>(block);  // NOLINT(performance-no-int-to-ptr)
  if (interruptBlock == nullptr) return kFailed;
  try {
    switch (code) {
      case M716_DRIVER_REGISTER_BOARD:
        return registerBoard(*interruptBlock);
      case M716_DRIVER_UNREGISTER_BOARD:
        return unregisterBoard(*interruptBlock);
      case M716_DRIVER_COMPARE_TABLE:
      case M716_DRIVER_SPEED_TABLE:
        return takeTable(*interruptBlock, code);
      case M716_DRIVER_START_PATH:
        return startPath(*interruptBlock);
      default:
        return kNotSupported;
    }
  } catch (...) {
    return kFailed;
  }
}

static_assert(std::is_same_v<decltype(&DriverProc), M716DriverProc>,
              "DriverProc has the signature the library calls");
