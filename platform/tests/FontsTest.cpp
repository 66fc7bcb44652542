#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <limits>
#include <string>

#include "platform/Errors.h"
#include "platform/Fonts.h"
#include "platform/Text.h"
#include "platform/tests/TextCanvas.h"

using namespace win;

namespace {

LOGFONTA LogFont(LONG height, const std::string& face = SJ("ＭＳ Ｐゴシック"), LONG weight = FW_NORMAL) {
  LOGFONTA font{};
  font.lfHeight = height;
  font.lfWeight = weight;
  font.lfCharSet = SHIFTJIS_CHARSET;
  std::memcpy(font.lfFaceName, face.data(), std::min<size_t>(face.size(), LF_FACESIZE - 1));
  return font;
}

std::shared_ptr<const detail::Font> Realize(const LOGFONTA& font) { return detail::RealizeFont(font); }

class BuiltInFont : public testing::Test {
 protected:
  void SetUp() override { test::UseFallbackFontOnly(true); }
  void TearDown() override { test::UseFallbackFontOnly(false); }
};

// The ink of one character, drawn with its pen at (2, ascent) on a canvas.
texttest::TextCanvas Ink(const detail::Font& font, const std::string& text) {
  texttest::TextCanvas canvas(40, font.Metrics().tmHeight + 2);
  canvas.Draw(detail::LayOutTextRun(font, text, POINT{2, 0}));
  return canvas;
}

// An installed face whose family name holds `family`, or null.
std::shared_ptr<const detail::Font> Installed(const LOGFONTA& font, const std::string& family) {
  auto realized = Realize(font);
  return realized->FamilyName().find(family) != std::string::npos ? realized : nullptr;
}

}  // namespace

TEST(Fonts, StructuresHaveThePlatformsLayout) {
  EXPECT_EQ(sizeof(LOGFONTA), 60u);
  EXPECT_EQ(offsetof(LOGFONTA, lfWeight), 16u);
  EXPECT_EQ(offsetof(LOGFONTA, lfCharSet), 23u);
  EXPECT_EQ(offsetof(LOGFONTA, lfFaceName), 28u);
  EXPECT_EQ(sizeof(TEXTMETRICA), 56u);
  EXPECT_EQ(offsetof(TEXTMETRICA, tmFirstChar), 44u);
  EXPECT_EQ(offsetof(TEXTMETRICA, tmCharSet), 52u);
}

