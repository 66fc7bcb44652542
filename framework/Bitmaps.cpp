#include "framework/Bitmaps.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "framework/Consts.h"
#include "framework/Exceptions.h"
#include "framework/Offscreen.h"
#include "framework/Streams.h"
#include "platform/Bitmaps.h"
#include "platform/DeviceContext.h"
#include "platform/Drawing.h"
#include "platform/Palettes.h"
#include "platform/Raster.h"

using win::BYTE;
using win::COLORREF;

using namespace bitmapfile;

namespace {

constexpr int kMaxSide = 32767;  // the platform's largest bitmap side
constexpr win::DWORD kBitFields = 3;
constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;

// A BITMAPINFO with room for a full colour table.
struct DibInfo {
  win::BITMAPINFOHEADER header{};
  win::RGBQUAD colors[256]{};

  DibInfo(int width, int height, int bitCount, const std::vector<COLORREF>& table = {}) {
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<win::WORD>(bitCount);
    header.biCompression = win::BI_RGB;
    header.biClrUsed = static_cast<win::DWORD>(table.size());
    for (size_t i = 0; i < table.size(); ++i)
      colors[i] = win::RGBQUAD{win::GetBValue(table[i]), win::GetGValue(table[i]), win::GetRValue(table[i]), 0};
  }
  win::BITMAPINFO* get() { return reinterpret_cast<win::BITMAPINFO*>(this); }
};

// Deletes a new bitmap unless it is released to its owner.
class BitmapGuard {
 public:
  explicit BitmapGuard(win::HBITMAP bitmap) : bitmap_(bitmap) {}
  ~BitmapGuard() {
    if (bitmap_) win::DeleteObject(bitmap_);
  }
  BitmapGuard(const BitmapGuard&) = delete;
  BitmapGuard& operator=(const BitmapGuard&) = delete;
  win::HBITMAP get() const { return bitmap_; }
  win::HBITMAP Release() { return std::exchange(bitmap_, nullptr); }

