#include "images/Gif.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/Streams.h"
#include "images/tests/support/GifBuilder.h"
#include "images/tests/support/GifTestSupport.h"
#include "platform/Palettes.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "testsupport/TempDir.h"

using namespace giftest;

namespace {

const ColorTable kFour = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
constexpr TColor kRed = 0x0000FF;
constexpr TColor kGreen = 0x00FF00;
constexpr TColor kBlue = 0xFF0000;
constexpr TColor kWhite = 0xFFFFFF;

std::vector<uint8_t> Ramp(int width, int height, int colors) {
  std::vector<uint8_t> pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels.push_back(static_cast<uint8_t>((x + 3 * y) % colors));
  return pixels;
}

std::vector<uint8_t> Noise(int count, int colors, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> pixels(count);
  for (auto& p : pixels) p = static_cast<uint8_t>(random() % colors);
  return pixels;
}

ColorTable Grays(int count) {
  ColorTable table;
  for (int i = 0; i < count; ++i) table.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 7});
  return table;
}

// The message every format error carries.
void ExpectInvalid(ktvGIF& gif, const std::string& bytes, TBitmap& bitmap) {
  SCOPED_TRACE(::testing::PrintToString(bytes));
  try {
    Decode(gif, bytes, bitmap);
    ADD_FAILURE() << "no error";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message, SJ("GIFイメージが不正です"));
  }
}

class GifTest : public ::testing::Test {
 protected:
  ktvGIF gif{nullptr};
  TBitmap bitmap;
};

// ---- Header ------------------------------------------------------------------

TEST_F(GifTest, InitialSettings) {
  EXPECT_EQ(gif.Enabled, 1);
  EXPECT_TRUE(gif.Animate);
  EXPECT_EQ(gif.OriginX, 0);
  EXPECT_EQ(gif.OriginY, 0);
  EXPECT_TRUE(gif.PlainText);
  EXPECT_TRUE(gif.UseDelay);
  EXPECT_FALSE(gif.KeepSize);
  EXPECT_FALSE(gif.Stop);
  EXPECT_EQ(gif.BackgroundColor, 0u);
  EXPECT_TRUE(gif.FillBackground);
  EXPECT_EQ(gif.RasterOp, 0xCC0020u);
  EXPECT_TRUE(gif.UseTransparency);
  EXPECT_EQ(gif.ForceTransparentColor, clNone);
  EXPECT_EQ(gif.GlobalPalette(), nullptr);
}

TEST_F(GifTest, HeaderGivesScreenColourResolutionPaletteAndBackgroundAndStopsAfterTheTable) {
  GifBuilder b;
  b.Header(300, 200, kFour, 2, "89a", 5).Trailer();
  TStringStream stream(b.Bytes());
  ASSERT_TRUE(gif.IsSupport(&stream));
  EXPECT_EQ(gif.ScreenWidth, 300);
  EXPECT_EQ(gif.ScreenHeight, 200);
  EXPECT_EQ(gif.ColorResolution, 5);
  ASSERT_NE(gif.GlobalPalette(), nullptr);
  EXPECT_EQ(gif.GlobalPalette()->palNumEntries, 4);
  EXPECT_EQ(gif.GlobalPalette()->Color(1), kGreen);
  EXPECT_EQ(gif.BackgroundColor, kBlue);
  EXPECT_EQ(stream.Position(), 13 + 12);
}

TEST_F(GifTest, AnyVersionAfterGifIsAcceptedAndOtherSignaturesAreNot) {
  for (const char* version : {"87a", "89a", "99z", "   "}) {
    GifBuilder b;
    b.Header(4, 4, kFour, 0, version).Trailer();
    TStringStream stream(b.Bytes());
    EXPECT_TRUE(gif.IsSupport(&stream)) << version;
  }
  for (const std::string& bytes : {std::string("GIT89a") + std::string(7, '\0'), std::string("GIF89a\1\0"),
                                  std::string("GI"), std::string()}) {
    TStringStream stream(bytes);
    EXPECT_FALSE(gif.IsSupport(&stream));
    ExpectInvalid(gif, bytes, bitmap);
  }
}

TEST_F(GifTest, DisabledDecodingSupportsNothing) {
  GifBuilder b;
  b.Header(4, 4, kFour).Trailer();
  gif.Enabled = 0;
  TStringStream stream(b.Bytes());
  EXPECT_FALSE(gif.IsSupport(&stream));
  ExpectInvalid(gif, b.Bytes(), bitmap);
}

