#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/Errors.h"
#include "platform/Mutex.h"
#include "platform/Sync.h"
#include "platform/Text.h"
#include "platform/tests/Children.h"

using namespace win;

namespace {

DWORD WaitOnOtherThread(HANDLE h, DWORD ms) {
  DWORD result = WAIT_FAILED;
  std::thread([&] { result = WaitForSingleObject(h, ms); }).join();
  return result;
}

// The mutex's last error right after creating it, with the handle.
struct Created {
  HANDLE handle;
  DWORD error;
};

Created Create(const char* name, BOOL owner = FALSE) {
  HANDLE h = CreateMutexA(nullptr, owner, name);
  return {h, GetLastError()};
}

}  // namespace

TEST(Mutex, OwnerTakesItRecursivelyOthersGetItAfterTheLastRelease) {
  HANDLE m = CreateMutexA(nullptr, TRUE, nullptr);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitOnOtherThread(m, 0), WAIT_TIMEOUT);
  ASSERT_TRUE(ReleaseMutex(m));
  EXPECT_EQ(WaitOnOtherThread(m, 0), WAIT_TIMEOUT);

  DWORD waited = WAIT_FAILED;
  std::thread waiter([&] {
    waited = WaitForSingleObject(m, 10000);
    ReleaseMutex(m);
  });
  ASSERT_TRUE(ReleaseMutex(m));
  waiter.join();
  EXPECT_EQ(waited, WAIT_OBJECT_0);

  EXPECT_FALSE(ReleaseMutex(m));
  EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
  CloseHandle(m);
}

TEST(Mutex, ReleaseByAThreadThatDoesNotOwnItFails) {
  HANDLE m = CreateMutexA(nullptr, TRUE, nullptr);
  BOOL released = TRUE;
  DWORD error = 0;
  std::thread([&] {
    released = ReleaseMutex(m);
    error = GetLastError();
  }).join();
  EXPECT_FALSE(released);
  EXPECT_EQ(error, ERROR_NOT_OWNER);
  EXPECT_TRUE(ReleaseMutex(m));
  CloseHandle(m);
}

TEST(Mutex, AThreadThatEndsOwningItAbandonsItOnce) {
  for (const char* name : {static_cast<const char*>(nullptr), "AbandonedByThread"}) {
    SCOPED_TRACE(name ? name : "unnamed");
    HANDLE m = CreateMutexA(nullptr, FALSE, name);
    std::thread([m] { WaitForSingleObject(m, 0); }).join();
    EXPECT_EQ(WaitForSingleObject(m, 5000), WAIT_ABANDONED);
    ASSERT_TRUE(ReleaseMutex(m));
    EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);
    ReleaseMutex(m);
    CloseHandle(m);
  }
}

TEST(NamedMutex, ExistsWhileAnyHandleToItIsOpen) {
  Created first = Create("KORULozenge");
  ASSERT_NE(first.handle, nullptr);
  EXPECT_EQ(first.error, ERROR_SUCCESS);
  Created second = Create("KORULozenge");
  EXPECT_EQ(second.error, ERROR_ALREADY_EXISTS);
  CloseHandle(first.handle);
  Created third = Create("KORULozenge");
  EXPECT_EQ(third.error, ERROR_ALREADY_EXISTS);
  Created local = Create("Local\\KORULozenge");
  EXPECT_EQ(local.error, ERROR_ALREADY_EXISTS);
  EXPECT_EQ(Create("korulozenge").error, ERROR_SUCCESS) << "names are case-sensitive";
  CloseHandle(second.handle);
  CloseHandle(third.handle);
  CloseHandle(local.handle);
  EXPECT_EQ(Create("KORULozenge").error, ERROR_SUCCESS);
}

