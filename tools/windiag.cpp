// The platform's diagnostics: prints what the platform layer sees of this
// machine (prefix, clock, process) so that a person can check the set-up.
#include <cstdio>

#include "platform/Clock.h"
#include "platform/Prefix.h"
#include "platform/Sync.h"

int main() {
  using namespace win;
  SYSTEMTIME now;
  GetLocalTime(&now);
  std::printf("platform prefix: %s\n", PlatformPrefix().c_str());
  std::printf("local time:      %04u/%02u/%02u %02u:%02u:%02u\n", now.wYear, now.wMonth, now.wDay, now.wHour,
              now.wMinute, now.wSecond);
  std::printf("tick count:      %u\n", GetTickCount());
  std::printf("process id:      %u\n", GetCurrentProcessId());
  return 0;
}
