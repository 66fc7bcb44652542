#include "platform/Registry.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <stdexcept>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/Prefix.h"
#include "platform/Text.h"
#include "platform/tests/Children.h"

using namespace win;
using children::ExitCodeOf;
using children::Fork;

namespace {

HKEY Create(HKEY root, const std::string& path, DWORD* disposition = nullptr) {
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, disposition),
            ERROR_SUCCESS)
      << path;
  return key;
}

LONG SetString(HKEY key, const char* name, const std::string& value, DWORD type = REG_SZ) {
  return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1));
}

std::string QueryString(HKEY key, const char* name) {
  char buffer[256] = "?";
  DWORD size = sizeof buffer;
  EXPECT_EQ(RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size), ERROR_SUCCESS)
      << (name ? name : "(default)");
  return buffer;
}

std::vector<std::string> SubKeys(HKEY key) {
  std::vector<std::string> names;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    LONG status = RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    EXPECT_EQ(status, ERROR_SUCCESS);
    if (status != ERROR_SUCCESS) break;
    EXPECT_EQ(size, std::strlen(name));
    names.emplace_back(name);
  }
  return names;
}

std::vector<std::string> ValueNames(HKEY key) {
  std::vector<std::string> names;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    LONG status = RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    EXPECT_EQ(status, ERROR_SUCCESS);
    if (status != ERROR_SUCCESS) break;
    names.emplace_back(name);
  }
  return names;
}

bool KeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::string DatabaseFile() { return PlatformPrefix() + "/registry.db"; }