TEST_F(GifTest, HeaderWithoutGlobalTableUsesTheSystemPaletteAndKeepsTheBackground) {
  gif.BackgroundColor = 0x123456;
  GifBuilder b;
  b.Header(4, 4, {}, 3).Trailer();
  TStringStream stream(b.Bytes());
  ASSERT_TRUE(gif.IsSupport(&stream));
  EXPECT_EQ(gif.BackgroundColor, 0x123456u);
  EXPECT_EQ(gif.GlobalPalette()->palNumEntries, 255);
  const auto& system = win::detail::SystemPaletteColors();
  for (int i : {0, 7, 9, 254}) EXPECT_EQ(gif.GlobalPalette()->Color(i), system[i]) << i;
}

// ---- Images ------------------------------------------------------------------

TEST_F(GifTest, DecodesAnImageIntoTheSizedTargetOnTheFilledBackground) {
  const auto pixels = Ramp(5, 3, 4);
  GifBuilder b;
  b.Header(8, 6, kFour, 2).Image(1, 2, 5, 3, pixels).Trailer();
  Decode(gif, b.Bytes(), bitmap);
  ASSERT_EQ(bitmap.Width(), 8);
  ASSERT_EQ(bitmap.Height(), 6);
  EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) {
      const bool inside = x >= 1 && x < 6 && y >= 2 && y < 5;
      const TColor want = inside ? Color(kFour[pixels[(y - 2) * 5 + x - 1]]) : kBlue;
      EXPECT_EQ(PixelAt(bitmap, x, y), want) << x << "," << y;
    }
}

TEST_F(GifTest, OriginOffsetsTheScreenInsideALargerTarget) {
  gif.OriginX = 3;
  gif.OriginY = 2;
  bitmap.SetPixelFormat(pf24bit);
  GifBuilder b;
  b.Header(4, 4, kFour, 2).Image(0, 0, 2, 2, {0, 1, 1, 0}).Trailer();
  Decode(gif, b.Bytes(), bitmap);
  ASSERT_EQ(bitmap.Width(), 7);
  ASSERT_EQ(bitmap.Height(), 6);
  EXPECT_EQ(PixelAt(bitmap, 3, 2), kRed);
  EXPECT_EQ(PixelAt(bitmap, 4, 2), kGreen);
  // The background fills the logical screen where it lies.
  EXPECT_EQ(PixelAt(bitmap, 6, 5), kBlue);
  EXPECT_NE(PixelAt(bitmap, 0, 0), kBlue);
}

TEST_F(GifTest, KeepSizeKeepsANonEmptyTargetAndSizesAnEmptyOne) {
  gif.KeepSize = true;
  GifBuilder b;
  b.Header(10, 10, kFour).Image(0, 0, 10, 10, Ramp(10, 10, 4)).Trailer();
  Decode(gif, b.Bytes(), bitmap);
  EXPECT_EQ(bitmap.Width(), 10);
  EXPECT_EQ(bitmap.Height(), 10);
  bitmap.SetSize(4, 3);
  Decode(gif, b.Bytes(), bitmap);
  EXPECT_EQ(bitmap.Width(), 4);
  EXPECT_EQ(bitmap.Height(), 3);
  EXPECT_EQ(PixelAt(bitmap, 3, 2), Color(kFour[(3 + 6) % 4]));
}

TEST_F(GifTest, ImagesOutsideOrLargerThanTheTargetAreClipped) {
  GifBuilder b;
  b.Header(4, 4, kFour, 2)
      .Image(2, 2, 40, 30, std::vector<uint8_t>(1200, 0))
      .Image(100, 1, 3, 3, std::vector<uint8_t>(9, 1))
      .Image(1, 300, 3, 3, std::vector<uint8_t>(9, 1))
      .Trailer();
  Decode(gif, b.Bytes(), bitmap);
  EXPECT_EQ(PixelAt(bitmap, 1, 1), kBlue);
  EXPECT_EQ(PixelAt(bitmap, 2, 2), kRed);
  EXPECT_EQ(PixelAt(bitmap, 3, 3), kRed);
  EXPECT_EQ(PixelAt(bitmap, 3, 1), kBlue);
}

