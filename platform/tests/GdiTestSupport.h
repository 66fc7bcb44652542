// Helpers of the graphics tests: memory DCs on DIB sections and BITMAPINFO
// with room for a full colour table.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "platform/Bitmaps.h"
#include "platform/DeviceContext.h"
#include "platform/Drawing.h"
#include "platform/Raster.h"

namespace gditest {

// A BITMAPINFOHEADER followed by 256 colour table entries.
struct DibInfo {
  win::BITMAPINFOHEADER header{};
  win::RGBQUAD colors[256]{};

  DibInfo(int width, int height, int bitCount, std::vector<win::COLORREF> table = {}) {
    header.biSize = sizeof(win::BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<win::WORD>(bitCount);
    header.biCompression = win::BI_RGB;
    header.biClrUsed = static_cast<win::DWORD>(table.size());
    for (size_t i = 0; i < table.size(); ++i)
      colors[i] = win::RGBQUAD{win::GetBValue(table[i]), win::GetGValue(table[i]), win::GetRValue(table[i]), 0};
  }
  win::BITMAPINFO* get() { return reinterpret_cast<win::BITMAPINFO*>(this); }
};

// A memory DC with a DIB section selected (32 bits, top-down, unless told).
class Canvas {
 public:
  Canvas(int width, int height, int bitCount = 32, std::vector<win::COLORREF> table = {}, bool topDown = true)
      : width_(width), height_(height) {
    DibInfo info(width, topDown ? -height : height, bitCount, std::move(table));
    dc_ = win::CreateCompatibleDC(nullptr);
    bitmap_ = win::CreateDIBSection(dc_, info.get(), win::DIB_RGB_COLORS, &bits_, nullptr, 0);
    EXPECT_NE(bitmap_, nullptr);
    old_ = win::SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    win::SelectObject(dc_, old_);
    win::DeleteObject(bitmap_);
    win::DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  win::HDC dc() const { return dc_; }
  win::HBITMAP bitmap() const { return bitmap_; }
  win::BYTE* bits() const { return static_cast<win::BYTE*>(bits_); }
  win::COLORREF At(int x, int y) const { return win::GetPixel(dc_, x, y); }

  void Fill(win::COLORREF color) {
    win::HBRUSH brush = win::CreateSolidBrush(color);
    win::RECT all{0, 0, width_, height_};
    win::FillRect(dc_, &all, brush);
    win::DeleteObject(brush);
  }

  // The row of colours at y.
  std::vector<win::COLORREF> Row(int y) const {
    std::vector<win::COLORREF> row;
    for (int x = 0; x < width_; ++x) row.push_back(At(x, y));
    return row;
  }

 private:
  int width_;
  int height_;
  win::HDC dc_ = nullptr;
  win::HBITMAP bitmap_ = nullptr;
  win::HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
};

// A brush selected into a DC for the lifetime of the object.
class SelectedBrush {
 public:
  SelectedBrush(win::HDC dc, win::COLORREF color) : dc_(dc), brush_(win::CreateSolidBrush(color)) {
    old_ = win::SelectObject(dc, brush_);
  }
  ~SelectedBrush() {
    win::SelectObject(dc_, old_);
    win::DeleteObject(brush_);
  }

 private:
  win::HDC dc_;
  win::HBRUSH brush_;
  win::HGDIOBJ old_;
};

}  // namespace gditest
