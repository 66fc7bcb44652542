#include "browse/File.h"

#include "framework/SysUtils.h"
#include "platform/Paths.h"
#include "platform/Types.h"

std::string FileNamePart(std::string_view Path) {
  int last = LastDelimiter("\\", Path);
  if (last == 0) last = LastDelimiter(":", Path);
  return std::string(Path.substr(static_cast<size_t>(last)));
}

std::string DirectoryPart(std::string_view Path) {
  return std::string(Path.substr(0, Path.size() - FileNamePart(Path).size()));
}

std::string JoinPath(std::string_view A, std::string_view B) {
  while (!B.empty() && B.front() == '\\') B.remove_prefix(1);
  std::string joined(A);
  if (!A.empty() && !IsDelimiter("\\:", A, static_cast<int>(A.size()))) joined += '\\';
  joined += B;
  return joined;
}

std::string ExtensionPart(std::string_view Path) {
  const std::string name = FileNamePart(Path);
  const int dot = LastDelimiter(".", name);
  return dot == 0 ? std::string() : name.substr(static_cast<size_t>(dot));
}

std::string FullPath(std::string_view Name) {
  char buffer[win::MAX_PATH];
  const std::string name(Name);
  const win::DWORD length = win::GetFullPathNameA(name.c_str(), win::MAX_PATH, buffer, nullptr);
  if (length == 0 || length >= win::MAX_PATH) return {};
  return std::string(buffer, length);
}
