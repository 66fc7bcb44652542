// ktvImage's files: bitmap files of every depth and both header kinds come
// back from SaveToFile with the same pixels and colour table, other files
// come through the picture's loader, and a file that cannot be read, or
// says more than it holds, leaves the picture, depth and table as they were.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/Forms.h"
#include "framework/Streams.h"
#include "framework/SysUtils.h"
#include "images/Image.h"
#include "images/tests/support/BmpBuilder.h"
#include "images/tests/support/ImageTestSupport.h"

using namespace bmptest;

namespace {

std::vector<TColor> Ramp(int count) {
  std::vector<TColor> table;
  for (int i = 0; i < count; ++i) table.push_back(win::RGB(255 - i, i * 37 % 256, i * 11 % 256));
  return table;
}

BmpLayout Indexed(int bitCount, int entries, bool core = false) {
  BmpLayout layout;
  layout.width = 7;  // rows that need padding at every depth
  layout.height = 5;
  layout.bitCount = bitCount;
  layout.core = core;
  layout.table = Ramp(entries);
  for (int i = 0; i < layout.width * layout.height; ++i) layout.pixels.push_back(static_cast<uint32_t>(i * 5 % entries));
  return layout;
}

BmpLayout Deep(int bitCount, bool core = false) {
  BmpLayout layout;
  layout.width = 7;
  layout.height = 5;
  layout.bitCount = bitCount;
  layout.core = core;
  for (int i = 0; i < layout.width * layout.height; ++i) layout.pixels.push_back(win::RGB(i * 7, 255 - i * 3, i * i % 256));
  return layout;
}

std::string Describe(const BmpLayout& layout) {
  return std::to_string(layout.bitCount) + " bits, " + (layout.core ? "core" : "info") + " header, " +
         std::to_string(layout.table.size()) + " entries" + (layout.topDown ? ", top-down" : "");
}

class KtvImageFiles : public ::testing::Test {
 protected:
  KtvImageFiles() : image(nullptr) {}

  // Loads the file, saves it back and takes the result apart.
  ParsedBmp RoundTrip(const BmpLayout& layout) {
    EXPECT_TRUE(image.LoadFromFile(files.Put("in.bmp", BuildBmp(layout)))) << Describe(layout);
    EXPECT_TRUE(image.SaveToFile(files.Name("out.bmp"))) << Describe(layout);
    ParsedBmp parsed;
    EXPECT_TRUE(ParseBmp(files.Read("out.bmp"), parsed)) << Describe(layout);
    return parsed;
  }

  TBitmap* Bitmap() { return dynamic_cast<TBitmap*>(image.Picture()->Graphic()); }

