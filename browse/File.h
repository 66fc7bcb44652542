// Path helpers of the file-browsing components. Paths are code page 932
// texts; every search steps over double-byte characters whole, so that a
// trail byte equal to '\' is never taken for a separator.
#pragma once

#include <string>
#include <string_view>

// The text after the last '\' or, where there is none, after the last ':';
// the whole text when neither occurs.
std::string FileNamePart(std::string_view Path);

// The text before the file-name part ("C:\data\" of "C:\data\a.txt").
std::string DirectoryPart(std::string_view Path);

// B appended to A: leading '\' of B are dropped, and a '\' comes between
// them unless A is empty or ends with ':' or '\'.
std::string JoinPath(std::string_view A, std::string_view B);

// The text after the last '.' of the file-name part; empty when it has none.
std::string ExtensionPart(std::string_view Path);

// The platform's full-path expansion of Name into MAX_PATH characters; the
// empty text when the expansion fails or would not fit.
std::string FullPath(std::string_view Name);
