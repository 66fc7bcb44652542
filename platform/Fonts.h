// Logical fonts of the platform: LOGFONTA and TEXTMETRICA, CreateFontA and
// CreateFontIndirectA, the stock fonts, and the realised font behind a
// handle, which measures text of code page 932 and gives the coverage masks
// of its characters. Device contexts select fonts and draw with them.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Gdi.h"
#include "platform/Handles.h"
#include "platform/Typefaces.h"
#include "platform/Types.h"

namespace win {

constexpr int LF_FACESIZE = 32;

struct LOGFONTA {
  LONG lfHeight;  // < 0: character height in pixels; > 0: cell height; 0: the default
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  CHAR lfFaceName[LF_FACESIZE];
};
using LPLOGFONTA = LOGFONTA*;

struct TEXTMETRICA {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  BYTE tmFirstChar;
  BYTE tmLastChar;
  BYTE tmDefaultChar;
  BYTE tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};
using LPTEXTMETRICA = TEXTMETRICA*;

// Weights.
constexpr LONG FW_DONTCARE = 0;
constexpr LONG FW_THIN = 100;
constexpr LONG FW_EXTRALIGHT = 200;
constexpr LONG FW_LIGHT = 300;
constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_REGULAR = 400;
constexpr LONG FW_MEDIUM = 500;
constexpr LONG FW_SEMIBOLD = 600;
constexpr LONG FW_BOLD = 700;
constexpr LONG FW_EXTRABOLD = 800;
constexpr LONG FW_HEAVY = 900;

// Character sets.
constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE SYMBOL_CHARSET = 2;
constexpr BYTE SHIFTJIS_CHARSET = 128;
constexpr BYTE OEM_CHARSET = 255;

// Precisions and qualities.
constexpr BYTE OUT_DEFAULT_PRECIS = 0;
constexpr BYTE OUT_TT_PRECIS = 4;
constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
constexpr BYTE DEFAULT_QUALITY = 0;
constexpr BYTE DRAFT_QUALITY = 1;
constexpr BYTE PROOF_QUALITY = 2;
constexpr BYTE NONANTIALIASED_QUALITY = 3;
constexpr BYTE ANTIALIASED_QUALITY = 4;
constexpr BYTE CLEARTYPE_QUALITY = 5;
constexpr BYTE CLEARTYPE_NATURAL_QUALITY = 6;

// Pitches and families of lfPitchAndFamily.
constexpr BYTE DEFAULT_PITCH = 0;
constexpr BYTE FIXED_PITCH = 1;
constexpr BYTE VARIABLE_PITCH = 2;
constexpr BYTE FF_DONTCARE = 0x00;
constexpr BYTE FF_ROMAN = 0x10;
constexpr BYTE FF_SWISS = 0x20;
constexpr BYTE FF_MODERN = 0x30;
constexpr BYTE FF_SCRIPT = 0x40;
constexpr BYTE FF_DECORATIVE = 0x50;

// tmPitchAndFamily bits; TMPF_FIXED_PITCH set means a variable pitch, as
// the platform has it.
constexpr BYTE TMPF_FIXED_PITCH = 0x01;
constexpr BYTE TMPF_VECTOR = 0x02;
constexpr BYTE TMPF_TRUETYPE = 0x04;

// The height the platform gives a logical font of height 0: the character
// height of its default interface font (9 points at 96 dots per inch).
constexpr LONG kDefaultFontHeight = -12;

// A new logical font; the handle is deleted with DeleteObject. Null with
// ERROR_INVALID_PARAMETER when `font` is null. The face name is read up to
// its terminator or its 32 bytes, whichever comes first. lfWidth,
// lfEscapement and lfOrientation are kept but not applied: text is drawn
// level, at its face's own width.
HFONT CreateFontIndirectA(const LOGFONTA* font);
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                  DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, LPCSTR faceName);

namespace detail {

// One character of a text: its bytes and its code (lead << 8 | trail for a
// double-byte character; a lead byte that ends the text stands alone).
struct TextChar {
  size_t offset;
  size_t length;
  CharCode code;
};
std::vector<TextChar> DecodeText(std::string_view text);

// A logical font realised on the installed faces (or the built-in one).
// Immutable and shared; safe to use from any thread.
class Font {
 public:
  Font(const LOGFONTA& logFont, std::shared_ptr<const Typeface> primary, std::shared_ptr<const Typeface> companion);

  const LOGFONTA& LogFont() const { return logFont_; }
  const TEXTMETRICA& Metrics() const { return metrics_; }
  // The face that draws, as it calls itself ("Fallback" for the built-in one).
  const std::string& FamilyName() const { return primary_->Metrics().familyName; }
  bool IsFallback() const { return !primary_->Metrics().outline; }

  std::shared_ptr<const GlyphImage> Glyph(CharCode code) const;
  int Advance(CharCode code) const { return Glyph(code)->advance; }

  // Rows of the underline and the strike-out: the top row's offset from the
  // baseline (positive downwards) and the thickness.
  int UnderlineOffset() const { return primary_->Metrics().underlineOffset; }
  int UnderlineThickness() const { return primary_->Metrics().underlineThickness; }
  int StrikeOutOffset() const { return primary_->Metrics().strikeOutOffset; }
  int StrikeOutThickness() const { return primary_->Metrics().strikeOutThickness; }

 private:
  LOGFONTA logFont_;
  std::shared_ptr<const Typeface> primary_;
  // Draws the Japanese characters a Western face lacks, as the platform
  // links a Japanese face to its Western ones.
  std::shared_ptr<const Typeface> companion_;
  TEXTMETRICA metrics_;
};

// The realised font of a logical font. Logical fonts that are alike share one.
std::shared_ptr<const Font> RealizeFont(const LOGFONTA& logFont);

// The object behind an HFONT. Deleting it only drops the handle: the
// realised font stays cached for the logical fonts alike.
class LogicalFontObject : public GdiObject {
 public:
  explicit LogicalFontObject(const LOGFONTA& font) : logFont(font) {}
  HandleKind Kind() const override { return HandleKind::Font; }
  // GetObjectA answers the LOGFONTA.
  int Describe(int size, void* out) const override;
  LOGFONTA logFont;
};

// The realised font of a font handle; null when the handle names no font.
std::shared_ptr<const Font> FontFromHandle(HFONT font);

// The stock fonts: the interface font ("ＭＳ Ｐゴシック", height -12, the
// DEFAULT_GUI_FONT) and the system font ("System", cell height 16, the
// SYSTEM_FONT). Created once; they are never deleted.
HFONT DefaultGuiFont();
HFONT SystemFont();

// The extent of a text as GetTextExtentPoint32A answers it: the sum of the
// advances (no kerning; a tab is a character like any other) by the cell
// height.
SIZE TextExtent(const Font& font, std::string_view text);

}  // namespace detail

namespace test {

// While on, fonts realised from then on use the built-in face only, so that
// a test's layout and pixels do not depend on the installed fonts.
void UseFallbackFontOnly(bool on);

}  // namespace test
}  // namespace win
