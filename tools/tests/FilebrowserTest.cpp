// Runs the file browser tool as a person and a script would.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "testsupport/RunProgram.h"
#include "testsupport/TempDir.h"

namespace {

class Filebrowser : public testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(folder / "sub");
    Write("b.txt", 5000);
    Write("a.log", 10);
    Write("日本 語;x.txt", 4194304);
  }
  testsupport::ProgramResult Run(const std::vector<std::string>& args) {
    return testsupport::RunProgram(FILEBROWSER_PATH, args, work.path());
  }
  void Write(const std::string& name, size_t size) { std::ofstream(folder / name) << std::string(size, 'x'); }
  // The first field of every line.
  static std::vector<std::string> Names(const std::string& out) {
    std::vector<std::string> names;
    size_t start = 0;
    for (size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1)
      names.push_back(out.substr(start, out.find('\t', start) - start));
    return names;
  }

  testsupport::TempDir work;
  testsupport::TempDir dir;
  std::filesystem::path folder = std::filesystem::path(dir.path()) / "files";
};

}  // namespace

TEST_F(Filebrowser, ListsRowsAsTheListHoldsThem) {
  auto result = Run({"--list", folder.string(), "--sort", "size"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Names(result.out), (std::vector<std::string>{"sub", "a.log", "b.txt", "日本 語;x.txt"}));
  EXPECT_NE(result.out.find("b.txt\t5K\t"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("\t4M\t"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("\tD\n"), std::string::npos) << result.out;

  result = Run({"--list", folder.string(), "--sort", "name", "--desc", "--size", "b"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Names(result.out), (std::vector<std::string>{"日本 語;x.txt", "b.txt", "a.log", "sub"}));
  EXPECT_NE(result.out.find("b.txt\t5,000 \t"), std::string::npos) << result.out;
}

TEST_F(Filebrowser, BadArgumentsAndMissingFoldersAreRefused) {
  auto result = Run({"--list", folder.string(), "--sort", "colour"});
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_NE(result.err.find("unknown --sort: colour"), std::string::npos) << result.err;
  EXPECT_EQ(Run({folder.string()}).exitCode, 2);  // neither --png nor --list
  result = Run({"--list", (folder / "none").string()});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("no such folder"), std::string::npos) << result.err;
}

TEST_F(Filebrowser, DrawsThePicture) {
  const std::string png = work / "browser.png";
  const auto result = Run({folder.string(), "--png", png});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::string bytes = testsupport::ReadWholeFile(png);
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(bytes.substr(1, 3), "PNG");
}
