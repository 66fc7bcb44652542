#include "images/Bitmap.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "framework/Streams.h"
#include "platform/Bitmaps.h"

using win::BYTE;

using namespace bitmapfile;

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr int kCoreHeaderSize = 12;

bool ValidDepth(int bitCount) {
  return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24 || bitCount == 32;
}


// Puts the stream back where it was when the reader is done with it.
class PositionKeeper {
 public:
  explicit PositionKeeper(TStream* stream) : stream_(stream), position_(stream->Position()) {}
  ~PositionKeeper() { stream_->SetPosition(position_); }
  PositionKeeper(const PositionKeeper&) = delete;
  PositionKeeper& operator=(const PositionKeeper&) = delete;

 private:
  TStream* stream_;
  int64_t position_;
};

bool ReadAll(TStream* stream, void* buffer, int count) { return stream->Read(buffer, count) == count; }

// The row bytes of a depth: whole bytes, padded to a multiple of four.
int64_t RowBytes(int width, int bitCount) { return ((int64_t{width} * bitCount + 7) / 8 + 3) & ~int64_t{3}; }

// ---- Reading the picture's pixels --------------------------------------------------

// The picture's rows as 24-bit colour, bottom-up, a band of rows at a time.
class RgbRows {
 public:
  explicit RgbRows(TBitmap* bitmap)
      : bitmap_(bitmap),
        width_(bitmap->Width()),
        height_(bitmap->Height()),
        stride_(RowBytes(width_, 24)),
        bandRows_(std::max(1, static_cast<int>((1 << 20) / width_))) {}

  int Width() const { return width_; }
  int Height() const { return height_; }

  // Calls visit(row, bgr) for each row from the bottom up until it answers false.
  template <class Visit>
  bool ForEachRow(Visit&& visit) {
    band_.resize(static_cast<size_t>(stride_) * std::min(bandRows_, height_));
    for (int first = 0; first < height_; first += bandRows_) {
      const int count = std::min(bandRows_, height_ - first);
      if (!Read(first, count, band_.data())) return false;
      for (int r = 0; r < count; ++r)
        if (!visit(first + r, band_.data() + r * stride_)) return true;
    }
    return true;
  }

  // `count` rows from row `first` (counted from the bottom) into `bits`.
  bool Read(int first, int count, BYTE* bits) {
    win::BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    return win::GetDIBits(bitmap_->Canvas()->Handle(), bitmap_->Handle(), static_cast<win::UINT>(first),
                          static_cast<win::UINT>(count), bits, &info, win::DIB_RGB_COLORS) == count;
  }

 private:
  TBitmap* bitmap_;
  int width_;
  int height_;
  int64_t stride_;
  int bandRows_;
  std::vector<BYTE> band_;  // made on first use
};

TColor ColorAt(const BYTE* bgr) { return win::RGB(bgr[2], bgr[1], bgr[0]); }

// The distinct colours of the picture in the order met, up to `limit`.
bool CollectColors(RgbRows& rows, size_t limit, std::vector<TColor>& colors) {
  std::vector<bool> seen(size_t{1} << 24);
  return rows.ForEachRow([&](int, const BYTE* row) {
    for (int x = 0; x < rows.Width() && colors.size() < limit; ++x) {
      const TColor color = ColorAt(row + 3 * x);
      if (seen[color]) continue;
      seen[color] = true;
      colors.push_back(color);
    }
    return colors.size() < limit;
  });
}

// ---- Writing the file --------------------------------------------------------------

