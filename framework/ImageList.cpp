#include "framework/ImageList.h"

#include <algorithm>

#include "framework/Consts.h"
#include "framework/Exceptions.h"
#include "framework/Offscreen.h"
#include "platform/Drawing.h"
#include "platform/Raster.h"

namespace {

// The pattern where the source is 0, the destination where it is 1.
constexpr win::DWORD kPatternWhereSourceIsBlack = 0x00E20746;

constexpr win::COLORREF kBlack = win::RGB(0, 0, 0);
constexpr win::COLORREF kWhite = win::RGB(255, 255, 255);

void FillColor(win::HDC dc, const TRect& rect, TColor color) {
  win::HBRUSH brush = win::CreateSolidBrush(ColorToRGB(color));
  win::FillRect(dc, &rect, brush);
  win::DeleteObject(brush);
}

// Percent of `with` mixed into `color`.
win::COLORREF Mix(win::COLORREF color, win::COLORREF with, int percent) {
  auto channel = [percent](int a, int b) { return static_cast<win::BYTE>((a * (100 - percent) + b * percent) / 100); };
  return win::RGB(channel(win::GetRValue(color), win::GetRValue(with)),
                  channel(win::GetGValue(color), win::GetGValue(with)),
                  channel(win::GetBValue(color), win::GetBValue(with)));
}

// Paints `color` where the monochrome `shape` (width by height) is black.
void PaintShape(win::HDC dest, int x, int y, int width, int height, win::HDC shape, TColor color) {
  win::HBRUSH brush = win::CreateSolidBrush(ColorToRGB(color));
  win::HGDIOBJ old = win::SelectObject(dest, brush);
  win::BitBlt(dest, x, y, width, height, shape, 0, 0, kPatternWhereSourceIsBlack);
  win::SelectObject(dest, old);
  win::DeleteObject(brush);
}

}  // namespace

TImageList::TImageList(TComponent* AOwner) : TComponent(AOwner) {}

TImageList::~TImageList() = default;

void TImageList::SetWidth(int Value) {
  if (Value < 1) throw EInvalidOperation(SInvalidImageSize);
  if (Value == width_) return;
  width_ = Value;
  Clear();
}

void TImageList::SetHeight(int Value) {
  if (Value < 1) throw EInvalidOperation(SInvalidImageSize);
  if (Value == height_) return;
  height_ = Value;
  Clear();
}

TImageList::Entry TImageList::NewEntry() const {
  Entry entry{std::make_unique<TBitmap>(), std::make_unique<TBitmap>()};
  entry.image->SetSize(width_, height_);
  win::PatBlt(entry.image->Canvas()->Handle(), 0, 0, width_, height_, win::BLACKNESS);
  // All transparent until the strip says otherwise.
  entry.mask->SetMonochrome(true);
  entry.mask->SetSize(width_, height_);
  return entry;
}

int TImageList::Add(TBitmap* Image, TBitmap* Mask) {
  if (!Image || Image->Empty()) return -1;
  const int count = Image->Width() / width_;
  if (count == 0) return -1;
  const int first = Count();
  const int rows = std::min(height_, Image->Height());
  win::HDC source = Image->Canvas()->Handle();
  win::HDC maskSource = Mask && !Mask->Empty() ? Mask->Canvas()->Handle() : nullptr;
  for (int i = 0; i < count; ++i) {
    Entry entry = NewEntry();
    const int left = i * width_;
    win::BitBlt(entry.image->Canvas()->Handle(), 0, 0, width_, rows, source, left, 0, win::SRCCOPY);
    win::HDC mask = entry.mask->Canvas()->Handle();
    if (maskSource)
      win::BitBlt(mask, 0, 0, width_, height_, maskSource, left, 0, win::SRCCOPY);
    else
      win::PatBlt(mask, 0, 0, width_, rows, win::BLACKNESS);
    images_.push_back(std::move(entry));
  }
  Change();
  return first;
}

int TImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
  if (!Image || Image->Empty()) return -1;
  TBitmap mask;
  mask.Assign(Image);
  mask.Mask(MaskColor);
  return Add(Image, &mask);
}

void TImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled) {
  if (Index < 0 || Index >= Count()) return;
  const Entry& entry = images_[static_cast<size_t>(Index)];
  win::HDC dest = Canvas->Handle();
  if (!Enabled) return DrawDisabled(dest, X, Y, entry);
  if (ImageType == itMask) return DrawMask(dest, X, Y, entry);
  switch (DrawingStyle) {
    case dsFocus:
      return DrawBlended(dest, X, Y, entry, 25);
    case dsSelected:
      return DrawBlended(dest, X, Y, entry, 50);
    case dsNormal:
      return DrawImage(dest, X, Y, entry, BkColor);
    case dsTransparent:
      return DrawImage(dest, X, Y, entry, clNone);
  }
}

void TImageList::DrawImage(win::HDC Dest, int X, int Y, const Entry& entry, TColor Background) {
  win::HDC image = entry.image->Canvas()->Handle();
  if (!Masked) {
    win::BitBlt(Dest, X, Y, width_, height_, image, 0, 0, win::SRCCOPY);
    return;
  }
  if (Background != clNone) FillColor(Dest, Bounds(X, Y, width_, height_), Background);
  TransparentStretchBlt(Dest, X, Y, width_, height_, image, 0, 0, width_, height_, entry.mask->Canvas()->Handle(), 0,
                        0);
}

void TImageList::DrawMask(win::HDC Dest, int X, int Y, const Entry& entry) {
  win::COLORREF text = win::SetTextColor(Dest, kBlack);
  win::COLORREF background = win::SetBkColor(Dest, kWhite);
  win::BitBlt(Dest, X, Y, width_, height_, entry.mask->Canvas()->Handle(), 0, 0, win::SRCCOPY);
  win::SetTextColor(Dest, text);
  win::SetBkColor(Dest, background);
}

void TImageList::DrawBlended(win::HDC Dest, int X, int Y, const Entry& entry, int Percent) {
  TOffscreen area(Dest, Bounds(X, Y, width_, height_));
  win::HDC image = entry.image->Canvas()->Handle();
  win::HDC mask = entry.mask->Canvas()->Handle();
  const win::COLORREF blend = ColorToRGB(BlendColor == clDefault ? clHighlight : BlendColor);
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const win::COLORREF under = win::GetPixel(area.Handle(), x, y);
      if (Masked && win::GetPixel(mask, x, y) != kBlack) {
        if (BkColor != clNone) win::SetPixel(area.Handle(), x, y, ColorToRGB(BkColor));
        continue;
      }
      const win::COLORREF with = BlendColor == clNone ? under : blend;
      win::SetPixel(area.Handle(), x, y, Mix(win::GetPixel(image, x, y), with, Percent));
    }
  }
  area.Commit();
}

void TImageList::DrawDisabled(win::HDC Dest, int X, int Y, const Entry& entry) {
  // The image as a monochrome bitmap shows it: black wherever it has a
  // pixel that is not white.
  TBitmap shape;
  shape.SetMonochrome(true);
  shape.SetSize(width_, height_);
  DrawImage(shape.Canvas()->Handle(), 0, 0, entry, clNone);

  TOffscreen area(Dest, Bounds(X, Y, width_ + 1, height_ + 1));
  // Black of the shape takes the pattern, white leaves what is there.
  win::SetTextColor(area.Handle(), kWhite);
  win::SetBkColor(area.Handle(), kBlack);
  win::HDC shapeDC = shape.Canvas()->Handle();
  PaintShape(area.Handle(), 1, 1, width_, height_, shapeDC, clBtnHighlight);
  PaintShape(area.Handle(), 0, 0, width_, height_, shapeDC, clBtnShadow);
  area.Commit();
}

void TImageList::GetBitmap(int Index, TBitmap* Image) {
  if (!Image) return;
  Image->SetSize(width_, height_);
  Draw(Image->Canvas(), 0, 0, Index);
}

void TImageList::Clear() {
  images_.clear();
  Change();
}

void TImageList::Delete(int Index) {
  if (Index < 0 || Index >= Count()) throw EInvalidOperation(SImageIndexError);
  images_.erase(images_.begin() + Index);
  Change();
}

void TImageList::Change() {
  if (OnChange) OnChange(this);
}
