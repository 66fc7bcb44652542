#include "platform/Profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Errors.h"
#include "platform/FaultInjection.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace win {

namespace {

std::atomic<bool> crashBeforeReplace{false};

constexpr const char* kNewLineEnd = "\r\n";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Blanks are never trail bytes of double-byte characters, so trimming bytes
// is safe in code page 932.
std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view TrimEnd(std::string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsLead(std::string_view s, size_t i) { return IsDBCSLeadByte(static_cast<BYTE>(s[i])) && i + 1 < s.size(); }

// Section and key names compare without case for single-byte letters; the
// bytes of double-byte characters (whose trail bytes may look like letters)
// compare exactly.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (IsLead(a, i)) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (AsciiLower(a[i]) != AsciiLower(b[i])) {
      return false;
    }
  }
  return true;
}

// The position of `c` in `s`, never a trail byte that happens to equal it.
size_t FindCharacter(std::string_view s, char c, size_t from = 0) {
  for (size_t i = from; i < s.size(); ++i) {
    if (s[i] == c) return i;
    if (IsLead(s, i)) ++i;
  }
  return std::string_view::npos;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// The name of a "[name]" line; text after the closing bracket is ignored.
std::optional<std::string_view> SectionHeader(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line[0] != '[') return std::nullopt;
  size_t close = FindCharacter(line, ']', 1);
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

struct Entry {
  std::string_view key;
  std::string_view value;
};

// A "key=value" line ('=' is never a trail byte); comments start with ';'.
std::optional<Entry> EntryOf(std::string_view line) {
  std::string_view text = Trim(line);
  if (text.empty() || text[0] == ';' || SectionHeader(text)) return std::nullopt;
  size_t equals = text.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  std::string_view key = Trim(text.substr(0, equals));
  if (key.empty()) return std::nullopt;
  return Entry{key, Trim(text.substr(equals + 1))};
}

// A value in matching single or double quotes is read without them.
std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// A profile file as lines, each with its own line end, so that a rewrite
// gives back every line it did not change exactly as it was.
class IniText {
 public:
  explicit IniText(std::string_view bytes) {
    size_t start = 0;
    while (start < bytes.size()) {
      size_t newline = bytes.find('\n', start);
      if (newline == std::string_view::npos) {
        lines_.push_back({std::string(bytes.substr(start)), ""});
        break;
      }
      size_t textEnd = newline;
      std::string end = "\n";
      if (textEnd > start && bytes[textEnd - 1] == '\r') {
        --textEnd;
        end = "\r\n";
      }
      lines_.push_back({std::string(bytes.substr(start, textEnd - start)), end});
      start = newline + 1;
    }
  }

  std::string Bytes() const {
    std::string bytes;
    for (const Line& line : lines_) bytes += line.text + line.end;
    return bytes;
  }

  std::vector<std::string> SectionNames() const {
    std::vector<std::string> names;
    for (const Line& line : lines_)
      if (auto name = SectionHeader(line.text)) AddUnique(names, *name);
    return names;
  }

  // The entries of every occurrence of the section, in file order.
  std::vector<Entry> Entries(std::string_view section) const {
    std::vector<Entry> entries;
    for (const Span& span : Spans(section))
      for (size_t i = span.header + 1; i < span.end; ++i)
        if (auto entry = EntryOf(lines_[i].text)) entries.push_back(*entry);
    return entries;
  }

  std::vector<std::string> KeyNames(std::string_view section) const {
    std::vector<std::string> names;
    for (const Entry& entry : Entries(section)) AddUnique(names, entry.key);
    return names;
  }

  std::optional<std::string> Value(std::string_view section, std::string_view key) const {
    for (const Entry& entry : Entries(section))
      if (SameName(entry.key, key)) return std::string(entry.value);
    return std::nullopt;
  }

  // Replaces the value of the first entry of the key (keeping its spelling),
  // or adds the entry at the end of the section, or the section at the end.
  void Set(std::string_view section, std::string_view key, std::string_view value) {
    std::vector<Span> spans = Spans(section);
    for (const Span& span : spans) {
      for (size_t i = span.header + 1; i < span.end; ++i) {
        auto entry = EntryOf(lines_[i].text);
        if (entry && SameName(entry->key, key)) {
          lines_[i].text = std::string(entry->key) + "=" + std::string(value);
          return;
        }
      }
    }
    std::string line = std::string(key) + "=" + std::string(value);
    if (spans.empty()) {
      Insert(lines_.size(), "[" + std::string(section) + "]");
      Insert(lines_.size(), line);
    } else {
      Insert(AppendPoint(spans.front()), line);
    }
  }

  void DeleteKey(std::string_view section, std::string_view key) {
    RemoveEntries(section, [key](const Entry& entry) { return SameName(entry.key, key); });
  }

  void DeleteSection(std::string_view section) {
    std::vector<Span> spans = Spans(section);
    for (auto span = spans.rbegin(); span != spans.rend(); ++span)
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(span->header),
                   lines_.begin() + static_cast<std::ptrdiff_t>(span->end));
  }

  // The section's entries become `lines`; its other lines stay.
  void ReplaceEntries(std::string_view section, const std::vector<std::string>& lines) {
    RemoveEntries(section, [](const Entry&) { return true; });
    std::vector<Span> spans = Spans(section);
    size_t at = lines_.size();
    if (spans.empty())
      Insert(at++, "[" + std::string(section) + "]");
    else
      at = AppendPoint(spans.front());
    for (const std::string& line : lines) Insert(at++, line);
  }

 private:
  struct Line {
    std::string text;
    std::string end;  // "\r\n", "\n", or empty on a last line without one
  };
  // One occurrence of a section: its header line and the line after its last.
  struct Span {
    size_t header;
    size_t end;
  };

  static void AddUnique(std::vector<std::string>& names, std::string_view name) {
    for (const std::string& known : names)
      if (SameName(known, name)) return;
    names.emplace_back(name);
  }

  std::vector<Span> Spans(std::string_view section) const {
    std::vector<Span> spans;
    for (size_t i = 0; i < lines_.size(); ++i) {
      auto name = SectionHeader(lines_[i].text);
      if (!name) continue;
      if (!spans.empty() && spans.back().end == lines_.size()) spans.back().end = i;
      if (SameName(*name, section)) spans.push_back({i, lines_.size()});
    }
    return spans;
  }

  // New entries go after the section's last line that is not blank, so that
  // a blank line before the next section stays where it is.
  size_t AppendPoint(const Span& span) const {
    size_t last = span.header;
    for (size_t i = span.header + 1; i < span.end; ++i)
      if (!Trim(lines_[i].text).empty()) last = i;
    return last + 1;
  }

  void Insert(size_t at, std::string text) {
    if (at > 0 && lines_[at - 1].end.empty()) lines_[at - 1].end = kNewLineEnd;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), kNewLineEnd});
  }

  void RemoveEntries(std::string_view section, const std::function<bool(const Entry&)>& matches) {
    std::vector<Span> spans = Spans(section);
    for (auto span = spans.rbegin(); span != spans.rend(); ++span) {
      for (size_t i = span->end; i-- > span->header + 1;) {
        auto entry = EntryOf(lines_[i].text);
        if (entry && matches(*entry)) lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
      }
    }
  }

  std::vector<Line> lines_;
};

