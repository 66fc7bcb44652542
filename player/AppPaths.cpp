#include "player/AppPaths.h"

#include "framework/SysUtils.h"
#include "platform/Errors.h"
#include "platform/Registry.h"

namespace koru {

namespace {

win::LONG SetString(win::HKEY key, const char* name, const std::string& value) {
  return win::RegSetValueExA(key, name, 0, win::REG_SZ, reinterpret_cast<const win::BYTE*>(value.c_str()),
                             static_cast<win::DWORD>(value.size() + 1));
}

win::LONG WriteEntry(win::HKEY root, const char* subKey, const std::string& exePath, bool withFolder) {
  win::HKEY key{};
  win::LONG result = win::RegCreateKeyExA(root, subKey, 0, nullptr, win::REG_OPTION_NON_VOLATILE, win::KEY_WRITE,
                                          nullptr, &key, nullptr);
  if (result != win::ERROR_SUCCESS) return result;
  result = SetString(key, nullptr, exePath);
  if (result == win::ERROR_SUCCESS && withFolder) result = SetString(key, "Path", ExtractFileDir(exePath));
  win::RegCloseKey(key);
  return result;
}

std::string ReadDefault(win::HKEY root, const char* subKey) {
  win::HKEY key{};
  if (win::RegOpenKeyExA(root, subKey, 0, win::KEY_READ, &key) != win::ERROR_SUCCESS) return {};
  char buffer[win::MAX_PATH * 4] = {};
  win::DWORD size = sizeof buffer;
  win::DWORD type = 0;
  const win::LONG result =
      win::RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<win::BYTE*>(buffer), &size);
  win::RegCloseKey(key);
  return result == win::ERROR_SUCCESS && type == win::REG_SZ ? std::string(buffer) : std::string();
}

}  // namespace

win::LONG RegisterPlayerPath(const std::string& exePath) {
  const win::LONG machine = WriteEntry(win::HKEY_LOCAL_MACHINE, kAppPathsKey, exePath, true);
  const win::LONG user = WriteEntry(win::HKEY_CURRENT_USER, kUserKey, exePath, false);
  return machine != win::ERROR_SUCCESS ? machine : user;
}

std::string RegisteredPlayerPath() {
  std::string path = ReadDefault(win::HKEY_LOCAL_MACHINE, kAppPathsKey);
  if (path.empty()) path = ReadDefault(win::HKEY_CURRENT_USER, kUserKey);
  return path;
}

}  // namespace koru
