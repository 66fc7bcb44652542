#include "images/tests/support/BmpBuilder.h"

#include <algorithm>

namespace bmptest {

namespace {

void Put16(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8 & 0xFF));
}

void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

uint32_t Get16(const std::string& bytes, size_t at) {
  return static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8;
}

uint32_t Get32(const std::string& bytes, size_t at) { return Get16(bytes, at) | Get16(bytes, at + 2) << 16; }

size_t RowBytes(int width, int bitCount) { return (static_cast<size_t>(width) * bitCount + 31) / 32 * 4; }

std::string PackRow(const uint32_t* pixels, int width, int bitCount) {
  std::string row(RowBytes(width, bitCount), '\0');
  for (int x = 0; x < width; ++x) {
    const uint32_t p = pixels[x];
    switch (bitCount) {
      case 1:
        row[x / 8] = static_cast<char>(row[x / 8] | (p & 1) << (7 - x % 8));
        break;
      case 4:
        row[x / 2] = static_cast<char>(row[x / 2] | (p & 0xF) << (x % 2 ? 0 : 4));
        break;
      case 8:
        row[x] = static_cast<char>(p);
        break;
      default:
        row[x * (bitCount / 8)] = static_cast<char>(p >> 16 & 0xFF);  // blue
        row[x * (bitCount / 8) + 1] = static_cast<char>(p >> 8 & 0xFF);
        row[x * (bitCount / 8) + 2] = static_cast<char>(p & 0xFF);  // red
    }
  }
  return row;
}

uint32_t PixelOf(const std::string& row, int x, int bitCount) {
  const auto byte = [&](size_t i) { return static_cast<uint32_t>(static_cast<uint8_t>(row[i])); };
  switch (bitCount) {
    case 1:
      return byte(x / 8) >> (7 - x % 8) & 1;
    case 4:
      return byte(x / 2) >> (x % 2 ? 0 : 4) & 0xF;
    case 8:
      return byte(x);
    default: {
      const size_t at = static_cast<size_t>(x) * (bitCount / 8);
      return byte(at + 2) | byte(at + 1) << 8 | byte(at) << 16;
    }
  }
}

// Whether the bits of the row beyond its pixels are all 0.
bool PaddingIsZero(const std::string& row, int width, int bitCount) {
  const size_t used = static_cast<size_t>(width) * bitCount;
  for (size_t bit = used; bit < row.size() * 8; ++bit)
    if (static_cast<uint8_t>(row[bit / 8]) >> (7 - bit % 8) & 1) return false;
  return true;
}

}  // namespace

std::string BuildBmp(const BmpLayout& layout) {
  const size_t full = size_t{1} << std::min(layout.bitCount, 16);
  const size_t entry = layout.core ? 3 : 4;
  const uint32_t infoSize = layout.core ? 12 : 40;
  const uint32_t offset = 14 + infoSize + static_cast<uint32_t>(layout.table.size() * entry);
  const size_t rowBytes = RowBytes(layout.width, layout.bitCount);
  const uint32_t imageSize = static_cast<uint32_t>(rowBytes * layout.height);

  std::string out = "BM";
  Put32(out, offset + imageSize);
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, infoSize);
  if (layout.core) {
    Put16(out, static_cast<uint32_t>(layout.width));
    Put16(out, static_cast<uint32_t>(layout.height));
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(layout.bitCount));
  } else {
    Put32(out, static_cast<uint32_t>(layout.width));
    Put32(out, static_cast<uint32_t>(layout.topDown ? -layout.height : layout.height));
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(layout.bitCount));
    Put32(out, 0);  // no compression
    Put32(out, imageSize);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, layout.table.size() < full ? static_cast<uint32_t>(layout.table.size()) : 0);
    Put32(out, 0);
  }
  for (TColor color : layout.table) {
    out.push_back(static_cast<char>(color >> 16 & 0xFF));
    out.push_back(static_cast<char>(color >> 8 & 0xFF));
    out.push_back(static_cast<char>(color & 0xFF));
    if (!layout.core) out.push_back('\0');
  }
  for (int i = 0; i < layout.height; ++i) {
    const int y = layout.topDown ? i : layout.height - 1 - i;
    out += PackRow(layout.pixels.data() + static_cast<size_t>(y) * layout.width, layout.width, layout.bitCount);
  }
  return out;
}

bool ParseBmp(const std::string& bytes, ParsedBmp& parsed) {
  if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return false;
  ParsedBmp p;
  p.fileSize = Get32(bytes, kFileSizeAt);
  p.offset = Get32(bytes, kOffsetAt);
  p.infoSize = Get32(bytes, kInfoSizeAt);
  p.width = static_cast<int32_t>(Get32(bytes, kWidthAt));
  p.height = static_cast<int32_t>(Get32(bytes, kHeightAt));
  p.planes = static_cast<int>(Get16(bytes, 26));
  p.bitCount = static_cast<int>(Get16(bytes, kBitCountAt));
  p.imageSize = Get32(bytes, 34);
  p.colorsUsed = Get32(bytes, kColorsUsedAt);
  if (p.infoSize != 40 || p.width <= 0 || p.height <= 0 || p.offset < 54 || (p.offset - 54) % 4) return false;
  for (size_t at = 54; at < p.offset; at += 4)
    p.table.push_back(static_cast<uint8_t>(bytes[at + 2]) | static_cast<uint8_t>(bytes[at + 1]) << 8 |
                      static_cast<uint8_t>(bytes[at]) << 16);
  const size_t rowBytes = RowBytes(p.width, p.bitCount);
  if (bytes.size() < p.offset + rowBytes * p.height) return false;
  p.pixels.resize(static_cast<size_t>(p.width) * p.height);
  for (int i = 0; i < p.height; ++i) {
    const std::string row = bytes.substr(p.offset + i * rowBytes, rowBytes);
    const int y = p.height - 1 - i;
    p.paddingZero = p.paddingZero && PaddingIsZero(row, p.width, p.bitCount);
    for (int x = 0; x < p.width; ++x) p.pixels[static_cast<size_t>(y) * p.width + x] = PixelOf(row, x, p.bitCount);
  }
  parsed = std::move(p);
  return true;
}

void Patch16(std::string& bytes, size_t at, uint32_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8 & 0xFF);
}

void Patch32(std::string& bytes, size_t at, uint32_t value) {
  Patch16(bytes, at, value & 0xFFFF);
  Patch16(bytes, at + 2, value >> 16);
}

}  // namespace bmptest
