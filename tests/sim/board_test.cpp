// Which boards answer where, the board's own registers, and the inputs the configured
// mechanics show through the chip.

#include <atomic>

#include "simulated_board_test.h"

namespace m716::test {
namespace {

constexpr unsigned kX = 1, kZ = 4;

using BoardTest = SimulatedBoardTest;

TEST_F(BoardTest, WithoutBoardKeysOneBoardAnswersAt300) {
  EXPECT_EQ(M716SimBoardPresent(0x300), 1u);
  EXPECT_EQ(M716SimBoardPresent(0x340), 0u);
  out(22, 5);
  EXPECT_EQ(in(22), 5);
}

TEST_F(BoardTest, ConfiguredBoardsAnswerAtTheirAddressesOnly) {
  configureBoards({0x280, 0x3C0});
  createKey(std::string(kSimulatorKey) + "\\board2a0");  // key names ignore case
  reload();

  EXPECT_EQ(M716SimBoardPresent(0x280), 1u);
  EXPECT_EQ(M716SimBoardPresent(0x2A0), 1u);
  EXPECT_EQ(M716SimBoardPresent(0x3C0), 1u);
  EXPECT_EQ(M716SimBoardPresent(0x300), 0u);
  EXPECT_EQ(in(22, 0x300), 0xFFFF);

  // Each board keeps its own registers.
  out(22, 5, 0x280);
  out(22, 11, 0x3C0);
  EXPECT_EQ(in(22, 0x280), 5);
  EXPECT_EQ(in(22, 0x3C0), 11);
  EXPECT_EQ(in(22, 0x2A0), 0);
}

TEST_F(BoardTest, IrqSelectionReadsBackEveryBit) {
  for (std::uint16_t irq : {0x0005, 0x0000, 0xFFFF, 0xA5C3}) {
    out(22, irq);
    EXPECT_EQ(in(22), irq);
  }
}

class SilentPortTest : public SimulatedBoardTest,
                       public ::testing::WithParamInterface<std::uint32_t> {};

// Ports of the board that nothing drives, and ports where no board sits, read 0xFFFF
// whatever was written to them.
TEST_P(SilentPortTest, ReadsAllOnes) {
  const std::uint32_t port = GetParam();
  platform::bus().write(port, 0x1234);
  EXPECT_EQ(platform::bus().read(port), 0xFFFF) << std::hex << port;
}

INSTANTIATE_TEST_SUITE_P(WriteOnlyAndUnusedOffsets, SilentPortTest,
                         ::testing::Values(0x300 + 16, 0x300 + 18, 0x300 + 20, 0x300 + 24,
                                           0x300 + 28, 0x300 + 30, 0x300 + 1));
INSTANTIATE_TEST_SUITE_P(NoBoard, SilentPortTest,
                         ::testing::Values(0x2FE, 0x300 + 32, 0x340, 0x340 + 22, 0x10000));

// Mechanics in the store: X wired active high, Y resting in the home zone, Z on its + limit,
// U off the index mark. Inputs wired active low read 1 when inactive.
TEST_F(BoardTest, ConfiguredMechanicsShowInTheInputAndStatusRegisters) {
  const std::string board = boardKey(kBase);
  setDword(board + "\\Xaxis", "ActiveHigh", 1);
  setDword(board + "\\Yaxis", "StartPosition", static_cast<std::uint32_t>(-15000));
  setDword(board + "\\Zaxis", "LimitPlus", 0);
  setDword(board + "\\Uaxis", "IndexOffset", 1);
  reload();

  // Bit 0 index, 3 home, 6 in-position (a carriage at rest is in position).
  EXPECT_EQ(in(8), 0xB741);   // Y: home active (IN3 low); X: index and in-position high
  EXPECT_EQ(in(10), 0xBFBE);  // U: index inactive; Z: index active
  // The chip takes limits as active low until told otherwise: X, wired active high, shows
  // both limits active, Z its + limit.
  EXPECT_EQ(in(0), 0x0050);  // RR0: X and Z in error
  command(kX, 0x0F);
  EXPECT_EQ(in(4), 0x000C);
  command(kZ, 0x0F);
  EXPECT_EQ(in(4), 0x0004);

  out(4, 1u << 3);  // Z: LMT+ active high
  EXPECT_EQ(in(4), 0);
  EXPECT_EQ(in(0), 0x0010);
}

TEST_F(BoardTest, InterruptLineStaysLowWhileNothingIsPending) {
  M716SimSetSpeedFactor(0);
  EXPECT_FALSE(platform::interruptLines().attach(0x340, [] {}));

  std::atomic<int> calls = 0;
  ASSERT_TRUE(platform::interruptLines().attach(kBase, [&calls] { ++calls; }));
  command(0xF, 0x0F);
  out(2, 0xFF00);  // every factor enabled
  M716SimAdvance(1.0);
  platform::interruptLines().detach(kBase);
  EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace m716::test
