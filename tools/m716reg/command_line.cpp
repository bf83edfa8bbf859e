#include "command_line.h"

#include <cctype>
#include <map>

#include "key_names.h"
#include "tool_error.h"

namespace m716::reg {
namespace {

using platform::RegType;

struct Syntax {
  Operation operation;
  const char* name;
  std::size_t positionals;  // KEY, FILE or both
  bool takesValueName;
  bool takesData;
  bool takesForce;
};

constexpr Syntax kSyntaxes[] = {
    {Operation::query, "query", 1, true, false, false},
    {Operation::add, "add", 1, true, true, true},
    {Operation::remove, "delete", 1, true, false, true},
    {Operation::exportKey, "export", 2, false, false, false},
    {Operation::importFile, "import", 1, false, false, false},
};

// The options as given; anything else on the line is a positional argument, which lets
// FILE be an absolute path starting with '/'.
struct Options {
  std::vector<std::string> positionals;
  std::map<std::string, std::string> withData;  // "/v", "/t", "/d" -> their argument
  bool force = false;
};

std::string lowercase(std::string text) {
  for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

const Syntax& syntaxOf(const std::string& operation) {
  for (const auto& syntax : kSyntaxes) {
    if (equalsIgnoringCase(operation, syntax.name)) return syntax;
  }
  throw ToolError(kInvalidSyntax);
}

Options collectOptions(const std::vector<std::string>& arguments) {
  Options options;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string option = lowercase(arguments[i]);
    if (option == "/v" || option == "/t" || option == "/d") {
      if (i + 1 == arguments.size() || options.withData.contains(option)) {
        throw ToolError(kInvalidSyntax);
      }
      options.withData[option] = arguments[++i];
    } else if (option == "/f") {
      if (options.force) throw ToolError(kInvalidSyntax);
      options.force = true;
    } else {
      options.positionals.push_back(arguments[i]);
    }
  }
  return options;
}

void checkAllowed(const Syntax& syntax, const Options& options) {
  const bool hasName = options.withData.contains("/v");
  const bool hasData = options.withData.contains("/t") || options.withData.contains("/d");
  if (options.positionals.size() != syntax.positionals || (hasName && !syntax.takesValueName) ||
      (hasData && !syntax.takesData) || (hasData && !hasName) ||
      (options.force && !syntax.takesForce)) {
    throw ToolError(kInvalidSyntax);
  }
}

std::string keyPathArgument(const std::string& argument) {
  auto path = keyPathOf(argument);
  if (!path) {
    throw ToolError("ERROR: Invalid key name '" + argument +
                    "': it must start with HKLM\\ or HKEY_LOCAL_MACHINE\\.");
  }
  return *path;
}

RegType typeArgument(const std::string& argument) {
  if (equalsIgnoringCase(argument, "REG_SZ")) return RegType::string;
  if (equalsIgnoringCase(argument, "REG_DWORD")) return RegType::dword;
  throw ToolError("ERROR: Invalid type '" + argument + "': use REG_DWORD or REG_SZ.");
}

// /t defaults to REG_SZ; a DWORD without /d is 0.
platform::RegValue valueArgument(const Options& options) {
  platform::RegValue value;
  const auto type = options.withData.find("/t");
  const auto data = options.withData.find("/d");
  value.type = type == options.withData.end() ? RegType::string : typeArgument(type->second);
  const std::string text = data == options.withData.end() ? "" : data->second;
  if (value.type == RegType::string) {
    value.text = text;
    return value;
  }
  const auto number =
      data == options.withData.end() ? std::optional<std::uint32_t>(0) : parseDword(text);
  if (!number) {
    throw ToolError("ERROR: Invalid DWORD data '" + text +
                    "': give a decimal number or 0x and hexadecimal digits, at most 0xFFFFFFFF.");
  }
  value.dword = *number;
  return value;
}

}  // namespace

Command parseCommandLine(const std::vector<std::string>& arguments) {
  Command command;
  if (arguments.size() == 1 && arguments[0] == "/?") return command;
  if (arguments.empty()) throw ToolError(kInvalidSyntax);
  const Syntax& syntax = syntaxOf(arguments[0]);
  const Options options = collectOptions(arguments);
  checkAllowed(syntax, options);

  command.operation = syntax.operation;
  command.force = options.force;
  if (syntax.operation == Operation::importFile) {
    command.file = options.positionals[0];
    return command;
  }
  command.keyPath = keyPathArgument(options.positionals[0]);
  if (syntax.operation == Operation::exportKey) command.file = options.positionals[1];
  if (const auto name = options.withData.find("/v"); name != options.withData.end()) {
    command.valueName = name->second;
    command.value = valueArgument(options);
  }
  return command;
}

const char* usageText() {
  return "Usage:\n"
         "  m716reg query KEY [/v NAME]\n"
         "  m716reg add KEY [/v NAME /t REG_DWORD|REG_SZ /d DATA] [/f]\n"
         "  m716reg delete KEY [/v NAME] [/f]\n"
         "  m716reg export KEY FILE\n"
         "  m716reg import FILE\n"
         "KEY starts with HKLM\\ or HKEY_LOCAL_MACHINE\\. DWORD data is decimal or 0x followed\n"
         "by hexadecimal digits. The store is $M716_REGISTRY when set, else\n"
         "/var/lib/m716/registry.db once the package made its folder, else\n"
         "~/.local/state/m716/registry.db.\n";
}

}  // namespace m716::reg
