// The framework's graphics: colours, the font, pen and brush objects, the
// canvas that draws with them on a device context, and the abstract graphic
// that a canvas draws.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "framework/Classes.h"
#include "framework/Sets.h"
#include "platform/Gdi.h"

class TStream;

// Rectangles and points are the platform's.
using TRect = win::RECT;
using TPoint = win::POINT;
using TSize = win::SIZE;
inline TRect Rect(int Left, int Top, int Right, int Bottom) { return TRect{Left, Top, Right, Bottom}; }
inline TRect Bounds(int Left, int Top, int Width, int Height) { return TRect{Left, Top, Left + Width, Top + Height}; }
inline TPoint Point(int X, int Y) { return TPoint{X, Y}; }

// ---- Colours -----------------------------------------------------------------

// 0x00BBGGRR; with the high bit set, the system colour of index COLOR_xxx
// in the low byte.
using TColor = uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = clSilver;
constexpr TColor clDkGray = clGray;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor clSystemColor = 0x80000000;
constexpr TColor clScrollBar = clSystemColor | 0;
constexpr TColor clBackground = clSystemColor | 1;
constexpr TColor clActiveCaption = clSystemColor | 2;
constexpr TColor clInactiveCaption = clSystemColor | 3;
constexpr TColor clMenu = clSystemColor | 4;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowFrame = clSystemColor | 6;
constexpr TColor clMenuText = clSystemColor | 7;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clCaptionText = clSystemColor | 9;
constexpr TColor clActiveBorder = clSystemColor | 10;
constexpr TColor clInactiveBorder = clSystemColor | 11;
constexpr TColor clAppWorkSpace = clSystemColor | 12;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clInactiveCaptionText = clSystemColor | 19;
constexpr TColor clBtnHighlight = clSystemColor | 20;
constexpr TColor cl3DDkShadow = clSystemColor | 21;
constexpr TColor cl3DLight = clSystemColor | 22;
constexpr TColor clInfoText = clSystemColor | 23;
constexpr TColor clInfoBk = clSystemColor | 24;

// A system colour as the RGB it has now; any other value as it is (clNone
// and clDefault included).
TColor ColorToRGB(TColor Color);

// ---- Font, pen and brush -------------------------------------------------------

// What the font, the pen and the brush share: a change event. A canvas takes
// the events of its own font, pen and brush to know when to select them anew.
class TGraphicsObject : public TPersistent {
 public:
  TNotifyEvent OnChange;

 protected:
  virtual void Changed();
  // Sets a setting and reports the change when the value is new.
  template <class T>
  void Update(T& Field, const T& Value) {
    if (Field == Value) return;
    Field = Value;
    Changed();
  }
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = uint8_t;

// A logical font. Height is the character height in pixels as a negative
// number (or a cell height when positive); Size is the same in points at
// PixelsPerInch. New fonts are the framework's default font.
class TFont : public TGraphicsObject {
 public:
  TFont();
  ~TFont() override;
  void Assign(TPersistent* Source) override;

  // Created from the settings on first use, and again after a change of
  // any setting but the colour.
  win::HFONT Handle();
  const std::string& Name() const { return name_; }
  void SetName(const std::string& Value);
  int Height() const { return height_; }
  void SetHeight(int Value) { Update(height_, Value); }
  int Size() const;
  void SetSize(int Value);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles Value) { Update(style_, Value); }
  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  TFontCharset Charset() const { return charset_; }
  void SetCharset(TFontCharset Value) { Update(charset_, Value); }
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch Value) { Update(pitch_, Value); }
  // Converts between Height and Size; changing it changes neither.
  int PixelsPerInch = 96;

 protected:
  void Changed() override;

 private:
  win::HFONT handle_ = nullptr;
  std::string name_;
  int height_;
  TFontStyles style_;
  TColor color_;
  TFontCharset charset_;
  TFontPitch pitch_ = fpDefault;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// How the pen mixes with what is there (the platform's ROP2 modes).
