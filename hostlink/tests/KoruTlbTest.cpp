// The interfaces are called by slot number across the plug-in boundary, so
// their tables must have the operations exactly at the numbered slots.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostlink/Koru_tlb.h"

using namespace Koru_tlb;
using win::HRESULT;
using win::LONG;

namespace {

template <class Fn>
Fn Slot(void* object, int index) {
  void** table = *static_cast<void***>(object);
  return reinterpret_cast<Fn>(table[index]);
}

// Answers IUnknown and IDispatch so that only the interface's own slots matter.
template <class Interface>
struct Recorder : Interface {
  std::vector<std::string> calls;
  HRESULT QueryInterface(const win::IID&, void**) override { return win::E_NOINTERFACE; }
  win::ULONG AddRef() override { return 1; }
  win::ULONG Release() override { return 1; }
  HRESULT GetTypeInfoCount(win::UINT*) override { return E_NOTIMPL; }
  HRESULT GetTypeInfo(win::UINT, win::LCID, win::ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(const win::IID&, win::LPOLESTR*, win::UINT, win::LCID, win::DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT Invoke(win::DISPID, const win::IID&, win::LCID, win::WORD, win::DISPPARAMS*, win::VARIANT*,
                 win::EXCEPINFO*, win::UINT*) override {
    return E_NOTIMPL;
  }
};

#define RECORD(name, ...)                               \
  HRESULT name(__VA_ARGS__) override {                  \
    calls.push_back(#name);                             \
    return 0;                                           \
  }

struct Control : Recorder<IKORUControl> {
  HRESULT get_Version(LONG* v) override {
    *v = 6100;
    return 0;
  }
  HRESULT CheckVersion(LONG v) override { return v == 4300 ? 0 : 1; }
  RECORD(get_Handle, LONG*)
  RECORD(get_Visible, LONG*)
  RECORD(put_Visible, LONG)
  RECORD(get_Left, LONG*)
  RECORD(put_Left, LONG)
  RECORD(get_Top, LONG*)
  RECORD(put_Top, LONG)
  RECORD(get_Width, LONG*)
  RECORD(get_Height, LONG*)
  RECORD(get_PlayStatus, LONG*)
  RECORD(get_Track, LONG*)
  RECORD(put_Track, LONG)
  RECORD(get_Position, LONG*)
  RECORD(put_Position, LONG)
  RECORD(get_Length, LONG*)
  HRESULT get_Volume(LONG* v) override {
    *v = 750;
    return 0;
  }
  RECORD(put_Volume, LONG)
  RECORD(get_Counter, LONG*)
  RECORD(put_Counter, LONG)
  RECORD(get_Repeat, win::VARIANT_BOOL*)
  RECORD(put_Repeat, win::VARIANT_BOOL)
  RECORD(get_Random, win::VARIANT_BOOL*)
  RECORD(put_Random, win::VARIANT_BOOL)
  RECORD(get_RemainTime, win::VARIANT_BOOL*)
  RECORD(put_RemainTime, win::VARIANT_BOOL)
  RECORD(get_Design, win::BSTR*)
  RECORD(put_Design, win::BSTR)
  HRESULT get_DisplayMode(TKORUDisplayMode* m) override {
    *m = TKORUDisplayMode{2};
    return 0;
  }
  RECORD(put_DisplayMode, TKORUDisplayMode)
  RECORD(get_OnTimer, win::VARIANT_BOOL*)
  RECORD(put_OnTimer, win::VARIANT_BOOL)
  RECORD(get_OnTime, LONG*)
  RECORD(put_OnTime, LONG)
  RECORD(get_OffTimer, win::VARIANT_BOOL*)
  RECORD(put_OffTimer, win::VARIANT_BOOL)
  RECORD(get_OffTime, LONG*)
  RECORD(put_OffTime, LONG)
  RECORD(get_ShutDownRecord, win::VARIANT_BOOL*)
  RECORD(put_ShutDownRecord, win::VARIANT_BOOL)
  RECORD(get_RecLevel, LONG*)
  RECORD(put_RecLevel, LONG)
  HRESULT AddPlugin(LONG, LONG, LONG window, win::BYTE* mode, LONG* run) override {
    *mode = 3;
    *run = window + 1;
    return 0;
  }
  RECORD(RemovePlugin, LONG)
  RECORD(Abort, LONG)
  RECORD(Close)
  RECORD(ShutDown)
  RECORD(GetEvent, LONG, LONG*)
  RECORD(SetEvent, LONG, LONG)
  RECORD(NotifyEvent, LONG, LONG, LONG)
  RECORD(Stop)
  RECORD(Pause)
  RECORD(Play)
  RECORD(FF, LONG)
  RECORD(Rewind, LONG)
  RECORD(Next)
  RECORD(Back)
  RECORD(Eject)
  HRESULT Seek(LONG a, LONG b) override {
    calls.push_back("Seek " + std::to_string(a) + " " + std::to_string(b));
    return 0;
  }
  RECORD(ShowPlayList)
  RECORD(ShowProperty)
  RECORD(ShowMenu)
  RECORD(ShowToolMenu)
  RECORD(Click, LONG)
  RECORD(KeyDown, LONG, LONG)
  RECORD(GetText, win::BSTR*, LONG*, win::VARIANT_BOOL*, win::VARIANT_BOOL*, win::BSTR*, LONG*, LONG*, LONG*, LONG*,
         LONG*)
  RECORD(GetVolumes, LONG*, LONG*)
  HRESULT GetSpeana(LONG* b0, LONG*, LONG*, LONG*, LONG*, LONG*, LONG*, LONG*, LONG*, LONG* b9) override {
    *b0 = 10;
    *b9 = 19;
    return 0;
  }
  RECORD(SaveKORUini)
  RECORD(GetColor, LONG, LONG*)
  RECORD(GetFont, LONG, win::BSTR*, LONG*, LONG*, LONG*, LONG*)
  RECORD(GetFormImage, win::BSTR)
  RECORD(get_Rate, LONG*)
  RECORD(put_Rate, LONG)
  RECORD(get_AdjustVolLevel, LONG*)
  RECORD(put_AdjustVolLevel, LONG)
  RECORD(get_AdjustSpeanaLevel, LONG*)
  HRESULT put_AdjustSpeanaLevel(LONG v) override {
    calls.push_back("put_AdjustSpeanaLevel " + std::to_string(v));
    return 0;
  }
};

struct PlayList : Recorder<IKORUPlayList> {
  HRESULT get_Tracks(LONG* v) override {
    *v = 12;
    return 0;
  }
  RECORD(get_PlayListVisible, win::VARIANT_BOOL*)
  RECORD(put_PlayListVisible, win::VARIANT_BOOL)
  RECORD(New)
  RECORD(Add, win::BSTR)
  RECORD(Load, win::BSTR)
  RECORD(Save, win::BSTR)
  HRESULT GetTrackInfo(LONG track, win::BSTR*, win::BSTR*, win::BSTR*, win::BSTR*, win::BSTR*, LONG* v0, LONG*, LONG*,
                       LONG*, LONG*, LONG*, LONG* v6) override {
    *v0 = track;
    *v6 = track * 7;
    return 0;
  }
  RECORD(SetTrackInfo, LONG, win::BSTR, win::BSTR, win::BSTR, win::BSTR, win::BSTR, LONG, LONG, LONG, LONG, LONG, LONG,
         LONG)
};

struct Lyrics : Recorder<IKORULyrics> {
  RECORD(get_Lines, LONG*)
  RECORD(get_Comment, win::BSTR*)
  RECORD(get_LyricsWidth, LONG*)
  RECORD(get_LyricsHeight, LONG*)
  HRESULT GetLine(LONG line, LONG* tag, win::BSTR*, LONG*, win::VARIANT_BOOL*, win::BSTR*, LONG*, LONG*, LONG*, LONG*,
                  LONG* back) override {
    *tag = line * 1000;
    *back = 0xFFFFFF;
    return 0;
  }
};

struct Menu : Recorder<IKORUMenu> {
  HRESULT Add(LONG window, LONG parent, win::BSTR, LONG* id) override {
    *id = parent + window;
    return 0;
  }
  RECORD(Delete, LONG)
  RECORD(SetCaption, LONG, win::BSTR)
};

}  // namespace

TEST(KoruTlb, ControlOperationsStandAtTheirSlots) {
  Control c;
  LONG value = 0;
  ASSERT_EQ(Slot<HRESULT (*)(void*, LONG*)>(&c, 7)(&c, &value), 0);
  EXPECT_EQ(value, 6100);
  EXPECT_EQ(Slot<HRESULT (*)(void*, LONG)>(&c, 8)(&c, 4300), 0);
  EXPECT_EQ(Slot<HRESULT (*)(void*, LONG)>(&c, 8)(&c, 4299), 1);
  Slot<HRESULT (*)(void*, LONG*)>(&c, 24)(&c, &value);
  EXPECT_EQ(value, 750);
  TKORUDisplayMode mode{};
  Slot<HRESULT (*)(void*, TKORUDisplayMode*)>(&c, 38)(&c, &mode);
  EXPECT_EQ(mode, 2);
  win::BYTE byteMode = 0;
  LONG run = 0;
  Slot<HRESULT (*)(void*, LONG, LONG, LONG, win::BYTE*, LONG*)>(&c, 52)(&c, 1, 2, 41, &byteMode, &run);
  EXPECT_EQ(byteMode, 3);
  EXPECT_EQ(run, 42);
  Slot<HRESULT (*)(void*, LONG, LONG)>(&c, 68)(&c, 10, -1);
  LONG bands[10] = {};
  Slot<HRESULT (*)(void*, LONG*, LONG*, LONG*, LONG*, LONG*, LONG*, LONG*, LONG*, LONG*, LONG*)>(&c, 77)(
      &c, &bands[0], &bands[1], &bands[2], &bands[3], &bands[4], &bands[5], &bands[6], &bands[7], &bands[8],
      &bands[9]);
  EXPECT_EQ(bands[0], 10);
  EXPECT_EQ(bands[9], 19);
  Slot<HRESULT (*)(void*, LONG)>(&c, 88)(&c, 5);
  Slot<HRESULT (*)(void*)>(&c, 62)(&c);
  Slot<HRESULT (*)(void*)>(&c, 78)(&c);
  EXPECT_EQ(c.calls, (std::vector<std::string>{"Seek 10 -1", "put_AdjustSpeanaLevel 5", "Play", "SaveKORUini"}));
  // The uncalled slots answer E_NOTIMPL without touching anything.
  for (int unused : {36, 37, 79}) EXPECT_EQ(Slot<HRESULT (*)(void*)>(&c, unused)(&c), E_NOTIMPL);
}

TEST(KoruTlb, PlayListLyricsAndMenuOperationsStandAtTheirSlots) {
  PlayList p;
  LONG tracks = 0;
  Slot<HRESULT (*)(void*, LONG*)>(&p, 8)(&p, &tracks);
  EXPECT_EQ(tracks, 12);
  win::BSTR s[5] = {};
  LONG v[7] = {};
  Slot<HRESULT (*)(void*, LONG, win::BSTR*, win::BSTR*, win::BSTR*, win::BSTR*, win::BSTR*, LONG*, LONG*, LONG*,
                   LONG*, LONG*, LONG*, LONG*)>(&p, 31)(&p, 3, &s[0], &s[1], &s[2], &s[3], &s[4], &v[0], &v[1], &v[2],
                                                      &v[3], &v[4], &v[5], &v[6]);
  EXPECT_EQ(v[0], 3);
  EXPECT_EQ(v[6], 21);
  Slot<HRESULT (*)(void*)>(&p, 25)(&p);
  EXPECT_EQ(p.calls, std::vector<std::string>{"New"});
  for (int unused : {7, 9, 22, 26, 27}) EXPECT_EQ(Slot<HRESULT (*)(void*)>(&p, unused)(&p), E_NOTIMPL);

  Lyrics l;
  LONG tag = 0, lv[8] = {};
  win::BSTR text = nullptr, font = nullptr;
  win::VARIANT_BOOL wrap = 0;
  Slot<HRESULT (*)(void*, LONG, LONG*, win::BSTR*, LONG*, win::VARIANT_BOOL*, win::BSTR*, LONG*, LONG*, LONG*, LONG*,
                   LONG*)>(&l, 21)(&l, 4, &tag, &text, &lv[0], &wrap, &font, &lv[1], &lv[2], &lv[3], &lv[4], &lv[5]);
  EXPECT_EQ(tag, 4000);
  EXPECT_EQ(lv[5], 0xFFFFFF);
  Slot<HRESULT (*)(void*, LONG*)>(&l, 15)(&l, &tag);
  EXPECT_EQ(l.calls, std::vector<std::string>{"get_Comment"});

  Menu m;
  LONG id = 0;
  Slot<HRESULT (*)(void*, LONG, LONG, win::BSTR, LONG*)>(&m, 10)(&m, 0x10, 0x4000, nullptr, &id);
  EXPECT_EQ(id, 0x4010);
  Slot<HRESULT (*)(void*, LONG)>(&m, 13)(&m, id);
  Slot<HRESULT (*)(void*, LONG, win::BSTR)>(&m, 18)(&m, id, nullptr);
  EXPECT_EQ(m.calls, (std::vector<std::string>{"Delete", "SetCaption"}));
}
