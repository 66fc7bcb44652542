// Bitmaps: device bitmaps (monochrome, or in the display's 32-bit format) and
// DIB sections whose bits the caller addresses in the platform's DIB layout,
// with the conversions between bitmaps and device-independent rows.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/Gdi.h"
#include "platform/Surface.h"

namespace win {

constexpr DWORD BI_RGB = 0;
constexpr UINT DIB_RGB_COLORS = 0;
constexpr UINT DIB_PAL_COLORS = 1;

struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;  // negative for rows from the top down
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};

// Variable length: the colour table (RGBQUADs, or WORD palette indices for
// DIB_PAL_COLORS) follows the header.
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

#pragma pack(push, 2)
struct BITMAPFILEHEADER {
  WORD bfType;  // "BM"
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14 && sizeof(BITMAPINFOHEADER) == 40);

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;  // the bits of a DIB section, else null
};

struct DIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  DWORD dsBitfields[3];
  HANDLE dshSection;
  DWORD dsOffset;
};

// Rows are top-down and padded to 16 bits, as device bitmaps are laid out.
// Planes must be 1 and the depth 1 (monochrome) or 32; a zero size gives
// the stock 1 by 1 monochrome bitmap.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitCount, const void* bits);
// A bitmap in the format of the DC's surface: the display's for a window DC,
// the selected bitmap's for a memory DC (so monochrome for a new one).
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// The bits, zeroed, are the caller's to address until the bitmap is deleted.
// Only memory sections of the process are supported (no file mapping).
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);
// Scan lines count from the first row of the DIB in memory: the bottom row
// for a bottom-up DIB, the top row for a top-down one.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info, UINT usage);
int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);
// The colour table of the DIB section selected into the DC.
UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors);
UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors);

namespace detail {

class PaletteObject;

class BitmapObject : public GdiObject {
 public:
  HandleKind Kind() const override { return HandleKind::Bitmap; }
  int Describe(int size, void* out) const override;
  bool CanDelete() const override { return selectedInto == 0; }
  std::shared_ptr<Surface> surface;
  // Set for DIB sections: the header as created, with biSizeImage filled in.
  std::optional<BITMAPINFOHEADER> dibHeader;
  // The memory DC the bitmap is selected into, 0 when none.
  uint32_t selectedInto = 0;
};

// The stock 1 by 1 monochrome bitmap that a new memory DC holds.
HBITMAP StockBitmap();

// Device-independent rows as a BITMAPINFO describes them.
struct DibFormat {
  int width = 0;
  int height = 0;  // positive
  bool topDown = false;
  int bitCount = 0;
  std::vector<COLORREF> colors;
};

// Reads and checks a BITMAPINFO (uncompressed, 1, 4, 8, 24 or 32 bits);
// DIB_PAL_COLORS tables are looked up in `palette`.
std::optional<DibFormat> ReadDibFormat(const BITMAPINFO* info, UINT usage, const PaletteObject* palette);
// A surface over `lines` rows of the caller's bits in that format.
std::shared_ptr<Surface> WrapDibRows(const DibFormat& format, const void* bits, int lines);

}  // namespace detail
}  // namespace win
