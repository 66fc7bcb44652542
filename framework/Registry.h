// TRegistry: the framework's access to the registry, one open key at a time.
// Key names that start with '\' are taken from RootKey; others from the
// current key when one is open, else from RootKey. Reads and writes of
// values work on the current key; an empty value name is its default value.
// A failed read or write of a value raises ERegistryException naming the
// value; the other operations answer false or an empty result.
#pragma once

#include <string>

#include "framework/Object.h"
#include "platform/Registry.h"

class TStrings;

// The kinds of value data; any other platform type is rdUnknown.
enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
  TRegDataType RegData = rdUnknown;
  int DataSize = 0;  // bytes, a string's terminator included
};

struct TRegKeyInfo {
  int NumSubKeys = 0;
  int MaxSubKeyLen = 0;
  int NumValues = 0;
  int MaxValueLen = 0;  // the longest value name
  int MaxDataLen = 0;
  win::FILETIME FileTime{};
};

class TRegistry : public TObject {
 public:
  TRegistry();
  explicit TRegistry(win::REGSAM AAccess);
  ~TRegistry() override;

  // Opens Key as the current key, closing the one before; with CanCreate
  // the missing keys of the path are created.
  bool OpenKey(const std::string& Key, bool CanCreate);
  // Opens Key for reading only; Access becomes KEY_READ, so that later
  // opens of this object are for reading too.
  bool OpenKeyReadOnly(const std::string& Key);
  // Closes the current key; without LazyWrite its changes are flushed first.
  void CloseKey();
  // Creates Key (and the missing keys before it) without opening it;
  // raises ERegistryException when it cannot.
  bool CreateKey(const std::string& Key);
  // Deletes Key with everything below it, in one change.
  bool DeleteKey(const std::string& Key);
  bool KeyExists(const std::string& Key);

  bool ValueExists(const std::string& Name);
  bool DeleteValue(const std::string& Name);
  bool GetDataInfo(const std::string& ValueName, TRegDataInfo& Value);
  int GetDataSize(const std::string& ValueName);  // -1 without such a value
  TRegDataType GetDataType(const std::string& ValueName);
  bool GetKeyInfo(TRegKeyInfo& Value);
  bool HasSubKeys();
  // Fill Strings (cleared first) with the names of the current key's
  // subkeys, in the registry's order, or of its values.
  void GetKeyNames(TStrings* Strings);
  void GetValueNames(TStrings* Strings);

  // A string or expandable string, up to its first terminator; empty
  // without such a value. Any other kind raises ERegistryException.
  std::string ReadString(const std::string& Name);
  void WriteString(const std::string& Name, const std::string& Value);
  void WriteExpandString(const std::string& Name, const std::string& Value);
  // A 32-bit integer value (REG_DWORD).
  int ReadInteger(const std::string& Name);
  void WriteInteger(const std::string& Name, int Value);
  bool ReadBool(const std::string& Name);
  void WriteBool(const std::string& Name, bool Value);
  // The data of a binary value (or one of no known kind) into Buffer; its
  // size, or 0 without such a value. A value larger than BufSize raises.
  int ReadBinaryData(const std::string& Name, void* Buffer, int BufSize);
  void WriteBinaryData(const std::string& Name, const void* Buffer, int BufSize);

  win::HKEY CurrentKey() const { return currentKey_; }
  // The path of the current key below RootKey, without a leading '\'.
  const std::string& CurrentPath() const { return currentPath_; }
  win::HKEY RootKey() const { return rootKey_; }
  // A new root closes the current key.
  void SetRootKey(win::HKEY Value);

  win::REGSAM Access = win::KEY_ALL_ACCESS;  // asked for by OpenKey
  bool LazyWrite = true;

 private:
  struct KeyName {
    win::HKEY base;
    std::string path;  // below base
    bool relative;
  };
  KeyName Resolve(const std::string& Key) const;
  void ChangeKey(win::HKEY Key, const KeyName& Name);
  // The type and data of a value, or false when there is none.
  bool QueryValue(const std::string& Name, win::DWORD& Type, std::string& Data);
  void PutData(const std::string& Name, const void* Buffer, int BufSize, win::DWORD Type);

  win::HKEY rootKey_ = win::HKEY_CURRENT_USER;
  win::HKEY currentKey_ = nullptr;
  std::string currentPath_;
};