TEST_F(GifTest, LocalTableServesItsImageOnlyAndMissingTablesUseTheSystemPalette) {
  const ColorTable local = {{1, 2, 3}, {4, 5, 6}};
  ImageOptions withLocal;
  withLocal.local = &local;
  GifBuilder b;
  b.Header(2, 2, kFour).Image(0, 0, 1, 1, {1}, withLocal).Image(1, 0, 1, 1, {1}).Trailer();
  Decode(gif, b.Bytes(), bitmap);
  EXPECT_EQ(PixelAt(bitmap, 0, 0), Color(local[1]));
  EXPECT_EQ(PixelAt(bitmap, 1, 0), kGreen);

  GifBuilder none;
  none.Header(2, 1, {}).Image(0, 0, 2, 1, {1, 9}).Trailer();
  Decode(gif, none.Bytes(), bitmap);
  EXPECT_EQ(PixelAt(bitmap, 0, 0), win::detail::SystemPaletteColors()[1]);
  EXPECT_EQ(PixelAt(bitmap, 1, 0), win::detail::SystemPaletteColors()[9]);
}

TEST_F(GifTest, SubBlocksOfAnySizeReadAsOneByteString) {
  const ColorTable table = Grays(256);
  const auto pixels = Noise(40 * 30, 256, 7);
  for (int blockSize : {1, 2, 3, 254, 255}) {
    ImageOptions options;
    options.blockSize = blockSize;
    GifBuilder b;
    b.Header(40, 30, table).Image(0, 0, 40, 30, pixels, options).Trailer();
    Decode(gif, b.Bytes(), bitmap);
    EXPECT_EQ(Pixels(bitmap), Expand(pixels, table)) << blockSize;
  }
}

TEST_F(GifTest, FullCodeTableWithoutClearCodesKeepsDecodingAtTwelveBits) {
  const ColorTable table = Grays(256);
  const auto pixels = Noise(120 * 100, 256, 11);
  ImageOptions options;
  options.lzw.clearFirst = false;
  options.lzw.clearWhenFull = false;
  GifBuilder b;
  b.Header(120, 100, table).Image(0, 0, 120, 100, pixels, options).Trailer();
  Decode(gif, b.Bytes(), bitmap);
  EXPECT_EQ(Pixels(bitmap), Expand(pixels, table));
}

TEST_F(GifTest, RepetitiveImagesWithLongStringsAndClearCodesDecode) {
  const ColorTable table = Grays(2);
  std::vector<uint8_t> pixels(300 * 200, 0);
  for (size_t i = 0; i < pixels.size(); i += 997) pixels[i] = 1;
  GifBuilder b;
  b.Header(300, 200, table).Image(0, 0, 300, 200, pixels).Trailer();
  Decode(gif, b.Bytes(), bitmap);
  EXPECT_EQ(Pixels(bitmap), Expand(pixels, table));
}

TEST_F(GifTest, MissingEndCodeEndsTheImageAtTheEndOfItsData) {
  // Five rows of data and a few pixels for an image of six rows, without
  // the end code.
  const auto pixels = Ramp(7, 5, 3);
  LzwOptions lzw{.minimumCodeSize = 2, .endCode = false};
  for (int extra = 0; extra < 8; ++extra) {
    std::vector<uint8_t> data = pixels;
    data.insert(data.end(), extra, 1);
    GifBuilder b;
    b.Header(7, 7, kFour, 3).Raw("\x2C").Raw(std::string("\0\0\0\0\7\0\6\0\0\2", 10));
    b.Raw(SubBlocks(LzwEncode(data, lzw))).Image(0, 6, 1, 1, {2}).Trailer();
    int rendered = 0;
    gif.OnRendered = [&](TObject*, const TRect&) { ++rendered; };
    Decode(gif, b.Bytes(), bitmap);
    EXPECT_EQ(rendered, 2);
    for (int x = 0; x < 7; ++x) EXPECT_EQ(PixelAt(bitmap, x, 4), Color(kFour[pixels[4 * 7 + x]]));
    // The bits that pad the last byte may hold one more code; nothing
    // comes from beyond the data.
    for (int x = extra + 1; x < 7; ++x) EXPECT_EQ(PixelAt(bitmap, x, 5), kWhite) << extra << ": " << x;
    EXPECT_EQ(PixelAt(bitmap, 0, 6), kBlue);
  }
}

