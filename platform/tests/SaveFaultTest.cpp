// Saves that meet a fault: a disk that fills up part-way, a file-size limit
// as a tiny filesystem imposes, and a process killed at a random moment of a
// save. A profile file holds its old or its new content, never a mix, and a
// failure is reported; the registry keeps every committed change.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/FaultInjection.h"
#include "platform/Paths.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "testsupport/SaveFaults.h"
#include "testsupport/TempDir.h"

using namespace win;

namespace {

constexpr char kFile[] = "T:\\save.ini";
constexpr int kKillRounds = 300;

class SavesUnderFaults : public testing::Test {
 protected:
  void SetUp() override { MapDrive('T', dir.path()); }
  void TearDown() override { test::ClearFailures(); }

  std::string Bytes() {
    std::ifstream in(dir / "save.ini", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  bool Leftovers() { return std::filesystem::exists(dir / "save.ini.tmp"); }

  // Every key of the "Save" section set to `mark` and a long run, in one write.
  static bool SaveAll(const std::string& mark) {
    const std::string value = mark + std::string(4000, 'v');
    std::vector<std::string> keys;
    std::vector<ProfileEntry> entries;
    for (int k = 0; k < 40; ++k) keys.push_back("Key" + std::to_string(k));
    for (const std::string& key : keys) entries.push_back({"Save", key.c_str(), value.c_str()});
    return WritePrivateProfileEntriesA(entries.data(), static_cast<DWORD>(entries.size()), kFile);
  }

  testsupport::TempDir dir;
};

TEST_F(SavesUnderFaults, ADiskThatFillsPartWayLeavesTheOldFileAndReportsTheFailure) {
  ASSERT_TRUE(SaveAll("old"));
  const std::string old = Bytes();
  test::FailNext("WriteFile");
  SetLastError(ERROR_SUCCESS);
  EXPECT_FALSE(SaveAll("new"));
  EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
  EXPECT_EQ(Bytes(), old);
  EXPECT_FALSE(Leftovers());
  test::FailNext("WriteFile");
  EXPECT_FALSE(WritePrivateProfileStringA("Save", "Key0", "single", kFile));
  EXPECT_EQ(Bytes(), old);
  // The fault has passed: the next save goes through.
  EXPECT_TRUE(SaveAll("new"));
  EXPECT_NE(Bytes(), old);
}

TEST_F(SavesUnderFaults, AFileSizeLimitLeavesTheOldFileAndReportsTheFailure) {
  ASSERT_TRUE(SaveAll("old"));
  const std::string old = Bytes();
  {
    testsupport::FileSizeLimit limit(old.size() / 2);
    EXPECT_FALSE(SaveAll("new"));
    EXPECT_FALSE(WritePrivateProfileSectionA("Other", "a=1\0", kFile));
  }
  EXPECT_EQ(Bytes(), old);
  EXPECT_FALSE(Leftovers());
}

TEST_F(SavesUnderFaults, AProfileSaveKilledAtAnyMomentLeavesTheOldOrTheNewFile) {
  ASSERT_TRUE(SaveAll("second"));
  const std::string second = Bytes();
  ASSERT_TRUE(SaveAll("first"));
  const std::string first = Bytes();
  int changed = 0;
  std::string before = first;
  testsupport::KillSavesAtRandom(
      kKillRounds, 20000, 21,
      [] {
        for (int round = 0;; ++round) SaveAll(round % 2 ? "first" : "second");
      },
      [&](int) {
        const std::string now = Bytes();
        ASSERT_TRUE(now == first || now == second) << "a file of " << now.size() << " bytes";
        changed += now != before;
        before = now;
      });
  EXPECT_GT(changed, 0) << "no save ever finished before its kill";
}

// The registry side: a counter set in its own change after each report on a
// pipe, a deep tree created and deleted in one change each, and a pair of
// values set by two calls made one change.
constexpr char kCounterKey[] = "Software\\KillTest";
constexpr char kDeepPath[] = "Software\\KillTest\\Tree\\a\\b\\c\\d\\e\\f\\g\\h";
constexpr int kDeepKeys = 9;  // Tree down to h

DWORD ReadCounter() {
  HKEY key{};
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kCounterKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  DWORD value = 0;
  DWORD size = sizeof value;
  RegQueryValueExA(key, "Counter", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return value;
}

// Both values of the pair are set to the same number in one change.
bool PairMatches() {
  HKEY key{};
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kCounterKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD values[2] = {};
  for (int i = 0; i < 2; ++i) {
    DWORD size = sizeof values[i];
    RegQueryValueExA(key, i == 0 ? "PairA" : "PairB", nullptr, nullptr, reinterpret_cast<BYTE*>(&values[i]), &size);
  }
  RegCloseKey(key);
  return values[0] == values[1];
}

int DeepKeysPresent() {
  std::string path = kCounterKey;
  int present = 0;
  for (const char* part : {"Tree", "a", "b", "c", "d", "e", "f", "g", "h"}) {
    path += std::string("\\") + part;
    HKEY key{};
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) break;
    RegCloseKey(key);
    ++present;
  }
  return present;
}

// The last value written to the pipe so far, or `last` when none came.
DWORD DrainReports(int readEnd, DWORD last) {
  for (DWORD value; read(readEnd, &value, sizeof value) == sizeof value;) last = value;
  return last;
}

TEST(RegistryUnderFaults, AKillKeepsEveryCommittedChangeAndNoHalfChange) {
  int pipeEnds[2];
  ASSERT_EQ(pipe2(pipeEnds, O_NONBLOCK), 0);
  HKEY key{};
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kCounterKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  DWORD reported = 0;
  DWORD before = 0;
  testsupport::KillSavesAtRandom(
      kKillRounds, 20000, 22,
      [&] {
        HKEY counter{};
        RegOpenKeyExA(HKEY_CURRENT_USER, kCounterKey, 0, KEY_ALL_ACCESS, &counter);
        for (DWORD value = ReadCounter() + 1;; ++value) {
          // Told only once the change is committed.
          if (RegSetValueExA(counter, "Counter", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) !=
                  ERROR_SUCCESS ||
              write(pipeEnds[1], &value, sizeof value) != sizeof value)
            _exit(1);
          HKEY deep{};
          RegCreateKeyExA(HKEY_CURRENT_USER, kDeepPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &deep, nullptr);
          RegCloseKey(deep);
          RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KillTest\\Tree");
          detail::AsOneRegistryChange([&] {
            for (const char* name : {"PairA", "PairB"})
              RegSetValueExA(counter, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
            return ERROR_SUCCESS;
          });
        }
      },
      [&](int) {
        reported = DrainReports(pipeEnds[0], reported);
        const DWORD now = ReadCounter();
        // Every reported change is kept; the one in flight may be, whole.
        EXPECT_GE(now, reported);
        EXPECT_LE(now, reported + 1);
        EXPECT_GE(now, before);
        before = now;
        const int deep = DeepKeysPresent();
        EXPECT_TRUE(deep == 0 || deep == kDeepKeys) << deep << " of the tree's keys";
        EXPECT_TRUE(PairMatches());
      });
  EXPECT_GT(reported, 0u) << "no change was ever committed before its kill";
  close(pipeEnds[0]);
  close(pipeEnds[1]);
}

}  // namespace
