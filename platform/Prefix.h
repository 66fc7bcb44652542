// The platform prefix: the one host folder that holds the registry database,
// the drive map and the drive folders (the Windows folder among them).
#pragma once

#include <string>

namespace win {

// The environment variable that names the prefix.
inline constexpr const char* kPrefixVariable = "LOZG_PREFIX";

// The prefix folder as a host path without a trailing slash: $LOZG_PREFIX,
// else $XDG_DATA_HOME/lozg, else ~/.local/share/lozg. Created on first use;
// read once per process.
std::string PlatformPrefix();

namespace test {

// Moves the process to the prefix `folder` as a process started there would
// find it: the registry, the drive map and the current directory are taken
// afresh from it. Between tests, while no other thread uses the platform.
void UsePrefix(const std::string& folder);

}  // namespace test

}  // namespace win
