#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "framework/Bitmaps.h"
#include "framework/Exceptions.h"
#include "framework/Streams.h"
#include "framework/tests/GraphicsTestSupport.h"
#include "platform/Bitmaps.h"
#include "platform/Paths.h"
#include "testsupport/TempDir.h"

using graphicstest::Legend;
using graphicstest::Paint;
using graphicstest::Read;
using graphicstest::Rows;
using win::COLORREF;

namespace {

// A bitmap file laid out by hand.
struct FileLayout {
  int headerSize = 40;  // 12: BITMAPCOREHEADER; 124: the fifth form
  int width = 0;
  int height = 0;  // negative: top-down
  int bitCount = 24;
  std::vector<COLORREF> colors;  // the table as written
  uint32_t colorsUsed = 0;
  uint32_t compression = 0;
  std::vector<uint32_t> pixels;  // from the top, left to right: indices or 0xBBGGRR
};

void Put(std::string& s, size_t at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) s[at + i] = static_cast<char>(value >> (8 * i));
}

std::string BuildFile(const FileLayout& f) {
  const bool core = f.headerSize == 12;
  const int rows = std::abs(f.height);
  const size_t stride = (static_cast<size_t>(f.width) * f.bitCount + 31) / 32 * 4;
  const size_t entry = core ? 3 : 4;
  const size_t offBits = 14 + f.headerSize + f.colors.size() * entry;
  std::string file(offBits + stride * rows, '\0');
  file[0] = 'B';
  file[1] = 'M';
  Put(file, 2, static_cast<uint32_t>(file.size()), 4);
  Put(file, 10, static_cast<uint32_t>(offBits), 4);
  Put(file, 14, f.headerSize, 4);
  if (core) {
    Put(file, 18, f.width, 2);
    Put(file, 20, f.height, 2);
    Put(file, 22, 1, 2);
    Put(file, 24, f.bitCount, 2);
  } else {
    Put(file, 18, f.width, 4);
    Put(file, 22, static_cast<uint32_t>(f.height), 4);
    Put(file, 26, 1, 2);
    Put(file, 28, f.bitCount, 2);
    Put(file, 30, f.compression, 4);
    Put(file, 34, static_cast<uint32_t>(stride * rows), 4);
    Put(file, 46, f.colorsUsed, 4);
    if (f.compression == 3) {  // the masks of the later forms
      Put(file, 54, 0xFF0000, 4);
      Put(file, 58, 0xFF00, 4);
      Put(file, 62, 0xFF, 4);
    }
  }
  for (size_t i = 0; i < f.colors.size(); ++i) {
    size_t at = 14 + f.headerSize + i * entry;
    file[at] = static_cast<char>(win::GetBValue(f.colors[i]));
    file[at + 1] = static_cast<char>(win::GetGValue(f.colors[i]));
    file[at + 2] = static_cast<char>(win::GetRValue(f.colors[i]));
  }
  for (int y = 0; y < rows; ++y) {
    // The file's row r holds picture row y.
    size_t r = f.height > 0 ? rows - 1 - y : y;
    size_t row = offBits + r * stride;
    for (int x = 0; x < f.width; ++x) {
      uint32_t v = f.pixels[static_cast<size_t>(y) * f.width + x];
      switch (f.bitCount) {
        case 1:
          file[row + x / 8] = static_cast<char>(file[row + x / 8] | (v << (7 - x % 8)));
          break;
        case 4:
          file[row + x / 2] = static_cast<char>(file[row + x / 2] | (v << (x % 2 ? 0 : 4)));
          break;
        case 8:
          file[row + x] = static_cast<char>(v);
          break;
        default: {
          size_t at = row + static_cast<size_t>(x) * (f.bitCount / 8);
          file[at] = static_cast<char>(win::GetBValue(v));
          file[at + 1] = static_cast<char>(win::GetGValue(v));
          file[at + 2] = static_cast<char>(win::GetRValue(v));
        }
      }
    }
  }
  return file;
}

void LoadBytes(TBitmap& bitmap, const std::string& bytes) {
  TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
  stream.SetPosition(0);
  bitmap.LoadFromStream(&stream);
}

std::string SavedBytes(TBitmap& bitmap) {
  TMemoryStream stream;
  bitmap.SaveToStream(&stream);
  return std::string(static_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
}

uint32_t Field(const std::string& file, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(file[at + i]);
  return v;
}

std::vector<COLORREF> PixelsOf(TBitmap& bitmap) {
  std::vector<COLORREF> pixels;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) pixels.push_back(bitmap.Canvas()->Pixels(x, y));
  return pixels;
}

