// Every test starts as in a fresh process: a platform prefix of its own in a
// new temporary folder, removed after it, and none of the windows, window
// classes, queued messages, clock, presenter or screen size an earlier test
// left. So tests run in parallel, in any order and many in one process, and
// never touch the user's own prefix, named mutexes or session bus.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Messages.h"
#include "platform/Mutex.h"
#include "platform/Prefix.h"
#include "platform/Presenter.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/Screen.h"
#include "platform/Sync.h"
#include "platform/Window.h"
#include "testsupport/TempDir.h"

namespace {

// Programs the tests start inherit the prefix through the environment.
void UsePrefix(const std::string& prefix) {
  setenv(win::kPrefixVariable, prefix.c_str(), 1);
  win::test::UsePrefix(prefix);
}

std::set<win::HWND> ThisThreadsWindows() {
  std::set<win::HWND> windows;
  win::EnumThreadWindows(
      win::GetCurrentThreadId(),
      [](win::HWND hwnd, win::LPARAM found) {
        reinterpret_cast<std::set<win::HWND>*>(found)->insert(hwnd);
        return win::TRUE;
      },
      reinterpret_cast<win::LPARAM>(&windows));
  return windows;
}

// A class whose procedure is the test program's own: a test registered it,
// and another test may register the same name with a procedure of its own.
// The classes of the libraries stay, as a process keeps them.
bool IsTestsOwnClass(const std::string& name) {
  win::WNDCLASSA info{};
  if (!win::GetClassInfoA(nullptr, name.c_str(), &info)) return false;
  return win::detail::ModuleOfAddress(reinterpret_cast<const void*>(info.lpfnWndProc)) ==
         win::GetModuleHandleA(nullptr);
}

class FreshStatePerTest : public testing::EmptyTestEventListener {
 public:
  void OnTestStart(const testing::TestInfo&) override {
    prefix_ = testsupport::MakeTempDir("lozg-prefix-");
    UsePrefix(prefix_);
    windows_ = ThisThreadsWindows();
    const std::vector<std::string> classes = win::test::WindowClassNames();
    classes_ = std::set<std::string>(classes.begin(), classes.end());
  }

  void OnTestEnd(const testing::TestInfo&) override {
    for (win::HWND hwnd : ThisThreadsWindows())
      if (!windows_.contains(hwnd)) win::DestroyWindow(hwnd);
    for (const std::string& name : win::test::WindowClassNames())
      if (!classes_.contains(name) && IsTestsOwnClass(name)) win::UnregisterClassA(name.c_str(), nullptr);
    win::MSG left;
    while (win::PeekMessageA(&left, nullptr, 0, 0, win::PM_REMOVE)) {
    }
    win::test::ManualClock::Disable();
    win::SetPresenter(nullptr);
    const win::SIZE screen = win::detail::ScreenSize();
    if (screen.cx != screen_.cx || screen.cy != screen_.cy) win::test::SetScreenSize(screen_.cx, screen_.cy);
    win::test::ReopenRegistry();  // lets go of the database before its folder goes
    std::error_code ignored;
    std::filesystem::remove_all(prefix_, ignored);
  }

 private:
  const win::SIZE screen_ = win::detail::ScreenSize();  // as the process began
  std::string prefix_;
  std::set<win::HWND> windows_;
  std::set<std::string> classes_;
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // The process's own folder: the prefix of whatever runs outside a test,
  // and the named mutexes of all its tests. Named mutexes are per logon,
  // not per prefix, and read once per process: this keeps them apart from
  // the user's and from other test processes.
  const std::string folder = testsupport::MakeTempDir("lozg-prefix-");
  setenv(win::kMutexFolderVariable, (folder + "/mutex").c_str(), 1);
  // No test reaches the user's session bus: the address names no bus, until
  // a test that needs one starts a bus of its own and names it.
  setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + folder + "/no-session-bus").c_str(), 1);
  // Tests never show their windows on the person's display.
  unsetenv("LOZG_LIVE");
  UsePrefix(folder);
  testing::UnitTest::GetInstance()->listeners().Append(new FreshStatePerTest);
  const int result = RUN_ALL_TESTS();
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return result;
}
