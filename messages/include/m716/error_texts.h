#pragma once
// The texts of the motion library's error codes, as the programs show them, and the string
// table through which the utility reaches them.
//
// Concurrency: pure functions over constant tables; callable from any thread.

#include <cstdint>

namespace m716 {

constexpr std::uint32_t kUndefinedErrorStringId = 61;

// The utility's own entries of the string table.
enum UtilityStringId : std::uint32_t {
  kNoAxisSelected = 62,
  kNoBoardSelected = 63,
  kHelpFile = 64,
  kSaveToRegistryQuestion = 65,
  kMonitorsForReference = 66,
  kChangeRegisterQuestion = 67,
};

// The string table identifier of an error code (61 for 0 and codes without a text).
std::uint32_t errorStringId(std::uint32_t code);
// A string table entry; identifiers without an entry give "".
const char* stringTableText(std::uint32_t id);
// The text shown for an error code: "Undefined Error Message" for 0 and unknown codes.
const char* errorText(std::uint32_t code);

}  // namespace m716
