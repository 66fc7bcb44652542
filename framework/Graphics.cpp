#include "framework/Graphics.h"

#include <tuple>

#include "framework/Consts.h"
#include "framework/Exceptions.h"
#include "framework/Streams.h"
#include "framework/SysUtils.h"
#include "platform/DeviceContext.h"
#include "platform/Drawing.h"
#include "platform/Fonts.h"
#include "platform/Raster.h"
#include "platform/SysColors.h"
#include "platform/Text.h"
#include "platform/TextDrawing.h"

namespace {

// a * b / c rounded half away from zero, as the platform's MulDiv.
int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  int64_t n = int64_t{a} * b;
  int64_t d = c;
  if (d < 0) {
    n = -n;
    d = -d;
  }
  return static_cast<int>(n >= 0 ? (n + d / 2) / d : -((-n + d / 2) / d));
}

// The ROP2 mode of each pen mode, in the order of TPenMode.
constexpr int kPenModes[] = {win::R2_BLACK,       win::R2_WHITE,      win::R2_NOP,         win::R2_NOT,
                             win::R2_COPYPEN,     win::R2_NOTCOPYPEN, win::R2_MERGEPENNOT, win::R2_MASKPENNOT,
                             win::R2_MERGENOTPEN, win::R2_MASKNOTPEN, win::R2_MERGEPEN,    win::R2_NOTMERGEPEN,
                             win::R2_MASKPEN,     win::R2_NOTMASKPEN, win::R2_XORPEN,      win::R2_NOTXORPEN};

template <class H>
void DeleteHandle(H& handle) {
  if (handle) win::DeleteObject(handle);
  handle = nullptr;
}

template <class H>
H CheckHandle(H handle) {
  if (!handle) throw EOutOfResources(SOutOfResources);
  return handle;
}

}  // namespace

TColor ColorToRGB(TColor Color) {
  if (Color & clSystemColor) return win::GetSysColor(static_cast<int>(Color & 0xFF));
  return Color;
}

// ---- TGraphicsObject ----------------------------------------------------------

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

// ---- TFont --------------------------------------------------------------------

TFont::TFont() : name_(SJ("ＭＳ Ｐゴシック")), height_(-12), color_(clWindowText), charset_(win::DEFAULT_CHARSET) {}

TFont::~TFont() { DeleteHandle(handle_); }

win::HFONT TFont::Handle() {
  if (handle_) return handle_;
  win::LOGFONTA font{};
  font.lfHeight = height_;
  font.lfWeight = style_.Contains(fsBold) ? win::FW_BOLD : win::FW_NORMAL;
  font.lfItalic = style_.Contains(fsItalic);
  font.lfUnderline = style_.Contains(fsUnderline);
  font.lfStrikeOut = style_.Contains(fsStrikeOut);
  font.lfCharSet = charset_;
  font.lfOutPrecision = win::OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = win::CLIP_DEFAULT_PRECIS;
  font.lfQuality = win::DEFAULT_QUALITY;
  const win::BYTE pitches[] = {win::DEFAULT_PITCH, win::VARIABLE_PITCH, win::FIXED_PITCH};
  font.lfPitchAndFamily = pitches[pitch_];
  StrPLCopy(font.lfFaceName, name_, win::LF_FACESIZE - 1);
  handle_ = CheckHandle(win::CreateFontIndirectA(&font));
  return handle_;
}

void TFont::SetColor(TColor Value) {
  if (color_ == Value) return;
  color_ = Value;
  // The colour is no part of the handle.
  TGraphicsObject::Changed();
}

void TFont::Changed() {
  DeleteHandle(handle_);
  TGraphicsObject::Changed();
}

void TFont::Assign(TPersistent* Source) {
  auto* font = dynamic_cast<TFont*>(Source);
  if (!font) return TGraphicsObject::Assign(Source);
  // A font of another resolution keeps its size in points.
  int height = font->PixelsPerInch == PixelsPerInch ? font->height_ : -MulDiv(font->Size(), PixelsPerInch, 72);
  if (std::tie(name_, height_, style_, color_, charset_, pitch_) ==
      std::tie(font->name_, height, font->style_, font->color_, font->charset_, font->pitch_))
    return;
  name_ = font->name_;
  height_ = height;
  style_ = font->style_;
  color_ = font->color_;
  charset_ = font->charset_;
  pitch_ = font->pitch_;
  Changed();
}

void TFont::SetName(const std::string& Value) { Update(name_, Value); }

int TFont::Size() const { return -MulDiv(height_, 72, PixelsPerInch); }

void TFont::SetSize(int Value) { SetHeight(-MulDiv(Value, PixelsPerInch, 72)); }

// ---- TPen ---------------------------------------------------------------------

TPen::~TPen() { DeleteHandle(handle_); }

