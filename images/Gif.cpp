#include "images/Gif.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/Streams.h"
#include "framework/Timer.h"
#include "platform/Messages.h"
#include "platform/Raster.h"
#include "platform/Text.h"

namespace {

constexpr uint8_t kExtensionIntroducer = 0x21;
constexpr uint8_t kImageSeparator = 0x2C;
constexpr uint8_t kTrailer = 0x3B;
constexpr uint8_t kPlainTextLabel = 0x01;
constexpr uint8_t kGraphicControlLabel = 0xF9;
constexpr uint8_t kCommentLabel = 0xFE;
constexpr uint8_t kApplicationLabel = 0xFF;

constexpr int kBlockBufferSize = 1027;  // a sub-block, or a colour table of 256 entries
constexpr int kMaxCodes = 4096;
constexpr int kMaxCodeSize = 12;

[[noreturn]] void InvalidImage() { throw EInvalidGraphic(SJ("GIFイメージが不正です")); }

int Word(const uint8_t* p) { return p[0] | p[1] << 8; }

// A pixel as 24-bit DIBs hold it: blue, green, red from the low byte up.
uint32_t DibPixel(TColor color) { return (color & 0xFF) << 16 | (color & 0xFF00) | (color >> 16 & 0xFF); }

// Fills the part of the rectangle inside a 24-bit bitmap with the colour.
void FillPixels(TBitmap& bitmap, const TRect& rect, TColor color) {
  const int left = std::max(rect.left, 0);
  const int top = std::max(rect.top, 0);
  const int right = std::min(rect.right, bitmap.Width());
  const int bottom = std::min(rect.bottom, bitmap.Height());
  if (bitmap.Empty() || left >= right || top >= bottom) return;
  const uint32_t pixel = DibPixel(ColorToRGB(color));
  std::vector<uint8_t> row(3 * static_cast<size_t>(right - left));
  for (size_t x = 0; x < row.size(); x += 3) {
    row[x] = static_cast<uint8_t>(pixel);
    row[x + 1] = static_cast<uint8_t>(pixel >> 8);
    row[x + 2] = static_cast<uint8_t>(pixel >> 16);
  }
  for (int y = top; y < bottom; ++y) std::memcpy(static_cast<uint8_t*>(bitmap.ScanLine(y)) + 3 * left, row.data(), row.size());
}

}  // namespace

// The stream read through a buffer. The end of the stream inside a block
// throws Ended, which ends the load as the trailer would; the bytes read
// ahead are given back to the stream when the reader goes.
class ktvGIF::Reader {
 public:
  struct Ended {};

  explicit Reader(TStream* stream) : stream_(stream) {}
  ~Reader() {
    if (pos_ == end_) return;
    try {
      stream_->Seek(pos_ - end_, soFromCurrent);
    } catch (...) {
      // A stream that cannot go back keeps its position past the read-ahead.
    }
  }

  uint8_t Byte() {
    if (pos_ == end_ && !Fill()) throw Ended{};
    return chunk_[pos_++];
  }

  void Read(uint8_t* out, int count) {
    if (ReadSome(out, count) != count) throw Ended{};
  }

  // The size of the sub-block read into `out`; 0 for the terminator.
  int SubBlock(uint8_t* out) {
    const int size = Byte();
    Read(out, size);
    return size;
  }

  // As SubBlock, but the end of the stream counts as the terminator and a
  // cut sub-block keeps what it has: image data decodes as far as it goes.
  int DataSubBlock(uint8_t* out) {
    if (ended_) return 0;
    if (pos_ == end_ && !Fill()) {
      ended_ = true;
      return 0;
    }
    const int size = chunk_[pos_++];
    const int got = ReadSome(out, size);
    if (got != size) ended_ = true;
    return got;
  }

  uint8_t* BlockBuffer() { return block_.data(); }

 private:
  int ReadSome(uint8_t* out, int count) {
    int got = 0;
    while (got < count) {
      if (pos_ == end_ && !Fill()) break;
      const int n = std::min(count - got, end_ - pos_);
      std::memcpy(out + got, chunk_.data() + pos_, n);
      pos_ += n;
      got += n;
    }
    return got;
  }

