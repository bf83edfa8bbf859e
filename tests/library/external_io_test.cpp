// External drive modes, digital inputs and outputs, and board reset, on the simulated board.

#include <gtest/gtest.h>

#include "open_board.h"

namespace m716::test {
namespace {

constexpr std::uint32_t kWR3 = 0x216, kDV = 0x302;

using ExternalDriveTest = OpenBoardTest;

TEST_F(ExternalDriveTest, ModesAreCheckedBeforeAnythingChanges) {
  EXPECT_EQ(M716MotExtMode(0, 1, 16, 0), M716_ERR_PARAMETER_INVALID);
  EXPECT_EQ(M716MotExtMode(0, 3, 1, 0), M716_ERR_AXIS_NUMBER);
  EXPECT_EQ(M716MotExtMode(16, 1, 1, 0), M716_ERR_BOARD_NUMBER);
  EXPECT_EQ(M716MotExtMode(0, 1, 9, 268'435'456), M716_ERR_VALUE_OVER);
  EXPECT_EQ(M716MotExtMode(0, 1, 9, -1), M716_ERR_VALUE_UNDER);  // a runaway step count
  EXPECT_EQ(readRegister(1, kWR3) & 0x18, 0u);
  EXPECT_EQ(M716MotAxisBusy(0, 1), M716_OK);
}

TEST_F(ExternalDriveTest, JogAndHandWheelModesSetTheirDriveBitAndRefuseMoves) {
  ASSERT_EQ(M716MotExtMode(0, 1, 1, 268'435'456), M716_OK);  // jog: the count is not used
  EXPECT_EQ(readRegister(1, kWR3) & 0x18, 0x08u);
  EXPECT_EQ(M716MotPtp(0, 1, 0, 100, 0, 0, 0), M716_ERR_IN_EXTERNAL_DRIVE);
  EXPECT_EQ(M716MotCmove(0, 1, 0), M716_ERR_IN_EXTERNAL_DRIVE);

  ASSERT_EQ(M716MotExtMode(0, 1, 9, 100), M716_OK);  // switching modes is allowed
  EXPECT_EQ(readRegister(1, kWR3) & 0x18, 0x10u);

  ASSERT_EQ(M716MotExtMode(0, 1, 8, 0), M716_OK);  // off, like 0
  EXPECT_EQ(readRegister(1, kWR3) & 0x18, 0u);
  EXPECT_EQ(M716MotAxisBusy(0, 1), M716_OK);
}

TEST_F(ExternalDriveTest, AJogAxisDrivesWhileItsJogInputIsActive) {
  ASSERT_EQ(M716MotExtMode(0, 1, 1, 0), M716_OK);
  M716SimAdvance(0.1);
  EXPECT_EQ(M716SimMachinePosition(kSimBase, 1), 0);  // no input, no motion

  M716SimForceInput(kSimBase, 1, M716SIM_INPUT_JOG_PLUS, M716SIM_STATE_ACTIVE);
  ASSERT_TRUE(advanceUntil([] { return M716SimMachinePosition(kSimBase, 1) > 1000; }, 5));
  M716SimForceInput(kSimBase, 1, M716SIM_INPUT_JOG_PLUS, M716SIM_STATE_INACTIVE);
  ASSERT_TRUE(advanceUntil([] { return (status(M716GetDriverState, 1) & 1) == 0; }, 5));
  const std::int32_t stoppedAt = M716SimMachinePosition(kSimBase, 1);
  M716SimAdvance(1);
  EXPECT_EQ(M716SimMachinePosition(kSimBase, 1), stoppedAt);
  EXPECT_EQ(logicalPosition(1), stoppedAt);
}

TEST_F(ExternalDriveTest, EachHandWheelStepMovesTheSetPulses) {
  ASSERT_EQ(M716MotExtMode(0, 2, 9, 250), M716_OK);
  M716SimHandWheel(kSimBase, 2, 3);
  ASSERT_TRUE(advanceUntil([] { return M716SimMachinePosition(kSimBase, 2) == 750; }, 10));
  M716SimHandWheel(kSimBase, 2, -1);
  ASSERT_TRUE(advanceUntil([] { return M716SimMachinePosition(kSimBase, 2) == 500; }, 10));
  EXPECT_EQ(logicalPosition(2), 500);
}

TEST_F(ExternalDriveTest, OutputsAreRefusedWhileTheyShowDriveStatus) {
  ASSERT_EQ(M716MotDO(0, 2, 0x5), M716_OK);
  EXPECT_EQ(readRegister(2, kWR3) & 0x0F00, 0x0500u);
  ASSERT_EQ(M716SetOutputType(0, 2, 1), M716_OK);
  const std::uint32_t before = readRegister(2, kWR3);
  EXPECT_EQ(M716MotDO(0, 2, 0xA), M716_ERR_DO_IS_INDICATOR);
  EXPECT_EQ(readRegister(2, kWR3), before);
}

TEST_F(ExternalDriveTest, DigitalInputsGiveEachAxisItsByte) {
  EXPECT_EQ(M716MotDI(0, 0, nullptr), M716_ERR_PARAMETER_INVALID);  // before the axis check
  std::uint8_t byte = 0;
  EXPECT_EQ(M716MotDI(0, 3, &byte), M716_ERR_AXIS_NUMBER);
  EXPECT_EQ(M716MotDI(16, 1, &byte), M716_ERR_BOARD_NUMBER);
  // Z's home input active (wired active low).
  M716SimForceInput(kSimBase, 4, M716SIM_INPUT_IN3, M716SIM_STATE_ACTIVE);
  ASSERT_EQ(M716MotDI(0, 4, &byte), M716_OK);
  EXPECT_EQ(byte & 0x08, 0);
  M716SimForceInput(kSimBase, 4, M716SIM_INPUT_IN3, M716SIM_STATE_INACTIVE);
  ASSERT_EQ(M716MotDI(0, 4, &byte), M716_OK);
  EXPECT_EQ(byte & 0x08, 0x08);
}

TEST_F(ExternalDriveTest, ResetReloadsTheStoredParameters) {
  ASSERT_EQ(M716MotWrReg(0, 1, kDV, 3000), M716_OK);
  ASSERT_EQ(M716SetTheorecticalRegister(0, 1, 1234), M716_OK);
  ASSERT_EQ(M716MotReset(0), M716_OK);
  EXPECT_EQ(readRegister(1, kDV), 6000u);
  EXPECT_EQ(logicalPosition(1), 0);
  EXPECT_EQ(M716MotReset(16), M716_ERR_BOARD_NUMBER);
}

}  // namespace
}  // namespace m716::test