void TPen::Assign(TPersistent* Source) {
  auto* pen = dynamic_cast<TPen*>(Source);
  if (!pen) return TGraphicsObject::Assign(Source);
  auto settings = [](TPen& p) { return std::tie(p.color_, p.width_, p.style_, p.mode_); };
  if (settings(*this) == settings(*pen)) return;
  settings(*this) = settings(*pen);
  Changed();
}

win::HPEN TPen::Handle() {
  if (!handle_) handle_ = CheckHandle(win::CreatePen(style_, width_, ColorToRGB(color_)));
  return handle_;
}

void TPen::Changed() {
  DeleteHandle(handle_);
  TGraphicsObject::Changed();
}

// ---- TBrush -------------------------------------------------------------------

TBrush::~TBrush() { DeleteHandle(handle_); }

void TBrush::Assign(TPersistent* Source) {
  auto* brush = dynamic_cast<TBrush*>(Source);
  if (!brush) return TGraphicsObject::Assign(Source);
  auto settings = [](TBrush& b) { return std::tie(b.color_, b.style_); };
  if (settings(*this) == settings(*brush)) return;
  settings(*this) = settings(*brush);
  Changed();
}

win::HBRUSH TBrush::Handle() {
  if (!handle_) {
    win::LOGBRUSH brush{style_ == bsSolid ? win::BS_SOLID : win::BS_NULL, ColorToRGB(color_), 0};
    handle_ = CheckHandle(win::CreateBrushIndirect(&brush));
  }
  return handle_;
}

void TBrush::SetColor(TColor Value) {
  if (color_ == Value && style_ != bsClear) return;
  color_ = Value;
  style_ = bsSolid;
  Changed();
}

void TBrush::Changed() {
  DeleteHandle(handle_);
  TGraphicsObject::Changed();
}

// ---- TCanvas ------------------------------------------------------------------

TCanvas::TCanvas() : font_(new TFont), pen_(new TPen), brush_(new TBrush) {
  // A changed object is let go at once, so that its old handle can go, and
  // selected anew before the next drawing that needs it.
  auto deselect = [this](TCanvasStates valid, int stockObject) {
    return [this, valid, stockObject](TObject*) {
      if (!state_.Contains(valid)) return;
      state_.Exclude(valid);
      win::SelectObject(handle_, win::GetStockObject(stockObject));
    };
  };
  font_->OnChange = deselect(csFontValid, win::SYSTEM_FONT);
  pen_->OnChange = deselect(csPenValid, win::BLACK_PEN);
  brush_->OnChange = deselect(csBrushValid, win::NULL_BRUSH);
}

TCanvas::~TCanvas() { SetHandle(nullptr); }

win::HDC TCanvas::Handle() {
  RequiredState({csHandleValid, csFontValid, csPenValid, csBrushValid});
  return handle_;
}

void TCanvas::SetHandle(win::HDC Value) {
  if (handle_ == Value) return;
  DeselectHandles();
  handle_ = Value;
  if (handle_)
    state_.Include(csHandleValid);
  else
    state_.Exclude(csHandleValid);
}

void TCanvas::RequiredState(TCanvasState ReqState) {
  TCanvasState needed = ReqState - state_;
  if (needed.Empty()) return;
  if (needed.Contains(csHandleValid)) {
    CreateHandle();
    if (!handle_) throw EInvalidOperation(SNoCanvasHandle);
  }
  if (needed.Contains(csFontValid)) SelectFont();
  if (needed.Contains(csPenValid)) {
    SelectPen();
    // The gaps of a styled pen take the background colour.
    if (pen_->Style() >= psDash && pen_->Style() <= psDashDotDot) needed.Include(csBrushValid);
  }
  if (needed.Contains(csBrushValid)) SelectBrush();
  state_ = state_ + needed;
}

void TCanvas::SelectFont() {
  win::SelectObject(handle_, font_->Handle());
  win::SetTextColor(handle_, ColorToRGB(font_->Color()));
}

void TCanvas::SelectPen() {
  win::SelectObject(handle_, pen_->Handle());
  win::SetROP2(handle_, kPenModes[pen_->Mode()]);
}

void TCanvas::SelectBrush() {
  win::SelectObject(handle_, brush_->Handle());
  win::COLORREF color = ColorToRGB(brush_->Color());
  if (brush_->Style() == bsSolid) {
    win::SetBkColor(handle_, color);
    win::SetBkMode(handle_, win::OPAQUE);
  } else {
    // Styled pen gaps and text backgrounds stay transparent.
    win::SetBkColor(handle_, ~color & 0xFFFFFF);
    win::SetBkMode(handle_, win::TRANSPARENT);
  }
}