enum TPenMode {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};

// Black, one pixel wide, solid, copying.
class TPen : public TGraphicsObject {
 public:
  TPen() = default;
  ~TPen() override;
  void Assign(TPersistent* Source) override;

  // Created from the settings on first use, and again after a change.
  win::HPEN Handle();
  TColor Color() const { return color_; }
  void SetColor(TColor Value) { Update(color_, Value); }
  int Width() const { return width_; }
  void SetWidth(int Value) { Update(width_, Value); }
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle Value) { Update(style_, Value); }
  // Applied by the canvas; not part of the handle.
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode Value) { Update(mode_, Value); }

 protected:
  void Changed() override;

 private:
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
  win::HPEN handle_ = nullptr;
};

enum TBrushStyle { bsSolid, bsClear };

// White and solid. Giving a clear brush a colour makes it solid, as a
// colour is only ever set to be painted with.
class TBrush : public TGraphicsObject {
 public:
  TBrush() = default;
  ~TBrush() override;
  void Assign(TPersistent* Source) override;

  // Created from the settings on first use, and again after a change.
  win::HBRUSH Handle();
  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle Value) { Update(style_, Value); }

 protected:
  void Changed() override;

 private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
  win::HBRUSH handle_ = nullptr;
};

// ---- Canvas ----------------------------------------------------------------------

// Raster operations of CopyRect and of drawing bitmaps.
using TCopyMode = win::DWORD;
constexpr TCopyMode cmBlackness = 0x00000042;
constexpr TCopyMode cmDstInvert = 0x00550009;
constexpr TCopyMode cmMergeCopy = 0x00C000CA;
constexpr TCopyMode cmMergePaint = 0x00BB0226;
constexpr TCopyMode cmNotSrcCopy = 0x00330008;
constexpr TCopyMode cmNotSrcErase = 0x001100A6;
constexpr TCopyMode cmPatCopy = 0x00F00021;
constexpr TCopyMode cmPatInvert = 0x005A0049;
constexpr TCopyMode cmPatPaint = 0x00FB0A09;
constexpr TCopyMode cmSrcAnd = 0x008800C6;
constexpr TCopyMode cmSrcCopy = 0x00CC0020;
constexpr TCopyMode cmSrcErase = 0x00440328;
constexpr TCopyMode cmSrcInvert = 0x00660046;
constexpr TCopyMode cmSrcPaint = 0x00EE0086;
constexpr TCopyMode cmWhiteness = 0x00FF0062;

enum TCanvasStates { csHandleValid, csFontValid, csPenValid, csBrushValid };
using TCanvasState = TSet<TCanvasStates>;

class TGraphic;

// Drawing on a device context with a font, a pen and a brush, each selected
// into the device context only when a drawing operation needs it, and again
// after it changed. Every drawing operation is announced by OnChanging and
// reported by OnChange.
class TCanvas : public TPersistent {
 public:
  TCanvas();
  ~TCanvas() override;

