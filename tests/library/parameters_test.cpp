// The board's parameters in the registry: created with defaults, reloaded, saved.

#include <gtest/gtest.h>

#include <map>

#include "KRVM716.h"
#include "open_board.h"
#include "support/registry_faults.h"

namespace m716::test {
namespace {

constexpr const char* kAxes[] = {"Xaxis", "Yaxis", "Zaxis", "Uaxis"};

std::uint32_t valueCount(const std::string& key) {
  platform::RegKey handle;
  if (platform::registry().openKey(key, handle) != platform::RegStatus::ok) return 0;
  platform::RegValue value;
  std::uint32_t count = 0;
  while (handle.enumValue(count, value) == platform::RegStatus::ok) ++count;
  return count;
}

std::uint32_t subkeyCount(const std::string& key) {
  platform::RegKey handle;
  if (platform::registry().openKey(key, handle) != platform::RegStatus::ok) return 0;
  std::string name;
  std::uint32_t count = 0;
  while (handle.enumKey(count, name) == platform::RegStatus::ok) ++count;
  return count;
}

// Every DWORD below `key`, by its path and name.
using StoredValues = std::map<std::string, std::uint32_t>;

void collectValues(const std::string& key, StoredValues& values) {
  platform::RegKey handle;
  ASSERT_EQ(platform::registry().openKey(key, handle), platform::RegStatus::ok) << key;
  platform::RegValue value;
  for (std::uint32_t i = 0; handle.enumValue(i, value) == platform::RegStatus::ok; ++i)
    values[key + "\\" + value.name] = value.dword;
  std::string name;
  for (std::uint32_t i = 0; handle.enumKey(i, name) == platform::RegStatus::ok; ++i)
    collectValues(key + "\\" + name, values);
}

StoredValues storedValues(const std::string& key) {
  StoredValues values;
  collectValues(key, values);
  return values;
}

void expectEveryParameterStored(std::uint32_t board) {
  EXPECT_EQ(valueCount(parameterKey(board)), 7u);
  EXPECT_EQ(subkeyCount(parameterKey(board)), 4u);
  for (const char* axis : kAxes) EXPECT_EQ(valueCount(parameterKey(board, axis)), 22u) << axis;
}

using ParametersTest = ClosedAfterTest;

TEST_F(ParametersTest, FirstOpenCreatesEveryValueWithItsDefault) {
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  expectEveryParameterStored(0);

  EXPECT_EQ(dword(parameterKey(0), "IPODV"), 6000u);
  EXPECT_EQ(dword(parameterKey(0), "IPODC"), 600'000u);
  EXPECT_EQ(dword(parameterKey(0, "Zaxis"), "RG"), 8'000'000u);
  EXPECT_EQ(dword(parameterKey(0, "Zaxis"), "Ncmp"), 0xFF676980u);
  EXPECT_EQ(dword(parameterKey(0, "Uaxis"), "NLmt"), 0x88CA6C00u);
  EXPECT_EQ(dword(parameterKey(0, "Uaxis"), "HomeP0Dir"), 1u);
}

TEST_F(ParametersTest, AMissingValueIsWrittenBackWithItsDefault) {
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  setDword(parameterKey(0, "Yaxis"), "DV", 3000);
  deleteValue(parameterKey(0, "Yaxis"), "MDV");
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  EXPECT_EQ(dword(parameterKey(0, "Yaxis"), "MDV"), 8000u);
  EXPECT_EQ(dword(parameterKey(0, "Yaxis"), "DV"), 3000u);  // stored values are kept
}

TEST_F(ParametersTest, AMissingAxisKeyFailsEveryOpenWith5) {
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  platform::registry().deleteKey(parameterKey(0, "Zaxis"));
  EXPECT_EQ(M716MotDevOpen(0), M716_ERR_READ_REGISTRY);
  EXPECT_EQ(M716MotDevOpen(0), M716_ERR_READ_REGISTRY);
}

TEST_F(ParametersTest, SavingTheGroupWritesOnlyTheGroupValues) {
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  deleteValue(parameterKey(0), "IPOAC");
  deleteValue(parameterKey(0, "Xaxis"), "RG");
  ASSERT_EQ(M716MotSavePara(0, 0), M716_OK);
  EXPECT_EQ(dword(parameterKey(0), "IPOAC"), 600'000u);
  EXPECT_FALSE(hasValue(parameterKey(0, "Xaxis"), "RG"));
}

TEST_F(ParametersTest, SavingAxesWritesOnlyTheSelectedAxisKeys) {
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  for (const char* axis : kAxes) deleteValue(parameterKey(0, axis), "AC");
  deleteValue(parameterKey(0), "IPOAC");
  ASSERT_EQ(M716MotSavePara(0, 5), M716_OK);
  EXPECT_TRUE(hasValue(parameterKey(0, "Xaxis"), "AC"));
  EXPECT_FALSE(hasValue(parameterKey(0, "Yaxis"), "AC"));
  EXPECT_TRUE(hasValue(parameterKey(0, "Zaxis"), "AC"));
  EXPECT_FALSE(hasValue(parameterKey(0, "Uaxis"), "AC"));
  EXPECT_FALSE(hasValue(parameterKey(0), "IPOAC"));
}

// Creating the defaults writes 101 times: the keys KRVM716 and Board000, the 7 group values,
// then each axis key and its 22 values.
class FailedDefaultsTest : public ClosedAfterTest,
                           public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(FailedDefaultsTest, FailTheOpenAndLeaveNoBoardKeyUntilAnOpenSucceeds) {
  platform::failRegistryWrite(GetParam());
  EXPECT_EQ(M716MotDevOpen(0), M716_ERR_CREATE_REGISTRY);
  platform::RegKey key;
  EXPECT_EQ(platform::registry().openKey(kParameterBranch, key), platform::RegStatus::notFound);

  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  expectEveryParameterStored(0);
}

// The two keys of the board, the first and last group value, the X and Y axis keys, the last
// U axis value.
INSTANTIATE_TEST_SUITE_P(OnAnyWrite, FailedDefaultsTest,
                         ::testing::Values(1, 2, 3, 9, 10, 33, 101));

// A save over a store whose every value differs from the board's: the failing write comes
// after others of the same transaction have succeeded.
struct FailedSave {
  std::uint32_t axes;
  std::uint32_t failingWrite;
};

void PrintTo(const FailedSave& save, std::ostream* out) {
  *out << "axes " << save.axes << ", write " << save.failingWrite;
}

class FailedSaveTest : public ClosedAfterTest, public ::testing::WithParamInterface<FailedSave> {};

TEST_P(FailedSaveTest, LeavesTheStoreAsItWas) {
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  for (const auto& [path, value] : storedValues(parameterKey(0))) {
    const auto split = path.rfind('\\');
    setDword(path.substr(0, split), path.substr(split + 1).c_str(), value + 1);
  }
  const StoredValues before = storedValues(parameterKey(0));

  platform::failRegistryWrite(GetParam().failingWrite);
  EXPECT_EQ(M716MotSavePara(0, GetParam().axes), M716_ERR_WRITE_REGISTRY);
  EXPECT_EQ(storedValues(parameterKey(0)), before);

  ASSERT_EQ(M716MotSavePara(0, GetParam().axes), M716_OK);  // without the fault it changes
  EXPECT_NE(storedValues(parameterKey(0)), before);
}

// The group has 7 values, each axis 22; the axes 5 are X then Z.
INSTANTIATE_TEST_SUITE_P(OnALaterWrite, FailedSaveTest,
                         ::testing::Values(FailedSave{0, 2}, FailedSave{0, 7}, FailedSave{5, 2},
                                           FailedSave{5, 23}, FailedSave{5, 44},
                                           FailedSave{15, 88}));

TEST_F(ParametersTest, SaveChecksItsArgumentsAndNeedsTheKeys) {
  EXPECT_EQ(M716MotSavePara(16, 0), M716_ERR_BOARD_NUMBER);
  EXPECT_EQ(M716MotSavePara(0, 16), M716_ERR_AXIS_NUMBER);
  EXPECT_EQ(M716MotSavePara(0, 1), M716_ERR_OPEN_REGISTRY);  // never opened: no keys yet
  EXPECT_EQ(M716MotSavePara(0, 0), M716_ERR_OPEN_REGISTRY);
}

}  // namespace
}  // namespace m716::test