// Closes the registry and removes its files, so that the next call starts
// with a new database.
void RemoveDatabase() {
  test::ReopenRegistry();
  for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(DatabaseFile() + suffix);
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

TEST(Registry, NamesCompareWithoutCaseAndKeepTheirSpelling) {
  DWORD disposition = 0;
  HKEY koru = Create(HKEY_CURRENT_USER, "Software\\TOSKA\\KORU", &disposition);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  HKEY again = Create(HKEY_CURRENT_USER, "SOFTWARE\\toska\\koru\\", &disposition);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);

  ASSERT_EQ(SetString(koru, "Path", "D:\\Apps\\KORU.EXE"), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(again, "PATH"), "D:\\Apps\\KORU.EXE");
  ASSERT_EQ(SetString(again, "Other", "x"), ERROR_SUCCESS);
  ASSERT_EQ(SetString(again, "path", "E:\\KORU.EXE"), ERROR_SUCCESS);  // replaces, keeps spelling and place
  EXPECT_EQ(ValueNames(koru), (std::vector<std::string>{"Path", "Other"}));
  EXPECT_EQ(QueryString(koru, "Path"), "E:\\KORU.EXE");

  HKEY software = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software", 0, KEY_READ, &software), ERROR_SUCCESS);
  EXPECT_EQ(SubKeys(software), std::vector<std::string>{"TOSKA"});
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\TOSKA"));  // the trees are separate

  // Double-byte names: "ア" and "ヂ" differ only in a trail byte that looks
  // like 'A' or 'a'.
  HKEY a = Create(koru, SJ("ア"));
  HKEY dz = Create(koru, SJ("ヂ"), &disposition);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  EXPECT_EQ(SubKeys(koru).size(), 2u);
  for (HKEY key : {koru, again, software, a, dz}) EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST(Registry, QueriesReportTypesAndSizesAsThePlatformDoes) {
  HKEY key = Create(HKEY_CLASSES_ROOT, ".mp3");
  ASSERT_EQ(SetString(key, nullptr, "koru"), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(key, ""), "koru");

  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 5u);  // with the terminator
  BYTE small[4] = {'x', 'x', 'x', 'x'};
  size = sizeof small;
  EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, small, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegQueryValueExA(key, "absent", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);

  // A string set without its terminator is read back with one.
  ASSERT_EQ(RegSetValueExA(key, "bare", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>("%ab%"), 4), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(key, "bare", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_EXPAND_SZ);
  EXPECT_EQ(size, 5u);
  ASSERT_EQ(RegSetValueExA(key, "list", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>("a\0b"), 3), ERROR_SUCCESS);
  BYTE list[8];
  size = sizeof list;
  EXPECT_EQ(RegQueryValueExA(key, "list", nullptr, &type, list, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(list), size), std::string("a\0b\0\0", 5));

  const DWORD number = 0x12345678;
  ASSERT_EQ(RegSetValueExA(key, "n", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4), ERROR_SUCCESS);
  DWORD read = 0;
  size = sizeof read;
  EXPECT_EQ(RegQueryValueExA(key, "N", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(read, number);
  ASSERT_EQ(RegSetValueExA(key, "empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  size = 99;
  EXPECT_EQ(RegQueryValueExA(key, "empty", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(RegSetValueExA(key, "bad", 0, REG_BINARY, nullptr, 4), ERROR_NOACCESS);

  EXPECT_EQ(RegDeleteValueA(key, "BARE"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key, "bare"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST(Registry, EnumerationOrderBuffersAndKeyInformation) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
  for (const char* name : {"b", "KORU", "a", "Cc"}) RegCloseKey(Create(key, name));
  EXPECT_EQ(SubKeys(key), (std::vector<std::string>{"a", "b", "Cc", "KORU"}));
  for (const char* name : {"zeta", "alpha", ""}) ASSERT_EQ(SetString(key, name, "0123456789"), ERROR_SUCCESS);
  EXPECT_EQ(ValueNames(key), (std::vector<std::string>{"zeta", "alpha", ""}));

  char name[4];
  DWORD nameSize = 4;
  EXPECT_EQ(RegEnumKeyExA(key, 3, name, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  nameSize = 5;
  char fits[5];
  EXPECT_EQ(RegEnumKeyExA(key, 3, fits, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(nameSize, 4u);
  EXPECT_EQ(RegEnumKeyExA(key, 4, fits, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

  char valueName[8];
  BYTE data[4];
  DWORD dataSize = sizeof data, type = 0;
  nameSize = 5;
  EXPECT_EQ(RegEnumValueA(key, 1, valueName, &nameSize, nullptr, &type, data, &dataSize), ERROR_MORE_DATA);
  nameSize = sizeof valueName;
  EXPECT_EQ(RegEnumValueA(key, 1, valueName, &nameSize, nullptr, &type, data, &dataSize), ERROR_MORE_DATA);
  EXPECT_EQ(dataSize, 11u);  // the size needed, the name given all the same
  EXPECT_STREQ(valueName, "alpha");
  EXPECT_EQ(type, REG_SZ);

  DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxValue = 0;
  FILETIME written{};
  ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values, &maxValueName,
                             &maxValue, nullptr, &written),
            ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 4u);
  EXPECT_EQ(maxSubKey, 4u);
  EXPECT_EQ(values, 3u);
  EXPECT_EQ(maxValueName, 5u);
  EXPECT_EQ(maxValue, 11u);
  EXPECT_NE(written.dwHighDateTime, 0u);
  RegCloseKey(key);
}

TEST(Registry, DeletingKeysSubkeysFirstOrAWholeTree) {
  HKEY type = Create(HKEY_CLASSES_ROOT, "player");
  RegCloseKey(Create(type, "shell\\open\\command"));
  RegCloseKey(Create(type, "DefaultIcon"));
  ASSERT_EQ(SetString(type, nullptr, "Player file"), ERROR_SUCCESS);

  EXPECT_EQ(RegDeleteKeyA(type, "shell"), ERROR_ACCESS_DENIED);  // it has subkeys
  EXPECT_EQ(RegDeleteKeyA(type, "shell\\open\\command"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(type, "shell\\open\\command"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, ""), ERROR_ACCESS_DENIED);

  RegCloseKey(Create(type, "shell\\open\\command"));
  EXPECT_EQ(RegDeleteTreeA(type, "SHELL"), ERROR_SUCCESS);
  EXPECT_EQ(SubKeys(type), std::vector<std::string>{"DefaultIcon"});

  EXPECT_EQ(RegDeleteTreeA(type, nullptr), ERROR_SUCCESS);  // the contents, not the key
  EXPECT_TRUE(SubKeys(type).empty());
  EXPECT_TRUE(ValueNames(type).empty());
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "player"));

  EXPECT_EQ(RegDeleteKeyA(type, ""), ERROR_SUCCESS);  // the key of the handle itself
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "player"));
  RegCloseKey(type);
}

TEST(Registry, ChangesSetTheLastWriteTimeOfTheirKey) {
  constexpr ULONGLONG kStart = 133'000'000'000'000'000ULL;  // a file time in 2022
  test::ManualClock::Enable(1000, kStart);
  auto writtenAt = [](HKEY key) {
    FILETIME ft{};
    EXPECT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, &ft),
              ERROR_SUCCESS);
    return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  };
  HKEY parent = Create(HKEY_CURRENT_USER, "Times");
  RegCloseKey(Create(parent, "child"));
  EXPECT_EQ(writtenAt(parent), kStart);
  test::ManualClock::Advance(1000);
  ASSERT_EQ(RegDeleteTreeA(parent, "child"), ERROR_SUCCESS);
  EXPECT_EQ(writtenAt(parent), kStart + 10'000'000);
  test::ManualClock::Advance(1000);
  ASSERT_EQ(SetString(parent, "v", "x"), ERROR_SUCCESS);
  EXPECT_EQ(writtenAt(parent), kStart + 20'000'000);
  RegCloseKey(parent);
  test::ManualClock::Disable();
}

TEST(Registry, StaleHandlesAndBadPaths) {
  HKEY key = Create(HKEY_CURRENT_USER, "Gone");
  ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "gone"), ERROR_SUCCESS);
  HKEY recreated = Create(HKEY_CURRENT_USER, "Gone");  // a new key of the same name
  EXPECT_EQ(SetString(key, "v", "x"), ERROR_KEY_DELETED);
  EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
  HKEY child = nullptr;
  EXPECT_EQ(RegCreateKeyExA(key, "c", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr), ERROR_KEY_DELETED);
  EXPECT_EQ(RegFlushKey(key), ERROR_KEY_DELETED);
  EXPECT_EQ(RegFlushKey(recreated), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(SetString(key, "v", "x"), ERROR_INVALID_HANDLE);

  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "\\Gone", 0, KEY_READ, &child), ERROR_BAD_PATHNAME);
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "a\\\\b", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
            ERROR_BAD_PATHNAME);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Gone\\absent", 0, KEY_READ, &child), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(child, nullptr);
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, std::string(256, 'k').c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &child, nullptr),
            ERROR_INVALID_PARAMETER);

  HKEY same = nullptr;
  EXPECT_EQ(RegOpenKeyA(recreated, "", &same), ERROR_SUCCESS);
  EXPECT_EQ(same, recreated);
  RegCloseKey(recreated);
}

TEST(Registry, ReadOnlyHandlesAndFailingWritesChangeNothing) {
  HKEY writable = Create(HKEY_CLASSES_ROOT, ".mp3\\sub");
  ASSERT_EQ(SetString(writable, nullptr, "old"), ERROR_SUCCESS);
  HKEY readOnly = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, ".mp3", 0, KEY_READ, &readOnly), ERROR_SUCCESS);
  EXPECT_EQ(SetString(readOnly, nullptr, "x"), ERROR_ACCESS_DENIED);
  HKEY child = nullptr;
  EXPECT_EQ(RegCreateKeyExA(readOnly, "new", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCreateKeyExA(readOnly, "sub", 0, nullptr, 0, KEY_READ, nullptr, &child, nullptr), ERROR_SUCCESS);
  RegCloseKey(child);

  test::FailRegistryWrites(true);
  EXPECT_EQ(SetString(writable, nullptr, "new"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValueA(writable, nullptr), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteTreeA(HKEY_CLASSES_ROOT, ".mp3"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, ".wav", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(QueryString(writable, nullptr), "old");
  test::FailRegistryWrites(false);
  EXPECT_EQ(SetString(writable, nullptr, "new"), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".wav"));
  RegCloseKey(writable);
  RegCloseKey(readOnly);
}

TEST(Registry, ManyChangesMadeAsOneLandTogetherOrNotAtAll) {
  std::future<std::vector<std::string>> reader;
  const LONG landed = detail::AsOneRegistryChange([&]() -> LONG {
    HKEY key = Create(HKEY_CURRENT_USER, "One\\Sub");
    SetString(key, "v", "1");
    // Another thread waits for the whole; it never sees the change halfway.
    reader = std::async(std::launch::async, [] {
      HKEY seen = nullptr;
      RegOpenKeyExA(HKEY_CURRENT_USER, "One\\Sub", 0, KEY_READ, &seen);
      std::vector<std::string> names = ValueNames(seen);
      RegCloseKey(seen);
      return names;
    });
    SetString(key, "w", "2");
    // A failed call undoes only itself.
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "One"), ERROR_ACCESS_DENIED);
    RegCloseKey(key);
    return ERROR_SUCCESS;
  });
  EXPECT_EQ(landed, ERROR_SUCCESS);
  EXPECT_EQ(reader.get(), (std::vector<std::string>{"v", "w"}));

  const LONG refused = detail::AsOneRegistryChange([]() -> LONG {
    RegCloseKey(Create(HKEY_CURRENT_USER, "Two"));
    EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "One"), ERROR_SUCCESS);
    return ERROR_INVALID_DATA;
  });
  EXPECT_EQ(refused, ERROR_INVALID_DATA);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Two"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "One\\Sub"));

  EXPECT_THROW(detail::AsOneRegistryChange([]() -> LONG {
                 RegCloseKey(Create(HKEY_CURRENT_USER, "Three"));
                 throw std::runtime_error("the caller gives up");
               }),
               std::runtime_error);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Three"));
  // The registry goes on as before.
  RegCloseKey(Create(HKEY_CURRENT_USER, "Four"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Four"));
  EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "One"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Four"), ERROR_SUCCESS);
}

TEST(Registry, ValuesOutliveTheConnectionAndTheProcessThatWroteThem) {
  pid_t writer = Fork([] {
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KORU.EXE",
                      &key) != ERROR_SUCCESS)
      return 1;
    return SetString(key, nullptr, "D:\\Apps\\KORU\\KORU.EXE") == ERROR_SUCCESS ? 0 : 1;
  });
  ASSERT_EQ(ExitCodeOf(writer), 0);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\microsoft\\windows\\currentversion\\app paths\\koru.exe", 0,
                          KEY_READ, &key),
            ERROR_SUCCESS);
  EXPECT_EQ(QueryString(key, nullptr), "D:\\Apps\\KORU\\KORU.EXE");

  HKEY writable = Create(HKEY_CURRENT_USER, "Software\\TOSKA\\KORU");
  ASSERT_EQ(SetString(writable, nullptr, "C:\\KORU.EXE"), ERROR_SUCCESS);
  test::ReopenRegistry();
  EXPECT_EQ(QueryString(writable, nullptr), "C:\\KORU.EXE");  // handles stay valid
  EXPECT_EQ(QueryString(key, nullptr), "D:\\Apps\\KORU\\KORU.EXE");
  RegCloseKey(key);
  RegCloseKey(writable);
}

