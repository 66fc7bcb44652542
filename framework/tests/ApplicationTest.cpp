#include "framework/Application.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/Thread.h"
#include "platform/Messages.h"
#include "platform/Presenter.h"
#include "platform/Sync.h"
#include "platform/Text.h"

namespace {

constexpr win::UINT kRecord = win::WM_USER + 1;
constexpr win::UINT kThrow = win::WM_USER + 2;
constexpr win::UINT kTerminate = win::WM_USER + 3;

std::vector<win::WPARAM> recorded;

win::LRESULT TestProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
  switch (message) {
    case kRecord:
      recorded.push_back(wParam);
      return 0;
    case kThrow:
      throw EConvertError("Bad value");
    case kTerminate:
      Application->Terminate();
      return 0;
  }
  return win::DefWindowProcA(hwnd, message, wParam, lParam);
}

class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    recorded.clear();
    win::WNDCLASSA wc{};
    wc.lpfnWndProc = &TestProc;
    wc.lpszClassName = "ApplicationTestWindow";
    win::RegisterClassA(&wc);
    window = win::CreateWindowExA(0, "ApplicationTestWindow", "", 0, 0, 0, 0, 0, win::HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
    ASSERT_TRUE(window);
    win::SetPresenter(presenter);
  }
  void TearDown() override {
    win::SetPresenter(nullptr);
    win::DestroyWindow(window);
  }

  TApplication app{nullptr};
  std::shared_ptr<win::test::ScriptedPresenter> presenter = std::make_shared<win::test::ScriptedPresenter>();
  win::HWND window{};
};

TEST_F(ApplicationTest, IsTheGlobalApplicationWithAHiddenWindowTitledAfterTheProgram) {
  EXPECT_EQ(Application, &app);
  char className[32] = {};
  win::GetClassNameA(app.Handle(), className, sizeof className);
  EXPECT_STREQ(className, "TApplication");
  EXPECT_FALSE(win::IsWindowVisible(app.Handle()));
  EXPECT_FALSE(app.Title().empty());
  EXPECT_NE(app.ExeName().find(app.Title()), std::string::npos);

  app.SetTitle("Player");
  char text[32] = {};
  win::GetWindowTextA(app.Handle(), text, sizeof text);
  EXPECT_STREQ(text, "Player");
}

TEST_F(ApplicationTest, RunHandlesMessagesInOrderUntilTerminate) {
  win::PostMessageA(window, kRecord, 1, 0);
  win::PostMessageA(window, kTerminate, 0, 0);
  app.Run();
  EXPECT_TRUE(app.Terminated());
  EXPECT_EQ(recorded, (std::vector<win::WPARAM>{1}));
}

TEST_F(ApplicationTest, ProcessMessagesDispatchesWhatIsPendingAndReturns) {
  win::PostMessageA(window, kRecord, 1, 0);
  win::PostMessageA(window, kRecord, 2, 0);
  app.ProcessMessages();
  EXPECT_EQ(recorded, (std::vector<win::WPARAM>{1, 2}));
  app.ProcessMessages();  // nothing pending: must not wait
  EXPECT_FALSE(app.Terminated());
}

TEST_F(ApplicationTest, OnMessageSeesEveryMessageAndCanKeepItFromTheWindow) {
  std::vector<win::UINT> seen;
  app.OnMessage = [&](win::MSG& msg, bool& handled) {
    seen.push_back(msg.message);
    handled = msg.wParam == 1;
  };
  win::PostMessageA(window, kRecord, 1, 0);
  win::PostMessageA(window, kRecord, 2, 0);
  app.ProcessMessages();
  EXPECT_EQ(seen, (std::vector<win::UINT>{kRecord, kRecord}));
  EXPECT_EQ(recorded, (std::vector<win::WPARAM>{2}));
}

TEST_F(ApplicationTest, IdleProcessingRunsWhenTheQueueIsEmpty) {
  int idles = 0;
  app.OnIdle = [&](TObject* sender, bool& done) {
    EXPECT_EQ(sender, &app);
    ++idles;
    done = idles >= 3;  // asks for more idle time twice before sleeping
    if (done) app.Terminate();
  };
  app.Run();
  EXPECT_EQ(idles, 3);
}

