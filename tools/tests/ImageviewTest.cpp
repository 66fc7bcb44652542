// Runs the picture viewing tool as a person would.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "images/tests/support/BmpBuilder.h"
#include "images/tests/support/GifBuilder.h"
#include "testsupport/RunProgram.h"
#include "testsupport/TempDir.h"

using namespace bmptest;

namespace {

class Imageview : public testing::Test {
 protected:
  testsupport::ProgramResult Run(const std::vector<std::string>& args) {
    return testsupport::RunProgram(IMAGEVIEW_PATH, args, dir.path());
  }
  std::string Put(const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return dir / name;
  }
  ParsedBmp Saved(const std::string& name) {
    ParsedBmp parsed;
    EXPECT_TRUE(ParseBmp(testsupport::ReadWholeFile(dir / name), parsed));
    return parsed;
  }
  // The width and height a PNG file's header gives.
  std::pair<int, int> PngSize(const std::string& name) {
    const std::string png = testsupport::ReadWholeFile(dir / name);
    if (png.size() < 24 || png.compare(1, 3, "PNG") != 0) return {0, 0};
    const auto big = [&](size_t at) {
      int value = 0;
      for (size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<uint8_t>(png[at + i]);
      return value;
    };
    return {big(16), big(20)};
  }

  testsupport::TempDir dir;
};

BmpLayout SixteenColours() {
  BmpLayout layout;
  layout.width = 30;
  layout.height = 20;
  layout.bitCount = 8;
  for (int i = 0; i < 16; ++i) layout.table.push_back(static_cast<TColor>(i * 0x100F03));
  for (int i = 0; i < layout.width * layout.height; ++i) layout.pixels.push_back(static_cast<uint32_t>(i % 16));
  return layout;
}

TEST_F(Imageview, ShowsThePictureAlignedAndZoomedInAWindowOfTheGivenSize) {
  const std::string in = Put("in.bmp", BuildBmp(SixteenColours()));
  auto r = Run({in, "--size", "100x50", "--align", "bottomright", "--color", "#336699", dir / "out.png"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("100x50, the picture at (70, 30) 30x20, zoom 1"), std::string::npos) << r.out;
  EXPECT_EQ(PngSize("out.png"), std::make_pair(100, 50));

  r = Run({in, "--size", "320x240", "--align", "center", "--zoom", "always", dir / "fit.png"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("the picture at (0, 13) 320x213"), std::string::npos) << r.out;

  r = Run({in, "--zoom", "2", dir / "own.png"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(PngSize("own.png"), std::make_pair(30, 20));  // the picture's own size
  EXPECT_NE(r.out.find("(0, 0) 60x40, zoom 2"), std::string::npos) << r.out;
}

TEST_F(Imageview, SaveKeepsTheFilesDepthAndColourTable) {
  const BmpLayout layout = SixteenColours();
  const auto r = Run({Put("in.bmp", BuildBmp(layout)), "--save", dir / "copy.bmp"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("8 bits, 16 colours"), std::string::npos) << r.out;
  const ParsedBmp saved = Saved("copy.bmp");
  EXPECT_EQ(saved.bitCount, 8);
  EXPECT_EQ(saved.colorsUsed, 16u);
  EXPECT_EQ(saved.table, layout.table);
  EXPECT_EQ(saved.pixels, layout.pixels);
}

TEST_F(Imageview, GifPicturesComeThroughThePictureRegistry) {
  const giftest::ColorTable colors = {{255, 0, 0}, {0, 0, 255}};
  const std::string gif =
      giftest::GifBuilder().Header(3, 2, colors).Image(0, 0, 3, 2, {0, 1, 0, 1, 0, 1}).Trailer().Bytes();
  const auto r = Run({Put("in.gif", gif), "--size", "30x20", "--zoom", "always", dir / "out.png", "--save",
                      dir / "out.bmp"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("(0, 0) 30x20, zoom 10"), std::string::npos) << r.out;
  const ParsedBmp saved = Saved("out.bmp");
  EXPECT_EQ(saved.bitCount, 24);
  EXPECT_EQ(saved.pixels, (std::vector<uint32_t>{clRed, clBlue, clRed, clBlue, clRed, clBlue}));
}

TEST_F(Imageview, ReportsFilesItCannotReadOrWrite) {
  auto r = Run({dir / "missing.bmp", dir / "out.png"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("cannot load"), std::string::npos) << r.err;

  std::string lying = BuildBmp(SixteenColours());
  Patch32(lying, kColorsUsedAt, 300);
  r = Run({Put("lying.bmp", lying), dir / "out.png"});
  EXPECT_EQ(r.exitCode, 1);

  r = Run({Put("in.bmp", BuildBmp(SixteenColours())), "--save", dir / "no-folder/out.bmp"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
}

TEST_F(Imageview, RefusesAWrongCommandLineWithTheUsage) {
  const std::string in = Put("in.bmp", BuildBmp(SixteenColours()));
  const std::vector<std::vector<std::string>> wrong = {
      {},
      {in},  // nothing to write
      {in, "--align", "middle", "out.png"},
      {in, "--zoom", "-1", "out.png"},
      {in, "--size", "0x10", "out.png"},
      {in, "--size", "10by10", "out.png"},
      {in, "--color", "red", "out.png"},
      {in, "--frames", "2", "out.png"},
      {in, "out.png", "--size"},
      {in, "a.png", "b.png"},
  };
  for (const auto& args : wrong) {
    const auto r = Run(args);
    EXPECT_EQ(r.exitCode, 2) << (args.empty() ? "" : args.back());
    EXPECT_NE(r.err.find("usage: imageview"), std::string::npos);
  }
}

}  // namespace
