// The registry tool: queries, sets and deletes keys and values of the
// platform prefix's registry, and exports and imports trees as REGEDIT4
// text. Text on the terminal and in files is UTF-8; the registry holds code
// page 932. This is how a person registers the player's path, e.g.
//   winreg set 'HKCU\Software\TOSKA\KORU' @ sz 'C:\KORU\KORU.EXE'
#include "tools/Winreg.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Errors.h"
#include "platform/Registry.h"
#include "platform/Text.h"

using namespace win;

namespace {

constexpr int kExitFailed = 1;  // the registry refused or lacks what was asked for
constexpr int kExitUsage = 2;   // the command line or the input file is wrong

constexpr const char* kUsage =
    "usage: winreg query KEY [VALUE]\n"
    "       winreg set KEY VALUE TYPE DATA\n"
    "       winreg delete KEY [VALUE]\n"
    "       winreg export KEY FILE\n"
    "       winreg import FILE\n"
    "\n"
    "KEY    HKEY_CLASSES_ROOT (HKCR), HKEY_CURRENT_USER (HKCU), HKEY_LOCAL_MACHINE (HKLM)\n"
    "       or HKEY_USERS (HKU), followed by \\subkey\\...\n"
    "VALUE  a value name; @ or \"\" is the key's default value\n"
    "TYPE   sz, expand_sz, multi_sz (items separated by \\0), dword (decimal or 0x...),\n"
    "       binary (hex bytes, e.g. 01,a0,ff)\n"
    "FILE   REGEDIT4 text in UTF-8; - is standard input or output\n"
    "\n"
    "delete without VALUE removes the key with everything below it. import applies\n"
    "the whole file or, when any of it is refused, nothing. The registry is the one\n"
    "of the platform prefix ($LOZG_PREFIX).\n";

struct ToolError {
  int exitCode;
  std::string message;
};

[[noreturn]] void Fail(int exitCode, const std::string& message) { throw ToolError{exitCode, message}; }

std::string Reason(LONG status) {
  switch (status) {
    case ERROR_FILE_NOT_FOUND: return "not found";
    case ERROR_ACCESS_DENIED: return "access denied";
    case ERROR_KEY_DELETED: return "the key was deleted meanwhile";
    case ERROR_BAD_PATHNAME: return "not a valid key path";
    case ERROR_INVALID_PARAMETER: return "name too long or invalid";
    case ERROR_REGISTRY_CORRUPT: return "the registry database is damaged";
    case ERROR_REGISTRY_IO_FAILED: return "the registry database cannot be used";
    default: return "error " + std::to_string(status);
  }
}

void Check(LONG status, const std::string& what) {
  if (status != ERROR_SUCCESS) Fail(kExitFailed, what + ": " + Reason(status));
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

// Text of the terminal or a file in code page 932; text that has no
// counterpart there is refused rather than stored with question marks.
std::string ToAnsi(std::string_view utf8) {
  std::string ansi = Utf8ToAnsi(utf8);
  if (AnsiToUtf8(ansi) != utf8) Fail(kExitUsage, "\"" + std::string(utf8) + "\" cannot be written in code page 932");
  return ansi;
}

bool RoundTrips(std::string_view ansi) { return Utf8ToAnsi(AnsiToUtf8(ansi)) == ansi; }

struct Root {
  const char* name;
  const char* shortName;
  HKEY key;
};

const Root kRoots[] = {
    {"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},
    {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
    {"HKEY_USERS", "HKU", HKEY_USERS},
};

struct KeyName {
  const Root* root;
  std::string subKey;   // code page 932, no trailing backslash
  std::string display;  // UTF-8, the tree's full name first
};

KeyName ParseKeyName(std::string_view text) {
  size_t slash = text.find('\\');
  std::string_view rootName = text.substr(0, slash);
  std::string_view rest = slash == std::string_view::npos ? std::string_view() : text.substr(slash + 1);
  while (!rest.empty() && rest.back() == '\\') rest.remove_suffix(1);
  for (const Root& root : kRoots) {
    if (SameIgnoringCase(rootName, root.name) || SameIgnoringCase(rootName, root.shortName)) {
      std::string display = root.name;
      if (!rest.empty()) display += "\\" + std::string(rest);
      return KeyName{&root, ToAnsi(rest), display};
    }
  }
  Fail(kExitUsage, "\"" + std::string(text) + "\" does not start with HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, "
                   "HKEY_LOCAL_MACHINE or HKEY_USERS");
}

// A key handle closed when it goes.
class OpenKey {
 public:
  OpenKey() = default;
  explicit OpenKey(HKEY key) : key_(key) {}
  ~OpenKey() { Reset(); }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  void Reset(HKEY key = nullptr) {
    if (key_) RegCloseKey(key_);
    key_ = key;
  }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

HKEY Open(const KeyName& name, REGSAM access) {
  HKEY key = nullptr;
  Check(RegOpenKeyExA(name.root->key, name.subKey.c_str(), 0, access, &key), name.display);
  return key;
}

HKEY CreateKey(const KeyName& name) {
  HKEY key = nullptr;
  Check(RegCreateKeyExA(name.root->key, name.subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        name.display);
  return key;
}

std::string ValueNameArgument(std::string_view text) { return text == "@" ? std::string() : ToAnsi(text); }

std::string ValueDisplay(const std::string& name) { return name.empty() ? "@" : AnsiToUtf8(name); }

struct Value {
  std::string name;
  DWORD type;
  std::string data;
};

std::vector<Value> ReadValues(HKEY key, const std::string& display) {
  std::vector<Value> values;
  for (DWORD index = 0;;) {
    DWORD maxName = 0, maxData = 0;
    Check(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName, &maxData,
                           nullptr, nullptr),
          display);
    std::string name(maxName + 1, '\0');
    std::string data(maxData, '\0');
    DWORD nameSize = maxName + 1, dataSize = maxData, type = 0;
    LONG status = RegEnumValueA(key, index, name.data(), &nameSize, nullptr, &type,
                                reinterpret_cast<BYTE*>(data.data()), &dataSize);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status == ERROR_MORE_DATA) continue;  // grown meanwhile: measure again
    Check(status, display);
    values.push_back({name.substr(0, nameSize), type, data.substr(0, dataSize)});
    ++index;
  }
  return values;
}

std::vector<std::string> ReadSubKeys(HKEY key, const std::string& display) {
  std::vector<std::string> names;
  char name[256];
  for (DWORD index = 0;; ++index) {
    DWORD size = sizeof name;
    LONG status = RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    Check(status, display);
    names.emplace_back(name, size);
  }
  return names;
}

// REGEDIT4 notation.

std::string Quoted(std::string_view utf8) {
  std::string quoted = "\"";
  for (char c : utf8) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::string HexBytes(std::string_view bytes) {
  std::string hex;
  char digits[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(bytes[i]));
    if (i) hex += ',';
    hex += digits;
  }
  return hex;
}

DWORD DwordOf(std::string_view data) {
  DWORD value = 0;
  for (size_t i = 0; i < 4; ++i) value |= static_cast<DWORD>(static_cast<unsigned char>(data[i])) << (8 * i);
  return value;
}

std::string DwordBytes(DWORD value) {
  std::string bytes(4, '\0');
  for (size_t i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return bytes;
}

// A string value is written as quoted text only when that gives back its
// bytes exactly: one terminator, no line breaks, text that survives UTF-8.
bool IsPlainText(std::string_view data) {
  if (data.empty() || data.back() != '\0') return false;
  std::string_view text = data.substr(0, data.size() - 1);
  return text.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos && RoundTrips(text);
}

// Hexadecimal data is the value's bytes as stored, code page 932 for text.
std::string ExportedData(const Value& value) {
  if (value.type == REG_SZ && IsPlainText(value.data))
    return Quoted(AnsiToUtf8(std::string_view(value.data).substr(0, value.data.size() - 1)));
  if (value.type == REG_DWORD && value.data.size() == 4) {
    char text[16];
    std::snprintf(text, sizeof text, "dword:%08x", DwordOf(value.data));
    return text;
  }
  if (value.type == REG_BINARY) return "hex:" + HexBytes(value.data);
  char type[16];
  std::snprintf(type, sizeof type, "hex(%x):", value.type);
  return type + HexBytes(value.data);
}

std::string ExportedLine(const Value& value, const std::string& keyDisplay) {
  if (!value.name.empty() && (!RoundTrips(value.name) || value.name.find_first_of("\r\n") != std::string::npos))
    Fail(kExitFailed, keyDisplay + ": a value name cannot be written as text");
  return (value.name.empty() ? std::string("@") : Quoted(AnsiToUtf8(value.name))) + "=" + ExportedData(value);
}

// The data alone, as a query of one value prints it.
std::string DataText(const Value& value) {
  std::string_view data = value.data;
  switch (value.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      return AnsiToUtf8(data.substr(0, data.find('\0'))) + "\n";
    case REG_MULTI_SZ: {
      std::string lines;
      for (size_t start = 0; start < data.size() && data[start] != '\0';) {
        size_t end = data.find('\0', start);
        if (end == std::string_view::npos) end = data.size();
        lines += AnsiToUtf8(data.substr(start, end - start)) + "\n";
        start = end + 1;
      }
      return lines;
    }
    case REG_DWORD:
      if (data.size() == 4) return std::to_string(DwordOf(data)) + "\n";
      break;
    default:
      break;
  }
  return HexBytes(data) + "\n";
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = AsciiLower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Hex bytes separated by commas or blanks, or written together ("01a0ff").
std::optional<std::string> ParseHexBytes(std::string_view text) {
  std::string bytes;
  std::string digits;
  auto flush = [&] {
    if (digits.size() % 2) digits.insert(digits.begin(), '0');
    for (size_t i = 0; i < digits.size(); i += 2)
      bytes.push_back(static_cast<char>(HexDigit(digits[i]) * 16 + HexDigit(digits[i + 1])));
    digits.clear();
  };
  for (char c : text) {
    if (c == ',' || c == ' ' || c == '\t') {
      if (c == ',' && digits.empty() && !bytes.empty()) return std::nullopt;  // ",,"
      flush();
    } else if (HexDigit(c) >= 0) {
      digits += c;
    } else {
      return std::nullopt;
    }
  }
  flush();
  return bytes;
}

std::optional<DWORD> ParseDword(std::string_view text, int base) {
  if (base == 10 && text.size() > 2 && text[0] == '0' && AsciiLower(text[1]) == 'x') {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty() || text.size() > 10) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    int digit = HexDigit(c);
    if (digit < 0 || digit >= base) return std::nullopt;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
  }
  if (value > 0xFFFFFFFFu) return std::nullopt;
  return static_cast<DWORD>(value);
}

// The commands.

int Query(const KeyName& keyName, const std::optional<std::string>& valueArgument) {
  OpenKey key(Open(keyName, KEY_READ));
  if (valueArgument) {
    std::string name = ValueNameArgument(*valueArgument);
    DWORD type = 0, size = 0;
    std::string what = keyName.display + " " + ValueDisplay(name);
    Check(RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size), what);
    std::string data(size, '\0');
    Check(RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size),
          what);
    data.resize(size);
    std::cout << DataText(Value{name, type, data});
    return 0;
  }
  std::cout << "[" << keyName.display << "]\n";
  for (const Value& value : ReadValues(key.get(), keyName.display))
    std::cout << ExportedLine(value, keyName.display) << "\n";
  std::vector<std::string> subKeys = ReadSubKeys(key.get(), keyName.display);
  if (!subKeys.empty()) {
    std::cout << "\nsubkeys:\n";
    for (const std::string& name : subKeys) std::cout << "  " << AnsiToUtf8(name) << "\n";
  }
  return 0;
}

int Set(const KeyName& keyName, std::string_view valueArgument, std::string_view typeName, std::string_view text) {
  std::string name = ValueNameArgument(valueArgument);
  if (typeName.size() > 4 && SameIgnoringCase(typeName.substr(0, 4), "reg_")) typeName.remove_prefix(4);
  DWORD type = REG_NONE;
  std::string data;
  if (SameIgnoringCase(typeName, "sz") || SameIgnoringCase(typeName, "expand_sz")) {
    type = SameIgnoringCase(typeName, "sz") ? REG_SZ : REG_EXPAND_SZ;
    data = ToAnsi(text) + '\0';
  } else if (SameIgnoringCase(typeName, "multi_sz")) {
    type = REG_MULTI_SZ;
    for (size_t start = 0; start <= text.size();) {
      size_t end = text.find("\\0", start);
      if (end == std::string_view::npos) end = text.size();
      if (end > start) data += ToAnsi(text.substr(start, end - start)) + '\0';
      start = end + 2;
    }
    data += '\0';
  } else if (SameIgnoringCase(typeName, "dword")) {
    type = REG_DWORD;
    auto value = ParseDword(text, 10);
    if (!value) Fail(kExitUsage, "\"" + std::string(text) + "\" is not a 32-bit number");
    data = DwordBytes(*value);
  } else if (SameIgnoringCase(typeName, "binary")) {
    type = REG_BINARY;
    auto bytes = ParseHexBytes(text);
    if (!bytes) Fail(kExitUsage, "\"" + std::string(text) + "\" is not a list of hex bytes");
    data = *bytes;
  } else {
    Fail(kExitUsage, "unknown type \"" + std::string(typeName) + "\" (sz, expand_sz, multi_sz, dword, binary)");
  }
  OpenKey key(CreateKey(keyName));
  Check(RegSetValueExA(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size())),
        keyName.display + " " + ValueDisplay(name));
  return 0;
}

int Delete(const KeyName& keyName, const std::optional<std::string>& valueArgument) {
  if (valueArgument) {
    std::string name = ValueNameArgument(*valueArgument);
    OpenKey key(Open(keyName, KEY_SET_VALUE));
    Check(RegDeleteValueA(key.get(), name.c_str()), keyName.display + " " + ValueDisplay(name));
    return 0;
  }
  if (keyName.subKey.empty()) Fail(kExitUsage, "a whole tree (" + keyName.display + ") is never deleted");
  Check(RegDeleteTreeA(keyName.root->key, keyName.subKey.c_str()), keyName.display);
  return 0;
}

void ExportTree(std::ostream& out, HKEY key, const std::string& display) {
  out << "[" << display << "]\n";
  for (const Value& value : ReadValues(key, display)) out << ExportedLine(value, display) << "\n";
  out << "\n";
  for (const std::string& name : ReadSubKeys(key, display)) {
    std::string childDisplay = display + "\\" + AnsiToUtf8(name);
    HKEY child = nullptr;
    Check(RegOpenKeyExA(key, name.c_str(), 0, KEY_READ, &child), childDisplay);
    OpenKey open(child);
    ExportTree(out, child, childDisplay);
  }
}

int Export(const KeyName& keyName, const std::string& fileName) {
  OpenKey key(Open(keyName, KEY_READ));
  std::ostringstream text;
  text << "REGEDIT4\n\n";
  ExportTree(text, key.get(), keyName.display);
  if (fileName == "-") {
    std::cout << text.str();
    return 0;
  }
  std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
  out << text.str();
  out.close();
  if (!out) Fail(kExitFailed, fileName + ": cannot be written");
  return 0;
}

struct Operation {
  enum Kind { CreateKey, DeleteTree, SetValue, DeleteValue } kind;
  KeyName key;
  std::string name;
  DWORD type = REG_NONE;
  std::string data;
  int line;
};

// Reads a REGEDIT4 file whole before anything is changed, so that a file
// with a mistake changes nothing.
class RegFileParser {
 public:
  RegFileParser(std::istream& in, std::string fileName) : fileName_(std::move(fileName)) {
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines_.push_back(line);
    }
    if (!lines_.empty() && lines_[0].starts_with("\xEF\xBB\xBF")) lines_[0].erase(0, 3);
  }

  std::vector<Operation> Parse() {
    size_t i = 0;
    while (i < lines_.size() && Trim(lines_[i]).empty()) ++i;
    if (i == lines_.size() || Trim(lines_[i]) != "REGEDIT4") Error(static_cast<int>(i), "the file does not start with REGEDIT4");
    std::vector<Operation> operations;
    std::optional<KeyName> current;
    for (++i; i < lines_.size(); ++i) {
      const int number = static_cast<int>(i);
      std::string text(Trim(lines_[i]));
      if (text.empty() || text[0] == ';') continue;
      if (text[0] == '[') {
        if (text.back() != ']') Error(number, "a key line must end with ]");
        const bool deletion = text.size() > 2 && text[1] == '-';
        KeyName key = ParseKeyAt(number, text.substr(deletion ? 2 : 1, text.size() - (deletion ? 3 : 2)));
        if (deletion && key.subKey.empty()) Error(number, "a whole tree is never deleted");
        operations.push_back({deletion ? Operation::DeleteTree : Operation::CreateKey, key, {}, REG_NONE, {}, number});
        current = deletion ? std::nullopt : std::optional<KeyName>(key);
        continue;
      }
      if (!current) Error(number, "a value outside a key");
      operations.push_back(ParseValue(number, text, *current, i));
    }
    return operations;
  }

 private:
  static std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
  }

