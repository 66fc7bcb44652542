#include "platform/Prefix.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace win {

namespace {

std::string ChoosePrefix() {
  if (const char* p = std::getenv(kPrefixVariable); p && *p) return p;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return std::string(xdg) + "/lozg";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.local/share/lozg";
}

}  // namespace

const std::string& PlatformPrefix() {
  static const std::string prefix = [] {
    std::string p = ChoosePrefix();
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    std::error_code ignored;
    std::filesystem::create_directories(p, ignored);
    return p;
  }();
  return prefix;
}

}  // namespace win
