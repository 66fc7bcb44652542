#include "player/LyricsServer.h"

#include "player/Player.h"
#include "player/Server.h"

namespace koru {

namespace {
constexpr char kIKORULyrics[] = "IKORULyrics";
}  // namespace

using win::BSTR;
using win::HRESULT;
using win::LONG;
using win::S_OK;

HRESULT LyricsServer::get_Lines(LONG* value) {
  return server_.Get(kIKORULyrics, "get_Lines", value, [](Player& p) { return p.LyricsLines(); });
}
HRESULT LyricsServer::get_Comment(BSTR* value) {
  return server_.Run(kIKORULyrics, "get_Comment", "", [&](Player& p, const PlannedAnswer&) -> HRESULT {
    if (!value) return win::E_POINTER;
    PutString(value, p.LyricsComment());
    return S_OK;
  });
}
HRESULT LyricsServer::get_LyricsWidth(LONG* value) {
  return server_.Get(kIKORULyrics, "get_LyricsWidth", value, [](Player& p) { return p.LyricsWidth(); });
}
HRESULT LyricsServer::get_LyricsHeight(LONG* value) {
  return server_.Get(kIKORULyrics, "get_LyricsHeight", value, [](Player& p) { return p.LyricsHeight(); });
}
HRESULT LyricsServer::GetLine(LONG line, LONG* tag, BSTR* text, LONG* alignment, win::VARIANT_BOOL* wordWrap,
                              BSTR* fontName, LONG* charset, LONG* size, LONG* style, LONG* fontColor,
                              LONG* backColor) {
  return server_.Call(kIKORULyrics, "GetLine", Args(line), [&](Player& p) {
    TextRecord t;
    const HRESULT result = p.LyricsLine(line, &t);
    if (result != S_OK) return result;
    if (tag) *tag = t.tag;
    PutString(text, t.text);
    if (alignment) *alignment = t.alignment;
    if (wordWrap) *wordWrap = VariantBool(t.wordWrap);
    PutString(fontName, t.font.name);
    if (charset) *charset = t.font.charset;
    if (size) *size = t.font.size;
    if (style) *style = t.font.style;
    if (fontColor) *fontColor = t.font.color;
    if (backColor) *backColor = t.backColor;
    return S_OK;
  });
}

}  // namespace koru
