#pragma once
// Home searches as the m716 commands run them.

#include <cstdint>

namespace m716::tool {

// Homes the axes of an open board, printing a line as each phase's drive starts and stops and
// each search's result in words; with showEvents also the drive-end interrupts received.
// True when every search found home.
bool homeAxes(std::uint32_t board, std::uint32_t axes, bool showEvents);

}  // namespace m716::tool
