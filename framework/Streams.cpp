#include "framework/Streams.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>
#include <stdexcept>

#include "framework/Consts.h"
#include "framework/Exceptions.h"
#include "framework/SysUtils.h"
#include "platform/Errors.h"
#include "platform/Files.h"

// ---- TStream ----------------------------------------------------------------

void TStream::ReadBuffer(void* Buffer, int Count) {
  if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError(SReadError);
}

void TStream::WriteBuffer(const void* Buffer, int Count) {
  if (Count != 0 && Write(Buffer, Count) != Count) throw EWriteError(SWriteError);
}

int64_t TStream::CopyFrom(TStream* Source, int64_t Count) {
  if (Count < 0) throw EReadError(SReadError);
  if (Count == 0) {
    Source->SetPosition(0);
    Count = Source->Size();
  }
  constexpr int64_t kChunk = 0xF000;
  std::vector<char> buffer(static_cast<size_t>(std::min(Count, kChunk)));
  for (int64_t left = Count; left > 0;) {
    const int n = static_cast<int>(std::min(left, kChunk));
    Source->ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return Count;
}

int64_t TStream::Size() {
  const int64_t position = Seek(0, soFromCurrent);
  const int64_t size = Seek(0, soFromEnd);
  Seek(position, soFromBeginning);
  return size;
}

void TStream::SetSize(int64_t) {}

// ---- THandleStream ----------------------------------------------------------

int THandleStream::Read(void* Buffer, int Count) {
  if (Count <= 0) return 0;
  win::DWORD read = 0;
  win::ReadFile(handle_, Buffer, static_cast<win::DWORD>(Count), &read, nullptr);
  return static_cast<int>(read);
}

int THandleStream::Write(const void* Buffer, int Count) {
  if (Count <= 0) return 0;
  win::DWORD written = 0;
  win::WriteFile(handle_, Buffer, static_cast<win::DWORD>(Count), &written, nullptr);
  return static_cast<int>(written);
}

int64_t THandleStream::Seek(int64_t Offset, int Origin) {
  win::DWORD method = 0;
  switch (Origin) {
    case soFromBeginning: method = win::FILE_BEGIN; break;
    case soFromCurrent: method = win::FILE_CURRENT; break;
    case soFromEnd: method = win::FILE_END; break;
    default: return -1;
  }
  win::LARGE_INTEGER distance;
  distance.QuadPart = Offset;
  win::LARGE_INTEGER position;
  if (!win::SetFilePointerEx(handle_, distance, &position, method)) return -1;
  return position.QuadPart;
}

void THandleStream::SetSize(int64_t NewSize) {
  const int64_t position = Position();
  if (Seek(NewSize, soFromBeginning) < 0 || !win::SetEndOfFile(handle_)) {
    const win::DWORD error = win::GetLastError();
    Seek(position, soFromBeginning);
    RaiseLastOSError(static_cast<int>(error));
  }
  Seek(std::min(position, NewSize), soFromBeginning);
}

// ---- TFileStream ------------------------------------------------------------

namespace {

// The platform's share flags of the framework's share modes, by mode >> 4:
// compatible and exclusive share nothing, "deny write" lets others read,
// "deny read" lets them write, "deny none" both.
constexpr win::DWORD kShareFlags[] = {0, 0, win::FILE_SHARE_READ, win::FILE_SHARE_WRITE,
                                      win::FILE_SHARE_READ | win::FILE_SHARE_WRITE};

bool IsKnownShareMode(unsigned mode) { return (mode & 0xF0) >> 4 < std::size(kShareFlags); }

win::DWORD ShareFlags(unsigned mode) { return kShareFlags[(mode & 0xF0) >> 4]; }

win::HANDLE CreateNewFile(const std::string& name, unsigned mode) {
  win::HANDLE file = win::INVALID_HANDLE_VALUE;
  if (IsKnownShareMode(mode))
    file = win::CreateFileA(name.c_str(), win::GENERIC_READ | win::GENERIC_WRITE, ShareFlags(mode), nullptr,
                            win::CREATE_ALWAYS, win::FILE_ATTRIBUTE_NORMAL, nullptr);
  else
    win::SetLastError(win::ERROR_INVALID_PARAMETER);
  if (file == win::INVALID_HANDLE_VALUE) throw EFCreateError(Format(SFCreateError, {name}));
  return file;
}

win::HANDLE OpenExistingFile(const std::string& name, unsigned mode) {
  static constexpr win::DWORD kAccess[] = {win::GENERIC_READ, win::GENERIC_WRITE,
                                           win::GENERIC_READ | win::GENERIC_WRITE};
  const unsigned access = mode & 0x3;
  win::HANDLE file = win::INVALID_HANDLE_VALUE;
  if (access < std::size(kAccess) && IsKnownShareMode(mode))
    file = win::CreateFileA(name.c_str(), kAccess[access], ShareFlags(mode), nullptr, win::OPEN_EXISTING,
                            win::FILE_ATTRIBUTE_NORMAL, nullptr);
  else
    win::SetLastError(win::ERROR_INVALID_PARAMETER);
  if (file == win::INVALID_HANDLE_VALUE) throw EFOpenError(Format(SFOpenError, {name}));
  return file;
}

}  // namespace

TFileStream::TFileStream(const std::string& FileName, unsigned Mode)
    : THandleStream((Mode & fmCreate) == fmCreate ? CreateNewFile(FileName, Mode) : OpenExistingFile(FileName, Mode)) {}

TFileStream::~TFileStream() { win::CloseHandle(Handle()); }

// ---- TCustomMemoryStream ----------------------------------------------------

int TCustomMemoryStream::Read(void* Buffer, int Count) {
  if (Count <= 0 || position_ >= size_) return 0;
  const int n = static_cast<int>(std::min<int64_t>(Count, size_ - position_));
  std::memcpy(Buffer, memory_ + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TCustomMemoryStream::Seek(int64_t Offset, int Origin) {
  int64_t base = 0;
  switch (Origin) {
    case soFromBeginning:
      break;
    case soFromCurrent:
      base = position_;
      break;
    case soFromEnd:
      base = size_;
      break;
    default:
      return -1;
  }
  if (Offset < -base) return -1;
  position_ = base + Offset;
  return position_;
}

void TCustomMemoryStream::SaveToStream(TStream* Stream) {
  Stream->WriteBuffer(memory_, static_cast<int>(size_));
}

void TCustomMemoryStream::SaveToFile(const std::string& FileName) {
  TFileStream file(FileName, fmCreate);
  SaveToStream(&file);
}

void TCustomMemoryStream::SetPointer(void* Ptr, int64_t Size) {
  memory_ = static_cast<uint8_t*>(Ptr);
  size_ = Size;
}

// ---- TMemoryStream ----------------------------------------------------------

void TMemoryStream::Resize(int64_t size) {
  try {
    data_.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    throw EStreamError(SMemoryStreamError);
  } catch (const std::length_error&) {
    throw EStreamError(SMemoryStreamError);
  }
  SetPointer(data_.data(), size);
}

int TMemoryStream::Write(const void* Buffer, int Count) {
  const int64_t position = CurrentPosition();
  if (Count <= 0) return 0;
  const int64_t end = position + Count;
  if (end > CurrentSize()) Resize(end);
  std::memcpy(data_.data() + position, Buffer, static_cast<size_t>(Count));
  Seek(end, soFromBeginning);
  return Count;
}

void TMemoryStream::SetSize(int64_t NewSize) {
  if (NewSize < 0) return;
  const int64_t position = CurrentPosition();
  Resize(NewSize);
  if (position > NewSize) Seek(0, soFromEnd);
}

void TMemoryStream::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  SetPointer(nullptr, 0);
  Seek(0, soFromBeginning);
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
  Stream->SetPosition(0);
  const int64_t count = Stream->Size();
  SetSize(count);
  Stream->ReadBuffer(Memory(), static_cast<int>(count));
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

// ---- TStringStream ----------------------------------------------------------

TStringStream::TStringStream(std::string_view AString) {
  WriteString(AString);
  SetPosition(0);
}

std::string TStringStream::DataString() const {
  return std::string(static_cast<const char*>(Memory()), static_cast<size_t>(CurrentSize()));
}

std::string TStringStream::ReadString(int Count) {
  std::string text(static_cast<size_t>(std::max(Count, 0)), '\0');
  text.resize(static_cast<size_t>(Read(text.data(), Count)));
  return text;
}

void TStringStream::WriteString(std::string_view AString) {
  WriteBuffer(AString.data(), static_cast<int>(AString.size()));
}
