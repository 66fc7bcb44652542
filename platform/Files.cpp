#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/FaultInjection.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace win {

namespace {

// ---------------------------------------------------------------- text

bool IsLead(char c) { return IsDBCSLeadByte(static_cast<BYTE>(c)); }

// The characters of a code-page text: one byte, or a lead byte and its trail.
std::vector<std::string_view> Characters(std::string_view text) {
  std::vector<std::string_view> out;
  for (size_t i = 0; i < text.size();) {
    const size_t length = IsLead(text[i]) && i + 1 < text.size() ? 2 : 1;
    out.push_back(text.substr(i, length));
    i += length;
  }
  return out;
}

char UpperAscii(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// Upper-cases the single-byte letters only: trail bytes are left alone.
std::string UpperName(std::string_view name) {
  std::string out;
  for (std::string_view c : Characters(name)) {
    if (c.size() == 1)
      out += UpperAscii(c[0]);
    else
      out += c;
  }
  return out;
}

// The leading part of `text` that fits `limit` bytes without splitting a
// double-byte character.
std::string_view Leading(std::string_view text, size_t limit) {
  size_t used = 0;
  for (std::string_view c : Characters(text)) {
    if (used + c.size() > limit) break;
    used += c.size();
  }
  return text.substr(0, used);
}

std::string_view::size_type LastSeparator(std::string_view path) {
  auto last = std::string_view::npos;
  for (auto sep = detail::FindSeparator(path); sep != std::string_view::npos;
       sep = detail::FindSeparator(path, sep + 1))
    last = sep;
  return last;
}

// Names on the platform never hold control characters nor <>:"|, and hold
// the wildcards * and ? only in search patterns. `text` is a path after its
// drive ("\dir\name") or a single name.
bool HasValidNameCharacters(std::string_view text, bool wildcards) {
  for (std::string_view c : Characters(text)) {
    if (c.size() != 1) continue;
    const unsigned char b = static_cast<unsigned char>(c[0]);
    if (b < 0x20 || std::strchr("<>:\"|", b)) return false;
    if (!wildcards && (b == '*' || b == '?')) return false;
  }
  return true;
}

// ---------------------------------------------------------------- errors

std::string HostParent(std::string host) {
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  const auto slash = host.rfind('/');
  return slash == 0 || slash == std::string::npos ? "/" : host.substr(0, slash);
}

bool IsHostDirectory(const std::string& host) {
  struct stat st {};
  return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A missing name in an existing folder is a missing file; a missing folder
// on the way is a missing path.
DWORD NotFoundError(const std::string& host) {
  return IsHostDirectory(HostParent(host)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

DWORD ErrorFromErrno(int error, const std::string& host) {
  switch (error) {
    case ENOENT: return NotFoundError(host);
    case ENOTDIR:
    case ELOOP: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EBUSY:
    case ETXTBSY: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_GEN_FAILURE;
  }
}

template <class T>
T Fail(DWORD error, T result) {
  SetLastError(error);
  return result;
}

BOOL FailWithErrno(const std::string& host) { return Fail(ErrorFromErrno(errno, host), FALSE); }

// The host path of a Windows path that names a file or folder (no
// wildcards), or false with the platform's error set.
bool ResolveHost(LPCSTR path, std::string* host, std::string* fullPath = nullptr) {
  const std::string full = detail::FullWindowsPath(path ? path : "");
  if (fullPath) *fullPath = full;
  if (full.empty()) return Fail(ERROR_PATH_NOT_FOUND, false);
  if (!HasValidNameCharacters(std::string_view(full).substr(2), false)) return Fail(ERROR_INVALID_NAME, false);
  *host = detail::ToHostPath(full);
  if (host->empty()) return Fail(ERROR_PATH_NOT_FOUND, false);
  return true;
}

// ---------------------------------------------------------------- host status

struct HostStatus {
  mode_t mode = 0;
  uid_t owner = 0;
  gid_t group = 0;
  dev_t device = 0;
  ino_t inode = 0;
  ULONGLONG size = 0;
  FILETIME creation{};
  FILETIME lastAccess{};
  FILETIME lastWrite{};
};

FILETIME FromStatx(const struct statx_timestamp& t) { return FileTimeFromUnix(t.tv_sec, t.tv_nsec); }

// Follows symbolic links unless `flags` holds AT_SYMLINK_NOFOLLOW. The
// creation time is the birth time where the file system keeps one, else the
// status-change time.
bool StatHost(int dirFd, const char* path, int flags, HostStatus* status) {
  struct statx sx {};
  if (statx(dirFd, path, flags, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) return false;
  status->mode = sx.stx_mode;
  status->owner = sx.stx_uid;
  status->group = sx.stx_gid;
  status->device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
  status->inode = sx.stx_ino;
  status->size = sx.stx_size;
  status->creation = FromStatx((sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_ctime);
  status->lastAccess = FromStatx(sx.stx_atime);
  status->lastWrite = FromStatx(sx.stx_mtime);
  return true;
}

bool StatPath(const std::string& host, HostStatus* status) { return StatHost(AT_FDCWD, host.c_str(), 0, status); }

bool StatLink(const std::string& host, HostStatus* status) {
  return StatHost(AT_FDCWD, host.c_str(), AT_SYMLINK_NOFOLLOW, status);
}

bool StatFd(int fd, HostStatus* status) { return StatHost(fd, "", AT_EMPTY_PATH, status); }

bool IsSameFile(const HostStatus& a, const HostStatus& b) { return a.device == b.device && a.inode == b.inode; }

bool InGroup(gid_t group) {
  if (group == getegid()) return true;
  const int count = getgroups(0, nullptr);
  std::vector<gid_t> groups(count > 0 ? count : 0);
  if (count > 0 && getgroups(count, groups.data()) == count)
    return std::find(groups.begin(), groups.end(), group) != groups.end();
  return false;
}

// The write bit of the class (owner, group, others) this user falls in; the
// superuser may write anything, so for it only a file without any write bit
// is read-only.
bool IsReadOnly(const HostStatus& status) {
  const uid_t user = geteuid();
  if (user == 0) return (status.mode & 0222) == 0;
  if (status.owner == user) return (status.mode & S_IWUSR) == 0;
  if (InGroup(status.group)) return (status.mode & S_IWGRP) == 0;
  return (status.mode & S_IWOTH) == 0;
}

bool IsDotName(std::string_view name) { return name == "." || name == ".."; }

DWORD AttributesOf(const HostStatus& status, std::string_view name) {
  DWORD attributes = S_ISDIR(status.mode)   ? FILE_ATTRIBUTE_DIRECTORY
                     : S_ISREG(status.mode) ? FILE_ATTRIBUTE_ARCHIVE
                                            : FILE_ATTRIBUTE_SYSTEM;
  if (IsReadOnly(status)) attributes |= FILE_ATTRIBUTE_READONLY;
  if (!name.empty() && name[0] == '.' && !IsDotName(name)) attributes |= FILE_ATTRIBUTE_HIDDEN;
  return attributes;
}

// The last name of a full Windows path; empty for the root of a drive.
std::string_view LastName(std::string_view full) {
  if (full.size() > 3 && LastSeparator(full) == full.size() - 1) full.remove_suffix(1);
  return full.size() <= 3 ? std::string_view() : full.substr(LastSeparator(full) + 1);
}

// ---------------------------------------------------------------- wildcards

// A search pattern as the platform's name matcher sees it: '?' becomes
// DosQm, a '*' before a '.' becomes DosStar, and a '.' before a wildcard or
// at the end becomes DosDot.
enum class Wild { Literal, Star, DosStar, DosQm, DosDot };

struct PatternUnit {
  Wild kind;
  std::string_view character;
};

std::vector<PatternUnit> ParsePattern(std::string_view pattern) {
  std::vector<std::string_view> chars = Characters(pattern);
  std::vector<PatternUnit> units;
  for (size_t i = 0; i < chars.size(); ++i) {
    const std::string_view c = chars[i];
    const std::string_view next = i + 1 < chars.size() ? chars[i + 1] : std::string_view();
    Wild kind = Wild::Literal;
    if (c == "?")
      kind = Wild::DosQm;
    else if (c == "*")
      kind = next == "." ? Wild::DosStar : Wild::Star;
    else if (c == "." && (next.empty() || next == "*" || next == "?"))
      kind = Wild::DosDot;
    units.push_back({kind, c});
  }
  return units;
}

bool SameCharacter(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  return a.size() == 1 ? UpperAscii(a[0]) == UpperAscii(b[0]) : a == b;
}

class WildcardMatcher {
 public:
  WildcardMatcher(std::string_view pattern, std::string_view name)
      : pattern_(ParsePattern(pattern)),
        name_(Characters(name)),
        memo_((pattern_.size() + 1) * (name_.size() + 1), kUnknown) {
    for (size_t i = 0; i < name_.size(); ++i)
      if (name_[i] == ".") lastDot_ = i;
  }

  bool Matches() { return Match(0, 0); }

 private:
  static constexpr signed char kUnknown = -1;

  bool Match(size_t p, size_t n) {
    signed char& known = memo_[p * (name_.size() + 1) + n];
    if (known == kUnknown) known = Compute(p, n);
    return known;
  }

  bool Compute(size_t p, size_t n) {
    const bool nameLeft = n < name_.size();
    if (p == pattern_.size()) return !nameLeft;
    const PatternUnit& unit = pattern_[p];
    switch (unit.kind) {
      case Wild::Star:
        return Match(p + 1, n) || (nameLeft && Match(p, n + 1));
      case Wild::DosStar:  // any run that does not take the name's last dot
        return Match(p + 1, n) || (nameLeft && n != lastDot_ && Match(p, n + 1));
      case Wild::DosQm:  // one character, or none at the end or before a dot
        if (nameLeft && name_[n] != ".") return Match(p + 1, n + 1);
        return Match(p + 1, n);
      case Wild::DosDot:  // the dot, or nothing at the end of the name
        if (!nameLeft) return Match(p + 1, n);
        return name_[n] == "." && Match(p + 1, n + 1);
      case Wild::Literal:
        return nameLeft && SameCharacter(unit.character, name_[n]) && Match(p + 1, n + 1);
    }
    return false;
  }

  std::vector<PatternUnit> pattern_;
  std::vector<std::string_view> name_;
  size_t lastDot_ = std::string_view::npos;
  std::vector<signed char> memo_;
};

// ---------------------------------------------------------------- short names

bool IsShortNameByte(unsigned char c) {
  return c >= 0x80 || std::isalnum(c) || std::strchr("!#$%&'()-@^_`{}~", c);
}

bool HasOnlyShortNameCharacters(std::string_view part) {
  for (std::string_view c : Characters(part))
    if (c.size() == 1 && !IsShortNameByte(static_cast<unsigned char>(c[0]))) return false;
  return true;
}

// 1 to 8 bytes, optionally a dot and 1 to 3 bytes, of the characters that
// 8.3 names allow; letter case does not matter.
bool IsValidShortName(std::string_view name) {
  const auto dot = name.find('.');  // '.' is never a trail byte
  const std::string_view base = name.substr(0, dot);
  const std::string_view ext = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
  if (dot != std::string_view::npos && ext.empty()) return false;
  return HasOnlyShortNameCharacters(base) && HasOnlyShortNameCharacters(ext);
}

// A part of a long name made fit for a short name: spaces and dots dropped,
// other characters that 8.3 names do not allow replaced by '_', letters
// upper-cased, cut to `limit` bytes.
std::string ShortNamePart(std::string_view part, size_t limit) {
  std::string out;
  for (std::string_view c : Characters(part)) {
    std::string piece(c);
    if (c.size() == 1) {
      const unsigned char b = static_cast<unsigned char>(c[0]);
      if (b == ' ' || b == '.') continue;
      piece = IsShortNameByte(b) ? std::string(1, UpperAscii(c[0])) : "_";
    }
    if (out.size() + piece.size() > limit) break;
    out += piece;
  }
  return out;
}

// NAME~N.EXT with the lowest N from 1 to 4 whose name is not taken in the
// folder; after that, as the platform does, the first two characters, four
// hexadecimal digits of a hash of the long name and ~1 (the hash stepped on
// while taken), so that a folder of many similar names costs no more than
// one of different names.
std::string GenerateShortName(std::string_view longName, std::set<std::string>& taken) {
  constexpr unsigned kNumberedNames = 4;
  auto lastDot = longName.rfind('.');
  if (lastDot != std::string_view::npos && longName.find_first_not_of('.') >= lastDot) lastDot = std::string_view::npos;
  const std::string_view basePart = longName.substr(0, lastDot);
  const std::string ext =
      lastDot == std::string_view::npos ? std::string() : ShortNamePart(longName.substr(lastDot + 1), 3);
  const std::string dotExt = ext.empty() ? "" : "." + ext;
  for (unsigned number = 1; number <= kNumberedNames; ++number) {
    const std::string suffix = "~" + std::to_string(number);
    std::string stem = ShortNamePart(basePart, 8 - suffix.size());
    if (stem.empty()) stem = "_";
    std::string candidate = stem + suffix + dotExt;
    if (taken.insert(UpperName(candidate)).second) return candidate;
  }
  std::string stem = ShortNamePart(basePart, 2);
  if (stem.empty()) stem = "_";
  for (size_t hash = std::hash<std::string_view>{}(longName);; ++hash) {
    char digits[5];
    std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(hash & 0xFFFF));
    std::string candidate = stem + digits + "~1" + dotExt;
    if (taken.insert(UpperName(candidate)).second) return candidate;
  }
}

// ---------------------------------------------------------------- searches

struct FoundEntry {
  std::string hostName;   // UTF-8, as on the host
  std::string name;       // code page 932
  std::string shortName;  // empty when the name is a valid 8.3 name
};

class FindSearch : public detail::HandleObject {
 public:
  FindSearch(std::string folder, std::vector<FoundEntry> entries)
      : folder_(std::move(folder)), entries_(std::move(entries)) {}
  detail::HandleKind Kind() const override { return detail::HandleKind::Find; }

  // Fills `data` with the next entry that still exists.
  bool Next(WIN32_FIND_DATAA* data) {
    while (next_ < entries_.size()) {
      const FoundEntry& entry = entries_[next_++];
      HostStatus status;
      const std::string host = folder_ + "/" + entry.hostName;
      if (!StatLink(host, &status)) continue;  // gone
      const bool link = S_ISLNK(status.mode);
      if (link) StatPath(host, &status);  // a dangling link keeps its own status
      Fill(entry, status, link, data);
      return true;
    }
    return false;
  }

 private:
  static void Fill(const FoundEntry& entry, const HostStatus& status, bool link, WIN32_FIND_DATAA* data) {
    std::memset(data, 0, sizeof *data);
    data->dwFileAttributes = AttributesOf(status, entry.hostName);
    if (link) {
      data->dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
      data->dwReserved0 = IO_REPARSE_TAG_SYMLINK;
    }
    data->ftCreationTime = status.creation;
    data->ftLastAccessTime = status.lastAccess;
    data->ftLastWriteTime = status.lastWrite;
    const ULONGLONG size = S_ISDIR(status.mode) ? 0 : status.size;
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(size);
    std::memcpy(data->cFileName, entry.name.data(), std::min<size_t>(entry.name.size(), MAX_PATH - 1));
    std::memcpy(data->cAlternateFileName, entry.shortName.data(),
                std::min(entry.shortName.size(), sizeof data->cAlternateFileName - 1));
  }

  std::string folder_;
  std::vector<FoundEntry> entries_;
  size_t next_ = 0;
};

std::string SortKey(std::string_view hostName) {
  std::string key(hostName);
  for (char& c : key) c = UpperAscii(c);
  return key;
}

// The entries of a folder other than "." and "..", in the order of their
// upper-cased names, with short names made unique within the folder.
bool ReadFolder(const std::string& host, std::vector<FoundEntry>* entries) {
  DIR* dir = opendir(host.c_str());
  if (!dir) return false;
  while (dirent* d = readdir(dir))
    if (!IsDotName(d->d_name)) entries->push_back({d->d_name, detail::HostNameToWindows(d->d_name), {}});
  closedir(dir);
  std::sort(entries->begin(), entries->end(),
            [](const FoundEntry& a, const FoundEntry& b) { return SortKey(a.hostName) < SortKey(b.hostName); });
  std::set<std::string> taken;
  for (const FoundEntry& entry : *entries)
    if (IsValidShortName(entry.name)) taken.insert(UpperName(entry.name));
  for (FoundEntry& entry : *entries)
    if (!IsValidShortName(entry.name)) entry.shortName = GenerateShortName(entry.name, taken);
  return true;
}

DWORD FolderError(int error) {
  switch (error) {
    case ENOENT: return ERROR_PATH_NOT_FOUND;
    case ENOTDIR: return ERROR_DIRECTORY;
    default: return ErrorFromErrno(error, {});
  }
}

// ---------------------------------------------------------------- file handles

class File : public detail::KernelObject {
 public:
  File(int fd, bool readable, bool writable) : fd_(fd), readable_(readable), writable_(writable) {}
  ~File() override { close(fd_); }
  detail::HandleKind Kind() const override { return detail::HandleKind::File; }
  bool IsSignaled(DWORD) override { return true; }

  int fd() const { return fd_; }
  bool readable() const { return readable_; }
  bool writable() const { return writable_; }

 private:
  int fd_;
  bool readable_;
  bool writable_;
};

std::shared_ptr<File> FileOf(HANDLE h) {
  auto file = detail::HandleTable::Get<File>(h);
  if (!file) SetLastError(ERROR_INVALID_HANDLE);
  return file;
}

std::shared_ptr<File> WritableFileOf(HANDLE h) {
  auto file = FileOf(h);
  if (file && !file->writable()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return file;
}

struct Opened {
  int fd = -1;
  bool existed = false;
};

// Opens or creates as `disposition` says, without a window in which another
// process's file could be taken for a new one.
Opened OpenHost(const std::string& host, int access, DWORD disposition, mode_t mode) {
  const int flags = access | O_CLOEXEC;
  switch (disposition) {
    case CREATE_NEW: return {open(host.c_str(), flags | O_CREAT | O_EXCL, mode), false};
    case OPEN_EXISTING: return {open(host.c_str(), flags), true};
    case TRUNCATE_EXISTING: return {open(host.c_str(), flags | O_TRUNC), true};
    default: {  // CREATE_ALWAYS, OPEN_ALWAYS
      // A name that comes and goes between the two opens is tried again; a
      // dangling link, which exists and cannot be opened, gives up.
      const int existing = flags | (disposition == CREATE_ALWAYS ? O_TRUNC : 0);
      Opened opened;
      for (int attempt = 0; attempt < 3; ++attempt) {
        opened = {open(host.c_str(), flags | O_CREAT | O_EXCL, mode), false};
        if (opened.fd >= 0 || errno != EEXIST) return opened;
        opened = {open(host.c_str(), existing), true};
        if (opened.fd >= 0 || errno != ENOENT) return opened;
      }
      return opened;
    }
  }
}

std::optional<LONGLONG> TargetPosition(const File& file, LONGLONG distance, DWORD method) {
  LONGLONG base = 0;
  if (method == FILE_CURRENT) {
    base = lseek(file.fd(), 0, SEEK_CUR);
  } else if (method == FILE_END) {
    HostStatus status;
    base = StatFd(file.fd(), &status) ? static_cast<LONGLONG>(status.size) : -1;
  } else if (method != FILE_BEGIN) {
    return Fail(ERROR_INVALID_PARAMETER, std::nullopt);
  }
  if (base < 0) return Fail(ErrorFromErrno(errno, {}), std::nullopt);
  LONGLONG target = 0;
  if (__builtin_add_overflow(base, distance, &target)) return Fail(ERROR_INVALID_PARAMETER, std::nullopt);
  if (target < 0) return Fail(ERROR_NEGATIVE_SEEK, std::nullopt);
  return target;
}

bool MoveTo(const File& file, LONGLONG position) {
  if (lseek(file.fd(), position, SEEK_SET) >= 0) return true;
  return Fail(ErrorFromErrno(errno, {}), false);
}

struct timespec TimeSpecOf(const FILETIME* ft) {
  if (!ft) return {0, UTIME_OMIT};
  const int64_t seconds = UnixSecondsFromFileTime(*ft);
  const FILETIME whole = FileTimeFromUnix(seconds);
  const auto quad = [](const FILETIME& t) {
    return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return {static_cast<time_t>(seconds), static_cast<long>((quad(*ft) - quad(whole)) * 100)};
}

// ---------------------------------------------------------------- copies and moves

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool CopyContents(int from, int to) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(from, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (!WriteAll(to, buffer, static_cast<size_t>(n))) return false;
  }
}

// Copies a regular file with its permission bits and last write time, as
// the platform copies attributes and the time. A copy that fails half-way
// is removed.
bool CopyHostFile(const std::string& from, const std::string& to, bool exclusive) {
  const int source = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (source < 0) return FailWithErrno(from);
  HostStatus status;
  if (!StatFd(source, &status)) {
    const int error = errno;
    close(source);
    return Fail(ErrorFromErrno(error, from), false);
  }
  const int target = open(to.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (exclusive ? O_EXCL : O_TRUNC), 0600);
  if (target < 0) {
    const int error = errno;
    close(source);
    return Fail(ErrorFromErrno(error, to), false);
  }
  const bool copied = CopyContents(source, target);
  const int error = errno;
  close(source);
  if (copied) {
    const struct timespec times[2] = {{0, UTIME_OMIT}, TimeSpecOf(&status.lastWrite)};
    futimens(target, times);
    fchmod(target, status.mode & 07777);
  }
  close(target);
  if (!copied) {
    unlink(to.c_str());
    return Fail(ErrorFromErrno(error, to), false);
  }
  return true;
}

// The host path that renames `fromHost` to the spelling of `toWindows` when
// both name the same file (a change of letter case only).
std::string SpelledTarget(const std::string& toHost, LPCSTR toWindows) {
  const std::string full = detail::FullWindowsPath(toWindows);
  return HostParent(toHost) + "/" + detail::WindowsNameToHost(std::string_view(full).substr(LastSeparator(full) + 1));
}

bool RenameHost(const std::string& from, const std::string& to, bool replace) {
  if (replace) return rename(from.c_str(), to.c_str()) == 0;
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // The file system cannot refuse to replace: the target was seen missing.
  return rename(from.c_str(), to.c_str()) == 0;
}

const char* const kTempFolder = "C:\\WINDOWS\\TEMP";

// Creates the file of the first free number (1 to 0xFFFF), counting from
// one that differs between calls; 0 when none could be made.
UINT CreateNumberedFile(const std::function<std::string(UINT)>& nameOf) {
  const UINT start = GetTickCount();
  for (UINT i = 0; i < 0xFFFF; ++i) {
    const UINT number = (start + i) % 0xFFFF + 1;
    HANDLE h = CreateFileA(nameOf(number).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      CloseHandle(h);
      return number;
    }
    if (GetLastError() != ERROR_FILE_EXISTS) return 0;
  }
  return Fail(ERROR_FILE_EXISTS, 0u);
}

}  // namespace

namespace detail {

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
  if (name.empty() || pattern.empty()) return name.empty() && pattern.empty();  // no wildcard matches an empty name
  return WildcardMatcher(pattern, name).Matches();
}

}  // namespace detail

// ---------------------------------------------------------------- attributes

DWORD GetFileAttributesA(LPCSTR path) {
  std::string host, full;
  if (!ResolveHost(path, &host, &full)) return INVALID_FILE_ATTRIBUTES;
  HostStatus status;
  if (!StatLink(host, &status)) return Fail(ErrorFromErrno(errno, host), INVALID_FILE_ATTRIBUTES);
  const bool link = S_ISLNK(status.mode);
  if (link) StatPath(host, &status);  // a dangling link keeps its own status
  return AttributesOf(status, LastName(full)) | (link ? FILE_ATTRIBUTE_REPARSE_POINT : 0);
}

BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) {
  std::string host;
  if (!ResolveHost(path, &host)) return FALSE;
  HostStatus status;
  if (!StatPath(host, &status)) return FailWithErrno(host);
  const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (readOnly == IsReadOnly(status)) return TRUE;
  const mode_t mode = readOnly ? (status.mode & ~0222) : (status.mode | S_IWUSR);
  if (chmod(host.c_str(), mode & 07777) != 0) return FailWithErrno(host);
  return TRUE;
}

// ---------------------------------------------------------------- searches

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
  if (!data) return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  const std::string full = detail::FullWindowsPath(pattern ? pattern : "");
  if (full.empty()) return Fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
  const auto sep = LastSeparator(full);
  const std::string folder = full.substr(0, std::max<size_t>(sep, 3));  // "C:\" keeps its separator
  const std::string namePattern = full.substr(sep + 1);
  if (namePattern.empty()) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
  if (!HasValidNameCharacters(std::string_view(folder).substr(2), false) ||
      !HasValidNameCharacters(namePattern, true))
    return Fail(ERROR_INVALID_NAME, INVALID_HANDLE_VALUE);
  const std::string host = detail::ToHostPath(folder);
  if (host.empty()) return Fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);

  std::vector<FoundEntry> all;
  if (!ReadFolder(host, &all)) return Fail(FolderError(errno), INVALID_HANDLE_VALUE);
  if (folder.size() > 3)  // the root of a drive has no "." and ".."
    all.insert(all.begin(), {FoundEntry{".", ".", {}}, FoundEntry{"..", "..", {}}});
  std::vector<FoundEntry> matching;
  for (FoundEntry& entry : all)
    if (detail::MatchesWildcard(namePattern, entry.name)) matching.push_back(std::move(entry));

  auto search = std::make_shared<FindSearch>(host, std::move(matching));
  if (!search->Next(data)) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
  return HandleFromId(detail::HandleTable::Insert(std::move(search)));
}

BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data) {
  auto search = detail::HandleTable::Get<FindSearch>(find);
  if (!search) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (!data) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  if (!search->Next(data)) return Fail(ERROR_NO_MORE_FILES, FALSE);
  return TRUE;
}

BOOL FindClose(HANDLE find) {
  if (!detail::HandleTable::Get<FindSearch>(find)) return Fail(ERROR_INVALID_HANDLE, FALSE);
  detail::HandleTable::Remove(HandleId(find));
  return TRUE;
}

DWORD GetLogicalDrives() {
  DWORD mask = 0;
  for (char letter = 'A'; letter <= 'Z'; ++letter)
    if (!DriveFolder(letter).empty()) mask |= 1u << (letter - 'A');
  return mask;
}

// ---------------------------------------------------------------- file handles

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD flags, HANDLE) {
  const bool readable = access & (GENERIC_READ | GENERIC_EXECUTE | GENERIC_ALL);
  const bool writable = access & (GENERIC_WRITE | GENERIC_ALL);
  if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING || (disposition == TRUNCATE_EXISTING && !writable))
    return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  std::string host;
  if (!ResolveHost(name, &host)) return INVALID_HANDLE_VALUE;

  HostStatus before;
  if (StatPath(host, &before)) {
    if (disposition == CREATE_NEW) return Fail(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE);
    // Folders cannot be opened, and devices and pipes could block the open.
    if (!S_ISREG(before.mode)) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    const bool changes = writable || disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    if (changes && IsReadOnly(before)) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
  }
  const int mode = readable && writable ? O_RDWR : writable ? O_WRONLY : O_RDONLY;
  const Opened opened = OpenHost(host, mode, disposition, (flags & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666);
  if (opened.fd < 0) return Fail(ErrorFromErrno(errno, host), INVALID_HANDLE_VALUE);
  HostStatus status;
  if (!StatFd(opened.fd, &status) || !S_ISREG(status.mode)) {
    close(opened.fd);
    return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
  }
  const bool reportExisting = opened.existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS);
  SetLastError(reportExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return HandleFromId(detail::HandleTable::Insert(std::make_shared<File>(opened.fd, readable, writable)));
}

