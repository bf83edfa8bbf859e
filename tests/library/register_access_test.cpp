// Register access by identifier on the recording bus.

#include <climits>

#include "KRVM716.h"
#include "bound_board.h"

namespace m716::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

using RegisterAccessTest = BoundBoardTest;

TEST_F(RegisterAccessTest, ACounterIsReadHighWordFirstAndKeptInTheShadow) {
  answerData(0x00020003);
  std::uint32_t value = 0;
  ASSERT_EQ(M716MotRdReg(0, 2, 0x100, &value), M716_OK);
  EXPECT_EQ(value, 0x00020003u);
  EXPECT_EQ(axis(1).realPosition, 0x00020003);
  EXPECT_THAT(accesses(), ElementsAreArray(Words{}.read32(2, 0x11, 0x00020003, true).accesses));
}

TEST_F(RegisterAccessTest, StatusRegistersOfAnAxisAreReadAfterItsSelection) {
  answer(chip::RR2, 0x0024);
  std::uint32_t value = 0;
  ASSERT_EQ(M716MotRdReg(0, 8, 0x204, &value), M716_OK);
  EXPECT_EQ(value, 0x24u);
  EXPECT_THAT(accesses(), ElementsAre(portWrite(chip::WR0, 0x080F), portRead(chip::RR2, 0x24)));
}

