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
  throw UnknownCommand(operation);
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
  if (arguments.size() == 1 &&
      (arguments[0] == "/?" || arguments[0] == "-h" || arguments[0] == "--help"))
    return command;
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
  return "Usage: m716reg query KEY [/v NAME]\n"
         "  or:  m716reg add KEY [/v NAME /t REG_DWORD|REG_SZ /d DATA] [/f]\n"
         "  or:  m716reg delete KEY [/v NAME] [/f]\n"
         "  or:  m716reg export KEY FILE\n"
         "  or:  m716reg import FILE\n"
         "The registry store of the M716 motion software, in the syntax of the Windows\n"
         "registry tool: query lists a key's values and subkeys, add writes a key or value,\n"
         "delete removes one, export writes a key with everything below it to a .reg file\n"
         "(REGEDIT4), import writes such a file back in one transaction.\n"
         "\nKEY starts with HKLM\\ or HKEY_LOCAL_MACHINE\\. Operations and options are\n"
         "case-insensitive, and so are key and value names. Exit status: 0 on success, 1\n"
         "with a one-line message otherwise, 2 for a command m716reg does not know.\n"
         "\nOptions:\n"
         "  /v NAME           the value (\"\" is the key's default value)\n"
         "  /t TYPE           its type, REG_DWORD or REG_SZ (REG_SZ unless given)\n"
         "  /d DATA           its data; for REG_DWORD decimal or 0x followed by hexadecimal\n"
         "                    digits, up to 0xFFFFFFFF (negative numbers as their 32-bit\n"
         "                    two's complement)\n"
         "  /f                overwrite or delete without asking\n"
         "  -h, --help, /?    show this help and exit\n"
         "      --version     show the version and exit\n"
         "\nEnvironment:\n"
         "  M716_REGISTRY     the registry store to use; without it the store is\n"
         "                    /var/lib/m716/registry.db once the package made its folder,\n"
         "                    else ~/.local/state/m716/registry.db\n";
}

}  // namespace m716::reg
