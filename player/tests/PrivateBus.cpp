#include "player/tests/PrivateBus.h"

#include <fcntl.h>
#include <sdbus-c++/sdbus-c++.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <mutex>

namespace koru::testing {

namespace {

constexpr char kAddressVariable[] = "DBUS_SESSION_BUS_ADDRESS";
constexpr char kMprisPlugin[] = "/usr/lib/mpv-mpris/mpris.so";

// Starts `program`; its output goes to `outFd` when that is not negative,
// else with its errors to `logFile`.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args, int outFd, const std::string& logFile) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid != 0) return pid;
  const int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int devNull = open("/dev/null", O_RDONLY);
  dup2(devNull, STDIN_FILENO);
  dup2(outFd >= 0 ? outFd : log, STDOUT_FILENO);
  dup2(log, STDERR_FILENO);
  execvp(program.c_str(), argv.data());
  _exit(127);
}

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \r\n\t");
  const size_t last = text.find_last_not_of(" \r\n\t");
  return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

void PutLittleEndian(std::ofstream& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

BackgroundProgram::BackgroundProgram(const std::string& program, const std::vector<std::string>& args,
                                     const std::string& logFile)
    : pid_(Spawn(program, args, -1, logFile)) {}

BackgroundProgram::~BackgroundProgram() { Stop(); }

void BackgroundProgram::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

PrivateBus::PrivateBus() {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return;
  daemon_.pid_ =
      Spawn("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address=1"}, pipeFds[1], "/dev/null");
  close(pipeFds[1]);
  // The daemon prints its address once it listens.
  std::string line;
  char c = 0;
  while (read(pipeFds[0], &c, 1) == 1 && c != '\n') line += c;
  close(pipeFds[0]);
  if (line.empty()) return;
  address_ = line;
  if (const char* former = std::getenv(kAddressVariable)) {
    hadAddress_ = true;
    formerAddress_ = former;
  }
  setenv(kAddressVariable, address_.c_str(), 1);
}

PrivateBus::~PrivateBus() {
  daemon_.Stop();
  if (address_.empty()) return;
  if (hadAddress_) {
    setenv(kAddressVariable, formerAddress_.c_str(), 1);
  } else {
    unsetenv(kAddressVariable);
  }
}

bool WaitForBusName(const std::string& name, int timeoutMs) {
  auto connection = sdbus::createSessionBusConnection();
  auto bus = sdbus::createProxy(*connection, "org.freedesktop.DBus", "/org/freedesktop/DBus");
  std::mutex mutex;
  std::condition_variable changed;
  bool owned = false;
  bus->uponSignal("NameOwnerChanged")
      .onInterface("org.freedesktop.DBus")
      .call([&](const std::string& changedName, const std::string&, const std::string& newOwner) {
        if (changedName != name || newOwner.empty()) return;
        std::lock_guard lock(mutex);
        owned = true;
        changed.notify_all();
      });
  bus->finishRegistration();
  connection->enterEventLoopAsync();
  bool hasOwner = false;
  bus->callMethod("NameHasOwner").onInterface("org.freedesktop.DBus").withArguments(name).storeResultsTo(hasOwner);
  std::unique_lock lock(mutex);
  const bool found = hasOwner || changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return owned; });
  lock.unlock();
  connection->leaveEventLoop();
  return found;
}

PlayerctlResult Playerctl(const std::vector<std::string>& args) {
  const testsupport::TempDir work;
  const testsupport::ProgramResult result = testsupport::RunProgram("playerctl", args, work.path());
  return {result.exitCode, Trimmed(result.out)};
}

void WriteSilentWav(const std::string& hostPath, int seconds) {
  constexpr uint32_t kRate = 8000;
  const uint32_t dataSize = kRate * static_cast<uint32_t>(seconds);
  std::ofstream out(hostPath, std::ios::binary);
  out << "RIFF";
  PutLittleEndian(out, 36 + dataSize, 4);
  out << "WAVEfmt ";
  PutLittleEndian(out, 16, 4);     // the format chunk's size
  PutLittleEndian(out, 1, 2);      // PCM
  PutLittleEndian(out, 1, 2);      // mono
  PutLittleEndian(out, kRate, 4);  // samples a second
  PutLittleEndian(out, kRate, 4);  // bytes a second
  PutLittleEndian(out, 1, 2);      // bytes a sample
  PutLittleEndian(out, 8, 2);      // bits a sample
  out << "data";
  PutLittleEndian(out, dataSize, 4);
  out << std::string(dataSize, static_cast<char>(0x80));  // unsigned 8-bit silence
}

std::vector<std::string> MpvArguments(const std::vector<std::string>& files) {
  std::vector<std::string> args = {
      "--no-config", "--ao=null",  "--vo=null",     "--no-terminal",
      "--pause",     "--idle=yes", "--hr-seek=yes", std::string("--script=") + kMprisPlugin};
  args.insert(args.end(), files.begin(), files.end());
  return args;
}

}  // namespace koru::testing
