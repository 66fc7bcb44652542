// Typefaces: one face at one pixel size and style, turning characters of
// code page 932 into coverage masks and advances. The installed outline
// faces are found through fontconfig and rendered with FreeType; the
// built-in bitmap face (FallbackFont.h) stands in when nothing is found.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/Types.h"

namespace win {
namespace detail {

// The ink of one character: an 8-bit coverage mask placed relative to the
// pen position on the baseline, and the step to the next pen position.
struct GlyphImage {
  int left = 0;  // first column of the mask, from the pen position
  int top = 0;   // first row of the mask, from the baseline (negative: above it)
  int width = 0;
  int height = 0;
  int advance = 0;
  std::vector<uint8_t> coverage;  // width * height, rows top down, 0 none to 255 full
  uint8_t At(int x, int y) const { return coverage[static_cast<size_t>(y) * width + x]; }
};

// Pixel metrics of a typeface. Offsets of the lines are from the baseline,
// positive downwards, to the line's top row.
struct TypefaceMetrics {
  int emHeight = 0;  // character height: the cell less the internal leading
  int ascent = 0;
  int descent = 0;
  int externalLeading = 0;
  int aveCharWidth = 0;
  int maxCharWidth = 0;
  int underlineOffset = 0;
  int underlineThickness = 1;
  int strikeOutOffset = 0;
  int strikeOutThickness = 1;
  bool fixedPitch = false;
  bool outline = false;
  BYTE family = 0;         // FF_* of the face's kind
  std::string familyName;  // UTF-8, as the face calls itself
};

// How a face is drawn, as a logical font asks.
struct TypefaceStyle {
  bool bold = false;
  bool italic = false;
  BYTE quality = 0;  // lfQuality
};

// A character of code page 932: a single byte, or lead << 8 | trail.
using CharCode = uint16_t;

class Typeface {
 public:
  virtual ~Typeface() = default;
  const TypefaceMetrics& Metrics() const { return metrics_; }
  // False when the face has no glyph of its own for the character (it
  // would draw its missing-glyph shape).
  virtual bool HasGlyph(CharCode code) const = 0;
  // Rendered once per character and kept for the typeface's lifetime.
  std::shared_ptr<const GlyphImage> Glyph(CharCode code) const;

 protected:
  explicit Typeface(TypefaceMetrics metrics) : metrics_(std::move(metrics)) {}
  virtual GlyphImage Render(CharCode code) const = 0;

 private:
  TypefaceMetrics metrics_;
  mutable std::mutex cacheLock_;
  mutable std::unordered_map<CharCode, std::shared_ptr<const GlyphImage>> cache_;
};

// The installed face that best matches a face name of the platform (UTF-8;
// the platform's Japanese and Western face names map to the installed
// equivalents), sized by lfHeight (negative: the character height, positive:
// the cell height; never 0 here). Null when fontconfig or FreeType finds
// nothing usable. Typefaces are shared: the same request gives the same one.
std::shared_ptr<const Typeface> OpenOutlineTypeface(std::string_view faceName, bool japanese, LONG lfHeight,
                                                    const TypefaceStyle& style);

// The Unicode character a code stands for (U+FFFD when it stands for none).
char32_t CharCodeToUnicode(CharCode code);

}  // namespace detail
}  // namespace win
