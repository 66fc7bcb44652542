// Streams of bytes: the abstract TStream with its exact reads and writes,
// streams over memory, and a stream over a text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Object.h"

// Origins of Seek.
constexpr int soFromBeginning = 0;
constexpr int soFromCurrent = 1;
constexpr int soFromEnd = 2;

class TStream : public TObject {
 public:
  // The number of bytes read or written, fewer at the end or on failure.
  virtual int Read(void* Buffer, int Count) = 0;
  virtual int Write(const void* Buffer, int Count) = 0;
  // The new position, or -1 (position unchanged) for a place before the
  // start or an unknown origin.
  virtual int64_t Seek(int64_t Offset, int Origin) = 0;

  // Exactly Count bytes, or EReadError / EWriteError.
  void ReadBuffer(void* Buffer, int Count);
  void WriteBuffer(const void* Buffer, int Count);
  // Copies Count bytes from Source's position, or all of Source when Count
  // is 0; returns the number copied. EReadError when Source has fewer.
  int64_t CopyFrom(TStream* Source, int64_t Count);

  int64_t Position() { return Seek(0, soFromCurrent); }
  void SetPosition(int64_t Pos) { Seek(Pos, soFromBeginning); }
  virtual int64_t Size();
  // A stream that cannot change its size ignores this.
  virtual void SetSize(int64_t NewSize);
};

// A stream over a block of memory that a subclass provides. Reads stop at
// the end; a position may lie beyond it.
class TCustomMemoryStream : public TStream {
 public:
  int Read(void* Buffer, int Count) override;
  int64_t Seek(int64_t Offset, int Origin) override;
  int64_t Size() override { return size_; }
  void SaveToStream(TStream* Stream);
  void* Memory() const { return memory_; }

 protected:
  void SetPointer(void* Ptr, int64_t Size);
  int64_t CurrentPosition() const { return position_; }
  int64_t CurrentSize() const { return size_; }

 private:
  uint8_t* memory_ = nullptr;
  int64_t size_ = 0;
  int64_t position_ = 0;
};

// A stream in memory of its own that grows as it is written. Writing
// beyond the end fills the gap with zeros. EStreamError when memory runs out.
class TMemoryStream : public TCustomMemoryStream {
 public:
  int Write(const void* Buffer, int Count) override;
  void SetSize(int64_t NewSize) override;
  void Clear();
  // The whole of Stream, read from its start.
  void LoadFromStream(TStream* Stream);

 private:
  void Resize(int64_t size);
  std::vector<uint8_t> data_;
};

// A memory stream holding a text.
class TStringStream : public TMemoryStream {
 public:
  explicit TStringStream(std::string_view AString = {});
  std::string DataString() const;
  // Up to Count bytes from the position.
  std::string ReadString(int Count);
  void WriteString(std::string_view AString);
};
