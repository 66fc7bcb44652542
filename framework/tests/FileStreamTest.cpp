#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "framework/Exceptions.h"
#include "framework/Streams.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "testsupport/TempDir.h"

namespace {

// Files on a temporary folder mapped as drive T:.
class FileStream : public testing::Test {
 protected:
  void SetUp() override { win::MapDrive('T', dir.path()); }

  void Lay(const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
  }
  std::string Bytes(const std::string& name) {
    std::ifstream in(dir / name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string ReadAll(TStream& stream) {
    std::string bytes(static_cast<size_t>(stream.Size()), '\0');
    stream.SetPosition(0);
    stream.ReadBuffer(bytes.data(), static_cast<int>(bytes.size()));
    return bytes;
  }

  testsupport::TempDir dir;
};

// The message of the stream error that opening raises, with the last error.
template <class E>
std::string OpenErrorOf(const std::string& name, unsigned mode, win::DWORD* lastError = nullptr) {
  try {
    TFileStream stream(name, mode);
  } catch (const E& e) {
    if (lastError) *lastError = win::GetLastError();
    return e.Message;
  }
  return "opened";
}

}  // namespace

TEST_F(FileStream, FailuresToCreateOrOpenNameTheFile) {
  win::DWORD error = 0;
  EXPECT_EQ(OpenErrorOf<EFCreateError>("T:\\missing\\new.bin", fmCreate, &error),
            "Cannot create file T:\\missing\\new.bin");
  EXPECT_EQ(error, win::ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(OpenErrorOf<EFOpenError>("T:\\absent.bin", fmOpenRead, &error), "Cannot open file T:\\absent.bin");
  EXPECT_EQ(error, win::ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(std::filesystem::exists(dir / "absent.bin"));  // opening never creates

  std::filesystem::create_directory(dir / "folder");
  EXPECT_EQ(OpenErrorOf<EFOpenError>("T:\\folder", fmOpenRead), "Cannot open file T:\\folder");
  EXPECT_EQ(OpenErrorOf<EFCreateError>("T:\\folder", fmCreate), "Cannot create file T:\\folder");

  Lay("locked.bin", "keep");
  std::filesystem::permissions(dir / "locked.bin", std::filesystem::perms::owner_read);
  EXPECT_EQ(OpenErrorOf<EFCreateError>("T:\\locked.bin", fmCreate, &error), "Cannot create file T:\\locked.bin");
  EXPECT_EQ(error, win::ERROR_ACCESS_DENIED);
  EXPECT_EQ(OpenErrorOf<EFOpenError>("T:\\locked.bin", fmOpenReadWrite), "Cannot open file T:\\locked.bin");
  EXPECT_EQ(Bytes("locked.bin"), "keep");
  EXPECT_EQ(OpenErrorOf<EFOpenError>("T:\\locked.bin", fmOpenRead | fmShareDenyWrite), "opened");

  // Modes that are none of the framework's.
  EXPECT_EQ(OpenErrorOf<EFOpenError>("T:\\locked.bin", 0x0003, &error), "Cannot open file T:\\locked.bin");
  EXPECT_EQ(error, win::ERROR_INVALID_PARAMETER);
  EXPECT_EQ(OpenErrorOf<EFOpenError>("T:\\locked.bin", fmOpenRead | 0x0050), "Cannot open file T:\\locked.bin");
  EXPECT_EQ(OpenErrorOf<EFCreateError>("T:\\other.bin", fmCreate | 0x0070), "Cannot create file T:\\other.bin");
  EXPECT_FALSE(std::filesystem::exists(dir / "other.bin"));

  // Both are stream errors, as callers catch them.
  EXPECT_EQ(OpenErrorOf<EStreamError>("T:\\absent.bin", fmOpenRead), "Cannot open file T:\\absent.bin");
}

TEST_F(FileStream, ReadingWritingSeekingAndSizing) {
  TFileStream stream("T:\\data.bin", fmCreate | fmShareExclusive);
  stream.WriteBuffer("hello world", 11);
  EXPECT_EQ(stream.Position(), 11);
  EXPECT_EQ(stream.Size(), 11);
  EXPECT_EQ(stream.Seek(-5, soFromEnd), 6);
  char buffer[16] = {};
  EXPECT_EQ(stream.Read(buffer, 16), 5);
  EXPECT_EQ(std::string(buffer, 5), "world");
  EXPECT_EQ(stream.Read(buffer, 16), 0);
  EXPECT_THROW(stream.ReadBuffer(buffer, 1), EReadError);

  // Places before the start and unknown origins leave the position alone.
  EXPECT_EQ(stream.Seek(-12, soFromEnd), -1);
  EXPECT_EQ(stream.Seek(0, 7), -1);
  EXPECT_EQ(stream.Position(), 11);
  EXPECT_EQ(stream.Seek(-6, soFromCurrent), 5);

  // Writing beyond the end leaves zeros between.
  stream.SetPosition(13);
  stream.WriteBuffer("!", 1);
  EXPECT_EQ(Bytes("data.bin"), std::string("hello world\0\0!", 14));

  stream.SetPosition(2);
  stream.SetSize(4);
  EXPECT_EQ(stream.Size(), 4);
  EXPECT_EQ(stream.Position(), 2);
  stream.SetSize(6);
  EXPECT_EQ(stream.Position(), 2);
  EXPECT_EQ(ReadAll(stream), std::string("hell\0\0", 6));
  stream.SetSize(1);
  EXPECT_EQ(stream.Position(), 1);  // the position lay beyond the new end
  EXPECT_THROW(stream.SetSize(-1), EOSError);
  EXPECT_EQ(stream.Size(), 1);
}

TEST_F(FileStream, OpenModesGiveTheirAccess) {
  Lay("data.bin", "0123456789");
  {
    TFileStream reader("T:\\data.bin", fmOpenRead);
    EXPECT_EQ(reader.Size(), 10);
    EXPECT_EQ(reader.Write("x", 1), 0);
    EXPECT_THROW(reader.WriteBuffer("x", 1), EWriteError);
    EXPECT_THROW(reader.SetSize(0), EOSError);
    EXPECT_EQ(ReadAll(reader), "0123456789");
  }
  {
    TFileStream writer("T:\\data.bin", fmOpenWrite | fmShareDenyNone);
    EXPECT_EQ(writer.Size(), 10);  // opening keeps the bytes
    writer.SetPosition(8);
    writer.WriteBuffer("AB", 2);
    char c;
    writer.SetPosition(0);
    EXPECT_EQ(writer.Read(&c, 1), 0);
  }
  EXPECT_EQ(Bytes("data.bin"), "01234567AB");
  {
    TFileStream both("T:\\DATA.BIN", fmOpenReadWrite | fmShareDenyRead);
    both.SetPosition(10);
    both.WriteBuffer("C", 1);
    EXPECT_EQ(ReadAll(both), "01234567ABC");
  }
  {
    TFileStream replaced("T:\\data.bin", fmCreate);
    EXPECT_EQ(replaced.Size(), 0);
  }
  EXPECT_EQ(Bytes("data.bin"), "");
}

TEST_F(FileStream, TheFileStreamClosesItsHandleAndTheHandleStreamDoesNot) {
  win::HANDLE closed;
  {
    TFileStream stream("T:\\a.bin", fmCreate);
    closed = stream.Handle();
  }
  EXPECT_FALSE(win::CloseHandle(closed));

  win::HANDLE file = win::CreateFileA("T:\\a.bin", win::GENERIC_READ | win::GENERIC_WRITE, 0, nullptr,
                                      win::OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, win::INVALID_HANDLE_VALUE);
  {
    THandleStream stream(file);
    stream.WriteBuffer("abc", 3);
  }
  EXPECT_TRUE(win::CloseHandle(file));
  EXPECT_EQ(Bytes("a.bin"), "abc");
}

TEST_F(FileStream, MemoryStreamsLoadAndSaveFilesByteForByte) {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  bytes += SJ("表示ソ\r\n");
  Lay("in.bin", bytes);

  TMemoryStream memory;
  memory.WriteBuffer("old", 3);
  memory.LoadFromFile("T:\\in.bin");
  ASSERT_EQ(memory.Size(), static_cast<int64_t>(bytes.size()));
  EXPECT_EQ(std::string(static_cast<const char*>(memory.Memory()), bytes.size()), bytes);

  Lay("out.bin", "a longer file that the save must replace entirely, not overwrite in part");
  memory.SaveToFile("T:\\out.bin");
  EXPECT_EQ(Bytes("out.bin"), bytes);

  TMemoryStream empty;
  empty.SaveToFile("T:\\empty.bin");
  EXPECT_EQ(Bytes("empty.bin"), "");
  memory.LoadFromFile("T:\\empty.bin");
  EXPECT_EQ(memory.Size(), 0);

  EXPECT_THROW(memory.LoadFromFile("T:\\absent.bin"), EFOpenError);
  EXPECT_THROW(memory.SaveToFile("T:\\missing\\out.bin"), EFCreateError);
}