// The longest prefix of `text` of at most `limit` bytes that does not end in
// the middle of a double-byte character.
size_t WholeCharacters(std::string_view text, size_t limit) {
  size_t length = 0;
  while (length < limit) {
    size_t step = IsLead(text, length) ? 2 : 1;
    if (length + step > limit) break;
    length += step;
  }
  return length;
}

// One string into the caller's buffer; a string that does not fit is cut
// (never inside a character) and answers size - 1.
DWORD CopyValue(std::string_view text, LPSTR buffer, DWORD size) {
  if (text.size() < size) {
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return static_cast<DWORD>(text.size());
  }
  size_t length = WholeCharacters(text, size - 1);
  std::memcpy(buffer, text.data(), length);
  std::memset(buffer + length, 0, size - length);
  return size - 1;
}

// A list of NUL-terminated strings closed by a second NUL; a list that does
// not fit is cut and still closed by two NULs, and answers size - 2.
DWORD CopyList(const std::vector<std::string>& items, LPSTR buffer, DWORD size) {
  std::string joined;
  for (const std::string& item : items) joined.append(item).push_back('\0');
  if (joined.size() < size) {
    std::memcpy(buffer, joined.data(), joined.size());
    buffer[joined.size()] = '\0';
    if (joined.empty() && size > 1) buffer[1] = '\0';
    return static_cast<DWORD>(joined.size());
  }
  if (size < 2) {
    buffer[0] = '\0';
    return 0;
  }
  size_t length = WholeCharacters(joined, size - 2);
  std::memcpy(buffer, joined.data(), length);
  std::memset(buffer + length, 0, size - length);
  return size - 2;
}

