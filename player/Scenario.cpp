#include "player/Scenario.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>

#include "framework/SysUtils.h"
#include "platform/Clock.h"
#include "platform/Com.h"
#include "platform/Desktop.h"
#include "platform/Errors.h"
#include "platform/Input.h"
#include "platform/Menus.h"
#include "platform/Messages.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "player/Player.h"
#include "player/PluginLoader.h"

namespace koru {

namespace {

// The most mouse moves of one drag.
constexpr int64_t kMostDragSteps = 512;

// Decimal, or hexadecimal after "0x".
bool ParseNumber(const std::string& text, win::LONG& value) {
  int v = 0;
  if (!TryStrToInt(Trim(text), v)) return false;
  value = v;
  return true;
}

bool ParseFlag(const std::string& text, bool& on) {
  const std::string t = LowerCase(Trim(text));
  if (t == "on" || t == "1") {
    on = true;
  } else if (t == "off" || t == "0") {
    on = false;
  } else {
    return false;
  }
  return true;
}

std::string ResultText(win::HRESULT result) { return FormatC("0x%08X", {static_cast<win::DWORD>(result)}); }

bool ParseButton(const std::string& text, win::test::MouseButton& button) {
  const std::string t = LowerCase(Trim(text));
  if (t.empty() || t == "left") {
    button = win::test::MouseButton::Left;
  } else if (t == "right") {
    button = win::test::MouseButton::Right;
  } else if (t == "middle") {
    button = win::test::MouseButton::Middle;
  } else {
    return false;
  }
  return true;
}

// The words after the first `skip` of a line, each a file name.
std::vector<std::string> WordsAfter(const std::string& rest, int skip) {
  std::istringstream words(rest);
  std::vector<std::string> result;
  std::string word;
  for (int i = 0; words >> word; ++i)
    if (i >= skip) result.push_back(word);
  return result;
}

// "A/B/C" as the captions from the top menu down.
std::vector<std::string> CaptionPath(const std::string& path) {
  std::vector<std::string> captions;
  size_t start = 0;
  for (size_t slash; (slash = path.find('/', start)) != std::string::npos; start = slash + 1)
    captions.push_back(path.substr(start, slash - start));
  captions.push_back(path.substr(start));
  return captions;
}

}  // namespace

Scenario::Scenario(Player& player, std::function<void(const std::string&)> out, bool manualClock, win::UINT tickMs)
    : player_(player), out_(std::move(out)), manualClock_(manualClock), tickMs_(std::max<win::UINT>(tickMs, 1)) {}

std::string Scenario::WindowsPath(const std::string& name, const std::string& hostFolder) {
  if (name.size() >= 2 && name[1] == ':') return win::Utf8ToAnsi(name);
  return win::detail::ToWindowsPath(name.empty() || name[0] == '/' ? name : hostFolder + "/" + name);
}

// Lines are read into the Windows code page; names in them go back to the
// host's UTF-8 to be found beside the scenario.
std::string Scenario::PathInLine(const std::string& name) const { return WindowsPath(win::AnsiToUtf8(name), folder_); }

bool Scenario::Fail(const std::string& message) {
  out_("error: " + message);
  return false;
}

bool Scenario::RunFile(const std::string& hostPath) {
  std::ifstream file(hostPath, std::ios::binary);
  if (!file) return Fail("cannot read the scenario " + hostPath);
  const size_t slash = hostPath.rfind('/');
  folder_ = slash == std::string::npos ? "." : hostPath.substr(0, slash);
  std::string line;
  int number = 0;
  while (!quit_ && std::getline(file, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!RunLine(win::Utf8ToAnsi(line))) return Fail(FormatC("line %d of %s", {number, hostPath}));
  }
  return true;
}

void Scenario::Wait(win::DWORD ms) {
  auto pump = [this] {
    win::MSG msg;
    while (win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
      if (msg.message == win::WM_QUIT) {
        quit_ = true;
        continue;
      }
      win::DispatchMessageA(&msg);
    }
  };
  if (manualClock_) {
    for (win::DWORD left = ms; left > 0 && !quit_;) {
      const win::DWORD step = std::min<win::DWORD>(left, tickMs_);
      win::test::ManualClock::Advance(step);
      pump();
      left -= step;
    }
    pump();
    return;
  }
  const win::ULONGLONG deadline = win::GetTickCount64() + ms;
  pump();
  while (!quit_) {
    const win::ULONGLONG now = win::GetTickCount64();
    if (now >= deadline) break;
    win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, static_cast<win::DWORD>(deadline - now), win::QS_ALLINPUT);
    pump();
  }
}