TEST_F(GifTest, AnUnfinishedLastRowDrawsOnlyItsDecodedPixels) {
  // Eleven pixels of a 4-wide image: two rows and three pixels.
  GifBuilder b;
  b.Header(4, 4, kFour, 2).Raw("\x2C").Raw(std::string("\0\0\0\0\4\0\4\0\0", 9)).Raw("\2");
  b.Raw(SubBlocks(LzwEncode(std::vector<uint8_t>(11, 0), {.minimumCodeSize = 2}))).Trailer();
  Decode(gif, b.Bytes(), bitmap);
  EXPECT_EQ(PixelAt(bitmap, 2, 2), kRed);
  EXPECT_EQ(PixelAt(bitmap, 3, 2), kBlue);
  EXPECT_EQ(PixelAt(bitmap, 0, 3), kBlue);
}

TEST_F(GifTest, ZeroSizedImagesDrawNothingButAreAnnounced) {
  std::vector<TRect> rects;
  gif.OnRendered = [&](TObject*, const TRect& r) { rects.push_back(r); };
  GifBuilder b;
  b.Header(3, 3, kFour, 2).Image(0, 0, 0, 3, {}).Image(0, 0, 3, 0, {}).Image(0, 0, 1, 1, {0}).Trailer();
  Decode(gif, b.Bytes(), bitmap);
  ASSERT_EQ(rects.size(), 3u);
  EXPECT_EQ(rects[0].right, 0);
  EXPECT_EQ(rects[0].bottom, 3);
  EXPECT_EQ(PixelAt(bitmap, 0, 0), kRed);
  EXPECT_EQ(PixelAt(bitmap, 1, 1), kBlue);
}

// ---- Interlace ---------------------------------------------------------------

TEST_F(GifTest, InterlacedImageAfterItsFirstPassShowsReplicatedRows) {
  const ColorTable table = Grays(16);
  // Row y has index y; only the first pass's rows (0 and 8) arrive.
  const std::vector<uint8_t> firstPass = {0, 0, 0, 0, 8, 8, 8, 8};
  GifBuilder b;
  b.Header(4, 16, table).Raw("\x2C").Raw(std::string("\0\0\0\0\4\0\x10\0\x40", 9)).Raw("\4");
  b.Raw(SubBlocks(LzwEncode(firstPass, {.minimumCodeSize = 4}))).Trailer();
  Decode(gif, b.Bytes(), bitmap);
  for (int y = 0; y < 16; ++y) EXPECT_EQ(PixelAt(bitmap, 2, y), Color(table[y < 8 ? 0 : 8])) << y;
}

TEST_F(GifTest, InterlacedImagesOfEveryHeightDecodeToTheirRows) {
  const ColorTable table = Grays(64);
  ImageOptions options;
  options.interlaced = true;
  for (int height = 1; height <= 19; ++height) {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < 3; ++x) pixels.push_back(static_cast<uint8_t>(y * 3 + x));
    GifBuilder b;
    b.Header(3, height, table).Image(0, 0, 3, height, pixels, options).Trailer();
    Decode(gif, b.Bytes(), bitmap);
    EXPECT_EQ(Pixels(bitmap), Expand(pixels, table)) << "height " << height;
  }
}

// The rows an early pass copies downward are a preview: a transparent pixel
// of a later pass shows what the target held before the image, not the copy,
// and a raster operation combines with that same target.
TEST_F(GifTest, InterlacedTransparentImagesEndAsTheSameImageStoredWithoutInterlace) {
  const ColorTable table = Grays(8);
  ImageOptions interlaced;
  interlaced.interlaced = true;
  for (int height = 1; height <= 19; ++height) {
    std::vector<uint8_t> backdrop(5 * height);
    for (size_t i = 0; i < backdrop.size(); ++i) backdrop[i] = static_cast<uint8_t>(4 + i % 3);
    // Row y opaque in its own index y % 3 but for a transparent gap that moves.
    std::vector<uint8_t> pixels;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < 5; ++x) pixels.push_back(x == y % 5 || x == (y + 2) % 5 ? 7 : static_cast<uint8_t>(y % 3));
    for (int transparent : {7, -1}) {
      auto build = [&](const ImageOptions& options) {
        GifBuilder b;
        b.Header(5, height, table).Image(0, 0, 5, height, backdrop).GraphicControl(1, 0, transparent);
        return b.Image(0, 0, 5, height, pixels, options).Trailer().Bytes();
      };
      for (TCopyMode rop : {cmSrcCopy, cmSrcPaint}) {
        gif.RasterOp = rop;
        Decode(gif, build({}), bitmap);
        const std::vector<TColor> plain = Pixels(bitmap);
        Decode(gif, build(interlaced), bitmap);
        EXPECT_EQ(Pixels(bitmap), plain) << "height " << height << ", transparent " << transparent << ", raster operation "
                                         << rop;
      }
    }
  }
}

