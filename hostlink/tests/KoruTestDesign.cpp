// The player's settings file as the link reads and writes it (designs and
// tools), the tools notice to the player, the design property while bound,
// form images, and starting the player's executable.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/SysUtils.h"
#include "hostlink/Koru.h"
#include "hostlink/tests/KoruTestSupport.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Profile.h"
#include "testsupport/TempDir.h"

using korutest::ArgumentsOf;
using korutest::KoruPlayerTest;
using korutest::PlayerWindow;
using korutest::PresenterScope;

namespace {

std::string CurrentDirectory() {
  char directory[win::MAX_PATH];
  win::GetCurrentDirectoryA(sizeof directory, directory);
  return directory;
}

// A component whose player lives at D:\Apps\KORU\KORU.EXE.
class KoruSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(drive_ / "Apps/KORU");
    win::MapDrive('D', drive_.path());
    koru_.ExePath = "D:\\Apps\\KORU\\KORU.EXE";
  }
  void TearDown() override { win::MapDrive('D', ""); }
  void WriteDesign(const char* value) {
    ASSERT_TRUE(win::WritePrivateProfileStringA("KORU", "Design", value, "D:\\Apps\\KORU\\KORU.ini"));
  }
  std::string ReadEntry(const char* section, const char* key) {
    char value[256];
    win::GetPrivateProfileStringA(section, key, "(none)", value, sizeof value, "D:\\Apps\\KORU\\KORU.ini");
    return value;
  }

  testsupport::TempDir drive_;
  TKORU koru_{nullptr};
};

TEST_F(KoruSettings, ARelativeDesignIsTakenFromThePlayersFolder) {
  WriteDesign("Designs\\Blue.korud");
  const std::string before = CurrentDirectory();
  EXPECT_EQ(koru_.GetDesign(), "D:\\Apps\\KORU\\Designs\\Blue.korud");
  EXPECT_EQ(CurrentDirectory(), before);
  WriteDesign("..\\Skins\\.\\Red.korud");
  EXPECT_EQ(koru_.GetDesign(), "D:\\Apps\\Skins\\Red.korud");
}

TEST_F(KoruSettings, AnAbsoluteOrMissingDesignStaysAsItIs) {
  WriteDesign("E:\\skins\\x.korud");
  EXPECT_EQ(koru_.GetDesign(), "E:\\skins\\x.korud");
  ASSERT_TRUE(win::WritePrivateProfileStringA("KORU", "Design", nullptr, "D:\\Apps\\KORU\\KORU.ini"));
  EXPECT_EQ(koru_.GetDesign(), "");
}

TEST_F(KoruSettings, WithoutAPlayerFolderTheDesignIsExpandedAgainstTheCurrentDirectory) {
  koru_.ExePath = "";
  koru_.SetDesign("x.korud");  // in ".ini" of the Windows folder
  const std::string before = CurrentDirectory();
  EXPECT_EQ(koru_.GetDesign(), before + "\\x.korud");
  EXPECT_EQ(CurrentDirectory(), before);
}

TEST_F(KoruSettings, UnboundSetDesignWritesTheNameUnexpanded) {
  koru_.SetDesign("Designs\\Green.korud");
  EXPECT_EQ(ReadEntry("KORU", "Design"), "Designs\\Green.korud");
  EXPECT_EQ(koru_.GetDesign(), "D:\\Apps\\KORU\\Designs\\Green.korud");
}

TEST_F(KoruSettings, AnUnwritableSettingsFileRaisesAndPostsNothing) {
  PlayerWindow player;
  koru_.ExePath = "D:\\NoSuchFolder\\KORU.EXE";
  EXPECT_THROW(koru_.SetDesign("x.korud"), EIniFileException);
  EXPECT_THROW(koru_.SetTool("Editor", "notepad.exe"), EIniFileException);
  korutest::PumpMessages();
  EXPECT_TRUE(player.Messages(koru_.MessageId).empty());
  EXPECT_FALSE(koru_.ToolExists("Editor"));
  koru_.DeleteTool("Editor");  // silent
}

