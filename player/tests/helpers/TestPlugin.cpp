// A small plug-in for the loading tests. It records what happens to it
// (and prints it, for people running scenario files) and, once started,
// links to the player as a plug-in does: its message window registers
// with the automation object, adds an item to menu 0x4000 and asks to be
// aborted when the item is clicked.
//
// Modes (TestPluginSetMode, before the player loads it):
//   "link"   (the default) as above
//   "unload" asks its host to unload it from inside "_pinRun"
//   "quiet"  only records its entry points
#include <cstdio>
#include <string>
#include <vector>

#include "framework/Forms.h"
#include "hostlink/Koru_tlb.h"
#include "platform/Messages.h"
#include "platform/Process.h"
#include "platform/Sync.h"
#include "platform/Window.h"
#include "player/PinHost.h"

namespace {

std::string mode = "link";
std::vector<std::string> events;
std::string eventText;
TPinHost* host = nullptr;
win::HWND window{};
win::UINT messageId = 0;
win::LONG menuItem = 0;
Koru_tlb::IKORUControl* control = nullptr;
Koru_tlb::IKORUMenu* menu = nullptr;

void Record(const std::string& event) {
  events.push_back(event);
  std::printf("test plug-in: %s\n", event.c_str());
  std::fflush(stdout);
}

win::LRESULT WindowProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
  if (message != messageId) return win::DefWindowProcA(hwnd, message, wParam, lParam);
  const auto event = static_cast<win::DWORD>(wParam);
  const auto param = static_cast<win::LONG>(lParam);
  char text[64];
  std::snprintf(text, sizeof text, "notification 0x%X %d", static_cast<unsigned>(event), static_cast<int>(param));
  Record(text);
  if (event == 2048 && param == menuItem && control) control->Abort(static_cast<win::LONG>(win::HandleId(hwnd)));
  return 1;
}

void Link() {
  messageId = win::RegisterWindowMessageA("WM_KORU");
  win::WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.lpszClassName = "KoruTestPluginWindow";
  win::RegisterClassA(&wc);
  window = win::CreateWindowExA(0, "KoruTestPluginWindow", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  win::IUnknown* unknown = nullptr;
  if (win::FAILED(win::CoCreateInstance(Koru_tlb::CLSID_KORU, nullptr, 21, win::IID_IUnknown,
                                        reinterpret_cast<void**>(&unknown)))) {
    Record("no automation object");
    return;
  }
  unknown->QueryInterface(Koru_tlb::IID_IKORUControl, reinterpret_cast<void**>(&control));
  unknown->QueryInterface(Koru_tlb::IID_IKORUMenu, reinterpret_cast<void**>(&menu));
  unknown->Release();
  const auto self = static_cast<win::LONG>(win::HandleId(window));
  win::BYTE pluginMode = 0;
  win::LONG run = 0;
  control->AddPlugin(static_cast<win::LONG>(win::HandleId(host->GetModule())),
                     static_cast<win::LONG>(win::GetCurrentProcessId()), self, &pluginMode, &run);
  control->SetEvent(self, static_cast<win::LONG>(0xEFFFF81F | 1024));
  win::BSTR caption = win::AnsiToBstr("Test plug-in");
  menu->Add(self, 0x4000, caption, &menuItem);
  win::SysFreeString(caption);
  Record("linked, mode " + std::to_string(pluginMode) + ", menu item " + std::to_string(menuItem));
}

void Unlink() {
  if (control) {
    control->RemovePlugin(static_cast<win::LONG>(win::HandleId(window)));
    control->Release();
    control = nullptr;
  }
  if (menu) {
    menu->Release();
    menu = nullptr;
  }
  if (window) win::DestroyWindow(window);
  window = nullptr;
  // The class names a procedure of this library, which may be unloaded now.
  win::UnregisterClassA("KoruTestPluginWindow", nullptr);
}

}  // namespace

extern "C" {

void TestPluginSetMode(const char* newMode) { mode = newMode; }

// The events so far, one a line.
const char* TestPluginEvents() {
  eventText.clear();
  for (const std::string& e : events) eventText += e + "\n";
  return eventText.c_str();
}

void _pinRun(TPinHost* pinHost) {
  host = pinHost;
  Record("run");
  if (!host->AcceptsVersion(6000)) {
    Record("refused");
    host->Unload();
    return;
  }
  const char* path = host->GetPluginPath();
  Record(std::string("path ") + (path ? path : "(none)"));
  if (TForm* form = host->GetOwnerForm()) Record("owner " + form->Name());
  if (TControl* lyrics = host->GetControl(19)) Record("control 19 " + lyrics->Name());
  if (mode == "unload") {
    host->Unload();
    Record("unload asked");
    return;
  }
  if (mode == "link") Link();
}

void _pinAbort() {
  Record("abort");
  Unlink();
  host = nullptr;
}

}  // extern "C"
