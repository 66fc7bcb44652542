#include "framework/Streams.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "framework/Consts.h"
#include "framework/Exceptions.h"

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
