#include "platform/Raster.h"

#include <algorithm>
#include <cstring>

#include "platform/Errors.h"

namespace win {

namespace detail {

uint32_t ApplyRop3(BYTE rop, uint32_t p, uint32_t s, uint32_t d) {
  switch (rop) {
    case 0x00:
      return 0;
    case 0xFF:
      return ~0u;
    case 0xCC:
      return s;
    case 0xF0:
      return p;
    case 0x88:
      return s & d;
    case 0xEE:
      return s | d;
    case 0x66:
      return s ^ d;
    case 0x55:
      return ~d;
    case 0x5A:
      return p ^ d;
    case 0x33:
      return ~s;
    case 0xAA:
      return d;
    default:
      break;
  }
  // The sum of the minterms whose bit is set in the index.
  uint32_t result = 0;
  for (int i = 0; i < 8; ++i) {
    if (!((rop >> i) & 1)) continue;
    result |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return result;
}

BYTE Rop3FromRop2(int rop2) {
  int table = rop2 - 1;  // bit (P << 1 | D) is the result
  BYTE rop = 0;
  for (int i = 0; i < 8; ++i) {
    int p = (i >> 2) & 1;
    int d = i & 1;
    if ((table >> ((p << 1) | d)) & 1) rop = static_cast<BYTE>(rop | (1 << i));
  }
  return rop;
}

}  // namespace detail

namespace {

using detail::ColorTranslator;
using detail::DcTarget;
using detail::DeviceContext;
using detail::Region;
using detail::Surface;

// Where the source pixels of a transfer come from.
struct SourceArea {
  std::shared_ptr<Surface> surface;
  RECT rect;  // surface coordinates, corners in order
  // For a device's surface, the source DC's background colour (monochrome
  // conversions); DIB rows convert by colour alone.
  std::optional<COLORREF> bk;
};

// Source indices [first, last) along one axis for destination index i.
struct Span {
  int first;
  int last;
};

Span SourceSpan(int i, int destLength, int sourceLength, bool flip, bool combine) {
  int64_t a = static_cast<int64_t>(i) * sourceLength / destLength;
  int64_t b = a + 1;
  if (combine) b = std::max(b, static_cast<int64_t>(i + 1) * sourceLength / destLength);
  if (flip) return Span{static_cast<int>(sourceLength - b), static_cast<int>(sourceLength - a)};
  return Span{static_cast<int>(a), static_cast<int>(b)};
}

bool Overlaps(const Surface& a, const Surface& b) {
  const BYTE* a0 = a.Bits();
  const BYTE* b0 = b.Bits();
  return a0 < b0 + b.ByteSize() && b0 < a0 + a.ByteSize();
}

class Transfer {
 public:
  Transfer(DcTarget& target, const RECT& dest, BYTE rop) : target_(target), dest_(dest), rop_(rop) {}

  void SetPattern(uint32_t value) { pattern_ = value; }

  void SetSource(const SourceArea& area, bool flipX, bool flipY, int stretchMode, const ColorTranslator* translate) {
    source_ = area.surface.get();
    sourceRect_ = area.rect;
    flipX_ = flipX;
    flipY_ = flipY;
    translate_ = translate;
    int destWidth = dest_.right - dest_.left;
    int destHeight = dest_.bottom - dest_.top;
    bool folding = stretchMode == BLACKONWHITE || stretchMode == WHITEONBLACK;
    combineOr_ = stretchMode == WHITEONBLACK;
    combineX_ = folding && SourceWidth() > destWidth;
    combineY_ = folding && SourceHeight() > destHeight;
  }

  void Run() {
    Region area(dest_);
    area.Intersect(target_.clip);
    for (const RECT& r : area.Rects()) {
      if (CanCopyRows())
        CopyRows(r);
      else
        Combine(r);
    }
  }

 private:
  int SourceWidth() const { return sourceRect_.right - sourceRect_.left; }
  int SourceHeight() const { return sourceRect_.bottom - sourceRect_.top; }

