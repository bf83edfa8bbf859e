#pragma once
// The simulator's configuration in the registry store:
//
//   Software\M716Simulator                 DWORD SpeedFactor (simulated seconds per real
//                                          second, default 1; 0 freezes the clock)
//   Software\M716Simulator\Board<BASE>     one key per board, BASE in hexadecimal (Board300);
//                                          without any board key one board answers at 0x300.
//                                          A board takes 32 ports; where the windows of two
//                                          boards overlap, the board with the higher base
//                                          answers
//   ...\Board<BASE>\Xaxis .. Uaxis         signed DWORDs of the axis's mechanics (below)
//
// Concurrency: reading takes no lock of its own; the registry store serialises its callers.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace m716::sim {

inline constexpr std::size_t kAxisCount = 4;
inline constexpr const char* kSimulatorKey = "Software\\M716Simulator";
inline constexpr std::uint16_t kDefaultBoardBase = 0x300;

// The carriage an axis drives and the switches along its way, in pulses.
struct AxisMechanics {
  std::int32_t limitPlus = 1'000'000;
  std::int32_t limitMinus = -1'000'000;
  std::int32_t homeFrom = -20'000;
  std::int32_t homeTo = -10'000;
  std::int32_t indexPitch = 4000;
  std::int32_t indexOffset = 0;
  std::int32_t startPosition = 0;
  bool activeHigh = false;  // the inputs are wired active high instead of active low
};

struct BoardConfiguration {
  std::uint16_t base = kDefaultBoardBase;
  std::array<AxisMechanics, kAxisCount> axes{};
};

struct SimulatorConfiguration {
  double speedFactor = 1.0;
  std::vector<BoardConfiguration> boards;  // by ascending base address
};

// The key of the board at `base` ("Software\M716Simulator\Board300").
std::string boardKeyPath(std::uint16_t base);

// Where a program left a carriage: stored as the axis's MachinePosition, which the next load
// takes instead of StartPosition (a machine does not move when its software restarts).
struct CarriagePosition {
  std::uint16_t base;
  std::size_t axis;
  std::int32_t position;
};
void saveCarriagePositions(const std::vector<CarriagePosition>& positions);

// Reads the configuration from the process-wide registry store; what is missing takes its
// default.
SimulatorConfiguration readConfiguration();

}  // namespace m716::sim
