#include "reg_file.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <ostream>
#include <vector>

#include "key_contents.h"
#include "key_names.h"
#include "tool_error.h"

namespace m716::reg {
namespace {

using platform::RegKey;
using platform::RegStatus;
using platform::RegType;
using platform::RegValue;

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kUnicodeHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kDwordPrefix = "dword:";

// One instruction of a .reg file.
struct RegFileEntry {
  enum class Kind { key, deleteKey, value, deleteValue };
  Kind kind;
  std::string keyPath;  // below HKEY_LOCAL_MACHINE; for values, the key they belong to
  RegValue value;       // for Kind::value, and the name for Kind::deleteValue
};

// ---- Writing

std::string quoted(std::string_view text) {
  std::string result = "\"";
  for (const char c : text) {
    if (c == '\\' || c == '"') result += '\\';
    result += c;
  }
  return result + '"';
}

std::string valueLine(const RegValue& value) {
  std::string line = value.name.empty() ? "@" : quoted(value.name);
  if (value.type == RegType::string) return line + '=' + quoted(value.text);
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08x", value.dword);
  return line + '=' + std::string(kDwordPrefix) + digits;
}

// Depth first in the store's order, each subkey opened from its parent: a key costs the same
// however deep it lies, and the depth of the tree needs no stack.
void exportTree(RegKey top, std::ostream& out) {
  struct Level {
    RegKey key;
    std::vector<std::string> subkeys;
    std::size_t next = 0;
  };
  std::vector<Level> levels;
  const auto enter = [&](RegKey key) {
    out << '[' << fullKeyName(key.path()) << "]\n";
    for (const RegValue& value : valuesOf(key)) out << valueLine(value) << '\n';
    out << '\n';
    auto subkeys = subkeysOf(key);
    levels.push_back({std::move(key), std::move(subkeys)});
  };
  enter(std::move(top));
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.next == level.subkeys.size()) {
      levels.pop_back();
      continue;
    }
    RegKey subkey;
    check(level.key.openKey(level.subkeys[level.next++], subkey));
    enter(std::move(subkey));
  }
}

// ---- Reading

void appendUtf8(std::string& text, std::uint32_t codePoint) {
  if (codePoint < 0x80) {
    text += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    text += static_cast<char>(0xC0 | (codePoint >> 6));
    text += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    text += static_cast<char>(0xE0 | (codePoint >> 12));
    text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | (codePoint >> 18));
    text += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

// UTF-16 little-endian, as the Windows registry editor saves, to UTF-8.
std::string fromUtf16(std::string_view bytes) {
  std::string text;
  const auto unitAt = [&](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]) |
                                      static_cast<unsigned char>(bytes[i + 1]) << 8);
  };
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    std::uint32_t unit = unitAt(i);
    const bool pairFollows = unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size();
    if (pairFollows) {
      unit = 0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 2) - 0xDC00);
      i += 2;
    }
    appendUtf8(text, unit);
  }
  return text;
}

std::string decodeText(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE")) return fromUtf16(bytes.substr(2));
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  return std::string(bytes);
}

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// A string in double quotes with \\ and \" escaped; moves `text` past it.
std::optional<std::string> takeQuoted(std::string_view& text) {
  if (!text.starts_with('"')) return std::nullopt;
  std::string result;
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] == '"') {
      text.remove_prefix(i + 1);
      return result;
    }
    if (text[i] == '\\' && i + 1 < text.size()) ++i;
    result += text[i];
  }
  return std::nullopt;  // no closing quote
}

class RegFileParser {
 public:
  explicit RegFileParser(const std::string& fileName) : fileName_(fileName) {}

  std::vector<RegFileEntry> parse(std::string_view text) {
    bool sawHeader = false;
    for (std::size_t start = 0; start < text.size(); ++lineNumber_) {
      const auto end = std::min(text.find('\n', start), text.size());
      const auto line = trimmed(text.substr(start, end - start));
      start = end + 1;
      if (line.empty() || line.starts_with(';')) continue;
      if (!sawHeader) {
        if (line != kHeader && line != kUnicodeHeader) fail("not a registry file");
        sawHeader = true;
      } else if (line.starts_with('[')) {
        parseKeyLine(line);
      } else {
        parseValueLine(line);
      }
    }
    if (!sawHeader) fail("not a registry file");
    return std::move(entries_);
  }

