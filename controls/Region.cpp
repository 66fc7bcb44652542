#include "controls/Region.h"

#include "framework/Exceptions.h"
#include "framework/Palette.h"
#include "platform/Painting.h"
#include "platform/Regions.h"
#include "platform/Text.h"

namespace {

[[noreturn]] void RaiseCreateRectRgnFailed() { throw Exception(SJ("CreateRectRgnに失敗しました")); }
[[noreturn]] void RaiseCombineRgnFailed() { throw Exception(SJ("CombineRgnに失敗しました")); }
[[noreturn]] void RaiseSetWindowRgnFailed() { throw Exception(SJ("SetWindowRgnに失敗しました")); }
[[noreturn]] void RaiseNoParent() { throw Exception(SJ("Parentが設定されていません")); }

win::HRGN NewEmptyRegion() {
  win::HRGN region = win::CreateRectRgn(0, 0, 0, 0);
  if (!region) RaiseCreateRectRgnFailed();
  return region;
}

// dest = dest united with source; on failure `dest` is as it was.
void UniteInto(win::HRGN dest, win::HRGN source) {
  if (win::CombineRgn(dest, dest, source, win::RGN_OR) == win::ERROR) RaiseCombineRgnFailed();
}

}  // namespace

ktvRegion::ktvRegion(TComponent* AOwner) : TImage(AOwner) {}

ktvRegion::~ktvRegion() { DeleteRegion(); }

void ktvRegion::SetTransparentColor(TColor Value) {
  transparentColor_ = Value;
  Picture()->Bitmap()->SetTransparentColor(Value);
}

void ktvRegion::DeleteRegion() {
  if (!region_) return;
  win::DeleteObject(region_);
  region_ = {};
}

void ktvRegion::Clear() {
  DeleteRegion();
  region_ = NewEmptyRegion();
}

void ktvRegion::Add(int X, int Y, int W, int H) {
  if (!region_) Clear();
  int left = Left() + X;
  int top = Top() + Y;
  win::HRGN rect = win::CreateRectRgn(left, top, left + W, top + H);
  if (!rect) RaiseCreateRectRgnFailed();
  try {
    UniteInto(region_, rect);
  } catch (...) {
    win::DeleteObject(rect);
    throw;
  }
  win::DeleteObject(rect);
}

void ktvRegion::Create() {
  Clear();
  try {
    ScanPicture();
  } catch (...) {
    DeleteRegion();
    throw;
  }
}

// Colours compare as exact values: a system colour constant as the
// transparent colour matches no pixel.
void ktvRegion::ScanPicture() {
  TCanvas* canvas = Picture()->Bitmap()->Canvas();
  const int width = Width();
  const int height = Height();
  for (int y = 0; y < height; ++y) {
    int runStart = -1;
    for (int x = 0; x < width; ++x) {
      bool opaque = canvas->Pixels(x, y) != transparentColor_;
      if (runStart < 0 && opaque) {
        runStart = x;
      } else if (runStart >= 0 && !opaque) {
        Add(runStart, y, x - runStart, 1);
        runStart = -1;
      }
    }
    if (runStart >= 0) Add(runStart, y, width - runStart, 1);
  }
}

void ktvRegion::Set() {
  if (!region_) return;
  if (!Parent()) RaiseNoParent();
  if (!Parent()->HandleAllocated()) return;
  // The window system takes the copy it is given; the control keeps its own.
  win::HRGN copy = NewEmptyRegion();
  try {
    UniteInto(copy, region_);
    if (win::SetWindowRgn(Parent()->Handle(), copy, win::TRUE) == 0) RaiseSetWindowRgnFailed();
  } catch (...) {
    win::DeleteObject(copy);
    throw;
  }
}

// Without a parent there is no window to take the shape from; that is the
// caller's error, reported rather than followed into a null parent.
void ktvRegion::Delete() {
  if (!Parent()) RaiseNoParent();
  if (win::SetWindowRgn(Parent()->Handle(), nullptr, win::TRUE) == 0) RaiseSetWindowRgnFailed();
  DeleteRegion();
}

namespace Region {

void Register() { RegisterComponents("TOSKA", {ComponentClassOf<ktvRegion>()}); }

}  // namespace Region
