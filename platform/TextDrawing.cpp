#include "platform/TextDrawing.h"

#include <string_view>

#include "platform/Errors.h"

namespace win {

namespace {

using detail::DeviceContext;
using detail::TextRun;

std::shared_ptr<DeviceContext> DCOrFail(HDC dc) {
  auto context = detail::FindDC(dc);
  if (!context) SetLastError(ERROR_INVALID_HANDLE);
  return context;
}

// The realised font selected into the DC; a DC always holds one, but its
// handle may have been deleted meanwhile, so the object is asked directly.
std::shared_ptr<const detail::Font> SelectedFont(const DeviceContext& dc) {
  return detail::RealizeFont(dc.state.font.object->logFont);
}

// Paints runs of text on a DC's surface within its clip, narrowed further
// by a rectangle when the call clips.
class RunPainter {
 public:
  RunPainter(const DeviceContext& dc, const RECT* clipRect) : target_(detail::ResolveTarget(dc)) {
    if (!target_.surface) return;
    if (clipRect) target_.clip.Intersect(Region(target_.ToSurface(Normalized(*clipRect))));
    text_ = detail::ResolveColor(dc, dc.state.textColor);
    background_ = detail::ResolveColor(dc, dc.state.bkColor);
  }

  void FillBackground(const RECT& rect) { Fill(rect, background_); }

  void Draw(const TextRun& run, bool opaque) {
    if (!target_.surface) return;
    if (opaque) FillBackground(run.cell);
    for (const detail::PlacedGlyph& glyph : run.glyphs) Blend(glyph);
    for (const RECT& stroke : run.strokes) Fill(stroke, text_);
  }

 private:
  static RECT Normalized(const RECT& r) { return detail::NormalizedRect(r.left, r.top, r.right, r.bottom); }

  void Fill(const RECT& rect, COLORREF color) {
    if (!target_.surface) return;
    Region area(target_.ToSurface(Normalized(rect)));
    area.Intersect(target_.clip);
    Surface& s = *target_.surface;
    const uint32_t value = s.FromColor(color);
    for (const RECT& r : area.Rects()) {
      for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) s.Set(x, y, value);
      }
    }
  }

  // Each channel moves from the surface's value towards the text colour by
  // coverage / 255, rounded to the nearest: (d * (255 - c) + t * c + 127) / 255,
  // so full coverage gives the text colour and none leaves the pixel alone.
  static BYTE Mix(BYTE dest, BYTE text, int coverage) {
    return static_cast<BYTE>((dest * (255 - coverage) + text * coverage + 127) / 255);
  }

  void Blend(const detail::PlacedGlyph& glyph) {
    const detail::GlyphImage& image = *glyph.image;
    Surface& s = *target_.surface;
    for (int row = 0; row < image.height; ++row) {
      for (int column = 0; column < image.width; ++column) {
        const int coverage = image.At(column, row);
        if (coverage == 0) continue;
        POINT p = target_.ToSurface(glyph.x + column, glyph.y + row);
        if (!target_.clip.Contains(p.x, p.y)) continue;
        COLORREF dest = s.ToColor(s.Get(p.x, p.y));
        COLORREF mixed = RGB(Mix(GetRValue(dest), GetRValue(text_), coverage),
                             Mix(GetGValue(dest), GetGValue(text_), coverage),
                             Mix(GetBValue(dest), GetBValue(text_), coverage));
        s.Set(p.x, p.y, s.FromColor(mixed));
      }
    }
  }

  using Surface = detail::Surface;
  using Region = detail::Region;
  detail::DcTarget target_;
  COLORREF text_ = 0;
  COLORREF background_ = 0;
};

// Shifts a run laid out from its top-left corner to the DC's alignment
// about the reference point.
void Align(TextRun& run, const detail::Font& font, UINT align) {
  const int width = run.cell.right - run.cell.left;
  int dx = 0;
  if ((align & TA_CENTER) == TA_CENTER) {
    dx = -width / 2;
  } else if (align & TA_RIGHT) {
    dx = -width;
  }
  int dy = 0;
  if ((align & TA_BASELINE) == TA_BASELINE) {
    dy = -font.Metrics().tmAscent;
  } else if (align & TA_BOTTOM) {
    dy = -font.Metrics().tmHeight;
  }
  detail::OffsetRun(run, dx, dy);
}

// Where the current position goes after text drawn from it.
LONG AdvancedPosition(LONG x, int width, UINT align) {
  if ((align & TA_CENTER) == TA_CENTER) return x;
  return align & TA_RIGHT ? x - width : x + width;
}

}  // namespace

UINT SetTextAlign(HDC dc, UINT align) {
  auto context = DCOrFail(dc);
  if (!context) return GDI_ERROR;
  UINT previous = context->state.textAlign;
  context->state.textAlign = align & (TA_UPDATECP | TA_CENTER | TA_BASELINE);
  return previous;
}

UINT GetTextAlign(HDC dc) {
  auto context = DCOrFail(dc);
  return context ? context->state.textAlign : GDI_ERROR;
}

BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count, const INT* dx) {
  auto context = DCOrFail(dc);
  if (!context) return FALSE;
  if ((count > 0 && !text) || ((options & (ETO_OPAQUE | ETO_CLIPPED)) && !rect)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  detail::DcState& state = context->state;
  const bool fromCurrent = state.textAlign & TA_UPDATECP;
  if (fromCurrent) {
    x = state.penPos.x;
    y = state.penPos.y;
  }
  auto font = SelectedFont(*context);
  TextRun run = detail::LayOutTextRun(*font, std::string_view(text ? text : "", count), POINT{x, y}, dx);
  const int width = run.cell.right - run.cell.left;
  Align(run, *font, state.textAlign);

  RunPainter painter(*context, options & ETO_CLIPPED ? rect : nullptr);
  if (options & ETO_OPAQUE) painter.FillBackground(*rect);
  painter.Draw(run, state.bkMode == OPAQUE);
  if (fromCurrent) state.penPos.x = AdvancedPosition(state.penPos.x, width, state.textAlign);
  return TRUE;
}

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int count) {
  if (count < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return ExtTextOutA(dc, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}

int DrawTextA(HDC dc, LPCSTR text, int count, LPRECT rect, UINT format) {
  auto context = DCOrFail(dc);
  if (!context) return 0;
  if (!rect || (!text && count != 0) || count < -1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::string_view view = count == -1 ? std::string_view(text) : std::string_view(text ? text : "", count);
  auto font = SelectedFont(*context);
  detail::DrawTextLayout layout = detail::LayOutDrawText(*font, view, *rect, format);
  if (format & DT_CALCRECT) {
    *rect = layout.bounds;
    return layout.height;
  }
  RunPainter painter(*context, layout.clip ? rect : nullptr);
  for (const TextRun& line : layout.lines) painter.Draw(line, context->state.bkMode == OPAQUE);
  return layout.height;
}

BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, SIZE* size) {
  auto context = DCOrFail(dc);
  if (!context) return FALSE;
  if (!size || count < 0 || (count > 0 && !text)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *size = detail::TextExtent(*SelectedFont(*context), std::string_view(text ? text : "", count));
  return TRUE;
}

BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics) {
  auto context = DCOrFail(dc);
  if (!context) return FALSE;
  if (!metrics) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *metrics = SelectedFont(*context)->Metrics();
  return TRUE;
}

}  // namespace win
