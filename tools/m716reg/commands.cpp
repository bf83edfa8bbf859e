#include "commands.h"

#include <cctype>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "key_contents.h"
#include "key_names.h"
#include "reg_file.h"
#include "replacement_file.h"
#include "tool_error.h"

namespace m716::reg {
namespace {

using platform::RegKey;
using platform::RegStatus;
using platform::RegType;
using platform::RegValue;

constexpr const char* kCompleted = "The operation completed successfully.";

RegKey openExisting(platform::RegistryStore& store, const std::string& path) {
  RegKey key;
  check(store.openKey(path, key));
  return key;
}

// Asks on `out` and goes on only when `in` answers y or yes, in any case.
void confirmOrCancel(const std::string& question, std::istream& in, std::ostream& out) {
  out << question << ' ' << std::flush;
  std::string answer;
  std::getline(in, answer);
  while (!answer.empty() && std::isspace(static_cast<unsigned char>(answer.back()))) {
    answer.pop_back();
  }
  out << '\n';
  if (equalsIgnoringCase(answer, "y") || equalsIgnoringCase(answer, "yes")) return;
  throw ToolError("The operation was canceled by the user.");
}

std::string shownName(const std::string& name) {
  return name.empty() ? "(Default)" : name;
}

// "    NAME    REG_DWORD    0x300" or "    NAME    REG_SZ    text".
std::string valueLine(const RegValue& value) {
  std::ostringstream line;
  line << "    " << shownName(value.name) << "    ";
  if (value.type == RegType::dword) {
    line << "REG_DWORD    0x" << std::hex << value.dword;
  } else {
    line << "REG_SZ    " << value.text;
  }
  return line.str();
}

void query(const Command& command, platform::RegistryStore& store, std::ostream& out) {
  const RegKey key = openExisting(store, command.keyPath);
  if (command.valueName) {
    RegValue value;
    check(key.queryValue(*command.valueName, value));
    out << '\n' << fullKeyName(key.path()) << '\n' << valueLine(value) << "\n\n";
    return;
  }
  out << '\n' << fullKeyName(key.path()) << '\n';
  for (const RegValue& value : valuesOf(key)) out << valueLine(value) << '\n';
  out << '\n';
  for (const std::string& subkey : subkeysOf(key)) {
    out << fullKeyName(key.path()) << '\\' << subkey << '\n';
  }
}

void add(const Command& command, platform::RegistryStore& store, std::istream& in,
         std::ostream& out) {
  RegKey key;
  if (command.valueName && !command.force && store.openKey(command.keyPath, key) == RegStatus::ok) {
    RegValue existing;
    if (key.queryValue(*command.valueName, existing) == RegStatus::ok) {
      confirmOrCancel("Value " + shownName(*command.valueName) + " exists, overwrite(Yes/No)?", in,
                      out);
    }
  }
  check(store.createKey(command.keyPath, key));
  if (command.valueName) check(key.setValue(*command.valueName, command.value));
  out << kCompleted << '\n';
}

void remove(const Command& command, platform::RegistryStore& store, std::istream& in,
            std::ostream& out) {
  RegKey key = openExisting(store, command.keyPath);
  if (command.valueName) {
    RegValue existing;
    check(key.queryValue(*command.valueName, existing));
    if (!command.force) {
      confirmOrCancel("Delete the registry value " + shownName(*command.valueName) + " (Yes/No)?",
                      in, out);
    }
    check(key.deleteValue(*command.valueName));
  } else {
    if (key.path().empty()) throw ToolError("ERROR: HKEY_LOCAL_MACHINE itself cannot be deleted.");
    if (!command.force) {
      confirmOrCancel(
          "Permanently delete the registry key " + fullKeyName(key.path()) + " (Yes/No)?", in, out);
    }
    check(store.deleteKey(key.path()));
  }
  out << kCompleted << '\n';
}

void exportTo(const Command& command, platform::RegistryStore& store, std::ostream& out) {
  if (namesStoreFile(command.file, store.file())) {
    throw ToolError("ERROR: " + command.file +
                    " is the registry store itself: export to another file.");
  }
  ReplacementFile file(command.file);
  exportRegFile(store, command.keyPath, file.stream());
  file.commit();
  out << kCompleted << '\n';
}

void importFrom(const Command& command, platform::RegistryStore& store, std::ostream& out) {
  std::ifstream file(command.file, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (!file.is_open() || file.bad()) {
    throw ToolError("ERROR: Cannot read the file " + command.file + ".");
  }
  importRegFile(bytes, command.file, store);
  out << kCompleted << '\n';
}

}  // namespace

void runCommand(const Command& command, platform::RegistryStore& store, std::istream& in,
                std::ostream& out) {
  switch (command.operation) {
    case Operation::help:
      out << usageText();
      break;
    case Operation::query:
      query(command, store, out);
      break;
    case Operation::add:
      add(command, store, in, out);
      break;
    case Operation::remove:
      remove(command, store, in, out);
      break;
    case Operation::exportKey:
      exportTo(command, store, out);
      break;
    case Operation::importFile:
      importFrom(command, store, out);
      break;
  }
}

}  // namespace m716::reg
