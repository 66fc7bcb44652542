// Text through device contexts with the built-in font (cells of 6 by 12
// pixels, ascent 10), so that every pixel is known: the expected picture is
// painted from the layout's own runs and compared pixel for pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/Snapshot.h"
#include "platform/Text.h"
#include "platform/TextDrawing.h"
#include "platform/tests/GdiTestSupport.h"
#include "testsupport/TempDir.h"
#include "testsupport/WinPrint.h"

using namespace win;
using detail::TextRun;
using gditest::Canvas;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kInk = RGB(200, 0, 0);
constexpr COLORREF kBack = RGB(0, 0, 160);
constexpr int kWidth = 64;
constexpr int kHeight = 32;

bool Inside(const std::optional<RECT>& clip, int x, int y) {
  return !clip || (x >= clip->left && x < clip->right && y >= clip->top && y < clip->bottom);
}

// What a canvas should show: white, the runs' cells in the background colour
// when opaque, full coverage and strokes in the text colour, all within
// `clip`. Partly covered pixels are left out of the comparison.
class Picture {
 public:
  Picture() : pixels_(kWidth * kHeight, kWhite) {}

  void Add(const TextRun& run, bool opaque, std::optional<RECT> clip = std::nullopt) {
    if (opaque) Fill(run.cell, kBack, clip);
    for (const auto& glyph : run.glyphs) {
      for (int y = 0; y < glyph.image->height; ++y) {
        for (int x = 0; x < glyph.image->width; ++x) {
          const int coverage = glyph.image->At(x, y);
          if (coverage == 255) Put(glyph.x + x, glyph.y + y, kInk, clip);
          if (coverage > 0 && coverage < 255) Put(glyph.x + x, glyph.y + y, CLR_NONE, clip);
        }
      }
    }
    for (const RECT& stroke : run.strokes) Fill(stroke, kInk, clip);
  }

  void Fill(const RECT& r, COLORREF color, std::optional<RECT> clip = std::nullopt) {
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) Put(x, y, color, clip);
  }

  // The pixels that differ, as "x,y" for a readable failure.
  std::vector<std::string> Differences(const Canvas& canvas) const {
    std::vector<std::string> wrong;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        COLORREF want = pixels_[y * kWidth + x];
        if (want != CLR_NONE && canvas.At(x, y) != want) wrong.push_back(std::to_string(x) + "," + std::to_string(y));
      }
    }
    return wrong;
  }

  int Count(COLORREF color) const {
    return static_cast<int>(std::count(pixels_.begin(), pixels_.end(), color));
  }

 private:
  void Put(int x, int y, COLORREF color, const std::optional<RECT>& clip) {
    if (x < 0 || y < 0 || x >= kWidth || y >= kHeight || !Inside(clip, x, y)) return;
    pixels_[y * kWidth + x] = color;
  }
  std::vector<COLORREF> pixels_;
};

class TextDrawing : public testing::Test {
 protected:
  void SetUp() override {
    test::UseFallbackFontOnly(true);
    canvas.Fill(kWhite);
    SetTextColor(canvas.dc(), kInk);
    SetBkColor(canvas.dc(), kBack);
    font = detail::FontFromHandle(DefaultFont());
  }
  void TearDown() override { test::UseFallbackFontOnly(false); }

  static HFONT DefaultFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

  TextRun Run(const std::string& text, POINT origin) const { return detail::LayOutTextRun(*font, text, origin); }

  Canvas canvas{kWidth, kHeight};
  std::shared_ptr<const detail::Font> font;
};

TEST_F(TextDrawing, TextOutBlendsTheGlyphsInTheTextColourOverATransparentBackground) {
  SetBkMode(canvas.dc(), TRANSPARENT);
  ASSERT_TRUE(TextOutA(canvas.dc(), 5, 3, "Ag", 2));
  Picture want;
  want.Add(Run("Ag", {5, 3}), false);
  ASSERT_GT(want.Count(kInk), 10);
  EXPECT_EQ(want.Differences(canvas), std::vector<std::string>{});
}

TEST_F(TextDrawing, AnOpaqueBackgroundFillsTheCellOnly) {
  ASSERT_EQ(GetBkMode(canvas.dc()), OPAQUE);
  ASSERT_TRUE(TextOutA(canvas.dc(), 5, 3, "Ag", 2));
  Picture want;
  want.Add(Run("Ag", {5, 3}), true);
  EXPECT_EQ(want.Count(kBack) + want.Count(kInk), 12 * 12);
  EXPECT_EQ(want.Differences(canvas), std::vector<std::string>{});
}