  bool Fill() {
    pos_ = 0;
    end_ = std::max(0, stream_->Read(chunk_.data(), static_cast<int>(chunk_.size())));
    return end_ > 0;
  }

  TStream* stream_;
  std::array<uint8_t, 16384> chunk_;
  int pos_ = 0;
  int end_ = 0;
  bool ended_ = false;
  std::array<uint8_t, kBlockBufferSize> block_;
};

// The LZW code table: roots are their own one-byte strings, every other
// entry a prefix entry plus one byte. The first byte and the length of each
// string let a string be written backwards straight into the row.
struct ktvGIF::CodeTable {
  struct Entry {
    int16_t prefix;  // -1 for a root
    uint8_t suffix;
    uint8_t first;
  };
  std::array<Entry, kMaxCodes> entries;
  std::array<uint16_t, kMaxCodes> length;
};

// One image: LZW codes from the data sub-blocks into a row of palette
// indices, each full row drawn into the target by interlace pass.
class ktvGIF::Decoder {
 public:
  Decoder(ktvGIF& gif, Reader& reader, CodeTable& table, const TGIFPalette& palette, bool interlaced)
      : gif_(gif), reader_(reader), table_(table), row_(gif.imageWidth_), pass_(interlaced ? 1 : 0) {
    for (int i = 0; i < 256; ++i) colors_[i] = DibPixel(palette.Color(i));
    transparent_ = gif.control_.HasTransparency();
    transparentIndex_ = gif.control_.TransparentIndex;
    BindTarget(*gif.target_);
    if (interlaced && (transparent_ || rop_ != 0xCC)) SaveTargetUnderImage();
  }

  void Run(int minimumCodeSize) {
    // Pixels are bytes: wider roots cannot be drawn and would not fit the table.
    if (minimumCodeSize < 1 || minimumCodeSize > 8) InvalidImage();
    minimumCodeSize_ = minimumCodeSize;
    ResetRoots();
    ClearCodeTable();
    int previous = -1;
    int code;
    while (GetCode(code)) {
      if (code == clear_) {
        ClearCodeTable();
        previous = -1;
        continue;
      }
      if (code == clear_ + 1) {
        SkipRemainingData();
        break;
      }
      if (code < nextCode_) {
        WriteCodeTable(code);
        SetCodeTable(previous, table_.entries[code].first);
      } else {
        // The one code not yet in the table is the previous string plus
        // its own first byte.
        if (previous < 0 || code != nextCode_) InvalidImage();
        SetCodeTable(previous, table_.entries[previous].first);
        WriteCodeTable(code);
      }
      previous = code;
    }
    if (position_ > 0) DrawRow(row_, 1, position_);
  }

  // An image without pixels: its data is passed over.
  void Skip() { SkipRemainingData(); }

 private:
  void BindTarget(TBitmap& target) {
    targetWidth_ = target.Width();
    targetHeight_ = target.Height();
    if (target.Empty()) return;
    bits_ = static_cast<uint8_t*>(target.ScanLine(0));
    stride_ = targetHeight_ > 1 ? static_cast<uint8_t*>(target.ScanLine(1)) - bits_ : 0;
    const TColor brush = ColorToRGB(target.Canvas()->Brush()->Color());
    pattern_ = DibPixel(brush);
    rop_ = win::detail::RopIndex(gif_.RasterOp);
  }

  // An interlaced image copies each row of an early pass over the rows below
  // it, as a preview. Where drawing reads the target (transparent pixels, a
  // raster operation), each row is drawn over what the target held before
  // the image instead, so the final picture does not depend on the preview.
  void SaveTargetUnderImage() {
    const int left = gif_.imageLeft_;
    savedFrom_ = std::max(0, -left);
    const int to = std::min(gif_.imageWidth_, targetWidth_ - left);
    savedTop_ = std::max(0, gif_.imageTop_);
    const int bottom = std::min(targetHeight_, gif_.imageTop_ + gif_.imageHeight_);
    if (!bits_ || savedFrom_ >= to || savedTop_ >= bottom) return;
    savedRowBytes_ = 3 * (to - savedFrom_);
    saved_.resize(static_cast<size_t>(savedRowBytes_) * (bottom - savedTop_));
    for (int y = savedTop_; y < bottom; ++y)
      std::memcpy(SavedRow(y), bits_ + y * stride_ + 3 * (left + savedFrom_), savedRowBytes_);
  }

