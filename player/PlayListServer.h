// IKORUPlayList of the automation object: the play list.
#pragma once

#include "player/ServerPart.h"

namespace koru {

class PlayListServer final : public ServerPart<Koru_tlb::IKORUPlayList> {
 public:
  using ServerPart::ServerPart;

  win::HRESULT get_Tracks(win::LONG* value) override;  // 8
  win::HRESULT get_PlayListVisible(win::VARIANT_BOOL* value) override;  // 23
  win::HRESULT put_PlayListVisible(win::VARIANT_BOOL value) override;  // 24
  win::HRESULT New() override;  // 25
  win::HRESULT Add(win::BSTR name) override;  // 28
  win::HRESULT Load(win::BSTR name) override;  // 29
  win::HRESULT Save(win::BSTR name) override;  // 30
  win::HRESULT GetTrackInfo(win::LONG track, win::BSTR* s0, win::BSTR* s1, win::BSTR* s2, win::BSTR* s3, win::BSTR* s4, win::LONG* v0, win::LONG* v1, win::LONG* v2, win::LONG* v3, win::LONG* v4, win::LONG* v5, win::LONG* v6) override;  // 31
  win::HRESULT SetTrackInfo(win::LONG track, win::BSTR s0, win::BSTR s1, win::BSTR s2, win::BSTR s3, win::BSTR s4, win::LONG v0, win::LONG v1, win::LONG v2, win::LONG v3, win::LONG v4, win::LONG v5, win::LONG v6) override;  // 32
};

}  // namespace koru
