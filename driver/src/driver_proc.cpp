// DriverProc, the driver's one entry: registers and unregisters boards, takes over their
// compare and speed tables (codes 3 and 4) and starts feeding a board's continuous path
// (code 5).
//
// Concurrency: calls may come from any thread. Registering and unregistering are served one at
// a time. Do not make them holding the bus lock of the board: unregistering waits for an
// interrupt service in progress, which takes that lock. Codes 3, 4 and 5 never wait for a
// registration to change, so they may be made holding the bus lock of their own board (the
// library does for code 5, so that no interrupt service comes between the path's handing over
// and its start).

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
  std::mutex changes;  // serialises registering and unregistering, stopping included
  std::mutex mutex;    // guards `boards`, and is never held while waiting for anything else
  std::map<std::uint8_t, std::shared_ptr<BoardService>> boards;
};

Registrations& registrations() {
  static auto* table = new Registrations;
  return *table;
}

// Takes the service registered for `board`, if any, out of the table and stops it. Stopping
// waits for an interrupt service in progress, which waits for the bus lock, so it happens
// outside the table's mutex: a caller holding that bus lock can still look its board up.
// `changes` is held.
void unregisterChanging(Registrations& table, std::uint8_t board) {
  std::shared_ptr<BoardService> service;
  {
    std::lock_guard lock(table.mutex);
    auto found = table.boards.find(board);
    if (found == table.boards.end()) return;
    service = std::move(found->second);
    table.boards.erase(found);
  }
  service->stop();
}

std::uint32_t registerBoard(M716InterruptBlock& block) {
  Registrations& table = registrations();
  std::lock_guard changing(table.changes);
  unregisterChanging(table, block.board);
  auto service = BoardService::start(block);
  if (service == nullptr) return kFailed;
  std::lock_guard lock(table.mutex);
  table.boards[block.board] = std::move(service);
  return kSuccess;
}

std::uint32_t unregisterBoard(const M716InterruptBlock& block) {
  Registrations& table = registrations();
  std::lock_guard changing(table.changes);
  unregisterChanging(table, block.board);
  return kSuccess;
}

// The registered service of the block's board; nullptr when none. The table's mutex is not
// held while the service takes the bus lock.
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
