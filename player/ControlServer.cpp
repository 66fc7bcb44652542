#include "player/ControlServer.h"

#include "platform/Errors.h"
#include "player/Player.h"
#include "player/Server.h"

namespace koru {

namespace {
constexpr char kIKORUControl[] = "IKORUControl";
}  // namespace

using win::BSTR;
using win::HRESULT;
using win::LONG;
using win::S_OK;
using win::VARIANT_BOOL;
using Koru_tlb::TKORUDisplayMode;

namespace {

// Carries out a property write that cannot fail.
template <class Fn>
HRESULT Put(KoruServer& server, const char* operation, std::string arguments, Fn&& write) {
  return server.Call(kIKORUControl, operation, std::move(arguments), [&](Player& p) {
    write(p);
    return S_OK;
  });
}

void PutFont(const FontRecord& font, BSTR* name, LONG* charset, LONG* size, LONG* style, LONG* color) {
  PutString(name, font.name);
  if (charset) *charset = font.charset;
  if (size) *size = font.size;
  if (style) *style = font.style;
  if (color) *color = font.color;
}

}  // namespace

HRESULT ControlServer::get_Version(LONG* value) {
  return server_.Get(kIKORUControl, "get_Version", value, [](Player& p) { return p.Version(); });
}
HRESULT ControlServer::CheckVersion(LONG version) {
  return server_.Call(kIKORUControl, "CheckVersion", Args(version), [&](Player& p) { return p.CheckVersion(version); });
}
HRESULT ControlServer::get_Handle(LONG* window) {
  return server_.Get(kIKORUControl, "get_Handle", window, [](Player& p) { return p.Handle(); });
}
HRESULT ControlServer::get_Visible(LONG* value) {
  return server_.Get(kIKORUControl, "get_Visible", value, [](Player& p) { return p.Visible() ? 1 : 0; });
}
HRESULT ControlServer::put_Visible(LONG value) {
  return Put(server_, "put_Visible", Args(value), [&](Player& p) { p.SetVisible(value != 0); });
}
HRESULT ControlServer::get_Left(LONG* value) {
  return server_.Get(kIKORUControl, "get_Left", value, [](Player& p) { return p.Left(); });
}
HRESULT ControlServer::put_Left(LONG value) {
  return Put(server_, "put_Left", Args(value), [&](Player& p) { p.SetLeft(value); });
}
HRESULT ControlServer::get_Top(LONG* value) {
  return server_.Get(kIKORUControl, "get_Top", value, [](Player& p) { return p.Top(); });
}
HRESULT ControlServer::put_Top(LONG value) {
  return Put(server_, "put_Top", Args(value), [&](Player& p) { p.SetTop(value); });
}
HRESULT ControlServer::get_Width(LONG* value) {
  return server_.Get(kIKORUControl, "get_Width", value, [](Player& p) { return p.Width(); });
}
HRESULT ControlServer::get_Height(LONG* value) {
  return server_.Get(kIKORUControl, "get_Height", value, [](Player& p) { return p.Height(); });
}
HRESULT ControlServer::get_PlayStatus(LONG* value) {
  return server_.Get(kIKORUControl, "get_PlayStatus", value, [](Player& p) { return p.Status(); });
}
HRESULT ControlServer::get_Track(LONG* value) {
  return server_.Get(kIKORUControl, "get_Track", value, [](Player& p) { return p.Track(); });
}
HRESULT ControlServer::put_Track(LONG value) {
  return server_.Call(kIKORUControl, "put_Track", Args(value), [&](Player& p) { return p.SetTrack(value); });
}
HRESULT ControlServer::get_Position(LONG* value) {
  return server_.Get(kIKORUControl, "get_Position", value, [](Player& p) { return p.Position(); });
}
HRESULT ControlServer::put_Position(LONG value) {
  return Put(server_, "put_Position", Args(value), [&](Player& p) { p.SetPosition(value); });
}
HRESULT ControlServer::get_Length(LONG* value) {
  return server_.Get(kIKORUControl, "get_Length", value, [](Player& p) { return p.Length(); });
}
HRESULT ControlServer::get_Volume(LONG* value) {
  return server_.Get(kIKORUControl, "get_Volume", value, [](Player& p) { return p.Volume(); });
}
HRESULT ControlServer::put_Volume(LONG value) {
  return Put(server_, "put_Volume", Args(value), [&](Player& p) { p.SetVolume(value); });
}
HRESULT ControlServer::get_Counter(LONG* value) {
  return server_.Get(kIKORUControl, "get_Counter", value, [](Player& p) { return p.Counter(); });
}
HRESULT ControlServer::put_Counter(LONG value) {
  return Put(server_, "put_Counter", Args(value), [&](Player& p) { p.SetCounter(value); });
}
HRESULT ControlServer::get_Repeat(VARIANT_BOOL* value) {
  return server_.Get(kIKORUControl, "get_Repeat", value, [](Player& p) { return VariantBool(p.Repeat()); });
}
HRESULT ControlServer::put_Repeat(VARIANT_BOOL value) {
  return Put(server_, "put_Repeat", Args(value), [&](Player& p) { p.SetRepeat(value != 0); });
}
HRESULT ControlServer::get_Random(VARIANT_BOOL* value) {
  return server_.Get(kIKORUControl, "get_Random", value, [](Player& p) { return VariantBool(p.Random()); });
}
HRESULT ControlServer::put_Random(VARIANT_BOOL value) {
  return Put(server_, "put_Random", Args(value), [&](Player& p) { p.SetRandom(value != 0); });
}
HRESULT ControlServer::get_RemainTime(VARIANT_BOOL* value) {
  return server_.Get(kIKORUControl, "get_RemainTime", value, [](Player& p) { return VariantBool(p.RemainTime()); });
}
HRESULT ControlServer::put_RemainTime(VARIANT_BOOL value) {
  return Put(server_, "put_RemainTime", Args(value), [&](Player& p) { p.SetRemainTime(value != 0); });
}
HRESULT ControlServer::get_Design(BSTR* value) {
  return server_.Run(kIKORUControl, "get_Design", "", [&](Player& p, const PlannedAnswer&) -> HRESULT {
    if (!value) return win::E_POINTER;
    PutString(value, p.Design());
    return S_OK;
  });
}
HRESULT ControlServer::put_Design(BSTR value) {
  return Put(server_, "put_Design", Args(value), [&](Player& p) { p.SetDesign(win::BstrToAnsi(value)); });
}
HRESULT ControlServer::get_DisplayMode(TKORUDisplayMode* value) {
  return server_.Get(kIKORUControl, "get_DisplayMode", value, [](Player& p) { return p.DisplayMode(); });
}
HRESULT ControlServer::put_DisplayMode(TKORUDisplayMode value) {
  return Put(server_, "put_DisplayMode", Args(value), [&](Player& p) { p.SetDisplayMode(value); });
}
HRESULT ControlServer::get_OnTimer(VARIANT_BOOL* value) {
  return server_.Get(kIKORUControl, "get_OnTimer", value, [](Player& p) { return VariantBool(p.OnTimer()); });
}
HRESULT ControlServer::put_OnTimer(VARIANT_BOOL value) {
  return Put(server_, "put_OnTimer", Args(value), [&](Player& p) { p.SetOnTimer(value != 0); });
}
HRESULT ControlServer::get_OnTime(LONG* value) {
  return server_.Get(kIKORUControl, "get_OnTime", value, [](Player& p) { return p.OnTime(); });
}
HRESULT ControlServer::put_OnTime(LONG value) {
  return Put(server_, "put_OnTime", Args(value), [&](Player& p) { p.SetOnTime(value); });
}
HRESULT ControlServer::get_OffTimer(VARIANT_BOOL* value) {
  return server_.Get(kIKORUControl, "get_OffTimer", value, [](Player& p) { return VariantBool(p.OffTimer()); });
}
HRESULT ControlServer::put_OffTimer(VARIANT_BOOL value) {
  return Put(server_, "put_OffTimer", Args(value), [&](Player& p) { p.SetOffTimer(value != 0); });
}
HRESULT ControlServer::get_OffTime(LONG* value) {
  return server_.Get(kIKORUControl, "get_OffTime", value, [](Player& p) { return p.OffTime(); });
}
HRESULT ControlServer::put_OffTime(LONG value) {
  return Put(server_, "put_OffTime", Args(value), [&](Player& p) { p.SetOffTime(value); });
}
HRESULT ControlServer::get_ShutDownRecord(VARIANT_BOOL* value) {
  return server_.Get(kIKORUControl, "get_ShutDownRecord", value, [](Player& p) { return VariantBool(p.ShutDownRecord()); });
}
HRESULT ControlServer::put_ShutDownRecord(VARIANT_BOOL value) {
  return Put(server_, "put_ShutDownRecord", Args(value), [&](Player& p) { p.SetShutDownRecord(value != 0); });
}
HRESULT ControlServer::get_RecLevel(LONG* value) {
  return server_.Get(kIKORUControl, "get_RecLevel", value, [](Player& p) { return p.RecLevel(); });
}
HRESULT ControlServer::put_RecLevel(LONG value) {
  return Put(server_, "put_RecLevel", Args(value), [&](Player& p) { p.SetRecLevel(value); });
}
HRESULT ControlServer::AddPlugin(LONG instance, LONG processId, LONG window, win::BYTE* mode, LONG* runValue) {
  return server_.Call(kIKORUControl, "AddPlugin", Args(instance, processId, window),
                      [&](Player& p) { return p.AddPlugin(instance, processId, window, mode, runValue); });
}
HRESULT ControlServer::RemovePlugin(LONG window) {
  return server_.Call(kIKORUControl, "RemovePlugin", Args(window), [&](Player& p) { return p.RemovePlugin(window); });
}
HRESULT ControlServer::Abort(LONG window) {
  return server_.Call(kIKORUControl, "Abort", Args(window), [&](Player& p) { return p.Abort(window); });
}
HRESULT ControlServer::Close() {
  return Put(server_, "Close", "", [](Player& p) { p.Close(); });
}
HRESULT ControlServer::ShutDown() {
  return Put(server_, "ShutDown", "", [](Player& p) { p.ShutDown(); });
}
HRESULT ControlServer::GetEvent(LONG window, LONG* mask) {
  return server_.Call(kIKORUControl, "GetEvent", Args(window), [&](Player& p) { return p.GetEvent(window, mask); });
}
HRESULT ControlServer::SetEvent(LONG window, LONG mask) {
  return server_.Call(kIKORUControl, "SetEvent", Args(window, mask), [&](Player& p) { return p.SetEvent(window, mask); });
}
HRESULT ControlServer::NotifyEvent(LONG window, LONG event, LONG parameter) {
  return server_.Call(kIKORUControl, "NotifyEvent", Args(window, event, parameter), [&](Player& p) {
    return p.NotifyEvent(window, static_cast<win::DWORD>(event), parameter);
  });
}
HRESULT ControlServer::Stop() {
  return Put(server_, "Stop", "", [](Player& p) { p.Stop(); });
}
HRESULT ControlServer::Pause() {
  return Put(server_, "Pause", "", [](Player& p) { p.Pause(); });
}
HRESULT ControlServer::Play() {
  return Put(server_, "Play", "", [](Player& p) { p.Play(); });
}
HRESULT ControlServer::FF(LONG on) {
  return Put(server_, "FF", Args(on), [&](Player& p) { p.FastForward(on != 0); });
}
HRESULT ControlServer::Rewind(LONG on) {
  return Put(server_, "Rewind", Args(on), [&](Player& p) { p.Rewind(on != 0); });
}
HRESULT ControlServer::Next() {
  return server_.Call(kIKORUControl, "Next", "", [](Player& p) { return p.Next(); });
}
HRESULT ControlServer::Back() {
  return server_.Call(kIKORUControl, "Back", "", [](Player& p) { return p.Back(); });
}
HRESULT ControlServer::Eject() {
  return Put(server_, "Eject", "", [](Player& p) { p.Eject(); });
}
HRESULT ControlServer::Seek(LONG a, LONG b) {
  return server_.Call(kIKORUControl, "Seek", Args(a, b), [&](Player& p) { return p.Seek(a, b); });
}
HRESULT ControlServer::ShowPlayList() {
  return Put(server_, "ShowPlayList", "", [](Player& p) { p.ShowPlayList(); });
}
HRESULT ControlServer::ShowProperty() {
  return Put(server_, "ShowProperty", "", [](Player& p) { p.ShowProperty(); });
}
HRESULT ControlServer::ShowMenu() {
  return Put(server_, "ShowMenu", "", [](Player& p) { p.ShowMenu(); });
}
HRESULT ControlServer::ShowToolMenu() {
  return Put(server_, "ShowToolMenu", "", [](Player& p) { p.ShowToolMenu(); });
}
HRESULT ControlServer::Click(LONG button) {
  return server_.Call(kIKORUControl, "Click", Args(button), [&](Player& p) { return p.Click(button); });
}
HRESULT ControlServer::KeyDown(LONG key, LONG shift) {
  return server_.Call(kIKORUControl, "KeyDown", Args(key, shift), [&](Player& p) { return p.KeyDown(key, shift); });
}
HRESULT ControlServer::GetText(BSTR* text, LONG* alignment, VARIANT_BOOL* wordWrap, VARIANT_BOOL* showAccelChar,
                               BSTR* fontName, LONG* charset, LONG* size, LONG* style, LONG* fontColor,
                               LONG* backColor) {
  return server_.Call(kIKORUControl, "GetText", "", [&](Player& p) {
    const TextRecord t = p.DisplayText();
    PutString(text, t.text);
    if (alignment) *alignment = t.alignment;
    if (wordWrap) *wordWrap = VariantBool(t.wordWrap);
    if (showAccelChar) *showAccelChar = VariantBool(t.showAccelChar);
    PutFont(t.font, fontName, charset, size, style, fontColor);
    if (backColor) *backColor = t.backColor;
    return S_OK;
  });
}
HRESULT ControlServer::GetVolumes(LONG* left, LONG* right) {
  return server_.Call(kIKORUControl, "GetVolumes", "", [&](Player& p) {
    const Levels levels = p.CurrentLevels();
    if (left) *left = levels.left;
    if (right) *right = levels.right;
    return S_OK;
  });
}
HRESULT ControlServer::GetSpeana(LONG* band0, LONG* band1, LONG* band2, LONG* band3, LONG* band4, LONG* band5,
                                 LONG* band6, LONG* band7, LONG* band8, LONG* band9) {
  return server_.Call(kIKORUControl, "GetSpeana", "", [&](Player& p) {
    const Levels levels = p.CurrentLevels();
    LONG* bands[] = {band0, band1, band2, band3, band4, band5, band6, band7, band8, band9};
    for (int i = 0; i < kBandCount; ++i) {
      if (bands[i]) *bands[i] = levels.bands[i];
    }
    return S_OK;
  });
}
HRESULT ControlServer::SaveKORUini() {
  return server_.Call(kIKORUControl, "SaveKORUini", "", [](Player& p) {
    return p.SaveSettings() ? S_OK : win::HRESULT_FROM_WIN32(win::GetLastError());
  });
}
HRESULT ControlServer::GetColor(LONG index, LONG* color) {
  return server_.Call(kIKORUControl, "GetColor", Args(index), [&](Player& p) { return p.Color(index, color); });
}
HRESULT ControlServer::GetFont(LONG index, BSTR* name, LONG* charset, LONG* size, LONG* style, LONG* color) {
  return server_.Call(kIKORUControl, "GetFont", Args(index), [&](Player& p) {
    FontRecord font;
    const HRESULT result = p.Font(index, &font);
    if (result == S_OK) PutFont(font, name, charset, size, style, color);
    return result;
  });
}
HRESULT ControlServer::GetFormImage(BSTR name) {
  return server_.Call(kIKORUControl, "GetFormImage", Args(name), [&](Player& p) { return p.FormImage(win::BstrToAnsi(name)); });
}
HRESULT ControlServer::get_Rate(LONG* value) {
  return server_.Get(kIKORUControl, "get_Rate", value, [](Player& p) { return p.Rate(); });
}
HRESULT ControlServer::put_Rate(LONG value) {
  return Put(server_, "put_Rate", Args(value), [&](Player& p) { p.SetRate(value); });
}
HRESULT ControlServer::get_AdjustVolLevel(LONG* value) {
  return server_.Get(kIKORUControl, "get_AdjustVolLevel", value, [](Player& p) { return p.AdjustVolLevel(); });
}
HRESULT ControlServer::put_AdjustVolLevel(LONG value) {
  return Put(server_, "put_AdjustVolLevel", Args(value), [&](Player& p) { p.SetAdjustVolLevel(value); });
}
HRESULT ControlServer::get_AdjustSpeanaLevel(LONG* value) {
  return server_.Get(kIKORUControl, "get_AdjustSpeanaLevel", value, [](Player& p) { return p.AdjustSpeanaLevel(); });
}
HRESULT ControlServer::put_AdjustSpeanaLevel(LONG value) {
  return Put(server_, "put_AdjustSpeanaLevel", Args(value), [&](Player& p) { p.SetAdjustSpeanaLevel(value); });
}

}  // namespace koru