  [[noreturn]] void Error(int index, const std::string& message) const {
    Fail(kExitUsage, fileName_ + ":" + std::to_string(index + 1) + ": " + message);
  }

  KeyName ParseKeyAt(int index, std::string_view text) const {
    try {
      return ParseKeyName(text);
    } catch (const ToolError& error) {
      Error(index, error.message);
    }
  }

  std::string AnsiAt(int index, std::string_view utf8) const {
    try {
      return ToAnsi(utf8);
    } catch (const ToolError& error) {
      Error(index, error.message);
    }
  }

  // A quoted string from `text[at]` on, with \\ and \" escaped; `at` ends
  // after the closing quote.
  std::string Unquote(int index, std::string_view text, size_t& at) const {
    std::string result;
    for (++at; at < text.size(); ++at) {
      if (text[at] == '"') {
        ++at;
        return result;
      }
      if (text[at] == '\\' && at + 1 < text.size()) ++at;
      result += text[at];
    }
    Error(index, "a quoted text without its closing quote");
  }

  // `i` moves past the continuation lines of hexadecimal data.
  Operation ParseValue(int index, std::string_view text, const KeyName& key, size_t& i) const {
    Operation op{Operation::SetValue, key, {}, REG_NONE, {}, index};
    size_t at = 0;
    if (text[0] == '@') {
      at = 1;
    } else if (text[0] == '"') {
      op.name = AnsiAt(index, Unquote(index, text, at));
    } else {
      Error(index, "a value line starts with @ or a quoted name");
    }
    std::string_view rest = Trim(text.substr(at));
    if (rest.empty() || rest[0] != '=') Error(index, "= expected after the value name");
    rest = Trim(rest.substr(1));
    if (rest == "-") {
      op.kind = Operation::DeleteValue;
    } else if (!rest.empty() && rest[0] == '"') {
      size_t end = 0;
      std::string value = Unquote(index, rest, end);
      if (!Trim(rest.substr(end)).empty()) Error(index, "text after the closing quote");
      op.type = REG_SZ;
      op.data = AnsiAt(index, value) + '\0';
    } else if (rest.starts_with("dword:")) {
      auto value = rest.size() <= 14 ? ParseDword(rest.substr(6), 16) : std::nullopt;
      if (!value) Error(index, "dword: takes up to eight hex digits");
      op.type = REG_DWORD;
      op.data = DwordBytes(*value);
    } else if (rest.starts_with("hex")) {
      op.data = HexData(index, rest, op.type, i);
    } else {
      Error(index, "a value is \"text\", dword:, hex:, hex(n): or -");
    }
    return op;
  }

