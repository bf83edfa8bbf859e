// The error texts and the string table map.

#include "m716/error_texts.h"

#include <gtest/gtest.h>

#include <string>

namespace m716 {
namespace {

TEST(ErrorTexts, EachGroupOfCodesMapsToItsStringIdentifiers) {
  const std::pair<std::uint32_t, std::uint32_t> map[] = {{1, 1},   {38, 38}, {48, 40}, {50, 42},
                                                         {64, 44}, {67, 47}, {80, 49}, {87, 56},
                                                         {96, 58}, {98, 60}};
  for (auto [code, id] : map) EXPECT_EQ(errorStringId(code), id) << code;
}

TEST(ErrorTexts, CodesWithoutATextAreUndefined) {
  for (std::uint32_t code : {0u, 39u, 47u, 49u, 51u, 63u, 68u, 79u, 88u, 95u, 99u, 0xFFFFFFFFu})
    EXPECT_STREQ(errorText(code), "Undefined Error Message") << code;
}

TEST(ErrorTexts, TextsAreTheSystemsOwn) {
  EXPECT_STREQ(errorText(1), "The assigned Board number error");
  EXPECT_STREQ(errorText(24), errorText(29));
  EXPECT_STREQ(errorText(25), errorText(30));
  EXPECT_STREQ(errorText(36), "Return Home process be stopped by M716MotStop function");
  EXPECT_STREQ(errorText(48), "System return error when create IRQ event");
  EXPECT_STREQ(errorText(67), "Return home process be stopped by ALARM signal input");
  EXPECT_STREQ(errorText(80), "System return error when buffer allocate");
  EXPECT_STREQ(errorText(87), "Path type is not IPO_L2, IPO_L3, IPO_CW or IPO_CCW");
  EXPECT_STREQ(errorText(97), "Buffer contain only one data");
  EXPECT_STREQ(errorText(98), "Device not in the system");
}

TEST(ErrorTexts, UnusedStringIdentifiersHoldABlank) {
  for (std::uint32_t id : {39u, 41u, 43u, 48u, 57u}) EXPECT_STREQ(stringTableText(id), " ") << id;
  EXPECT_STREQ(stringTableText(68), "");
}

TEST(ErrorTexts, TheUtilitysOwnTextsFollowTheErrorTexts) {
  EXPECT_STREQ(stringTableText(kNoAxisSelected), "No axis is selected, please select axis first");
  EXPECT_STREQ(stringTableText(kNoBoardSelected), "No board is selected");
  EXPECT_STREQ(stringTableText(kHelpFile), "For detail information, please refer to MCB716.chm");
  EXPECT_STREQ(stringTableText(kSaveToRegistryQuestion),
               "It will change the Board settings and save the parameters to the system registry");
  EXPECT_STREQ(stringTableText(kMonitorsForReference),
               "These two monitor chart is for reference only");
  EXPECT_STREQ(stringTableText(kChangeRegisterQuestion),
               "Do you want do change the register value ?");
}

}  // namespace
}  // namespace m716
