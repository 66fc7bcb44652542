#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "platform/Regions.h"
#include "platform/tests/GdiTestSupport.h"

using namespace win;
using gditest::Canvas;
using gditest::SelectedBrush;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kTeal = RGB(0, 128, 128);

// The result of a ROP3 index read straight from its truth table, bit by bit.
COLORREF TruthTable(int rop, COLORREF p, COLORREF s, COLORREF d) {
  COLORREF result = 0;
  for (int bit = 0; bit < 24; ++bit) {
    int index = (((p >> bit) & 1) << 2) | (((s >> bit) & 1) << 1) | ((d >> bit) & 1);
    result |= static_cast<COLORREF>((rop >> index) & 1) << bit;
  }
  return result;
}

void SetRow(Canvas& c, std::initializer_list<COLORREF> colors) {
  int x = 0;
  for (COLORREF color : colors) SetPixel(c.dc(), x++, 0, color);
}

using Row = std::vector<COLORREF>;

}  // namespace

TEST(Rop3, EveryCodeCombinesPatternSourceAndDestinationByItsTruthTable) {
  struct Triple {
    COLORREF p, s, d;
  };
  // The first triple holds every bit combination in each byte; the second is
  // irregular.
  const Triple triples[] = {{0xF0F0F0, 0xCCCCCC, 0xAAAAAA},
                            {RGB(0x12, 0x34, 0x56), RGB(0x9A, 0xBC, 0xDE), RGB(0x0F, 0x55, 0xF0)}};
  Canvas dest(1, 1);
  Canvas source(1, 1);
  for (const Triple& t : triples) {
    SetPixel(source.dc(), 0, 0, t.s);
    SelectedBrush brush(dest.dc(), t.p);
    for (int rop = 0; rop < 256; ++rop) {
      SetPixel(dest.dc(), 0, 0, t.d);
      // The low word carries the operation's drawing code and must not matter.
      DWORD code = (static_cast<DWORD>(rop) << 16) | 0x1234;
      ASSERT_TRUE(BitBlt(dest.dc(), 0, 0, 1, 1, source.dc(), 0, 0, code));
      ASSERT_EQ(dest.At(0, 0), TruthTable(rop, t.p, t.s, t.d)) << "rop " << rop;
    }
  }
}

TEST(Rop3, NamedCodesMeanWhatTheirNamesSay) {
  const COLORREF p = RGB(0x0F, 0xF0, 0x3C), s = RGB(0x55, 0x33, 0x0F), d = RGB(0xAA, 0x99, 0xF0);
  struct Case {
    DWORD code;
    COLORREF expected;
  };
  const Case cases[] = {
      {SRCCOPY, s},           {SRCPAINT, s | d},           {SRCAND, s & d},
      {SRCINVERT, s ^ d},     {SRCERASE, s & (~d & 0xFFFFFF)}, {NOTSRCCOPY, ~s & 0xFFFFFF},
      {NOTSRCERASE, ~(s | d) & 0xFFFFFF}, {MERGECOPY, p & s}, {MERGEPAINT, (~s & 0xFFFFFF) | d},
      {PATCOPY, p},           {PATPAINT, p | (~s & 0xFFFFFF) | d}, {PATINVERT, p ^ d},
      {DSTINVERT, ~d & 0xFFFFFF}, {BLACKNESS, 0},          {WHITENESS, 0xFFFFFF},
  };
  Canvas dest(1, 1);
  Canvas source(1, 1);
  SetPixel(source.dc(), 0, 0, s);
  SelectedBrush brush(dest.dc(), p);
  for (const Case& c : cases) {
    SetPixel(dest.dc(), 0, 0, d);
    BitBlt(dest.dc(), 0, 0, 1, 1, source.dc(), 0, 0, c.code);
    EXPECT_EQ(dest.At(0, 0), c.expected) << std::hex << c.code;
  }
}

