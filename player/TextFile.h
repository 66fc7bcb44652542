// Whole-file reads and writes through the platform's file calls, for the
// player's own text files (play lists, lyrics, track descriptions).
#pragma once

#include <string>
#include <string_view>

namespace koru {

// The file's bytes, or false with the platform's last error set. Files
// larger than `limit` bytes are refused (ERROR_NOT_ENOUGH_MEMORY) so that a
// stray huge file cannot exhaust memory.
bool ReadTextFile(const std::string& path, std::string& text, size_t limit = 16 * 1024 * 1024);

// Replaces the file as a whole: the text goes to a temporary file beside it,
// which then takes the file's place, so a failed write leaves the old file
// untouched. False with the platform's last error set.
bool WriteTextFile(const std::string& path, std::string_view text);

// Whether a file (not a folder) exists at the Windows path.
bool FileExists(const std::string& path);

}  // namespace koru
