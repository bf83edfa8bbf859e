#pragma once
// What a simulated board counts for tests beyond what the real board shows.

#include <array>
#include <cstdint>

namespace m716::sim {

struct BoardDiagnostics {
  // Register loads whose value lay outside the register's range and was clamped (one per
  // write-data command, however many axes it selected).
  std::uint32_t clampedLoads = 0;
  // Segments of a continuous interpolation that ended with no next one loaded while WR5 bit 14
  // was set: the path stopped between segments.
  std::uint32_t pathUnderruns = 0;
  // Drives started per axis X..U (an interpolation counts for each of its axes; the segments
  // of a continuous interpolation count once).
  std::array<std::uint32_t, 4> driveStarts{};
};

}  // namespace m716::sim
