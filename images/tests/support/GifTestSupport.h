// Helpers of the GIF decoder's tests: decoding a byte string and reading
// the target's pixels.
#pragma once

#include <string>
#include <vector>

#include "framework/Bitmaps.h"
#include "framework/Streams.h"
#include "images/Gif.h"
#include "images/tests/support/GifBuilder.h"

namespace giftest {

inline TColor Color(const Rgb& c) { return c.r | c.g << 8 | c.b << 16; }

// The pixel of a 24-bit bitmap as 0x00BBGGRR.
inline TColor PixelAt(TBitmap& bitmap, int x, int y) {
  const auto* p = static_cast<const uint8_t*>(bitmap.ScanLine(y)) + 3 * x;
  return p[2] | p[1] << 8 | p[0] << 16;
}

// Every pixel of the bitmap, row by row.
inline std::vector<TColor> Pixels(TBitmap& bitmap) {
  std::vector<TColor> out;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) out.push_back(PixelAt(bitmap, x, y));
  return out;
}

// The colours the indices stand for in the table.
inline std::vector<TColor> Expand(const std::vector<uint8_t>& indices, const ColorTable& table) {
  std::vector<TColor> out;
  for (uint8_t i : indices) out.push_back(Color(table[i]));
  return out;
}

inline void Decode(ktvGIF& gif, const std::string& bytes, TBitmap& bitmap) {
  TStringStream stream(bytes);
  gif.LoadFromStream(&stream, &bitmap);
}

}  // namespace giftest
