#include "player/tests/Fixture.h"

#include <algorithm>

#include "platform/Com.h"
#include "platform/Messages.h"
#include "platform/Sync.h"
#include "platform/Window.h"
#include "player/TextFile.h"

namespace koru::testing {

namespace {
constexpr char kSinkClass[] = "KoruTestSink";
}

NotificationSink::NotificationSink() {
  messageId_ = win::RegisterWindowMessageA("WM_KORU");
  win::WNDCLASSA wc{};
  if (!win::GetClassInfoA(nullptr, kSinkClass, &wc)) {
    wc.lpfnWndProc = &NotificationSink::Proc;
    wc.lpszClassName = kSinkClass;
    win::RegisterClassA(&wc);
  }
  hwnd_ = win::CreateWindowExA(0, kSinkClass, "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, this);
}

NotificationSink::~NotificationSink() { win::DestroyWindow(hwnd_); }

win::LRESULT NotificationSink::Proc(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
  if (message == win::WM_NCCREATE) {
    auto* create = reinterpret_cast<win::CREATESTRUCTA*>(lParam);
    win::SetWindowLongPtrA(hwnd, win::GWLP_USERDATA, reinterpret_cast<win::LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<NotificationSink*>(win::GetWindowLongPtrA(hwnd, win::GWLP_USERDATA));
  if (self && message == self->messageId_) {
    self->received_.push_back({static_cast<win::DWORD>(wParam), static_cast<win::LONG>(lParam)});
    return 1;
  }
  return win::DefWindowProcA(hwnd, message, wParam, lParam);
}

const std::vector<Notification>& NotificationSink::Received() {
  test::PumpMessages();
  return received_;
}

std::vector<Notification> NotificationSink::WithCode(win::DWORD code) {
  std::vector<Notification> found;
  for (const Notification& n : Received()) {
    if (CodeOf(n.event) == code) found.push_back(n);
  }
  return found;
}

bool NotificationSink::WaitFor(win::DWORD code, win::DWORD timeoutMs) {
  return test::PumpUntil(
      [&] {
        return std::any_of(received_.begin(), received_.end(),
                           [code](const Notification& n) { return CodeOf(n.event) == code; });
      },
      timeoutMs);
}

void NotificationSink::Clear() {
  test::PumpMessages();
  received_.clear();
}

Client::Client() {
  win::IUnknown* unknown = nullptr;
  created = win::CoCreateInstance(Koru_tlb::CLSID_KORU, nullptr, 21, win::IID_IUnknown,
                                  reinterpret_cast<void**>(&unknown));
  if (win::FAILED(created)) return;
  unknown->QueryInterface(Koru_tlb::IID_IKORUControl, reinterpret_cast<void**>(&control));
  unknown->QueryInterface(Koru_tlb::IID_IKORUPlayList, reinterpret_cast<void**>(&playList));
  unknown->QueryInterface(Koru_tlb::IID_IKORULyrics, reinterpret_cast<void**>(&lyrics));
  unknown->QueryInterface(Koru_tlb::IID_IKORUMenu, reinterpret_cast<void**>(&menu));
  unknown->Release();
}

Client::~Client() {
  if (control) control->Release();
  if (playList) playList->Release();
  if (lyrics) lyrics->Release();
  if (menu) menu->Release();
}

void PlayerTest::SetUp() { win::CoInitialize(nullptr); }

void PlayerTest::TearDown() {
  client_.reset();
  koru_.reset();
  test::PumpMessages();
  win::CoUninitialize();
}

void PlayerTest::StartPlayer(PlayerOptions options) {
  koru_ = test::TestPlayer::StartOnOwnThread(std::move(options));
  ASSERT_TRUE(koru_);
  client_ = std::make_unique<Client>();
  ASSERT_EQ(client_->created, win::S_OK);
}

void PlayerTest::Register(NotificationSink& sink, win::DWORD mask) {
  win::BYTE mode = 0;
  win::LONG run = 0;
  ASSERT_EQ(client_->control->AddPlugin(0, static_cast<win::LONG>(win::GetCurrentProcessId()), sink.Id(), &mode,
                                        &run),
            win::S_OK);
  ASSERT_EQ(client_->control->SetEvent(sink.Id(), static_cast<win::LONG>(mask)), win::S_OK);
}

void WriteFile(const std::string& path, const std::string& text) { ASSERT_TRUE(WriteTextFile(path, text)); }

void WriteTrack(const std::string& path, const std::string& title, const std::string& artist, win::LONG lengthMs) {
  WriteFile(path, "[Track]\r\nTitle=" + title + "\r\nArtist=" + artist + "\r\nLength=" + std::to_string(lengthMs) +
                      "\r\n");
}

}  // namespace koru::testing
