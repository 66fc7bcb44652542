// The bitmap files of the image control: what the colour-table reader takes
// from either header kind and what it refuses, the nearest-colour rule, and
// the fields, tables and packing the writer gives each depth.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "framework/Streams.h"
#include "images/Bitmap.h"
#include "images/tests/support/BmpBuilder.h"
#include "images/tests/support/ImageTestSupport.h"
#include "platform/Surface.h"

using namespace bmptest;

namespace {

std::vector<TColor> Sixteen() {
  std::vector<TColor> table;
  for (int i = 0; i < 16; ++i) table.push_back(win::RGB(i * 16, 255 - i * 8, i * 3));
  return table;
}

BmpLayout EightBitWithSixteenColors() {
  BmpLayout layout;
  layout.width = 5;
  layout.height = 3;
  layout.bitCount = 8;
  layout.table = Sixteen();
  for (int i = 0; i < 15; ++i) layout.pixels.push_back(static_cast<uint32_t>(i));
  return layout;
}

bool Read(const std::string& bytes, TBitmapColors& colors) {
  TStringStream stream(bytes);
  return ReadBitmapColors(&stream, colors);
}

ParsedBmp Parse(const std::vector<uint8_t>& file) {
  ParsedBmp parsed;
  EXPECT_TRUE(ParseBmp(std::string(file.begin(), file.end()), parsed));
  return parsed;
}

// ---- Reading the colours ----

TEST(ReadBitmapColors, InfoHeaderGivesItsUsedColoursOrTheFullTable) {
  TBitmapColors colors;
  ASSERT_TRUE(Read(BuildBmp(EightBitWithSixteenColors()), colors));
  EXPECT_EQ(colors.BitDepth, 8);
  ASSERT_TRUE(colors.Palette);
  EXPECT_EQ(colors.Palette->palVersion, 0x300);
  EXPECT_EQ(colors.Palette->Colors(), Sixteen());
  // Entries in red, green, blue order with zero flags.
  const win::PALETTEENTRY& fifth = colors.Palette->palPalEntry[5];
  EXPECT_EQ(fifth.peRed, 80);
  EXPECT_EQ(fifth.peGreen, 215);
  EXPECT_EQ(fifth.peBlue, 15);
  EXPECT_EQ(fifth.peFlags, 0);

  BmpLayout full = EightBitWithSixteenColors();
  full.bitCount = 4;  // 16 entries are all of 4 bits: counted as 0
  ASSERT_TRUE(Read(BuildBmp(full), colors));
  EXPECT_EQ(colors.BitDepth, 4);
  EXPECT_EQ(colors.Palette->Colors(), Sixteen());
}

TEST(ReadBitmapColors, CoreHeaderGivesTheFullTableOfThreeByteEntries) {
  BmpLayout layout;
  layout.core = true;
  layout.width = 9;
  layout.height = 2;
  layout.bitCount = 1;
  layout.table = {win::RGB(10, 20, 30), win::RGB(200, 150, 100)};
  layout.pixels.assign(18, 1);
  TBitmapColors colors;
  ASSERT_TRUE(Read(BuildBmp(layout), colors));
  EXPECT_EQ(colors.BitDepth, 1);
  EXPECT_EQ(colors.Palette->Colors(), layout.table);
}

TEST(ReadBitmapColors, DeepPicturesHaveNoTableAndOtherHeaderKindsNoDepth) {
  BmpLayout layout;
  layout.width = 2;
  layout.height = 2;
  layout.pixels = {clRed, clLime, clBlue, clWhite};
  for (int depth : {24, 32}) {
    layout.bitCount = depth;
    TBitmapColors colors;
    ASSERT_TRUE(Read(BuildBmp(layout), colors));
    EXPECT_EQ(colors.BitDepth, depth);
    EXPECT_FALSE(colors.Palette);
  }

  // The 108-byte header of later files.
  layout.bitCount = 24;
  std::string later = BuildBmp(layout);
  later.insert(54, std::string(68, '\0'));
  Patch32(later, kInfoSizeAt, 108);
  Patch32(later, kOffsetAt, 54 + 68);
  TBitmapColors colors;
  colors.BitDepth = 99;
  ASSERT_TRUE(Read(later, colors));
  EXPECT_EQ(colors.BitDepth, 0);
  EXPECT_FALSE(colors.Palette);
}

TEST(ReadBitmapColors, LeavesTheStreamWhereItWas) {
  TStringStream stream(BuildBmp(EightBitWithSixteenColors()));
  stream.SetPosition(0);
  TBitmapColors colors;
  EXPECT_TRUE(IsBitmapFile(&stream));
  EXPECT_EQ(stream.Position(), 0);
  EXPECT_TRUE(ReadBitmapColors(&stream, colors));
  EXPECT_EQ(stream.Position(), 0);

  TStringStream gif("GIF89a");
  EXPECT_FALSE(IsBitmapFile(&gif));
  EXPECT_FALSE(ReadBitmapColors(&gif, colors));
}

// Every file cut inside its headers or table, and every field that claims
// more than the file holds, is refused and changes nothing.
TEST(ReadBitmapColors, RefusesTruncatedAndLyingFilesWithoutTouchingTheResult) {
  const std::string good = BuildBmp(EightBitWithSixteenColors());
  const size_t tableEnd = 14 + 40 + 16 * 4;
  std::vector<std::string> bad;
  for (size_t cut = 0; cut < tableEnd; ++cut) bad.push_back(good.substr(0, cut));
  const auto patched = [&](size_t at, uint32_t value, bool wide = true) {
    std::string bytes = good;
    wide ? Patch32(bytes, at, value) : Patch16(bytes, at, value);
    bad.push_back(bytes);
  };
  patched(kColorsUsedAt, 257);         // more than 8 bits can index
  patched(kColorsUsedAt, 0xFFFFFFFF);  // a count that overflows a size
  patched(kColorsUsedAt, 200);         // a table longer than the file
  patched(kOffsetAt, 14 + 40 + 15 * 4);  // pixels inside the table
  patched(kOffsetAt, static_cast<uint32_t>(good.size() + 1));  // pixels beyond the end
  patched(kInfoSizeAt, 0);
  patched(kInfoSizeAt, 11);
  patched(kInfoSizeAt, static_cast<uint32_t>(good.size()));  // a header longer than the file
  patched(kInfoSizeAt, 0xFFFFFFF0);
  patched(kBitCountAt, 16, false);
  patched(kBitCountAt, 0, false);
  patched(kBitCountAt, 0xFFFF, false);
  BmpLayout core = EightBitWithSixteenColors();
  core.core = true;
  bad.push_back(BuildBmp(core));  // a core header has all 256 entries, not 16

  for (size_t i = 0; i < bad.size(); ++i) {
    TBitmapColors colors;
    colors.BitDepth = 99;
    EXPECT_FALSE(Read(bad[i], colors)) << "file " << i;
    EXPECT_EQ(colors.BitDepth, 99) << "file " << i;
    EXPECT_FALSE(colors.Palette) << "file " << i;
  }
}

// ---- The nearest colour ----

std::vector<TColor> RandomTable(std::mt19937& random, size_t size) {
  std::vector<TColor> table;
  while (table.size() < size) {
    // Clusters and repeats make ties and duplicates likely.
    if (!table.empty() && random() % 4 == 0)
      table.push_back(table[random() % table.size()]);
    else
      table.push_back(win::RGB(random() % 8 * 36, random() % 256, random() % 3 * 127));
  }
  return table;
}

TEST(TNearestColor, AgreesWithTheFullSearchOnEveryColourTried) {
  std::mt19937 random(7);
  for (size_t size : {1, 2, 3, 16, 100, 256}) {
    const std::vector<TColor> table = RandomTable(random, size);
    TNearestColor nearest(table);
    std::vector<TColor> tried(table);
    for (int i = 0; i < 20000; ++i) tried.push_back(random() & 0xFFFFFF);
    for (int r = 0; r < 256; r += 15)
      for (int g = 0; g < 256; g += 17)
        for (int b = 0; b < 256; b += 51) tried.push_back(win::RGB(r, g, b));
    for (TColor color : tried)
      ASSERT_EQ(nearest.IndexOf(color), win::detail::NearestColorIndex(table, color))
          << "table of " << size << ", colour " << std::hex << color;
  }
}

TEST(TNearestColor, TakesTheFirstOfEqualEntriesAndTheFirstOnATie) {
  TNearestColor nearest({clBlack, clWhite, clWhite, win::RGB(10, 0, 0), win::RGB(0, 10, 0)});
  EXPECT_EQ(nearest.IndexOf(clWhite), 1);
  EXPECT_EQ(nearest.IndexOf(win::RGB(5, 5, 0)), 0);  // 50 from black and from entries 3 and 4
  EXPECT_EQ(nearest.IndexOf(win::RGB(6, 6, 0)), 3);  // 52 from 3 and 4, 72 from black
  EXPECT_EQ(nearest.IndexOf(win::RGB(6, 6, 0)), 3);  // remembered

  // (15, 15, 15) is the corner of its box farthest from black and nearest
  // to (30, 30, 30), 675 from each: the tie goes to the first entry.
  TNearestColor corner({win::RGB(30, 30, 30), clBlack});
  EXPECT_EQ(corner.IndexOf(win::RGB(15, 15, 15)), 0);
}

// ---- Writing ----

TEST(EncodeBitmapFile, WritesTheHeaderFieldsAndAUsedCountBelowTheFullTable) {
  TBitmap bitmap;
  imagetest::Paint(bitmap, 5, 3, [](int x, int y) { return Sixteen()[(y * 5 + x) % 16]; });
  const auto palette = TBitmapPalette::FromColors(Sixteen());
  const ParsedBmp eight = Parse(EncodeBitmapFile(&bitmap, 8, palette.get()));
  EXPECT_EQ(eight.offset, 14u + 40 + 16 * 4);
  EXPECT_EQ(eight.imageSize, 8u * 3);
  EXPECT_EQ(eight.fileSize, eight.offset + eight.imageSize);
  EXPECT_EQ(eight.infoSize, 40u);
  EXPECT_EQ(eight.planes, 1);
  EXPECT_EQ(eight.bitCount, 8);
  EXPECT_EQ(eight.colorsUsed, 16u);
  EXPECT_EQ(eight.table, Sixteen());
  EXPECT_EQ(eight.pixels, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));

