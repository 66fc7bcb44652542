#include "player/Settings.h"

#include <tuple>

#include "framework/SysUtils.h"
#include "platform/Profile.h"

namespace koru {

namespace {

constexpr char kMain[] = "KORU";
constexpr char kLyrics[] = "Lyrics";
constexpr char kTool[] = "Tool";

win::LONG ReadInt(const std::string& file, const char* section, const char* key, win::LONG fallback) {
  return static_cast<win::LONG>(win::GetPrivateProfileIntA(section, key, fallback, file.c_str()));
}

// A whole profile listing (NUL-separated, ending with a second NUL), read
// with a buffer that grows until the listing fits.
std::string ReadListing(const std::string& file, const char* section) {
  for (win::DWORD size = 4096; size <= 1024 * 1024; size *= 4) {
    std::string buffer(size, '\0');
    const win::DWORD length = win::GetPrivateProfileSectionA(section, buffer.data(), size, file.c_str());
    if (length + 2 < size) return buffer.substr(0, length);
  }
  return {};
}

}  // namespace

PlayerSettings SettingsFile::Load() const {
  PlayerSettings s;
  char design[1024] = {};
  win::GetPrivateProfileStringA(kMain, "Design", "", design, sizeof design, path_.c_str());
  s.design = design;
  s.left = ReadInt(path_, kMain, "Left", s.left);
  s.top = ReadInt(path_, kMain, "Top", s.top);
  s.volume = ReadInt(path_, kMain, "Volume", s.volume);
  s.repeat = ReadInt(path_, kMain, "Repeat", 0) != 0;
  s.random = ReadInt(path_, kMain, "Random", 0) != 0;
  s.remainTime = ReadInt(path_, kMain, "RemainTime", 0) != 0;
  s.displayMode = ReadInt(path_, kMain, "DisplayMode", s.displayMode);
  s.rate = ReadInt(path_, kMain, "Rate", s.rate);
  s.recLevel = ReadInt(path_, kMain, "RecLevel", s.recLevel);
  s.adjustVolLevel = ReadInt(path_, kMain, "AdjustVolLevel", s.adjustVolLevel);
  s.adjustSpeanaLevel = ReadInt(path_, kMain, "AdjustSpeanaLevel", s.adjustSpeanaLevel);
  s.lyricsWidth = ReadInt(path_, kLyrics, "Width", s.lyricsWidth);
  s.lyricsHeight = ReadInt(path_, kLyrics, "Height", s.lyricsHeight);
  return s;
}

bool SettingsFile::Save(const PlayerSettings& s) const {
  // One replacement of the file: a save cut short leaves the old settings whole.
  const std::tuple<const char*, const char*, win::LONG> numbers[] = {
      {kMain, "Left", s.left},
      {kMain, "Top", s.top},
      {kMain, "Volume", s.volume},
      {kMain, "Repeat", s.repeat},
      {kMain, "Random", s.random},
      {kMain, "RemainTime", s.remainTime},
      {kMain, "DisplayMode", s.displayMode},
      {kMain, "Rate", s.rate},
      {kMain, "RecLevel", s.recLevel},
      {kMain, "AdjustVolLevel", s.adjustVolLevel},
      {kMain, "AdjustSpeanaLevel", s.adjustSpeanaLevel},
      {kLyrics, "Width", s.lyricsWidth},
      {kLyrics, "Height", s.lyricsHeight}};
  std::vector<std::string> texts;
  texts.reserve(std::size(numbers));  // the entries point into it
  std::vector<win::ProfileEntry> entries{{kMain, "Design", s.design.c_str()}};
  for (const auto& [section, key, value] : numbers) {
    texts.push_back(IntToStr(static_cast<int>(value)));
    entries.push_back({section, key, texts.back().c_str()});
  }
  return win::WritePrivateProfileEntriesA(entries.data(), static_cast<win::DWORD>(entries.size()), path_.c_str());
}

bool SettingsFile::SaveDesign(const std::string& design) const {
  return win::WritePrivateProfileStringA(kMain, "Design", design.c_str(), path_.c_str());
}

ToolList SettingsFile::Tools() const {
  ToolList tools;
  const std::string listing = ReadListing(path_, kTool);
  size_t start = 0;
  while (start < listing.size()) {
    size_t end = listing.find('\0', start);
    if (end == std::string::npos) end = listing.size();
    const std::string entry = listing.substr(start, end - start);
    start = end + 1;
    const size_t equals = entry.find('=');
    if (equals == std::string::npos) continue;
    tools.emplace_back(entry.substr(0, equals), entry.substr(equals + 1));
  }
  return tools;
}

}  // namespace koru