TEST(Fonts, HandlesCarryTheirLogicalFont) {
  const LOGFONTA asked = LogFont(-12);
  HFONT font = CreateFontIndirectA(&asked);
  ASSERT_NE(font, nullptr);
  auto realized = detail::FontFromHandle(font);
  ASSERT_NE(realized, nullptr);
  EXPECT_EQ(realized->LogFont().lfHeight, -12);
  EXPECT_EQ(std::string(realized->LogFont().lfFaceName), SJ("ＭＳ Ｐゴシック"));
  EXPECT_NE(CreateFontIndirectA(&asked), font) << "every call makes a new handle";

  SetLastError(0);
  EXPECT_EQ(CreateFontIndirectA(nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(detail::FontFromHandle(nullptr), nullptr);
  EXPECT_EQ(detail::FontFromHandle(HandleFromId<HFONT>(0x7FFFFFF0)), nullptr);
}

TEST(Fonts, CreateFontKeepsWholeCharactersOfALongFaceName) {
  std::string japanese;
  for (int i = 0; i < 20; ++i) japanese += SJ("表");  // trail byte 0x5C
  HFONT odd =
      CreateFontA(-12, 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0, 0, 0, ("A" + japanese).c_str());
  HFONT even = CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, ("AB" + japanese).c_str());
  const LOGFONTA& a = detail::FontFromHandle(odd)->LogFont();
  EXPECT_EQ(std::string(a.lfFaceName), "A" + japanese.substr(0, 30));
  EXPECT_EQ(a.lfWeight, FW_BOLD);
  EXPECT_EQ(a.lfItalic, 1);
  EXPECT_EQ(std::string(detail::FontFromHandle(even)->LogFont().lfFaceName), "AB" + japanese.substr(0, 28));
  EXPECT_EQ(
      detail::FontFromHandle(CreateFontA(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr))->LogFont().lfFaceName[0],
      '\0');
}

TEST(Fonts, AFaceNameThatFillsItsFieldIsCutAtTheField) {
  LOGFONTA font = LogFont(-12);
  std::memset(font.lfFaceName, 'x', LF_FACESIZE);  // no terminator
  auto realized = detail::FontFromHandle(CreateFontIndirectA(&font));
  EXPECT_EQ(std::string(realized->LogFont().lfFaceName), std::string(31, 'x'));
}

TEST(Fonts, TextIsDecodedIntoWholeCharacters) {
  const std::string text = "a" + SJ("ア") + "\x82";  // ア is 83 41: its trail byte is 'A'
  const auto chars = detail::DecodeText(text);
  ASSERT_EQ(chars.size(), 3u);
  EXPECT_EQ(chars[0].code, 'a');
  EXPECT_EQ(chars[1].code, 0x8341);
  EXPECT_EQ(chars[1].offset, 1u);
  EXPECT_EQ(chars[1].length, 2u);
  EXPECT_EQ(chars[2].code, 0x82) << "a lead byte that ends the text stands alone";
}

TEST(Fonts, StockFontsAreTheJapaneseInterfaceAndSystemFonts) {
  EXPECT_EQ(detail::DefaultGuiFont(), detail::DefaultGuiFont());
  const LOGFONTA& gui = detail::FontFromHandle(detail::DefaultGuiFont())->LogFont();
  EXPECT_EQ(gui.lfHeight, -12);
  EXPECT_EQ(gui.lfCharSet, SHIFTJIS_CHARSET);
  EXPECT_EQ(std::string(gui.lfFaceName), SJ("ＭＳ Ｐゴシック"));
  EXPECT_EQ(detail::FontFromHandle(detail::SystemFont())->LogFont().lfHeight, 16);
  EXPECT_NE(detail::SystemFont(), detail::DefaultGuiFont());
}

TEST_F(BuiltInFont, HeightSignsChooseCharacterOrCellHeight) {
  struct Case {
    LONG height;
    LONG cell;
  } cases[] = {{-12, 12}, {12, 12}, {0, 12}, {-24, 24}, {20, 20}, {-1, 1}};
  for (const Case& c : cases) {
    const TEXTMETRICA& tm = Realize(LogFont(c.height))->Metrics();
    EXPECT_EQ(tm.tmHeight, c.cell) << c.height;
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight) << c.height;
    EXPECT_EQ(tm.tmInternalLeading, 0) << c.height;
  }
  const TEXTMETRICA& tm = Realize(LogFont(-12))->Metrics();
  EXPECT_EQ(tm.tmAscent, 10);
  EXPECT_EQ(tm.tmAveCharWidth, 6);
  EXPECT_EQ(tm.tmMaxCharWidth, 12);
  EXPECT_EQ(tm.tmWeight, FW_NORMAL);
  EXPECT_EQ(tm.tmPitchAndFamily & TMPF_FIXED_PITCH, 0) << "a fixed pitch";
  EXPECT_EQ(Realize(LogFont(-12, "", FW_DONTCARE))->Metrics().tmWeight, FW_NORMAL);
}

TEST_F(BuiltInFont, AbsurdHeightsAreBoundedAndSafe) {
  EXPECT_EQ(Realize(LogFont(std::numeric_limits<LONG>::min()))->Metrics().tmHeight, 1024);
  EXPECT_EQ(Realize(LogFont(std::numeric_limits<LONG>::max()))->Metrics().tmHeight, 1024);
}

TEST_F(BuiltInFont, ExtentsAreSumsOfAdvances) {
  auto font = Realize(LogFont(-12));
  EXPECT_EQ(detail::TextExtent(*font, "W").cx, 6);
  EXPECT_EQ(detail::TextExtent(*font, "W").cy, 12);
  EXPECT_EQ(detail::TextExtent(*font, "Hello").cx, 30);
  EXPECT_EQ(detail::TextExtent(*font, "").cx, 0);
  EXPECT_EQ(detail::TextExtent(*font, "").cy, 12);
  EXPECT_EQ(detail::TextExtent(*font, SJ("日本")).cx, 24) << "a double-byte character is one glyph, two cells";
  EXPECT_EQ(detail::TextExtent(*font, "a" + SJ("ア") + "b").cx, 24);
  EXPECT_EQ(detail::TextExtent(*font, SJ("ｱｲ")).cx, 12) << "half-width katakana are single cells";
  EXPECT_EQ(detail::TextExtent(*font, "a\tb").cx, 18) << "no tab expansion in an extent";

  auto big = Realize(LogFont(-24));
  EXPECT_EQ(detail::TextExtent(*big, "Hello").cx, 60);
  EXPECT_EQ(big->Metrics().tmAscent, 20);
}

