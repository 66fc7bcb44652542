// Where plug-ins and other programs find the player: its executable's path
// as the default value of the machine's App Paths entry "KORU.EXE" (with
// its folder as "Path") and of the user's key "Software\TOSKA\KORU".
#pragma once

#include <string>

#include "platform/Types.h"

namespace koru {

inline constexpr char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KORU.EXE";
inline constexpr char kUserKey[] = "Software\\TOSKA\\KORU";

// Writes both entries; each is tried even when the other fails. Answers
// ERROR_SUCCESS, or the registry's error of the first entry that failed.
win::LONG RegisterPlayerPath(const std::string& exePath);

// The path the registry gives, as a plug-in looks for it: the machine-wide
// entry first, then the user's; empty when neither has one.
std::string RegisteredPlayerPath();

}  // namespace koru