TEST(Blit, MaskAndPaintDrawAnImageWithTransparentPixels) {
  Canvas image(4, 1);
  SetRow(image, {kRed, kTeal, kGreen, kTeal});
  HDC maskDC = CreateCompatibleDC(nullptr);
  HBITMAP mask = CreateBitmap(4, 1, 1, 1, nullptr);
  HGDIOBJ oldMask = SelectObject(maskDC, mask);
  // Colour to monochrome: the source's background colour becomes white.
  SetBkColor(image.dc(), kTeal);
  BitBlt(maskDC, 0, 0, 4, 1, image.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(GetPixel(maskDC, 0, 0), kBlack);
  EXPECT_EQ(GetPixel(maskDC, 1, 0), kWhite);
  EXPECT_EQ(GetPixel(maskDC, 3, 0), kWhite);

  Canvas screen(4, 1);
  screen.Fill(kBlue);
  // Monochrome to colour: 0 takes the text colour, 1 the background colour.
  SetTextColor(screen.dc(), kBlack);
  SetBkColor(screen.dc(), kWhite);
  BitBlt(screen.dc(), 0, 0, 4, 1, maskDC, 0, 0, SRCAND);
  EXPECT_EQ(screen.Row(0), (Row{kBlack, kBlue, kBlack, kBlue}));
  SetTextColor(image.dc(), kWhite);
  SetBkColor(image.dc(), kBlack);
  BitBlt(image.dc(), 0, 0, 4, 1, maskDC, 0, 0, SRCAND);
  BitBlt(screen.dc(), 0, 0, 4, 1, image.dc(), 0, 0, SRCPAINT);
  EXPECT_EQ(screen.Row(0), (Row{kRed, kBlue, kGreen, kBlue}));

  SelectObject(maskDC, oldMask);
  DeleteObject(mask);
  DeleteDC(maskDC);
}

TEST(Blit, MonochromeConversionMatchesTheBackgroundColourExactly) {
  Canvas image(3, 1);
  SetRow(image, {kTeal, RGB(0, 128, 129), kWhite});
  SetBkColor(image.dc(), kTeal);
  HDC maskDC = CreateCompatibleDC(nullptr);
  HBITMAP mask = CreateCompatibleBitmap(maskDC, 3, 1);  // monochrome, like the DC's own bitmap
  BITMAP info;
  GetObjectA(mask, sizeof info, &info);
  EXPECT_EQ(info.bmBitsPixel, 1);
  HGDIOBJ old = SelectObject(maskDC, mask);
  BitBlt(maskDC, 0, 0, 3, 1, image.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(GetPixel(maskDC, 0, 0), kWhite);
  EXPECT_EQ(GetPixel(maskDC, 1, 0), kBlack);
  EXPECT_EQ(GetPixel(maskDC, 2, 0), kBlack);

  Canvas back(3, 1);
  SetTextColor(back.dc(), kRed);
  SetBkColor(back.dc(), kGreen);
  BitBlt(back.dc(), 0, 0, 3, 1, maskDC, 0, 0, SRCCOPY);
  EXPECT_EQ(back.Row(0), (Row{kGreen, kRed, kRed}));
  SelectObject(maskDC, old);
  DeleteObject(mask);
  DeleteDC(maskDC);
}

TEST(Blit, SourceOutsideItsSurfaceLeavesTheDestination) {
  Canvas source(2, 1);
  SetRow(source, {kRed, kGreen});
  Canvas dest(4, 1);
  dest.Fill(kWhite);
  BitBlt(dest.dc(), 0, 0, 4, 1, source.dc(), 1, 0, SRCCOPY);
  EXPECT_EQ(dest.Row(0), (Row{kGreen, kWhite, kWhite, kWhite}));
  BitBlt(dest.dc(), 2, 0, 2, 1, source.dc(), -1, 0, SRCCOPY);
  EXPECT_EQ(dest.Row(0), (Row{kGreen, kWhite, kWhite, kRed}));
}

TEST(Blit, OverlappingCopyWithinOneSurfaceReadsTheOriginalPixels) {
  Canvas c(4, 1);
  SetRow(c, {kRed, kGreen, kBlue, kWhite});
  BitBlt(c.dc(), 1, 0, 3, 1, c.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(c.Row(0), (Row{kRed, kRed, kGreen, kBlue}));
  BitBlt(c.dc(), 0, 0, 3, 1, c.dc(), 1, 0, SRCCOPY);
  EXPECT_EQ(c.Row(0), (Row{kRed, kGreen, kBlue, kBlue}));
}

TEST(Blit, PatBltUsesTheBrushAndRefusesSourceOperations) {
  Canvas c(3, 1);
  c.Fill(kWhite);
  {
    SelectedBrush brush(c.dc(), kBlue);
    EXPECT_TRUE(PatBlt(c.dc(), 1, 0, 2, 1, PATCOPY));
    EXPECT_FALSE(PatBlt(c.dc(), 0, 0, 1, 1, SRCCOPY));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(PatBlt(c.dc(), 2, 0, -1, 1, DSTINVERT));  // a negative width counts leftwards
  }
  EXPECT_EQ(c.Row(0), (Row{kWhite, RGB(255, 255, 0), kBlue}));
  HGDIOBJ old = SelectObject(c.dc(), GetStockObject(NULL_BRUSH));
  PatBlt(c.dc(), 0, 0, 3, 1, PATCOPY);
  EXPECT_EQ(c.At(0, 0), kWhite);
  SelectObject(c.dc(), old);
}

TEST(Stretch, NearestPixelScalingAndMirroring) {
  Canvas source(4, 1);
  SetRow(source, {kRed, kGreen, kBlue, kWhite});
  Canvas dest(8, 2);
  StretchBlt(dest.dc(), 0, 0, 8, 2, source.dc(), 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(dest.Row(0), (Row{kRed, kRed, kRed, kRed, kGreen, kGreen, kGreen, kGreen}));
  EXPECT_EQ(dest.Row(1), dest.Row(0));

  dest.Fill(kBlack);
  SetStretchBltMode(dest.dc(), COLORONCOLOR);
  StretchBlt(dest.dc(), 0, 0, 2, 1, source.dc(), 0, 0, 4, 1, SRCCOPY);
  EXPECT_EQ(dest.At(0, 0), kRed);
  EXPECT_EQ(dest.At(1, 0), kBlue);

  StretchBlt(dest.dc(), 0, 1, 4, 1, source.dc(), 4, 0, -4, 1, SRCCOPY);
  EXPECT_EQ(dest.Row(1), (Row{kWhite, kBlue, kGreen, kRed, kBlack, kBlack, kBlack, kBlack}));
}

TEST(Stretch, ShrinkingFoldsPixelsByTheStretchMode) {
  HDC mono = CreateCompatibleDC(nullptr);
  BYTE bits[2] = {0xB0, 0};  // white, black, white, white
  HBITMAP bitmap = CreateBitmap(4, 1, 1, 1, bits);
  HGDIOBJ old = SelectObject(mono, bitmap);
  HDC dest = CreateCompatibleDC(nullptr);
  HBITMAP target = CreateBitmap(2, 1, 1, 1, nullptr);
  HGDIOBJ oldTarget = SelectObject(dest, target);
  EXPECT_EQ(GetStretchBltMode(dest), BLACKONWHITE);
  StretchBlt(dest, 0, 0, 2, 1, mono, 0, 0, 4, 1, SRCCOPY);
  EXPECT_EQ(GetPixel(dest, 0, 0), kBlack);
  EXPECT_EQ(GetPixel(dest, 1, 0), kWhite);
  SetStretchBltMode(dest, WHITEONBLACK);
  StretchBlt(dest, 0, 0, 2, 1, mono, 0, 0, 4, 1, SRCCOPY);
  EXPECT_EQ(GetPixel(dest, 0, 0), kWhite);
  SelectObject(dest, oldTarget);
  SelectObject(mono, old);
  DeleteObject(target);
  DeleteObject(bitmap);
  DeleteDC(dest);
  DeleteDC(mono);
}

TEST(Pixels, OutsideTheSurfaceOrTheClipIsInvalid) {
  Canvas c(4, 4);
  c.Fill(kRed);
  EXPECT_EQ(c.At(3, 3), kRed);
  EXPECT_EQ(c.At(4, 0), CLR_INVALID);
  EXPECT_EQ(c.At(0, -1), CLR_INVALID);
  EXPECT_EQ(SetPixel(c.dc(), 4, 0, kBlue), CLR_INVALID);
  IntersectClipRect(c.dc(), 0, 0, 2, 2);
  EXPECT_EQ(c.At(2, 2), CLR_INVALID);
  EXPECT_EQ(c.At(1, 1), kRed);
  EXPECT_EQ(GetPixel(nullptr, 0, 0), CLR_INVALID);
}

TEST(Clip, DrawingStaysInsideTheClipRegion) {
  Canvas c(6, 3);
  c.Fill(kWhite);
  HRGN region = CreateRectRgn(0, 0, 2, 3);
  HRGN second = CreateRectRgn(4, 1, 6, 2);
  CombineRgn(region, region, second, RGN_OR);
  EXPECT_EQ(SelectClipRgn(c.dc(), region), COMPLEXREGION);
  DeleteObject(region);  // the DC keeps its own copy
  DeleteObject(second);
  c.Fill(kBlue);
  EXPECT_EQ(c.Row(0), (Row{kBlue, kBlue, CLR_INVALID, CLR_INVALID, CLR_INVALID, CLR_INVALID}));
  RECT box;
  EXPECT_EQ(GetClipBox(c.dc(), &box), COMPLEXREGION);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.right, 6);

  ExcludeClipRect(c.dc(), 0, 1, 1, 2);
  SelectClipRgn(c.dc(), nullptr);
  EXPECT_EQ(c.Row(1), (Row{kBlue, kBlue, kWhite, kWhite, kBlue, kBlue}));
}

TEST(Clip, TheClipRegionIsInDeviceCoordinatesAndRectanglesInLogicalOnes) {
  Canvas c(10, 1);
  c.Fill(kWhite);
  SetViewportOrgEx(c.dc(), 4, 0, nullptr);
  HRGN region = CreateRectRgn(0, 0, 6, 1);
  SelectClipRgn(c.dc(), region);
  DeleteObject(region);
  IntersectClipRect(c.dc(), -4, 0, 1, 1);  // device 0 .. 5
  RECT box;
  EXPECT_EQ(GetClipBox(c.dc(), &box), SIMPLEREGION);
  EXPECT_EQ(box.left, -4);
  EXPECT_EQ(box.right, 1);
  ExcludeClipRect(c.dc(), -2, 0, -1, 1);  // device 2
  SelectedBrush brush(c.dc(), kRed);
  PatBlt(c.dc(), -10, 0, 20, 1, PATCOPY);
  SetViewportOrgEx(c.dc(), 0, 0, nullptr);
  SelectClipRgn(c.dc(), nullptr);
  EXPECT_EQ(c.Row(0), (Row{kRed, kRed, kWhite, kRed, kRed, kWhite, kWhite, kWhite, kWhite, kWhite}));
}

TEST(Origins, WindowAndViewportOriginsShiftLogicalCoordinates) {
  Canvas c(5, 5);
  c.Fill(kWhite);
  SetWindowOrgEx(c.dc(), 10, 10, nullptr);
  SetViewportOrgEx(c.dc(), 1, 2, nullptr);
  SetPixel(c.dc(), 10, 10, kRed);
  SetViewportOrgEx(c.dc(), 0, 0, nullptr);
  SetWindowOrgEx(c.dc(), 0, 0, nullptr);
  EXPECT_EQ(c.At(1, 2), kRed);
}

TEST(SaveRestore, RestoreBringsBackColoursObjectsOriginAndClip) {
  Canvas c(4, 1);
  c.Fill(kWhite);
  SetTextColor(c.dc(), kRed);
  int level = SaveDC(c.dc());
  EXPECT_EQ(level, 1);
  SetTextColor(c.dc(), kBlue);
  HBRUSH brush = CreateSolidBrush(kGreen);
  HGDIOBJ before = SelectObject(c.dc(), brush);
  EXPECT_EQ(before, GetStockObject(WHITE_BRUSH));
  IntersectClipRect(c.dc(), 0, 0, 1, 1);
  EXPECT_EQ(SaveDC(c.dc()), 2);
  EXPECT_TRUE(RestoreDC(c.dc(), 1));
  EXPECT_FALSE(RestoreDC(c.dc(), -1));  // nothing saved any more
  EXPECT_EQ(GetTextColor(c.dc()), kRed);
  EXPECT_EQ(GetCurrentObject(c.dc(), OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(c.At(3, 0), kWhite);  // no clip any more
  DeleteObject(brush);
}