  // The device context with the font, pen and brush selected; a canvas
  // without one (that cannot make one) raises EInvalidOperation.
  win::HDC Handle();
  // Binds the canvas to a device context the caller owns (null unbinds);
  // the font, pen and brush are let go from the former one.
  void SetHandle(win::HDC Value);
  bool HandleAllocated() const { return handle_ != nullptr; }

  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* Value) { font_->Assign(Value); }
  TPen* Pen() const { return pen_.get(); }
  void SetPen(TPen* Value) { pen_->Assign(Value); }
  TBrush* Brush() const { return brush_.get(); }
  void SetBrush(TBrush* Value) { brush_->Assign(Value); }
  TCopyMode CopyMode = cmSrcCopy;

  TPoint PenPos();
  void SetPenPos(TPoint Value) { MoveTo(Value.x, Value.y); }
  // The colour at a point; CLR_INVALID (0xFFFFFFFF) outside what may be drawn on.
  TColor Pixels(int X, int Y);
  void SetPixels(int X, int Y, TColor Value);
  // The bounds of what may be drawn on.
  TRect ClipRect();

  void FillRect(const TRect& Rect);
  void FrameRect(const TRect& Rect);
  void Rectangle(int X1, int Y1, int X2, int Y2);
  void Rectangle(const TRect& Rect) { Rectangle(Rect.left, Rect.top, Rect.right, Rect.bottom); }
  void MoveTo(int X, int Y);
  void LineTo(int X, int Y);
  void Polyline(std::span<const TPoint> Points);
  // The graphic at its own size with its top-left corner at (X, Y), and
  // stretched into Rect. Nothing for an empty graphic.
  void Draw(int X, int Y, TGraphic* Graphic);
  void StretchDraw(const TRect& Rect, TGraphic* Graphic);
  // Source of Canvas stretched into Dest of this canvas with CopyMode.
  void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);

  // Text in the font, its cell's top-left corner at (X, Y), on the brush's
  // colour unless the brush is clear; the pen position moves to its end.
  void TextOut(int X, int Y, const std::string& Text);
  // The same, kept inside Rect, which a solid brush fills first.
  void TextRect(const TRect& Rect, int X, int Y, const std::string& Text);
  // The size of the text's cells in the font.
  TSize TextExtent(const std::string& Text);
  int TextWidth(const std::string& Text) { return TextExtent(Text).cx; }
  int TextHeight(const std::string& Text) { return TextExtent(Text).cy; }

  // Serialises drawing from several threads; here a count only.
  void Lock() { ++lockCount_; }
  void Unlock() { --lockCount_; }
  int LockCount() const { return lockCount_; }
  // Lets go of the font, pen and brush; they are selected again when needed.
  void Refresh() { DeselectHandles(); }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

  // Makes sure of the device context and of the objects named.
  void RequiredState(TCanvasState ReqState);

 protected:
  // Called when a device context is needed and none is bound; a canvas
  // that can make one sets it with SetHandle.
  virtual void CreateHandle() {}
  virtual void Changed();
  virtual void Changing();

 private:
  void SelectFont();
  void SelectPen();
  void SelectBrush();
  void DeselectHandles();
  void DrawGraphic(const TRect& Rect, TGraphic* Graphic);

  win::HDC handle_ = nullptr;
  TCanvasState state_;
  std::unique_ptr<TFont> font_;
  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TBrush> brush_;
  int lockCount_ = 0;
};

// ---- Graphic ------------------------------------------------------------------------

// A picture of some kind that a canvas draws, with its file format.
class TGraphic : public TPersistent {
 public:
  virtual int Width() const = 0;
  virtual void SetWidth(int Value) = 0;
  virtual int Height() const = 0;
  virtual void SetHeight(int Value) = 0;
  virtual bool Empty() const = 0;
  // Whether drawing leaves the graphic's background out.
  bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool Value);
  // Set by every change; cleared by SetModified(false).
  bool Modified() const { return modified_; }
  void SetModified(bool Value);

  // The graphic from the stream's position; EInvalidGraphic when it is
  // not one, and the graphic is left as it was.
  virtual void LoadFromStream(TStream* Stream) = 0;
  virtual void SaveToStream(TStream* Stream) = 0;
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName);
  // A new empty graphic of this one's class.
  virtual TGraphic* NewGraphic() const = 0;

  TNotifyEvent OnChange;

 protected:
  friend class TCanvas;
  // Draws the graphic stretched into Rect of the canvas.
  virtual void Draw(TCanvas* ACanvas, const TRect& Rect) = 0;
  // Marks the graphic modified and fires OnChange.
  virtual void Changed(TObject* Sender);

  bool transparent_ = false;

 private:
  bool modified_ = false;
};