TEST_F(RegisterAccessTest, LiveValuesAreScaledByTheRangeInForce) {
  axis(0).rangeInForce = 16'000;  // 500 pps per unit
  answerData(10);
  std::uint32_t speed = 0, acceleration = 0;
  ASSERT_EQ(M716MotRdReg(0, 1, 0x105, &speed), M716_OK);
  ASSERT_EQ(M716MotRdReg(0, 1, 0x106, &acceleration), M716_OK);
  EXPECT_EQ(speed, 5000u);
  EXPECT_EQ(acceleration, 625'000u);
  EXPECT_EQ(axis(0).liveSpeed, 5000);
  EXPECT_EQ(axis(0).liveAcceleration, 625'000);
}

TEST_F(RegisterAccessTest, ReadsOfUndefinedOrWriteOnlyRegistersGive22AndLeaveTheResult) {
  std::uint32_t value = 77;
  EXPECT_EQ(M716MotRdReg(0, 1, 0x104, &value), M716_ERR_REGISTER_UNDEFINED);
  EXPECT_EQ(M716MotRdReg(0, 1, 0x215, &value), M716_ERR_REGISTER_UNDEFINED);
  EXPECT_EQ(value, 77u);
  EXPECT_EQ(M716MotRdReg(0, 1, 0x10218, &value), M716_OK);  // only the low 16 bits count
  EXPECT_EQ(value, 0u);
}

TEST_F(RegisterAccessTest, ReadArgumentsAreCheckedBeforeTheBus) {
  std::uint32_t value = 0;
  EXPECT_EQ(M716MotRdReg(16, 1, 0x100, &value), M716_ERR_BOARD_NUMBER);
  EXPECT_EQ(M716MotRdReg(0, 3, 0x100, &value), M716_ERR_AXIS_NUMBER);
  EXPECT_EQ(M716MotRdReg(0, 1, 0x100, nullptr), M716_ERR_PARAMETER_INVALID);
  EXPECT_TRUE(busUntouched());
}

TEST_F(RegisterAccessTest, ModeRegisterWritesLoadTheChipAndReadBackFromTheShadow) {
  ASSERT_EQ(M716MotWrReg(0, 0x5, 0x214, 0x1234), M716_OK);
  EXPECT_THAT(accesses(), ElementsAre(portWrite(chip::WR0, 0x050F), portWrite(chip::WR2, 0x1234)));
  std::uint32_t value = 0;
  ASSERT_EQ(M716MotRdReg(0, 4, 0x214, &value), M716_OK);
  EXPECT_EQ(value, 0x1234u);
}

TEST_F(RegisterAccessTest, CompareWritesGoHighWordFirstAndReadBackFromTheInterruptBlock) {
  ASSERT_EQ(M716MotWrReg(0, 2, 0x103, static_cast<std::uint32_t>(-5)), M716_OK);
  EXPECT_THAT(accesses(), ElementsAre(portWrite(chip::WR7, 0xFFFF), portWrite(chip::WR6, 0xFFFB),
                                      portWrite(chip::WR0, 0x020C)));
  EXPECT_EQ(axis(1).ncmp, -5);
  std::uint32_t value = 0;
  ASSERT_EQ(M716MotRdReg(0, 2, 0x103, &value), M716_OK);
  EXPECT_EQ(static_cast<std::int32_t>(value), -5);
}

TEST_F(RegisterAccessTest, OutputPulseCountAndUndefinedWritesTouchOnlyTheShadow) {
  EXPECT_EQ(M716MotWrReg(0, 1, 0x104, 268'435'455), M716_OK);
  EXPECT_EQ(axis(0).outputPulses, 268'435'455);
  EXPECT_EQ(M716MotWrReg(0, 1, 0x104, 268'435'456), M716_ERR_DISTANCE);
  EXPECT_EQ(M716MotWrReg(0, 1, 0x104, static_cast<std::uint32_t>(-7)), M716_OK);
  EXPECT_EQ(M716MotWrReg(0, 1, 0x215, 5), M716_OK);
  EXPECT_TRUE(busUntouched());
}

TEST_F(RegisterAccessTest, ARangeWriteSetsTheMultiplierForTheNextDrive) {
  EXPECT_EQ(M716MotWrReg(0, 1, 0x300, 15'999), M716_ERR_RG_UNDER);
  EXPECT_EQ(M716MotWrReg(0, 1, 0x300, 8'000'001), M716_ERR_RG_OVER);
  ASSERT_EQ(M716MotWrReg(0, 1, 0x300, 16'000), M716_OK);
  EXPECT_EQ(axis(0).multiplier, 500.0);
  EXPECT_EQ(axis(0).mdv, 8000u);
  ASSERT_EQ(M716MotWrReg(0, 1, 0x300, 3'000'000), M716_OK);
  EXPECT_DOUBLE_EQ(axis(0).multiplier, 8.0 / 3);  // the multiplier the chip's range gives
  EXPECT_TRUE(busUntouched());
}

// Written values the chip could not take at the axis's multiplier are refused.
struct Refusal {
  std::uint16_t id;
  std::uint32_t value;
  std::uint32_t error;
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
  *out << std::hex << "0x" << refusal.id << " = " << std::dec << refusal.value;
}

class RegisterLimitTest : public RegisterAccessTest,
                          public ::testing::WithParamInterface<Refusal> {};

TEST_P(RegisterLimitTest, IsRefusedAndChangesNothing) {
  const Refusal& refusal = GetParam();
  axis(0).mdv = 4'000'000;  // let DV go as far as the range allows
  const ConfiguredSpeeds configured = axis(0).configured;
  std::uint32_t before = 0, after = 0;
  ASSERT_EQ(M716MotRdReg(0, 1, refusal.id, &before), M716_OK);
  EXPECT_EQ(M716MotWrReg(0, 1, refusal.id, refusal.value), refusal.error);
  ASSERT_EQ(M716MotRdReg(0, 1, refusal.id, &after), M716_OK);
  EXPECT_EQ(after, before);
  EXPECT_EQ(axis(0).configured.sv, configured.sv);
  EXPECT_EQ(axis(0).configured.dv, configured.dv);
}

INSTANTIATE_TEST_SUITE_P(
    AtMultiplierOne, RegisterLimitTest,
    ::testing::Values(
        Refusal{0x301, 0, M716_ERR_SV_UNDER}, Refusal{0x301, 8001, M716_ERR_SV_OVER},
        Refusal{0x302, 0, M716_ERR_DV_UNDER}, Refusal{0x302, 20'000, M716_ERR_DV_OVER},
        Refusal{0x303, 0, M716_ERR_MDV_UNDER}, Refusal{0x303, 8001, M716_ERR_MDV_OVER},
        Refusal{0x304, 124, M716_ERR_AC_UNDER}, Refusal{0x304, 1'000'001, M716_ERR_AC_OVER},
        Refusal{0x305, 124, M716_ERR_DC_UNDER}, Refusal{0x305, 1'000'001, M716_ERR_DC_OVER},
        Refusal{0x306, 953, M716_ERR_AK_UNDER},
        Refusal{0x308, static_cast<std::uint32_t>(INT_MIN), M716_ERR_NLMT_OVER},
        Refusal{0x309, static_cast<std::uint32_t>(INT_MIN), M716_ERR_NLMT_OVER},
        Refusal{0x30B, 5, M716_ERR_VALUE_OVER}, Refusal{0x30D, 0, M716_ERR_DV_UNDER},
        Refusal{0x311, 4'000'001, M716_ERR_DV_OVER}));

TEST_F(RegisterAccessTest, SpeedLimitsFollowTheMultiplier) {
  ASSERT_EQ(M716MotWrReg(0, 1, 0x300, 4'000'000), M716_OK);  // multiplier 2
  EXPECT_EQ(M716MotWrReg(0, 1, 0x303, 16'000), M716_OK);
  EXPECT_EQ(M716MotWrReg(0, 1, 0x303, 16'001), M716_ERR_MDV_OVER);
  EXPECT_EQ(M716MotWrReg(0, 1, 0x302, 16'000), M716_OK);
  EXPECT_EQ(M716MotWrReg(0, 1, 0x301, 1), M716_ERR_SV_UNDER);
  EXPECT_EQ(M716MotWrReg(0, 1, 0x304, 2'000'000), M716_OK);
  EXPECT_EQ(M716MotWrReg(0, 1, 0x305, 2'000'001), M716_ERR_DC_OVER);
  EXPECT_EQ(M716MotWrReg(0, 1, 0x306, 1907), M716_ERR_AK_UNDER);
  EXPECT_EQ(M716MotWrReg(0, 1, 0x306, 4'000'000'000u), M716_OK);  // no upper limit
}

TEST_F(RegisterAccessTest, DriveSpeedIsBoundedByTheMaximumSetFirst) {
  EXPECT_EQ(M716MotWrReg(0, 1, 0x302, 7000), M716_OK);
  ASSERT_EQ(M716MotWrReg(0, 1, 0x303, 5000), M716_OK);
  EXPECT_EQ(M716MotWrReg(0, 1, 0x302, 6000), M716_ERR_DV_OVER);
}

TEST_F(RegisterAccessTest, SpeedsWrittenHereAreTheOnesTheNextMoveRunsWith) {
  ASSERT_EQ(M716MotWrReg(0, 1, 0x302, 7000), M716_OK);
  ASSERT_EQ(M716MotWrReg(0, 1, 0x301, 500), M716_OK);
  ASSERT_EQ(M716MoveIns(0, 1, 10), M716_OK);
  const auto data = bus_.writesTo(kBase + chip::WR6);
  EXPECT_NE(std::find(data.begin(), data.end(), 7000), data.end());
  EXPECT_NE(std::find(data.begin(), data.end(), 500), data.end());
}

TEST_F(RegisterAccessTest, MultiReadsTakeTheSelectedAxesInOrder) {
  answerData(9);
  std::uint32_t x = 0, y = 1, z = 0, u = 1;
  ASSERT_EQ(M716MotRdMultiReg(0, 0x5, 0x100, &x, &y, &z, &u), M716_OK);
  EXPECT_EQ(x, 9u);
  EXPECT_EQ(z, 9u);
  EXPECT_EQ(y, 1u);
  EXPECT_EQ(u, 1u);
  EXPECT_THAT(commands(), ElementsAre(0x0111, 0x0411));
  EXPECT_EQ(M716MotRdMultiReg(0, 0x3, 0x100, &x, nullptr, &z, &u), M716_ERR_PARAMETER_INVALID);
  EXPECT_EQ(M716MotRdMultiReg(0, 0, 0x100, &x, &y, &z, &u), M716_ERR_AXIS_NUMBER);
}

TEST_F(RegisterAccessTest, MultiWritesWriteEachSelectedAxisItsOwnValue) {
  ASSERT_EQ(M716MotWrMultiReg(0, 0x6, 0x101, 1, 2, 3, 4), M716_OK);
  Words w;
  w.data32(2, chip::SetLogicalPosition, 2).data32(4, chip::SetLogicalPosition, 3);
  EXPECT_THAT(accesses(), ElementsAreArray(w.accesses));
  EXPECT_EQ(axis(1).logicalPosition, 2);
  EXPECT_EQ(axis(2).logicalPosition, 3);
  EXPECT_EQ(axis(0).logicalPosition, 0);
}

TEST_F(RegisterAccessTest, AMultiWriteThatOneAxisRefusesWritesNoAxis) {
  EXPECT_EQ(M716MotWrMultiReg(0, 0x3, 0x100, 5, static_cast<std::uint32_t>(INT_MIN), 0, 0),
            M716_ERR_NLMT_OVER);
  EXPECT_EQ(M716MotWrMultiReg(0, 0x3, 0x302, 100, 9000, 0, 0), M716_ERR_DV_OVER);
  EXPECT_EQ(M716MotWrMultiReg(16, 1, 0x100, 0, 0, 0, 0), M716_ERR_BOARD_NUMBER);
  EXPECT_EQ(M716MotWrMultiReg(0, 16, 0x100, 0, 0, 0, 0), M716_ERR_AXIS_NUMBER);
  EXPECT_TRUE(busUntouched());
  EXPECT_EQ(axis(0).realPosition, 0);
  EXPECT_EQ(axis(0).dv, 6000u);
}

}  // namespace
}  // namespace m716::test
