// Drawing off the screen: memory device contexts, and parts of a device
// context composed in 32-bit colour, so that raster operations combine
// colours and not the colour indices of a destination with a colour table.
#pragma once

#include "framework/Graphics.h"

// A memory device context that holds a bitmap for as long as it lives.
class TMemoryDC {
 public:
  // None: for the calls that need a device context but draw nothing.
  TMemoryDC() { Open(nullptr); }
  // The caller's bitmap, which stays the caller's.
  explicit TMemoryDC(win::HBITMAP Bitmap);
  // A new black 32-bit bitmap of its own; EOutOfResources when the
  // platform cannot make one.
  TMemoryDC(int Width, int Height);
  ~TMemoryDC();
  TMemoryDC(const TMemoryDC&) = delete;
  TMemoryDC& operator=(const TMemoryDC&) = delete;

  win::HDC Handle() const { return dc_; }

 private:
  void Open(win::HBITMAP Bitmap);
  win::HDC dc_ = nullptr;
  win::HGDIOBJ old_ = nullptr;
  win::HBITMAP own_ = nullptr;
};

// A rectangle of a device context (logical coordinates) copied into a 32-bit
// memory context at (0, 0), to be composed there and copied back by Commit.
class TOffscreen : public TMemoryDC {
 public:
  TOffscreen(win::HDC Dest, const TRect& Rect);
  void Commit();

 private:
  win::HDC dest_;
  TRect rect_;
};

// Source (SourceWidth by SourceHeight at SourceX, SourceY) stretched into
// (X, Y, Width, Height) of Dest, leaving out the pixels where the monochrome
// Mask (at MaskX, MaskY, of the source's size) is 1. A monochrome source
// shows its 0 in Dest's text colour and its 1 in Dest's background colour.
// Nothing for sizes of 0 or below.
void TransparentStretchBlt(win::HDC Dest, int X, int Y, int Width, int Height, win::HDC Source, int SourceX,
                           int SourceY, int SourceWidth, int SourceHeight, win::HDC Mask, int MaskX, int MaskY);
