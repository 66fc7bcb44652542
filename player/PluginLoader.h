// Plug-in libraries of the player: loaded with the platform's LoadLibraryA,
// started through their export "_pinRun" with a host object of their own,
// and ended through "_pinAbort" before the library is freed: when the
// player quits, when a plug-in's window asks to be aborted, or when the
// plug-in asks its host to unload it. An unload asked for inside "_pinRun"
// takes effect once "_pinRun" has returned; one asked for later, after the
// message being handled, so a plug-in is never freed under its own feet.
//
// Plug-ins run on the player's user-interface thread; the loader's calls
// into them hold none of the player's locks.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Types.h"

class TControl;
class TForm;

namespace koru {

class Player;
class PlayerPinHost;

class PluginLoader {
 public:
  explicit PluginLoader(Player& player);
  ~PluginLoader();
  PluginLoader(const PluginLoader&) = delete;
  PluginLoader& operator=(const PluginLoader&) = delete;

  // Loads the library at the Windows path and runs its "_pinRun". False,
  // with nothing kept, when it cannot be loaded (the platform's error) or
  // lacks "_pinRun" (ERROR_PROC_NOT_FOUND).
  bool Load(const std::string& path);
  // Calls "_pinAbort" (when the library has one) and frees the library.
  // False for a module that is not a loaded plug-in.
  bool End(win::HMODULE module);
  void EndAll();
  // The plug-in's own request to end.
  void RequestEnd(win::HMODULE module);

  bool IsLoaded(win::HMODULE module) const;
  std::vector<std::string> Paths() const;
  size_t Count() const { return plugins_.size(); }

  // The newest host-object version plug-ins may ask for; older than 5000 or
  // newer than this is refused.
  win::LONG NewestHostVersion() const { return newestHostVersion_; }
  void SetNewestHostVersion(win::LONG version) { newestHostVersion_ = version; }

  // The player's form, owner of plug-in windows, and its controls by id
  // (their Tag); null while the player is not running.
  TForm* OwnerForm() const;
  TControl* Control(win::LONG id) const;
  win::LONG ControlCount() const;

 private:
  struct Loaded;
  Loaded* Find(win::HMODULE module) const;

  Player& player_;
  std::vector<std::unique_ptr<Loaded>> plugins_;
  win::LONG newestHostVersion_;
};

}  // namespace koru
