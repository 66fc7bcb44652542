#include "platform/Process.h"

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/Errors.h"
#include "platform/Handles.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/Wait.h"

extern char** environ;

namespace win {

namespace {

// ---------------------------------------------------------------------------
// What a parent built on this platform hands to its child: two environment
// variables, taken out of the environment while the platform loads (before
// the program's threads could read it), so that the child's own children
// never see them.
//   LOZG_INPUT_IDLE_FD  "fd:inode", the child's end of a socket pair; the
//                       child writes one byte to it when it is input-idle;
//   LOZG_SHOW_WINDOW    the show state the parent asked for.
constexpr std::string_view kInputIdleVariable = "LOZG_INPUT_IDLE_FD";
constexpr std::string_view kShowWindowVariable = "LOZG_SHOW_WINDOW";

struct Startup {
  std::atomic<int> inputIdleFd{-1};
  std::optional<WORD> showWindow;
};

std::optional<unsigned long long> ParseNumber(std::string_view text) {
  if (text.empty() || text.size() > 20 || text.find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  return std::strtoull(std::string(text).c_str(), nullptr, 10);
}

// The report channel, when the variable names the socket it was made for:
// a variable that a foreign program passed on to its own children may name
// a descriptor that is now something else, which must not be written to.
int TakeInputIdleChannel() {
  const std::string name(kInputIdleVariable);
  const char* value = std::getenv(name.c_str());
  std::string_view text = value ? value : "";
  auto colon = text.find(':');
  auto fd = ParseNumber(text.substr(0, colon));
  auto inode = colon == std::string_view::npos ? std::nullopt : ParseNumber(text.substr(colon + 1));
  unsetenv(name.c_str());
  struct stat st {};
  if (!fd || !inode || *fd > INT_MAX || fstat(static_cast<int>(*fd), &st) != 0 || !S_ISSOCK(st.st_mode) ||
      st.st_ino != *inode)
    return -1;
  fcntl(static_cast<int>(*fd), F_SETFD, FD_CLOEXEC);  // not for this process's own children
  return static_cast<int>(*fd);
}

std::optional<WORD> TakeShowWindow() {
  const std::string name(kShowWindowVariable);
  const char* value = std::getenv(name.c_str());
  auto show = ParseNumber(value ? value : "");
  unsetenv(name.c_str());
  if (!show || *show > 0xFFFF) return std::nullopt;
  return static_cast<WORD>(*show);
}

Startup& TheStartup() {
  static Startup* startup = [] {
    auto* s = new Startup;
    s->inputIdleFd = TakeInputIdleChannel();
    s->showWindow = TakeShowWindow();
    return s;
  }();
  return *startup;
}

[[maybe_unused]] const Startup& kStartupTakenAtLoad = TheStartup();

// ---------------------------------------------------------------------------
// The environment.

std::mutex& EnvironmentLock() {
  static auto* lock = new std::mutex;
  return *lock;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// The host's name of a variable (UTF-8), in whatever case it has there.
std::optional<std::string> HostVariableName(const std::string& name) {
  if (std::getenv(name.c_str())) return name;
  for (char** entry = environ; entry && *entry; ++entry) {
    std::string_view text(*entry);
    auto equals = text.find('=');
    if (equals != std::string_view::npos && EqualsIgnoringAsciiCase(text.substr(0, equals), name))
      return std::string(text.substr(0, equals));
  }
  return std::nullopt;
}

bool IsVariableName(std::string_view name) { return !name.empty() && name.find('=') == std::string_view::npos; }

// A variable's value in code page 932. Under EnvironmentLock.
std::optional<std::string> LookUpVariable(std::string_view name) {
  if (!IsVariableName(name)) return std::nullopt;
  auto host = HostVariableName(AnsiToUtf8(name));
  if (!host) return std::nullopt;
  return Utf8ToAnsi(std::getenv(host->c_str()));
}

// Under EnvironmentLock. A name without a value is left as written, and its
// closing '%' may open the next name ("%UNSET%X%" with X set gives
// "%UNSET" and X's value).
std::string Expand(std::string_view source) {
  std::string out;
  size_t at = 0;
  while (at < source.size()) {
    const size_t open = source.find('%', at);
    const size_t close = open == std::string_view::npos ? open : source.find('%', open + 1);
    if (close == std::string_view::npos) {
      out.append(source.substr(at));
      break;
    }
    out.append(source.substr(at, open - at));
    if (auto value = LookUpVariable(source.substr(open + 1, close - open - 1))) {
      out += *value;
      at = close + 1;
    } else {
      out.append(source.substr(open, close - open));
      at = close;
    }
  }
  return out;
}

// ---------------------------------------------------------------------------
// The command line.

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool StartsDoubleByte(std::string_view text, size_t at) {
  return at + 1 < text.size() && IsDBCSLeadByte(static_cast<BYTE>(text[at]));
}

std::string ExecutableHostPath() {
  std::error_code error;
  auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
}

std::string CommandLineOfThisProcess() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::vector<std::string> arguments;
  for (std::string argument; std::getline(in, argument, '\0');) arguments.push_back(Utf8ToAnsi(argument));
  std::string program = detail::ToWindowsPath(ExecutableHostPath());
  if (arguments.empty())
    arguments.push_back(program);
  else
    arguments[0] = program;
  return detail::BuildCommandLine(arguments);
}

struct CommandLine {
  std::mutex lock;
  std::optional<std::string> text;
};

CommandLine& TheCommandLine() {
  static auto* commandLine = new CommandLine;
  return *commandLine;
}

std::string QuoteProgram(const std::string& program) {
  if (!program.empty() && program.find_first_of(" \t") == std::string::npos) return program;
  return "\"" + program + "\"";
}

std::string QuoteArgument(std::string_view argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string_view::npos) return std::string(argument);
  std::string out = "\"";
  size_t backslashes = 0;
  for (size_t i = 0; i < argument.size(); ++i) {
    if (argument[i] == '\\') {
      ++backslashes;
      continue;
    }
    if (argument[i] == '"') {
      out.append(2 * backslashes + 1, '\\');
    } else {
      out.append(backslashes, '\\');
    }
    backslashes = 0;
    if (StartsDoubleByte(argument, i)) out += argument[i++];
    out += argument[i];
  }
  out.append(2 * backslashes, '\\');
  return out + "\"";
}

// ---------------------------------------------------------------------------
// Modules. A module handle names one loaded object by its host path; the
// program's handle lives as long as the process, a library's until the last
// FreeLibrary that matches a LoadLibraryA (or for as long as the host's own
// loader keeps it).

class Module : public detail::HandleObject {
 public:
  explicit Module(std::string hostPath) : hostPath(std::move(hostPath)) {}
  detail::HandleKind Kind() const override { return detail::HandleKind::Module; }

