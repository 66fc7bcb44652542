#include "browse/Fchange.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "platform/ChangeNotify.h"
#include "platform/Paths.h"
#include "platform/Sync.h"
#include "platform/Threads.h"

using namespace std::chrono_literals;
using namespace win;

namespace {

// Long enough for a change to arrive on a loaded machine; short windows
// only assert that nothing arrives.
constexpr auto kArrives = 5s;
constexpr auto kQuiet = 400ms;

// The main thread's message loop, as a test runs it.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = kArrives) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    CheckSynchronize(20);
  }
  return true;
}

void Pump(std::chrono::milliseconds span) { PumpUntil([] { return false; }, span); }

// A folder C:\data, watchers on it that count their changes, and the
// wake-ups that tell a synchronised call is queued.
class FchangeTest : public testing::Test {
 protected:
  void SetUp() override {
    drive_ = DriveFolder('C');
    std::filesystem::create_directories(Host("data/sub"));
    WakeMainThread = [this] { ++wakes; };
  }
  void TearDown() override {
    delete watcher;
    WakeMainThread = nullptr;
  }

  std::string Host(const std::string& name) const { return drive_ + "/" + name; }
  void Write(const std::string& name) const { std::ofstream(Host(name)) << "x"; }

  ktvDirNotifyChange* Watch(const char* path, DWORD filter, bool subtree) {
    watcher = new ktvDirNotifyChange(path, filter, subtree);
    watcher->OnChange = [this](TObject* Sender) {
      EXPECT_EQ(Sender, watcher);
      EXPECT_EQ(GetCurrentThreadId(), MainThreadID);
      ++changes;
    };
    watcher->Start();
    EXPECT_NE(watcher->NotifyHandle(), nullptr) << path;
    return watcher;
  }

  // Waits for a report of what `change` does, then for the reports of it
  // to settle, so that each step is counted apart.
  bool Reported(const std::function<void()>& change) {
    const int before = changes;
    change();
    if (!PumpUntil([&] { return changes > before; })) return false;
    for (int settled = changes;; settled = changes) {
      Pump(kQuiet);
      if (changes == settled) return true;
    }
  }
  // Waits, without serving it, until a synchronised call was queued after `before`.
  bool Queued(int before) {
    const auto end = std::chrono::steady_clock::now() + kArrives;
    while (wakes == before) {
      if (std::chrono::steady_clock::now() >= end) return false;
      std::this_thread::sleep_for(5ms);
    }
    return true;
  }
  bool Quiet(const std::function<void()>& change) {
    const int before = changes;
    change();
    Pump(kQuiet);
    return changes == before;
  }

  std::string drive_;
  ktvDirNotifyChange* watcher = nullptr;
  int changes = 0;
  std::atomic<int> wakes{0};
};

}  // namespace

TEST_F(FchangeTest, PathsFiltersAndPriority) {
  ktvDirNotifyChange folder("C:\\data\\", 0, false);
  EXPECT_EQ(folder.Path(), "C:\\data");
  EXPECT_EQ(folder.Filter(), 31u);
  EXPECT_TRUE(folder.Suspended());
  EXPECT_EQ(folder.Priority(), tpIdle);
  EXPECT_EQ(folder.NotifyHandle(), nullptr);

  ktvDirNotifyChange root("C:\\", 0, true);
  EXPECT_EQ(root.Path(), "C:\\");
  EXPECT_EQ(root.Filter(), static_cast<DWORD>(FILE_NOTIFY_CHANGE_DIR_NAME));
  root.SetPath("C:\\data\\sub\\");
  EXPECT_EQ(root.Path(), "C:\\data\\sub");

  ktvDirNotifyChange given("C:\\data", FILE_NOTIFY_CHANGE_SIZE, true);
  EXPECT_EQ(given.Filter(), static_cast<DWORD>(FILE_NOTIFY_CHANGE_SIZE));
}

TEST_F(FchangeTest, AFolderWatchReportsFilesAndFolders) {
  Watch("C:\\data\\", 0, false);
  EXPECT_TRUE(Reported([&] { Write("data/new.txt"); }));
  EXPECT_TRUE(Reported([&] { std::filesystem::rename(Host("data/new.txt"), Host("data/renamed.txt")); }));
  EXPECT_TRUE(Reported([&] { std::filesystem::remove(Host("data/renamed.txt")); }));
  EXPECT_TRUE(Reported([&] { std::filesystem::create_directory(Host("data/folder")); }));
  EXPECT_TRUE(Quiet([&] { Write("data/sub/below.txt"); }));  // not below without the subtree
}

