#include "images/tests/support/GifBuilder.h"

#include <algorithm>
#include <map>

namespace giftest {
namespace {

constexpr int kMaxCodes = 4096;

class BitWriter {
 public:
  void Put(int code, int size) {
    accumulator_ |= static_cast<uint32_t>(code) << count_;
    count_ += size;
    while (count_ >= 8) {
      bytes_.push_back(static_cast<uint8_t>(accumulator_));
      accumulator_ >>= 8;
      count_ -= 8;
    }
  }
  std::vector<uint8_t> Finish() {
    if (count_ > 0) bytes_.push_back(static_cast<uint8_t>(accumulator_));
    return std::move(bytes_);
  }

 private:
  std::vector<uint8_t> bytes_;
  uint32_t accumulator_ = 0;
  int count_ = 0;
};

// Codes are written at the width the decoder reads them with; the decoder
// adds its table entry one code later than the encoder, so its state is
// followed here on its own.
class LzwEncoder {
 public:
  explicit LzwEncoder(const LzwOptions& options) : options_(options), clear_(1 << options.minimumCodeSize) {
    ResetDecoderState();
  }

  std::vector<uint8_t> Encode(const std::vector<uint8_t>& pixels) {
    ResetDictionary();
    if (options_.clearFirst) EmitClear();
    if (!pixels.empty()) {
      int current = pixels[0];
      for (size_t i = 1; i < pixels.size(); ++i) {
        const int key = current << 8 | pixels[i];
        auto found = dictionary_.find(key);
        if (found != dictionary_.end()) {
          current = found->second;
          continue;
        }
        Emit(current);
        if (next_ < kMaxCodes) dictionary_[key] = next_++;
        if (next_ == kMaxCodes && options_.clearWhenFull) {
          EmitClear();
          ResetDictionary();
        }
        current = pixels[i];
      }
      Emit(current);
    }
    if (options_.endCode) writer_.Put(clear_ + 1, decoderSize_);
    return writer_.Finish();
  }

 private:
  void ResetDictionary() {
    dictionary_.clear();
    next_ = clear_ + 2;
  }
  void ResetDecoderState() {
    decoderSize_ = options_.minimumCodeSize + 1;
    decoderNext_ = clear_ + 2;
    firstSinceClear_ = true;
  }
  void EmitClear() {
    writer_.Put(clear_, decoderSize_);
    ResetDecoderState();
  }
  void Emit(int code) {
    writer_.Put(code, decoderSize_);
    if (firstSinceClear_) {
      firstSinceClear_ = false;
      return;
    }
    if (decoderNext_ >= kMaxCodes) return;
    ++decoderNext_;
    if (decoderNext_ >= 1 << decoderSize_ && decoderSize_ < 12) ++decoderSize_;
  }

