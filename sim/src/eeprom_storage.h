#pragma once
// The contents of each board's EEPROM, kept in the registry store so that they survive the
// program: key Software\M716Simulator\Board<BASE> (as configuration.h names it), string value
// "EEPROM" holding the 64 words in address order, each as four hexadecimal digits, separated
// by single spaces ("1234 FFFF ..."). A missing value, or a word that does not read as four
// hexadecimal digits, reads as erased (0xFFFF).
//
// Concurrency: any thread; the registry store serialises its callers. Call without the
// simulator's mutex held.

#include <cstdint>
#include <string>

#include "eeprom.h"

namespace m716::sim {

Eeprom::Words parseEepromWords(const std::string& text);
std::string formatEepromWords(const Eeprom::Words& words);

Eeprom::Words loadEepromWords(std::uint16_t base);
void storeEepromWords(std::uint16_t base, const Eeprom::Words& words);

}  // namespace m716::sim
