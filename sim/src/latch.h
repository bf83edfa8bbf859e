#pragma once
// Registers that only hold what was last written to them, found by their port offset: a table
// of offsets and the members of `Owner` behind them.

#include <cstdint>
#include <span>

namespace m716::sim {

template <class Owner>
struct Latch {
  std::uint32_t offset;
  std::uint16_t Owner::*value;
};

// Stores `value` in the latch of `owner` at `offset`; false when none of `latches` is there.
template <class Owner>
bool writeLatch(Owner& owner, std::span<const Latch<Owner>> latches, std::uint32_t offset,
                std::uint16_t value) {
  for (const Latch<Owner>& latch : latches) {
    if (latch.offset == offset) {
      owner.*latch.value = value;
      return true;
    }
  }
  return false;
}

}  // namespace m716::sim
