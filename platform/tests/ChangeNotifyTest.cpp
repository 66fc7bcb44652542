#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/ChangeNotify.h"
#include "platform/Errors.h"
#include "platform/Paths.h"
#include "platform/Sync.h"
#include "testsupport/TempDir.h"

using namespace win;

namespace {

// Long enough for any change to arrive on a loaded machine; short waits
// assert that nothing arrives.
constexpr DWORD kArrives = 5000;
constexpr DWORD kQuiet = 300;

// A temporary folder seen as drive W:, with a folder "sub" in it.
class ChangeNotifyTest : public testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_ / "sub");
    MapDrive('W', dir_.path());
  }
  void TearDown() override {
    for (HANDLE h : opened_) FindCloseChangeNotification(h);
  }

  HANDLE Watch(const char* path, bool subtree, DWORD filter) {
    HANDLE h = FindFirstChangeNotificationA(path, subtree, filter);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << path;
    opened_.push_back(h);
    return h;
  }
  std::string Host(const std::string& name) const { return dir_ / name; }
  void Write(const std::string& name, const std::string& content = "x") const {
    std::ofstream(Host(name)) << content;
  }
  void Append(const std::string& name) const { std::ofstream(Host(name), std::ios::app) << "more"; }

  testsupport::TempDir dir_;
  std::vector<HANDLE> opened_;
};

}  // namespace

TEST_F(ChangeNotifyTest, CreateRenameAndDeleteOfAFile) {
  HANDLE h = Watch("W:\\", false, FILE_NOTIFY_CHANGE_FILE_NAME);
  EXPECT_EQ(WaitForSingleObject(h, kQuiet), WAIT_TIMEOUT);

  Write("a.txt");
  EXPECT_EQ(WaitForSingleObject(h, kArrives), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_OBJECT_0);  // signalled until re-armed
  ASSERT_TRUE(FindNextChangeNotification(h));
  EXPECT_EQ(WaitForSingleObject(h, kQuiet), WAIT_TIMEOUT);

  std::filesystem::rename(Host("a.txt"), Host("b.txt"));
  EXPECT_EQ(WaitForSingleObject(h, kArrives), WAIT_OBJECT_0);
  ASSERT_TRUE(FindNextChangeNotification(h));

  std::filesystem::remove(Host("b.txt"));
  EXPECT_EQ(WaitForSingleObject(h, kArrives), WAIT_OBJECT_0);
  ASSERT_TRUE(FindNextChangeNotification(h));
  EXPECT_EQ(WaitForSingleObject(h, kQuiet), WAIT_TIMEOUT);
}

TEST_F(ChangeNotifyTest, OnlyASubtreeWatchSeesFoldersBelow) {
  HANDLE flat = Watch("W:\\", false, FILE_NOTIFY_CHANGE_FILE_NAME);
  HANDLE deep = Watch("W:\\", true, FILE_NOTIFY_CHANGE_FILE_NAME);
  Write("sub/inner.txt");
  EXPECT_EQ(WaitForSingleObject(deep, kArrives), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(flat, kQuiet), WAIT_TIMEOUT);

  // Both see a change in the folder itself; WaitForMultipleObjects reports the first.
  ASSERT_TRUE(FindNextChangeNotification(deep));
  HANDLE both[] = {flat, deep};
  std::filesystem::remove(Host("sub/inner.txt"));
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, kArrives), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(WaitForSingleObject(flat, kQuiet), WAIT_TIMEOUT);
  Write("top.txt");
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, kArrives), WAIT_OBJECT_0);
}

