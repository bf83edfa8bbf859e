// m716 move: one point-to-point move of one axis, followed on a progress line.

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "KRVM716.h"
#include "axis_view.h"
#include "commands.h"
#include "interruption.h"
#include "m716/board/registers.h"

namespace m716::tool {
namespace {

constexpr double kLongestWait = 600;  // seconds before the move is stopped

std::uint32_t parameter(std::uint32_t board, std::uint32_t axis, std::uint32_t id) {
  std::uint32_t value = 0;
  report("Parameter read", M716MotRdReg(board, axis, id, &value));
  return value;
}

// The fastest speed the chip runs: its top speed unit at the multiplier of the smallest range.
constexpr std::uint32_t kFastestSpeed = chip::kSpeedMax * (chip::kRangeMax / chip::kRangeMin);

// The axis's speed set with `speed` as drive and maximum speed (T-curve).
bool setSpeed(std::uint32_t board, std::uint32_t axis, std::uint32_t speed) {
  const std::uint32_t sv = parameter(board, axis, 0x301), ac = parameter(board, axis, 0x304),
                      ak = parameter(board, axis, 0x306);
  if (report("Drive speed",
             M716MotAxisParaSet(board, axis, 0, std::min(sv, speed), speed, speed, ac, ak)))
    return true;
  // The library names the first value its checks refuse, which for a speed far too high can be
  // another one of the set.
  if (speed > kFastestSpeed)
    std::fprintf(stderr, "m716: SPEED %u pps is above %u pps, the fastest the chip runs\n", speed,
                 kFastestSpeed);
  return false;
}

// Moves the axis of an open board by `distance` (at `speed`, unless 0), follows it and shows
// where it stopped. True when it reached its target.
bool runMove(std::uint32_t board, std::uint32_t axis, std::int32_t distance, std::uint32_t speed) {
  if (speed != 0 && !setSpeed(board, axis, speed)) return false;
  Positions targets{};
  if (!report("Logical position",
              M716GetTheorecticalRegister(board, axis, &targets[axisIndex(axis)])) ||
      !report("Move", M716MoveIns(board, axis, distance)))
    return false;
  targets[axisIndex(axis)] += distance;
  const bool inTime = followUntilStopped(board, axis, kLongestWait);
  if (!inTime && !interruptingSignal()) std::printf("Stopped: it took too long.\n");
  printAxes(board, axis);
  return reachedTargets(board, axis, targets) && inTime;
}

}  // namespace

int moveAxis(const Arguments& arguments) {
  Arguments args = arguments;
  const auto board = takeBoard(args);
  if (!board) return 2;
  if (args.size() < 2 || args.size() > 3) {
    std::fprintf(stderr, "usage: m716 move [--board N] AXIS DISTANCE [SPEED]\n");
    return 2;
  }
  const auto axis = parseAxis(args[0]);
  const auto distance = parseNumber(args[1]);
  const auto speed = args.size() == 3 ? parseNumber(args[2]) : std::optional<long long>(0);
  if (!axis || !distance || !speed || *distance < INT32_MIN || *distance > INT32_MAX ||
      *speed < 0 || *speed > UINT32_MAX) {
    std::fprintf(stderr, "m716 move: AXIS is X, Y, Z or U; DISTANCE and SPEED are numbers\n");
    return 2;
  }
  if (!openBoard(*board)) return 1;
  const bool reached = runMove(*board, *axis, static_cast<std::int32_t>(*distance),
                               static_cast<std::uint32_t>(*speed));
  const bool closed = report("Close", M716MotDevClose(*board));
  return reached && closed ? 0 : 1;
}

}  // namespace m716::tool
