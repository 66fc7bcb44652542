#include <gtest/gtest.h>

#include <cstring>

#include "platform/Errors.h"
#include "platform/Palettes.h"
#include "platform/tests/GdiTestSupport.h"

using namespace win;
using gditest::Canvas;
using gditest::DibInfo;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// Sixteen distinct colours, for colour tables.
std::vector<COLORREF> Palette16() {
  std::vector<COLORREF> table;
  for (int i = 0; i < 16; ++i) table.push_back(RGB(i * 16, 255 - i * 16, (i * 97) % 256));
  return table;
}

int Stride(int width, int bitCount) { return (width * bitCount + 31) / 32 * 4; }

// Stores the colour index or colour `value` at (x, row) of DIB memory,
// where row counts in memory order.
void Poke(BYTE* bits, int width, int bitCount, int x, int row, uint32_t value) {
  BYTE* p = bits + row * Stride(width, bitCount);
  switch (bitCount) {
    case 1:
      p[x / 8] = static_cast<BYTE>(p[x / 8] | ((value & 1) << (7 - x % 8)));
      break;
    case 4:
      p[x / 2] = static_cast<BYTE>(p[x / 2] | ((value & 0xF) << (x % 2 ? 0 : 4)));
      break;
    case 8:
      p[x] = static_cast<BYTE>(value);
      break;
    default: {
      int bytes = bitCount / 8;
      p[x * bytes] = GetBValue(value);
      p[x * bytes + 1] = GetGValue(value);
      p[x * bytes + 2] = GetRValue(value);
    }
  }
}

// The colour expected at pixel (x, y) of the test pattern.
COLORREF PatternColor(int bitCount, const std::vector<COLORREF>& table, int x, int y) {
  if (bitCount > 8) return RGB(x * 40, y * 60, 200 - x * 10);
  return table[(x + 2 * y) % table.size()];
}

uint32_t PatternValue(int bitCount, const std::vector<COLORREF>& table, int x, int y) {
  if (bitCount > 8) return PatternColor(bitCount, table, x, y);
  return static_cast<uint32_t>((x + 2 * y) % table.size());
}

}  // namespace

TEST(DibSection, BitsAtEveryDepthAreTheCallersInTheDibRowLayout) {
  const int width = 5, height = 3;
  for (int bitCount : {1, 4, 8, 24, 32}) {
    std::vector<COLORREF> table;
    if (bitCount == 1) table = {kBlue, kGreen};
    if (bitCount == 4) table = Palette16();
    if (bitCount == 8) table = Palette16();  // a short table of 16 used colours
    for (bool topDown : {false, true}) {
      SCOPED_TRACE(testing::Message() << bitCount << " bits, " << (topDown ? "top-down" : "bottom-up"));
      Canvas c(width, height, bitCount, table, topDown);
      for (int y = 0; y < height; ++y) {
        int row = topDown ? y : height - 1 - y;
        for (int x = 0; x < width; ++x) Poke(c.bits(), width, bitCount, x, row, PatternValue(bitCount, table, x, y));
      }
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) ASSERT_EQ(c.At(x, y), PatternColor(bitCount, table, x, y)) << x << "," << y;

      // Read back as 32-bit top-down rows.
      DibInfo info(width, -height, 32);
      std::vector<uint32_t> rows(width * height);
      ASSERT_EQ(GetDIBits(c.dc(), c.bitmap(), 0, height, rows.data(), info.get(), DIB_RGB_COLORS), height);
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
          COLORREF expected = PatternColor(bitCount, table, x, y);
          uint32_t bgrx = GetBValue(expected) | (GetGValue(expected) << 8) | (GetRValue(expected) << 16);
          ASSERT_EQ(rows[y * width + x], bgrx);
        }

      // Read back in the section's own format: the same bytes and table.
      DibInfo same(width, topDown ? -height : height, bitCount);
      std::vector<BYTE> raw(Stride(width, bitCount) * height);
      ASSERT_EQ(GetDIBits(c.dc(), c.bitmap(), 0, height, raw.data(), same.get(), DIB_RGB_COLORS), height);
      EXPECT_EQ(std::memcmp(raw.data(), c.bits(), raw.size()), 0);
      for (size_t i = 0; i < table.size(); ++i)
        EXPECT_EQ(RGB(same.colors[i].rgbRed, same.colors[i].rgbGreen, same.colors[i].rgbBlue), table[i]);

      // The same rows drawn to a device, as they are and doubled.
      Canvas device(2 * width, 2 * height);
      ASSERT_EQ(SetDIBitsToDevice(device.dc(), 0, 0, width, height, 0, 0, 0, height, c.bits(), same.get(),
                                  DIB_RGB_COLORS),
                height);
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) ASSERT_EQ(device.At(x, y), PatternColor(bitCount, table, x, y));
      StretchDIBits(device.dc(), 0, 0, 2 * width, 2 * height, 0, 0, width, height, c.bits(), same.get(),
                    DIB_RGB_COLORS, SRCCOPY);
      for (int y = 0; y < 2 * height; ++y)
        for (int x = 0; x < 2 * width; ++x) ASSERT_EQ(device.At(x, y), PatternColor(bitCount, table, x / 2, y / 2));
    }
  }
}