TEST_F(ChangeNotifyTest, FoldersCreatedInASubtreeAreWatched) {
  HANDLE h = Watch("W:\\", true, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME);
  EXPECT_EQ(detail::WatchedFolderCount(h), 2u);

  std::filesystem::create_directory(Host("new"));
  ASSERT_EQ(WaitForSingleObject(h, kArrives), WAIT_OBJECT_0);
  ASSERT_TRUE(FindNextChangeNotification(h));
  EXPECT_EQ(WaitForSingleObject(h, kQuiet), WAIT_TIMEOUT);
  Write("new/file.txt");
  EXPECT_EQ(WaitForSingleObject(h, kArrives), WAIT_OBJECT_0);
  ASSERT_TRUE(FindNextChangeNotification(h));

  // A folder moved in brings its own folders; one moved out is no longer watched.
  testsupport::TempDir outside;
  std::filesystem::create_directories(outside / "tree/leaf");
  std::filesystem::rename(outside / "tree", Host("tree"));
  ASSERT_EQ(WaitForSingleObject(h, kArrives), WAIT_OBJECT_0);
  EXPECT_EQ(detail::WatchedFolderCount(h), 5u);
  ASSERT_TRUE(FindNextChangeNotification(h));
  Write("tree/leaf/deep.txt");
  EXPECT_EQ(WaitForSingleObject(h, kArrives), WAIT_OBJECT_0);
  ASSERT_TRUE(FindNextChangeNotification(h));

  std::filesystem::rename(Host("tree"), outside / "back");
  ASSERT_EQ(WaitForSingleObject(h, kArrives), WAIT_OBJECT_0);
  EXPECT_EQ(detail::WatchedFolderCount(h), 3u);
  ASSERT_TRUE(FindNextChangeNotification(h));
  std::ofstream(outside / "back/leaf/gone.txt") << "x";
  EXPECT_EQ(WaitForSingleObject(h, kQuiet), WAIT_TIMEOUT);
}

TEST_F(ChangeNotifyTest, FilesMadeInANewFolderBeforeItsWatchStillCount) {
  HANDLE h = Watch("W:\\", true, FILE_NOTIFY_CHANGE_FILE_NAME);
  // Nothing here but the file is of a kind the filter asks for.
  std::filesystem::create_directories(Host("a/b"));
  Write("a/b/file.txt");
  EXPECT_EQ(WaitForSingleObject(h, kArrives), WAIT_OBJECT_0);
}

TEST_F(ChangeNotifyTest, ChangesAfterTheWaitSurviveTheReset) {
  HANDLE h = Watch("W:\\", false, FILE_NOTIFY_CHANGE_FILE_NAME);
  HANDLE probe = Watch("W:\\", false, FILE_NOTIFY_CHANGE_FILE_NAME);
  Write("first.txt");
  ASSERT_EQ(WaitForSingleObject(h, kArrives), WAIT_OBJECT_0);
  ASSERT_EQ(WaitForSingleObject(probe, kArrives), WAIT_OBJECT_0);
  ASSERT_TRUE(FindNextChangeNotification(probe));

  // A change between the end of the wait and the re-arming is not lost.
  Write("second.txt");
  ASSERT_EQ(WaitForSingleObject(probe, kArrives), WAIT_OBJECT_0);
  Sleep(100);  // lets the reader take the change for `h` too
  ASSERT_TRUE(FindNextChangeNotification(h));
  EXPECT_EQ(WaitForSingleObject(h, kArrives), WAIT_OBJECT_0);
  ASSERT_TRUE(FindNextChangeNotification(h));
  EXPECT_EQ(WaitForSingleObject(h, kQuiet), WAIT_TIMEOUT);
}