  std::string HexData(int index, std::string_view rest, DWORD& type, size_t& i) const {
    type = REG_BINARY;
    rest.remove_prefix(3);
    if (rest.starts_with("(")) {
      size_t close = rest.find(')');
      auto number = close == std::string_view::npos ? std::nullopt : ParseDword(rest.substr(1, close - 1), 16);
      if (!number) Error(index, "hex(n): takes a hexadecimal type number");
      type = *number;
      rest.remove_prefix(close + 1);
    }
    if (!rest.starts_with(":")) Error(index, ": expected after hex");
    std::string digits(rest.substr(1));
    while (!digits.empty() && digits.back() == '\\') {
      digits.pop_back();
      if (++i == lines_.size()) Error(index, "the data goes on past the end of the file");
      digits += Trim(lines_[i]);
    }
    auto bytes = ParseHexBytes(digits);
    if (!bytes) Error(index, "hex data is bytes separated by commas");
    return *bytes;
  }

  std::string fileName_;
  std::vector<std::string> lines_;
};

int Import(const std::string& fileName) {
  std::vector<Operation> operations;
  const std::string source = fileName == "-" ? "(standard input)" : fileName;
  if (fileName == "-") {
    operations = RegFileParser(std::cin, source).Parse();
  } else {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) Fail(kExitFailed, fileName + ": cannot be read");
    operations = RegFileParser(in, source).Parse();
  }
  // The file lands whole or not at all, even if the process is killed halfway.
  const LONG applied = detail::AsOneRegistryChange([&]() -> LONG {
    OpenKey current;
    for (const Operation& op : operations) {
      const std::string where = source + ":" + std::to_string(op.line + 1) + ": " + op.key.display;
      switch (op.kind) {
        case Operation::CreateKey: {
          HKEY key = nullptr;
          Check(RegCreateKeyExA(op.key.root->key, op.key.subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr),
                where);
          current.Reset(key);
          break;
        }
        case Operation::DeleteTree:
          current.Reset();
          if (LONG status = RegDeleteTreeA(op.key.root->key, op.key.subKey.c_str()); status != ERROR_FILE_NOT_FOUND)
            Check(status, where);
          break;
        case Operation::SetValue:
          Check(RegSetValueExA(current.get(), op.name.c_str(), 0, op.type,
                               reinterpret_cast<const BYTE*>(op.data.data()), static_cast<DWORD>(op.data.size())),
                where + " " + ValueDisplay(op.name));
          break;
        case Operation::DeleteValue:
          if (LONG status = RegDeleteValueA(current.get(), op.name.c_str()); status != ERROR_FILE_NOT_FOUND)
            Check(status, where + " " + ValueDisplay(op.name));
          break;
      }
    }
    return ERROR_SUCCESS;
  });
  Check(applied, source);
  return 0;
}

