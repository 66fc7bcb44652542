// Decodes the same GIFs with ktvGIF and with giflib (DGifSlurp, expanded to
// 24-bit pixels through the colour maps) and prints how long each takes and
// the ratio. Without file arguments it decodes a set of GIFs it builds.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "framework/Bitmaps.h"
#include "framework/Exceptions.h"
#include "framework/Streams.h"
#include "images/Gif.h"
#include "images/bench/GiflibReference.h"
#include "images/tests/support/GifBuilder.h"

using namespace giftest;

namespace {

using Clock = std::chrono::steady_clock;

struct Sample {
  std::string name;
  std::string bytes;
};

ColorTable Palette256() {
  ColorTable table;
  for (int i = 0; i < 256; ++i)
    table.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(i * 7), static_cast<uint8_t>(255 - i)});
  return table;
}

// Smooth areas with some noise, as photographs reduced to 256 colours are.
std::vector<uint8_t> Photo(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      pixels[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>((x / 3 + y / 5 + random() % 6) & 0xFF);
  return pixels;
}

// Flat areas and long runs, as drawings and screen shots are.
std::vector<uint8_t> Drawing(int width, int height) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      pixels[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(((x / 64) ^ (y / 48)) % 16);
  return pixels;
}

std::vector<Sample> BuiltSamples() {
  const ColorTable table = Palette256();
  std::vector<Sample> samples;
  samples.push_back({"photo 1024x768", GifBuilder().Header(1024, 768, table).Image(0, 0, 1024, 768, Photo(1024, 768, 1)).Trailer().Bytes()});
  samples.push_back({"drawing 1280x1024", GifBuilder().Header(1280, 1024, table).Image(0, 0, 1280, 1024, Drawing(1280, 1024)).Trailer().Bytes()});
  ImageOptions interlaced;
  interlaced.interlaced = true;
  samples.push_back({"interlaced photo 800x600", GifBuilder().Header(800, 600, table).Image(0, 0, 800, 600, Photo(800, 600, 2), interlaced).Trailer().Bytes()});
  GifBuilder animation;
  animation.Header(320, 240, table);
  for (int i = 0; i < 20; ++i) animation.GraphicControl(1, 10, 0).Image(i * 8, i * 6, 160, 120, Photo(160, 120, 10 + i));
  samples.push_back({"animation 20x160x120", animation.Trailer().Bytes()});
  return samples;
}

std::vector<Sample> FileSamples(int argc, char** argv) {
  std::vector<Sample> samples;
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "gif_bench: cannot read %s\n", argv[i]);
      continue;
    }
    samples.push_back({argv[i], {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}});
  }
  return samples;
}

// The best of several runs of `decode`, in seconds.
template <class F>
double BestTime(F&& decode) {
  double best = 1e9;
  const auto until = Clock::now() + std::chrono::milliseconds(1000);
  for (int run = 0; run < 5 || (run < 200 && Clock::now() < until); ++run) {
    const auto start = Clock::now();
    decode();
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
  }
  return best;
}

bool SamePicture(TBitmap& bitmap, const gifbench::Picture& picture) {
  if (bitmap.Width() != picture.width || bitmap.Height() != picture.height) return false;
  const size_t stride = 3 * static_cast<size_t>(picture.width);
  for (int y = 0; y < picture.height; ++y)
    if (std::memcmp(bitmap.ScanLine(y), &picture.bgr[y * stride], stride) != 0) return false;
  return true;
}

// Decodes with a fresh decoder on a fresh bitmap, as the giflib side
// composes: the timed runs draw over the picture of the run before, which
// shows where a GIF has no background colour of its own.
void DecodeFresh(const std::string& bytes, TBitmap& bitmap) {
  ktvGIF gif(nullptr);
  gif.UseDelay = false;
  TStringStream stream(bytes);
  gif.LoadFromStream(&stream, &bitmap);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<Sample> samples = argc > 1 ? FileSamples(argc, argv) : BuiltSamples();
  ktvGIF gif(nullptr);
  gif.UseDelay = false;
  TBitmap bitmap;
  gifbench::Picture picture;
  double ours = 0;
  double theirs = 0;
  std::printf("%-28s %12s %12s %8s\n", "file", "ktvGIF ms", "giflib ms", "ratio");
  for (const Sample& sample : samples) {
    std::string error;
    if (!gifbench::GiflibDecode(sample.bytes, picture, error)) {
      std::printf("%-28s giflib: %s\n", sample.name.c_str(), error.c_str());
      continue;
    }
    try {
      TStringStream stream(sample.bytes);
      const double a = BestTime([&] {
        stream.SetPosition(0);
        gif.LoadFromStream(&stream, &bitmap);
      });
      const double b = BestTime([&] { gifbench::GiflibDecode(sample.bytes, picture, error); });
      TBitmap fresh;
      DecodeFresh(sample.bytes, fresh);
      if (!SamePicture(fresh, picture)) std::printf("%-28s the pictures differ\n", sample.name.c_str());
      ours += a;
      theirs += b;
      std::printf("%-28s %12.3f %12.3f %8.2f\n", sample.name.c_str(), a * 1e3, b * 1e3, a / b);
    } catch (const Exception& e) {
      std::printf("%-28s ktvGIF: %s\n", sample.name.c_str(), e.Message.c_str());
    }
  }
  if (theirs > 0) std::printf("%-28s %12.3f %12.3f %8.2f  (ktvGIF time / giflib time)\n", "total", ours * 1e3, theirs * 1e3, ours / theirs);
  return 0;
}
