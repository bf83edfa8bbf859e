// m716 boards: the installed boards, their address and IRQ, and whether each answers.

#include <algorithm>
#include <cstdio>
#include <optional>

#include "KRVM716.h"
#include "commands.h"
#include "installed_boards.h"
#include "m716/board/registry_layout.h"
#include "m716/platform/ownership.h"
#include "m716/platform/registry.h"

namespace m716::tool {
namespace {

void printSetting(const char* name, const std::optional<std::uint32_t>& value, bool hex) {
  if (!value)
    std::printf("  %s missing", name);
  else
    std::printf(hex ? "  %s 0x%X" : "  %s %u", name, *value);
}

void printHowToDeclare() {
  const std::string board0 = keys::hardwareKey(0);
  std::printf(
      "No boards are installed.\n"
      "Declare one with M716Install, or with m716reg; for board 0 at 0x300 with IRQ 5:\n"
      "  m716reg add 'HKLM\\%s' /v %s /t REG_DWORD /d 1 /f\n"
      "  m716reg add 'HKLM\\%s' /v %s /t REG_DWORD /d 0x300 /f\n"
      "  m716reg add 'HKLM\\%s' /v %s /t REG_DWORD /d 5 /f\n"
      "(%s holds a bit for each declared board: 1 for board 0, 3 for boards 0 and 1.)\n",
      keys::kHardwareBranch, keys::kBoardsInUse, board0.c_str(), keys::kBaseAddress, board0.c_str(),
      keys::kInterrupt, keys::kBoardsInUse);
}

// The boards the store declares; nullopt after a message naming the store and why it cannot be
// read.
std::optional<std::vector<InstalledBoard>> readInstalledBoards(const char* who) {
  platform::RegStatus failure = platform::RegStatus::ok;
  auto installed = installedBoards(&failure);
  if (installed) return installed;
  const std::string refusal = platform::storeRefusal(platform::registry());
  if (!refusal.empty())
    std::fprintf(stderr, "%s: %s\n", who, refusal.c_str());
  else
    std::fprintf(stderr, "%s: the registry store %s cannot be read: %s\n", who,
                 platform::registry().file().c_str(), platform::regStatusText(failure));
  return installed;
}

bool forceOpen = false;

// After a refused open or discovery: what about the store keeps this user from it, if anything.
void explainStoreAccess() {
  if (!platform::registry().isOpen()) return;  // the refusal to open it is told already
  const std::string refusal = platform::storeWriteRefusal(platform::registry());
  if (!refusal.empty()) std::fprintf(stderr, "m716: %s\n", refusal.c_str());
}

}  // namespace

void forceOpens() {
  forceOpen = true;
}

bool openBoard(std::uint32_t board) {
  if (const auto holder = platform::otherMarkHolder(keys::ownershipMarkName(board));
      holder && !forceOpen) {
    std::fprintf(stderr,
                 "m716: board %u is in use by process %s; --force opens it anyway, which resets "
                 "it and stops that process's axes\n",
                 board, platform::describeProcess(*holder).c_str());
    return false;
  }
  if (report("Open", M716MotDevOpen(board))) return true;
  explainStoreAccess();
  const auto boards = readInstalledBoards("m716");
  if (boards && std::none_of(boards->begin(), boards->end(),
                             [&](const InstalledBoard& b) { return b.number == board; }))
    std::fprintf(stderr,
                 "m716: board %u is not installed (see m716 boards; declare it with M716Install "
                 "or m716reg)\n",
                 board);
  return false;
}

int listBoards(const Arguments&) {
  const auto installed = readInstalledBoards("m716 boards");
  if (!installed) return 1;
  const std::vector<InstalledBoard>& boards = *installed;
  std::printf("Registry store: %s\n", platform::registry().file().c_str());
  if (boards.empty()) {
    printHowToDeclare();
    return 0;
  }
  std::uint32_t answering = 0;
  if (!report("Board discovery", M716MotDevAvailable(&answering))) {
    explainStoreAccess();
    return 1;
  }
  for (const InstalledBoard& board : boards) {
    std::printf("Board %2u:", board.number);
    printSetting("base", board.baseAddress, true);
    printSetting("IRQ", board.irq, false);
    std::printf("  %s\n", answering & (1u << board.number) ? "answers" : "does not answer");
  }
  return 0;
}

}  // namespace m716::tool
