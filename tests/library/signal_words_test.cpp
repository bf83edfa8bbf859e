// Signal configuration, status readout and the position counters on the recording bus.

#include "KRVM716.h"
#include "bound_board.h"

namespace m716::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

using SignalWordsTest = BoundBoardTest;

// A configuration function of one flag, the register it changes and its bit.
struct FlagMember {
  const char* name;
  uint32_t (*set)(uint32_t, uint32_t, uint32_t);
  std::uint16_t port;
  std::uint16_t bit;
};

void PrintTo(const FlagMember& member, std::ostream* out) {
  *out << member.name;
}

class FlagMemberTest : public SignalWordsTest, public ::testing::WithParamInterface<FlagMember> {
 protected:
  std::uint32_t shadow(std::uint32_t index) {
    const AxisRecord& a = axis(index);
    return GetParam().port == chip::WR1 ? a.wr1 : GetParam().port == chip::WR2 ? a.wr2 : a.wr3;
  }
};

TEST_P(FlagMemberTest, SetsAndClearsItsBitAndLoadsTheWholeRegister) {
  const FlagMember& member = GetParam();
  const std::uint16_t bit = static_cast<std::uint16_t>(1u << member.bit);
  axis(1).wr1 = axis(1).wr2 = axis(1).wr3 = 0x0801;  // bits of others stay
  ASSERT_EQ(member.set(0, 2, 0x10001), M716_OK);     // only the low 16 bits count
  const std::uint16_t kept = member.port == chip::WR3 ? 0x0801 & 0x0F9F : 0x0801;
  ASSERT_EQ(member.set(0, 2, 0), M716_OK);
  EXPECT_THAT(accesses(),
              ElementsAreArray(Words{}
                                   .mode(2, member.port, static_cast<std::uint16_t>(kept | bit))
                                   .mode(2, member.port, static_cast<std::uint16_t>(kept & ~bit))
                                   .accesses));
  EXPECT_EQ(shadow(1), static_cast<std::uint32_t>(kept & ~bit));
}

