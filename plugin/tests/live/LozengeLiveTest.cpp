// The real lozenge on a live X display of the test's own: its X window is
// cut to its outline, a drag of it on the X screen moves the docked player,
// the player's X window moved by the desktop takes the lozenge along, its
// popup menu is a real window whose items work, and keys typed on it reach
// the player.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "platform/Com.h"
#include "platform/Desktop.h"
#include "platform/LiveDesktop.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Regions.h"
#include "platform/Painting.h"
#include "platform/Window.h"
#include "player/PlayerTestApi.h"
#include "player/PluginLoader.h"
#include "plugin/Main.h"
#include "testsupport/XServer.h"

namespace {

using testsupport::XRect;

// Waits for `done` with a generous bound against a hang, not a measure.
bool Eventually(const std::function<bool()>& done) {
  for (int i = 0; i < 750; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}

bool InShape(const std::vector<XRect>& shape, int x, int y) {
  for (const XRect& r : shape)
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  return false;
}

class LozengeLive : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Running()) << "Xvfb could not be started";
    std::string error;
    ASSERT_TRUE(win::live::Start(win::live::Options{}, &error)) << error;
    const std::filesystem::path folder = win::detail::ToHostPath("C:\\Plugins");
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(LOZG_PLUGIN, folder / "LozgPlus.so", std::filesystem::copy_options::overwrite_existing);
    koru::PlayerOptions options;
    options.readSettings = false;
    koru_ = koru::test::TestPlayer::StartOnOwnThread(options);
    ASSERT_NE(koru_, nullptr);
    koru_->RunOnPlayerThread([this] {
      koru_->player().MoveTo(100, 200);
      koru_->player().Plugins().Load("C:\\Plugins\\LozgPlus.so");
      const win::HMODULE module = win::GetModuleHandleA("C:\\Plugins\\LozgPlus.so");
      auto** symbol = reinterpret_cast<TFormKORULozenge**>(win::GetProcAddress(module, "_FormKORULozenge"));
      form_ = symbol ? *symbol : nullptr;
      if (form_) form_->PopupPositionUpper->Click();
    });
    ASSERT_NE(form_, nullptr);
    Settle();
  }
  void TearDown() override {
    koru_.reset();
    win::live::Stop();
  }

  // Nothing left to paint, and the display caught up.
  void Settle() {
    koru_->RunOnPlayerThread([] { win::test::PaintPending(); });
    win::live::test::Flush();
  }
  std::pair<int, int> Place() {
    std::pair<int, int> place;
    koru_->RunOnPlayerThread([&] { place = {form_->Left(), form_->Top()}; });
    return place;
  }
  koru::Player& player() { return koru_->player(); }
  // A right click on the lozenge's skin; the popup menu's window and place.
  bool OpenPopupMenu(win::HWND& menu, win::RECT& place) {
    if (!testsupport::Xdotool({"mousemove", "--sync", "172", "145", "click", "3"})) return false;
    if (!Eventually([&] { return (menu = win::FindWindowA("#32768", nullptr)) != nullptr; })) return false;
    win::live::test::Flush();
    return win::GetWindowRect(menu, &place);
  }
  unsigned long XWindow() { return win::live::test::XWindowOf(form_->Handle()); }

  testsupport::XServer server_{1024, 768};
  std::unique_ptr<koru::test::TestPlayer> koru_;
  TFormKORULozenge* form_ = nullptr;
};

TEST_F(LozengeLive, TheXWindowIsCutToTheOutlineAndDraggingItMovesThePlayer) {
  ASSERT_EQ(Place(), std::make_pair(140, 140));
  const XRect place = testsupport::WindowPlace(XWindow());
  EXPECT_EQ(place.left, 140);
  EXPECT_EQ(place.top, 140);
  const std::vector<XRect> shape = testsupport::WindowShape(XWindow());
  int differing = 0;
  koru_->RunOnPlayerThread([&] {
    const win::HRGN region = win::CreateRectRgn(0, 0, 0, 0);
    win::GetWindowRgn(form_->Handle(), region);
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 320; ++x)
        if (InShape(shape, x, y) != static_cast<bool>(win::PtInRegion(region, x, y))) ++differing;
    win::DeleteObject(region);
  });
  EXPECT_EQ(differing, 0);
  EXPECT_FALSE(InShape(shape, 0, 0));  // a rounded corner is a hole

  // A person drags the skin from (172, 145) to (222, 95).
  // Each step is taken in before the next, as a hand is slower than a script.
  ASSERT_TRUE(testsupport::Xdotool({"mousemove", "--sync", "172", "145", "mousedown", "1"}));
  ASSERT_TRUE(Eventually([&] {
    int dragging = 0;
    koru_->RunOnPlayerThread([&] { dragging = form_->Dragging; });
    return dragging == 1;
  }));
  ASSERT_TRUE(testsupport::Xdotool({"mousemove", "--sync", "200", "120"}));
  ASSERT_TRUE(Eventually([&] { return Place() == std::make_pair(168, 115); }));
  ASSERT_TRUE(testsupport::Xdotool({"mousemove", "--sync", "222", "95"}));
  ASSERT_TRUE(Eventually([&] { return Place() == std::make_pair(190, 90); }));
  ASSERT_TRUE(testsupport::Xdotool({"mouseup", "1"}));
  EXPECT_TRUE(Eventually([&] { return player().Left() == 150 && player().Top() == 150; }))
      << player().Left() << ", " << player().Top();
  EXPECT_EQ(Place(), std::make_pair(190, 90));
}

