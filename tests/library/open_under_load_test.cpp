// Opening and closing a board while another board interrupts at every output pulse, the clock
// running at 20 times real time: the interrupt service cannot keep up with such a load (the
// simulated boards fall behind the clock), and the open or close still returns at once.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <ostream>

#include "KRVM716.h"
#include "installed_board.h"
#include "m716sim.h"

namespace m716::test {
namespace {

constexpr std::uint32_t kQuiet = 0, kPulsing = 1;
constexpr std::uint32_t kEveryAxis = 0xF;
constexpr std::uint32_t kPulse = 0x01;  // the pulse interrupt's enable bit
// Where the first axis of the pulsing board stands once the load has been on for a while.
constexpr std::int32_t kLoadedPosition = 100'000;

struct LifecycleCall {
  const char* name;
  uint32_t (*call)(uint32_t board);
};
void PrintTo(const LifecycleCall& call, std::ostream* out) {
  *out << call.name;
}

class UnderLoadTest : public RegistryTest, public ::testing::WithParamInterface<LifecycleCall> {
 protected:
  void SetUp() override {
    setDword("Software\\M716Simulator", "SpeedFactor", 20);
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

  // Drives every axis of the board at 1 000 000 pps with the pulse interrupt enabled: far more
  // interrupts than the simulated boards can serve, so they fall ever further behind the clock.
  static void pulseWithoutPause(std::uint32_t board) {
    ASSERT_EQ(M716MotAxisParaSet(board, kEveryAxis, 0, 10'000, 1'000'000, 1'000'000, 10'000'000,
                                 1'000'000'000),
              M716_OK);
    ASSERT_EQ(M716MotEnableEvent(board, kEveryAxis, kPulse, kPulse, kPulse, kPulse), M716_OK);
    ASSERT_EQ(M716MotCmove(board, kEveryAxis, 0), M716_OK);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::int32_t position = 0;
    while (position < kLoadedPosition && std::chrono::steady_clock::now() < deadline)
      ASSERT_EQ(M716GetTheorecticalRegister(board, 1, &position), M716_OK);
    ASSERT_GE(position, kLoadedPosition);
  }
};

TEST_P(UnderLoadTest, ReturnsWithinASecondWhileAnotherBoardInterruptsAtEveryPulse) {
  pulseWithoutPause(kPulsing);
  auto call = std::async(std::launch::async, GetParam().call, kQuiet);
  EXPECT_EQ(call.wait_for(std::chrono::seconds(1)), std::future_status::ready);
  // Ends the load, so that a call still waiting returns as well.
  EXPECT_EQ(M716MotStop(kPulsing, kEveryAxis, 0), M716_OK);
  EXPECT_EQ(call.get(), M716_OK);
  EXPECT_EQ(M716MotDevOpen(kQuiet), M716_OK);  // for TearDown, after a close
}

INSTANTIATE_TEST_SUITE_P(Calls, UnderLoadTest,
                         ::testing::Values(LifecycleCall{"Open", M716MotDevOpen},
                                           LifecycleCall{"Close", M716MotDevClose}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace m716::test
