#include "platform/Bitmaps.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/DeviceContext.h"
#include "platform/Errors.h"
#include "platform/Palettes.h"

namespace win {

namespace {

using detail::BitmapObject;
using detail::Surface;

constexpr int kDeviceBitCount = 32;

// Device bitmaps lay their rows out padded to 16 bits.
int DeviceStride(int width, int bitCount) { return (width * bitCount + 15) / 16 * 2; }

template <class T>
T Fail(DWORD error, T result = T{}) {
  SetLastError(error);
  return result;
}

HBITMAP AddBitmap(std::shared_ptr<Surface> surface, std::optional<BITMAPINFOHEADER> dibHeader = std::nullopt) {
  if (!surface) return Fail<HBITMAP>(ERROR_NOT_ENOUGH_MEMORY);
  auto bitmap = std::make_shared<BitmapObject>();
  bitmap->surface = std::move(surface);
  bitmap->dibHeader = dibHeader;
  return detail::AddObject<HBITMAP>(bitmap);
}

std::shared_ptr<Surface> NewDeviceSurface(int width, int height, int bitCount) {
  return Surface::Create(width, height, bitCount, true, {}, bitCount == 1);
}

HBITMAP CreateSection(const detail::DibFormat& format, const BITMAPINFOHEADER& header, void** bits) {
  auto surface = Surface::Create(format.width, format.height, format.bitCount, format.topDown, format.colors);
  if (!surface) return Fail<HBITMAP>(ERROR_NOT_ENOUGH_MEMORY);
  BITMAPINFOHEADER kept = header;
  kept.biSize = sizeof(BITMAPINFOHEADER);
  kept.biSizeImage = static_cast<DWORD>(surface->ByteSize());
  if (bits) *bits = surface->Bits();
  return AddBitmap(surface, kept);
}

const detail::PaletteObject* PaletteOf(HDC dc) {
  auto context = detail::FindDC(dc);
  return context ? context->state.palette.object.get() : nullptr;
}

// The colour table GetDIBits reports for a depth: the bitmap's own when it
// has that depth, else the platform's standard table of the depth.
std::vector<COLORREF> TableForDepth(const Surface& source, int bitCount) {
  if (source.BitCount() == bitCount) return source.Colors();
  switch (bitCount) {
    case 1:
      return {RGB(0, 0, 0), RGB(255, 255, 255)};
    case 4:
      return {RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
              RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(128, 128, 128),
              RGB(192, 192, 192), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
              RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255)};
    default:
      return detail::SystemPaletteColors();
  }
}

void WriteColorTable(BITMAPINFO* info, UINT usage, std::vector<COLORREF> colors, int bitCount) {
  colors.resize(size_t{1} << bitCount, RGB(0, 0, 0));
  auto* table = reinterpret_cast<BYTE*>(info) + info->bmiHeader.biSize;
  for (size_t i = 0; i < colors.size(); ++i) {
    if (usage == DIB_PAL_COLORS) {
      WORD index = static_cast<WORD>(i);
      std::memcpy(table + i * sizeof(WORD), &index, sizeof index);
    } else {
      RGBQUAD q{GetBValue(colors[i]), GetGValue(colors[i]), GetRValue(colors[i]), 0};
      std::memcpy(table + i * sizeof(RGBQUAD), &q, sizeof q);
    }
  }
}

// Copies `count` rows, row fromRow(r) of `from` to row toRow(r) of `to`, as
// many pixels as both are wide, keeping the colours.
template <class FromRow, class ToRow>
void CopyRows(const Surface& from, Surface& to, int count, FromRow fromRow, ToRow toRow) {
  detail::ColorTranslator translate(from, to);
  int width = std::min(from.Width(), to.Width());
  for (int r = 0; r < count; ++r) {
    int y = toRow(r);
    if (y < 0 || y >= to.Height()) continue;
    int sourceY = fromRow(r);
    for (int x = 0; x < width; ++x) to.Set(x, y, translate(from.Get(x, sourceY)));
  }
}

std::shared_ptr<BitmapObject> SelectedSection(HDC dc) {
  auto context = detail::FindDC(dc);
  if (!context) return Fail<std::shared_ptr<BitmapObject>>(ERROR_INVALID_HANDLE);
  auto bitmap = context->state.bitmap.object;
  if (!bitmap || !bitmap->dibHeader || bitmap->surface->BitCount() > 8)
    return Fail<std::shared_ptr<BitmapObject>>(ERROR_INVALID_PARAMETER);
  return bitmap;
}

}  // namespace