TEST_F(FchangeTest, ASubtreeWatchReportsOnlyFolderNames) {
  Watch("C:\\", 0, true);
  EXPECT_TRUE(Quiet([&] { Write("data/file.txt"); }));
  EXPECT_TRUE(Quiet([&] { std::filesystem::remove(Host("data/file.txt")); }));
  EXPECT_TRUE(Reported([&] { std::filesystem::create_directory(Host("data/sub/new")); }));
  EXPECT_TRUE(Reported([&] { std::filesystem::rename(Host("data/sub/new"), Host("data/sub/old")); }));
  EXPECT_TRUE(Quiet([&] { Write("data/sub/old/inside.txt"); }));
  EXPECT_TRUE(Reported([&] { std::filesystem::remove_all(Host("data/sub/old")); }));
}

TEST_F(FchangeTest, StopStartAndSetPath) {
  Watch("C:\\data", 0, false);
  watcher->Stop();
  EXPECT_EQ(watcher->NotifyHandle(), nullptr);
  EXPECT_TRUE(watcher->Suspended());
  EXPECT_TRUE(Quiet([&] { Write("data/while-stopped.txt"); }));

  watcher->Start();
  EXPECT_TRUE(Reported([&] { Write("data/started.txt"); }));

  watcher->SetPath("C:\\data\\sub");  // stops
  EXPECT_TRUE(Quiet([&] { Write("data/sub/idle.txt"); }));
  watcher->Start();
  EXPECT_TRUE(Quiet([&] { Write("data/elsewhere.txt"); }));
  EXPECT_TRUE(Reported([&] { Write("data/sub/watched.txt"); }));

  watcher->SetFilter(FILE_NOTIFY_CHANGE_DIR_NAME);
  watcher->Start();
  EXPECT_TRUE(Quiet([&] { Write("data/sub/file.txt"); }));
  EXPECT_TRUE(Reported([&] { std::filesystem::create_directory(Host("data/sub/folder")); }));
}

TEST_F(FchangeTest, APathThatCannotBeWatchedLeavesTheWatcherIdle) {
  ktvDirNotifyChange missing("C:\\missing", 0, false);
  missing.Start();
  EXPECT_EQ(missing.NotifyHandle(), nullptr);
  EXPECT_TRUE(missing.Suspended());
}

TEST_F(FchangeTest, AWatcherWhoseFolderIsDeletedEndsAndStaysIdle) {
  Watch("C:\\data\\sub", 0, false);
  const HANDLE thread = watcher->Handle();
  std::filesystem::remove_all(Host("data/sub"));
  ASSERT_TRUE(PumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }));
  EXPECT_EQ(watcher->NotifyHandle(), nullptr);
  std::filesystem::create_directories(Host("data/sub"));
  watcher->Start();  // no thread would wait on it
  EXPECT_EQ(watcher->NotifyHandle(), nullptr);
}

TEST_F(FchangeTest, AWatcherDestroyedInItsOwnHandler) {
  Watch("C:\\data", 0, false);
  int destroyed = 0;
  watcher->OnChange = [&](TObject*) {
    delete watcher;
    watcher = nullptr;
    ++destroyed;
  };
  Write("data/a.txt");
  ASSERT_TRUE(PumpUntil([&] { return destroyed == 1; }));
  Write("data/b.txt");
  Pump(kQuiet);
  EXPECT_EQ(destroyed, 1);
}

TEST_F(FchangeTest, StopAndRestartInTheHandler) {
  Watch("C:\\data", 0, false);
  int calls = 0;
  watcher->OnChange = [&](TObject*) {
    ++calls;
    watcher->Stop();  // must not wait for the thread, which waits for this handler
    watcher->Start();
  };
  Write("data/a.txt");
  ASSERT_TRUE(PumpUntil([&] { return calls >= 1; }));
  Pump(kQuiet);
  const int settled = calls;
  Write("data/b.txt");
  EXPECT_TRUE(PumpUntil([&] { return calls > settled; }));
}

TEST_F(FchangeTest, StoppedWhileAChangeIsPending) {
  Watch("C:\\data", 0, false);
  const int before = wakes;
  Write("data/a.txt");
  ASSERT_TRUE(Queued(before));
  // The thread waits in Synchronize for this thread, which has not served it.
  watcher->Stop();
  Pump(kQuiet);
  EXPECT_EQ(changes, 0);  // a stopped watcher reports nothing

  watcher->Start();
  EXPECT_TRUE(Reported([&] { Write("data/b.txt"); }));
}

TEST_F(FchangeTest, DestroyedWhileAChangeIsPending) {
  Watch("C:\\data", 0, false);
  const int before = wakes;
  Write("data/a.txt");
  ASSERT_TRUE(Queued(before));
  delete watcher;  // without serving the queued call
  watcher = nullptr;
  EXPECT_FALSE(CheckSynchronize());
  EXPECT_EQ(changes, 0);
}
