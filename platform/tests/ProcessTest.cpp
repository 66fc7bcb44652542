#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Sync.h"
#include "platform/Text.h"
#include "platform/tests/Children.h"
#include "testsupport/TempDir.h"

using namespace win;

namespace {

std::string HostPathOfThisProgram() { return std::filesystem::read_symlink("/proc/self/exe").string(); }

std::string Expanded(const char* source) {
  char buffer[256];
  DWORD size = ExpandEnvironmentStringsA(source, buffer, sizeof buffer);
  return size > 0 && size <= sizeof buffer ? std::string(buffer) : "<failed>";
}

std::vector<std::string> Lines(const std::string& hostFile) {
  std::ifstream in(hostFile);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

using Words = std::vector<std::string>;

}  // namespace

TEST(Environment, NamesIgnoreCaseAndSizesFollowThePlatform) {
  ASSERT_TRUE(SetEnvironmentVariableA("LozgTestVariable", "value"));
  char buffer[16] = "untouched";
  EXPECT_EQ(GetEnvironmentVariableA("LOZGTESTVARIABLE", buffer, sizeof buffer), 5u);
  EXPECT_STREQ(buffer, "value");
  std::strcpy(buffer, "untouched");
  EXPECT_EQ(GetEnvironmentVariableA("lozgtestvariable", buffer, 5), 6u) << "the size needed, terminator included";
  EXPECT_STREQ(buffer, "untouched");

  ASSERT_TRUE(SetEnvironmentVariableA("LOZGTESTVARIABLE", SJ("日本").c_str()));
  EXPECT_STREQ(std::getenv("LozgTestVariable"), "日本") << "one variable, host text in UTF-8";
  EXPECT_EQ(std::getenv("LOZGTESTVARIABLE"), nullptr);
  GetEnvironmentVariableA("LozgTestVariable", buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer), SJ("日本"));

