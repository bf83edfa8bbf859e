#include "configuration.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>
#include <string_view>

#include "m716/platform/registry.h"

namespace m716::sim {
namespace {

using platform::RegKey;
using platform::RegStatus;

constexpr std::array<const char*, kAxisCount> kAxisKeys = {"Xaxis", "Yaxis", "Zaxis", "Uaxis"};

bool startsWithBoard(std::string_view name) {
  constexpr std::string_view prefix = "board";
  if (name.size() <= prefix.size()) return false;
  return std::equal(prefix.begin(), prefix.end(), name.begin(), [](char p, char c) {
    return p == (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
  });
}

// The base address a board key names, or nothing for any other key.
std::optional<std::uint16_t> baseOfBoardKey(std::string_view name) {
  if (!startsWithBoard(name)) return std::nullopt;
  std::string_view digits = name.substr(5);
  unsigned value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  if (error != std::errc{} || end != digits.data() + digits.size() || value > 0xFFFF) {
    return std::nullopt;
  }
  return static_cast<std::uint16_t>(value);
}

void readSigned(const RegKey& key, const char* name, std::int32_t& value) {
  std::uint32_t stored = 0;
  if (key.queryDword(name, stored) == RegStatus::ok) value = static_cast<std::int32_t>(stored);
}

AxisMechanics readAxis(const std::string& boardPath, const char* axisKey) {
  AxisMechanics axis;
  RegKey key;
  if (platform::registry().openKey(boardPath + "\\" + axisKey, key) != RegStatus::ok) return axis;
  readSigned(key, "LimitPlus", axis.limitPlus);
  readSigned(key, "LimitMinus", axis.limitMinus);
  readSigned(key, "HomeFrom", axis.homeFrom);
  readSigned(key, "HomeTo", axis.homeTo);
  readSigned(key, "IndexPitch", axis.indexPitch);
  readSigned(key, "IndexOffset", axis.indexOffset);
  readSigned(key, "StartPosition", axis.startPosition);
  readSigned(key, "MachinePosition", axis.startPosition);
  std::int32_t activeHigh = 0;
  readSigned(key, "ActiveHigh", activeHigh);
  axis.activeHigh = activeHigh == 1;
  return axis;
}

BoardConfiguration readBoard(std::uint16_t base) {
  BoardConfiguration board{.base = base};
  std::string path = boardKeyPath(base);
  for (std::size_t axis = 0; axis < kAxisCount; ++axis)
    board.axes[axis] = readAxis(path, kAxisKeys[axis]);
  return board;
}

std::vector<std::uint16_t> configuredBases(const RegKey& simulatorKey) {
  std::vector<std::uint16_t> bases;
  std::string name;
  for (std::uint32_t index = 0; simulatorKey.enumKey(index, name) == RegStatus::ok; ++index) {
    if (auto base = baseOfBoardKey(name)) bases.push_back(*base);
  }
  std::sort(bases.begin(), bases.end());
  bases.erase(std::unique(bases.begin(), bases.end()), bases.end());
  return bases;
}

}  // namespace

std::string boardKeyPath(std::uint16_t base) {
  char name[16];
  std::snprintf(name, sizeof name, "Board%X", static_cast<unsigned>(base));
  return std::string(kSimulatorKey) + "\\" + name;
}

SimulatorConfiguration readConfiguration() {
  SimulatorConfiguration configuration;
  std::vector<std::uint16_t> bases;
  RegKey key;
  if (platform::registry().openKey(kSimulatorKey, key) == RegStatus::ok) {
    std::uint32_t speedFactor = 0;
    if (key.queryDword("SpeedFactor", speedFactor) == RegStatus::ok) {
      configuration.speedFactor = speedFactor;
    }
    bases = configuredBases(key);
  }
  if (bases.empty()) bases.push_back(kDefaultBoardBase);
  for (std::uint16_t base : bases) configuration.boards.push_back(readBoard(base));
  return configuration;
}

void saveCarriagePositions(const std::vector<CarriagePosition>& positions) {
  platform::RegTransaction transaction(platform::registry());
  for (const CarriagePosition& carriage : positions) {
    RegKey key;
    if (platform::registry().createKey(
            boardKeyPath(carriage.base) + "\\" + kAxisKeys[carriage.axis], key) != RegStatus::ok ||
        key.setDword("MachinePosition", static_cast<std::uint32_t>(carriage.position)) !=
            RegStatus::ok)
      return;  // the store cannot be written: the next load starts at StartPosition
  }
  transaction.commit();
}

}  // namespace m716::sim
