// m716 boards: the installed boards, their address and IRQ, and whether each answers.

#include <cstdio>

#include "KRVM716.h"
#include "commands.h"
#include "installed_boards.h"
#include "m716/platform/registry.h"

namespace m716::tool {
namespace {

void printSetting(const char* name, const std::optional<std::uint32_t>& value, bool hex) {
  if (!value)
    std::printf("  %s missing", name);
  else
    std::printf(hex ? "  %s 0x%X" : "  %s %u", name, *value);
}

}  // namespace

int listBoards(const Arguments&) {
  platform::RegStatus failure = platform::RegStatus::ok;
  const auto installed = installedBoards(&failure);
  if (!installed) {
    std::fprintf(stderr, "m716 boards: the registry store %s cannot be read: %s\n",
                 platform::registry().file().c_str(), platform::regStatusText(failure));
    return 1;
  }
  const std::vector<InstalledBoard>& boards = *installed;
  if (boards.empty()) {
    std::printf("No boards are installed.\n");
    return 0;
  }
  std::uint32_t answering = 0;
  if (!report("Board discovery", M716MotDevAvailable(&answering))) return 1;
  for (const InstalledBoard& board : boards) {
    std::printf("Board %2u:", board.number);
    printSetting("base", board.baseAddress, true);
    printSetting("IRQ", board.irq, false);
    std::printf("  %s\n", answering & (1u << board.number) ? "answers" : "does not answer");
  }
  return 0;
}

}  // namespace m716::tool
