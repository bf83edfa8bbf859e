// Open, close and discovery of boards on the simulated board.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "KRVM716.h"
#include "m716/platform/dynload.h"
#include "m716/platform/events.h"
#include "m716/platform/ownership.h"
#include "open_board.h"

namespace m716::test {
namespace {

bool driverInProcess() {
  void* driver = ::dlopen("libKRVM716S.so", RTLD_NOW | RTLD_NOLOAD);
  if (driver != nullptr) ::dlclose(driver);
  return driver != nullptr;
}

bool eventExists(const std::string& name) {
  platform::EventHandle event = platform::openEvent(name);
  platform::closeEvent(event);
  return event != nullptr;
}

class DeviceTest : public ClosedAfterTest {
 protected:
  void TearDown() override {
    platform::setLibrarySearchPath({});
    ClosedAfterTest::TearDown();
  }
};

TEST_F(DeviceTest, OpenOfAnInstalledBoardSucceedsAndCloseReleasesItsEvents) {
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  EXPECT_TRUE(eventExists("KRV_EVT_INTERRUPT0"));
  EXPECT_TRUE(eventExists("KRV_EVT_HOMEINT0"));
  std::uint16_t irq = 0;
  EXPECT_EQ(M716_InpWord(0, 22, &irq), 1u);
  EXPECT_EQ(irq, 5);

  EXPECT_EQ(M716MotDevClose(0), M716_OK);
  EXPECT_FALSE(eventExists("KRV_EVT_INTERRUPT0"));
  EXPECT_FALSE(eventExists("KRV_EVT_HOMEINT0"));
}

TEST_F(DeviceTest, OpeningAnOpenBoardAgainKeepsItUsable) {
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  EXPECT_TRUE(eventExists("KRV_EVT_INTERRUPT0"));
  EXPECT_EQ(M716MotDevClose(0), M716_OK);
  EXPECT_FALSE(eventExists("KRV_EVT_INTERRUPT0"));
}

TEST_F(DeviceTest, BoardNumberIsCheckedBeforeTheDriverIsLoadedFreshProcess) {
  EXPECT_EQ(M716MotDevOpen(16), M716_ERR_BOARD_NUMBER);
  EXPECT_EQ(M716MotDevClose(16), M716_ERR_BOARD_NUMBER);
  EXPECT_FALSE(driverInProcess());
  // Only the low byte counts.
  EXPECT_EQ(M716MotDevOpen(0x100), M716_OK);
  EXPECT_TRUE(driverInProcess());
}

TEST_F(DeviceTest, MissingDriverLibraryGivesError2) {
  platform::setLibrarySearchPath({store_.folder().string()});
  EXPECT_EQ(M716MotDevOpen(0), M716_ERR_OPEN_DRIVER);
}

TEST_F(DeviceTest, MissingRegistryEntriesGiveError4) {
  deleteValue(kHardwareBranch + boardName(0), "Interrupt");
  EXPECT_EQ(M716MotDevOpen(0), M716_ERR_OPEN_REGISTRY);
  EXPECT_EQ(M716MotDevOpen(3), M716_ERR_OPEN_REGISTRY);  // not installed at all
  EXPECT_FALSE(std::filesystem::exists(store_.file() + ".Board003.lock"));
}

// A mark that cannot be taken is no sign that nobody drives the board: open and discovery
// leave it alone.
TEST_F(DeviceTest, ABoardWhoseMarkCannotBeTakenIsLeftAlone) {
  std::filesystem::create_directory(store_.file() + ".Board000.lock");
  EXPECT_EQ(M716MotDevOpen(0), M716_ERR_OPEN_REGISTRY);
  std::uint32_t mask = 0;
  EXPECT_EQ(M716MotDevAvailable(&mask), M716_ERR_READ_REGISTRY);
  EXPECT_FALSE(hasValue(parameterKey(0, "Xaxis"), "RG"));  // never opened
}

TEST_F(DeviceTest, BoardWhereNoBoardAnswersGives98AndLeavesNothingOpen) {
  installBoard(1, 0x340);
  EXPECT_EQ(M716MotDevOpen(1), M716_ERR_DEVICE_ABSENT);
  EXPECT_FALSE(eventExists("KRV_EVT_INTERRUPT1"));
  EXPECT_EQ(M716MotDevOpen(0), M716_OK);  // other boards are unaffected
}

TEST_F(DeviceTest, AvailableReportsTheBoardsThatAnswer) {
  installBoard(2, 0x340);  // declared, but no board there
  std::uint32_t mask = 0xFFFF;
  ASSERT_EQ(M716MotDevAvailable(&mask), M716_OK);
  EXPECT_EQ(mask, 0x1u);
  EXPECT_FALSE(eventExists("KRV_EVT_INTERRUPT0"));  // tested boards are closed again
  // Opening creates the parameters of every installed board that answers.
  EXPECT_TRUE(hasValue(parameterKey(0, "Uaxis"), "HomeOffsetSpeed"));
}

TEST_F(DeviceTest, AvailableLeavesABoardOpenThatTheProcessHasOpen) {
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  std::uint32_t mask = 0;
  ASSERT_EQ(M716MotDevAvailable(&mask), M716_OK);
  EXPECT_EQ(mask, 0x1u);
  EXPECT_TRUE(eventExists("KRV_EVT_INTERRUPT0"));
  EXPECT_TRUE(eventExists("KRV_EVT_HOMEINT0"));
}

// The mark of board 0 as another program takes it: shared while it has the board open,
// exclusive while its discovery tries the board.
platform::MarkStatus takeBoard0Elsewhere(platform::OwnershipMark& mark,
                                         platform::MarkMode mode = platform::MarkMode::exclusive) {
  return mark.take("Board000", mode);
}

TEST_F(DeviceTest, AvailableLeavesABoardThatAnotherHolderOwnsUntouchedFreshProcess) {
  platform::OwnershipMark other;
  ASSERT_EQ(takeBoard0Elsewhere(other, platform::MarkMode::shared), platform::MarkStatus::taken);
  std::uint32_t mask = 0;
  ASSERT_EQ(M716MotDevAvailable(&mask), M716_OK);
  EXPECT_EQ(mask, 0x1u);                                   // in use, hence installed and answering
  EXPECT_FALSE(hasValue(parameterKey(0, "Xaxis"), "RG"));  // never opened here
  std::uint16_t irq = 0;
  EXPECT_EQ(M716_InpWord(0, 22, &irq), 1u);
  EXPECT_EQ(irq, 0xFFFF);  // never bound, no port touched

  other.release();
  ASSERT_EQ(M716MotDevAvailable(&mask), M716_OK);
  EXPECT_EQ(mask, 0x1u);
  EXPECT_TRUE(hasValue(parameterKey(0, "Xaxis"), "RG"));               // opened and closed
  EXPECT_EQ(takeBoard0Elsewhere(other), platform::MarkStatus::taken);  // and given back
}

TEST_F(DeviceTest, AnOpenBoardIsMarkedAsOwnedUntilItIsClosed) {
  platform::OwnershipMark other;
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  EXPECT_EQ(takeBoard0Elsewhere(other), platform::MarkStatus::heldElsewhere);
  installBoard(1, 0x340);
  EXPECT_EQ(M716MotDevOpen(1), M716_ERR_DEVICE_ABSENT);  // a failed open keeps no mark
  EXPECT_EQ(other.take("Board001", platform::MarkMode::exclusive), platform::MarkStatus::taken);
  other.release();
  ASSERT_EQ(M716MotDevClose(0), M716_OK);
  EXPECT_EQ(takeBoard0Elsewhere(other), platform::MarkStatus::taken);
}

TEST_F(DeviceTest, AvailableWithNoBoardsInUseTouchesNothingFreshProcess) {
  setDword(kHardwareBranch, "BoardIDInUsed", 0);
  std::uint32_t mask = 0xFFFF;
  ASSERT_EQ(M716MotDevAvailable(&mask), M716_OK);
  EXPECT_EQ(mask, 0u);
  EXPECT_FALSE(driverInProcess());
}

TEST_F(DeviceTest, AvailableRefusesANullMaskAndAMissingEntry) {
  EXPECT_EQ(M716MotDevAvailable(nullptr), M716_ERR_PARAMETER_INVALID);
  platform::registry().deleteKey(kHardwareBranch);
  std::uint32_t mask = 0;
  EXPECT_EQ(M716MotDevAvailable(&mask), M716_ERR_READ_REGISTRY);
}

TEST_F(DeviceTest, RawPortsOfABoardNeverOpenedTouchNothingFreshProcess) {
  std::uint16_t word = 0x1234;
  EXPECT_EQ(M716_InpWord(0, 22, &word), 1u);
  EXPECT_EQ(word, 0xFFFF);  // an empty slot
  word = 0x1234;
  EXPECT_EQ(M716_InpWord(16, 22, &word), 1u);
  EXPECT_EQ(word, 0x1234);
  EXPECT_EQ(M716_InpWord(0, 22, nullptr), 1u);
  EXPECT_EQ(M716_OutpWord(0, 22, 5), 1u);

  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  EXPECT_EQ(M716_OutpWord(0, 22, 9), 1u);
  EXPECT_EQ(M716_InpWord(0, 22, &word), 1u);
  EXPECT_EQ(word, 9);
}

// Board 1 declared at an address with an interrupt number while board 0, at 0x300 with IRQ 5,
// is open and has its X counter at 1234.
struct InterruptCase {
  std::uint32_t base;
  std::uint32_t irq;
  std::uint32_t result;
};

void PrintTo(const InterruptCase& c, std::ostream* out) {
  *out << "base 0x" << std::hex << c.base << ", IRQ " << std::dec << c.irq;
}

class InterruptNumbers : public ClosedAfterTest,
                         public ::testing::WithParamInterface<InterruptCase> {};

TEST_P(InterruptNumbers, OutsideFourToFifteenAreRefusedBeforeTheBoardIsTouched) {
  const InterruptCase c = GetParam();
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  ASSERT_EQ(M716SetTheorecticalRegister(0, 1, 1234), M716_OK);
  installBoard(1, c.base, c.irq);
  EXPECT_EQ(M716MotDevOpen(1), c.result);
  if (c.result == M716_OK) return;
  std::int32_t position = 0;
  ASSERT_EQ(M716GetTheorecticalRegister(0, 1, &position), M716_OK);
  EXPECT_EQ(position, 1234);  // the chip at 0x300 was not reset
  std::uint16_t word = 0;
  M716_InpWord(0, 22, &word);
  EXPECT_EQ(word, 5);  // nor its IRQ selection written
  M716_InpWord(1, 22, &word);
  EXPECT_EQ(word, 0xFFFF);  // board 1 stays unbound
  std::uint32_t mask = 0;
  ASSERT_EQ(M716MotDevAvailable(&mask), M716_OK);
  EXPECT_EQ(mask, 0x1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InterruptNumbers,
    ::testing::Values(InterruptCase{0x340, 0xFFFF, M716_ERR_DEVICE_ABSENT},  // nothing there
                      InterruptCase{0x300, 0xFFFF, M716_ERR_DEVICE_ABSENT},
                      InterruptCase{0x300, 0, M716_ERR_DEVICE_ABSENT},
                      InterruptCase{0x300, 3, M716_ERR_DEVICE_ABSENT},
                      InterruptCase{0x300, 16, M716_ERR_DEVICE_ABSENT},
                      InterruptCase{0x300, 4, M716_OK}, InterruptCase{0x300, 15, M716_OK}));

// A board never opened holds the defaults it would be opened with (multiplier 1): its speed
// parameters take what fits them and refuse what does not.
struct UnopenedWrite {
  std::uint32_t id;
  std::uint32_t value;
  std::uint32_t result;
};

void PrintTo(const UnopenedWrite& w, std::ostream* out) {
  *out << "0x" << std::hex << w.id << " = " << std::dec << w.value;
}

class WritesToABoardNeverOpened : public InstalledBoardTest,
                                  public ::testing::WithParamInterface<UnopenedWrite> {};

TEST_P(WritesToABoardNeverOpened, AreCheckedAgainstItsDefaults) {
  const UnopenedWrite w = GetParam();
  EXPECT_EQ(M716MotWrReg(0, 1, w.id, w.value), w.result);
  std::uint32_t stored = 0;
  ASSERT_EQ(M716MotRdReg(0, 1, w.id, &stored), M716_OK);
  if (w.result == M716_OK) {
    EXPECT_EQ(stored, w.value);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WritesToABoardNeverOpened,
    ::testing::Values(UnopenedWrite{0x301, 1000, M716_OK}, UnopenedWrite{0x302, 1000, M716_OK},
                      UnopenedWrite{0x303, 1000, M716_OK}, UnopenedWrite{0x304, 125, M716_OK},
                      UnopenedWrite{0x305, 1'000'000, M716_OK}, UnopenedWrite{0x306, 954, M716_OK},
                      UnopenedWrite{0x301, 8001, M716_ERR_SV_OVER},
                      UnopenedWrite{0x302, 8001, M716_ERR_DV_OVER},
                      UnopenedWrite{0x303, 8001, M716_ERR_MDV_OVER},
                      UnopenedWrite{0x304, 1'000'001, M716_ERR_AC_OVER}));

}  // namespace
}  // namespace m716::test
