// Opening and closing a board while another thread waits for its interrupt event, and while
// another board interrupts at every output pulse, the clock running at 20 times real time (the
// interrupt service cannot keep up with such a load: the simulated boards fall behind the
// clock). The open or close returns at once, and so does the waiter. Then opening and closing
// against the driver serving the board and against calls on other threads, for the sanitizers
// to watch.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <ostream>
#include <thread>
#include <vector>

#include "KRVM716.h"
#include "installed_board.h"
#include "m716/board/registers.h"
#include "m716sim.h"
#include "open_board.h"

namespace m716::test {
namespace {

constexpr std::uint32_t kQuiet = 0, kPulsing = 1;
constexpr std::uint32_t kEveryAxis = 0xF;
constexpr std::uint32_t kPulse = 0x01;       // the pulse interrupt's enable bit
constexpr std::uint32_t kSpeed = 1'000'000;  // pps
constexpr double kSpeedFactor = 20;
// How far the simulated boards lag behind the clock under the load: two seconds of real time.
constexpr double kBehind = 2 * kSpeedFactor;

struct LifecycleCall {
  const char* name;
  uint32_t (*call)(uint32_t board);
};
void PrintTo(const LifecycleCall& call, std::ostream* out) {
  *out << call.name;
}

const auto kOpenAndClose = ::testing::Values(LifecycleCall{"Open", M716MotDevOpen},
                                             LifecycleCall{"Close", M716MotDevClose});
const auto byName = [](const auto& info) { return std::string(info.param.name); };

class WaiterTest : public OpenBoardTest, public ::testing::WithParamInterface<LifecycleCall> {};

TEST_P(WaiterTest, AThreadWaitingForTheBoardsEventReturnsAnEmptyWordAtOnce) {
  std::uint32_t word = 0xDEADBEEF;
  auto waiter = std::async(std::launch::async, [&] { return M716MotCheckEvent(0, &word, 10'000); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // lets it block on the event
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(GetParam().call(0), M716_OK);
  ASSERT_EQ(waiter.wait_for(std::chrono::seconds(2)), std::future_status::ready);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1))
      << "woken, not left to its time-out";
  EXPECT_EQ(waiter.get(), M716_OK);
  EXPECT_EQ(word, 0u);

  // The board opened again reports its interrupts as before.
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  ASSERT_EQ(M716MotEnableEvent(0, 1, 0x80, 0, 0, 0), M716_OK);
  ASSERT_EQ(M716MoveIns(0, 1, 100), M716_OK);
  ASSERT_TRUE(finishes(1));
  ASSERT_EQ(M716MotCheckEvent(0, &word, 0), M716_OK);
  EXPECT_EQ(word, 0x80u);
}

INSTANTIATE_TEST_SUITE_P(Calls, WaiterTest, kOpenAndClose, byName);

// Boards 0 and 1 open, the clock running at 20 times real time.
class TwoBoardsTest : public RegistryTest {
 protected:
  void SetUp() override {
    setDword("Software\\M716Simulator", "SpeedFactor", static_cast<std::uint32_t>(kSpeedFactor));
    for (std::uint32_t board : {kQuiet, kPulsing}) {
      const std::uint32_t base = 0x300 + 0x20 * board;
      char key[64];
      std::snprintf(key, sizeof key, "Software\\M716Simulator\\Board%X\\Xaxis", base);
      setDword(key, "StartPosition", 0);
      installBoard(board, base, 5 + board);
    }
    M716SimReload();
    for (std::uint32_t board : {kQuiet, kPulsing}) ASSERT_EQ(M716MotDevOpen(board), M716_OK);
  }
  void TearDown() override {
    for (std::uint32_t board : {kQuiet, kPulsing}) EXPECT_EQ(M716MotDevClose(board), M716_OK);
  }
};

class UnderLoadTest : public TwoBoardsTest, public ::testing::WithParamInterface<LifecycleCall> {
 protected:
  void TearDown() override {
    EXPECT_EQ(M716MotStop(kPulsing, kEveryAxis, 0), M716_OK);
    TwoBoardsTest::TearDown();
  }

  // Whether `call` of the quiet board returns within a second. If not, the load ends, so that
  // the call returns at all.
  static bool returnsAtOnce(uint32_t (*call)(uint32_t board)) {
    auto result = std::async(std::launch::async, call, kQuiet);
    const bool returned = result.wait_for(std::chrono::seconds(1)) == std::future_status::ready;
    if (!returned) {
      EXPECT_EQ(M716MotStop(kPulsing, kEveryAxis, 0), M716_OK);
    }
    EXPECT_EQ(result.get(), M716_OK);
    return returned;
  }

  // Drives every axis of the board at 1 000 000 pps with the pulse interrupt enabled: far more
  // interrupts than the simulated boards can serve, so they fall ever further behind the
  // clock. Returns once they are two seconds of real time behind.
  static void pulseWithoutPause(std::uint32_t board) {
    ASSERT_EQ(
        M716MotAxisParaSet(board, kEveryAxis, 0, 10'000, kSpeed, kSpeed, 10'000'000, 1'000'000'000),
        M716_OK);
    ASSERT_EQ(M716MotEnableEvent(board, kEveryAxis, kPulse, kPulse, kPulse, kPulse), M716_OK);
    const double start = M716SimTime();
    ASSERT_EQ(M716MotCmove(board, kEveryAxis, 0), M716_OK);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(200);
    double behind = 0;  // simulated seconds
    while (behind < kBehind && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      std::int32_t position = 0;
      ASSERT_EQ(M716GetTheorecticalRegister(board, 1, &position), M716_OK);
      behind = M716SimTime() - start - position / double{kSpeed};
    }
    ASSERT_GE(behind, kBehind);
  }
};

TEST_P(UnderLoadTest, ReturnsAtOnceWhileAnotherBoardInterruptsAtEveryPulse) {
  pulseWithoutPause(kPulsing);
  // Twice: a call that happens to come as the boards catch up with one instant of the clock
  // meets, the second time, the advance to the next instant with all the lag still to serve.
  for (int round = 0; round < 2; ++round) {
    EXPECT_TRUE(returnsAtOnce(GetParam().call)) << "round " << round;
    EXPECT_TRUE(returnsAtOnce(M716MotDevOpen)) << "open again, round " << round;
  }
}

INSTANTIATE_TEST_SUITE_P(Calls, UnderLoadTest, kOpenAndClose, byName);

// Makes the calls of `rounds` on this thread `count` times while other threads make those of
// `meanwhile` (each on a thread of its own) again and again; the sanitizers watch them. Rounds
// that stop coming for seconds are a deadlock: it fails the test and ends the process, since
// the threads can never be joined then.
void runAgainst(const std::vector<std::function<void()>>& meanwhile, int count,
                const std::function<void()>& rounds) {
  std::atomic<int> done{0};
  std::vector<std::future<void>> threads;
  for (const auto& calls : meanwhile)
    threads.push_back(std::async(std::launch::async, [&] {
      while (done < count) calls();
    }));
  threads.push_back(std::async(std::launch::async, [&] {
    for (; done < count; ++done) rounds();
  }));
  for (auto& thread : threads) {
    for (int seen = -1; thread.wait_for(std::chrono::seconds(5)) != std::future_status::ready;) {
      if (done == seen) {
        ADD_FAILURE() << "deadlock after " << seen << " rounds";
        std::_Exit(1);
      }
      seen = done;
    }
  }
}

constexpr std::uint32_t kBuffer = 3, kOtherBuffer = 4, kXY = 3;

// Calls on one board from two threads, which open and close are not serialised against: the
// thread sanitizer reports the board record's fields they share. The tests that make them
// watch for memory freed under a thread and for deadlocks.
#if defined(__SANITIZE_THREAD__)
constexpr bool kRecordRacesReported = true;
#else
constexpr bool kRecordRacesReported = false;
#endif

void fillPath(std::uint32_t buffer) {
  const M716ContiPoint line{{100, 100, 0, 0, 0}, 0, IPO_L2, 0};
  ASSERT_EQ(M716InitialContiBuf(buffer, 2), M716_OK);
  for (std::uint32_t point : {1u, 2u}) ASSERT_EQ(M716SetContiData(buffer, &line, point), M716_OK);
}

// X jogs from the open's loads on (its stored WR3 selects jog mode, its jog input is held
// active) and interrupts at every output pulse (its stored WR1 enables that), so the driver
// serves the board without pause while it is opened again.
TEST_F(TwoBoardsTest, OpeningAgainWhileTheDriverServesTheBoard) {
  setDword(parameterKey(kQuiet, "Xaxis"), "WR1", chip::rr3::Pulse << 8);
  setDword(parameterKey(kQuiet, "Xaxis"), "WR3", chip::wr3::JogDrive);
  M716SimForceInput(kSimBase, 1, M716SIM_INPUT_JOG_PLUS, 1);
  for (int round = 0; round < 100; ++round) ASSERT_EQ(M716MotDevOpen(kQuiet), M716_OK);
  M716SimForceInput(kSimBase, 1, M716SIM_INPUT_JOG_PLUS, -1);
}

// Home searches started while the board is opened again: a search that starts after the open
// stopped the searches waits on the board's home event as the open replaces it.
TEST_F(TwoBoardsTest, HomeSearchesStartedWhileTheBoardIsOpenedAgain) {
  if (kRecordRacesReported) GTEST_SKIP() << "calls on one board from two threads";
  runAgainst({[] { M716MotHome(kQuiet, 1); }}, 20,
             [] { EXPECT_EQ(M716MotDevOpen(kQuiet), M716_OK); });
}

// Starts a path on board 0 and stops it again.
void startAndStopPath() {
  M716StartContiDrive(kQuiet, kXY, kBuffer);
  M716MotStop(kQuiet, 0, 0);
}

// A start holds the bus lock into the driver's start of the path, while the close or open
// unregistering the board waits for an interrupt service, which waits for that lock.
TEST_F(TwoBoardsTest, PathStartsWhileTheBoardIsClosedAndOpened) {
  if (kRecordRacesReported) GTEST_SKIP() << "calls on one board from two threads";
  fillPath(kBuffer);
  M716SimSetSpeedFactor(0);  // interrupts are served at once, on a thread of the test's own
  runAgainst({startAndStopPath, [] { M716SimAdvance(1e-4); }}, 500, [] {
    M716MotDevClose(kQuiet);
    M716MotDevOpen(kQuiet);
  });
  M716MotStop(kQuiet, 0, 0);
  EXPECT_EQ(M716FreeContiBuf(kBuffer), M716_OK);
}

// A buffer being filled is checked against the paths of every board, one of which starts.
TEST_F(TwoBoardsTest, PathStartsWhileAnotherThreadFillsItsBuffer) {
  fillPath(kBuffer);
  fillPath(kOtherBuffer);
  const M716ContiPoint line{{-100, -100, 0, 0, 0}, 0, IPO_L2, 0};
  runAgainst({startAndStopPath}, 200, [&] { M716SetContiData(kOtherBuffer, &line, 2); });
  for (std::uint32_t buffer : {kBuffer, kOtherBuffer}) EXPECT_EQ(M716FreeContiBuf(buffer), M716_OK);
}

}  // namespace
}  // namespace m716::test
