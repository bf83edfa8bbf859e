// The board's life cycle: open, close, discovery and reset. Each stops what runs on the board
// (home searches, a continuous path) before it changes the board under it.

#include <mutex>
#include <optional>

#include "KRVM716.h"
#include "KRVM716_driver.h"
#include "device/arguments.h"
#include "device/board_events.h"
#include "device/board_table.h"
#include "device/chip_values.h"
#include "device/driver_link.h"
#include "device/guarded.h"
#include "device/interrupt_factors.h"
#include "device/parameters.h"
#include "device/path_state.h"
#include "device/ports.h"
#include "m716/board/registry_layout.h"
#include "m716/platform/ownership.h"
#include "m716/platform/registry.h"
#include "motion/home_search.h"
#include "signals/tables.h"

namespace m716 {
namespace {

using platform::RegStatus;

// Each board's ownership mark: held shared by every process that has the board open, from its
// open to its close, and exclusive by discovery while it tries the board, so that discovery
// never opens a board that any process uses.
std::array<platform::OwnershipMark, kBoardCount> ownershipMarks;

platform::MarkStatus takeOwnership(std::uint32_t board, platform::MarkMode mode) {
  return ownershipMarks[board].take(keys::ownershipMarkName(board), mode);
}

// The board selects interrupt lines 4 to 15 only. Another number cannot be this board as
// installed, and the IRQ read-back could not tell: an empty address reads 0xFFFF back.
bool selectableIrq(std::uint16_t irq) {
  return irq >= chip::kIrqLowest && irq <= chip::kIrqHighest;
}

// Binds the record to the base address and IRQ of the installer's entry. 0 or 4.
std::uint32_t readHardwareSettings(std::uint32_t board) {
  BoardRecord& record = boards[board];
  platform::RegKey key;
  if (platform::registry().openKey(keys::hardwareKey(board), key) != RegStatus::ok)
    return M716_ERR_OPEN_REGISTRY;
  std::uint32_t base = 0, irq = 0;
  if (key.queryDword(keys::kBaseAddress, base) != RegStatus::ok) return M716_ERR_OPEN_REGISTRY;
  record.baseAddress = static_cast<std::uint16_t>(base);
  record.bound = true;
  if (key.queryDword(keys::kInterrupt, irq) != RegStatus::ok) return M716_ERR_OPEN_REGISTRY;
  record.irq = static_cast<std::uint16_t>(irq);
  return M716_OK;
}

void loadAxis(std::uint32_t board, std::uint32_t mask, AxisRecord& axis) {
  axis.multiplier = multiplierFor(axis.rg);
  issueAxisCommand(board, mask, chip::Select);
  issueAxisCommand(board, mask, chip::SetRange);
  axis.rangeInForce = axis.rg;
  axis.multiplierInForce = axis.multiplier;
  for (auto code : {chip::SetJerk, chip::SetAcceleration, chip::SetDeceleration,
                    chip::SetStartSpeed, chip::SetDriveSpeed})
    issueAxisCommand(board, mask, code);
  issueAxisCommand(board, mask, LoadWR1);
  issueAxisCommand(board, mask, LoadWR2);
  axis.wr3 &= 0xFFFFu & ~std::uint32_t{chip::wr3::OutputLevels};  // output levels start low
  issueAxisCommand(board, mask, LoadWR3);
  axis.realPosition = 0;
  issueAxisCommand(board, mask, chip::SetRealPosition);
  axis.logicalPosition = 0;
  issueAxisCommand(board, mask, chip::SetLogicalPosition);
  issueAxisCommand(board, mask, chip::SetComparePlus);
  issueAxisCommand(board, mask, chip::SetCompareMinus);
}

// Loads the board's parameters from the registry, resets the chip and loads every axis with
// its parameters and position counters at 0. 0, 5 or 34.
std::uint32_t initialiseBoard(std::uint32_t board) {
  if (std::uint32_t error = loadParameters(board)) return error;
  BoardRecord& record = boards[board];
  deriveInterpolationScale(record.interpolation);
  record.manualDeceleration = 0;
  record.decelerationOffset = 0;
  writePortWord(board, chip::WR0, chip::kReset);
  forEachAxis(kAllAxes, [&](std::uint32_t mask, std::uint32_t index) {
    loadAxis(board, mask, record.axes[index]);
  });
  return M716_OK;
}

// Under the bus lock: the driver may still serve the board from an earlier open.
void fillInterruptBlock(std::uint32_t board) {
  std::lock_guard lock(boardLock(board));
  const BoardRecord& record = boards[board];
  M716InterruptBlock& block = interruptBlocks[board];
  block.board = static_cast<std::uint8_t>(board);
  block.irq = record.irq;
  block.baseAddress = record.baseAddress;
  block.pathIdle = 1;
  block.pathStop = 1;
  takePendingFactors(board);  // the chip was reset: nothing is pending any more
  for (std::uint32_t i = 0; i < kAxisCount; ++i) {
    block.compareTables[i].state = 0;
    block.speedTables[i].state = 0;
  }
}

bool irqReadsBack(std::uint32_t board) {
  const std::uint16_t irq = boards[board].irq;
  writePortWord(board, chip::IrqSelect, irq);
  return readPortWord(board, chip::IrqSelect) == irq;
}

// A failed registration leaves nothing behind: the events are closed and the driver lets go
// of the board, so the next open starts clean.
std::uint32_t abandonOpen(std::uint32_t board, std::uint32_t error) {
  closeBoardEvents(board);
  callDriver(board, M716_DRIVER_UNREGISTER_BOARD);
  return error;
}

std::uint32_t openBoard(std::uint32_t board) {
  if (!loadDriver()) return M716_ERR_OPEN_DRIVER;
  stopHomeSearches(board);
  BoardRecord& record = boards[board];
  record.open = false;
  record.bound = false;
  record.baseAddress = 0x300;
  record.irq = 7;
  if (std::uint32_t error = readHardwareSettings(board)) return error;
  // Taken once the board is known to be declared, so no mark is made for any other, and before
  // the chip is reset. A mark that cannot be taken leaves the board alone: another process may
  // be driving it.
  if (takeOwnership(board, platform::MarkMode::shared) != platform::MarkStatus::taken)
    return M716_ERR_OPEN_REGISTRY;
  if (!selectableIrq(record.irq)) {
    record.bound = false;  // refused before any port of the address is touched
    return M716_ERR_DEVICE_ABSENT;
  }
  if (std::uint32_t error = initialiseBoard(board)) return error;
  closeBoardEvents(board);
  writePortWord(board, chip::BoardControl, 0);
  fillInterruptBlock(board);
  callDriver(board, M716_DRIVER_REGISTER_BOARD);
  if (!openBoardEvents(board)) return abandonOpen(board, M716_ERR_CREATE_EVENT);
  if (!irqReadsBack(board)) return abandonOpen(board, M716_ERR_DEVICE_ABSENT);
  record.open = true;
  return M716_OK;
}

// Opens the board under its ownership mark (kept as it is when this process holds it already);
// a failed open gives the mark back. While discovery in another process tries the board, the
// open waits for it to finish.
std::uint32_t openOwnedBoard(std::uint32_t board) {
  const std::uint32_t error = openBoard(board);
  if (error != M716_OK) ownershipMarks[board].release();
  return error;
}

// Home searches end, a running continuous path stops, and so do the tables the driver works
// through (after a reset their positions would no longer mean the same).
void stopBoardActivity(std::uint32_t board) {
  stopHomeSearches(board);
  if (continuousPathRunning(board)) stopContinuousPath(board);
  endTables(board);
}

std::uint32_t closeBoard(std::uint32_t board) {
  stopBoardActivity(board);
  BoardRecord& record = boards[board];
  forEachAxis(kAllAxes, [&](std::uint32_t mask, std::uint32_t index) {
    record.axes[index].wr1 &= chip::wr1::InputBits;  // no interrupt sources
    issueAxisCommand(board, mask, LoadWR1);
  });
  closeBoardEvents(board);
  if (record.bound) callDriver(board, M716_DRIVER_UNREGISTER_BOARD);
  record.open = false;
  ownershipMarks[board].release();
  return M716_OK;
}

// A board in use, here or by another process, is available and left alone; any other
// installed board is available when it opens, and is closed again. Nullopt when the mark
// cannot be taken at all: whether another process uses the board is then unknown.
std::optional<bool> boardAvailable(std::uint32_t board) {
  if (boards[board].open) return true;
  switch (takeOwnership(board, platform::MarkMode::exclusive)) {
    case platform::MarkStatus::heldElsewhere:
      return true;
    case platform::MarkStatus::unavailable:
      return std::nullopt;
    case platform::MarkStatus::taken:
      break;
  }
  if (openOwnedBoard(board) != M716_OK) return false;
  closeBoard(board);
  return true;
}

std::uint32_t availableBoards(std::uint32_t& mask) {
  platform::RegKey key;
  std::uint32_t installed = 0;
  if (platform::registry().openKey(keys::kHardwareBranch, key) != RegStatus::ok ||
      key.queryDword(keys::kBoardsInUse, installed) != RegStatus::ok)
    return M716_ERR_READ_REGISTRY;
  key.close();
  mask = 0;
  for (std::uint32_t board = 0; board < kBoardCount; ++board) {
    if ((installed & (1u << board)) == 0) continue;
    const std::optional<bool> available = boardAvailable(board);
    if (!available) return M716_ERR_READ_REGISTRY;
    if (*available) mask |= 1u << board;
  }
  return M716_OK;
}

std::uint32_t resetBoard(std::uint32_t board) {
  stopBoardActivity(board);
  writePortWord(board, chip::WR0, chip::kReset);
  return initialiseBoard(board);
}

}  // namespace
}  // namespace m716

using namespace m716;

extern "C" KRVM716_API uint32_t M716MotDevOpen(uint32_t board) {
  return guarded(M716_ERR_OPEN_REGISTRY, [&]() -> std::uint32_t {
    board &= 0xFF;
    if (!isBoardNumber(board)) return M716_ERR_BOARD_NUMBER;
    return openOwnedBoard(board);
  });
}

extern "C" KRVM716_API uint32_t M716MotDevClose(uint32_t board) {
  return guarded(M716_ERR_CLOSE, [&]() -> std::uint32_t {
    board &= 0xFF;
    if (!isBoardNumber(board)) return M716_ERR_BOARD_NUMBER;
    return closeBoard(board);
  });
}

extern "C" KRVM716_API uint32_t M716MotDevAvailable(uint32_t* mask) {
  return guarded(M716_ERR_READ_REGISTRY, [&]() -> std::uint32_t {
    if (mask == nullptr) return M716_ERR_PARAMETER_INVALID;
    return availableBoards(*mask);
  });
}

extern "C" KRVM716_API uint32_t M716MotReset(uint32_t board) {
  return guarded(M716_ERR_READ_REGISTRY, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckBoard(board)) return error;
    return resetBoard(board);
  });
}
