// The registry: keys and typed values in one SQLite database of the platform
// prefix (registry.db), shared by every process of the prefix. Key and value
// names compare without regard to case and keep the case they were created
// with; subkeys enumerate in name order, values in the order they were first
// set. Every change is one transaction, so a change is whole or absent even
// across a crash, and processes may use the registry at the same time.
//
// HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_USERS are
// four separate trees. Other key handles are ids of the handle table, closed
// with RegCloseKey; a handle whose key was deleted answers ERROR_KEY_DELETED.
// A handle opened without KEY_SET_VALUE or KEY_CREATE_SUB_KEY cannot change
// values or create subkeys (ERROR_ACCESS_DENIED).
//
// A damaged database file is never repaired or replaced: every call then
// answers ERROR_REGISTRY_CORRUPT, and a message on stderr names the file.
#pragma once

#include <functional>

#include "platform/Types.h"

namespace win {

struct SECURITY_ATTRIBUTES;

using REGSAM = DWORD;

inline const HKEY HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<LONG>(0x80000000)));
inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<LONG>(0x80000001)));
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<LONG>(0x80000002)));
inline const HKEY HKEY_USERS = reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<LONG>(0x80000003)));

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

// Access rights.
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_EXECUTE = KEY_READ;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
constexpr REGSAM MAXIMUM_ALLOWED = 0x02000000;

// Creation options and dispositions.
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// A null or empty `subKey` opens a new handle to `key` itself.
LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
// A null or empty `subKey` gives back `key` itself.
LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result);
// Creates every missing key of the path.
LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options, REGSAM access,
                     const SECURITY_ATTRIBUTES* security, PHKEY result, LPDWORD disposition);
LONG RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result);
LONG RegCloseKey(HKEY key);

// A null or empty value name is the key's default value. A null `data` asks
// for the size; a buffer too small answers ERROR_MORE_DATA with the size
// needed. String values are counted with their terminator.
LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize);
// String data without its terminator is stored with one (two for a
// REG_MULTI_SZ list), so that every string read back is terminated.
LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize);
LONG RegDeleteValueA(HKEY key, LPCSTR valueName);

// Deletes a key without subkeys (ERROR_ACCESS_DENIED otherwise); an empty
// `subKey` deletes `key` itself. The four trees cannot be deleted.
LONG RegDeleteKeyA(HKEY key, LPCSTR subKey);
// Deletes `subKey` with everything below it; a null `subKey` deletes the
// values and subkeys of `key` and keeps the key.
LONG RegDeleteTreeA(HKEY key, LPCSTR subKey);

// Names are counted in characters: `*nameSize` is the buffer's size with
// the terminator on the way in and the name's length without it on the way out.
LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPSTR className,
                   LPDWORD classSize, FILETIME* lastWriteTime);
LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPDWORD type, LPBYTE data,
                   LPDWORD dataSize);
// Lengths of names exclude the terminator; value lengths are in bytes.
LONG RegQueryInfoKeyA(HKEY key, LPSTR className, LPDWORD classSize, LPDWORD reserved, LPDWORD subKeys,
                      LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values, LPDWORD maxValueNameLength,
                      LPDWORD maxValueLength, LPDWORD securityDescriptorSize, FILETIME* lastWriteTime);
// Every change is on disk when its call returns; this only checks the handle.
LONG RegFlushKey(HKEY key);

namespace detail {

// Makes every registry change `changes` makes on this thread one: all of
// them land when it answers ERROR_SUCCESS, none when it answers anything
// else or throws, and no other thread or process sees them halfway. A
// failed call inside undoes only itself. Answers the failure of the whole.
LONG AsOneRegistryChange(const std::function<LONG()>& changes);

}  // namespace detail

namespace test {

// While on, every call that would change the registry answers
// ERROR_ACCESS_DENIED and changes nothing, as a key the user may not write.
void FailRegistryWrites(bool on);
// Closes the database as the end of the process would; the next call opens
// it again and checks it afresh. Open key handles stay valid.
void ReopenRegistry();

}  // namespace test
}  // namespace win
