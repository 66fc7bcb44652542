// ktvImage: an image control that places its picture by an alignment rule,
// zooms it by a fixed factor or to fit, or tiles it, fills the rest with its
// colour and offers OnPaint for drawing on top. A bitmap file it loads keeps
// its bit depth and colour table, so that SaveToFile writes the picture back
// in that depth, each pixel mapped to its nearest table entry.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "framework/ExtCtrls.h"
#include "images/Bitmap.h"

// The low two bits give the horizontal rule (none, left, right, centre), the
// next two the vertical rule (none, top, bottom, centre); aaTile tiles.
enum ktvAutoAlign : uint8_t {
  aaNone = 0,
  aaLeft = 1,
  aaRight = 2,
  aaCenterW = 3,
  aaTop = 4,
  aaTopLeft = 5,
  aaTopRight = 6,
  aaTopCenter = 7,
  aaBottom = 8,
  aaBottomLeft = 9,
  aaBottomRight = 10,
  aaBottomCenter = 11,
  aaCenterH = 12,
  aaCenterLeft = 13,
  aaCenterRight = 14,
  aaCenter = 15,
  aaTile = 16
};

// azNone uses Zoom; the others fit the picture into the control, azSmall
// never shrinking it and azLarge never enlarging it.
enum ktvAutoZoom : uint8_t { azNone = 0, azSmall = 1, azLarge = 2, azAlways = 3 };

using TImagePaintEvent = std::function<void(TObject* Sender, TCanvas* Canvas)>;

// The virtual operations it adds are declared in the order of their slots.
class ktvImage : public TImage {
 public:
  explicit ktvImage(TComponent* AOwner);
  ~ktvImage() override;

  ktvAutoAlign AutoAlign() const { return autoAlign_; }
  virtual void SetAutoAlign(ktvAutoAlign Value);
  ktvAutoZoom AutoZoom() const { return autoZoom_; }
  // Back to azNone also sets Zoom to 1 and Stretch off.
  virtual void SetAutoZoom(ktvAutoZoom Value);
  // Set by every paint while AutoZoom fits the picture.
  double Zoom() const { return zoom_; }
  virtual void SetZoom(double Value);
  // The colour around the picture; clNone leaves it unpainted.
  virtual void SetColor(TColor Value);
  // The file-dialog filter of all files and of bitmap files.
  virtual std::string GetFilter();

 protected:
  // The picture at W by H into every cell of a grid from the top-left corner.
  virtual void PaintTile(int W, int H);
  // Fills the control and draws the picture at W by H where AutoAlign puts it.
  virtual void PaintAlign(int W, int H);

 public:
  // The picture of a bitmap file (known by its contents, whatever its
  // extension), keeping its bit depth and colour table (header kinds other
  // than the info and core headers keep neither); any
  // other file through the picture's loader by its extension, keeping
  // neither. False, with the picture, depth and palette untouched, when the
  // file cannot be read, is empty or is not a valid picture.
  virtual bool LoadBitmapFile(const std::string& FileName);
  // LoadBitmapFile with the hourglass cursor; false for an empty name or a
  // missing file.
  virtual bool LoadFromFile(const std::string& FileName);
  // The picture's bitmap in the kept depth and colour table (without a
  // depth, the bitmap's own format), with the hourglass cursor. False, with
  // no file written, when the picture holds no bitmap or an empty one;
  // false too when the file cannot be written.
  virtual bool SaveToFile(const std::string& FileName);

  // Where the last paint put the picture (the first tile when tiling).
  TRect DrawnRect() const { return drawnRect_; }
  // Bits per pixel of the last bitmap file loaded; 0 when it gave none.
  int BitDepth() const { return bitDepth_; }
  // The colour table of the last bitmap file loaded, or null.
  const TBitmapPalette* Palette() const { return palette_.get(); }
  void SetPalette(std::unique_ptr<TBitmapPalette> Value) { palette_ = std::move(Value); }
  void CopyPalette(const TBitmapPalette* Value);

  TImagePaintEvent OnPaint;

 protected:
  void Paint() override;
  void Dispatch(TMessage& Message) override;
  // Fills the control with Color unless transparent; the background is erased.
  virtual void WMEraseBkgnd(TMessage& Message);
  void PictureChanged(TObject* Sender) override;

 private:
  void FillBackground(TCanvas* Canvas);
  // The zoom that fits a W by H picture by the AutoZoom rule.
  double FittingZoom(int W, int H);
  // Opaque unless transparent or without a colour; true when that changed.
  bool UpdateOpacity();

  ktvAutoAlign autoAlign_ = aaNone;
  ktvAutoZoom autoZoom_ = azNone;
  double zoom_ = 1.0;
  TRect drawnRect_{};
  int bitDepth_ = 0;
  std::unique_ptr<TBitmapPalette> palette_;
};

namespace Image {

// Adds ktvImage to the palette page "TOSKA".
void Register();

}  // namespace Image
