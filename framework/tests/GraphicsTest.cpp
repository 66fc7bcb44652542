#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Bitmaps.h"
#include "framework/Exceptions.h"
#include "framework/Graphics.h"
#include "framework/tests/GraphicsTestSupport.h"
#include "platform/DeviceContext.h"
#include "platform/Fonts.h"
#include "platform/SysColors.h"
#include "platform/Text.h"
#include "platform/TextDrawing.h"
#include "testsupport/WinPrint.h"

using graphicstest::Legend;
using graphicstest::Paint;
using graphicstest::Read;
using graphicstest::Rows;

namespace {

// Counts the change events of an object.
struct ChangeCounter {
  int count = 0;
  TNotifyEvent Handler() {
    return [this](TObject*) { ++count; };
  }
};

std::string FaceOf(win::HFONT font) { return win::detail::FontFromHandle(font)->LogFont().lfFaceName; }

}  // namespace

TEST(ColorToRGB, SystemColorsResolveToTheirCurrentRgbAndOthersStayAsTheyAre) {
  EXPECT_EQ(clBtnFace, 0x8000000Fu);
  EXPECT_EQ(ColorToRGB(clBtnFace), win::GetSysColor(win::COLOR_BTNFACE));
  EXPECT_EQ(ColorToRGB(clBtnShadow), win::GetSysColor(win::COLOR_BTNSHADOW));
  EXPECT_EQ(ColorToRGB(clInfoBk), win::GetSysColor(win::COLOR_INFOBK));
  EXPECT_EQ(ColorToRGB(cl3DLight), win::GetSysColor(win::COLOR_3DLIGHT));
  EXPECT_EQ(ColorToRGB(clTeal), 0x808000u);
  EXPECT_EQ(ColorToRGB(clNone), 0x1FFFFFFFu);
  EXPECT_EQ(ColorToRGB(clDefault), 0x20000000u);
}

TEST(TFont, SizeAndHeightConvertAtItsResolutionRoundingHalvesAway) {
  TFont font;
  EXPECT_EQ(font.Height(), -12);
  EXPECT_EQ(font.Size(), 9);
  font.SetHeight(-13);  // 9.75 points
  EXPECT_EQ(font.Size(), 10);
  font.SetHeight(-11);  // 8.25 points
  EXPECT_EQ(font.Size(), 8);
  font.SetSize(10);
  EXPECT_EQ(font.Height(), -13);
  font.PixelsPerInch = 120;
  EXPECT_EQ(font.Size(), 8);
}

TEST(TFont, HandleIsMadeFromTheSettingsAndMadeAnewAfterAChange) {
  win::test::UseFallbackFontOnly(true);  // independent of the installed faces
  TFont font;
  font.SetName("Arial");
  font.SetStyle({fsBold, fsUnderline});
  win::HFONT first = font.Handle();
  EXPECT_EQ(font.Handle(), first);
  const win::LOGFONTA& logFont = win::detail::FontFromHandle(first)->LogFont();
  EXPECT_EQ(logFont.lfHeight, -12);
  EXPECT_EQ(logFont.lfWeight, win::FW_BOLD);
  EXPECT_TRUE(logFont.lfUnderline);
  EXPECT_FALSE(logFont.lfItalic);
  EXPECT_EQ(FaceOf(first), "Arial");

  font.SetColor(clRed);  // no part of the handle
  EXPECT_EQ(font.Handle(), first);
  font.SetSize(20);
  win::HFONT second = font.Handle();
  EXPECT_NE(second, first);
  EXPECT_EQ(win::detail::FontFromHandle(first), nullptr);  // deleted
  EXPECT_EQ(win::detail::FontFromHandle(second)->LogFont().lfHeight, -27);
}

TEST(TFont, LongFaceNamesAreCutWithoutSplittingADoubleByteCharacter) {
  win::test::UseFallbackFontOnly(true);  // independent of the installed faces
  TFont font;
  // 31 bytes fit: fifteen double-byte characters and one more lead byte.
  font.SetName(SJ("あいうえおかきくけこさしすせそた"));
  EXPECT_EQ(FaceOf(font.Handle()), SJ("あいうえおかきくけこさしすせそ"));
}

TEST(TFont, ChangesAreReportedOnceAndOnlyWhenSomethingChanges) {
  TFont font;
  ChangeCounter changes;
  font.OnChange = changes.Handler();
  font.SetHeight(-12);
  font.SetStyle({});
  EXPECT_EQ(changes.count, 0);
  font.SetStyle({fsItalic});
  font.SetColor(clBlue);
  EXPECT_EQ(changes.count, 2);

  TFont other;
  other.SetName("Courier New");
  other.SetHeight(-20);
  other.SetCharset(win::SHIFTJIS_CHARSET);
  other.SetPitch(fpFixed);
  font.Assign(&other);
  EXPECT_EQ(changes.count, 3);
  EXPECT_EQ(font.Name(), "Courier New");
  EXPECT_EQ(font.Height(), -20);
  EXPECT_EQ(font.Style(), TFontStyles{});
  EXPECT_EQ(font.Color(), clWindowText);
  EXPECT_EQ(font.Charset(), win::SHIFTJIS_CHARSET);
  EXPECT_EQ(font.Pitch(), fpFixed);
  font.Assign(&other);
  EXPECT_EQ(changes.count, 3);
  TPen pen;
  EXPECT_THROW(font.Assign(&pen), EConvertError);
}

