#include "registry/Ktreg.h"

#include <vector>

#include "framework/Exceptions.h"
#include "framework/Lists.h"
#include "framework/SysUtils.h"
#include "platform/Process.h"

using namespace win;

namespace {

constexpr char kUninstallPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char kShell[] = "shell";

// Each round of the restore of a file type's values puts back one value; a
// key whose restore fails is not tried again in the same restore, and no
// restore runs more rounds than this, so that a registry that keeps
// refusing (or another program that keeps changing the tree) cannot hold
// it for ever.
constexpr int kMaxRestoreRounds = 1000;

// Paths of the running program are read into a buffer that grows up to this.
constexpr DWORD kMaxModulePath = 32768;

// Runs one operation on the registry: its errors give the neutral result,
// and the key it opened is closed whatever happens.
template <class Result, class Body>
Result Guarded(TRegistry& registry, Result neutral, Body&& body) {
  Result result = neutral;
  try {
    result = body();
  } catch (const Exception&) {
    result = neutral;
  }
  registry.CloseKey();
  return result;
}

std::string ModuleFileName() {
  for (DWORD size = MAX_PATH; size <= kMaxModulePath; size *= 2) {
    std::string path(size, '\0');
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), size);
    if (length == 0) return std::string();
    if (length < size) return path.substr(0, length);
  }
  return std::string();
}

// The name cut before its last dot when something follows the dot.
std::string WithoutExtension(const std::string& Name) {
  const int dot = LastDelimiter(".", Name);
  if (dot == 0 || static_cast<size_t>(dot) == Name.size()) return Name;
  return Name.substr(0, static_cast<size_t>(dot) - 1);
}

std::string Child(const std::string& Key, const std::string& Name) { return Key.empty() ? Name : Key + "\\" + Name; }

std::string ActionKey(const std::string& Action) { return Action.empty() ? std::string() : Child(kShell, Action); }

std::string CommandKey(const std::string& Action) {
  return Action.empty() ? std::string() : ActionKey(Action) + "\\command";
}

// Key paths compare without regard to case, as the registry's names do.
std::string Folded(const std::string& Key) { return UpperCase(Key); }

// The program of a command line: the text before the "%1" placeholder
// (before its opening quote when it is quoted), without blanks, and only
// the quoted text when it starts with a quote.
std::string ProgramOf(const std::string& Command) {
  size_t cut = Command.find("\"%1\"");
  if (cut == std::string::npos) cut = Command.find("%1");
  std::string program = Trim(Command.substr(0, cut));
  if (program.starts_with('"')) {
    const size_t close = program.find('"', 1);
    program = program.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  return program;
}

// The programs a value may name: a command line's program, quoted or (when
// unquoted) ending at any blank, as the system tries them; an icon location
// names its file before the ",index".
std::vector<std::string> ProgramsNamedBy(const std::string& Value) {
  const std::string text = Trim(Value);
  if (text.starts_with('"')) {
    const size_t close = text.find('"', 1);
    return {text.substr(1, close == std::string::npos ? std::string::npos : close - 1)};
  }
  std::vector<std::string> programs;
  for (size_t blank = text.find(' '); blank != std::string::npos; blank = text.find(' ', blank + 1))
    programs.push_back(text.substr(0, blank));
  programs.push_back(text);
  const size_t comma = text.rfind(',');
  if (comma != std::string::npos && comma + 1 < text.size() &&
      text.find_first_not_of("-0123456789", comma + 1) == std::string::npos)
    programs.push_back(text.substr(0, comma));
  return programs;
}

// Whether `Program` is the application: the same whole path, ignoring case;
// an application known by its file name alone is any program of that name.
bool IsApplication(const std::string& Program, const std::string& Application) {
  const bool nameOnly = ExtractFileName(Application) == Application;
  return AnsiSameFileName(nameOnly ? ExtractFileName(Program) : Program, Application);
}

}  // namespace

// The installed-programs list as the base key of HKEY_LOCAL_MACHINE for one
// operation; the root key and KeyPath come back when it ends.
class ktvRegistry::UninstallScope {
 public:
  explicit UninstallScope(ktvRegistry& Registry)
      : registry_(Registry), keyPath_(Registry.KeyPath), rootKey_(Registry.RootKey()) {
    registry_.SetRootKey(HKEY_LOCAL_MACHINE);
    registry_.KeyPath = kUninstallPath;
  }
  ~UninstallScope() {
    registry_.SetRootKey(rootKey_);
    registry_.KeyPath = keyPath_;
  }
  UninstallScope(const UninstallScope&) = delete;
  UninstallScope& operator=(const UninstallScope&) = delete;

