// The framework's image list: images of one size, each with a mask of its
// transparent pixels, cut from strips of bitmaps and drawn on canvases.
#pragma once

#include <memory>
#include <vector>

#include "framework/Bitmaps.h"
#include "framework/Classes.h"
#include "framework/Graphics.h"

// dsNormal draws the transparent pixels in BkColor (leaves them out when it
// is clNone), dsTransparent always leaves them out; dsFocus and dsSelected
// draw as dsNormal with the image mixed a quarter and a half with
// BlendColor (clNone: with what lies under it, clDefault: the highlight colour).
enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
// itMask draws the masks (black where an image is, white elsewhere).
enum TImageType { itImage, itMask };

// A component that holds images of Width by Height pixels, 16 by 16 unless
// set; changing the size clears the list.
class TImageList : public TComponent {
 public:
  explicit TImageList(TComponent* AOwner);
  ~TImageList() override;

  int Width() const { return width_; }
  // EInvalidOperation "Invalid image size" below 1.
  void SetWidth(int Value);
  int Height() const { return height_; }
  void SetHeight(int Value);
  int Count() const { return static_cast<int>(images_.size()); }
  // Whether drawing leaves out or fills the transparent pixels; without,
  // every pixel is drawn as it was added.
  bool Masked = true;
  TColor BkColor = clNone;
  TColor BlendColor = clNone;
  TDrawingStyle DrawingStyle = dsNormal;
  TImageType ImageType = itImage;

  // Adds the images of Image cut from left to right, as many whole images
  // as it is wide; Mask (monochrome: white is transparent) cuts alike, and
  // none makes every pixel opaque. Parts of an image beyond the strip's
  // height are transparent. The index of the first image added, -1 for none.
  int Add(TBitmap* Image, TBitmap* Mask);
  // The same, with the pixels of MaskColor transparent.
  int AddMasked(TBitmap* Image, TColor MaskColor);
  // Draws image Index with its top-left corner at (X, Y); nothing for an
  // index without an image. Disabled, the image's shape is drawn in the
  // button-highlight colour one pixel right and down, then in the
  // button-shadow colour in place.
  void Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled = true);
  // Image gets the list's size and image Index drawn on it.
  void GetBitmap(int Index, TBitmap* Image);
  void Clear();
  // EInvalidOperation "Invalid ImageList Index" for an index without an image.
  void Delete(int Index);

  TNotifyEvent OnChange;

 protected:
  virtual void Change();

 private:
  struct Entry {
    std::unique_ptr<TBitmap> image;
    std::unique_ptr<TBitmap> mask;  // monochrome, 1 where transparent
  };
  Entry NewEntry() const;
  // The image drawn on Dest at (X, Y) as the list's settings say, with
  // Background under its transparent pixels (none: what is there).
  void DrawImage(win::HDC Dest, int X, int Y, const Entry& entry, TColor Background);
  void DrawMask(win::HDC Dest, int X, int Y, const Entry& entry);
  void DrawBlended(win::HDC Dest, int X, int Y, const Entry& entry, int Percent);
  void DrawDisabled(win::HDC Dest, int X, int Y, const Entry& entry);

  int width_ = 16;
  int height_ = 16;
  std::vector<Entry> images_;
};