 private:
  win::HBITMAP bitmap_;
};

int64_t StrideOf(int width, int bitCount) { return (int64_t{width} * bitCount + 31) / 32 * 4; }

bool ValidDepth(int bitCount) {
  return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24 || bitCount == 32;
}

TPixelFormat FormatOfDepth(int bitCount) {
  switch (bitCount) {
    case 1:
      return pf1bit;
    case 4:
      return pf4bit;
    case 8:
      return pf8bit;
    case 24:
      return pf24bit;
    default:
      return pf32bit;
  }
}

// The colour tables of new bitmaps: black and white, the sixteen colours of
// the standard 4-bit table, and the system palette.
std::vector<COLORREF> DefaultColors(int bitCount) {
  switch (bitCount) {
    case 1:
      return {win::RGB(0, 0, 0), win::RGB(255, 255, 255)};
    case 4:
      return {win::RGB(0, 0, 0),       win::RGB(128, 0, 0),   win::RGB(0, 128, 0),   win::RGB(128, 128, 0),
              win::RGB(0, 0, 128),     win::RGB(128, 0, 128), win::RGB(0, 128, 128), win::RGB(128, 128, 128),
              win::RGB(192, 192, 192), win::RGB(255, 0, 0),   win::RGB(0, 255, 0),   win::RGB(255, 255, 0),
              win::RGB(0, 0, 255),     win::RGB(255, 0, 255), win::RGB(0, 255, 255), win::RGB(255, 255, 255)};
    default: {
      TMemoryDC dc;
      win::PALETTEENTRY entries[256];
      win::UINT count = win::GetSystemPaletteEntries(dc.Handle(), 0, 256, entries);
      std::vector<COLORREF> colors;
      for (win::UINT i = 0; i < count; ++i) colors.push_back(win::detail::EntryColor(entries[i]));
      return colors;
    }
  }
}

// ---- The bitmap file ----------------------------------------------------------

[[noreturn]] void InvalidBitmap() { throw EInvalidGraphic(SInvalidBitmap); }


// Exactly `count` bytes, or the file is not valid.
void ReadExactly(TStream* stream, void* buffer, int64_t count) {
  auto* at = static_cast<BYTE*>(buffer);
  while (count > 0) {
    int chunk = static_cast<int>(std::min<int64_t>(count, int64_t{1} << 30));
    if (stream->Read(at, chunk) != chunk) InvalidBitmap();
    at += chunk;
    count -= chunk;
  }
}

// What the headers of a bitmap file say.
struct DibFileHeader {
  int width = 0;
  int height = 0;
  int bitCount = 0;
  bool topDown = false;
  std::vector<COLORREF> colors;
};

// Reads the headers and the colour table of the bitmap file at the stream's
// position, checking every size, offset and count against what the stream
// holds, and leaves the stream at the pixel rows.
DibFileHeader ReadDibFileHeader(TStream* stream) {
  const int64_t start = stream->Position();
  const int64_t length = stream->Size() - start;
  auto need = [length](int64_t end) {
    if (end > length) InvalidBitmap();
  };

  BYTE file[kFileHeaderSize];
  need(kFileHeaderSize + 4);
  ReadExactly(stream, file, sizeof file);
  if (file[0] != 'B' || file[1] != 'M') InvalidBitmap();
  const int64_t offBits = Le32(file + 10);

  // BITMAPCOREHEADER, or BITMAPINFOHEADER and its longer later forms.
  BYTE info[124] = {};
  ReadExactly(stream, info, 4);
  const uint32_t infoSize = Le32(info);
  const bool core = infoSize == 12;
  if (!core && (infoSize < kInfoHeaderSize || infoSize > sizeof info)) InvalidBitmap();
  need(kFileHeaderSize + int64_t{infoSize});
  ReadExactly(stream, info + 4, infoSize - 4);

  DibFileHeader h;
  int64_t height;
  uint32_t planes, compression = win::BI_RGB, colorsUsed = 0;
  if (core) {
    h.width = static_cast<int>(Le16(info + 4));
    height = Le16(info + 6);
    planes = Le16(info + 8);
    h.bitCount = static_cast<int>(Le16(info + 10));
  } else {
    h.width = static_cast<int32_t>(Le32(info + 4));
    height = static_cast<int32_t>(Le32(info + 8));
    planes = Le16(info + 12);
    h.bitCount = static_cast<int>(Le16(info + 14));
    compression = Le32(info + 16);
    colorsUsed = Le32(info + 32);
  }
  h.topDown = height < 0;
  height = h.topDown ? -height : height;
  if (planes != 1 || h.width <= 0 || h.width > kMaxSide || height == 0 || height > kMaxSide || !ValidDepth(h.bitCount))
    InvalidBitmap();
  h.height = static_cast<int>(height);

  int64_t tableStart = kFileHeaderSize + int64_t{infoSize};
  if (compression == kBitFields) {
    // Only the masks of plain 32-bit pixels; they end a BITMAPINFOHEADER
    // and lie inside the later forms.
    if (h.bitCount != 32) InvalidBitmap();
    BYTE masks[12];
    if (infoSize >= kInfoHeaderSize + sizeof masks) {
      std::memcpy(masks, info + kInfoHeaderSize, sizeof masks);
    } else {
      need(tableStart + int64_t{sizeof masks});
      ReadExactly(stream, masks, sizeof masks);
      tableStart += sizeof masks;
    }
    if (Le32(masks) != 0xFF0000 || Le32(masks + 4) != 0xFF00 || Le32(masks + 8) != 0xFF) InvalidBitmap();
  } else if (compression != win::BI_RGB) {
    InvalidBitmap();
  }

  int64_t tableEnd = tableStart;
  if (h.bitCount <= 8) {
    // A count of 0 means the full table.
    const uint32_t full = 1u << h.bitCount;
    const uint32_t count = colorsUsed == 0 ? full : colorsUsed;
    if (count > full) InvalidBitmap();
    const int entry = core ? 3 : 4;  // RGBTRIPLE or RGBQUAD
    tableEnd = tableStart + int64_t{count} * entry;
    need(tableEnd);
    std::vector<BYTE> table(static_cast<size_t>(count) * entry);
    ReadExactly(stream, table.data(), static_cast<int64_t>(table.size()));
    for (size_t i = 0; i < count; ++i) {
      const BYTE* e = &table[i * entry];
      h.colors.push_back(win::RGB(e[2], e[1], e[0]));
    }
  }

  if (offBits < tableEnd) InvalidBitmap();
  need(offBits + StrideOf(h.width, h.bitCount) * h.height);
  if (stream->Seek(start + offBits, soFromBeginning) != start + offBits) InvalidBitmap();
  return h;
}

// Writes the file header, a BITMAPINFOHEADER and `colors` at the start of `file`.
void WriteDibFileHeader(BYTE* file, int width, int height, int bitCount, const std::vector<COLORREF>& colors,
                        size_t imageBytes) {
  const uint32_t offBits = kFileHeaderSize + kInfoHeaderSize + static_cast<uint32_t>(colors.size()) * 4;
  file[0] = 'B';
  file[1] = 'M';
  Put32(file + 2, offBits + static_cast<uint32_t>(imageBytes));
  Put32(file + 10, offBits);
  BYTE* info = file + kFileHeaderSize;
  Put32(info, kInfoHeaderSize);
  Put32(info + 4, static_cast<uint32_t>(width));
  Put32(info + 8, static_cast<uint32_t>(height));
  Put16(info + 12, 1);
  Put16(info + 14, static_cast<uint32_t>(bitCount));
  Put32(info + 20, static_cast<uint32_t>(imageBytes));
  // A full table is written as a count of 0.
  bool full = colors.size() == (size_t{1} << bitCount);
  Put32(info + 32, full ? 0 : static_cast<uint32_t>(colors.size()));
  BYTE* table = info + kInfoHeaderSize;
  for (size_t i = 0; i < colors.size(); ++i) {
    BYTE quad[4] = {win::GetBValue(colors[i]), win::GetGValue(colors[i]), win::GetRValue(colors[i]), 0};
    std::memcpy(table + i * 4, quad, 4);
  }
}

void WriteAll(TStream* stream, const std::vector<BYTE>& bytes) {
  size_t at = 0;
  while (at < bytes.size()) {
    int chunk = static_cast<int>(std::min<size_t>(bytes.size() - at, size_t{1} << 30));
    stream->WriteBuffer(bytes.data() + at, chunk);
    at += chunk;
  }
}

}  // namespace

