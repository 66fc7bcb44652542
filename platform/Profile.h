// Profile (ini) files: sections in square brackets and key=value entries,
// read and written as the platform's private-profile calls do. A file name
// without a folder lies in the Windows folder. Section and key names compare
// without regard to case; every other line of a file (comments, blank lines,
// anything that is not an entry) survives a rewrite byte for byte.
//
// Every call reads the file afresh, so readers see what any process wrote
// last. A write replaces the file as a whole (a temporary file beside it,
// flushed to disk, then renamed over it) under an exclusive lock on a side
// file "<name>.lock", so a crash never leaves half a file and writers of
// different processes never lose each other's entries. A file without write
// permission is never replaced (ERROR_ACCESS_DENIED).
#pragma once

#include "platform/Types.h"

namespace win {

// A null `appName` lists the section names, a null `keyName` the keys of a
// section: each name ends with a NUL and the list with a second one; a list
// that does not fit is cut and answers size - 2. A single value that does not
// fit is cut and answers size - 1. A value in matching quotes loses them.
DWORD GetPrivateProfileStringA(LPCSTR appName, LPCSTR keyName, LPCSTR defaultValue, LPSTR buffer, DWORD size,
                               LPCSTR fileName);
// The value's leading number (decimal, or hexadecimal after "0x", with an
// optional sign); `defaultValue` when the key is absent or its value empty.
UINT GetPrivateProfileIntA(LPCSTR appName, LPCSTR keyName, INT defaultValue, LPCSTR fileName);
// The entries of a section as "key=value" strings, listed as above.
DWORD GetPrivateProfileSectionA(LPCSTR appName, LPSTR buffer, DWORD size, LPCSTR fileName);
DWORD GetPrivateProfileSectionNamesA(LPSTR buffer, DWORD size, LPCSTR fileName);

// A null `value` deletes the key, a null `keyName` the whole section.
BOOL WritePrivateProfileStringA(LPCSTR appName, LPCSTR keyName, LPCSTR value, LPCSTR fileName);
// Replaces the entries of a section by `entries` ("key=value" strings, each
// NUL-terminated, a second NUL at the end); a null `entries` deletes it.
BOOL WritePrivateProfileSectionA(LPCSTR appName, LPCSTR entries, LPCSTR fileName);

// Beyond the private-profile calls: several entries (section, key, value;
// a null value deletes the key) written in one replacement of the file, so
// that a reader, or a file left by a crash, has all of them or none. FALSE,
// with nothing written, when a name or value is refused or the file cannot
// be replaced.
struct ProfileEntry {
  LPCSTR appName;
  LPCSTR keyName;
  LPCSTR value;
};
BOOL WritePrivateProfileEntriesA(const ProfileEntry* entries, DWORD count, LPCSTR fileName);

namespace test {

// While on, every profile write stops as a process killed between writing
// its temporary file and renaming it would: the temporary file stays, the
// file itself is untouched, and the call fails with ERROR_WRITE_FAULT.
void SimulateProfileCrashBeforeReplace(bool on);

}  // namespace test
}  // namespace win