bool Scenario::Drag(const std::string& rest) {
  std::istringstream words(rest);
  std::string x1, y1, x2, y2, buttonName;
  words >> x1 >> y1 >> x2 >> y2 >> buttonName;
  win::LONG fromX = 0, fromY = 0, toX = 0, toY = 0;
  win::test::MouseButton button{};
  if (!ParseNumber(x1, fromX) || !ParseNumber(y1, fromY) || !ParseNumber(x2, toX) || !ParseNumber(y2, toY) ||
      !ParseButton(buttonName, button))
    return false;
  win::test::MoveMouse({fromX, fromY});
  win::test::PressMouse(button);
  Wait(0);
  // In steps of a few pixels, as a hand moves; a drag far beyond any screen
  // takes longer steps rather than forever. 64-bit: points span all of LONG.
  const int64_t dx = int64_t{toX} - fromX;
  const int64_t dy = int64_t{toY} - fromY;
  const int64_t steps = std::clamp<int64_t>(std::max(std::abs(dx), std::abs(dy)) / 8, 1, kMostDragSteps);
  for (int64_t i = 1; i <= steps; ++i) {
    win::test::MoveMouse(
        {static_cast<win::LONG>(fromX + dx * i / steps), static_cast<win::LONG>(fromY + dy * i / steps)});
    Wait(0);
  }
  win::test::ReleaseMouse(button);
  Wait(0);
  return true;
}

bool Scenario::Drop(win::POINT at, const std::vector<std::string>& names) {
  std::vector<std::string> paths;
  for (const std::string& name : names) paths.push_back(PathInLine(name));
  std::vector<const char*> files;
  for (const std::string& path : paths) files.push_back(path.c_str());
  if (!win::test::DropFiles(at, files.data(), static_cast<int>(files.size())))
    return Fail(FormatC("no window takes files at %d, %d", {at.x, at.y}));
  Wait(0);
  return true;
}