 private:
  [[noreturn]] void fail(const std::string& reason) const {
    throw ToolError("ERROR: " + fileName_ + " line " + std::to_string(lineNumber_) + ": " + reason +
                    ".");
  }

  void parseKeyLine(std::string_view line) {
    if (!line.ends_with(']')) fail("a key name must end with ]");
    line = line.substr(1, line.size() - 2);
    const bool deletion = line.starts_with('-');
    if (deletion) line.remove_prefix(1);
    auto path = keyPathOf(line);
    if (!path) fail("keys must be under HKEY_LOCAL_MACHINE");
    add(deletion ? RegFileEntry::Kind::deleteKey : RegFileEntry::Kind::key, *path, {});
    currentKey_ = deletion ? std::nullopt : std::move(path);
  }

  void parseValueLine(std::string_view line) {
    if (!currentKey_) fail("a value must follow the name of its key");
    RegValue value;
    if (line.starts_with('@')) {
      line.remove_prefix(1);
    } else if (auto name = takeQuoted(line)) {
      value.name = std::move(*name);
    } else {
      fail("a value name must be @ or in double quotes");
    }
    line = trimmed(line);
    if (!line.starts_with('=')) fail("= must follow the value name");
    line = trimmed(line.substr(1));
    if (line == "-") return add(RegFileEntry::Kind::deleteValue, *currentKey_, std::move(value));
    parseData(line, value);
    add(RegFileEntry::Kind::value, *currentKey_, std::move(value));
  }

  void parseData(std::string_view data, RegValue& value) {
    if (auto text = takeQuoted(data)) {
      if (!trimmed(data).empty()) fail("text follows the closing quote");
      value.type = RegType::string;
      value.text = std::move(*text);
      return;
    }
    if (data.size() < kDwordPrefix.size() ||
        !equalsIgnoringCase(data.substr(0, kDwordPrefix.size()), kDwordPrefix)) {
      fail("only dword and string values are supported");
    }
    const auto number = parseHexDword(data.substr(kDwordPrefix.size()));
    if (!number) fail("dword data must be 1 to 8 hexadecimal digits");
    value.type = RegType::dword;
    value.dword = *number;
  }

  void add(RegFileEntry::Kind kind, const std::string& keyPath, RegValue value) {
    entries_.push_back({kind, keyPath, std::move(value)});
  }

  const std::string& fileName_;
  std::vector<RegFileEntry> entries_;
  std::optional<std::string> currentKey_;
  std::size_t lineNumber_ = 1;
};

// Deleting what is not there is no error: the file describes the state wanted.
void apply(const RegFileEntry& entry, platform::RegistryStore& store, RegKey& current) {
  switch (entry.kind) {
    case RegFileEntry::Kind::key:
      check(store.createKey(entry.keyPath, current));
      break;
    case RegFileEntry::Kind::deleteKey:
      if (const auto status = store.deleteKey(entry.keyPath); status != RegStatus::notFound) {
        check(status);
      }
      break;
    case RegFileEntry::Kind::value:
      check(current.setValue(entry.value.name, entry.value));
      break;
    case RegFileEntry::Kind::deleteValue:
      if (const auto status = current.deleteValue(entry.value.name);
          status != RegStatus::notFound) {
        check(status);
      }
      break;
  }
}

}  // namespace

void exportRegFile(platform::RegistryStore& store, const std::string& keyPath, std::ostream& out) {
  platform::RegTransaction snapshot(store, platform::RegTransaction::Kind::snapshot);
  RegKey top;
  check(store.openKey(keyPath, top));
  out << kHeader << "\n\n";
  exportTree(std::move(top), out);
}

void importRegFile(std::string_view bytes, const std::string& fileName,
                   platform::RegistryStore& store) {
  const auto entries = RegFileParser(fileName).parse(decodeText(bytes));
  platform::RegTransaction change(store);
  RegKey current;
  for (const auto& entry : entries) apply(entry, store, current);
  check(change.commit());
}

}  // namespace m716::reg
