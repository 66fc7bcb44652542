// Writes the fuzzer's seed GIFs into a folder: one of each kind of block
// and image the tests build.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "images/tests/support/GifBuilder.h"

using namespace giftest;

namespace {

void Write(const std::string& folder, const std::string& name, const std::string& bytes) {
  std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
}

std::vector<uint8_t> Ramp(int width, int height, int colors) {
  std::vector<uint8_t> pixels;
  for (int i = 0; i < width * height; ++i) pixels.push_back(static_cast<uint8_t>((i * 7 + i / width) % colors));
  return pixels;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gif_make_seeds folder\n");
    return 1;
  }
  const std::string folder = argv[1];
  const ColorTable four = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
  ColorTable grays;
  for (int i = 0; i < 256; ++i) grays.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)});

  Write(folder, "seed-plain.gif", GifBuilder().Header(8, 6, four, 1).Image(1, 1, 6, 4, Ramp(6, 4, 4)).Trailer().Bytes());
  ImageOptions interlaced;
  interlaced.interlaced = true;
  interlaced.local = &four;
  Write(folder, "seed-interlaced.gif",
        GifBuilder().Header(7, 11, grays).Image(0, 0, 7, 11, Ramp(7, 11, 4), interlaced).Trailer().Bytes());
  ImageOptions full;
  full.lzw.clearFirst = false;
  full.lzw.clearWhenFull = false;
  Write(folder, "seed-fulltable.gif",
        GifBuilder().Header(64, 40, grays).Image(0, 0, 64, 40, Ramp(64, 40, 251), full).Trailer().Bytes());
  Write(folder, "seed-animation.gif",
        GifBuilder()
            .Header(6, 6, four, 2)
            .Application("NETSCAPE2.0", {1, 0, 0})
            .Comment("frames")
            .GraphicControl(2, 5, 1)
            .Image(0, 0, 4, 4, Ramp(4, 4, 4))
            .GraphicControl(3, 0, -1, true)
            .Image(2, 2, 4, 4, Ramp(4, 4, 3))
            .GraphicControl(1, 0, 0)
            .Image(1, 1, 3, 3, Ramp(3, 3, 2))
            .Trailer()
            .Bytes());
  Write(folder, "seed-text.gif",
        GifBuilder().Header(40, 20, four, 3).GraphicControl(0, 0, 1).PlainText(2, 2, 36, 16, 8, 8, 0, 1, "Hi there").Trailer().Bytes());
  Write(folder, "seed-nocolors.gif", GifBuilder().Header(5, 5, {}).Image(0, 0, 5, 5, Ramp(5, 5, 200)).Trailer().Bytes());
  return 0;
}