TEST_F(KoruSettings, ToolsAreWrittenAndThePlayerIsTold) {
  PlayerWindow player;
  koru_.SetTool("editor", "C:\\Tools\\edit.exe /x");
  EXPECT_EQ(ReadEntry("Tool", "editor"), "C:\\Tools\\edit.exe /x");
  EXPECT_TRUE(koru_.ToolExists("Editor"));
  EXPECT_FALSE(koru_.ToolExists("Viewer"));
  koru_.SetTool("Editor", "other.exe");
  EXPECT_EQ(ReadEntry("Tool", "editor"), "other.exe");
  koru_.DeleteTool("EDITOR");
  EXPECT_FALSE(koru_.ToolExists("editor"));
  koru_.DeleteTool("editor");  // absent: nothing happens but the notice
  korutest::PumpMessages();
  const auto notices = player.Messages(koru_.MessageId);
  ASSERT_EQ(notices.size(), 4u);  // two writes and two deletions; the questions post nothing
  for (const auto& notice : notices) {
    EXPECT_EQ(notice.wParam, 0x403u);
    EXPECT_EQ(notice.lParam, 0);
  }
}

TEST_F(KoruSettings, WithoutAPathTheFileIsJustIniInTheWindowsFolder) {
  koru_.ExePath = "";
  koru_.SetTool("Editor", "e.exe");
  char windows[win::MAX_PATH];
  win::GetWindowsDirectoryA(windows, sizeof windows);
  char value[64];
  win::GetPrivateProfileStringA("Tool", "Editor", "", value, sizeof value, (std::string(windows) + "\\.ini").c_str());
  EXPECT_STREQ(value, "e.exe");
}

using KoruDesignBound = KoruPlayerTest;

TEST_F(KoruDesignBound, TheDesignIsThePlayersWhileBound) {
  TKORU& koru = BoundKoru();
  koru.SetDesign("C:\\KORU\\Blue.korud");
  EXPECT_EQ(ArgumentsOf(*player_, "put_Design"), std::vector<std::string>{"\"C:\\KORU\\Blue.korud\""});
  EXPECT_EQ(koru.GetDesign(), player_->player().Design());
  EXPECT_EQ(ArgumentsOf(*player_, "get_Design").size(), 1u);
  koru.GetFormImage("Main");
  EXPECT_EQ(ArgumentsOf(*player_, "GetFormImage"), std::vector<std::string>{"\"Main\""});
  EXPECT_EQ(win::test::LiveBstrCount(), 0u);
}

TEST_F(KoruDesignBound, ToolsReachTheRunningPlayer) {
  TKORU& koru = BoundKoru();
  koru.SetTool("Lozenge", "C:\\KORU\\lozenge.exe");
  ASSERT_TRUE(korutest::WaitFor([&] {
    for (const auto& tool : player_->player().Tools())
      if (tool.first == "Lozenge") return true;
    return false;
  }));
}

// Starting the player's executable.
class KoruExecute : public ::testing::Test {
 protected:
  void SetUp() override {
    win::SetEnvironmentVariableA("KORU_STARTED_REPORT", report_.c_str());
    koru_.ExePath = win::detail::ToWindowsPath(KORU_STARTED_PLAYER);
  }
  std::vector<std::string> Report() {
    std::ifstream in(report_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  testsupport::TempDir folder_;
  std::string report_ = folder_ / "report.txt";
  TKORU koru_{nullptr};
};

TEST_F(KoruExecute, WithoutParametersTheCommandLineIsEmpty) {
  ASSERT_TRUE(koru_.Execute(""));
  const auto report = Report();
  ASSERT_EQ(report.size(), 3u);
  // The platform names the program itself when the command line is empty.
  EXPECT_EQ(report[0].find(' '), std::string::npos) << report[0];
  EXPECT_EQ(report[1], ExtractFileDir(koru_.ExePath));
  EXPECT_EQ(report[2], "1");
}

TEST_F(KoruExecute, ParametersFollowThePathAndABlank) {
  ASSERT_FALSE(koru_.Execute("never-idle x"));  // it ends without waiting for input
  const auto report = Report();
  ASSERT_EQ(report.size(), 3u);
  EXPECT_EQ(report[0], koru_.ExePath + " never-idle x");
}

TEST_F(KoruExecute, AMissingProgramCannotStart) {
  koru_.ExePath = "C:\\Nowhere\\KORU.EXE";
  EXPECT_FALSE(koru_.Execute(""));
}

}  // namespace