namespace detail {

int BitmapObject::Describe(int size, void* out) const {
  BITMAP bm{0,
            surface->Width(),
            surface->Height(),
            dibHeader ? surface->Stride() : DeviceStride(surface->Width(), surface->BitCount()),
            1,
            static_cast<WORD>(surface->BitCount()),
            dibHeader ? surface->Bits() : nullptr};
  if (!out) return dibHeader ? sizeof(DIBSECTION) : sizeof(BITMAP);
  if (dibHeader && size >= static_cast<int>(sizeof(DIBSECTION))) {
    DIBSECTION ds{bm, *dibHeader, {0, 0, 0}, nullptr, 0};
    std::memcpy(out, &ds, sizeof ds);
    return sizeof(DIBSECTION);
  }
  if (size < static_cast<int>(sizeof(BITMAP))) return 0;
  std::memcpy(out, &bm, sizeof bm);
  return sizeof(BITMAP);
}

HBITMAP StockBitmap() {
  static HBITMAP stock = [] {
    auto bitmap = std::make_shared<BitmapObject>();
    bitmap->surface = NewDeviceSurface(1, 1, 1);
    bitmap->stock = true;
    return AddObject<HBITMAP>(bitmap);
  }();
  return stock;
}

std::optional<DibFormat> ReadDibFormat(const BITMAPINFO* info, UINT usage, const PaletteObject* palette) {
  if (!info || (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS)) return std::nullopt;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biCompression != BI_RGB ||
      !Surface::ValidBitCount(h.biBitCount) || h.biWidth <= 0 || h.biWidth > Surface::kMaxDimension ||
      h.biHeight == 0 || h.biHeight < -Surface::kMaxDimension || h.biHeight > Surface::kMaxDimension)
    return std::nullopt;
  DibFormat format;
  format.width = h.biWidth;
  format.height = std::abs(h.biHeight);
  format.topDown = h.biHeight < 0;
  format.bitCount = h.biBitCount;
  if (format.bitCount > 8) return format;
  DWORD full = 1u << format.bitCount;
  DWORD count = h.biClrUsed == 0 ? full : std::min(h.biClrUsed, full);
  const BYTE* table = reinterpret_cast<const BYTE*>(info) + h.biSize;
  if (usage == DIB_PAL_COLORS && !palette) return std::nullopt;
  for (DWORD i = 0; i < count; ++i) {
    if (usage == DIB_PAL_COLORS) {
      WORD index;
      std::memcpy(&index, table + i * sizeof(WORD), sizeof index);
      format.colors.push_back(index < palette->entries.size() ? EntryColor(palette->entries[index]) : RGB(0, 0, 0));
    } else {
      RGBQUAD q;
      std::memcpy(&q, table + i * sizeof(RGBQUAD), sizeof q);
      format.colors.push_back(RGB(q.rgbRed, q.rgbGreen, q.rgbBlue));
    }
  }
  return format;
}

std::shared_ptr<Surface> WrapDibRows(const DibFormat& format, const void* bits, int lines) {
  // Read-only use: the blits and conversions never write to a wrapped source.
  return Surface::Wrap(format.width, lines, format.bitCount, true, format.colors,
                       static_cast<BYTE*>(const_cast<void*>(bits)));
}

}  // namespace detail

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitCount, const void* bits) {
  if (width < 0 || height < 0 || planes != 1 || (bitCount != 1 && bitCount != kDeviceBitCount))
    return Fail<HBITMAP>(ERROR_INVALID_PARAMETER);
  if (width == 0 || height == 0) return detail::StockBitmap();
  auto surface = NewDeviceSurface(width, height, static_cast<int>(bitCount));
  if (!surface) return Fail<HBITMAP>(ERROR_NOT_ENOUGH_MEMORY);
  if (bits) {
    int from = DeviceStride(width, static_cast<int>(bitCount));
    for (int y = 0; y < height; ++y)
      std::memcpy(surface->Row(y), static_cast<const BYTE*>(bits) + static_cast<size_t>(y) * from, from);
  }
  return AddBitmap(surface);
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  auto context = detail::FindDC(dc);
  if (!context) return Fail<HBITMAP>(ERROR_INVALID_HANDLE);
  if (width < 0 || height < 0) return Fail<HBITMAP>(ERROR_INVALID_PARAMETER);
  if (width == 0 || height == 0) return detail::StockBitmap();
  const BitmapObject* selected = context->IsMemory() ? context->state.bitmap.object.get() : nullptr;
  if (selected && selected->dibHeader) {
    const Surface& s = *selected->surface;
    detail::DibFormat format{width, height, s.TopDown(), s.BitCount(), s.Colors()};
    BITMAPINFOHEADER header = *selected->dibHeader;
    header.biWidth = width;
    header.biHeight = s.TopDown() ? -height : height;
    return CreateSection(format, header, nullptr);
  }
  int bitCount = selected && selected->surface->MonoDevice() ? 1 : kDeviceBitCount;
  return AddBitmap(NewDeviceSurface(width, height, bitCount));
}

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset) {
  if (bits) *bits = nullptr;
  if (section) return Fail<HBITMAP>(ERROR_NOT_SUPPORTED);
  if (usage == DIB_PAL_COLORS && !detail::FindDC(dc)) return Fail<HBITMAP>(ERROR_INVALID_HANDLE);
  auto format = detail::ReadDibFormat(info, usage, PaletteOf(dc));
  if (!format) return Fail<HBITMAP>(ERROR_INVALID_PARAMETER);
  return CreateSection(*format, info->bmiHeader, bits);
}

