// Saves the same pictures through ktvImage at 8 bits per pixel with a
// 256-entry colour table, where every pixel is mapped to its nearest entry,
// and at 24 bits, and prints how long each takes and the ratio, which should
// be at most 2. Without file arguments it saves a 12-megapixel photograph it
// builds; a file's own colour table is kept when it has one. Times are the
// process's processor time, so that other work on the machine counts little.
//
//   bitmap_bench [FILE.bmp]...
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "framework/Bitmaps.h"
#include "images/Bitmap.h"
#include "images/Image.h"
#include "platform/Paths.h"

namespace {

double ProcessorSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

constexpr double kTarget = 2.0;

struct Sample {
  std::string name;
  std::unique_ptr<TBitmap> picture;  // 24 bits per pixel
  std::unique_ptr<TBitmapPalette> palette;
};

// Smooth light over the frame, a few soft shapes and sensor noise: nearly
// every pixel a colour of its own, as in a photograph.
std::unique_ptr<TBitmap> Photo(int width, int height) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(pf24bit);
  bitmap->SetSize(width, height);
  std::mt19937 random(1);
  for (int y = 0; y < height; ++y) {
    auto* row = static_cast<uint8_t*>(bitmap->ScanLine(y));
    for (int x = 0; x < width; ++x) {
      const int dx = x - width / 3, dy = y - height / 2;
      const bool shape = dx * dx + dy * dy < height * height / 9;
      const int noise = static_cast<int>(random() % 9) - 4;
      const int red = (shape ? 200 : 60 + 150 * x / width) + noise;
      const int green = (shape ? 120 : 40 + 180 * y / height) + noise;
      const int blue = 90 + 100 * (x + y) / (width + height) + noise;
      row[3 * x] = static_cast<uint8_t>(std::clamp(blue, 0, 255));
      row[3 * x + 1] = static_cast<uint8_t>(std::clamp(green, 0, 255));
      row[3 * x + 2] = static_cast<uint8_t>(std::clamp(red, 0, 255));
    }
  }
  return bitmap;
}

// A table spread over the colour cube: 6 levels of red and blue, 7 of
// green, and four greys.
std::unique_ptr<TBitmapPalette> CubePalette() {
  std::vector<TColor> colors;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 7; ++g)
      for (int b = 0; b < 6; ++b) colors.push_back(win::RGB(r * 51, g * 42, b * 51));
  for (int grey : {32, 96, 160, 224}) colors.push_back(win::RGB(grey, grey, grey));
  return TBitmapPalette::FromColors(colors);
}

std::vector<Sample> BuiltSamples() {
  std::vector<Sample> samples;
  samples.push_back({"photo 4000x3000", Photo(4000, 3000), CubePalette()});
  return samples;
}

std::string WindowsName(const std::string& host) { return win::detail::ToWindowsPath(host); }

std::vector<Sample> FileSamples(int argc, char** argv) {
  std::vector<Sample> samples;
  for (int i = 1; i < argc; ++i) {
    const std::string host = std::filesystem::absolute(argv[i]).string();
    ktvImage image(nullptr);
    if (!image.LoadFromFile(WindowsName(host))) {
      std::fprintf(stderr, "bitmap_bench: cannot load %s\n", argv[i]);
      continue;
    }
    auto* bitmap = dynamic_cast<TBitmap*>(image.Picture()->Graphic());
    auto picture = std::make_unique<TBitmap>();
    picture->Assign(bitmap);
    picture->SetPixelFormat(pf24bit);
    auto palette = image.Palette() ? std::make_unique<TBitmapPalette>(*image.Palette()) : CubePalette();
    samples.push_back({argv[i], std::move(picture), std::move(palette)});
  }
  return samples;
}

// A control that saves `picture` at `depth` with `palette`, as it would
// after loading a file of that depth and table.
std::unique_ptr<ktvImage> SavingAt(int depth, const TBitmapPalette* palette, TBitmap* picture,
                                   const std::string& folder) {
  TBitmap sample;
  sample.SetPixelFormat(pf24bit);
  sample.SetSize(1, 1);
  const std::vector<uint8_t> bytes = EncodeBitmapFile(&sample, depth, palette);
  const std::string host = folder + "/format.bmp";
  std::FILE* file = std::fopen(host.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  auto image = std::make_unique<ktvImage>(nullptr);
  if (!image->LoadFromFile(WindowsName(host))) return nullptr;
  image->Picture()->SetGraphic(picture);
  return image;
}

// The best of a few runs of `save`, in seconds.
template <class F>
double BestTime(F&& save) {
  double best = 1e9;
  for (int run = 0; run < 5; ++run) {
    const double start = ProcessorSeconds();
    if (!save()) return -1;
    best = std::min(best, ProcessorSeconds() - start);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  char folderTemplate[] = "/tmp/lozg-bitmap-bench-XXXXXX";
  const char* folder = mkdtemp(folderTemplate);
  if (!folder) return 1;
  // The platform's files go to the folder, not to the user's own prefix.
  if (!std::getenv("LOZG_PREFIX")) setenv("LOZG_PREFIX", (std::string(folder) + "/prefix").c_str(), 1);

  const std::vector<Sample> samples = argc > 1 ? FileSamples(argc, argv) : BuiltSamples();
  const std::string out = WindowsName(std::string(folder) + "/out.bmp");
  bool met = !samples.empty();
  std::printf("%-28s %12s %12s %8s\n", "picture", "8-bit ms", "24-bit ms", "ratio");
  for (const Sample& sample : samples) {
    auto eight = SavingAt(8, sample.palette.get(), sample.picture.get(), folder);
    auto plain = SavingAt(24, nullptr, sample.picture.get(), folder);
    if (!eight || !plain) {
      std::printf("%-28s cannot set up the controls\n", sample.name.c_str());
      met = false;
      continue;
    }
    const double a = BestTime([&] { return eight->SaveToFile(out); });
    const double b = BestTime([&] { return plain->SaveToFile(out); });
    if (a < 0 || b < 0) {
      std::printf("%-28s a save failed\n", sample.name.c_str());
      met = false;
      continue;
    }
    met = met && a / b <= kTarget;
    std::printf("%-28s %12.1f %12.1f %8.2f\n", sample.name.c_str(), a * 1e3, b * 1e3, a / b);
  }
  std::printf("target: 8-bit time / 24-bit time at most %.1f: %s\n", kTarget, met ? "met" : "missed");
  std::filesystem::remove_all(folder);
  return met ? 0 : 1;
}
