#include "framework/Registry.h"

#include <cstring>

#include "framework/Consts.h"
#include "framework/Exceptions.h"
#include "framework/Format.h"
#include "framework/Lists.h"
#include "platform/Errors.h"

using namespace win;

namespace {

// Value names are at most this long, so one buffer takes every name.
constexpr DWORD kMaxValueNameLength = 16383;
constexpr DWORD kMaxKeyNameLength = 255;
// A value that grows between measuring and reading is measured again, as
// often as this.
constexpr int kReadAttempts = 4;

TRegDataType RegDataOf(DWORD type) {
  switch (type) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_DWORD: return rdInteger;
    case REG_BINARY: return rdBinary;
    default: return rdUnknown;
  }
}

BYTE* Bytes(std::string& data) { return reinterpret_cast<BYTE*>(data.data()); }

}  // namespace

TRegistry::TRegistry() = default;

TRegistry::TRegistry(REGSAM AAccess) : Access(AAccess) {}

TRegistry::~TRegistry() { CloseKey(); }

TRegistry::KeyName TRegistry::Resolve(const std::string& Key) const {
  const bool relative = Key.empty() || Key[0] != '\\';
  return KeyName{relative && currentKey_ ? currentKey_ : rootKey_, relative ? Key : Key.substr(1), relative};
}