 private:
  ktvRegistry& registry_;
  std::string keyPath_;
  HKEY rootKey_;
};

// The display name of an installed-programs entry is saved beside its
// uninstall command, in a backup value of its own, while this scope lasts.
class ktvRegistry::DisplayNameBackupScope {
 public:
  explicit DisplayNameBackupScope(ktvRegistry& Registry) : registry_(Registry), backupName_(Registry.BackupName) {
    if (!backupName_.empty()) registry_.BackupName = backupName_ + ".DisplayName";
  }
  ~DisplayNameBackupScope() { registry_.BackupName = backupName_; }
  DisplayNameBackupScope(const DisplayNameBackupScope&) = delete;
  DisplayNameBackupScope& operator=(const DisplayNameBackupScope&) = delete;

 private:
  ktvRegistry& registry_;
  std::string backupName_;
};

// ---- Basics -----------------------------------------------------------------

ktvRegistry::ktvRegistry() : ktvRegistry(std::string()) {}

ktvRegistry::ktvRegistry(const std::string& AKeyPath) { Init(AKeyPath); }

void ktvRegistry::Init(const std::string& AKeyPath) {
  SetRootKey(HKEY_CLASSES_ROOT);
  KeyPath = AKeyPath;
  SetApplicationName(ModuleFileName());
  FileType = WithoutExtension(ApplicationName);
  BackupName = FileType;
}

void ktvRegistry::SetApplicationName(const std::string& Name) {
  ApplicationName = LowerCase(ExtractFileName(Name));
  applicationPath_ = Name;
}

// The path given to SetApplicationName, unless ApplicationName has been
// set to another program since.
std::string ktvRegistry::ApplicationPath() const {
  return AnsiSameFileName(ExtractFileName(applicationPath_), ApplicationName) ? applicationPath_ : ApplicationName;
}

std::string ktvRegistry::MakeKeyPath(const std::string& Key) const {
  if (KeyPath.empty()) return Key;
  if (Key.empty()) return KeyPath;
  const bool keyStartsWithSeparator = Key[0] == '\\';
  const bool pathEndsWithSeparator = IsPathDelimiter(KeyPath, static_cast<int>(KeyPath.size()));
  if (keyStartsWithSeparator && pathEndsWithSeparator) return KeyPath + Key.substr(1);
  if (keyStartsWithSeparator || pathEndsWithSeparator) return KeyPath + Key;
  return KeyPath + "\\" + Key;
}

std::string ktvRegistry::AbsolutePath(const std::string& Key) const {
  const std::string path = MakeKeyPath(Key);
  return path.starts_with('\\') ? path : "\\" + path;
}

bool ktvRegistry::Open(const std::string& Key, bool CanCreate) { return OpenKey(AbsolutePath(Key), CanCreate); }

bool ktvRegistry::Exists(const std::string& Key) {
  return Guarded(*this, false, [&] { return KeyExists(AbsolutePath(Key)); });
}

TRegDataType ktvRegistry::GetDataType(const std::string& Key, const std::string& Name) {
  return Guarded(*this, rdUnknown, [&] { return Open(Key, false) ? TRegistry::GetDataType(Name) : rdUnknown; });
}

bool ktvRegistry::WriteKey(const std::string& Key, const std::string& Name, const std::string& Value) {
  return Guarded(*this, false, [&] {
    if (!Open(Key, true)) return false;
    WriteString(Name, Value);
    return true;
  });
}

bool ktvRegistry::WriteExpandKey(const std::string& Key, const std::string& Name, const std::string& Value) {
  return Guarded(*this, false, [&] {
    if (!Open(Key, true)) return false;
    WriteExpandString(Name, Value);
    return true;
  });
}

std::string ktvRegistry::ReadKey(const std::string& Key, const std::string& Name) {
  return Guarded(*this, std::string(), [&] { return Open(Key, false) ? ReadString(Name) : std::string(); });
}

