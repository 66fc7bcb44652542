// Scenario files and the koru program: a person's script of play, waits,
// moves and clicks, with a plug-in loaded from it.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/Clock.h"
#include "platform/Com.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "player/MainWindow.h"
#include "player/PluginLoader.h"
#include "player/Scenario.h"
#include "player/tests/Fixture.h"
#include "testsupport/RunProgram.h"
#include "testsupport/TempDir.h"

namespace koru::testing {
namespace {

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

class KoruScenario : public ::testing::Test {
 protected:
  void SetUp() override {
    win::test::ManualClock::Enable();
    win::CoInitialize(nullptr);
    PlayerOptions options;
    options.report = [this](const std::string& line) { out_.push_back(line); };
    koru_ = test::TestPlayer::StartHere(options);
    ASSERT_TRUE(koru_);
    scenario_ = std::make_unique<Scenario>(
        koru_->player(), [this](const std::string& l) { out_.push_back(l); }, true, 100);
  }
  void TearDown() override {
    scenario_.reset();
    koru_.reset();
    win::CoUninitialize();
    win::test::ManualClock::Disable();
  }
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = folder_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  testsupport::TempDir folder_;
  std::vector<std::string> out_;
  std::unique_ptr<test::TestPlayer> koru_;
  std::unique_ptr<Scenario> scenario_;
};

TEST_F(KoruScenario, FollowsTheCommandsAndLoadsAPlugin) {
  Write("a.trk", "[Track]\r\nTitle=Alpha\r\nLength=1500\r\n");
  Write("b.trk", "[Track]\r\nTitle=Beta\r\nLength=0:02\r\n");
  const std::string file =
      Write("s.scn", std::string("# a comment\n\nadd a.trk\nadd b.trk\nplugin ") + KORU_TEST_PLUGIN +
                         "\nvolume 300\nplay\nwait 1600\nmove 50 60\nprint\n"
                         "menu 0xA000\nwait 100\nprint\nquit\nplay\n");
  ASSERT_TRUE(scenario_->RunFile(file));
  EXPECT_TRUE(scenario_->QuitRequested());
  EXPECT_TRUE(Contains(out_, "track 2: Beta"));
  EXPECT_TRUE(Contains(out_, "  track: 2 of 2: Beta"));
  EXPECT_TRUE(Contains(out_, "  volume: 300"));
  EXPECT_TRUE(Contains(out_, "  window: 50, 60, 400 x 120, shown"));
  EXPECT_TRUE(Contains(out_, "  plug-ins: 1 loaded, 1 windows registered"));
  EXPECT_TRUE(Contains(out_, "  plug-ins: 0 loaded, 0 windows registered"));
  EXPECT_TRUE(Contains(out_, "KORU closed"));
  // Nothing runs after quit.
  EXPECT_EQ(out_.back(), "KORU closed");
}

TEST_F(KoruScenario, StopsAtTheFirstLineThatFails) {
  const std::string file = Write("bad.scn", "volume 10\nvolume loud\nvolume 20\n");
  EXPECT_FALSE(scenario_->RunFile(file));
  EXPECT_TRUE(Contains(out_, "error: unknown or incomplete command: volume loud"));
  EXPECT_TRUE(Contains(out_, "error: line 2 of " + file));
  EXPECT_EQ(koru_->player().Volume(), 10);
  EXPECT_FALSE(scenario_->RunLine("add missing.trk"));
  EXPECT_FALSE(scenario_->RunLine("plugin /no/such/library.so"));
  EXPECT_FALSE(scenario_->RunFile(folder_ / "none.scn"));
}

// A scenario is UTF-8; the files it names beside it keep their Japanese names.
TEST_F(KoruScenario, NamesBesideTheScenarioMayBeJapanese) {
  Write("曲.trk", "[Track]\r\nTitle=Kyoku\r\nLength=1500\r\n");
  ASSERT_TRUE(scenario_->RunFile(Write("s.scn", "add 曲.trk\nsave 曲目.m3u\n")));
  Track track;
  ASSERT_EQ(koru_->player().GetTrackInfo(0, &track), win::S_OK);
  EXPECT_EQ(track.title, "Kyoku");
  EXPECT_EQ(track.fileName, win::detail::ToWindowsPath(folder_ / "曲.trk"));
  EXPECT_TRUE(std::filesystem::exists(folder_ / "曲目.m3u"));
}

TEST_F(KoruScenario, WaitsMoveTheClock) {
  const win::ULONGLONG before = win::GetTickCount64();
  ASSERT_TRUE(scenario_->RunLine("wait 1:05"));
  EXPECT_EQ(win::GetTickCount64() - before, 65000u);
}

// The main window shows the track, the time and the state in its labels,
// and a snapshot puts it on the screen's picture.
TEST_F(KoruScenario, TheMainWindowShowsThePlayerAndASnapshotIsWritten) {
  ASSERT_TRUE(scenario_->RunLine("add " + Write("a.trk", "[Track]\r\nTitle=Alpha\r\nLength=0:05\r\n")));
  ASSERT_TRUE(scenario_->RunLine("play"));
  ASSERT_TRUE(scenario_->RunLine("wait 2000"));
  const TFormKORU* form = koru_->player().Form();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->LabelTitle->Caption(), "001 Alpha");
  EXPECT_EQ(form->LabelTime->Caption(), "00:02 / 00:05");
  EXPECT_EQ(form->LabelState->Caption(), "playing");
  EXPECT_EQ(form->PanelLyrics->Caption(), "Alpha");  // a track without lyrics shows its title