  const std::string hostPath;
  // Under the modules' lock: the program's global handle, or the library's
  // own reference while LoadLibraryA calls hold it.
  void* dl = nullptr;
  int loads = 0;  // LoadLibraryA calls not yet matched by FreeLibrary
};

struct Modules {
  std::mutex lock;
  std::map<std::string, uint32_t> ids;  // by host path
};

Modules& TheModules() {
  static auto* modules = new Modules;
  return *modules;
}

// The host path of a loaded object from the loader's name of it ("" names
// the program).
std::string HostPathOfLoaded(const char* loaderName) {
  if (!loaderName || !*loaderName) return ExecutableHostPath();
  std::error_code error;
  auto path = std::filesystem::absolute(loaderName, error);
  return error ? std::string(loaderName) : path.lexically_normal().string();
}

// The module at a host path, made on first use. Under the modules' lock.
std::shared_ptr<Module> ModuleAt(const std::string& hostPath, uint32_t& id) {
  Modules& modules = TheModules();
  if (auto it = modules.ids.find(hostPath); it != modules.ids.end()) {
    if (auto module = detail::HandleTable::Get<Module>(HandleFromId(it->second))) {
      id = it->second;
      return module;
    }
  }
  auto module = std::make_shared<Module>(hostPath);
  if (hostPath == ExecutableHostPath()) module->dl = dlopen(nullptr, RTLD_NOW);
  id = detail::HandleTable::Insert(module);
  modules.ids[hostPath] = id;
  return module;
}

HMODULE HandleOfModuleAt(const std::string& hostPath) {
  std::lock_guard guard(TheModules().lock);
  uint32_t id = 0;
  ModuleAt(hostPath, id);
  return HandleFromId<HMODULE>(id);
}

// An ELF file of this host, read as far as the platform needs: whether it is
// one, and which libraries a program asks the loader for.
class ElfFile {
 public:
  explicit ElfFile(const std::string& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    valid_ = ReadAt(&header_, sizeof header_, 0) && std::memcmp(header_.e_ident, ELFMAG, SELFMAG) == 0;
  }
  ~ElfFile() {
    if (fd_ >= 0) close(fd_);
  }
  ElfFile(const ElfFile&) = delete;
  ElfFile& operator=(const ElfFile&) = delete;