TEST_P(FlagMemberTest, RefusesOtherFlagsAndAxesWithoutTouchingAnything) {
  const FlagMember& member = GetParam();
  EXPECT_EQ(member.set(0, 2, 2), M716_ERR_PARAMETER_INVALID);
  EXPECT_EQ(member.set(0, 3, 1), M716_ERR_AXIS_NUMBER);
  EXPECT_EQ(member.set(0, 0, 1), M716_ERR_AXIS_NUMBER);
  EXPECT_EQ(member.set(16, 1, 1), M716_ERR_BOARD_NUMBER);
  EXPECT_TRUE(busUntouched());
  EXPECT_EQ(shadow(1), 0u);
  EXPECT_EQ(shadow(0), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    EachFlag, FlagMemberTest,
    ::testing::Values(FlagMember{"EnableCompPLimit", M716EnableCompPLimit, chip::WR2, 0},
                      FlagMember{"EnableCompNLimit", M716EnableCompNLimit, chip::WR2, 1},
                      FlagMember{"PLimitLogic", M716SetPLimitLogic, chip::WR2, 3},
                      FlagMember{"NLimitLogic", M716SetNLimitLogic, chip::WR2, 4},
                      FlagMember{"CompareObject", M716SetCompareObject, chip::WR2, 5},
                      FlagMember{"PulseMode", M716SetPulseMode, chip::WR2, 6},
                      FlagMember{"PulseLogic", M716SetPulseLogic, chip::WR2, 7},
                      FlagMember{"PulseDirLogic", M716SetPulseDirLogic, chip::WR2, 8},
                      FlagMember{"HomeLogic", M716SetHomeLogic, chip::WR1, 6},
                      FlagMember{"ZLogic", M716SetZLogic, chip::WR1, 0},
                      FlagMember{"OutputType", M716SetOutputType, chip::WR3, 7}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SignalWordsTest, EncoderMultipleSetsExactlyItsCombination) {
  ASSERT_EQ(M716SetEncoderMultiple(0, 1, 2), M716_OK);
  EXPECT_EQ(axis(0).wr2, 0x0800u);
  ASSERT_EQ(M716SetEncoderMultiple(0, 1, 1), M716_OK);
  EXPECT_EQ(axis(0).wr2, 0x0400u);
  ASSERT_EQ(M716SetEncoderMultiple(0, 1, 0), M716_OK);
  EXPECT_EQ(axis(0).wr2, 0u);
  EXPECT_EQ(M716SetEncoderMultiple(0, 1, 3), M716_ERR_PARAMETER_INVALID);
  EXPECT_EQ(M716SetEncoderMultiple(0, 6, 3), M716_ERR_AXIS_NUMBER);
  EXPECT_EQ(bus_.writesTo(kBase + chip::WR2).size(), 3u);
}

TEST_F(SignalWordsTest, TwoFlagMembersWriteTheirRegisterOnce) {
  ASSERT_EQ(M716SetServoAlarm(0, 4, 1, 0), M716_OK);
  ASSERT_EQ(M716SetInPosition(0, 4, 0, 1), M716_OK);
  ASSERT_EQ(M716SetInputLogic(0, 4, 1, 1), M716_OK);
  ASSERT_EQ(M716SetHomeLogic(0, 4, 0), M716_OK);  // the same bit as IN3's level: later wins
  EXPECT_THAT(accesses(), ElementsAreArray(Words{}
                                               .mode(4, chip::WR2, 0x2000)
                                               .mode(4, chip::WR2, 0x6000)
                                               .mode(4, chip::WR1, 0x0050)
                                               .mode(4, chip::WR1, 0x0010)
                                               .accesses));
  EXPECT_EQ(M716SetServoAlarm(0, 4, 2, 0), M716_ERR_PARAMETER_INVALID);
  EXPECT_EQ(M716SetInputLogic(0, 4, 0, 2), M716_ERR_PARAMETER_INVALID);
  EXPECT_EQ(axis(2).wr1, 0x0010u);
}

TEST_F(SignalWordsTest, OutputLevelsGoToBitsEightToElevenAndMaskTheRegister) {
  axis(0).wr3 = 0xF0F4 | 0x0060;  // S-curve, bits 5, 6 and 12..15 set, all outputs on
  ASSERT_EQ(M716SetOutput(0, 1, 5), M716_OK);
  EXPECT_THAT(accesses(), ElementsAre(portWrite(chip::WR0, 0x010F), portWrite(chip::WR3, 0x0594)));
  EXPECT_EQ(M716SetOutput(0, 1, 16), M716_ERR_PARAMETER_INVALID);
  EXPECT_EQ(axis(0).wr3, 0x0594u);
}

TEST_F(SignalWordsTest, CompareLimitsLoadTheChipAndTheInterruptBlockCopy) {
  ASSERT_EQ(M716MotWrReg(0, 1, 0x102, 111), M716_OK);
  bus_.clear();
  ASSERT_EQ(M716SetCompPLimit(0, 1, -2), M716_OK);
  ASSERT_EQ(M716SetCompNLimit(0, 1, 70'000), M716_OK);
  EXPECT_THAT(accesses(), ElementsAreArray(Words{}
                                               .data32(1, chip::SetComparePlus, 0xFFFFFFFE)
                                               .data32(1, chip::SetCompareMinus, 70'000)
                                               .accesses));
  EXPECT_EQ(axis(0).pcmp, -2);
  std::uint32_t value = 0;
  ASSERT_EQ(M716MotRdReg(0, 1, 0x102, &value), M716_OK);
  EXPECT_EQ(value, 0xFFFFFFFEu);
  ASSERT_EQ(M716MotRdReg(0, 1, 0x103, &value), M716_OK);
  EXPECT_EQ(value, 70'000u);
}

// A status function, the register access it makes and the result it gives.
struct StatusReader {
  const char* name;
  uint32_t (*get)(uint32_t, uint32_t, int16_t*);
  std::uint32_t axis;
  std::vector<Access> accesses;
  std::int16_t result;
};

void PrintTo(const StatusReader& reader, std::ostream* out) {
  *out << reader.name;
}

class StatusReaderTest : public SignalWordsTest,
                         public ::testing::WithParamInterface<StatusReader> {};

TEST_P(StatusReaderTest, ReadsItsRegisterAndExtractsItsField) {
  for (std::uint16_t port : {chip::RR0, chip::RR1, chip::RR2, chip::RR3, chip::RR4, chip::RR5})
    answer(port, 0xA5C3);
  std::int16_t result = -1;
  ASSERT_EQ(GetParam().get(0, GetParam().axis, &result), M716_OK);
  EXPECT_EQ(result, GetParam().result);
  EXPECT_THAT(accesses(), ElementsAreArray(GetParam().accesses));
}

TEST_P(StatusReaderTest, RefusesBadArgumentsWithoutReading) {
  std::int16_t result = 99;
  EXPECT_EQ(GetParam().get(0, 0, &result), M716_ERR_AXIS_NUMBER);
  EXPECT_EQ(GetParam().get(0, 15, &result), M716_ERR_AXIS_NUMBER);
  EXPECT_EQ(GetParam().get(16, 1, &result), M716_ERR_BOARD_NUMBER);
  EXPECT_EQ(GetParam().get(0, 1, nullptr), M716_ERR_PARAMETER_INVALID);
  EXPECT_EQ(result, 99);
  EXPECT_TRUE(busUntouched());
}

INSTANTIATE_TEST_SUITE_P(
    EachReader, StatusReaderTest,
    ::testing::Values(
        StatusReader{"ErrorOfU", M716GetError, 8, {portRead(chip::RR0, 0xA5C3)}, 1},
        StatusReader{"DriverStateOfZ", M716GetDriverState, 4, {portRead(chip::RR0, 0xA5C3)}, 0},
        StatusReader{"MotionState",
                     M716GetMotionState,
                     2,
                     {portWrite(chip::WR0, 0x020F), portRead(chip::RR1, 0xA5C3)},
                     static_cast<std::int16_t>(0xA5C3)},
        StatusReader{"MotionInput",
                     M716GetMotionInput,
                     1,
                     {portWrite(chip::WR0, 0x010F), portRead(chip::RR2, 0xA5C3)},
                     0x03},
        StatusReader{"CompareState",
                     M716GetCompareState,
                     8,
                     {portWrite(chip::WR0, 0x080F), portRead(chip::RR3, 0xA5C3)},
                     0xC3},
        StatusReader{"InputOfY", M716GetInput, 2, {portRead(chip::RR4, 0xA5C3)}, 0xA5},
        StatusReader{"InputOfZ", M716GetInput, 4, {portRead(chip::RR5, 0xA5C3)}, 0xC3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SignalWordsTest, CountersAreReadLowWordFirstAndPresetThroughTheirCommands) {
  answerData(0xFFFFFFFF);
  std::int32_t value = 0;
  ASSERT_EQ(M716GetTheorecticalRegister(0, 4, &value), M716_OK);
  EXPECT_EQ(value, -1);
  ASSERT_EQ(M716GetPracticalRegister(0, 4, &value), M716_OK);
  ASSERT_EQ(M716SetTheorecticalRegister(0, 4, -1), M716_OK);
  ASSERT_EQ(M716SetPracticalRegister(0, 4, 7), M716_OK);
  EXPECT_THAT(accesses(), ElementsAreArray(Words{}
                                               .read32(4, chip::ReadLogicalPosition, ~0u, false)
                                               .read32(4, chip::ReadRealPosition, ~0u, false)
                                               .data32(4, chip::SetLogicalPosition, ~0u)
                                               .data32(4, chip::SetRealPosition, 7)
                                               .accesses));
  EXPECT_EQ(axis(2).realPosition, 7);
  EXPECT_EQ(M716GetPracticalRegister(0, 3, &value), M716_ERR_AXIS_NUMBER);
  EXPECT_EQ(M716GetPracticalRegister(0, 1, nullptr), M716_ERR_PARAMETER_INVALID);
  EXPECT_EQ(M716SetPracticalRegister(17, 1, 0), M716_ERR_BOARD_NUMBER);
}

}  // namespace
}  // namespace m716::test
