#include "player/PinHost.h"

#include "framework/SysUtils.h"
#include "player/Player.h"
#include "player/PluginLoader.h"

namespace koru {

PlayerPinHost::PlayerPinHost(Player& player, PluginLoader& loader, win::HMODULE module, std::string path)
    : player_(player),
      loader_(loader),
      module_(module),
      path_(std::move(path)),
      name_(ExtractFileName(path_)),
      exePath_(player.ExePath()),
      settingsPath_(player.SettingsPath()) {}

win::LONG PlayerPinHost::HostVersion() { return loader_.NewestHostVersion(); }

bool PlayerPinHost::AcceptsVersion(win::LONG version) {
  return version >= kOldestHostVersion && version <= loader_.NewestHostVersion();
}

void PlayerPinHost::Unload() { loader_.RequestEnd(module_); }

win::LONG PlayerPinHost::GetMainWindow() { return player_.Handle(); }

const char* PlayerPinHost::GetExePath() { return exePath_.c_str(); }

const char* PlayerPinHost::GetSettingsPath() { return settingsPath_.c_str(); }

win::LONG PlayerPinHost::GetPluginCount() { return static_cast<win::LONG>(loader_.Count()); }

win::HMODULE PlayerPinHost::GetModule() { return module_; }

const char* PlayerPinHost::GetPluginPath() { return path_.c_str(); }

const char* PlayerPinHost::GetPluginName() { return name_.c_str(); }

win::LONG PlayerPinHost::GetPlayStatus() { return player_.Status(); }

win::LONG PlayerPinHost::NotifyPlugins(win::DWORD event, win::LONG param) {
  return player_.NotifyPlugins(event, param);
}

win::LONG PlayerPinHost::GetTrack() { return player_.Track(); }

TControl* PlayerPinHost::GetControl(win::LONG id) { return loader_.Control(id); }

win::LONG PlayerPinHost::GetControlCount() { return loader_.ControlCount(); }

TForm* PlayerPinHost::GetOwnerForm() { return loader_.OwnerForm(); }

}  // namespace koru
