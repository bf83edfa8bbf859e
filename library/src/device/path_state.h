#pragma once
// The state of the board's continuous interpolated path as the stops and the busy test see it:
// whether one runs and on which axes, its first axis, and its stop. It lives in the interrupt
// block, which the interrupt driver feeds the path from; the path's buffers and its start build on
// it.
//
// Concurrency: the interrupt driver marks a path idle at interrupt time under the board's bus
// lock; these functions read and change the path state under the same lock.

#include <cstdint>

namespace m716 {

bool continuousPathRunning(std::uint32_t board);
// The axes of the path running on the board, from its start until it ends or is stopped (also
// before the driver has loaded its first segment); 0 when none runs.
std::uint32_t continuousPathAxes(std::uint32_t board);
// The axis bit of the first axis of the path last started.
std::uint32_t continuousPathFirstAxis(std::uint32_t board);
// Whether a path running on any board reads its segments from `records`, a buffer's block.
bool continuousPathReading(const void* records);
// Marks the path idle and stopped, stops its axes at once and clears the interpolation
// interrupt.
void stopContinuousPath(std::uint32_t board);
// Another axis of the path was stopped, which ends the interpolation: the driver feeds
// nothing more and marks the path idle at its next service, instead of taking the stop for a
// segment that ran out.
void stopFeedingContinuousPath(std::uint32_t board);

}  // namespace m716
