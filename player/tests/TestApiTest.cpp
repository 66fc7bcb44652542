// The test API: the call log, planned answers of named operations, posted
// notifications and a user-interface thread that stops answering.
#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "platform/Com.h"
#include "platform/Errors.h"
#include "platform/Messages.h"
#include "platform/Sync.h"
#include "player/tests/Fixture.h"

namespace koru::testing {
namespace {

using KoruTestApi = PlayerTest;

constexpr win::HRESULT kNoText = static_cast<win::HRESULT>(0x8004FFFF);

TEST_F(KoruTestApi, LogsEveryCallWithItsArgumentsAndResult) {
  StartPlayer();
  koru_->Calls().Clear();
  client_->control->put_Volume(250);
  client_->control->Seek(10, -1);
  win::BSTR name = win::AnsiToBstr("C:\\none.trk");
  client_->playList->Add(name);
  win::SysFreeString(name);
  win::BSTR caption = win::AnsiToBstr("x");
  win::LONG id = 0;
  client_->menu->Add(0, 0x4000, caption, &id);
  win::SysFreeString(caption);

  const std::vector<CallRecord> calls = koru_->Calls().Calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].interfaceName, "IKORUControl");
  EXPECT_EQ(calls[0].operation, "put_Volume");
  EXPECT_EQ(calls[0].arguments, "250");
  EXPECT_EQ(calls[1].arguments, "10, -1");
  EXPECT_EQ(calls[2].interfaceName, "IKORUPlayList");
  EXPECT_EQ(calls[2].arguments, "\"C:\\none.trk\"");
  EXPECT_EQ(calls[2].result, win::HRESULT_FROM_WIN32(win::ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(calls[3].interfaceName, "IKORUMenu");
  EXPECT_EQ(calls[3].arguments, "0, 16384, \"x\"");
  EXPECT_EQ(koru_->Calls().CallsOf("Add").size(), 2u);
  EXPECT_EQ(koru_->Calls().CallsOf("IKORUMenu.Add").size(), 1u);
}

TEST_F(KoruTestApi, PlannedFailureAnswersOnceAndLeavesTheOutValueAlone) {
  StartPlayer();
  koru_->Calls().FailNext("get_Volume", kNoText);
  win::LONG volume = 0;
  EXPECT_EQ(client_->control->get_Volume(&volume), kNoText);
  EXPECT_EQ(volume, 0);
  EXPECT_EQ(client_->control->get_Volume(&volume), win::S_OK);
  EXPECT_EQ(volume, 800);

  // A failed write changes nothing.
  koru_->Calls().FailNext("put_Volume", win::E_FAIL);
  EXPECT_EQ(client_->control->put_Volume(10), win::E_FAIL);
  client_->control->get_Volume(&volume);
  EXPECT_EQ(volume, 800);
  // Carried out, then failed.
  koru_->Calls().FailNextAfterRun("put_Volume", win::E_FAIL);
  EXPECT_EQ(client_->control->put_Volume(10), win::E_FAIL);
  client_->control->get_Volume(&volume);
  EXPECT_EQ(volume, 10);
}

TEST_F(KoruTestApi, PlannedValuesAnswerGettersAndNamesTellInterfacesApart) {
  StartPlayer();
  koru_->Calls().AnswerNext("get_Visible", 2);
  koru_->Calls().AnswerNext("get_Repeat", 1);
  koru_->Calls().AnswerNext("get_Position", 1234, win::E_FAIL);
  koru_->Calls().AnswerNext("get_Version", 6099);
  win::LONG value = 0;
  win::VARIANT_BOOL flag = 0;
  EXPECT_EQ(client_->control->get_Visible(&value), win::S_OK);
  EXPECT_EQ(value, 2);
  EXPECT_EQ(client_->control->get_Repeat(&flag), win::S_OK);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(client_->control->get_Position(&value), win::E_FAIL);
  EXPECT_EQ(value, 1234);
  EXPECT_EQ(client_->control->get_Version(&value), win::S_OK);
  EXPECT_EQ(value, 6099);

  koru_->Calls().FailNext("IKORUMenu.Add", win::E_OUTOFMEMORY);
  win::BSTR text = win::AnsiToBstr("x");
  win::LONG id = 0;
  EXPECT_EQ(client_->playList->Add(text), win::HRESULT_FROM_WIN32(win::ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(client_->menu->Add(0, 0x4000, text, &id), win::E_OUTOFMEMORY);
  EXPECT_EQ(id, 0);
  win::SysFreeString(text);
}

TEST_F(KoruTestApi, PostsAnyNotification) {
  StartPlayer();
  NotificationSink registered, other;
  Register(registered);
  ASSERT_TRUE(koru_->Post(other.Handle(), 0x12345678, -7));
  ASSERT_TRUE(other.WaitFor(CodeOf(0x12345678)));
  EXPECT_EQ(other.Received().back(), (Notification{0x12345678, -7}));
  ASSERT_TRUE(koru_->Post(nullptr, kNotifyStatus | kStatusActive, 1));
  ASSERT_TRUE(registered.WaitFor(kNotifyStatus));
  EXPECT_TRUE(other.WithCode(kNotifyStatus).empty());
}

TEST_F(KoruTestApi, HungPlayerLetsTimedSendsGiveUp) {
  StartPlayer();
  const win::UINT message = win::RegisterWindowMessageA("WM_KORU");
  win::DWORD_PTR answer = 0;
  ASSERT_NE(win::SendMessageTimeoutA(koru_->MainWindow(), message, kRequestToolsChanged, 0, win::SMTO_ABORTIFHUNG, 3000,
                                     &answer),
            0);
  EXPECT_EQ(answer, 1u);

  koru_->Hang();
  // The automation object still answers: its calls do not go through the window.
  win::LONG version = 0;
  EXPECT_EQ(client_->control->get_Version(&version), win::S_OK);
  answer = 99;
  EXPECT_EQ(win::SendMessageTimeoutA(koru_->MainWindow(), message, kRequestToolsChanged, 0, win::SMTO_ABORTIFHUNG, 200,
                                     &answer),
            0);
  koru_->Resume();
  EXPECT_NE(win::SendMessageTimeoutA(koru_->MainWindow(), message, kRequestToolsChanged, 0, win::SMTO_ABORTIFHUNG, 3000,
                                     &answer),
            0);
  EXPECT_EQ(answer, 1u);
}

}  // namespace
}  // namespace koru::testing
