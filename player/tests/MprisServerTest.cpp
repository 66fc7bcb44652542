// The player as an MPRIS player on a private session bus: playerctl sees
// its track and drives it, the changes reach a plug-in as notifications,
// and the bus hears of them through PropertiesChanged and Seeked.
#include <sdbus-c++/sdbus-c++.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <mutex>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "player/MprisServer.h"
#include "player/tests/Fixture.h"
#include "player/tests/PrivateBus.h"

namespace koru::testing {
namespace {

constexpr char kName[] = "org.mpris.MediaPlayer2.koru";
constexpr win::DWORD kAllEvents = 0xFFFFFFFF;
constexpr int kPatienceMs = 20000;

std::string HostPathOf(const std::string& windowsPath) { return win::detail::ToHostPath(windowsPath); }

double Number(const std::string& text) { return std::atof(text.c_str()); }

class MprisServerTest : public PlayerTest {
 protected:
  void SetUp() override {
    PlayerTest::SetUp();
    bus_ = std::make_unique<PrivateBus>();
    ASSERT_FALSE(bus_->Address().empty()) << "dbus-daemon did not start";
    // Tests run whole in one process share the prefix: the folder may be there.
    win::CreateDirectoryA("C:\\music", nullptr);
    WriteTrack("C:\\music\\one.trk", "One", "First Artist", 20000);
    WriteTrack("C:\\music\\two.trk", "Two", "Second Artist", 30000);
    PlayerOptions options;
    options.readSettings = false;
    StartPlayer(options);
    ASSERT_EQ(player().AddFile("C:\\music\\one.trk"), win::S_OK);
    ASSERT_EQ(player().AddFile("C:\\music\\two.trk"), win::S_OK);
    Register(sink_, kAllEvents);
    std::string why;
    std::unique_ptr<sdbus::IConnection> connection = mpris::ConnectSessionBus(why);
    ASSERT_TRUE(connection) << why;
    koru_->RunOnPlayerThread([&] { server_ = std::make_unique<MprisServer>(player(), std::move(connection)); });
    sink_.Clear();
  }

  void TearDown() override {
    koru_->RunOnPlayerThread([&] { server_.reset(); });
    PlayerTest::TearDown();
    bus_.reset();
  }

  Player& player() { return koru_->player(); }

  static PlayerctlResult Koru(std::vector<std::string> args) {
    args.insert(args.begin(), {"-p", "koru"});
    return Playerctl(args);
  }

  // Whether a notification of this event with this value reached the plug-in.
  bool Notified(win::DWORD event, win::LONG param) {
    return test::PumpUntil(
        [&] {
          for (const Notification& n : sink_.Received()) {
            if (n.event == event && n.param == param) return true;
          }
          return false;
        },
        kPatienceMs);
  }