bool Scenario::RunLine(const std::string& text) {
  const std::string line = Trim(text);
  if (line.empty() || line[0] == '#') return true;
  const size_t blank = line.find(' ');
  const std::string command = LowerCase(line.substr(0, blank));
  const std::string rest = blank == std::string::npos ? std::string() : Trim(line.substr(blank + 1));
  std::istringstream words(rest);
  std::string first;
  std::string second;
  words >> first >> second;
  win::LONG number = 0;
  win::LONG other = 0;
  bool flag = false;
  auto check = [&](win::HRESULT result) {
    return result == win::S_OK || result == win::S_FALSE ? true : Fail(command + " answered " + ResultText(result));
  };

  out_("> " + line);
  if (command == "play") {
    player_.Play();
  } else if (command == "pause") {
    player_.Pause();
  } else if (command == "stop") {
    player_.Stop();
  } else if (command == "next") {
    return check(player_.Next());
  } else if (command == "back") {
    return check(player_.Back());
  } else if (command == "eject") {
    player_.Eject();
  } else if ((command == "ff" || command == "rewind") && ParseFlag(first, flag)) {
    command == "ff" ? player_.FastForward(flag) : player_.Rewind(flag);
  } else if (command == "seek" && !rest.empty()) {
    const win::LONG ms = ParseLength(rest, -1);
    if (ms < 0) return Fail("seek needs a time (m:ss or milliseconds)");
    player_.SetPosition(ms);
  } else if (command == "track" && ParseNumber(first, number)) {
    return check(player_.SetTrack(number - 1));
  } else if (command == "volume" && ParseNumber(first, number)) {
    player_.SetVolume(number);
  } else if (command == "repeat" && ParseFlag(first, flag)) {
    player_.SetRepeat(flag);
  } else if (command == "random" && ParseFlag(first, flag)) {
    player_.SetRandom(flag);
  } else if (command == "display" && ParseNumber(first, number)) {
    player_.SetDisplayMode(number);
  } else if (command == "rate" && ParseNumber(first, number)) {
    player_.SetRate(number);
  } else if (command == "move" && ParseNumber(first, number) && ParseNumber(second, other)) {
    player_.MoveTo(number, other, true);
  } else if (command == "show" || command == "hide") {
    player_.SetVisible(command == "show");
  } else if (command == "ontop" && ParseFlag(first, flag)) {
    player_.SetStayOnTop(flag);
  } else if (command == "click" && ParseNumber(first, number)) {
    return check(player_.Click(number));
  } else if (command == "key" && ParseNumber(first, number)) {
    return check(player_.KeyDown(number, 0));
  } else if (command == "menu" && ParseNumber(first, number)) {
    return check(player_.ClickMenu(number));
  } else if (command == "menu-delete" && ParseNumber(first, number)) {
    return check(player_.RemoveMenuItem(number));
  } else if (command == "menus") {
    player_.ShowMenu();
    player_.ShowToolMenu();
  } else if (command == "add" && !rest.empty()) {
    return check(player_.AddFile(PathInLine(rest)));
  } else if (command == "load" && !rest.empty()) {
    return check(player_.LoadPlayList(PathInLine(rest)));
  } else if (command == "save" && !rest.empty()) {
    return check(player_.SavePlayList(PathInLine(rest)));
  } else if (command == "new") {
    player_.NewPlayList();
  } else if (command == "design" && !rest.empty()) {
    player_.SetDesign(PathInLine(rest));
  } else if (command == "plugin" && !rest.empty()) {
    const std::string path = PathInLine(rest);
    if (!player_.Plugins().Load(path)) return Fail(FormatC("cannot load %s (error %d)", {path, win::GetLastError()}));
  } else if (command == "end-plugins") {
    player_.Plugins().EndAll();
  } else if (command == "drag" && Drag(rest)) {
  } else if ((command == "lclick" || command == "rclick") && ParseNumber(first, number) &&
             ParseNumber(second, other)) {
    win::test::Click({number, other}, command == "lclick" ? win::test::MouseButton::Left : win::test::MouseButton::Right);
    Wait(0);
  } else if (command == "choose" && !rest.empty()) {
    win::test::QueueMenuChoice(CaptionPath(rest));
  } else if (command == "drop" && ParseNumber(first, number) && ParseNumber(second, other) &&
             !WordsAfter(rest, 2).empty()) {
    return Drop({number, other}, WordsAfter(rest, 2));
  } else if (command == "post" && ParseNumber(first, number) && ParseNumber(second, other)) {
    player_.NotifyPlugins(static_cast<win::DWORD>(number), other);
  } else if (command == "wait" && !rest.empty()) {
    const win::LONG ms = ParseLength(rest, -1);
    if (ms < 0) return Fail("wait needs a time (m:ss or milliseconds)");
    Wait(static_cast<win::DWORD>(ms));
  } else if (command == "snapshot" && !rest.empty()) {
    const std::string path = rest[0] == '/' ? rest : (snapshotFolder_.empty() ? folder_ : snapshotFolder_) + "/" + rest;
    win::test::PaintPending();
    if (!win::test::SaveDesktopPng(path)) return Fail("cannot write the snapshot " + path);
    out_("snapshot written: " + path);
  } else if (command == "print") {
    for (const std::string& state : player_.Describe()) out_("  " + state);
  } else if (command == "quit") {
    player_.Quit();
    quit_ = true;
  } else {
    return Fail("unknown or incomplete command: " + line);
  }
  return true;
}

}  // namespace koru