BOOL ReadFile(HANDLE h, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped) {
  if (read) *read = 0;
  if (overlapped) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  auto file = FileOf(h);
  if (!file) return FALSE;
  if (!file->readable()) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (!buffer && toRead) return Fail(ERROR_NOACCESS, FALSE);
  DWORD total = 0;
  while (total < toRead) {
    const ssize_t n = ::read(file->fd(), static_cast<char*>(buffer) + total, toRead - total);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(ErrorFromErrno(errno, {}), FALSE);
    if (n == 0) break;
    total += static_cast<DWORD>(n);
    if (read) *read = total;
  }
  return TRUE;
}

BOOL WriteFile(HANDLE h, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED overlapped) {
  if (written) *written = 0;
  if (overlapped) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  auto file = WritableFileOf(h);
  if (!file) return FALSE;
  if (!buffer && toWrite) return Fail(ERROR_NOACCESS, FALSE);
  // A disk that fills up part-way: half the data lands, then the write fails.
  const bool diskFills = detail::ShouldFail("WriteFile");
  const DWORD landing = diskFills ? toWrite / 2 : toWrite;
  DWORD total = 0;
  while (total < landing) {
    const ssize_t n = write(file->fd(), static_cast<const char*>(buffer) + total, landing - total);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Fail(n < 0 ? ErrorFromErrno(errno, {}) : ERROR_WRITE_FAULT, FALSE);
    total += static_cast<DWORD>(n);
    if (written) *written = total;
  }
  return diskFills ? Fail(ERROR_DISK_FULL, FALSE) : TRUE;
}