  std::unique_ptr<PrivateBus> bus_;
  std::unique_ptr<MprisServer> server_;
  NotificationSink sink_;
};

TEST_F(MprisServerTest, PlayerctlFindsThePlayerAndShowsItsTrack) {
  EXPECT_EQ(server_->BusName(), kName);
  EXPECT_EQ(Playerctl({"-l"}).out, "koru");
  EXPECT_EQ(Koru({"metadata", "title"}).out, "One");
  EXPECT_EQ(Koru({"metadata", "artist"}).out, "First Artist");
  EXPECT_EQ(Koru({"metadata", "mpris:length"}).out, "20000000");
  EXPECT_EQ(Koru({"metadata", "mpris:trackid"}).out, "'/org/koru/track/0'");
  EXPECT_EQ(Koru({"metadata", "xesam:trackNumber"}).out, "1");
  EXPECT_EQ(Koru({"metadata", "xesam:url"}).out, "file://" + HostPathOf("C:\\music\\one.trk"));
  EXPECT_EQ(Koru({"status"}).out, "Stopped");
}

TEST_F(MprisServerTest, PlayerctlDrivesPlaybackAndThePlugInHearsOfIt) {
  ASSERT_EQ(Koru({"play"}).exitCode, 0);
  EXPECT_EQ(player().Status(), kStatusPlaying);
  EXPECT_TRUE(Notified(kNotifyPlayStatus, kStatusPlaying));
  EXPECT_EQ(Koru({"status"}).out, "Playing");

  Koru({"pause"});
  EXPECT_EQ(player().Status(), kStatusPaused);
  EXPECT_TRUE(Notified(kNotifyPlayStatus, kStatusPaused));
  // MPRIS's pause only pauses, where the player's own pause is a toggle.
  Koru({"pause"});
  EXPECT_EQ(player().Status(), kStatusPaused);
  Koru({"play-pause"});
  EXPECT_EQ(player().Status(), kStatusPlaying);

  Koru({"next"});
  EXPECT_EQ(player().Track(), 1);
  EXPECT_TRUE(Notified(StatusEvent(kStatusOpenTrack), 1));
  EXPECT_EQ(Koru({"metadata", "title"}).out, "Two");
  Koru({"previous"});
  EXPECT_EQ(player().Track(), 0);

  Koru({"stop"});
  EXPECT_EQ(player().Status(), kStatusStopped);
  EXPECT_TRUE(Notified(kNotifyPlayStatus, kStatusStopped));
}

TEST_F(MprisServerTest, PlayerctlSetsPositionVolumeLoopAndShuffle) {
  // Paused, the position stands still between the steps.
  Koru({"play"});
  Koru({"pause"});
  Koru({"position", "12"});
  EXPECT_EQ(player().Position(), 12000);
  EXPECT_TRUE(Notified(kNotifyPosition, 12000));
  EXPECT_DOUBLE_EQ(Number(Koru({"position"}).out), 12.0);
  Koru({"position", "3-"});
  EXPECT_EQ(player().Position(), 9000);
  // A seek past the end goes on to the next track.
  Koru({"position", "100+"});
  EXPECT_EQ(player().Track(), 1);

  Koru({"volume", "0.25"});
  EXPECT_EQ(player().Volume(), 250);
  EXPECT_TRUE(Notified(StatusEvent(kStatusChangeVolume), 250));
  EXPECT_DOUBLE_EQ(Number(Koru({"volume"}).out), 0.25);

  Koru({"loop", "Playlist"});
  EXPECT_TRUE(player().Repeat());
  EXPECT_TRUE(Notified(StatusEvent(kStatusRepeat), 1));
  EXPECT_EQ(Koru({"loop"}).out, "Playlist");
  Koru({"loop", "None"});
  EXPECT_FALSE(player().Repeat());
  EXPECT_TRUE(Notified(StatusEvent(kStatusRepeat), 0));
  // The player repeats whole lists only: a track's repeat is the nearest.
  Koru({"loop", "Track"});
  EXPECT_EQ(Koru({"loop"}).out, "Playlist");

  Koru({"shuffle", "On"});
  EXPECT_TRUE(player().Random());
  EXPECT_TRUE(Notified(StatusEvent(kStatusRandom), 1));
  EXPECT_EQ(Koru({"shuffle"}).out, "On");
}

TEST_F(MprisServerTest, OpenUriAddsALocalFileAndPlaysItButNothingElse) {
  const std::string three = "C:\\music\\" + SJ("三.trk");
  WriteTrack(three, "Three", "Third Artist", 10000);
  EXPECT_EQ(Koru({"open", "file://" + HostPathOf(three)}).exitCode, 0);
  EXPECT_EQ(player().Tracks(), 3);
  EXPECT_EQ(player().Track(), 2);
  EXPECT_EQ(player().Status(), kStatusPlaying);
  // The name travels as the host's UTF-8, percent-encoded, and back.
  EXPECT_EQ(Koru({"metadata", "xesam:url"}).out, "file://" + HostPathOf("C:\\music") + "/%E4%B8%89.trk");

  Koru({"open", "http://example.com/four.mp3"});
  Koru({"open", "file://" + HostPathOf("C:\\music\\missing.trk")});
  EXPECT_EQ(player().Tracks(), 3);
  EXPECT_EQ(player().Track(), 2);
}

// A client of the bus that records what the player signals.
class SignalRecorder {
 public:
  SignalRecorder() : connection_(sdbus::createSessionBusConnection()) {
    proxy_ = sdbus::createProxy(*connection_, kName, mpris::kObjectPath);
    proxy_->uponSignal("PropertiesChanged")
        .onInterface(mpris::kPropertiesInterface)
        .call([this](const std::string&, const mpris::Properties& changed, const std::vector<std::string>&) {
          std::lock_guard lock(mutex_);
          for (const auto& [name, value] : changed) changed_[name] = value;
          arrived_.notify_all();
        });
    proxy_->uponSignal("Seeked").onInterface(mpris::kPlayerInterface).call([this](int64_t position) {
      std::lock_guard lock(mutex_);
      seeked_.push_back(position);
      arrived_.notify_all();
    });
    proxy_->uponSignal("TrackListReplaced")
        .onInterface(mpris::kTrackListInterface)
        .call([this](const std::vector<sdbus::ObjectPath>& tracks, const sdbus::ObjectPath&) {
          std::lock_guard lock(mutex_);
          trackLists_.push_back(tracks);
          arrived_.notify_all();
        });
    proxy_->finishRegistration();
    connection_->enterEventLoopAsync();
  }
  ~SignalRecorder() { connection_->leaveEventLoop(); }

