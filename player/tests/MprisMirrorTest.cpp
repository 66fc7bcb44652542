// The player as the mirror of mpv (with its MPRIS plug-in) on a private
// session bus: it follows mpv's track, length, position and pause, hands
// the changes to a plug-in as notifications, sends the commands of the
// automation interface to mpv, and outlives mpv.
#include <sdbus-c++/sdbus-c++.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <mutex>

#include "platform/Paths.h"
#include "platform/Text.h"
#include "player/MprisMirror.h"
#include "player/tests/Fixture.h"
#include "player/tests/PrivateBus.h"

namespace koru::testing {
namespace {

constexpr char kMpvName[] = "org.mpris.MediaPlayer2.mpv";
constexpr win::DWORD kAllEvents = 0xFFFFFFFF;
constexpr int kPatienceMs = 20000;

class MprisMirrorTest : public PlayerTest {
 protected:
  void SetUp() override {
    PlayerTest::SetUp();
    bus_ = std::make_unique<PrivateBus>();
    ASSERT_FALSE(bus_->Address().empty()) << "dbus-daemon did not start";
    WriteSilentWav(music_ / "one.wav", 60);
    WriteSilentWav(music_ / "two.wav", 90);
    std::ofstream(music_ / "one.lrc") << "[00:01.00]first line\n[00:03.00]second line\n";
    StartPlayer();
    Register(sink_, kAllEvents);
  }

  void TearDown() override {
    koru_->RunOnPlayerThread([&] { mirror_.reset(); });
    peers_.clear();
    PlayerTest::TearDown();
    bus_.reset();
  }

  Player& player() { return koru_->player(); }

  // An mpv playing `files` of the music folder, paused at the start.
  void StartMpv(std::vector<std::string> files = {"one.wav", "two.wav"}, const std::string& busName = kMpvName) {
    for (std::string& file : files) file = music_ / file;
    peers_.push_back(std::make_unique<BackgroundProgram>("mpv", MpvArguments(files),
                                                         music_ / ("mpv" + std::to_string(peers_.size()) + ".log")));
    ASSERT_TRUE(peers_.back()->Started());
    if (!busName.empty()) {
      ASSERT_TRUE(WaitForBusName(busName)) << testsupport::ReadWholeFile(music_ / "mpv0.log");
    }
  }

  void Mirror(const std::string& name) {
    std::string why;
    std::unique_ptr<sdbus::IConnection> connection = mpris::ConnectSessionBus(why);
    ASSERT_TRUE(connection) << why;
    koru_->RunOnPlayerThread([&] {
      mirror_ = std::make_unique<MprisMirror>(player(), std::move(connection), name, [this](const std::string& line) {
        std::lock_guard lock(reportMutex_);
        reports_.push_back(line);
      });
    });
  }

  // Waits, the plug-in's notifications handled meanwhile, until `done` holds.
  static bool Until(const std::function<bool()>& done) { return test::PumpUntil(done, kPatienceMs); }

  std::string Title() {
    Track track;
    return player().GetTrackInfo(player().Track(), &track) == win::S_OK ? track.title : std::string();
  }
  // mpv tells the title first and the length once it has opened the file.
  bool Playing(const std::string& title) {
    return Until([&] { return Title() == title && player().Length() > 0; });
  }
  bool Near(win::LONG ms, win::LONG target) { return std::abs(ms - target) <= 100; }

  bool Reported(const std::string& line) {
    std::lock_guard lock(reportMutex_);
    return std::find(reports_.begin(), reports_.end(), line) != reports_.end();
  }

  static PlayerctlResult Mpv(std::vector<std::string> args) {
    args.insert(args.begin(), {"-p", "mpv"});
    return Playerctl(args);
  }

