// The board's serial EEPROM, spoken to by a bit-banging master over the EEPROM lines at
// offset 26 as a real one would: start bit, opcode, address and data bits on rising clock
// edges, data out sampled after each rising edge.

#include <chrono>
#include <sstream>
#include <vector>

#include "simulated_board_test.h"

namespace m716::test {
namespace {

using Steady = std::chrono::steady_clock;

class EepromMaster {
 public:
  explicit EepromMaster(std::uint16_t base = 0x300) : base_(base) {}

  std::uint16_t read(unsigned address) {
    sendInstruction(0b10, address);
    std::uint16_t word = readWord();
    deselect();
    return word;
  }
  // The two words from `address` on, read in one go.
  std::vector<std::uint16_t> readTwo(unsigned address) {
    sendInstruction(0b10, address);
    std::vector<std::uint16_t> words{readWord(), readWord()};
    deselect();
    return words;
  }
  void enableWrites() { extended(0b11); }
  void disableWrites() { extended(0b00); }
  void eraseAll() { extended(0b10); }
  void writeAll(std::uint16_t value) { extended(0b01, value); }
  void erase(unsigned address) {
    sendInstruction(0b11, address);
    deselect();
  }
  void write(unsigned address, std::uint16_t value) {
    sendInstruction(0b01, address);
    sendBits(value, 16);
    deselect();
  }

  // Selects the device and polls data out until it shows ready; false at the deadline.
  bool waitReady(std::chrono::milliseconds limit = std::chrono::milliseconds(1000)) {
    const auto deadline = Steady::now() + limit;
    setLines(true, false, false);
    bool ready = dataOut();
    while (!ready && Steady::now() < deadline) ready = dataOut();
    deselect();
    return ready;
  }
  // Selects the device and samples data out once, leaving it selected.
  bool selectAndSample() {
    setLines(true, false, false);
    return dataOut();
  }
  void deselect() { platform::bus().write(base_ + 26, 0); }
  bool dataOut() { return platform::bus().read(base_ + 26) & 1; }

  void sendInstruction(unsigned opcode, unsigned address) {
    sendBits(1, 1);
    sendBits(opcode, 2);
    sendBits(address, 6);
  }

 private:
  void extended(unsigned code) {
    sendInstruction(0b00, code << 4);
    deselect();
  }
  void extended(unsigned code, std::uint16_t value) {
    sendInstruction(0b00, code << 4);
    sendBits(value, 16);
    deselect();
  }
  void setLines(bool select, bool clock, bool data) {
    platform::bus().write(base_ + 26,
                          static_cast<std::uint16_t>(select * 8 + clock * 4 + data * 2));
  }
  void sendBits(unsigned bits, int count) {
    for (int bit = count - 1; bit >= 0; --bit) {
      const bool value = (bits >> bit) & 1;
      setLines(true, false, value);
      setLines(true, true, value);
    }
  }
  std::uint16_t readWord() {
    std::uint16_t word = 0;
    for (int bit = 0; bit < 16; ++bit) {
      setLines(true, false, false);
      setLines(true, true, false);
      word = static_cast<std::uint16_t>((word << 1) | dataOut());
    }
    return word;
  }

  std::uint16_t base_;
};

class EepromTest : public SimulatedBoardTest {
 protected:
  void writeAndWait(unsigned address, std::uint16_t value) {
    eeprom_.write(address, value);
    ASSERT_TRUE(eeprom_.waitReady());
  }
  std::string storedText(std::uint16_t base = kBase) {
    std::string text;
    platform::RegKey key;
    if (platform::registry().openKey(boardKey(base), key) == platform::RegStatus::ok) {
      key.queryString("EEPROM", text);
    }
    return text;
  }

