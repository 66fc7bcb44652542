#include "platform/Palettes.h"

#include <algorithm>
#include <cstring>

#include "platform/DeviceContext.h"
#include "platform/Errors.h"

namespace win {

namespace {

constexpr WORD kPaletteVersion = 0x300;
constexpr UINT kSystemPaletteSize = 256;

// The static colours: the first ten at the bottom of the system palette, the
// last ten at its top.
constexpr COLORREF kStaticColors[20] = {
    RGB(0, 0, 0),       RGB(128, 0, 0),     RGB(0, 128, 0),     RGB(128, 128, 0),   RGB(0, 0, 128),
    RGB(128, 0, 128),   RGB(0, 128, 128),   RGB(192, 192, 192), RGB(192, 220, 192), RGB(166, 202, 240),
    RGB(255, 251, 240), RGB(160, 160, 164), RGB(128, 128, 128), RGB(255, 0, 0),     RGB(0, 255, 0),
    RGB(255, 255, 0),   RGB(0, 0, 255),     RGB(255, 0, 255),   RGB(0, 255, 255),   RGB(255, 255, 255),
};

PALETTEENTRY EntryOf(COLORREF c) { return PALETTEENTRY{GetRValue(c), GetGValue(c), GetBValue(c), 0}; }

UINT CopyEntries(const std::vector<PALETTEENTRY>& from, UINT start, UINT count, PALETTEENTRY* to) {
  if (start >= from.size()) return 0;
  UINT n = std::min<UINT>(count, static_cast<UINT>(from.size()) - start);
  std::copy_n(from.begin() + start, n, to);
  return n;
}

}  // namespace

namespace detail {

int PaletteObject::Describe(int size, void* out) const {
  if (!out) return sizeof(WORD);
  if (size < static_cast<int>(sizeof(WORD))) return 0;
  WORD count = static_cast<WORD>(entries.size());
  std::memcpy(out, &count, sizeof count);
  return sizeof(WORD);
}

HPALETTE DefaultPalette() {
  static HPALETTE palette = [] {
    auto object = std::make_shared<PaletteObject>();
    object->stock = true;
    for (COLORREF c : kStaticColors) object->entries.push_back(EntryOf(c));
    return AddObject<HPALETTE>(object);
  }();
  return palette;
}

const std::vector<COLORREF>& SystemPaletteColors() {
  static const auto* colors = [] {
    auto* c = new std::vector<COLORREF>(kSystemPaletteSize, RGB(0, 0, 0));
    std::copy_n(kStaticColors, 10, c->begin());
    std::copy_n(kStaticColors + 10, 10, c->end() - 10);
    return c;
  }();
  return *colors;
}

}  // namespace detail

HPALETTE CreatePalette(const LOGPALETTE* palette) {
  if (!palette || palette->palVersion != kPaletteVersion || palette->palNumEntries == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto object = std::make_shared<detail::PaletteObject>();
  object->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
  return detail::AddObject<HPALETTE>(object);
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
  auto object = detail::HandleTable::Get<detail::PaletteObject>(palette);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!entries) return static_cast<UINT>(object->entries.size());
  return CopyEntries(object->entries, start, count, entries);
}

UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY* entries) {
  if (!detail::FindDC(dc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!entries) return kSystemPaletteSize;
  std::vector<PALETTEENTRY> system;
  for (COLORREF c : detail::SystemPaletteColors()) system.push_back(EntryOf(c));
  return CopyEntries(system, start, count, entries);
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground) {
  auto context = detail::FindDC(dc);
  auto held = detail::Hold<detail::PaletteObject>(palette);
  if (!context || !held.object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  HPALETTE previous = context->state.palette.Handle<HPALETTE>();
  context->state.palette = held;
  return previous;
}

UINT RealizePalette(HDC dc) {
  if (!detail::FindDC(dc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return GDI_ERROR;
  }
  return 0;  // a true-colour display maps no entries into a system palette
}

}  // namespace win
