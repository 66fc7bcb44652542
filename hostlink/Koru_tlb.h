// The KORU player's automation interfaces as the plug-in calls them: the
// class and interface identities and the four dual interfaces, whose virtual
// functions stand in the order of their slots. Slot 0 to 6 are IUnknown and
// IDispatch; the interfaces' own operations start at slot 7 (the number after
// each). Slots the plug-in never calls are kept as placeholders answering
// E_NOTIMPL, so that every called operation keeps its slot number.
#pragma once

#include "platform/Com.h"

namespace Koru_tlb {

using win::BSTR;
using win::BYTE;
using win::HRESULT;
using win::LONG;
using win::VARIANT_BOOL;
using win::E_NOTIMPL;

// The player's display mode; the plug-in passes the values through unchanged.
enum TKORUDisplayMode : LONG {};

inline constexpr win::CLSID CLSID_KORU = {0x83329E85, 0x0A15, 0x11D3, {0x95, 0xBA, 0x00, 0x48, 0x45, 0xC0, 0x17, 0x85}};
inline constexpr win::IID IID_IKORUControl = {0x83329E81, 0x0A15, 0x11D3, {0x95, 0xBA, 0x00, 0x48, 0x45, 0xC0, 0x17, 0x85}};
inline constexpr win::IID IID_IKORUPlayList = {0x83329E82, 0x0A15, 0x11D3, {0x95, 0xBA, 0x00, 0x48, 0x45, 0xC0, 0x17, 0x85}};
inline constexpr win::IID IID_IKORULyrics = {0x83329E83, 0x0A15, 0x11D3, {0x95, 0xBA, 0x00, 0x48, 0x45, 0xC0, 0x17, 0x85}};
inline constexpr win::IID IID_IKORUMenu = {0x83329E84, 0x0A15, 0x11D3, {0x95, 0xBA, 0x00, 0x48, 0x45, 0xC0, 0x17, 0x85}};

struct IKORUControl : win::IDispatch {
  virtual HRESULT get_Version(LONG* value) = 0;  // 7
  virtual HRESULT CheckVersion(LONG version) = 0;  // 8
  virtual HRESULT get_Handle(LONG* window) = 0;  // 9
  virtual HRESULT get_Visible(LONG* value) = 0;  // 10
  virtual HRESULT put_Visible(LONG value) = 0;  // 11
  virtual HRESULT get_Left(LONG* value) = 0;  // 12
  virtual HRESULT put_Left(LONG value) = 0;  // 13
  virtual HRESULT get_Top(LONG* value) = 0;  // 14
  virtual HRESULT put_Top(LONG value) = 0;  // 15
  virtual HRESULT get_Width(LONG* value) = 0;  // 16
  virtual HRESULT get_Height(LONG* value) = 0;  // 17
  virtual HRESULT get_PlayStatus(LONG* value) = 0;  // 18
  virtual HRESULT get_Track(LONG* value) = 0;  // 19
  virtual HRESULT put_Track(LONG value) = 0;  // 20
  virtual HRESULT get_Position(LONG* value) = 0;  // 21
  virtual HRESULT put_Position(LONG value) = 0;  // 22
  virtual HRESULT get_Length(LONG* value) = 0;  // 23
  virtual HRESULT get_Volume(LONG* value) = 0;  // 24
  virtual HRESULT put_Volume(LONG value) = 0;  // 25
  virtual HRESULT get_Counter(LONG* value) = 0;  // 26
  virtual HRESULT put_Counter(LONG value) = 0;  // 27
  virtual HRESULT get_Repeat(VARIANT_BOOL* value) = 0;  // 28
  virtual HRESULT put_Repeat(VARIANT_BOOL value) = 0;  // 29
  virtual HRESULT get_Random(VARIANT_BOOL* value) = 0;  // 30
  virtual HRESULT put_Random(VARIANT_BOOL value) = 0;  // 31
  virtual HRESULT get_RemainTime(VARIANT_BOOL* value) = 0;  // 32
  virtual HRESULT put_RemainTime(VARIANT_BOOL value) = 0;  // 33
  virtual HRESULT get_Design(BSTR* value) = 0;  // 34
  virtual HRESULT put_Design(BSTR value) = 0;  // 35
  virtual HRESULT Unused36() { return E_NOTIMPL; }  // 36
  virtual HRESULT Unused37() { return E_NOTIMPL; }  // 37
  virtual HRESULT get_DisplayMode(TKORUDisplayMode* value) = 0;  // 38
  virtual HRESULT put_DisplayMode(TKORUDisplayMode value) = 0;  // 39
  virtual HRESULT get_OnTimer(VARIANT_BOOL* value) = 0;  // 40
  virtual HRESULT put_OnTimer(VARIANT_BOOL value) = 0;  // 41
  virtual HRESULT get_OnTime(LONG* value) = 0;  // 42
  virtual HRESULT put_OnTime(LONG value) = 0;  // 43
  virtual HRESULT get_OffTimer(VARIANT_BOOL* value) = 0;  // 44
  virtual HRESULT put_OffTimer(VARIANT_BOOL value) = 0;  // 45
  virtual HRESULT get_OffTime(LONG* value) = 0;  // 46
  virtual HRESULT put_OffTime(LONG value) = 0;  // 47
  virtual HRESULT get_ShutDownRecord(VARIANT_BOOL* value) = 0;  // 48
  virtual HRESULT put_ShutDownRecord(VARIANT_BOOL value) = 0;  // 49
  virtual HRESULT get_RecLevel(LONG* value) = 0;  // 50
  virtual HRESULT put_RecLevel(LONG value) = 0;  // 51
  virtual HRESULT AddPlugin(LONG instance, LONG processId, LONG window, BYTE* mode, LONG* runValue) = 0;  // 52
  virtual HRESULT RemovePlugin(LONG window) = 0;  // 53
  virtual HRESULT Abort(LONG window) = 0;  // 54
  virtual HRESULT Close() = 0;  // 55
  virtual HRESULT ShutDown() = 0;  // 56
  virtual HRESULT GetEvent(LONG window, LONG* mask) = 0;  // 57
  virtual HRESULT SetEvent(LONG window, LONG mask) = 0;  // 58
  virtual HRESULT NotifyEvent(LONG window, LONG event, LONG parameter) = 0;  // 59
  virtual HRESULT Stop() = 0;  // 60
  virtual HRESULT Pause() = 0;  // 61
  virtual HRESULT Play() = 0;  // 62
  virtual HRESULT FF(LONG on) = 0;  // 63
  virtual HRESULT Rewind(LONG on) = 0;  // 64
  virtual HRESULT Next() = 0;  // 65
  virtual HRESULT Back() = 0;  // 66
  virtual HRESULT Eject() = 0;  // 67
  virtual HRESULT Seek(LONG a, LONG b) = 0;  // 68
  virtual HRESULT ShowPlayList() = 0;  // 69
  virtual HRESULT ShowProperty() = 0;  // 70
  virtual HRESULT ShowMenu() = 0;  // 71
  virtual HRESULT ShowToolMenu() = 0;  // 72
  virtual HRESULT Click(LONG button) = 0;  // 73
  virtual HRESULT KeyDown(LONG key, LONG shift) = 0;  // 74
  virtual HRESULT GetText(BSTR* text, LONG* alignment, VARIANT_BOOL* wordWrap, VARIANT_BOOL* showAccelChar, BSTR* fontName, LONG* charset, LONG* size, LONG* style, LONG* fontColor, LONG* backColor) = 0;  // 75
  virtual HRESULT GetVolumes(LONG* left, LONG* right) = 0;  // 76
  virtual HRESULT GetSpeana(LONG* band0, LONG* band1, LONG* band2, LONG* band3, LONG* band4, LONG* band5, LONG* band6, LONG* band7, LONG* band8, LONG* band9) = 0;  // 77
  virtual HRESULT SaveKORUini() = 0;  // 78
  virtual HRESULT Unused79() { return E_NOTIMPL; }  // 79
  virtual HRESULT GetColor(LONG index, LONG* color) = 0;  // 80
  virtual HRESULT GetFont(LONG index, BSTR* name, LONG* charset, LONG* size, LONG* style, LONG* color) = 0;  // 81
  virtual HRESULT GetFormImage(BSTR name) = 0;  // 82
  virtual HRESULT get_Rate(LONG* value) = 0;  // 83
  virtual HRESULT put_Rate(LONG value) = 0;  // 84
  virtual HRESULT get_AdjustVolLevel(LONG* value) = 0;  // 85
  virtual HRESULT put_AdjustVolLevel(LONG value) = 0;  // 86
  virtual HRESULT get_AdjustSpeanaLevel(LONG* value) = 0;  // 87
  virtual HRESULT put_AdjustSpeanaLevel(LONG value) = 0;  // 88
};

struct IKORUPlayList : win::IDispatch {
  virtual HRESULT Unused7() { return E_NOTIMPL; }  // 7
  virtual HRESULT get_Tracks(LONG* value) = 0;  // 8
  virtual HRESULT Unused9() { return E_NOTIMPL; }  // 9
  virtual HRESULT Unused10() { return E_NOTIMPL; }  // 10
  virtual HRESULT Unused11() { return E_NOTIMPL; }  // 11
  virtual HRESULT Unused12() { return E_NOTIMPL; }  // 12
  virtual HRESULT Unused13() { return E_NOTIMPL; }  // 13
  virtual HRESULT Unused14() { return E_NOTIMPL; }  // 14
  virtual HRESULT Unused15() { return E_NOTIMPL; }  // 15
  virtual HRESULT Unused16() { return E_NOTIMPL; }  // 16
  virtual HRESULT Unused17() { return E_NOTIMPL; }  // 17
  virtual HRESULT Unused18() { return E_NOTIMPL; }  // 18
  virtual HRESULT Unused19() { return E_NOTIMPL; }  // 19
  virtual HRESULT Unused20() { return E_NOTIMPL; }  // 20
  virtual HRESULT Unused21() { return E_NOTIMPL; }  // 21
  virtual HRESULT Unused22() { return E_NOTIMPL; }  // 22
  virtual HRESULT get_PlayListVisible(VARIANT_BOOL* value) = 0;  // 23
  virtual HRESULT put_PlayListVisible(VARIANT_BOOL value) = 0;  // 24
  virtual HRESULT New() = 0;  // 25
  virtual HRESULT Unused26() { return E_NOTIMPL; }  // 26
  virtual HRESULT Unused27() { return E_NOTIMPL; }  // 27
  virtual HRESULT Add(BSTR name) = 0;  // 28
  virtual HRESULT Load(BSTR name) = 0;  // 29
  virtual HRESULT Save(BSTR name) = 0;  // 30
  virtual HRESULT GetTrackInfo(LONG track, BSTR* s0, BSTR* s1, BSTR* s2, BSTR* s3, BSTR* s4, LONG* v0, LONG* v1, LONG* v2, LONG* v3, LONG* v4, LONG* v5, LONG* v6) = 0;  // 31
  virtual HRESULT SetTrackInfo(LONG track, BSTR s0, BSTR s1, BSTR s2, BSTR s3, BSTR s4, LONG v0, LONG v1, LONG v2, LONG v3, LONG v4, LONG v5, LONG v6) = 0;  // 32
};

struct IKORULyrics : win::IDispatch {
  virtual HRESULT Unused7() { return E_NOTIMPL; }  // 7
  virtual HRESULT get_Lines(LONG* value) = 0;  // 8
  virtual HRESULT Unused9() { return E_NOTIMPL; }  // 9
  virtual HRESULT Unused10() { return E_NOTIMPL; }  // 10
  virtual HRESULT Unused11() { return E_NOTIMPL; }  // 11
  virtual HRESULT Unused12() { return E_NOTIMPL; }  // 12
  virtual HRESULT Unused13() { return E_NOTIMPL; }  // 13
  virtual HRESULT Unused14() { return E_NOTIMPL; }  // 14
  virtual HRESULT get_Comment(BSTR* value) = 0;  // 15
  virtual HRESULT Unused16() { return E_NOTIMPL; }  // 16
  virtual HRESULT Unused17() { return E_NOTIMPL; }  // 17
  virtual HRESULT get_LyricsWidth(LONG* value) = 0;  // 18
  virtual HRESULT get_LyricsHeight(LONG* value) = 0;  // 19
  virtual HRESULT Unused20() { return E_NOTIMPL; }  // 20
  virtual HRESULT GetLine(LONG line, LONG* tag, BSTR* text, LONG* alignment, VARIANT_BOOL* wordWrap, BSTR* fontName, LONG* charset, LONG* size, LONG* style, LONG* fontColor, LONG* backColor) = 0;  // 21
};

struct IKORUMenu : win::IDispatch {
  virtual HRESULT Unused7() { return E_NOTIMPL; }  // 7
  virtual HRESULT Unused8() { return E_NOTIMPL; }  // 8
  virtual HRESULT Unused9() { return E_NOTIMPL; }  // 9
  virtual HRESULT Add(LONG window, LONG parentId, BSTR caption, LONG* newId) = 0;  // 10
  virtual HRESULT Unused11() { return E_NOTIMPL; }  // 11
  virtual HRESULT Unused12() { return E_NOTIMPL; }  // 12
  virtual HRESULT Delete(LONG id) = 0;  // 13
  virtual HRESULT Unused14() { return E_NOTIMPL; }  // 14
  virtual HRESULT Unused15() { return E_NOTIMPL; }  // 15
  virtual HRESULT Unused16() { return E_NOTIMPL; }  // 16
  virtual HRESULT Unused17() { return E_NOTIMPL; }  // 17
  virtual HRESULT SetCaption(LONG id, BSTR caption) = 0;  // 18
};

}  // namespace Koru_tlb
