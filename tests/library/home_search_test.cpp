// Home searches and interrupt events on the simulated board, its clock running fast, with the
// default mechanics: home switch from -20 000 to -10 000, index every 4000 pulses from 0,
// limits at +-1 000 000.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "KRVM716.h"
#include "installed_board.h"
#include "m716sim.h"

namespace m716::test {
namespace {

constexpr std::uint32_t kBase = 0x300;
constexpr std::uint32_t kX = 1, kY = 2;
constexpr std::uint32_t kHomeOffset = 0x309, kHomeType = 0x30B, kHomeP0Dir = 0x30C;

// Polls `done` until it holds or `seconds` of real time pass.
bool eventually(const std::function<bool()>& done, double seconds = 30) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

class HomeSearchTest : public InstalledBoardTest {
 protected:
  void SetUp() override {
    InstalledBoardTest::SetUp();
    M716SimSetSpeedFactor(50);
    ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  }
  void TearDown() override {
    EXPECT_EQ(M716SimClampedLoads(kBase), 0u);
    EXPECT_EQ(M716MotDevClose(0), M716_OK);
  }

  static void configure(std::uint32_t axis, std::uint32_t type, std::int32_t offset,
                        std::uint32_t p0Dir = 1) {
    ASSERT_EQ(M716MotWrReg(0, axis, kHomeType, type), M716_OK);
    ASSERT_EQ(M716MotWrReg(0, axis, kHomeOffset, static_cast<std::uint32_t>(offset)), M716_OK);
    ASSERT_EQ(M716MotWrReg(0, axis, kHomeP0Dir, p0Dir), M716_OK);
  }
  static std::int32_t homeStatus(std::uint32_t axis) {
    std::int32_t result = -1;
    EXPECT_EQ(M716MotHomeStatus(0, axis, &result), M716_OK);
    return result;
  }
  // Runs a search to its end and gives its result.
  static std::int32_t searchResult(std::uint32_t axis, double seconds = 30) {
    EXPECT_EQ(M716MotHome(0, axis), M716_OK);
    EXPECT_TRUE(eventually([axis] { return homeStatus(axis) != M716_ERR_IN_HOME; }, seconds));
    return homeStatus(axis);
  }
  static void expectCountersZero(std::uint32_t axis) {
    std::int32_t logical = -1, real = -1;
    ASSERT_EQ(M716GetTheorecticalRegister(0, axis, &logical), M716_OK);
    ASSERT_EQ(M716GetPracticalRegister(0, axis, &real), M716_OK);
    EXPECT_EQ(logical, 0);
    EXPECT_EQ(real, 0);
  }
  static bool idle(std::uint32_t axis) { return M716MotAxisBusy(0, axis) == M716_OK; }
  static bool driving(std::uint32_t axis) {
    std::uint16_t status = 0;
    M716_InpWord(0, 0, &status);
    return (status & axis) != 0;
  }
  // Starts the search with the clock frozen and lets it drive for `seconds` of simulated time.
  static void startFrozen(std::uint32_t axis, double seconds) {
    M716SimSetSpeedFactor(0);
    ASSERT_EQ(M716MotHome(0, axis), M716_OK);
    ASSERT_TRUE(eventually([axis] { return driving(axis); }, 10));
    M716SimAdvance(seconds);
  }
  // Lets the clock run again and gives the search's result once it has ended.
  static std::int32_t resultWithTheClockRunning(std::uint32_t axis) {
    M716SimSetSpeedFactor(50);
    EXPECT_TRUE(eventually([axis] { return homeStatus(axis) != M716_ERR_IN_HOME; }, 10));
    return homeStatus(axis);
  }
  // Starts a search on the axis as soon as it is free for one (busy or searching: tried again
  // at once), within `seconds`; the last start's code.
  static std::uint32_t startWhenFree(std::uint32_t axis, double seconds = 10) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    std::uint32_t code = M716_OK;
    do {
      code = M716MotHome(0, axis);
    } while ((code == M716_ERR_IN_HOME || code == M716_ERR_AXIS_BUSY) &&
             std::chrono::steady_clock::now() < deadline);
    return code;
  }
};

TEST_F(HomeSearchTest, TypeZeroEndsOnTheIndexPulseBeyondTheHomeSwitch) {
  configure(kX, 0, 0);
  EXPECT_EQ(searchResult(kX), 0);
  EXPECT_EQ(M716SimMachinePosition(kBase, kX), -8000);
  expectCountersZero(kX);
}

TEST_F(HomeSearchTest, TypeOneOnTheHomeSwitchMovesOnlyTheOffset) {
  M716SimSetMachinePosition(kBase, kX, -15'000);
  configure(kX, 1, 500);
  ASSERT_EQ(M716SetTheorecticalRegister(0, kX, 777), M716_OK);
  EXPECT_EQ(searchResult(kX), 0);
  EXPECT_EQ(M716SimMachinePosition(kBase, kX), -14'500);
  expectCountersZero(kX);
}

TEST_F(HomeSearchTest, AZeroOffsetMovesNothingAndStillClearsTheCounters) {
  M716SimSetMachinePosition(kBase, kY, -12'000);
  configure(kY, 1, 0);
  ASSERT_EQ(M716SetTheorecticalRegister(0, kY, 777), M716_OK);
  ASSERT_EQ(M716SetPracticalRegister(0, kY, -5), M716_OK);
  EXPECT_EQ(searchResult(kY), 0);
  EXPECT_EQ(M716SimMachinePosition(kBase, kY), -12'000);
  expectCountersZero(kY);
}

TEST_F(HomeSearchTest, TypeFourFindsTheLimitThenMovesTheOffset) {
  M716SimSetMachinePosition(kBase, kX, -990'000);
  configure(kX, 4, 1000);
  EXPECT_EQ(searchResult(kX), 0);
  EXPECT_EQ(M716SimMachinePosition(kBase, kX), -999'000);
  expectCountersZero(kX);
}

// A negative limit search that starts with LMT+ active is not at its limit: it finds LMT-.
TEST_F(HomeSearchTest, TypeFourStartingOnTheOppositeLimitSearchesItsOwn) {
  M716SimSetMachinePosition(kBase, kX, -990'000);
  M716SimForceInput(kBase, kX, M716SIM_INPUT_LIMIT_PLUS, M716SIM_STATE_ACTIVE);
  configure(kX, 4, 1000);
  startFrozen(kX, 0.1);
  M716SimForceInput(kBase, kX, M716SIM_INPUT_LIMIT_PLUS, M716SIM_STATE_MECHANICS);
  EXPECT_EQ(resultWithTheClockRunning(kX), 0);
  EXPECT_EQ(M716SimMachinePosition(kBase, kX), -999'000);
}

// What a limit search finds at its start is what is active now, not what ended a drive before.
struct LimitSearchStart {
  const char* name;
  std::function<void()> prepare;
  std::int32_t result;
  std::int32_t endsAt;  // machine position, from -990 000
  friend void PrintTo(const LimitSearchStart& start, std::ostream* out) { *out << start.name; }
};

class LimitSearchStartTest : public HomeSearchTest,
                             public ::testing::WithParamInterface<LimitSearchStart> {};

TEST_P(LimitSearchStartTest, LooksAtWhatIsActiveNow) {
  M716SimSetMachinePosition(kBase, kX, -990'000);
  configure(kX, 4, 1000);
  GetParam().prepare();
  EXPECT_EQ(searchResult(kX, 10), GetParam().result);
  EXPECT_EQ(M716SimMachinePosition(kBase, kX), GetParam().endsAt);
}

void forceX(std::uint32_t input, std::int32_t state = M716SIM_STATE_ACTIVE) {
  M716SimForceInput(kBase, kX, input, state);
}

INSTANTIATE_TEST_SUITE_P(
    TypeFour, LimitSearchStartTest,
    ::testing::Values(
        LimitSearchStart{"AfterAnEmergencyStopThatEnded",
                         [] {
                           forceX(M716SIM_INPUT_EMERGENCY_STOP);
                           ASSERT_EQ(M716MoveIns(0, kX, 1000), 0u);  // ends at once, latched
                           ASSERT_TRUE(
                               eventually([] { return M716MotAxisBusy(0, kX) == M716_OK; }));
                           forceX(M716SIM_INPUT_EMERGENCY_STOP, M716SIM_STATE_MECHANICS);
                         },
                         0, -999'000},
        LimitSearchStart{"DuringAnEmergencyStop", [] { forceX(M716SIM_INPUT_EMERGENCY_STOP); },
                         M716_ERR_HOME_EMERGENCY_STOP, -990'000},
        LimitSearchStart{"DuringAnAlarm",
                         [] {
                           ASSERT_EQ(M716SetServoAlarm(0, kX, 1, 0), 0u);
                           forceX(M716SIM_INPUT_ALARM);
                         },
                         M716_ERR_HOME_ALARM, -990'000},
        LimitSearchStart{"OnTheLimitOfItsDirection", [] { forceX(M716SIM_INPUT_LIMIT_MINUS); }, 0,
                         -989'000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HomeSearchTest, TypeFourWithTheOffsetIntoTheLimitFound) {
  M716SimSetMachinePosition(kBase, kX, 995'000);
  configure(kX, 4, 100, 0);
  EXPECT_EQ(searchResult(kX), M716_ERR_PARAMETER_OVER);
  EXPECT_EQ(M716MotAxisBusy(0, kX), M716_OK);  // out of the search, at rest
}

TEST_F(HomeSearchTest, AStopEndsTheSearchWithTheAxisStopped) {
  configure(kX, 0, 0);
  ASSERT_EQ(M716MotHome(0, kX), M716_OK);
  EXPECT_EQ(homeStatus(kX), M716_ERR_IN_HOME);
  ASSERT_EQ(M716MotStop(0, kX, 0), M716_OK);
  EXPECT_TRUE(eventually([] { return homeStatus(kX) != M716_ERR_IN_HOME; }));
  EXPECT_EQ(homeStatus(kX), M716_ERR_HOME_STOPPED);
  EXPECT_TRUE(idle(kX));
  EXPECT_GT(M716SimMachinePosition(kBase, kX), -10'000);  // stopped before the switch
}

// A stop reaches a searching axis at once, not at its search's next poll (50 ms apart): the
// chip stops long before that. The clock is frozen, so the axis waits where it is.
TEST_F(HomeSearchTest, AStopReachesTheChipBeforeTheSearchsNextPoll) {
  constexpr auto kWellBeforeTheNextPoll = std::chrono::milliseconds(20);
  M716SimSetMachinePosition(kBase, kX, 200'000);  // far from the home switch
  configure(kX, 0, 0);
  for (int round = 0; round < 5; ++round) {
    startFrozen(kX, 0.01);
    const auto stopped = std::chrono::steady_clock::now();
    ASSERT_EQ(M716MotStop(0, kX, 0), M716_OK);
    ASSERT_TRUE(eventually([] { return !driving(kX); }));
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, kWellBeforeTheNextPoll);
    ASSERT_TRUE(eventually([] { return homeStatus(kX) == M716_ERR_HOME_STOPPED; }));
  }
}

TEST_F(HomeSearchTest, LimitsAndTheAlarmEndThePhaseWithTheirResult) {
  M716SimSetMachinePosition(kBase, kX, 999'000);
  configure(kX, 0, 0, 0);  // towards +
  EXPECT_EQ(searchResult(kX), M716_ERR_HOME_LIMIT_PLUS);

  ASSERT_EQ(M716SetServoAlarm(0, kX, 1, 0), M716_OK);
  M716SimForceInput(kBase, kX, M716SIM_INPUT_LIMIT_PLUS, M716SIM_STATE_ACTIVE);
  M716SimForceInput(kBase, kX, M716SIM_INPUT_ALARM, M716SIM_STATE_ACTIVE);
  EXPECT_EQ(searchResult(kX), M716_ERR_HOME_ALARM);
}

TEST_F(HomeSearchTest, ASecondStartOnASearchingAxisTouchesNoOtherAxis) {
  configure(kX, 0, 0);
  ASSERT_EQ(M716MotHome(0, kX), M716_OK);
  const std::uint32_t yStarts = M716SimDriveStarts(kBase, kY);
  const std::int32_t yStatus = homeStatus(kY);  // the last search's result, kept by the library
  EXPECT_EQ(M716MotHome(0, kX | kY), M716_ERR_IN_HOME);
  EXPECT_EQ(homeStatus(kY), yStatus);
  EXPECT_EQ(M716SimDriveStarts(kBase, kY), yStarts);
}

// A search started the moment the previous one lets go of the axis is a search of its own: it
// shows in the status, and a stop ends it.
TEST_F(HomeSearchTest, ASearchStartedAsThePreviousOneEndsIsSeenAndStops) {
  M716SimSetSpeedFactor(2);  // far from the home switch for every attempt
  M716SimSetMachinePosition(kBase, kX, 200'000);
  configure(kX, 0, 0);
  ASSERT_EQ(M716MotHome(0, kX), M716_OK);
  for (int attempt = 0; attempt < 50; ++attempt) {
    ASSERT_TRUE(eventually([] { return driving(kX); }));
    ASSERT_EQ(M716MotStop(0, kX, 0), M716_OK);
    ASSERT_EQ(startWhenFree(kX), M716_OK);
    EXPECT_EQ(homeStatus(kX), M716_ERR_IN_HOME);
  }
  ASSERT_EQ(M716MotStop(0, kX, 0), M716_OK);
  EXPECT_TRUE(eventually([] { return homeStatus(kX) == M716_ERR_HOME_STOPPED; }));
  EXPECT_TRUE(eventually([] { return idle(kX); }));
}

TEST_F(HomeSearchTest, ClosingTheBoardEndsItsSearchesFirst) {
  configure(kX, 0, 0);
  configure(kY, 0, 0);
  ASSERT_EQ(M716MotHome(0, kX | kY), M716_OK);
  ASSERT_EQ(M716MotDevClose(0), M716_OK);
  EXPECT_NE(homeStatus(kX), M716_ERR_IN_HOME);
  EXPECT_NE(homeStatus(kY), M716_ERR_IN_HOME);
  const std::int32_t where = M716SimMachinePosition(kBase, kX);
  std::uint16_t driving = 0xFFFF;
  EXPECT_TRUE(eventually([&] { return M716_InpWord(0, 0, &driving), (driving & 0x3) == 0; }));
  EXPECT_EQ(M716SimMachinePosition(kBase, kX), where);
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);  // for TearDown
}

TEST_F(HomeSearchTest, OpeningAgainEndsTheSearchesBeforeTheChipIsReset) {
  configure(kX, 0, 0);
  ASSERT_EQ(M716MotHome(0, kX), M716_OK);
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  EXPECT_NE(homeStatus(kX), M716_ERR_IN_HOME);
  EXPECT_TRUE(idle(kX));
}

TEST_F(HomeSearchTest, StartChecksComeFirst) {
  std::int32_t result = 0;
  EXPECT_EQ(M716MotHome(16, kX), M716_ERR_BOARD_NUMBER);
  EXPECT_EQ(M716MotHome(0, 0), M716_ERR_AXIS_NUMBER);
  EXPECT_EQ(M716MotHomeStatus(0, 3, &result), M716_ERR_AXIS_NUMBER);
  EXPECT_EQ(M716MotHomeStatus(0, kX, nullptr), M716_ERR_PARAMETER_INVALID);
  ASSERT_EQ(M716MotWrReg(0, kX, 0x30D, 20'000), M716_OK);  // HomeP0Speed beyond the range
  const std::int32_t xStatus = homeStatus(kX);
  EXPECT_EQ(M716MotHome(0, kX), M716_ERR_DV_OVER);
  EXPECT_EQ(homeStatus(kX), xStatus);
}

// One application thread works on the board while X and Y search: sets speeds and parameters,
// saves them, changes X's drive speed to its start speed (which moves no switch edge), reads
// registers and status, configures, and drives and stops Z and U. Each search runs with the
// parameters it started with and ends where it would have alone.
TEST_F(HomeSearchTest, TheApplicationWorksOnTheBoardWhileSearchesRun) {
  M716SimSetSpeedFactor(5);                       // both searches last seconds
  M716SimSetMachinePosition(kBase, kY, -15'000);  // on the home switch: the offset at once
  configure(kX, 0, 0);
  configure(kY, 1, 20'000);
  ASSERT_EQ(M716MotHome(0, kX | kY), M716_OK);
  const auto searching = [] {
    return homeStatus(kX) == M716_ERR_IN_HOME || homeStatus(kY) == M716_ERR_IN_HOME;
  };
  std::uint32_t value = 0;
  std::int16_t state = 0;
  EXPECT_TRUE(eventually([&] {
    EXPECT_EQ(M716MotAxisParaSet(0, 0x0F, 0, 1000, 6000, 8000, 600'000, 10'000'000), M716_OK);
    EXPECT_EQ(M716SetDrivingSpeed(0, kY, 6000), M716_OK);
    EXPECT_EQ(M716MotWrReg(0, kX | kY, kHomeOffset, 3000), M716_OK);
    EXPECT_EQ(M716MotSavePara(0, kX | kY), M716_OK);
    EXPECT_EQ(M716MotChgDV(0, kX, 1000), M716_OK);
    for (std::uint32_t id : {M716_REG_LIVE_SPEED, M716_REG_STATUS1, M716_PAR_DV, M716_REG_MODE1})
      EXPECT_EQ(M716MotRdReg(0, kY, id, &value), M716_OK);
    EXPECT_EQ(M716GetMotionState(0, kX, &state), M716_OK);
    EXPECT_EQ(M716SetHomeLogic(0, kX, 0), M716_OK);
    EXPECT_EQ(M716MotEnableEvent(0, kY, 0, 0, 0, 0), M716_OK);
    M716MotCmove(0, 4, 0);  // Z; refused while it still stops
    EXPECT_EQ(M716MotStop(0, 4 | 8, 0), M716_OK);
    return !searching();
  }));
  EXPECT_EQ(homeStatus(kX), 0);
  EXPECT_EQ(homeStatus(kY), 0);
  EXPECT_EQ(M716SimMachinePosition(kBase, kX), -8000);
  EXPECT_EQ(M716SimMachinePosition(kBase, kY), 5000);
  expectCountersZero(kX);
  expectCountersZero(kY);
}

// A search drive that a software limit ends before it finds what it looks for ends the search
// with the limit code of its direction; the counters keep their values.
struct SoftLimitStop {
  const char* name;
  std::uint32_t homeType;
  std::int32_t startAt;  // machine position; the logical counter starts at 0 there
  bool plusLimit;        // COMP+ (else COMP-) as the software limit
  std::int32_t compare;
  std::int32_t result;
  friend void PrintTo(const SoftLimitStop& stop, std::ostream* out) { *out << stop.name; }
};

class SoftLimitStopTest : public HomeSearchTest,
                          public ::testing::WithParamInterface<SoftLimitStop> {};

TEST_P(SoftLimitStopTest, EndsTheSearchWithTheLimitCodeOfItsDirection) {
  const SoftLimitStop& stop = GetParam();
  M716SimSetMachinePosition(kBase, kX, stop.startAt);
  if (stop.plusLimit) {
    ASSERT_EQ(M716SetCompPLimit(0, kX, stop.compare), M716_OK);
    ASSERT_EQ(M716EnableCompPLimit(0, kX, 1), M716_OK);
  } else {
    ASSERT_EQ(M716SetCompNLimit(0, kX, stop.compare), M716_OK);
    ASSERT_EQ(M716EnableCompNLimit(0, kX, 1), M716_OK);
  }
  configure(kX, stop.homeType, 0);
  EXPECT_EQ(searchResult(kX, 10), stop.result);
  std::int32_t logical = 0;
  ASSERT_EQ(M716GetTheorecticalRegister(0, kX, &logical), M716_OK);
  EXPECT_NEAR(logical, stop.compare, 100);  // where the limit stopped it, not zeroed
  EXPECT_TRUE(idle(kX));
}

INSTANTIATE_TEST_SUITE_P(
    SearchDrives, SoftLimitStopTest,
    ::testing::Values(
        // Type 1 drives - towards the home switch at -10 000.
        SoftLimitStop{"FindingTheHomeSwitch", 1, 0, false, -5000, M716_ERR_HOME_LIMIT_MINUS},
        // Type 3 drives + from -3000 towards the index at 0.
        SoftLimitStop{"FindingTheIndex", 3, -3000, true, 1000, M716_ERR_HOME_LIMIT_PLUS}),
    [](const auto& info) { return std::string(info.param.name); });

// An offset move that a limit, the alarm, the emergency stop or a software limit ends before
// its last pulse gives the result of what stopped it, and the counters keep their values.
struct OffsetStop {
  const char* name;
  std::int32_t offset;
  std::function<void()> arm;   // before the search starts
  std::function<void()> stop;  // during the offset move
  std::int32_t result;
  friend void PrintTo(const OffsetStop& stop, std::ostream* out) { *out << stop.name; }
};

class OffsetStopTest : public HomeSearchTest, public ::testing::WithParamInterface<OffsetStop> {};

// Type 1 on the home switch goes straight to its offset move.
TEST_P(OffsetStopTest, GivesTheResultOfWhatStoppedIt) {
  const OffsetStop& stop = GetParam();
  M716SimSetMachinePosition(kBase, kX, -15'000);
  configure(kX, 1, stop.offset);
  stop.arm();
  startFrozen(kX, 0.5);  // 3000 pulses of the offset
  stop.stop();
  EXPECT_EQ(resultWithTheClockRunning(kX), stop.result);
  std::int32_t logical = 0;
  ASSERT_EQ(M716GetTheorecticalRegister(0, kX, &logical), M716_OK);
  EXPECT_NE(logical, 0);
  EXPECT_TRUE(idle(kX));
}

INSTANTIATE_TEST_SUITE_P(
    Stops, OffsetStopTest,
    ::testing::Values(
        OffsetStop{"LimitMinus", -40'000, [] {}, [] { forceX(M716SIM_INPUT_LIMIT_MINUS); },
                   M716_ERR_HOME_LIMIT_MINUS},
        OffsetStop{"LimitPlus", 40'000, [] {}, [] { forceX(M716SIM_INPUT_LIMIT_PLUS); },
                   M716_ERR_HOME_LIMIT_PLUS},
        OffsetStop{"EmergencyStop", -40'000, [] {}, [] { forceX(M716SIM_INPUT_EMERGENCY_STOP); },
                   M716_ERR_HOME_EMERGENCY_STOP},
        OffsetStop{"Alarm", -40'000, [] { ASSERT_EQ(M716SetServoAlarm(0, kX, 1, 0), 0u); },
                   [] { forceX(M716SIM_INPUT_ALARM); }, M716_ERR_HOME_ALARM},
        OffsetStop{"SoftLimitMinus", -40'000,
                   [] {
                     ASSERT_EQ(M716SetCompNLimit(0, kX, -5000), 0u);
                     ASSERT_EQ(M716EnableCompNLimit(0, kX, 1), 0u);
                   },
                   [] {}, M716_ERR_HOME_LIMIT_MINUS}),
    [](const auto& info) { return std::string(info.param.name); });

// A call that loads WR1 or WR2 of a searching axis keeps the search's own bits in the chip.
struct ConfigurationDuringSearch {
  const char* name;
  std::uint32_t homeType;
  std::function<void()> call;  // on X, while it searches
  friend void PrintTo(const ConfigurationDuringSearch& step, std::ostream* out) {
    *out << step.name;
  }
};

class ConfigurationDuringSearchTest
    : public HomeSearchTest,
      public ::testing::WithParamInterface<ConfigurationDuringSearch> {};

// Type 0 from 0 stops on the home switch; type 4 from -990 000 passes COMP- (logical -5000,
// enabled) with the software limits off and finds LMT-.
TEST_P(ConfigurationDuringSearchTest, LeavesTheSearchAsItWas) {
  const ConfigurationDuringSearch& step = GetParam();
  const bool limitSearch = step.homeType == 4;
  if (limitSearch) {
    M716SimSetMachinePosition(kBase, kX, -990'000);
    ASSERT_EQ(M716SetCompNLimit(0, kX, -5000), M716_OK);
    ASSERT_EQ(M716EnableCompNLimit(0, kX, 1), M716_OK);
  }
  configure(kX, step.homeType, limitSearch ? 1000 : 0);
  startFrozen(kX, 0.3);  // 1800 pulses on the way
  step.call();
  EXPECT_EQ(resultWithTheClockRunning(kX), 0);
  EXPECT_EQ(M716SimMachinePosition(kBase, kX), limitSearch ? -999'000 : -8000);
}

std::uint32_t shadowOf(std::uint32_t identifier) {
  std::uint32_t value = 0;
  EXPECT_EQ(M716MotRdReg(0, kX, identifier, &value), M716_OK);
  return value;
}

INSTANTIATE_TEST_SUITE_P(
    Wr1AndWr2Loads, ConfigurationDuringSearchTest,
    ::testing::Values(
        ConfigurationDuringSearch{"EnableEvent", 0,
                                  [] { ASSERT_EQ(M716MotEnableEvent(0, kX, 0, 0, 0, 0), 0u); }},
        ConfigurationDuringSearch{"HomeLogicAsItWas", 0,
                                  [] { ASSERT_EQ(M716SetHomeLogic(0, kX, 0), 0u); }},
        ConfigurationDuringSearch{"IndexLogic", 0, [] { ASSERT_EQ(M716SetZLogic(0, kX, 0), 0u); }},
        ConfigurationDuringSearch{
            "Mode1Register", 0,
            [] { ASSERT_EQ(M716MotWrReg(0, kX, M716_REG_MODE1, shadowOf(M716_REG_MODE1)), 0u); }},
        ConfigurationDuringSearch{"PulseMode", 4,
                                  [] { ASSERT_EQ(M716SetPulseMode(0, kX, 0), 0u); }},
        ConfigurationDuringSearch{
            "Mode2RegisterOfTwoAxes", 4,
            [] {
              ASSERT_EQ(M716MotWrReg(0, kX | kY, M716_REG_MODE2, shadowOf(M716_REG_MODE2)), 0u);
            }}),
    [](const auto& info) { return std::string(info.param.name); });

class EventTest : public HomeSearchTest {
 protected:
  // Enables the drive end of one axis, moves it, and gives the event word that arrives.
  static std::uint32_t driveEndEvent(std::uint32_t axis) {
    const std::uint32_t x = axis == kX ? 0x80 : 0, y = axis == kY ? 0x80 : 0;
    EXPECT_EQ(M716MotEnableEvent(0, axis, x, y, 0, 0), M716_OK);
    EXPECT_EQ(M716MoveIns(0, axis, 1000), M716_OK);
    std::uint32_t word = 0;
    EXPECT_EQ(M716MotCheckEvent(0, &word, 10'000), M716_OK);
    return word;
  }
};

TEST_F(EventTest, ADriveEndOfXArrivesInByteZero) {
  EXPECT_EQ(driveEndEvent(kX), 0x80u);
}

TEST_F(EventTest, EventsStillArriveAfterDiscoveryRanWhileTheBoardWasOpen) {
  std::uint32_t mask = 0;
  ASSERT_EQ(M716MotDevAvailable(&mask), M716_OK);
  EXPECT_EQ(driveEndEvent(kY), 0x8000u);
}

TEST_F(EventTest, TimeOutZeroWithNothingPendingReturnsAnEmptyWord) {
  std::uint32_t word = 0xFFFF;
  ASSERT_EQ(M716MotCheckEvent(0, &word, 0), M716_OK);
  EXPECT_EQ(word, 0u);
}

// The drive end of phase 0 comes while the search still runs.
std::uint32_t firstEventOfASearch() {
  EXPECT_EQ(M716MotHome(0, kX), M716_OK);
  std::uint32_t word = 0xFFFFFFFF;
  EXPECT_EQ(M716MotCheckEvent(0, &word, 20'000), M716_OK);
  return word;
}

TEST_F(EventTest, ASearchingAxisReportsDriveEndOnlyWhenTheApplicationAskedForIt) {
  configure(kX, 0, 0);
  EXPECT_EQ(firstEventOfASearch() & 0x80, 0u);
  EXPECT_TRUE(eventually([] { return homeStatus(kX) != M716_ERR_IN_HOME; }));

  ASSERT_EQ(M716MotEnableEvent(0, kX, 0x80, 0, 0, 0), M716_OK);
  EXPECT_EQ(firstEventOfASearch() & 0x80, 0x80u);
  EXPECT_TRUE(eventually([] { return homeStatus(kX) != M716_ERR_IN_HOME; }));
}

}  // namespace
}  // namespace m716::test
