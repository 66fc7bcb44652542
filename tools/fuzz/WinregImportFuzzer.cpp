// libFuzzer target: any bytes as a file for `winreg import`. The tool ends
// with one of its exit codes; a file it refuses as wrong changes nothing.
// The registry is emptied after every input.
//
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DLOZG_FUZZ=ON
//   cmake --build build-fuzz --target winreg_import_fuzzer
//   nice build-fuzz/bin/winreg_import_fuzzer NEW_INPUTS tools/tests/winreg-import-corpus
//     -dict=tools/fuzz/regedit.dict -max_total_time=600   (one command line)
//
// Every input that ever failed belongs in tools/tests/winreg-import-corpus,
// which the tests replay in every build.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "platform/Errors.h"
#include "platform/Registry.h"
#include "testsupport/FuzzPrefix.h"
#include "tools/Winreg.h"

namespace {

const win::HKEY kRoots[] = {win::HKEY_CLASSES_ROOT, win::HKEY_CURRENT_USER, win::HKEY_LOCAL_MACHINE, win::HKEY_USERS};
std::string importFile;

bool RegistryEmpty() {
  for (win::HKEY root : kRoots) {
    win::DWORD subKeys = 0;
    win::DWORD values = 0;
    if (win::RegQueryInfoKeyA(root, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                              nullptr, nullptr) != win::ERROR_SUCCESS ||
        subKeys != 0 || values != 0)
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  testsupport::UseFuzzPrefix();
  importFile = std::string(std::getenv("LOZG_PREFIX")) + "/import.reg";
  // The tool's messages are not the fuzzer's business.
  std::cout.rdbuf(nullptr);
  std::cerr.rdbuf(nullptr);
  for (win::HKEY root : kRoots) win::RegDeleteTreeA(root, nullptr);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::ofstream(importFile, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  std::string arguments[] = {"winreg", "import", importFile};
  char* argv[] = {arguments[0].data(), arguments[1].data(), arguments[2].data(), nullptr};
  const int exitCode = RunWinreg(3, argv);
  if (exitCode < 0 || exitCode > 2) std::abort();
  if (exitCode == 2 && !RegistryEmpty()) std::abort();
  for (win::HKEY root : kRoots) win::RegDeleteTreeA(root, nullptr);
  std::cout.clear();
  std::cerr.clear();
  return 0;
}
