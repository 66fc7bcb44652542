#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "platform/tests/GdiTestSupport.h"

using namespace win;
using gditest::SelectedBrush;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// A window-like view: a client area at (3, 2) of a 10 by 6 surface, of which
// only the left part is visible.
class ClientView : public detail::DcViewSource {
 public:
  ClientView() : surface(detail::Surface::Create(10, 6, 32, true, {})) {}
  detail::DcView CurrentView() override {
    return detail::DcView{surface, POINT{3, 2}, detail::Region(RECT{0, 0, 4, 3})};
  }
  std::shared_ptr<detail::Surface> surface;
};

COLORREF SurfaceColor(const detail::Surface& s, int x, int y) { return s.ToColor(s.Get(x, y)); }

}  // namespace

TEST(ViewDC, DrawsAtTheOriginItsSourceGivesWithinTheVisiblePart) {
  auto view = std::make_shared<ClientView>();
  HDC dc = detail::CreateViewDC(view);
  {
    SelectedBrush brush(dc, kRed);
    PatBlt(dc, -5, -5, 20, 20, PATCOPY);
  }
  const detail::Surface& s = *view->surface;
  EXPECT_EQ(SurfaceColor(s, 3, 2), kRed);
  EXPECT_EQ(SurfaceColor(s, 6, 4), kRed);
  EXPECT_EQ(SurfaceColor(s, 7, 4), RGB(0, 0, 0));  // right of the visible part
  EXPECT_EQ(SurfaceColor(s, 2, 2), RGB(0, 0, 0));  // left of the client origin
  EXPECT_EQ(GetPixel(dc, 0, 0), kRed);
  EXPECT_EQ(GetPixel(dc, 4, 0), CLR_INVALID);

  RECT box;
  EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
  EXPECT_EQ(box.right, 4);
  EXPECT_EQ(box.bottom, 3);
  // The DC's own clip narrows the visible part further.
  EXPECT_EQ(IntersectClipRect(dc, 1, 0, 10, 10), SIMPLEREGION);
  GetClipBox(dc, &box);
  EXPECT_EQ(box.left, 1);
  EXPECT_EQ(box.right, 4);

  // No bitmap goes into a view DC; its compatible bitmaps are the display's.
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 2, 2);
  BITMAP bm;
  GetObjectA(bitmap, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 32);
  EXPECT_EQ(SelectObject(dc, bitmap), nullptr);
  DeleteObject(bitmap);
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
}

TEST(MemoryDC, StartsWithTheDefaultObjectsAndAttributes) {
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), GetStockObject(DEFAULT_GUI_FONT));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PAL), GetStockObject(DEFAULT_PALETTE));
  BITMAP bm;
  GetObjectA(GetCurrentObject(dc, OBJ_BITMAP), sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
  EXPECT_EQ(GetBkColor(dc), kWhite);
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
  EXPECT_EQ(SetBkMode(dc, 7), 0);
  EXPECT_EQ(GetROP2(dc), R2_COPYPEN);
  HDC second = CreateCompatibleDC(dc);
  EXPECT_NE(second, nullptr);
  EXPECT_FALSE(DeleteObject(dc));  // DCs go with DeleteDC
  DeleteDC(second);
  DeleteDC(dc);
  EXPECT_EQ(SetTextColor(dc, kRed), CLR_INVALID);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(CreateCompatibleDC(dc), nullptr);
}
