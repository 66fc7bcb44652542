#include "player/Lrc.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "framework/SysUtils.h"
#include "platform/Text.h"

namespace koru {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The position of the first ']' from `from`, stepping over double-byte
// characters whose second byte may look like one; npos when there is none.
size_t FindClosingBracket(std::string_view line, size_t from) {
  for (size_t i = from; i < line.size(); ++i) {
    if (win::IsDBCSLeadByte(static_cast<win::BYTE>(line[i]))) {
      ++i;
      continue;
    }
    if (line[i] == ']') return i;
  }
  return std::string_view::npos;
}

// Reads up to `maxDigits` decimal digits at `pos`; false when there is none.
bool ReadNumber(std::string_view s, size_t& pos, size_t maxDigits, int64_t& value, size_t& digits) {
  value = 0;
  digits = 0;
  while (pos < s.size() && IsDigit(s[pos]) && digits < maxDigits) {
    value = value * 10 + (s[pos] - '0');
    ++pos;
    ++digits;
  }
  return digits > 0 && (pos == s.size() || !IsDigit(s[pos]));
}

// "mm:ss", "mm:ss.f" to "mm:ss.fff" (or with ':' before the fraction) as
// milliseconds; false for anything else.
bool ParseTime(std::string_view tag, int64_t& ms) {
  size_t pos = 0;
  int64_t minutes = 0;
  int64_t seconds = 0;
  size_t digits = 0;
  if (!ReadNumber(tag, pos, 6, minutes, digits) || pos >= tag.size() || tag[pos] != ':') return false;
  ++pos;
  if (!ReadNumber(tag, pos, 2, seconds, digits) || seconds > 59) return false;
  int64_t fraction = 0;
  if (pos < tag.size()) {
    if (tag[pos] != '.' && tag[pos] != ':') return false;
    ++pos;
    if (!ReadNumber(tag, pos, 3, fraction, digits) || pos != tag.size()) return false;
    for (size_t d = digits; d < 3; ++d) fraction *= 10;
  }
  ms = (minutes * 60 + seconds) * 1000 + fraction;
  return true;
}

win::LONG ClampToLong(int64_t v) {
  return static_cast<win::LONG>(std::clamp<int64_t>(v, 0, INT32_MAX));
}

void ApplyIdTag(LrcDocument& doc, std::string_view key, std::string_view value, int64_t& offset) {
  const std::string k = LowerCase(key);
  const std::string v = Trim(value);
  if (k == "ti") {
    doc.title = v;
  } else if (k == "ar") {
    doc.artist = v;
  } else if (k == "al") {
    doc.album = v;
  } else if (k == "by") {
    doc.author = v;
  } else if (k == "offset") {
    std::string_view digits = v;
    bool negative = false;
    if (!digits.empty() && (digits[0] == '+' || digits[0] == '-')) {
      negative = digits[0] == '-';
      digits.remove_prefix(1);
    }
    size_t pos = 0;
    int64_t amount = 0;
    size_t count = 0;
    if (ReadNumber(digits, pos, 9, amount, count) && pos == digits.size()) offset = negative ? -amount : amount;
  }
}

struct TimedText {
  int64_t ms;
  size_t order;
  std::string text;
};

}  // namespace

LrcDocument ParseLrc(std::string_view text) {
  LrcDocument doc;
  std::string converted;
  if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    converted = win::Utf8ToAnsi(text.substr(kUtf8Bom.size()));
    text = converted;
  }

  std::vector<TimedText> timed;
  std::vector<std::string> freeText;
  int64_t offset = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find('\0') != std::string_view::npos) line = line.substr(0, line.find('\0'));

    std::vector<int64_t> times;
    bool tagged = false;
    size_t pos = 0;
    while (pos < line.size() && line[pos] == '[') {
      const size_t close = FindClosingBracket(line, pos + 1);
      if (close == std::string_view::npos) break;
      std::string_view tag = line.substr(pos + 1, close - pos - 1);
      int64_t ms = 0;
      if (ParseTime(tag, ms)) {
        times.push_back(ms);
      } else if (const size_t colon = tag.find(':'); colon != std::string_view::npos && colon > 0) {
        ApplyIdTag(doc, tag.substr(0, colon), tag.substr(colon + 1), offset);
      }
      tagged = true;
      pos = close + 1;
    }
    std::string_view rest = line.substr(pos);
    if (!times.empty()) {
      for (int64_t ms : times) timed.push_back({ms, timed.size(), std::string(rest)});
    } else if (!tagged && !Trim(rest).empty()) {
      freeText.push_back(TrimRight(rest));
    }
  }

  std::stable_sort(timed.begin(), timed.end(), [](const TimedText& a, const TimedText& b) { return a.ms < b.ms; });
  for (TimedText& t : timed) doc.lines.push_back({ClampToLong(t.ms - offset), std::move(t.text)});
  for (size_t i = 0; i < freeText.size(); ++i) {
    if (i > 0) doc.comment += "\r\n";
    doc.comment += freeText[i];
  }
  return doc;
}

int LineAt(const LrcDocument& lyrics, win::LONG positionMs) {
  auto after = std::upper_bound(lyrics.lines.begin(), lyrics.lines.end(), positionMs,
                                [](win::LONG pos, const LyricsLine& line) { return pos < line.tag; });
  return static_cast<int>(after - lyrics.lines.begin()) - 1;
}

}  // namespace koru
