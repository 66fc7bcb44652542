// Processes: the environment, the command line, modules, process creation
// and input-idle reporting.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Sync.h"
#include "platform/Threads.h"
#include "platform/Types.h"

namespace win {

constexpr DWORD STARTF_USESHOWWINDOW = 0x1;
constexpr DWORD STARTF_USESTDHANDLES = 0x100;

struct STARTUPINFOA {
  DWORD cb;
  LPSTR lpReserved;
  LPSTR lpDesktop;
  LPSTR lpTitle;
  DWORD dwX;
  DWORD dwY;
  DWORD dwXSize;
  DWORD dwYSize;
  DWORD dwXCountChars;
  DWORD dwYCountChars;
  DWORD dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  LPBYTE lpReserved2;
  HANDLE hStdInput;
  HANDLE hStdOutput;
  HANDLE hStdError;
};
using LPSTARTUPINFOA = STARTUPINFOA*;

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
};
using LPPROCESS_INFORMATION = PROCESS_INFORMATION*;

// An export found by GetProcAddress, cast by the caller to its real type (the
// compilers take void(*)() as the type that any function type casts from).
using FARPROC = void (*)();

// The environment of the process, shared with the host's. Names are matched
// ignoring letter case, as the platform does.
DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size);
// A null value removes the variable.
BOOL SetEnvironmentVariableA(LPCSTR name, LPCSTR value);
// Replaces each %NAME% of a defined variable by its value; returns the size
// of the result with its terminator (the size needed when `size` is short).
DWORD ExpandEnvironmentStringsA(LPCSTR source, LPSTR buffer, DWORD size);

// The process's command line: the program as a quoted Windows path, then the
// arguments, quoted by the platform's rules.
LPSTR GetCommandLineA();
// The show state the parent asked for (STARTF_USESHOWWINDOW, wShowWindow).
void GetStartupInfoA(LPSTARTUPINFOA info);

// Module handles: null names the program; the others are libraries loaded
// by LoadLibraryA or found by GetModuleHandleA.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
HMODULE GetModuleHandleA(LPCSTR name);
HMODULE LoadLibraryA(LPCSTR fileName);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);

// Starts a host program named by a Windows path. The arguments are the
// command line's, split by the platform's rules, without its first token.
// Supported: the current directory, STARTF_USESHOWWINDOW, and
// STARTF_USESTDHANDLES with null handles (the child's standard files are
// then empty). The child inherits the environment and no open files
// (`inheritHandles` aside: handles of this platform are not host files).
BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation);
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);
// Waits until a child built on this platform first waits for a message;
// any other program counts as idle from its start. WAIT_FAILED when the
// child ended, or closed its report channel, without becoming idle.
DWORD WaitForInputIdle(HANDLE process, DWORD ms);

namespace detail {

// Called by the message loop the first time a thread of this process waits
// for a message: a program built on this platform is then input-idle for a
// parent waiting in WaitForInputIdle.
void ReportInputIdle();

// Splits a command line as the platform's programs do: the first token (the
// program) ends at the first blank outside quotes and keeps backslashes;
// in the arguments, quotes group blanks and are dropped, "" inside quotes
// is one quote, 2n backslashes before a quote are n backslashes and 2n+1
// are n and a literal quote, other backslashes are literal. Double-byte
// characters are never split (their second byte may be a backslash).
std::vector<std::string> SplitCommandLine(std::string_view commandLine);
// The command line whose split gives back `arguments` (the first is the program).
std::string BuildCommandLine(const std::vector<std::string>& arguments);

// The module (library or program) that holds the code or data at `address`.
HMODULE ModuleOfAddress(const void* address);

}  // namespace detail

namespace test {

// Replaces the process's command line, as if the process had been started so.
void SetCommandLine(std::string_view commandLine);

}  // namespace test
}  // namespace win