TEST(Registry, ConcurrentWriterProcessesKeepAllTheirChanges) {
  constexpr int kWrites = 30;
  auto writer = [](const char* tree) {
    return [tree] {
      for (int i = 0; i < kWrites; ++i) {
        HKEY key = nullptr;
        std::string path = std::string("Software\\Test\\") + tree + std::to_string(i);
        if (RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &key) != ERROR_SUCCESS) return 1;
        LONG status = SetString(key, "n", std::to_string(i));
        RegCloseKey(key);
        if (status != ERROR_SUCCESS) return 1;
      }
      return 0;
    };
  };
  pid_t first = Fork(writer("a"));
  pid_t second = Fork(writer("b"));
  ASSERT_EQ(ExitCodeOf(first), 0);
  ASSERT_EQ(ExitCodeOf(second), 0);
  HKEY test = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Test", 0, KEY_READ, &test), ERROR_SUCCESS);
  EXPECT_EQ(SubKeys(test).size(), 2u * kWrites);
  for (int i = 0; i < kWrites; ++i) {
    for (const char* tree : {"a", "b"}) {
      HKEY key = nullptr;
      ASSERT_EQ(RegOpenKeyExA(test, (tree + std::to_string(i)).c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
      EXPECT_EQ(QueryString(key, "n"), std::to_string(i));
      RegCloseKey(key);
    }
  }
  RegCloseKey(test);
}

TEST(Registry, AFileThatIsNotADatabaseIsReportedAndLeftAlone) {
  RemoveDatabase();
  const std::string garbage(5000, '\x5A');
  std::ofstream(DatabaseFile(), std::ios::binary) << garbage;
  testing::internal::CaptureStderr();
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software", &key), ERROR_REGISTRY_CORRUPT);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key), ERROR_REGISTRY_CORRUPT);
  EXPECT_EQ(RegQueryValueExA(HKEY_CURRENT_USER, nullptr, nullptr, nullptr, nullptr, nullptr),
            ERROR_REGISTRY_CORRUPT);
  std::string messages = testing::internal::GetCapturedStderr();
  EXPECT_NE(messages.find(DatabaseFile()), std::string::npos) << messages;
  EXPECT_TRUE(FileBytes(DatabaseFile()) == garbage);
  RemoveDatabase();
}

TEST(Registry, DamagedPagesAndForeignDatabasesAreReportedAndLeftAlone) {
  RemoveDatabase();
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\TOSKA");
  for (int i = 0; i < 200; ++i) ASSERT_EQ(SetString(key, std::to_string(i).c_str(), std::string(100, 'v')), 0);
  RegCloseKey(key);
  test::ReopenRegistry();  // the database is whole on disk and closed
  {
    std::fstream file(DatabaseFile(), std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(4096);  // the whole second page, a table's root
    file << std::string(4096, '\xFF');
  }
  const std::string damaged = FileBytes(DatabaseFile());
  testing::internal::CaptureStderr();
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\TOSKA", 0, KEY_READ, &key), ERROR_REGISTRY_CORRUPT);
  testing::internal::GetCapturedStderr();
  EXPECT_TRUE(FileBytes(DatabaseFile()) == damaged);

  RemoveDatabase();
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(DatabaseFile().c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "CREATE TABLE notes(text)", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(other);
  const std::string foreign = FileBytes(DatabaseFile());
  testing::internal::CaptureStderr();
  EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software", &key), ERROR_REGISTRY_CORRUPT);
  testing::internal::GetCapturedStderr();
  EXPECT_TRUE(FileBytes(DatabaseFile()) == foreign);
  RemoveDatabase();
}
