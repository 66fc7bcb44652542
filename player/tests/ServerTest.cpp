// The automation object's operations with the player's state behind them,
// called as a plug-in calls them: through the interfaces' tables.
#include <gtest/gtest.h>

#include "platform/Com.h"
#include "platform/Window.h"
#include "player/MainWindow.h"
#include "player/tests/Fixture.h"

namespace koru::testing {
namespace {

using KoruServer = PlayerTest;

TEST_F(KoruServer, AnswersVersionAndWindow) {
  StartPlayer();
  win::LONG version = 0;
  EXPECT_EQ(client_->control->get_Version(&version), win::S_OK);
  EXPECT_GE(version, 6100);
  EXPECT_EQ(client_->control->CheckVersion(4300), win::S_OK);
  EXPECT_NE(client_->control->CheckVersion(4301), win::S_OK);
  win::LONG handle = 0;
  EXPECT_EQ(client_->control->get_Handle(&handle), win::S_OK);
  EXPECT_EQ(win::HandleFromId<win::HWND>(handle), win::FindWindowA(kMainWindowClass, nullptr));
}

}  // namespace
}  // namespace koru::testing