void TCanvas::DeselectHandles() {
  const TCanvasState objects{csFontValid, csPenValid, csBrushValid};
  if (!handle_ || (state_ * objects).Empty()) return;
  win::SelectObject(handle_, win::GetStockObject(win::BLACK_PEN));
  win::SelectObject(handle_, win::GetStockObject(win::NULL_BRUSH));
  win::SelectObject(handle_, win::GetStockObject(win::SYSTEM_FONT));
  state_ = state_ - objects;
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

TPoint TCanvas::PenPos() {
  RequiredState({csHandleValid});
  TPoint position{0, 0};
  win::GetCurrentPositionEx(handle_, &position);
  return position;
}

TColor TCanvas::Pixels(int X, int Y) {
  RequiredState({csHandleValid});
  return win::GetPixel(handle_, X, Y);
}

void TCanvas::SetPixels(int X, int Y, TColor Value) {
  Changing();
  RequiredState({csHandleValid, csPenValid});
  win::SetPixel(handle_, X, Y, ColorToRGB(Value));
  Changed();
}

TRect TCanvas::ClipRect() {
  RequiredState({csHandleValid});
  TRect box{0, 0, 0, 0};
  win::GetClipBox(handle_, &box);
  return box;
}

void TCanvas::FillRect(const TRect& Rect) {
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  win::FillRect(handle_, &Rect, brush_->Handle());
  Changed();
}

void TCanvas::FrameRect(const TRect& Rect) {
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  win::FrameRect(handle_, &Rect, brush_->Handle());
  Changed();
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
  Changing();
  RequiredState({csHandleValid, csBrushValid, csPenValid});
  win::Rectangle(handle_, X1, Y1, X2, Y2);
  Changed();
}

void TCanvas::MoveTo(int X, int Y) {
  RequiredState({csHandleValid});
  win::MoveToEx(handle_, X, Y, nullptr);
}

void TCanvas::LineTo(int X, int Y) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  win::LineTo(handle_, X, Y);
  Changed();
}

void TCanvas::Polyline(std::span<const TPoint> Points) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  win::Polyline(handle_, Points.data(), static_cast<int>(Points.size()));
  Changed();
}

void TCanvas::Draw(int X, int Y, TGraphic* Graphic) {
  if (Graphic) DrawGraphic(Bounds(X, Y, Graphic->Width(), Graphic->Height()), Graphic);
}

void TCanvas::StretchDraw(const TRect& Rect, TGraphic* Graphic) {
  if (Graphic) DrawGraphic(Rect, Graphic);
}

void TCanvas::DrawGraphic(const TRect& Rect, TGraphic* Graphic) {
  if (Graphic->Empty()) return;
  Changing();
  RequiredState({csHandleValid, csFontValid, csPenValid, csBrushValid});
  // A monochrome graphic shows its black in the font colour and its white
  // in the brush colour.
  win::SetBkColor(handle_, ColorToRGB(brush_->Color()));
  win::SetTextColor(handle_, ColorToRGB(font_->Color()));
  Graphic->Draw(this, Rect);
  Changed();
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  Canvas->RequiredState({csHandleValid, csBrushValid});
  win::StretchBlt(handle_, Dest.left, Dest.top, Dest.right - Dest.left, Dest.bottom - Dest.top, Canvas->handle_,
                  Source.left, Source.top, Source.right - Source.left, Source.bottom - Source.top, CopyMode);
  Changed();
}

void TCanvas::TextOut(int X, int Y, const std::string& Text) {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  win::TextOutA(handle_, X, Y, Text.data(), static_cast<int>(Text.size()));
  MoveTo(X + TextWidth(Text), Y);
  Changed();
}

void TCanvas::TextRect(const TRect& Rect, int X, int Y, const std::string& Text) {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  win::UINT options = win::ETO_CLIPPED;
  if (brush_->Style() != bsClear) options |= win::ETO_OPAQUE;
  win::ExtTextOutA(handle_, X, Y, options, &Rect, Text.data(), static_cast<win::UINT>(Text.size()), nullptr);
  Changed();
}

TSize TCanvas::TextExtent(const std::string& Text) {
  RequiredState({csHandleValid, csFontValid});
  TSize size{0, 0};
  win::GetTextExtentPoint32A(handle_, Text.data(), static_cast<int>(Text.size()), &size);
  return size;
}

// ---- TGraphic -----------------------------------------------------------------

void TGraphic::SetTransparent(bool Value) {
  if (transparent_ == Value) return;
  transparent_ = Value;
  Changed(this);
}

void TGraphic::LoadFromFile(const std::string& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

void TGraphic::SaveToFile(const std::string& FileName) {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(&stream);
}

void TGraphic::SetModified(bool Value) {
  if (Value)
    Changed(this);
  else
    modified_ = false;
}

void TGraphic::Changed(TObject* Sender) {
  modified_ = true;
  if (OnChange) OnChange(this);
}