TEST_F(LozengeLive, ThePlayerMovedByTheDesktopTakesTheDockedLozengeAlong) {
  const unsigned long playerWindow = win::live::test::XWindowOf(koru_->MainWindow());
  win::POINT client{0, 0};
  win::ClientToScreen(koru_->MainWindow(), &client);
  ASSERT_TRUE(testsupport::Xdotool({"windowmove", "--sync", std::to_string(playerWindow), std::to_string(client.x + 200),
                                    std::to_string(client.y + 100)}));
  EXPECT_TRUE(Eventually([&] { return Place() == std::make_pair(340, 240); }));
  Settle();
  const XRect place = testsupport::WindowPlace(XWindow());
  EXPECT_EQ(place.left, 340);
  EXPECT_EQ(place.top, 240);
}

TEST_F(LozengeLive, ThePopupMenuIsARealWindowAndItsItemsWork) {
  win::HWND menu = nullptr;
  win::RECT menuPlace{};
  ASSERT_TRUE(OpenPopupMenu(menu, menuPlace));
  // "スペアナ", the third item.
  ASSERT_TRUE(testsupport::Xdotool({"mousemove", "--sync", std::to_string(menuPlace.left + 30),
                                    std::to_string(menuPlace.top + 1 + 19 * 2 + 9), "click", "1"}));
  EXPECT_TRUE(Eventually([&] {
    int mode = -1;
    koru_->RunOnPlayerThread([&] { mode = form_->DisplayMode; });
    return mode == 2;
  }));
}

TEST_F(LozengeLive, TheDockingSubmenuOpensBesideItsItemAndDocksTheLozenge) {
  win::HWND menu = nullptr;
  win::RECT menuPlace{};
  ASSERT_TRUE(OpenPopupMenu(menu, menuPlace));
  // "表示位置", the fifth row under three items and a separator, opens its submenu.
  const int row = menuPlace.top + 1 + 19 * 3 + 9 + 9;
  ASSERT_TRUE(testsupport::Xdotool({"mousemove", "--sync", std::to_string(menuPlace.left + 30), std::to_string(row)}));
  win::HWND submenu = nullptr;
  ASSERT_TRUE(Eventually([&] {
    submenu = win::FindWindowExA(nullptr, nullptr, "#32768", nullptr);
    while (submenu == menu) submenu = win::FindWindowExA(nullptr, submenu, "#32768", nullptr);
    return submenu != nullptr;
  }));
  win::live::test::Flush();
  win::RECT subPlace{};
  win::GetWindowRect(submenu, &subPlace);
  // Along the row into the submenu, then down to "プレイヤー下", its third item.
  ASSERT_TRUE(testsupport::Xdotool({"mousemove", "--sync", std::to_string(subPlace.left + 30), std::to_string(row)}));
  ASSERT_TRUE(testsupport::Xdotool({"mousemove", "--sync", std::to_string(subPlace.left + 30),
                                    std::to_string(subPlace.top + 1 + 19 * 2 + 9), "click", "1"}));
  EXPECT_TRUE(Eventually([&] { return Place() == std::make_pair(140, 320); }));
  EXPECT_EQ(win::FindWindowA("#32768", nullptr), nullptr);
}

TEST_F(LozengeLive, KeysTypedOnTheLozengeReachThePlayer) {
  ASSERT_TRUE(testsupport::Xdotool({"mousemove", "--sync", "172", "145", "click", "1"}));
  Settle();
  koru_->Calls().Clear();
  ASSERT_TRUE(testsupport::Xdotool({"key", "space"}));
  EXPECT_TRUE(Eventually([&] {
    for (const auto& call : koru_->Calls().CallsOf("KeyDown"))
      if (call.arguments == "32, 0") return true;
    return false;
  }));
}

}  // namespace