int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info, UINT usage) {
  auto object = detail::HandleTable::Get<BitmapObject>(bitmap);
  if (!detail::FindDC(dc) || !object) return Fail(ERROR_INVALID_HANDLE, 0);
  if (!info || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) ||
      (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS))
    return Fail(ERROR_INVALID_PARAMETER, 0);
  const Surface& source = *object->surface;
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biBitCount == 0) {
    if (bits) return Fail(ERROR_INVALID_PARAMETER, 0);
    h.biWidth = source.Width();
    h.biHeight = source.Height();
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(source.BitCount());
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(source.ByteSize());
    h.biClrUsed = h.biClrImportant = 0;
    return source.Height();
  }
  if (!Surface::ValidBitCount(h.biBitCount) || h.biWidth <= 0) return Fail(ERROR_INVALID_PARAMETER, 0);
  // The rows take the layout the caller's header describes, so that they fit
  // the caller's buffer; columns beyond the bitmap stay zero.
  int bitCount = h.biBitCount;
  int width = h.biWidth;
  std::vector<COLORREF> table = bitCount <= 8 ? TableForDepth(source, bitCount) : std::vector<COLORREF>{};
  if (bitCount <= 8) WriteColorTable(info, usage, table, bitCount);
  h.biSizeImage = static_cast<DWORD>(Surface::StrideFor(width, bitCount)) * source.Height();
  if (!bits) return source.Height();

  int height = source.Height();
  int first = static_cast<int>(std::min<UINT>(start, static_cast<UINT>(height)));
  int count = static_cast<int>(std::min<UINT>(lines, static_cast<UINT>(height - first)));
  if (count == 0) return 0;
  auto rows = Surface::Wrap(width, count, bitCount, true, table, static_cast<BYTE*>(bits));
  if (!rows) return Fail(ERROR_INVALID_PARAMETER, 0);
  std::memset(rows->Bits(), 0, rows->ByteSize());
  bool topDown = h.biHeight < 0;
  CopyRows(source, *rows, count, [&](int r) {
    int scan = first + r;
    return topDown ? scan : height - 1 - scan;
  }, [](int r) { return r; });
  return count;
}

int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage) {
  auto object = detail::HandleTable::Get<BitmapObject>(bitmap);
  if (!detail::FindDC(dc) || !object) return Fail(ERROR_INVALID_HANDLE, 0);
  auto format = detail::ReadDibFormat(info, usage, PaletteOf(dc));
  if (!format || !bits) return Fail(ERROR_INVALID_PARAMETER, 0);
  int first = static_cast<int>(std::min<UINT>(start, static_cast<UINT>(format->height)));
  int count = static_cast<int>(std::min<UINT>(lines, static_cast<UINT>(format->height - first)));
  if (count == 0) return 0;
  auto rows = detail::WrapDibRows(*format, bits, count);
  Surface& target = *object->surface;
  bool topDown = format->topDown;
  CopyRows(*rows, target, count, [](int r) { return r; }, [&](int r) {
    int scan = first + r;
    return topDown ? scan : target.Height() - 1 - scan;
  });
  return count;
}

UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors) {
  auto section = SelectedSection(dc);
  if (!section || !colors) return 0;
  const std::vector<COLORREF>& table = section->surface->Colors();
  UINT n = 0;
  for (UINT i = start; i < table.size() && n < count; ++i, ++n)
    colors[n] = RGBQUAD{GetBValue(table[i]), GetGValue(table[i]), GetRValue(table[i]), 0};
  return n;
}

UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors) {
  auto section = SelectedSection(dc);
  if (!section || !colors) return 0;
  std::vector<COLORREF>& table = section->surface->Colors();
  UINT n = 0;
  for (UINT i = start; i < table.size() && n < count; ++i, ++n)
    table[i] = RGB(colors[n].rgbRed, colors[n].rgbGreen, colors[n].rgbBlue);
  return n;
}

}  // namespace win