  uint8_t* SavedRow(int y) { return saved_.data() + static_cast<size_t>(y - savedTop_) * savedRowBytes_; }

  void ResetRoots() {
    for (int i = 0; i < 1 << minimumCodeSize_; ++i) {
      table_.entries[i] = {-1, static_cast<uint8_t>(i), static_cast<uint8_t>(i)};
      table_.length[i] = 1;
    }
  }

  void ClearCodeTable() {
    codeSize_ = minimumCodeSize_ + 1;
    clear_ = 1 << minimumCodeSize_;
    nextCode_ = clear_ + 2;
    codeMask_ = (1u << codeSize_) - 1;
  }

  // A full table takes no entries; codes stay 12 bits until a clear code.
  void SetCodeTable(int prefix, uint8_t suffix) {
    if (nextCode_ >= kMaxCodes || prefix < 0) return;
    if (prefix >= nextCode_) InvalidImage();
    table_.entries[nextCode_] = {static_cast<int16_t>(prefix), suffix, table_.entries[prefix].first};
    table_.length[nextCode_] = static_cast<uint16_t>(table_.length[prefix] + 1);
    ++nextCode_;
    if (nextCode_ >= 1 << codeSize_ && codeSize_ < kMaxCodeSize) {
      ++codeSize_;
      codeMask_ = (1u << codeSize_) - 1;
    }
  }

  // Codes are taken least significant bit first from the data sub-blocks
  // read as one byte string. False once the data holds no further code.
  bool GetCode(int& code) {
    while (bitCount_ < codeSize_) {
      if (blockPos_ == blockLength_ && !LoadSubBlock()) return false;
      while (bitCount_ <= 56 && blockPos_ < blockLength_) {
        accumulator_ |= uint64_t{block_[blockPos_++]} << bitCount_;
        bitCount_ += 8;
      }
    }
    code = static_cast<int>(accumulator_ & codeMask_);
    accumulator_ >>= codeSize_;
    bitCount_ -= codeSize_;
    return true;
  }

  bool LoadSubBlock() {
    if (terminatorRead_) return false;
    uint8_t* block = reader_.BlockBuffer();
    blockLength_ = reader_.DataSubBlock(block);
    block_ = block;
    blockPos_ = 0;
    terminatorRead_ = blockLength_ == 0;
    return !terminatorRead_;
  }

  void SkipRemainingData() {
    while (LoadSubBlock()) {
    }
  }

  // Writes the string of `code` backwards from `end`.
  static void WriteString(const CodeTable::Entry* entries, int code, int length, uint8_t* end) {
    for (; length > 0; --length) {
      const CodeTable::Entry e = entries[code];
      *--end = e.suffix;
      code = e.prefix;
    }
  }

  // Writes the string of `code` into the row, flushing each full row.
  void WriteCodeTable(int code) {
    const int length = table_.length[code];
    const int width = gif_.imageWidth_;
    if (position_ + length <= width) {
      WriteString(table_.entries.data(), code, length, row_.data() + position_ + length);
      position_ += length;
      if (position_ == width) FlushRow();
      return;
    }
    WriteString(table_.entries.data(), code, length, string_.data() + length);
    for (int done = 0; done < length;) {
      const int n = std::min(length - done, width - position_);
      std::memcpy(row_.data() + position_, string_.data() + done, n);
      done += n;
      position_ += n;
      if (position_ == width) FlushRow();
    }
  }

