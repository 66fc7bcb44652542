// Layout with the built-in font: cells of 6 by 12 pixels (double-byte
// characters 12 wide), ascent 10, underline one row below the baseline.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "platform/Fonts.h"
#include "platform/Text.h"
#include "platform/TextLayout.h"
#include "platform/tests/TextCanvas.h"
#include "testsupport/WinPrint.h"

using namespace win;
using detail::DrawTextLayout;
using detail::LayOutDrawText;
using detail::TextRun;

namespace {

class TextLayout : public testing::Test {
 protected:
  void SetUp() override {
    test::UseFallbackFontOnly(true);
    font = Font(FALSE, FALSE);
  }
  void TearDown() override { test::UseFallbackFontOnly(false); }

  static std::shared_ptr<const detail::Font> Font(BOOL underline, BOOL strikeOut) {
    LOGFONTA lf{};
    lf.lfHeight = -12;
    lf.lfUnderline = static_cast<BYTE>(underline);
    lf.lfStrikeOut = static_cast<BYTE>(strikeOut);
    lf.lfCharSet = SHIFTJIS_CHARSET;
    const std::string face = SJ("ＭＳ Ｐゴシック");
    std::memcpy(lf.lfFaceName, face.data(), face.size());
    return detail::RealizeFont(lf);
  }

  DrawTextLayout Draw(const std::string& text, RECT rect, UINT format) const {
    return LayOutDrawText(*font, text, rect, format);
  }

  // The left edge and top of each line's cell.
  static std::vector<POINT> Origins(const DrawTextLayout& layout) {
    std::vector<POINT> origins;
    for (const TextRun& run : layout.lines) origins.push_back(POINT{run.cell.left, run.cell.top});
    return origins;
  }
  static std::vector<LONG> Widths(const DrawTextLayout& layout) {
    std::vector<LONG> widths;
    for (const TextRun& run : layout.lines) widths.push_back(run.cell.right - run.cell.left);
    return widths;
  }

  std::shared_ptr<const detail::Font> font;
};

const RECT kBox{0, 0, 100, 40};

}  // namespace

TEST_F(TextLayout, TextRunsPlaceGlyphsFromTheCellsTopLeft) {
  TextRun run = detail::LayOutTextRun(*font, "Hi", POINT{10, 20});
  EXPECT_EQ(run.baseline, 30);
  EXPECT_EQ(run.cell, (RECT{10, 20, 22, 32}));
  ASSERT_EQ(run.glyphs.size(), 2u);
  EXPECT_EQ(run.glyphs[0].x, 10);
  EXPECT_EQ(run.glyphs[0].y, 20);
  EXPECT_EQ(run.glyphs[1].x, 16);
  EXPECT_TRUE(run.strokes.empty());

  texttest::TextCanvas canvas(30, 12);
  detail::OffsetRun(run, -9, -20);
  canvas.Draw(run);
  EXPECT_EQ(canvas.Rows(3, 10),
            ".#...#...#....................\n"
            ".#...#........................\n"
            ".#...#..##....................\n"
            ".#####...#....................\n"
            ".#...#...#....................\n"
            ".#...#...#....................\n"
            ".#...#..###...................\n");
}

TEST_F(TextLayout, ByteAdvancesOfExtTextOutAddUpForDoubleByteCharacters) {
  const std::string text = "A" + SJ("日") + "B";
  const INT dx[] = {7, 5, 4, 9};
  TextRun run = detail::LayOutTextRun(*font, text, POINT{0, 0}, dx);
  ASSERT_EQ(run.glyphs.size(), 3u);
  EXPECT_EQ(run.glyphs[1].x, 7);
  EXPECT_EQ(run.glyphs[2].x, 16);
  EXPECT_EQ(run.cell.right, 25);
}

TEST_F(TextLayout, UnderlineAndStrikeOutSpanTheRun) {
  auto lined = Font(TRUE, TRUE);
  TextRun run = detail::LayOutTextRun(*lined, "abc", POINT{5, 0});
  ASSERT_EQ(run.strokes.size(), 2u);
  EXPECT_EQ(run.strokes[0], (RECT{5, 11, 23, 12}));
  EXPECT_EQ(run.strokes[1], (RECT{5, 7, 23, 8}));
  EXPECT_TRUE(detail::LayOutTextRun(*lined, "", POINT{5, 0}).strokes.empty());
}