TEST(DibSection, DrawingReachesTheBitsAndObjectDescribesThem) {
  Canvas c(3, 2, 24, {}, false);
  c.Fill(kRed);
  // Bottom-up: the first row in memory is the bottom one; 24-bit rows pad to 12.
  EXPECT_EQ(c.bits()[0], 0);
  EXPECT_EQ(c.bits()[2], 255);
  DIBSECTION ds;
  ASSERT_EQ(GetObjectA(c.bitmap(), sizeof ds, &ds), static_cast<int>(sizeof ds));
  EXPECT_EQ(ds.dsBm.bmWidth, 3);
  EXPECT_EQ(ds.dsBm.bmHeight, 2);
  EXPECT_EQ(ds.dsBm.bmWidthBytes, 12);
  EXPECT_EQ(ds.dsBm.bmBitsPixel, 24);
  EXPECT_EQ(ds.dsBm.bmBits, c.bits());
  EXPECT_EQ(ds.dsBmih.biSizeImage, 24u);
  BITMAP bm;
  EXPECT_EQ(GetObjectA(c.bitmap(), sizeof bm, &bm), static_cast<int>(sizeof bm));
}

TEST(DibSection, ColourTablesCanBeReadAndChangedThroughTheDC) {
  Canvas c(2, 1, 8, {kRed, kGreen, kBlue});
  c.bits()[0] = 1;
  c.bits()[1] = 2;
  RGBQUAD table[4] = {};
  EXPECT_EQ(GetDIBColorTable(c.dc(), 0, 4, table), 3u);
  EXPECT_EQ(table[1].rgbGreen, 255);
  RGBQUAD white{255, 255, 255, 0};
  EXPECT_EQ(SetDIBColorTable(c.dc(), 2, 5, &white), 1u);
  EXPECT_EQ(c.At(0, 0), kGreen);
  EXPECT_EQ(c.At(1, 0), kWhite);
  // Drawing a colour picks the nearest entry.
  SetPixel(c.dc(), 0, 0, RGB(250, 10, 10));
  EXPECT_EQ(c.bits()[0], 0);
}

TEST(DibSection, PaletteIndexTablesLookUpTheSelectedPalette) {
  struct {
    LOGPALETTE header;
    PALETTEENTRY more[2];
  } log{{0x300, 3, {{255, 0, 0, 0}}}, {{0, 255, 0, 0}, {0, 0, 255, 0}}};
  HPALETTE palette = CreatePalette(&log.header);
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 3u);
  HDC dc = CreateCompatibleDC(nullptr);
  HPALETTE old = SelectPalette(dc, palette, FALSE);
  EXPECT_EQ(old, GetStockObject(DEFAULT_PALETTE));
  EXPECT_EQ(RealizePalette(dc), 0u);
  struct {
    BITMAPINFOHEADER header;
    WORD indices[2];
  } info{{sizeof(BITMAPINFOHEADER), 2, -1, 1, 1, BI_RGB, 0, 0, 0, 0, 0}, {2, 0}};
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_PAL_COLORS, &bits, nullptr, 0);
  ASSERT_NE(section, nullptr);
  static_cast<BYTE*>(bits)[0] = 0x40;  // pixels 0 and 1: indices 0 and 1 of the table
  HGDIOBJ oldBitmap = SelectObject(dc, section);
  EXPECT_EQ(GetPixel(dc, 0, 0), kBlue);
  EXPECT_EQ(GetPixel(dc, 1, 0), kRed);
  SelectObject(dc, oldBitmap);
  SelectPalette(dc, old, FALSE);
  DeleteObject(section);
  DeleteObject(palette);
  DeleteDC(dc);
}

