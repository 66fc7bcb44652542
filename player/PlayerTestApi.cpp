#include "player/PlayerTestApi.h"

#include <chrono>
#include <thread>

#include "platform/Com.h"
#include "platform/Files.h"
#include "platform/Messages.h"
#include "platform/Sync.h"
#include "platform/Threads.h"
#include "player/Server.h"

namespace koru::test {

namespace {

// A task for the player's thread: lParam points to the function; the poster waits.
constexpr win::UINT kRunTask = 0x8000 + 10;

void PrepareOptions(PlayerOptions& options) {
  if (options.exePath.empty()) {
    options.exePath = kTestExePath;
    win::CreateDirectoryA("C:\\KORU", nullptr);
  }
}

}  // namespace

std::unique_ptr<TestPlayer> TestPlayer::StartOnOwnThread(PlayerOptions options) {
  std::unique_ptr<TestPlayer> test(new TestPlayer);
  PrepareOptions(options);
  test->options_ = std::move(options);
  test->ready_ = win::CreateEventA(nullptr, win::TRUE, win::FALSE, nullptr);
  test->thread_ = win::CreateThread(nullptr, 0, &TestPlayer::ThreadMain, test.get(), 0, &test->threadId_);
  win::WaitForSingleObject(test->ready_, win::INFINITE);
  if (!test->started_) return nullptr;
  return test;
}

std::unique_ptr<TestPlayer> TestPlayer::StartHere(PlayerOptions options) {
  std::unique_ptr<TestPlayer> test(new TestPlayer);
  PrepareOptions(options);
  test->ownedHere_ = std::make_unique<Player>(std::move(options));
  test->player_ = test->ownedHere_.get();
  if (!test->player_->Start()) return nullptr;
  test->started_ = true;
  return test;
}

win::DWORD TestPlayer::ThreadMain(void* self) {
  auto* test = static_cast<TestPlayer*>(self);
  win::CoInitialize(nullptr);
  auto player = std::make_unique<Player>(test->options_);
  test->player_ = player.get();
  test->started_ = player->Start();
  win::SetEvent(test->ready_);
  if (test->started_) {
    win::MSG msg;
    while (win::GetMessageA(&msg, nullptr, 0, 0) > 0) {
      if (!msg.hwnd && msg.message == kRunTask) {
        (*reinterpret_cast<std::function<void()>*>(msg.lParam))();
        continue;
      }
      win::DispatchMessageA(&msg);
    }
  }
  player.reset();
  win::CoUninitialize();
  return 0;
}

TestPlayer::~TestPlayer() {
  Resume();
  if (thread_) {
    if (started_) RunOnPlayerThread([this] { player_->Quit(); });
    win::WaitForSingleObject(thread_, win::INFINITE);
    win::CloseHandle(thread_);
  } else if (ownedHere_) {
    ownedHere_.reset();
    PumpMessages();
  }
  if (ready_) win::CloseHandle(ready_);
}

CallLog& TestPlayer::Calls() { return player_->Server().Log(); }

bool TestPlayer::Post(win::HWND window, win::DWORD event, win::LONG param) {
  return player_->NotifyEvent(static_cast<win::LONG>(win::HandleId(window)), event, param) == win::S_OK;
}

void TestPlayer::PostTask(std::function<void()>* task) {
  win::PostThreadMessageA(threadId_, kRunTask, 0, reinterpret_cast<win::LPARAM>(task));
}

void TestPlayer::RunOnPlayerThread(const std::function<void()>& task) {
  if (!thread_) {
    task();
    return;
  }
  win::HANDLE done = win::CreateEventA(nullptr, win::TRUE, win::FALSE, nullptr);
  std::function<void()> wrapped = [&] {
    task();
    win::SetEvent(done);
  };
  PostTask(&wrapped);
  // A player that has quit ends its thread without running the task.
  const win::HANDLE either[] = {done, thread_};
  win::WaitForMultipleObjects(2, either, win::FALSE, win::INFINITE);
  win::CloseHandle(done);
}

void TestPlayer::Hang() {
  if (!thread_ || release_) return;
  release_ = win::CreateEventA(nullptr, win::TRUE, win::FALSE, nullptr);
  win::HANDLE hung = win::CreateEventA(nullptr, win::TRUE, win::FALSE, nullptr);
  const win::HANDLE release = release_;
  hangTask_ = [hung, release] {
    win::SetEvent(hung);
    win::WaitForSingleObject(release, win::INFINITE);
  };
  PostTask(&hangTask_);
  win::WaitForSingleObject(hung, win::INFINITE);
  win::CloseHandle(hung);
}

void TestPlayer::Resume() {
  if (!release_) return;
  win::SetEvent(release_);
  // Once the player's thread has run something after the release, it is past the wait.
  win::HANDLE release = release_;
  release_ = nullptr;
  RunOnPlayerThread([] {});
  win::CloseHandle(release);
}

int PumpMessages() {
  int dispatched = 0;
  win::MSG msg;
  while (win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
    if (msg.message == win::WM_QUIT) continue;
    win::DispatchMessageA(&msg);
    ++dispatched;
  }
  return dispatched;
}

bool PumpUntil(const std::function<bool()>& done, win::DWORD timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    if (PumpMessages() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace koru::test
