#include "framework/SysUtils.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/Consts.h"
#include "framework/Exceptions.h"
#include "platform/Com.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Text.h"

namespace {

bool IsLead(char c) { return win::IsDBCSLeadByte(static_cast<win::BYTE>(c)); }

// The byte length of the character at `i`: a lead byte with a byte after it
// starts a double-byte character.
size_t CharSizeAt(std::string_view s, size_t i) { return IsLead(s[i]) && i + 1 < s.size() ? 2 : 1; }

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

template <class Map>
std::string MapSingleBytes(std::string_view s, Map map) {
  std::string result(s);
  for (size_t i = 0; i < result.size();) {
    const size_t n = CharSizeAt(result, i);
    if (n == 1) result[i] = map(result[i]);
    i += n;
  }
  return result;
}

// The platform's comparison of two counted texts: -1, 0 or 1.
int CompareWithPlatform(std::string_view a, std::string_view b, win::DWORD flags) {
  // An empty view may have no address; the platform wants one.
  auto chars = [](std::string_view s) { return s.data() ? s.data() : ""; };
  return win::CompareStringA(win::LOCALE_USER_DEFAULT, flags, chars(a), static_cast<int>(a.size()), chars(b),
                             static_cast<int>(b.size())) -
         win::CSTR_EQUAL;
}

// A text from a platform getter that answers its length when the text fits
// the buffer, else the size needed with the terminator; empty on failure.
template <class Getter>
std::string TextFrom(Getter get) {
  std::string buffer(win::MAX_PATH, '\0');
  for (;;) {
    const win::DWORD length = get(buffer.data(), static_cast<win::DWORD>(buffer.size()));
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    buffer.resize(length);
  }
}

win::DWORD AttributesOf(std::string_view name) { return win::GetFileAttributesA(std::string(name).c_str()); }

std::vector<std::string> CommandLineArguments() { return win::detail::SplitCommandLine(win::GetCommandLineA()); }

// The module file name is cut to fit, answering the buffer's size then.
std::string ProgramPath() {
  std::string buffer(win::MAX_PATH, '\0');
  for (;;) {
    const win::DWORD length = win::GetModuleFileNameA(nullptr, buffer.data(), static_cast<win::DWORD>(buffer.size()));
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

int CompareBytes(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int d = static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]);
    if (d != 0) return d;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

bool ContainsByte(std::string_view set, char c) { return set.find(c) != std::string_view::npos; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Hex(uint64_t value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  if (static_cast<int>(text.size()) < digits) text.insert(0, digits - text.size(), '0');
  return text;
}

}  // namespace

// ---- Double-byte characters -------------------------------------------------

TMbcsByteType StrByteType(const char* Str, size_t Index) {
  const std::string_view s = Str ? Str : "";
  if (Index >= s.size()) return mbSingleByte;
  for (size_t i = 0;;) {
    const size_t n = CharSizeAt(s, i);
    if (Index < i + n) return n == 1 ? mbSingleByte : Index == i ? mbLeadByte : mbTrailByte;
    i += n;
  }
}

TMbcsByteType ByteType(std::string_view S, int Index) {
  if (Index < 1 || static_cast<size_t>(Index) > S.size()) return mbSingleByte;
  const size_t target = static_cast<size_t>(Index) - 1;
  for (size_t i = 0;;) {
    const size_t n = CharSizeAt(S, i);
    if (target < i + n) return n == 1 ? mbSingleByte : target == i ? mbLeadByte : mbTrailByte;
    i += n;
  }
}

int CharLength(std::string_view S, int Index) {
  if (Index < 1 || static_cast<size_t>(Index) > S.size()) return 1;
  return static_cast<int>(CharSizeAt(S, static_cast<size_t>(Index) - 1));
}

int StrCharLength(const char* Str) {
  if (!Str || *Str == '\0') return 0;
  return IsLead(*Str) && Str[1] != '\0' ? 2 : 1;
}

const char* StrNextChar(const char* Str) { return Str + StrCharLength(Str); }

// ---- Integers ---------------------------------------------------------------

std::string IntToStr(int Value) { return std::to_string(Value); }
std::string IntToStr(int64_t Value) { return std::to_string(Value); }

std::string IntToHex(int Value, int Digits) { return Hex(static_cast<uint32_t>(Value), Digits); }
std::string IntToHex(int64_t Value, int Digits) { return Hex(static_cast<uint64_t>(Value), Digits); }

bool TryStrToInt(std::string_view S, int& Value) {
  size_t i = 0;
  while (i < S.size() && S[i] == ' ') ++i;
  bool negative = false;
  if (i < S.size() && (S[i] == '-' || S[i] == '+')) negative = S[i++] == '-';
  bool hex = false;
  if (i < S.size() && S[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < S.size() && S[i] == '0' && (S[i + 1] == 'x' || S[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == S.size()) return false;
  // Decimal values keep to the signed range; hexadecimal ones may use all 32 bits.
  const uint64_t limit = hex ? 0xFFFFFFFFu : negative ? 0x80000000u : 0x7FFFFFFFu;
  uint64_t magnitude = 0;
  for (; i < S.size(); ++i) {
    const int digit = hex ? HexDigit(S[i]) : (S[i] >= '0' && S[i] <= '9' ? S[i] - '0' : -1);
    if (digit < 0) return false;
    magnitude = magnitude * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    if (magnitude > limit) return false;
  }
  const auto bits = static_cast<uint32_t>(magnitude);
  Value = static_cast<int>(negative ? 0u - bits : bits);
  return true;
}

int StrToInt(std::string_view S) {
  int value = 0;
  if (!TryStrToInt(S, value)) throw EConvertError(Format(SInvalidInteger, {S}));
  return value;
}

int StrToIntDef(std::string_view S, int Default) {
  int value = 0;
  return TryStrToInt(S, value) ? value : Default;
}

// ---- Trimming and case ------------------------------------------------------

std::string Trim(std::string_view S) { return TrimRight(TrimLeft(S)); }

std::string TrimLeft(std::string_view S) {
  size_t i = 0;
  while (i < S.size() && IsBlankOrControl(S[i])) ++i;
  return std::string(S.substr(i));
}

// A trail byte is never a blank or a control character, so cutting the end
// cannot split a double-byte character.
std::string TrimRight(std::string_view S) {
  size_t n = S.size();
  while (n > 0 && IsBlankOrControl(S[n - 1])) --n;
  return std::string(S.substr(0, n));
}

std::string UpperCase(std::string_view S) { return MapSingleBytes(S, AsciiUpper); }
std::string LowerCase(std::string_view S) { return MapSingleBytes(S, AsciiLower); }
std::string AnsiUpperCase(std::string_view S) {
  std::string result(S);
  win::CharUpperBuffA(result.data(), static_cast<win::DWORD>(result.size()));
  return result;
}

std::string AnsiLowerCase(std::string_view S) {
  std::string result(S);
  win::CharLowerBuffA(result.data(), static_cast<win::DWORD>(result.size()));
  return result;
}

// ---- Comparisons ------------------------------------------------------------

int CompareStr(std::string_view S1, std::string_view S2) { return CompareBytes(S1, S2); }

int CompareText(std::string_view S1, std::string_view S2) { return CompareBytes(UpperCase(S1), UpperCase(S2)); }

int AnsiCompareText(std::string_view S1, std::string_view S2) {
  return CompareWithPlatform(S1, S2, win::NORM_IGNORECASE);
}

int AnsiCompareStr(std::string_view S1, std::string_view S2) { return CompareWithPlatform(S1, S2, 0); }

bool SameText(std::string_view S1, std::string_view S2) { return CompareText(S1, S2) == 0; }
bool AnsiSameText(std::string_view S1, std::string_view S2) { return AnsiCompareText(S1, S2) == 0; }
int AnsiCompareFileName(std::string_view S1, std::string_view S2) { return win::CompareFileNames(S1, S2); }
bool AnsiSameFileName(std::string_view S1, std::string_view S2) { return AnsiCompareFileName(S1, S2) == 0; }

// ---- Searching and replacing ------------------------------------------------

int Pos(std::string_view Substr, std::string_view S) {
  if (Substr.empty()) return 0;
  const size_t at = S.find(Substr);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

int AnsiPos(std::string_view Substr, std::string_view S) {
  if (Substr.empty()) return 0;
  for (size_t i = 0; i + Substr.size() <= S.size(); i += CharSizeAt(S, i))
    if (S.compare(i, Substr.size(), Substr) == 0) return static_cast<int>(i) + 1;
  return 0;
}

std::string StringReplace(std::string_view S, std::string_view OldPattern, std::string_view NewPattern,
                          TReplaceFlags Flags) {
  const bool ignoreCase = Flags.Contains(rfIgnoreCase);
  // Case folding keeps every byte's place, so positions found in the
  // folded texts are positions in S.
  const std::string search = ignoreCase ? AnsiUpperCase(S) : std::string(S);
  const std::string pattern = ignoreCase ? AnsiUpperCase(OldPattern) : std::string(OldPattern);
  std::string result;
  size_t from = 0;
  while (from < S.size()) {
    const int at = AnsiPos(pattern, std::string_view(search).substr(from));
    if (at == 0) break;
    const size_t match = from + static_cast<size_t>(at) - 1;
    result.append(S.substr(from, match - from));
    result.append(NewPattern);
    from = match + pattern.size();
    if (!Flags.Contains(rfReplaceAll)) break;
  }
  if (from < S.size()) result.append(S.substr(from));
  return result;
}

// ---- Quoting ----------------------------------------------------------------

std::string QuotedStr(std::string_view S) { return AnsiQuotedStr(S, '\''); }

std::string AnsiQuotedStr(std::string_view S, char Quote) {
  std::string result(1, Quote);
  for (size_t i = 0; i < S.size();) {
    const size_t n = CharSizeAt(S, i);
    if (n == 1 && S[i] == Quote) result += Quote;
    result.append(S.substr(i, n));
    i += n;
  }
  result += Quote;
  return result;
}

std::string AnsiExtractQuotedStr(std::string_view& Src, char Quote) {
  if (Src.empty() || Src[0] != Quote) return {};
  std::string result;
  size_t i = 1;
  while (i < Src.size()) {
    const size_t n = CharSizeAt(Src, i);
    if (n == 1 && Src[i] == Quote) {
      if (i + 1 < Src.size() && Src[i + 1] == Quote) {
        result += Quote;
        i += 2;
        continue;
      }
      ++i;  // the closing quote
      break;
    }
    result.append(Src.substr(i, n));
    i += n;
  }
  Src.remove_prefix(std::min(i, Src.size()));
  return result;
}

bool IsValidIdent(std::string_view Ident) {
  auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (Ident.empty() || !alpha(Ident[0])) return false;
  for (char c : Ident.substr(1))
    if (!alpha(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

// ---- Delimiters and file names ----------------------------------------------

bool IsDelimiter(std::string_view Delimiters, std::string_view S, int Index) {
  if (Index < 1 || static_cast<size_t>(Index) > S.size() || ByteType(S, Index) != mbSingleByte) return false;
  return ContainsByte(Delimiters, S[static_cast<size_t>(Index) - 1]);
}

int LastDelimiter(std::string_view Delimiters, std::string_view S) {
  int last = 0;
  for (size_t i = 0; i < S.size();) {
    const size_t n = CharSizeAt(S, i);
    if (n == 1 && ContainsByte(Delimiters, S[i])) last = static_cast<int>(i) + 1;
    i += n;
  }
  return last;
}

bool IsPathDelimiter(std::string_view S, int Index) { return IsDelimiter("\\", S, Index); }

std::string IncludeTrailingBackslash(std::string_view S) {
  std::string result(S);
  if (!IsPathDelimiter(S, static_cast<int>(S.size()))) result += '\\';
  return result;
}

std::string ExcludeTrailingBackslash(std::string_view S) {
  if (IsPathDelimiter(S, static_cast<int>(S.size()))) S.remove_suffix(1);
  return std::string(S);
}

std::string ExtractFilePath(std::string_view FileName) {
  return std::string(FileName.substr(0, static_cast<size_t>(LastDelimiter("\\:", FileName))));
}

std::string ExtractFileDir(std::string_view FileName) {
  int i = LastDelimiter("\\:", FileName);
  // Keep the separator of a root ("C:\", "\") and of "\\".
  if (i > 1 && FileName[static_cast<size_t>(i) - 1] == '\\' && !IsDelimiter("\\:", FileName, i - 1)) --i;
  return std::string(FileName.substr(0, static_cast<size_t>(i)));
}

std::string ExtractFileName(std::string_view FileName) {
  return std::string(FileName.substr(static_cast<size_t>(LastDelimiter("\\:", FileName))));
}

std::string ExtractFileExt(std::string_view FileName) {
  const int i = LastDelimiter(".\\:", FileName);
  if (i > 0 && FileName[static_cast<size_t>(i) - 1] == '.') return std::string(FileName.substr(static_cast<size_t>(i) - 1));
  return {};
}

std::string ExtractFileDrive(std::string_view FileName) {
  if (FileName.size() >= 2 && FileName[1] == ':' && !IsLead(FileName[0])) return std::string(FileName.substr(0, 2));
  if (FileName.size() >= 2 && FileName[0] == '\\' && FileName[1] == '\\') {
    // "\\server\share": up to the separator after the share's name.
    int separators = 0;
    size_t i = 2;
    while (i < FileName.size()) {
      const size_t n = CharSizeAt(FileName, i);
      if (n == 1 && FileName[i] == '\\' && ++separators == 2) break;
      i += n;
    }
    return std::string(FileName.substr(0, i));
  }
  return {};
}

std::string ChangeFileExt(std::string_view FileName, std::string_view Extension) {
  const int i = LastDelimiter(".\\:", FileName);
  const bool hasExtension = i > 0 && FileName[static_cast<size_t>(i) - 1] == '.';
  std::string result(hasExtension ? FileName.substr(0, static_cast<size_t>(i) - 1) : FileName);
  result.append(Extension);
  return result;
}

std::string ExpandFileName(std::string_view FileName) {
  const std::string name(FileName);
  return TextFrom([&](win::LPSTR buffer, win::DWORD size) {
    win::LPSTR filePart = nullptr;
    return win::GetFullPathNameA(name.c_str(), size, buffer, &filePart);
  });
}

// ---- Files and folders ------------------------------------------------------

bool FileExists(std::string_view FileName) {
  const win::DWORD attributes = AttributesOf(FileName);
  return attributes != win::INVALID_FILE_ATTRIBUTES && !(attributes & win::FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(std::string_view Directory) {
  const win::DWORD attributes = AttributesOf(Directory);
  return attributes != win::INVALID_FILE_ATTRIBUTES && (attributes & win::FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDir(std::string_view Dir) { return win::CreateDirectoryA(std::string(Dir).c_str(), nullptr); }
bool RemoveDir(std::string_view Dir) { return win::RemoveDirectoryA(std::string(Dir).c_str()); }

bool ForceDirectories(std::string_view Dir) {
  std::string folder = ExpandFileName(Dir);
  if (folder.empty()) return false;
  // "C:\a\" is the folder "C:\a"; a root keeps its separator.
  if (IsPathDelimiter(folder, static_cast<int>(folder.size()))) folder = ExtractFileDir(folder);
  if (DirectoryExists(folder)) return true;
  const std::string parent = ExtractFileDir(folder);
  // A root that is no folder (an unmapped drive) ends the climb.
  return parent != folder && ForceDirectories(parent) && CreateDir(folder);
}

bool DeleteFile(std::string_view FileName) { return win::DeleteFileA(std::string(FileName).c_str()); }

bool RenameFile(std::string_view OldName, std::string_view NewName) {
  return win::MoveFileA(std::string(OldName).c_str(), std::string(NewName).c_str());
}

std::string GetCurrentDir() {
  return TextFrom([](win::LPSTR buffer, win::DWORD size) { return win::GetCurrentDirectoryA(size, buffer); });
}

bool SetCurrentDir(std::string_view Dir) { return win::SetCurrentDirectoryA(std::string(Dir).c_str()); }

// ---- The process ------------------------------------------------------------

int ParamCount() {
  const size_t count = CommandLineArguments().size();
  return count == 0 ? 0 : static_cast<int>(count) - 1;
}

std::string ParamStr(int Index) {
  if (Index == 0) return ProgramPath();
  const std::vector<std::string> arguments = CommandLineArguments();
  if (Index < 0 || static_cast<size_t>(Index) >= arguments.size()) return {};
  return arguments[static_cast<size_t>(Index)];
}

std::string GetEnvironmentVariable(std::string_view Name) {
  const std::string name(Name);
  return TextFrom(
      [&](win::LPSTR buffer, win::DWORD size) { return win::GetEnvironmentVariableA(name.c_str(), buffer, size); });
}

// ---- Errors of the platform -------------------------------------------------

std::string SysErrorMessage(int ErrorCode) {
  constexpr win::DWORD flags =
      win::FORMAT_MESSAGE_FROM_SYSTEM | win::FORMAT_MESSAGE_IGNORE_INSERTS | win::FORMAT_MESSAGE_ALLOCATE_BUFFER;
  win::LPSTR text = nullptr;
  const win::DWORD length = win::FormatMessageA(flags, nullptr, static_cast<win::DWORD>(ErrorCode), 0,
                                                reinterpret_cast<win::LPSTR>(&text), 0, nullptr);
  if (!text) return {};
  const std::string message(text, length);
  win::LocalFree(text);
  return TrimRight(message);  // the system's texts end with a line end
}

void RaiseLastOSError() { RaiseLastOSError(static_cast<int>(win::GetLastError())); }

void RaiseLastOSError(int LastError) {
  if (LastError == 0) throw EOSError(SUnkOSError);
  throw EOSError(Format(SOSError, {LastError, SysErrorMessage(LastError)}), static_cast<win::DWORD>(LastError));
}

// ---- Zero-terminated texts --------------------------------------------------

std::string StrPas(const char* Str) { return Str ? std::string(Str) : std::string(); }

char* StrLCopy(char* Dest, const char* Source, size_t MaxLen) {
  const std::string_view source = Source ? std::string_view(Source) : std::string_view();
  return StrPLCopy(Dest, source, MaxLen);
}

char* StrPLCopy(char* Dest, std::string_view Source, size_t MaxLen) {
  size_t length = 0;
  while (length < Source.size()) {
    const size_t n = CharSizeAt(Source, length);
    if (length + n > MaxLen) break;
    length += n;
  }
  std::copy_n(Source.data(), length, Dest);  // an empty source may have no data at all
  Dest[length] = '\0';
  return Dest;
}