TEST_F(TextDrawing, TextStaysInsideTheClipRegionAndFollowsTheOrigin) {
  HRGN left = CreateRectRgn(0, 0, 20, kHeight);
  SelectClipRgn(canvas.dc(), left);
  DeleteObject(left);
  SetViewportOrgEx(canvas.dc(), 10, 4, nullptr);
  ASSERT_TRUE(TextOutA(canvas.dc(), 0, 0, "WWW", 3));
  SelectClipRgn(canvas.dc(), nullptr);  // GetPixel sees through both
  SetViewportOrgEx(canvas.dc(), 0, 0, nullptr);
  Picture want;
  want.Add(Run("WWW", {10, 4}), true, RECT{0, 0, 20, kHeight});
  EXPECT_EQ(want.Differences(canvas), std::vector<std::string>{});
  EXPECT_EQ(canvas.At(20, 8), kWhite);
}

TEST_F(TextDrawing, BaselineAndCentreAlignmentShiftTheRun) {
  EXPECT_EQ(SetTextAlign(canvas.dc(), TA_BASELINE | TA_CENTER), TA_TOP | TA_LEFT);
  EXPECT_EQ(GetTextAlign(canvas.dc()), TA_BASELINE | TA_CENTER);
  ASSERT_TRUE(TextOutA(canvas.dc(), 32, 20, "abc", 3));
  TextRun run = Run("abc", {32, 20});
  ASSERT_EQ(run.cell.right - run.cell.left, 18);
  detail::OffsetRun(run, -9, -10);  // half the width, the ascent
  Picture want;
  want.Add(run, true);
  EXPECT_EQ(want.Differences(canvas), std::vector<std::string>{});
}

TEST_F(TextDrawing, UpdateCpDrawsFromTheCurrentPositionAndMovesIt) {
  SetTextAlign(canvas.dc(), TA_UPDATECP);
  MoveToEx(canvas.dc(), 4, 2, nullptr);
  ASSERT_TRUE(TextOutA(canvas.dc(), 40, 40, "ab", 2));
  ASSERT_TRUE(TextOutA(canvas.dc(), 40, 40, "c", 1));
  POINT position{};
  GetCurrentPositionEx(canvas.dc(), &position);
  EXPECT_EQ(position, (POINT{4 + 18, 2}));
  Picture want;
  want.Add(Run("abc", {4, 2}), true);
  EXPECT_EQ(want.Differences(canvas), std::vector<std::string>{});
}

