// Playing animations: delays on the manual clock with the message loop
// kept running, stop requests and the waits for user input.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "framework/Application.h"
#include "framework/Timer.h"
#include "images/Gif.h"
#include "images/tests/support/GifBuilder.h"
#include "images/tests/support/GifTestSupport.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "platform/Sync.h"

using namespace giftest;

namespace {

const ColorTable kFour = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
constexpr win::UINT kPing = win::WM_USER + 7;

void Post(win::UINT message) { win::PostThreadMessageA(win::GetCurrentThreadId(), message, 0, 0); }

// Two one-pixel frames; the first has the given graphic control.
std::string TwoFrames(int disposal, int delay, bool userInput) {
  GifBuilder b;
  b.Header(2, 1, kFour, 1).GraphicControl(disposal, delay, -1, userInput).Image(0, 0, 1, 1, {0});
  b.Image(1, 0, 1, 1, {2}).Trailer();
  return b.Bytes();
}

class GifAnimationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    win::test::ManualClock::Enable();
    // A wait with nothing else to do jumps the clock to its timer.
    win::test::ManualClock::SetAutoAdvance(true);
    app = std::make_unique<TApplication>(nullptr);
    app->OnMessage = [this](win::MSG& msg, bool&) {
      messages.push_back({msg.message, win::GetTickCount()});
      if (msg.message == kPing && stopOnPing) gif.Stop = true;
    };
    gif.OnRendered = [this](TObject*, const TRect&) {
      rendered.push_back(win::GetTickCount());
      if (onRendered) onRendered();
    };
  }
  void TearDown() override {
    app.reset();
    win::test::ManualClock::Disable();
  }

  struct Seen {
    win::UINT message;
    win::DWORD tick;
  };
  bool Saw(win::UINT message) const {
    for (const Seen& s : messages)
      if (s.message == message) return true;
    return false;
  }

  std::unique_ptr<TApplication> app;
  ktvGIF gif{nullptr};
  TBitmap bitmap;
  std::vector<win::DWORD> rendered;
  std::vector<Seen> messages;
  std::function<void()> onRendered;
  bool stopOnPing = false;
};

TEST_F(GifAnimationTest, DelayWaitsItsTimeWithMessagesHandledThenDisposes) {
  TColor secondSees = 0;
  onRendered = [&] {
    if (rendered.size() == 1) Post(kPing);
    if (rendered.size() == 2) secondSees = PixelAt(bitmap, 0, 0);
  };
  Decode(gif, TwoFrames(2, 50, false), bitmap);
  ASSERT_EQ(rendered.size(), 2u);
  EXPECT_EQ(rendered[1] - rendered[0], 500u);
  ASSERT_TRUE(Saw(kPing));
  EXPECT_EQ(messages.front().tick, rendered[0]);  // handled at once, not after the delay
  EXPECT_EQ(secondSees, 0x00FF00u);               // disposed to the background before the next frame
}

TEST_F(GifAnimationTest, DelaysAreSkippedWhenNotHonoured) {
  gif.UseDelay = false;
  Decode(gif, TwoFrames(1, 300, false), bitmap);
  ASSERT_EQ(rendered.size(), 2u);
  EXPECT_EQ(rendered[1], rendered[0]);
}

TEST_F(GifAnimationTest, StopDuringTheDelayEndsTheWaitAndTheLoad) {
  stopOnPing = true;
  onRendered = [] { Post(kPing); };
  const win::DWORD start = win::GetTickCount();
  Decode(gif, TwoFrames(1, 100, false), bitmap);
  EXPECT_EQ(rendered.size(), 1u);
  EXPECT_LT(win::GetTickCount() - start, 1000u);
}

TEST_F(GifAnimationTest, UserInputEndsADelayEarly) {
  gif.OnUserInput = [this](TObject* sender) {
    EXPECT_EQ(sender, &gif);
    return Saw(win::WM_LBUTTONDOWN);
  };
  onRendered = [] { Post(win::WM_LBUTTONDOWN); };
  Decode(gif, TwoFrames(1, 200, true), bitmap);
  ASSERT_EQ(rendered.size(), 2u);
  EXPECT_LT(rendered[1] - rendered[0], 2000u);
}

TEST_F(GifAnimationTest, UserInputFlagWithoutDelayWaitsForTheEvent) {
  std::unique_ptr<TTimer> later;
  onRendered = [&] {
    if (rendered.size() > 1) return;
    later = std::make_unique<TTimer>(nullptr);
    later->SetInterval(250);
    later->SetOnTimer([](TObject*) { Post(win::WM_KEYDOWN); });
  };
  gif.OnUserInput = [this](TObject*) { return Saw(win::WM_KEYDOWN); };
  Decode(gif, TwoFrames(1, 0, true), bitmap);
  ASSERT_EQ(rendered.size(), 2u);
  EXPECT_EQ(rendered[1] - rendered[0], 250u);
}

TEST_F(GifAnimationTest, UserInputFlagWithoutAnEventDoesNotWait) {
  Decode(gif, TwoFrames(1, 0, true), bitmap);
  ASSERT_EQ(rendered.size(), 2u);
  EXPECT_EQ(rendered[1], rendered[0]);
}

TEST_F(GifAnimationTest, AnimateOffRendersOnlyTheFirstBlockWithoutWaiting) {
  gif.Animate = false;
  const win::DWORD start = win::GetTickCount();
  Decode(gif, TwoFrames(1, 100, false), bitmap);
  EXPECT_EQ(rendered.size(), 1u);
  EXPECT_EQ(win::GetTickCount(), start);
}

TEST(GifWithoutApplicationTest, DelaysRunTheThreadsOwnMessages) {
  win::test::ManualClock::Enable();
  win::test::ManualClock::SetAutoAdvance(true);
  ktvGIF gif(nullptr);
  TBitmap bitmap;
  std::vector<win::DWORD> rendered;
  gif.OnRendered = [&](TObject*, const TRect&) { rendered.push_back(win::GetTickCount()); };
  Decode(gif, TwoFrames(1, 7, false), bitmap);
  ASSERT_EQ(rendered.size(), 2u);
  EXPECT_EQ(rendered[1] - rendered[0], 70u);
  win::test::ManualClock::Disable();
}

}  // namespace
