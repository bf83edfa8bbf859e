// m716 line, arc and circle: one interpolated path at the board's interpolation speeds, followed
// on a progress line, then the table of its axes.

#include <bit>
#include <climits>
#include <cstdio>
#include <functional>

#include "KRVM716.h"
#include "axis_view.h"
#include "commands.h"
#include "interruption.h"

namespace m716::tool {
namespace {

constexpr double kLongestWait = 600;  // seconds before the path is stopped

struct PathArguments {
  std::uint32_t board = 0;
  std::uint32_t axes = 0;
  std::size_t axisCount = 0;
  bool ccw = false;
  std::vector<std::int32_t> values;
  Positions ends{};  // where each axis ends, from where it starts
};

// What a path command takes after its axes: `values` numbers (0: one per axis), and whether
// --ccw may turn it counter-clockwise.
struct PathSyntax {
  const char* name;
  const char* usage;
  std::size_t fewestAxes, mostAxes;
  std::size_t values;
  bool turns;
};

bool takeFlag(Arguments& args, const char* flag) {
  for (auto found = args.begin(); found != args.end(); ++found) {
    if (*found != flag) continue;
    args.erase(found);
    return true;
  }
  return false;
}

// The axes named by the letters of `letters` ("XY", "xzu"), each once.
std::optional<std::uint32_t> axesOfLetters(const std::string& letters, const char* command,
                                           std::size_t& count) {
  std::vector<std::string> names;
  for (char letter : letters) names.emplace_back(1, letter);
  const auto axes = parseAxes(names, command);
  if (!axes) return std::nullopt;
  count = static_cast<std::size_t>(std::popcount(*axes));
  return count == names.size() ? axes : std::nullopt;
}

bool parseValues(const Arguments& args, std::vector<std::int32_t>& values) {
  for (auto text = args.begin() + 1; text != args.end(); ++text) {
    const auto value = parseNumber(*text);
    if (!value || *value < INT32_MIN || *value > INT32_MAX) return false;
    values.push_back(static_cast<std::int32_t>(*value));
  }
  return true;
}

// "m716 NAME [--board N] AXES VALUE... [--ccw]"; nullopt after a message.
std::optional<PathArguments> parsePath(const Arguments& arguments, const PathSyntax& syntax) {
  Arguments args = arguments;
  PathArguments path;
  const auto board = takeBoard(args);
  if (!board) return std::nullopt;
  path.board = *board;
  path.ccw = syntax.turns && takeFlag(args, "--ccw");
  const auto axes =
      args.empty() ? std::nullopt : axesOfLetters(args[0], syntax.name, path.axisCount);
  const std::size_t values = syntax.values != 0 ? syntax.values : path.axisCount;
  if (!axes || path.axisCount < syntax.fewestAxes || path.axisCount > syntax.mostAxes ||
      args.size() != values + 1 || !parseValues(args, path.values)) {
    std::fprintf(stderr, "usage: m716 %s\n", syntax.usage);
    return std::nullopt;
  }
  path.axes = *axes;
  return path;
}

// The values given to the selected axes in turn, X first.
Positions spreadOver(std::uint32_t axes, const std::vector<std::int32_t>& values) {
  Positions spread{};
  std::size_t next = 0;
  for (std::uint32_t index = 0; index < spread.size(); ++index)
    if ((axes & (1u << index)) && next < values.size()) spread[index] = values[next++];
  return spread;
}

bool readPositions(std::uint32_t board, std::uint32_t axes, Positions& positions) {
  for (std::uint32_t axis = 1; axis <= 8; axis <<= 1)
    if ((axes & axis) && !report("Logical position", M716GetTheorecticalRegister(
                                                         board, axis, &positions[axisIndex(axis)])))
      return false;
  return true;
}

using PathStart = std::function<std::uint32_t(PathArguments&)>;

// Starts the path on an open board, shows its axes until it ends, then their table. True when
// every axis reached its end.
bool runPath(PathArguments& path, const char* what, const PathStart& start) {
  Positions targets{};
  if (!readPositions(path.board, path.axes, targets) || !report(what, start(path))) return false;
  for (std::size_t index = 0; index < targets.size(); ++index) targets[index] += path.ends[index];
  const bool inTime = followUntilStopped(path.board, path.axes, kLongestWait);
  if (!inTime && !interruptingSignal()) std::printf("Stopped: it took too long.\n");
  printAxes(path.board, path.axes);
  return reachedTargets(path.board, path.axes, targets) && inTime;
}

int runPathCommand(const Arguments& arguments, const PathSyntax& syntax, const char* what,
                   const PathStart& start) {
  auto path = parsePath(arguments, syntax);
  if (!path) return 2;
  if (!openBoard(path->board)) return 1;
  const bool reached = runPath(*path, what, start);
  const bool closed = report("Close", M716MotDevClose(path->board));
  return reached && closed ? 0 : 1;
}

}  // namespace

int lineCommand(const Arguments& arguments) {
  static constexpr PathSyntax kLine{"line", "line [--board N] AXES DISTANCE...", 2, 3, 0, false};
  return runPathCommand(arguments, kLine, "Line", [](PathArguments& p) {
    p.ends = spreadOver(p.axes, p.values);
    return M716MotLine(p.board, p.axes, 0, p.ends[0], p.ends[1], p.ends[2], p.ends[3]);
  });
}

int arcCommand(const Arguments& arguments) {
  static constexpr PathSyntax kArc{"arc", "arc [--board N] AXES CX CY EX EY [--ccw]", 2, 2, 4,
                                   true};
  return runPathCommand(arguments, kArc, "Arc", [](PathArguments& p) {
    p.ends = spreadOver(p.axes, {p.values[2], p.values[3]});
    return M716MotArc(p.board, p.axes, 0, p.ccw, p.values[0], p.values[1], p.values[2],
                      p.values[3]);
  });
}

int circleCommand(const Arguments& arguments) {
  static constexpr PathSyntax kCircle{"circle", "circle [--board N] AXES CX CY [--ccw]", 2, 2, 2,
                                      true};
  return runPathCommand(arguments, kCircle, "Circle", [](PathArguments& p) {
    return M716MoveCircle(p.board, p.axes, p.ccw, p.values[0], p.values[1]);
  });
}

}  // namespace m716::tool
