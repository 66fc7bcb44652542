#include "hostlink/tests/KoruTestSupport.h"

#include <chrono>
#include <map>
#include <mutex>
#include <thread>

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

void PumpMessages() {
  win::MSG msg;
  while (win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
    win::TranslateMessage(&msg);
    win::DispatchMessageA(&msg);
  }
}

bool PumpUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  for (;;) {
    PumpMessages();
    if (done()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

PlayerWindow::PlayerWindow(const char* className) {
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

}  // namespace korutest
