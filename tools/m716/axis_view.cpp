#include "axis_view.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "KRVM716.h"
#include "commands.h"
#include "interruption.h"
#include "m716/board/status_bits.h"

namespace m716::tool {
namespace {

constexpr const char* kAxisNames[] = {"X", "Y", "Z", "U"};

std::uint16_t statusWord(const char* what, uint32_t (*get)(uint32_t, uint32_t, int16_t*),
                         std::uint32_t board, std::uint32_t axis) {
  std::int16_t value = 0;
  report(what, get(board, axis, &value));
  return static_cast<std::uint16_t>(value);
}

// Whether the busy test finds an axis driving; a refused test counts as stopped.
bool driving(std::uint32_t board, std::uint32_t axes) {
  const std::uint32_t busy = M716MotAxisBusy(board, axes);
  return busy == M716_ERR_AXIS_BUSY || !report("Busy test", busy);
}

// What the end status, or else an active software limit, says stopped an axis.
std::string whyStopped(const AxisSnapshot& s) {
  const std::string causes = stopCauses(s.motionState);
  if (causes != "-") return "stopped by " + causes;
  const std::uint16_t softLimits = chip::rr2::SoftLimitPlus | chip::rr2::SoftLimitMinus;
  const std::string limits = chip::namesOfBits(s.motionInput & softLimits, chip::kLimitNames);
  if (limits != "-") return "stopped by the software limit " + limits;
  return "no stop cause shows";
}

// On a terminal the line is rewritten in place; in a log, a new line is added each time.
void printProgress(std::uint32_t board, std::uint32_t axes, bool terminal,
                   const std::string& label) {
  if (terminal) std::printf("\r");
  if (!label.empty()) std::printf("%s", label.c_str());
  forEachSelected(axes, [&](std::uint32_t axis) {
    const AxisSnapshot s = readAxis(board, axis);
    std::printf("  %s %10d pulses %8u pps", axisName(axis), s.logical, s.speed);
  });
  if (!terminal) std::printf("\n");
  std::fflush(stdout);
}

}  // namespace

std::optional<std::uint32_t> parseAxis(const std::string& name) {
  for (std::uint32_t index = 0; index < 4; ++index)
    if (name.size() == 1 &&
        std::toupper(static_cast<unsigned char>(name[0])) == kAxisNames[index][0])
      return 1u << index;
  return std::nullopt;
}

std::optional<std::uint32_t> parseAxes(const std::vector<std::string>& names, const char* command) {
  std::uint32_t axes = 0;
  for (const std::string& name : names) {
    const auto axis = parseAxis(name);
    if (!axis) {
      std::fprintf(stderr, "m716 %s: unknown axis '%s' (X, Y, Z or U)\n", command, name.c_str());
      return std::nullopt;
    }
    axes |= *axis;
  }
  return axes;
}

std::uint32_t axisIndex(std::uint32_t axis) {
  return axis == 1 ? 0 : axis == 2 ? 1 : axis == 4 ? 2 : 3;
}

const char* axisName(std::uint32_t axis) {
  return kAxisNames[axisIndex(axis)];
}

AxisSnapshot readAxis(std::uint32_t board, std::uint32_t axis) {
  AxisSnapshot s;
  report("Logical position", M716GetTheorecticalRegister(board, axis, &s.logical));
  report("Real position", M716GetPracticalRegister(board, axis, &s.real));
  report("Live speed", M716MotRdReg(board, axis, 0x105, &s.speed));
  s.driving = statusWord("Drive state", M716GetDriverState, board, axis) != 0;
  s.error = statusWord("Error state", M716GetError, board, axis) != 0;
  s.motionState = statusWord("Motion state", M716GetMotionState, board, axis);
  s.motionInput = statusWord("Motion input", M716GetMotionInput, board, axis);
  s.input = statusWord("Input", M716GetInput, board, axis);
  return s;
}

std::string stopCauses(std::uint16_t motionState) {
  return chip::namesOfBits(motionState, chip::kStopCauseNames);
}
std::string activeLimits(std::uint16_t motionInput) {
  return chip::namesOfBits(motionInput, chip::kLimitNames);
}
std::string activeInputs(std::uint16_t input) {
  return chip::namesOfBits(input, chip::kInputNames);
}

bool followUntilStopped(std::uint32_t board, std::uint32_t axes, double seconds,
                        const std::function<std::string()>& label) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  bool stoppedByThemselves = true;
  const bool terminal = ::isatty(::fileno(stdout));
  const auto refresh = terminal ? std::chrono::milliseconds(50) : std::chrono::milliseconds(1000);
  auto nextLine = Clock::now();
  std::string shown = label ? label() : std::string();
  InterruptionStop interruption(board, axes);
  while (driving(board, axes)) {
    if (interruption.poll()) stoppedByThemselves = false;
    const std::string now = label ? label() : std::string();
    if (now != shown) {
      if (terminal) std::printf("\n");  // the line of the label before stays
      shown = now;
      nextLine = Clock::now();
    }
    if (Clock::now() >= nextLine) {
      printProgress(board, axes, terminal, shown);
      nextLine += refresh;
    }
    if (Clock::now() > deadline && stoppedByThemselves && !interruptingSignal()) {
      report("Stop", M716MotStop(board, axes, axes));
      stoppedByThemselves = false;
    }
    // A path's points may be short: look at them more often.
    std::this_thread::sleep_for(std::chrono::milliseconds(label ? 2 : 50));
  }
  printProgress(board, axes, terminal, label ? label() : std::string());
  if (terminal) std::printf("\n");
  return stoppedByThemselves;
}

bool reachedTargets(std::uint32_t board, std::uint32_t axes, const Positions& targets) {
  bool reached = true;
  forEachSelected(axes, [&](std::uint32_t axis) {
    const AxisSnapshot s = readAxis(board, axis);
    const std::int32_t target = targets[axisIndex(axis)];
    if (s.logical == target) return;
    std::fprintf(stderr, "m716: %s stopped at %d, short of its target %d: %s\n", axisName(axis),
                 s.logical, target, whyStopped(s).c_str());
    reached = false;
  });
  return reached;
}

void printAxes(std::uint32_t board, std::uint32_t axes) {
  std::printf(
      "axis    logical       real    speed  driving  error  stopped by      limits"
      "          high inputs (raw levels)\n");
  forEachSelected(axes, [&](std::uint32_t axis) {
    const AxisSnapshot s = readAxis(board, axis);
    std::printf("%-4s %10d %10d %8u  %-7s  %-5s  %-14s  %-14s  %s\n", axisName(axis), s.logical,
                s.real, s.speed, s.driving ? "yes" : "no", s.error ? "yes" : "no",
                stopCauses(s.motionState).c_str(), activeLimits(s.motionInput).c_str(),
                activeInputs(s.input).c_str());
  });
}

}  // namespace m716::tool