  ASSERT_TRUE(SetEnvironmentVariableA("LozgTestVariable", nullptr));
  EXPECT_EQ(GetEnvironmentVariableA("LozgTestVariable", buffer, sizeof buffer), 0u);
  EXPECT_EQ(GetLastError(), ERROR_ENVVAR_NOT_FOUND);
  EXPECT_FALSE(SetEnvironmentVariableA("A=B", "x"));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(Environment, ExpansionReplacesDefinedNamesOnly) {
  SetEnvironmentVariableA("LOZG_A", "x");
  SetEnvironmentVariableA("LOZG_B", "yy");
  SetEnvironmentVariableA("LOZG_UNSET", nullptr);
  const struct {
    const char* source;
    const char* expected;
  } cases[] = {
      {"%LOZG_A%", "x"},
      {"a%LOZG_A%b%LOZG_B%c", "axbyyc"},
      {"%lozg_b%", "yy"},
      {"%LOZG_UNSET%", "%LOZG_UNSET%"},
      {"%LOZG_UNSET%LOZG_A%", "%LOZG_UNSETx"},
      {"50% and %LOZG_A%", "50% and x"},
      {"100%", "100%"},
      {"%%", "%%"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Expanded(c.source), c.expected) << c.source;

  char small[2] = "u";
  EXPECT_EQ(ExpandEnvironmentStringsA("%LOZG_B%", small, sizeof small), 3u);
  EXPECT_STREQ(small, "u");
}

TEST(CommandLine, SplittingFollowsThePlatformsRules) {
  const struct {
    std::string line;
    Words words;
  } cases[] = {
      {"prog a b", {"prog", "a", "b"}},
      {"\"C:\\Program Files\\x.exe\" /PLUGIN", {"C:\\Program Files\\x.exe", "/PLUGIN"}},
      {"C:\\Program Files\\x.exe /PLUGIN", {"C:\\Program", "Files\\x.exe", "/PLUGIN"}},
      {"  p  \"a b\"\tc  ", {"p", "a b", "c"}},
      {"p\\\\ a\\\\b", {"p\\\\", "a\\\\b"}},
      {"p \"a\\\\\"", {"p", "a\\"}},
      {"p a\\\"b", {"p", "a\"b"}},
      {"p \"a\\\\\\\"b\"", {"p", "a\\\"b"}},
      {"p \"a\"\"b\" c", {"p", "a\"b", "c"}},
      {"p \"\" x", {"p", "", "x"}},
      {"p \"open", {"p", "open"}},
      {"p " + SJ("\"表\" 表\"x y\""), {"p", SJ("表"), SJ("表x y")}},
      {"", {}},
      {"   ", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(detail::SplitCommandLine(c.line), c.words) << c.line;
}

TEST(CommandLine, BuildingQuotesSoThatSplittingGivesTheArgumentsBack) {
  const Words arguments = {"C:\\Program Files\\p.exe",
                           "",
                           "a b",
                           "a\"b",
                           "a\\b",
                           "a\\\\\"b",
                           "end\\",
                           "x y\\",
                           "\t",
                           SJ("表 表"),
                           SJ("表"),
                           "/PLUGIN"};
  EXPECT_EQ(detail::SplitCommandLine(detail::BuildCommandLine(arguments)), arguments);
  EXPECT_EQ(detail::BuildCommandLine({"C:\\p.exe", "/PLUGIN", "a b"}), "C:\\p.exe /PLUGIN \"a b\"");
}

TEST(CommandLine, IsThisProcessesWithTheProgramAsAWindowsPath) {
  Words words = detail::SplitCommandLine(GetCommandLineA());
  ASSERT_FALSE(words.empty());
  EXPECT_EQ(detail::ToHostPath(words[0]), HostPathOfThisProgram());
  size_t hostArguments = 0;
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  for (std::string argument; std::getline(in, argument, '\0');) ++hostArguments;
  EXPECT_EQ(words.size(), hostArguments);

  test::SetCommandLine("koru.exe /plugin");
  EXPECT_STREQ(GetCommandLineA(), "koru.exe /plugin");
}

TEST(Module, TheProgramsPathIsAWindowsPathOfTheExecutable) {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  ASSERT_GT(length, 3u);
  EXPECT_EQ(length, std::strlen(path));
  EXPECT_EQ(path[1], ':');
  EXPECT_EQ(detail::ToHostPath(path), HostPathOfThisProgram());

  HMODULE program = GetModuleHandleA(nullptr);
  char again[MAX_PATH];
  GetModuleFileNameA(program, again, sizeof again);
  EXPECT_STREQ(again, path);

  char small[5];
  EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), 5u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::string(small), std::string(path, 4));
}

TEST(Module, ALibraryHasItsOwnPathAndHandle) {
  HMODULE platform = detail::ModuleOfAddress(reinterpret_cast<const void*>(&GetTickCount));
  ASSERT_NE(platform, nullptr);
  EXPECT_NE(platform, GetModuleHandleA(nullptr));
  EXPECT_EQ(GetModuleHandleA("LIBPLATFORM.SO"), platform) << "a file name matches in any case";
  char path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(platform, path, sizeof path), 0u);
  Dl_info info{};
  ASSERT_TRUE(dladdr(reinterpret_cast<const void*>(&GetTickCount), &info));
  EXPECT_EQ(detail::ToHostPath(path), std::filesystem::absolute(info.dli_fname).lexically_normal().string());
  EXPECT_EQ(GetModuleHandleA("no-such-library.so"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

TEST(Module, LoadLibraryGivesExportsAndTheLastFreeLibraryUnloads) {
  const std::string host = children::HostFolderOfTests() + "/liblozg_test_library.so";
  HMODULE library = LoadLibraryA(detail::ToWindowsPath(host).c_str());
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(LoadLibraryA("liblozg_test_library.so"), library) << "a bare name is found beside the program";
  auto ownModule = reinterpret_cast<HMODULE (*)()>(GetProcAddress(library, "LozgTestOwnModule"));
  ASSERT_NE(ownModule, nullptr);
  EXPECT_EQ(ownModule(), library) << "the library finds its own handle from an address of its own";
  EXPECT_EQ(GetProcAddress(library, "NoSuchExport"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);

  char path[MAX_PATH];
  ASSERT_TRUE(FreeLibrary(library));
  EXPECT_GT(GetModuleFileNameA(library, path, sizeof path), 0u) << "still loaded once";
  ASSERT_TRUE(FreeLibrary(library));
  EXPECT_EQ(dlopen(host.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);
  EXPECT_EQ(GetModuleFileNameA(library, path, sizeof path), 0u);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_FALSE(FreeLibrary(library));
}

TEST(Module, LoadFailuresSayWhy) {
  testsupport::TempDir dir;
  std::ofstream(dir / "text.so") << "not a library";
  EXPECT_EQ(LoadLibraryA(detail::ToWindowsPath(dir / "text.so").c_str()), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_BAD_EXE_FORMAT);
  EXPECT_EQ(LoadLibraryA(detail::ToWindowsPath(dir / "missing.so").c_str()), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

TEST(Process, TheShellRunsInTheGivenDirectoryAndReturnsItsExitCode) {
  testsupport::TempDir dir;
  const std::string directory = detail::ToWindowsPath(dir.path());
  auto child = children::Start("sh -c \"echo here > marker; exit 3\"", "Z:\\bin\\sh", directory.c_str());
  ASSERT_TRUE(child->started) << GetLastError();
  EXPECT_EQ(child->ExitCode(), 3u);
  DWORD threadCode = 0;
  ASSERT_TRUE(GetExitCodeThread(child->info.hThread, &threadCode));
  EXPECT_EQ(threadCode, 3u);
  EXPECT_TRUE(std::filesystem::exists(dir / "marker"));

  auto fromCommandLine = children::Start("Z:\\bin\\sh -c \"exit 4\"");
  ASSERT_TRUE(fromCommandLine->started);
  EXPECT_EQ(fromCommandLine->ExitCode(), 4u);
}

TEST(Process, StartFailuresSayWhy) {
  testsupport::TempDir dir;
  std::ofstream(dir / "garbage") << "\x01\x02 not a program";
  chmod((dir / "garbage").c_str(), 0755);
  const struct {
    std::string program;
    const char* directory;
    DWORD error;
  } cases[] = {
      {"Z:\\no\\such\\program", nullptr, ERROR_FILE_NOT_FOUND},
      {detail::ToWindowsPath(dir.path()), nullptr, ERROR_ACCESS_DENIED},
      {detail::ToWindowsPath(dir / "garbage"), nullptr, ERROR_BAD_EXE_FORMAT},
      {"Z:\\bin\\sh", "Z:\\no\\such\\folder", ERROR_DIRECTORY},
  };
  for (const auto& c : cases) {
    auto child = children::Start("x", c.program.c_str(), c.directory);
    EXPECT_FALSE(child->started) << c.program;
    EXPECT_EQ(GetLastError(), c.error) << c.program;
  }
}

TEST(Process, TheChildGetsItsArgumentsDirectoryAndShowState) {
  testsupport::TempDir dir;
  const std::string directory = detail::ToWindowsPath(dir.path());
  const std::string report = dir / "report.txt";
  const std::string helper = detail::ToWindowsPath(children::HelperHostPath());
  auto child = children::Start("\"" + helper + "\" report " + report + " \"a b\" /PLUGIN", helper.c_str(),
                               directory.c_str(), STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES, 7);
  ASSERT_TRUE(child->started) << GetLastError();
  ASSERT_EQ(child->ExitCode(), 0u);
  auto lines = Lines(report);
  ASSERT_EQ(lines.size(), 4u);
  Words words = detail::SplitCommandLine(lines[0]);
  EXPECT_EQ(Words(words.begin() + 1, words.end()), (Words{"report", report, "a b", "/PLUGIN"}));
  EXPECT_EQ(detail::ToHostPath(words[0]), children::HelperHostPath());
  EXPECT_EQ(lines[1], directory);
  EXPECT_EQ(lines[2], "show 7");
  EXPECT_EQ(lines[3], "handover gone") << "the child's own children do not inherit it";

  auto plain = children::StartHelper("report " + report);
  ASSERT_EQ(plain->ExitCode(), 0u);
  EXPECT_EQ(Lines(report).at(2), "show none");
}

TEST(InputIdle, AProgramOnThePlatformIsIdleOnceItReports) {
  auto child = children::StartHelper("idle");
  ASSERT_TRUE(child->started);
  EXPECT_EQ(WaitForInputIdle(child->info.hProcess, 10000), 0u);
  DWORD code = 0;
  GetExitCodeProcess(child->info.hProcess, &code);
  EXPECT_EQ(code, STILL_ACTIVE);
  child->Kill();
  EXPECT_EQ(child->ExitCode(), 128u + SIGKILL);
}

TEST(InputIdle, AProgramThatNeverReportsTimesOutOnTheManualClock) {
  auto child = children::StartHelper("quiet");
  ASSERT_TRUE(child->started);
  EXPECT_EQ(WaitForInputIdle(child->info.hProcess, 0), WAIT_TIMEOUT);
  test::ManualClock::Enable();
  test::ManualClock::SetAutoAdvance(true);
  const ULONGLONG before = GetTickCount64();
  EXPECT_EQ(WaitForInputIdle(child->info.hProcess, 60000), WAIT_TIMEOUT);
  EXPECT_EQ(GetTickCount64() - before, 60000u);
  test::ManualClock::Disable();
}

TEST(InputIdle, AProgramThatEndsWithoutReportingFails) {
  auto child = children::StartHelper("exit 0");
  ASSERT_TRUE(child->started);
  EXPECT_EQ(WaitForInputIdle(child->info.hProcess, INFINITE), WAIT_FAILED);
}

TEST(InputIdle, AForeignProgramCountsAsIdleAtOnce) {
  auto child = children::Start("sh -c \"exec sleep 30\"", "Z:\\bin\\sh", nullptr, STARTF_USESTDHANDLES);
  ASSERT_TRUE(child->started);
  EXPECT_EQ(WaitForInputIdle(child->info.hProcess, 0), 0u);
  EXPECT_EQ(WaitForSingleObject(child->info.hProcess, 0), WAIT_TIMEOUT);
}
