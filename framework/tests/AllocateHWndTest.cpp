// Utility windows: posted and sent messages reach the method; nothing does
// once the window is deallocated.
#include "framework/AllocateHWnd.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "platform/Messages.h"
#include "platform/Window.h"

namespace {

void Pump() {
  win::MSG msg;
  while (win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE)) win::DispatchMessageA(&msg);
}

TEST(AllocateHWnd, MessagesGoToTheMethod) {
  std::vector<TMessage> received;
  win::HWND wnd = AllocateHWnd([&](TMessage& m) {
    received.push_back(m);
    if (m.Msg == win::WM_USER) m.Result = 7;
  });
  ASSERT_TRUE(win::IsWindow(wnd));
  EXPECT_FALSE(win::IsWindowVisible(wnd));
  char className[32];
  win::GetClassNameA(wnd, className, sizeof className);
  EXPECT_STREQ(className, "TPUtilWindow");

  EXPECT_EQ(win::SendMessageA(wnd, win::WM_USER, 1, 2), 7);
  ASSERT_TRUE(win::PostMessageA(wnd, win::WM_USER + 1, 3, -4));
  Pump();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[1].Msg, win::WM_USER + 1);
  EXPECT_EQ(received[1].WParam, 3u);
  EXPECT_EQ(received[1].LParam, -4);

  const size_t before = received.size();
  DeallocateHWnd(wnd);
  EXPECT_FALSE(win::IsWindow(wnd));
  EXPECT_EQ(received.size(), before) << "the destruction's messages reached the method";
}

TEST(AllocateHWnd, WindowsAreIndependent) {
  int first = 0;
  int second = 0;
  win::HWND a = AllocateHWnd([&](TMessage& m) { first += m.Msg == win::WM_USER; });
  win::HWND b = AllocateHWnd([&](TMessage& m) { second += m.Msg == win::WM_USER; });
  win::SendMessageA(b, win::WM_USER, 0, 0);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 1);
  DeallocateHWnd(a);
  DeallocateHWnd(b);
}

TEST(AllocateHWnd, WhatTheMethodRaisesStopsAtTheApplication) {
  TApplication app(nullptr);
  std::vector<std::string> handled;
  app.OnException = [&](TObject*, Exception* e) { handled.push_back(e->Message); };
  win::HWND wnd = AllocateHWnd([](TMessage& m) {
    m.Result = 5;
    if (m.Msg == win::WM_USER) throw Exception("broken handler");
  });
  // Sent from another thread, the message is served while this thread waits.
  std::atomic<win::LRESULT> answer = -1;
  std::thread sender([&] {
    answer = win::SendMessageA(wnd, win::WM_USER, 0, 0);
    win::PostMessageA(wnd, win::WM_NULL, 0, 0);  // ends the wait below
  });
  win::MSG msg;
  while (answer == -1 && win::GetMessageA(&msg, nullptr, 0, 0)) win::DispatchMessageA(&msg);
  sender.join();
  EXPECT_EQ(answer, 5);
  EXPECT_EQ(handled, std::vector<std::string>{"broken handler"});
  DeallocateHWnd(wnd);
}

TEST(AllocateHWnd, WithoutAnApplicationTheCallerSeesWhatTheMethodRaised) {
  win::HWND wnd = AllocateHWnd([](TMessage& m) {
    if (m.Msg == win::WM_USER) throw Exception("broken handler");
  });
  EXPECT_THROW(win::SendMessageA(wnd, win::WM_USER, 0, 0), Exception);
  DeallocateHWnd(wnd);
}

}  // namespace
