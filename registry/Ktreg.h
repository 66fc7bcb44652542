// ktvRegistry: makes an application the handler of a file-name extension in
// HKEY_CLASSES_ROOT and undoes it again without losing what was there, and
// keeps the application's entry in the list of installed programs.
//
// Every value it overwrites is first copied into a backup value of the
// same key, named BackupName; a restore puts the copy back and removes what
// the application added. A value counts as the application's own when the
// program it names (a command line's program, an icon's file) is the
// application's whole path, ignoring case. A backup, once taken, is kept
// until it is restored, so that associating again never replaces the saved
// copy with the application's own earlier value.
//
// Key names are taken below KeyPath (see MakeKeyPath); the empty name is
// the base key itself, the empty value name a key's default value. Each
// operation opens its key, reading without creating it and writing with
// creation, and closes it before it returns. No operation raises: a key
// that cannot be opened or a value that cannot be read gives the neutral
// result (an empty string, false, -1 for GetNumSubKeys, rdUnknown), a
// failed write false.
#pragma once

#include <optional>
#include <set>
#include <string>

#include "framework/Registry.h"

class ktvRegistry : public TRegistry {
 public:
  ktvRegistry();
  explicit ktvRegistry(const std::string& KeyPath);

  // Root HKEY_CLASSES_ROOT, the base key, and the names taken from the
  // running program's file name: for Player.EXE, ApplicationName is
  // player.exe and FileType and BackupName are player.
  void Init(const std::string& KeyPath);
  // ApplicationName: the file-name part of Name in lower case. Name itself
  // is the path by which the application's values are recognised.
  void SetApplicationName(const std::string& Name);
  // KeyPath and Key joined by one '\'.
  std::string MakeKeyPath(const std::string& Key) const;

  // Keys and values.
  using TRegistry::DeleteValue;
  using TRegistry::GetDataType;
  using TRegistry::HasSubKeys;
  TRegDataType GetDataType(const std::string& Key, const std::string& Name);
  bool WriteKey(const std::string& Key, const std::string& Name, const std::string& Value);
  bool WriteExpandKey(const std::string& Key, const std::string& Name, const std::string& Value);
  std::string ReadKey(const std::string& Key, const std::string& Name);
  bool DeleteValue(const std::string& Key, const std::string& Name);
  // Removes, below and then at Key, empty default values and keys left
  // with neither values nor subkeys; true when Key itself went.
  bool DeleteEmptyKey(const std::string& Key);
  bool IsEmpty(const std::string& Key);
  int GetNumSubKeys(const std::string& Key);
  // Strings gets the subkeys' names; the result is their number.
  int GetSubKeys(const std::string& Key, TStrings* Strings);
  bool HasSubKeys(const std::string& Key);

  // Backups.
  bool IsBackup(const std::string& Key);
  bool IsAssociate(const std::string& Key, const std::string& Name);
  // Whether the command of Action of FileType is the application's.
  bool IsAssociate(const std::string& Action);
  // The first key, Key itself or below it depth first, whose value Name is
  // the application's; empty when there is none (and when it is the base
  // key itself).
  std::string FindAssociate(const std::string& Key, const std::string& Name);
  // Saves the value into the backup unless it is the application's or a
  // backup exists; answers the backup.
  std::string BackupKey(const std::string& Key, const std::string& Name);
  // Writes Value after saving the value it replaces, keeping an expandable
  // value expandable. Nothing is written when the old value cannot be saved.
  bool BackupWrite(const std::string& Key, const std::string& Name, const std::string& Value);
  // Puts the backup back (an empty backup removes the value) and removes
  // it; without a backup, removes the value if it is the application's.
  // A restore that fails keeps the backup, so that it can be tried again.
  bool RestoreBackup(const std::string& Key, const std::string& Name);

  // Association: the operations on the file type work below the key FileType.
  void SetExtension(const std::string& Ext);
  void SetFileType(const std::string& Type, const std::string& Description);
  bool WriteIcon(const std::string& Icon);
  std::string ReadIcon();
  std::string ReadBackupIcon();
  bool SetIcon(const std::string& Icon);
  bool RestoreIcon();
  // An action's key is "shell\<Action>" with its caption, its command key
  // "shell\<Action>\command"; with an empty Action both are the file type's key.
  bool WriteAction(const std::string& Action, const std::string& Caption, const std::string& Command);
  std::string ReadAction(const std::string& Action);
  std::string ReadBackupAction(const std::string& Action);
  bool SetAction(const std::string& Action, const std::string& Caption, const std::string& Command);
  bool RestoreAction(const std::string& Action);
  void SetDefaultCommand(const std::string& Action);
  // The extension (when Extension is set) names FileType, and Action runs Command.
  void SetAssociate(const std::string& Action, const std::string& Caption, const std::string& Command);
  void RestoreAssociate(const std::string& Action);
  // Undoes everything of the application in FileType, and then, when
  // nothing of it is left there, the extension's association.
  void RestoreAssociate();
  // The program that runs Action for files of the extension Ext.
  std::string GetApplication(const std::string& Ext, const std::string& Action);

  // The entry Key of the installed-programs list in HKEY_LOCAL_MACHINE; the
  // root key and KeyPath are as before when these return.
  std::string SetUninstall(const std::string& Key, const std::string& DisplayName,
                           const std::string& UninstallString);
  bool RestoreUninstall(const std::string& Key);
  std::string ReadBackupUninstall(const std::string& Key);
  bool DeleteUninstall(const std::string& Key);

  std::string KeyPath;
  std::string ApplicationName;
  std::string BackupName;
  std::string Extension;
  std::string FileType;

 private:
  class UninstallScope;
  class DisplayNameBackupScope;
  // What a file type's tree held before a restore began (key paths folded).
  struct Survey {
    std::set<std::string> emptyKeys;      // without values and subkeys
    std::set<std::string> emptyDefaults;  // the default value an empty string
    std::set<std::string> actions;        // the action keys
    // Action keys with a command whose caption has no backup.
    std::set<std::string> actionsWithUnsavedCaption;
    bool shellBackedUp = false;  // the default action has a backup
  };

  std::string ApplicationPath() const;
  std::string AbsolutePath(const std::string& Key) const;
  bool Open(const std::string& Key, bool CanCreate);
  bool Exists(const std::string& Key);
  bool AtFileType();
  std::string ReadBackup(const std::string& Key);
  bool EnsureBackup(const std::string& Key, const std::string& Name);
  bool SaveBackup(const std::string& Key, const std::string& Name);
  bool WriteKeepingKind(const std::string& Key, const std::string& Name, const std::string& Value);
  bool RemoveValue(const std::string& Key, const std::string& Name);
  bool DeleteIfEmpty(const std::string& Key);
  bool IsEmptyString(const std::string& Key, const std::string& Name);
  bool NamesAction(const std::string& Key, const std::string& Action);
  std::optional<std::string> FindRestorable(const std::string& Key, const std::set<std::string>& Skipped);
  void TakeSurvey(const std::string& Key, Survey& Into);
  void RestoreDefaultValues();
  void Prune(const std::string& Key, const Survey& Before);
  void DropActionsWithoutCommand(const Survey& Before);
  void DropDefaultCommandOfRemovedAction(const Survey& Before);
  void RestoreExtension();

  std::string applicationPath_;
};