  LzwOptions options_;
  int clear_;
  std::map<int, int> dictionary_;
  int next_ = 0;
  int decoderSize_ = 0;
  int decoderNext_ = 0;
  bool firstSinceClear_ = true;
  BitWriter writer_;
};

}  // namespace

std::vector<uint8_t> LzwEncode(const std::vector<uint8_t>& pixels, const LzwOptions& options) {
  return LzwEncoder(options).Encode(pixels);
}

std::string SubBlocks(const std::vector<uint8_t>& data, int blockSize) {
  std::string out;
  for (size_t at = 0; at < data.size(); at += blockSize) {
    const size_t n = std::min<size_t>(blockSize, data.size() - at);
    out += static_cast<char>(n);
    out.append(reinterpret_cast<const char*>(data.data() + at), n);
  }
  out += '\0';
  return out;
}

std::vector<uint8_t> InterlaceRows(const std::vector<uint8_t>& pixels, int width, int height) {
  static constexpr int kStart[] = {0, 4, 2, 1};
  static constexpr int kStep[] = {8, 8, 4, 2};
  std::vector<uint8_t> out;
  for (int pass = 0; pass < 4; ++pass)
    for (int y = kStart[pass]; y < height; y += kStep[pass])
      out.insert(out.end(), pixels.begin() + y * width, pixels.begin() + (y + 1) * width);
  return out;
}

int CodeSizeFor(int colors) {
  int bits = 2;
  while ((1 << bits) < colors) ++bits;
  return bits;
}

int GifBuilder::TableBits(const ColorTable& table) {
  int bits = 0;
  while ((2 << bits) < static_cast<int>(table.size())) ++bits;
  return bits;
}

void GifBuilder::Word(int value) {
  bytes_ += static_cast<char>(value & 0xFF);
  bytes_ += static_cast<char>(value >> 8 & 0xFF);
}

void GifBuilder::Table(const ColorTable& table) {
  const int count = 2 << TableBits(table);
  for (int i = 0; i < count; ++i) {
    const Rgb c = i < static_cast<int>(table.size()) ? table[i] : Rgb{0, 0, 0};
    bytes_ += static_cast<char>(c.r);
    bytes_ += static_cast<char>(c.g);
    bytes_ += static_cast<char>(c.b);
  }
}

GifBuilder& GifBuilder::Header(int width, int height, const ColorTable& global, int background, const char* version,
                               int colorResolution) {
  bytes_ = std::string("GIF") + version;
  Word(width);
  Word(height);
  int packed = (colorResolution - 1) << 4;
  if (!global.empty()) packed |= 0x80 | TableBits(global);
  bytes_ += static_cast<char>(packed);
  bytes_ += static_cast<char>(background);
  bytes_ += '\0';  // aspect ratio
  if (!global.empty()) Table(global);
  globalColors_ = static_cast<int>(global.size());
  return *this;
}

GifBuilder& GifBuilder::GraphicControl(int disposal, int delay, int transparentIndex, bool userInput) {
  bytes_ += "\x21\xF9\x04";
  bytes_ += static_cast<char>(disposal << 2 | (userInput ? 2 : 0) | (transparentIndex >= 0 ? 1 : 0));
  Word(delay);
  bytes_ += static_cast<char>(transparentIndex >= 0 ? transparentIndex : 0);
  bytes_ += '\0';
  return *this;
}

GifBuilder& GifBuilder::Image(int left, int top, int width, int height, const std::vector<uint8_t>& pixels,
                              const ImageOptions& options) {
  bytes_ += '\x2C';
  Word(left);
  Word(top);
  Word(width);
  Word(height);
  int packed = options.interlaced ? 0x40 : 0;
  if (options.local) packed |= 0x80 | TableBits(*options.local);
  bytes_ += static_cast<char>(packed);
  if (options.local) Table(*options.local);
  LzwOptions lzw = options.lzw;
  if (options.lzwSizeFromTable) {
    const int colors = options.local ? static_cast<int>(options.local->size()) : globalColors_;
    lzw.minimumCodeSize = CodeSizeFor(colors > 0 ? colors : 256);
  }
  bytes_ += static_cast<char>(lzw.minimumCodeSize);
  const std::vector<uint8_t> rows = options.interlaced ? InterlaceRows(pixels, width, height) : pixels;
  bytes_ += SubBlocks(LzwEncode(rows, lzw), options.blockSize);
  return *this;
}

GifBuilder& GifBuilder::PlainText(int left, int top, int width, int height, int cellWidth, int cellHeight,
                                  int foreground, int background, const std::string& text) {
  bytes_ += "\x21\x01\x0C";
  Word(left);
  Word(top);
  Word(width);
  Word(height);
  bytes_ += static_cast<char>(cellWidth);
  bytes_ += static_cast<char>(cellHeight);
  bytes_ += static_cast<char>(foreground);
  bytes_ += static_cast<char>(background);
  bytes_ += SubBlocks(std::vector<uint8_t>(text.begin(), text.end()));
  return *this;
}

GifBuilder& GifBuilder::Comment(const std::string& text) {
  bytes_ += "\x21\xFE";
  bytes_ += SubBlocks(std::vector<uint8_t>(text.begin(), text.end()));
  return *this;
}

GifBuilder& GifBuilder::Application(const std::string& identifier, const std::vector<uint8_t>& data) {
  bytes_ += "\x21\xFF";
  bytes_ += static_cast<char>(identifier.size());
  bytes_ += identifier;
  bytes_ += SubBlocks(data);
  return *this;
}

GifBuilder& GifBuilder::Raw(const std::string& bytes) {
  bytes_ += bytes;
  return *this;
}

GifBuilder& GifBuilder::Trailer() {
  bytes_ += '\x3B';
  return *this;
}

}  // namespace giftest