  // Interlaced images come in four passes that start at rows 0, 4, 2, 1 and
  // step 8, 8, 4, 2; each row of a pass is replicated downward over the
  // rows the later passes will fill, so the picture shows coarse at first.
  void FlushRow() {
    static constexpr int kStart[] = {0, 0, 4, 2, 1};
    static constexpr int kStep[] = {1, 8, 8, 4, 2};
    static constexpr int kCopies[] = {1, 8, 4, 2, 1};
    position_ = 0;
    const int height = gif_.imageHeight_;
    if (rowIndex_ < height) DrawRow(row_, kCopies[pass_], gif_.imageWidth_);
    rowIndex_ += kStep[pass_];
    // A pass without rows in this image is passed over.
    while (pass_ >= 1 && pass_ < 4 && rowIndex_ >= height) {
      ++pass_;
      rowIndex_ = kStart[pass_];
    }
  }

  // Draws the first `count` pixels of the row at image rows rowIndex_ ..
  // + copies - 1, clipped to the image and the target.
  void DrawRow(const std::vector<uint8_t>& row, int copies, int count) {
    const int left = gif_.imageLeft_;
    const int from = std::max(0, -left);
    const int to = std::min(count, targetWidth_ - left);
    if (!bits_ || from >= to) return;
    const int last = std::min(rowIndex_ + copies, gif_.imageHeight_);
    uint8_t* firstCopy = nullptr;
    for (int r = rowIndex_; r < last; ++r) {
      const int y = gif_.imageTop_ + r;
      if (y < 0 || y >= targetHeight_) continue;
      uint8_t* out = bits_ + y * stride_ + 3 * (left + from);
      if (firstCopy && !transparent_ && rop_ == 0xCC) {
        std::memcpy(out, firstCopy, 3 * (to - from));
        continue;
      }
      if (!saved_.empty()) std::memcpy(out, SavedRow(y), 3 * (to - from));
      DrawPixels(row.data() + from, out, to - from);
      if (!firstCopy) firstCopy = out;
    }
  }

  void DrawPixels(const uint8_t* in, uint8_t* out, int count) const {
    // Locals, as the byte writes could alias the members.
    const uint32_t* colors = colors_.data();
    const bool transparent = transparent_;
    const uint8_t transparentIndex = transparentIndex_;
    if (rop_ == 0xCC) {
      for (int x = 0; x < count; ++x, out += 3) {
        const uint8_t index = in[x];
        if (transparent && index == transparentIndex) continue;
        const uint32_t c = colors[index];
        out[0] = static_cast<uint8_t>(c);
        out[1] = static_cast<uint8_t>(c >> 8);
        out[2] = static_cast<uint8_t>(c >> 16);
      }
      return;
    }
    // Transparent drawing masks the opaque pixels to black before the
    // raster operation combines the image with them.
    for (int x = 0; x < count; ++x, out += 3) {
      const uint8_t index = in[x];
      if (transparent && index == transparentIndex) continue;
      const uint32_t dest = transparent ? 0 : out[0] | out[1] << 8 | out[2] << 16;
      const uint32_t c = win::detail::ApplyRop3(rop_, pattern_, colors[index], dest);
      out[0] = static_cast<uint8_t>(c);
      out[1] = static_cast<uint8_t>(c >> 8);
      out[2] = static_cast<uint8_t>(c >> 16);
    }
  }

  ktvGIF& gif_;
  Reader& reader_;
  CodeTable& table_;
  std::array<uint32_t, 256> colors_;
  bool transparent_ = false;
  uint8_t transparentIndex_ = 0;

  uint8_t* bits_ = nullptr;
  ptrdiff_t stride_ = 0;
  int targetWidth_ = 0;
  int targetHeight_ = 0;
  uint32_t pattern_ = 0;
  uint8_t rop_ = 0xCC;

  int minimumCodeSize_ = 0;
  int codeSize_ = 0;
  unsigned codeMask_ = 0;
  int clear_ = 0;
  int nextCode_ = 0;
  uint64_t accumulator_ = 0;
  int bitCount_ = 0;
  const uint8_t* block_ = nullptr;
  int blockLength_ = 0;
  int blockPos_ = 0;
  bool terminatorRead_ = false;

  std::vector<uint8_t> saved_;  // the target under an interlaced image, see SaveTargetUnderImage
  int savedFrom_ = 0;
  int savedTop_ = 0;
  int savedRowBytes_ = 0;