  // 16 entries fill a 4-bit table: counted as 0.
  const ParsedBmp four = Parse(EncodeBitmapFile(&bitmap, 4, palette.get()));
  EXPECT_EQ(four.colorsUsed, 0u);
  EXPECT_EQ(four.table.size(), 16u);
  EXPECT_EQ(four.pixels, eight.pixels);
}

TEST(EncodeBitmapFile, PadsEveryRowWithZerosToFourBytes) {
  TBitmap bitmap;
  imagetest::Paint(bitmap, 3, 2, [](int x, int y) { return x == 1 ? clWhite : clBlack; });
  const auto palette = TBitmapPalette::FromColors({clBlack, clWhite});
  const std::vector<std::pair<int, uint32_t>> rowBytes = {{1, 4}, {4, 4}, {8, 4}, {24, 12}, {32, 12}};
  for (const auto& [depth, bytes] : rowBytes) {
    const ParsedBmp parsed = Parse(EncodeBitmapFile(&bitmap, depth, palette.get()));
    EXPECT_EQ(parsed.imageSize, bytes * 2) << depth;
    EXPECT_TRUE(parsed.paddingZero) << depth;
  }
  // The top byte of a 32-bit pixel is zero.
  const std::vector<uint8_t> file = EncodeBitmapFile(&bitmap, 32, nullptr);
  EXPECT_EQ(file[54 + 4 + 3], 0);
  EXPECT_EQ(file[54 + 4], 0xFF);
}

