#include "browse/File.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/Paths.h"
#include "platform/Text.h"

using namespace win;

TEST(FileTest, FileNamePartIsAfterTheLastSeparatorOrDriveColon) {
  EXPECT_EQ(FileNamePart("C:\\data\\a.txt"), "a.txt");
  EXPECT_EQ(FileNamePart("C:a.txt"), "a.txt");
  EXPECT_EQ(FileNamePart("a.txt"), "a.txt");
  EXPECT_EQ(FileNamePart("C:\\data\\"), "");
  EXPECT_EQ(FileNamePart("C:\\a:b"), "a:b");  // a '\' wins over a later ':'
  // The trail byte of 表 is '\': it separates nothing.
  const std::string table = SJ("表");
  ASSERT_EQ(table[1], '\\');
  EXPECT_EQ(FileNamePart("C:\\" + table + ".txt"), table + ".txt");
  EXPECT_EQ(FileNamePart(table), table);
  EXPECT_EQ(DirectoryPart("C:\\" + table + "\\" + table), "C:\\" + table + "\\");
  EXPECT_EQ(DirectoryPart("*.txt"), "");
  EXPECT_EQ(DirectoryPart("C:*.txt"), "C:");
}

TEST(FileTest, JoinAddsOneSeparator) {
  EXPECT_EQ(JoinPath("C:\\data", "a.txt"), "C:\\data\\a.txt");
  EXPECT_EQ(JoinPath("C:\\data\\", "\\\\a.txt"), "C:\\data\\a.txt");
  EXPECT_EQ(JoinPath("C:", "a.txt"), "C:a.txt");
  EXPECT_EQ(JoinPath("", "\\a.txt"), "a.txt");
  EXPECT_EQ(JoinPath("C:\\data", ""), "C:\\data\\");
  const std::string table = SJ("表");
  EXPECT_EQ(JoinPath("C:\\" + table, "a"), "C:\\" + table + "\\a");  // its trail byte ends no folder
}

TEST(FileTest, ExtensionPartIsAfterTheLastDotOfTheName) {
  EXPECT_EQ(ExtensionPart("a.txt"), "txt");
  EXPECT_EQ(ExtensionPart("archive.tar.gz"), "gz");
  EXPECT_EQ(ExtensionPart("README"), "");
  EXPECT_EQ(ExtensionPart("name."), "");
  EXPECT_EQ(ExtensionPart("C:\\my.dir\\README"), "");  // a folder's dot is no extension
}

TEST(FileTest, FullPathExpandsAgainstTheCurrentFolderWithinMaxPath) {
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\WINDOWS"));
  EXPECT_EQ(FullPath("a.txt"), "C:\\WINDOWS\\a.txt");
  EXPECT_EQ(FullPath("..\\b\\.\\c.txt"), "C:\\b\\c.txt");
  EXPECT_EQ(FullPath(""), "");
  const std::string fits = "C:\\" + std::string(MAX_PATH - 4, 'x');  // 259 characters
  EXPECT_EQ(FullPath(fits), fits);
  EXPECT_EQ(FullPath(fits + "y"), "");
}
