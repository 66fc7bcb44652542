#include "images/bench/GiflibReference.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/Palettes.h"
#include "platform/Types.h"

namespace gifbench {
namespace {

struct Source {
  const std::string& bytes;
  size_t position = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int count) {
  auto* source = static_cast<Source*>(gif->UserData);
  const size_t n = std::min<size_t>(count, source->bytes.size() - source->position);
  std::memcpy(out, source->bytes.data() + source->position, n);
  source->position += n;
  return static_cast<int>(n);
}

struct Rect {
  int left, top, right, bottom;
};

// The frame's rectangle inside the screen.
Rect Clip(const GifImageDesc& d, const Picture& p) {
  return {std::max(d.Left, 0), std::max(d.Top, 0), std::min(d.Left + d.Width, p.width),
          std::min(d.Top + d.Height, p.height)};
}

void Fill(Picture& p, const Rect& r, const GifColorType& c) {
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) {
      uint8_t* out = &p.bgr[3 * (static_cast<size_t>(y) * p.width + x)];
      out[0] = c.Blue;
      out[1] = c.Green;
      out[2] = c.Red;
    }
}

// The colours of a frame: its colour map's, or without one the first 255
// entries of the system palette, whose indices ktvGIF then takes the pixels for.
std::vector<GifColorType> FrameColors(const ColorMapObject* map) {
  if (map) return {map->Colors, map->Colors + map->ColorCount};
  std::vector<GifColorType> colors;
  const std::vector<win::COLORREF>& system = win::detail::SystemPaletteColors();
  for (size_t i = 0; i < std::min<size_t>(255, system.size()); ++i)
    colors.push_back({win::GetRValue(system[i]), win::GetGValue(system[i]), win::GetBValue(system[i])});
  return colors;
}

void DrawFrame(Picture& p, const SavedImage& image, const std::vector<GifColorType>& colors, int transparent) {
  const GifImageDesc& d = image.ImageDesc;
  const Rect r = Clip(d, p);
  for (int y = r.top; y < r.bottom; ++y) {
    const GifByteType* in = image.RasterBits + static_cast<size_t>(y - d.Top) * d.Width;
    uint8_t* out = &p.bgr[3 * (static_cast<size_t>(y) * p.width)];
    for (int x = r.left; x < r.right; ++x) {
      const size_t index = in[x - d.Left];
      if (static_cast<int>(index) == transparent) continue;
      const GifColorType c = index < colors.size() ? colors[index] : GifColorType{0, 0, 0};
      out[3 * x] = c.Blue;
      out[3 * x + 1] = c.Green;
      out[3 * x + 2] = c.Red;
    }
  }
}

}  // namespace

bool GiflibDecode(const std::string& bytes, Picture& picture, std::string& error) {
  Source source{bytes};
  int status = 0;
  GifFileType* gif = DGifOpen(&source, ReadFromMemory, &status);
  if (!gif) {
    error = GifErrorString(status);
    return false;
  }
  if (DGifSlurp(gif) != GIF_OK) {
    error = GifErrorString(gif->Error);
    DGifCloseFile(gif, &status);
    return false;
  }
  picture.width = gif->SWidth;
  picture.height = gif->SHeight;
  picture.bgr.assign(3 * static_cast<size_t>(picture.width) * picture.height, 0);
  GifColorType background{0, 0, 0};
  if (gif->SColorMap && gif->SBackGroundColor < gif->SColorMap->ColorCount)
    background = gif->SColorMap->Colors[gif->SBackGroundColor];
  Fill(picture, {0, 0, picture.width, picture.height}, background);
  std::vector<uint8_t> saved;
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& image = gif->SavedImages[i];
    GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    DGifSavedExtensionToGCB(gif, i, &control);
    const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    if (control.DisposalMode == DISPOSE_PREVIOUS) saved = picture.bgr;
    DrawFrame(picture, image, FrameColors(map), control.TransparentColor);
    if (control.DisposalMode == DISPOSE_BACKGROUND) Fill(picture, Clip(image.ImageDesc, picture), background);
    if (control.DisposalMode == DISPOSE_PREVIOUS) picture.bgr.swap(saved);
  }
  DGifCloseFile(gif, &status);
  return true;
}

}  // namespace gifbench
