#include "hostlink/tests/KoruTestSupport.h"

#include <map>
#include <mutex>

#include "hostlink/Koru.h"
#include "platform/Com.h"
#include "platform/Registry.h"
#include "platform/Window.h"

namespace korutest {

namespace {

std::mutex receivedLock;
std::map<win::HWND, std::vector<PlayerWindow::Received>>& ReceivedByWindow() {
  static auto* received = new std::map<win::HWND, std::vector<PlayerWindow::Received>>;
  return *received;
}

win::LRESULT RecordingProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
  {
    std::lock_guard guard(receivedLock);
    auto it = ReceivedByWindow().find(hwnd);
    if (it != ReceivedByWindow().end()) it->second.push_back({message, wParam, lParam});
  }
  return win::DefWindowProcA(hwnd, message, wParam, lParam);
}

void SetDefaultValue(win::HKEY root, const char* path, const std::string& value) {
  win::HKEY key{};
  ASSERT_EQ(win::RegCreateKeyExA(root, path, 0, nullptr, 0, win::KEY_ALL_ACCESS, nullptr, &key, nullptr), 0);
  ASSERT_EQ(win::RegSetValueExA(key, nullptr, 0, win::REG_SZ, reinterpret_cast<const win::BYTE*>(value.c_str()),
                                static_cast<win::DWORD>(value.size() + 1)),
            0);
  win::RegCloseKey(key);
}

}  // namespace

PresenterScope::PresenterScope()
    : presenter_(std::make_shared<win::test::ScriptedPresenter>([](const std::string& e) { ADD_FAILURE() << e; })),
      previous_(win::SetPresenter(presenter_)) {}

PresenterScope::~PresenterScope() {
  EXPECT_EQ(presenter_->PendingAnswers(), 0u) << "answers queued for dialogs that never came";
  win::SetPresenter(previous_);
}

PlayerWindow::PlayerWindow(const char* className) {
  // The player's form, of an earlier test, may have left the class with
  // the framework's procedure.
  win::WNDCLASSA existing{};
  if (win::GetClassInfoA(nullptr, className, &existing) && existing.lpfnWndProc != RecordingProc)
    win::UnregisterClassA(className, nullptr);
  win::WNDCLASSA wc{};
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = className;
  win::RegisterClassA(&wc);  // already registered by an earlier window of the test: fine
  handle_ = win::CreateWindowExA(0, className, "KORU", win::WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                                 nullptr);
  std::lock_guard guard(receivedLock);
  ReceivedByWindow()[handle_];
}

PlayerWindow::~PlayerWindow() {
  win::DestroyWindow(handle_);
  std::lock_guard guard(receivedLock);
  ReceivedByWindow().erase(handle_);
}

std::vector<PlayerWindow::Received> PlayerWindow::Messages(win::UINT message) const {
  std::lock_guard guard(receivedLock);
  std::vector<Received> found;
  for (const Received& r : ReceivedByWindow()[handle_])
    if (r.message == message) found.push_back(r);
  return found;
}

void SetAppPath(const std::string& exePath) {
  SetDefaultValue(win::HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KORU.EXE",
                  exePath);
}

void SetUserPath(const std::string& exePath) { SetDefaultValue(win::HKEY_CURRENT_USER, "Software\\TOSKA\\KORU", exePath); }

bool WaitFor(const std::function<bool()>& done) { return koru::test::PumpUntil(done, 20000); }

std::vector<std::string> ArgumentsOf(koru::test::TestPlayer& player, const std::string& operation) {
  std::vector<std::string> arguments;
  for (const koru::CallRecord& call : player.Calls().CallsOf(operation)) arguments.push_back(call.arguments);
  return arguments;
}

std::vector<std::string> Operations(koru::test::TestPlayer& player) {
  std::vector<std::string> operations;
  for (const koru::CallRecord& call : player.Calls().Calls()) operations.push_back(call.operation);
  return operations;
}

void KoruPlayerTest::SetUp() { win::CoInitialize(nullptr); }

void KoruPlayerTest::TearDown() {
  koru_.reset();
  player_.reset();
  PumpMessages();
  win::CoUninitialize();
}

void KoruPlayerTest::StartPlayer(koru::PlayerOptions options) {
  player_ = koru::test::TestPlayer::StartOnOwnThread(std::move(options));
  ASSERT_TRUE(player_);
}

TKORU& KoruPlayerTest::BoundKoru() {
  if (!player_) StartPlayer();
  koru_ = std::make_unique<TKORU>(nullptr);
  koru_->Bind();
  EXPECT_TRUE(koru_->Bound);
  // The new window's hello reaches the player's thread in its own time; its
  // answer, arriving after a test has unbound, would bind again. A task
  // queued behind the hello has run once the answer is posted.
  player_->RunOnPlayerThread([] {});
  // The player's greeting to the new window and its run notification.
  PumpMessages();
  player_->Calls().Clear();
  return *koru_;
}

}  // namespace korutest