TEST(TBrush, AColourMakesAClearBrushSolid) {
  TBrush brush;
  brush.SetStyle(bsClear);
  win::LOGBRUSH logBrush{};
  win::GetObjectA(brush.Handle(), sizeof logBrush, &logBrush);
  EXPECT_EQ(logBrush.lbStyle, win::BS_NULL);
  brush.SetColor(clWhite);
  EXPECT_EQ(brush.Style(), bsSolid);
  win::GetObjectA(brush.Handle(), sizeof logBrush, &logBrush);
  EXPECT_EQ(logBrush.lbStyle, win::BS_SOLID);
  EXPECT_EQ(logBrush.lbColor, 0xFFFFFFu);
}

TEST(TPen, HandleCarriesStyleWidthAndTheColourAsRgb) {
  TPen pen;
  pen.SetColor(clBtnShadow);
  pen.SetWidth(3);
  pen.SetStyle(psClear);
  win::LOGPEN logPen{};
  win::GetObjectA(pen.Handle(), sizeof logPen, &logPen);
  EXPECT_EQ(logPen.lopnStyle, static_cast<win::UINT>(win::PS_NULL));
  EXPECT_EQ(logPen.lopnWidth.x, 3);
  EXPECT_EQ(logPen.lopnColor, win::GetSysColor(win::COLOR_BTNSHADOW));
}

// ---- Canvas -----------------------------------------------------------------

class TCanvasTest : public testing::Test {
 protected:
  void SetUp() override { bitmap.SetSize(6, 4); }
  Rows Pixels() { return Read(bitmap, legend); }

  TBitmap bitmap;
  const Legend legend{{'.', clWhite}, {'R', clRed}, {'B', clBlue}, {'K', clBlack}, {'G', clLime}};
};

TEST_F(TCanvasTest, WithoutADeviceContextDrawingIsRefused) {
  TCanvas canvas;
  EXPECT_FALSE(canvas.HandleAllocated());
  try {
    canvas.FillRect(Rect(0, 0, 1, 1));
    FAIL() << "drew";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message, "Canvas does not allow drawing");
  }
}

TEST_F(TCanvasTest, PixelsReadAndWriteSingleColoursAndAreInvalidOutside) {
  TCanvas* canvas = bitmap.Canvas();
  canvas->SetPixels(1, 2, clRed);
  canvas->SetPixels(0, 0, clBtnShadow);
  EXPECT_EQ(canvas->Pixels(1, 2), clRed);
  EXPECT_EQ(canvas->Pixels(0, 0), win::GetSysColor(win::COLOR_BTNSHADOW));
  EXPECT_EQ(canvas->Pixels(6, 0), win::CLR_INVALID);
  EXPECT_EQ(canvas->Pixels(-1, 0), win::CLR_INVALID);
}

TEST_F(TCanvasTest, FillsFramesAndRectanglesUseTheBrushAsItIsAtEachCall) {
  TCanvas* canvas = bitmap.Canvas();
  canvas->Brush()->SetColor(clRed);
  canvas->FillRect(Rect(0, 0, 2, 2));
  canvas->Brush()->SetColor(clBlue);  // selected anew before the next fill
  canvas->FrameRect(Rect(2, 0, 6, 4));
  canvas->Brush()->SetStyle(bsClear);
  canvas->FillRect(Rect(0, 2, 2, 4));  // a clear brush paints nothing
  EXPECT_EQ(Pixels(), (Rows{"RRBBBB", "RRB..B", "..B..B", "..BBBB"}));

  canvas->Brush()->SetColor(clLime);
  canvas->Pen()->SetColor(clBlack);
  canvas->Rectangle(0, 0, 4, 4);
  EXPECT_EQ(Pixels(), (Rows{"KKKKBB", "KGGK.B", "KGGK.B", "KKKKBB"}));
}