// ---- TBitmapCanvas --------------------------------------------------------------

// The canvas of a bitmap: a memory device context with the bitmap selected,
// made when first needed and let go whenever the bitmap changes its handle.
class TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap* Bitmap) : bitmap_(Bitmap) {}
  ~TBitmapCanvas() override { FreeContext(); }

  void FreeContext() {
    if (!dc_) return;
    SetHandle(nullptr);
    if (old_) win::SelectObject(dc_, old_);
    win::DeleteDC(dc_);
    dc_ = nullptr;
    old_ = nullptr;
  }

 protected:
  void CreateHandle() override {
    dc_ = win::CreateCompatibleDC(nullptr);
    if (!dc_) throw EOutOfResources(SOutOfResources);
    if (bitmap_->handle_) old_ = win::SelectObject(dc_, bitmap_->handle_);
    SetHandle(dc_);
  }

 private:
  TBitmap* bitmap_;
  win::HDC dc_ = nullptr;
  win::HGDIOBJ old_ = nullptr;
};

// ---- TBitmap ----------------------------------------------------------------------

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  canvas_.reset();
  if (handle_) win::DeleteObject(handle_);
  if (palette_) win::DeleteObject(palette_);
}

int TBitmap::BitCount(const Layout& layout) {
  switch (layout.format) {
    case pfDevice:
      return layout.monochrome ? 1 : 32;
    case pf1bit:
      return 1;
    case pf4bit:
      return 4;
    case pf8bit:
      return 8;
    case pf24bit:
      return 24;
    default:
      return 32;
  }
}

TBitmap::Layout TBitmap::LayoutOf(TPixelFormat format, const Layout& from) {
  Layout layout;
  layout.format = format;
  int bitCount = BitCount(layout);
  if (format == pfDevice || bitCount > 8) return layout;
  // A colour table that fits is kept, and with it every colour.
  bool fromTable = from.format != pfDevice && BitCount(from) <= 8;
  if (fromTable && from.colors.size() <= (size_t{1} << bitCount))
    layout.colors = from.colors;
  else
    layout.colors = DefaultColors(bitCount);
  return layout;
}

