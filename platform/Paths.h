// Windows paths on the host: the drive map (drive letters to host folders,
// kept in the platform prefix), the current directory, full-path expansion
// and the conversion of Windows paths to host paths and back.
#pragma once

#include <string>
#include <string_view>

#include "platform/Types.h"

namespace win {

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size);
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
BOOL SetCurrentDirectoryA(LPCSTR path);
DWORD GetFullPathNameA(LPCSTR name, DWORD size, LPSTR buffer, LPSTR* filePart);

// The drive map. C: is a folder of the prefix and Z: is the host's root
// unless the map file says otherwise; MapDrive records a letter for every
// process of the prefix (an empty folder removes the letter).
std::string DriveFolder(char letter);
void MapDrive(char letter, const std::string& hostFolder);

namespace detail {

// Copies `text` into a caller's buffer as the platform's string getters do:
// the length without the terminator when it fits, else the size needed with it.
DWORD CopyToBuffer(std::string_view text, LPSTR buffer, DWORD size);

// The absolute, normalised form of a Windows path ("C:\dir\file"), resolved
// against the current directory; empty when the path is empty or names no drive.
std::string FullWindowsPath(std::string_view path);

// The host path of a Windows path, with every existing component found in
// whatever letter case it has on the host; empty when its drive is unmapped.
std::string ToHostPath(std::string_view windowsPath);

// The Windows path of a host path, under the mapped drive with the longest
// matching folder.
std::string ToWindowsPath(std::string_view hostPath);

// One file name between the host (UTF-8 bytes) and Windows (code page 932).
// A host name may hold what a Windows name cannot: the characters
// \ : * ? " < > | and control characters, bytes that are not UTF-8, and
// characters code page 932 lacks. Each byte of such a character stands in
// the Windows name as the private-use character U+E000 + byte, and so do
// the bytes of a host name's own characters of that range, so that the two
// conversions undo each other for every host name.
std::string HostNameToWindows(std::string_view hostName);
std::string WindowsNameToHost(std::string_view windowsName);

// Forgets the drive map and the current directory, which are read again
// from the prefix on their next use.
void ForgetDrives();

// Splits a Windows path at its separators ('\' and '/'), never inside a
// double-byte character.
std::string_view::size_type FindSeparator(std::string_view path, std::string_view::size_type from = 0);

}  // namespace detail
}  // namespace win
