#include "resources/Artwork.h"

#include "framework/Bitmaps.h"
#include "framework/Streams.h"

bool LoadArtwork(std::string_view Name, TBitmap* Bitmap) {
  for (int i = 0; i < kArtworkFileCount; ++i) {
    if (Name != kArtworkFiles[i].name) continue;
    TMemoryStream stream;
    stream.WriteBuffer(kArtworkFiles[i].bytes, kArtworkFiles[i].size);
    stream.SetPosition(0);
    Bitmap->LoadFromStream(&stream);
    return true;
  }
  return false;
}