TEST_F(ApplicationTest, HandleExceptionShowsTheMessageUnderTheTitle) {
  app.SetTitle("Player");
  presenter->QueueAnswer(win::IDOK);
  presenter->QueueAnswer(win::IDOK);
  presenter->QueueAnswer(win::IDOK);
  try {
    throw EConvertError("Bad value");
  } catch (...) {
    app.HandleException(&app);
  }
  try {
    throw Exception("Already closed.");
  } catch (...) {
    app.HandleException(&app);
  }
  try {
    throw Exception(SJ("開けません"));
  } catch (...) {
    app.HandleException(&app);
  }
  const auto dialogs = presenter->Dialogs();
  ASSERT_EQ(dialogs.size(), 3u);
  EXPECT_EQ(dialogs[0].owner, app.Handle());
  EXPECT_EQ(dialogs[0].caption, "Player");
  EXPECT_EQ(dialogs[0].text, "Bad value.");
  EXPECT_EQ(dialogs[0].style, win::MB_OK | win::MB_ICONERROR);
  EXPECT_EQ(dialogs[1].text, "Already closed.");
  EXPECT_EQ(dialogs[2].text, SJ("開けません") + ".");
}

TEST_F(ApplicationTest, HandleExceptionGoesToOnExceptionInstead) {
  std::string message;
  TObject* from = nullptr;
  app.OnException = [&](TObject* sender, Exception* e) {
    from = sender;
    message = e->Message;
  };
  try {
    throw std::runtime_error("out of range");
  } catch (...) {
    app.HandleException(&app);
  }
  EXPECT_EQ(from, &app);
  EXPECT_EQ(message, "out of range");
  EXPECT_TRUE(presenter->Dialogs().empty());
}

TEST_F(ApplicationTest, AnExceptionFromAWindowProcedureIsHandledAndTheLoopGoesOn) {
  std::vector<std::string> handled;
  app.OnException = [&](TObject*, Exception* e) { handled.push_back(e->Message); };
  win::PostMessageA(window, kThrow, 0, 0);
  win::PostMessageA(window, kRecord, 1, 0);
  win::PostMessageA(window, kThrow, 0, 0);
  win::PostMessageA(window, kTerminate, 0, 0);
  EXPECT_NO_THROW(app.Run());
  EXPECT_EQ(handled, (std::vector<std::string>{"Bad value", "Bad value"}));
  EXPECT_EQ(recorded, (std::vector<win::WPARAM>{1}));
  EXPECT_TRUE(app.Terminated());
}

TEST_F(ApplicationTest, AnExceptionInProcessMessagesIsShown) {
  presenter->QueueAnswer(win::IDOK);
  win::PostMessageA(window, kThrow, 0, 0);
  win::PostMessageA(window, kRecord, 1, 0);
  EXPECT_NO_THROW(app.ProcessMessages());
  ASSERT_EQ(presenter->Dialogs().size(), 1u);
  EXPECT_EQ(presenter->Dialogs()[0].text, "Bad value.");
  EXPECT_EQ(recorded, (std::vector<win::WPARAM>{1}));
}

class TSyncThread : public TThread {
 public:
  explicit TSyncThread(std::function<void()> call) : TThread(false), call_(std::move(call)) {}
  ~TSyncThread() override { TerminateAndWait(); }

 protected:
  void Execute() override { Synchronize(call_); }

 private:
  std::function<void()> call_;
};

TEST_F(ApplicationTest, SynchronizeFromAThreadRunsInsideRunOnTheMainThread) {
  win::DWORD ranOn = 0;
  TSyncThread thread([&] {
    ranOn = win::GetCurrentThreadId();
    Application->Terminate();
  });
  app.Run();
  EXPECT_EQ(ranOn, MainThreadID);
  EXPECT_EQ(thread.WaitFor(), 0u);
}

TEST(ApplicationLifeTest, TheGlobalGoesWithItsApplication) {
  {
    TApplication app(nullptr);
    EXPECT_EQ(Application, &app);
    EXPECT_TRUE(WakeMainThread);
  }
  EXPECT_EQ(Application, nullptr);
  EXPECT_FALSE(WakeMainThread);
}

}  // namespace