TEST_F(TCanvasTest, LinesRunFromThePenPositionAndMixByThePenMode) {
  TCanvas* canvas = bitmap.Canvas();
  canvas->Pen()->SetColor(clRed);
  canvas->MoveTo(0, 1);
  canvas->LineTo(4, 1);
  EXPECT_EQ(canvas->PenPos(), Point(4, 1));
  canvas->Pen()->SetMode(pmXor);
  canvas->Pen()->SetColor(clWhite);
  canvas->SetPenPos(Point(2, 0));
  canvas->LineTo(2, 3);
  const TPoint corner[] = {Point(5, 0), Point(5, 3), Point(3, 3)};
  canvas->Pen()->SetMode(pmCopy);
  canvas->Pen()->SetColor(clBlue);
  canvas->Polyline(corner);
  // White XOR red is aqua; white XOR white is black.
  EXPECT_EQ(canvas->Pixels(2, 1), clAqua);
  EXPECT_EQ(Pixels(), (Rows{"..K..B", "RR?R.B", "..K..B", "....BB"}));
}

TEST_F(TCanvasTest, EveryDrawingIsAnnouncedAndReported) {
  TCanvas* canvas = bitmap.Canvas();
  std::vector<std::string> events;
  canvas->OnChanging = [&](TObject* sender) {
    EXPECT_EQ(sender, canvas);
    events.push_back("changing");
  };
  canvas->OnChange = [&](TObject*) { events.push_back("change"); };
  canvas->FillRect(Rect(0, 0, 1, 1));
  canvas->SetPixels(0, 0, clRed);
  canvas->Pixels(0, 0);
  canvas->MoveTo(1, 1);
  EXPECT_EQ(events, (std::vector<std::string>{"changing", "change", "changing", "change"}));
}

TEST_F(TCanvasTest, BindsToACallersDeviceContextAndLetsItsObjectsGo) {
  TBitmap target;
  target.SetSize(2, 2);
  win::HDC dc = target.Canvas()->Handle();
  TCanvas canvas;
  canvas.SetHandle(dc);
  canvas.Brush()->SetColor(clRed);
  canvas.FillRect(Rect(0, 0, 1, 2));
  EXPECT_EQ(win::GetCurrentObject(dc, win::OBJ_BRUSH), canvas.Brush()->Handle());
  canvas.SetHandle(nullptr);
  EXPECT_EQ(win::GetCurrentObject(dc, win::OBJ_BRUSH), win::GetStockObject(win::NULL_BRUSH));
  EXPECT_EQ(Read(target, legend), (Rows{"R.", "R."}));
}

TEST_F(TCanvasTest, TheFontIsSelectedWithItsColour) {
  TCanvas* canvas = bitmap.Canvas();
  canvas->Font()->SetColor(clRed);
  win::HDC dc = canvas->Handle();
  EXPECT_EQ(win::GetCurrentObject(dc, win::OBJ_FONT), canvas->Font()->Handle());
  EXPECT_EQ(win::GetTextColor(dc), 0x0000FFu);
  canvas->Font()->SetHeight(-20);
  EXPECT_EQ(win::GetCurrentObject(dc, win::OBJ_FONT), win::GetStockObject(win::SYSTEM_FONT));
  EXPECT_EQ(win::GetCurrentObject(canvas->Handle(), win::OBJ_FONT), canvas->Font()->Handle());
}

TEST_F(TCanvasTest, CopyRectCombinesByEveryCopyMode) {
  // Pattern (the brush), source and destination with every bit combination
  // in each byte.
  const win::COLORREF p = 0xF0F0F0, s = 0xCCCCCC, d = 0xAAAAAA;
  TBitmap source;
  source.SetSize(1, 1);
  source.Canvas()->SetPixels(0, 0, s);
  struct Case {
    TCopyMode mode;
    win::COLORREF expected;
  };
  const Case cases[] = {
      {cmSrcCopy, s},         {cmSrcAnd, s & d},  {cmSrcPaint, s | d},       {cmSrcInvert, s ^ d},
      {cmSrcErase, s & ~d},   {cmNotSrcCopy, ~s}, {cmNotSrcErase, ~(s | d)}, {cmMergeCopy, p & s},
      {cmMergePaint, ~s | d}, {cmPatCopy, p},     {cmPatPaint, p | ~s | d},  {cmPatInvert, p ^ d},
      {cmDstInvert, ~d},      {cmBlackness, 0},   {cmWhiteness, 0xFFFFFF},
  };
  TCanvas* canvas = bitmap.Canvas();
  canvas->Brush()->SetColor(p);
  for (const Case& c : cases) {
    canvas->SetPixels(0, 0, d);
    canvas->CopyMode = c.mode;
    canvas->CopyRect(Rect(0, 0, 1, 1), source.Canvas(), Rect(0, 0, 1, 1));
    EXPECT_EQ(canvas->Pixels(0, 0), c.expected & 0xFFFFFF) << std::hex << c.mode;
  }
}

TEST_F(TCanvasTest, CopyRectStretchesTheSource) {
  TBitmap source;
  Paint(source, {"RB", "GK"}, legend);
  bitmap.Canvas()->CopyRect(Rect(0, 0, 4, 4), source.Canvas(), Rect(0, 0, 2, 2));
  EXPECT_EQ(Pixels(), (Rows{"RRBB..", "RRBB..", "GGKK..", "GGKK.."}));
}

