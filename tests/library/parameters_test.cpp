// The board's parameters in the registry: created with defaults, reloaded, saved.

#include <gtest/gtest.h>

#include "KRVM716.h"
#include "installed_board.h"

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

using ParametersTest = InstalledBoardTest;

TEST_F(ParametersTest, FirstOpenCreatesEveryValueWithItsDefault) {
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  EXPECT_EQ(valueCount(parameterKey(0)), 7u);
  EXPECT_EQ(subkeyCount(parameterKey(0)), 4u);
  for (const char* axis : kAxes) EXPECT_EQ(valueCount(parameterKey(0, axis)), 22u) << axis;

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

TEST_F(ParametersTest, AFailedSaveLeavesTheStoreAsItWas) {
  ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  deleteValue(parameterKey(0, "Xaxis"), "AC");
  platform::registry().deleteKey(parameterKey(0, "Zaxis"));
  EXPECT_EQ(M716MotSavePara(0, 5), M716_ERR_OPEN_REGISTRY);
  EXPECT_FALSE(hasValue(parameterKey(0, "Xaxis"), "AC"));
}

TEST_F(ParametersTest, SaveChecksItsArgumentsAndNeedsTheKeys) {
  EXPECT_EQ(M716MotSavePara(16, 0), M716_ERR_BOARD_NUMBER);
  EXPECT_EQ(M716MotSavePara(0, 16), M716_ERR_AXIS_NUMBER);
  EXPECT_EQ(M716MotSavePara(0, 1), M716_ERR_OPEN_REGISTRY);  // never opened: no keys yet
  EXPECT_EQ(M716MotSavePara(0, 0), M716_ERR_OPEN_REGISTRY);
}

}  // namespace
}  // namespace m716::test
