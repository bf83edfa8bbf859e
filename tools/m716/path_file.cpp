// m716 path FILE: a continuous path of segments read from a text file, one segment a line,
// stored in a buffer and run, with a progress line for each point.

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "KRVM716.h"
#include "axis_view.h"
#include "commands.h"
#include "interruption.h"

namespace m716::tool {
namespace {

constexpr std::uint32_t kBuffer = 0;
constexpr double kLongestWait = 3600;  // seconds before the path is stopped

struct SegmentKind {
  const char* name;
  std::uint16_t type;
  std::size_t numbers;
};
constexpr SegmentKind kKinds[] = {
    {"L2", IPO_L2, 2}, {"L3", IPO_L3, 3}, {"CW", IPO_CW, 4}, {"CCW", IPO_CCW, 4}};

struct Segment {
  M716ContiPoint point{};
  int line = 0;
};

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The point of a segment of `kind` with its numbers (an arc's are its center, then its end).
M716ContiPoint pointOf(const SegmentKind& kind, const std::vector<std::int32_t>& numbers) {
  M716ContiPoint p{};
  p.pathType = kind.type;
  if (kind.numbers == 4) {
    p.value[3] = numbers[0];
    p.value[4] = numbers[1];
    p.value[0] = numbers[2];
    p.value[1] = numbers[3];
  } else {
    for (std::size_t k = 0; k < numbers.size(); ++k) p.value[k] = numbers[k];
  }
  return p;
}

// One line of the file: nullopt for a line without a segment; false when it does not parse.
bool parseSegment(const std::string& text, std::optional<M716ContiPoint>& point) {
  std::istringstream words(text.substr(0, text.find('#')));
  std::string name;
  if (!(words >> name)) return true;
  const SegmentKind* kind = nullptr;
  for (const SegmentKind& k : kKinds)
    if (upper(name) == k.name) kind = &k;
  if (kind == nullptr) return false;
  std::vector<std::int32_t> numbers;
  for (std::string word; words >> word;) {
    const auto value = parseNumber(word);
    if (!value || *value < INT32_MIN || *value > INT32_MAX) return false;
    numbers.push_back(static_cast<std::int32_t>(*value));
  }
  if (numbers.size() != kind->numbers) return false;
  point = pointOf(*kind, numbers);
  return true;
}

// Every segment of the file, or nullopt after a message naming the line that does not parse.
std::optional<std::vector<Segment>> readSegments(const std::string& file) {
  std::ifstream in(file);
  if (!in) {
    std::fprintf(stderr, "m716: cannot read %s\n", file.c_str());
    return std::nullopt;
  }
  std::vector<Segment> segments;
  int number = 0;
  for (std::string text; std::getline(in, text);) {
    ++number;
    std::optional<M716ContiPoint> point;
    if (!parseSegment(text, point)) {
      std::fprintf(stderr, "m716: %s:%d: not a segment: %s\n", file.c_str(), number, text.c_str());
      return std::nullopt;
    }
    if (point) segments.push_back({*point, number});
  }
  if (segments.empty()) std::fprintf(stderr, "m716: %s holds no segment\n", file.c_str());
  return segments.empty() ? std::nullopt : std::optional(segments);
}

// Where each axis ends: where it stands plus the sum of the segments' end points by role,
// counted in 64 bits so that no sum of 32-bit values overflows.
using WidePositions = std::array<std::int64_t, 4>;
WidePositions pathEnds(std::uint32_t axes, const Positions& starts,
                       const std::vector<Segment>& segments) {
  WidePositions ends{};
  std::size_t role = 0;
  forEachSelected(axes, [&](std::uint32_t axis) {
    const std::size_t index = axisIndex(axis);
    ends[index] = starts[index];
    for (const Segment& s : segments) ends[index] += s.point.value[role];
    ++role;
  });
  return ends;
}

// The ends as positions, or nullopt after a message when one lies outside the counters' range.
std::optional<Positions> positionsOf(std::uint32_t axes, const WidePositions& ends) {
  Positions positions{};
  bool fits = true;
  forEachSelected(axes, [&](std::uint32_t axis) {
    const std::int64_t end = ends[axisIndex(axis)];
    if (end >= INT32_MIN && end <= INT32_MAX) {
      positions[axisIndex(axis)] = static_cast<std::int32_t>(end);
      return;
    }
    std::fprintf(stderr, "m716: the path would take %s to %lld, outside %d to %d; nothing moved\n",
                 axisName(axis), static_cast<long long>(end), INT32_MIN, INT32_MAX);
    fits = false;
  });
  return fits ? std::optional(positions) : std::nullopt;
}

// A buffer holds at least two points; one of a single segment is refused by the start, which
// says why.
bool storeSegments(const std::vector<Segment>& segments) {
  const auto capacity = static_cast<std::uint32_t>(std::max<std::size_t>(segments.size(), 2));
  if (!report("Buffer", M716InitialContiBuf(kBuffer, capacity))) return false;
  for (std::uint32_t k = 0; k < segments.size(); ++k) {
    const std::string what = "Line " + std::to_string(segments[k].line);
    if (!report(what.c_str(), M716SetContiData(kBuffer, &segments[k].point, k + 1))) return false;
  }
  return true;
}

std::int32_t currentPoint(std::uint32_t board) {
  std::int32_t index = -1;
  M716GetCurContiNum(board, &index);
  return index;
}

// How often the driver loaded a segment only after the one before had ended.
void printUnderruns(std::uint32_t board) {
  std::uint32_t underruns = 0;
  if (!report("Underruns", M716GetContiUnderruns(board, &underruns))) return;
  std::printf("Underruns: %u\n", underruns);
  if (underruns > 0)
    std::printf(
        "The path stopped between segments %u time%s: the driver loaded the next "
        "segment late.\n",
        underruns, underruns == 1 ? "" : "s");
}

bool runSegments(std::uint32_t board, std::uint32_t axes, const std::vector<Segment>& segments) {
  Positions starts{};
  forEachSelected(axes, [&](std::uint32_t axis) {
    report("Logical position", M716GetTheorecticalRegister(board, axis, &starts[axisIndex(axis)]));
  });
  const std::optional<Positions> targets = positionsOf(axes, pathEnds(axes, starts, segments));
  if (!targets || !storeSegments(segments) ||
      !report("Path", M716StartContiDrive(board, axes, kBuffer)))
    return false;
  // The driver takes the first point at the board's next interrupt.
  for (int wait = 0; wait < 500 && currentPoint(board) < 0; ++wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const std::string count = std::to_string(segments.size());
  const bool inTime = followUntilStopped(board, axes, kLongestWait, [&] {
    return "point " + std::to_string(currentPoint(board) + 1) + "/" + count;
  });
  if (!inTime && !interruptingSignal()) std::printf("Stopped: it took too long.\n");
  printAxes(board, axes);
  printUnderruns(board);
  return reachedTargets(board, axes, *targets) && inTime;
}

std::optional<std::string> takeOption(Arguments& args, const char* option) {
  for (auto found = args.begin(); found != args.end(); ++found) {
    if (*found != option || found + 1 == args.end()) continue;
    std::string value = *(found + 1);
    args.erase(found, found + 2);
    return value;
  }
  return std::nullopt;
}

}  // namespace

int pathCommand(const Arguments& arguments) {
  Arguments args = arguments;
  const auto board = takeBoard(args);
  if (!board) return 2;
  const std::optional<std::string> letters = takeOption(args, "--axes");
  std::optional<std::uint32_t> axes;
  if (letters) {
    std::vector<std::string> names;
    for (char letter : *letters) names.emplace_back(1, letter);
    axes = parseAxes(names, "path");
  }
  if (args.size() != 1 || (letters && !axes)) {
    std::fprintf(stderr, "usage: m716 path FILE [--board N] [--axes XY]\n");
    return 2;
  }
  const auto segments = readSegments(args[0]);
  if (!segments) return 2;
  if (!axes) axes = segments->front().point.pathType == IPO_L3 ? 0x7u : 0x3u;
  if (!openBoard(*board)) return 1;
  const bool reached = runSegments(*board, *axes, *segments);
  M716FreeContiBuf(kBuffer);
  const bool closed = report("Close", M716MotDevClose(*board));
  return reached && closed ? 0 : 1;
}

}  // namespace m716::tool
