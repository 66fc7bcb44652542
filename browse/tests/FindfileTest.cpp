#include "browse/Findfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Paths.h"
#include "platform/Process.h"

using namespace win;
using List = std::vector<std::string>;

namespace {

// Folders and files under C:, the drive that maps to the test's own prefix.
class FindfileTest : public testing::Test {
 protected:
  void SetUp() override {
    drive_ = DriveFolder('C');
    ASSERT_FALSE(drive_.empty());
    // The drive lives as long as the process: no test sees another's files.
    std::filesystem::remove_all(Host("data"));
    Folder("data");
  }

  std::string Host(const std::string& name) const { return drive_ + "/" + name; }
  void Write(const std::string& name) const { std::ofstream(Host(name)) << "x"; }
  void Folder(const std::string& name) const { std::filesystem::create_directories(Host(name)); }

  struct Entry {
    std::string name;
    std::string shortName;
    DWORD attributes;
  };
  static std::vector<Entry> Entries(ktFindFile& finder) {
    std::vector<Entry> found;
    while (finder.Next())
      found.push_back({finder.FindData.cFileName, finder.FindData.cAlternateFileName,
                       finder.FindData.dwFileAttributes});
    EXPECT_FALSE(finder.Next());  // stays at the end
    return found;
  }
  static List Names(ktFindFile& finder) {
    List names;
    for (const Entry& e : Entries(finder)) names.push_back(e.name);
    return names;
  }
  static List Names(const std::string& pattern) {
    ktFindFile finder(pattern);
    return Names(finder);
  }

  std::string drive_;
};

}  // namespace

TEST_F(FindfileTest, TextFilesOfAFolderWithTheirFullPaths) {
  Write("data/b.txt");
  Write("data/A.TXT");
  Write("data/notes.md");
  Folder("data/sub");
  Write("data/sub/inner.txt");

  // An absolute pattern lists its own folder only, recursive or not.
  EXPECT_EQ(Names("C:\\data\\*.txt"), (List{"C:\\data\\A.TXT", "C:\\data\\b.txt"}));
  EXPECT_EQ(Names("c:\\DATA\\*.*"),
            (List{"C:\\DATA\\A.TXT", "C:\\DATA\\b.txt", "C:\\DATA\\notes.md", "C:\\DATA\\sub"}));

  ASSERT_TRUE(SetCurrentDirectoryA("C:\\data\\sub"));
  EXPECT_EQ(Names("\\data\\*.txt"), (List{"C:\\data\\A.TXT", "C:\\data\\b.txt"}));  // keeps its root
}

TEST_F(FindfileTest, NothingToFindIsNoError) {
  ktFindFile missing("C:\\nowhere\\*.*");
  EXPECT_FALSE(missing.Next());
  ktFindFile none("C:\\data\\*.none");
  EXPECT_FALSE(none.Next());
  ktFindFile idle;
  EXPECT_FALSE(idle.Next());
  EXPECT_FALSE(idle.Start("C:\\nowhere", "*.*"));
  EXPECT_FALSE(idle.Next());
}

TEST_F(FindfileTest, DotsOnlyWithIncludeDots) {
  Write("data/a.txt");
  EXPECT_EQ(Names("C:\\data\\*"), (List{"C:\\data\\a.txt"}));

  ktFindFile finder;
  finder.IncludeDots = true;
  finder.Recursive = false;
  ASSERT_TRUE(finder.Start("C:\\data", "*"));
  std::vector<Entry> found = Entries(finder);
  ASSERT_EQ(found.size(), 3u);
  // Their short names tell the dots; their full paths are the folders.
  EXPECT_EQ(found[0].shortName, ".");
  EXPECT_EQ(found[0].name, "C:\\data");
  EXPECT_EQ(found[1].shortName, "..");
  EXPECT_EQ(found[1].name, "C:\\");
  EXPECT_EQ(found[2].name, "C:\\data\\a.txt");
}

TEST_F(FindfileTest, ExcludeMasks) {
  Write("data/plain.txt");
  Write("data/.hidden");
  Write("data/locked.txt");
  chmod(Host("data/locked.txt").c_str(), 0444);
  Folder("data/folder");
  Folder("data/.git");
  Folder("data/readonly");
  chmod(Host("data/readonly").c_str(), 0555);

  ktFindFile labels("C:\\data\\*.*");
  labels.ExcludeMask = 8;  // volume labels: no host entry is one, so everything comes
  EXPECT_EQ(Names(labels), (List{"C:\\data\\.git", "C:\\data\\.hidden", "C:\\data\\folder", "C:\\data\\locked.txt",
                                 "C:\\data\\plain.txt", "C:\\data\\readonly"}));

  ktFindFile folders("C:\\data\\*.*");
  folders.ExcludeMask = kFolderExcludeMask;  // the archive bit of files excludes them
  std::vector<Entry> found = Entries(folders);
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].name, "C:\\data\\.git");
  EXPECT_EQ(found[0].attributes, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(found[1].name, "C:\\data\\folder");
  EXPECT_EQ(found[2].name, "C:\\data\\readonly");
  EXPECT_EQ(found[2].attributes, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY);

  ktFindFile visible("C:\\data\\*.*");
  visible.ExcludeMask = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY;
  EXPECT_EQ(Names(visible), (List{"C:\\data\\locked.txt", "C:\\data\\plain.txt"}));
  chmod(Host("data/readonly").c_str(), 0755);
}