// The file header, the 40-byte info header and the colour table.
std::vector<BYTE> FileHeaders(int width, int height, int bitCount, const std::vector<TColor>& table) {
  const size_t entries = table.size();
  const uint32_t offset = kFileHeaderSize + kInfoHeaderSize + 4 * static_cast<uint32_t>(entries);
  const uint32_t imageSize = static_cast<uint32_t>(RowBytes(width, bitCount) * height);
  std::vector<BYTE> headers(offset);
  BYTE* file = headers.data();
  file[0] = 'B';
  file[1] = 'M';
  Put32(file + 2, offset + imageSize);
  Put32(file + 10, offset);
  BYTE* info = file + kFileHeaderSize;
  Put32(info, kInfoHeaderSize);
  Put32(info + 4, static_cast<uint32_t>(width));
  Put32(info + 8, static_cast<uint32_t>(height));
  Put16(info + 12, 1);
  Put16(info + 14, static_cast<uint32_t>(bitCount));
  Put32(info + 20, imageSize);
  // A full table is counted as 0.
  Put32(info + 32, entries < (size_t{1} << bitCount) ? static_cast<uint32_t>(entries) : 0);
  BYTE* quads = info + kInfoHeaderSize;
  for (size_t i = 0; i < entries; ++i) {
    quads[4 * i] = win::GetBValue(table[i]);
    quads[4 * i + 1] = win::GetGValue(table[i]);
    quads[4 * i + 2] = win::GetRValue(table[i]);
  }
  return headers;
}

// One row of colour indices, packed most significant bits first. A run of
// one colour is looked up once.
void PackIndices(const BYTE* bgr, int width, int bitCount, TNearestColor& nearest, BYTE* out) {
  TColor last = ColorAt(bgr);
  int index = nearest.IndexOf(last);
  for (int x = 0; x < width; ++x) {
    const TColor color = ColorAt(bgr + 3 * x);
    if (color != last) {
      last = color;
      index = nearest.IndexOf(color);
    }
    switch (bitCount) {
      case 8:
        out[x] = static_cast<BYTE>(index);
        break;
      case 4:
        out[x >> 1] |= static_cast<BYTE>(index << ((x & 1) ? 0 : 4));
        break;
      default:
        if (index != 0) out[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
    }
  }
}

void ExpandTo32(const BYTE* bgr, int width, BYTE* out) {
  for (int x = 0; x < width; ++x) std::memcpy(out + 4 * x, bgr + 3 * x, 3);
}

// The table of a depth of 8 or less: the palette's entries, or the picture's colours.
bool ColorTable(RgbRows& rows, int bitCount, const TBitmapPalette* palette, std::vector<TColor>& table) {
  const size_t limit = size_t{1} << bitCount;
  if (palette && palette->palNumEntries > 0) {
    table = palette->Colors();
    if (table.size() > limit) table.resize(limit);
    return true;
  }
  return CollectColors(rows, limit, table);
}

}  // namespace

// ---- TBitmapPalette ----------------------------------------------------------------

std::unique_ptr<TBitmapPalette> TBitmapPalette::FromColors(const std::vector<TColor>& Colors) {
  auto palette = std::make_unique<TBitmapPalette>();
  palette->palNumEntries = static_cast<win::WORD>(std::min<size_t>(Colors.size(), palette->palPalEntry.size()));
  for (int i = 0; i < palette->palNumEntries; ++i)
    palette->palPalEntry[i] = {win::GetRValue(Colors[i]), win::GetGValue(Colors[i]), win::GetBValue(Colors[i]), 0};
  return palette;
}

std::vector<TColor> TBitmapPalette::Colors() const {
  std::vector<TColor> colors;
  for (int i = 0; i < std::min<int>(palNumEntries, static_cast<int>(palPalEntry.size())); ++i)
    colors.push_back(win::detail::EntryColor(palPalEntry[i]));
  return colors;
}

// ---- Reading the colours -----------------------------------------------------------

bool IsBitmapFile(TStream* Stream) {
  PositionKeeper keep(Stream);
  BYTE signature[2];
  return ReadAll(Stream, signature, 2) && signature[0] == 'B' && signature[1] == 'M';
}

