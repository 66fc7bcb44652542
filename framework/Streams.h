// Streams of bytes: the abstract TStream with its exact reads and writes,
// streams over files, streams over memory, and a stream over a text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Object.h"
#include "platform/Types.h"

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

// A stream over a file handle of the platform, which it does not close.
class THandleStream : public TStream {
 public:
  explicit THandleStream(win::HANDLE AHandle) : handle_(AHandle) {}
  int Read(void* Buffer, int Count) override;
  int Write(const void* Buffer, int Count) override;
  int64_t Seek(int64_t Offset, int Origin) override;
  // Cuts or extends the file (with zeros); the position stays, or moves to
  // the new end when it lay beyond. EOSError when the platform refuses.
  void SetSize(int64_t NewSize) override;
  win::HANDLE Handle() const { return handle_; }

 private:
  win::HANDLE handle_;
};

// Modes of TFileStream: fmCreate, or one of the open modes, combined with
// one of the share modes.
constexpr unsigned fmCreate = 0xFF00;  // a new empty file, for reading and writing
constexpr unsigned fmOpenRead = 0x0000;
constexpr unsigned fmOpenWrite = 0x0001;
constexpr unsigned fmOpenReadWrite = 0x0002;
constexpr unsigned fmShareCompat = 0x0000;
constexpr unsigned fmShareExclusive = 0x0010;
constexpr unsigned fmShareDenyWrite = 0x0020;
constexpr unsigned fmShareDenyRead = 0x0030;
constexpr unsigned fmShareDenyNone = 0x0040;

// A stream over a file that it opens by its Windows name and closes. fmCreate
// replaces a file of that name; the open modes need the file to exist.
// EFCreateError "Cannot create file <name>" or EFOpenError "Cannot open file
// <name>" when that fails (or the mode is none of the above); the
// platform's error code is then the last error.
class TFileStream : public THandleStream {
 public:
  TFileStream(const std::string& FileName, unsigned Mode);
  ~TFileStream() override;
};

// A stream over a block of memory that a subclass provides. Reads stop at
// the end; a position may lie beyond it.
class TCustomMemoryStream : public TStream {
 public:
  int Read(void* Buffer, int Count) override;
  int64_t Seek(int64_t Offset, int Origin) override;
  int64_t Size() override { return size_; }
  void SaveToStream(TStream* Stream);
  // Replaces the file (fmCreate) by the stream's bytes.
  void SaveToFile(const std::string& FileName);
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
  // The whole file, opened for reading while others may only read it.
  void LoadFromFile(const std::string& FileName);

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
