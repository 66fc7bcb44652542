// Where the characters of a text go: the runs of placed glyphs that TextOutA
// and ExtTextOutA draw, and the lines that DrawTextA lays out by its format
// flags (alignment, single line, word breaks between blanks and between
// double-byte characters, tabs, the '&' prefix, ellipsis, DT_CALCRECT).
// Drawing a run is the device context's part: fill `cell` with the
// background colour when opaque, blend each mask in the text colour
// (each channel moves from the surface's value towards the text colour by
// coverage / 255), fill each stroke in the text colour, all within the
// clip.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "platform/Fonts.h"
#include "platform/Types.h"

namespace win {

constexpr UINT DT_TOP = 0x00000000;
constexpr UINT DT_LEFT = 0x00000000;
constexpr UINT DT_CENTER = 0x00000001;
constexpr UINT DT_RIGHT = 0x00000002;
constexpr UINT DT_VCENTER = 0x00000004;
constexpr UINT DT_BOTTOM = 0x00000008;
constexpr UINT DT_WORDBREAK = 0x00000010;
constexpr UINT DT_SINGLELINE = 0x00000020;
constexpr UINT DT_EXPANDTABS = 0x00000040;
constexpr UINT DT_TABSTOP = 0x00000080;
constexpr UINT DT_NOCLIP = 0x00000100;
constexpr UINT DT_EXTERNALLEADING = 0x00000200;
constexpr UINT DT_CALCRECT = 0x00000400;
constexpr UINT DT_NOPREFIX = 0x00000800;
constexpr UINT DT_INTERNAL = 0x00001000;
constexpr UINT DT_EDITCONTROL = 0x00002000;
constexpr UINT DT_PATH_ELLIPSIS = 0x00004000;
constexpr UINT DT_END_ELLIPSIS = 0x00008000;
constexpr UINT DT_MODIFYSTRING = 0x00010000;
constexpr UINT DT_RTLREADING = 0x00020000;
constexpr UINT DT_WORD_ELLIPSIS = 0x00040000;
constexpr UINT DT_NOFULLWIDTHCHARBREAK = 0x00080000;
constexpr UINT DT_HIDEPREFIX = 0x00100000;
constexpr UINT DT_PREFIXONLY = 0x00200000;

namespace detail {

// A glyph mask at its place: its top-left pixel lands on (x, y).
struct PlacedGlyph {
  int x;
  int y;
  std::shared_ptr<const GlyphImage> image;
};

// One line of text as it is drawn.
struct TextRun {
  RECT cell{};  // from the first pen position to the last, the line's top to its top + tmHeight
  int baseline = 0;
  std::vector<PlacedGlyph> glyphs;
  std::vector<RECT> strokes;  // the font's underline and strike-out, the prefix underlines
};

// The run of TextOutA at `origin`, the top-left corner of the text's cell.
// `dx`, when given, holds the advance of each byte as ExtTextOutA takes it
// (a double-byte character advances by the sum of its two). Other text
// alignments are the caller's shift of the result (OffsetRun).
TextRun LayOutTextRun(const Font& font, std::string_view text, POINT origin, const INT* dx = nullptr);
void OffsetRun(TextRun& run, int dx, int dy);

struct DrawTextLayout {
  std::vector<TextRun> lines;  // nothing to draw with DT_CALCRECT
  RECT bounds{};               // what DT_CALCRECT writes back
  int height = 0;              // DrawTextA's answer
  bool clip = true;            // false with DT_NOCLIP: draw outside `rect` too
};

// DrawTextA's layout of `text` in `rect`. VCENTER and BOTTOM count only
// with SINGLELINE; a word longer than the line stays whole unless
// DT_EDITCONTROL breaks it; Japanese text breaks between any two
// double-byte characters unless DT_NOFULLWIDTHCHARBREAK. Tab stops are
// every 8 average character widths. With DT_END_ELLIPSIS a line wider than
// the rectangle keeps what fits before "...". The answer is the text's
// height, or with VCENTER or BOTTOM the offset of its bottom from rect.top;
// an empty text has no line and height 0. DT_TABSTOP, DT_PATH_ELLIPSIS,
// DT_WORD_ELLIPSIS and DT_MODIFYSTRING are ignored.
DrawTextLayout LayOutDrawText(const Font& font, std::string_view text, const RECT& rect, UINT format);

}  // namespace detail
}  // namespace win
