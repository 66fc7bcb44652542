#include "platform/Paths.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <unistd.h>
#include <vector>

#include "platform/Errors.h"
#include "platform/Prefix.h"
#include "platform/Text.h"

namespace win {

namespace {

constexpr const char* kWindowsFolder = "C:\\WINDOWS";

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Whether a Windows path ends with a separator; the trail byte of a
// double-byte character at the end does not count.
bool EndsWithSeparator(std::string_view path) {
  size_t last = std::string_view::npos;
  for (size_t sep = detail::FindSeparator(path); sep != std::string_view::npos;
       sep = detail::FindSeparator(path, sep + 1))
    last = sep;
  return !path.empty() && last == path.size() - 1;
}

// ---- file names between the host and Windows ----

constexpr char16_t kHostByteBase = 0xE000;

bool IsForbiddenInWindowsName(unsigned char c) { return c < 0x20 || std::strchr("\\:*?\"<>|", c); }

// The bytes a host name may hold that a Windows name writes as private-use
// characters. Only these come back from them: never a '/', a NUL or a '.',
// so that no Windows name reaches outside its folder.
bool IsEscapedByte(unsigned char b) { return b >= 0x80 || (b != 0 && IsForbiddenInWindowsName(b)); }

// The length of the UTF-8 character at the front of `text`: 0 when the bytes
// there are no character (a stray byte, a cut or overlong sequence, a
// surrogate, a code point beyond U+10FFFF).
size_t Utf8CharLength(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char first = byte(0);
  if (first < 0x80) return 1;
  const size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 0;
  if (length == 0 || first > 0xF4 || text.size() < length) return 0;
  char32_t code = first & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = code << 6 | (byte(i) & 0x3F);
  }
  constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

// The code page 932 forms of U+E000 + byte, for every byte.
const std::vector<std::string>& HostByteCodes() {
  static const std::vector<std::string> codes = [] {
    std::vector<std::string> all;
    for (char16_t byte = 0; byte < 0x100; ++byte) all.push_back(WideToAnsi(std::u16string(1, kHostByteBase + byte)));
    return all;
  }();
  return codes;
}

// The host byte a double-byte character of a Windows name stands for.
std::optional<char> HostByteOf(std::string_view character) {
  static const std::map<std::string, char, std::less<>> bytes = [] {
    std::map<std::string, char, std::less<>> all;
    for (size_t byte = 0; byte < HostByteCodes().size(); ++byte)
      if (IsEscapedByte(static_cast<unsigned char>(byte))) all[HostByteCodes()[byte]] = static_cast<char>(byte);
    return all;
  }();
  const auto it = bytes.find(character);
  return it == bytes.end() ? std::nullopt : std::optional<char>(it->second);
}

// A host character as Windows writes it: itself, when code page 932 holds
// it, a Windows name may and it does not stand for a host byte; else each of
// its bytes.
std::string WindowsCharacter(std::string_view character, bool valid) {
  const auto first = static_cast<unsigned char>(character[0]);
  if (first < 0x80 && !IsForbiddenInWindowsName(first)) return std::string(character);
  if (valid && first >= 0x80) {
    std::string ansi = Utf8ToAnsi(character);
    if (AnsiToUtf8(ansi) == character && !HostByteOf(ansi)) return ansi;
  }
  std::string escaped;
  for (char byte : character) escaped += HostByteCodes()[static_cast<unsigned char>(byte)];
  return escaped;
}

std::string MapFilePath() { return PlatformPrefix() + "/drives"; }

struct DriveMap {
  std::mutex lock;
  bool loaded = false;
  std::map<char, std::string> folders;
  std::string currentDirectory;
};

DriveMap& Drives() {
  static auto* map = new DriveMap;
  return *map;
}

// Reads the map file (lines "X: /host/folder"), or lays down the defaults.
void LoadDrives(DriveMap& map) {
  if (map.loaded) return;
  map.loaded = true;
  std::ifstream in(MapFilePath());
  std::string line;
  bool any = false;
  while (std::getline(in, line)) {
    if (line.size() < 4 || line[1] != ':' || line[2] != ' ' || !std::isalpha(static_cast<unsigned char>(line[0])))
      continue;
    map.folders[Upper(line[0])] = line.substr(3);
    any = true;
  }
  if (!any) {
    map.folders['C'] = PlatformPrefix() + "/drive_c";
    map.folders['Z'] = "/";
  }
  std::error_code ignored;
  if (auto c = map.folders.find('C'); c != map.folders.end())
    std::filesystem::create_directories(c->second + "/WINDOWS", ignored);
}

void SaveDrives(const DriveMap& map) {
  std::string tmp = MapFilePath() + ".tmp";
  {
    std::ofstream out(tmp, std::ios::trunc);
    for (const auto& [letter, folder] : map.folders) out << letter << ": " << folder << "\n";
  }
  std::rename(tmp.c_str(), MapFilePath().c_str());
}

bool IsDirectory(const std::string& host) {
  struct stat st {};
  return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// The entry of `folder` that equals `name` but for letter case, or `name`.
std::string FindEntryInAnyCase(const std::string& folder, const std::string& name) {
  struct stat st {};
  if (lstat((folder + "/" + name).c_str(), &st) == 0) return name;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return name;
  std::string found = name;
  while (dirent* entry = readdir(dir)) {
    if (EqualsIgnoringAsciiCase(entry->d_name, name)) {
      found = entry->d_name;
      break;
    }
  }
  closedir(dir);
  return found;
}

// The host's working folder, or C:\ when no drive maps it: full-path
// expansion needs a current directory with a drive.
std::string InitialCurrentDirectory() {
  char cwd[4096];
  const std::string windows = getcwd(cwd, sizeof cwd) ? detail::ToWindowsPath(cwd) : std::string();
  return windows.empty() ? "C:\\" : windows;
}

std::string CurrentDirectory() {
  DriveMap& map = Drives();
  {
    std::lock_guard guard(map.lock);
    if (!map.currentDirectory.empty()) return map.currentDirectory;
  }
  std::string initial = InitialCurrentDirectory();
  std::lock_guard guard(map.lock);
  if (map.currentDirectory.empty()) map.currentDirectory = initial;
  return map.currentDirectory;
}

}  // namespace

std::string DriveFolder(char letter) {
  DriveMap& map = Drives();
  std::lock_guard guard(map.lock);
  LoadDrives(map);
  auto it = map.folders.find(Upper(letter));
  return it == map.folders.end() ? std::string() : it->second;
}

void MapDrive(char letter, const std::string& hostFolder) {
  DriveMap& map = Drives();
  std::lock_guard guard(map.lock);
  LoadDrives(map);
  std::string folder = hostFolder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (folder.empty())
    map.folders.erase(Upper(letter));
  else
    map.folders[Upper(letter)] = folder;
  SaveDrives(map);
}

namespace detail {

DWORD CopyToBuffer(std::string_view text, LPSTR buffer, DWORD size) {
  if (!buffer || size <= text.size()) return static_cast<DWORD>(text.size() + 1);
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\0';
  return static_cast<DWORD>(text.size());
}

void ForgetDrives() {
  DriveMap& map = Drives();
  std::lock_guard guard(map.lock);
  map.loaded = false;
  map.folders.clear();
  map.currentDirectory.clear();
}

std::string HostNameToWindows(std::string_view hostName) {
  std::string windows;
  while (!hostName.empty()) {
    const size_t length = Utf8CharLength(hostName);
    windows += WindowsCharacter(hostName.substr(0, std::max<size_t>(length, 1)), length > 0);
    hostName.remove_prefix(std::max<size_t>(length, 1));
  }
  return windows;
}

std::string WindowsNameToHost(std::string_view windowsName) {
  std::string host;
  size_t plainFrom = 0;  // the start of the text not yet converted
  for (size_t i = 0; i < windowsName.size();) {
    const size_t length = IsDBCSLeadByte(static_cast<BYTE>(windowsName[i])) && i + 1 < windowsName.size() ? 2 : 1;
    if (const auto byte = length == 2 ? HostByteOf(windowsName.substr(i, 2)) : std::nullopt) {
      host += AnsiToUtf8(windowsName.substr(plainFrom, i - plainFrom));
      host += *byte;
      plainFrom = i + length;
    }
    i += length;
  }
  return host + AnsiToUtf8(windowsName.substr(plainFrom));
}

std::string_view::size_type FindSeparator(std::string_view path, std::string_view::size_type from) {
  for (auto i = from; i < path.size(); ++i) {
    if (IsSeparator(path[i])) return i;
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) ++i;
  }
  return std::string_view::npos;
}

std::string FullWindowsPath(std::string_view path) {
  if (path.empty()) return {};
  std::string current = CurrentDirectory();
  std::string combined;
  if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) {
    const char drive = Upper(path[0]);
    std::string_view rest = path.substr(2);
    if (!rest.empty() && IsSeparator(rest[0]))
      combined = std::string(1, drive) + ":" + std::string(rest);
    else if (Upper(current[0]) == drive)  // drive-relative: against the current directory of that drive
      combined = current + "\\" + std::string(rest);
    else
      combined = std::string(1, drive) + ":\\" + std::string(rest);
  } else if (IsSeparator(path[0])) {
    combined = current.substr(0, 2) + std::string(path);
  } else {
    combined = current + "\\" + std::string(path);
  }

