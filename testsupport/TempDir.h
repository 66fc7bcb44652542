// Temporary folders for tests.
#pragma once

#include <string>

namespace testsupport {

// Creates a new empty folder under the system's temporary folder.
std::string MakeTempDir(const std::string& stem = "lozg-test-");

// A temporary folder removed with everything in it when the object dies.
class TempDir {
 public:
  TempDir() : path_(MakeTempDir()) {}
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace testsupport
