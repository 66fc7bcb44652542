// Helpers of the tree and list tests: folders under C: (the drive of the
// test's own prefix), a form to place the components on, and the main
// thread's loop run until a change has been shown.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "framework/Forms.h"
#include "framework/Thread.h"
#include "platform/Input.h"
#include "platform/Messages.h"
#include "platform/Paths.h"

namespace browsetest {

using namespace std::chrono_literals;

// Long enough for a change to arrive on a loaded machine.
constexpr auto kArrives = 5s;

// Serves the synchronised calls of the watchers and the messages they lead
// to, as the main thread's message loop does, until `done` or the limit.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = kArrives) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    CheckSynchronize(10);
    win::MSG msg;
    while (win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
      win::TranslateMessage(&msg);
      win::DispatchMessageA(&msg);
    }
  }
  return true;
}

// Handles the messages already waiting.
inline void Pump() {
  win::MSG msg;
  while (win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
    win::TranslateMessage(&msg);
    win::DispatchMessageA(&msg);
  }
}

// A fresh C:\data for every test, and a borderless form to hold controls.
class BrowseTest : public testing::Test {
 protected:
  void SetUp() override {
    drive_ = win::DriveFolder('C');
    ASSERT_FALSE(drive_.empty());
    std::filesystem::remove_all(Host("data"));
    Folder("data");
    form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 400, 300);
  }
  void TearDown() override {
    form.reset();
    std::error_code ignored;
    std::filesystem::remove_all(Host("data"), ignored);
  }

  std::string Host(const std::string& name) const { return drive_ + "/" + name; }
  void Folder(const std::string& name) const { std::filesystem::create_directories(Host(name)); }
  void Write(const std::string& name, size_t size = 1) const {
    std::ofstream file(Host(name), std::ios::binary);
    file << std::string(size, 'x');
  }

  std::string drive_;
  std::unique_ptr<TForm> form;
};

}  // namespace browsetest