void TRegistry::ChangeKey(HKEY Key, const KeyName& Name) {
  std::string path = Name.path;
  if (Name.relative && currentKey_ && !currentPath_.empty())
    path = Name.path.empty() ? currentPath_ : currentPath_ + "\\" + Name.path;
  CloseKey();
  currentKey_ = Key;
  currentPath_ = path;
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
  const KeyName name = Resolve(Key);
  HKEY key = nullptr;
  const LONG status = !CanCreate || name.path.empty()
                          ? RegOpenKeyExA(name.base, name.path.c_str(), 0, Access, &key)
                          : RegCreateKeyExA(name.base, name.path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                            Access, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return false;
  ChangeKey(key, name);
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& Key) {
  const KeyName name = Resolve(Key);
  HKEY key = nullptr;
  if (RegOpenKeyExA(name.base, name.path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  Access = KEY_READ;
  ChangeKey(key, name);
  return true;
}

void TRegistry::CloseKey() {
  if (!currentKey_) return;
  if (!LazyWrite) RegFlushKey(currentKey_);
  RegCloseKey(currentKey_);
  currentKey_ = nullptr;
  currentPath_.clear();
}

bool TRegistry::CreateKey(const std::string& Key) {
  const KeyName name = Resolve(Key);
  HKEY key = nullptr;
  if (RegCreateKeyExA(name.base, name.path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    throw ERegistryException(Format(SRegCreateFailed, {Key}));
  RegCloseKey(key);
  return true;
}

bool TRegistry::DeleteKey(const std::string& Key) {
  const KeyName name = Resolve(Key);
  return RegDeleteTreeA(name.base, name.path.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::KeyExists(const std::string& Key) {
  const KeyName name = Resolve(Key);
  HKEY key = nullptr;
  if (RegOpenKeyExA(name.base, name.path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void TRegistry::SetRootKey(HKEY Value) {
  if (Value == rootKey_) return;
  rootKey_ = Value;
  CloseKey();
}

bool TRegistry::ValueExists(const std::string& Name) {
  TRegDataInfo info;
  return GetDataInfo(Name, info);
}

bool TRegistry::DeleteValue(const std::string& Name) { return RegDeleteValueA(currentKey_, Name.c_str()) == ERROR_SUCCESS; }

bool TRegistry::GetDataInfo(const std::string& ValueName, TRegDataInfo& Value) {
  Value = TRegDataInfo{};
  DWORD type = REG_NONE, size = 0;
  if (RegQueryValueExA(currentKey_, ValueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  Value.RegData = RegDataOf(type);
  Value.DataSize = static_cast<int>(size);
  return true;
}

int TRegistry::GetDataSize(const std::string& ValueName) {
  TRegDataInfo info;
  return GetDataInfo(ValueName, info) ? info.DataSize : -1;
}

TRegDataType TRegistry::GetDataType(const std::string& ValueName) {
  TRegDataInfo info;
  return GetDataInfo(ValueName, info) ? info.RegData : rdUnknown;
}

bool TRegistry::GetKeyInfo(TRegKeyInfo& Value) {
  Value = TRegKeyInfo{};
  DWORD subKeys = 0, maxSubKeyLen = 0, values = 0, maxValueLen = 0, maxDataLen = 0;
  if (RegQueryInfoKeyA(currentKey_, nullptr, nullptr, nullptr, &subKeys, &maxSubKeyLen, nullptr, &values,
                       &maxValueLen, &maxDataLen, nullptr, &Value.FileTime) != ERROR_SUCCESS)
    return false;
  Value.NumSubKeys = static_cast<int>(subKeys);
  Value.MaxSubKeyLen = static_cast<int>(maxSubKeyLen);
  Value.NumValues = static_cast<int>(values);
  Value.MaxValueLen = static_cast<int>(maxValueLen);
  Value.MaxDataLen = static_cast<int>(maxDataLen);
  return true;
}

bool TRegistry::HasSubKeys() {
  TRegKeyInfo info;
  return GetKeyInfo(info) && info.NumSubKeys > 0;
}

void TRegistry::GetKeyNames(TStrings* Strings) {
  Strings->Clear();
  char name[kMaxKeyNameLength + 1];
  for (DWORD index = 0;; ++index) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(currentKey_, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    Strings->Add(std::string(name, size));
  }
}

void TRegistry::GetValueNames(TStrings* Strings) {
  Strings->Clear();
  std::string name(kMaxValueNameLength + 1, '\0');
  for (DWORD index = 0;; ++index) {
    DWORD size = kMaxValueNameLength + 1;
    if (RegEnumValueA(currentKey_, index, name.data(), &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    Strings->Add(name.substr(0, size));
  }
}

bool TRegistry::QueryValue(const std::string& Name, DWORD& Type, std::string& Data) {
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    DWORD size = 0;
    if (RegQueryValueExA(currentKey_, Name.c_str(), nullptr, &Type, nullptr, &size) != ERROR_SUCCESS) return false;
    Data.assign(size, '\0');
    const LONG status = RegQueryValueExA(currentKey_, Name.c_str(), nullptr, &Type, Bytes(Data), &size);
    if (status == ERROR_SUCCESS) {
      Data.resize(size);
      return true;
    }
    if (status != ERROR_MORE_DATA) break;
  }
  throw ERegistryException(Format(SRegGetDataFailed, {Name}));
}

void TRegistry::PutData(const std::string& Name, const void* Buffer, int BufSize, DWORD Type) {
  if (BufSize < 0 || RegSetValueExA(currentKey_, Name.c_str(), 0, Type, static_cast<const BYTE*>(Buffer),
                                    static_cast<DWORD>(BufSize)) != ERROR_SUCCESS)
    throw ERegistryException(Format(SRegSetDataFailed, {Name}));
}

std::string TRegistry::ReadString(const std::string& Name) {
  DWORD type = REG_NONE;
  std::string data;
  if (!QueryValue(Name, type, data)) return std::string();
  if (type != REG_SZ && type != REG_EXPAND_SZ) throw ERegistryException(Format(SInvalidRegType, {Name}));
  return data.substr(0, data.find('\0'));
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
  PutData(Name, Value.c_str(), static_cast<int>(Value.size() + 1), REG_SZ);
}

void TRegistry::WriteExpandString(const std::string& Name, const std::string& Value) {
  PutData(Name, Value.c_str(), static_cast<int>(Value.size() + 1), REG_EXPAND_SZ);
}

int TRegistry::ReadInteger(const std::string& Name) {
  DWORD type = REG_NONE;
  std::string data;
  if (!QueryValue(Name, type, data)) throw ERegistryException(Format(SRegGetDataFailed, {Name}));
  int32_t value = 0;
  if (type != REG_DWORD || data.size() != sizeof value) throw ERegistryException(Format(SInvalidRegType, {Name}));
  std::memcpy(&value, data.data(), sizeof value);
  return value;
}

void TRegistry::WriteInteger(const std::string& Name, int Value) {
  const int32_t value = Value;
  PutData(Name, &value, sizeof value, REG_DWORD);
}

bool TRegistry::ReadBool(const std::string& Name) { return ReadInteger(Name) != 0; }

void TRegistry::WriteBool(const std::string& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }

int TRegistry::ReadBinaryData(const std::string& Name, void* Buffer, int BufSize) {
  DWORD type = REG_NONE;
  std::string data;
  if (!QueryValue(Name, type, data)) return 0;
  const TRegDataType kind = RegDataOf(type);
  if ((kind != rdBinary && kind != rdUnknown) || BufSize < 0 || data.size() > static_cast<size_t>(BufSize))
    throw ERegistryException(Format(SInvalidRegType, {Name}));
  if (!data.empty()) std::memcpy(Buffer, data.data(), data.size());
  return static_cast<int>(data.size());
}

void TRegistry::WriteBinaryData(const std::string& Name, const void* Buffer, int BufSize) {
  PutData(Name, Buffer, BufSize, REG_BINARY);
}
