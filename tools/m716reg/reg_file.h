#pragma once
// The .reg text format:
//
//   REGEDIT4
//
//   [HKEY_LOCAL_MACHINE\Software\X]
//   "Number"=dword:00000300
//   "Text"="C:\\Path with \"quotes\""
//   @="the default value"
//
// Import also reads the "Windows Registry Editor Version 5.00" header, UTF-16 files, CRLF
// line ends, comments (;), [-KEY] to delete a key and "Name"=- to delete a value.

#include <iosfwd>
#include <string>
#include <string_view>

#include "m716/platform/registry.h"

namespace m716::reg {

// Writes the key at `keyPath` with its values and, recursively, its subkeys.
void exportRegFile(platform::RegistryStore& store, const std::string& keyPath, std::ostream& out);

// Parses the whole file first, then applies it as one change: all of it or nothing. Throws
// ToolError naming `fileName` and the line when the text is not a valid .reg file.
void importRegFile(std::string_view bytes, const std::string& fileName,
                   platform::RegistryStore& store);

}  // namespace m716::reg
