// A program built on the platform that the process and mutex tests start as
// a child. Its first argument says what it does; every mode that waits gives
// up after a minute, so a failed test never leaves it behind for long.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Errors.h"
#include "platform/Mutex.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Sync.h"

using namespace win;

namespace {

constexpr DWORD kLongestWaitMs = 60000;

// Writes what the child was given, one item a line.
int Report(const char* file) {
  FILE* out = std::fopen(file, "w");
  if (!out) return 2;
  std::fprintf(out, "%s\n", GetCommandLineA());
  char directory[MAX_PATH];
  GetCurrentDirectoryA(sizeof directory, directory);
  std::fprintf(out, "%s\n", directory);
  STARTUPINFOA info;
  GetStartupInfoA(&info);
  if (info.dwFlags & STARTF_USESHOWWINDOW)
    std::fprintf(out, "show %u\n", info.wShowWindow);
  else
    std::fprintf(out, "show none\n");
  std::fprintf(out, "%s\n",
               GetEnvironmentVariableA("LOZG_SHOW_WINDOW", nullptr, 0) ? "handover visible" : "handover gone");
  std::fclose(out);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  const char* name = argc > 2 ? argv[2] : "";
  if (mode == "idle") {  // reports input-idle, then lives on
    detail::ReportInputIdle();
    Sleep(kLongestWaitMs);
    return 0;
  }
  if (mode == "quiet") {  // never becomes idle
    Sleep(kLongestWaitMs);
    return 0;
  }
  if (mode == "exit") return argc > 2 ? std::atoi(argv[2]) : 0;
  if (mode == "report") return Report(name);
  if (mode == "hold") {  // creates and owns the mutex, then reports idle and lives on
    HANDLE mutex = CreateMutexA(nullptr, TRUE, name);
    if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) return 2;
    detail::ReportInputIdle();
    Sleep(kLongestWaitMs);
    return 0;
  }
  if (mode == "exists") {  // 1 when the mutex existed already
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
    return !mutex ? 2 : GetLastError() == ERROR_ALREADY_EXISTS ? 1 : 0;
  }
  if (mode == "take") {  // 0 taken, 1 taken as abandoned, 2 owned elsewhere
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
    DWORD result = WaitForSingleObject(mutex, 0);
    return result == WAIT_OBJECT_0 ? 0 : result == WAIT_ABANDONED ? 1 : 2;
  }
  return 100;
}
