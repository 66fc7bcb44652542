// Saves that meet a fault: a process killed at a random moment of a save,
// and a file-size limit that fails writes part-way as a full disk does.
#pragma once

#include <sys/resource.h>

#include <functional>

namespace testsupport {

// While the object lives, writes beyond `bytes` of any file fail (EFBIG)
// instead of raising SIGXFSZ, as on a filesystem with no room left.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
};

// For `rounds` rounds: forks a child that runs `saveForever` (which never
// returns), kills it with SIGKILL after a random delay of up to
// `longestDelayUs` microseconds, reaps it, and calls `check` with the round's
// number. The random moments follow `seed`, so a failing round comes back.
void KillSavesAtRandom(int rounds, int longestDelayUs, unsigned seed, const std::function<void()>& saveForever,
                       const std::function<void(int round)>& check);

}  // namespace testsupport
