#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Com.h"
#include "platform/Desktop.h"
#include "platform/DeviceContext.h"
#include "platform/Gdi.h"
#include "platform/Raster.h"
#include "platform/LiveDesktop.h"
#include "platform/Window.h"
#include "player/PlayerTestApi.h"
#include "testsupport/XServer.h"

namespace {

// The player's report lines, for a test to wait on.
class Reports {
 public:
  void Add(const std::string& line) {
    std::lock_guard lock(lock_);
    lines_.push_back(line);
    changed_.notify_all();
  }
  // Waits for the line (a generous bound against a hang, not a measure).
  bool WaitFor(const std::string& line) {
    std::unique_lock lock(lock_);
    return changed_.wait_for(lock, std::chrono::seconds(15), [&] {
      for (const std::string& l : lines_)
        if (l == line) return true;
      return false;
    });
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<std::string> lines_;
};

class PlayerLive : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Running()) << "Xvfb could not be started";
    std::string error;
    ASSERT_TRUE(win::live::Start(win::live::Options{}, &error)) << error;
    koru::PlayerOptions options;
    options.readSettings = false;
    options.report = [this](const std::string& line) { reports_.Add(line); };
    player_ = koru::test::TestPlayer::StartOnOwnThread(options);
    ASSERT_NE(player_, nullptr);
    win::live::test::Flush();
    xwindow_ = win::live::test::XWindowOf(player_->MainWindow());
    ASSERT_NE(xwindow_, 0u);
  }
  void TearDown() override {
    player_.reset();
    win::live::Stop();
  }

  testsupport::XServer server_{1024, 768};
  Reports reports_;
  std::unique_ptr<koru::test::TestPlayer> player_;
  unsigned long xwindow_ = 0;
};

TEST_F(PlayerLive, TheScreenShowsThePlayersWindowAsItsSnapshotDoes) {
  const win::HWND main = player_->MainWindow();
  // The same moment on both sides: nothing left to paint, and the display caught up.
  player_->RunOnPlayerThread([] { win::test::PaintPending(); });
  win::live::test::Flush();
  const testsupport::XRect place = testsupport::WindowPlace(xwindow_);
  win::POINT client{0, 0};
  win::ClientToScreen(main, &client);
  EXPECT_EQ(place.left, client.x);
  EXPECT_EQ(place.top, client.y);
  const testsupport::ScreenImage screen = testsupport::ReadScreen();
  win::HBITMAP shot = win::test::SnapshotDesktop();
  win::HDC dc = win::CreateCompatibleDC(nullptr);
  win::HGDIOBJ old = win::SelectObject(dc, shot);
  int differing = 0;
  for (int y = place.top; y < place.bottom; ++y)
    for (int x = place.left; x < place.right; ++x) {
      const win::COLORREF c = win::GetPixel(dc, x, y);
      const uint32_t rgb = (win::GetRValue(c) << 16) | (win::GetGValue(c) << 8) | win::GetBValue(c);
      if (screen.At(x, y) != rgb) ++differing;
    }
  win::SelectObject(dc, old);
  win::DeleteDC(dc);
  win::DeleteObject(shot);
  EXPECT_EQ(differing, 0);
}

TEST_F(PlayerLive, MovingThePlayersXWindowMovesThePlayerWhichReportsIt) {
  const win::HWND main = player_->MainWindow();
  win::RECT before{};
  win::GetWindowRect(main, &before);
  win::POINT client{0, 0};
  win::ClientToScreen(main, &client);
  const int dx = 150;
  const int dy = 90;
  ASSERT_TRUE(testsupport::Xdotool({"windowmove", "--sync", std::to_string(xwindow_), std::to_string(client.x + dx),
                                    std::to_string(client.y + dy)}));
  const std::string expected =
      "window moved to " + std::to_string(before.left + dx) + ", " + std::to_string(before.top + dy);
  EXPECT_TRUE(reports_.WaitFor(expected)) << expected;
  win::RECT after{};
  win::GetWindowRect(main, &after);
  EXPECT_EQ(after.left, before.left + dx);
  EXPECT_EQ(after.top, before.top + dy);
}

}  // namespace