// A table of distinct colours.
std::vector<COLORREF> Table(size_t count) {
  std::vector<COLORREF> table;
  for (size_t i = 0; i < count; ++i)
    table.push_back(
        win::RGB(static_cast<uint8_t>(i * 7), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 3 + 1)));
  return table;
}

// A 3 by 2 picture (its rows padded) of the given depth and header.
FileLayout Sample(int bitCount, int headerSize, bool topDown) {
  FileLayout f;
  f.headerSize = headerSize;
  f.width = 3;
  f.height = topDown ? -2 : 2;
  f.bitCount = bitCount;
  if (bitCount <= 8) {
    f.colors = Table(size_t{1} << bitCount);
    f.pixels = bitCount == 1 ? std::vector<uint32_t>{1, 0, 1, 0, 0, 1} : std::vector<uint32_t>{1, 2, 3, 3, 0, 2};
  } else {
    f.pixels = {0x0000FF, 0x00FF00, 0xFF0000, 0x123456, 0xFFFFFF, 0x000000};
    if (bitCount == 32 && headerSize == 124) f.compression = 3;
  }
  return f;
}

// The colours a sample shows.
std::vector<COLORREF> SampleColors(const FileLayout& f) {
  std::vector<COLORREF> colors;
  for (uint32_t v : f.pixels) colors.push_back(f.bitCount <= 8 ? f.colors[v] : v);
  return colors;
}

TPixelFormat FormatOf(int bitCount) {
  switch (bitCount) {
    case 1:
      return pf1bit;
    case 4:
      return pf4bit;
    case 8:
      return pf8bit;
    case 24:
      return pf24bit;
    default:
      return pf32bit;
  }
}

std::string InvalidMessageOf(const std::string& bytes, TBitmap& bitmap) {
  try {
    LoadBytes(bitmap, bytes);
  } catch (const EInvalidGraphic& e) {
    return e.Message;
  }
  return "loaded";
}

const Legend kLegend{{'.', clWhite}, {'R', clRed}, {'B', clBlue}, {'K', clBlack}, {'T', clTeal}, {'Y', clYellow}};

}  // namespace

// ---- Files ----------------------------------------------------------------------

TEST(TBitmapFile, LoadsEveryDepthWithBothHeaderKindsAndBothRowOrders) {
  for (int bitCount : {1, 4, 8, 24, 32}) {
    for (int headerSize : {12, 40, 124}) {
      for (bool topDown : {false, true}) {
        if (headerSize == 12 && topDown) continue;  // the core header has no sign
        SCOPED_TRACE(testing::Message() << bitCount << " bits, header " << headerSize << (topDown ? " top-down" : ""));
        FileLayout layout = Sample(bitCount, headerSize, topDown);
        TBitmap bitmap;
        LoadBytes(bitmap, BuildFile(layout));
        EXPECT_EQ(bitmap.Width(), 3);
        EXPECT_EQ(bitmap.Height(), 2);
        EXPECT_EQ(bitmap.PixelFormat(), FormatOf(bitCount));
        EXPECT_EQ(PixelsOf(bitmap), SampleColors(layout));

        // Saved and read again: the same pixels, in the same depth.
        std::string saved = SavedBytes(bitmap);
        EXPECT_EQ(Field(saved, 14, 4), 40u);
        EXPECT_EQ(Field(saved, 28, 2), static_cast<uint32_t>(bitCount));
        EXPECT_EQ(Field(saved, 22, 4), 2u);  // bottom-up
        TBitmap again;
        LoadBytes(again, saved);
        EXPECT_EQ(again.PixelFormat(), FormatOf(bitCount));
        EXPECT_EQ(PixelsOf(again), SampleColors(layout));
      }
    }
  }
}

TEST(TBitmapFile, APartialColourTableIsKeptWithItsCountAndItsIndices) {
  FileLayout layout;
  layout.width = 5;
  layout.height = 1;
  layout.bitCount = 8;
  layout.colors = Table(16);
  layout.colorsUsed = 16;
  layout.pixels = {15, 0, 7, 7, 3};
  std::string file = BuildFile(layout);
  TBitmap bitmap;
  LoadBytes(bitmap, file);
  EXPECT_EQ(PixelsOf(bitmap), SampleColors(layout));
  EXPECT_EQ(static_cast<const uint8_t*>(bitmap.ScanLine(0))[0], 15);
  EXPECT_EQ(SavedBytes(bitmap), file);
}