  std::vector<uint8_t> row_;
  std::array<uint8_t, kMaxCodes> string_;
  int position_ = 0;
  int rowIndex_ = 0;
  int pass_ = 0;
};

ktvGIF::ktvGIF(TComponent* AOwner) : TComponent(AOwner) {}

ktvGIF::~ktvGIF() = default;

bool ktvGIF::IsSupport(TStream* Stream) {
  if (!Enabled) return false;
  uint8_t header[13];
  if (Stream->Read(header, 6) != 6 || std::memcmp(header, "GIF", 3) != 0) return false;
  if (Stream->Read(header + 6, 7) != 7) return false;
  ScreenWidth = Word(header + 6);
  ScreenHeight = Word(header + 8);
  const uint8_t packed = header[10];
  ColorResolution = ((packed >> 4) & 7) + 1;
  if (!(packed & 0x80)) {
    SetPalette(MakePalette(nullptr, 0));
    return true;
  }
  const int count = 2 << (packed & 7);
  uint8_t table[3 * 256];
  if (Stream->Read(table, 3 * count) != 3 * count) return false;
  SetPalette(MakePalette(table, count));
  BackgroundColor = palette_->Color(header[11]);
  return true;
}

bool ktvGIF::IsSupport(const std::string& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  return IsSupport(&stream);
}

void ktvGIF::LoadFromFile(const std::string& FileName, TBitmap* Bitmap) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream, Bitmap);
}

void ktvGIF::LoadFromStream(TStream* Stream, TBitmap* Bitmap) {
  TransparentFlag = false;
  TransparentColor = clNone;
  Stop = false;
  target_ = Bitmap;
  target_->SetPixelFormat(pf24bit);
  control_ = {};
  if (!IsSupport(Stream)) InvalidImage();
  if (!KeepSize || target_->Empty()) target_->SetSize(ScreenWidth + OriginX, ScreenHeight + OriginY);
  if (FillBackground) FillPixels(*target_, Bounds(OriginX, OriginY, ScreenWidth, ScreenHeight), BackgroundColor);
  struct LoadScope {
    ktvGIF& gif;
    ~LoadScope() {
      gif.codes_.reset();
      gif.savedBackground_.reset();
    }
  } scope{*this};
  codes_ = std::make_unique<CodeTable>();
  Reader reader(Stream);
  try {
    DispatchBlocks(reader);
  } catch (const Reader::Ended&) {
    // The stream ended early: the load ends where its trailer would be.
  }
}

void ktvGIF::DispatchBlocks(Reader& reader) {
  while (!Stop) {
    const uint8_t introducer = reader.Byte();
    if (introducer == kTrailer) return;
    if (introducer == kImageSeparator) {
      LoadImageDescriptor(reader);
      continue;
    }
    if (introducer != kExtensionIntroducer) InvalidImage();
    switch (reader.Byte()) {
      case kPlainTextLabel:
        LoadPlaneTextExtension(reader);
        break;
      case kGraphicControlLabel:
        LoadGraphicControlExtension(reader);
        break;
      case kCommentLabel:
        LoadCommentExtension(reader);
        break;
      case kApplicationLabel:
        LoadApplicationExtension(reader);
        break;
      default:
        InvalidImage();
    }
  }
}

void ktvGIF::SkipSubBlocks(Reader& reader) {
  while (reader.SubBlock(reader.BlockBuffer()) != 0) {
  }
}

void ktvGIF::LoadGraphicControlExtension(Reader& reader) {
  uint8_t* block = reader.BlockBuffer();
  const int size = reader.SubBlock(block);
  control_ = {};
  control_.Introducer = kExtensionIntroducer;
  control_.Label = kGraphicControlLabel;
  control_.BlockSize = static_cast<uint8_t>(size);
  std::memcpy(&control_.Flags, block, std::min(size, 4));
  // The extension ends at its terminator, wherever that lies.
  if (size != 0) SkipSubBlocks(reader);
  TransparentFlag = control_.HasTransparency();
  if (!UseTransparency) control_.Flags &= ~1;
  if (!UseDelay) control_.Delay[0] = control_.Delay[1] = 0;
}

