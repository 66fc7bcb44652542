// Bitmap files that keep their colours: the reader of the bit depth and
// colour table a file declares, and the writer of a picture at a chosen
// depth whose pixels are mapped to a colour table by nearest colour.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/Bitmaps.h"
#include "platform/Palettes.h"

class TStream;

// A logical palette of up to 256 entries, laid out as the platform's
// LOGPALETTE (entries red, green, blue, flags 0).
struct TBitmapPalette {
  win::WORD palVersion = 0x300;
  win::WORD palNumEntries = 0;
  std::array<win::PALETTEENTRY, 256> palPalEntry{};

  // The first `min(Colors.size(), 256)` colours.
  static std::unique_ptr<TBitmapPalette> FromColors(const std::vector<TColor>& Colors);
  std::vector<TColor> Colors() const;
};

// What the headers of a bitmap file say about its colours.
struct TBitmapColors {
  // The info header's bit count; 0 for header kinds other than the 40-byte
  // info header and the 12-byte core header.
  int BitDepth = 0;
  // The colour table of a depth of 8 or less, else null.
  std::unique_ptr<TBitmapPalette> Palette;
};

// Whether the stream at its position starts with "BM"; the position stays.
bool IsBitmapFile(TStream* Stream);

// Reads the file header, the info header and the colour table at the
// stream's position. A 40-byte header gives its used-colour count of
// four-byte entries (all 2^depth when the count is 0), a core header 2^depth
// three-byte entries. False, with Colors untouched, when the stream holds no
// bitmap file or one whose depth (1, 4, 8, 24 or 32), header, colour table
// or pixel offset does not fit its sizes.
bool ReadBitmapColors(TStream* Stream, TBitmapColors& Colors);

// The index of a colour in a colour table: the first entry equal to it, else
// the entry with the smallest sum of the squared differences of blue, green
// and red, the first such on a tie. Only the few entries that can be nearest
// to some colour of a small box of colours are compared, and the answers for
// recent colours are remembered, so that mapping the millions of pixels of a
// photograph costs about as much as reading them.
class TNearestColor {
 public:
  // A table of 1 to 256 colours.
  explicit TNearestColor(std::vector<TColor> Table);
  ~TNearestColor();
  TNearestColor(const TNearestColor&) = delete;
  TNearestColor& operator=(const TNearestColor&) = delete;

  int IndexOf(TColor Color);

 private:
  struct Candidate;
  int Search(TColor Color);
  std::vector<Candidate> CandidatesOfBox(TColor Color) const;

  std::vector<TColor> table_;
  std::vector<std::vector<Candidate>> boxes_;  // empty until first used
  std::vector<TColor> cachedColors_;
  std::vector<uint8_t> cachedIndices_;
};

// The bitmap file of Bitmap at BitDepth (1, 4, 8, 24 or 32) bits per pixel:
// bottom-up, with a 40-byte info header. Up to 8 bits the colour table is
// Palette's first 2^depth entries or, without a palette (or one without
// entries), the distinct colours of the picture in the order met (rows from
// the bottom up, pixels from left to right) until 2^depth are found; every
// pixel gets the index of its nearest entry. Empty for another depth or a
// bitmap without pixels.
std::vector<uint8_t> EncodeBitmapFile(TBitmap* Bitmap, int BitDepth, const TBitmapPalette* Palette);