TEST_F(TextDrawing, ExtTextOutFillsAndClipsToItsRectangle) {
  SetBkMode(canvas.dc(), TRANSPARENT);
  const RECT box{2, 2, 14, 10};
  ASSERT_TRUE(ExtTextOutA(canvas.dc(), 4, 1, ETO_OPAQUE | ETO_CLIPPED, &box, "XY", 2, nullptr));
  Picture want;
  want.Fill(box, kBack);
  want.Add(Run("XY", {4, 1}), false, box);
  EXPECT_EQ(want.Differences(canvas), std::vector<std::string>{});
  EXPECT_EQ(canvas.At(14, 5), kWhite);
  EXPECT_FALSE(ExtTextOutA(canvas.dc(), 0, 0, ETO_OPAQUE, nullptr, "X", 1, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(TextDrawing, DrawTextCentresASingleLine) {
  RECT rect{0, 0, kWidth, kHeight};
  const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  detail::DrawTextLayout layout = detail::LayOutDrawText(*font, "Hi", rect, format);
  ASSERT_EQ(layout.lines.size(), 1u);
  EXPECT_EQ(layout.lines[0].cell, (RECT{26, 10, 38, 22}));
  EXPECT_EQ(DrawTextA(canvas.dc(), "Hi", -1, &rect, format), layout.height);
  Picture want;
  want.Add(layout.lines[0], true);
  EXPECT_EQ(want.Differences(canvas), std::vector<std::string>{});
}

TEST_F(TextDrawing, DrawTextCalcRectMeasuresAndDrawsNothing) {
  RECT rect{3, 4, 200, 100};
  EXPECT_EQ(DrawTextA(canvas.dc(), "ab\r\ncdef", -1, &rect, DT_CALCRECT), 24);
  EXPECT_EQ(rect, (RECT{3, 4, 3 + 24, 4 + 24}));
  EXPECT_EQ(Picture().Differences(canvas), std::vector<std::string>{});
}

TEST_F(TextDrawing, DrawTextUnderlinesThePrefixAndClipsToItsRectangle) {
  SetBkMode(canvas.dc(), TRANSPARENT);
  RECT rect{2, 2, 20, 30};
  DrawTextA(canvas.dc(), "&File", 5, &rect, DT_SINGLELINE);
  detail::DrawTextLayout layout = detail::LayOutDrawText(*font, "&File", rect, DT_SINGLELINE);
  ASSERT_EQ(layout.lines[0].strokes.size(), 1u);
  const RECT underline = layout.lines[0].strokes[0];
  EXPECT_EQ(underline.left, 2);
  EXPECT_EQ(underline.right, 8);
  Picture want;
  want.Add(layout.lines[0], false, rect);
  EXPECT_EQ(want.Differences(canvas), std::vector<std::string>{});
  for (int x = 2; x < 8; ++x) EXPECT_EQ(canvas.At(x, underline.top), kInk) << x;
  EXPECT_EQ(canvas.At(20, 8), kWhite);  // "e" would start at 20
}

TEST_F(TextDrawing, MeasuresComeFromTheSelectedFont) {
  SIZE size{};
  ASSERT_TRUE(GetTextExtentPoint32A(canvas.dc(), SJ("aあ").c_str(), 3, &size));
  EXPECT_EQ(size, (SIZE{18, 12}));
  TEXTMETRICA tm{};
  ASSERT_TRUE(GetTextMetricsA(canvas.dc(), &tm));
  EXPECT_EQ(tm.tmHeight, 12);
  EXPECT_EQ(tm.tmAscent, 10);
  EXPECT_FALSE(GetTextExtentPoint32A(canvas.dc(), "a", 1, nullptr));
  EXPECT_FALSE(GetTextMetricsA(nullptr, &tm));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(TextFonts, StockFontsAreTheFontUnitsOwnAndSurviveDeletion) {
  EXPECT_EQ(GetStockObject(DEFAULT_GUI_FONT), detail::DefaultGuiFont());
  for (int index : {SYSTEM_FONT, ANSI_VAR_FONT, ANSI_FIXED_FONT, OEM_FIXED_FONT, DEVICE_DEFAULT_FONT, SYSTEM_FIXED_FONT})
    EXPECT_EQ(GetStockObject(index), detail::SystemFont()) << index;
  EXPECT_TRUE(DeleteObject(detail::SystemFont()));
  EXPECT_NE(detail::FontFromHandle(detail::SystemFont()), nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), detail::DefaultGuiFont());
  DeleteDC(dc);
}

TEST(TextFonts, GetObjectAnswersTheLogicalFont) {
  HFONT font = CreateFontA(-20, 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0, 0, 0, "Arial");
  EXPECT_EQ(GetObjectA(font, 0, nullptr), static_cast<int>(sizeof(LOGFONTA)));
  LOGFONTA lf{};
  ASSERT_EQ(GetObjectA(font, sizeof lf, &lf), static_cast<int>(sizeof(LOGFONTA)));
  EXPECT_EQ(lf.lfHeight, -20);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_EQ(lf.lfItalic, 1);
  EXPECT_STREQ(lf.lfFaceName, "Arial");
  LONG height = 0;
  EXPECT_EQ(GetObjectA(font, sizeof height, &height), static_cast<int>(sizeof height));
  EXPECT_EQ(height, -20);
  DeleteObject(font);
}

TEST(TextFonts, ASelectedFontMayBeDeletedAndTheDcKeepsDrawingWithIt) {
  test::UseFallbackFontOnly(true);
  Canvas canvas(kWidth, kHeight);
  HFONT font = CreateFontA(-24, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, "Arial");
  const LONG height = detail::FontFromHandle(font)->Metrics().tmHeight;
  ASSERT_NE(height, 12);
  EXPECT_EQ(SelectObject(canvas.dc(), font), detail::DefaultGuiFont());
  EXPECT_TRUE(DeleteObject(font));
  EXPECT_EQ(GetObjectA(font, 0, nullptr), 0);
  TEXTMETRICA tm{};
  ASSERT_TRUE(GetTextMetricsA(canvas.dc(), &tm));
  EXPECT_EQ(tm.tmHeight, height);
  EXPECT_TRUE(TextOutA(canvas.dc(), 0, 0, "A", 1));
  EXPECT_EQ(SelectObject(canvas.dc(), detail::DefaultGuiFont()), font);
  test::UseFallbackFontOnly(false);
}

// For a person to look at: Japanese text in the installed IPA face.
TEST(TextFonts, JapaneseTextInTheInstalledFaceIsSavedAsPng) {
  LOGFONTA lf{};
  lf.lfHeight = -16;
  lf.lfCharSet = SHIFTJIS_CHARSET;
  const std::string face = SJ("ＭＳ Ｐゴシック");
  std::memcpy(lf.lfFaceName, face.data(), face.size());
  HFONT font = CreateFontIndirectA(&lf);
  if (detail::FontFromHandle(font)->FamilyName().find("IPA") == std::string::npos)
    GTEST_SKIP() << "no IPA font installed";
  Canvas canvas(240, 60);
  canvas.Fill(kWhite);
  SelectObject(canvas.dc(), font);
  SetBkMode(canvas.dc(), TRANSPARENT);
  RECT rect{0, 0, 240, 60};
  const std::string text = SJ("日本語のテキスト\r\n漢字とかな、ABC");
  EXPECT_GT(DrawTextA(canvas.dc(), text.c_str(), -1, &rect, DT_CENTER), 0);
  const std::string path = testsupport::MakeTempDir("lozg-text-") + "/japanese.png";
  EXPECT_TRUE(test::SaveBitmapPng(canvas.bitmap(), path));
  std::cout << "saved " << path << "\n";
  SelectObject(canvas.dc(), detail::DefaultGuiFont());
  DeleteObject(font);
}

}  // namespace
