#include "testsupport/RunProgram.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace testsupport {

namespace {

std::string ShellQuoted(const std::string& arg) {
  std::string quoted = "'";
  for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& workDir,
                         const std::string& input) {
  std::string command = ShellQuoted(program);
  for (const std::string& arg : args) command += " " + ShellQuoted(arg);
  std::ofstream(workDir + "/in", std::ios::binary) << input;
  command += " <" + ShellQuoted(workDir + "/in") + " >" + ShellQuoted(workDir + "/out") + " 2>" +
             ShellQuoted(workDir + "/err");
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadWholeFile(workDir + "/out"),
          ReadWholeFile(workDir + "/err")};
}

}  // namespace testsupport
