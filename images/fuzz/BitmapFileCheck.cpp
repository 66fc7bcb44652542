#include "images/fuzz/BitmapFileCheck.h"

#include <cstdint>
#include <vector>

#include "framework/Bitmaps.h"
#include "framework/Exceptions.h"
#include "framework/Streams.h"
#include "images/Bitmap.h"

namespace bmpcheck {

namespace {

// The picture loaded from the bytes; false when the loader refuses them.
bool Load(const std::string& bytes, TBitmap& bitmap) {
  TStringStream stream(bytes);
  try {
    bitmap.LoadFromStream(&stream);
    return true;
  } catch (const EInvalidGraphic&) {
    return false;
  } catch (const EOutOfResources&) {
    return false;  // a size the platform cannot make
  }
}

std::vector<TColor> Colors(TBitmap& bitmap) {
  std::vector<TColor> colors;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) colors.push_back(bitmap.Canvas()->Pixels(x, y));
  return colors;
}

}  // namespace

std::string CheckBitmapFile(const std::string& bytes) {
  TStringStream stream(bytes);
  TBitmapColors colors;
  const bool declared = IsBitmapFile(&stream) && ReadBitmapColors(&stream, colors);
  TBitmap bitmap;
  if (!Load(bytes, bitmap) || bitmap.Empty()) return {};
  if (!declared) return "the loader takes a file that the colour-table reader refuses";
  if (colors.BitDepth == 0 || static_cast<long long>(bitmap.Width()) * bitmap.Height() > kMaxRewrittenPixels) return {};

  const std::vector<uint8_t> file = EncodeBitmapFile(&bitmap, colors.BitDepth, colors.Palette.get());
  if (file.empty()) return "the picture cannot be written at its own depth";
  TBitmap again;
  if (!Load(std::string(file.begin(), file.end()), again)) return "the written file does not load";
  if (again.Width() != bitmap.Width() || again.Height() != bitmap.Height()) return "the written file has another size";
  if (colors.BitDepth > 8 && Colors(again) != Colors(bitmap)) return "the written file has other colours";
  return {};
}

}  // namespace bmpcheck
