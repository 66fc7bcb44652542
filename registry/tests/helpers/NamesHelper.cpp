// Prints the names a fresh ktvRegistry takes from this program's file name,
// so that a test can run it under another name.
#include <cstdio>

#include "registry/Ktreg.h"

int main() {
  ktvRegistry reg;
  std::printf("%s\n%s\n%s\n", reg.ApplicationName.c_str(), reg.FileType.c_str(), reg.BackupName.c_str());
  return 0;
}