win::HBITMAP TBitmap::NewHandle(int width, int height, const Layout& layout, BYTE** bits) const {
  *bits = nullptr;
  if (width < 0 || height < 0) throw EInvalidGraphic(SInvalidImageSize);
  if (width == 0 || height == 0) return nullptr;
  win::HBITMAP bitmap;
  if (layout.format == pfDevice) {
    bitmap = win::CreateBitmap(width, height, 1, BitCount(layout), nullptr);
  } else {
    DibInfo info(width, height, BitCount(layout), layout.colors);
    void* memory = nullptr;
    bitmap = win::CreateDIBSection(nullptr, info.get(), win::DIB_RGB_COLORS, &memory, nullptr, 0);
    *bits = static_cast<BYTE*>(memory);
  }
  if (!bitmap) throw EOutOfResources(SOutOfResources);
  return bitmap;
}

void TBitmap::Reshape(int width, int height, Layout layout) {
  BYTE* bits = nullptr;
  BitmapGuard fresh(NewHandle(width, height, layout, &bits));
  if (fresh.get()) {
    TMemoryDC target(fresh.get());
    win::RECT all{0, 0, width, height};
    win::HBRUSH fill =
        canvas_ ? canvas_->Brush()->Handle() : static_cast<win::HBRUSH>(win::GetStockObject(win::WHITE_BRUSH));
    win::FillRect(target.Handle(), &all, fill);
    if (handle_) {
      // Fresh contexts convert to and from monochrome the plain way: white
      // is 1, everything else 0.
      if (canvas_) canvas_->FreeContext();
      TMemoryDC source(handle_);
      win::BitBlt(target.Handle(), 0, 0, std::min(width, width_), std::min(height, height_), source.Handle(), 0, 0,
                  win::SRCCOPY);
    }
  }
  Replace(fresh.Release(), width, height, std::move(layout), bits, false);
}

void TBitmap::Replace(win::HBITMAP handle, int width, int height, Layout layout, BYTE* bits, bool topDown) {
  if (canvas_) canvas_->FreeContext();
  if (handle_) win::DeleteObject(handle_);
  if (palette_) win::DeleteObject(palette_);
  palette_ = nullptr;
  handle_ = handle;
  width_ = width;
  height_ = height;
  layout_ = std::move(layout);
  bits_ = bits;
  topDown_ = topDown;
  Changed(this);
}

void TBitmap::Assign(TPersistent* Source) {
  if (!Source) return Replace(nullptr, 0, 0, layout_, nullptr, false);
  auto* bitmap = dynamic_cast<TBitmap*>(Source);
  if (!bitmap) return TGraphic::Assign(Source);
  if (bitmap == this) return;
  Layout layout = bitmap->layout_;
  layout.colors = bitmap->Colors();
  BYTE* bits = nullptr;
  BitmapGuard copy(NewHandle(bitmap->width_, bitmap->height_, layout, &bits));
  if (copy.get()) {
    TMemoryDC target(copy.get());
    win::BitBlt(target.Handle(), 0, 0, bitmap->width_, bitmap->height_, bitmap->Canvas()->Handle(), 0, 0,
                win::SRCCOPY);
  }
  transparentColor_ = bitmap->transparentColor_;
  transparent_ = bitmap->transparent_;
  Replace(copy.Release(), bitmap->width_, bitmap->height_, std::move(layout), bits, false);
}

void TBitmap::SetSize(int AWidth, int AHeight) {
  if (AWidth == width_ && AHeight == height_) return;
  Layout layout = layout_;
  layout.colors = Colors();
  Reshape(AWidth, AHeight, std::move(layout));
}

TCanvas* TBitmap::Canvas() {
  if (!canvas_) {
    canvas_ = std::make_unique<TBitmapCanvas>(this);
    canvas_->OnChange = [this](TObject*) { Changed(this); };
  }
  return canvas_.get();
}

