// Child processes for the process and mutex tests: the helper program built
// beside the tests, started through CreateProcessA and killed when a test
// leaves it running.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Sync.h"

namespace children {

inline std::string HostFolderOfTests() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

inline std::string HelperHostPath() { return HostFolderOfTests() + "/platform_test_helper"; }

class Child {
 public:
  ~Child() {
    if (!started) return;
    if (win::WaitForSingleObject(info.hProcess, 0) == win::WAIT_TIMEOUT) Kill();
    win::WaitForSingleObject(info.hProcess, 10000);
    win::CloseHandle(info.hProcess);
    win::CloseHandle(info.hThread);
  }
  void Kill() { kill(static_cast<pid_t>(info.dwProcessId), SIGKILL); }
  // The exit code once the child ended (STILL_ACTIVE if it did not in 10 s).
  win::DWORD ExitCode() {
    win::WaitForSingleObject(info.hProcess, 10000);
    win::DWORD code = 0;
    win::GetExitCodeProcess(info.hProcess, &code);
    return code;
  }

  bool started = false;
  win::PROCESS_INFORMATION info{};
};

// Starts the command line; `started` tells whether CreateProcessA succeeded.
inline std::unique_ptr<Child> Start(std::string commandLine, const char* applicationName = nullptr,
                                    const char* directory = nullptr, win::DWORD flags = 0, win::WORD show = 0) {
  auto child = std::make_unique<Child>();
  win::STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = flags;
  startup.wShowWindow = show;
  child->started = win::CreateProcessA(applicationName, commandLine.data(), nullptr, nullptr, win::FALSE, 0, nullptr,
                                       directory, &startup, &child->info);
  return child;
}

// Starts the helper program with the given arguments.
inline std::unique_ptr<Child> StartHelper(const std::string& arguments) {
  return Start("\"" + win::detail::ToWindowsPath(HelperHostPath()) + "\" " + arguments);
}

// A forked copy of the test running `body`; it leaves through _exit so that
// nothing of the test framework runs twice. A child that uses the registry
// must be forked before this process opens it.
template <class F>
pid_t Fork(F body) {
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  return pid;
}

inline int ExitCodeOf(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace children
