#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "framework/Exceptions.h"
#include "framework/Streams.h"

namespace {

// A read-only view of bytes that are not the stream's, as a resource is.
class TFixedStream : public TCustomMemoryStream {
 public:
  TFixedStream(const void* data, int64_t size) { SetPointer(const_cast<void*>(data), size); }
  int Write(const void*, int) override { return 0; }
};

}  // namespace

TEST(TMemoryStream, ReadsStopAtTheEnd) {
  TMemoryStream stream;
  stream.WriteBuffer("abcdef", 6);
  EXPECT_EQ(stream.Position(), 6);
  EXPECT_EQ(stream.Size(), 6);
  EXPECT_EQ(stream.Seek(-2, soFromEnd), 4);
  char buffer[8] = {};
  EXPECT_EQ(stream.Read(buffer, 8), 2);
  EXPECT_EQ(std::string(buffer, 2), "ef");
  EXPECT_EQ(stream.Read(buffer, 8), 0);
  stream.SetPosition(10);
  EXPECT_EQ(stream.Read(buffer, 1), 0);
  stream.SetPosition(3);
  try {
    stream.ReadBuffer(buffer, 4);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message, "Stream read error");
  }
}

TEST(TMemoryStream, SeekingAndSizing) {
  TMemoryStream stream;
  stream.WriteBuffer("abc", 3);
  // A place before the start is refused and the position kept.
  EXPECT_EQ(stream.Seek(-4, soFromCurrent), -1);
  EXPECT_EQ(stream.Seek(0, 7), -1);
  EXPECT_EQ(stream.Position(), 3);
  // Writing beyond the end fills the gap with zeros.
  stream.SetPosition(5);
  stream.WriteBuffer("z", 1);
  EXPECT_EQ(stream.Size(), 6);
  EXPECT_EQ(std::memcmp(stream.Memory(), "abc\0\0z", 6), 0);
  // Shrinking below the position moves it to the new end.
  stream.SetSize(2);
  EXPECT_EQ(stream.Position(), 2);
  stream.SetSize(9216);
  EXPECT_EQ(stream.Size(), 9216);
  EXPECT_EQ(stream.Position(), 2);
  stream.Clear();
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(stream.Position(), 0);
}

TEST(TMemoryStream, CopyingBetweenStreams) {
  std::string data(70000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  TStringStream source(data);
  source.SetPosition(100);
  TMemoryStream whole;
  // A count of 0 copies everything from the start.
  EXPECT_EQ(whole.CopyFrom(&source, 0), 70000);
  EXPECT_EQ(std::memcmp(whole.Memory(), data.data(), data.size()), 0);
  source.SetPosition(69990);
  TMemoryStream part;
  EXPECT_EQ(part.CopyFrom(&source, 10), 10);
  EXPECT_THROW(part.CopyFrom(&source, 1), EReadError);

  TMemoryStream loaded;
  loaded.LoadFromStream(&whole);
  EXPECT_EQ(loaded.Size(), 70000);
  EXPECT_EQ(loaded.Position(), 0);
  TStringStream saved;
  loaded.SaveToStream(&saved);
  EXPECT_EQ(saved.DataString(), data);
}

TEST(TCustomMemoryStream, AFixedBlockIsReadOnly) {
  static const char bytes[] = "GIF89a";
  TFixedStream stream(bytes, 6);
  char header[3];
  stream.ReadBuffer(header, 3);
  EXPECT_EQ(std::string(header, 3), "GIF");
  try {
    stream.WriteBuffer("x", 1);
    FAIL();
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message, "Stream write error");
  }
}

TEST(TStringStream, TextsInAndOut) {
  TStringStream stream("hello world");
  EXPECT_EQ(stream.Position(), 0);
  EXPECT_EQ(stream.ReadString(5), "hello");
  EXPECT_EQ(stream.ReadString(100), " world");
  // Writing inside the text keeps what follows.
  stream.SetPosition(0);
  stream.WriteString("J");
  EXPECT_EQ(stream.DataString(), "Jello world");
  stream.Seek(0, soFromEnd);
  stream.WriteString("!");
  EXPECT_EQ(stream.DataString(), "Jello world!");
}
