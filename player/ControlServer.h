// IKORUControl of the automation object: the player window, playback, plug-in registration, commands, texts, colours and fonts.
#pragma once

#include "player/ServerPart.h"

namespace koru {

class ControlServer final : public ServerPart<Koru_tlb::IKORUControl> {
 public:
  using ServerPart::ServerPart;

  win::HRESULT get_Version(win::LONG* value) override;  // 7
  win::HRESULT CheckVersion(win::LONG version) override;  // 8
  win::HRESULT get_Handle(win::LONG* window) override;  // 9
  win::HRESULT get_Visible(win::LONG* value) override;  // 10
  win::HRESULT put_Visible(win::LONG value) override;  // 11
  win::HRESULT get_Left(win::LONG* value) override;  // 12
  win::HRESULT put_Left(win::LONG value) override;  // 13
  win::HRESULT get_Top(win::LONG* value) override;  // 14
  win::HRESULT put_Top(win::LONG value) override;  // 15
  win::HRESULT get_Width(win::LONG* value) override;  // 16
  win::HRESULT get_Height(win::LONG* value) override;  // 17
  win::HRESULT get_PlayStatus(win::LONG* value) override;  // 18
  win::HRESULT get_Track(win::LONG* value) override;  // 19
  win::HRESULT put_Track(win::LONG value) override;  // 20
  win::HRESULT get_Position(win::LONG* value) override;  // 21
  win::HRESULT put_Position(win::LONG value) override;  // 22
  win::HRESULT get_Length(win::LONG* value) override;  // 23
  win::HRESULT get_Volume(win::LONG* value) override;  // 24
  win::HRESULT put_Volume(win::LONG value) override;  // 25
  win::HRESULT get_Counter(win::LONG* value) override;  // 26
  win::HRESULT put_Counter(win::LONG value) override;  // 27
  win::HRESULT get_Repeat(win::VARIANT_BOOL* value) override;  // 28
  win::HRESULT put_Repeat(win::VARIANT_BOOL value) override;  // 29
  win::HRESULT get_Random(win::VARIANT_BOOL* value) override;  // 30
  win::HRESULT put_Random(win::VARIANT_BOOL value) override;  // 31
  win::HRESULT get_RemainTime(win::VARIANT_BOOL* value) override;  // 32
  win::HRESULT put_RemainTime(win::VARIANT_BOOL value) override;  // 33
  win::HRESULT get_Design(win::BSTR* value) override;  // 34
  win::HRESULT put_Design(win::BSTR value) override;  // 35
  win::HRESULT get_DisplayMode(Koru_tlb::TKORUDisplayMode* value) override;  // 38
  win::HRESULT put_DisplayMode(Koru_tlb::TKORUDisplayMode value) override;  // 39
  win::HRESULT get_OnTimer(win::VARIANT_BOOL* value) override;  // 40
  win::HRESULT put_OnTimer(win::VARIANT_BOOL value) override;  // 41
  win::HRESULT get_OnTime(win::LONG* value) override;  // 42
  win::HRESULT put_OnTime(win::LONG value) override;  // 43
  win::HRESULT get_OffTimer(win::VARIANT_BOOL* value) override;  // 44
  win::HRESULT put_OffTimer(win::VARIANT_BOOL value) override;  // 45
  win::HRESULT get_OffTime(win::LONG* value) override;  // 46
  win::HRESULT put_OffTime(win::LONG value) override;  // 47
  win::HRESULT get_ShutDownRecord(win::VARIANT_BOOL* value) override;  // 48
  win::HRESULT put_ShutDownRecord(win::VARIANT_BOOL value) override;  // 49
  win::HRESULT get_RecLevel(win::LONG* value) override;  // 50
  win::HRESULT put_RecLevel(win::LONG value) override;  // 51
  win::HRESULT AddPlugin(win::LONG instance, win::LONG processId, win::LONG window, win::BYTE* mode, win::LONG* runValue) override;  // 52
  win::HRESULT RemovePlugin(win::LONG window) override;  // 53
  win::HRESULT Abort(win::LONG window) override;  // 54
  win::HRESULT Close() override;  // 55
  win::HRESULT ShutDown() override;  // 56
  win::HRESULT GetEvent(win::LONG window, win::LONG* mask) override;  // 57
  win::HRESULT SetEvent(win::LONG window, win::LONG mask) override;  // 58
  win::HRESULT NotifyEvent(win::LONG window, win::LONG event, win::LONG parameter) override;  // 59
  win::HRESULT Stop() override;  // 60
  win::HRESULT Pause() override;  // 61
  win::HRESULT Play() override;  // 62
  win::HRESULT FF(win::LONG on) override;  // 63
  win::HRESULT Rewind(win::LONG on) override;  // 64
  win::HRESULT Next() override;  // 65
  win::HRESULT Back() override;  // 66
  win::HRESULT Eject() override;  // 67
  win::HRESULT Seek(win::LONG a, win::LONG b) override;  // 68
  win::HRESULT ShowPlayList() override;  // 69
  win::HRESULT ShowProperty() override;  // 70
  win::HRESULT ShowMenu() override;  // 71
  win::HRESULT ShowToolMenu() override;  // 72
  win::HRESULT Click(win::LONG button) override;  // 73
  win::HRESULT KeyDown(win::LONG key, win::LONG shift) override;  // 74
  win::HRESULT GetText(win::BSTR* text, win::LONG* alignment, win::VARIANT_BOOL* wordWrap, win::VARIANT_BOOL* showAccelChar, win::BSTR* fontName, win::LONG* charset, win::LONG* size, win::LONG* style, win::LONG* fontColor, win::LONG* backColor) override;  // 75
  win::HRESULT GetVolumes(win::LONG* left, win::LONG* right) override;  // 76
  win::HRESULT GetSpeana(win::LONG* band0, win::LONG* band1, win::LONG* band2, win::LONG* band3, win::LONG* band4, win::LONG* band5, win::LONG* band6, win::LONG* band7, win::LONG* band8, win::LONG* band9) override;  // 77
  win::HRESULT SaveKORUini() override;  // 78
  win::HRESULT GetColor(win::LONG index, win::LONG* color) override;  // 80
  win::HRESULT GetFont(win::LONG index, win::BSTR* name, win::LONG* charset, win::LONG* size, win::LONG* style, win::LONG* color) override;  // 81
  win::HRESULT GetFormImage(win::BSTR name) override;  // 82
  win::HRESULT get_Rate(win::LONG* value) override;  // 83
  win::HRESULT put_Rate(win::LONG value) override;  // 84
  win::HRESULT get_AdjustVolLevel(win::LONG* value) override;  // 85
  win::HRESULT put_AdjustVolLevel(win::LONG value) override;  // 86
  win::HRESULT get_AdjustSpeanaLevel(win::LONG* value) override;  // 87
  win::HRESULT put_AdjustSpeanaLevel(win::LONG value) override;  // 88
};

}  // namespace koru