  bool CanCopyRows() const {
    return source_ && rop_ == 0xCC && translate_->IsIdentity() && !flipX_ && !flipY_ &&
           source_->BitCount() == target_.surface->BitCount() && source_->BitCount() >= 8 &&
           SourceWidth() == dest_.right - dest_.left && SourceHeight() == dest_.bottom - dest_.top;
  }

  // A plain copy of whole bytes, row by row, for the common case.
  void CopyRows(const RECT& r) {
    int dx = sourceRect_.left - dest_.left;
    int dy = sourceRect_.top - dest_.top;
    int left = std::max<int>(r.left, -dx);
    int right = std::min<int>(r.right, source_->Width() - dx);
    if (left >= right) return;
    int bytes = source_->BitCount() / 8;
    for (int y = r.top; y < r.bottom; ++y) {
      int sy = y + dy;
      if (sy < 0 || sy >= source_->Height()) continue;
      std::memmove(target_.surface->Row(y) + left * bytes, source_->Row(sy) + (left + dx) * bytes,
                   static_cast<size_t>(right - left) * bytes);
    }
  }

  // Combines the source pixels of a span; false when none lies inside the
  // source surface.
  bool Sample(const Span& xs, const Span& ys, uint32_t* value) const {
    bool any = false;
    uint32_t combined = 0;
    for (int y = ys.first; y < ys.last; ++y) {
      for (int x = xs.first; x < xs.last; ++x) {
        int sx = sourceRect_.left + x;
        int sy = sourceRect_.top + y;
        if (!source_->Contains(sx, sy)) continue;
        uint32_t v = source_->Get(sx, sy);
        combined = !any ? v : combineOr_ ? (combined | v) : (combined & v);
        any = true;
      }
    }
    *value = combined;
    return any;
  }

  void Combine(const RECT& r) {
    Surface& surface = *target_.surface;
    uint32_t mask = surface.ValueMask();
    std::vector<Span> columns;
    if (source_) {
      for (int x = r.left; x < r.right; ++x)
        columns.push_back(SourceSpan(x - dest_.left, dest_.right - dest_.left, SourceWidth(), flipX_, combineX_));
    }
    for (int y = r.top; y < r.bottom; ++y) {
      Span row{0, 0};
      if (source_) row = SourceSpan(y - dest_.top, dest_.bottom - dest_.top, SourceHeight(), flipY_, combineY_);
      for (int x = r.left; x < r.right; ++x) {
        uint32_t s = 0;
        if (source_) {
          if (!Sample(columns[x - r.left], row, &s)) continue;
          s = (*translate_)(s);
        }
        surface.Set(x, y, detail::ApplyRop3(rop_, pattern_, s, surface.Get(x, y)) & mask);
      }
    }
  }

