#pragma once
// Full key names as users write them ("HKLM\Software\X", "HKEY_LOCAL_MACHINE\Software\X") and
// as the tool shows them, and the other small pieces of text both the command line and
// .reg files use.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace m716::reg {

// The path below HKEY_LOCAL_MACHINE ("" for the root); nullopt for any other root key.
std::optional<std::string> keyPathOf(std::string_view fullName);
// "HKEY_LOCAL_MACHINE\<path>".
std::string fullKeyName(std::string_view path);
// Decimal or 0x-hexadecimal, at most 0xFFFFFFFF; nullopt for anything else.
std::optional<std::uint32_t> parseDword(std::string_view text);
// Exactly 1 to 8 hexadecimal digits, as .reg files write DWORD data.
std::optional<std::uint32_t> parseHexDword(std::string_view digits);
bool equalsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace m716::reg