TEST(NamedMutex, HandlesOfOneProcessShareOwnership) {
  Created owner = Create("Shared", TRUE);
  Created other = Create("Shared", TRUE);  // existed: the request to own it is ignored
  EXPECT_EQ(WaitForSingleObject(other.handle, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitOnOtherThread(other.handle, 0), WAIT_TIMEOUT);
  ASSERT_TRUE(ReleaseMutex(owner.handle));
  ASSERT_TRUE(ReleaseMutex(other.handle));
  EXPECT_FALSE(ReleaseMutex(other.handle));
  EXPECT_EQ(WaitOnOtherThread(owner.handle, 0), WAIT_OBJECT_0);
}

TEST(NamedMutex, BadNamesAreRefusedLongOnesAreKeptApart) {
  EXPECT_EQ(CreateMutexA(nullptr, FALSE, "folder\\name"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(CreateMutexA(nullptr, FALSE, std::string(MAX_PATH + 1, 'x').c_str()), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);

  std::string longest;
  while (longest.size() < static_cast<size_t>(MAX_PATH)) longest += SJ("表");  // its second byte is '\'
  std::string shorter = longest.substr(0, longest.size() - 2);
  Created a = Create(longest.c_str());
  Created b = Create(shorter.c_str());
  ASSERT_NE(a.handle, nullptr);
  ASSERT_NE(b.handle, nullptr);
  EXPECT_EQ(a.error, ERROR_SUCCESS);
  EXPECT_EQ(b.error, ERROR_SUCCESS);
  EXPECT_EQ(Create(longest.c_str()).error, ERROR_ALREADY_EXISTS);
}

TEST(NamedMutex, LockFilesStayInTheFolderTheEnvironmentNames) {
  Created m = Create("Placed");
  ASSERT_NE(m.handle, nullptr);
  EXPECT_TRUE(std::filesystem::exists(std::string(std::getenv(kMutexFolderVariable)) + "/Placed.lock"));
}

TEST(NamedMutex, IsSeenFromAnotherProcessUntilClosed) {
  Created m = Create("CrossProcess");
  EXPECT_EQ(children::StartHelper("exists CrossProcess")->ExitCode(), 1u);
  CloseHandle(m.handle);
  EXPECT_EQ(children::StartHelper("exists CrossProcess")->ExitCode(), 0u);
}

TEST(NamedMutex, OwnershipPassesBetweenProcesses) {
  Created m = Create("Passed", TRUE);
  EXPECT_EQ(children::StartHelper("take Passed")->ExitCode(), 2u) << "owned here";
  ASSERT_TRUE(ReleaseMutex(m.handle));
  EXPECT_EQ(children::StartHelper("take Passed")->ExitCode(), 0u);
  EXPECT_EQ(WaitForSingleObject(m.handle, 5000), WAIT_ABANDONED) << "the helper ended owning it";
}

TEST(NamedMutex, AKilledHolderAbandonsItAndLeavesTheNameFree) {
  auto holder = children::StartHelper("hold Held");
  ASSERT_TRUE(holder->started);
  ASSERT_EQ(WaitForInputIdle(holder->info.hProcess, 10000), 0u);
  Created m = Create("Held");
  EXPECT_EQ(m.error, ERROR_ALREADY_EXISTS);
  EXPECT_EQ(WaitForSingleObject(m.handle, 0), WAIT_TIMEOUT);

  DWORD waited = WAIT_FAILED;
  std::thread waiter([&] {
    waited = WaitForSingleObject(m.handle, 10000);
    ReleaseMutex(m.handle);
  });
  holder->Kill();
  waiter.join();
  EXPECT_EQ(waited, WAIT_ABANDONED);
  CloseHandle(m.handle);

  EXPECT_EQ(Create("Held").error, ERROR_SUCCESS);
}

TEST(NamedMutex, AWaitForAllThatTimesOutKeepsNoLock) {
  Created m = Create("AllOrNothing");
  HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE both[] = {m.handle, never};
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_TIMEOUT);
  EXPECT_EQ(children::StartHelper("take AllOrNothing")->ExitCode(), 0u);
  CloseHandle(never);
}
