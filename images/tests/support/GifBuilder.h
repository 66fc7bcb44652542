// Builds GIF streams byte by byte for tests and benchmarks: the header,
// colour tables, an LZW encoder and every kind of block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace giftest {

struct Rgb {
  uint8_t r, g, b;
};
using ColorTable = std::vector<Rgb>;

struct LzwOptions {
  int minimumCodeSize = 8;
  bool clearFirst = true;     // a clear code before the first pixel
  bool clearWhenFull = true;  // false keeps coding with a full table
  bool endCode = true;        // the end-of-information code
};

// The LZW codes of the pixels, packed least significant bit first.
std::vector<uint8_t> LzwEncode(const std::vector<uint8_t>& pixels, const LzwOptions& options);
// The data cut into sub-blocks of at most `blockSize` bytes, and the terminator.
std::string SubBlocks(const std::vector<uint8_t>& data, int blockSize = 255);
// The rows in the order an interlaced image stores them.
std::vector<uint8_t> InterlaceRows(const std::vector<uint8_t>& pixels, int width, int height);
// The smallest code size that holds the table's indices (2 at least).
int CodeSizeFor(int colors);

struct ImageOptions {
  const ColorTable* local = nullptr;
  bool interlaced = false;
  LzwOptions lzw;
  bool lzwSizeFromTable = true;  // derive lzw.minimumCodeSize from the table
  int blockSize = 255;
};

class GifBuilder {
 public:
  // A header without a global table when `global` is empty.
  GifBuilder& Header(int width, int height, const ColorTable& global, int background = 0, const char* version = "89a",
                     int colorResolution = 8);
  // Delay in hundredths of a second; transparentIndex -1 for none.
  GifBuilder& GraphicControl(int disposal, int delay, int transparentIndex = -1, bool userInput = false);
  // `pixels` row by row, top to bottom.
  GifBuilder& Image(int left, int top, int width, int height, const std::vector<uint8_t>& pixels,
                    const ImageOptions& options = {});
  GifBuilder& PlainText(int left, int top, int width, int height, int cellWidth, int cellHeight, int foreground,
                        int background, const std::string& text);
  GifBuilder& Comment(const std::string& text);
  GifBuilder& Application(const std::string& identifier, const std::vector<uint8_t>& data);
  GifBuilder& Raw(const std::string& bytes);
  GifBuilder& Trailer();

  const std::string& Bytes() const { return bytes_; }

 private:
  void Word(int value);
  void Table(const ColorTable& table);
  static int TableBits(const ColorTable& table);

  std::string bytes_;
  int globalColors_ = 0;
};

}  // namespace giftest