DWORD SetFilePointer(HANDLE h, LONG distance, LPLONG distanceHigh, DWORD method) {
  auto file = FileOf(h);
  if (!file) return INVALID_SET_FILE_POINTER;
  LONGLONG move = distance;
  if (distanceHigh)
    move = static_cast<LONGLONG>((static_cast<ULONGLONG>(static_cast<DWORD>(*distanceHigh)) << 32) |
                                 static_cast<DWORD>(distance));
  const auto target = TargetPosition(*file, move, method);
  if (!target) return INVALID_SET_FILE_POINTER;
  // Without a high part the new position must fit in 32 bits.
  if (!distanceHigh && *target > 0xFFFFFFFELL) return Fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
  if (!MoveTo(*file, *target)) return INVALID_SET_FILE_POINTER;
  if (distanceHigh) *distanceHigh = static_cast<LONG>(*target >> 32);
  SetLastError(ERROR_SUCCESS);  // a low part of 0xFFFFFFFF is then no failure
  return static_cast<DWORD>(*target);
}

BOOL SetFilePointerEx(HANDLE h, LARGE_INTEGER distance, PLARGE_INTEGER newPosition, DWORD method) {
  auto file = FileOf(h);
  if (!file) return FALSE;
  const auto target = TargetPosition(*file, distance.QuadPart, method);
  if (!target || !MoveTo(*file, *target)) return FALSE;
  if (newPosition) newPosition->QuadPart = *target;
  return TRUE;
}

