#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/Paths.h"
#include "platform/Text.h"
#include "testsupport/TempDir.h"

using namespace win;

TEST(Paths, FullPathNormalisesAgainstTheCurrentDirectory) {
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\WINDOWS"));
  EXPECT_EQ(detail::FullWindowsPath("a\\.\\b\\..\\c.txt"), "C:\\WINDOWS\\a\\c.txt");
  EXPECT_EQ(detail::FullWindowsPath("\\x/y"), "C:\\x\\y");
  EXPECT_EQ(detail::FullWindowsPath("C:..\\..\\.."), "C:\\");
  EXPECT_EQ(detail::FullWindowsPath("d:file"), "D:\\file");
  EXPECT_EQ(detail::FullWindowsPath("c:\\dir\\"), "C:\\dir\\");
  EXPECT_EQ(detail::FullWindowsPath(""), "");
}

TEST(Paths, GetFullPathNameReportsSizesAndTheFilePart) {
  SetCurrentDirectoryA("C:\\");
  char small[4];
  EXPECT_EQ(GetFullPathNameA("abc.txt", sizeof small, small, nullptr), 11u);  // "C:\abc.txt" and its terminator
  char buffer[64];
  LPSTR filePart = nullptr;
  EXPECT_EQ(GetFullPathNameA("dir\\abc.txt", sizeof buffer, buffer, &filePart), 14u);
  EXPECT_STREQ(buffer, "C:\\dir\\abc.txt");
  EXPECT_STREQ(filePart, "abc.txt");
}

TEST(Paths, DoubleByteTrailBytesAreNotSeparators) {
  // The trail byte of this character is 0x5C, the backslash.
  std::string hyou = Utf8ToAnsi("表");
  ASSERT_EQ(hyou[1], '\\');
  EXPECT_EQ(detail::FullWindowsPath("C:\\" + hyou + "\\..\\x"), "C:\\x");
  EXPECT_EQ(detail::FindSeparator(hyou + "\\"), 2u);
  // A name that ends in such a character has no trailing separator.
  EXPECT_EQ(detail::FullWindowsPath("C:\\" + hyou), "C:\\" + hyou);
  EXPECT_EQ(detail::ToHostPath("C:\\" + hyou), DriveFolder('C') + "/表");
  EXPECT_EQ(detail::ToWindowsPath(DriveFolder('C') + "/表"), "C:\\" + hyou);
}

TEST(Paths, HostPathsFindComponentsInAnyLetterCase) {
  testsupport::TempDir dir;
  std::filesystem::create_directories(dir / "Music/Albums");
  std::ofstream(dir / "Music/Albums/Track.MP3") << "x";
  MapDrive('M', dir.path());
  EXPECT_EQ(detail::ToHostPath("m:\\music\\ALBUMS\\track.mp3"), dir / "Music/Albums/Track.MP3");
  EXPECT_EQ(detail::ToHostPath("M:\\music\\new.txt"), dir / "Music/new.txt");
  EXPECT_EQ(detail::ToWindowsPath(dir / "Music/Albums"), "M:\\Music\\Albums");
  EXPECT_EQ(detail::ToWindowsPath(dir.path()), "M:\\");
  EXPECT_EQ(detail::ToHostPath("Q:\\nothing"), "");
}

TEST(Paths, JapaneseNamesConvertBetweenCodePages) {
  testsupport::TempDir dir;
  std::filesystem::create_directories(dir / "曲");
  MapDrive('J', dir.path());
  std::string windows = "J:\\" + Utf8ToAnsi("曲");
  EXPECT_EQ(detail::ToHostPath(windows), dir / "曲");
  EXPECT_EQ(detail::ToWindowsPath(dir / "曲"), windows);
}

TEST(Paths, DriveMapIsSharedThroughThePrefix) {
  EXPECT_EQ(DriveFolder('Z'), "/");
  EXPECT_FALSE(DriveFolder('C').empty());
  EXPECT_TRUE(std::filesystem::is_directory(DriveFolder('C') + "/WINDOWS"));
  char windows[MAX_PATH];
  EXPECT_EQ(GetWindowsDirectoryA(windows, MAX_PATH), 10u);
  EXPECT_STREQ(windows, "C:\\WINDOWS");
}