TEST_F(ChangeNotifyTest, KindsOutsideTheFilterAreNotReported) {
  Write("song.txt");
  HANDLE names = Watch("W:\\", false, FILE_NOTIFY_CHANGE_FILE_NAME);
  HANDLE folders = Watch("W:\\", true, FILE_NOTIFY_CHANGE_DIR_NAME);
  HANDLE sizes = Watch("W:\\", false, FILE_NOTIFY_CHANGE_SIZE);
  HANDLE attributes = Watch("W:\\", false, FILE_NOTIFY_CHANGE_ATTRIBUTES);

  Append("song.txt");
  EXPECT_EQ(WaitForSingleObject(sizes, kArrives), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(names, kQuiet), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(folders, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(attributes, 0), WAIT_TIMEOUT);

  chmod(Host("song.txt").c_str(), 0600);
  EXPECT_EQ(WaitForSingleObject(attributes, kArrives), WAIT_OBJECT_0);

  Write("sub/other.txt");  // a file name, below: neither kind
  std::filesystem::create_directory(Host("sub/folder"));
  EXPECT_EQ(WaitForSingleObject(folders, kArrives), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(names, 0), WAIT_TIMEOUT);
}

TEST_F(ChangeNotifyTest, SymbolicLinksAreNotFollowed) {
  testsupport::TempDir outside;
  std::filesystem::create_directory_symlink(outside.path(), Host("link"));
  HANDLE h = Watch("W:\\", true, FILE_NOTIFY_CHANGE_FILE_NAME);
  EXPECT_EQ(detail::WatchedFolderCount(h), 2u);
  std::ofstream(outside / "elsewhere.txt") << "x";
  EXPECT_EQ(WaitForSingleObject(h, kQuiet), WAIT_TIMEOUT);
}

TEST_F(ChangeNotifyTest, TheWholeHostIsWatchedWithinTheBound) {
  HANDLE h = Watch("Z:\\", true, FILE_NOTIFY_CHANGE_DIR_NAME);
  const size_t folders = detail::WatchedFolderCount(h);
  EXPECT_GT(folders, 1u);
  EXPECT_LE(folders, 8192u);
}

TEST_F(ChangeNotifyTest, AWatchedFolderThatGoesAwayEndsTheWatch) {
  HANDLE h = Watch("W:\\sub", false, FILE_NOTIFY_CHANGE_FILE_NAME);
  std::filesystem::remove(Host("sub"));
  EXPECT_EQ(WaitForSingleObject(h, kArrives), WAIT_OBJECT_0);
  EXPECT_FALSE(FindNextChangeNotification(h));
}

TEST_F(ChangeNotifyTest, PathsThatCannotBeWatched) {
  Write("file.txt");
  struct Case {
    const char* path;
    DWORD filter;
    DWORD error;
  } cases[] = {
      {"W:\\missing", FILE_NOTIFY_CHANGE_FILE_NAME, ERROR_FILE_NOT_FOUND},
      {"W:\\missing\\deeper", FILE_NOTIFY_CHANGE_FILE_NAME, ERROR_PATH_NOT_FOUND},
      {"W:\\file.txt", FILE_NOTIFY_CHANGE_FILE_NAME, ERROR_DIRECTORY},
      {"Q:\\", FILE_NOTIFY_CHANGE_FILE_NAME, ERROR_PATH_NOT_FOUND},
      {"W:\\", 0, ERROR_INVALID_PARAMETER},
      {"W:\\", 0x80, ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindFirstChangeNotificationA(c.path, FALSE, c.filter), INVALID_HANDLE_VALUE) << c.path;
    EXPECT_EQ(GetLastError(), c.error) << c.path;
  }
}

TEST_F(ChangeNotifyTest, ClosingWithEitherCall) {
  HANDLE a = FindFirstChangeNotificationA("W:\\", FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
  HANDLE b = FindFirstChangeNotificationA("W:\\sub\\", TRUE, FILE_NOTIFY_CHANGE_FILE_NAME);
  ASSERT_NE(a, INVALID_HANDLE_VALUE);
  ASSERT_NE(b, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(FindCloseChangeNotification(a));
  EXPECT_TRUE(CloseHandle(b));
  EXPECT_FALSE(FindNextChangeNotification(a));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(FindCloseChangeNotification(b));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_FAILED);
  Write("after.txt");  // the reader carries on without them
  HANDLE c = Watch("W:\\", false, FILE_NOTIFY_CHANGE_FILE_NAME);
  Write("again.txt");
  EXPECT_EQ(WaitForSingleObject(c, kArrives), WAIT_OBJECT_0);
}
