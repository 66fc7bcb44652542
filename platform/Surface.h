// Pixel surfaces: the memory behind bitmaps, DIB sections and windows, in the
// platform's DIB row layout (rows padded to four bytes, bottom-up or
// top-down) at 1, 4, 8, 24 or 32 bits per pixel. The display's own format is
// 32-bit blue, green, red, unused.
#pragma once

#include <memory>
#include <vector>

#include "platform/Types.h"

namespace win::detail {

// The entry of `table` nearest to `color` by the sum of the squared
// differences of red, green and blue; the first such entry on a tie.
int NearestColorIndex(const std::vector<COLORREF>& table, COLORREF color);

// A pixel value is 0x00RRGGBB at 24 and 32 bits (bytes blue, green, red in
// memory) and the colour index at 1, 4 and 8 bits.
class Surface {
 public:
  static constexpr int kMaxDimension = 32767;

  // A new surface, all bits zero; null when the size or depth is invalid.
  // A monochrome device surface (1 bit, black and white) converts to and
  // from colour through the device context's text and background colours.
  static std::shared_ptr<Surface> Create(int width, int height, int bitCount, bool topDown,
                                         std::vector<COLORREF> colors, bool monoDevice = false);
  // A surface over rows that the caller owns and keeps alive.
  static std::shared_ptr<Surface> Wrap(int width, int height, int bitCount, bool topDown,
                                       std::vector<COLORREF> colors, BYTE* bits);
  static int StrideFor(int width, int bitCount) { return (width * bitCount + 31) / 32 * 4; }
  static bool ValidBitCount(int bitCount);
  // An owned copy, bits and all.
  std::shared_ptr<Surface> Clone() const;

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitCount() const { return bitCount_; }
  int Stride() const { return stride_; }
  bool TopDown() const { return topDown_; }
  bool MonoDevice() const { return monoDevice_; }
  BYTE* Bits() { return data_; }
  const BYTE* Bits() const { return data_; }
  size_t ByteSize() const { return static_cast<size_t>(stride_) * height_; }
  const std::vector<COLORREF>& Colors() const { return colors_; }
  std::vector<COLORREF>& Colors() { return colors_; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

  // Row y counted from the top, whatever the memory order.
  BYTE* Row(int y) { return data_ + static_cast<size_t>(topDown_ ? y : height_ - 1 - y) * stride_; }
  const BYTE* Row(int y) const { return const_cast<Surface*>(this)->Row(y); }

  uint32_t Get(int x, int y) const;
  void Set(int x, int y, uint32_t value);
  // The bits a pixel value has at this depth.
  uint32_t ValueMask() const { return bitCount_ >= 24 ? 0xFFFFFF : (1u << bitCount_) - 1; }
  COLORREF ToColor(uint32_t value) const;
  uint32_t FromColor(COLORREF color) const;
  // Pixel values mean the same colours on both surfaces.
  bool SameValues(const Surface& other) const;

 private:
  Surface() = default;
  int width_ = 0;
  int height_ = 0;
  int bitCount_ = 0;
  int stride_ = 0;
  bool topDown_ = true;
  bool monoDevice_ = false;
  BYTE* data_ = nullptr;
  std::vector<BYTE> owned_;
  std::vector<COLORREF> colors_;
};

inline uint32_t Surface::Get(int x, int y) const {
  const BYTE* row = Row(y);
  switch (bitCount_) {
    case 32:
    case 24: {
      const BYTE* p = row + x * (bitCount_ / 8);
      return p[0] | (p[1] << 8) | (p[2] << 16);
    }
    case 8:
      return row[x];
    case 4:
      return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
    default:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
  }
}

inline void Surface::Set(int x, int y, uint32_t value) {
  BYTE* row = Row(y);
  switch (bitCount_) {
    case 32:
      row[x * 4 + 3] = 0;
      [[fallthrough]];
    case 24: {
      BYTE* p = row + x * (bitCount_ / 8);
      p[0] = static_cast<BYTE>(value);
      p[1] = static_cast<BYTE>(value >> 8);
      p[2] = static_cast<BYTE>(value >> 16);
      break;
    }
    case 8:
      row[x] = static_cast<BYTE>(value);
      break;
    case 4: {
      int shift = (x & 1) ? 0 : 4;
      row[x >> 1] = static_cast<BYTE>((row[x >> 1] & ~(0xF << shift)) | ((value & 0xF) << shift));
      break;
    }
    default: {
      int bit = 7 - (x & 7);
      row[x >> 3] = static_cast<BYTE>((row[x >> 3] & ~(1 << bit)) | ((value & 1) << bit));
    }
  }
}

// Maps the pixel values of one surface to those of another. The plain form
// keeps colours (the nearest one where the target has a colour table); the
// blit form converts to and from monochrome device surfaces the platform's
// way: a source pixel of the source DC's background colour becomes 1, every
// other pixel 0; a 0 becomes the target DC's text colour, a 1 its
// background colour.
class ColorTranslator {
 public:
  ColorTranslator(const Surface& from, const Surface& to);
  static ColorTranslator ForBlit(const Surface& from, const Surface& to, COLORREF sourceBk, COLORREF targetText,
                                 COLORREF targetBk);
  uint32_t operator()(uint32_t value) const;
  bool IsIdentity() const { return mode_ == Mode::Same; }

 private:
  enum class Mode { Same, Table, MatchToMono, Nearest };
  ColorTranslator() = default;
  Mode mode_ = Mode::Same;
  std::vector<uint32_t> table_;
  uint32_t match_ = 0;
  const Surface* from_ = nullptr;
  const Surface* to_ = nullptr;
  mutable uint32_t lastIn_ = 0;
  mutable uint32_t lastOut_ = 0;
  mutable bool haveLast_ = false;
};

}  // namespace win::detail
