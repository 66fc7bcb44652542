// Snapshots of bitmaps and device contexts as PNG files, for a person to
// look at what a test or a scenario drew.
#pragma once

#include <string>

#include "platform/Types.h"

namespace win::test {

// Writes the bitmap's pixels (8-bit RGB) to the host file `path`; false when
// the handle names no bitmap or the file cannot be written.
bool SaveBitmapPng(HBITMAP bitmap, const std::string& path);
// The surface the DC draws on: its selected bitmap, or a window's surface.
bool SaveBitmapPng(HDC dc, const std::string& path);

}  // namespace win::test
