#include "player/PlayListServer.h"

#include "player/Player.h"
#include "player/Server.h"

namespace koru {

namespace {
constexpr char kIKORUPlayList[] = "IKORUPlayList";
}  // namespace

using win::BSTR;
using win::HRESULT;
using win::LONG;
using win::S_OK;

HRESULT PlayListServer::get_Tracks(LONG* value) {
  return server_.Get(kIKORUPlayList, "get_Tracks", value, [](Player& p) { return p.Tracks(); });
}
HRESULT PlayListServer::get_PlayListVisible(win::VARIANT_BOOL* value) {
  return server_.Get(kIKORUPlayList, "get_PlayListVisible", value, [](Player& p) { return VariantBool(p.PlayListVisible()); });
}
HRESULT PlayListServer::put_PlayListVisible(win::VARIANT_BOOL value) {
  return server_.Call(kIKORUPlayList, "put_PlayListVisible", Args(value), [&](Player& p) {
    p.SetPlayListVisible(value != 0);
    return S_OK;
  });
}
HRESULT PlayListServer::New() {
  return server_.Call(kIKORUPlayList, "New", "", [](Player& p) {
    p.NewPlayList();
    return S_OK;
  });
}
HRESULT PlayListServer::Add(BSTR name) {
  return server_.Call(kIKORUPlayList, "Add", Args(name), [&](Player& p) { return p.AddFile(win::BstrToAnsi(name)); });
}
HRESULT PlayListServer::Load(BSTR name) {
  return server_.Call(kIKORUPlayList, "Load", Args(name), [&](Player& p) { return p.LoadPlayList(win::BstrToAnsi(name)); });
}
HRESULT PlayListServer::Save(BSTR name) {
  return server_.Call(kIKORUPlayList, "Save", Args(name), [&](Player& p) { return p.SavePlayList(win::BstrToAnsi(name)); });
}
HRESULT PlayListServer::GetTrackInfo(LONG track, BSTR* s0, BSTR* s1, BSTR* s2, BSTR* s3, BSTR* s4, LONG* v0,
                                     LONG* v1, LONG* v2, LONG* v3, LONG* v4, LONG* v5, LONG* v6) {
  return server_.Call(kIKORUPlayList, "GetTrackInfo", Args(track), [&](Player& p) {
    Track t;
    const HRESULT result = p.GetTrackInfo(track, &t);
    if (result != S_OK) return result;
    PutString(s0, t.title);
    PutString(s1, t.artist);
    PutString(s2, t.fileName);
    PutString(s3, t.text3);
    PutString(s4, t.lyricsName);
    const LONG values[] = {t.value1, t.value2, t.value3, t.kind, t.driveTrack, t.value4, t.value5};
    LONG* outs[] = {v0, v1, v2, v3, v4, v5, v6};
    for (size_t i = 0; i < std::size(outs); ++i) {
      if (outs[i]) *outs[i] = values[i];
    }
    return S_OK;
  });
}
HRESULT PlayListServer::SetTrackInfo(LONG track, BSTR s0, BSTR s1, BSTR s2, BSTR s3, BSTR s4, LONG v0, LONG v1,
                                     LONG v2, LONG v3, LONG v4, LONG v5, LONG v6) {
  return server_.Call(kIKORUPlayList, "SetTrackInfo", Args(track, s0, s1, s2, s3, s4, v0, v1, v2, v3, v4, v5, v6), [&](Player& p) {
    Track t;
    t.title = win::BstrToAnsi(s0);
    t.artist = win::BstrToAnsi(s1);
    t.fileName = win::BstrToAnsi(s2);
    t.text3 = win::BstrToAnsi(s3);
    t.lyricsName = win::BstrToAnsi(s4);
    t.value1 = v0;
    t.value2 = v1;
    t.value3 = v2;
    t.kind = v3;
    t.driveTrack = v4;
    t.value4 = v5;
    t.value5 = v6;
    return p.SetTrackInfo(track, t);
  });
}

}  // namespace koru