TEST(TBitmapFile, SavesEveryPixelFormatAndReadsItBack) {
  struct Case {
    TPixelFormat format;
    bool monochrome;
    int bitCount;
    TPixelFormat reloaded;
  };
  const Case cases[] = {{pf1bit, false, 1, pf1bit},    {pf4bit, false, 4, pf4bit},    {pf8bit, false, 8, pf8bit},
                        {pf24bit, false, 24, pf24bit}, {pf32bit, false, 32, pf32bit}, {pfDevice, false, 32, pf32bit},
                        {pfDevice, true, 1, pf1bit}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bitCount);
    TBitmap bitmap;
    bitmap.SetPixelFormat(c.format);
    if (c.monochrome) bitmap.SetMonochrome(true);
    const Rows rows = c.bitCount == 1 ? Rows{"K..K.", ".KK.K"} : Rows{"KRB.T", "YTBRK"};
    Paint(bitmap, rows, kLegend);
    std::string saved = SavedBytes(bitmap);
    EXPECT_EQ(Field(saved, 28, 2), static_cast<uint32_t>(c.bitCount));
    EXPECT_EQ(Field(saved, 2, 4), saved.size());
    TBitmap again;
    LoadBytes(again, saved);
    EXPECT_EQ(again.PixelFormat(), c.reloaded);
    EXPECT_EQ(Read(again, kLegend), rows);
  }
}

TEST(TBitmapFile, ANothingLeftInTheStreamEmptiesTheBitmapAndAnEmptyBitmapSavesNothing) {
  TBitmap bitmap;
  bitmap.SetSize(4, 4);
  LoadBytes(bitmap, "");
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(SavedBytes(bitmap), "");
}

TEST(TBitmapFile, ReadingStopsAfterThePixelsSoThatFilesCanFollowEachOther) {
  std::string first = BuildFile(Sample(8, 40, false));
  std::string second = BuildFile(Sample(24, 12, false));
  TMemoryStream stream;
  stream.WriteBuffer(first.data(), static_cast<int>(first.size()));
  stream.WriteBuffer(second.data(), static_cast<int>(second.size()));
  stream.SetPosition(0);
  TBitmap a, b;
  a.LoadFromStream(&stream);
  EXPECT_EQ(stream.Position(), static_cast<int64_t>(first.size()));
  b.LoadFromStream(&stream);
  EXPECT_EQ(a.PixelFormat(), pf8bit);
  EXPECT_EQ(PixelsOf(b), SampleColors(Sample(24, 12, false)));
}

