// Builds bitmap files byte by byte for tests, the fuzzer's seeds and the
// benchmark, and takes written ones apart: either header kind, every depth,
// any used-colour count, and header fields that lie.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/Graphics.h"

namespace bmptest {

struct BmpLayout {
  int width = 0;
  int height = 0;
  int bitCount = 8;
  bool core = false;     // the 12-byte core header instead of the 40-byte info header
  bool topDown = false;  // a negative height (info header only)
  std::vector<TColor> table;  // written as it is; the used-colour count is its size (0 when full)
  // Top row first: colour indices up to 8 bits, else 0x00BBGGRR colours.
  std::vector<uint32_t> pixels;
};

// The whole file.
std::string BuildBmp(const BmpLayout& layout);

// A file taken apart: the headers' fields, the colour table and the rows
// as they lie (bottom-up files only).
struct ParsedBmp {
  uint32_t fileSize = 0;
  uint32_t offset = 0;
  uint32_t infoSize = 0;
  int width = 0;
  int height = 0;
  int planes = 0;
  int bitCount = 0;
  uint32_t imageSize = 0;
  uint32_t colorsUsed = 0;
  std::vector<TColor> table;
  // Top row first: indices up to 8 bits, else colours.
  std::vector<uint32_t> pixels;
  // Whether every row's padding bits are 0.
  bool paddingZero = true;
};

// False when the bytes are not a bottom-up file with a 40-byte info header
// that BuildBmp could have written.
bool ParseBmp(const std::string& bytes, ParsedBmp& parsed);

// Little-endian fields written into a file's bytes at an offset.
void Patch16(std::string& bytes, size_t at, uint32_t value);
void Patch32(std::string& bytes, size_t at, uint32_t value);

// Offsets of fields in a file with a 40-byte info header.
constexpr size_t kFileSizeAt = 2;
constexpr size_t kOffsetAt = 10;
constexpr size_t kInfoSizeAt = 14;
constexpr size_t kWidthAt = 18;
constexpr size_t kHeightAt = 22;
constexpr size_t kBitCountAt = 28;
constexpr size_t kColorsUsedAt = 46;

}  // namespace bmptest
