// The file-association tool: makes a program the one that opens files of
// an extension, undoes that again with everything put back as it was, and
// tells which program opens an extension's files. It works as the program
// itself would through ktvRegistry, but for the program a person names
// rather than for this tool: the backups are named after that program, and
// its own later undo (or another run of this tool) finds them. Text on the
// terminal is UTF-8; the registry holds code page 932.
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "framework/SysUtils.h"
#include "platform/Text.h"
#include "registry/Ktreg.h"

namespace {

constexpr int kExitFailed = 1;  // the registry refused, or there is nothing to do
constexpr int kExitUsage = 2;   // the command line is wrong

constexpr const char* kOpenAction = "open";
constexpr const char* kOpenCaption = "&Open";

constexpr const char* kUsage =
    "usage: winassoc associate .EXT PROGRAM [TYPE [DESCRIPTION [ICON]]]\n"
    "       winassoc restore .EXT [PROGRAM [TYPE]]\n"
    "       winassoc app .EXT [ACTION]\n"
    "\n"
    "associate  makes PROGRAM (a Windows path such as C:\\Apps\\player.exe) open the files\n"
    "           ending in .EXT: the extension names the file type TYPE (by default the\n"
    "           program's name without its extension), whose default action \"open\" runs\n"
    "           \"PROGRAM\" \"%1\". DESCRIPTION and ICON (such as C:\\Apps\\player.exe,0) are\n"
    "           set when given. Every value replaced is kept in a backup named after the\n"
    "           program.\n"
    "restore    undoes that association and puts back what was there before. Without\n"
    "           PROGRAM it is the program that opens .EXT now, and TYPE the file type\n"
    "           .EXT names now.\n"
    "app        prints the program that runs ACTION (\"open\" by default) for .EXT.\n"
    "\n"
    "The registry is the one of the platform prefix ($LOZG_PREFIX).\n";

struct ToolError {
  int exitCode;
  std::string message;
};

[[noreturn]] void Fail(int exitCode, const std::string& message) { throw ToolError{exitCode, message}; }

// Text of the terminal in code page 932; text that has no counterpart
// there is refused rather than stored with question marks.
std::string ToAnsi(std::string_view utf8) {
  std::string ansi = win::Utf8ToAnsi(utf8);
  if (win::AnsiToUtf8(ansi) != utf8) Fail(kExitUsage, "\"" + std::string(utf8) + "\" cannot be written in code page 932");
  return ansi;
}

std::string Shown(const std::string& ansi) { return win::AnsiToUtf8(ansi); }

std::string ExtensionArgument(std::string_view text) {
  std::string ext = ToAnsi(text);
  if (ext.size() < 2 || ext[0] != '.' || LastDelimiter("\\", ext) != 0)
    Fail(kExitUsage, "\"" + std::string(text) + "\" is not an extension such as .txt");
  return ext;
}

// The object acts for the named program: its backups are named after it,
// and its values count as its own when they name it.
void ActFor(ktvRegistry& reg, const std::string& program) {
  reg.SetApplicationName(program);
  reg.FileType = ChangeFileExt(reg.ApplicationName, "");
  reg.BackupName = reg.FileType;
  if (reg.FileType.empty()) Fail(kExitUsage, "\"" + Shown(program) + "\" does not name a program file");
}

std::string ExtensionValue(ktvRegistry& reg, const std::string& ext, const std::string& name) {
  reg.KeyPath.clear();
  return reg.ReadKey(ext, name);
}

bool ExtensionBackedUp(ktvRegistry& reg, const std::string& ext) {
  reg.KeyPath.clear();
  return reg.IsBackup(ext);
}

// What an association made through ktvRegistry leaves: the backup in the
// extension key or in the command of the open action. Another program's
// own association has neither, and is never taken apart.
bool HasBackups(ktvRegistry& reg, const std::string& ext) {
  if (ExtensionBackedUp(reg, ext)) return true;
  reg.KeyPath = reg.FileType;
  return reg.IsBackup("shell\\open\\command");
}

int Associate(const std::vector<std::string>& args) {
  const std::string ext = ExtensionArgument(args[0]);
  const std::string program = ToAnsi(args[1]);
  ktvRegistry reg;
  ActFor(reg, program);
  if (args.size() > 2 && !args[2].empty()) reg.FileType = ToAnsi(args[2]);
  if (args.size() > 3) reg.SetFileType(reg.FileType, ToAnsi(args[3]));
  reg.Extension = ext;
  bool done = args.size() <= 4 || reg.SetIcon(ToAnsi(args[4]));
  reg.SetAssociate(kOpenAction, kOpenCaption, "\"" + program + "\" \"%1\"");
  reg.SetDefaultCommand(kOpenAction);
  done = done && reg.IsAssociate(kOpenAction) && ExtensionValue(reg, ext, "") == reg.FileType;
  if (!done)
    Fail(kExitFailed, "the registry refused a change; \"winassoc restore " + Shown(ext) + " " + Shown(program) +
                          "\" undoes what was done");
  const std::string before = ExtensionValue(reg, ext, reg.BackupName);
  std::cout << Shown(ext) << " now opens with " << Shown(program) << " (file type " << Shown(reg.FileType) << "); "
            << (before.empty() ? "it had no association before" : "before, it named " + Shown(before)) << "\n";
  return 0;
}

int Restore(const std::vector<std::string>& args) {
  const std::string ext = ExtensionArgument(args[0]);
  ktvRegistry reg;
  std::string program, type;
  if (args.size() > 1) {
    program = ToAnsi(args[1]);
    ActFor(reg, program);
    type = args.size() > 2 ? ToAnsi(args[2]) : reg.FileType;
  } else {
    program = reg.GetApplication(ext, kOpenAction);
    type = reg.FileType;
    if (program.empty()) Fail(kExitFailed, "no program opens " + Shown(ext) + "; name the PROGRAM to restore");
    ActFor(reg, program);
  }
  reg.FileType = type;
  reg.Extension = ext;
  if (!HasBackups(reg, ext))
    Fail(kExitFailed, Shown(ext) + " holds no association of " + Shown(program) + " (file type " + Shown(type) +
                          ") to restore");
  reg.RestoreAssociate();
  const bool takenSince = ExtensionValue(reg, ext, "") != type && ExtensionBackedUp(reg, ext);
  if (reg.IsAssociate(kOpenAction) || (!takenSince && ExtensionBackedUp(reg, ext)))
    Fail(kExitFailed, "the registry refused a change; the backups are kept, so running this again finishes it");
  const std::string now = ExtensionValue(reg, ext, "");
  if (takenSince)
    std::cout << Shown(ext) << " belongs to " << Shown(now) << " now and stays so; the file type " << Shown(type)
              << " is restored\n";
  else if (now.empty())
    std::cout << Shown(ext) << " has no association again\n";
  else
    std::cout << Shown(ext) << " names " << Shown(now) << " again\n";
  return 0;
}

int Application(const std::vector<std::string>& args) {
  const std::string ext = ExtensionArgument(args[0]);
  const std::string action = args.size() > 1 ? ToAnsi(args[1]) : kOpenAction;
  ktvRegistry reg;
  const std::string program = reg.GetApplication(ext, action);
  if (program.empty()) Fail(kExitFailed, "no program runs \"" + Shown(action) + "\" for " + Shown(ext));
  std::cout << Shown(program) << "\n";
  return 0;
}

int Run(const std::vector<std::string>& args) {
  if (args.empty()) Fail(kExitUsage, "a command is missing\n" + std::string(kUsage));
  const std::string& command = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "help" || command == "--help" || command == "-h") {
    std::cout << kUsage;
    return 0;
  }
  if (command == "associate" && rest.size() >= 2 && rest.size() <= 5) return Associate(rest);
  if (command == "restore" && rest.size() >= 1 && rest.size() <= 3) return Restore(rest);
  if (command == "app" && rest.size() >= 1 && rest.size() <= 2) return Application(rest);
  Fail(kExitUsage, "wrong command or arguments: " + command + "\n" + std::string(kUsage));
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const ToolError& error) {
    std::cout.flush();
    std::cerr << "winassoc: " << error.message << (error.message.ends_with('\n') ? "" : "\n");
    return error.exitCode;
  }
}