// The host path of a profile file; a bare file name lies in the Windows folder.
std::string ProfileHostPath(LPCSTR fileName) {
  std::string name = fileName ? fileName : "win.ini";
  if (detail::FindSeparator(name) == std::string::npos && name.find(':') == std::string::npos) {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    name = std::string(windows) + "\\" + name;
  }
  return detail::ToHostPath(name);
}

// Reads the whole file; 0, or the errno of the failure (ENOENT: no file).
int ReadWholeFile(const std::string& host, std::string& bytes) {
  bytes.clear();
  if (host.empty()) return ENOENT;
  int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  char chunk[8192];
  int error = 0;
  for (;;) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n > 0) {
      bytes.append(chunk, static_cast<size_t>(n));
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      error = errno;
      break;
    }
  }
  close(fd);
  return error;
}

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    default:
      return ERROR_WRITE_FAULT;
  }
}

bool WriteAll(int fd, std::string_view bytes) {
  // The fault seam of WriteFile: a disk that fills up part-way.
  const bool diskFills = detail::ShouldFail("WriteFile");
  if (diskFills) bytes = bytes.substr(0, bytes.size() / 2);
  while (!bytes.empty()) {
    ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  if (diskFills) errno = ENOSPC;
  return !diskFills;
}

void SyncFolderOf(const std::string& host) {
  size_t slash = host.rfind('/');
  std::string folder = slash == 0 ? "/" : host.substr(0, slash);
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// Puts `bytes` in place of the file in one step: a temporary file beside it
// (only the holder of the lock uses that name) is written, flushed and
// renamed over it, keeping the file's permissions.
bool ReplaceFile(const std::string& host, std::string_view bytes) {
  std::string temp = host + ".tmp";
  struct stat existing {};
  const bool exists = stat(host.c_str(), &existing) == 0;
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    SetLastError(ErrorFromErrno(errno));
    return false;
  }
  bool written = (!exists || fchmod(fd, existing.st_mode & 07777) == 0) && WriteAll(fd, bytes) && fsync(fd) == 0;
  int error = errno;
  if (close(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (written && crashBeforeReplace) {
    SetLastError(ERROR_WRITE_FAULT);
    return false;
  }
  if (!written || rename(temp.c_str(), host.c_str()) != 0) {
    if (written) error = errno;
    unlink(temp.c_str());
    SetLastError(ErrorFromErrno(error));
    return false;
  }
  SyncFolderOf(host);
  return true;
}

// An exclusive lock on the side file of a profile file, held by one writer
// of any process at a time.
class WriterLock {
 public:
  explicit WriterLock(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) {
      error_ = errno;
      return;
    }
    while (flock(fd_, LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      error_ = errno;
      close(fd_);
      fd_ = -1;
      return;
    }
  }
  ~WriterLock() {
    if (fd_ >= 0) close(fd_);
  }
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;
  int Error() const { return error_; }

 private:
  int fd_ = -1;
  int error_ = 0;
};

// A symbolic link stays a link: its target is what gets rewritten.
std::string FollowLink(const std::string& host) {
  struct stat st {};
  if (lstat(host.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return host;
  char* resolved = realpath(host.c_str(), nullptr);
  if (!resolved) return host;
  std::string target = resolved;
  std::free(resolved);
  return target;
}

// A file without write permission is read-only, as the platform's
// read-only attribute, even for a user whom the host would let write it;
// renaming over it would otherwise replace it.
bool IsReadOnly(const std::string& host) {
  struct stat st {};
  return stat(host.c_str(), &st) == 0 && ((st.st_mode & 0222) == 0 || access(host.c_str(), W_OK) != 0);
}

// Reads, changes and replaces a profile file under the writer lock. A file
// that exists but cannot be read is never replaced.
BOOL ChangeProfile(LPCSTR fileName, const std::function<void(IniText&)>& change) {
  std::string host = ProfileHostPath(fileName);
  if (host.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  host = FollowLink(host);
  WriterLock lock(host + ".lock");
  if (lock.Error()) {
    SetLastError(ErrorFromErrno(lock.Error()));
    return FALSE;
  }
  std::string before;
  if (int error = ReadWholeFile(host, before); error && error != ENOENT) {
    SetLastError(ErrorFromErrno(error));
    return FALSE;
  }
  IniText ini(before);
  change(ini);
  std::string after = ini.Bytes();
  if (after == before) return TRUE;
  if (IsReadOnly(host)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return ReplaceFile(host, after) ? TRUE : FALSE;
}

// Reads a profile file for a query; a missing file reads as an empty one.
IniText ReadProfile(LPCSTR fileName) {
  std::string bytes;
  SetLastError(ReadWholeFile(ProfileHostPath(fileName), bytes) == 0 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
  return IniText(bytes);
}

// Names that could not be read back as written (a section name with a
// closing bracket, a key that would read as a header, a comment or another
// key, anything with a line break) are refused rather than let them change
// the file's structure.
bool IsValidSectionName(std::string_view name) {
  return !Trim(name).empty() && !HasLineBreak(name) && FindCharacter(name, ']') == std::string_view::npos;
}

bool IsValidKeyName(std::string_view name) {
  std::string_view key = Trim(name);
  return !key.empty() && key[0] != '[' && key[0] != ';' && !HasLineBreak(key) &&
         key.find('=') == std::string_view::npos;
}

bool IsValidEntryLine(std::string_view line) { return !HasLineBreak(line) && !SectionHeader(line); }

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = AsciiLower(c);
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  return INT_MAX;
}

// The leading number of a value: an optional sign, then decimal digits, or
// digits of base 16, 8 or 2 after "0x", "0o" or "0b"; nothing gives 0.
UINT LeadingNumber(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i + 1 < text.size() && text[i] == '0') {
    switch (AsciiLower(text[i + 1])) {
      case 'x': base = 16; break;
      case 'o': base = 8; break;
      case 'b': base = 2; break;
      default: break;
    }
    if (base != 10) i += 2;
  }
  UINT value = 0;
  for (; i < text.size() && DigitValue(text[i]) < base; ++i)
    value = value * static_cast<UINT>(base) + static_cast<UINT>(DigitValue(text[i]));
  return negative ? 0u - value : value;
}

}  // namespace

DWORD GetPrivateProfileStringA(LPCSTR appName, LPCSTR keyName, LPCSTR defaultValue, LPSTR buffer, DWORD size,
                               LPCSTR fileName) {
  if (!buffer || size == 0) return 0;
  IniText ini = ReadProfile(fileName);
  if (!appName) return CopyList(ini.SectionNames(), buffer, size);
  std::string_view section = Trim(appName);
  if (!keyName) return CopyList(ini.KeyNames(section), buffer, size);
  if (auto value = ini.Value(section, Trim(keyName))) return CopyValue(Unquote(*value), buffer, size);
  SetLastError(ERROR_FILE_NOT_FOUND);
  return CopyValue(TrimEnd(defaultValue ? defaultValue : ""), buffer, size);
}

UINT GetPrivateProfileIntA(LPCSTR appName, LPCSTR keyName, INT defaultValue, LPCSTR fileName) {
  if (!appName || !keyName) return static_cast<UINT>(defaultValue);
  auto value = ReadProfile(fileName).Value(Trim(appName), Trim(keyName));
  if (!value || Unquote(*value).empty()) return static_cast<UINT>(defaultValue);
  return LeadingNumber(Unquote(*value));
}

DWORD GetPrivateProfileSectionA(LPCSTR appName, LPSTR buffer, DWORD size, LPCSTR fileName) {
  if (!buffer || size == 0) return 0;
  IniText ini = ReadProfile(fileName);
  std::vector<std::string> lines;
  if (appName)
    for (const Entry& entry : ini.Entries(Trim(appName)))
      lines.push_back(std::string(entry.key) + "=" + std::string(entry.value));
  return CopyList(lines, buffer, size);
}

DWORD GetPrivateProfileSectionNamesA(LPSTR buffer, DWORD size, LPCSTR fileName) {
  if (!buffer || size == 0) return 0;
  return CopyList(ReadProfile(fileName).SectionNames(), buffer, size);
}

BOOL WritePrivateProfileStringA(LPCSTR appName, LPCSTR keyName, LPCSTR value, LPCSTR fileName) {
  if (!appName) {
    // All three null asks to flush a cache; there is none, and the answer
    // is FALSE as it always is after a flush.
    if (keyName || value) SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!IsValidSectionName(appName) || (keyName && !IsValidKeyName(keyName)) || (value && HasLineBreak(value))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string_view section = Trim(appName);
  return ChangeProfile(fileName, [&](IniText& ini) {
    if (!keyName)
      ini.DeleteSection(section);
    else if (!value)
      ini.DeleteKey(section, Trim(keyName));
    else
      ini.Set(section, Trim(keyName), value);
  });
}

BOOL WritePrivateProfileSectionA(LPCSTR appName, LPCSTR entries, LPCSTR fileName) {
  if (!appName || !IsValidSectionName(appName)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<std::string> lines;
  for (LPCSTR item = entries; item && *item; item += std::strlen(item) + 1) {
    if (!IsValidEntryLine(item)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    lines.emplace_back(item);
  }
  std::string_view section = Trim(appName);
  return ChangeProfile(fileName, [&](IniText& ini) {
    if (entries)
      ini.ReplaceEntries(section, lines);
    else
      ini.DeleteSection(section);
  });
}

BOOL WritePrivateProfileEntriesA(const ProfileEntry* entries, DWORD count, LPCSTR fileName) {
  for (DWORD i = 0; i < count; ++i) {
    const ProfileEntry& e = entries[i];
    if (!e.appName || !e.keyName || !IsValidSectionName(e.appName) || !IsValidKeyName(e.keyName) ||
        (e.value && HasLineBreak(e.value))) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
  }
  return ChangeProfile(fileName, [&](IniText& ini) {
    for (DWORD i = 0; i < count; ++i) {
      const ProfileEntry& e = entries[i];
      if (e.value)
        ini.Set(Trim(e.appName), Trim(e.keyName), e.value);
      else
        ini.DeleteKey(Trim(e.appName), Trim(e.keyName));
    }
  });
}

namespace test {

void SimulateProfileCrashBeforeReplace(bool on) { crashBeforeReplace = on; }

}  // namespace test
}  // namespace win