// A value is deleted from a key that exists; no key is made for it.
bool ktvRegistry::DeleteValue(const std::string& Key, const std::string& Name) {
  return Guarded(*this, false, [&] { return Open(Key, false) && TRegistry::DeleteValue(Name); });
}

bool ktvRegistry::IsEmptyString(const std::string& Key, const std::string& Name) {
  const TRegDataType kind = GetDataType(Key, Name);
  return (kind == rdString || kind == rdExpandString) && ReadKey(Key, Name).empty();
}

bool ktvRegistry::DeleteIfEmpty(const std::string& Key) {
  return IsEmpty(Key) && Guarded(*this, false, [&] { return DeleteKey(AbsolutePath(Key)); });
}

// Only an empty string is taken for an empty default value: a value of
// another kind is data that a string read cannot show.
bool ktvRegistry::DeleteEmptyKey(const std::string& Key) {
  TStringList names;
  GetSubKeys(Key, &names);
  for (int i = 0; i < names.Count(); ++i) DeleteEmptyKey(Child(Key, names.Strings(i)));
  if (IsEmptyString(Key, "")) DeleteValue(Key, "");
  return DeleteIfEmpty(Key);
}

bool ktvRegistry::IsEmpty(const std::string& Key) {
  return Guarded(*this, false, [&] {
    TRegKeyInfo info;
    return Open(Key, false) && GetKeyInfo(info) && info.NumSubKeys == 0 && info.NumValues == 0;
  });
}

int ktvRegistry::GetNumSubKeys(const std::string& Key) {
  return Guarded(*this, -1, [&] {
    TRegKeyInfo info;
    return Open(Key, false) && GetKeyInfo(info) ? info.NumSubKeys : -1;
  });
}

int ktvRegistry::GetSubKeys(const std::string& Key, TStrings* Strings) {
  if (!Strings) return 0;
  return Guarded(*this, 0, [&] {
    Strings->Clear();
    if (!Open(Key, false)) return 0;
    GetKeyNames(Strings);
    return Strings->Count();
  });
}

bool ktvRegistry::HasSubKeys(const std::string& Key) {
  return Guarded(*this, false, [&] { return Open(Key, false) && TRegistry::HasSubKeys(); });
}

// ---- Backups ----------------------------------------------------------------

bool ktvRegistry::IsBackup(const std::string& Key) {
  if (BackupName.empty()) return false;
  return Guarded(*this, false, [&] { return Open(Key, false) && ValueExists(BackupName); });
}

// A program whose path merely contains the application's name
// (C:\Other\MediaPlayer.exe for player.exe) is another program.
bool ktvRegistry::IsAssociate(const std::string& Key, const std::string& Name) {
  if (ApplicationName.empty()) return false;
  const std::string application = ApplicationPath();
  for (const std::string& program : ProgramsNamedBy(ReadKey(Key, Name)))
    if (IsApplication(program, application)) return true;
  return false;
}

bool ktvRegistry::IsAssociate(const std::string& Action) {
  KeyPath = FileType;
  return IsAssociate(CommandKey(Action), "");
}

std::string ktvRegistry::FindAssociate(const std::string& Key, const std::string& Name) {
  if (IsAssociate(Key, Name)) return Key;
  TStringList names;
  GetSubKeys(Key, &names);
  for (int i = 0; i < names.Count(); ++i) {
    std::string found = FindAssociate(Child(Key, names.Strings(i)), Name);
    if (!found.empty()) return found;
  }
  return std::string();
}

std::string ktvRegistry::ReadBackup(const std::string& Key) {
  return BackupName.empty() ? std::string() : ReadKey(Key, BackupName);
}

// An absent value is saved as an empty backup. A value that is neither kind
// of string cannot be kept in the backup, and is not given up for one.
bool ktvRegistry::SaveBackup(const std::string& Key, const std::string& Name) {
  return Guarded(*this, false, [&] {
    if (!Open(Key, true)) return false;
    TRegDataInfo info;
    if (!GetDataInfo(Name, info))
      WriteString(BackupName, "");
    else if (info.RegData == rdString)
      WriteString(BackupName, ReadString(Name));
    else if (info.RegData == rdExpandString)
      WriteExpandString(BackupName, ReadString(Name));
    else
      return false;
    return true;
  });
}

