#include "platform/Typefaces.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GASP_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <map>

#include "platform/Fonts.h"
#include "platform/Text.h"

namespace win {
namespace detail {

std::shared_ptr<const GlyphImage> Typeface::Glyph(CharCode code) const {
  std::lock_guard guard(cacheLock_);
  auto& slot = cache_[code];
  if (!slot) slot = std::make_shared<const GlyphImage>(Render(code));
  return slot;
}

char32_t CharCodeToUnicode(CharCode code) {
  if (code < 0x80) return code;
  const char bytes[2] = {static_cast<char>(code > 0xFF ? code >> 8 : code), static_cast<char>(code & 0xFF)};
  WCHAR wide[2];
  int n = MultiByteToWideChar(CP_SJIS, 0, bytes, code > 0xFF ? 2 : 1, wide, 2);
  return n == 1 ? static_cast<char32_t>(wide[0]) : U'\uFFFD';
}

namespace {

// FreeType's library and faces, and fontconfig, are used under one lock.
std::mutex& FreeTypeLock() {
  static std::mutex lock;
  return lock;
}

// Created once and kept until the process ends, so that no static
// destructor races a typeface still in use.
FT_Library Library() {
  static FT_Library library = [] {
    FT_Library l = nullptr;
    return FT_Init_FreeType(&l) == 0 ? l : nullptr;
  }();
  return library;
}

bool FontconfigReady() {
  static const bool ready = FcInit() == FcTrue;
  return ready;
}

// The platform's face names and the installed faces that stand in for them,
// best first; a generic family closes each list.
struct FaceAlias {
  std::vector<std::string_view> names;
  std::vector<const char*> families;
  const char* generic;
  bool japanese;
};

const std::vector<FaceAlias>& Aliases() {
  static const std::vector<FaceAlias> aliases = {
      {{"ＭＳ ゴシック", "MS Gothic", "System", "FixedSys", "Terminal"},
       {"IPAGothic", "IPAゴシック", "VL Gothic", "Noto Sans Mono CJK JP"},
       "monospace",
       true},
      {{"ＭＳ Ｐゴシック", "MS PGothic", "MS UI Gothic"},
       {"IPAPGothic", "IPA Pゴシック", "VL PGothic", "Noto Sans CJK JP"},
       "sans-serif",
       true},
      {{"ＭＳ 明朝", "MS Mincho"}, {"IPAMincho", "IPA明朝", "Noto Serif CJK JP"}, "serif", true},
      {{"ＭＳ Ｐ明朝", "MS PMincho"}, {"IPAPMincho", "IPA P明朝", "Noto Serif CJK JP"}, "serif", true},
      {{"MS Sans Serif", "MS Shell Dlg", "MS Shell Dlg 2", "Microsoft Sans Serif", "Tahoma", "Arial", "Verdana"},
       {"Liberation Sans", "Arimo", "DejaVu Sans"},
       "sans-serif",
       false},
      {{"Courier New", "Courier"}, {"Liberation Mono", "Cousine", "DejaVu Sans Mono"}, "monospace", false},
      {{"Times New Roman", "MS Serif"}, {"Liberation Serif", "Tinos", "DejaVu Serif"}, "serif", false},
  };
  return aliases;
}

bool SameFaceName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

const FaceAlias* FindAlias(std::string_view name) {
  for (const FaceAlias& alias : Aliases())
    for (std::string_view n : alias.names)
      if (SameFaceName(n, name)) return &alias;
  return nullptr;
}

struct FaceMatch {
  std::string file;
  int index = 0;
  bool fixedPitch = false;
  BYTE family = FF_SWISS;
  std::string familyName;
};

BYTE FamilyOfGeneric(std::string_view generic) {
  if (generic == "monospace") return FF_MODERN;
  if (generic == "serif") return FF_ROMAN;
  return FF_SWISS;
}

// Called under the FreeType lock.
bool MatchFace(std::string_view faceName, bool japanese, const TypefaceStyle& style, FaceMatch& match) {
  if (!FontconfigReady()) return false;
  const FaceAlias* alias = FindAlias(faceName);
  const std::string name(faceName);
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
  if (alias)
    for (const char* family : alias->families)
      FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  const char* generic = alias ? alias->generic : "sans-serif";
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(generic));
  if (japanese || (alias && alias->japanese))
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcPatternAddInteger(pattern, FC_WEIGHT, style.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, style.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* found = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!found) return false;
  FcChar8* file = nullptr;
  FcChar8* family = nullptr;
  int index = 0, spacing = FC_PROPORTIONAL;
  const bool ok = FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch;
  if (ok) {
    FcPatternGetInteger(found, FC_INDEX, 0, &index);
    FcPatternGetInteger(found, FC_SPACING, 0, &spacing);
    FcPatternGetString(found, FC_FAMILY, 0, &family);
    match.file = reinterpret_cast<const char*>(file);
    match.index = index;
    match.fixedPitch = spacing >= FC_DUAL;
    match.family = FamilyOfGeneric(match.fixedPitch ? "monospace" : generic);
    match.familyName = family ? reinterpret_cast<const char*>(family) : "";
  }
  FcPatternDestroy(found);
  return ok;
}

int Round(double v) { return static_cast<int>(std::lround(v)); }

bool RendersMonochrome(FT_Face face, int ppem, BYTE quality) {
  if (quality == NONANTIALIASED_QUALITY) return true;
  if (quality == ANTIALIASED_QUALITY || quality == CLEARTYPE_QUALITY || quality == CLEARTYPE_NATURAL_QUALITY)
    return false;
  // As the platform smooths by default: where the face's own table asks for it.
  const FT_Int gasp = FT_Get_Gasp(face, static_cast<FT_UInt>(ppem));
  return gasp != FT_GASP_NO_TABLE && !(gasp & FT_GASP_DO_GRAY);
}

class OutlineTypeface : public Typeface {
 public:
  OutlineTypeface(FT_Face face, TypefaceMetrics metrics, bool synthBold, bool mono)
      : Typeface(std::move(metrics)), face_(face), synthBold_(synthBold), mono_(mono) {}
  ~OutlineTypeface() override {
    std::lock_guard guard(FreeTypeLock());
    FT_Done_Face(face_);
  }

