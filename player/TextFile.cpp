#include "player/TextFile.h"

#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Handles.h"

namespace koru {

namespace {

// Closes a file handle on every way out.
class FileHandle {
 public:
  explicit FileHandle(win::HANDLE h) : h_(h) {}
  ~FileHandle() {
    if (Valid()) {
      const win::DWORD error = win::GetLastError();
      win::CloseHandle(h_);
      win::SetLastError(error);
    }
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool Valid() const { return h_ != win::INVALID_HANDLE_VALUE; }
  win::HANDLE get() const { return h_; }

 private:
  win::HANDLE h_;
};

}  // namespace

bool ReadTextFile(const std::string& path, std::string& text, size_t limit) {
  FileHandle file(
      win::CreateFileA(path.c_str(), win::GENERIC_READ, win::FILE_SHARE_READ, nullptr, win::OPEN_EXISTING, 0, nullptr));
  if (!file.Valid()) return false;
  win::DWORD high = 0;
  const win::DWORD low = win::GetFileSize(file.get(), &high);
  if (low == win::INVALID_FILE_SIZE && win::GetLastError() != win::ERROR_SUCCESS) return false;
  if (high != 0 || low > limit) {
    win::SetLastError(win::ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  std::string bytes(low, '\0');
  win::DWORD read = 0;
  if (low > 0 && !win::ReadFile(file.get(), bytes.data(), low, &read, nullptr)) return false;
  bytes.resize(read);
  text = std::move(bytes);
  return true;
}

bool WriteTextFile(const std::string& path, std::string_view text) {
  const std::string temporary = path + ".tmp";
  bool written = false;
  {
    FileHandle file(
        win::CreateFileA(temporary.c_str(), win::GENERIC_WRITE, 0, nullptr, win::CREATE_ALWAYS, 0, nullptr));
    if (!file.Valid()) return false;
    win::DWORD count = 0;
    written = win::WriteFile(file.get(), text.data(), static_cast<win::DWORD>(text.size()), &count, nullptr) &&
              count == text.size() && win::FlushFileBuffers(file.get());
    if (!written && win::GetLastError() == win::ERROR_SUCCESS) win::SetLastError(win::ERROR_WRITE_FAULT);
  }
  // The file is closed (once) before it goes or takes the old file's place.
  if (!written || !win::MoveFileExA(temporary.c_str(), path.c_str(), win::MOVEFILE_REPLACE_EXISTING)) {
    const win::DWORD error = win::GetLastError();
    win::DeleteFileA(temporary.c_str());
    win::SetLastError(error);
    return false;
  }
  return true;
}

bool FileExists(const std::string& path) {
  const win::DWORD attributes = win::GetFileAttributesA(path.c_str());
  return attributes != win::INVALID_FILE_ATTRIBUTES && !(attributes & win::FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace koru
