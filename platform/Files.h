// Files and folders on the host, reached through the drive map: attributes,
// searches with the platform's wildcard rules and 8.3 short names, file
// handles for reading and writing, and the folder operations.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/Sync.h"
#include "platform/Types.h"

namespace win {

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  CHAR cFileName[MAX_PATH];
  CHAR cAlternateFileName[14];
};
using LPWIN32_FIND_DATAA = WIN32_FIND_DATAA*;

// Callers copy the first 36 bytes (attributes, the three times, the size) as
// one record, so the layout is the platform's to the byte.
static_assert(offsetof(WIN32_FIND_DATAA, ftCreationTime) == 4);
static_assert(offsetof(WIN32_FIND_DATAA, ftLastAccessTime) == 12);
static_assert(offsetof(WIN32_FIND_DATAA, ftLastWriteTime) == 20);
static_assert(offsetof(WIN32_FIND_DATAA, nFileSizeHigh) == 28);
static_assert(offsetof(WIN32_FIND_DATAA, nFileSizeLow) == 32);
static_assert(offsetof(WIN32_FIND_DATAA, dwReserved0) == 36);
static_assert(offsetof(WIN32_FIND_DATAA, cFileName) == 44);
static_assert(offsetof(WIN32_FIND_DATAA, cAlternateFileName) == 304);
static_assert(sizeof(WIN32_FIND_DATAA) == 320);

// The reparse tag of a symbolic link, in the dwReserved0 of its find data.
constexpr DWORD IO_REPARSE_TAG_SYMLINK = 0xA000000C;

// Read-only comes from the host's write permission for this user (for the
// superuser, from whether any write bit is set); hidden marks names that
// start with '.'; archive marks regular files; devices, pipes and sockets
// are system files. A symbolic link is a reparse point with the other
// attributes of what it names (its own where it names nothing), so that a
// walk over folders can keep out of link loops.
DWORD GetFileAttributesA(LPCSTR path);
// Only read-only can be changed: it clears the write bits, and clearing it
// gives the owner the write bit back. Other bits are accepted and ignored.
BOOL SetFileAttributesA(LPCSTR path, DWORD attributes);

// Searches take a snapshot of the folder when they start. Entries come in
// the order of their upper-cased names, "." and ".." first where the folder
// is not the root of its drive.
HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data);
BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data);
BOOL FindClose(HANDLE find);

// Bit 0 for A: up to bit 25 for Z:, one for every mapped drive letter.
DWORD GetLogicalDrives();


// Share modes are accepted; the host does not enforce them.
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;

constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;

constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFF;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFF;

constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x2;
constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x8;

union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
};
using PLARGE_INTEGER = LARGE_INTEGER*;

// Overlapped I/O is not offered: ReadFile and WriteFile refuse a record.
struct OVERLAPPED;
using LPOVERLAPPED = OVERLAPPED*;

// File handles are kernel objects, closed with CloseHandle. Folders cannot
// be opened. A new file takes FILE_ATTRIBUTE_READONLY from `flags`; other
// flags and attributes are accepted and ignored.
HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                   DWORD flags, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED overlapped);
DWORD SetFilePointer(HANDLE file, LONG distance, LPLONG distanceHigh, DWORD method);
BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER newPosition, DWORD method);
DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);
BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER size);
BOOL SetEndOfFile(HANDLE file);
BOOL FlushFileBuffers(HANDLE file);
// The host keeps no settable creation time: SetFileTime ignores it.
BOOL GetFileTime(HANDLE file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite);
BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* lastAccess, const FILETIME* lastWrite);

BOOL DeleteFileA(LPCSTR name);
BOOL MoveFileA(LPCSTR from, LPCSTR to);
BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags);
BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists);
BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security);
BOOL RemoveDirectoryA(LPCSTR path);

// The temporary folder is C:\WINDOWS\TEMP\ of the prefix, made on first use.
DWORD GetTempPathA(DWORD size, LPSTR buffer);
// `buffer` holds MAX_PATH characters. With `unique` 0 the file is created
// under a free number, which is returned.
UINT GetTempFileNameA(LPCSTR folder, LPCSTR prefix, UINT unique, LPSTR buffer);

namespace detail {

// The platform's file-name wildcards, as searches apply them: '*' matches
// any run of characters and '?' any one character (or none at the end of
// the name or before a '.'), letters match in either case, "*.*" matches
// every name, and a pattern ending in '.' also matches the name without it
// ("*." matches the names without an extension). A double-byte character
// counts as one character.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

}  // namespace detail
}  // namespace win
