// m716 demo: opens a board, shows what it loaded, and moves it: a point-to-point move of X and
// Y, then a continuous drive of X that its limit switch stops, and X back to where it started.

#include <cstdio>

#include "KRVM716.h"
#include "axis_view.h"
#include "commands.h"
#include "home.h"
#include "installed_boards.h"
#include "interruption.h"

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

constexpr std::uint32_t kX = 1, kY = 2;
constexpr double kLongestMove = 60;  // seconds before the demo stops an axis itself

// Fast enough to see the carriages travel in a few seconds.
bool setDemoSpeeds(std::uint32_t board) {
  return report("Speed set", M716MotAxisParaSet(board, kX | kY, 0, 1000, 20'000, 400'000, 1'000'000,
                                                10'000'000));
}

bool moveXAndY(std::uint32_t board) {
  std::printf("\nPoint-to-point move: X by 40 000 pulses, Y by -25 000, at 20 000 pps.\n");
  const Positions targets{readAxis(board, kX).logical + 40'000,
                          readAxis(board, kY).logical - 25'000};
  if (!report("Move", M716MotPtp(board, kX | kY, 0, 40'000, -25'000, 0, 0))) return false;
  followUntilStopped(board, kX | kY, kLongestMove);
  return reachedTargets(board, kX | kY, targets);
}

// Drives X towards + until something stops it.
bool driveXIntoItsLimit(std::uint32_t board) {
  std::printf("\nContinuous drive of X towards + at 400 000 pps until its limit stops it.\n");
  if (!report("Drive speed", M716SetDrivingSpeed(board, kX, 400'000)) ||
      !report("Continuous drive", M716MotCmove(board, kX, 0)))
    return false;
  if (!followUntilStopped(board, kX, kLongestMove) && !interruptingSignal())
    std::printf("No limit stopped it in time.\n");
  return true;
}

// Back to where the home searches left the axes, so the next run finds home as this one did.
bool returnHome(std::uint32_t board) {
  std::printf("\nX and Y back home (position 0), X away from its limit.\n");
  if (!report("Clear", M716MotClrErr(board, kX)) ||
      !report("Move", M716MotPtp(board, kX | kY, kX | kY, 0, 0, 0, 0)))
    return false;
  followUntilStopped(board, kX | kY, kLongestMove);
  return reachedTargets(board, kX | kY, Positions{});
}

bool homeXAndY(std::uint32_t board) {
  std::printf("\nHome search of X and Y, with the drive-end interrupts they raise:\n");
  return homeAxes(board, kX | kY, true);
}

// Each step after the one a signal interrupted is left out.
bool runMoves(std::uint32_t board) {
  const bool homed = homeXAndY(board);
  if (interruptingSignal()) return false;
  if (!homed) std::printf("Home was not found on every axis; moving on.\n");
  if (!setDemoSpeeds(board) || !moveXAndY(board)) return false;
  if (!driveXIntoItsLimit(board) || interruptingSignal()) return false;
  std::printf("\nWhere the axes are and what stopped them:\n");
  printAxes(board, kX | kY);
  return returnHome(board);
}

}  // namespace

int runDemo(const Arguments& arguments) {
  Arguments args = arguments;
  const auto chosen = takeBoard(args);
  if (!chosen) return 2;
  if (!args.empty()) {
    std::fprintf(stderr, "usage: m716 demo [--board N]\n");
    return 2;
  }
  const std::uint32_t board = *chosen;
  const bool hadParameters = hasParameterKey(board);

  std::printf("Opening board %u...\n", board);
  if (!openBoard(board)) return 1;
  const auto settings = installedBoard(board);
  std::printf("Board %u is open: base address 0x%X, IRQ %u.\n", board,
              settings->baseAddress.value_or(0), settings->irq.value_or(0));

  std::printf("Parameters %s:\n",
              hadParameters ? "loaded from the registry" : "created with their defaults");
  printParameters(board, "", "interpolation group");
  for (const char* axis : kAxisKeys) printParameters(board, axis, axis);

  const bool eepromRead = showEeprom(board);
  const bool moved = runMoves(board);
  if (!report("Close", M716MotDevClose(board))) return 1;
  std::printf("Board %u closed.\n", board);
  return eepromRead && moved ? 0 : 1;
}

}  // namespace m716::tool
