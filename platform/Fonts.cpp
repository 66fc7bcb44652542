#include "platform/Fonts.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/Errors.h"
#include "platform/FallbackFont.h"
#include "platform/Text.h"

namespace win {

namespace {

std::atomic<bool> fallbackOnly{false};

// Heights beyond this are drawn at this size: a mask per character of a
// larger one would only exhaust memory.
constexpr long long kMaxPixelHeight = 1024;

// The face name up to its terminator or the end of its field, with the rest
// of the field cleared, so that alike fonts compare equal byte for byte.
LOGFONTA Normalized(const LOGFONTA& font) {
  LOGFONTA copy = font;
  const size_t length = strnlen(font.lfFaceName, LF_FACESIZE - 1);
  std::memset(copy.lfFaceName + length, 0, LF_FACESIZE - length);
  return copy;
}

LONG EffectiveHeight(LONG height) {
  if (height == 0) return kDefaultFontHeight;
  const long long clamped = std::clamp<long long>(height, -kMaxPixelHeight, kMaxPixelHeight);
  return static_cast<LONG>(clamped);
}

bool WantsFixedPitch(const LOGFONTA& font) {
  return (font.lfPitchAndFamily & 0x03) == FIXED_PITCH || (font.lfPitchAndFamily & 0xF0) == FF_MODERN;
}

// The face name in UTF-8; an empty one is the system's default face for the
// pitch asked for.
std::string FaceName(const LOGFONTA& font) {
  if (font.lfFaceName[0] == '\0') return WantsFixedPitch(font) ? "ＭＳ ゴシック" : "ＭＳ Ｐゴシック";
  return AnsiToUtf8(font.lfFaceName);
}

// DEFAULT_CHARSET is the system's own, which is Japanese.
bool IsJapanese(BYTE charSet) { return charSet == SHIFTJIS_CHARSET || charSet == DEFAULT_CHARSET; }

std::shared_ptr<const detail::Font> CreateRealizedFont(const LOGFONTA& font, bool builtInOnly) {
  const detail::TypefaceStyle style{font.lfWeight >= FW_SEMIBOLD, font.lfItalic != 0, font.lfQuality};
  const LONG height = EffectiveHeight(font.lfHeight);
  std::shared_ptr<const detail::Typeface> primary, companion;
  if (!builtInOnly) primary = detail::OpenOutlineTypeface(FaceName(font), IsJapanese(font.lfCharSet), height, style);
  if (!primary) {
    primary = detail::FallbackTypeface(height, style);
  } else {
    const char* japanese = primary->Metrics().fixedPitch ? "ＭＳ ゴシック" : "ＭＳ Ｐゴシック";
    companion = detail::OpenOutlineTypeface(japanese, true, -primary->Metrics().emHeight, style);
    if (companion && companion->Metrics().familyName == primary->Metrics().familyName) companion = nullptr;
  }
  return std::make_shared<detail::Font>(font, std::move(primary), std::move(companion));
}

HFONT AddFont(const LOGFONTA& font, bool stock = false) {
  auto object = std::make_shared<detail::LogicalFontObject>(Normalized(font));
  object->stock = stock;
  return detail::AddObject<HFONT>(std::move(object));
}

LOGFONTA StockLogFont(LONG height, const char* faceUtf8) {
  LOGFONTA font{};
  font.lfHeight = height;
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = SHIFTJIS_CHARSET;
  const std::string face = Utf8ToAnsi(faceUtf8);
  std::memcpy(font.lfFaceName, face.data(), std::min<size_t>(face.size(), LF_FACESIZE - 1));
  return font;
}

}  // namespace

HFONT CreateFontIndirectA(const LOGFONTA* font) {
  if (!font) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return AddFont(*font);
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                  DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, LPCSTR faceName) {
  LOGFONTA font{};
  font.lfHeight = height;
  font.lfWidth = width;
  font.lfEscapement = escapement;
  font.lfOrientation = orientation;
  font.lfWeight = weight;
  font.lfItalic = static_cast<BYTE>(italic);
  font.lfUnderline = static_cast<BYTE>(underline);
  font.lfStrikeOut = static_cast<BYTE>(strikeOut);
  font.lfCharSet = static_cast<BYTE>(charSet);
  font.lfOutPrecision = static_cast<BYTE>(outPrecision);
  font.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  font.lfQuality = static_cast<BYTE>(quality);
  font.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  if (faceName) {
    // As many whole characters as the field holds with its terminator.
    const std::string_view name(faceName);
    size_t length = 0;
    for (const detail::TextChar& c : detail::DecodeText(name)) {
      if (c.offset + c.length > LF_FACESIZE - 1) break;
      length = c.offset + c.length;
    }
    std::memcpy(font.lfFaceName, faceName, length);
  }
  return AddFont(font);
}

namespace detail {

std::vector<TextChar> DecodeText(std::string_view text) {
  std::vector<TextChar> chars;
  chars.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<BYTE>(text[i]);
    if (IsDBCSLeadByte(lead) && i + 1 < text.size()) {
      chars.push_back({i, 2, static_cast<CharCode>(lead << 8 | static_cast<BYTE>(text[i + 1]))});
      i += 2;
    } else {
      chars.push_back({i, 1, lead});
      i += 1;
    }
  }
  return chars;
}

Font::Font(const LOGFONTA& logFont, std::shared_ptr<const Typeface> primary, std::shared_ptr<const Typeface> companion)
    : logFont_(logFont), primary_(std::move(primary)), companion_(std::move(companion)), metrics_{} {
  const TypefaceMetrics& m = primary_->Metrics();
  metrics_.tmHeight = m.ascent + m.descent;
  metrics_.tmAscent = m.ascent;
  metrics_.tmDescent = m.descent;
  metrics_.tmInternalLeading = std::max(0, metrics_.tmHeight - m.emHeight);
  metrics_.tmExternalLeading = m.externalLeading;
  metrics_.tmAveCharWidth = m.aveCharWidth;
  metrics_.tmMaxCharWidth = std::max(m.maxCharWidth, companion_ ? companion_->Metrics().maxCharWidth : 0);
  metrics_.tmWeight = logFont.lfWeight == FW_DONTCARE ? FW_NORMAL : logFont.lfWeight;
  metrics_.tmOverhang = 0;
  metrics_.tmDigitizedAspectX = 96;
  metrics_.tmDigitizedAspectY = 96;
  metrics_.tmFirstChar = 0x20;
  metrics_.tmLastChar = 0xFF;
  metrics_.tmDefaultChar = 0x1F;
  metrics_.tmBreakChar = 0x20;
  metrics_.tmItalic = logFont.lfItalic ? 1 : 0;
  metrics_.tmUnderlined = logFont.lfUnderline ? 1 : 0;
  metrics_.tmStruckOut = logFont.lfStrikeOut ? 1 : 0;
  metrics_.tmPitchAndFamily = static_cast<BYTE>((m.fixedPitch ? 0 : TMPF_FIXED_PITCH) |
                                                (m.outline ? TMPF_VECTOR | TMPF_TRUETYPE : 0) | m.family);
  metrics_.tmCharSet = logFont.lfCharSet == DEFAULT_CHARSET ? SHIFTJIS_CHARSET : logFont.lfCharSet;
}

std::shared_ptr<const GlyphImage> Font::Glyph(CharCode code) const {
  if (companion_ && !primary_->HasGlyph(code) && companion_->HasGlyph(code)) return companion_->Glyph(code);
  return primary_->Glyph(code);
}

std::shared_ptr<const Font> RealizeFont(const LOGFONTA& logFont) {
  static std::mutex lock;
  static auto* realized = new std::map<std::string, std::shared_ptr<const Font>>;  // kept for the process
  const LOGFONTA font = Normalized(logFont);
  const bool builtInOnly = fallbackOnly.load();
  std::string key(reinterpret_cast<const char*>(&font), sizeof font);
  key += builtInOnly ? 'B' : 'I';
  std::lock_guard guard(lock);
  auto& slot = (*realized)[key];
  if (!slot) slot = CreateRealizedFont(font, builtInOnly);
  return slot;
}

int LogicalFontObject::Describe(int size, void* out) const {
  if (!out) return sizeof(LOGFONTA);
  int n = std::min<int>(size, sizeof(LOGFONTA));
  std::memcpy(out, &logFont, n);
  return n;
}

std::shared_ptr<const Font> FontFromHandle(HFONT font) {
  auto object = HandleTable::Get<LogicalFontObject>(font);
  return object ? RealizeFont(object->logFont) : nullptr;
}

HFONT DefaultGuiFont() {
  static const HFONT font = AddFont(StockLogFont(kDefaultFontHeight, "ＭＳ Ｐゴシック"), true);
  return font;
}

HFONT SystemFont() {
  static const HFONT font = AddFont(StockLogFont(16, "System"), true);
  return font;
}

SIZE TextExtent(const Font& font, std::string_view text) {
  LONG width = 0;
  for (const TextChar& c : DecodeText(text)) width += font.Advance(c.code);
  return SIZE{width, font.Metrics().tmHeight};
}

}  // namespace detail

namespace test {

void UseFallbackFontOnly(bool on) { fallbackOnly.store(on); }

}  // namespace test
}  // namespace win
