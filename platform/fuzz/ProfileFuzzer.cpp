// libFuzzer target: any bytes as a profile (ini) file, read through every
// profile call with buffers of many sizes, then written to. Every answer must
// fit its buffer and end in its NULs; a written entry reads back as written;
// a write keeps every section that was there.
//
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DLOZG_FUZZ=ON
//   cmake --build build-fuzz --target profile_fuzzer
//   nice build-fuzz/bin/profile_fuzzer NEW_INPUTS platform/tests/profile-corpus -max_total_time=600
//
// Every input that ever failed belongs in platform/tests/profile-corpus,
// which the tests replay in every build.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Paths.h"
#include "platform/Profile.h"
#include "testsupport/FuzzPrefix.h"

namespace {

constexpr char kFile[] = "C:\\fuzz.ini";
constexpr win::DWORD kSizes[] = {1, 2, 3, 5, 16, 300};
constexpr win::DWORD kLarge = 1 << 16;

void Require(bool condition) {
  if (!condition) std::abort();
}

// The names of a NUL-separated list that ends in a second NUL.
std::vector<std::string> Names(const std::vector<char>& list, win::DWORD length) {
  std::vector<std::string> names;
  for (win::DWORD at = 0; at < length;) {
    const std::string name(&list[at]);
    names.push_back(name);
    at += static_cast<win::DWORD>(name.size()) + 1;
  }
  return names;
}

// A list call answered into buffers of every size: the answer fits, and the
// list ends in two NULs.
template <typename Call>
std::vector<std::string> ReadList(Call call) {
  for (win::DWORD size : kSizes) {
    std::vector<char> buffer(size, 'x');
    const win::DWORD length = call(buffer.data(), size);
    // A whole list answers its length without the final NUL; a cut one
    // answers size - 2 and ends in two NULs from there.
    Require(length < size && buffer[length] == '\0');
    const bool closedBefore = length == 0 || buffer[length - 1] == '\0';
    const bool closedAfter = length + 2 == size && buffer[length + 1] == '\0';
    Require(closedBefore || closedAfter);
  }
  std::vector<char> buffer(kLarge, 'x');
  const win::DWORD length = call(buffer.data(), kLarge);
  Require(length + 2 < kLarge);
  return Names(buffer, length);
}

std::string ReadValue(const char* section, const char* key) {
  for (win::DWORD size : kSizes) {
    std::vector<char> buffer(size, 'x');
    const win::DWORD length = win::GetPrivateProfileStringA(section, key, "", buffer.data(), size, kFile);
    Require(length < size && buffer[length] == '\0');
  }
  std::vector<char> buffer(kLarge, 'x');
  win::GetPrivateProfileStringA(section, key, "", buffer.data(), kLarge, kFile);
  win::GetPrivateProfileIntA(section, key, 0, kFile);
  return buffer.data();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  testsupport::UseFuzzPrefix();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::ofstream(win::detail::ToHostPath(kFile), std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  const auto sections = ReadList([](char* b, win::DWORD n) { return win::GetPrivateProfileSectionNamesA(b, n, kFile); });
  for (const std::string& section : sections) {
    ReadList([&](char* b, win::DWORD n) { return win::GetPrivateProfileSectionA(section.c_str(), b, n, kFile); });
    const auto keys = ReadList(
        [&](char* b, win::DWORD n) { return win::GetPrivateProfileStringA(section.c_str(), nullptr, "", b, n, kFile); });
    for (const std::string& key : keys) ReadValue(section.c_str(), key.c_str());
  }

  Require(win::WritePrivateProfileStringA("Fuzz", "Written", "a value", kFile));
  Require(ReadValue("Fuzz", "Written") == "a value");
  const auto after = ReadList([](char* b, win::DWORD n) { return win::GetPrivateProfileSectionNamesA(b, n, kFile); });
  for (const std::string& section : sections) {
    bool kept = false;
    for (const std::string& name : after) kept = kept || name == section;
    Require(kept);
  }
  Require(win::WritePrivateProfileStringA("Fuzz", "Written", nullptr, kFile));
  return 0;
}
