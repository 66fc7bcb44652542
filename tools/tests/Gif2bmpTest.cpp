// Runs the GIF conversion tool as a person would.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "framework/Bitmaps.h"
#include "framework/Streams.h"
#include "images/tests/support/GifBuilder.h"
#include "images/tests/support/GifTestSupport.h"
#include "testsupport/RunProgram.h"
#include "testsupport/TempDir.h"

using namespace giftest;

namespace {

const ColorTable kFour = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};

class Gif2bmp : public testing::Test {
 protected:
  testsupport::ProgramResult Run(const std::vector<std::string>& args) {
    return testsupport::RunProgram(GIF2BMP_PATH, args, dir.path());
  }
  std::string Put(const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return dir / name;
  }
  // The pixels of a bitmap file the tool wrote.
  std::vector<TColor> Picture(const std::string& path, int& width) {
    TStringStream stream(testsupport::ReadWholeFile(path));
    TBitmap bitmap;
    bitmap.LoadFromStream(&stream);
    bitmap.SetPixelFormat(pf24bit);
    width = bitmap.Width();
    return Pixels(bitmap);
  }

  testsupport::TempDir dir;
};

std::string ThreeFrames() {
  GifBuilder b;
  b.Header(3, 1, kFour, 3).GraphicControl(1, 100).Image(0, 0, 1, 1, {0});
  b.GraphicControl(1, 100).Image(1, 0, 1, 1, {1}).Image(2, 0, 1, 1, {2}).Trailer();
  return b.Bytes();
}

TEST_F(Gif2bmp, WritesTheFinalPicture) {
  const auto r = Run({Put("in.gif", ThreeFrames()), dir / "out.bmp"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  int width = 0;
  EXPECT_EQ(Picture(dir / "out.bmp", width), (std::vector<TColor>{0x0000FF, 0x00FF00, 0xFF0000}));
  EXPECT_EQ(width, 3);
}

TEST_F(Gif2bmp, WritesOneFilePerRenderedFrame) {
  const auto r = Run({"--frames", Put("in.gif", ThreeFrames()), dir / "frame"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  int width = 0;
  EXPECT_EQ(Picture(dir / "frame-000.bmp", width), (std::vector<TColor>{0x0000FF, 0xFFFFFF, 0xFFFFFF}));
  EXPECT_EQ(Picture(dir / "frame-001.bmp", width), (std::vector<TColor>{0x0000FF, 0x00FF00, 0xFFFFFF}));
  EXPECT_EQ(Picture(dir / "frame-002.bmp", width), (std::vector<TColor>{0x0000FF, 0x00FF00, 0xFF0000}));
  EXPECT_FALSE(std::filesystem::exists(dir / "frame-003.bmp"));
}

TEST_F(Gif2bmp, BadOrUnreadableFilesFailWithAMessage) {
  auto r = Run({dir / "missing.gif", dir / "out.bmp"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("cannot read"), std::string::npos) << r.err;

  r = Run({Put("bad.gif", "GIF89a\1\0\1\0\0\0\0\x21\x02\0;"), dir / "out.bmp"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("GIFイメージが不正です"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "out.bmp"));

  r = Run({Put("in.gif", ThreeFrames()), dir / "no-such-folder/out.bmp"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;

  r = Run({"only-one"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("usage"), std::string::npos);
}

}  // namespace
