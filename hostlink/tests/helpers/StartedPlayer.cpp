// A program that stands for the player executable when the link starts the
// player: it writes what it was given (command line, current directory,
// show state) to the file that KORU_STARTED_REPORT names, then becomes
// input-idle and ends; given "never-idle" it ends without becoming idle.
#include <cstdio>
#include <cstring>

#include "platform/Paths.h"
#include "platform/Process.h"

int main(int argc, char** argv) {
  char report[win::MAX_PATH];
  if (win::GetEnvironmentVariableA("KORU_STARTED_REPORT", report, sizeof report) == 0) return 2;
  FILE* out = std::fopen(report, "w");
  if (!out) return 2;
  char directory[win::MAX_PATH];
  win::GetCurrentDirectoryA(sizeof directory, directory);
  win::STARTUPINFOA startup{};
  win::GetStartupInfoA(&startup);
  std::fprintf(out, "%s\n%s\n%u\n", win::GetCommandLineA(), directory, startup.wShowWindow);
  std::fclose(out);
  if (argc > 1 && std::strcmp(argv[1], "never-idle") == 0) return 0;
  win::detail::ReportInputIdle();
  return 0;
}
