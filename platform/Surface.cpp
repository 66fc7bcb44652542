#include "platform/Surface.h"

#include <algorithm>
#include <climits>

namespace win::detail {

namespace {

// Keeps every surface well inside what the 32-bit coordinates of the
// platform can address.
constexpr size_t kMaxBytes = size_t{1} << 30;

uint32_t Swap(uint32_t v) { return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF); }

}  // namespace

int NearestColorIndex(const std::vector<COLORREF>& table, COLORREF color) {
  int best = 0;
  int bestDistance = INT_MAX;
  for (size_t i = 0; i < table.size(); ++i) {
    int dr = GetRValue(table[i]) - GetRValue(color);
    int dg = GetGValue(table[i]) - GetGValue(color);
    int db = GetBValue(table[i]) - GetBValue(color);
    int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = static_cast<int>(i);
      if (distance == 0) break;
    }
  }
  return best;
}

bool Surface::ValidBitCount(int bitCount) {
  return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24 || bitCount == 32;
}

std::shared_ptr<Surface> Surface::Wrap(int width, int height, int bitCount, bool topDown, std::vector<COLORREF> colors,
                                       BYTE* bits) {
  if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension || !ValidBitCount(bitCount))
    return nullptr;
  if (static_cast<size_t>(StrideFor(width, bitCount)) * height > kMaxBytes) return nullptr;
  std::shared_ptr<Surface> s(new Surface);
  s->width_ = width;
  s->height_ = height;
  s->bitCount_ = bitCount;
  s->stride_ = StrideFor(width, bitCount);
  s->topDown_ = topDown;
  s->colors_ = std::move(colors);
  if (bitCount <= 8) s->colors_.resize(std::min<size_t>(s->colors_.size(), size_t{1} << bitCount));
  s->data_ = bits;
  return s;
}

std::shared_ptr<Surface> Surface::Create(int width, int height, int bitCount, bool topDown,
                                         std::vector<COLORREF> colors, bool monoDevice) {
  auto s = Wrap(width, height, bitCount, topDown, std::move(colors), nullptr);
  if (!s) return nullptr;
  s->owned_.assign(s->ByteSize(), 0);
  s->data_ = s->owned_.data();
  s->monoDevice_ = monoDevice && bitCount == 1;
  if (s->monoDevice_) s->colors_ = {RGB(0, 0, 0), RGB(255, 255, 255)};
  return s;
}

std::shared_ptr<Surface> Surface::Clone() const {
  auto copy = Create(width_, height_, bitCount_, topDown_, colors_, monoDevice_);
  std::copy_n(data_, ByteSize(), copy->data_);
  return copy;
}

COLORREF Surface::ToColor(uint32_t value) const {
  if (bitCount_ >= 24) return Swap(value);
  // Indices beyond a short colour table show black.
  return value < colors_.size() ? colors_[value] & 0xFFFFFF : RGB(0, 0, 0);
}

uint32_t Surface::FromColor(COLORREF color) const {
  color &= 0xFFFFFF;
  if (bitCount_ >= 24) return Swap(color);
  return static_cast<uint32_t>(NearestColorIndex(colors_, color));
}

bool Surface::SameValues(const Surface& other) const {
  if (bitCount_ >= 24 && other.bitCount_ >= 24) return true;
  return bitCount_ == other.bitCount_ && colors_ == other.colors_;
}

ColorTranslator::ColorTranslator(const Surface& from, const Surface& to) : from_(&from), to_(&to) {
  if (from.SameValues(to)) {
    mode_ = Mode::Same;
  } else if (from.BitCount() <= 8) {
    mode_ = Mode::Table;
    for (uint32_t i = 0; i < (1u << from.BitCount()); ++i) table_.push_back(to.FromColor(from.ToColor(i)));
  } else {
    mode_ = Mode::Nearest;
  }
}

ColorTranslator ColorTranslator::ForBlit(const Surface& from, const Surface& to, COLORREF sourceBk,
                                         COLORREF targetText, COLORREF targetBk) {
  if (from.MonoDevice() == to.MonoDevice()) return ColorTranslator(from, to);
  ColorTranslator t;
  t.from_ = &from;
  t.to_ = &to;
  if (from.MonoDevice()) {
    t.mode_ = Mode::Table;
    t.table_ = {to.FromColor(targetText), to.FromColor(targetBk)};
  } else {
    t.mode_ = Mode::MatchToMono;
    t.match_ = from.FromColor(sourceBk);
  }
  return t;
}

uint32_t ColorTranslator::operator()(uint32_t value) const {
  switch (mode_) {
    case Mode::Same:
      return value;
    case Mode::Table:
      return value < table_.size() ? table_[value] : 0;
    case Mode::MatchToMono:
      return value == match_ ? 1 : 0;
    case Mode::Nearest:
      break;
  }
  if (!haveLast_ || lastIn_ != value) {
    lastIn_ = value;
    lastOut_ = to_->FromColor(from_->ToColor(value));
    haveLast_ = true;
  }
  return lastOut_;
}

}  // namespace win::detail