void ktvGIF::LoadImageDescriptor(Reader& reader) {
  uint8_t descriptor[9];
  reader.Read(descriptor, 9);
  imageLeft_ = Word(descriptor) + OriginX;
  imageTop_ = Word(descriptor + 2) + OriginY;
  imageWidth_ = Word(descriptor + 4);
  imageHeight_ = Word(descriptor + 6);
  const uint8_t packed = descriptor[8];
  std::unique_ptr<TGIFPalette> local;
  if (packed & 0x80) {
    const int count = 2 << (packed & 7);
    reader.Read(reader.BlockBuffer(), 3 * count);
    local = MakePalette(reader.BlockBuffer(), count);
  }
  const TGIFPalette& palette = local ? *local : *palette_;
  SetTransparentColor(palette);
  if (target_->PixelFormat() != pf24bit) target_->SetPixelFormat(pf24bit);
  if (control_.Disposal() == 3) SaveBackground();
  const int minimumCodeSize = reader.Byte();
  Decoder decoder(*this, reader, *codes_, palette, packed & 0x40);
  if (imageWidth_ > 0 && imageHeight_ > 0) {
    decoder.Run(minimumCodeSize);
  } else {
    decoder.Skip();
  }
  EndRendering();
}

void ktvGIF::LoadPlaneTextExtension(Reader& reader) {
  uint8_t* block = reader.BlockBuffer();
  const int size = reader.SubBlock(block);
  uint8_t grid[12] = {};
  std::memcpy(grid, block, std::min(size, 12));
  imageLeft_ = Word(grid) + OriginX;
  imageTop_ = Word(grid + 2) + OriginY;
  imageWidth_ = Word(grid + 4);
  imageHeight_ = Word(grid + 6);
  const int cellWidth = grid[8];
  const int cellHeight = grid[9];
  const uint8_t foreground = grid[10];
  const uint8_t background = grid[11];
  SetTransparentColor(*palette_);
  if (control_.Disposal() == 3) SaveBackground();
  if (!PlainText || target_->Empty()) {
    if (size != 0) SkipSubBlocks(reader);
    EndRendering();
    return;
  }
  TCanvas* canvas = target_->Canvas();
  canvas->Font()->SetColor(palette_->Color(foreground));
  canvas->Font()->SetHeight(std::min(cellWidth, cellHeight));
  canvas->Brush()->SetColor(palette_->Color(background));
  canvas->Brush()->SetStyle(bsSolid);
  // A transparent foreground leaves holes shaped like the characters in
  // the cells' background.
  glyphHoles_ = false;
  if (control_.HasTransparency()) {
    if (control_.TransparentIndex == background) {
      canvas->Brush()->SetStyle(bsClear);
    } else if (control_.TransparentIndex == foreground) {
      glyphHoles_ = true;
    }
  }
  int x = 0;
  int y = 0;
  if (size != 0) {
    for (int length; (length = reader.SubBlock(block)) != 0;) DrawPlainText(block, length, cellWidth, cellHeight, x, y);
  }
  EndRendering();
}

// One character per cell, left to right, a new line when the next cell
// would not fit the grid; blanks are left out.
void ktvGIF::DrawPlainText(const uint8_t* Text, int Length, int CellWidth, int CellHeight, int& X, int& Y) {
  TCanvas* canvas = target_->Canvas();
  for (int i = 0; i < Length; ++i) {
    const std::string character(1, static_cast<char>(Text[i]));
    if (Text[i] != ' ') {
      if (glyphHoles_) {
        DrawGlyphHole(imageLeft_ + X, imageTop_ + Y, CellWidth, CellHeight, character);
      } else {
        canvas->TextOut(imageLeft_ + X, imageTop_ + Y, character);
      }
    }
    if (X + 2 * CellWidth <= imageWidth_) {
      X += CellWidth;
    } else {
      X = 0;
      Y += CellHeight;
    }
  }
}