  DcTarget& target_;
  RECT dest_;
  BYTE rop_;
  uint32_t pattern_ = 0;
  const Surface* source_ = nullptr;
  RECT sourceRect_{};
  bool flipX_ = false;
  bool flipY_ = false;
  bool combineX_ = false;
  bool combineY_ = false;
  bool combineOr_ = false;
  const ColorTranslator* translate_ = nullptr;
};

// The brush of the DC as a pattern value of the target; none for a null brush.
std::optional<uint32_t> PatternOf(const DeviceContext& dc, const Surface& target) {
  const detail::BrushObject* brush = dc.state.brush.object.get();
  if (!brush || brush->IsNull()) return std::nullopt;
  return target.FromColor(detail::ResolveColor(dc, brush->logBrush.lbColor));
}

// The transfer behind every blit: destination (x, y, width, height) in
// logical coordinates, with signed extents; the source's extents are those
// of `sourceWidth` and `sourceHeight` (signs mirror).
BOOL Draw(const DeviceContext& dc, int x, int y, int width, int height, SourceArea* source, int sourceWidth,
          int sourceHeight, bool flipSourceRows, BYTE rop) {
  DcTarget target = detail::ResolveTarget(dc);
  if (!target.surface || width == 0 || height == 0) return TRUE;
  if (source && (sourceWidth == 0 || sourceHeight == 0)) return TRUE;
  POINT a = target.ToSurface(x, y);
  POINT b = target.ToSurface(x + width, y + height);
  Transfer transfer(target, detail::NormalizedRect(a.x, a.y, b.x, b.y), rop);
  if (detail::RopUsesPattern(rop)) {
    std::optional<uint32_t> pattern = PatternOf(dc, *target.surface);
    if (!pattern) return TRUE;  // a null brush paints nothing
    transfer.SetPattern(*pattern);
  }
  std::optional<ColorTranslator> translate;
  if (source) {
    if (Overlaps(*source->surface, *target.surface)) source->surface = source->surface->Clone();
    const Surface& from = *source->surface;
    translate = source->bk ? ColorTranslator::ForBlit(from, *target.surface, *source->bk,
                                                      detail::ResolveColor(dc, dc.state.textColor),
                                                      detail::ResolveColor(dc, dc.state.bkColor))
                           : ColorTranslator(from, *target.surface);
    bool flipX = (width < 0) != (sourceWidth < 0);
    bool flipY = ((height < 0) != (sourceHeight < 0)) != flipSourceRows;
    transfer.SetSource(*source, flipX, flipY, dc.state.stretchMode, &*translate);
  }
  transfer.Run();
  return TRUE;
}

std::shared_ptr<DeviceContext> DCOrFail(HDC dc) {
  auto context = detail::FindDC(dc);
  if (!context) SetLastError(ERROR_INVALID_HANDLE);
  return context;
}

// The source of a blit from a DC: its surface and the source rectangle.
std::optional<SourceArea> DeviceSource(const DeviceContext& dc, int x, int y, int width, int height) {
  DcTarget target = detail::ResolveTarget(dc);
  if (!target.surface) return std::nullopt;
  POINT a = target.ToSurface(x, y);
  POINT b = target.ToSurface(x + width, y + height);
  return SourceArea{target.surface, detail::NormalizedRect(a.x, a.y, b.x, b.y),
                    detail::ResolveColor(dc, dc.state.bkColor)};
}

// The source rectangle of a DIB transfer among the DIB's rows in memory
// order, whose first row is scan line `start`. The DIB's y counts along the
// rows in memory either way (upwards from the bottom-left origin of a
// bottom-up DIB, downwards from the top-left one of a top-down DIB), so only
// a bottom-up DIB is drawn with its rows flipped; answers that flip.
bool DibSourceRect(const detail::DibFormat& format, int start, int x, int y, int width, int height, RECT* rect) {
  *rect = detail::NormalizedRect(x, y - start, x + width, y - start + height);
  return !format.topDown;
}

}  // namespace

namespace detail {

void FillColor(const DeviceContext& dc, const RECT& rect, COLORREF color, BYTE rop) {
  DcTarget target = ResolveTarget(dc);
  if (!target.surface) return;
  RECT r = target.ToSurface(rect);
  Transfer transfer(target, NormalizedRect(r.left, r.top, r.right, r.bottom), rop);
  transfer.SetPattern(target.surface->FromColor(ResolveColor(dc, color)));
  transfer.Run();
}

PixelPainter::PixelPainter(const DeviceContext& dc, COLORREF color, BYTE rop) : target_(ResolveTarget(dc)), rop_(rop) {
  if (target_.surface) value_ = target_.surface->FromColor(ResolveColor(dc, color));
}

void PixelPainter::Paint(int x, int y) {
  if (!target_.surface) return;
  POINT p = target_.ToSurface(x, y);
  if (!target_.clip.Contains(p.x, p.y)) return;
  Surface& s = *target_.surface;
  s.Set(p.x, p.y, ApplyRop3(rop_, value_, 0, s.Get(p.x, p.y)) & s.ValueMask());
}

}  // namespace detail

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, int sourceWidth,
                int sourceHeight, DWORD rop) {
  auto target = DCOrFail(dest);
  if (!target) return FALSE;
  BYTE index = detail::RopIndex(rop);
  if (!detail::RopUsesSource(index)) return Draw(*target, x, y, width, height, nullptr, 0, 0, false, index);
  auto from = DCOrFail(source);
  if (!from) return FALSE;
  std::optional<SourceArea> area = DeviceSource(*from, sourceX, sourceY, sourceWidth, sourceHeight);
  if (!area) return TRUE;
  return Draw(*target, x, y, width, height, &*area, sourceWidth, sourceHeight, false, index);
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop) {
  return StretchBlt(dest, x, y, width, height, source, sourceX, sourceY, width, height, rop);
}

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
  auto target = DCOrFail(dc);
  if (!target) return FALSE;
  BYTE index = detail::RopIndex(rop);
  if (detail::RopUsesSource(index)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return Draw(*target, x, y, width, height, nullptr, 0, 0, false, index);
}

int SetDIBitsToDevice(HDC dc, int x, int y, DWORD width, DWORD height, int sourceX, int sourceY, UINT start,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT usage) {
  auto target = DCOrFail(dc);
  if (!target) return 0;
  auto format = detail::ReadDibFormat(info, usage, target->state.palette.object.get());
  if (!format || !bits || width > static_cast<DWORD>(Surface::kMaxDimension) ||
      height > static_cast<DWORD>(Surface::kMaxDimension)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (start >= static_cast<UINT>(format->height)) return 0;
  int count = static_cast<int>(std::min<UINT>(lines, static_cast<UINT>(format->height) - start));
  if (count == 0) return 0;
  SourceArea area{detail::WrapDibRows(*format, bits, count), RECT{}, std::nullopt};
  int w = static_cast<int>(width);
  int h = static_cast<int>(height);
  bool flipRows = DibSourceRect(*format, static_cast<int>(start), sourceX, sourceY, w, h, &area.rect);
  Draw(*target, x, y, w, h, &area, w, h, flipRows, detail::RopIndex(SRCCOPY));
  return count;
}

int StretchDIBits(HDC dc, int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                  int sourceHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
  auto target = DCOrFail(dc);
  if (!target) return 0;
  BYTE index = detail::RopIndex(rop);
  auto format = detail::ReadDibFormat(info, usage, target->state.palette.object.get());
  if (!format || (!bits && detail::RopUsesSource(index))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int lines = std::abs(sourceHeight);
  if (!detail::RopUsesSource(index)) {
    Draw(*target, x, y, width, height, nullptr, 0, 0, false, index);
    return lines;
  }
  SourceArea area{detail::WrapDibRows(*format, bits, format->height), RECT{}, std::nullopt};
  bool flipRows = DibSourceRect(*format, 0, sourceX, sourceY, sourceWidth, sourceHeight, &area.rect);
  Draw(*target, x, y, width, height, &area, sourceWidth, sourceHeight, flipRows, index);
  return lines;
}

COLORREF GetPixel(HDC dc, int x, int y) {
  auto context = DCOrFail(dc);
  if (!context) return CLR_INVALID;
  DcTarget target = detail::ResolveTarget(*context);
  POINT p = target.ToSurface(x, y);
  if (!target.surface || !target.clip.Contains(p.x, p.y)) return CLR_INVALID;
  return target.surface->ToColor(target.surface->Get(p.x, p.y));
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
  auto context = DCOrFail(dc);
  if (!context) return CLR_INVALID;
  DcTarget target = detail::ResolveTarget(*context);
  POINT p = target.ToSurface(x, y);
  if (!target.surface || !target.clip.Contains(p.x, p.y)) return CLR_INVALID;
  uint32_t value = target.surface->FromColor(detail::ResolveColor(*context, color));
  target.surface->Set(p.x, p.y, value);
  return target.surface->ToColor(value);
}

}  // namespace win