bool ReadBitmapColors(TStream* Stream, TBitmapColors& Colors) {
  PositionKeeper keep(Stream);
  const int64_t length = Stream->Size() - Stream->Position();
  BYTE file[kFileHeaderSize];
  BYTE info[kInfoHeaderSize];
  if (!ReadAll(Stream, file, kFileHeaderSize) || file[0] != 'B' || file[1] != 'M') return false;
  if (!ReadAll(Stream, info, 4)) return false;
  const uint32_t infoSize = Le32(info);
  if (infoSize < kCoreHeaderSize || infoSize > length - kFileHeaderSize) return false;

  TBitmapColors read;
  uint32_t entries = 0;
  int entrySize = 0;
  if (infoSize == kInfoHeaderSize || infoSize == kCoreHeaderSize) {
    if (!ReadAll(Stream, info + 4, static_cast<int>(infoSize) - 4)) return false;
    const bool core = infoSize == kCoreHeaderSize;
    read.BitDepth = static_cast<int>(Le16(info + (core ? 10 : 14)));
    if (!ValidDepth(read.BitDepth)) return false;
    if (read.BitDepth <= 8) {
      const uint32_t full = 1u << read.BitDepth;
      entries = core ? full : Le32(info + 32);
      if (entries == 0) entries = full;
      if (entries > full) return false;
      entrySize = core ? 3 : 4;
    }
  }

  const int64_t tableEnd = kFileHeaderSize + int64_t{infoSize} + int64_t{entries} * entrySize;
  const int64_t offset = Le32(file + 10);
  if (tableEnd > length || offset < tableEnd || offset > length) return false;
  if (entries > 0) {
    std::vector<BYTE> table(entries * static_cast<size_t>(entrySize));
    if (!ReadAll(Stream, table.data(), static_cast<int>(table.size()))) return false;
    std::vector<TColor> colors;
    for (size_t i = 0; i < table.size(); i += static_cast<size_t>(entrySize))
      colors.push_back(win::RGB(table[i + 2], table[i + 1], table[i]));
    read.Palette = TBitmapPalette::FromColors(colors);
  }
  Colors = std::move(read);
  return true;
}

// ---- TNearestColor -----------------------------------------------------------------

namespace {

// Boxes are 16 levels wide in each of red, green and blue: a colour's box is
// given by the high nibbles of its levels.
constexpr int kBoxSide = 16;
constexpr int kBoxCount = kBoxSide * kBoxSide * kBoxSide;

// The answers for the last colours seen, by a hash of the colour.
constexpr int kCacheBits = 16;
constexpr size_t kCacheSize = size_t{1} << kCacheBits;
constexpr TColor kNoColor = 0xFFFFFFFF;

int BoxIndex(TColor color) { return (color >> 4 & 0xF) | (color >> 8 & 0xF0) | (color >> 12 & 0xF00); }

// The least and the greatest squared distance of a level from the levels
// [low, low + kBoxSide - 1].
int NearestSquare(int level, int low) {
  const int high = low + kBoxSide - 1;
  const int d = level < low ? low - level : level > high ? level - high : 0;
  return d * d;
}
int FarthestSquare(int level, int low) {
  const int d = std::max(level - low, low + kBoxSide - 1 - level);
  return d * d;
}

}  // namespace

// A table entry with its levels at hand.
struct TNearestColor::Candidate {
  int red;
  int green;
  int blue;
  int index;
};

TNearestColor::TNearestColor(std::vector<TColor> Table)
    : table_(std::move(Table)), boxes_(kBoxCount), cachedColors_(kCacheSize, kNoColor), cachedIndices_(kCacheSize) {}

TNearestColor::~TNearestColor() = default;

int TNearestColor::IndexOf(TColor Color) {
  Color &= 0xFFFFFF;
  const uint32_t slot = (Color * 0x9E3779B1u) >> (32 - kCacheBits);
  if (cachedColors_[slot] == Color) return cachedIndices_[slot];
  const int index = Search(Color);
  cachedColors_[slot] = Color;
  cachedIndices_[slot] = static_cast<uint8_t>(index);
  return index;
}