  bool HasGlyph(CharCode code) const override {
    std::lock_guard guard(FreeTypeLock());
    return FT_Get_Char_Index(face_, CharCodeToUnicode(code)) != 0;
  }

 protected:
  GlyphImage Render(CharCode code) const override {
    std::lock_guard guard(FreeTypeLock());
    GlyphImage image;
    const FT_UInt index = FT_Get_Char_Index(face_, CharCodeToUnicode(code));
    const FT_Int32 flags = FT_LOAD_NO_BITMAP | (mono_ ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    if (FT_Load_Glyph(face_, index, flags) != 0) return image;
    FT_GlyphSlot slot = face_->glyph;
    if (synthBold_ && slot->format == FT_GLYPH_FORMAT_OUTLINE) FT_Outline_EmboldenXY(&slot->outline, 64, 0);
    image.advance = static_cast<int>((slot->advance.x + 32) >> 6) + (synthBold_ ? 1 : 0);
    if (FT_Render_Glyph(slot, mono_ ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return image;
    const FT_Bitmap& bitmap = slot->bitmap;
    image.left = slot->bitmap_left;
    image.top = -slot->bitmap_top;
    image.width = static_cast<int>(bitmap.width);
    image.height = static_cast<int>(bitmap.rows);
    image.coverage.resize(static_cast<size_t>(image.width) * image.height);
    for (int y = 0; y < image.height; ++y) {
      const unsigned char* row = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
      for (int x = 0; x < image.width; ++x) {
        const uint8_t value =
            bitmap.pixel_mode == FT_PIXEL_MODE_MONO ? ((row[x / 8] >> (7 - x % 8)) & 1) * 255 : row[x];
        image.coverage[static_cast<size_t>(y) * image.width + x] = value;
      }
    }
    return image;
  }

 private:
  FT_Face face_;
  bool synthBold_;
  bool mono_;
};

// Sizes the face as the platform maps lfHeight, and measures it. Called
// under the FreeType lock; false when the face cannot be scaled.
bool SizeFace(FT_Face face, LONG lfHeight, TypefaceMetrics& m) {
  const double unitsPerEm = face->units_per_EM;
  if (unitsPerEm <= 0) return false;
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const TT_HoriHeader* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  double winAscent = face->ascender, winDescent = -face->descender;
  if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    winAscent = os2->usWinAscent;
    winDescent = os2->usWinDescent;
  }
  if (winAscent + winDescent <= 0) return false;
  const double em = lfHeight < 0 ? -static_cast<double>(lfHeight) : lfHeight * unitsPerEm / (winAscent + winDescent);
  if (FT_Set_Char_Size(face, 0, std::max<FT_F26Dot6>(1, std::lround(em * 64)), 72, 72) != 0) return false;
  const double scale = em / unitsPerEm;
  m.emHeight = std::max(1, Round(em));
  m.ascent = Round(winAscent * scale);
  m.descent = lfHeight > 0 ? lfHeight - m.ascent : Round(winDescent * scale);
  if (hhea) {
    const double gap = hhea->Line_Gap - ((winAscent + winDescent) - (hhea->Ascender - hhea->Descender));
    m.externalLeading = std::max(0, Round(gap * scale));
  }
  m.aveCharWidth = os2 && os2->version != 0xFFFF && os2->xAvgCharWidth > 0 ? Round(os2->xAvgCharWidth * scale)
                                                                           : std::max(1, m.emHeight / 2);
  m.maxCharWidth = std::max(m.aveCharWidth, Round(face->max_advance_width * scale));
  m.underlineThickness = std::max(1, Round(face->underline_thickness * scale));
  const int underline = Round((-face->underline_position - face->underline_thickness / 2.0) * scale);
  m.underlineOffset = std::clamp(underline, 0, std::max(0, m.descent - m.underlineThickness));
  if (os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
    m.strikeOutThickness = std::max(1, Round(os2->yStrikeoutSize * scale));
    m.strikeOutOffset = -Round(os2->yStrikeoutPosition * scale);
  } else {
    m.strikeOutThickness = m.underlineThickness;
    m.strikeOutOffset = -m.ascent / 3;
  }
  m.outline = true;
  return true;
}

std::shared_ptr<const Typeface> CreateOutlineTypeface(const FaceMatch& match, LONG lfHeight,
                                                      const TypefaceStyle& style) {
  FT_Library library = Library();
  FT_Face face = nullptr;
  if (!library || FT_New_Face(library, match.file.c_str(), match.index, &face) != 0) return nullptr;
  TypefaceMetrics metrics;
  if (!SizeFace(face, lfHeight, metrics)) {
    FT_Done_Face(face);
    return nullptr;
  }
  // The face's own style, not the matched one: fontconfig reports a regular
  // face that it would embolden or slant as bold or oblique.
  const bool synthBold = style.bold && !(face->style_flags & FT_STYLE_FLAG_BOLD);
  if (synthBold) {
    ++metrics.aveCharWidth;
    ++metrics.maxCharWidth;
  }
  if (style.italic && !(face->style_flags & FT_STYLE_FLAG_ITALIC)) {
    FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};  // a slant of about 12 degrees
    FT_Set_Transform(face, &shear, nullptr);
  }
  metrics.fixedPitch = match.fixedPitch;
  metrics.family = match.family;
  metrics.familyName = match.familyName;
  const bool mono = RendersMonochrome(face, metrics.emHeight, style.quality);
  return std::make_shared<OutlineTypeface>(face, std::move(metrics), synthBold, mono);
}

}  // namespace

std::shared_ptr<const Typeface> OpenOutlineTypeface(std::string_view faceName, bool japanese, LONG lfHeight,
                                                    const TypefaceStyle& style) {
  // Kept for the process: a program uses a handful of fonts and sizes.
  static std::mutex lock;
  static auto* opened = new std::map<std::string, std::shared_ptr<const Typeface>>;

  FaceMatch match;
  {
    std::lock_guard guard(FreeTypeLock());
    if (!MatchFace(faceName, japanese, style, match)) return nullptr;
  }
  const std::string key = match.file + '\n' + std::to_string(match.index) + '\n' + std::to_string(lfHeight) + '\n' +
                          std::to_string(style.bold) + std::to_string(style.italic) + std::to_string(style.quality);
  std::lock_guard guard(lock);
  auto& slot = (*opened)[key];
  if (!slot) {
    std::lock_guard freetype(FreeTypeLock());
    slot = CreateOutlineTypeface(match, lfHeight, style);
  }
  return slot;
}

}  // namespace detail
}  // namespace win
