// Mutexes: unnamed ones for the threads of this process, and named ones that
// every process of the user's logon shares.
#pragma once

#include "platform/Sync.h"
#include "platform/Types.h"

namespace win {

// The environment variable that moves the folder of the named mutexes away
// from the user's own (tests give every run a folder of its own).
inline constexpr const char* kMutexFolderVariable = "LOZG_MUTEX_DIR";

// Creates the mutex, or opens it when the name exists already anywhere in the
// logon; then the last error is ERROR_ALREADY_EXISTS and `initialOwner` is
// ignored. Waits take it (recursively for the owning thread); a wait that
// takes it from a thread or process that ended while owning it answers
// WAIT_ABANDONED.
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES sa, BOOL initialOwner, LPCSTR name);
// Fails with ERROR_NOT_OWNER unless the calling thread owns the mutex.
BOOL ReleaseMutex(HANDLE mutex);

namespace detail {

// Abandons every mutex the calling thread still owns. Runs by itself when a
// thread ends; a thread that signals its end to waiters calls it first, so
// that they never see a finished thread still owning a mutex.
void AbandonOwnedMutexes();

}  // namespace detail
}  // namespace win
