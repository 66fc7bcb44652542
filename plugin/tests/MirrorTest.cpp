// The lozenge in a player that mirrors mpv on a private session bus: it
// shows mpv's track and its buttons drive mpv.
#include <sdbus-c++/sdbus-c++.h>

#include "platform/Input.h"
#include "player/Mpris.h"
#include "player/MprisMirror.h"
#include "player/tests/PrivateBus.h"
#include "plugin/tests/LozengeFixture.h"

namespace lozenge_test {
namespace {

using koru::testing::Playerctl;

class Mirror : public LozengeTest {
 protected:
  void TearDown() override {
    // The mirror lets go of the bus before the bus goes.
    mirror_.reset();
    LozengeTest::TearDown();
    mpv_.reset();
    bus_.reset();
  }
  bool Until(const std::function<bool()>& done) { return koru::test::PumpUntil(done, 20000); }
  void ClickButton(ktvButton* button) {
    const TPoint at = form_->ClientToScreen(Point(button->Left() + 6, button->Top() + 6));
    win::test::Click({at.x, at.y});
    koru::test::PumpMessages();
  }
  static std::string MpvSays(const std::string& what) {
    return Playerctl({"-p", "mpv", what == "title" ? "metadata" : what, what == "title" ? "title" : ""}).out;
  }

  std::unique_ptr<koru::testing::PrivateBus> bus_ = std::make_unique<koru::testing::PrivateBus>();
  testsupport::TempDir music_;
  std::unique_ptr<koru::testing::BackgroundProgram> mpv_;
  std::unique_ptr<koru::MprisMirror> mirror_;
};

TEST_F(Mirror, TheLozengeFollowsAndDrivesMpv) {
  ASSERT_FALSE(bus_->Address().empty()) << "dbus-daemon did not start";
  koru::testing::WriteSilentWav(music_ / "one.wav", 60);
  koru::testing::WriteSilentWav(music_ / "two.wav", 90);
  mpv_ = std::make_unique<koru::testing::BackgroundProgram>(
      "mpv", koru::testing::MpvArguments({music_ / "one.wav", music_ / "two.wav"}), music_ / "mpv.log");
  ASSERT_TRUE(koru::testing::WaitForBusName("org.mpris.MediaPlayer2.mpv"));

  StartPlayer();
  std::string why;
  std::unique_ptr<sdbus::IConnection> connection = koru::mpris::ConnectSessionBus(why);
  ASSERT_TRUE(connection) << why;
  mirror_ = std::make_unique<koru::MprisMirror>(player(), std::move(connection), "mpv", [](const std::string&) {});
  ASSERT_TRUE(Load());
  form_->PopupTitle->Click();
  EXPECT_TRUE(Until([&] { return form_->LabelTitle->Caption() == "one.wav"; })) << form_->LabelTitle->Caption();

  ClickButton(form_->BtnDown);
  EXPECT_TRUE(Until([&] { return MpvSays("title") == "two.wav"; }));
  EXPECT_TRUE(Until([&] { return form_->LabelTitle->Caption() == "two.wav"; })) << form_->LabelTitle->Caption();

  ClickButton(form_->BtnPlay);
  EXPECT_TRUE(Until([&] { return MpvSays("status") == "Playing"; }));
  EXPECT_TRUE(Until([&] { return form_->BtnPlay->UpIndex() == 3; }));
  ClickButton(form_->BtnPlay);
  EXPECT_TRUE(Until([&] { return MpvSays("status") != "Playing"; }));
}

}  // namespace
}  // namespace lozenge_test
