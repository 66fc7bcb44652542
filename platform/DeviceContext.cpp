#include "platform/DeviceContext.h"

#include "platform/Errors.h"
#include "platform/Screen.h"

namespace win {

namespace detail {

namespace {

// Stands for "everything" where a clip operation needs a region to start
// from; drawing is bounded by the surface anyway.
const RECT kEverything{-(1 << 27), -(1 << 27), 1 << 27, 1 << 27};

DcState DefaultState() {
  DcState s;
  s.brush = Hold<BrushObject>(GetStockObject(WHITE_BRUSH));
  s.pen = Hold<PenObject>(GetStockObject(BLACK_PEN));
  s.font = Hold<LogicalFontObject>(DefaultGuiFont());
  s.palette = Hold<PaletteObject>(GetStockObject(DEFAULT_PALETTE));
  return s;
}

HDC AddDC(std::shared_ptr<DeviceContext> dc) {
  dc->id = HandleTable::Insert(dc);
  return HandleFromId<HDC>(dc->id);
}

void MarkSelected(const Held<BitmapObject>& bitmap, uint32_t dcId) {
  if (bitmap.object && !bitmap.object->stock) bitmap.object->selectedInto = dcId;
}

}  // namespace

DcView DeviceContext::CurrentView() const {
  if (viewSource) return viewSource->CurrentView();
  DcView view;
  if (state.bitmap.object) view.surface = state.bitmap.object->surface;
  return view;
}

std::shared_ptr<DeviceContext> FindDC(HDC dc) { return HandleTable::Get<DeviceContext>(dc); }

HDC CreateViewDC(std::shared_ptr<DcViewSource> source) {
  auto dc = std::make_shared<DeviceContext>();
  dc->state = DefaultState();
  dc->viewSource = std::move(source);
  return AddDC(dc);
}

DcTarget ResolveTarget(const DeviceContext& dc) {
  DcView view = dc.CurrentView();
  DcTarget target;
  if (!view.surface) return target;
  target.surface = view.surface;
  const DcState& s = dc.state;
  target.offset =
      POINT{view.origin.x + s.viewportOrg.x - s.windowOrg.x, view.origin.y + s.viewportOrg.y - s.windowOrg.y};
  target.clip = Region(RECT{0, 0, view.surface->Width(), view.surface->Height()});
  // The visible part and the DC's own clip, both in device coordinates.
  const std::optional<Region>* limits[] = {&view.visible, &s.clip};
  for (const std::optional<Region>* limit : limits) {
    if (!*limit) continue;
    Region shifted = **limit;
    shifted.Offset(view.origin.x, view.origin.y);
    target.clip.Intersect(shifted);
  }
  return target;
}

COLORREF ResolveColor(const DeviceContext& dc, COLORREF color) {
  if ((color >> 24) == 0x01) {
    const PaletteObject* palette = dc.state.palette.object.get();
    WORD index = LOWORD(color);
    if (!palette || index >= palette->entries.size()) return RGB(0, 0, 0);
    return EntryColor(palette->entries[index]);
  }
  return color & 0xFFFFFF;
}

}  // namespace detail

namespace {

using detail::DeviceContext;
using detail::Region;

std::shared_ptr<DeviceContext> DCOrFail(HDC dc) {
  auto context = detail::FindDC(dc);
  if (!context) SetLastError(ERROR_INVALID_HANDLE);
  return context;
}

// The part of the surface the DC may draw on, in device coordinates.
// What ResolveTarget clips to, in device coordinates, from one look at the
// window's view.
Region DrawableDeviceRegion(const DeviceContext& dc) {
  const detail::DcView view = dc.CurrentView();
  if (!view.surface) return Region();
  Region drawable(RECT{-view.origin.x, -view.origin.y, view.surface->Width() - view.origin.x,
                       view.surface->Height() - view.origin.y});
  if (view.visible) drawable.Intersect(*view.visible);
  if (dc.state.clip) drawable.Intersect(*dc.state.clip);
  return drawable;
}

POINT LogicalToDevice(const detail::DcState& s, int x, int y) {
  return POINT{x - s.windowOrg.x + s.viewportOrg.x, y - s.windowOrg.y + s.viewportOrg.y};
}

RECT LogicalRectToDevice(const detail::DcState& s, int left, int top, int right, int bottom) {
  POINT a = LogicalToDevice(s, left, top);
  POINT b = LogicalToDevice(s, right, bottom);
  return detail::NormalizedRect(a.x, a.y, b.x, b.y);
}

template <class T>
T SetAttribute(HDC dc, T detail::DcState::*field, T value, T failure) {
  auto context = DCOrFail(dc);
  if (!context) return failure;
  T previous = context->state.*field;
  context->state.*field = value;
  return previous;
}

template <class T>
T GetAttribute(HDC dc, T detail::DcState::*field, T failure) {
  auto context = DCOrFail(dc);
  return context ? context->state.*field : failure;
}

BOOL SetOrigin(HDC dc, POINT detail::DcState::*field, int x, int y, LPPOINT previous) {
  auto context = DCOrFail(dc);
  if (!context) return FALSE;
  if (previous) *previous = context->state.*field;
  context->state.*field = POINT{x, y};
  return TRUE;
}

BOOL GetOrigin(HDC dc, POINT detail::DcState::*field, LPPOINT origin) {
  auto context = DCOrFail(dc);
  if (!context || !origin) return FALSE;
  *origin = context->state.*field;
  return TRUE;
}

HGDIOBJ SelectBitmap(DeviceContext& dc, HGDIOBJ bitmap) {
  auto held = detail::Hold<detail::BitmapObject>(bitmap);
  if (!dc.IsMemory() || (held.object->selectedInto != 0 && held.object->selectedInto != dc.id)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  detail::Held<detail::BitmapObject> previous = dc.state.bitmap;
  detail::MarkSelected(previous, 0);
  detail::MarkSelected(held, dc.id);
  dc.state.bitmap = held;
  return previous.Handle<HGDIOBJ>();
}

template <class T>
HGDIOBJ Replace(detail::Held<T>& slot, HGDIOBJ object) {
  HGDIOBJ previous = slot.template Handle<HGDIOBJ>();
  slot = detail::Hold<T>(object);
  return previous;
}

int ClipResult(const DeviceContext& dc) { return DrawableDeviceRegion(dc).Complexity(); }

// The clip region to narrow down: the current one, or everything.
Region& ClipToNarrow(DeviceContext& dc) {
  if (!dc.state.clip) dc.state.clip = Region(detail::kEverything);
  return *dc.state.clip;
}

}  // namespace

HDC CreateCompatibleDC(HDC dc) {
  if (dc && !DCOrFail(dc)) return nullptr;
  auto context = std::make_shared<DeviceContext>();
  context->state = detail::DefaultState();
  context->state.bitmap = detail::Hold<detail::BitmapObject>(detail::StockBitmap());
  return detail::AddDC(context);
}

BOOL DeleteDC(HDC dc) {
  auto context = DCOrFail(dc);
  if (!context) return FALSE;
  detail::MarkSelected(context->state.bitmap, 0);
  detail::HandleTable::Remove(context->id);
  return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  auto context = DCOrFail(dc);
  auto found = detail::HandleTable::Find(HandleId(object));
  if (!context || !found) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  detail::DcState& s = context->state;
  switch (found->Kind()) {
    case detail::HandleKind::Brush:
      return Replace(s.brush, object);
    case detail::HandleKind::Pen:
      return Replace(s.pen, object);
    case detail::HandleKind::Font:
      return Replace(s.font, object);
    case detail::HandleKind::Bitmap:
      return SelectBitmap(*context, object);
    case detail::HandleKind::Region:
      return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(SelectClipRgn(dc, static_cast<HRGN>(object))));
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
  auto context = DCOrFail(dc);
  if (!context) return nullptr;
  const detail::DcState& s = context->state;
  switch (type) {
    case OBJ_PEN:
      return s.pen.Handle<HGDIOBJ>();
    case OBJ_BRUSH:
      return s.brush.Handle<HGDIOBJ>();
    case OBJ_PAL:
      return s.palette.Handle<HGDIOBJ>();
    case OBJ_FONT:
      return s.font.Handle<HGDIOBJ>();
    case OBJ_BITMAP:
      return s.bitmap.Handle<HGDIOBJ>();
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
  return SetAttribute(dc, &detail::DcState::textColor, color, CLR_INVALID);
}
COLORREF GetTextColor(HDC dc) { return GetAttribute(dc, &detail::DcState::textColor, CLR_INVALID); }
COLORREF SetBkColor(HDC dc, COLORREF color) { return SetAttribute(dc, &detail::DcState::bkColor, color, CLR_INVALID); }
COLORREF GetBkColor(HDC dc) { return GetAttribute(dc, &detail::DcState::bkColor, CLR_INVALID); }

int SetBkMode(HDC dc, int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return SetAttribute(dc, &detail::DcState::bkMode, mode, 0);
}
int GetBkMode(HDC dc) { return GetAttribute(dc, &detail::DcState::bkMode, 0); }

int SetROP2(HDC dc, int mode) {
  if (mode < R2_BLACK || mode > R2_WHITE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return SetAttribute(dc, &detail::DcState::rop2, mode, 0);
}
int GetROP2(HDC dc) { return GetAttribute(dc, &detail::DcState::rop2, 0); }

int SetStretchBltMode(HDC dc, int mode) {
  if (mode < BLACKONWHITE || mode > HALFTONE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return SetAttribute(dc, &detail::DcState::stretchMode, mode, 0);
}
int GetStretchBltMode(HDC dc) { return GetAttribute(dc, &detail::DcState::stretchMode, 0); }

BOOL SetViewportOrgEx(HDC dc, int x, int y, LPPOINT previous) {
  return SetOrigin(dc, &detail::DcState::viewportOrg, x, y, previous);
}
BOOL GetViewportOrgEx(HDC dc, LPPOINT origin) { return GetOrigin(dc, &detail::DcState::viewportOrg, origin); }
BOOL SetWindowOrgEx(HDC dc, int x, int y, LPPOINT previous) {
  return SetOrigin(dc, &detail::DcState::windowOrg, x, y, previous);
}
BOOL GetWindowOrgEx(HDC dc, LPPOINT origin) { return GetOrigin(dc, &detail::DcState::windowOrg, origin); }

int SaveDC(HDC dc) {
  auto context = DCOrFail(dc);
  if (!context) return 0;
  context->saved.push_back(context->state);
  return static_cast<int>(context->saved.size());
}

BOOL RestoreDC(HDC dc, int level) {
  auto context = DCOrFail(dc);
  if (!context) return FALSE;
  int count = static_cast<int>(context->saved.size());
  int index = level < 0 ? count + level : level - 1;
  if (level == 0 || index < 0 || index >= count) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  detail::DcState restored = context->saved[index];
  context->saved.resize(index);
  // A bitmap that another DC took over meanwhile stays there; this DC keeps
  // the bitmap it has.
  auto& wanted = restored.bitmap.object;
  if (wanted && wanted->selectedInto != 0 && wanted->selectedInto != context->id) {
    restored.bitmap = context->state.bitmap;
  } else {
    detail::MarkSelected(context->state.bitmap, 0);
    detail::MarkSelected(restored.bitmap, context->id);
  }
  context->state = std::move(restored);
  return TRUE;
}

int SelectClipRgn(HDC dc, HRGN region) {
  auto context = DCOrFail(dc);
  if (!context) return ERROR;
  if (!region) {
    context->state.clip.reset();
    return ClipResult(*context);
  }
  auto object = detail::FindRegion(region);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return ERROR;
  }
  context->state.clip = object->region;
  return ClipResult(*context);
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
  auto context = DCOrFail(dc);
  if (!context) return ERROR;
  ClipToNarrow(*context).Intersect(Region(LogicalRectToDevice(context->state, left, top, right, bottom)));
  return ClipResult(*context);
}

int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
  auto context = DCOrFail(dc);
  if (!context) return ERROR;
  ClipToNarrow(*context).Subtract(Region(LogicalRectToDevice(context->state, left, top, right, bottom)));
  return ClipResult(*context);
}

int GetClipBox(HDC dc, LPRECT box) {
  auto context = DCOrFail(dc);
  if (!context || !box) return ERROR;
  Region drawable = DrawableDeviceRegion(*context);
  RECT r = drawable.Box();
  if (!drawable.IsEmpty()) {
    const detail::DcState& s = context->state;
    int dx = s.windowOrg.x - s.viewportOrg.x;
    int dy = s.windowOrg.y - s.viewportOrg.y;
    r = RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
  }
  *box = r;
  return drawable.Complexity();
}

BOOL RectVisible(HDC dc, const RECT* rect) {
  auto context = DCOrFail(dc);
  if (!context || !rect) return FALSE;
  const detail::DcState& s = context->state;
  const int dx = s.viewportOrg.x - s.windowOrg.x;
  const int dy = s.viewportOrg.y - s.windowOrg.y;
  const RECT device{rect->left + dx, rect->top + dy, rect->right + dx, rect->bottom + dy};
  return DrawableDeviceRegion(*context).Overlaps(device) ? TRUE : FALSE;
}

int GetDeviceCaps(HDC dc, int index) {
  if (!DCOrFail(dc)) return 0;
  SIZE screen = detail::ScreenSize();
  constexpr int kDotsPerInch = 96;
  switch (index) {
    case TECHNOLOGY:
      return DT_RASDISPLAY;
    case HORZSIZE:
      return screen.cx * 254 / (kDotsPerInch * 10);
    case VERTSIZE:
      return screen.cy * 254 / (kDotsPerInch * 10);
    case HORZRES:
    case DESKTOPHORZRES:
      return screen.cx;
    case VERTRES:
    case DESKTOPVERTRES:
      return screen.cy;
    case BITSPIXEL:
      return 32;
    case PLANES:
      return 1;
    case NUMCOLORS:
      return -1;
    case RASTERCAPS:
      return RC_BITBLT | RC_BITMAP64 | RC_GDI20_OUTPUT | RC_DI_BITMAP | RC_DIBTODEV | RC_BIGFONT | RC_STRETCHBLT |
             RC_FLOODFILL | RC_STRETCHDIB;
    case LOGPIXELSX:
    case LOGPIXELSY:
      return kDotsPerInch;
    case SIZEPALETTE:
      return 0;
    case NUMRESERVED:
      return 20;
    case COLORRES:
      return 24;
    default:
      return 0;
  }
}

}  // namespace win
