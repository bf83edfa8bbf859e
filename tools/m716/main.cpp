// m716: the motion library from a shell, for headless controllers and scripts.

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "commands.h"
#include "interruption.h"
#include "m716/error_texts.h"
#include "m716/program_info.h"

namespace m716::tool {
namespace {

unsigned refused = 0;

}  // namespace

bool report(const char* what, unsigned code) {
  if (code == 0) return true;
  ++refused;
  std::fprintf(stderr, "%s: %s (error %u)\n", what, errorText(code), code);
  return false;
}

unsigned refusedCalls() {
  return refused;
}

// Decimal, a leading zero included ("010" is ten), or hexadecimal after "0x"; a sign may lead.
std::optional<long long> parseNumber(const std::string& text) {
  const std::size_t digits = text.find_first_not_of("+-") == 1 ? 1 : 0;
  const bool hexadecimal = text.compare(digits, 2, "0x") == 0 || text.compare(digits, 2, "0X") == 0;
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(text.c_str(), &end, hexadecimal ? 16 : 10);
  if (text.empty() || *end != '\0' || errno == ERANGE || std::isspace(text.front()))
    return std::nullopt;
  return value;
}

std::optional<std::uint32_t> takeBoard(Arguments& args) {
  for (auto option = args.begin(); option != args.end(); ++option) {
    if (*option != "--board") continue;
    const auto board = option + 1 == args.end() ? std::nullopt : parseNumber(*(option + 1));
    if (!board || *board < 0 || *board > 15) {
      std::fprintf(stderr, "m716: --board takes a board number, 0 to 15\n");
      return std::nullopt;
    }
    args.erase(option, option + 2);
    return static_cast<std::uint32_t>(*board);
  }
  return 0u;
}

}  // namespace m716::tool

namespace {

struct Command {
  const char* name;
  const char* usage;
  int (*run)(const m716::tool::Arguments&);
  bool moves = false;  // drives axes: a signal stops them before the program ends
};

constexpr Command kCommands[] = {
    {"boards", "boards            list the installed boards and whether each answers",
     m716::tool::listBoards},
    {"demo",
     "demo [--board N]  open a board, show what was loaded, home X and Y, move them,\n"
     "                    drive X into its limit, then both back home; the board moves",
     m716::tool::runDemo, true},
    {"move",
     "move [--board N] AXIS DISTANCE [SPEED]\n"
     "                    move one axis (X, Y, Z or U) by DISTANCE pulses (negative:\n"
     "                    CCW) at SPEED pps (default: its stored speed), showing its\n"
     "                    position and speed until it stops",
     m716::tool::moveAxis, true},
    {"home",
     "home [--board N] AXIS...\n"
     "                    home search of the axes with their stored home parameters,\n"
     "                    a line for each phase, then each result in words",
     m716::tool::homeCommand, true},
    {"line",
     "line [--board N] AXES DISTANCE...\n"
     "                    a straight line through two or three axes (AXES: their letters,\n"
     "                    as XY or XZU) by one DISTANCE in pulses for each, X first",
     m716::tool::lineCommand, true},
    {"arc",
     "arc [--board N] AXES CX CY EX EY [--ccw]\n"
     "                    an arc on two axes around the center (CX, CY) to the end point\n"
     "                    (EX, EY), both in pulses from where the axes stand; clockwise\n"
     "                    unless --ccw; an end point of 0 0 runs the whole circle",
     m716::tool::arcCommand, true},
    {"circle",
     "circle [--board N] AXES CX CY [--ccw]\n"
     "                    a whole circle on two axes around the center (CX, CY), in\n"
     "                    pulses from where the axes stand; clockwise unless --ccw",
     m716::tool::circleCommand, true},
    {"path",
     "path FILE [--board N] [--axes XY]\n"
     "                    a continuous path of the segments in FILE, one a line, run on two\n"
     "                    axes (XY; XYZ when it starts with L3) without stopping between\n"
     "                    them, shown point by point; then the underruns: how often the\n"
     "                    driver loaded a segment late, so the path stopped between two",
     m716::tool::pathCommand, true},
    {"status",
     "status [--board N] [AXIS...]\n"
     "                    positions, speed, drive state, what stopped the last drive,\n"
     "                    active limits and raw input levels of the axes (all)",
     m716::tool::showStatus},
};

int usage(FILE* out = stderr) {
  std::fprintf(out,
               "Usage: m716 COMMAND [ARGUMENTS]\n"
               "The motion library KRVM716 from a shell: the boards, their axes' moves and\n"
               "status, on a board in this machine or on the simulated board.\n\nCommands:\n");
  for (const Command& command : kCommands) std::fprintf(out, "  %s\n", command.usage);
  std::fprintf(out,
               "\nline, arc and circle run at the board's interpolation speeds and show the\n"
               "positions and speeds of their axes until the path ends.\n"
               "\nA path FILE holds one segment a line, numbers in pulses relative to where\n"
               "the segment starts; '#' begins a comment, blank lines are skipped:\n"
               "  L2 DX DY          a line on two axes\n"
               "  L3 DX DY DZ       a line on three axes (not mixed with the others)\n"
               "  CW CX CY EX EY    a clockwise arc around the center (CX, CY) to (EX, EY)\n"
               "  CCW CX CY EX EY   the same, counter-clockwise\n"
               "A line that does not read is reported with its number, and nothing moves.\n"
               "\nNumbers are decimal, a leading zero included (010 is ten), or hexadecimal\n"
               "after 0x (-0x10 is -16).\n"
               "\nCtrl-C (or SIGTERM, SIGHUP) while a command moves axes stops them, slowing\n"
               "down (a second Ctrl-C stops them at once), closes the board and ends with\n"
               "status 128 + the signal's number (130 for Ctrl-C).\n"
               "\nEvery command opens the board, which resets its chip: positions count from 0\n"
               "at each command, while the machine stays where it is. A board another\n"
               "process has open is refused, naming that process, unless --force is given.\n"
               "\nExit status: 0 when everything asked of the library was done, 1 when a call\n"
               "was refused or a move stopped short, 2 when the command line does not read.\n"
               "\nOptions:\n"
               "      --force       open a board another process has open: this resets it\n"
               "                    and stops that process's axes\n"
               "  -h, --help        show this help and exit\n"
               "      --version     show the versions of m716 and the motion library, and exit\n"
               "\nEnvironment:\n"
               "  M716_REGISTRY     the registry store to use instead of the system's\n");
  return out == stderr ? 2 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const auto request = m716::programRequest(argc, argv);
  if (request == m716::ProgramRequest::help || std::strcmp(argv[1], "help") == 0)
    return usage(stdout);
  if (request == m716::ProgramRequest::version) {
    m716::printVersion("m716", true);
    return 0;
  }
  m716::tool::Arguments args(argv + 2, argv + argc);
  if (const auto force = std::find(args.begin(), args.end(), "--force"); force != args.end()) {
    args.erase(force);
    m716::tool::forceOpens();
  }
  for (const Command& command : kCommands) {
    if (std::strcmp(argv[1], command.name) != 0) continue;
    if (command.moves) m716::tool::catchInterruptions();
    const int status = command.run(args);
    if (const int signal = m716::tool::interruptingSignal()) {
      std::fprintf(stderr, "m716: %s: stopped the axes and closed the board\n",
                   strsignal(signal));  // NOLINT(concurrency-mt-unsafe): the only caller
      return 128 + signal;
    }
    return status == 0 && m716::tool::refusedCalls() != 0 ? 1 : status;
  }
  return m716::unknownCommand("m716", argv[1]);
}