  bool IsElf() const { return valid_; }

  // The names of the dynamic section's DT_NEEDED entries; none for a file
  // that is no 64-bit ELF program (a script, for instance).
  std::vector<std::string> NeededLibraries() {
    constexpr size_t kMaxSegments = 256, kMaxEntries = 4096, kMaxStrings = 1 << 20;
    if (!valid_ || header_.e_ident[EI_CLASS] != ELFCLASS64 || header_.e_phentsize != sizeof(Elf64_Phdr) ||
        header_.e_phnum > kMaxSegments)
      return {};
    segments_.resize(header_.e_phnum);
    if (!ReadAt(segments_.data(), segments_.size() * sizeof(Elf64_Phdr), header_.e_phoff)) return {};
    auto dynamic = std::find_if(segments_.begin(), segments_.end(), [](auto& s) { return s.p_type == PT_DYNAMIC; });
    if (dynamic == segments_.end()) return {};
    std::vector<Elf64_Dyn> entries(std::min<size_t>(dynamic->p_filesz / sizeof(Elf64_Dyn), kMaxEntries));
    if (!ReadAt(entries.data(), entries.size() * sizeof(Elf64_Dyn), dynamic->p_offset)) return {};
    uint64_t tableAddress = 0, tableSize = 0;
    std::vector<uint64_t> offsets;
    for (const auto& entry : entries) {
      if (entry.d_tag == DT_NULL) break;
      if (entry.d_tag == DT_STRTAB) tableAddress = entry.d_un.d_ptr;
      if (entry.d_tag == DT_STRSZ) tableSize = entry.d_un.d_val;
      if (entry.d_tag == DT_NEEDED) offsets.push_back(entry.d_un.d_val);
    }
    auto tableOffset = FileOffsetOf(tableAddress);
    if (!tableOffset || tableSize == 0 || tableSize > kMaxStrings) return {};
    std::string table(tableSize, '\0');
    if (!ReadAt(table.data(), table.size(), *tableOffset)) return {};
    std::vector<std::string> needed;
    for (uint64_t offset : offsets)
      if (offset < table.size()) needed.emplace_back(table.c_str() + offset);
    return needed;
  }

