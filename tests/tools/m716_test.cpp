// m716 run as a program on the simulated board, on the test's own store ($M716_REGISTRY),
// the simulated clock running a thousand times faster than real time.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <regex>
#include <sstream>

#include "KRVM716.h"
#include "library/installed_board.h"
#include "m716/platform/registry.h"
#include "support/program.h"

namespace m716::test {
namespace {

constexpr const char* kSimulator = "Software\\M716Simulator";

class M716Tool : public InstalledBoardTest {
 protected:
  void SetUp() override {
    InstalledBoardTest::SetUp();
    setDword(kSimulator, "SpeedFactor", 1000);
  }
  ProgramResult run(const std::vector<std::string>& arguments) {
    return runProgram(M716_PROGRAM, arguments, store_.folder());
  }
  // The last table row of an axis in what a command printed: its name, then its position.
  static std::string rowOf(const std::string& output, const std::string& axis) {
    const std::regex row(axis + " +-?[0-9]+ .*");
    std::istringstream lines(output);
    std::string line, found;
    while (std::getline(lines, line))
      if (std::regex_match(line, row)) found = line;
    return found;
  }
  // The logical position in the last table row of each named axis.
  static std::vector<std::int32_t> positionsOf(const std::string& output, const std::string& axes) {
    std::vector<std::int32_t> positions;
    for (char axis : axes) {
      std::istringstream row(rowOf(output, std::string(1, axis)));
      std::string name;
      std::int32_t logical = INT32_MIN;
      row >> name >> logical;
      positions.push_back(logical);
    }
    return positions;
  }
};

TEST_F(M716Tool, HelpNamesEveryCommand) {
  const ProgramResult help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* command :
       {"boards", "demo [--board N]", "home [--board N] AXIS...",
        "move [--board N] AXIS DISTANCE [SPEED]", "status [--board N] [AXIS...]",
        "line [--board N] AXES DISTANCE...", "arc [--board N] AXES CX CY EX EY [--ccw]",
        "circle [--board N] AXES CX CY [--ccw]", "path FILE [--board N] [--axes XY]",
        "CCW CX CY EX EY"})
    EXPECT_NE(help.out.find(command), std::string::npos) << command;
}

TEST_F(M716Tool, MoveEndsWithTheAxisWhereItWasSent) {
  const ProgramResult move = run({"move", "y", "-3000", "20000"});
  ASSERT_EQ(move.status, 0) << move.err;
  std::istringstream row(rowOf(move.out, "Y"));
  std::string axis;
  std::int32_t logical = 0, real = 0;
  row >> axis >> logical >> real;
  EXPECT_EQ(logical, -3000);
  EXPECT_EQ(real, -3000);
}

struct PathRun {
  std::vector<std::string> arguments;
  std::string axes;
  std::vector<std::int32_t> ends;
};

void PrintTo(const PathRun& p, std::ostream* out) {
  for (const std::string& argument : p.arguments) *out << argument << ' ';
}

class M716PathTool : public M716Tool, public ::testing::WithParamInterface<PathRun> {};

TEST_P(M716PathTool, FollowsThePathToItsEnd) {
  const ProgramResult path = run(GetParam().arguments);
  ASSERT_EQ(path.status, 0) << path.err;
  EXPECT_NE(path.out.find(" pulses "), std::string::npos) << path.out;  // the progress line
  EXPECT_EQ(positionsOf(path.out, GetParam().axes), GetParam().ends) << path.out;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, M716PathTool,
    ::testing::Values(
        PathRun{{"line", "xz", "1000", "-500"}, "XZ", {1000, -500}},
        PathRun{{"line", "--board", "0", "YZU", "30", "-40", "50"}, "YZU", {30, -40, 50}},
        PathRun{{"arc", "XY", "1000", "0", "1000", "1000"}, "XY", {1000, 1000}},
        PathRun{{"arc", "XU", "--ccw", "1000", "0", "1000", "1000"}, "XU", {1000, 1000}},
        PathRun{{"circle", "ZU", "100", "0", "--ccw"}, "ZU", {0, 0}},
        // A leading zero is decimal; 0x is hexadecimal.
        PathRun{{"line", "--board", "00", "XY", "010", "-0x10"}, "XY", {10, -16}}));

TEST_F(M716Tool, PathArgumentsThatDoNotFitTheCommandAreExplained) {
  for (const std::vector<std::string>& wrong :
       std::vector<std::vector<std::string>>{{"line", "X", "100"},
                                             {"line", "XY", "1", "2", "3"},
                                             {"line", "XX", "1", "2"},
                                             {"arc", "XY", "1", "2", "3"},
                                             {"arc", "XYZ", "1", "2", "3", "4"},
                                             {"circle", "XY", "1", "ten"},
                                             {"line", "XY", "1", "--ccw", "2"}}) {
    const ProgramResult result = run(wrong);
    EXPECT_EQ(result.status, 2) << wrong[0] << " " << wrong[1];
    EXPECT_NE(result.err.find("usage: m716 " + wrong[0] + " [--board N] AXES"), std::string::npos)
        << result.err;
  }
}

TEST_F(M716Tool, AMoveIntoALimitShowsWhatStoppedIt) {
  setDword(std::string(kSimulator) + "\\Board300\\Zaxis", "LimitPlus", 500);
  const std::string row = rowOf(run({"move", "Z", "2000"}).out, "Z");
  EXPECT_EQ(row.rfind("Z           500", 0), 0u) << row;
  EXPECT_NE(row.find("LMT+            LMT+"), std::string::npos) << row;  // stopped by, active
}

TEST_F(M716Tool, TheMachineStaysWhereTheLastProgramLeftIt) {
  setDword(std::string(kSimulator) + "\\Board300\\Zaxis", "LimitPlus", 2500);
  ASSERT_EQ(run({"move", "Z", "2000"}).status, 0);
  // A new program counts from 0 again, but the carriage stands at 2000: the limit is 500 away.
  const std::string row = rowOf(run({"move", "Z", "1000"}).out, "Z");
  EXPECT_EQ(row.rfind("Z           500", 0), 0u) << row;
  EXPECT_NE(row.find("LMT+"), std::string::npos) << row;
}

TEST_F(M716Tool, StatusShowsTheActiveLimits) {
  const std::string axisKey = std::string(kSimulator) + "\\Board300\\Uaxis";
  setDword(axisKey, "LimitMinus", 0);  // the carriage starts on its negative limit
  const ProgramResult status = run({"status", "--board", "0"});
  ASSERT_EQ(status.status, 0) << status.err;
  EXPECT_NE(rowOf(status.out, "U").find("LMT-"), std::string::npos) << status.out;
  EXPECT_EQ(rowOf(status.out, "X").find("LMT"), std::string::npos) << status.out;
}

TEST_F(M716Tool, TheDemoHomesThenDrivesXIntoItsLimitAndBack) {
  setDword(std::string(kSimulator) + "\\Board300\\Xaxis", "LimitPlus", 100'000);
  const ProgramResult demo = run({"demo"});
  ASSERT_EQ(demo.status, 0) << demo.err;
  // Home search first: X finds home on the index pulse at -8000, where its counters become 0.
  EXPECT_NE(demo.out.find("X: home found"), std::string::npos) << demo.out;
  EXPECT_NE(demo.out.find("Y: home found"), std::string::npos) << demo.out;
  EXPECT_NE(demo.out.find(" axis Drive End Irq message"), std::string::npos) << demo.out;
  const std::string row = rowOf(demo.out, "X");
  EXPECT_NE(row.find("108000"), std::string::npos) << row;
  EXPECT_NE(row.find("LMT+"), std::string::npos) << row;
  EXPECT_NE(demo.out.find("Board 0 closed."), std::string::npos);
}

TEST_F(M716Tool, HomeReportsEachResultInWords) {
  const ProgramResult home = run({"home", "z"});
  ASSERT_EQ(home.status, 0) << home.err;
  EXPECT_NE(home.out.find("Z: phase 1 of 4, finding the home switch"), std::string::npos);
  EXPECT_NE(home.out.find("Z: home found"), std::string::npos) << home.out;

  setDword(std::string(kSimulator) + "\\Board300\\Uaxis", "LimitMinus", -5000);  // before home
  const ProgramResult limited = run({"home", "U"});
  EXPECT_EQ(limited.status, 1);
  EXPECT_NE(
      limited.out.find("U: Return home process be stopped by hardware negative limited switch"),
      std::string::npos)
      << limited.out;
}

TEST_F(M716Tool, BoardsLeavesABoardThatAnotherProgramHasOpenAlone) {
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);  // this program uses board 0
  // An open of board 0 by m716 would write the missing value back with its default.
  deleteValue(parameterKey(0, "Uaxis"), "HomeOffsetSpeed");
  ProgramResult boards = run({"boards"});
  EXPECT_EQ(boards.status, 0) << boards.err;
  EXPECT_NE(boards.out.find("IRQ 5  answers"), std::string::npos) << boards.out;
  EXPECT_NE(boards.out.find("Registry store: " + store_.file() + "\n"), std::string::npos);
  EXPECT_FALSE(hasValue(parameterKey(0, "Uaxis"), "HomeOffsetSpeed"));

  ASSERT_EQ(M716MotDevClose(0), M716_OK);  // closed, the board is free to be tried
  boards = run({"boards"});
  EXPECT_NE(boards.out.find("IRQ 5  answers"), std::string::npos) << boards.out;
  EXPECT_TRUE(hasValue(parameterKey(0, "Uaxis"), "HomeOffsetSpeed"));
}

// Two programs open board 0, the second while the first has it; once the first has ended, the
// second still holds the board, and discovery in a third leaves it alone.
TEST_F(M716Tool, BoardsLeavesABoardAloneWhileAnyProgramStillHoldsIt) {
  setDword(kSimulator, "SpeedFactor", 1);  // the moves last minutes
  const std::vector<std::string> move{"move", "X", "1000000", "1000"};
  BackgroundProgram first(M716_PROGRAM, move, store_.folder() / "first");
  ASSERT_TRUE(first.wroteWithin(10));
  std::vector<std::string> forced = move;
  forced.push_back("--force");
  BackgroundProgram second(M716_PROGRAM, forced, store_.folder() / "second");
  ASSERT_TRUE(second.wroteWithin(10));
  first.kill();
  deleteValue(parameterKey(0, "Uaxis"), "HomeOffsetSpeed");  // an open would write it back
  const ProgramResult boards = run({"boards"});
  EXPECT_NE(boards.out.find("IRQ 5  answers"), std::string::npos) << boards.out;
  EXPECT_FALSE(hasValue(parameterKey(0, "Uaxis"), "HomeOffsetSpeed")) << "discovery opened it";
}

// A board another program drives is not opened (which would reset it under that program)
// unless the user insists.
TEST_F(M716Tool, ABoardAnotherProgramHasOpenIsRefusedUnlessForced) {
  setDword(kSimulator, "SpeedFactor", 1);
  BackgroundProgram moving(M716_PROGRAM, {"move", "X", "1000000", "1000"}, store_.folder() / "bg");
  ASSERT_TRUE(moving.wroteWithin(10));
  const ProgramResult refused = run({"status", "X"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_TRUE(std::regex_search(
      refused.err, std::regex("board 0 is in use by process [0-9]+ \\(m716 move X 1000000 1000\\); "
                              "--force opens it anyway")))
      << refused.err;
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(run({"status", "--force", "X"}).status, 0);
}

// A command whose call the library refuses, or whose move stops short, says why and fails.
struct FailingCommand {
  std::string key;  // under HKLM, with a DWORD set before the command runs
  const char* name;
  std::uint32_t value;
  std::vector<std::string> arguments;
  const char* says;
};

void PrintTo(const FailingCommand& c, std::ostream* out) {
  for (const std::string& argument : c.arguments) *out << argument << ' ';
}

class M716ToolFailure : public M716Tool, public ::testing::WithParamInterface<FailingCommand> {};

TEST_P(M716ToolFailure, SaysWhyAndExitsWith1) {
  const FailingCommand& c = GetParam();
  setDword(c.key, c.name, c.value);
  const ProgramResult result = run(c.arguments);
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
}

std::string machineKey(const char* axis) {
  return std::string(kSimulator) + "\\Board300\\" + axis;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, M716ToolFailure,
    ::testing::Values(
        FailingCommand{machineKey("Xaxis"),
                       "LimitPlus",
                       500,
                       {"move", "X", "60000"},
                       "X stopped at 500, short of its target 60000: stopped by LMT+"},
        FailingCommand{machineKey("Xaxis"),
                       "LimitMinus",
                       static_cast<std::uint32_t>(-700),
                       {"move", "x", "-2000", "9000"},
                       "X stopped at -700, short of its target -2000: stopped by LMT-"},
        // The machine as the fixture leaves it (its speed factor set again).
        FailingCommand{kSimulator,
                       "SpeedFactor",
                       1000,
                       {"move", "X", "300000000"},
                       "Move: Moving distance is over single maximum distance (error 20)"},
        FailingCommand{kSimulator,
                       "SpeedFactor",
                       1000,
                       {"move", "X", "1000", "5000000"},
                       "Drive speed: One of the assigned parameter value is over valid value"},
        FailingCommand{machineKey("Zaxis"),
                       "LimitPlus",
                       500,
                       {"line", "XZ", "1000", "1000"},
                       "Z stopped at 500, short of its target 1000: stopped by LMT+"},
        FailingCommand{kSimulator,
                       "SpeedFactor",
                       1000,
                       {"arc", "XY", "8388608", "0", "0", "0"},
                       "Arc: Moving distance is over single maximum distance (error 20)"},
        FailingCommand{kSimulator,
                       "SpeedFactor",
                       1000,
                       {"move", "X", "1000", "99999999"},
                       "SPEED 99999999 pps is above 4000000 pps, the fastest the chip runs"},
        FailingCommand{kSimulator,
                       "SpeedFactor",
                       1000,
                       {"status", "--board", "7"},
                       "board 7 is not installed (see m716 boards; declare it with M716Install"}));

TEST_F(M716Tool, BoardsWithNoneDeclaredSaysHowToDeclareOne) {
  setDword(kHardwareBranch, "BoardIDInUsed", 0);
  const ProgramResult boards = run({"boards"});
  EXPECT_EQ(boards.status, 0);
  EXPECT_NE(boards.out.find("m716reg add 'HKLM\\" + kHardwareBranch + "' /v BoardIDInUsed"),
            std::string::npos)
      << boards.out;
}

TEST_F(M716Tool, PathRunsTheSegmentsOfItsFilePointByPoint) {
  setDword(kSimulator, "SpeedFactor", 20);
  const auto file = store_.folder() / "path.txt";
  writeFile(file,
            "# a corner, an arc each way\nL2 300 0\nccw 0 100 100 100\n\n"
            "L2 0 200  # up\nCW -100 0 -100 100\nL2 -100 -100\n");
  const ProgramResult path = run({"path", file.string(), "--axes", "XU"});
  ASSERT_EQ(path.status, 0) << path.err;
  EXPECT_NE(path.out.find("point 5/5 "), std::string::npos) << path.out;
  EXPECT_EQ(positionsOf(path.out, "XU"), (std::vector<std::int32_t>{200, 300})) << path.out;
  EXPECT_NE(path.out.find("\nUnderruns: "), std::string::npos) << path.out;
}

TEST_F(M716Tool, APathLineThatDoesNotReadIsNamedAndNothingMoves) {
  const auto file = store_.folder() / "bad.txt";
  for (const char* wrong : {"L2 10\n", "L3 1 2 x\n", "ARC 1 2 3 4\n"}) {
    writeFile(file, std::string("L2 10 10\n# fine so far\n") + wrong + "L2 5 5\n");
    const ProgramResult path = run({"path", file.string()});
    EXPECT_EQ(path.status, 2) << wrong;
    EXPECT_NE(path.err.find("bad.txt:3: not a segment"), std::string::npos) << path.err;
    EXPECT_EQ(path.out, "") << "nothing ran";
  }
}

// Paths the board cannot run are refused with the reason, before anything moves.
TEST_F(M716Tool, APathThatCannotRunSaysWhyAndNothingMoves) {
  const auto file = store_.folder() / "refused.txt";
  const struct {
    const char* segments;
    const char* says;
  } cases[] = {
      {"L2 100 0\n", "Path: Buffer contain only one data (error 97)"},
      {"L2 2147483647 0\nL2 2147483647 0\n", "would take X to 4294967294, outside"},
      {"L2 -2147483648 0\nL2 0 5\nL2 -1 0\n", "would take X to -2147483649, outside"},
  };
  for (const auto& c : cases) {
    writeFile(file, c.segments);
    const ProgramResult path = run({"path", file.string()});
    EXPECT_EQ(path.status, 1) << c.segments;
    EXPECT_NE(path.err.find(c.says), std::string::npos) << path.err;
    EXPECT_EQ(path.out, "") << "nothing ran";
  }
}

// A signal in the middle of a move: the axis is stopped, the board closed, and the machine
// position the next program starts from is where the last table shows the axis standing.
struct Interruption {
  std::string script;  // $M716 is the program, $PATH_FILE a path of two long lines on XY
  const char* axis;
  int status;
  // What follows the axis's name at the start of the line that shows where it stands: by
  // default the row of the table of axes.
  const char* standsAt = " +(-?[0-9]+) +-?[0-9]+ +[0-9]+ +no ";
};

void PrintTo(const Interruption& i, std::ostream* out) {
  *out << i.script;
}

class M716ToolInterrupted : public M716Tool, public ::testing::WithParamInterface<Interruption> {};

TEST_P(M716ToolInterrupted, StopsTheAxesClosesTheBoardAndKeepsThePosition) {
  setDword(kSimulator, "SpeedFactor", 1);
  const auto pathFile = store_.folder() / "long.txt";
  writeFile(pathFile, "L2 500000 0\nL2 0 500000\n");
  ::setenv("M716", M716_PROGRAM, 1);
  ::setenv("PATH_FILE", pathFile.c_str(), 1);
  const ProgramResult run = runProgram("/bin/sh", {"-c", GetParam().script}, store_.folder());
  EXPECT_EQ(run.status, GetParam().status) << run.err;
  EXPECT_NE(run.err.find(": stopped the axes and closed the board"), std::string::npos) << run.err;
  const std::regex stands(std::string("(?:^|\n)") + GetParam().axis + GetParam().standsAt);
  std::smatch position;
  ASSERT_TRUE(std::regex_search(run.out, position, stands)) << run.out;
  const std::int32_t standing = std::stoi(position[1]);
  EXPECT_NE(standing, 0) << run.out;
  EXPECT_EQ(
      static_cast<std::int32_t>(dword(machineKey(GetParam().axis) + "axis", "MachinePosition")),
      standing);
}

INSTANTIATE_TEST_SUITE_P(
    Signals, M716ToolInterrupted,
    ::testing::Values(
        Interruption{"timeout --preserve-status -s INT 1 \"$M716\" move X 1000000 20000", "X", 130},
        Interruption{"timeout --preserve-status -s TERM 1 \"$M716\" path \"$PATH_FILE\"", "X", 143},
        Interruption{"timeout --preserve-status -s HUP 1 \"$M716\" home Y", "Y", 129,
                     ": Return Home process be stopped by M716MotStop function, at (-?[0-9]+)"},
        // A second Ctrl-C while the first stop decelerates stops at once.
        Interruption{"\"$M716\" move Z 1000000 400000 & sleep 1; kill -INT $!; sleep 0.1; kill "
                     "-INT $!; wait $!",
                     "Z", 130}));

// A store that cannot be opened is named with the reason, and no other store is used instead:
// for a file that is no store, and for one the user may not read (root runs m716 as nobody).
TEST_F(M716Tool, ACommandSaysWhyTheStoreCannotBeOpened) {
  const auto other = store_.folder() / "not-a-store.db";
  writeFile(other, "not a registry store");
  ::chmod(store_.file().c_str(), 0600);
  const struct {
    std::string file;
    bool unprivileged;
    const char* reason;
  } cases[] = {{other.string(), false, "not a registry store"},
               {store_.file(), true, "permission denied"}};
  for (const auto& c : cases) {
    ::setenv("M716_REGISTRY", c.file.c_str(), 1);
    for (const char* command : {"boards", "status"}) {
      const ProgramResult result = c.unprivileged && ::geteuid() == 0
                                       ? runProgram("setpriv",
                                                    {"--reuid=65534", "--regid=65534",
                                                     "--clear-groups", M716_PROGRAM, command},
                                                    store_.folder())
                                       : run({command});
      EXPECT_EQ(result.status, 1) << command;
      EXPECT_NE(result.err.find("cannot open the registry store " + c.file + ": " + c.reason),
                std::string::npos)
          << result.err;
      EXPECT_EQ(result.out, "") << command;
    }
  }
  ::setenv("M716_REGISTRY", store_.file().c_str(), 1);
}

// A user who may read the store but not change it, nor take its boards' marks (as one outside
// the system store's group), is told so when a board cannot be used.
TEST_F(M716Tool, AUserWhoMayOnlyReadTheStoreIsToldSo) {
  if (::geteuid() != 0) GTEST_SKIP() << "runs m716 as another user";
  namespace fs = std::filesystem;
  const std::string mark = store_.file() + ".Board000.lock";
  writeFile(mark, "");
  platform::useRegistryFile((store_.folder() / "other.db").string());  // its log goes
  fs::permissions(mark, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  fs::permissions(store_.file(), fs::perms::owner_read | fs::perms::others_read);
  fs::permissions(store_.folder(), fs::perms::all);
  for (const char* command : {"boards", "status"}) {
    const ProgramResult result = runProgram(
        "setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", M716_PROGRAM, command},
        store_.folder());
    EXPECT_EQ(result.status, 1) << command;
    EXPECT_NE(
        result.err.find("the registry store " + store_.file() + " may only be read by this user"),
        std::string::npos)
        << result.err;
  }
}

TEST_F(M716Tool, WrongArgumentsAreExplained) {
  const ProgramResult wrong = run({"move", "Q", "5"});
  EXPECT_EQ(wrong.status, 2);
  EXPECT_NE(wrong.err.find("X, Y, Z or U"), std::string::npos);
  for (const char* command : {"status", "demo"}) {
    EXPECT_EQ(run({command, "--board", "16"}).status, 2) << command;
    EXPECT_EQ(run({command, "--board", "3"}).status, 1) << command;  // not installed
  }
  EXPECT_EQ(run({"demo", "0"}).status, 2);  // the board comes with --board
}

}  // namespace
}  // namespace m716::test
