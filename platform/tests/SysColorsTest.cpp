#include <gtest/gtest.h>

#include "platform/DeviceContext.h"
#include "platform/Screen.h"
#include "platform/SysColors.h"

using namespace win;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kFace = RGB(192, 192, 192);
constexpr COLORREF kShadow = RGB(128, 128, 128);

}  // namespace

TEST(SystemColours, TheClassicSchemeAndItsBrushes) {
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), kFace);
  EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), kShadow);
  EXPECT_EQ(GetSysColor(COLOR_BTNHIGHLIGHT), kWhite);
  EXPECT_EQ(GetSysColor(COLOR_3DDKSHADOW), kBlack);
  EXPECT_EQ(GetSysColor(COLOR_3DLIGHT), kFace);
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), kWhite);
  EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), kBlack);
  EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), RGB(0, 0, 128));
  EXPECT_EQ(GetSysColor(COLOR_INFOBK), RGB(255, 255, 225));
  EXPECT_EQ(GetSysColor(25), 0u);
  EXPECT_EQ(GetSysColor(-1), 0u);
  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  EXPECT_TRUE(DeleteObject(face));
  LOGBRUSH brush;
  ASSERT_EQ(GetObjectA(face, sizeof brush, &brush), static_cast<int>(sizeof brush));
  EXPECT_EQ(brush.lbColor, kFace);
  EXPECT_EQ(GetSysColorBrush(25), nullptr);
}

TEST(SystemMetrics, ClassicMetricsAndTheConfiguredScreen) {
  test::SetScreenSize(800, 600);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 800);
  EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 32);
  EXPECT_EQ(GetDeviceCaps(dc, PLANES), 1);
  EXPECT_EQ(GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE, 0);
  EXPECT_EQ(GetDeviceCaps(dc, SIZEPALETTE), 0);
  DeleteDC(dc);
  EXPECT_EQ(GetSystemMetrics(SM_CXBORDER), 1);
  EXPECT_EQ(GetSystemMetrics(SM_CXEDGE), 2);
  EXPECT_EQ(GetSystemMetrics(SM_CXFRAME), 4);
  EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 19);
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 16);
  EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
  EXPECT_EQ(GetSystemMetrics(SM_CXDOUBLECLK), 4);
  EXPECT_EQ(GetSystemMetrics(SM_CXDRAG), 4);
  EXPECT_EQ(GetSystemMetrics(9999), 0);
  test::SetScreenSize(1024, 768);
}