 private:
  bool ReadAt(void* into, size_t size, uint64_t offset) const {
    return fd_ >= 0 && pread(fd_, into, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
  }
  std::optional<uint64_t> FileOffsetOf(uint64_t address) const {
    for (const auto& s : segments_)
      if (s.p_type == PT_LOAD && address >= s.p_vaddr && address - s.p_vaddr < s.p_filesz)
        return address - s.p_vaddr + s.p_offset;
    return std::nullopt;
  }

  int fd_;
  bool valid_ = false;
  Elf64_Ehdr header_{};
  std::vector<Elf64_Phdr> segments_;
};

// The file name of this platform's own library, as programs ask for it.
const std::string& PlatformLibraryName() {
  static const std::string name = [] {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<const void*>(&detail::ReportInputIdle), &info) || !info.dli_fname)
      return std::string();
    return std::filesystem::path(info.dli_fname).filename().string();
  }();
  return name;
}

// A program built on this platform asks the loader for its library; only
// such a program runs the message loop that reports input-idle. The program
// file is asked rather than the child: no sign from a running child could
// tell a foreign program from one of ours that has not got so far yet.
bool IsBuiltOnPlatform(const std::string& hostPath) {
  auto needed = ElfFile(hostPath).NeededLibraries();
  return std::find(needed.begin(), needed.end(), PlatformLibraryName()) != needed.end();
}

bool IsRegularFile(const std::string& host) {
  struct stat st {};
  return stat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const std::string& host) {
  struct stat st {};
  return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool HasSeparatorOrDrive(std::string_view name) {
  return detail::FindSeparator(name) != std::string_view::npos || name.find(':') != std::string_view::npos;
}

std::string CurrentWindowsDirectory() {
  std::string directory(GetCurrentDirectoryA(0, nullptr), '\0');
  directory.resize(GetCurrentDirectoryA(static_cast<DWORD>(directory.size()), directory.data()));
  return directory;
}

std::string FolderOf(const std::string& hostPath) { return std::filesystem::path(hostPath).parent_path().string(); }

// The host path of a library to load: a name with a folder as it says, a
// bare name from the program's folder or else the current directory.
std::string FindLibrary(std::string_view name) {
  if (name.empty()) return {};
  if (HasSeparatorOrDrive(name)) return detail::ToHostPath(name);
  for (const std::string& folder : {FolderOf(ExecutableHostPath()), detail::ToHostPath(CurrentWindowsDirectory())}) {
    std::string candidate = folder + "/" + detail::WindowsNameToHost(name);
    if (IsRegularFile(candidate)) return candidate;
  }
  return {};
}

// Copies a path as the module getters do: one that does not fit is cut
// (never inside a double-byte character) and terminated; the result is then
// `size` with ERROR_INSUFFICIENT_BUFFER.
DWORD CopyTruncating(std::string_view text, LPSTR buffer, DWORD size) {
  if (!buffer || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (text.size() < size) {
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return static_cast<DWORD>(text.size());
  }
  size_t kept = 0;
  while (kept < size - 1) {
    const size_t step = StartsDoubleByte(text, kept) ? 2 : 1;
    if (kept + step > size - 1) break;
    kept += step;
  }
  std::memcpy(buffer, text.data(), kept);
  buffer[kept] = '\0';
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return size;
}

// ---------------------------------------------------------------------------
// Child processes. A reaper thread per child sleeps in poll() on the child's
// pidfd and on its input-idle channel, records what happens under
// KernelMutex and wakes the waiters.

struct Child {
  pid_t pid = 0;
  bool builtOnPlatform = false;  // it reports input-idle
  // Under KernelMutex.
  bool exited = false;
  DWORD exitCode = STILL_ACTIVE;
  bool idle = false;
  bool channelOpen = true;
};

class ProcessObject : public detail::KernelObject {
 public:
  explicit ProcessObject(std::shared_ptr<Child> child) : child(std::move(child)) {}
  detail::HandleKind Kind() const override { return detail::HandleKind::Process; }
  bool IsSignaled(DWORD) override { return child->exited; }

  const std::shared_ptr<Child> child;
};

class ChildMainThread : public detail::ThreadObject {
 public:
  explicit ChildMainThread(std::shared_ptr<Child> child) : child_(std::move(child)) {}
  bool Running() const override { return !child_->exited; }
  DWORD ExitCode() const override { return child_->exitCode; }

 private:
  std::shared_ptr<Child> child_;
};

// A descriptor closed with its owner.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { Close(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }
  void Close() {
    if (fd_ >= 0) close(std::exchange(fd_, -1));
  }

 private:
  int fd_;
};

// Moves a descriptor above the standard ones, so that setting up a child's
// standard files cannot overwrite it (a process may run with them closed).
int AboveStandardFiles(int fd) {
  if (fd < 0 || fd > STDERR_FILENO) return fd;
  int moved = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  close(fd);
  return moved;
}

DWORD ExitCodeOf(int status) {
  if (WIFEXITED(status)) return static_cast<DWORD>(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return 128 + static_cast<DWORD>(WTERMSIG(status));  // as the host's shells report it
  return 0;
}

void Reap(const std::shared_ptr<Child>& child, int pidfd, int channel) {
  pollfd watched[2] = {{pidfd, POLLIN, 0}, {channel, POLLIN, 0}};
  auto closeChannel = [&](bool idle) {
    close(std::exchange(watched[1].fd, -1));
    std::lock_guard lock(detail::KernelMutex());
    child->idle = idle;
    child->channelOpen = false;
  };
  if (pidfd < 0) closeChannel(false);  // out of descriptors: only the exit can be watched
  while (pidfd >= 0) {
    if (poll(watched, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (watched[1].fd >= 0 && watched[1].revents) {
      char report = 0;
      closeChannel(read(watched[1].fd, &report, 1) == 1);
      detail::WakeAll();
    }
    if (watched[0].revents) break;
  }
  if (watched[1].fd >= 0) closeChannel(false);
  if (pidfd >= 0) close(pidfd);
  int status = 0;
  while (waitpid(child->pid, &status, 0) < 0 && errno == EINTR) {
  }
  {
    std::lock_guard lock(detail::KernelMutex());
    child->exitCode = ExitCodeOf(status);
    child->exited = true;
  }
  detail::WakeAll();
}

struct Launch {
  std::string program;                 // host path
  std::vector<std::string> arguments;  // host text, the program first
  std::string directory;               // host path
  bool emptyStandardFiles = false;
  std::optional<WORD> showWindow;
};

std::vector<std::string> ChildEnvironment(const Launch& launch, int channel, ino_t channelInode) {
  auto isHandOver = [](std::string_view entry) {
    for (std::string_view name : {kInputIdleVariable, kShowWindowVariable})
      if (entry.starts_with(name) && entry.size() > name.size() && entry[name.size()] == '=') return true;
    return false;
  };
  std::vector<std::string> environment;
  {
    std::lock_guard guard(EnvironmentLock());
    for (char** entry = environ; entry && *entry; ++entry)
      if (!isHandOver(*entry)) environment.emplace_back(*entry);
  }
  environment.push_back(std::string(kInputIdleVariable) + "=" + std::to_string(channel) + ":" +
                        std::to_string(channelInode));
  if (launch.showWindow)
    environment.push_back(std::string(kShowWindowVariable) + "=" + std::to_string(*launch.showWindow));
  return environment;
}

std::vector<char*> NullTerminated(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (auto& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// The child between fork and exec: only calls that are safe there in a
// threaded program. A failure is reported to the parent as the errno.
[[noreturn]] void RunChild(const Launch& launch, char* const* argv, char* const* envp, int nullFile, int channel,
                           int report) {
  if (nullFile >= 0)
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) dup2(nullFile, fd);
  if (chdir(launch.directory.c_str()) == 0) {
    // No open file of the parent reaches the program, but the channel.
    close_range(STDERR_FILENO + 1, ~0U, CLOSE_RANGE_CLOEXEC);
    fcntl(channel, F_SETFD, 0);
    execve(launch.program.c_str(), argv, envp);
  }
  int error = errno;
  [[maybe_unused]] ssize_t written = write(report, &error, sizeof error);
  _exit(127);
}

// Starts the child; its pid, or -1 with the errno of the failed start.
pid_t Spawn(const Launch& launch, int channel, int& error) {
  struct stat channelStat {};
  fstat(channel, &channelStat);
  std::vector<std::string> arguments = launch.arguments;
  std::vector<std::string> environment = ChildEnvironment(launch, channel, channelStat.st_ino);
  std::vector<char*> argv = NullTerminated(arguments);
  std::vector<char*> envp = NullTerminated(environment);
  Descriptor nullFile(launch.emptyStandardFiles ? AboveStandardFiles(open("/dev/null", O_RDWR | O_CLOEXEC)) : -1);
  int reportEnds[2];
  if (pipe2(reportEnds, O_CLOEXEC) != 0) {
    error = errno;
    return -1;
  }
  Descriptor reportRead(AboveStandardFiles(reportEnds[0]));
  Descriptor reportWrite(AboveStandardFiles(reportEnds[1]));
  const pid_t pid = fork();
  if (pid == 0) RunChild(launch, argv.data(), envp.data(), nullFile.Get(), channel, reportWrite.Get());
  if (pid < 0) {
    error = errno;
    return -1;
  }
  reportWrite.Close();
  int childError = 0;
  ssize_t got;
  do got = read(reportRead.Get(), &childError, sizeof childError);
  while (got < 0 && errno == EINTR);
  if (got == static_cast<ssize_t>(sizeof childError)) {
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    error = childError;
    return -1;
  }
  return pid;
}

DWORD StartError(int error) {
  switch (error) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_DIRECTORY;
    case EACCES:
    case EPERM:
      return ERROR_ACCESS_DENIED;
    case ENOEXEC:
    case ELIBBAD:
    case EINVAL:
      return ERROR_BAD_EXE_FORMAT;
    case ENOMEM:
    case EAGAIN:
    case E2BIG:
    case EMFILE:
    case ENFILE:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_GEN_FAILURE;
  }
}

DWORD CheckProgram(const std::string& host) {
  struct stat st {};
  if (host.empty() || stat(host.c_str(), &st) != 0) return ERROR_FILE_NOT_FOUND;
  if (!S_ISREG(st.st_mode) || access(host.c_str(), X_OK) != 0) return ERROR_ACCESS_DENIED;
  return ERROR_SUCCESS;
}

// What the platform can start: the system passes no environment block, does
// not start programs suspended, and asks only for empty standard files.
DWORD CheckRequest(LPCSTR applicationName, LPSTR commandLine, DWORD creationFlags, LPVOID environment,
                   const STARTUPINFOA* startupInfo, const PROCESS_INFORMATION* processInformation) {
  if (!startupInfo || !processInformation || (!applicationName && !commandLine)) return ERROR_INVALID_PARAMETER;
  if (environment || (creationFlags & CREATE_SUSPENDED)) return ERROR_NOT_SUPPORTED;
  if ((startupInfo->dwFlags & STARTF_USESTDHANDLES) &&
      (startupInfo->hStdInput || startupInfo->hStdOutput || startupInfo->hStdError))
    return ERROR_INVALID_HANDLE;
  return ERROR_SUCCESS;
}

DWORD PrepareLaunch(LPCSTR applicationName, LPSTR commandLine, LPCSTR currentDirectory, const STARTUPINFOA& startupInfo,
                    Launch& launch) {
  std::vector<std::string> words = detail::SplitCommandLine(commandLine ? commandLine : "");
  const std::string program = applicationName ? applicationName : (words.empty() ? "" : words[0]);
  launch.program = detail::ToHostPath(program);
  if (DWORD error = CheckProgram(launch.program); error != ERROR_SUCCESS) return error;
  launch.directory = detail::ToHostPath(currentDirectory ? currentDirectory : CurrentWindowsDirectory());
  if (!IsDirectory(launch.directory)) return ERROR_DIRECTORY;
  launch.arguments.push_back(launch.program);
  for (size_t i = 1; i < words.size(); ++i) launch.arguments.push_back(AnsiToUtf8(words[i]));
  if (startupInfo.dwFlags & STARTF_USESHOWWINDOW) launch.showWindow = startupInfo.wShowWindow;
  launch.emptyStandardFiles = (startupInfo.dwFlags & STARTF_USESTDHANDLES) != 0;
  return ERROR_SUCCESS;
}

}  // namespace

// ---------------------------------------------------------------------------

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
  std::optional<std::string> value;
  {
    std::lock_guard guard(EnvironmentLock());
    value = LookUpVariable(name ? name : "");
  }
  if (!value) {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  SetLastError(ERROR_SUCCESS);  // tells an empty value from a missing one
  return detail::CopyToBuffer(*value, buffer, size);
}

BOOL SetEnvironmentVariableA(LPCSTR name, LPCSTR value) {
  if (!name || !IsVariableName(name)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard guard(EnvironmentLock());
  const std::string hostName = HostVariableName(AnsiToUtf8(name)).value_or(AnsiToUtf8(name));
  if (!value) {
    unsetenv(hostName.c_str());
    return TRUE;
  }
  if (setenv(hostName.c_str(), AnsiToUtf8(value).c_str(), 1) != 0) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  return TRUE;
}

DWORD ExpandEnvironmentStringsA(LPCSTR source, LPSTR buffer, DWORD size) {
  if (!source) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string expanded;
  {
    std::lock_guard guard(EnvironmentLock());
    expanded = Expand(source);
  }
  const DWORD needed = static_cast<DWORD>(expanded.size() + 1);
  if (buffer && size >= needed) std::memcpy(buffer, expanded.c_str(), needed);
  return needed;
}

LPSTR GetCommandLineA() {
  CommandLine& commandLine = TheCommandLine();
  std::lock_guard guard(commandLine.lock);
  if (!commandLine.text) commandLine.text = CommandLineOfThisProcess();
  return commandLine.text->data();
}

void GetStartupInfoA(LPSTARTUPINFOA info) {
  if (!info) return;
  *info = STARTUPINFOA{};
  info->cb = sizeof *info;
  if (auto show = TheStartup().showWindow) {
    info->dwFlags = STARTF_USESHOWWINDOW;
    info->wShowWindow = *show;
  }
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
  std::string host;
  if (!module) {
    host = ExecutableHostPath();
  } else if (auto found = detail::HandleTable::Get<Module>(module)) {
    host = found->hostPath;
  } else {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  std::string path = detail::ToWindowsPath(host);
  if (path.empty()) {  // no drive maps the folder
    SetLastError(ERROR_PATH_NOT_FOUND);
    return 0;
  }
  return CopyTruncating(path, buffer, size);
}

HMODULE GetModuleHandleA(LPCSTR name) {
  if (!name) return HandleOfModuleAt(ExecutableHostPath());
  struct Search {
    std::string wantedPath;  // when the name has a folder
    std::string wantedName;
    std::string found;
  } search;
  if (HasSeparatorOrDrive(name))
    search.wantedPath = detail::ToHostPath(name);
  else
    search.wantedName = detail::WindowsNameToHost(name);
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        auto& s = *static_cast<Search*>(data);
        std::string path = HostPathOfLoaded(info->dlpi_name);
        const bool match = s.wantedPath.empty()
                               ? EqualsIgnoringAsciiCase(std::filesystem::path(path).filename().string(), s.wantedName)
                               : path == s.wantedPath;
        if (match) s.found = path;
        return match ? 1 : 0;
      },
      &search);
  if (search.found.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return HandleOfModuleAt(search.found);
}

HMODULE LoadLibraryA(LPCSTR fileName) {
  const std::string host = FindLibrary(fileName ? fileName : "");
  if (host.empty() || !IsRegularFile(host)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  if (!ElfFile(host).IsElf()) {
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return nullptr;
  }
  void* dl = dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL);
  link_map* map = nullptr;
  if (!dl || dlinfo(dl, RTLD_DI_LINKMAP, &map) != 0 || !map) {
    if (dl) dlclose(dl);
    SetLastError(ERROR_MOD_NOT_FOUND);  // a library it needs, or a symbol, is missing
    return nullptr;
  }
  std::lock_guard guard(TheModules().lock);
  uint32_t id = 0;
  auto module = ModuleAt(HostPathOfLoaded(map->l_name), id);
  // One reference of the host's loader stands for all the loads not yet freed.
  if (module->loads++ == 0)
    module->dl = dl;
  else
    dlclose(dl);
  return HandleFromId<HMODULE>(id);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  auto found = detail::HandleTable::Get<Module>(module);
  if (!found) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (reinterpret_cast<uintptr_t>(name) < 0x10000) {  // an ordinal: the libraries export by name only
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  std::lock_guard guard(TheModules().lock);
  void* dl = found->dl;
  const bool borrowed = !dl;
  if (borrowed) dl = dlopen(found->hostPath.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!dl) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  void* symbol = dlsym(dl, name);
  if (borrowed) dlclose(dl);
  if (!symbol) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module) {
  auto found = detail::HandleTable::Get<Module>(module);
  if (!found) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Modules& modules = TheModules();
  std::lock_guard guard(modules.lock);
  if (found->loads == 0) return TRUE;  // the program, or a library the host's loader holds
  if (--found->loads > 0) return TRUE;
  dlclose(std::exchange(found->dl, nullptr));
  if (void* stillLoaded = dlopen(found->hostPath.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
    dlclose(stillLoaded);
    return TRUE;
  }
  modules.ids.erase(found->hostPath);
  detail::HandleTable::Remove(HandleId(module));
  return TRUE;
}

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL,
                    DWORD creationFlags, LPVOID environment, LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation) {
  Launch launch;
  DWORD error = CheckRequest(applicationName, commandLine, creationFlags, environment, startupInfo, processInformation);
  if (error == ERROR_SUCCESS)
    error = PrepareLaunch(applicationName, commandLine, currentDirectory, *startupInfo, launch);
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return FALSE;
  }
  int channelEnds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, channelEnds) != 0) {
    SetLastError(StartError(errno));
    return FALSE;
  }
  Descriptor channelRead(AboveStandardFiles(channelEnds[0]));
  Descriptor channelWrite(AboveStandardFiles(channelEnds[1]));
  int startErrno = 0;
  const pid_t pid = Spawn(launch, channelWrite.Get(), startErrno);
  channelWrite.Close();
  if (pid < 0) {
    SetLastError(StartError(startErrno));
    return FALSE;
  }
  auto child = std::make_shared<Child>();
  child->pid = pid;
  child->builtOnPlatform = IsBuiltOnPlatform(launch.program);
  const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  try {
    std::thread(Reap, child, pidfd, channelRead.Get()).detach();
    channelRead.Release();
  } catch (const std::system_error&) {
    // Without its reaper the child could never be waited for: take it back.
    kill(pid, SIGKILL);
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    if (pidfd >= 0) close(pidfd);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  processInformation->hProcess = HandleFromId(detail::HandleTable::Insert(std::make_shared<ProcessObject>(child)));
  processInformation->hThread = HandleFromId(detail::HandleTable::Insert(std::make_shared<ChildMainThread>(child)));
  processInformation->dwProcessId = static_cast<DWORD>(pid);
  processInformation->dwThreadId = static_cast<DWORD>(pid);  // the main thread's id is the process's on the host
  return TRUE;
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
  auto object = detail::HandleTable::Get<ProcessObject>(process);
  if (!object || !exitCode) {
    SetLastError(object ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard lock(detail::KernelMutex());
  *exitCode = object->child->exited ? object->child->exitCode : STILL_ACTIVE;
  return TRUE;
}

DWORD WaitForInputIdle(HANDLE process, DWORD ms) {
  auto object = detail::HandleTable::Get<ProcessObject>(process);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  Child& child = *object->child;
  // A foreign program never opens the channel; it counts as idle at once,
  // as a program without a message queue does.
  if (!child.builtOnPlatform) return 0;
  std::unique_lock lock(detail::KernelMutex());
  auto settled = [&] { return child.idle || !child.channelOpen || child.exited; };
  detail::WaitUntil(lock, settled, detail::DeadlineAfter(ms));
  if (child.idle) return 0;
  if (child.channelOpen && !child.exited) return WAIT_TIMEOUT;
  SetLastError(ERROR_GEN_FAILURE);  // it ended, or gave up its channel, before it was idle
  return WAIT_FAILED;
}

namespace detail {

void ReportInputIdle() {
  const int channel = TheStartup().inputIdleFd.exchange(-1);
  if (channel < 0) return;
  const char idle = 1;
  [[maybe_unused]] ssize_t sent = send(channel, &idle, 1, MSG_NOSIGNAL);  // a parent that is gone reads nothing
  close(channel);
}

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> words;
  size_t at = 0;
  const size_t end = line.size();
  while (at < end && IsBlank(line[at])) ++at;
  if (at == end) return words;
  std::string program;
  for (bool quoted = false; at < end && (quoted || !IsBlank(line[at])); ++at) {
    if (line[at] == '"')
      quoted = !quoted;
    else if (StartsDoubleByte(line, at))
      program.append(line.substr(at++, 2));
    else
      program += line[at];
  }
  words.push_back(std::move(program));
  for (;;) {
    while (at < end && IsBlank(line[at])) ++at;
    if (at == end) break;
    std::string word;
    for (bool quoted = false; at < end && (quoted || !IsBlank(line[at]));) {
      if (line[at] == '\\') {
        const size_t run = std::min(line.find_first_not_of('\\', at), end);
        const size_t count = run - at;
        const bool beforeQuote = run < end && line[run] == '"';
        word.append(beforeQuote ? count / 2 : count, '\\');
        if (beforeQuote && count % 2 == 1) {
          word += '"';
          at = run + 1;
        } else {
          at = run;
        }
      } else if (line[at] == '"') {
        if (quoted && at + 1 < end && line[at + 1] == '"') {
          word += '"';
          at += 2;
        } else {
          quoted = !quoted;
          ++at;
        }
      } else if (StartsDoubleByte(line, at)) {
        word.append(line.substr(at, 2));
        at += 2;
      } else {
        word += line[at++];
      }
    }
    words.push_back(std::move(word));
  }
  return words;
}

std::string BuildCommandLine(const std::vector<std::string>& arguments) {
  std::string line;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (i > 0) line += ' ';
    line += i == 0 ? QuoteProgram(arguments[i]) : QuoteArgument(arguments[i]);
  }
  return line;
}

HMODULE ModuleOfAddress(const void* address) {
  Dl_info info{};
  link_map* map = nullptr;
  if (!dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) || !map) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return HandleOfModuleAt(HostPathOfLoaded(map->l_name));
}

}  // namespace detail

namespace test {

void SetCommandLine(std::string_view commandLine) {
  CommandLine& state = TheCommandLine();
  std::lock_guard guard(state.lock);
  state.text = std::string(commandLine);
}

}  // namespace test
}  // namespace win