TEST_F(GifTest, InterlacedTransparentImageShowsItsFirstPassOverTheTargetWhileDecoding) {
  const ColorTable table = Grays(16);
  // Rows 0 and 8 of the first pass: index 15 is transparent.
  const std::vector<uint8_t> firstPass = {1, 15, 1, 1, 2, 2, 15, 2};
  GifBuilder b;
  b.Header(4, 16, table).Image(0, 0, 4, 16, std::vector<uint8_t>(64, 5)).GraphicControl(1, 0, 15);
  b.Raw("\x2C").Raw(std::string("\0\0\0\0\4\0\x10\0\x40", 9)).Raw("\4");
  b.Raw(SubBlocks(LzwEncode(firstPass, {.minimumCodeSize = 4}))).Trailer();
  Decode(gif, b.Bytes(), bitmap);
  for (int y = 0; y < 16; ++y) {
    EXPECT_EQ(PixelAt(bitmap, 0, y), Color(table[y < 8 ? 1 : 2])) << y;
    EXPECT_EQ(PixelAt(bitmap, y < 8 ? 1 : 2, y), Color(table[5])) << y;
  }
}

// ---- Transparency ------------------------------------------------------------

TEST_F(GifTest, TransparentIndexKeepsWhatTheTargetHeld) {
  GifBuilder b;
  b.Header(3, 1, kFour, 2)
      .Image(0, 0, 3, 1, {0, 0, 0})
      .GraphicControl(1, 0, 1)
      .Image(0, 0, 3, 1, {1, 3, 1})
      .Trailer();
  Decode(gif, b.Bytes(), bitmap);
  EXPECT_TRUE(gif.TransparentFlag);
  EXPECT_EQ(gif.TransparentColor, kGreen);
  EXPECT_EQ(PixelAt(bitmap, 0, 0), kRed);
  EXPECT_EQ(PixelAt(bitmap, 1, 0), kWhite);
  EXPECT_EQ(PixelAt(bitmap, 2, 0), kRed);

  gif.UseTransparency = false;
  Decode(gif, b.Bytes(), bitmap);
  EXPECT_TRUE(gif.TransparentFlag);
  EXPECT_EQ(PixelAt(bitmap, 0, 0), kGreen);
}

TEST_F(GifTest, ForcedTransparentColourChoosesTheIndexOrSwitchesTransparencyOff) {
  GifBuilder b;
  b.Header(3, 1, kFour, 2)
      .Image(0, 0, 3, 1, {0, 0, 0})
      .GraphicControl(1, 0, 1)
      .Image(0, 0, 3, 1, {1, 2, 3})
      .Trailer();
  gif.ForceTransparentColor = kBlue;
  Decode(gif, b.Bytes(), bitmap);
  EXPECT_EQ(PixelAt(bitmap, 0, 0), kGreen);
  EXPECT_EQ(PixelAt(bitmap, 1, 0), kRed);
  EXPECT_EQ(PixelAt(bitmap, 2, 0), kWhite);

  gif.ForceTransparentColor = 0x123456;  // in no table
  Decode(gif, b.Bytes(), bitmap);
  EXPECT_EQ(PixelAt(bitmap, 0, 0), kGreen);
  EXPECT_EQ(PixelAt(bitmap, 1, 0), kBlue);
}

TEST_F(GifTest, RasterOperationCombinesTheImageWithTheTarget) {
  GifBuilder b;
  b.Header(2, 1, kFour, 1).Image(0, 0, 2, 1, {0, 2}).Trailer();
  gif.RasterOp = cmNotSrcCopy;
  Decode(gif, b.Bytes(), bitmap);
  EXPECT_EQ(PixelAt(bitmap, 0, 0), 0xFFFF00u);
  EXPECT_EQ(PixelAt(bitmap, 1, 0), 0x00FFFFu);
  gif.RasterOp = cmSrcPaint;  // OR with the green background
  Decode(gif, b.Bytes(), bitmap);
  EXPECT_EQ(PixelAt(bitmap, 0, 0), 0x00FFFFu);
  EXPECT_EQ(PixelAt(bitmap, 1, 0), 0xFFFF00u);
}

