#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/Snapshot.h"
#include "platform/tests/GdiTestSupport.h"
#include "testsupport/TempDir.h"

using namespace win;
using gditest::Canvas;

TEST(Snapshot, WritesAPngOfTheBitmap) {
  testsupport::TempDir dir;
  Canvas c(3, 2);
  c.Fill(RGB(255, 0, 0));
  std::string path = dir / "shot.png";
  ASSERT_TRUE(test::SaveBitmapPng(c.dc(), path));
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(data.size(), 24u);
  EXPECT_EQ(std::memcmp(data.data(), "\x89PNG\r\n\x1a\n", 8), 0);
  EXPECT_EQ(data[19], 3);  // IHDR width
  EXPECT_EQ(data[23], 2);  // IHDR height
  EXPECT_TRUE(test::SaveBitmapPng(c.bitmap(), dir / "bitmap.png"));
  EXPECT_FALSE(test::SaveBitmapPng(c.bitmap(), dir / "missing/folder.png"));
}