int TNearestColor::Search(TColor Color) {
  std::vector<Candidate>& candidates = boxes_[BoxIndex(Color)];
  if (candidates.empty()) candidates = CandidatesOfBox(Color);
  const int red = win::GetRValue(Color), green = win::GetGValue(Color), blue = win::GetBValue(Color);
  int best = 0;
  int bestDistance = std::numeric_limits<int>::max();
  for (const Candidate& c : candidates) {
    const int distance =
        (c.red - red) * (c.red - red) + (c.green - green) * (c.green - green) + (c.blue - blue) * (c.blue - blue);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = c.index;
    }
  }
  return best;
}

// An entry that is nearest to some colour of the box is no farther from it
// than the entry whose farthest colour of the box is nearest, so only the
// entries that come that close to the box at all are candidates (at least
// that entry itself).
std::vector<TNearestColor::Candidate> TNearestColor::CandidatesOfBox(TColor Color) const {
  const int lowR = win::GetRValue(Color) & ~(kBoxSide - 1);
  const int lowG = win::GetGValue(Color) & ~(kBoxSide - 1);
  const int lowB = win::GetBValue(Color) & ~(kBoxSide - 1);
  std::vector<int> nearest(table_.size());
  int bound = std::numeric_limits<int>::max();
  for (size_t i = 0; i < table_.size(); ++i) {
    const int red = win::GetRValue(table_[i]), green = win::GetGValue(table_[i]), blue = win::GetBValue(table_[i]);
    nearest[i] = NearestSquare(red, lowR) + NearestSquare(green, lowG) + NearestSquare(blue, lowB);
    bound = std::min(bound, FarthestSquare(red, lowR) + FarthestSquare(green, lowG) + FarthestSquare(blue, lowB));
  }
  std::vector<Candidate> candidates;
  for (size_t i = 0; i < table_.size(); ++i)
    if (nearest[i] <= bound)
      candidates.push_back({win::GetRValue(table_[i]), win::GetGValue(table_[i]), win::GetBValue(table_[i]),
                            static_cast<int>(i)});
  return candidates;
}

// ---- Writing -----------------------------------------------------------------------

std::vector<uint8_t> EncodeBitmapFile(TBitmap* Bitmap, int BitDepth, const TBitmapPalette* Palette) {
  if (!ValidDepth(BitDepth) || Bitmap->Empty()) return {};
  RgbRows rows(Bitmap);
  std::vector<TColor> table;
  if (BitDepth <= 8 && !ColorTable(rows, BitDepth, Palette, table)) return {};

  const int64_t rowBytes = RowBytes(rows.Width(), BitDepth);
  // The file's sizes are 32-bit fields.
  const int64_t headersSize = kFileHeaderSize + kInfoHeaderSize + 4 * static_cast<int64_t>(table.size());
  if (headersSize + rowBytes * rows.Height() > int64_t{UINT32_MAX}) return {};
  std::vector<BYTE> file = FileHeaders(rows.Width(), rows.Height(), BitDepth, table);
  const size_t offset = file.size();
  file.resize(offset + static_cast<size_t>(rowBytes * rows.Height()));
  BYTE* pixels = file.data() + offset;
  if (BitDepth == 24) {
    // The rows as read are the rows of the file.
    if (!rows.Read(0, rows.Height(), pixels)) return {};
    return file;
  }
  std::unique_ptr<TNearestColor> nearest;
  if (BitDepth <= 8) nearest = std::make_unique<TNearestColor>(table);
  const bool read = rows.ForEachRow([&](int y, const BYTE* bgr) {
    BYTE* out = pixels + y * rowBytes;
    if (nearest)
      PackIndices(bgr, rows.Width(), BitDepth, *nearest, out);
    else
      ExpandTo32(bgr, rows.Width(), out);
    return true;
  });
  if (!read) return {};
  return file;
}
