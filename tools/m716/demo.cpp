// m716 demo: opens a board and shows what it did.

#include <cstdio>
#include <cstdlib>

#include "KRVM716.h"
#include "commands.h"
#include "installed_boards.h"

namespace m716::tool {
namespace {

constexpr const char* kAxisKeys[] = {"Xaxis", "Yaxis", "Zaxis", "Uaxis"};
constexpr std::uint32_t kEepromWordsShown = 8;

void printParameters(std::uint32_t board, const char* axisKey, const char* title) {
  std::printf("  %s:", title);
  int column = 0;
  for (const StoredValue& value : storedParameters(board, axisKey)) {
    if (column++ % 6 == 0) std::printf("\n   ");
    std::printf(" %s=%d", value.name.c_str(), static_cast<std::int32_t>(value.value));
  }
  std::printf("\n");
}

bool showEeprom(std::uint32_t board) {
  std::printf("EEPROM words 0..%u:", kEepromWordsShown - 1);
  std::fflush(stdout);
  for (std::uint32_t address = 0; address < kEepromWordsShown; ++address) {
    std::uint16_t word = 0;
    if (!report("\nEEPROM read", M716ReadEEPROM(board, address, &word))) return false;
    std::printf(" %04X", word);
    std::fflush(stdout);
  }
  std::printf("\n");
  return true;
}

}  // namespace

int runDemo(const Arguments& args) {
  const std::uint32_t board = args.empty() ? 0 : std::strtoul(args[0].c_str(), nullptr, 0);
  const bool hadParameters = hasParameterKey(board);

  std::printf("Opening board %u...\n", board);
  if (!report("Open", M716MotDevOpen(board))) return 1;
  const auto settings = installedBoard(board);
  std::printf("Board %u is open: base address 0x%X, IRQ %u.\n", board,
              settings->baseAddress.value_or(0), settings->irq.value_or(0));

  std::printf("Parameters %s:\n", hadParameters ? "loaded from the registry"
                                                : "created with their defaults");
  printParameters(board, "", "interpolation group");
  for (const char* axis : kAxisKeys) printParameters(board, axis, axis);

  const bool eepromRead = showEeprom(board);
  if (!report("Close", M716MotDevClose(board))) return 1;
  std::printf("Board %u closed.\n", board);
  return eepromRead ? 0 : 1;
}

}  // namespace m716::tool
