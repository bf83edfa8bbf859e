// m716 move: one point-to-point move of one axis, followed on a progress line.

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "KRVM716.h"
#include "axis_view.h"
#include "commands.h"

namespace m716::tool {
namespace {

constexpr double kLongestWait = 600;  // seconds before the move is stopped

std::optional<long long> number(const std::string& text) {
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 0);
  if (text.empty() || *end != '\0') return std::nullopt;
  return value;
}

std::uint32_t parameter(std::uint32_t board, std::uint32_t axis, std::uint32_t id) {
  std::uint32_t value = 0;
  M716MotRdReg(board, axis, id, &value);
  return value;
}

// The axis's speed set with `speed` as drive and maximum speed (T-curve).
bool setSpeed(std::uint32_t board, std::uint32_t axis, std::uint32_t speed) {
  const std::uint32_t sv = parameter(board, axis, 0x301), ac = parameter(board, axis, 0x304),
                      ak = parameter(board, axis, 0x306);
  return report("Drive speed",
                M716MotAxisParaSet(board, axis, 0, std::min(sv, speed), speed, speed, ac, ak));
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
  const auto distance = number(args[1]);
  const auto speed = args.size() == 3 ? number(args[2]) : std::optional<long long>(0);
  if (!axis || !distance || !speed || *speed < 0) {
    std::fprintf(stderr, "m716 move: AXIS is X, Y, Z or U; DISTANCE and SPEED are numbers\n");
    return 2;
  }
  if (!report("Open", M716MotDevOpen(*board))) return 1;
  bool moved = *speed == 0 || setSpeed(*board, *axis, static_cast<std::uint32_t>(*speed));
  moved = moved && report("Move", M716MoveIns(*board, *axis, static_cast<std::int32_t>(*distance)));
  if (moved) {
    if (!followUntilStopped(*board, *axis, kLongestWait))
      std::printf("Stopped: it took too long.\n");
    printAxes(*board, *axis);
  }
  M716MotDevClose(*board);
  return moved ? 0 : 1;
}

}  // namespace m716::tool