TEST_F(BuiltInFont, GlyphsAreTheBuiltInBitmaps) {
  auto font = Realize(LogFont(-12));
  EXPECT_EQ(Ink(*font, "W").Rows(3, 10),
            "..#...#.................................\n"
            "..#...#.................................\n"
            "..#...#.................................\n"
            "..#...#.................................\n"
            "..#.#.#.................................\n"
            "..#.#.#.................................\n"
            "...#.#..................................\n");
  EXPECT_EQ(Ink(*font, "W").InkBounds().top, 3);
  EXPECT_EQ(Ink(*font, " ").InkCount(), 0);
  // Anything else is a box from the cap height to the baseline.
  EXPECT_EQ(Ink(*font, SJ("日")).Rows(1, 11),
            "........................................\n"
            "...##########...........................\n"
            "...#........#...........................\n"
            "...#........#...........................\n"
            "...#........#...........................\n"
            "...#........#...........................\n"
            "...#........#...........................\n"
            "...#........#...........................\n"
            "...##########...........................\n"
            "........................................\n");
  EXPECT_EQ(Ink(*font, SJ("ｱ")).InkBounds().right, 2 + 5);
  EXPECT_EQ(Ink(*font, "\x7F").InkCount(), Ink(*font, SJ("ｱ")).InkCount());
}

TEST_F(BuiltInFont, ScaledGlyphsKeepTheirShape) {
  auto font = Realize(LogFont(-24));
  texttest::TextCanvas canvas = Ink(*font, "H");
  EXPECT_EQ(canvas.InkBounds().left, 2);
  EXPECT_EQ(canvas.InkBounds().right, 2 + 10);
  EXPECT_EQ(canvas.InkBounds().top, 6);
  EXPECT_EQ(canvas.InkBounds().bottom, 20) << "standing on the baseline";
}

TEST_F(BuiltInFont, BoldIsWiderAndCoversTheRegularInk) {
  auto regular = Realize(LogFont(-12));
  auto bold = Realize(LogFont(-12, SJ("ＭＳ Ｐゴシック"), FW_BOLD));
  EXPECT_EQ(bold->Advance('W'), regular->Advance('W') + 1);
  EXPECT_EQ(bold->Metrics().tmAveCharWidth, 7);
  EXPECT_EQ(bold->Metrics().tmWeight, FW_BOLD);
  texttest::TextCanvas thin = Ink(*regular, "W"), thick = Ink(*bold, "W");
  EXPECT_GT(thick.InkCount(), thin.InkCount());
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 40; ++x)
      if (thin.At(x, y)) {
        EXPECT_TRUE(thick.At(x, y)) << x << "," << y;
      }
  EXPECT_GE(detail::TextExtent(*bold, "Hello").cx, detail::TextExtent(*regular, "Hello").cx);
}

TEST_F(BuiltInFont, ItalicLeansRightAboveTheBaseline) {
  LOGFONTA slanted = LogFont(-12);
  slanted.lfItalic = TRUE;
  auto regular = Realize(LogFont(-12)), italic = Realize(slanted);
  EXPECT_EQ(italic->Advance('l'), regular->Advance('l'));
  texttest::TextCanvas upright = Ink(*regular, "|"), leaning = Ink(*italic, "|");
  // '|' is one column (the third of its cell) from row 2 to row 10: its
  // top moves right, the rows by the baseline stay.
  EXPECT_GT(upright.At(4, 2), 0);
  EXPECT_EQ(leaning.At(4, 2), 0);
  EXPECT_GT(leaning.At(5, 2), 0);
  EXPECT_GT(leaning.At(4, 9), 0);
  EXPECT_EQ(leaning.InkCount(), upright.InkCount());
  EXPECT_EQ(italic->Metrics().tmItalic, 1);
}

TEST_F(BuiltInFont, UnderlineAndStrikeOutLieInsideTheCell) {
  auto font = Realize(LogFont(-12));
  EXPECT_EQ(font->UnderlineOffset(), 1);
  EXPECT_EQ(font->UnderlineThickness(), 1);
  EXPECT_EQ(font->StrikeOutOffset(), -3);
  for (LONG height : {-1, -2, -7, -12, -30}) {
    auto f = Realize(LogFont(height));
    const TEXTMETRICA& tm = f->Metrics();
    EXPECT_GE(tm.tmAscent + f->UnderlineOffset(), 0) << height;
    EXPECT_LE(tm.tmAscent + f->UnderlineOffset() + f->UnderlineThickness(), tm.tmHeight) << height;
    EXPECT_GE(tm.tmAscent + f->StrikeOutOffset(), 0) << height;
  }
}