// Whether the value may be overwritten: it is saved, or it needs no saving.
// An existing backup stays: the value now there may be the application's
// own earlier one (a file type or a caption that does not name it), and the
// copy from before the application came must not be lost.
bool ktvRegistry::EnsureBackup(const std::string& Key, const std::string& Name) {
  if (BackupName.empty()) return true;
  if (IsAssociate(Key, Name) || IsBackup(Key)) return true;
  return SaveBackup(Key, Name);
}

std::string ktvRegistry::BackupKey(const std::string& Key, const std::string& Name) {
  if (BackupName.empty()) return std::string();
  EnsureBackup(Key, Name);
  return ReadBackup(Key);
}

bool ktvRegistry::WriteKeepingKind(const std::string& Key, const std::string& Name, const std::string& Value) {
  return Guarded(*this, false, [&] {
    if (!Open(Key, true)) return false;
    if (TRegistry::GetDataType(Name) == rdExpandString)
      WriteExpandString(Name, Value);
    else
      WriteString(Name, Value);
    return true;
  });
}

bool ktvRegistry::BackupWrite(const std::string& Key, const std::string& Name, const std::string& Value) {
  return EnsureBackup(Key, Name) && WriteKeepingKind(Key, Name, Value);
}

bool ktvRegistry::RemoveValue(const std::string& Key, const std::string& Name) {
  return Guarded(*this, false,
                 [&] { return Open(Key, false) && (TRegistry::DeleteValue(Name) || !ValueExists(Name)); });
}

bool ktvRegistry::RestoreBackup(const std::string& Key, const std::string& Name) {
  if (!IsBackup(Key)) return IsAssociate(Key, Name) && DeleteValue(Key, Name);
  const TRegDataType kind = GetDataType(Key, BackupName);
  if (kind != rdString && kind != rdExpandString) return false;  // not a copy this class made
  const std::string saved = ReadKey(Key, BackupName);
  const bool putBack = saved.empty()                ? RemoveValue(Key, Name)
                       : kind == rdExpandString ? WriteExpandKey(Key, Name, saved)
                                                : WriteKey(Key, Name, saved);
  return putBack && DeleteValue(Key, BackupName);
}

// ---- Association ------------------------------------------------------------

// Makes the file type's key the base key; false when there is no file type,
// whose key would be the root of the tree.
bool ktvRegistry::AtFileType() {
  KeyPath = FileType;
  return !FileType.empty();
}

void ktvRegistry::SetExtension(const std::string& Ext) {
  Extension = Ext;
  if (Ext.empty() || FileType.empty()) return;
  KeyPath = Ext;
  BackupWrite("", "", FileType);
}

void ktvRegistry::SetFileType(const std::string& Type, const std::string& Description) {
  if (Type.empty()) return;
  FileType = Type;
  KeyPath = Type;
  BackupWrite("", "", Description);
}

bool ktvRegistry::WriteIcon(const std::string& Icon) { return AtFileType() && WriteKey("DefaultIcon", "", Icon); }

std::string ktvRegistry::ReadIcon() { return AtFileType() ? ReadKey("DefaultIcon", "") : std::string(); }

std::string ktvRegistry::ReadBackupIcon() { return AtFileType() ? ReadBackup("DefaultIcon") : std::string(); }

bool ktvRegistry::SetIcon(const std::string& Icon) { return AtFileType() && BackupWrite("DefaultIcon", "", Icon); }

bool ktvRegistry::RestoreIcon() { return AtFileType() && RestoreBackup("DefaultIcon", ""); }

bool ktvRegistry::WriteAction(const std::string& Action, const std::string& Caption, const std::string& Command) {
  if (!AtFileType()) return false;
  if (!Action.empty() && !WriteKey(ActionKey(Action), "", Caption)) return false;
  return WriteKey(CommandKey(Action), "", Command);
}

// The caption is saved as the command is: an action key of another program
// gets its own caption back.
bool ktvRegistry::SetAction(const std::string& Action, const std::string& Caption, const std::string& Command) {
  if (!AtFileType()) return false;
  if (!Action.empty() && !BackupWrite(ActionKey(Action), "", Caption)) return false;
  return BackupWrite(CommandKey(Action), "", Command);
}

std::string ktvRegistry::ReadAction(const std::string& Action) {
  return AtFileType() ? ReadKey(CommandKey(Action), "") : std::string();
}

