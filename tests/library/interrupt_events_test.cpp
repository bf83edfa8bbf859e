// Interrupt events through the public API on the simulated board: every factor that occurred
// is reported once, by one M716MotCheckEvent, however many interrupts and reads of the chip's
// factors came in between. And the compare values the interrupt block keeps for the driver
// and the register reads: always the values in force.

#include <chrono>
#include <future>
#include <ostream>
#include <thread>

#include "m716/board/registers.h"
#include "open_board.h"

namespace m716::test {
namespace {

constexpr std::uint32_t kX = 1, kY = 2, kZ = 4, kU = 8;
constexpr std::uint32_t kPulse = 0x01, kReachedCompPlus = 0x10, kDriveEnd = 0x80;

// The event word of one poll, taken once nothing moves any more.
std::uint32_t pollEvents() {
  std::uint32_t word = 0xDEADBEEF;
  EXPECT_EQ(M716MotCheckEvent(0, &word, 0), M716_OK);
  return word;
}

// Starts a continuous linear interpolation of Z and U through the raw ports: the chip raises
// its interpolation interrupt, whose service finds no axis factor pending.
void startContinuousInterpolationOfZAndU() {
  constexpr std::uint16_t kZThenU = 2 | 3 << 2, kContinuous = 1 << 14;
  for (std::uint32_t axis : {kZ, kU}) {
    M716_OutpWord(0, chip::WR6, 5000);
    M716_OutpWord(0, chip::WR7, 0);
    M716_OutpWord(0, chip::WR0, chip::commandWord(axis, chip::SetOutputPulses));
  }
  M716_OutpWord(0, chip::WR5, kZThenU | kContinuous);
  M716_OutpWord(0, chip::WR0, chip::commandWord(0, chip::InterpolateLine2));
}

struct FactorSequence {
  const char* name;
  std::uint32_t enables[4];  // the interrupt enables of X, Y, Z, U
  void (*happen)();          // what raises the factors, on the frozen clock
  std::uint32_t word;        // what one poll afterwards reports
};
void PrintTo(const FactorSequence& sequence, std::ostream* out) {
  *out << sequence.name;
}

class FactorSequenceTest : public OpenBoardTest,
                           public ::testing::WithParamInterface<FactorSequence> {
 public:
  // Two drives ending one after the other, each with its own interrupt.
  static void xAndYEndOneAfterTheOther() {
    ASSERT_EQ(M716MoveIns(0, kX, 1000), M716_OK);
    ASSERT_EQ(M716MoveIns(0, kY, 1300), M716_OK);
    ASSERT_TRUE(finishes(kX | kY, 5));
  }
  // P >= COMP+ halfway, then the drive end.
  static void xPassesCompPlusThenEnds() {
    ASSERT_EQ(M716SetCompPLimit(0, kX, 500), M716_OK);
    ASSERT_EQ(M716MoveIns(0, kX, 1000), M716_OK);
    ASSERT_TRUE(finishes(kX, 5));
  }
  // Drive ends, then interrupts of the interpolation with no axis factor.
  static void driveEndsThenInterruptsWithoutFactors() {
    xAndYEndOneAfterTheOther();
    startContinuousInterpolationOfZAndU();
    M716SimAdvance(0.05);
    ASSERT_EQ(M716MotAxisBusy(0, kZ), M716_ERR_AXIS_BUSY) << "the interpolation runs";
    ASSERT_EQ(M716MotStop(0, kZ | kU, 0), M716_OK);
    ASSERT_TRUE(finishes(kZ | kU, 5));
  }
};

TEST_P(FactorSequenceTest, OnePollReportsEveryFactorOnceAndTheNextNone) {
  const FactorSequence& sequence = GetParam();
  const auto& e = sequence.enables;
  ASSERT_EQ(M716MotEnableEvent(0, kX | kY | kZ | kU, e[0], e[1], e[2], e[3]), M716_OK);
  sequence.happen();
  EXPECT_EQ(pollEvents(), sequence.word);
  EXPECT_EQ(pollEvents(), 0u);
}

using F = FactorSequenceTest;
INSTANTIATE_TEST_SUITE_P(Sequences, FactorSequenceTest,
                         ::testing::Values(FactorSequence{"TwoDriveEnds",
                                                          {kDriveEnd, kDriveEnd, 0, 0},
                                                          F::xAndYEndOneAfterTheOther,
                                                          0x8080},
                                           FactorSequence{"CompareThenDriveEnd",
                                                          {kReachedCompPlus | kDriveEnd, 0, 0, 0},
                                                          F::xPassesCompPlusThenEnds,
                                                          0x90},
                                           FactorSequence{"InterruptsWithoutFactors",
                                                          {kDriveEnd, kDriveEnd, 0, 0},
                                                          F::driveEndsThenInterruptsWithoutFactors,
                                                          0x8080}),
                         [](const auto& info) { return std::string(info.param.name); });

// The exported reads of RR3, which clears the chip's factors as it reads them.
struct FactorReader {
  const char* name;
  std::uint32_t (*read)(std::uint32_t axis);
};
void PrintTo(const FactorReader& reader, std::ostream* out) {
  *out << reader.name;
}

class FactorReaderTest : public OpenBoardTest,
                         public ::testing::WithParamInterface<FactorReader> {};

TEST_P(FactorReaderTest, AFactorReadBeforeTheInterruptIsServedIsStillReported) {
  ASSERT_EQ(M716MotEnableEvent(0, kY, 0, kReachedCompPlus, 0, 0), M716_OK);
  ASSERT_EQ(M716SetCompPLimit(0, kY, 100), M716_OK);
  ASSERT_EQ(M716SetTheorecticalRegister(0, kY, 200), M716_OK);  // P >= COMP+ now: the line rises
  EXPECT_EQ(GetParam().read(kY), kReachedCompPlus);
  M716SimAdvance(0.01);  // the interrupt service finds the factor gone from the chip
  EXPECT_EQ(pollEvents(), kReachedCompPlus << 8);
  EXPECT_EQ(pollEvents(), 0u);
}

std::uint32_t compareState(std::uint32_t axis) {
  std::int16_t state = -1;
  EXPECT_EQ(M716GetCompareState(0, axis, &state), M716_OK);
  return static_cast<std::uint16_t>(state);
}

std::uint32_t status3Register(std::uint32_t axis) {
  std::uint32_t value = 0;
  EXPECT_EQ(M716MotRdReg(0, axis, 0x206, &value), M716_OK);
  return value & 0xFF;
}

INSTANTIATE_TEST_SUITE_P(Readers, FactorReaderTest,
                         ::testing::Values(FactorReader{"CompareState", compareState},
                                           FactorReader{"Status3Register", status3Register}),
                         [](const auto& info) { return std::string(info.param.name); });

struct CompareCase {
  const char* name;
  void (*change)();  // what sets the compare values, with board 0 open
  std::uint32_t axis, identifier;
  std::int32_t value;  // what the register then reads
};
void PrintTo(const CompareCase& compare, std::ostream* out) {
  *out << compare.name;
}

class CompareCopyTest : public OpenBoardTest, public ::testing::WithParamInterface<CompareCase> {
 public:
  static void nothing() {}
  static void storedThenOpen() {
    setDword(keys::axisKey(0, 2), "Ncmp", static_cast<std::uint32_t>(-1234));
    ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  }
  static void setPlus() { ASSERT_EQ(M716SetCompPLimit(0, kU, 777), M716_OK); }
  static void setMinus() { ASSERT_EQ(M716SetCompNLimit(0, kX, -777), M716_OK); }
  static void writeRegister() {
    ASSERT_EQ(M716MotWrMultiReg(0, kY | kZ, M716_REG_COMPARE_PLUS, 0, 41, 42, 0), M716_OK);
  }
  static void setThenReset() {
    ASSERT_EQ(M716SetCompPLimit(0, kY, 5), M716_OK);
    ASSERT_EQ(M716MotReset(0), M716_OK);
  }
};

TEST_P(CompareCopyTest, TheRegisterReadsTheValueInForce) {
  const CompareCase& compare = GetParam();
  compare.change();
  EXPECT_EQ(static_cast<std::int32_t>(readRegister(compare.axis, compare.identifier)),
            compare.value);
}

using C = CompareCopyTest;
constexpr std::uint32_t kPlus = M716_REG_COMPARE_PLUS, kMinus = M716_REG_COMPARE_MINUS;
INSTANTIATE_TEST_SUITE_P(
    Changes, CompareCopyTest,
    ::testing::Values(CompareCase{"OpenLoadsCompPlus", C::nothing, kX, kPlus, 10'000'000},
                      CompareCase{"OpenLoadsCompMinus", C::nothing, kU, kMinus, -10'000'000},
                      CompareCase{"OpenLoadsStoredValues", C::storedThenOpen, kZ, kMinus, -1234},
                      CompareCase{"SetCompPLimit", C::setPlus, kU, kPlus, 777},
                      CompareCase{"SetCompNLimit", C::setMinus, kX, kMinus, -777},
                      CompareCase{"RegisterWrite", C::writeRegister, kZ, kPlus, 42},
                      CompareCase{"ResetLoadsStoredValues", C::setThenReset, kY, kPlus,
                                  10'000'000}),
    [](const auto& info) { return std::string(info.param.name); });

struct SearchCase {
  const char* name;
  std::uint32_t type;
  std::int32_t offset;
  std::int32_t start;  // machine position
};
void PrintTo(const SearchCase& search, std::ostream* out) {
  *out << search.name;
}

// Home searches of X, the clock running at 50 times real time.
class SearchEndTest : public InstalledBoardTest, public ::testing::WithParamInterface<SearchCase> {
 protected:
  void SetUp() override {
    InstalledBoardTest::SetUp();
    M716SimSetSpeedFactor(50);
    ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  }
  void TearDown() override { EXPECT_EQ(M716MotDevClose(0), M716_OK); }