TEST(Fonts, TheFallbackSwitchAppliesToExistingHandles) {
  const LOGFONTA asked = LogFont(-12);
  HFONT font = CreateFontIndirectA(&asked);
  test::UseFallbackFontOnly(true);
  EXPECT_TRUE(detail::FontFromHandle(font)->IsFallback());
  EXPECT_EQ(detail::FontFromHandle(font)->FamilyName(), "Fallback");
  test::UseFallbackFontOnly(false);
  if (!Installed(asked, "IPA")) GTEST_SKIP() << "no IPA font installed";
  EXPECT_FALSE(detail::FontFromHandle(font)->IsFallback());
}

// The installed fonts: only properties, never exact pixels.

TEST(InstalledFonts, JapaneseFaceNamesMapToTheIpaGothics) {
  auto fixed = Installed(LogFont(-12, SJ("ＭＳ ゴシック")), "IPAGothic");
  auto proportional = Installed(LogFont(-12, SJ("ＭＳ Ｐゴシック")), "IPAPGothic");
  if (!fixed || !proportional) GTEST_SKIP() << "IPA gothic fonts not installed";
  EXPECT_EQ(fixed->Advance('i'), fixed->Advance('W'));
  EXPECT_EQ(fixed->Advance(0x93FA), 2 * fixed->Advance('W')) << "日 is two cells";
  EXPECT_LT(proportional->Advance('i'), proportional->Advance('W'));
  EXPECT_EQ(fixed->Metrics().tmPitchAndFamily & TMPF_FIXED_PITCH, 0);
  EXPECT_NE(proportional->Metrics().tmPitchAndFamily & TMPF_FIXED_PITCH, 0);
  EXPECT_NE(fixed->Metrics().tmPitchAndFamily & TMPF_TRUETYPE, 0);
  EXPECT_GT(Ink(*fixed, SJ("日本")).InkCount(), 0);
  EXPECT_GT(Ink(*proportional, SJ("あ")).InkCount(), 0);
}

TEST(InstalledFonts, HeightSignsFollowThePlatform) {
  auto em = Installed(LogFont(-12), "IPA");
  auto cell = Installed(LogFont(16), "IPA");
  auto byDefault = Installed(LogFont(0), "IPA");
  if (!em || !cell || !byDefault) GTEST_SKIP() << "IPA gothic fonts not installed";
  const TEXTMETRICA& a = em->Metrics();
  EXPECT_EQ(a.tmHeight - a.tmInternalLeading, 12);
  EXPECT_EQ(a.tmAscent + a.tmDescent, a.tmHeight);
  EXPECT_EQ(cell->Metrics().tmHeight, 16);
  EXPECT_EQ(byDefault->Metrics().tmHeight, a.tmHeight);
  EXPECT_GT(a.tmAveCharWidth, 0);
  EXPECT_GE(a.tmMaxCharWidth, em->Advance(0x93FA));
}

TEST(InstalledFonts, BoldIsWiderOrEqualAndInkier) {
  auto regular = Installed(LogFont(-12), "IPA");
  auto bold = Installed(LogFont(-12, SJ("ＭＳ Ｐゴシック"), FW_BOLD), "IPA");
  if (!regular || !bold) GTEST_SKIP() << "IPA gothic fonts not installed";
  const std::string text = SJ("曲名 Title");
  EXPECT_GE(detail::TextExtent(*bold, text).cx, detail::TextExtent(*regular, text).cx);
  EXPECT_GT(Ink(*bold, SJ("曲")).InkCount(), Ink(*regular, SJ("曲")).InkCount());
}

TEST(InstalledFonts, AWesternFaceDrawsJapaneseThroughItsCompanion) {
  LOGFONTA western = LogFont(-12, "Arial");
  western.lfCharSet = ANSI_CHARSET;
  auto font = Realize(western);
  if (font->IsFallback() || !Installed(LogFont(-12), "IPA")) GTEST_SKIP() << "no installed faces";
  EXPECT_GT(Ink(*font, "A").InkCount(), 0);
  EXPECT_GT(Ink(*font, SJ("日")).InkCount(), 0);
  EXPECT_GT(font->Advance(0x93FA), font->Advance('i'));
}
