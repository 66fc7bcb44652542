// ktvRegion: an image control that cuts its parent window's outline from
// its picture. Every pixel that differs from TransparentColor becomes part
// of a region in the parent's coordinates; Set installs a copy of it as the
// parent window's shape, so pixels of the transparent colour are holes that
// are neither drawn nor hit by the mouse.
#pragma once

#include "framework/ExtCtrls.h"
#include "platform/Gdi.h"

class ktvRegion : public TImage {
 public:
  explicit ktvRegion(TComponent* AOwner);
  ~ktvRegion() override;

  // Also the transparent colour of the picture's bitmap; the region is not
  // rebuilt.
  TColor TransparentColor() const { return transparentColor_; }
  void SetTransparentColor(TColor Value);

  // Replaces the region by a new empty one.
  void Clear();
  // Unites the rectangle, in the control's own coordinates, into the region
  // (made empty first when there is none).
  void Add(int X, int Y, int W, int H);
  // Rebuilds the region from the picture: one rectangle per run of opaque
  // pixels of each row of the control's Width by Height.
  void Create();
  // Installs a copy of the region as the parent window's shape; nothing
  // without a region or before the parent's window exists.
  void Set();
  // Removes the parent window's shape and deletes the region.
  void Delete();

  // The control's own region (parent coordinates), null when none is built.
  win::HRGN RegionHandle() const { return region_; }

 private:
  void ScanPicture();
  void DeleteRegion();

  win::HRGN region_{};
  TColor transparentColor_ = clBlack;
};

namespace Region {

// Adds ktvRegion to the palette page "TOSKA".
void Register();

}  // namespace Region