  imagetest::Files files;
  ktvImage image;
};

TEST_F(KtvImageFiles, EightBitFileWithSixteenUsedColoursIsWrittenBackWithThoseSixteen) {
  const BmpLayout layout = Indexed(8, 16);
  const ParsedBmp saved = RoundTrip(layout);
  EXPECT_EQ(image.BitDepth(), 8);
  ASSERT_TRUE(image.Palette());
  EXPECT_EQ(image.Palette()->palNumEntries, 16);
  EXPECT_EQ(saved.bitCount, 8);
  EXPECT_EQ(saved.colorsUsed, 16u);
  EXPECT_EQ(saved.table, layout.table);
  EXPECT_EQ(saved.offset, 14u + 40 + 16 * 4);
  EXPECT_EQ(saved.pixels, layout.pixels);
}

TEST_F(KtvImageFiles, EveryDepthAndHeaderKindComesBackWithTheSamePixelsAndTable) {
  std::vector<BmpLayout> specs = {Indexed(1, 2), Indexed(1, 1),  Indexed(4, 16), Indexed(4, 5),
                                Indexed(8, 256), Indexed(8, 3), Deep(24),     Deep(32),
                                Indexed(1, 2, true), Indexed(4, 16, true), Indexed(8, 256, true), Deep(24, true)};
  BmpLayout topDown = Indexed(8, 40);
  topDown.topDown = true;
  specs.push_back(topDown);
  for (const BmpLayout& layout : specs) {
    const ParsedBmp saved = RoundTrip(layout);
    EXPECT_EQ(image.BitDepth(), layout.bitCount) << Describe(layout);
    EXPECT_EQ(saved.bitCount, layout.bitCount) << Describe(layout);
    EXPECT_EQ(saved.table, layout.table) << Describe(layout);
    const bool full = layout.table.size() == (size_t{1} << layout.bitCount);
    EXPECT_EQ(saved.colorsUsed, full || layout.table.empty() ? 0 : layout.table.size()) << Describe(layout);
    EXPECT_EQ(saved.pixels, layout.pixels) << Describe(layout);
    EXPECT_TRUE(saved.paddingZero) << Describe(layout);
    EXPECT_EQ(saved.fileSize, files.Read("out.bmp").size()) << Describe(layout);
  }
}

TEST_F(KtvImageFiles, OneBitSavingWritesEachPixelAsItsNearestEntry) {
  BmpLayout layout = Indexed(1, 2);
  layout.table = {clWhite, clBlack};
  ASSERT_TRUE(image.LoadFromFile(files.Put("in.bmp", BuildBmp(layout))));
  // A new picture keeps the depth and table of the file.
  const std::vector<TColor> colors = {0x7F7F7F, 0x808080, clRed, clYellow, clNavy, clSilver};
  TBitmap picture;
  imagetest::Paint(picture, 6, 1, [&](int x, int) { return colors[x]; });
  image.Picture()->SetGraphic(&picture);
  ASSERT_TRUE(image.SaveToFile(files.Name("out.bmp")));
  ParsedBmp saved;
  ASSERT_TRUE(ParseBmp(files.Read("out.bmp"), saved));
  EXPECT_EQ(saved.table, layout.table);
  EXPECT_EQ(saved.pixels, (std::vector<uint32_t>{1, 0, 1, 0, 1, 0}));
}

TEST_F(KtvImageFiles, WithoutATableSavingCollectsThePicturesColours) {
  ASSERT_TRUE(image.LoadFromFile(files.Put("in.bmp", BuildBmp(Indexed(4, 16)))));
  image.SetPalette(nullptr);
  TBitmap picture;
  imagetest::Paint(picture, 3, 2, [](int x, int y) { return y ? (x ? clRed : clLime) : clBlue; });
  image.Picture()->SetGraphic(&picture);
  ASSERT_TRUE(image.SaveToFile(files.Name("out.bmp")));
  ParsedBmp saved;
  ASSERT_TRUE(ParseBmp(files.Read("out.bmp"), saved));
  EXPECT_EQ(saved.bitCount, 4);
  EXPECT_EQ(saved.table, (std::vector<TColor>{clLime, clRed, clBlue}));
  EXPECT_EQ(saved.colorsUsed, 3u);
}

// The filter offers these extensions, so they load as bitmaps too.
TEST_F(KtvImageFiles, BitmapFilesLoadByTheirContentsWhateverTheExtension) {
  for (const char* name : {"in.DIB", "in.rle", "in.rgb", "in.BMP"}) {
    ktvImage fresh(nullptr);
    EXPECT_TRUE(fresh.LoadFromFile(files.Put(name, BuildBmp(Indexed(4, 5))))) << name;
    EXPECT_EQ(fresh.BitDepth(), 4) << name;
  }
}

// ---- Files that are not loaded ----

// The picture, depth and table of a loaded 8-bit file, to see that nothing changes.
class KtvImageRefusals : public KtvImageFiles {
 protected:
  void SetUp() override {
    ASSERT_TRUE(image.LoadFromFile(files.Put("good.bmp", BuildBmp(Indexed(8, 16)))));
    picture = image.Picture()->Graphic();
    pixels = imagetest::ColorsOf(*Bitmap());
  }

  void ExpectUntouched(const std::string& what) {
    EXPECT_EQ(image.Picture()->Graphic(), picture) << what;
    EXPECT_EQ(imagetest::ColorsOf(*Bitmap()), pixels) << what;
    EXPECT_EQ(image.BitDepth(), 8) << what;
    ASSERT_TRUE(image.Palette()) << what;
    EXPECT_EQ(image.Palette()->Colors(), Ramp(16)) << what;
  }

