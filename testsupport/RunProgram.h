// Runs a command-line program as a person would, for the tests of tools.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

struct ProgramResult {
  int exitCode;  // -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// Runs `program` with `args` (each passed as one argument, unchanged), feeding
// `input` on its standard input; `workDir` holds the captured streams.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& workDir,
                         const std::string& input = "");

std::string ReadWholeFile(const std::string& path);

}  // namespace testsupport