DWORD GetFileSize(HANDLE h, LPDWORD sizeHigh) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(h, &size)) return INVALID_FILE_SIZE;
  if (sizeHigh) *sizeHigh = static_cast<DWORD>(size.u.HighPart);
  SetLastError(ERROR_SUCCESS);  // a low part of 0xFFFFFFFF is then no failure
  return size.u.LowPart;
}

BOOL GetFileSizeEx(HANDLE h, PLARGE_INTEGER size) {
  auto file = FileOf(h);
  if (!file) return FALSE;
  HostStatus status;
  if (!StatFd(file->fd(), &status)) return Fail(ErrorFromErrno(errno, {}), FALSE);
  if (size) size->QuadPart = static_cast<LONGLONG>(status.size);
  return TRUE;
}

BOOL SetEndOfFile(HANDLE h) {
  auto file = WritableFileOf(h);
  if (!file) return FALSE;
  const off_t position = lseek(file->fd(), 0, SEEK_CUR);
  if (position < 0 || ftruncate(file->fd(), position) != 0) return Fail(ErrorFromErrno(errno, {}), FALSE);
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE h) {
  auto file = WritableFileOf(h);
  if (!file) return FALSE;
  if (fsync(file->fd()) != 0) return Fail(ErrorFromErrno(errno, {}), FALSE);
  return TRUE;
}

