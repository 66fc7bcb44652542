// The framework's bitmap: a platform bitmap (a device bitmap, or a DIB
// section with a colour table) with a canvas to draw on it, transparency by
// a colour, and the bitmap file format.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/Graphics.h"

// pfDevice is the display's own format (or monochrome); the others are DIB
// sections of that many bits per pixel, with a colour table up to 8 bits.
enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf24bit, pf32bit };
// tmAuto takes the transparent colour from the bitmap's bottom-left pixel.
enum TTransparentMode { tmAuto, tmFixed };

class TBitmapCanvas;

// A bitmap of Width by Height pixels; empty (no handle) while either is 0.
// Changing the size keeps the pixels that remain (top-left) and paints the
// new ones with the canvas's brush, or white before there is a canvas.
// Changing the pixel format keeps the colours as far as the format can.
// Drawing on the canvas is a change of the bitmap.
class TBitmap : public TGraphic {
 public:
  TBitmap();
  ~TBitmap() override;
  // Copies another bitmap's pixels, format and transparency; nullptr
  // empties the bitmap.
  void Assign(TPersistent* Source) override;
  TGraphic* NewGraphic() const override { return new TBitmap; }

  int Width() const override { return width_; }
  void SetWidth(int Value) override { SetSize(Value, height_); }
  int Height() const override { return height_; }
  void SetHeight(int Value) override { SetSize(width_, Value); }
  // EInvalidGraphic for a negative size, EOutOfResources for one the
  // platform cannot make.
  void SetSize(int AWidth, int AHeight);
  bool Empty() const override { return !handle_; }

  TCanvas* Canvas();
  // Null while empty. The handle stays the bitmap's.
  win::HBITMAP Handle() const { return handle_; }
  // Takes over a bitmap of the platform, which the bitmap then deletes.
  void SetHandle(win::HBITMAP Value);
  // A palette of the colour table (1 to 8 bits); null for other formats.
  win::HPALETTE Palette();

  TPixelFormat PixelFormat() const { return layout_.format; }
  void SetPixelFormat(TPixelFormat Value);
  // One bit per pixel; setting it makes a monochrome device bitmap
  // (white stays white, every other colour becomes black), clearing it a
  // colour device bitmap.
  bool Monochrome() const;
  void SetMonochrome(bool Value);

  // The colour that transparent drawing leaves out: in tmAuto the colour
  // of the bottom-left pixel (white for a monochrome bitmap).
  TColor TransparentColor();
  // clDefault switches to tmAuto, any other colour to tmFixed.
  void SetTransparentColor(TColor Value);
  TTransparentMode TransparentMode() const { return transparentColor_ == clDefault ? tmAuto : tmFixed; }
  void SetTransparentMode(TTransparentMode Value);

  // Turns the bitmap into a monochrome mask of itself: white where it had
  // TransparentColor, black elsewhere.
  void Mask(TColor TransparentColor);

  // The bits of row Row (0 the top row) in the DIB layout of the pixel
  // format; a device bitmap becomes a DIB section of its depth first.
  // EInvalidGraphic for a row outside the bitmap.
  void* ScanLine(int Row);

  // A bitmap file (1, 4, 8, 24 or 32 bits per pixel, BITMAPCOREHEADER or
  // BITMAPINFOHEADER and its later forms, bottom-up or top-down,
  // uncompressed): the bitmap takes its size, depth and colour table.
  // Nothing left in the stream makes the bitmap empty. A file that is not
  // valid raises EInvalidGraphic "Bitmap image is not valid".
  void LoadFromStream(TStream* Stream) override;
  // A bottom-up file with a BITMAPINFOHEADER in the pixel format's depth
  // (a device bitmap in 32 bits, or 1 when monochrome); nothing when empty.
  void SaveToStream(TStream* Stream) override;

 protected:
  // Stretched with the canvas's CopyMode, or without the transparent
  // colour when Transparent.
  void Draw(TCanvas* ACanvas, const TRect& Rect) override;

 private:
  friend class TBitmapCanvas;

  struct Layout {
    TPixelFormat format = pfDevice;
    bool monochrome = false;            // device bitmaps only
    std::vector<win::COLORREF> colors;  // for a new DIB section of up to 8 bits
  };
  static int BitCount(const Layout& layout);
  static Layout LayoutOf(TPixelFormat format, const Layout& from);
  // The colour table as it is (1 to 8 bits), else none.
  std::vector<win::COLORREF> Colors();
  win::HBITMAP NewHandle(int width, int height, const Layout& layout, win::BYTE** bits) const;
  void Reshape(int width, int height, Layout layout);
  void Replace(win::HBITMAP handle, int width, int height, Layout layout, win::BYTE* bits, bool topDown);
  // A new monochrome bitmap, 1 where the colour is.
  win::HBITMAP NewMask(TColor color);

  win::HBITMAP handle_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  Layout layout_;
  win::BYTE* bits_ = nullptr;  // DIB sections only
  bool topDown_ = false;
  win::HPALETTE palette_ = nullptr;
  TColor transparentColor_ = clDefault;
  std::unique_ptr<TBitmapCanvas> canvas_;
};

// The little-endian fields of bitmap files.
namespace bitmapfile {
inline uint32_t Le16(const win::BYTE* p) { return p[0] | (p[1] << 8); }
inline uint32_t Le32(const win::BYTE* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void Put16(win::BYTE* p, uint32_t v) {
  p[0] = static_cast<win::BYTE>(v);
  p[1] = static_cast<win::BYTE>(v >> 8);
}
inline void Put32(win::BYTE* p, uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}
}  // namespace bitmapfile