// ---- Disposal ------------------------------------------------------------------

// Three frames over a green background: the first is disposed of by
// `disposal`, the second looks at the result through its transparency.
std::string DisposalGif(int disposal) {
  GifBuilder b;
  b.Header(4, 1, kFour, 1)
      .Image(0, 0, 4, 1, {3, 3, 3, 3})
      .GraphicControl(disposal, 0)
      .Image(1, 0, 2, 1, {0, 0})
      .GraphicControl(1, 0, 1)
      .Image(0, 0, 4, 1, {1, 1, 1, 1})
      .Trailer();
  return b.Bytes();
}

TEST_F(GifTest, DisposalMethodsLeaveFillOrRestoreTheImageArea) {
  const std::vector<std::pair<int, std::vector<TColor>>> cases = {
      {0, {kWhite, kRed, kRed, kWhite}},      {1, {kWhite, kRed, kRed, kWhite}},
      {2, {kWhite, kGreen, kGreen, kWhite}},  {3, {kWhite, kWhite, kWhite, kWhite}},
      {4, {kWhite, kRed, kRed, kWhite}},      {7, {kWhite, kRed, kRed, kWhite}}};
  for (const auto& [disposal, want] : cases) {
    Decode(gif, DisposalGif(disposal), bitmap);
    EXPECT_EQ(Pixels(bitmap), want) << "disposal " << disposal;
  }
}

TEST_F(GifTest, RestoringBackgroundOfAnImageReachingOutOfTheTarget) {
  GifBuilder b;
  b.Header(3, 3, kFour, 1).GraphicControl(3, 0).Image(1, 1, 500, 400, std::vector<uint8_t>(200000, 0)).Trailer();
  Decode(gif, b.Bytes(), bitmap);
  EXPECT_EQ(Pixels(bitmap), std::vector<TColor>(9, kGreen));
}

// ---- Extensions ----------------------------------------------------------------

TEST_F(GifTest, CommentsAndApplicationDataReachTheirEvents) {
  std::vector<std::string> comments;
  std::vector<std::string> data;
  gif.OnComment = [&](TObject* sender, const char* text) {
    EXPECT_EQ(sender, &gif);
    comments.emplace_back(text);
  };
  gif.OnApplicationData = [&](TObject*, const uint8_t* buffer, int length) {
    data.emplace_back(reinterpret_cast<const char*>(buffer), length);
  };
  std::string longComment(600, 'c');
  GifBuilder b;
  b.Header(1, 1, kFour)
      .Comment("hello")
      .Application("NETSCAPE2.0", {1, 0, 0})
      .Comment(longComment)
      .Image(0, 0, 1, 1, {0})
      .Trailer();
  Decode(gif, b.Bytes(), bitmap);
  EXPECT_EQ(comments, (std::vector<std::string>{"hello", longComment}));
  EXPECT_EQ(data, (std::vector<std::string>{std::string("NETSCAPE2.0\1\0\0", 14)}));

  gif.OnComment = nullptr;
  gif.OnApplicationData = nullptr;
  Decode(gif, b.Bytes(), bitmap);  // skipped without handlers
  EXPECT_EQ(PixelAt(bitmap, 0, 0), kRed);
}

TEST_F(GifTest, PlainTextDrawsCharactersInTheGridAndIsAnnounced) {
  std::vector<TRect> rects;
  gif.OnRendered = [&](TObject*, const TRect& r) { rects.push_back(r); };
  GifBuilder b;
  b.Header(64, 32, kFour, 3).PlainText(4, 4, 48, 24, 12, 12, 0, 1, "AB C").Trailer();
  Decode(gif, b.Bytes(), bitmap);
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0].right, 48);
  EXPECT_EQ(rects[0].bottom, 24);
  // Glyph pixels: red, or red blended into the green cell.
  auto inked = [&](int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += PixelAt(bitmap, x, y) != kWhite && PixelAt(bitmap, x, y) != kGreen;
    return n;
  };
  EXPECT_GT(inked(4, 4, 16, 16), 0);   // "A"
  EXPECT_GT(inked(16, 4, 28, 16), 0);  // "B"
  EXPECT_EQ(inked(28, 4, 40, 16), 0);  // the blank
  EXPECT_GT(inked(40, 4, 52, 16), 0);  // "C" in the fourth cell of the line
  EXPECT_EQ(inked(0, 16, 64, 32), 0);

  gif.PlainText = false;
  Decode(gif, b.Bytes(), bitmap);
  EXPECT_EQ(rects.size(), 2u);
  EXPECT_EQ(inked(0, 0, 64, 32), 0);
}

