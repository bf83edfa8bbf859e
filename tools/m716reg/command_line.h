#pragma once
// The command line of m716reg, in the syntax of the Windows registry tool:
//   m716reg query KEY [/v NAME]
//   m716reg add KEY [/v NAME /t REG_DWORD|REG_SZ /d DATA] [/f]
//   m716reg delete KEY [/v NAME] [/f]
//   m716reg export KEY FILE
//   m716reg import FILE
// Operations and options are case-insensitive.

#include <optional>
#include <string>
#include <vector>

#include "m716/platform/registry.h"

namespace m716::reg {

enum class Operation { help, query, add, remove, exportKey, importFile };

struct Command {
  Operation operation = Operation::help;
  std::string keyPath;                   // below HKEY_LOCAL_MACHINE
  std::optional<std::string> valueName;  // /v
  platform::RegValue value;              // /t and /d, checked
  bool force = false;                    // /f
  std::string file;                      // export and import
};

// Throws ToolError with a one-line message when the command line is not valid.
Command parseCommandLine(const std::vector<std::string>& arguments);

// What `m716reg /?` prints.
const char* usageText();

}  // namespace m716::reg
