// The board's serial EEPROM through the library, on the simulated board.

#include <gtest/gtest.h>

#include "KRVM716.h"
#include "open_board.h"

namespace m716::test {
namespace {

class EepromTest : public ClosedAfterTest {
 protected:
  void SetUp() override {
    ClosedAfterTest::SetUp();
    ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  }
};

TEST_F(EepromTest, AWrittenWordReadsBack) {
  ASSERT_EQ(M716WriteEEPROM(0, 17, 0xA55A), M716_OK);
  std::uint16_t word = 0;
  ASSERT_EQ(M716ReadEEPROM(0, 17, &word), M716_OK);
  EXPECT_EQ(word, 0xA55A);
}

TEST_F(EepromTest, OnlyTheLowByteOfTheAddressIsCheckedAndSixBitsAreSent) {
  ASSERT_EQ(M716WriteEEPROM(0, 0x13F, 0x0F0F), M716_OK);
  std::uint16_t word = 0;
  ASSERT_EQ(M716ReadEEPROM(0, 63, &word), M716_OK);
  EXPECT_EQ(word, 0x0F0F);
  EXPECT_EQ(M716ReadEEPROM(0, 64, &word), M716_ERR_PARAMETER_INVALID);
  EXPECT_EQ(M716WriteEEPROM(0, 64, 1), M716_ERR_PARAMETER_INVALID);
}

TEST_F(EepromTest, ArgumentsAreCheckedInOrder) {
  std::uint16_t word = 0;
  EXPECT_EQ(M716ReadEEPROM(16, 0, &word), M716_ERR_BOARD_NUMBER);
  EXPECT_EQ(M716ReadEEPROM(0, 0, nullptr), M716_ERR_PARAMETER_INVALID);
  EXPECT_EQ(M716WriteEEPROM(16, 0, 1), M716_ERR_BOARD_NUMBER);
  // A board never bound to an address is refused before any port is touched.
  EXPECT_EQ(M716ReadEEPROM(5, 0, &word), M716_ERR_DEVICE_ABSENT);
  EXPECT_EQ(M716WriteEEPROM(5, 0, 1), M716_ERR_DEVICE_ABSENT);
}

}  // namespace
}  // namespace m716::test