TEST(EncodeBitmapFile, OneBitSetsTheBitOfEveryPixelNearestToAnEntryOtherThanTheFirst) {
  // Greys below the middle are nearer black; red is nearer black too.
  TBitmap bitmap;
  const std::vector<TColor> row = {0x7F7F7F, 0x808080, clRed, clWhite, clBlack, 0xC0C0C0, 0x101010, clYellow, clAqua};
  imagetest::Paint(bitmap, static_cast<int>(row.size()), 1, [&](int x, int) { return row[x]; });

  auto blackFirst = TBitmapPalette::FromColors({clBlack, clWhite});
  EXPECT_EQ(Parse(EncodeBitmapFile(&bitmap, 1, blackFirst.get())).pixels,
            (std::vector<uint32_t>{0, 1, 0, 1, 0, 1, 0, 1, 1}));
  auto whiteFirst = TBitmapPalette::FromColors({clWhite, clBlack});
  EXPECT_EQ(Parse(EncodeBitmapFile(&bitmap, 1, whiteFirst.get())).pixels,
            (std::vector<uint32_t>{1, 0, 1, 0, 1, 0, 1, 0, 0}));
}

TEST(EncodeBitmapFile, WithoutAPaletteCollectsThePicturesColoursFromTheBottomRowUp) {
  // Bottom row first, left to right: blue, lime, then red, then the rest.
  TBitmap bitmap;
  const std::vector<std::vector<TColor>> rows = {{clYellow, clRed, clWhite}, {clRed, clRed, clBlue}, {clBlue, clLime, clBlue}};
  imagetest::Paint(bitmap, 3, 3, [&](int x, int y) { return rows[y][x]; });

  const ParsedBmp eight = Parse(EncodeBitmapFile(&bitmap, 8, nullptr));
  EXPECT_EQ(eight.table, (std::vector<TColor>{clBlue, clLime, clRed, clYellow, clWhite}));
  EXPECT_EQ(eight.colorsUsed, 5u);
  EXPECT_EQ(eight.pixels, (std::vector<uint32_t>{3, 2, 4, 2, 2, 0, 0, 1, 0}));

  // Two entries fill a 1-bit table; yellow is nearer lime, red and white
  // are as near to both and take blue.
  const ParsedBmp one = Parse(EncodeBitmapFile(&bitmap, 1, nullptr));
  EXPECT_EQ(one.table, (std::vector<TColor>{clBlue, clLime}));
  EXPECT_EQ(one.colorsUsed, 0u);
  EXPECT_EQ(one.pixels, (std::vector<uint32_t>{1, 0, 0, 0, 0, 0, 0, 1, 0}));

  // An empty palette counts as none.
  TBitmapPalette empty;
  EXPECT_EQ(Parse(EncodeBitmapFile(&bitmap, 8, &empty)).table, eight.table);
}