  // Normalise the components after "X:".
  const bool trailingSeparator = EndsWithSeparator(combined);
  std::vector<std::string> parts;
  std::string_view body = std::string_view(combined).substr(2);
  size_t start = 0;
  while (start <= body.size()) {
    size_t sep = FindSeparator(body, start);
    std::string_view part = body.substr(start, sep == std::string_view::npos ? std::string_view::npos : sep - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.emplace_back(part);
    }
    if (sep == std::string_view::npos) break;
    start = sep + 1;
  }
  std::string full = std::string(1, Upper(combined[0])) + ":";
  for (const auto& part : parts) full += "\\" + part;
  if (parts.empty() || trailingSeparator) full += "\\";
  return full;
}

std::string ToHostPath(std::string_view windowsPath) {
  std::string full = FullWindowsPath(windowsPath);
  if (full.empty()) return {};
  std::string host = DriveFolder(full[0]);
  if (host.empty()) return {};
  if (host == "/") host.clear();
  bool resolving = true;
  size_t start = 3;
  while (start < full.size()) {
    size_t sep = FindSeparator(full, start);
    std::string part =
        WindowsNameToHost(std::string_view(full).substr(start, sep == std::string::npos ? sep : sep - start));
    if (resolving) {
      std::string folder = host.empty() ? "/" : host;
      part = FindEntryInAnyCase(folder, part);
      resolving = IsDirectory(host + "/" + part);
    }
    host += "/" + part;
    if (sep == std::string::npos) break;
    start = sep + 1;
  }
  if (host.empty()) host = "/";
  if (full.size() > 3 && EndsWithSeparator(full)) host += "/";
  return host;
}

std::string ToWindowsPath(std::string_view hostPath) {
  std::string host = std::filesystem::path(std::string(hostPath)).lexically_normal().string();
  if (host.empty() || host[0] != '/') {
    char cwd[4096];
    host = std::filesystem::path(std::string(getcwd(cwd, sizeof cwd) ? cwd : "/") + "/" + host)
               .lexically_normal()
               .string();
  }
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  char bestLetter = 0;
  size_t bestLength = 0;
  {
    DriveMap& map = Drives();
    std::lock_guard guard(map.lock);
    LoadDrives(map);
    for (const auto& [letter, folder] : map.folders) {
      const bool root = folder == "/";
      const bool under = root || host == folder ||
                         (host.size() > folder.size() && host.compare(0, folder.size(), folder) == 0 &&
                          host[folder.size()] == '/');
      const size_t length = root ? 0 : folder.size();
      if (under && (!bestLetter || length > bestLength)) {
        bestLetter = letter;
        bestLength = length;
      }
    }
  }
  if (!bestLetter) return {};
  std::string windows = std::string(1, bestLetter) + ":";
  std::string_view rest = std::string_view(host).substr(bestLength);
  // `rest` is empty or a '/' before each name.
  for (size_t slash = 0; slash < rest.size();) {
    const size_t next = std::min(rest.find('/', slash + 1), rest.size());
    windows += "\\" + HostNameToWindows(rest.substr(slash + 1, next - slash - 1));
    slash = next;
  }
  if (windows.size() == 2) windows += "\\";
  return windows;
}

}  // namespace detail

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) {
  DriveFolder('C');  // lays the folder down on first use
  return detail::CopyToBuffer(kWindowsFolder, buffer, size);
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) { return detail::CopyToBuffer(CurrentDirectory(), buffer, size); }

BOOL SetCurrentDirectoryA(LPCSTR path) {
  std::string full = detail::FullWindowsPath(path ? path : "");
  std::string host = detail::ToHostPath(full);
  if (full.empty() || host.empty() || !IsDirectory(host)) {
    SetLastError(host.empty() ? ERROR_INVALID_DRIVE : ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (full.size() > 3 && EndsWithSeparator(full)) full.pop_back();
  DriveMap& map = Drives();
  std::lock_guard guard(map.lock);
  map.currentDirectory = full;
  return TRUE;
}

DWORD GetFullPathNameA(LPCSTR name, DWORD size, LPSTR buffer, LPSTR* filePart) {
  std::string full = detail::FullWindowsPath(name ? name : "");
  if (full.empty()) {
    SetLastError(ERROR_INVALID_NAME);
    return 0;
  }
  DWORD result = detail::CopyToBuffer(full, buffer, size);
  if (filePart && result < size) {
    size_t last = 2;
    for (size_t sep = detail::FindSeparator(full); sep != std::string::npos; sep = detail::FindSeparator(full, sep + 1))
      last = sep;
    *filePart = last + 1 < full.size() ? buffer + last + 1 : nullptr;
  }
  return result;
}

}  // namespace win