  // The value of the property's latest change, once `accept` takes it.
  template <typename T>
  bool WaitForChange(const std::string& property, const std::function<bool(const T&)>& accept) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::milliseconds(kPatienceMs), [&] {
      const auto it = changed_.find(property);
      return it != changed_.end() && it->second.containsValueOfType<T>() && accept(it->second.get<T>());
    });
  }

  bool WaitForSeek(int64_t position) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::milliseconds(kPatienceMs),
                             [&] { return std::find(seeked_.begin(), seeked_.end(), position) != seeked_.end(); });
  }

  bool WaitForTrackList(const std::vector<sdbus::ObjectPath>& tracks) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::milliseconds(kPatienceMs), [&] {
      return std::find(trackLists_.begin(), trackLists_.end(), tracks) != trackLists_.end();
    });
  }

  // Calls a method of the player's object as a client does.
  sdbus::IProxy& Proxy() { return *proxy_; }

 private:
  std::unique_ptr<sdbus::IConnection> connection_;
  std::unique_ptr<sdbus::IProxy> proxy_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  mpris::Properties changed_;
  std::vector<int64_t> seeked_;
  std::vector<std::vector<sdbus::ObjectPath>> trackLists_;
};

TEST_F(MprisServerTest, ChangesAreSignalledOnTheBus) {
  SignalRecorder bus;
  player().SetVolume(400);
  EXPECT_TRUE(bus.WaitForChange<double>("Volume", [](const double& v) { return v == 0.4; }));
  player().Play();
  EXPECT_TRUE(bus.WaitForChange<std::string>("PlaybackStatus", [](const std::string& s) { return s == "Playing"; }));
  player().Next();
  EXPECT_TRUE(bus.WaitForChange<mpris::Metadata>("Metadata", [](const mpris::Metadata& m) {
    return m.count("mpris:trackid") && m.at("mpris:trackid").get<sdbus::ObjectPath>() == "/org/koru/track/1";
  }));
  player().SetRepeat(true);
  EXPECT_TRUE(bus.WaitForChange<std::string>("LoopStatus", [](const std::string& s) { return s == "Playlist"; }));
  player().SetRandom(true);
  EXPECT_TRUE(bus.WaitForChange<bool>("Shuffle", [](const bool& on) { return on; }));
  player().Pause();
  player().SetPosition(5000);
  EXPECT_TRUE(bus.WaitForSeek(5000000));
  WriteTrack("C:\\music\\three.trk", "Three", "Third Artist", 10000);
  player().AddFile("C:\\music\\three.trk");
  EXPECT_TRUE(bus.WaitForTrackList({sdbus::ObjectPath("/org/koru/track/0"), sdbus::ObjectPath("/org/koru/track/1"),
                                    sdbus::ObjectPath("/org/koru/track/2")}));
}

TEST_F(MprisServerTest, APositionForAnotherTrackOrOutsideThisOneIsIgnored) {
  SignalRecorder bus;
  auto setPosition = [&](const std::string& track, int64_t position) {
    bus.Proxy()
        .callMethod("SetPosition")
        .onInterface(mpris::kPlayerInterface)
        .withArguments(sdbus::ObjectPath(track), position);
  };
  setPosition("/org/koru/track/1", 4000000);
  setPosition("/org/koru/track/0", -1);
  setPosition("/org/koru/track/0", 20000001);
  EXPECT_EQ(player().Position(), 0);
  setPosition("/org/koru/track/0", 4000000);
  EXPECT_EQ(player().Position(), 4000);
}

// The tests' own environment names no session bus.
TEST(MprisWithoutBus, KoruSaysOnceWhyMprisIsOffAndRunsOn) {
  const testsupport::TempDir work;
  std::ofstream(work / "quit.txt") << "print\nquit\n";
  const testsupport::ProgramResult run =
      testsupport::RunProgram(KORU_PROGRAM, {"--fresh", "--scenario", work / "quit.txt"}, work.path());
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  const size_t off = run.out.find("MPRIS off: no session bus");
  EXPECT_NE(off, std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("MPRIS off", off + 1), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("KORU closed"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace koru::testing
