// The lozenge under load: a storm of notifications from another thread,
// and a thousand starts and stops in one player process.
#include <atomic>
#include <fstream>
#include <map>
#include <thread>

#include "platform/Errors.h"
#include "platform/Handles.h"
#include "platform/Messages.h"
#include "platform/Mutex.h"
#include "player/Levels.h"
#include "player/Notifier.h"
#include "player/PluginLoader.h"
#include "plugin/tests/LozengeFixture.h"

namespace lozenge_test {
namespace {

using win::detail::HandleKind;

// Resident memory of the process in kilobytes.
long ResidentKb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * 4;
}

std::map<std::string, size_t> Resources() {
  std::map<std::string, size_t> counts;
  const std::pair<const char*, HandleKind> kinds[] = {
      {"windows", HandleKind::Window},   {"menus", HandleKind::Menu},     {"regions", HandleKind::Region},
      {"DCs", HandleKind::DeviceContext}, {"bitmaps", HandleKind::Bitmap}, {"brushes", HandleKind::Brush},
      {"pens", HandleKind::Pen},          {"fonts", HandleKind::Font},     {"palettes", HandleKind::Palette},
      {"drops", HandleKind::Drop},        {"modules", HandleKind::Module}, {"mutexes", HandleKind::Mutex}};
  for (const auto& [name, kind] : kinds) counts[name] = win::detail::HandleTable::Count(kind);
  counts["timers"] = win::test::ThreadTimerCount();
  return counts;
}

using UnderLoad = LozengeTest;

TEST_F(UnderLoad, AThousandStartsAndStopsLeaveNothingBehind) {
  StartPlayer();
  // The first run makes what stays for the process: classes, stock objects.
  ASSERT_TRUE(Load());
  EndPlugin();
  const auto before = Resources();
  for (int i = 0; i < 1000; ++i) {
    ASSERT_TRUE(Load()) << i;
    EndPlugin();
  }
  EXPECT_EQ(Resources(), before);
  EXPECT_TRUE(player().Notifications().Registrations().empty());
  EXPECT_TRUE(player().MenuItems(koru::kMenuPlugins).empty());
  const win::HANDLE mutex = win::CreateMutexA(nullptr, win::FALSE, "KORULozenge");
  EXPECT_NE(win::GetLastError(), win::ERROR_ALREADY_EXISTS);
  win::CloseHandle(mutex);
}

TEST_F(UnderLoad, AStormOfNotificationsEndsShowingTheLastStateSent) {
  ASSERT_TRUE(Load());
  WriteText("C:\\Plugins\\storm.trk", "[Track]\r\nTitle=Storm\r\nLength=600000\r\n");
  ASSERT_EQ(player().AddFile("C:\\Plugins\\storm.trk"), win::S_OK);
  form_->PopupTitle->Click();
  const win::HWND link = form_->KORU->WindowHandle;
  const win::UINT message = player().MessageId();
  constexpr int kStorm = 100000;
  koru::Levels last;
  last.bands = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  const win::LONG lastCounter = 3 * 60000 + 21000;

  std::atomic<bool> done{false};
  std::atomic<int> refused{0};
  std::atomic<int> unanswered{0};
  std::thread storm([&] {
    auto post = [&](win::DWORD event, win::LONG param) {
      // A full queue refuses; the sender waits for room rather than lose it.
      while (!win::PostMessageA(link, message, event, param)) {
        ASSERT_EQ(win::GetLastError(), win::ERROR_NOT_ENOUGH_QUOTA);
        ++refused;
        std::this_thread::yield();
      }
    };
    for (int i = 0; i < kStorm / 2; ++i) {
      koru::Levels levels;
      for (int k = 0; k < 10; ++k) levels.bands[k] = (i + k) % 16;
      post(koru::kNotifyCounter, i * 10);
      post(koru::SpectrumEvent(levels), koru::SpectrumParam(levels));
      // The window still answers in the middle of it all.
      win::DWORD_PTR answer = 0;
      if (i % 10000 == 0 &&
          !win::SendMessageTimeoutA(form_->Handle(), win::WM_NULL, 0, 0, win::SMTO_NORMAL, 20000, &answer))
        ++unanswered;
    }
    post(koru::kNotifyCounter, lastCounter);
    post(koru::SpectrumEvent(last), koru::SpectrumParam(last));
    done = true;
  });

  long early = 0;
  int handled = 0;
  while (!done || koru::test::PumpMessages() > 0) {
    handled += koru::test::PumpMessages();
    if (!early && handled > 1000) early = ResidentKb();
  }
  storm.join();
  koru::test::PumpMessages();

  EXPECT_EQ(unanswered, 0);
  EXPECT_EQ(form_->LabelTime->Caption(), "03:21");
  for (int k = 0; k < 10; ++k) EXPECT_EQ(form_->SpeanaMeters[k].Level, std::min(last.bands[k], 10)) << k;
  // Memory stays flat: the queue is bounded and nothing piles up.
  EXPECT_LT(ResidentKb() - early, 16 * 1024);
  RecordProperty("refused posts", refused.load());
}

}  // namespace
}  // namespace lozenge_test