TEST(DibToDevice, BottomUpAndTopDownRowsLandTheRightWayUp) {
  // Three rows of two 8-bit pixels; memory row r holds index r.
  BYTE rows[3][4] = {{0, 0}, {1, 1}, {2, 2}};
  for (bool topDown : {false, true}) {
    DibInfo info(2, topDown ? -3 : 3, 8, {kRed, kGreen, kBlue});
    Canvas c(2, 3);
    EXPECT_EQ(SetDIBitsToDevice(c.dc(), 0, 0, 2, 3, 0, 0, 0, 3, rows, info.get(), DIB_RGB_COLORS), 3);
    COLORREF top = topDown ? kRed : kBlue;
    COLORREF bottom = topDown ? kBlue : kRed;
    EXPECT_EQ(c.At(0, 0), top);
    EXPECT_EQ(c.At(1, 1), kGreen);
    EXPECT_EQ(c.At(0, 2), bottom);

    // One band of scan lines: only the rows it holds are drawn.
    c.Fill(kWhite);
    EXPECT_EQ(SetDIBitsToDevice(c.dc(), 0, 0, 2, 3, 0, 0, 1, 1, rows, info.get(), DIB_RGB_COLORS), 1);
    EXPECT_EQ(c.At(0, 1), kRed);  // scan line 1 is the middle row either way
    EXPECT_EQ(c.At(0, 0), kWhite);
    EXPECT_EQ(c.At(0, 2), kWhite);
  }
}

TEST(DibToDevice, StretchDibitsScalesAndTakesTheSourceFromTheDibOrigin) {
  BYTE rows[2][4] = {{0, 1}, {2, 3}};
  DibInfo bottomUp(2, 2, 8, {kRed, kGreen, kBlue, kWhite});
  Canvas c(4, 4);
  EXPECT_EQ(StretchDIBits(c.dc(), 0, 0, 4, 4, 0, 0, 2, 2, rows, bottomUp.get(), DIB_RGB_COLORS, SRCCOPY), 2);
  EXPECT_EQ(c.Row(0), (std::vector<COLORREF>{kBlue, kBlue, kWhite, kWhite}));
  EXPECT_EQ(c.Row(3), (std::vector<COLORREF>{kRed, kRed, kGreen, kGreen}));

  // A one-row source at y 0 is the bottom row of a bottom-up DIB and the top
  // row of a top-down one.
  c.Fill(kBlack);
  StretchDIBits(c.dc(), 0, 0, 2, 1, 0, 0, 2, 1, rows, bottomUp.get(), DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(c.At(0, 0), kRed);
  DibInfo topDown(2, -2, 8, {kRed, kGreen, kBlue, kWhite});
  StretchDIBits(c.dc(), 0, 1, 2, 1, 0, 1, 2, 1, rows, topDown.get(), DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(c.At(1, 1), kWhite);

  // A mask row ANDed in keeps the destination where the mask is white.
  BYTE mask[4] = {0, 1};
  DibInfo maskInfo(2, 1, 8, {kBlack, kWhite});
  c.Fill(kGreen);
  StretchDIBits(c.dc(), 0, 0, 2, 1, 0, 0, 2, 1, mask, maskInfo.get(), DIB_RGB_COLORS, SRCAND);
  EXPECT_EQ(c.At(0, 0), kBlack);
  EXPECT_EQ(c.At(1, 0), kGreen);
}

TEST(DeviceBitmaps, MonochromeBitsAreTopDownWordRowsWithOneForWhite) {
  BYTE bits[4] = {0xA0, 0x00, 0x50, 0x00};  // two rows of 4 pixels, 16-bit rows
  HBITMAP mono = CreateBitmap(4, 2, 1, 1, bits);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, mono);
  EXPECT_EQ(GetPixel(dc, 0, 0), kWhite);
  EXPECT_EQ(GetPixel(dc, 1, 0), kBlack);
  EXPECT_EQ(GetPixel(dc, 1, 1), kWhite);
  // Colours drawn on it become the nearer of black and white.
  SetPixel(dc, 0, 0, RGB(40, 40, 40));
  SetPixel(dc, 1, 0, RGB(200, 200, 200));
  EXPECT_EQ(GetPixel(dc, 0, 0), kBlack);
  EXPECT_EQ(GetPixel(dc, 1, 0), kWhite);

  BITMAP bm;
  GetObjectA(mono, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidthBytes, 2);
  EXPECT_EQ(bm.bmBits, nullptr);
  DibInfo info(4, 2, 1);
  BYTE out[8] = {};
  EXPECT_EQ(GetDIBits(dc, mono, 0, 2, out, info.get(), DIB_RGB_COLORS), 2);
  EXPECT_EQ(out[0], 0x50);  // the bottom row first
  EXPECT_EQ(info.colors[1].rgbRed, 255);
  SelectObject(dc, old);
  DeleteObject(mono);
  DeleteDC(dc);
}

TEST(DeviceBitmaps, SetDibitsAndTheQueryFormOfGetDibits) {
  HDC screen = CreateCompatibleDC(nullptr);
  HBITMAP colour = CreateCompatibleBitmap(screen, 2, 2);  // the DC's own bitmap is monochrome
  DibInfo query(0, 0, 0);
  ASSERT_TRUE(GetDIBits(screen, colour, 0, 0, nullptr, query.get(), DIB_RGB_COLORS));
  EXPECT_EQ(query.header.biBitCount, 1);
  EXPECT_EQ(query.header.biWidth, 2);
  DeleteObject(colour);

  Canvas c(2, 2);
  HBITMAP device = CreateCompatibleBitmap(c.dc(), 2, 2);
  BITMAP bm;
  GetObjectA(device, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 32);
  DibInfo info(2, 2, 24);
  BYTE rows[2][8] = {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}};  // bottom row red, green
  EXPECT_EQ(SetDIBits(screen, device, 0, 2, rows, info.get(), DIB_RGB_COLORS), 2);
  HGDIOBJ old = SelectObject(screen, device);
  EXPECT_EQ(GetPixel(screen, 0, 1), kRed);
  EXPECT_EQ(GetPixel(screen, 1, 1), kGreen);
  EXPECT_EQ(GetPixel(screen, 0, 0), kBlue);
  EXPECT_EQ(GetPixel(screen, 1, 0), kWhite);
  SelectObject(screen, old);
  DeleteObject(device);
  DeleteDC(screen);
}

