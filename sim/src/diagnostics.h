#pragma once
// What a simulated board counts for tests beyond what the real board shows.

#include <cstdint>

namespace m716::sim {

struct BoardDiagnostics {
  // Register loads whose value lay outside the register's range and was clamped (one per
  // write-data command, however many axes it selected).
  std::uint32_t clampedLoads = 0;
};

}  // namespace m716::sim