std::string ktvRegistry::ReadBackupAction(const std::string& Action) {
  return AtFileType() ? ReadBackup(CommandKey(Action)) : std::string();
}

bool ktvRegistry::RestoreAction(const std::string& Action) {
  return AtFileType() && RestoreBackup(CommandKey(Action), "");
}

// Saved like every value it replaces, so that another program's default
// action comes back.
void ktvRegistry::SetDefaultCommand(const std::string& Action) {
  if (AtFileType()) BackupWrite(kShell, "", Action);
}

void ktvRegistry::SetAssociate(const std::string& Action, const std::string& Caption, const std::string& Command) {
  SetRootKey(HKEY_CLASSES_ROOT);
  if (FileType.empty()) return;
  if (!Extension.empty()) {
    KeyPath.clear();
    if (EnsureBackup(Extension, "")) WriteKey(Extension, "", FileType);
  }
  if (!Action.empty()) SetAction(Action, Caption, Command);
}

bool ktvRegistry::NamesAction(const std::string& Key, const std::string& Action) {
  return SameText(ReadKey(Key, ""), Action);
}

// Undoes one action: its command and caption come back or go, and so does
// the default action when it names this one; its keys go only when nothing
// but the application's was in them.
void ktvRegistry::RestoreAssociate(const std::string& Action) {
  SetRootKey(HKEY_CLASSES_ROOT);
  if (!AtFileType()) return;
  RestoreAction(Action);
  // Without an action the command is the file type's own value; and a
  // command still the application's is a restore that failed.
  if (Action.empty() || IsAssociate(Action)) return;
  const std::string action = ActionKey(Action);
  const std::string command = CommandKey(Action);
  const bool captionSaved = IsBackup(action);
  if (captionSaved) RestoreBackup(action, "");
  bool actionGone = false;
  if (ReadAction(Action).empty()) {
    if (IsEmptyString(command, "")) DeleteValue(command, "");
    DeleteIfEmpty(command);
    if (!captionSaved && GetNumSubKeys(action) == 0) DeleteValue(action, "");  // written without a backup
    actionGone = DeleteIfEmpty(action);
  }
  if (NamesAction(kShell, Action)) {
    if (IsBackup(kShell))
      RestoreBackup(kShell, "");
    else if (actionGone)
      DeleteValue(kShell, "");
  }
  DeleteIfEmpty(kShell);
}

std::optional<std::string> ktvRegistry::FindRestorable(const std::string& Key, const std::set<std::string>& Skipped) {
  if (!Skipped.contains(Folded(Key)) && (IsAssociate(Key, "") || IsBackup(Key))) return Key;
  TStringList names;
  GetSubKeys(Key, &names);
  for (int i = 0; i < names.Count(); ++i)
    if (auto found = FindRestorable(Child(Key, names.Strings(i)), Skipped)) return found;
  return std::nullopt;
}

// The file type's own key is no other program's when it is empty: undoing
// single actions leaves it so.
void ktvRegistry::TakeSurvey(const std::string& Key, Survey& Into) {
  if (!Key.empty() && IsEmpty(Key)) Into.emptyKeys.insert(Folded(Key));
  if (IsEmptyString(Key, "")) Into.emptyDefaults.insert(Folded(Key));
  TStringList names;
  GetSubKeys(Key, &names);
  for (int i = 0; i < names.Count(); ++i) TakeSurvey(Child(Key, names.Strings(i)), Into);
}

// Every default value with a backup gets it back, and every one naming the
// application without a backup goes: the description, the icon, the
// default action, the captions and the commands.
void ktvRegistry::RestoreDefaultValues() {
  std::set<std::string> failed;
  for (int round = 0; round < kMaxRestoreRounds; ++round) {
    const std::optional<std::string> found = FindRestorable("", failed);
    if (!found) return;
    if (!RestoreBackup(*found, "")) failed.insert(Folded(*found));
  }
}

// Removes what the restore left empty. Empty keys and empty default values
// found before it began are another program's (an association leaves no
// key empty) and stay; only the file type's own key goes when it is empty.
void ktvRegistry::Prune(const std::string& Key, const Survey& Before) {
  TStringList names;
  GetSubKeys(Key, &names);
  for (int i = 0; i < names.Count(); ++i) Prune(Child(Key, names.Strings(i)), Before);
  const std::string folded = Folded(Key);
  if (!Before.emptyDefaults.contains(folded) && IsEmptyString(Key, "")) DeleteValue(Key, "");
  if (!Before.emptyKeys.contains(folded)) DeleteIfEmpty(Key);
}

