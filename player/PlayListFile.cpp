#include "player/PlayListFile.h"

#include <array>

#include "framework/SysUtils.h"
#include "platform/Errors.h"
#include "player/TextFile.h"

namespace koru {

namespace {

constexpr char kHeader[] = "#KORU play list";
constexpr size_t kFieldCount = 13;

std::string Escape(const std::string& field) {
  std::string out;
  for (char c : field) {
    switch (c) {
      case '%': out += "%25"; break;
      case '\t': out += "%09"; break;
      case '\r': out += "%0D"; break;
      case '\n': out += "%0A"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Unescape(std::string_view field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '%' && i + 2 < field.size()) {
      const std::string_view code = field.substr(i + 1, 2);
      const char decoded = code == "25" ? '%' : code == "09" ? '\t' : code == "0D" ? '\r' : code == "0A" ? '\n' : 0;
      if (decoded) {
        out += decoded;
        i += 2;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (true) {
    const size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

bool ParseFullLine(const std::vector<std::string_view>& fields, const std::string& folder, Track& track) {
  if (fields.size() != kFieldCount) return false;
  std::array<int, 8> numbers{};
  for (size_t i = 0; i < numbers.size(); ++i) {
    if (!TryStrToInt(fields[5 + i], numbers[i])) return false;
  }
  track.fileName = ResolvePath(folder, Unescape(fields[0]));
  track.title = Unescape(fields[1]);
  track.artist = Unescape(fields[2]);
  track.text3 = Unescape(fields[3]);
  const std::string lyrics = Unescape(fields[4]);
  track.lyricsName = lyrics.empty() ? lyrics : ResolvePath(folder, lyrics);
  track.value1 = numbers[0];
  track.value2 = numbers[1];
  track.value3 = numbers[2];
  track.kind = numbers[3];
  track.driveTrack = numbers[4];
  track.value4 = numbers[5];
  track.value5 = numbers[6];
  track.length = numbers[7];
  return track.length >= 0;
}

}  // namespace

bool LoadPlayListFile(const std::string& path, std::vector<Track>& tracks) {
  std::string text;
  if (!ReadTextFile(path, text)) return false;
  const std::string folder = ExtractFileDir(path);
  std::vector<Track> loaded;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (Trim(line).empty() || line.front() == '#') continue;
    const auto fields = SplitTabs(line);
    if (fields.size() == 1) {
      loaded.push_back(ReadTrack(ResolvePath(folder, Trim(Unescape(line)))));
      continue;
    }
    Track track;
    if (!ParseFullLine(fields, folder, track)) {
      win::SetLastError(win::ERROR_BAD_FORMAT);
      return false;
    }
    loaded.push_back(std::move(track));
  }
  tracks = std::move(loaded);
  return true;
}

bool SavePlayListFile(const std::string& path, const std::vector<Track>& tracks) {
  std::string text = std::string(kHeader) + "\r\n";
  for (const Track& t : tracks) {
    const std::string fields[] = {Escape(t.fileName), Escape(t.title), Escape(t.artist), Escape(t.text3),
                                  Escape(t.lyricsName)};
    for (const std::string& f : fields) text += f + "\t";
    const win::LONG values[] = {t.value1, t.value2, t.value3, t.kind, t.driveTrack, t.value4, t.value5, t.length};
    for (size_t i = 0; i < std::size(values); ++i) {
      text += IntToStr(static_cast<int>(values[i]));
      text += i + 1 < std::size(values) ? "\t" : "\r\n";
    }
  }
  return WriteTextFile(path, text);
}

}  // namespace koru