TEST(DeviceBitmaps, ABitmapLivesInOneDCAtATimeAndCannotBeDeletedThere) {
  HDC first = CreateCompatibleDC(nullptr);
  HDC second = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, nullptr);
  HGDIOBJ stock = SelectObject(first, bitmap);
  EXPECT_NE(stock, nullptr);
  EXPECT_EQ(GetCurrentObject(first, OBJ_BITMAP), bitmap);
  EXPECT_EQ(SelectObject(second, bitmap), nullptr);
  EXPECT_FALSE(DeleteObject(bitmap));
  EXPECT_EQ(SelectObject(first, stock), bitmap);
  EXPECT_NE(SelectObject(second, bitmap), nullptr);
  EXPECT_TRUE(DeleteDC(second));  // lets the bitmap go
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_EQ(CreateBitmap(2, 2, 1, 8, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  DeleteDC(first);
}

TEST(Objects, StockObjectsSurviveDeletionAndDescribeThemselves) {
  HGDIOBJ white = GetStockObject(WHITE_BRUSH);
  EXPECT_TRUE(DeleteObject(white));
  LOGBRUSH brush;
  ASSERT_EQ(GetObjectA(white, sizeof brush, &brush), static_cast<int>(sizeof brush));
  EXPECT_EQ(brush.lbColor, kWhite);
  LOGBRUSH hollow;
  GetObjectA(GetStockObject(NULL_BRUSH), sizeof hollow, &hollow);
  EXPECT_EQ(hollow.lbStyle, BS_NULL);
  HPEN pen = CreatePen(PS_SOLID, 3, kRed);
  LOGPEN logPen;
  GetObjectA(pen, sizeof logPen, &logPen);
  EXPECT_EQ(logPen.lopnWidth.x, 3);
  EXPECT_EQ(logPen.lopnColor, kRed);
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_EQ(GetObjectA(pen, sizeof logPen, &logPen), 0);
  EXPECT_EQ(GetStockObject(99), nullptr);
  EXPECT_NE(GetStockObject(SYSTEM_FONT), nullptr);
  EXPECT_NE(GetStockObject(DEFAULT_GUI_FONT), nullptr);
}

TEST(Palettes, TheSystemPaletteHasTheStaticColoursAtBothEnds) {
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetSystemPaletteEntries(dc, 0, 0, nullptr), 256u);
  PALETTEENTRY entries[256];
  ASSERT_EQ(GetSystemPaletteEntries(dc, 0, 256, entries), 256u);
  const COLORREF first[10] = {RGB(0, 0, 0),     RGB(128, 0, 0),   RGB(0, 128, 0),     RGB(128, 128, 0),
                              RGB(0, 0, 128),   RGB(128, 0, 128), RGB(0, 128, 128),   RGB(192, 192, 192),
                              RGB(192, 220, 192), RGB(166, 202, 240)};
  const COLORREF last[10] = {RGB(255, 251, 240), RGB(160, 160, 164), RGB(128, 128, 128), RGB(255, 0, 0),
                             RGB(0, 255, 0),     RGB(255, 255, 0),   RGB(0, 0, 255),     RGB(255, 0, 255),
                             RGB(0, 255, 255),   RGB(255, 255, 255)};
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(RGB(entries[i].peRed, entries[i].peGreen, entries[i].peBlue), first[i]) << i;
    const PALETTEENTRY& e = entries[246 + i];
    EXPECT_EQ(RGB(e.peRed, e.peGreen, e.peBlue), last[i]) << 246 + i;
  }
  EXPECT_EQ(GetSystemPaletteEntries(dc, 250, 20, entries), 6u);
  EXPECT_EQ(GetPaletteEntries(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), 0, 0, nullptr), 20u);
  EXPECT_EQ(GetSystemPaletteEntries(nullptr, 0, 1, entries), 0u);
  DeleteDC(dc);
}