  EepromMaster eeprom_;
};

TEST_F(EepromTest, BlankDeviceReadsErasedWords) {
  EXPECT_EQ(eeprom_.read(0), 0xFFFF);
  EXPECT_EQ(eeprom_.read(63), 0xFFFF);
}

TEST_F(EepromTest, ReadShowsDummyZeroAfterTheAddressThenGoesOnWordAfterWord) {
  eeprom_.enableWrites();
  writeAndWait(63, 0x8001);
  writeAndWait(0, 0x1234);

  eeprom_.sendInstruction(0b10, 63);
  EXPECT_FALSE(eeprom_.dataOut());  // the dummy bit
  eeprom_.deselect();
  EXPECT_EQ(eeprom_.readTwo(63), (std::vector<std::uint16_t>{0x8001, 0x1234}));
}

TEST_F(EepromTest, EnabledWriteRunsBusyThenReadsBack) {
  eeprom_.enableWrites();
  const auto writeStarted = Steady::now();
  eeprom_.write(5, 0xA55A);
  const bool firstSample = eeprom_.selectAndSample();
  // The cycle takes a few milliseconds; a master that looks at once sees it busy.
  if (Steady::now() - writeStarted < std::chrono::milliseconds(3)) {
    EXPECT_FALSE(firstSample);
  }
  eeprom_.deselect();
  ASSERT_TRUE(eeprom_.waitReady());

  EXPECT_EQ(eeprom_.read(5), 0xA55A);
  EXPECT_EQ(eeprom_.read(4), 0xFFFF);
  EXPECT_EQ(eeprom_.read(6), 0xFFFF);
}

enum class Protection { neverEnabled, disabledAgain, enabledBeforePowerUp };

class EepromProtectionTest : public EepromTest, public ::testing::WithParamInterface<Protection> {};

TEST_P(EepromProtectionTest, WriteIsIgnored) {
  if (GetParam() == Protection::disabledAgain) {
    eeprom_.enableWrites();
    eeprom_.disableWrites();
  }
  if (GetParam() == Protection::enabledBeforePowerUp) {
    eeprom_.enableWrites();
    reload();
  }
  eeprom_.write(7, 0x1234);
  ASSERT_TRUE(eeprom_.waitReady());
  EXPECT_EQ(eeprom_.read(7), 0xFFFF);
}

INSTANTIATE_TEST_SUITE_P(Protections, EepromProtectionTest,
                         ::testing::Values(Protection::neverEnabled, Protection::disabledAgain,
                                           Protection::enabledBeforePowerUp));

TEST_F(EepromTest, EraseAndWholeDeviceInstructions) {
  eeprom_.enableWrites();
  eeprom_.writeAll(0x0F0F);
  ASSERT_TRUE(eeprom_.waitReady());
  EXPECT_EQ(eeprom_.read(0), 0x0F0F);
  EXPECT_EQ(eeprom_.read(63), 0x0F0F);

  eeprom_.erase(3);
  ASSERT_TRUE(eeprom_.waitReady());
  EXPECT_EQ(eeprom_.read(3), 0xFFFF);
  EXPECT_EQ(eeprom_.read(2), 0x0F0F);

  eeprom_.eraseAll();
  ASSERT_TRUE(eeprom_.waitReady());
  EXPECT_EQ(eeprom_.read(2), 0xFFFF);
}

TEST_F(EepromTest, WriteSurvivesPowerUpInTheBoardsOwnStore) {
  configureBoards({0x300, 0x340});
  reload();
  eeprom_.enableWrites();
  writeAndWait(12, 0xBEEF);

  reload();
  EXPECT_EQ(eeprom_.read(12), 0xBEEF);
  EXPECT_EQ(EepromMaster(0x340).read(12), 0xFFFF);
  EXPECT_EQ(storedText(0x340), "");
}

// The store holds the words as text, which a user or script may also write.
TEST_F(EepromTest, StoreHoldsSixtyFourHexWordsInAddressOrder) {
  std::ostringstream text;
  for (int address = 0; address < 64; ++address) {
    text << (address ? " " : "") << std::hex << std::uppercase << (0x1000 + address);
  }
  createKey(boardKey(kBase)).setString("EEPROM", text.str());
  reload();
  EXPECT_EQ(eeprom_.read(0), 0x1000);
  EXPECT_EQ(eeprom_.read(42), 0x102A);

  eeprom_.enableWrites();
  writeAndWait(1, 0xabcd);
  std::string expected = text.str();
  expected.replace(5, 4, "ABCD");
  EXPECT_EQ(storedText(), expected);
}

}  // namespace
}  // namespace m716::test
