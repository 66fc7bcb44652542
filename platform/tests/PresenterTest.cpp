#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/Errors.h"
#include "platform/Presenter.h"
#include "platform/Text.h"

using namespace win;
using test::ScriptedPresenter;

namespace {

// A scripted presenter whose faults fail the running test.
std::shared_ptr<ScriptedPresenter> InstallScripted() {
  auto scripted = std::make_shared<ScriptedPresenter>([](const std::string& error) { ADD_FAILURE() << error; });
  SetPresenter(scripted);
  return scripted;
}

// One that only records its faults, for the tests of those faults.
std::shared_ptr<ScriptedPresenter> InstallTolerant(std::vector<std::string>& reported) {
  auto scripted = std::make_shared<ScriptedPresenter>([&reported](const std::string& e) { reported.push_back(e); });
  SetPresenter(scripted);
  return scripted;
}

HWND Window(uint32_t id) { return HandleFromId<HWND>(id); }

}  // namespace

TEST(Presenter, DefaultButtons) {
  EXPECT_EQ(DefaultButton(MB_OK), IDOK);
  EXPECT_EQ(DefaultButton(MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
  EXPECT_EQ(DefaultButton(MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
  EXPECT_EQ(DefaultButton(MB_YESNO | MB_DEFBUTTON3), IDYES);  // fewer buttons than that: the first
  EXPECT_EQ(DefaultButton(MB_ABORTRETRYIGNORE | MB_DEFBUTTON2 | MB_ICONHAND), IDRETRY);
  EXPECT_EQ(DefaultButton(MB_RETRYCANCEL | MB_SYSTEMMODAL | MB_TOPMOST | MB_SETFOREGROUND), IDRETRY);
  EXPECT_EQ(DefaultButton(0x2023), IDYES);  // Yes/No/Cancel with the question icon, task-modal
  EXPECT_EQ(MessageBoxButtons(MB_YESNOCANCEL), (std::vector<int>{IDYES, IDNO, IDCANCEL}));
  EXPECT_TRUE(MessageBoxButtons(0x7).empty());
}

TEST(Presenter, HeadlessByDefaultPrintsAndTakesTheDefault) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxA(nullptr, SJ("対応版をお使いください").c_str(), SJ("警告").c_str(), MB_YESNO | MB_DEFBUTTON2),
            IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "text", nullptr, MB_OK), IDOK);
  EXPECT_GT(reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, nullptr, "C:\\KORULozg.htm", nullptr, nullptr, 1)), 32);
  EXPECT_TRUE(MessageBeep(MB_ICONEXCLAMATION));
  const std::string printed = testing::internal::GetCapturedStderr();
  EXPECT_NE(printed.find("警告"), std::string::npos);
  EXPECT_NE(printed.find("対応版をお使いください"), std::string::npos);
  EXPECT_NE(printed.find("エラー"), std::string::npos);  // the platform's caption for none
  EXPECT_NE(printed.find("KORULozg.htm"), std::string::npos);
}

TEST(Presenter, SetPresenterReplacesAndRestores) {
  auto scripted = std::make_shared<ScriptedPresenter>();
  std::shared_ptr<Presenter> previous = SetPresenter(scripted);
  EXPECT_NE(dynamic_cast<HeadlessPresenter*>(previous.get()), nullptr);
  EXPECT_EQ(CurrentPresenter(), scripted);
  EXPECT_EQ(SetPresenter(nullptr), scripted);
  EXPECT_NE(dynamic_cast<HeadlessPresenter*>(CurrentPresenter().get()), nullptr);
}

TEST(Presenter, ScriptedAnswersInOrderAndRecordsEveryDialog) {
  auto scripted = InstallScripted();
  scripted->QueueAnswer(IDCANCEL);
  scripted->QueueAnswer(IDOK);
  const std::string text =
      "(this->get_Volume((long*)&Value)) Error: 8004FFFF (-2147155969) @ KORU_TLB/1792\n"
      "Press [Y]es to terminate, [N]o to continue and [C]ancel to Debug";
  EXPECT_EQ(MessageBoxA(nullptr, text.c_str(), "HRCHECK: ", 0x2023), IDCANCEL);
  EXPECT_EQ(MessageBoxA(Window(7), nullptr, nullptr, MB_OK | MB_ICONHAND), IDOK);
  const auto dialogs = scripted->Dialogs();
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(dialogs[0].owner, nullptr);
  EXPECT_EQ(dialogs[0].caption, "HRCHECK: ");
  EXPECT_EQ(dialogs[0].text, text);
  EXPECT_EQ(dialogs[0].style, 0x2023u);
  EXPECT_EQ(dialogs[0].answer, IDCANCEL);
  EXPECT_EQ(dialogs[1].owner, Window(7));
  EXPECT_EQ(dialogs[1].caption, SJ("エラー"));
  EXPECT_EQ(dialogs[1].text, "");
  EXPECT_EQ(scripted->PendingAnswers(), 0u);
  EXPECT_TRUE(scripted->Errors().empty());
}