  const std::string png = folder_ / "screen.png";
  ASSERT_TRUE(scenario_->RunLine("snapshot " + png));
  std::ifstream file(png, std::ios::binary);
  char signature[8] = {};
  file.read(signature, sizeof signature);
  EXPECT_EQ(std::string(signature + 1, 3), "PNG");
  EXPECT_FALSE(scenario_->RunLine("snapshot /no/such/folder/screen.png"));
}

TEST(KoruProgram, RunsTheDemoAndPrintsWhatHappens) {
  const std::string command = std::string("'") + KORU_PROGRAM + "' --manual-clock --fresh --plugin '" +
                              KORU_TEST_PLUGIN + "' --scenario '" + KORU_DEMO_DIR + "/demo.scn' '" + KORU_DEMO_DIR +
                              "/demo.kpl' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  EXPECT_EQ(pclose(pipe), 0) << output;
  for (const char* expected :
       {"play list", "track 1: Morning Light", "status: playing", "lyrics: line 1:", "test plug-in: linked",
        "window moved to 240, 160", "test plug-in: abort", "KORU closed"}) {
    EXPECT_NE(output.find(expected), std::string::npos) << expected << "\n" << output;
  }
}

TEST(KoruProgram, TakesJapaneseFileNamesFromTheCommandLine) {
  testsupport::TempDir dir;
  std::ofstream(dir / "曲.trk") << "[Track]\r\nTitle=Kyoku\r\nLength=1500\r\n";
  std::ofstream(dir / "print.scn") << "print\n";
  const testsupport::ProgramResult run = testsupport::RunProgram(
      KORU_PROGRAM, {"--manual-clock", "--fresh", dir / "曲.trk", "--scenario", dir / "print.scn"}, dir.path());
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("track: 1 of 1: Kyoku"), std::string::npos) << run.out;
}

TEST(KoruProgram, HelpPrintsTheWholeUsageAndSucceeds) {
  testsupport::TempDir dir;
  const testsupport::ProgramResult help = testsupport::RunProgram(KORU_PROGRAM, {"--help"}, dir.path());
  EXPECT_EQ(help.exitCode, 0) << help.err;
  for (const char* expected : {"usage: koru", "--manual-clock", "--fresh", "--scenario FILE", "--plugin LIBRARY",
                               "--help", "player/Scenario.h"})
    EXPECT_NE(help.out.find(expected), std::string::npos) << expected << "\n" << help.out;
  EXPECT_EQ(help.err, "");

  const testsupport::ProgramResult wrong = testsupport::RunProgram(KORU_PROGRAM, {"--no-such-option"}, dir.path());
  EXPECT_EQ(wrong.exitCode, 2);
  EXPECT_NE(wrong.err.find("usage: koru"), std::string::npos) << wrong.err;
}

}  // namespace
}  // namespace koru::testing
