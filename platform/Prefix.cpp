#include "platform/Prefix.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <system_error>

#include "platform/Paths.h"
#include "platform/Registry.h"

namespace win {

namespace {

std::string ChoosePrefix() {
  if (const char* p = std::getenv(kPrefixVariable); p && *p) return p;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return std::string(xdg) + "/lozg";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.local/share/lozg";
}

std::string Created(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  return folder;
}

struct Prefix {
  std::mutex lock;
  std::optional<std::string> folder;  // chosen on first use
};

Prefix& CurrentPrefix() {
  static auto* prefix = new Prefix;  // outlives static destructors that may still use the registry
  return *prefix;
}

}  // namespace

std::string PlatformPrefix() {
  Prefix& prefix = CurrentPrefix();
  std::lock_guard guard(prefix.lock);
  if (!prefix.folder) prefix.folder = Created(ChoosePrefix());
  return *prefix.folder;
}

namespace test {

void UsePrefix(const std::string& folder) {
  {
    Prefix& prefix = CurrentPrefix();
    std::lock_guard guard(prefix.lock);
    prefix.folder = Created(folder);
  }
  ReopenRegistry();
  detail::ForgetDrives();
}

}  // namespace test
}  // namespace win
