#include "platform/Snapshot.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "platform/Bitmaps.h"
#include "platform/DeviceContext.h"

namespace win::test {

namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

bool WritePng(const detail::Surface& surface, const std::string& path) {
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  // Rows are built before the jump point so that no object with a destructor
  // is skipped by libpng's error jump.
  int width = surface.Width();
  int height = surface.Height();
  std::vector<std::vector<png_byte>> rows(height, std::vector<png_byte>(static_cast<size_t>(width) * 3));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      COLORREF c = surface.ToColor(surface.Get(x, y));
      png_byte* p = &rows[y][static_cast<size_t>(x) * 3];
      p[0] = GetRValue(c);
      p[1] = GetGValue(c);
      p[2] = GetBValue(c);
    }
  }
  std::vector<png_bytep> pointers;
  for (auto& row : rows) pointers.push_back(row.data());
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return false;
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fflush(file.get()) == 0;
}

}  // namespace

bool SaveBitmapPng(HBITMAP bitmap, const std::string& path) {
  auto object = detail::HandleTable::Get<detail::BitmapObject>(bitmap);
  return object && WritePng(*object->surface, path);
}

bool SaveBitmapPng(HDC dc, const std::string& path) {
  auto context = detail::FindDC(dc);
  if (!context) return false;
  detail::DcView view = context->CurrentView();
  return view.surface && WritePng(*view.surface, path);
}

}  // namespace win::test
