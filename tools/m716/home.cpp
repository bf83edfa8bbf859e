// m716 home: home searches followed phase by phase, their results in words.

#include "home.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "KRVM716.h"
#include "axis_view.h"
#include "commands.h"
#include "interruption.h"
#include "m716/board/registers.h"
#include "m716/error_texts.h"

namespace m716::tool {
namespace {

constexpr auto kPoll = std::chrono::milliseconds(5);
constexpr double kLongestSearch = 600;  // seconds before the searches are stopped
constexpr std::uint32_t kHomeType = 0x30B, kMode1 = 0x212;
constexpr std::uint32_t kDriveEnd = m716::chip::rr3::DriveEnded;

std::uint32_t readParameter(std::uint32_t board, std::uint32_t axis, std::uint32_t id) {
  std::uint32_t value = 0;
  report("Parameter read", M716MotRdReg(board, axis, id, &value));
  return value;
}

std::int32_t homeStatus(std::uint32_t board, std::uint32_t axis) {
  std::int32_t result = 0;
  report("Home status", M716MotHomeStatus(board, axis, &result));
  return result;
}

// What the axis shows of its search: the home input IN3, the index input IN0 (each with its
// configured level) and the limits.
struct SearchSignals {
  bool home, index, limit;
};

SearchSignals readSignals(std::uint32_t board, std::uint32_t axis, const AxisSnapshot& s) {
  const std::uint32_t mode1 = readParameter(board, axis, kMode1);
  const auto active = [&](int input, int logicBit) {
    return ((s.input >> input) & 1u) == ((mode1 >> logicBit) & 1u);
  };
  return {active(3, 6), active(0, 0), (s.motionInput & 0x0C) != 0};
}

// A phase of a search and the sign that it is over.
struct Phase {
  const char* name;
  bool (*over)(const SearchSignals&);
};

constexpr Phase kFindSwitch{"finding the home switch",
                            [](const SearchSignals& s) { return s.home; }};
constexpr Phase kLeaveSwitch{"leaving the home switch",
                             [](const SearchSignals& s) { return !s.home; }};
constexpr Phase kFindIndex{"finding the index pulse",
                           [](const SearchSignals& s) { return s.index; }};
constexpr Phase kFindLimit{"finding the limit", [](const SearchSignals& s) { return s.limit; }};
constexpr Phase kOffset{"moving the offset", [](const SearchSignals&) { return false; }};

std::vector<Phase> phasesOf(std::uint32_t type) {
  switch (type) {
    case 0:
      return {kFindSwitch, kLeaveSwitch, kFindIndex, kOffset};
    case 1:
      return {kFindSwitch, kOffset};
    case 2:
      return {kFindSwitch, kLeaveSwitch, kOffset};
    case 3:
      return {kFindIndex, kOffset};
    default:
      return {kFindLimit, kOffset};
  }
}

// Follows one axis's search: a line as each phase begins, the result in words at the end.
class SearchView {
 public:
  SearchView(std::uint32_t board, std::uint32_t axis)
      : board_(board), axis_(axis), phases_(phasesOf(readParameter(board, axis, kHomeType))) {}

  // False once the search has ended (its result printed).
  bool update() {
    const std::int32_t result = homeStatus(board_, axis_);
    const AxisSnapshot s = readAxis(board_, axis_);
    const SearchSignals signals = readSignals(board_, axis_, s);
    while (current_ < phases_.size() && phases_[current_].over(signals)) announce(++current_, s);
    if (result == M716_ERR_IN_HOME) return true;
    std::printf("%s: %s, at %d\n", axisName(axis_),
                result == 0 ? "home found, both counters set to 0" : errorText(result), s.logical);
    return false;
  }
  void start() { announce(0, readAxis(board_, axis_)); }

 private:
  void announce(std::size_t phase, const AxisSnapshot& s) {
    if (phase >= phases_.size()) return;
    std::printf("%s: phase %zu of %zu, %s, from %d\n", axisName(axis_), phase + 1, phases_.size(),
                phases_[phase].name, s.logical);
    std::fflush(stdout);
  }

  std::uint32_t board_, axis_;
  std::vector<Phase> phases_;
  std::size_t current_ = 0;
};

// Waits up to one poll for an interrupt and shows the drive ends it reports.
void showDriveEnds(std::uint32_t board) {
  std::uint32_t events = 0;
  report("Events", M716MotCheckEvent(board, &events, static_cast<std::uint32_t>(kPoll.count())));
  for (std::uint32_t index = 0; index < 4; ++index)
    if ((events >> (8 * index)) & kDriveEnd)
      std::printf("Receive the %s axis Drive End Irq message\n", axisName(1u << index));
}

// Shows each search's progress until all have ended; stops them after kLongestSearch.
void followSearches(std::uint32_t board, std::uint32_t axes, std::vector<SearchView>& views,
                    bool showEvents) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(kLongestSearch);
  std::vector<bool> searching(views.size(), true);
  bool anySearching = true;
  InterruptionStop interruption(board, axes);
  while (anySearching) {
    interruption.poll();
    if (std::chrono::steady_clock::now() > deadline) {
      std::printf("The searches took too long: stopping them.\n");
      report("Stop", M716MotStop(board, axes, 0));
      deadline = std::chrono::steady_clock::time_point::max();  // one stop request
    }
    anySearching = false;
    for (std::size_t i = 0; i < views.size(); ++i) {
      if (searching[i]) searching[i] = views[i].update();
      anySearching = anySearching || searching[i];
    }
    if (showEvents)
      showDriveEnds(board);
    else
      std::this_thread::sleep_for(kPoll);
  }
}

}  // namespace

bool homeAxes(std::uint32_t board, std::uint32_t axes, bool showEvents) {
  if (showEvents && !report("Events", M716MotEnableEvent(board, axes, kDriveEnd, kDriveEnd,
                                                         kDriveEnd, kDriveEnd)))
    return false;
  std::vector<SearchView> views;
  forEachSelected(axes, [&](std::uint32_t axis) { views.emplace_back(board, axis); });
  if (!report("Home", M716MotHome(board, axes))) return false;
  for (SearchView& view : views) view.start();
  followSearches(board, axes, views, showEvents);
  bool found = true;
  forEachSelected(axes, [&](std::uint32_t axis) { found = found && homeStatus(board, axis) == 0; });
  return found;
}

int homeCommand(const Arguments& arguments) {
  Arguments args = arguments;
  const auto board = takeBoard(args);
  if (!board) return 2;
  const auto selected = parseAxes(args, "home");
  if (!selected) return 2;
  const std::uint32_t axes = *selected;
  if (axes == 0) {
    std::fprintf(stderr, "usage: m716 home [--board N] AXIS...\n");
    return 2;
  }
  if (!openBoard(*board)) return 1;
  const bool found = homeAxes(*board, axes, false);
  const bool closed = report("Close", M716MotDevClose(*board));
  return found && closed ? 0 : 1;
}

}  // namespace m716::tool