void TBitmap::SetHandle(win::HBITMAP Value) {
  if (Value == handle_) return;
  if (!Value) return Replace(nullptr, 0, 0, layout_, nullptr, false);
  win::DIBSECTION section{};
  int size = win::GetObjectA(Value, sizeof section, &section);
  if (size != sizeof(win::DIBSECTION) && size != sizeof(win::BITMAP)) throw EInvalidGraphic(SInvalidBitmap);
  const win::BITMAP& bm = section.dsBm;
  Layout layout;
  bool topDown = false;
  BYTE* bits = nullptr;
  if (size == sizeof(win::DIBSECTION)) {
    // The colour table is read from the section when needed.
    layout.format = FormatOfDepth(bm.bmBitsPixel);
    topDown = section.dsBmih.biHeight < 0;
    bits = static_cast<BYTE*>(bm.bmBits);
  } else {
    layout.monochrome = bm.bmBitsPixel == 1;
  }
  Replace(Value, bm.bmWidth, bm.bmHeight, std::move(layout), bits, topDown);
}

win::HPALETTE TBitmap::Palette() {
  if (palette_ || layout_.format == pfDevice) return palette_;
  const std::vector<COLORREF> colors = Colors();
  if (colors.empty()) return nullptr;
  std::vector<BYTE> memory(sizeof(win::LOGPALETTE) + colors.size() * sizeof(win::PALETTEENTRY));
  auto* logPalette = reinterpret_cast<win::LOGPALETTE*>(memory.data());
  logPalette->palVersion = 0x300;
  logPalette->palNumEntries = static_cast<win::WORD>(colors.size());
  for (size_t i = 0; i < colors.size(); ++i) {
    COLORREF c = colors[i];
    logPalette->palPalEntry[i] = win::PALETTEENTRY{win::GetRValue(c), win::GetGValue(c), win::GetBValue(c), 0};
  }
  palette_ = win::CreatePalette(logPalette);
  return palette_;
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
  if (Value == layout_.format) return;
  Layout current = layout_;
  current.colors = Colors();
  Reshape(width_, height_, LayoutOf(Value, current));
}

bool TBitmap::Monochrome() const { return BitCount(layout_) == 1; }

void TBitmap::SetMonochrome(bool Value) {
  if (Value == Monochrome()) return;
  Layout layout;
  layout.monochrome = Value;
  Reshape(width_, height_, std::move(layout));
}

TColor TBitmap::TransparentColor() {
  if (transparentColor_ != clDefault) return ColorToRGB(transparentColor_);
  if (Monochrome()) return clWhite;
  return Canvas()->Pixels(0, height_ - 1);
}

void TBitmap::SetTransparentColor(TColor Value) {
  if (Value == transparentColor_) return;
  transparentColor_ = Value;
  Changed(this);
}

void TBitmap::SetTransparentMode(TTransparentMode Value) {
  if (Value == TransparentMode()) return;
  SetTransparentColor(Value == tmAuto ? clDefault : TransparentColor());
}

void* TBitmap::ScanLine(int Row) {
  if (Empty() || Row < 0 || Row >= height_) throw EInvalidGraphic(SScanLine);
  if (!bits_) SetPixelFormat(Monochrome() ? pf1bit : pf32bit);
  int memoryRow = topDown_ ? Row : height_ - 1 - Row;
  return bits_ + memoryRow * StrideOf(width_, BitCount(layout_));
}

void TBitmap::LoadFromStream(TStream* Stream) {
  if (Stream->Size() - Stream->Position() <= 0) return Replace(nullptr, 0, 0, layout_, nullptr, false);
  DibFileHeader file = ReadDibFileHeader(Stream);
  Layout layout;
  layout.format = FormatOfDepth(file.bitCount);
  layout.colors = std::move(file.colors);
  BYTE* bits = nullptr;
  BitmapGuard bitmap(NewHandle(file.width, file.height, layout, &bits));
  // The section is bottom-up.
  const int64_t stride = StrideOf(file.width, file.bitCount);
  if (file.topDown) {
    for (int y = 0; y < file.height; ++y) ReadExactly(Stream, bits + (file.height - 1 - y) * stride, stride);
  } else {
    ReadExactly(Stream, bits, stride * file.height);
  }
  Replace(bitmap.Release(), file.width, file.height, std::move(layout), bits, false);
}

