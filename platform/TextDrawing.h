// Text drawn through device contexts: TextOutA and ExtTextOutA at a point by
// the DC's text alignment, DrawTextA in a rectangle, and the measures of the
// selected font. Glyph masks are blended in the text colour; the background
// is filled in the background colour when the DC's mode is OPAQUE.
#pragma once

#include "platform/DeviceContext.h"
#include "platform/TextLayout.h"

namespace win {

// Text alignment: one of each group.
constexpr UINT TA_NOUPDATECP = 0;
constexpr UINT TA_UPDATECP = 1;
constexpr UINT TA_LEFT = 0;
constexpr UINT TA_RIGHT = 2;
constexpr UINT TA_CENTER = 6;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_BOTTOM = 8;
constexpr UINT TA_BASELINE = 24;

// ExtTextOutA options.
constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;

// With TA_UPDATECP the text starts at the current position, which then moves
// past the text (TA_LEFT), before it (TA_RIGHT) or stays (TA_CENTER).
UINT SetTextAlign(HDC dc, UINT align);
UINT GetTextAlign(HDC dc);

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int count);
// ETO_OPAQUE fills `rect` with the background colour whatever the
// background mode; ETO_CLIPPED keeps the text inside it. `dx` holds the
// advance of each byte.
BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count, const INT* dx);
// `count` -1: the text runs to its terminator. With DT_CALCRECT the rectangle
// receives the text's bounds and nothing is drawn. Answers the text's height,
// 0 on failure.
int DrawTextA(HDC dc, LPCSTR text, int count, LPRECT rect, UINT format);

BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, SIZE* size);
BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics);

}  // namespace win
