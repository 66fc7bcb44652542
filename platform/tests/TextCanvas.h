// A coverage canvas for text tests: draws runs as a device context would
// (masks blended by their coverage, strokes filled, both clipped to the
// canvas and optionally to a rectangle) and shows rows as text.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/TextLayout.h"

namespace texttest {

class TextCanvas {
 public:
  TextCanvas(int width, int height) : width_(width), height_(height), pixels_(width * height, 0) {}

  void Draw(const win::detail::TextRun& run, std::optional<win::RECT> clip = std::nullopt) {
    for (const auto& glyph : run.glyphs)
      for (int y = 0; y < glyph.image->height; ++y)
        for (int x = 0; x < glyph.image->width; ++x) Put(glyph.x + x, glyph.y + y, glyph.image->At(x, y), clip);
    for (const win::RECT& r : run.strokes)
      for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) Put(x, y, 255, clip);
  }

  void Draw(const win::detail::DrawTextLayout& layout, const win::RECT& rect) {
    for (const auto& run : layout.lines) Draw(run, layout.clip ? std::optional(rect) : std::nullopt);
  }

  int At(int x, int y) const { return pixels_[y * width_ + x]; }

  // Rows [top, bottom) with '#' for ink of half coverage or more.
  std::string Rows(int top, int bottom) const {
    std::string text;
    for (int y = top; y < bottom; ++y) {
      for (int x = 0; x < width_; ++x) text += At(x, y) >= 128 ? '#' : '.';
      text += '\n';
    }
    return text;
  }

  int InkCount() const {
    return static_cast<int>(std::count_if(pixels_.begin(), pixels_.end(), [](int v) { return v > 0; }));
  }

  // The columns and rows that hold ink, as a rectangle (empty when none).
  win::RECT InkBounds() const {
    win::RECT r{width_, height_, 0, 0};
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x)
        if (At(x, y) > 0)
          r = win::RECT{std::min<int>(r.left, x), std::min<int>(r.top, y), std::max<int>(r.right, x + 1),
                        std::max<int>(r.bottom, y + 1)};
    return r.right > r.left ? r : win::RECT{0, 0, 0, 0};
  }

 private:
  void Put(int x, int y, int value, const std::optional<win::RECT>& clip) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    if (clip && (x < clip->left || x >= clip->right || y < clip->top || y >= clip->bottom)) return;
    int& p = pixels_[y * width_ + x];
    p = std::max(p, value);
  }

  int width_;
  int height_;
  std::vector<int> pixels_;
};

}  // namespace texttest