TEST(TBitmapFile, MalformedFilesAreRefusedAndTheBitmapKeepsWhatItHad) {
  const FileLayout base = Sample(8, 40, false);
  struct Case {
    const char* what;
    std::function<void(FileLayout&)> layout;
    std::function<void(std::string&)> bytes;
  };
  auto none = [](auto&) {};
  const Case cases[] = {
      {"not BM", none, [](std::string& f) { f[1] = 'A'; }},
      {"pixels offset past the end", none, [](std::string& f) { Put(f, 10, static_cast<uint32_t>(f.size()), 4); }},
      {"pixels offset inside the headers", none, [](std::string& f) { Put(f, 10, 20, 4); }},
      {"pixels offset inside the colour table", none, [](std::string& f) { Put(f, 10, 54 + 100, 4); }},
      {"huge pixels offset", none, [](std::string& f) { Put(f, 10, 0xFFFFFFF0, 4); }},
      {"header size 0", none, [](std::string& f) { Put(f, 14, 0, 4); }},
      {"header size 39", none, [](std::string& f) { Put(f, 14, 39, 4); }},
      {"header size past the end", none, [](std::string& f) { Put(f, 14, 0x7FFFFFFF, 4); }},
      {"zero width", [](FileLayout& s) { s.width = 0; }, none},
      {"negative width", none, [](std::string& f) { Put(f, 18, 0xFFFFFFFD, 4); }},
      {"zero height", none, [](std::string& f) { Put(f, 22, 0, 4); }},
      {"most negative height", none, [](std::string& f) { Put(f, 22, 0x80000000, 4); }},
      {"width past the largest bitmap", none, [](std::string& f) { Put(f, 18, 40000, 4); }},
      {"huge picture in a small file", none,
       [](std::string& f) {
         Put(f, 18, 30000, 4);
         Put(f, 22, 30000, 4);
       }},
      {"rows past the end", none, [](std::string& f) { Put(f, 22, 3, 4); }},
      {"two planes", none, [](std::string& f) { Put(f, 26, 2, 2); }},
      {"16 bits", none, [](std::string& f) { Put(f, 28, 16, 2); }},
      {"0 bits", none, [](std::string& f) { Put(f, 28, 0, 2); }},
      {"run-length coded", none, [](std::string& f) { Put(f, 30, 1, 4); }},
      {"bit fields at 8 bits", none, [](std::string& f) { Put(f, 30, 3, 4); }},
      {"more colours than the depth has", [](FileLayout& s) { s.colorsUsed = 257; }, none},
      {"colour count far past the table", none, [](std::string& f) { Put(f, 46, 0x40000000, 4); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FileLayout layout = base;
    c.layout(layout);
    std::string file = BuildFile(layout);
    c.bytes(file);
    TBitmap bitmap;
    Paint(bitmap, {"RB"}, kLegend);
    EXPECT_EQ(InvalidMessageOf(file, bitmap), "Bitmap image is not valid");
    EXPECT_EQ(Read(bitmap, kLegend), Rows{"RB"});
  }
}

TEST(TBitmapFile, CoreBitmapsWithShortTablesAndNonStandardBitFieldsAreRefused) {
  FileLayout core = Sample(8, 12, false);
  core.colors.resize(100);  // a core table is always full
  TBitmap bitmap;
  EXPECT_EQ(InvalidMessageOf(BuildFile(core), bitmap), "Bitmap image is not valid");

  std::string fields = BuildFile(Sample(32, 124, false));
  Put(fields, 54, 0xFF, 4);  // red and blue exchanged
  Put(fields, 62, 0xFF0000, 4);
  EXPECT_EQ(InvalidMessageOf(fields, bitmap), "Bitmap image is not valid");
}

TEST(TBitmapFile, EveryTruncationIsRefused) {
  for (int bitCount : {1, 8, 24}) {
    for (int headerSize : {12, 40}) {
      std::string file = BuildFile(Sample(bitCount, headerSize, false));
      for (size_t length = 1; length < file.size(); ++length) {
        TBitmap bitmap;
        ASSERT_EQ(InvalidMessageOf(file.substr(0, length), bitmap), "Bitmap image is not valid")
            << bitCount << " bits, header " << headerSize << ", " << length << " bytes";
      }
    }
  }
}

TEST(TBitmapFile, HeadersWithAnyBytesLoadOrAreRefusedAndNothingElse) {
  std::mt19937 random(7);
  for (int bitCount : {4, 24}) {
    const std::string file = BuildFile(Sample(bitCount, 40, false));
    for (int round = 0; round < 2000; ++round) {
      std::string mutated = file;
      // A few bytes of the headers and the table changed at random.
      for (int n = 0; n < 3; ++n) mutated[random() % 70] = static_cast<char>(random());
      TBitmap bitmap;
      try {
        LoadBytes(bitmap, mutated);
        EXPECT_FALSE(bitmap.Empty());
      } catch (const EInvalidGraphic&) {
      }
    }
  }
}

class TBitmapFiles : public testing::Test {
 protected:
  void SetUp() override { win::MapDrive('T', dir.path()); }
  testsupport::TempDir dir;
};

TEST_F(TBitmapFiles, SaveToFileAndLoadFromFileGoThroughTheFile) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf24bit);
  Paint(bitmap, {"RBT", "YK."}, kLegend);
  bitmap.SaveToFile("T:\\art.bmp");
  TBitmap again;
  again.LoadFromFile("T:\\art.bmp");
  EXPECT_EQ(again.PixelFormat(), pf24bit);
  EXPECT_EQ(Read(again, kLegend), (Rows{"RBT", "YK."}));
  EXPECT_THROW(again.LoadFromFile("T:\\missing.bmp"), EFOpenError);
  EXPECT_EQ(again.Width(), 3);
}

// ---- The bitmap ---------------------------------------------------------------------

