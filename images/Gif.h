// ktvGIF: a GIF decoder (87a and 89a) that renders straight into a 24-bit
// bitmap the caller supplies and plays animations in place: each image is
// drawn, announced, waited for (keeping the message loop running) and
// disposed of before the next block is read.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "framework/Bitmaps.h"
#include "framework/Classes.h"
#include "platform/Palettes.h"

class TStream;

// A logical palette with room for 256 entries; an entry read as a 32-bit
// value is the platform colour of the same colour (flags are 0).
struct TGIFPalette {
  win::WORD palVersion = 0x300;
  win::WORD palNumEntries = 0;
  std::array<win::PALETTEENTRY, 256> palPalEntry{};

  TColor Color(int Index) const { return win::detail::EntryColor(palPalEntry[Index & 0xFF]); }
};

// The graphic control extension as it lies in the file.
struct TGIFGraphicControl {
  uint8_t Introducer;
  uint8_t Label;
  uint8_t BlockSize;
  uint8_t Flags;  // bit 0 transparency, bit 1 user input, bits 2-4 disposal
  uint8_t Delay[2];  // hundredths of a second, little-endian
  uint8_t TransparentIndex;
  uint8_t Terminator;

  int DelayTime() const { return Delay[0] | Delay[1] << 8; }
  int Disposal() const { return (Flags >> 2) & 7; }
  bool HasTransparency() const { return Flags & 1; }
  bool WaitsForInput() const { return Flags & 2; }
};
static_assert(sizeof(TGIFGraphicControl) == 8);

using TGIFRenderedEvent = std::function<void(TObject* Sender, const TRect& Rect)>;
using TGIFCommentEvent = std::function<void(TObject* Sender, const char* Text)>;
// Buffer holds the identifier sub-block followed by the data sub-blocks,
// without their size bytes; Length counts all of it.
using TGIFApplicationEvent = std::function<void(TObject* Sender, const uint8_t* Buffer, int Length)>;
// True ends the wait for user input.
using TGIFUserInputEvent = std::function<bool(TObject* Sender)>;

class ktvGIF : public TComponent {
 public:
  explicit ktvGIF(TComponent* AOwner);
  ~ktvGIF() override;

  // Renders every image and plain-text block of the stream into Bitmap,
  // which becomes 24-bit. A malformed stream raises EInvalidGraphic
  // "GIFイメージが不正です"; one that ends early ends the load as its
  // trailer would. What was drawn stays.
  virtual void LoadFromStream(TStream* Stream, TBitmap* Bitmap);
  virtual void LoadFromFile(const std::string& FileName, TBitmap* Bitmap);
  // Reads the header and the global colour table and leaves the stream
  // after them; false when decoding is disabled or the stream is no GIF.
  virtual bool IsSupport(TStream* Stream);
  virtual bool IsSupport(const std::string& FileName);

  // The global palette of the last header read; null before one.
  const TGIFPalette* GlobalPalette() const { return palette_.get(); }

  int32_t Enabled = 1;  // 0 makes every stream unsupported
  bool Animate = true;  // false ends the load after the first rendered block
  int32_t ScreenWidth = 0;
  int32_t ScreenHeight = 0;
  // Where the logical screen lies inside the target.
  int32_t OriginX = 0;
  int32_t OriginY = 0;
  int32_t ColorResolution = 0;  // bits per primary, 1-8
  bool PlainText = true;        // render plain-text extensions
  bool UseDelay = true;         // false treats every delay as 0
  bool KeepSize = false;        // keep a non-empty target's size
  // Ends the load after the current block; may be set from an event handler.
  bool Stop = false;
  TColor BackgroundColor = 0;
  bool FillBackground = true;
  win::DWORD RasterOp = cmSrcCopy;
  bool UseTransparency = true;
  // When set, the palette entry of this colour is transparent.
  TColor ForceTransparentColor = clNone;
  bool TransparentFlag = false;  // of the last graphic control extension
  TColor TransparentColor = clNone;

  TGIFRenderedEvent OnRendered;
  TGIFCommentEvent OnComment;
  TGIFApplicationEvent OnApplicationData;
  TGIFUserInputEvent OnUserInput;

 private:
  class Reader;
  class Decoder;
  struct CodeTable;

  void DispatchBlocks(Reader& reader);
  void LoadImageDescriptor(Reader& reader);
  void LoadGraphicControlExtension(Reader& reader);
  void LoadPlaneTextExtension(Reader& reader);
  void LoadCommentExtension(Reader& reader);
  void LoadApplicationExtension(Reader& reader);
  void SkipSubBlocks(Reader& reader);

  std::unique_ptr<TGIFPalette> MakePalette(const uint8_t* Entries, int Count);
  void SetPalette(std::unique_ptr<TGIFPalette> Palette);
  void SetTransparentColor(const TGIFPalette& Palette);
  void SaveBackground();
  void RestoreBackground();
  void FillImageRect(TColor Color);
  void DrawPlainText(const uint8_t* Text, int Length, int CellWidth, int CellHeight, int& X, int& Y);
  void DrawGlyphHole(int Left, int Top, int Width, int Height, const std::string& Character);
  void EndRendering();
  void WaitDelay(int Delay);
  void WaitForUserInput();
  bool UserInputEnds();
  void PumpMessages();
  void OnTimer(TObject* Sender);

  std::unique_ptr<TGIFPalette> palette_;
  std::unique_ptr<CodeTable> codes_;  // during a load
  TBitmap* target_ = nullptr;
  TGIFGraphicControl control_{};
  bool timerExpired_ = false;
  bool glyphHoles_ = false;  // plain text with a transparent foreground
  int32_t imageLeft_ = 0;
  int32_t imageTop_ = 0;
  int32_t imageWidth_ = 0;
  int32_t imageHeight_ = 0;
  // The part of the target under the image, for disposal method 3.
  std::unique_ptr<TBitmap> savedBackground_;
  TRect savedRect_{};
};
