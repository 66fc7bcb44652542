// The host object a plug-in gets in "_pinRun": its first member points to a
// table of operations, each called with the object itself first, in the
// manner of the platform's component interfaces, without reference
// counting. Plug-ins call slots 1, 2, 8, 13 and 15; the others are there for
// any plug-in that wants them. The declaration is the plug-in's view too.
#pragma once

#include <string>

#include "platform/Types.h"

class TControl;
class TForm;

struct TPinHost {
  virtual win::LONG HostVersion() = 0;                                     // 0: the newest plug-in version run
  virtual bool AcceptsVersion(win::LONG version) = 0;                      // 1
  virtual void Unload() = 0;                                               // 2: end this plug-in
  virtual win::LONG GetMainWindow() = 0;                                   // 3: the player's main window
  virtual const char* GetExePath() = 0;                                    // 4
  virtual const char* GetSettingsPath() = 0;                               // 5: the player's settings file
  virtual win::LONG GetPluginCount() = 0;                                  // 6: plug-ins loaded now
  virtual win::HMODULE GetModule() = 0;                                    // 7: this plug-in's module
  virtual const char* GetPluginPath() = 0;                                 // 8
  virtual const char* GetPluginName() = 0;                                 // 9: the file-name part of the path
  virtual win::LONG GetPlayStatus() = 0;                                   // 10
  virtual win::LONG NotifyPlugins(win::DWORD event, win::LONG param) = 0;  // 11: posts to every registered window
  virtual win::LONG GetTrack() = 0;                                        // 12: the current play-list index
  virtual TControl* GetControl(win::LONG id) = 0;                          // 13: a control of the player's form, or null
  virtual win::LONG GetControlCount() = 0;                                 // 14
  virtual TForm* GetOwnerForm() = 0;                                       // 15: the owner for a plug-in's windows

 protected:
  ~TPinHost() = default;
};

namespace koru {

class Player;
class PluginLoader;

// Control ids of the player's form that plug-ins ask for.
constexpr win::LONG kControlLyrics = 19;  // the lyrics display, in the player's own lyrics colours

// The host object of one loaded plug-in.
class PlayerPinHost final : public TPinHost {
 public:
  PlayerPinHost(Player& player, PluginLoader& loader, win::HMODULE module, std::string path);

  win::LONG HostVersion() override;
  bool AcceptsVersion(win::LONG version) override;
  void Unload() override;
  win::LONG GetMainWindow() override;
  const char* GetExePath() override;
  const char* GetSettingsPath() override;
  win::LONG GetPluginCount() override;
  win::HMODULE GetModule() override;
  const char* GetPluginPath() override;
  const char* GetPluginName() override;
  win::LONG GetPlayStatus() override;
  win::LONG NotifyPlugins(win::DWORD event, win::LONG param) override;
  win::LONG GetTrack() override;
  TControl* GetControl(win::LONG id) override;
  win::LONG GetControlCount() override;
  TForm* GetOwnerForm() override;

 private:
  Player& player_;
  PluginLoader& loader_;
  win::HMODULE module_;
  std::string path_;
  std::string name_;
  std::string exePath_;
  std::string settingsPath_;
};

}  // namespace koru
