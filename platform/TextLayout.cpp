#include "platform/TextLayout.h"

#include <algorithm>

namespace win {
namespace detail {

namespace {

enum class Kind {
  Glyph,
  Blank,  // a space: where lines break
  Tab,    // an expanded tab: a blank that moves to the next tab stop
  Break,  // CR, LF or CR LF outside single-line mode
};

struct LayoutChar {
  CharCode code;
  Kind kind;
  bool wide;      // a double-byte character
  bool prefixed;  // marked by '&': drawn underlined
};

using Line = std::vector<LayoutChar>;

bool IsBlank(const LayoutChar& c) { return c.kind == Kind::Blank || c.kind == Kind::Tab; }

// The characters of a DrawTextA text: prefixes resolved ("&&" is one
// ampersand, '&' marks the next character, a last '&' is dropped) and line
// breaks recognised.
std::vector<LayoutChar> Parse(std::string_view text, UINT format) {
  const std::vector<TextChar> chars = DecodeText(text);
  const bool prefixes = !(format & DT_NOPREFIX);
  const bool singleLine = format & DT_SINGLELINE;
  std::vector<LayoutChar> out;
  bool marked = false;
  for (size_t i = 0; i < chars.size(); ++i) {
    const CharCode code = chars[i].code;
    if (prefixes && code == '&') {
      if (i + 1 < chars.size() && chars[i + 1].code == '&') {
        out.push_back({'&', Kind::Glyph, false, false});
        ++i;
      } else {
        marked = true;
      }
      continue;
    }
    Kind kind = Kind::Glyph;
    if (!singleLine && (code == '\r' || code == '\n')) {
      kind = Kind::Break;
      if (code == '\r' && i + 1 < chars.size() && chars[i + 1].code == '\n') ++i;
    } else if (code == ' ') {
      kind = Kind::Blank;
    } else if (code == '\t' && (format & DT_EXPANDTABS)) {
      kind = Kind::Tab;
    }
    out.push_back({code, kind, chars[i].length == 2, marked});
    marked = false;
  }
  return out;
}

// The paragraphs between line breaks; a break that ends the text starts no
// further line.
std::vector<Line> SplitParagraphs(const std::vector<LayoutChar>& chars) {
  std::vector<Line> paragraphs(1);
  for (const LayoutChar& c : chars) {
    if (c.kind == Kind::Break)
      paragraphs.emplace_back();
    else
      paragraphs.back().push_back(c);
  }
  if (paragraphs.size() > 1 && paragraphs.back().empty()) paragraphs.pop_back();
  return paragraphs;
}

struct LineMeasure {
  const Font& font;
  int tabWidth;