TEST_F(TextLayout, HorizontalAlignment) {
  EXPECT_EQ(Origins(Draw("abc", kBox, DT_LEFT)), (std::vector<POINT>{{0, 0}}));
  EXPECT_EQ(Origins(Draw("abc", kBox, DT_CENTER)), (std::vector<POINT>{{41, 0}}));
  EXPECT_EQ(Origins(Draw("abc", kBox, DT_RIGHT)), (std::vector<POINT>{{82, 0}}));
  // Each line of several is aligned on its own.
  EXPECT_EQ(Origins(Draw("abc\nabcdef", RECT{10, 5, 110, 45}, DT_CENTER)), (std::vector<POINT>{{51, 5}, {42, 17}}));
  // Too wide for the rectangle: centred about its middle all the same.
  EXPECT_EQ(Origins(Draw("abcdef", RECT{0, 0, 20, 12}, DT_CENTER)), (std::vector<POINT>{{-8, 0}}));
}

TEST_F(TextLayout, VerticalPlacementNeedsSingleLine) {
  DrawTextLayout centred = Draw("abc", kBox, DT_SINGLELINE | DT_VCENTER);
  EXPECT_EQ(Origins(centred), (std::vector<POINT>{{0, 14}}));
  EXPECT_EQ(centred.height, 26) << "the offset of the text's bottom from the top";
  DrawTextLayout bottom = Draw("abc", kBox, DT_SINGLELINE | DT_BOTTOM);
  EXPECT_EQ(Origins(bottom), (std::vector<POINT>{{0, 28}}));
  EXPECT_EQ(bottom.height, 40);
  DrawTextLayout ignored = Draw("abc", kBox, DT_VCENTER | DT_BOTTOM);
  EXPECT_EQ(Origins(ignored), (std::vector<POINT>{{0, 0}}));
  EXPECT_EQ(ignored.height, 12);
  // Taller than the rectangle: centred by truncating toward zero.
  EXPECT_EQ(Origins(Draw("abc", RECT{0, 0, 50, 9}, DT_SINGLELINE | DT_VCENTER)), (std::vector<POINT>{{0, -1}}));
}

TEST_F(TextLayout, CaptionCentredByTheHeightOfW) {
  // The image button's caption: the rectangle's top moved to centre one
  // line of the height of "W", then DT_CENTER | DT_VCENTER | DT_EXPANDTABS.
  RECT r{0, 0, 40, 25};
  const int h = detail::TextExtent(*font, "W").cy;
  r.top = (r.top + r.bottom - h) / 2;
  r.bottom = r.top + h;
  DrawTextLayout layout = Draw("OK", r, DT_CENTER | DT_VCENTER | DT_EXPANDTABS);
  EXPECT_EQ(Origins(layout), (std::vector<POINT>{{14, 6}}));
  texttest::TextCanvas canvas(40, 25);
  canvas.Draw(layout, r);
  EXPECT_EQ(canvas.InkBounds().top, 9);
  EXPECT_EQ(canvas.InkBounds().bottom, 16);
}

TEST_F(TextLayout, LinesBreakAtCarriageReturnsAndLineFeeds) {
  EXPECT_EQ(Draw("a\r\nb\nc\rd", kBox, 0).lines.size(), 4u);
  EXPECT_EQ(Draw("a\n\nb", kBox, 0).lines.size(), 3u);
  EXPECT_EQ(Draw("a\r\n", kBox, 0).lines.size(), 1u) << "a final break starts no line";
  EXPECT_EQ(Draw("a\r\n", kBox, 0).height, 12);
  EXPECT_EQ(Draw("\n", kBox, 0).height, 12);
  DrawTextLayout single = Draw("a\nb", kBox, DT_SINGLELINE);
  ASSERT_EQ(single.lines.size(), 1u);
  EXPECT_EQ(single.lines[0].glyphs.size(), 3u) << "a line feed is drawn as a character";
}

TEST_F(TextLayout, WordBreakAtBlanks) {
  DrawTextLayout layout = Draw("aaa bbb ccc", RECT{0, 0, 45, 100}, DT_WORDBREAK);
  EXPECT_EQ(Origins(layout), (std::vector<POINT>{{0, 0}, {0, 12}}));
  EXPECT_EQ(Widths(layout), (std::vector<LONG>{42, 18}));
  EXPECT_EQ(layout.height, 24);
  // The blanks where a line breaks belong to neither line.
  DrawTextLayout blanks = Draw("aaa    bbb", RECT{0, 0, 30, 100}, DT_WORDBREAK | DT_CENTER);
  EXPECT_EQ(Widths(blanks), (std::vector<LONG>{18, 18}));
  EXPECT_EQ(Origins(blanks), (std::vector<POINT>{{6, 0}, {6, 12}}));
  // A line that fits exactly does not break.
  EXPECT_EQ(Draw("aaaaa", RECT{0, 0, 30, 100}, DT_WORDBREAK).lines.size(), 1u);
  // Paragraphs break on their own.
  EXPECT_EQ(Widths(Draw("aa bb\ncc dd", RECT{0, 0, 20, 100}, DT_WORDBREAK)), (std::vector<LONG>{12, 12, 12, 12}));
  // No word break on a single line.
  EXPECT_EQ(Draw("aaa bbb ccc", RECT{0, 0, 45, 100}, DT_WORDBREAK | DT_SINGLELINE).lines.size(), 1u);
}

