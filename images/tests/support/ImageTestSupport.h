// Helpers of the image control's and the bitmap files' tests: pictures
// painted from a function of the point, their colours read back, and files
// in a temporary folder by their Windows names.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "framework/Bitmaps.h"
#include "platform/Paths.h"
#include "testsupport/RunProgram.h"
#include "testsupport/TempDir.h"

namespace imagetest {

// Sizes a 24-bit bitmap and gives every pixel colorAt(x, y).
template <class ColorAt>
void Paint(TBitmap& bitmap, int width, int height, ColorAt&& colorAt) {
  bitmap.SetPixelFormat(pf24bit);
  bitmap.SetSize(width, height);
  for (int y = 0; y < height; ++y) {
    auto* row = static_cast<uint8_t*>(bitmap.ScanLine(y));
    for (int x = 0; x < width; ++x) {
      const TColor color = colorAt(x, y);
      row[3 * x] = static_cast<uint8_t>(color >> 16);
      row[3 * x + 1] = static_cast<uint8_t>(color >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(color);
    }
  }
}

// Every pixel's colour, the top row first, whatever the bitmap's format.
inline std::vector<TColor> ColorsOf(TBitmap& bitmap) {
  std::vector<TColor> colors;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) colors.push_back(bitmap.Canvas()->Pixels(x, y));
  return colors;
}

// A temporary folder whose files the framework opens by their Windows names.
class Files {
 public:
  // The Windows name of a file of the folder.
  std::string Name(const std::string& file) const { return win::detail::ToWindowsPath(dir_ / file); }
  std::string Put(const std::string& file, const std::string& bytes) const {
    std::ofstream(dir_ / file, std::ios::binary) << bytes;
    return Name(file);
  }
  std::string Read(const std::string& file) const { return testsupport::ReadWholeFile(dir_ / file); }

 private:
  testsupport::TempDir dir_;
};

}  // namespace imagetest