// Fills the cell at (Left, Top) with the brush's colour but where the
// character's pixels are.
void ktvGIF::DrawGlyphHole(int Left, int Top, int Width, int Height, const std::string& Character) {
  if (Width <= 0 || Height <= 0) return;
  TBitmap glyph;
  glyph.SetPixelFormat(pf24bit);
  glyph.SetSize(Width, Height);
  TCanvas* canvas = glyph.Canvas();
  canvas->Font()->Assign(target_->Canvas()->Font());
  canvas->Font()->SetColor(clBlack);
  canvas->Brush()->SetColor(clWhite);
  canvas->FillRect(Rect(0, 0, Width, Height));
  canvas->TextOut(0, 0, Character);
  const uint32_t background = DibPixel(ColorToRGB(target_->Canvas()->Brush()->Color()));
  for (int y = std::max(0, -Top); y < Height && Top + y < target_->Height(); ++y) {
    const auto* in = static_cast<const uint8_t*>(glyph.ScanLine(y));
    auto* out = static_cast<uint8_t*>(target_->ScanLine(Top + y));
    for (int x = std::max(0, -Left); x < Width && Left + x < target_->Width(); ++x) {
      if (in[3 * x] != 0xFF || in[3 * x + 1] != 0xFF || in[3 * x + 2] != 0xFF) continue;
      out[3 * (Left + x)] = static_cast<uint8_t>(background);
      out[3 * (Left + x) + 1] = static_cast<uint8_t>(background >> 8);
      out[3 * (Left + x) + 2] = static_cast<uint8_t>(background >> 16);
    }
  }
}

void ktvGIF::LoadCommentExtension(Reader& reader) {
  if (!OnComment) return SkipSubBlocks(reader);
  std::string text;
  uint8_t* block = reader.BlockBuffer();
  for (int size; (size = reader.SubBlock(block)) != 0;) text.append(reinterpret_cast<const char*>(block), size);
  OnComment(this, text.c_str());
}

void ktvGIF::LoadApplicationExtension(Reader& reader) {
  std::vector<uint8_t> data;
  uint8_t* block = reader.BlockBuffer();
  for (int size; (size = reader.SubBlock(block)) != 0;) data.insert(data.end(), block, block + size);
  if (OnApplicationData) OnApplicationData(this, data.data(), static_cast<int>(data.size()));
}

std::unique_ptr<TGIFPalette> ktvGIF::MakePalette(const uint8_t* Entries, int Count) {
  auto palette = std::make_unique<TGIFPalette>();
  if (Entries) {
    for (int i = 0; i < Count; ++i)
      palette->palPalEntry[i] = win::PALETTEENTRY{Entries[3 * i], Entries[3 * i + 1], Entries[3 * i + 2], 0};
    palette->palNumEntries = static_cast<win::WORD>(Count);
    return palette;
  }
  // Without a colour table the pixels are indices of the system palette.
  if (target_) {
    palette->palNumEntries = static_cast<win::WORD>(
        win::GetSystemPaletteEntries(target_->Canvas()->Handle(), 0, 255, palette->palPalEntry.data()));
  } else {
    const auto& system = win::detail::SystemPaletteColors();
    const int count = std::min<int>(255, static_cast<int>(system.size()));
    for (int i = 0; i < count; ++i)
      palette->palPalEntry[i] = win::PALETTEENTRY{win::GetRValue(system[i]), win::GetGValue(system[i]),
                                                  win::GetBValue(system[i]), 0};
    palette->palNumEntries = static_cast<win::WORD>(count);
  }
  return palette;
}

void ktvGIF::SetPalette(std::unique_ptr<TGIFPalette> Palette) { palette_ = std::move(Palette); }

void ktvGIF::SetTransparentColor(const TGIFPalette& Palette) {
  if (TransparentFlag) TransparentColor = Palette.Color(control_.TransparentIndex);
  if (ForceTransparentColor == clNone) return;
  for (int i = 0; i < Palette.palNumEntries; ++i) {
    if (Palette.Color(i) == ForceTransparentColor) {
      control_.TransparentIndex = static_cast<uint8_t>(i);
      control_.Flags |= 1;
      TransparentColor = ForceTransparentColor;
      return;
    }
  }
  control_.Flags &= ~1;
}

