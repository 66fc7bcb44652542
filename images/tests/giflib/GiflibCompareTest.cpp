// On ordinary GIFs of several kinds, ktvGIF's pixels equal giflib's.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "images/Gif.h"
#include "images/bench/GiflibReference.h"
#include "images/tests/support/GifBuilder.h"
#include "images/tests/support/GifTestSupport.h"

using namespace giftest;

namespace {

ColorTable RandomTable(int count, unsigned seed) {
  std::mt19937 random(seed);
  ColorTable table(count);
  for (auto& c : table) c = {static_cast<uint8_t>(random()), static_cast<uint8_t>(random()), static_cast<uint8_t>(random())};
  return table;
}

std::vector<uint8_t> Picture(int width, int height, int colors, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int smooth = (x / 4 + y / 3) % colors;
      pixels[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(random() % 4 == 0 ? random() % colors : smooth);
    }
  return pixels;
}

std::vector<std::pair<std::string, std::string>> OrdinaryGifs() {
  std::vector<std::pair<std::string, std::string>> gifs;
  const ColorTable t256 = RandomTable(256, 1);
  const ColorTable t16 = RandomTable(16, 2);
  const ColorTable t2 = RandomTable(2, 3);
  gifs.emplace_back("photo", GifBuilder().Header(200, 150, t256, 5).Image(0, 0, 200, 150, Picture(200, 150, 256, 4)).Trailer().Bytes());

  ImageOptions local;
  local.local = &t16;
  gifs.emplace_back("local table", GifBuilder().Header(90, 70, t256, 1, "87a").Image(5, 6, 80, 60, Picture(80, 60, 16, 5), local).Trailer().Bytes());

  ImageOptions interlaced;
  interlaced.interlaced = true;
  gifs.emplace_back("interlaced", GifBuilder().Header(97, 61, t256).Image(0, 0, 97, 61, Picture(97, 61, 200, 6), interlaced).Trailer().Bytes());

  GifBuilder interlacedOver;
  interlacedOver.Header(41, 37, t256, 2).Image(0, 0, 41, 37, Picture(41, 37, 256, 13));
  interlacedOver.GraphicControl(1, 0, 5).Image(3, 2, 30, 33, Picture(30, 33, 16, 14), interlaced);
  gifs.emplace_back("interlaced with transparency", interlacedOver.Trailer().Bytes());

  gifs.emplace_back("no colour table", GifBuilder().Header(23, 19, {}).Image(2, 3, 20, 14, Picture(20, 14, 16, 15)).Trailer().Bytes());

  gifs.emplace_back("two colours", GifBuilder().Header(33, 17, t2).Image(0, 0, 33, 17, Picture(33, 17, 2, 7)).Trailer().Bytes());

  ImageOptions noClear;
  noClear.lzw.clearFirst = false;
  noClear.lzw.clearWhenFull = false;
  noClear.blockSize = 100;
  gifs.emplace_back("full table", GifBuilder().Header(160, 120, t256).Image(0, 0, 160, 120, Picture(160, 120, 256, 8), noClear).Trailer().Bytes());

  GifBuilder animation;
  animation.Header(64, 48, t256, 9).Comment("made by the tests").Application("NETSCAPE2.0", {1, 0, 0});
  animation.GraphicControl(1, 5, 3).Image(0, 0, 64, 48, Picture(64, 48, 256, 9));
  animation.GraphicControl(2, 5, 7).Image(10, 8, 30, 20, Picture(30, 20, 12, 10), local);
  animation.GraphicControl(3, 5).Image(20, 20, 40, 25, Picture(40, 25, 256, 11));
  animation.GraphicControl(0, 5, 1).Image(50, 40, 30, 30, Picture(30, 30, 256, 12));
  gifs.emplace_back("animation", animation.Trailer().Bytes());
  return gifs;
}

TEST(GiflibCompareTest, OrdinaryGifsDecodeToGiflibsPixels) {
  for (const auto& [name, bytes] : OrdinaryGifs()) {
    SCOPED_TRACE(name);
    gifbench::Picture reference;
    std::string error;
    ASSERT_TRUE(gifbench::GiflibDecode(bytes, reference, error)) << error;
    ktvGIF gif(nullptr);
    gif.UseDelay = false;
    TBitmap bitmap;
    Decode(gif, bytes, bitmap);
    ASSERT_EQ(bitmap.Width(), reference.width);
    ASSERT_EQ(bitmap.Height(), reference.height);
    int differences = 0;
    for (int y = 0; y < reference.height; ++y) {
      const auto* row = static_cast<const uint8_t*>(bitmap.ScanLine(y));
      differences += std::memcmp(row, &reference.bgr[3 * static_cast<size_t>(y) * reference.width], 3 * reference.width) != 0;
    }
    EXPECT_EQ(differences, 0) << "rows differ";
  }
}

}  // namespace