BOOL GetFileTime(HANDLE h, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
  auto file = FileOf(h);
  if (!file) return FALSE;
  HostStatus status;
  if (!StatFd(file->fd(), &status)) return Fail(ErrorFromErrno(errno, {}), FALSE);
  if (creation) *creation = status.creation;
  if (lastAccess) *lastAccess = status.lastAccess;
  if (lastWrite) *lastWrite = status.lastWrite;
  return TRUE;
}

BOOL SetFileTime(HANDLE h, const FILETIME*, const FILETIME* lastAccess, const FILETIME* lastWrite) {
  auto file = WritableFileOf(h);
  if (!file) return FALSE;
  const struct timespec times[2] = {TimeSpecOf(lastAccess), TimeSpecOf(lastWrite)};
  if (futimens(file->fd(), times) != 0) return Fail(ErrorFromErrno(errno, {}), FALSE);
  return TRUE;
}

// ---------------------------------------------------------------- names and folders

BOOL DeleteFileA(LPCSTR name) {
  std::string host;
  if (!ResolveHost(name, &host)) return FALSE;
  HostStatus status;
  if (!StatLink(host, &status)) return FailWithErrno(host);
  // The platform refuses to delete folders and read-only files.
  if (S_ISDIR(status.mode) || IsReadOnly(status)) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (unlink(host.c_str()) != 0) return FailWithErrno(host);
  return TRUE;
}

