// Real peers for the tests of MPRIS: a private session bus (its own
// dbus-daemon, named to this process and its children through
// DBUS_SESSION_BUS_ADDRESS, so a person's bus is never touched), programs
// running beside the test (mpv, koru), playerctl, and the silent WAV files
// that mpv plays.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "testsupport/RunProgram.h"
#include "testsupport/TempDir.h"

namespace koru::testing {

// A program running in the background until Stop or its destruction; its
// output and errors go to a file.
class BackgroundProgram {
 public:
  BackgroundProgram(const std::string& program, const std::vector<std::string>& args, const std::string& logFile);
  ~BackgroundProgram();
  BackgroundProgram(const BackgroundProgram&) = delete;
  BackgroundProgram& operator=(const BackgroundProgram&) = delete;

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }
  // Ends the program (SIGTERM) and waits for it.
  void Stop();

 private:
  friend class PrivateBus;
  BackgroundProgram() = default;

  pid_t pid_ = -1;
};

class PrivateBus {
 public:
  // Starts the daemon and points DBUS_SESSION_BUS_ADDRESS at it; Address()
  // stays empty when it could not start.
  PrivateBus();
  // Stops the daemon and gives the variable back its former value.
  ~PrivateBus();
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  const std::string& Address() const { return address_; }

 private:
  BackgroundProgram daemon_;
  std::string address_;
  bool hadAddress_ = false;
  std::string formerAddress_;
};

// Waits until `name` has an owner on the session bus; false when it still
// has none after `timeoutMs`.
bool WaitForBusName(const std::string& name, int timeoutMs = 20000);

// playerctl with these arguments, run to its end; its output trimmed.
struct PlayerctlResult {
  int exitCode;
  std::string out;
};
PlayerctlResult Playerctl(const std::vector<std::string>& args);

// A silent mono WAV file of `seconds` seconds at a host path.
void WriteSilentWav(const std::string& hostPath, int seconds);

// mpv with its MPRIS plug-in, no audio device and no window, playing these
// host files, paused at the start of the first one.
std::vector<std::string> MpvArguments(const std::vector<std::string>& files);

}  // namespace koru::testing
