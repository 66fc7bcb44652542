// Helpers of the graphics tests: bitmaps painted from and read back as rows
// of letters, one letter per pixel and a legend of their colours.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "framework/Bitmaps.h"
#include "platform/Raster.h"

namespace graphicstest {

using Legend = std::map<char, TColor>;
using Rows = std::vector<std::string>;

// Sizes the bitmap to the rows and paints every pixel by the legend.
inline void Paint(TBitmap& bitmap, const Rows& rows, const Legend& legend) {
  bitmap.SetSize(static_cast<int>(rows.at(0).size()), static_cast<int>(rows.size()));
  win::HDC dc = bitmap.Canvas()->Handle();
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x)
      win::SetPixel(dc, static_cast<int>(x), static_cast<int>(y), ColorToRGB(legend.at(rows[y][x])));
}

// The pixels of (left, top, width, height) of a canvas as letters of the
// legend; '?' for a colour the legend does not have.
inline Rows Read(TCanvas* canvas, const Legend& legend, int left, int top, int width, int height) {
  Rows rows;
  for (int y = top; y < top + height; ++y) {
    std::string row;
    for (int x = left; x < left + width; ++x) {
      char letter = '?';
      TColor color = canvas->Pixels(x, y);
      for (const auto& [key, value] : legend)
        if (ColorToRGB(value) == color) letter = key;
      row += letter;
    }
    rows.push_back(row);
  }
  return rows;
}

inline Rows Read(TBitmap& bitmap, const Legend& legend) {
  return Read(bitmap.Canvas(), legend, 0, 0, bitmap.Width(), bitmap.Height());
}

}  // namespace graphicstest