BOOL MoveFileA(LPCSTR from, LPCSTR to) { return MoveFileExA(from, to, MOVEFILE_COPY_ALLOWED); }

BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
  std::string fromHost, toHost;
  if (!ResolveHost(from, &fromHost) || !ResolveHost(to, &toHost)) return FALSE;
  HostStatus source, target;
  if (!StatLink(fromHost, &source)) return FailWithErrno(fromHost);
  const bool replace = flags & MOVEFILE_REPLACE_EXISTING;
  const bool targetExists = StatLink(toHost, &target);
  const bool sameFile = targetExists && IsSameFile(source, target);
  if (sameFile) {
    toHost = SpelledTarget(toHost, to);
  } else if (targetExists) {
    if (!replace) return Fail(ERROR_ALREADY_EXISTS, FALSE);
    if (S_ISDIR(target.mode) || S_ISDIR(source.mode) || IsReadOnly(target)) return Fail(ERROR_ACCESS_DENIED, FALSE);
  }
  if (RenameHost(fromHost, toHost, replace || sameFile)) return TRUE;
  if (errno == EEXIST) return Fail(ERROR_ALREADY_EXISTS, FALSE);
  if (errno != EXDEV || !(flags & MOVEFILE_COPY_ALLOWED) || !S_ISREG(source.mode)) return FailWithErrno(toHost);
  if (!CopyHostFile(fromHost, toHost, !replace)) return FALSE;
  if (unlink(fromHost.c_str()) != 0) return FailWithErrno(fromHost);
  return TRUE;
}

BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists) {
  std::string fromHost, toHost;
  if (!ResolveHost(from, &fromHost) || !ResolveHost(to, &toHost)) return FALSE;
  HostStatus source, target;
  if (!StatPath(fromHost, &source)) return FailWithErrno(fromHost);
  if (!S_ISREG(source.mode)) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (StatPath(toHost, &target)) {
    if (failIfExists) return Fail(ERROR_FILE_EXISTS, FALSE);
    // Copying a file onto itself would truncate it before reading it.
    if (IsSameFile(source, target)) return Fail(ERROR_SHARING_VIOLATION, FALSE);
    if (!S_ISREG(target.mode) || IsReadOnly(target)) return Fail(ERROR_ACCESS_DENIED, FALSE);
  }
  return CopyHostFile(fromHost, toHost, failIfExists);
}

BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
  std::string host;
  if (!ResolveHost(path, &host)) return FALSE;
  if (mkdir(host.c_str(), 0777) == 0) return TRUE;
  if (errno == EEXIST) return Fail(ERROR_ALREADY_EXISTS, FALSE);
  if (errno == ENOENT) return Fail(ERROR_PATH_NOT_FOUND, FALSE);
  return FailWithErrno(host);
}

BOOL RemoveDirectoryA(LPCSTR path) {
  std::string host;
  if (!ResolveHost(path, &host)) return FALSE;
  if (rmdir(host.c_str()) == 0) return TRUE;
  if (errno == ENOTDIR) return Fail(ERROR_DIRECTORY, FALSE);
  if (errno == EEXIST) return Fail(ERROR_DIR_NOT_EMPTY, FALSE);
  return FailWithErrno(host);
}

DWORD GetTempPathA(DWORD size, LPSTR buffer) {
  mkdir(detail::ToHostPath(kTempFolder).c_str(), 0777);
  return detail::CopyToBuffer(std::string(kTempFolder) + "\\", buffer, size);
}

UINT GetTempFileNameA(LPCSTR folder, LPCSTR prefix, UINT unique, LPSTR buffer) {
  if (!folder || !buffer) return Fail(ERROR_INVALID_PARAMETER, 0u);
  const DWORD attributes = GetFileAttributesA(folder);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return Fail(ERROR_DIRECTORY, 0u);
  const std::string stem = detail::FullWindowsPath(std::string(folder) + "\\") +
                           std::string(Leading(prefix ? prefix : "", 3));
  const auto nameOf = [&](UINT number) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%X", number & 0xFFFF);
    return stem + digits + ".TMP";
  };
  if (nameOf(0xFFFF).size() >= static_cast<size_t>(MAX_PATH)) return Fail(ERROR_FILENAME_EXCED_RANGE, 0u);
  const UINT number = unique ? unique & 0xFFFF : CreateNumberedFile(nameOf);
  if (number == 0) return 0;
  const std::string name = nameOf(number);
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  return number;
}

}  // namespace win
