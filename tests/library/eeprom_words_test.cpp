// The EEPROM's serial lines, word by word on the recording bus.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "KRVM716.h"
#include "bound_board.h"

namespace m716::test {
namespace {

using ::testing::ElementsAreArray;

class EepromWordsTest : public BoundBoardTest {
 protected:
  // Each bit: select with the data line, then the clock high as well.
  static void sendBits(Words& w, std::uint32_t value, int count) {
    for (int bit = count - 1; bit >= 0; --bit) {
      const std::uint16_t data = (value >> bit) & 1 ? 2 : 0;
      w.write(chip::Eeprom, 8 | data).write(chip::Eeprom, 12 | data);
    }
  }
};

TEST_F(EepromWordsTest, AReadSendsStartOpcodeAndAddressThenClocksSixteenBitsIn) {
  answer(chip::Eeprom, 1);  // DO high: every data bit reads 1
  std::uint16_t word = 0;
  ASSERT_EQ(M716ReadEEPROM(0, 5, &word), M716_OK);
  EXPECT_EQ(word, 0xFFFF);

  Words w;
  sendBits(w, 0b110, 3);     // 10, 14, 10, 14, 8, 12
  sendBits(w, 0b000101, 6);  // address 5, bit 5 first
  for (int i = 0; i < 16; ++i)
    w.write(chip::Eeprom, 8).write(chip::Eeprom, 12).read(chip::Eeprom, 1);
  w.write(chip::Eeprom, 0);
  EXPECT_THAT(accesses(), ElementsAreArray(w.accesses));
}

TEST_F(EepromWordsTest, AWriteEnablesWritingFirstThenSendsAddressAndData) {
  ASSERT_EQ(M716WriteEEPROM(0, 0x13F, 0xA501), M716_OK);  // low six bits of the address: 63
  Words w;
  sendBits(w, 0b100111111, 9);  // start bit, write enable
  w.write(chip::Eeprom, 0);
  sendBits(w, 0b101, 3);  // start bit, WRITE
  sendBits(w, 63, 6);
  sendBits(w, 0xA501, 16);
  w.write(chip::Eeprom, 0);
  EXPECT_THAT(accesses(), ElementsAreArray(w.accesses));
}

}  // namespace
}  // namespace m716::test