TEST_F(GifTest, PlainTextWithATransparentForegroundLeavesCharacterShapedHoles) {
  GifBuilder b;
  b.Header(40, 20, kFour, 3).Image(0, 0, 40, 20, std::vector<uint8_t>(800, 2));
  b.GraphicControl(0, 0, 0).PlainText(4, 4, 24, 12, 12, 12, 0, 1, "AB").Trailer();
  Decode(gif, b.Bytes(), bitmap);
  int red = 0, green = 0, blue = 0;
  for (int y = 4; y < 16; ++y)
    for (int x = 4; x < 16; ++x) {
      const TColor c = PixelAt(bitmap, x, y);
      red += c == kRed;
      green += c == kGreen;
      blue += c == kBlue;
    }
  EXPECT_EQ(red, 0);
  EXPECT_GT(green, 12 * 12 / 3);  // the cell's background
  EXPECT_GT(blue, 0);             // the image below, through the character
  EXPECT_EQ(PixelAt(bitmap, 30, 10), kBlue);
}

// ---- Events and animation -------------------------------------------------------

TEST_F(GifTest, EventsComeInStreamOrderAndAnimateOffStopsAfterTheFirstImage) {
  std::vector<std::string> events;
  gif.OnRendered = [&](TObject*, const TRect& r) { events.push_back("image " + std::to_string(r.right)); };
  gif.OnComment = [&](TObject*, const char* text) { events.push_back(text); };
  GifBuilder b;
  b.Header(4, 4, kFour)
      .Comment("one")
      .Image(0, 0, 1, 1, {0})
      .Comment("two")
      .PlainText(0, 0, 2, 2, 1, 1, 0, 1, "")
      .Image(0, 0, 3, 1, {1, 1, 1})
      .Trailer();
  Decode(gif, b.Bytes(), bitmap);
  EXPECT_EQ(events, (std::vector<std::string>{"one", "image 1", "two", "image 2", "image 3"}));

  events.clear();
  gif.Animate = false;
  Decode(gif, b.Bytes(), bitmap);
  EXPECT_EQ(events, (std::vector<std::string>{"one", "image 1"}));
  EXPECT_TRUE(gif.Stop);
}

TEST_F(GifTest, StopFromAHandlerEndsTheLoadAfterTheBlockAndTheNextLoadStartsAfresh) {
  int rendered = 0;
  gif.OnRendered = [&](TObject*, const TRect&) {
    if (++rendered % 2 == 0) gif.Stop = true;
  };
  GifBuilder b;
  b.Header(4, 4, kFour);
  for (int i = 0; i < 5; ++i) b.Image(0, 0, 1, 1, {0});
  b.Trailer();
  Decode(gif, b.Bytes(), bitmap);
  EXPECT_EQ(rendered, 2);
  Decode(gif, b.Bytes(), bitmap);
  EXPECT_EQ(rendered, 4);
}

TEST_F(GifTest, TargetChangeHandlerHearsOfEachRenderedImage) {
  int changes = 0;
  TObject* sender = nullptr;
  GifBuilder b;
  b.Header(2, 2, kFour).Image(0, 0, 1, 1, {0}).Image(1, 1, 1, 1, {0}).Trailer();
  gif.FillBackground = false;
  bitmap.OnChange = [&](TObject* s) {
    ++changes;
    sender = s;
  };
  Decode(gif, b.Bytes(), bitmap);
  EXPECT_GE(changes, 2);
  EXPECT_EQ(sender, &gif);
}

TEST_F(GifTest, LoadLeavesTheStreamAfterTheTrailer) {
  GifBuilder b;
  b.Header(2, 2, kFour).Image(0, 0, 2, 2, {0, 1, 2, 3}).Trailer().Raw("tail");
  TStringStream stream(b.Bytes());
  gif.LoadFromStream(&stream, &bitmap);
  EXPECT_EQ(stream.Position(), static_cast<int64_t>(b.Bytes().size()) - 4);
}