// Only the part of the image inside the target can change, so only that
// part is kept.
void ktvGIF::SaveBackground() {
  TRect area = Bounds(imageLeft_, imageTop_, imageWidth_, imageHeight_);
  area.left = std::max(area.left, 0);
  area.top = std::max(area.top, 0);
  area.right = std::min(area.right, target_->Width());
  area.bottom = std::min(area.bottom, target_->Height());
  if (area.left >= area.right || area.top >= area.bottom) return;
  savedBackground_ = std::make_unique<TBitmap>();
  savedBackground_->SetPixelFormat(pf24bit);
  savedBackground_->SetSize(area.right - area.left, area.bottom - area.top);
  savedRect_ = area;
  win::BitBlt(savedBackground_->Canvas()->Handle(), 0, 0, area.right - area.left, area.bottom - area.top,
              target_->Canvas()->Handle(), area.left, area.top, win::SRCCOPY);
}

void ktvGIF::RestoreBackground() {
  if (!savedBackground_) return;
  TCanvas* canvas = target_->Canvas();
  win::BitBlt(canvas->Handle(), savedRect_.left, savedRect_.top, savedRect_.right - savedRect_.left,
              savedRect_.bottom - savedRect_.top, savedBackground_->Canvas()->Handle(), 0, 0, win::SRCCOPY);
  if (target_->OnChange) target_->OnChange(this);
}

void ktvGIF::FillImageRect(TColor Color) {
  if (target_->PixelFormat() != pf24bit) target_->SetPixelFormat(pf24bit);
  FillPixels(*target_, Bounds(imageLeft_, imageTop_, imageWidth_, imageHeight_), Color);
  if (target_->OnChange) target_->OnChange(this);
}

void ktvGIF::EndRendering() {
  struct Done {
    ktvGIF& gif;
    ~Done() {
      gif.savedBackground_.reset();
      gif.control_ = {};
    }
  } done{*this};
  if (target_->OnChange) target_->OnChange(this);
  if (OnRendered) OnRendered(this, Rect(0, 0, imageWidth_, imageHeight_));
  if (!Animate) Stop = true;
  const int delay = control_.DelayTime();
  if (delay > 0) {
    WaitDelay(delay);
  } else if (control_.WaitsForInput() && OnUserInput) {
    WaitForUserInput();
  }
  switch (control_.Disposal()) {
    case 2:
      FillImageRect(BackgroundColor);
      break;
    case 3:
      RestoreBackground();
      break;
    default:
      break;
  }
}

bool ktvGIF::UserInputEnds() { return control_.WaitsForInput() && OnUserInput && OnUserInput(this); }

// Sleeps until the next message when the queue is empty, so that a wait
// uses no processor time; the delay's timer is such a message.
void ktvGIF::WaitDelay(int Delay) {
  timerExpired_ = false;
  auto timer = std::make_unique<TTimer>(this);
  timer->SetInterval(static_cast<unsigned>(Delay) * 10);
  timer->SetOnTimer([this](TObject* Sender) { OnTimer(Sender); });
  while (!timerExpired_ && !Stop) {
    PumpMessages();
    if (UserInputEnds() || timerExpired_ || Stop) break;
    win::WaitMessage();
  }
}

void ktvGIF::WaitForUserInput() {
  while (!Stop) {
    PumpMessages();
    if (!OnUserInput || OnUserInput(this) || Stop) break;
    win::WaitMessage();
  }
}

// The application's message loop when there is one; its end ends the load.
void ktvGIF::PumpMessages() {
  if (Application) {
    Application->ProcessMessages();
    if (Application->Terminated()) Stop = true;
    return;
  }
  win::MSG msg;
  while (win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
    if (msg.message == win::WM_QUIT) {
      Stop = true;
      return;
    }
    win::TranslateMessage(&msg);
    win::DispatchMessageA(&msg);
  }
}

void ktvGIF::OnTimer(TObject* Sender) { timerExpired_ = true; }