// An action whose command this restore removed loses the caption that was
// written without a backup, and goes when nothing else is in it.
void ktvRegistry::DropActionsWithoutCommand(const Survey& Before) {
  TStringList names;
  GetSubKeys(kShell, &names);
  for (int i = 0; i < names.Count(); ++i) {
    const std::string action = Child(kShell, names.Strings(i));
    if (!Before.actionsWithUnsavedCaption.contains(Folded(action)) || Exists(action + "\\command")) continue;
    DeleteValue(action, "");
    DeleteIfEmpty(action);
  }
}

// A default action set without a backup goes with the action this restore removed.
void ktvRegistry::DropDefaultCommandOfRemovedAction(const Survey& Before) {
  if (Before.shellBackedUp) return;
  const std::string name = ReadKey(kShell, "");
  if (name.empty()) return;
  const std::string action = Child(kShell, name);
  if (Before.actions.contains(Folded(action)) && !Exists(action)) DeleteValue(kShell, "");
}

// Only when nothing of the application is left in its file type does the
// extension go back to what it named before, and only when it still names
// the file type: another program may have taken it since.
void ktvRegistry::RestoreExtension() {
  if (Extension.empty() || FindRestorable("", {})) return;
  KeyPath.clear();
  if (ReadKey(Extension, "") != FileType) return;
  RestoreBackup(Extension, "");
  DeleteIfEmpty(Extension);
}

void ktvRegistry::RestoreAssociate() {
  SetRootKey(HKEY_CLASSES_ROOT);
  if (!AtFileType()) return;
  Survey before;
  TakeSurvey("", before);
  TStringList actions;
  GetSubKeys(kShell, &actions);
  for (int i = 0; i < actions.Count(); ++i) {
    const std::string action = Child(kShell, actions.Strings(i));
    before.actions.insert(Folded(action));
    if (Exists(action + "\\command") && !IsBackup(action)) before.actionsWithUnsavedCaption.insert(Folded(action));
  }
  before.shellBackedUp = IsBackup(kShell);

  RestoreIcon();
  RestoreDefaultValues();
  Prune("", before);
  DropActionsWithoutCommand(before);
  DropDefaultCommandOfRemovedAction(before);
  Prune("", before);
  RestoreExtension();
}

// The extension key is a top-level key, whatever KeyPath an earlier
// operation left.
std::string ktvRegistry::GetApplication(const std::string& Ext, const std::string& Action) {
  SetRootKey(HKEY_CLASSES_ROOT);
  Extension = Ext;
  KeyPath.clear();
  FileType = ReadKey(Ext, "");
  return ProgramOf(ReadAction(Action));
}

// ---- Installed-programs entry ---------------------------------------------

// An entry of the list is a key below it; the list itself is never the entry.
std::string ktvRegistry::SetUninstall(const std::string& Key, const std::string& DisplayName,
                                      const std::string& UninstallString) {
  if (Key.empty()) return std::string();
  UninstallScope scope(*this);
  if (BackupWrite(Key, "UninstallString", UninstallString)) {
    DisplayNameBackupScope displayName(*this);
    BackupWrite(Key, "DisplayName", DisplayName);
  }
  return ReadBackup(Key);
}

// The display name comes back after the command, and only when the entry
// kept a copy of it.
bool ktvRegistry::RestoreUninstall(const std::string& Key) {
  if (Key.empty()) return false;
  UninstallScope scope(*this);
  if (!RestoreBackup(Key, "UninstallString")) return false;
  DisplayNameBackupScope displayName(*this);
  return !IsBackup(Key) || RestoreBackup(Key, "DisplayName");
}

std::string ktvRegistry::ReadBackupUninstall(const std::string& Key) {
  UninstallScope scope(*this);
  return ReadBackup(Key);
}

bool ktvRegistry::DeleteUninstall(const std::string& Key) {
  if (Key.empty()) return false;
  UninstallScope scope(*this);
  return Guarded(*this, false, [&] { return DeleteKey(AbsolutePath(Key)); });
}
