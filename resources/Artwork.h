// The lozenge's artwork, compiled into the library from the bitmap files
// that resources/draw_artwork.py draws.
#pragma once

#include <string_view>

class TBitmap;

struct ArtworkFile {
  const char* name;
  const unsigned char* bytes;
  unsigned size;
};

extern const ArtworkFile kArtworkFiles[];
extern const int kArtworkFileCount;

// Loads the named artwork file ("skin.bmp", ...) into the bitmap; false for
// an unknown name.
bool LoadArtwork(std::string_view Name, TBitmap* Bitmap);
