// Counters, configuration and status through the public API on the simulated board, without
// motion.

#include "open_board.h"

namespace m716::test {
namespace {

using SignalsTest = OpenBoardTest;

TEST_F(SignalsTest, CountersPresetReadBackThroughTheChip) {
  ASSERT_EQ(M716SetTheorecticalRegister(0, 2, -1), M716_OK);
  ASSERT_EQ(M716SetPracticalRegister(0, 2, 123'456'789), M716_OK);
  EXPECT_EQ(logicalPosition(2), -1);
  std::int32_t real = 0;
  ASSERT_EQ(M716GetPracticalRegister(0, 2, &real), M716_OK);
  EXPECT_EQ(real, 123'456'789);
  EXPECT_EQ(static_cast<std::int32_t>(readRegister(2, 0x101)), -1);
  EXPECT_EQ(logicalPosition(1), 0);  // other axes keep theirs
}

TEST_F(SignalsTest, RegisterWritesOfCountersReachTheChip) {
  ASSERT_EQ(M716MotWrMultiReg(0, 0x9, 0x101, 10, 20, 30, 40), M716_OK);
  EXPECT_EQ(logicalPosition(1), 10);
  EXPECT_EQ(logicalPosition(8), 40);
  EXPECT_EQ(logicalPosition(2), 0);
}

TEST_F(SignalsTest, ConfigurationBitsAreSeenThroughTheRegisterAccess) {
  ASSERT_EQ(M716SetPLimitLogic(0, 4, 1), M716_OK);
  ASSERT_EQ(M716SetEncoderMultiple(0, 4, 2), M716_OK);
  ASSERT_EQ(M716SetInputLogic(0, 4, 1, 0), M716_OK);
  ASSERT_EQ(M716SetOutput(0, 4, 0xA), M716_OK);
  EXPECT_EQ(readRegister(4, 0x214), 0x0808u);
  EXPECT_EQ(readRegister(4, 0x212), 0x0010u);
  EXPECT_EQ(readRegister(4, 0x216), 0x0A00u);
  // And the other way round: a register write is what the next change starts from.
  ASSERT_EQ(M716MotWrReg(0, 4, 0x214, 0x0001), M716_OK);
  ASSERT_EQ(M716SetNLimitLogic(0, 4, 1), M716_OK);
  EXPECT_EQ(readRegister(4, 0x214), 0x0011u);
}

TEST_F(SignalsTest, AnIdleBoardShowsNoDriveNoErrorAndNoEndStatus) {
  for (std::uint32_t axis : {1u, 2u, 4u, 8u}) {
    EXPECT_EQ(status(M716GetDriverState, axis), 0);
    EXPECT_EQ(status(M716GetError, axis), 0);
    EXPECT_EQ(status(M716GetMotionState, axis) & 0xFF00, 0);
    EXPECT_EQ(status(M716GetMotionInput, axis), 0);
  }
  EXPECT_EQ(M716MotAxisBusy(0, 0xF), M716_OK);
  EXPECT_EQ(M716MotClrErr(0, 0xF), M716_OK);
  EXPECT_EQ(M716MotStop(0, 0, 0), M716_OK);  // no continuous path runs
}

}  // namespace
}  // namespace m716::test