  std::unique_ptr<PrivateBus> bus_;
  testsupport::TempDir music_;
  std::vector<std::unique_ptr<BackgroundProgram>> peers_;  // the players on the bus
  std::unique_ptr<MprisMirror> mirror_;
  NotificationSink sink_;
  std::mutex reportMutex_;
  std::vector<std::string> reports_;
};

TEST_F(MprisMirrorTest, FollowsMpvsTrackLengthPositionAndPause) {
  StartMpv();
  Mirror("mpv");
  ASSERT_TRUE(Playing("one.wav"));
  EXPECT_EQ(mirror_->PeerName(), kMpvName);
  EXPECT_TRUE(Reported("mirroring org.mpris.MediaPlayer2.mpv"));
  EXPECT_EQ(player().Tracks(), 1);
  EXPECT_EQ(player().Length(), 60000);
  EXPECT_EQ(player().Status(), kStatusPaused);
  // The lyrics are the LRC file beside the local file.
  EXPECT_EQ(player().LyricsLines(), 2);
  Track track;
  ASSERT_EQ(player().GetTrackInfo(0, &track), win::S_OK);
  EXPECT_EQ(track.fileName, win::detail::ToWindowsPath(music_ / "one.wav"));

  // mpv has not played yet, so its null audio output holds nothing back
  // and a seek lands where it was asked to.
  Mpv({"position", "7"});
  EXPECT_TRUE(Until([&] { return Near(player().Position(), 7000); })) << player().Position();
  sink_.Clear();
  Mpv({"play"});
  EXPECT_TRUE(Until([&] { return player().Status() == kStatusPlaying; }));
  EXPECT_TRUE(sink_.WaitFor(kNotifyPlayStatus));
  Mpv({"pause"});
  EXPECT_TRUE(Until([&] { return player().Status() == kStatusPaused; }));

  sink_.Clear();
  Mpv({"next"});
  EXPECT_TRUE(Playing("two.wav"));
  EXPECT_EQ(player().Length(), 90000);
  EXPECT_EQ(player().LyricsLines(), 0);
  EXPECT_FALSE(sink_.WithCode(kNotifyStatus).empty());
}

TEST_F(MprisMirrorTest, TheAutomationInterfaceDrivesMpv) {
  StartMpv();
  Mirror("mpv");
  ASSERT_TRUE(Playing("one.wav"));
  Koru_tlb::IKORUControl& control = *client_->control;

  ASSERT_EQ(control.put_Position(9000), win::S_OK);
  EXPECT_TRUE(Until([&] { return Near(player().Position(), 9000); })) << player().Position();
  EXPECT_NEAR(std::atof(Mpv({"position"}).out.c_str()), 9.0, 0.1);

  ASSERT_EQ(control.Play(), win::S_OK);
  EXPECT_TRUE(Until([&] { return player().Status() == kStatusPlaying; }));
  EXPECT_EQ(Mpv({"status"}).out, "Playing");
  ASSERT_EQ(control.Pause(), win::S_OK);
  EXPECT_TRUE(Until([&] { return player().Status() == kStatusPaused; }));
  EXPECT_EQ(Mpv({"status"}).out, "Paused");

  ASSERT_EQ(control.Next(), win::S_OK);
  EXPECT_TRUE(Playing("two.wav"));
  EXPECT_EQ(Mpv({"metadata", "title"}).out, "two.wav");
  ASSERT_EQ(control.Back(), win::S_OK);
  EXPECT_TRUE(Playing("one.wav"));

  ASSERT_EQ(control.put_Volume(300), win::S_OK);
  EXPECT_TRUE(Until([&] { return player().Volume() == 300; }));
  EXPECT_NEAR(std::atof(Mpv({"volume"}).out.c_str()), 0.3, 0.001);

  ASSERT_EQ(control.put_Repeat(win::VARIANT_TRUE), win::S_OK);
  EXPECT_TRUE(Until([&] { return player().Repeat(); }));
  EXPECT_EQ(Mpv({"loop"}).out, "Playlist");
  ASSERT_EQ(control.put_Repeat(win::VARIANT_FALSE), win::S_OK);
  EXPECT_TRUE(Until([&] { return !player().Repeat(); }));
  EXPECT_EQ(Mpv({"loop"}).out, "None");

  ASSERT_EQ(control.Stop(), win::S_OK);
  EXPECT_TRUE(Until([&] { return Mpv({"status"}).out == "Stopped"; }));
}

TEST_F(MprisMirrorTest, MpvQuittingLeavesAnEmptyTrackUntilItReturns) {
  Mirror("mpv");
  EXPECT_TRUE(Reported("no MPRIS player named mpv on the bus yet"));
  StartMpv();
  ASSERT_TRUE(Playing("one.wav"));

  peers_.back()->Stop();
  EXPECT_TRUE(Until([&] { return player().Track() == -1; }));
  EXPECT_EQ(player().Tracks(), 0);
  EXPECT_NE(player().Status(), kStatusPlaying);
  EXPECT_TRUE(player().Running());
  EXPECT_TRUE(Reported("org.mpris.MediaPlayer2.mpv left the bus"));
  EXPECT_EQ(mirror_->PeerName(), "");

  StartMpv({"two.wav"});
  EXPECT_TRUE(Playing("two.wav"));
}

TEST_F(MprisMirrorTest, WithoutANameThePlayingPlayerIsFollowed) {
  StartMpv({"one.wav"});
  // A second mpv takes a name of its own process; it is the one playing.
  StartMpv({"two.wav"}, "");
  const std::string instance = std::string(kMpvName) + ".instance" + std::to_string(peers_.back()->Pid());
  ASSERT_TRUE(WaitForBusName(instance));
  const std::string second = instance.substr(sizeof "org.mpris.MediaPlayer2." - 1);
  // The choice is made as the mirror starts, so it starts once the second
  // mpv has opened its file and plays.
  ASSERT_TRUE(Until([&] { return Playerctl({"-p", second, "metadata", "title"}).out == "two.wav"; }));
  ASSERT_EQ(Playerctl({"-p", second, "play"}).exitCode, 0);
  ASSERT_TRUE(Until([&] { return Playerctl({"-p", second, "status"}).out == "Playing"; }));
  Mirror("");
  EXPECT_TRUE(Playing("two.wav"));
  EXPECT_EQ(mirror_->PeerName(), instance);
}

TEST_F(MprisMirrorTest, ThePlayListIsTheTrackListOfAPlayerThatOffersOne) {
  // Another koru, with a platform prefix of its own, offers its play list.
  std::vector<std::string> args = {"LOZG_PREFIX=" + music_ / "prefix", KORU_PROGRAM, "--fresh"};
  for (const char* title : {"Alpha", "Beta", "Gamma"}) {
    std::ofstream(music_ / (std::string(title) + ".trk")) << "[Track]\nTitle=" << title << "\nLength=40000\n";
    args.push_back(music_ / (std::string(title) + ".trk"));
  }
  peers_.push_back(std::make_unique<BackgroundProgram>("env", args, music_ / "koru.log"));
  ASSERT_TRUE(WaitForBusName("org.mpris.MediaPlayer2.koru")) << testsupport::ReadWholeFile(music_ / "koru.log");
  Mirror("koru");
  ASSERT_TRUE(Until([&] { return player().Tracks() == 3 && Title() == "Alpha"; }));
  Track third;
  ASSERT_EQ(player().GetTrackInfo(2, &third), win::S_OK);
  EXPECT_EQ(third.title, "Gamma");
  EXPECT_EQ(third.length, 40000);

  // Choosing a track of the play list goes to the other player's track.
  ASSERT_EQ(client_->control->put_Track(2), win::S_OK);
  EXPECT_TRUE(Until([&] { return Title() == "Gamma"; }));
  EXPECT_EQ(player().Track(), 2);
  EXPECT_EQ(Playerctl({"-p", "koru", "metadata", "title"}).out, "Gamma");
  Playerctl({"-p", "koru", "previous"});
  EXPECT_TRUE(Until([&] { return Title() == "Beta"; }));
}

TEST_F(MprisMirrorTest, KoruMirrorsMpvFromTheCommandLineWithAPlugIn) {
  StartMpv();
  // The mirror reads mpv as the player starts; the scenario gives it time.
  std::ofstream(music_ / "print.txt") << "wait 3000\nprint\nquit\n";
  const testsupport::ProgramResult run = testsupport::RunProgram(
      KORU_PROGRAM, {"--fresh", "--mirror", "mpv", "--plugin", KORU_TEST_PLUGIN, "--scenario", music_ / "print.txt"},
      music_.path());
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("mirroring org.mpris.MediaPlayer2.mpv"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("track: 1 of 1: one.wav"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("status: paused"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("test plug-in: linked"), std::string::npos) << run.out;
  EXPECT_EQ(Mpv({"metadata", "title"}).out, "one.wav");
}

}  // namespace
}  // namespace koru::testing
