// The link to the interrupt driver.

#include "device/driver_link.h"

#include <atomic>
#include <cstdio>

#include "KRVM716_driver.h"
#include "device/board_table.h"
#include "m716/platform/dynload.h"

namespace m716 {
namespace {

std::atomic<M716DriverProc> driverProc{nullptr};

}  // namespace

bool loadDriver() {
  platform::ModuleHandle module =
      platform::loadLibrary("KRVM716S.dll", reinterpret_cast<const void*>(&loadDriver));
  if (module == nullptr) return false;
  auto entry = reinterpret_cast<M716DriverProc>(platform::findEntry(module, "DriverProc"));
  if (entry == nullptr) return false;
  driverProc.store(entry);
  return true;
}

bool driverLoaded() {
  return driverProc.load() != nullptr;
}

std::uint32_t callDriver(std::uint32_t board, std::uint32_t code) {
  M716DriverProc proc = driverProc.load();
  if (proc == nullptr) return 1;
  return proc(0, 0, code, reinterpret_cast<std::uintptr_t>(&interruptBlocks[board]), 0);
}

namespace {

// Formatted by hand rather than with std::to_string, whose digit table would be a unique
// symbol that keeps the library from ever being unloaded.
std::string eventName(const char* prefix, std::uint32_t board) {
  char name[32];
  std::snprintf(name, sizeof name, "%s%u", prefix, board);
  return name;
}

}  // namespace

std::string interruptEventName(std::uint32_t board) {
  return eventName(M716_EVENT_INTERRUPT_PREFIX, board);
}

std::string homeEventName(std::uint32_t board) {
  return eventName(M716_EVENT_HOME_PREFIX, board);
}

}  // namespace m716