TEST(TBitmap, ResizingKeepsTheTopLeftAndPaintsTheRestWithTheBrush) {
  TBitmap bitmap;
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(bitmap.Handle(), nullptr);
  bitmap.SetWidth(2);
  EXPECT_TRUE(bitmap.Empty());
  bitmap.SetHeight(2);
  EXPECT_FALSE(bitmap.Empty());
  EXPECT_EQ(Read(bitmap, kLegend), (Rows{"..", ".."}));
  Paint(bitmap, {"RB", "KT"}, kLegend);
  bitmap.Canvas()->Brush()->SetColor(clYellow);
  bitmap.SetSize(3, 3);
  EXPECT_EQ(Read(bitmap, kLegend), (Rows{"RBY", "KTY", "YYY"}));
  bitmap.SetSize(1, 2);
  EXPECT_EQ(Read(bitmap, kLegend), (Rows{"R", "K"}));
  EXPECT_THROW(bitmap.SetWidth(-1), EInvalidGraphic);
  EXPECT_THROW(bitmap.SetSize(40000, 1), EOutOfResources);
  EXPECT_EQ(Read(bitmap, kLegend), (Rows{"R", "K"}));
}

TEST(TBitmap, PixelFormatsKeepTheColoursTheyCanHold) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf24bit);
  Paint(bitmap, {"RBT", "YK."}, kLegend);
  for (TPixelFormat format : {pf32bit, pf8bit, pf4bit, pfDevice, pf24bit}) {
    bitmap.SetPixelFormat(format);
    EXPECT_EQ(bitmap.PixelFormat(), format);
    EXPECT_EQ(Read(bitmap, kLegend), (Rows{"RBT", "YK."})) << format;
  }
  bitmap.SetPixelFormat(pf1bit);
  EXPECT_TRUE(bitmap.Monochrome());
  EXPECT_EQ(Read(bitmap, kLegend), (Rows{"KKK", ".K."}));
}

TEST(TBitmap, MonochromeKeepsWhiteAndBlackensTheRest) {
  TBitmap bitmap;
  Paint(bitmap, {"RB.", "YK."}, kLegend);
  bitmap.SetMonochrome(true);
  EXPECT_TRUE(bitmap.Monochrome());
  EXPECT_EQ(bitmap.PixelFormat(), pfDevice);
  EXPECT_EQ(Read(bitmap, kLegend), (Rows{"KK.", "KK."}));
  bitmap.SetMonochrome(false);
  EXPECT_FALSE(bitmap.Monochrome());
  EXPECT_EQ(Read(bitmap, kLegend), (Rows{"KK.", "KK."}));
}

TEST(TBitmap, TheTransparentColourIsTheBottomLeftPixelUntilFixed) {
  TBitmap bitmap;
  Paint(bitmap, {"RB", "TY"}, kLegend);
  EXPECT_EQ(bitmap.TransparentMode(), tmAuto);
  EXPECT_EQ(bitmap.TransparentColor(), clTeal);
  bitmap.SetTransparentColor(clBtnFace);
  EXPECT_EQ(bitmap.TransparentMode(), tmFixed);
  EXPECT_EQ(bitmap.TransparentColor(), ColorToRGB(clBtnFace));
  bitmap.SetTransparentMode(tmAuto);
  EXPECT_EQ(bitmap.TransparentColor(), clTeal);
  bitmap.SetTransparentMode(tmFixed);
  Paint(bitmap, {"RB", "YY"}, kLegend);
  EXPECT_EQ(bitmap.TransparentColor(), clTeal);
  bitmap.SetMonochrome(true);
  bitmap.SetTransparentMode(tmAuto);
  EXPECT_EQ(bitmap.TransparentColor(), clWhite);
}

TEST(TBitmap, TransparentDrawingLeavesTheTransparentColourOutOnAnyTarget) {
  TBitmap sprite;
  sprite.SetPixelFormat(pf8bit);
  Paint(sprite, {"TRT", "RRR", "TRT"}, kLegend);
  sprite.SetTransparent(true);
  // Targets in colour and with a colour table whose indices mean nothing
  // to raster operations.
  for (TPixelFormat format : {pfDevice, pf24bit, pf4bit}) {
    SCOPED_TRACE(format);
    TBitmap target;
    target.SetPixelFormat(format);
    Paint(target, {"BBBBBBB", "BBBBBBB", "BBBBBBB", "BBBBBBB", "BBBBBBB", "BBBBBBB"}, kLegend);
    target.Canvas()->Draw(0, 0, &sprite);
    target.Canvas()->StretchDraw(Rect(3, 0, 7, 6), &sprite);
    EXPECT_EQ(Read(target, kLegend), (Rows{"BRBBBRB", "RRRBBRB", "BRBRRRR", "BBBRRRR", "BBBBBRB", "BBBBBRB"}));
  }
}

