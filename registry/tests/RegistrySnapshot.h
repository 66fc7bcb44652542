// A registry tree as text, to compare a tree before and after a change
// byte for byte: every key (in the registry's order) with every value's
// name, type and data bytes (in the registry's order), recursively.
#pragma once

#include <cstdio>
#include <string>

#include "platform/Errors.h"
#include "platform/Registry.h"

namespace testsupport {

inline std::string HexBytes(const std::string& data) {
  std::string hex;
  char byte[4];
  for (unsigned char c : data) {
    std::snprintf(byte, sizeof byte, "%02x ", c);
    hex += byte;
  }
  return hex;
}

inline void DumpKey(win::HKEY key, const std::string& path, std::string& out) {
  out += "[" + path + "]\n";
  for (win::DWORD index = 0;; ++index) {
    char name[16384];
    std::string data(1 << 16, '\0');
    win::DWORD nameSize = sizeof name, dataSize = static_cast<win::DWORD>(data.size()), type = 0;
    if (win::RegEnumValueA(key, index, name, &nameSize, nullptr, &type, reinterpret_cast<win::BYTE*>(data.data()),
                           &dataSize) != win::ERROR_SUCCESS)
      break;
    out += "  \"" + std::string(name, nameSize) + "\" type " + std::to_string(type) + ": " +
           HexBytes(data.substr(0, dataSize)) + "\n";
  }
  for (win::DWORD index = 0;; ++index) {
    char name[256];
    win::DWORD size = sizeof name;
    if (win::RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) != win::ERROR_SUCCESS) break;
    win::HKEY child = nullptr;
    if (win::RegOpenKeyExA(key, name, 0, win::KEY_READ, &child) != win::ERROR_SUCCESS) {
      out += "[" + path + "\\" + name + "] (cannot be opened)\n";
      continue;
    }
    DumpKey(child, path + "\\" + std::string(name, size), out);
    win::RegCloseKey(child);
  }
}

// The tree below `root`\`path`, or "(no key)".
inline std::string Snapshot(win::HKEY root, const std::string& path = "") {
  win::HKEY key = nullptr;
  if (win::RegOpenKeyExA(root, path.c_str(), 0, win::KEY_READ, &key) != win::ERROR_SUCCESS) return "(no key)\n";
  std::string out;
  DumpKey(key, path, out);
  win::RegCloseKey(key);
  return out;
}

// Both trees an association touches.
inline std::string SnapshotAll() {
  return Snapshot(win::HKEY_CLASSES_ROOT) + Snapshot(win::HKEY_LOCAL_MACHINE) + Snapshot(win::HKEY_CURRENT_USER);
}

}  // namespace testsupport