TEST(Presenter, ScriptedFaultsAreReportedAndTakeTheDefault) {
  std::vector<std::string> reported;
  auto scripted = InstallTolerant(reported);
  EXPECT_EQ(MessageBoxA(nullptr, "nobody answers", "cap", MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);
  scripted->QueueAnswer(IDYES);
  EXPECT_EQ(MessageBoxA(nullptr, "ok only", "cap", MB_OKCANCEL), IDOK);  // Yes is not a button here
  ASSERT_EQ(reported.size(), 2u);
  EXPECT_NE(reported[0].find("nobody answers"), std::string::npos);
  EXPECT_NE(reported[1].find("Yes"), std::string::npos);
  EXPECT_EQ(scripted->Errors(), reported);
  EXPECT_EQ(scripted->Dialogs().size(), 2u);
  EXPECT_EQ(scripted->PendingAnswers(), 0u);
  SetPresenter(nullptr);  // the reporter refers to this test's list
}

TEST(Presenter, ScriptedInvalidStylesNeverReachThePresenter) {
  auto scripted = InstallScripted();
  SetLastError(0);
  EXPECT_EQ(MessageBoxA(nullptr, "x", "y", 0x9), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_MSGBOX_STYLE);
  EXPECT_TRUE(scripted->Dialogs().empty());
}

TEST(Presenter, CodeRunsWhileAScriptedBoxIsOpen) {
  auto scripted = InstallScripted();
  // A handler that the modal loop dispatches may show a box of its own.
  scripted->QueueAnswer(IDNO, [] { MessageBoxA(nullptr, "inner", "nested", MB_OK); });
  scripted->QueueAnswer(IDOK);
  EXPECT_EQ(MessageBoxA(nullptr, "outer", "report", MB_YESNO), IDNO);
  const auto dialogs = scripted->Dialogs();
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(dialogs[0].text, "outer");
  EXPECT_EQ(dialogs[1].text, "inner");
}

TEST(Presenter, ScriptedRecordsBeepsShellRequestsAndBreaks) {
  auto scripted = InstallScripted();
  MessageBeep(MB_ICONEXCLAMATION);
  MessageBeep(0xFFFFFFFF);
  EXPECT_EQ(scripted->Beeps(), (std::vector<UINT>{MB_ICONEXCLAMATION, 0xFFFFFFFF}));

  const std::string help = "C:\\Plugins\\" + SJ("表") + "\\KORULozg.htm";
  HINSTANCE result = ShellExecuteA(Window(3), nullptr, help.c_str(), nullptr, nullptr, 1);
  EXPECT_GT(reinterpret_cast<INT_PTR>(result), 32);
  scripted->SetShellExecuteResult(SE_ERR_FNF);
  EXPECT_EQ(reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", "x.htm", "-a", "C:\\", 3)), SE_ERR_FNF);
  EXPECT_EQ(reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", nullptr, nullptr, nullptr, 1)), SE_ERR_FNF);
  const auto requests = scripted->ShellRequests();
  ASSERT_EQ(requests.size(), 2u);  // a request without a file never reaches the shell
  EXPECT_EQ(requests[0].owner, Window(3));
  EXPECT_EQ(requests[0].verb, "");
  EXPECT_EQ(requests[0].file, help);
  EXPECT_EQ(requests[0].parameters, "");
  EXPECT_EQ(requests[0].directory, "");
  EXPECT_EQ(requests[0].show, 1);
  EXPECT_EQ(requests[1].verb, "open");
  EXPECT_EQ(requests[1].parameters, "-a");
  EXPECT_EQ(requests[1].directory, "C:\\");

  DebugBreak();
  EXPECT_EQ(scripted->DebugBreaks(), 1);
}

TEST(Presenter, ABreakWithoutADebuggerDoesNotEndTheProcess) {
  if (IsDebuggerPresent()) GTEST_SKIP() << "a debugger is attached";
  DebugBreak();  // headless: no debugger, so nothing happens
  SUCCEED();
}