int Run(const std::vector<std::string>& args) {
  if (args.empty()) Fail(kExitUsage, "a command is missing\n" + std::string(kUsage));
  const std::string& command = args[0];
  const size_t count = args.size() - 1;
  auto optionalArgument = [&](size_t index) {
    return index < args.size() ? std::optional<std::string>(args[index]) : std::nullopt;
  };
  if (command == "help" || command == "--help" || command == "-h") {
    std::cout << kUsage;
    return 0;
  }
  if (command == "query" && (count == 1 || count == 2)) return Query(ParseKeyName(args[1]), optionalArgument(2));
  if (command == "set" && count == 4) return Set(ParseKeyName(args[1]), args[2], args[3], args[4]);
  if (command == "delete" && (count == 1 || count == 2)) return Delete(ParseKeyName(args[1]), optionalArgument(2));
  if (command == "export" && count == 2) return Export(ParseKeyName(args[1]), args[2]);
  if (command == "import" && count == 1) return Import(args[1]);
  Fail(kExitUsage, "wrong command or arguments: " + command + "\n" + std::string(kUsage));
}

}  // namespace

int RunWinreg(int argc, char** argv) {
  try {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const ToolError& error) {
    std::cout.flush();
    std::cerr << "winreg: " << error.message << (error.message.ends_with('\n') ? "" : "\n");
    return error.exitCode;
  }
}