TEST(EncodeBitmapFile, UsesOnlyAsManyPaletteEntriesAsTheDepthIndexes) {
  std::vector<TColor> many;
  for (int i = 0; i < 256; ++i) many.push_back(win::RGB(i, i, i));
  const auto palette = TBitmapPalette::FromColors(many);
  TBitmap bitmap;
  imagetest::Paint(bitmap, 2, 1, [](int x, int) { return x ? win::RGB(200, 200, 200) : win::RGB(3, 3, 3); });
  const ParsedBmp four = Parse(EncodeBitmapFile(&bitmap, 4, palette.get()));
  EXPECT_EQ(four.table, std::vector<TColor>(many.begin(), many.begin() + 16));
  EXPECT_EQ(four.pixels, (std::vector<uint32_t>{3, 15}));
}

TEST(EncodeBitmapFile, RefusesDepthsItCannotWriteAndEmptyBitmaps) {
  TBitmap bitmap;
  EXPECT_TRUE(EncodeBitmapFile(&bitmap, 24, nullptr).empty());
  bitmap.SetSize(2, 2);
  for (int depth : {0, 2, 16, 33}) EXPECT_TRUE(EncodeBitmapFile(&bitmap, depth, nullptr).empty()) << depth;
  EXPECT_FALSE(EncodeBitmapFile(&bitmap, 24, nullptr).empty());
}

}  // namespace
