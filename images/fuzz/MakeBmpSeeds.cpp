// Writes the bitmap fuzzer's seeds into a folder: every depth with both
// header kinds, partial colour tables, a top-down file, bit-field masks and
// a later, longer header.
#include <cstdio>
#include <fstream>
#include <string>

#include "images/tests/support/BmpBuilder.h"

using namespace bmptest;

namespace {

void Write(const std::string& folder, const std::string& name, const std::string& bytes) {
  std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
}

BmpLayout Layout(int bitCount, int entries, bool core = false) {
  BmpLayout layout;
  layout.width = 7;
  layout.height = 5;
  layout.bitCount = bitCount;
  layout.core = core;
  for (int i = 0; i < entries; ++i) layout.table.push_back(static_cast<TColor>(i * 0x010305));
  for (int i = 0; i < layout.width * layout.height; ++i)
    layout.pixels.push_back(entries ? static_cast<uint32_t>(i % entries) : static_cast<uint32_t>(i * 0x0B0703));
  return layout;
}

// The bytes after a 40-byte info header grow by `extra`, and the pixel offset with them.
std::string Inserted(std::string bytes, const std::string& extra) {
  bytes.insert(54, extra);
  Patch32(bytes, kOffsetAt, static_cast<uint32_t>(54 + extra.size()));
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bmp_make_seeds folder\n");
    return 1;
  }
  const std::string folder = argv[1];
  Write(folder, "seed-1bit.bmp", BuildBmp(Layout(1, 2)));
  Write(folder, "seed-1bit-core.bmp", BuildBmp(Layout(1, 2, true)));
  Write(folder, "seed-4bit-5colors.bmp", BuildBmp(Layout(4, 5)));
  Write(folder, "seed-4bit-core.bmp", BuildBmp(Layout(4, 16, true)));
  Write(folder, "seed-8bit-16colors.bmp", BuildBmp(Layout(8, 16)));
  Write(folder, "seed-8bit-core.bmp", BuildBmp(Layout(8, 256, true)));
  BmpLayout topDown = Layout(8, 3);
  topDown.topDown = true;
  Write(folder, "seed-8bit-topdown.bmp", BuildBmp(topDown));
  Write(folder, "seed-24bit.bmp", BuildBmp(Layout(24, 0)));
  Write(folder, "seed-24bit-core.bmp", BuildBmp(Layout(24, 0, true)));
  Write(folder, "seed-32bit.bmp", BuildBmp(Layout(32, 0)));

  std::string bitFields = Inserted(BuildBmp(Layout(32, 0)), std::string("\0\0\xFF\0\0\xFF\0\0\xFF\0\0\0", 12));
  Patch32(bitFields, 30, 3);  // BI_BITFIELDS
  Write(folder, "seed-32bit-bitfields.bmp", bitFields);

  std::string later = Inserted(BuildBmp(Layout(24, 0)), std::string(68, '\0'));
  Patch32(later, kInfoSizeAt, 108);
  Write(folder, "seed-24bit-v4header.bmp", later);
  return 0;
}