  TGraphic* picture = nullptr;
  std::vector<TColor> pixels;
};

TEST_F(KtvImageRefusals, AnEmptyNameOrAMissingFileChangesNothing) {
  EXPECT_FALSE(image.LoadFromFile(""));
  ExpectUntouched("empty name");
  EXPECT_FALSE(image.LoadFromFile(files.Name("missing.bmp")));
  ExpectUntouched("missing file");
  EXPECT_FALSE(image.LoadBitmapFile(files.Name("missing.bmp")));
  ExpectUntouched("missing file, loaded directly");
}

// Refused files have another table than the loaded one, so that a table
// taken from them would show.
const BmpLayout kRefusedSpec = Indexed(8, 40);

TEST_F(KtvImageRefusals, TruncatedFilesChangeNothing) {
  const std::string good = BuildBmp(kRefusedSpec);
  for (size_t cut = 0; cut < good.size(); ++cut) {
    EXPECT_FALSE(image.LoadFromFile(files.Put("cut.bmp", good.substr(0, cut)))) << cut << " bytes";
    ExpectUntouched(std::to_string(cut) + " bytes");
  }
}

TEST_F(KtvImageRefusals, FilesThatClaimMoreThanTheyHoldChangeNothing) {
  const std::string good = BuildBmp(kRefusedSpec);
  struct Lie {
    const char* what;
    size_t at;
    uint32_t value;
    bool wide;
  };
  const Lie lies[] = {
      {"offset beyond the end", kOffsetAt, 0x7FFFFFFF, true},
      {"offset inside the table", kOffsetAt, 54, true},
      {"more colours than 8 bits index", kColorsUsedAt, 300, true},
      {"a table past the end", kColorsUsedAt, 250, true},
      {"a header past the end", kInfoSizeAt, 0x10000, true},
      {"a header too short", kInfoSizeAt, 8, true},
      {"a width beyond the pixels", kWidthAt, 5000, true},
      {"a height beyond the pixels", kHeightAt, 0x7FFF, true},
      {"a depth of 16", kBitCountAt, 16, false},
      {"a depth of 0", kBitCountAt, 0, false},
  };
  for (const Lie& lie : lies) {
    std::string bytes = good;
    lie.wide ? Patch32(bytes, lie.at, lie.value) : Patch16(bytes, lie.at, lie.value);
    EXPECT_FALSE(image.LoadFromFile(files.Put("lie.bmp", bytes))) << lie.what;
    ExpectUntouched(lie.what);
  }
}

TEST_F(KtvImageRefusals, AFileThatIsNoPictureOfItsExtensionChangesNothing) {
  EXPECT_FALSE(image.LoadFromFile(files.Put("gif.bmp", "GIF89a\x01\x00\x01\x00")));
  ExpectUntouched("not a bitmap");
  EXPECT_FALSE(image.LoadFromFile(files.Put("unknown.xyz", "data")));
  ExpectUntouched("an unknown extension");
}

// ---- Pictures of other formats, through the picture's loader ----

// A picture format of the tests: "P" and a 2 by 1 lime picture. It notes
// the cursor while it loads.
class TProbePicture : public TBitmap {
 public:
  static inline TCursor cursorWhileLoading = crDefault;
  TGraphic* NewGraphic() const override { return new TProbePicture; }
  void LoadFromStream(TStream* Stream) override {
    cursorWhileLoading = Screen->Cursor();
    char letter = 0;
    if (Stream->Read(&letter, 1) != 1 || letter != 'P') throw EInvalidGraphic("not a probe");
    SetPixelFormat(pf24bit);
    SetSize(2, 1);
    Canvas()->Brush()->SetColor(clLime);
    Canvas()->FillRect(Rect(0, 0, 2, 1));
  }
};

class KtvImageOtherFormats : public KtvImageRefusals {
 protected:
  void SetUp() override {
    TPicture::RegisterFileFormat("probe", "probe", [] { return new TProbePicture; });
    KtvImageRefusals::SetUp();
  }
};

TEST_F(KtvImageOtherFormats, LoadThroughThePicturesLoaderWithTheHourglassAndKeepNoTable) {
  Screen->SetCursor(crCross);
  TProbePicture::cursorWhileLoading = crDefault;
  ASSERT_TRUE(image.LoadFromFile(files.Put("in.probe", "P")));
  EXPECT_EQ(TProbePicture::cursorWhileLoading, crHourGlass);
  EXPECT_EQ(Screen->Cursor(), crCross);
  EXPECT_EQ(image.Picture()->Width(), 2);
  EXPECT_EQ(image.BitDepth(), 0);
  EXPECT_FALSE(image.Palette());

  // Without a depth, the bitmap's own saving.
  ASSERT_TRUE(image.SaveToFile(files.Name("out.bmp")));
  ParsedBmp saved;
  ASSERT_TRUE(ParseBmp(files.Read("out.bmp"), saved));
  EXPECT_EQ(saved.bitCount, 24);
  EXPECT_EQ(saved.pixels, (std::vector<uint32_t>{clLime, clLime}));
  Screen->SetCursor(crDefault);
}

TEST_F(KtvImageOtherFormats, AFailedLoadChangesNothingAndGivesTheCursorBack) {
  Screen->SetCursor(crCross);
  EXPECT_FALSE(image.LoadFromFile(files.Put("bad.probe", "Q")));
  EXPECT_EQ(Screen->Cursor(), crCross);
  ExpectUntouched("a failed probe");
  Screen->SetCursor(crDefault);
}

// ---- Saving that fails ----

TEST_F(KtvImageRefusals, SavingWhereNoFileCanBeMadeFails) {
  EXPECT_FALSE(image.SaveToFile(files.Name("no-such-folder") + "\\out.bmp"));
}

TEST_F(KtvImageRefusals, SavingAnEmptyPictureOrOneThatIsNoBitmapFailsAndWritesNothing) {
  TBitmap empty;
  image.Picture()->SetGraphic(&empty);
  EXPECT_FALSE(image.SaveToFile(files.Name("empty.bmp")));
  EXPECT_FALSE(FileExists(files.Name("empty.bmp")));

  image.Picture()->SetGraphic(nullptr);
  EXPECT_FALSE(image.SaveToFile(files.Name("none.bmp")));
  EXPECT_FALSE(FileExists(files.Name("none.bmp")));

  // Without a depth too: a file of nothing would be no picture.
  ktvImage fresh(nullptr);
  EXPECT_FALSE(fresh.SaveToFile(files.Name("fresh.bmp")));
  EXPECT_FALSE(FileExists(files.Name("fresh.bmp")));
}

TEST_F(KtvImageRefusals, SavingOverAFileWithAPictureThatCannotBeWrittenKeepsTheFile) {
  const std::string kept = files.Put("kept.bmp", "precious");
  TBitmap empty;
  image.Picture()->SetGraphic(&empty);
  EXPECT_FALSE(image.SaveToFile(kept));
  EXPECT_EQ(files.Read("kept.bmp"), "precious");
}

}  // namespace