TEST_F(GifTest, FilesAreReadByTheirWindowsNames) {
  testsupport::TempDir dir;
  win::MapDrive('T', dir.path());
  GifBuilder b;
  b.Header(2, 1, kFour).Image(0, 0, 2, 1, {2, 1}).Trailer();
  std::ofstream(dir / "pic.gif", std::ios::binary) << b.Bytes();
  std::ofstream(dir / "text.txt", std::ios::binary) << "not a picture";
  EXPECT_TRUE(gif.IsSupport("T:\\PIC.GIF"));
  EXPECT_FALSE(gif.IsSupport("T:\\text.txt"));
  gif.LoadFromFile("T:\\pic.gif", &bitmap);
  EXPECT_EQ(PixelAt(bitmap, 0, 0), kBlue);
  EXPECT_THROW(gif.LoadFromFile("T:\\missing.gif", &bitmap), EFOpenError);
}

// ---- Malformed streams ------------------------------------------------------------

TEST_F(GifTest, UnknownBlocksLabelsAndCodesRaiseTheInvalidImageError) {
  GifBuilder head;
  head.Header(4, 4, kFour);
  ExpectInvalid(gif, head.Bytes() + "\x21\x02\x00;", bitmap);
  ExpectInvalid(gif, head.Bytes() + std::string("\0;", 2), bitmap);
  ExpectInvalid(gif, head.Bytes() + "x", bitmap);
  // A code two beyond the next free code (6 at code size 3): clear 4, 0, 7.
  const std::string image = std::string("\x2C\0\0\0\0\4\0\4\0\0\2", 11);
  ExpectInvalid(gif, head.Bytes() + image + std::string("\2\xC4\x01\0;", 5), bitmap);
  // The not-yet-known code right after a clear code.
  ExpectInvalid(gif, head.Bytes() + image + std::string("\1\x34\0;", 4), bitmap);
  // Code sizes that cannot describe byte pixels.
  for (char size : {'\0', '\x09', '\x0C', '\xFF'})
    ExpectInvalid(gif, head.Bytes() + image.substr(0, 10) + size + std::string("\1\x01\0;", 4), bitmap);
}

TEST_F(GifTest, AStreamCutAnywhereEndsInTheErrorOrQuietly) {
  const ColorTable table = Grays(32);
  ImageOptions interlaced;
  interlaced.interlaced = true;
  interlaced.local = &kFour;
  GifBuilder b;
  b.Header(9, 7, table, 1)
      .Comment("c")
      .Application("APPLICATION", {1, 2})
      .GraphicControl(3, 0, 2)
      .Image(1, 1, 8, 6, Ramp(8, 6, 32))
      .PlainText(0, 0, 9, 7, 3, 3, 0, 1, "xyz")
      .GraphicControl(2, 0)
      .Image(0, 0, 9, 7, Ramp(9, 7, 4), interlaced)
      .Trailer();
  const std::string& all = b.Bytes();
  gif.OnComment = [](TObject*, const char*) {};
  gif.OnApplicationData = [](TObject*, const uint8_t*, int) {};
  for (size_t cut = 0; cut < all.size(); ++cut) {
    const std::string bytes = all.substr(0, cut);
    try {
      Decode(gif, bytes, bitmap);
      EXPECT_GE(cut, 13u + 96u) << "a cut header is no GIF";
    } catch (const EInvalidGraphic&) {
      EXPECT_LT(cut, 13u + 96u) << cut;
    }
  }
}

TEST_F(GifTest, ShortOrMissingExtensionBlocksAreReadToTheirTerminator) {
  GifBuilder b;
  b.Header(2, 1, kFour, 2)
      .Raw(std::string("\x21\xF9\x00", 3))              // graphic control without data
      .Raw(std::string("\x21\xF9\x02\x01\x00\x00", 6))  // too short: the rest is 0
      .Raw(std::string("\x21\x01\x00", 3))              // plain text without a grid
      .Raw(std::string("\x21\xFF\x00", 3))              // application without identifier
      .Raw(std::string("\x21\xF9\x06\x01\x00\x00\x01\x7F\x7F\x03" "abc\x00", 14))
      .Image(0, 0, 2, 1, {1, 0})
      .Trailer();
  Decode(gif, b.Bytes(), bitmap);
  EXPECT_EQ(PixelAt(bitmap, 0, 0), kBlue);  // index 1 is transparent
  EXPECT_EQ(PixelAt(bitmap, 1, 0), kRed);
}

}  // namespace