  // Waits (at most 30 s) for the search of X to end and gives its result.
  static std::int32_t searchResult() {
    std::int32_t result = M716_ERR_IN_HOME;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (result == M716_ERR_IN_HOME && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      EXPECT_EQ(M716MotHomeStatus(0, kX, &result), M716_OK);
    }
    return result;
  }
};

TEST_P(SearchEndTest, ItsOwnDriveEndsAreNotReportedOnceItIsOver) {
  const SearchCase& search = GetParam();
  ASSERT_EQ(M716MotWrReg(0, kX, M716_PAR_HOME_TYPE, search.type), M716_OK);
  ASSERT_EQ(M716MotWrReg(0, kX, M716_PAR_HOME_OFFSET, static_cast<std::uint32_t>(search.offset)),
            M716_OK);
  M716SimSetMachinePosition(kSimBase, kX, search.start);
  ASSERT_EQ(M716MotHome(0, kX), M716_OK);
  ASSERT_EQ(searchResult(), 0);
  EXPECT_EQ(pollEvents(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Searches, SearchEndTest,
                         ::testing::Values(SearchCase{"SwitchThenIndex", 0, 0, 0},
                                           SearchCase{"SwitchAndOffset", 1, 500, 0},
                                           SearchCase{"LimitAndOffset", 4, 1000, -990'000}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace m716::test
