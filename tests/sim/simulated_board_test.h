#pragma once
// Fixture for tests of the simulated boards: a fresh registry store, helpers to configure
// boards in it, and port access through the platform's bus.

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>

#include "m716/platform/bus.h"
#include "m716/platform/registry.h"
#include "m716sim.h"
#include "support/temp_registry.h"

namespace m716::test {

class SimulatedBoardTest : public RegistryTest {
 protected:
  static constexpr std::uint16_t kBase = 0x300;
  static constexpr const char* kSimulatorKey = "Software\\M716Simulator";

  static std::string boardKey(std::uint16_t base) {
    char name[16];
    std::snprintf(name, sizeof name, "\\Board%X", static_cast<unsigned>(base));
    return kSimulatorKey + std::string(name);
  }

  // Creates one board key per base address; the boards answer after reload().
  static void configureBoards(std::initializer_list<std::uint16_t> bases) {
    for (std::uint16_t base : bases) createKey(boardKey(base));
  }
  static void setDword(const std::string& path, const char* name, std::uint32_t value) {
    createKey(path).setDword(name, value);
  }
  static platform::RegKey createKey(const std::string& path) {
    platform::RegKey key;
    EXPECT_EQ(platform::registry().createKey(path, key), platform::RegStatus::ok) << path;
    return key;
  }
  static void reload() { M716SimReload(); }

  static std::uint16_t in(std::uint32_t offset, std::uint16_t base = kBase) {
    return platform::bus().read(base + offset);
  }
  static void out(std::uint32_t offset, std::uint16_t value, std::uint16_t base = kBase) {
    platform::bus().write(base + offset, value);
  }

  // Chip access: WR0 commands with an axis mask, data through WR6/WR7 and RR6/RR7.
  static void command(unsigned axes, unsigned code) {
    out(0, static_cast<std::uint16_t>((axes << 8) | code));
  }
  static void load(unsigned axes, unsigned code, std::uint32_t value) {
    out(12, static_cast<std::uint16_t>(value));
    out(14, static_cast<std::uint16_t>(value >> 16));
    command(axes, code);
  }
  static std::uint32_t readData(unsigned axis, unsigned code) {
    command(axis, code);
    return in(12) | (std::uint32_t{in(14)} << 16);
  }
};

}  // namespace m716::test
