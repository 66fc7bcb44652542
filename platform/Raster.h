// Raster operations: block transfers that combine a pattern (the DC's brush),
// a source and the destination by any of the 256 ternary raster operations,
// stretched transfers, DIB rows drawn to a device, and single pixels.
#pragma once

#include "platform/Bitmaps.h"
#include "platform/DeviceContext.h"

namespace win {

// The operation index is bits 16-23 of the code: bit (P << 2 | S << 1 | D)
// of the index is the result for those pattern, source and destination bits.
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD SRCERASE = 0x00440328;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD NOTSRCERASE = 0x001100A6;
constexpr DWORD MERGECOPY = 0x00C000CA;
constexpr DWORD MERGEPAINT = 0x00BB0226;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD PATPAINT = 0x00FB0A09;
constexpr DWORD PATINVERT = 0x005A0049;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;

// Source pixels outside the source surface leave their destination pixels
// as they are. Operations that use no source ignore `source`.
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop);
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);
// Nearest-pixel scaling; when shrinking, BLACKONWHITE ANDs and WHITEONBLACK
// ORs the source pixels that fold into one, COLORONCOLOR and HALFTONE drop
// them. Sizes of opposite signs mirror.
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, int sourceWidth,
                int sourceHeight, DWORD rop);
// The source rectangle is in DIB coordinates: from the bottom-left corner
// for a bottom-up DIB, from the top-left one for a top-down DIB. `bits`
// holds the scan lines start .. start + lines - 1.
int SetDIBitsToDevice(HDC dc, int x, int y, DWORD width, DWORD height, int sourceX, int sourceY, UINT start,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);
int StretchDIBits(HDC dc, int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                  int sourceHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);
// CLR_INVALID outside the surface or the clip region.
COLORREF GetPixel(HDC dc, int x, int y);
// Answers the colour actually set, CLR_INVALID when the point is clipped.
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);

namespace detail {

uint32_t ApplyRop3(BYTE rop, uint32_t pattern, uint32_t source, uint32_t dest);
constexpr BYTE RopIndex(DWORD rop) { return static_cast<BYTE>(rop >> 16); }
constexpr bool RopUsesSource(BYTE rop) { return ((rop >> 2) ^ rop) & 0x33; }
constexpr bool RopUsesPattern(BYTE rop) { return ((rop >> 4) ^ rop) & 0x0F; }
// The ROP3 index that mixes a pen or brush (as the pattern) with the
// destination as a ROP2 mode does.
BYTE Rop3FromRop2(int rop2);

// Combines a solid colour with the destination over a rectangle in logical
// coordinates, clipped: fills, frames and text backgrounds.
void FillColor(const DeviceContext& dc, const RECT& rect, COLORREF color, BYTE rop);

// Paints single pixels of one colour through a DC (lines, glyphs): logical
// coordinates, clipped, combined with the destination by `rop`.
class PixelPainter {
 public:
  PixelPainter(const DeviceContext& dc, COLORREF color, BYTE rop);
  void Paint(int x, int y);

 private:
  DcTarget target_;
  uint32_t value_ = 0;
  BYTE rop_;
};

}  // namespace detail
}  // namespace win
