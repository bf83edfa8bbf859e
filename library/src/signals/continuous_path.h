#pragma once
// The continuous interpolated path as the stop functions see it. The path functions (buffers,
// start) come with the continuous path; until one is started no path runs, and these find
// none.
//
// Concurrency: the interrupt driver marks a path idle at interrupt time under the board's bus
// lock; these functions read and change the path state under the same lock.

#include <cstdint>

namespace m716 {

bool continuousPathRunning(std::uint32_t board);
// The axis bit of the first axis of the path last started.
std::uint32_t continuousPathFirstAxis(std::uint32_t board);
// Marks the path idle and stopped, stops its axes at once and clears the interpolation
// interrupt.
void stopContinuousPath(std::uint32_t board);

}  // namespace m716