TEST_F(TextLayout, ALongWordOverflowsUnlessTheEditControlBreaksIt) {
  DrawTextLayout layout = Draw("bb abcdefghij kl", RECT{0, 0, 30, 100}, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_EQ(layout.height, 36);
  EXPECT_EQ(layout.bounds, (RECT{0, 0, 60, 36})) << "widened to the long word";
  EXPECT_TRUE(layout.lines.empty()) << "nothing drawn with DT_CALCRECT";
  EXPECT_EQ(Widths(Draw("bb abcdefghij kl", RECT{0, 0, 30, 100}, DT_WORDBREAK)), (std::vector<LONG>{12, 60, 12}));
  EXPECT_EQ(Widths(Draw("abcdefghij kl", RECT{0, 0, 30, 100}, DT_WORDBREAK | DT_EDITCONTROL)),
            (std::vector<LONG>{30, 30, 12}));
  // However narrow, every line holds at least one character.
  EXPECT_EQ(Draw("abc", RECT{0, 0, 0, 100}, DT_WORDBREAK | DT_EDITCONTROL).lines.size(), 3u);
}

TEST_F(TextLayout, JapaneseTextBreaksBetweenDoubleByteCharacters) {
  const RECT narrow{0, 0, 30, 100};
  EXPECT_EQ(Widths(Draw(SJ("あいうえお"), narrow, DT_WORDBREAK)), (std::vector<LONG>{24, 24, 12}));
  EXPECT_EQ(Widths(Draw(SJ("ab日本"), narrow, DT_WORDBREAK)), (std::vector<LONG>{24, 12}));
  EXPECT_EQ(Widths(Draw(SJ("日本abcd"), narrow, DT_WORDBREAK)), (std::vector<LONG>{24, 24}))
      << "a break before a single-byte word that follows";
  EXPECT_EQ(Widths(Draw(SJ("あいうえお"), narrow, DT_WORDBREAK | DT_NOFULLWIDTHCHARBREAK)), (std::vector<LONG>{60}));
  // Centred lyrics: every line centred in the label.
  EXPECT_EQ(Origins(Draw(SJ("君の名は"), narrow, DT_WORDBREAK | DT_CENTER)), (std::vector<POINT>{{3, 0}, {3, 12}}));
}

TEST_F(TextLayout, TabsExpandToEveryEighthAverageWidth) {
  DrawTextLayout expanded = Draw("a\tb", kBox, DT_EXPANDTABS);
  ASSERT_EQ(expanded.lines[0].glyphs.size(), 2u);
  EXPECT_EQ(expanded.lines[0].glyphs[1].x, 48);
  EXPECT_EQ(Widths(Draw("abcdefgh\tx", RECT{0, 0, 200, 20}, DT_EXPANDTABS)), (std::vector<LONG>{102}));
  EXPECT_EQ(Widths(Draw("a\tb", kBox, 0)), (std::vector<LONG>{18})) << "unexpanded, a tab is a character";
  // Tab stops count from the line's own start.
  DrawTextLayout right = Draw("a\tb", RECT{0, 0, 100, 20}, DT_EXPANDTABS | DT_RIGHT);
  EXPECT_EQ(right.lines[0].cell.left, 46);
}

TEST_F(TextLayout, PrefixUnderlinesTheNextCharacter) {
  DrawTextLayout layout = Draw("&File", kBox, 0);
  ASSERT_EQ(layout.lines.size(), 1u);
  EXPECT_EQ(layout.lines[0].glyphs.size(), 4u);
  EXPECT_EQ(Widths(layout), (std::vector<LONG>{24}));
  EXPECT_EQ(layout.lines[0].strokes, (std::vector<RECT>{{0, 11, 6, 12}}));
  EXPECT_EQ(Draw("Sa&ve", kBox, 0).lines[0].strokes, (std::vector<RECT>{{12, 11, 18, 12}}));
  EXPECT_EQ(Draw(SJ("&日"), kBox, 0).lines[0].strokes, (std::vector<RECT>{{0, 11, 12, 12}}));
  EXPECT_EQ(Draw("&a&b", kBox, 0).lines[0].strokes.size(), 2u);

  DrawTextLayout ampersand = Draw("A&&B", kBox, 0);
  EXPECT_EQ(Widths(ampersand), (std::vector<LONG>{18}));
  EXPECT_TRUE(ampersand.lines[0].strokes.empty());
  EXPECT_EQ(Draw("&&&x", kBox, 0).lines[0].strokes, (std::vector<RECT>{{6, 11, 12, 12}}));
  EXPECT_EQ(Widths(Draw("ab&", kBox, 0)), (std::vector<LONG>{12})) << "a last '&' is dropped";

  EXPECT_EQ(Widths(Draw("&File", kBox, DT_NOPREFIX)), (std::vector<LONG>{30}));
  EXPECT_TRUE(Draw("&File", kBox, DT_NOPREFIX).lines[0].strokes.empty());
  DrawTextLayout hidden = Draw("&File", kBox, DT_HIDEPREFIX);
  EXPECT_EQ(Widths(hidden), (std::vector<LONG>{24}));
  EXPECT_TRUE(hidden.lines[0].strokes.empty());
  DrawTextLayout only = Draw("&File", kBox, DT_PREFIXONLY);
  EXPECT_TRUE(only.lines[0].glyphs.empty());
  EXPECT_EQ(only.lines[0].strokes.size(), 1u);
}

TEST_F(TextLayout, PrefixPixelsUnderTheCharacter) {
  const RECT r{0, 0, 20, 12};
  texttest::TextCanvas canvas(20, 12);
  canvas.Draw(Draw("a&b", r, 0), r);
  EXPECT_EQ(canvas.Rows(10, 12),
            "....................\n"
            "......######........\n");
}

TEST_F(TextLayout, CalcRectMeasuresWithoutDrawing) {
  DrawTextLayout single = Draw("abc", RECT{10, 20, 100, 200}, DT_CALCRECT | DT_SINGLELINE | DT_CENTER);
  EXPECT_TRUE(single.lines.empty());
  EXPECT_EQ(single.bounds, (RECT{10, 20, 28, 32}));
  EXPECT_EQ(single.height, 12);
  DrawTextLayout multi = Draw("abc\nabcdefgh\n&x", RECT{10, 20, 15, 21}, DT_CALCRECT);
  EXPECT_EQ(multi.bounds, (RECT{10, 20, 58, 56}));
  EXPECT_EQ(multi.height, 36);
  DrawTextLayout wrapped = Draw("aaa bbb ccc", RECT{0, 0, 45, 0}, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_EQ(wrapped.bounds, (RECT{0, 0, 42, 24}));
  DrawTextLayout empty = Draw("", RECT{5, 5, 50, 50}, DT_CALCRECT);
  EXPECT_EQ(empty.bounds, (RECT{5, 5, 5, 5}));
  EXPECT_EQ(empty.height, 0);
  EXPECT_EQ(Draw("", kBox, DT_SINGLELINE | DT_VCENTER).height, 0);
}

TEST_F(TextLayout, EndEllipsisKeepsWhatFits) {
  DrawTextLayout layout = Draw("abcdefghij", RECT{0, 0, 40, 12}, DT_SINGLELINE | DT_END_ELLIPSIS);
  ASSERT_EQ(layout.lines.size(), 1u);
  EXPECT_EQ(Widths(layout), (std::vector<LONG>{36}));
  EXPECT_EQ(layout.lines[0].glyphs.size(), 6u) << "abc...";
  EXPECT_EQ(Widths(Draw("abcdef", RECT{0, 0, 36, 12}, DT_SINGLELINE | DT_END_ELLIPSIS)), (std::vector<LONG>{36}));
  EXPECT_EQ(Widths(Draw(SJ("日本語です"), RECT{0, 0, 40, 12}, DT_SINGLELINE | DT_END_ELLIPSIS)),
            (std::vector<LONG>{30}));
}

TEST_F(TextLayout, ClippingAndTheEditControlsLastLine) {
  EXPECT_TRUE(Draw("abc", kBox, 0).clip);
  EXPECT_FALSE(Draw("abc", kBox, DT_NOCLIP).clip);

  const RECT shallow{0, 0, 20, 30};
  EXPECT_EQ(Draw("aa bb cc", shallow, DT_WORDBREAK).lines.size(), 3u);
  DrawTextLayout edit = Draw("aa bb cc", shallow, DT_WORDBREAK | DT_EDITCONTROL);
  EXPECT_EQ(edit.lines.size(), 2u) << "the partly visible third line is not shown";
  EXPECT_EQ(edit.height, 36);

  texttest::TextCanvas canvas(40, 20);
  const RECT narrow{0, 0, 9, 20};
  canvas.Draw(Draw("WW", narrow, 0), narrow);
  EXPECT_EQ(canvas.InkBounds().right, 9);
}
