#include "framework/Offscreen.h"

#include "framework/Consts.h"
#include "framework/Exceptions.h"
#include "platform/Bitmaps.h"
#include "platform/DeviceContext.h"
#include "platform/Raster.h"

namespace {

// D AND NOT S: keeps the destination where the source is black.
constexpr win::DWORD kDestAndNotSource = 0x00220326;

win::HBITMAP NewColorBitmap(int width, int height) {
  win::HBITMAP bitmap = win::CreateBitmap(width, height, 1, 32, nullptr);
  if (!bitmap) throw EOutOfResources(SOutOfResources);
  return bitmap;
}

}  // namespace

TMemoryDC::TMemoryDC(win::HBITMAP Bitmap) { Open(Bitmap); }

TMemoryDC::TMemoryDC(int Width, int Height) : own_(NewColorBitmap(Width, Height)) {
  try {
    Open(own_);
  } catch (...) {
    win::DeleteObject(own_);
    throw;
  }
}

void TMemoryDC::Open(win::HBITMAP Bitmap) {
  dc_ = win::CreateCompatibleDC(nullptr);
  if (!dc_) throw EOutOfResources(SOutOfResources);
  if (Bitmap) old_ = win::SelectObject(dc_, Bitmap);
}

TMemoryDC::~TMemoryDC() {
  if (old_) win::SelectObject(dc_, old_);
  win::DeleteDC(dc_);
  if (own_) win::DeleteObject(own_);
}

TOffscreen::TOffscreen(win::HDC Dest, const TRect& Rect)
    : TMemoryDC(Rect.right - Rect.left, Rect.bottom - Rect.top), dest_(Dest), rect_(Rect) {
  win::BitBlt(Handle(), 0, 0, rect_.right - rect_.left, rect_.bottom - rect_.top, dest_, rect_.left, rect_.top,
              win::SRCCOPY);
}

void TOffscreen::Commit() {
  win::BitBlt(dest_, rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top, Handle(), 0, 0,
              win::SRCCOPY);
}

void TransparentStretchBlt(win::HDC Dest, int X, int Y, int Width, int Height, win::HDC Source, int SourceX,
                           int SourceY, int SourceWidth, int SourceHeight, win::HDC Mask, int MaskX, int MaskY) {
  if (Width <= 0 || Height <= 0 || SourceWidth <= 0 || SourceHeight <= 0) return;
  // The source in colour with its transparent pixels black. Memory contexts
  // turn a mask's 1 into white and its 0 into black.
  TMemoryDC image(SourceWidth, SourceHeight);
  win::SetTextColor(image.Handle(), win::GetTextColor(Dest));
  win::SetBkColor(image.Handle(), win::GetBkColor(Dest));
  win::BitBlt(image.Handle(), 0, 0, SourceWidth, SourceHeight, Source, SourceX, SourceY, win::SRCCOPY);
  win::SetTextColor(image.Handle(), win::RGB(0, 0, 0));
  win::SetBkColor(image.Handle(), win::RGB(255, 255, 255));
  win::BitBlt(image.Handle(), 0, 0, SourceWidth, SourceHeight, Mask, MaskX, MaskY, kDestAndNotSource);

  // The destination's transparent pixels stay, the others become black and
  // take the image; mask and image fold alike when they shrink.
  TOffscreen area(Dest, Bounds(X, Y, Width, Height));
  win::SetStretchBltMode(area.Handle(), win::COLORONCOLOR);
  win::StretchBlt(area.Handle(), 0, 0, Width, Height, Mask, MaskX, MaskY, SourceWidth, SourceHeight, win::SRCAND);
  win::StretchBlt(area.Handle(), 0, 0, Width, Height, image.Handle(), 0, 0, SourceWidth, SourceHeight, win::SRCPAINT);
  area.Commit();
}
