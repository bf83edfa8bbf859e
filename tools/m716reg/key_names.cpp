#include "key_names.h"

#include <algorithm>
#include <cctype>

namespace m716::reg {
namespace {

constexpr std::string_view kRootNames[] = {"HKEY_LOCAL_MACHINE", "HKLM"};
constexpr std::uint64_t kLargestDword = 0xFFFFFFFF;

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::optional<std::uint32_t> parseDigits(std::string_view digits, int base) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : digits) {
    const auto digit = static_cast<unsigned char>(c);
    int number = 0;
    if (std::isdigit(digit)) {
      number = c - '0';
    } else if (base == 16 && std::isxdigit(digit)) {
      number = std::tolower(digit) - 'a' + 10;
    } else {
      return std::nullopt;
    }
    value = value * base + number;
    if (value > kLargestDword) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(
      a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

std::optional<std::string> keyPathOf(std::string_view fullName) {
  for (const auto root : kRootNames) {
    if (!startsWithIgnoringCase(fullName, root)) continue;
    const auto rest = fullName.substr(root.size());
    if (rest.empty()) return std::string();
    if (rest.front() == '\\') return std::string(rest.substr(1));
  }
  return std::nullopt;
}

std::string fullKeyName(std::string_view path) {
  std::string name(kRootNames[0]);
  if (!path.empty()) name.append("\\").append(path);
  return name;
}

std::optional<std::uint32_t> parseDword(std::string_view text) {
  if (startsWithIgnoringCase(text, "0x")) return parseDigits(text.substr(2), 16);
  return parseDigits(text, 10);
}

std::optional<std::uint32_t> parseHexDword(std::string_view digits) {
  if (digits.size() > 8) return std::nullopt;
  return parseDigits(digits, 16);
}

}  // namespace m716::reg
