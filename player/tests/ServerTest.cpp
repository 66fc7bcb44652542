// The automation object's operations with the player's state behind them,
// called as a plug-in calls them: through the interfaces' tables.
#include <gtest/gtest.h>

#include "platform/Com.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Sync.h"
#include "platform/Text.h"
#include "platform/Window.h"
#include "player/MainWindow.h"
#include "player/Server.h"
#include "player/tests/Fixture.h"

namespace koru::testing {
namespace {

using KoruServer = PlayerTest;

std::string Take(win::BSTR s) {
  std::string text = win::BstrToAnsi(s);
  win::SysFreeString(s);
  return text;
}

void AddTracks(Client& client) {
  ASSERT_TRUE(win::CreateDirectoryA("C:\\music", nullptr));
  WriteTrack("C:\\music\\one.trk", "One", "First Artist", 20000);
  WriteTrack("C:\\music\\two.trk", SJ("二"), SJ("歌手"), 30000);
  for (const char* name : {"C:\\music\\one.trk", "C:\\music\\two.trk"}) {
    win::BSTR bstr = win::AnsiToBstr(name);
    ASSERT_EQ(client.playList->Add(bstr), win::S_OK);
    win::SysFreeString(bstr);
  }
}

TEST_F(KoruServer, AnswersVersionAndWindow) {
  StartPlayer();
  win::LONG version = 0;
  EXPECT_EQ(client_->control->get_Version(&version), win::S_OK);
  EXPECT_GE(version, 6100);
  EXPECT_EQ(client_->control->CheckVersion(4300), win::S_OK);
  EXPECT_NE(client_->control->CheckVersion(4301), win::S_OK);
  win::LONG handle = 0;
  EXPECT_EQ(client_->control->get_Handle(&handle), win::S_OK);
  EXPECT_EQ(win::HandleFromId<win::HWND>(handle), win::FindWindowA(kMainWindowClass, nullptr));
}

TEST_F(KoruServer, WindowPlaceAndVisibilityAreTheWindows) {
  StartPlayer();
  ASSERT_EQ(client_->control->put_Left(300), win::S_OK);
  ASSERT_EQ(client_->control->put_Top(-20), win::S_OK);
  win::LONG left = 0, top = 0, width = 0, height = 0, visible = 7;
  client_->control->get_Left(&left);
  client_->control->get_Top(&top);
  client_->control->get_Width(&width);
  client_->control->get_Height(&height);
  EXPECT_EQ(left, 300);
  EXPECT_EQ(top, -20);
  EXPECT_EQ(width, 400);
  EXPECT_EQ(height, 120);
  client_->control->put_Visible(0);
  client_->control->get_Visible(&visible);
  EXPECT_EQ(visible, 0);
  // The window itself follows on the player's thread.
  koru_->RunOnPlayerThread([] {});
  win::RECT r{};
  win::GetWindowRect(koru_->MainWindow(), &r);
  EXPECT_EQ(r.left, 300);
  EXPECT_EQ(r.top, -20);
  EXPECT_FALSE(win::IsWindowVisible(koru_->MainWindow()));
}

TEST_F(KoruServer, PlayListTracksCarryTheirTextsAndValues) {
  StartPlayer();
  AddTracks(*client_);
  win::LONG tracks = 0;
  client_->playList->get_Tracks(&tracks);
  EXPECT_EQ(tracks, 2);

  win::BSTR s[5] = {};
  win::LONG v[7] = {};
  ASSERT_EQ(client_->playList->GetTrackInfo(1, &s[0], &s[1], &s[2], &s[3], &s[4], &v[0], &v[1], &v[2], &v[3], &v[4],
                                            &v[5], &v[6]),
            win::S_OK);
  EXPECT_EQ(Take(s[0]), SJ("二"));
  EXPECT_EQ(Take(s[1]), SJ("歌手"));
  EXPECT_EQ(Take(s[2]), "C:\\music\\two.trk");
  Take(s[3]);
  Take(s[4]);
  EXPECT_EQ(v[3], 1);

  win::BSTR t[5] = {win::AnsiToBstr("New"), win::AnsiToBstr("A"), win::AnsiToBstr("C:\\x.cda"), win::AnsiToBstr("3"),
                    nullptr};
  ASSERT_EQ(client_->playList->SetTrackInfo(0, t[0], t[1], t[2], t[3], t[4], 1, 2, 3, 16, (2 << 16) | 5, 6, 7),
            win::S_OK);
  for (win::BSTR b : t) win::SysFreeString(b);
  ASSERT_EQ(client_->playList->GetTrackInfo(0, &s[0], &s[1], &s[2], &s[3], &s[4], &v[0], &v[1], &v[2], &v[3], &v[4],
                                            &v[5], &v[6]),
            win::S_OK);
  EXPECT_EQ(Take(s[0]), "New");
  for (int i = 1; i < 5; ++i) Take(s[i]);
  EXPECT_EQ(v[0], 1);
  EXPECT_EQ(v[4], (2 << 16) | 5);
  EXPECT_EQ(v[6], 7);

  win::BSTR untouched = nullptr;
  EXPECT_EQ(client_->playList->GetTrackInfo(2, &untouched, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                            nullptr, nullptr, nullptr, nullptr, nullptr),
            win::E_INVALIDARG);
  EXPECT_EQ(untouched, nullptr);
  EXPECT_EQ(win::test::LiveBstrCount(), 0u);
}

TEST_F(KoruServer, AddingAMissingFileChangesNothing) {
  StartPlayer();
  win::BSTR name = win::AnsiToBstr("C:\\nowhere.trk");
  EXPECT_EQ(client_->playList->Add(name), win::HRESULT_FROM_WIN32(win::ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(client_->playList->Add(nullptr), win::E_INVALIDARG);
  win::SysFreeString(name);
  win::LONG tracks = 5, status = 0;
  client_->playList->get_Tracks(&tracks);
  client_->control->get_PlayStatus(&status);
  EXPECT_EQ(tracks, 0);
  EXPECT_EQ(status, kStatusNotReady);
}

TEST_F(KoruServer, PlayListSavedThroughTheInterfaceLoadsBack) {
  StartPlayer();
  AddTracks(*client_);
  win::BSTR file = win::AnsiToBstr("C:\\music\\list.kpl");
  ASSERT_EQ(client_->playList->Save(file), win::S_OK);
  ASSERT_EQ(client_->playList->New(), win::S_OK);
  win::LONG tracks = 9, track = 9;
  client_->playList->get_Tracks(&tracks);
  EXPECT_EQ(tracks, 0);
  ASSERT_EQ(client_->playList->Load(file), win::S_OK);
  win::SysFreeString(file);
  client_->playList->get_Tracks(&tracks);
  client_->control->get_Track(&track);
  EXPECT_EQ(tracks, 2);
  EXPECT_EQ(track, 0);
}

TEST_F(KoruServer, TransportCommandsChangeThePlayStatus) {
  StartPlayer();
  AddTracks(*client_);
  win::LONG status = 0;
  auto statusNow = [&] {
    client_->control->get_PlayStatus(&status);
    return status;
  };
  EXPECT_EQ(statusNow(), kStatusStopped);
  client_->control->Play();
  EXPECT_EQ(statusNow(), kStatusPlaying);
  client_->control->Pause();
  EXPECT_EQ(statusNow(), kStatusPaused);
  client_->control->FF(1);
  EXPECT_EQ(statusNow(), kStatusSeeking);
  client_->control->FF(0);
  EXPECT_EQ(statusNow(), kStatusPaused);
  client_->control->Stop();
  EXPECT_EQ(statusNow(), kStatusStopped);
  client_->control->Click(kButtonRecord);
  EXPECT_EQ(statusNow(), kStatusRecording);
  client_->control->Eject();
  EXPECT_EQ(statusNow(), kStatusOpen);
  client_->control->Play();
  EXPECT_EQ(statusNow(), kStatusPlaying);

  win::LONG track = 0, length = 0;
  EXPECT_EQ(client_->control->Next(), win::S_OK);
  client_->control->get_Track(&track);
  client_->control->get_Length(&length);
  EXPECT_EQ(track, 1);
  EXPECT_EQ(length, 30000);
  // Paused, the position stays where it is put while it is read back.
  client_->control->Pause();
  EXPECT_EQ(client_->control->Seek(0, 5000), win::S_OK);
  win::LONG position = 0;
  client_->control->get_Track(&track);
  client_->control->get_Position(&position);
  EXPECT_EQ(track, 0);
  EXPECT_EQ(position, 5000);
  EXPECT_EQ(client_->control->put_Track(7), win::E_INVALIDARG);
  client_->control->put_Position(-5);
  client_->control->get_Position(&position);
  EXPECT_EQ(position, 0);
}

TEST_F(KoruServer, ValuesReadBackAsWritten) {
  StartPlayer();
  win::LONG value = 0;
  win::VARIANT_BOOL flag = 0;
  client_->control->put_Volume(1500);
  client_->control->get_Volume(&value);
  EXPECT_EQ(value, 1000);
  client_->control->put_Repeat(win::VARIANT_TRUE);
  client_->control->get_Repeat(&flag);
  EXPECT_EQ(flag, win::VARIANT_TRUE);
  client_->control->put_Random(1);
  client_->control->get_Random(&flag);
  EXPECT_EQ(flag, win::VARIANT_TRUE);
  client_->control->put_OnTimer(win::VARIANT_TRUE);
  client_->control->put_OnTime(7 * 60 + 30);
  client_->control->get_OnTime(&value);
  EXPECT_EQ(value, 450);
  client_->control->get_OffTimer(&flag);
  EXPECT_EQ(flag, win::VARIANT_FALSE);
  client_->control->put_RecLevel(80);
  client_->control->get_RecLevel(&value);
  EXPECT_EQ(value, 80);
  client_->control->get_Rate(&value);
  EXPECT_EQ(value, 100);
  client_->control->put_AdjustSpeanaLevel(150);
  client_->control->get_AdjustSpeanaLevel(&value);
  EXPECT_EQ(value, 150);
  client_->control->put_DisplayMode(Koru_tlb::TKORUDisplayMode{2});
  Koru_tlb::TKORUDisplayMode mode{};
  client_->control->get_DisplayMode(&mode);
  EXPECT_EQ(mode, 2);
  client_->control->put_Counter(4321);
  client_->control->get_Counter(&value);
  EXPECT_EQ(value, 4321);
}

TEST_F(KoruServer, DesignsColoursAndFonts) {
  StartPlayer();
  ASSERT_TRUE(win::CreateDirectoryA("C:\\KORU\\Designs", nullptr));
  WriteFile("C:\\KORU\\Designs\\Blue.korud", "[Color]\r\n4=0x00112233\r\n5=0x00445566\r\n");
  win::BSTR name = win::AnsiToBstr("Designs\\Blue.korud");
  client_->control->put_Design(name);
  win::SysFreeString(name);
  win::BSTR design = nullptr;
  ASSERT_EQ(client_->control->get_Design(&design), win::S_OK);
  EXPECT_EQ(Take(design), "C:\\KORU\\Designs\\Blue.korud");

  win::LONG color = 0;
  EXPECT_EQ(client_->control->GetColor(kColorLyrics, &color), win::S_OK);
  EXPECT_EQ(color, 0x00112233);
  color = 7;
  EXPECT_EQ(client_->control->GetColor(kColorCount, &color), win::E_INVALIDARG);
  EXPECT_EQ(color, 7);

  win::BSTR font = nullptr;
  win::LONG charset = 0, size = 0, style = 0, fontColor = 0;
  ASSERT_EQ(client_->control->GetFont(kFontLyrics, &font, &charset, &size, &style, &fontColor), win::S_OK);
  EXPECT_EQ(Take(font), SJ("ＭＳ Ｐゴシック"));
  EXPECT_EQ(charset, kShiftJisCharset);
  EXPECT_EQ(size, -12);
  EXPECT_EQ(fontColor, 0x00445566);

  win::BSTR form = win::AnsiToBstr("PlayList");
  EXPECT_EQ(client_->control->GetFormImage(form), win::S_OK);
  win::SysFreeString(form);
  EXPECT_EQ(koru_->player().LastFormImage(), "PlayList");
}

TEST_F(KoruServer, RegistrationAnswersModeAndRunValueAndKeepsTheMask) {
  StartPlayer();
  NotificationSink sink;
  win::BYTE mode = 0;
  win::LONG run = 0, mask = 0;
  ASSERT_EQ(client_->control->AddPlugin(0, static_cast<win::LONG>(win::GetCurrentProcessId()), sink.Id(), &mode, &run),
            win::S_OK);
  EXPECT_EQ(mode, kModePlugin);
  EXPECT_EQ(run, 1);
  ASSERT_EQ(client_->control->GetEvent(sink.Id(), &mask), win::S_OK);
  EXPECT_EQ(static_cast<win::DWORD>(mask), kDefaultEventMask);
  ASSERT_EQ(client_->control->SetEvent(sink.Id(), 0x1F), win::S_OK);
  ASSERT_EQ(client_->control->AddPlugin(0, 12345, sink.Id(), &mode, &run), win::S_OK);
  EXPECT_EQ(mode, kModeOtherProcess);
  EXPECT_EQ(run, 2);
  client_->control->GetEvent(sink.Id(), &mask);
  EXPECT_EQ(mask, 0x1F);

  EXPECT_EQ(client_->control->AddPlugin(0, 1, 0x7FFFFFF0, &mode, &run), win::E_INVALIDARG);
  EXPECT_EQ(client_->control->GetEvent(0x7FFFFFF0, &mask), win::E_INVALIDARG);
  EXPECT_EQ(client_->control->RemovePlugin(sink.Id()), win::S_OK);
  EXPECT_EQ(client_->control->RemovePlugin(sink.Id()), win::S_FALSE);
  EXPECT_EQ(client_->control->SetEvent(sink.Id(), 0), win::E_INVALIDARG);
}

TEST_F(KoruServer, CallsAfterThePlayerQuitAnswerDisconnected) {
  StartPlayer();
  koru_->RunOnPlayerThread([this] { koru_->player().Quit(); });
  win::LONG version = 0;
  EXPECT_EQ(client_->control->get_Version(&version), RPC_E_DISCONNECTED);
  EXPECT_EQ(version, 0);
  Client late;
  EXPECT_EQ(late.created, win::REGDB_E_CLASSNOTREG);
}

}  // namespace
}  // namespace koru::testing