TEST(TBitmap, ADrawnMonochromeTransparentBitmapLeavesItsWhiteOut) {
  TBitmap mark;
  mark.SetMonochrome(true);
  Paint(mark, {"K.", ".K"}, kLegend);
  mark.SetTransparent(true);
  TBitmap target;
  Paint(target, {"YY", "YY"}, kLegend);
  target.Canvas()->Font()->SetColor(clRed);
  target.Canvas()->Draw(0, 0, &mark);
  EXPECT_EQ(Read(target, kLegend), (Rows{"RY", "YR"}));
}

TEST(TBitmap, AssignCopiesPixelsFormatAndTransparencyIntoPixelsOfItsOwn) {
  TBitmap source;
  source.SetPixelFormat(pf4bit);
  Paint(source, {"RB", "TY"}, kLegend);
  source.SetTransparent(true);
  source.SetTransparentColor(clRed);
  TBitmap copy;
  int changes = 0;
  copy.OnChange = [&](TObject*) { ++changes; };
  copy.Assign(&source);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(copy.PixelFormat(), pf4bit);
  EXPECT_TRUE(copy.Transparent());
  EXPECT_EQ(copy.TransparentColor(), clRed);
  EXPECT_NE(copy.Handle(), source.Handle());
  copy.Canvas()->SetPixels(0, 0, clYellow);
  EXPECT_EQ(Read(source, kLegend), (Rows{"RB", "TY"}));
  EXPECT_EQ(Read(copy, kLegend), (Rows{"YB", "TY"}));
  copy.Assign(nullptr);
  EXPECT_TRUE(copy.Empty());
  TFont font;
  EXPECT_THROW(copy.Assign(&font), EConvertError);
}

TEST(TBitmap, ScanLinesCountFromTheTopAndADeviceBitmapBecomesADibSection) {
  TBitmap bitmap;
  Paint(bitmap, {"R.", "BK"}, kLegend);
  auto* top = static_cast<uint8_t*>(bitmap.ScanLine(0));
  EXPECT_EQ(bitmap.PixelFormat(), pf32bit);
  EXPECT_EQ(top[2], 255);  // red: blue, green, red, unused
  auto* bottom = static_cast<uint8_t*>(bitmap.ScanLine(1));
  bottom[4] = 255;  // black becomes blue
  EXPECT_EQ(Read(bitmap, kLegend), (Rows{"R.", "BB"}));
  EXPECT_THROW(bitmap.ScanLine(2), EInvalidGraphic);
  EXPECT_THROW(bitmap.ScanLine(-1), EInvalidGraphic);
}

TEST(TBitmap, DrawingOnTheCanvasIsAChangeOfTheBitmap) {
  TBitmap bitmap;
  bitmap.SetSize(2, 2);
  bitmap.SetModified(false);
  std::vector<TObject*> senders;
  bitmap.OnChange = [&](TObject* sender) { senders.push_back(sender); };
  bitmap.Canvas()->FillRect(Rect(0, 0, 1, 1));
  bitmap.Canvas()->SetPixels(1, 1, clRed);
  EXPECT_EQ(senders, (std::vector<TObject*>{&bitmap, &bitmap}));
  EXPECT_TRUE(bitmap.Modified());
}

TEST(TBitmap, TakesOverADibSectionWithItsTable) {
  struct {
    win::BITMAPINFOHEADER header{sizeof(win::BITMAPINFOHEADER), 2, -1, 1, 8, win::BI_RGB, 0, 0, 0, 2, 0};
    win::RGBQUAD colors[2]{{0, 0, 255, 0}, {255, 0, 0, 0}};
  } info;
  void* bits = nullptr;
  win::HBITMAP section =
      win::CreateDIBSection(nullptr, reinterpret_cast<win::BITMAPINFO*>(&info), win::DIB_RGB_COLORS, &bits, nullptr, 0);
  static_cast<uint8_t*>(bits)[1] = 1;
  TBitmap bitmap;
  bitmap.SetHandle(section);
  EXPECT_EQ(bitmap.Handle(), section);
  EXPECT_EQ(bitmap.PixelFormat(), pf8bit);
  EXPECT_EQ(Read(bitmap, kLegend), Rows{"RB"});
  EXPECT_EQ(static_cast<uint8_t*>(bitmap.ScanLine(0))[1], 1);  // top-down rows
  win::PALETTEENTRY entries[2];
  ASSERT_EQ(win::GetPaletteEntries(bitmap.Palette(), 0, 2, entries), 2u);
  EXPECT_EQ(entries[0].peRed, 255);
  EXPECT_EQ(entries[1].peBlue, 255);
}
