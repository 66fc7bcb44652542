#include "player/PluginLoader.h"

#include <algorithm>

#include "framework/Forms.h"
#include "platform/Errors.h"
#include "platform/Messages.h"
#include "platform/Process.h"
#include "player/MainWindow.h"
#include "player/PinHost.h"
#include "player/Player.h"

namespace koru {

namespace {

using RunEntry = void (*)(TPinHost*);
using AbortEntry = void (*)();

}  // namespace

struct PluginLoader::Loaded {
  win::HMODULE module{};
  std::string path;
  std::unique_ptr<PlayerPinHost> host;
  RunEntry run = nullptr;
  AbortEntry abort = nullptr;
  bool inRun = false;
  bool endAfterRun = false;
  bool ending = false;
};

PluginLoader::PluginLoader(Player& player) : player_(player), newestHostVersion_(kNewestHostVersion) {}

PluginLoader::~PluginLoader() { EndAll(); }

TForm* PluginLoader::OwnerForm() const { return player_.Form(); }

TControl* PluginLoader::Control(win::LONG id) const {
  TForm* form = OwnerForm();
  for (int i = 0; form && i < form->ComponentCount(); ++i) {
    auto* control = dynamic_cast<TControl*>(form->Components(i));
    if (control && control->Tag == id) return control;
  }
  return nullptr;
}

win::LONG PluginLoader::ControlCount() const { return OwnerForm() ? OwnerForm()->ComponentCount() : 0; }

PluginLoader::Loaded* PluginLoader::Find(win::HMODULE module) const {
  auto it = std::find_if(plugins_.begin(), plugins_.end(), [module](const auto& p) { return p->module == module; });
  return it == plugins_.end() ? nullptr : it->get();
}

bool PluginLoader::IsLoaded(win::HMODULE module) const { return module && Find(module) != nullptr; }

std::vector<std::string> PluginLoader::Paths() const {
  std::vector<std::string> paths;
  for (const auto& p : plugins_) paths.push_back(p->path);
  return paths;
}

bool PluginLoader::Load(const std::string& path) {
  const win::HMODULE module = win::LoadLibraryA(path.c_str());
  if (!module) return false;
  if (Find(module)) {
    // The same library twice is one plug-in; the extra load is given back.
    win::FreeLibrary(module);
    win::SetLastError(win::ERROR_ALREADY_EXISTS);
    return false;
  }
  auto run = reinterpret_cast<RunEntry>(win::GetProcAddress(module, "_pinRun"));
  if (!run) {
    win::FreeLibrary(module);
    win::SetLastError(win::ERROR_PROC_NOT_FOUND);
    return false;
  }
  char fullPath[win::MAX_PATH * 4] = {};
  win::GetModuleFileNameA(module, fullPath, sizeof fullPath);

  auto plugin = std::make_unique<Loaded>();
  plugin->module = module;
  plugin->path = fullPath;
  plugin->host = std::make_unique<PlayerPinHost>(player_, *this, module, plugin->path);
  plugin->run = run;
  plugin->abort = reinterpret_cast<AbortEntry>(win::GetProcAddress(module, "_pinAbort"));
  Loaded* loaded = plugin.get();
  plugins_.push_back(std::move(plugin));

  loaded->inRun = true;
  loaded->run(loaded->host.get());
  loaded = Find(module);
  if (!loaded) return true;  // it was ended from inside its own start
  loaded->inRun = false;
  if (loaded->endAfterRun) End(module);
  return true;
}

bool PluginLoader::End(win::HMODULE module) {
  Loaded* plugin = Find(module);
  if (!plugin || plugin->ending) return false;
  plugin->ending = true;
  if (plugin->abort) plugin->abort();
  player_.ForgetPlugin(module);
  auto it = std::find_if(plugins_.begin(), plugins_.end(), [module](const auto& p) { return p->module == module; });
  std::unique_ptr<Loaded> gone = std::move(*it);
  plugins_.erase(it);
  win::FreeLibrary(gone->module);
  return true;
}

void PluginLoader::EndAll() {
  while (!plugins_.empty()) End(plugins_.back()->module);
}

void PluginLoader::RequestEnd(win::HMODULE module) {
  Loaded* plugin = Find(module);
  if (!plugin || plugin->ending) return;
  if (plugin->inRun) {
    plugin->endAfterRun = true;
    return;
  }
  if (const win::HWND window = player_.MainWindowHandle()) {
    win::PostMessageA(window, kEndPlugin, static_cast<win::WPARAM>(win::HandleId(module)), 0);
  } else {
    End(module);
  }
}

}  // namespace koru
