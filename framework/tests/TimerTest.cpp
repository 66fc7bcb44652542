#include "framework/Timer.h"

#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "platform/Messages.h"

namespace {

class TimerTest : public ::testing::Test {
 protected:
  void SetUp() override { win::test::ManualClock::Enable(); }
  void TearDown() override { win::test::ManualClock::Disable(); }

  // Moves the clock on and handles the messages now due, as the loop would.
  void Pass(win::DWORD ms) {
    win::test::ManualClock::Advance(ms);
    win::MSG msg;
    while (win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE)) win::DispatchMessageA(&msg);
  }

  TTimer timer{nullptr};
  int fired = 0;
  TNotifyEvent count = [this](TObject* sender) {
    EXPECT_EQ(sender, &timer);
    ++fired;
  };
};

TEST_F(TimerTest, StartsEnabledWithASecondAndFiresAtItsInterval) {
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u);
  timer.SetOnTimer(count);
  Pass(999);
  EXPECT_EQ(fired, 0);
  Pass(1);
  EXPECT_EQ(fired, 1);
  Pass(1000);
  EXPECT_EQ(fired, 2);
}

TEST_F(TimerTest, NoTimerWithoutHandlerOrInterval) {
  Pass(2000);  // no handler yet: nothing to call
  timer.SetInterval(0);
  timer.SetOnTimer(count);
  Pass(2000);
  EXPECT_EQ(fired, 0);
  timer.SetInterval(50);
  Pass(50);
  EXPECT_EQ(fired, 1);
  timer.SetOnTimer(nullptr);
  Pass(100);
  EXPECT_EQ(fired, 1);
}

TEST_F(TimerTest, DisablingStopsItAndEnablingStartsTheIntervalAnew) {
  timer.SetInterval(100);
  timer.SetOnTimer(count);
  timer.SetEnabled(false);
  Pass(500);
  EXPECT_EQ(fired, 0);
  timer.SetEnabled(true);
  Pass(99);
  EXPECT_EQ(fired, 0);
  Pass(1);
  EXPECT_EQ(fired, 1);
}

TEST_F(TimerTest, ChangingTheIntervalRestartsIt) {
  timer.SetInterval(100);
  timer.SetOnTimer(count);
  Pass(80);
  timer.SetInterval(300);
  Pass(220);  // the old interval would have fired by now
  EXPECT_EQ(fired, 0);
  Pass(80);
  EXPECT_EQ(fired, 1);
}

TEST_F(TimerTest, AnOwnedTimerGoesWithItsOwner) {
  int ownedFired = 0;
  {
    TComponent owner(nullptr);
    auto* owned = new TTimer(&owner);
    owned->SetInterval(10);
    owned->SetOnTimer([&](TObject*) { ++ownedFired; });
    win::test::ManualClock::Advance(10);  // a WM_TIMER is due when the owner goes
  }
  Pass(100);
  EXPECT_EQ(ownedFired, 0);
}

}  // namespace