TEST_F(FindfileTest, ShortNames) {
  Write("data/a.txt");
  Write("data/a long file name.txt");
  ktFindFile finder("C:\\data\\*.txt");
  std::vector<Entry> found = Entries(finder);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].shortName, "ALONGF~1.TXT");  // the platform's own
  EXPECT_EQ(found[1].shortName, "a.txt");          // none from the platform: the name itself

  WIN32_FIND_DATAA data{};
  std::strcpy(data.cFileName, "twelve.chars");
  ktFindFile::CompleteShortName(data);
  EXPECT_STREQ(data.cAlternateFileName, "twelve.chars");
  data = {};
  std::strcpy(data.cFileName, "thirteen.char");
  ktFindFile::CompleteShortName(data);
  EXPECT_STREQ(data.cAlternateFileName, "");
}

TEST_F(FindfileTest, AFullPathOfMaxPathCharactersLeavesThePlainName) {
  // "C:\" and a folder of 200 characters, then "\" and the file name: a name
  // of 55 characters gives 259, one of 56 gives 260.
  const std::string folder(200, 'd');
  Folder(folder);
  const std::string fits(55, 'f');
  const std::string reaches = std::string(52, 'g') + ".txt";
  Write(folder + "/" + fits);
  Write(folder + "/" + reaches);
  EXPECT_EQ(Names("C:\\" + folder + "\\*"), (List{"C:\\" + folder + "\\" + fits, reaches}));
}

TEST_F(FindfileTest, ARecursiveWalkGoesDepthFirstBelowARelativePattern) {
  Write("data/top.txt");
  Folder("data/b");
  Write("data/b/b1.txt");
  Folder("data/b/deep");
  Write("data/b/deep/d.txt");
  Folder("data/a/none/below");  // folders without a match of their own are walked too
  Write("data/a/none/below/y.txt");
  Folder("data/c;d");  // a ';' in a name splits no folder
  Write("data/c;d/semi.txt");
  Write("data/b/skip.md");
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\data"));

  EXPECT_EQ(Names("*.txt"), (List{"C:\\data\\top.txt", "C:\\data\\a\\none\\below\\y.txt", "C:\\data\\b\\b1.txt",
                                  "C:\\data\\b\\deep\\d.txt", "C:\\data\\c;d\\semi.txt"}));

  ktFindFile flat;
  flat.Recursive = false;
  flat.Start("", "*.txt");
  EXPECT_EQ(Names(flat), (List{"C:\\data\\top.txt"}));

  ktFindFile based;
  based.Start("C:\\data\\b", "*.txt");
  EXPECT_EQ(Names(based), (List{"C:\\data\\b\\b1.txt", "C:\\data\\b\\deep\\d.txt"}));
}

TEST_F(FindfileTest, AWalkDoesNotEnterFolderLinks) {
  Write("data/a.txt");
  Folder("data/sub");
  Write("data/sub/b.txt");
  std::filesystem::create_directory_symlink(Host("data"), Host("data/sub/loop"));
  std::filesystem::create_directory_symlink(Host("data"), Host("data/sub/loop2"));
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\data"));

  EXPECT_EQ(Names("*.txt"), (List{"C:\\data\\a.txt", "C:\\data\\sub\\b.txt"}));
  // The links themselves are entries like others.
  ktFindFile links("C:\\data\\sub\\loop*");
  std::vector<Entry> found = Entries(links);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].attributes, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
}

TEST_F(FindfileTest, TheExtraListAndTheVariableComeAfterThePattern) {
  Write("data/here.txt");
  Folder("one");
  Write("one/first.txt");
  Folder("two");
  Write("two/second.txt");
  Folder("three");
  Write("three/third.txt");
  Folder("three/below");
  Write("three/below/deeper.txt");
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\data"));
  ASSERT_TRUE(SetEnvironmentVariableA("LOZG_FIND_FOLDERS", "C:\\three;;C:\\missing"));

  ktFindFile finder;
  finder.ExtraList = "C:\\one;C:\\two";
  finder.VariableName = "LOZG_FIND_FOLDERS";
  EXPECT_TRUE(finder.Start("", "*.txt"));
  EXPECT_EQ(Names(finder), (List{"C:\\data\\here.txt", "C:\\one\\first.txt", "C:\\two\\second.txt",
                                 "C:\\three\\third.txt", "C:\\three\\below\\deeper.txt"}));

  // A variable that is not set adds nothing; the flags reach every folder.
  ktFindFile flat;
  flat.ExtraList = "C:\\three";
  flat.VariableName = "LOZG_NOT_SET";
  flat.Recursive = false;
  flat.ExcludeMask = FILE_ATTRIBUTE_DIRECTORY;
  flat.Start("", "*.*");
  EXPECT_EQ(Names(flat), (List{"C:\\data\\here.txt", "C:\\three\\third.txt"}));

  // Restarting begins the walk anew.
  flat.ExtraList.clear();
  flat.Start("C:\\one", "*.*");
  EXPECT_EQ(Names(flat), (List{"C:\\one\\first.txt"}));
}