void TBitmap::SaveToStream(TStream* Stream) {
  if (Empty()) return;
  const int bitCount = BitCount(layout_);
  const int64_t stride = StrideOf(width_, bitCount);
  const size_t imageBytes = static_cast<size_t>(stride) * height_;
  const std::vector<COLORREF> colors = Colors();
  std::vector<BYTE> file(kFileHeaderSize + kInfoHeaderSize + colors.size() * 4 + imageBytes);
  WriteDibFileHeader(file.data(), width_, height_, bitCount, colors, imageBytes);
  BYTE* rows = file.data() + file.size() - imageBytes;
  if (bits_) {
    // The section's own bits, so that every colour index stays as it is.
    for (int y = 0; y < height_; ++y) {
      int memoryRow = topDown_ ? height_ - 1 - y : y;
      std::memcpy(rows + y * stride, bits_ + memoryRow * stride, static_cast<size_t>(stride));
    }
  } else {
    TMemoryDC dc;
    DibInfo info(width_, height_, bitCount);
    win::GetDIBits(dc.Handle(), handle_, 0, static_cast<win::UINT>(height_), rows, info.get(), win::DIB_RGB_COLORS);
  }
  WriteAll(Stream, file);
}

std::vector<COLORREF> TBitmap::Colors() {
  if (BitCount(layout_) > 8) return {};
  if (layout_.format == pfDevice) return DefaultColors(1);
  if (!bits_) return layout_.colors;
  // The section's table as it is now, whoever set it.
  win::RGBQUAD quads[256];
  win::UINT count = win::GetDIBColorTable(Canvas()->Handle(), 0, 256, quads);
  std::vector<COLORREF> colors;
  for (win::UINT i = 0; i < count; ++i)
    colors.push_back(win::RGB(quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue));
  return colors;
}

void TBitmap::Draw(TCanvas* ACanvas, const TRect& Rect) {
  win::HDC dest = ACanvas->Handle();
  // Shrinking colour keeps whole pixels rather than mixing their bits.
  if (!Monochrome()) win::SetStretchBltMode(dest, win::COLORONCOLOR);
  const int width = Rect.right - Rect.left;
  const int height = Rect.bottom - Rect.top;
  if (Transparent()) {
    BitmapGuard mask(NewMask(TransparentColor()));
    TMemoryDC maskDC(mask.get());
    TransparentStretchBlt(dest, Rect.left, Rect.top, width, height, Canvas()->Handle(), 0, 0, width_, height_,
                          maskDC.Handle(), 0, 0);
  } else {
    win::StretchBlt(dest, Rect.left, Rect.top, width, height, Canvas()->Handle(), 0, 0, width_, height_,
                    ACanvas->CopyMode);
  }
}

void TBitmap::Mask(TColor TransparentColor) {
  if (Empty()) return;
  Layout monochrome;
  monochrome.monochrome = true;
  Replace(NewMask(TransparentColor), width_, height_, std::move(monochrome), nullptr, false);
}

win::HBITMAP TBitmap::NewMask(TColor color) {
  BitmapGuard mask(win::CreateBitmap(width_, height_, 1, 1, nullptr));
  if (!mask.get()) throw EOutOfResources(SOutOfResources);
  const COLORREF rgb = ColorToRGB(color) & 0xFFFFFF;
  win::HDC source = Canvas()->Handle();
  TMemoryDC target(mask.get());
  if (layout_.format == pfDevice && layout_.monochrome) {
    // Monochrome to monochrome copies the bits: white is 1.
    win::BitBlt(target.Handle(), 0, 0, width_, height_, source, 0, 0, rgb == 0 ? win::NOTSRCCOPY : win::SRCCOPY);
  } else {
    // Colour to monochrome makes the source's background colour 1.
    COLORREF background = win::SetBkColor(source, rgb);
    win::BitBlt(target.Handle(), 0, 0, width_, height_, source, 0, 0, win::SRCCOPY);
    win::SetBkColor(source, background);
  }
  return mask.Release();
}
