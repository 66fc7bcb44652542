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
const std::string& PlatformPrefix();

}  // namespace win
