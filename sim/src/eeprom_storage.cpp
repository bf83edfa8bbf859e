#include "eeprom_storage.h"

#include <charconv>
#include <cstdio>
#include <sstream>

#include "configuration.h"
#include "m716/platform/registry.h"

namespace m716::sim {
namespace {

constexpr const char* kValueName = "EEPROM";

}  // namespace

Eeprom::Words parseEepromWords(const std::string& text) {
  Eeprom::Words words;
  words.fill(Eeprom::kErased);
  std::istringstream stream(text);
  std::string token;
  for (std::uint16_t& word : words) {
    if (!(stream >> token)) break;
    unsigned value = 0;
    auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value, 16);
    if (token.size() == 4 && error == std::errc{} && end == token.data() + token.size()) {
      word = static_cast<std::uint16_t>(value);
    }
  }
  return words;
}

std::string formatEepromWords(const Eeprom::Words& words) {
  std::string text;
  char digits[8];
  for (std::uint16_t word : words) {
    std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(word));
    if (!text.empty()) text += ' ';
    text += digits;
  }
  return text;
}

Eeprom::Words loadEepromWords(std::uint16_t base) {
  std::string text;
  platform::RegKey key;
  if (platform::registry().openKey(boardKeyPath(base), key) == platform::RegStatus::ok) {
    key.queryString(kValueName, text);
  }
  return parseEepromWords(text);
}

void storeEepromWords(std::uint16_t base, const Eeprom::Words& words) {
  platform::RegKey key;
  if (platform::registry().createKey(boardKeyPath(base), key) != platform::RegStatus::ok) return;
  key.setString(kValueName, formatEepromWords(words));
  key.flush();
}

}  // namespace m716::sim
