// IKORULyrics of the automation object: the lyrics of the current track.
#pragma once

#include "player/ServerPart.h"

namespace koru {

class LyricsServer final : public ServerPart<Koru_tlb::IKORULyrics> {
 public:
  using ServerPart::ServerPart;

  win::HRESULT get_Lines(win::LONG* value) override;  // 8
  win::HRESULT get_Comment(win::BSTR* value) override;  // 15
  win::HRESULT get_LyricsWidth(win::LONG* value) override;  // 18
  win::HRESULT get_LyricsHeight(win::LONG* value) override;  // 19
  win::HRESULT GetLine(win::LONG line, win::LONG* tag, win::BSTR* text, win::LONG* alignment, win::VARIANT_BOOL* wordWrap, win::BSTR* fontName, win::LONG* charset, win::LONG* size, win::LONG* style, win::LONG* fontColor, win::LONG* backColor) override;  // 21
};

}  // namespace koru
