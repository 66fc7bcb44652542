#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/ChangeNotify.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Sync.h"
#include "platform/Text.h"
#include "testsupport/TempDir.h"

using namespace win;

namespace {

// A temporary folder seen as drive T:.
class FilesTest : public testing::Test {
 protected:
  void SetUp() override { MapDrive('T', dir_.path()); }

  std::string Host(const std::string& name) const { return dir_ / name; }
  void Write(const std::string& name, const std::string& content) const { std::ofstream(Host(name)) << content; }
  std::string Read(const std::string& name) const {
    std::ifstream in(Host(name));
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void Folder(const std::string& name) const { std::filesystem::create_directories(Host(name)); }

  struct Found {
    std::string name;
    std::string shortName;
    DWORD attributes;
  };
  // Every entry a search returns, in its order.
  static std::vector<Found> FindAll(const std::string& pattern) {
    std::vector<Found> found;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return found;
    do found.push_back({data.cFileName, data.cAlternateFileName, data.dwFileAttributes});
    while (FindNextFileA(h, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(h));
    return found;
  }
  static std::vector<std::string> Names(const std::string& pattern) {
    std::vector<std::string> names;
    for (const Found& f : FindAll(pattern)) names.push_back(f.name);
    return names;
  }

  testsupport::TempDir dir_;
};

using List = std::vector<std::string>;

HANDLE Open(const std::string& name, DWORD access, DWORD disposition) {
  return CreateFileA(name.c_str(), access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Whether a name of code page 932 holds one of `characters` as a character
// of its own, not as the second byte of a double-byte character.
bool HasSingleByteOf(const std::string& name, const char* characters) {
  for (size_t i = 0; i < name.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(name[i]))) {
      ++i;
      continue;
    }
    if (std::strchr(characters, name[i])) return true;
  }
  return false;
}

}  // namespace

// ---------------------------------------------------------------- attributes

TEST_F(FilesTest, AttributesOfFilesAndFolders) {
  Write("plain.txt", "x");
  Write(".hidden", "x");
  Write("locked.txt", "x");
  chmod(Host("locked.txt").c_str(), 0444);
  Folder("Music");

  EXPECT_EQ(GetFileAttributesA("T:\\plain.txt"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(GetFileAttributesA("t:\\PLAIN.TXT"), FILE_ATTRIBUTE_ARCHIVE);  // any letter case
  EXPECT_EQ(GetFileAttributesA("T:\\.hidden"), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(GetFileAttributesA("T:\\locked.txt"), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(GetFileAttributesA("T:\\Music"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesA("T:\\music\\"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesA("T:\\"), FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(FilesTest, MissingNamesGiveThePlatformsErrors) {
  Folder("Music");
  struct Case {
    const char* path;
    DWORD error;
  } cases[] = {
      {"T:\\missing.txt", ERROR_FILE_NOT_FOUND},
      {"T:\\Music\\missing.txt", ERROR_FILE_NOT_FOUND},
      {"T:\\nofolder\\missing.txt", ERROR_PATH_NOT_FOUND},
      {"Q:\\unmapped.txt", ERROR_PATH_NOT_FOUND},
      {"T:\\*.txt", ERROR_INVALID_NAME},
      {"T:\\a|b", ERROR_INVALID_NAME},
      {"", ERROR_PATH_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_EQ(GetFileAttributesA(c.path), INVALID_FILE_ATTRIBUTES) << c.path;
    EXPECT_EQ(GetLastError(), c.error) << c.path;
  }
}

TEST_F(FilesTest, ReadOnlyIsTheWritePermission) {
  Write("song.txt", "x");
  ASSERT_TRUE(SetFileAttributesA("T:\\song.txt", FILE_ATTRIBUTE_READONLY));
  struct stat st {};
  stat(Host("song.txt").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0222, 0u);
  EXPECT_EQ(GetFileAttributesA("T:\\song.txt"), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);

  // The platform protects read-only files from deletion and from writing.
  EXPECT_FALSE(DeleteFileA("T:\\song.txt"));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Open("T:\\song.txt", GENERIC_WRITE, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  HANDLE reading = Open("T:\\song.txt", GENERIC_READ, OPEN_EXISTING);
  EXPECT_NE(reading, INVALID_HANDLE_VALUE);
  CloseHandle(reading);

  ASSERT_TRUE(SetFileAttributesA("T:\\song.txt", FILE_ATTRIBUTE_NORMAL));
  stat(Host("song.txt").c_str(), &st);
  EXPECT_NE(st.st_mode & S_IWUSR, 0u);
  EXPECT_EQ(GetFileAttributesA("T:\\song.txt"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_TRUE(DeleteFileA("T:\\song.txt"));
}

// ---------------------------------------------------------------- wildcards

TEST(Wildcards, ThePlatformsRules) {
  struct Case {
    const char* pattern;
    const char* name;
    bool matches;
  } cases[] = {
      {"*", "README", true},
      {"*.*", "README", true},  // names without a dot too
      {"*.*", "a.b.c", true},
      {"*.*", ".profile", true},
      {"*.txt", "notes.txt", true},
      {"*.txt", "NOTES.TXT", true},  // letters in either case
      {"*.TXT", "notes.txt", true},
      {"*.txt", "notes.txt.bak", false},
      {"*.txt", "notes.text", false},
      {"*.txt", "a.b.txt", true},
      {"*.", "README", true},  // names without an extension
      {"*.", "notes.txt", false},
      {"readme.", "README", true},
      {"a?c", "abc", true},
      {"a?c", "ac", false},  // '?' needs a character inside a name
      {"?", "", false},
      {"?", "a", true},
      {"?", "ab", false},
      {"a?", "a", true},  // ... but not at its end
      {"file?.txt", "file.txt", true},
      {"file?.txt", "file1.txt", true},
      {"file?.txt", "file12.txt", false},
      {"??.txt", "a.txt", true},
      {"a*z", "abcz", true},
      {"a*z", "abczy", false},
      {"*a*", "banana", true},
      {"notes.txt", "Notes.TXT", true},
      {"notes.txt", "notes.txt2", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(detail::MatchesWildcard(c.pattern, c.name), c.matches) << c.pattern << " on " << c.name;
}

TEST(Wildcards, DoubleByteCharactersAreOneCharacter) {
  const std::string song = SJ("曲");  // two bytes
  EXPECT_TRUE(detail::MatchesWildcard("?.mp3", song + ".mp3"));
  EXPECT_FALSE(detail::MatchesWildcard("??.mp3", song + "x.mp3x"));
  EXPECT_TRUE(detail::MatchesWildcard(song + "*", song + SJ("集") + ".txt"));
  // A trail byte that looks like a letter is not folded: 0x83 0x41 is not 0x83 0x61.
  EXPECT_FALSE(detail::MatchesWildcard("\x83\x61", "\x83\x41"));
}

// ---------------------------------------------------------------- searches

TEST_F(FilesTest, FindListsMatchingEntriesInNameOrder) {
  Write("b.txt", "x");
  Write("A.TXT", "x");
  Write("README", "x");
  Write("notes.md", "x");
  Folder("sub");
  Write("sub/inner.txt", "x");

  EXPECT_EQ(Names("T:\\*.txt"), (List{"A.TXT", "b.txt"}));
  EXPECT_EQ(Names("T:\\*.*"), (List{"A.TXT", "b.txt", "notes.md", "README", "sub"}));  // the drive root: no dots
  EXPECT_EQ(Names("T:\\*."), (List{"README", "sub"}));
  EXPECT_EQ(Names("T:\\readme"), (List{"README"}));
  EXPECT_EQ(Names("T:\\sub\\*"), (List{".", "..", "inner.txt"}));
  EXPECT_EQ(Names("T:\\sub\\*.txt"), (List{"inner.txt"}));
  EXPECT_EQ(Names("T:\\sub"), (List{"sub"}));

  std::vector<Found> sub = FindAll("T:\\sub\\*");
  ASSERT_EQ(sub.size(), 3u);
  EXPECT_EQ(sub[0].attributes, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(sub[1].attributes, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(sub[2].attributes, FILE_ATTRIBUTE_ARCHIVE);
}

TEST_F(FilesTest, SymbolicLinksAreReparsePoints) {
  Folder("real");
  Write("real/a.txt", "abc");
  std::filesystem::create_directory_symlink(Host("real"), Host("loop"));
  std::filesystem::create_symlink(Host("real/a.txt"), Host("file-link"));
  std::filesystem::create_symlink(Host("nowhere"), Host("dangling"));

  // A link has the attributes, size and times of what it names.
  EXPECT_EQ(GetFileAttributesA("T:\\loop"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_EQ(GetFileAttributesA("T:\\file-link"), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_EQ(GetFileAttributesA("T:\\dangling"), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_EQ(GetFileAttributesA("T:\\real"), FILE_ATTRIBUTE_DIRECTORY);

  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA("T:\\file-link", &data);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_EQ(data.dwReserved0, IO_REPARSE_TAG_SYMLINK);
  EXPECT_EQ(data.nFileSizeLow, 3u);
  FindClose(h);
  h = FindFirstFileA("T:\\real", &data);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(data.dwReserved0, 0u);
  FindClose(h);
}

TEST_F(FilesTest, FindFailuresAndHandles) {
  Write("a.txt", "x");
  WIN32_FIND_DATAA data;
  struct Case {
    const char* pattern;
    DWORD error;
  } cases[] = {
      {"T:\\*.doc", ERROR_FILE_NOT_FOUND},
      {"T:\\", ERROR_FILE_NOT_FOUND},
      {"T:\\missing\\*.*", ERROR_PATH_NOT_FOUND},
      {"T:\\a.txt\\*.*", ERROR_DIRECTORY},
      {"Q:\\*.*", ERROR_PATH_NOT_FOUND},
      {"T:\\*\\a.txt", ERROR_INVALID_NAME},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindFirstFileA(c.pattern, &data), INVALID_HANDLE_VALUE) << c.pattern;
    EXPECT_EQ(GetLastError(), c.error) << c.pattern;
  }

  HANDLE h = FindFirstFileA("T:\\*.txt", &data);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(CloseHandle(h));  // searches are closed with FindClose only
  EXPECT_FALSE(FindNextFileA(h, &data));
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  EXPECT_TRUE(FindClose(h));
  EXPECT_FALSE(FindClose(h));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(FindNextFileA(h, &data));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(FilesTest, FindDataRecordHoldsSizesAndTimes) {
  Write("big.bin", std::string(5000, 'x'));
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA("T:\\big.bin", &data);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  FindClose(h);

  // The file list keeps the first 36 bytes of each record.
  BYTE record[36];
  std::memcpy(record, &data, sizeof record);
  DWORD attributes, sizeHigh, sizeLow;
  FILETIME lastWrite;
  std::memcpy(&attributes, record, 4);
  std::memcpy(&lastWrite, record + 20, 8);
  std::memcpy(&sizeHigh, record + 28, 4);
  std::memcpy(&sizeLow, record + 32, 4);
  EXPECT_EQ(attributes, FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(sizeHigh, 0u);
  EXPECT_EQ(sizeLow, 5000u);

  struct stat st {};
  stat(Host("big.bin").c_str(), &st);
  FILETIME expected = FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
  EXPECT_EQ(lastWrite.dwLowDateTime, expected.dwLowDateTime);
  EXPECT_EQ(lastWrite.dwHighDateTime, expected.dwHighDateTime);
  EXPECT_NE(data.ftCreationTime.dwHighDateTime, 0u);
  EXPECT_STREQ(data.cFileName, "big.bin");
  EXPECT_STREQ(data.cAlternateFileName, "");
}

TEST_F(FilesTest, FindReturnsJapaneseNamesInCodePage932) {
  Folder("曲");
  Write("曲/歌.mp3", "x");
  Write("曲/日本語のファイル名.txt", "x");
  Write("曲/表", "x");  // ends in a trail byte that is a backslash

  const std::string folder = "T:\\" + SJ("曲");
  std::vector<Found> found = FindAll(folder + "\\*.*");
  ASSERT_EQ(found.size(), 5u);
  EXPECT_EQ(found[2].name, SJ("日本語のファイル名.txt"));
  EXPECT_EQ(found[2].shortName, SJ("日本語~1.TXT"));
  EXPECT_EQ(found[3].name, SJ("歌.mp3"));
  EXPECT_EQ(found[3].shortName, "");  // already a valid 8.3 name
  EXPECT_EQ(found[4].name, SJ("表"));

  EXPECT_EQ(Names(folder + "\\*.mp3"), (List{SJ("歌.mp3")}));
  EXPECT_EQ(GetFileAttributesA((folder + "\\" + SJ("表")).c_str()), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(GetFileAttributesA(folder.c_str()), FILE_ATTRIBUTE_DIRECTORY);
}

// Host names that no Windows name can hold are listed under names that lead
// back to them: no wildcard, no separator, no other file's name.
TEST_F(FilesTest, EveryHostNameIsListedUnderANameThatOpensAndWatchesIt) {
  const std::vector<std::string> hostNames = {
      "back\\slash.txt", "bad??.txt", "star*", "c:olon", "quo\"te", "<angle>", "pi|pe", "tab\tbed",
      "caf\xC3\xA9.txt",        // a character code page 932 lacks
      "\xFF\xFE raw.bin",      // bytes that are not UTF-8
      "\xEE\x80\xBF.txt",     // a private-use character that also stands for a byte
      "\xE6\x9B\xB2.txt",     // 曲, which code page 932 holds
      "slash.txt", "bad.txt"};  // the names the others must not point to
  for (const std::string& name : hostNames) Write(name, "content of " + name);
  Folder("dir?");
  std::map<std::string, std::string> contents;  // listed name -> content
  for (const Found& f : FindAll("T:\\*")) {
    EXPECT_FALSE(HasSingleByteOf(f.name, "\\/:*?\"<>|\t")) << f.name;
    if (f.attributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    HANDLE h = Open("T:\\" + f.name, GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << f.name;
    char buffer[64] = {};
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &read, nullptr));
    CloseHandle(h);
    contents[f.name] = std::string(buffer, read);
  }
  ASSERT_EQ(contents.size(), hostNames.size());
  for (const std::string& name : hostNames) {
    const std::string windows = detail::ToWindowsPath(Host(name));
    ASSERT_EQ(windows.substr(0, 3), "T:\\");
    EXPECT_EQ(contents[windows.substr(3)], "content of " + name) << windows;
    EXPECT_EQ(detail::ToHostPath(windows), Host(name));
  }
  EXPECT_EQ(detail::ToWindowsPath(Host("\xE6\x9B\xB2.txt")), "T:\\" + SJ("曲.txt"));
  EXPECT_EQ(detail::ToWindowsPath(Host("slash.txt")), "T:\\slash.txt");

  const std::string folder = detail::ToWindowsPath(Host("dir?"));
  EXPECT_EQ(GetFileAttributesA(folder.c_str()), FILE_ATTRIBUTE_DIRECTORY);
  HANDLE watch = FindFirstChangeNotificationA(folder.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
  ASSERT_NE(watch, INVALID_HANDLE_VALUE);
  Write("dir?/new.txt", "x");
  EXPECT_EQ(WaitForSingleObject(watch, 10000), WAIT_OBJECT_0);
  FindCloseChangeNotification(watch);
}

// The private-use characters of '.', '/' and NUL, which no host name needs,
// are ordinary characters of a Windows name: no way out of the folder.
TEST_F(FilesTest, NoWindowsNameLeadsOutOfItsFolder) {
  Folder("inner");
  const auto escape = [](char16_t byte) { return WideToAnsi(std::u16string(1, 0xE000 + byte)); };
  const std::string up = escape('.') + escape('.');
  const std::string name = "T:\\inner\\" + up + escape('/') + "x";
  HANDLE h = Open(name, GENERIC_WRITE, CREATE_NEW);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  EXPECT_FALSE(std::filesystem::exists(Host("x")));
  EXPECT_EQ(detail::ToHostPath(name), Host("inner/" + AnsiToUtf8(up + escape('/')) + "x"));
  EXPECT_EQ(Names("T:\\inner\\*x"), (List{up + escape('/') + "x"}));
  EXPECT_EQ(detail::ToHostPath("T:\\inner\\" + up), Host("inner/" + AnsiToUtf8(up)));
}

TEST_F(FilesTest, ShortNamesForNamesThatAreNot83) {
  for (const char* name : {"a.txt", "README", "Long File Name.txt", "LongFileName.html", "LongFileNameB.html",
                           "a+b.txt", ".bashrc", "archive.tar.gz", "abcdefghi", "LONGFI~1.TXT"})
    Write(name, "x");
  std::map<std::string, std::string> shortNames;
  for (const Found& f : FindAll("T:\\*")) shortNames[f.name] = f.shortName;

  EXPECT_EQ(shortNames["a.txt"], "");
  EXPECT_EQ(shortNames["README"], "");
  EXPECT_EQ(shortNames["LONGFI~1.TXT"], "");
  EXPECT_EQ(shortNames["Long File Name.txt"], "LONGFI~2.TXT");  // ~1 is taken by a real file
  EXPECT_EQ(shortNames["LongFileName.html"], "LONGFI~1.HTM");
  EXPECT_EQ(shortNames["LongFileNameB.html"], "LONGFI~2.HTM");
  EXPECT_EQ(shortNames["a+b.txt"], "A_B~1.TXT");
  EXPECT_EQ(shortNames[".bashrc"], "BASHRC~1");
  EXPECT_EQ(shortNames["archive.tar.gz"], "ARCHIV~1.GZ");
  EXPECT_EQ(shortNames["abcdefghi"], "ABCDEF~1");
}

TEST_F(FilesTest, ManySimilarNamesGetHashedShortNamesAfterTheFourth) {
  for (int i = 1; i <= 7; ++i) Write("Holiday photo " + std::to_string(i) + ".jpeg", "x");
  std::set<std::string> shortNames;
  for (const Found& f : FindAll("T:\\*")) {
    const int number = f.name[14] - '0';
    if (number <= 4) {
      EXPECT_EQ(f.shortName, "HOLIDA~" + std::to_string(number) + ".JPE");
    } else {
      EXPECT_EQ(f.shortName.size(), 12u) << f.shortName;
      EXPECT_EQ(f.shortName.substr(0, 2), "HO");
      EXPECT_EQ(f.shortName.substr(6), "~1.JPE");
    }
    EXPECT_TRUE(shortNames.insert(f.shortName).second) << f.shortName;
  }
  EXPECT_EQ(shortNames.size(), 7u);
}

TEST_F(FilesTest, LogicalDrivesAreTheMappedLetters) {
  const DWORD drives = GetLogicalDrives();
  EXPECT_TRUE(drives & (1u << ('C' - 'A')));
  EXPECT_TRUE(drives & (1u << ('T' - 'A')));
  EXPECT_TRUE(drives & (1u << ('Z' - 'A')));
  EXPECT_FALSE(drives & (1u << ('Q' - 'A')));
  MapDrive('T', "");
  EXPECT_FALSE(GetLogicalDrives() & (1u << ('T' - 'A')));
}

// ---------------------------------------------------------------- file handles

TEST_F(FilesTest, CreateReadWriteSeekAndTruncate) {
  HANDLE h = Open("T:\\data.bin", GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  DWORD done = 0;
  ASSERT_TRUE(WriteFile(h, "0123456789", 10, &done, nullptr));
  EXPECT_EQ(done, 10u);
  EXPECT_EQ(GetFileSize(h, nullptr), 10u);

  EXPECT_EQ(SetFilePointer(h, 2, nullptr, FILE_BEGIN), 2u);
  char buffer[16] = {};
  ASSERT_TRUE(ReadFile(h, buffer, 3, &done, nullptr));
  EXPECT_EQ(std::string(buffer, done), "234");
  EXPECT_EQ(SetFilePointer(h, -2, nullptr, FILE_CURRENT), 3u);
  EXPECT_EQ(SetFilePointer(h, -1, nullptr, FILE_END), 9u);
  ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &done, nullptr));
  EXPECT_EQ(std::string(buffer, done), "9");
  ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &done, nullptr));  // the end reads as nothing
  EXPECT_EQ(done, 0u);

  EXPECT_EQ(SetFilePointer(h, -20, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
  EXPECT_EQ(SetFilePointer(h, 4, nullptr, FILE_BEGIN), 4u);
  ASSERT_TRUE(SetEndOfFile(h));
  EXPECT_EQ(GetFileSize(h, nullptr), 4u);

  // Positions past 4 GB need the high part.
  LONG high = 1;
  EXPECT_EQ(SetFilePointer(h, 16, &high, FILE_BEGIN), 16u);
  EXPECT_EQ(high, 1);
  LARGE_INTEGER distance, position;
  distance.QuadPart = 0;
  ASSERT_TRUE(SetFilePointerEx(h, distance, &position, FILE_CURRENT));
  EXPECT_EQ(position.QuadPart, 0x100000010LL);
  EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(GetFileSize(h, nullptr), 4u);  // seeking writes nothing

  EXPECT_TRUE(CloseHandle(h));
  EXPECT_EQ(Read("data.bin"), "0123");
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_FALSE(ReadFile(h, buffer, 1, &done, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(FilesTest, DispositionsAndTheirErrors) {
  Write("old.txt", "old content");
  HANDLE h = Open("T:\\old.txt", GENERIC_WRITE, CREATE_NEW);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);

  h = Open("T:\\old.txt", GENERIC_READ, OPEN_ALWAYS);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  CloseHandle(h);
  EXPECT_EQ(Read("old.txt"), "old content");

  h = Open("T:\\new.txt", GENERIC_WRITE, OPEN_ALWAYS);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  CloseHandle(h);

  h = Open("T:\\OLD.TXT", GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  CloseHandle(h);
  EXPECT_EQ(Read("old.txt"), "");  // the existing file, in its own letter case, emptied
  EXPECT_FALSE(std::filesystem::exists(Host("OLD.TXT")));

  Write("old.txt", "again");
  h = Open("T:\\old.txt", GENERIC_WRITE, TRUNCATE_EXISTING);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  EXPECT_EQ(Read("old.txt"), "");
  EXPECT_EQ(Open("T:\\old.txt", GENERIC_READ, TRUNCATE_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  // A link to nothing neither opens nor hangs the creation.
  std::filesystem::create_symlink(Host("nowhere"), Host("dangling"));
  EXPECT_EQ(Open("T:\\dangling", GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);

  struct Case {
    const char* name;
    DWORD error;
  } cases[] = {
      {"T:\\missing.txt", ERROR_FILE_NOT_FOUND},
      {"T:\\nofolder\\missing.txt", ERROR_PATH_NOT_FOUND},
      {"T:\\", ERROR_ACCESS_DENIED},  // folders do not open
      {"T:\\a?.txt", ERROR_INVALID_NAME},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Open(c.name, GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE) << c.name;
    EXPECT_EQ(GetLastError(), c.error) << c.name;
  }
}

TEST_F(FilesTest, HandlesKeepTheirAccess) {
  Write("a.txt", "abc");
  char buffer[4];
  DWORD done = 7;
  HANDLE reading = Open("T:\\a.txt", GENERIC_READ, OPEN_EXISTING);
  EXPECT_FALSE(WriteFile(reading, "x", 1, &done, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(done, 0u);
  EXPECT_FALSE(SetEndOfFile(reading));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  CloseHandle(reading);

  HANDLE writing = Open("T:\\a.txt", GENERIC_WRITE, OPEN_EXISTING);
  EXPECT_FALSE(ReadFile(writing, buffer, 1, &done, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(FlushFileBuffers(writing));
  // A file handle is signalled, as the platform's are.
  EXPECT_EQ(WaitForSingleObject(writing, 0), WAIT_OBJECT_0);
  CloseHandle(writing);
  EXPECT_EQ(Read("a.txt"), "abc");
}

TEST_F(FilesTest, FileTimesRoundTrip) {
  Write("t.txt", "x");
  HANDLE h = Open("T:\\t.txt", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  // 2001-02-03 04:05:06.789 UTC, with a fraction of a second.
  FILETIME written = FileTimeFromUnix(981173106, 789000000);
  FILETIME accessed = FileTimeFromUnix(981173000);
  ASSERT_TRUE(SetFileTime(h, nullptr, &accessed, &written));
  FILETIME creation{}, lastAccess{}, lastWrite{};
  ASSERT_TRUE(GetFileTime(h, &creation, &lastAccess, &lastWrite));
  CloseHandle(h);
  EXPECT_EQ(CompareFileTime(&lastWrite, &written), 0);
  EXPECT_EQ(CompareFileTime(&lastAccess, &accessed), 0);
  EXPECT_NE(creation.dwHighDateTime, 0u);

  struct stat st {};
  stat(Host("t.txt").c_str(), &st);
  EXPECT_EQ(st.st_mtim.tv_sec, 981173106);
  EXPECT_EQ(st.st_mtim.tv_nsec, 789000000);
}

// ---------------------------------------------------------------- names and folders

TEST_F(FilesTest, MoveRefusesToReplaceUnlessAsked) {
  Write("a.txt", "A");
  Write("b.txt", "B");
  EXPECT_FALSE(MoveFileA("T:\\a.txt", "T:\\b.txt"));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(Read("b.txt"), "B");

  EXPECT_TRUE(MoveFileExA("T:\\a.txt", "T:\\b.txt", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(Read("b.txt"), "A");
  EXPECT_FALSE(std::filesystem::exists(Host("a.txt")));

  EXPECT_FALSE(MoveFileA("T:\\a.txt", "T:\\c.txt"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  // A change of letter case renames the file itself.
  EXPECT_TRUE(MoveFileA("T:\\b.txt", "T:\\B.TXT"));
  EXPECT_TRUE(std::filesystem::exists(Host("B.TXT")));
  EXPECT_FALSE(std::filesystem::exists(Host("b.txt")));
  EXPECT_EQ(Read("B.TXT"), "A");

  Folder("dir");
  EXPECT_TRUE(MoveFileA("T:\\dir", "T:\\moved"));
  EXPECT_EQ(GetFileAttributesA("T:\\moved"), FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(FilesTest, CopyKeepsContentsAndTheWriteTime) {
  Write("a.txt", "contents");
  std::filesystem::last_write_time(Host("a.txt"), std::filesystem::file_time_type(std::chrono::hours(100000)));
  ASSERT_TRUE(CopyFileA("T:\\a.txt", "T:\\b.txt", TRUE));
  EXPECT_EQ(Read("b.txt"), "contents");
  EXPECT_EQ(std::filesystem::last_write_time(Host("b.txt")), std::filesystem::last_write_time(Host("a.txt")));

  Write("b.txt", "other");
  EXPECT_FALSE(CopyFileA("T:\\a.txt", "T:\\b.txt", TRUE));
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  EXPECT_EQ(Read("b.txt"), "other");
  EXPECT_TRUE(CopyFileA("T:\\a.txt", "T:\\b.txt", FALSE));
  EXPECT_EQ(Read("b.txt"), "contents");

  // Copying a file onto itself must not empty it.
  EXPECT_FALSE(CopyFileA("T:\\a.txt", "T:\\A.TXT", FALSE));
  EXPECT_EQ(Read("a.txt"), "contents");
  EXPECT_FALSE(CopyFileA("T:\\missing.txt", "T:\\c.txt", FALSE));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FilesTest, FoldersAndDeletion) {
  EXPECT_TRUE(CreateDirectoryA("T:\\new", nullptr));
  EXPECT_FALSE(CreateDirectoryA("T:\\NEW", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(CreateDirectoryA("T:\\missing\\new", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

  Write("new/file.txt", "x");
  EXPECT_FALSE(RemoveDirectoryA("T:\\new"));
  EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
  EXPECT_FALSE(DeleteFileA("T:\\new"));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(RemoveDirectoryA("T:\\new\\file.txt"));
  EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);

  EXPECT_TRUE(DeleteFileA("T:\\NEW\\FILE.TXT"));
  EXPECT_FALSE(DeleteFileA("T:\\new\\file.txt"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(RemoveDirectoryA("T:\\new"));
  EXPECT_EQ(GetFileAttributesA("T:\\new"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FilesTest, TemporaryFiles) {
  char folder[MAX_PATH];
  const DWORD length = GetTempPathA(MAX_PATH, folder);
  EXPECT_EQ(std::string(folder, length), "C:\\WINDOWS\\TEMP\\");
  EXPECT_EQ(GetFileAttributesA(folder), FILE_ATTRIBUTE_DIRECTORY);

  char first[MAX_PATH], second[MAX_PATH];
  const UINT a = GetTempFileNameA("T:\\", "lozenge", 0, first);
  const UINT b = GetTempFileNameA("T:\\", "lozenge", 0, second);
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  EXPECT_NE(a, b);
  EXPECT_EQ(std::string(first).substr(0, 6), "T:\\loz");
  EXPECT_EQ(std::string(first).substr(std::strlen(first) - 4), ".TMP");
  EXPECT_EQ(GetFileAttributesA(first), FILE_ATTRIBUTE_ARCHIVE);  // made
  EXPECT_EQ(GetFileAttributesA(second), FILE_ATTRIBUTE_ARCHIVE);

  EXPECT_EQ(GetTempFileNameA("T:\\", "x", 0x1AB, first), 0x1ABu);
  EXPECT_STREQ(first, "T:\\x1AB.TMP");
  EXPECT_EQ(GetFileAttributesA(first), INVALID_FILE_ATTRIBUTES);  // only named
  EXPECT_EQ(GetTempFileNameA("T:\\missing", "x", 0, first), 0u);
  EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
}
