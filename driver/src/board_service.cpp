#include "board_service.h"

#include <array>
#include <atomic>
#include <string>
#include <utility>

#include "m716/board/registers.h"
#include "m716/platform/bus.h"
#include "m716/platform/locks.h"

namespace m716::driver {
namespace {

constexpr std::uint32_t kAxisCount = 4;

platform::EventHandle createBoardEvent(const char* prefix, std::uint8_t board) {
  return platform::createEvent(prefix + std::to_string(board), /*manualReset=*/true,
                               /*initiallySignalled=*/false);
}

}  // namespace

std::shared_ptr<BoardService> BoardService::start(M716InterruptBlock& block) {
  platform::EventHandle interrupt = createBoardEvent(M716_EVENT_INTERRUPT_PREFIX, block.board);
  platform::EventHandle home = createBoardEvent(M716_EVENT_HOME_PREFIX, block.board);
  std::shared_ptr<BoardService> service(new BoardService(block, interrupt, home));
  if (interrupt == nullptr || home == nullptr) return nullptr;

  // The line holds the service only weakly: once unregistered, a late call does nothing.
  // Where no board answers there is no line to take; the events exist all the same, so the
  // caller can find out about the board its own way.
  std::weak_ptr<BoardService> weak = service;
  bool attached = platform::interruptLines().attach(service->base_, [weak] {
    if (auto alive = weak.lock()) alive->serviceInterrupt();
  });
  std::lock_guard lock(service->mutex_);
  service->attached_ = attached;
  return service;
}

BoardService::BoardService(M716InterruptBlock& block, platform::EventHandle interrupt,
                           platform::EventHandle home)
    : block_(block),
      base_(static_cast<std::uint16_t>(block.baseAddress)),
      interruptEvent_(interrupt),
      homeEvent_(home),
      tables_(block, base_),
      pathFeeder_(block, base_) {}

BoardService::~BoardService() {
  closeEvents();
}

void BoardService::stop() {
  bool wasAttached = false;
  {
    std::lock_guard lock(mutex_);
    wasAttached = std::exchange(attached_, false);
  }
  if (wasAttached) platform::interruptLines().detach(base_);
  closeEvents();
}

bool BoardService::startPath(const M716InterruptBlock& block) {
  if (&block != &block_) return false;
  std::lock_guard bus(platform::busLock(base_));
  std::lock_guard lock(mutex_);
  if (!attached_) return false;
  pathFeeder_.start();
  return true;
}

void BoardService::closeEvents() {
  std::lock_guard lock(mutex_);
  for (platform::EventHandle* event : {&interruptEvent_, &homeEvent_}) {
    if (*event != nullptr) platform::closeEvent(std::exchange(*event, nullptr));
  }
}

void BoardService::serviceInterrupt() {
  std::lock_guard bus(platform::busLock(base_));
  std::lock_guard lock(mutex_);
  if (!attached_) return;

  std::uint16_t pending = 0;
  for (std::uint32_t axis = 0; axis < kAxisCount; ++axis) {
    platform::bus().write(base_ + chip::WR0, chip::commandWord(1u << axis, chip::Select));
    const std::uint16_t factors = platform::bus().read(base_ + chip::RR3);
    // Added to those the library has not taken yet, which it takes without a lock.
    if (factors != 0)
      std::atomic_ref(block_.factors[axis]).fetch_or(factors, std::memory_order_acq_rel);
    pending |= factors;
  }
  tables_.serve();
  pathFeeder_.service();
  if (pending & chip::rr3::DriveEnded) platform::setEvent(homeEvent_);
  if (pending != 0) platform::setEvent(interruptEvent_);
}

// The compare and speed tables.

bool BoardService::takeTable(const M716InterruptBlock& block, std::uintptr_t code) {
  if (&block != &block_) return false;
  std::lock_guard bus(platform::busLock(base_));
  std::lock_guard lock(mutex_);
  if (!attached_) return false;
  return code == M716_DRIVER_COMPARE_TABLE ? tables_.takeCompareTable() : tables_.takeSpeedTable();
}

}  // namespace m716::driver
