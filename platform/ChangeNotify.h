// Change notifications on host folders: a waitable handle that becomes
// signalled when something of the kinds in its filter changes in a folder
// (and, if asked, in every folder below it). Host folders are watched with
// inotify by one reader thread of the process.
#pragma once

#include <cstddef>

#include "platform/Types.h"

namespace win {

constexpr DWORD FILE_NOTIFY_CHANGE_FILE_NAME = 0x001;
constexpr DWORD FILE_NOTIFY_CHANGE_DIR_NAME = 0x002;
constexpr DWORD FILE_NOTIFY_CHANGE_ATTRIBUTES = 0x004;
constexpr DWORD FILE_NOTIFY_CHANGE_SIZE = 0x008;
constexpr DWORD FILE_NOTIFY_CHANGE_LAST_WRITE = 0x010;
constexpr DWORD FILE_NOTIFY_CHANGE_LAST_ACCESS = 0x020;
constexpr DWORD FILE_NOTIFY_CHANGE_CREATION = 0x040;
constexpr DWORD FILE_NOTIFY_CHANGE_SECURITY = 0x100;

// The handle stays signalled from the first matching change until
// FindNextChangeNotification, which leaves it signalled when changes came
// after the last wait that ended on it. It is closed with
// FindCloseChangeNotification (or CloseHandle).
HANDLE FindFirstChangeNotificationA(LPCSTR path, BOOL watchSubtree, DWORD filter);
// Fails once the watched folder itself is gone.
BOOL FindNextChangeNotification(HANDLE notification);
BOOL FindCloseChangeNotification(HANDLE notification);

namespace detail {

// How many host folders a notification handle watches; 0 for anything else.
size_t WatchedFolderCount(HANDLE notification);

}  // namespace detail
}  // namespace win
