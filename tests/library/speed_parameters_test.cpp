// The speed parameter model: which sets are accepted, the multiplier and range they give, and
// the chip values a drive then loads (seen on the recording bus).

#include "KRVM716.h"
#include "bound_board.h"

namespace m716::test {
namespace {

using ::testing::ElementsAre;

class SpeedParametersTest : public BoundBoardTest {
 protected:
  // The data words of the speed commands of X's next point-to-point move, by code.
  std::map<std::uint16_t, std::uint32_t> loadedByNextMove() {
    bus_.clear();
    EXPECT_EQ(M716MoveIns(0, 1, 100), M716_OK);
    std::map<std::uint16_t, std::uint32_t> loaded;
    std::uint32_t low = 0, high = 0;
    for (const Access& access : accesses()) {
      if (!access.isWrite) continue;
      if (access.port == kBase + chip::WR6) low = access.value, high = 0;
      if (access.port == kBase + chip::WR7) high = access.value;
      if (access.port == kBase + chip::WR0 && (access.value & 0xFF) <= chip::SetDriveSpeed)
        loaded[access.value & 0xFF] = high << 16 | low;
    }
    return loaded;
  }
  InterpolationSet& group() { return boards[0].interpolation; }
};

TEST_F(SpeedParametersTest, TheSmallestSetRunsAtMultiplierOne) {
  ASSERT_EQ(M716MotAxisParaSet(0, 1, 1, 8000, 8000, 8000, 125, 954), M716_OK);
  EXPECT_EQ(axis(0).multiplier, 1.0);
  auto loaded = loadedByNextMove();
  EXPECT_EQ(loaded[chip::SetRange], 8'000'000u);
  EXPECT_EQ(loaded[chip::SetDriveSpeed], 8000u);
  EXPECT_EQ(loaded[chip::SetAcceleration], 1u);
  EXPECT_EQ(loaded[chip::SetJerk], 65'513u);
}

TEST_F(SpeedParametersTest, AMultiplierIsNotRounded) {
  ASSERT_EQ(M716MotAxisParaSet(0, 1, 0, 1000, 6000, 10'000, 600'000, 10'000'000), M716_OK);
  EXPECT_EQ(axis(0).multiplier, 1.25);
  auto loaded = loadedByNextMove();
  EXPECT_EQ(loaded[chip::SetRange], 6'400'000u);
  EXPECT_EQ(loaded[chip::SetDriveSpeed], 4800u);
  EXPECT_EQ(loaded.count(chip::SetJerk), 0u);  // T-curve
}

TEST_F(SpeedParametersTest, AcceptanceRefusesSetsTheChipCannotRun) {
  EXPECT_EQ(M716MotAxisParaSet(0, 1, 0, 1000, 4'000'000, 4'000'000, 600'000, 10'000'000), M716_OK);
  EXPECT_EQ(axis(0).multiplier, 500.0);
  EXPECT_EQ(M716MotAxisParaSet(0, 1, 0, 1000, 6000, 4'000'001, 600'000, 10'000'000),
            M716_ERR_PARAMETER_OVER);
  EXPECT_EQ(M716MotAxisParaSet(0, 1, 0, 1000, 6000, 8000, 124, 10'000'000),
            M716_ERR_PARAMETER_UNDER);
  EXPECT_EQ(M716MotAxisParaSet(0, 1, 0, 1000, 6000, 8000, 600'000, 953), M716_ERR_PARAMETER_UNDER);
  EXPECT_EQ(M716MotAxisParaSet(0, 1, 0, 0, 6000, 8000, 600'000, 954), M716_ERR_PARAMETER_UNDER);
  EXPECT_EQ(M716MotAxisParaSet(0, 1, 0, 7000, 6000, 8000, 600'000, 954),
            M716_ERR_PARAMETER_INVALID);
  EXPECT_EQ(M716MotAxisParaSet(0, 16, 0, 1000, 6000, 8000, 600'000, 954), M716_ERR_AXIS_NUMBER);
  EXPECT_EQ(axis(0).multiplier, 500.0);
}

TEST_F(SpeedParametersTest, SeveralAxesTakeTheSameSetAndTheirOwnCurve) {
  axis(2).wr3 = 0xABCD0000;
  ASSERT_EQ(M716MotAxisParaSet(0, 0x6, 0x2, 100, 200, 300, 125, 954), M716_OK);
  EXPECT_EQ(axis(1).wr3, chip::wr3::SCurve);
  EXPECT_EQ(axis(2).wr3, 0u);  // clearing the S-curve flag clears the upper half too
  EXPECT_EQ(axis(2).configured.dv, 200u);
  EXPECT_EQ(axis(2).mdv, 300u);
  EXPECT_EQ(axis(0).dv, 6000u);
}

TEST_F(SpeedParametersTest, TheInterpolationGroupKeepsItsOwnMultiplierLimits) {
  ASSERT_EQ(M716MotAxisParaSet(0, 0, 1, 1000, 8000, 8000, 125'000, 1'000'000), M716_OK);
  EXPECT_EQ(group().multiplier, 2.0);
  EXPECT_EQ(group().range, 4'000'000u);
  EXPECT_EQ(group().sCurve, 1u);
  EXPECT_EQ(M716MotAxisParaSet(0, 0, 0, 1000, 8000, 2'304'000, 125'000, 1'000'000), M716_OK);
  EXPECT_EQ(group().multiplier, 288.0);
  EXPECT_EQ(M716MotAxisParaSet(0, 0, 0, 1000, 8000, 2'304'001, 125'000, 1'000'000),
            M716_ERR_PARAMETER_OVER);
  EXPECT_TRUE(busUntouched());
}

TEST_F(SpeedParametersTest, SingleSettersReplaceOneValueAndSelectTCurve) {
  axis(0).wr3 = chip::wr3::SCurve;
  ASSERT_EQ(M716SetDrivingSpeed(0, 1, 7000), M716_OK);
  EXPECT_EQ(axis(0).configured.dv, 7000u);
  EXPECT_EQ(axis(0).wr3, 0u);
  EXPECT_EQ(M716SetStartSpeed(0, 1, 7001), M716_ERR_PARAMETER_INVALID);
  EXPECT_EQ(M716SetAcceleration(0, 2, 124), M716_ERR_PARAMETER_UNDER);
  EXPECT_EQ(M716SetJerk(0, 4, 2'000'000), M716_OK);
  EXPECT_EQ(axis(2).ak, 2'000'000u);
  EXPECT_EQ(M716SetJerk(0, 3, 2'000'000), M716_ERR_AXIS_NUMBER);

  group().sCurve = 1;
  ASSERT_EQ(M716SetDrivingSpeed(0, 0, 5000), M716_OK);
  EXPECT_EQ(group().dv, 5000u);
  EXPECT_EQ(group().mdv, 5000u);
  EXPECT_EQ(group().sCurve, 0u);
}

TEST_F(SpeedParametersTest, ARangeSetsTheMultiplierItGivesAndLoadsAnIdleAxis) {
  EXPECT_EQ(M716SetRange(0, 1, 15'999), M716_ERR_PARAMETER_UNDER);
  EXPECT_EQ(M716SetRange(0, 1, 8'000'001), M716_ERR_PARAMETER_OVER);
  ASSERT_EQ(M716SetRange(0, 1, 16'000), M716_OK);
  EXPECT_EQ(axis(0).multiplier, 500.0);
  EXPECT_EQ(axis(0).mdv, 4'000'000u);
  EXPECT_EQ(axis(0).rangeInForce, 16'000u);
  ASSERT_EQ(M716SetRange(0, 1, 3'000'000), M716_OK);
  EXPECT_EQ(axis(0).mdv, 21'333u);  // 8000 speed units of 8/3 pps
  Words w;
  w.read(chip::RR0, 0).data32(1, chip::SetRange, 16'000);
  w.read(chip::RR0, 0).data32(1, chip::SetRange, 3'000'000);
  EXPECT_THAT(accesses(), ::testing::ElementsAreArray(w.accesses));
}

TEST_F(SpeedParametersTest, ARangeSetDuringADriveWaitsForTheNextDrive) {
  answer(chip::RR0, 0x1);
  ASSERT_EQ(M716SetRange(0, 1, 16'000), M716_OK);
  EXPECT_THAT(accesses(), ElementsAre(portRead(chip::RR0, 1)));
  EXPECT_EQ(axis(0).rangeInForce, 8'000'000u);
  EXPECT_EQ(axis(0).multiplierInForce, 1.0);
}

TEST_F(SpeedParametersTest, TheGroupRangeCarriesNoAxisBits) {
  ASSERT_EQ(M716SetRange(0, 0, 400'000), M716_OK);
  EXPECT_EQ(group().multiplier, 20.0);
  EXPECT_EQ(group().range, 400'000u);
  EXPECT_EQ(commands().back(), 0x0000);
}

TEST_F(SpeedParametersTest, ADecelerationRecordsItsOffsetEvenWhenRefused) {
  EXPECT_EQ(M716SetDeceleration(0, 1, 100, -42), M716_ERR_PARAMETER_UNDER);
  EXPECT_EQ(boards[0].manualDeceleration, 1u);
  EXPECT_EQ(boards[0].decelerationOffset, -42);
  EXPECT_EQ(M716SetDeceleration(0, 1, 500'000'001, 0), M716_ERR_PARAMETER_OVER);
  EXPECT_EQ(M716SetDeceleration(0, 0, 288'000'001, 0), M716_ERR_PARAMETER_OVER);
  EXPECT_EQ(M716SetDeceleration(0, 5, 1000, 0), M716_ERR_AXIS_NUMBER);
}

TEST_F(SpeedParametersTest, ALargeDecelerationRaisesTheMultiplierAndTheRangeFollows) {
  ASSERT_EQ(M716SetDeceleration(0, 1, 2'000'000, 0), M716_OK);
  EXPECT_EQ(axis(0).multiplier, 2.0);
  EXPECT_EQ(axis(0).dc, 2'000'000u);
  auto loaded = loadedByNextMove();
  EXPECT_EQ(loaded[chip::SetRange], 4'000'000u);
  EXPECT_EQ(loaded[chip::SetDriveSpeed], 3000u);  // still 6000 pps
}

TEST_F(SpeedParametersTest, ASmallDecelerationNeverLowersTheMultiplier) {
  ASSERT_EQ(M716MotAxisParaSet(0, 1, 0, 1000, 4'000'000, 4'000'000, 600'000, 10'000'000), M716_OK);
  ASSERT_EQ(M716SetDeceleration(0, 1, 600'000, 0), M716_OK);
  EXPECT_EQ(axis(0).multiplier, 500.0);
  EXPECT_EQ(M716SetDeceleration(0, 1, 62'499, 0), M716_ERR_PARAMETER_UNDER);  // below 125 M
  auto loaded = loadedByNextMove();
  EXPECT_EQ(loaded[chip::SetRange], 16'000u);
  EXPECT_EQ(loaded[chip::SetDriveSpeed], 8000u);
}

TEST_F(SpeedParametersTest, TheGroupDecelerationRaisesTheGroupRangeToo) {
  ASSERT_EQ(M716SetDeceleration(0, 0, 10'000'000, 0), M716_OK);
  EXPECT_EQ(group().multiplier, 10.0);
  EXPECT_EQ(group().range, 800'000u);
  ASSERT_EQ(M716SetDeceleration(0, 0, 125'000, 0), M716_OK);
  EXPECT_EQ(group().multiplier, 10.0);
  EXPECT_EQ(group().dc, 125'000u);
}

TEST_F(SpeedParametersTest, RawLiveValuesAreReadLowWordFirst) {
  answerData(0x00010002);
  std::uint32_t value = 0;
  ASSERT_EQ(M716GetSpeed(0, 2, &value), M716_OK);
  EXPECT_EQ(value, 0x00010002u);
  ASSERT_EQ(M716GetAcel(0, 2, &value), M716_OK);
  Words w;
  w.read32(2, chip::ReadSpeed, 0x00010002, false)
      .read32(2, chip::ReadAcceleration, 0x00010002, false);
  EXPECT_THAT(accesses(), ::testing::ElementsAreArray(w.accesses));
  EXPECT_EQ(M716GetSpeed(0, 2, nullptr), M716_ERR_PARAMETER_INVALID);
  EXPECT_EQ(M716GetAcel(0, 0, &value), M716_ERR_AXIS_NUMBER);
}

}  // namespace
}  // namespace m716::test