TEST_F(TCanvasTest, DrawPutsAGraphicAtItsSizeAndStretchDrawIntoARectangle) {
  TBitmap tile;
  Paint(tile, {"RB", "GK"}, legend);
  TCanvas* canvas = bitmap.Canvas();
  canvas->Draw(4, 1, &tile);
  canvas->StretchDraw(Rect(0, 0, 4, 2), &tile);
  TBitmap empty;
  canvas->Draw(0, 2, &empty);
  canvas->Draw(0, 2, nullptr);
  EXPECT_EQ(Pixels(), (Rows{"RRBB..", "GGKKRB", "....GK", "......"}));
}

TEST_F(TCanvasTest, AMonochromeGraphicShowsInTheFontAndBrushColours) {
  TBitmap mark;
  mark.SetMonochrome(true);
  Paint(mark, {"K.", ".K"}, legend);
  TCanvas* canvas = bitmap.Canvas();
  canvas->Font()->SetColor(clRed);
  canvas->Brush()->SetColor(clBlue);
  canvas->Draw(0, 0, &mark);
  EXPECT_EQ(Read(canvas, legend, 0, 0, 2, 2), (Rows{"RB", "BR"}));
}

// ---- Text -------------------------------------------------------------------

namespace {

// How many pixels of the rectangle are not of the colour.
int CountOther(TCanvas* canvas, const TRect& rect, TColor color) {
  int count = 0;
  for (int y = rect.top; y < rect.bottom; ++y)
    for (int x = rect.left; x < rect.right; ++x) count += canvas->Pixels(x, y) != color;
  return count;
}

class TCanvasText : public testing::Test {
 protected:
  void SetUp() override {
    win::test::UseFallbackFontOnly(true);
    bitmap.SetSize(60, 30);
    canvas = bitmap.Canvas();
    canvas->Font()->SetColor(clRed);
  }
  TBitmap bitmap;
  TCanvas* canvas = nullptr;
};

}  // namespace

TEST_F(TCanvasText, MeasuresAreThoseOfTheSelectedFont) {
  TSize extent = canvas->TextExtent("AB");
  win::SIZE direct{};
  win::GetTextExtentPoint32A(canvas->Handle(), "AB", 2, &direct);
  EXPECT_EQ(extent, direct);
  win::TEXTMETRICA metrics{};
  win::GetTextMetricsA(canvas->Handle(), &metrics);
  EXPECT_EQ(canvas->TextHeight("W"), metrics.tmHeight);
  EXPECT_GT(canvas->TextWidth("AB"), canvas->TextWidth("A"));
  const int small = canvas->TextWidth("AB");
  canvas->Font()->SetHeight(-24);
  EXPECT_GT(canvas->TextWidth("AB"), small);
}

TEST_F(TCanvasText, TextOutFillsItsCellsWithASolidBrushAndMovesThePen) {
  canvas->Brush()->SetColor(clYellow);
  TSize extent = canvas->TextExtent("AB");
  canvas->TextOut(2, 3, "AB");
  const TRect cells = Bounds(2, 3, extent.cx, extent.cy);
  EXPECT_EQ(canvas->PenPos(), Point(2 + extent.cx, 3));
  EXPECT_GT(CountOther(canvas, cells, clYellow), 0);  // the letters
  EXPECT_EQ(CountOther(canvas, cells, clWhite), extent.cx * extent.cy);
  EXPECT_EQ(CountOther(canvas, Rect(0, 0, 60, 30), clWhite), extent.cx * extent.cy);
}

TEST_F(TCanvasText, AClearBrushLeavesTheBackground) {
  canvas->Brush()->SetStyle(bsClear);
  TSize extent = canvas->TextExtent("AB");
  canvas->TextOut(0, 0, "AB");
  int letters = CountOther(canvas, Rect(0, 0, 60, 30), clWhite);
  EXPECT_GT(letters, 0);
  EXPECT_LT(letters, extent.cx * extent.cy);
  EXPECT_EQ(CountOther(canvas, Bounds(0, 0, extent.cx, extent.cy), clWhite), letters);
}

TEST_F(TCanvasText, TextRectKeepsTheTextInsideTheRectangle) {
  canvas->Brush()->SetColor(clBlue);
  const TRect box = Rect(4, 4, 10, 9);
  canvas->TextRect(box, 2, 2, "WWWW");
  EXPECT_EQ(CountOther(canvas, box, clWhite), 6 * 5);
  EXPECT_GT(CountOther(canvas, box, clBlue), 0);
  EXPECT_EQ(CountOther(canvas, Rect(0, 0, 60, 30), clWhite), 6 * 5);
}