  int Next(int x, const LayoutChar& c) const {
    if (c.kind == Kind::Tab) return (x / tabWidth + 1) * tabWidth;
    return x + font.Advance(c.code);
  }
  // The pen position before each character and after the last.
  std::vector<int> Positions(const Line& line) const {
    std::vector<int> x(1, 0);
    for (const LayoutChar& c : line) x.push_back(Next(x.back(), c));
    return x;
  }
  int Width(const Line& line) const { return Positions(line).back(); }
};

// Greedy breaking of one paragraph into lines no wider than `width` where
// the text allows it: a line ends before a run of blanks (which then belong
// to neither line) or, for Japanese text, between double-byte characters.
// A word with no such place stays whole, unless DT_EDITCONTROL breaks it
// where it meets the edge.
void BreakParagraph(const Line& paragraph, const LineMeasure& measure, int width, UINT format,
                    std::vector<Line>& lines) {
  const bool breakWide = !(format & DT_NOFULLWIDTHCHARBREAK);
  const bool breakWords = format & DT_EDITCONTROL;
  size_t start = 0;
  for (;;) {
    int x = 0;
    size_t blankStart = start;
    size_t breakEnd = start, breakNext = start;  // breakEnd == start: no place to break yet
    size_t end = paragraph.size(), next = paragraph.size();
    for (size_t i = start; i < paragraph.size(); ++i) {
      const LayoutChar& c = paragraph[i];
      const bool blank = IsBlank(c);
      if (i > start && !blank) {
        const LayoutChar& before = paragraph[i - 1];
        if (IsBlank(before) && blankStart > start) {
          breakEnd = blankStart;
          breakNext = i;
        } else if (!IsBlank(before) && breakWide && (before.wide || c.wide)) {
          breakEnd = breakNext = i;
        }
      }
      if (blank && (i == start || !IsBlank(paragraph[i - 1]))) blankStart = i;
      const int after = measure.Next(x, c);
      if (!blank && after > width && i > start && (breakEnd > start || breakWords)) {
        end = breakEnd > start ? breakEnd : i;
        next = breakEnd > start ? breakNext : i;
        break;
      }
      x = after;
    }
    lines.emplace_back(paragraph.begin() + start, paragraph.begin() + end);
    if (next >= paragraph.size()) return;
    start = next;
  }
}

// DT_END_ELLIPSIS: a line wider than `width` keeps the characters that fit
// before "...".
void EndWithEllipsis(Line& line, const LineMeasure& measure, int width) {
  if (measure.Width(line) <= width) return;
  const Line dots(3, LayoutChar{'.', Kind::Glyph, false, false});
  const int dotsWidth = measure.Width(dots);
  int x = 0;
  size_t keep = 0;
  while (keep < line.size()) {
    const int after = measure.Next(x, line[keep]);
    if (after + dotsWidth > width) break;
    x = after;
    ++keep;
  }
  line.resize(keep);
  line.insert(line.end(), dots.begin(), dots.end());
}

struct RunOptions {
  bool glyphs = true;
  bool fontLines = true;
  bool prefixLines = true;
};

// A run from the characters' pen positions (relative to `left`) on the line
// whose top is `top`.
TextRun BuildRun(const Font& font, const Line& line, const std::vector<int>& x, int left, int top,
                 const RunOptions& options) {
  const TEXTMETRICA& tm = font.Metrics();
  TextRun run;
  run.baseline = top + tm.tmAscent;
  run.cell = RECT{left + x.front(), top, left + x.back(), top + tm.tmHeight};
  auto stroke = [&](int from, int to, int offset, int thickness) {
    run.strokes.push_back(RECT{from, run.baseline + offset, to, run.baseline + offset + thickness});
  };
  for (size_t i = 0; i < line.size(); ++i) {
    const LayoutChar& c = line[i];
    if (c.kind == Kind::Tab) continue;
    if (options.glyphs) {
      auto image = font.Glyph(c.code);
      if (image->width > 0 && image->height > 0)
        run.glyphs.push_back({left + x[i] + image->left, run.baseline + image->top, std::move(image)});
    }
    if (c.prefixed && options.prefixLines)
      stroke(left + x[i], left + x[i + 1], font.UnderlineOffset(), font.UnderlineThickness());
  }
  if (options.fontLines && run.cell.right > run.cell.left) {
    if (font.LogFont().lfUnderline)
      stroke(run.cell.left, run.cell.right, font.UnderlineOffset(), font.UnderlineThickness());
    if (font.LogFont().lfStrikeOut)
      stroke(run.cell.left, run.cell.right, font.StrikeOutOffset(), font.StrikeOutThickness());
  }
  return run;
}

int LineLeft(const RECT& rect, int width, UINT format) {
  if (format & DT_CENTER) return rect.left + (rect.right - rect.left - width) / 2;
  if (format & DT_RIGHT) return rect.right - width;
  return rect.left;
}

}  // namespace

TextRun LayOutTextRun(const Font& font, std::string_view text, POINT origin, const INT* dx) {
  const std::vector<TextChar> chars = DecodeText(text);
  Line line;
  std::vector<int> x(1, 0);
  for (const TextChar& c : chars) {
    line.push_back({c.code, Kind::Glyph, c.length == 2, false});
    const int advance = dx ? dx[c.offset] + (c.length == 2 ? dx[c.offset + 1] : 0) : font.Advance(c.code);
    x.push_back(x.back() + advance);
  }
  return BuildRun(font, line, x, origin.x, origin.y, RunOptions{});
}

void OffsetRun(TextRun& run, int dx, int dy) {
  auto move = [&](RECT& r) { r = RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; };
  move(run.cell);
  run.baseline += dy;
  for (PlacedGlyph& g : run.glyphs) {
    g.x += dx;
    g.y += dy;
  }
  for (RECT& s : run.strokes) move(s);
}

DrawTextLayout LayOutDrawText(const Font& font, std::string_view text, const RECT& rect, UINT format) {
  const TEXTMETRICA& tm = font.Metrics();
  const LineMeasure measure{font, std::max<int>(1, tm.tmAveCharWidth * 8)};
  const int width = rect.right - rect.left;
  const bool singleLine = format & DT_SINGLELINE;

  DrawTextLayout layout;
  layout.clip = !(format & DT_NOCLIP);
  layout.bounds = RECT{rect.left, rect.top, rect.left, rect.top};
  if (text.empty()) return layout;

  std::vector<Line> lines;
  for (const Line& paragraph : SplitParagraphs(Parse(text, format))) {
    if (singleLine || !(format & DT_WORDBREAK))
      lines.push_back(paragraph);
    else
      BreakParagraph(paragraph, measure, width, format, lines);
  }
  if (format & DT_END_ELLIPSIS)
    for (Line& line : lines) EndWithEllipsis(line, measure, width);

  const int lineHeight = tm.tmHeight + (format & DT_EXTERNALLEADING ? tm.tmExternalLeading : 0);
  const int textHeight = lineHeight * static_cast<int>(lines.size());
  int top = rect.top;
  if (singleLine && (format & DT_VCENTER))
    top = rect.top + (rect.bottom - rect.top - textHeight) / 2;
  else if (singleLine && (format & DT_BOTTOM))
    top = rect.bottom - textHeight;

  layout.height = top - rect.top + textHeight;
  int widest = 0;
  const RunOptions options{!(format & DT_PREFIXONLY), !(format & DT_PREFIXONLY), !(format & DT_HIDEPREFIX)};
  for (size_t k = 0; k < lines.size(); ++k) {
    const std::vector<int> x = measure.Positions(lines[k]);
    widest = std::max(widest, x.back());
    const int lineTop = top + static_cast<int>(k) * lineHeight;
    // An edit control shows no partly visible line after its first.
    const bool hidden = (format & DT_EDITCONTROL) && k > 0 && lineTop + lineHeight > rect.bottom;
    if (!(format & DT_CALCRECT) && !hidden)
      layout.lines.push_back(BuildRun(font, lines[k], x, LineLeft(rect, x.back(), format), lineTop, options));
  }
  layout.bounds = RECT{rect.left, rect.top, rect.left + widest, rect.top + textHeight};
  return layout;
}

}  // namespace detail
}  // namespace win
