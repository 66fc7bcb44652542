// A GIF's final picture as giflib decodes it (DGifSlurp, each frame
// expanded to 24 bits through its colour map), for comparison with
// ktvGIF and for the benchmark. Frames are composed as a fresh ktvGIF
// composes them on a fresh bitmap: the screen filled with the background
// colour (black without a global colour table), a frame without any colour
// table in the colours of the system palette, an index beyond its table
// black, transparent pixels left out, disposal 2 and 3 applied after each
// frame; interlaced frames are taken whole, as ktvGIF ends them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gifbench {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bgr;  // blue, green, red per pixel; the top row first
};

// False, with giflib's error text, when giflib refuses the GIF.
bool GiflibDecode(const std::string& bytes, Picture& picture, std::string& error);

}  // namespace gifbench
