#include "testsupport/SaveFaults.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

namespace testsupport {

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
  signal(SIGXFSZ, SIG_IGN);
  getrlimit(RLIMIT_FSIZE, &saved_);
  rlimit limited = saved_;
  limited.rlim_cur = bytes;
  setrlimit(RLIMIT_FSIZE, &limited);
}

FileSizeLimit::~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }

void KillSavesAtRandom(int rounds, int longestDelayUs, unsigned seed, const std::function<void()>& saveForever,
                       const std::function<void(int round)>& check) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> delay(0, longestDelayUs);
  for (int round = 0; round < rounds && !::testing::Test::HasFailure(); ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      saveForever();
      _exit(0);
    }
    usleep(static_cast<useconds_t>(delay(random)));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    SCOPED_TRACE("round " + std::to_string(round) + " of seed " + std::to_string(seed));
    check(round);
  }
}

}  // namespace testsupport
