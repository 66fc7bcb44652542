// The framework's text and file-name helpers. Texts are code page 932 byte
// strings; every helper here that looks at characters steps over double-byte
// characters whole, so that a trail byte (which may equal '\', 'a' or '|')
// is never taken for a separator, a letter or a delimiter.
//
// Positions are 1-based as the framework's strings count them, and 0 means
// "none", except where a function says otherwise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/Format.h"
#include "framework/Sets.h"

// Double-byte characters.
enum TMbcsByteType { mbSingleByte, mbLeadByte, mbTrailByte };
// The kind of the byte at the 1-based `Index` of S; mbSingleByte outside S.
TMbcsByteType ByteType(std::string_view S, int Index);
// The same for the 0-based `Index` of a zero-terminated text.
TMbcsByteType StrByteType(const char* Str, size_t Index);
// The byte length (1 or 2) of the character that starts at the 1-based
// `Index` of S: a lead byte with a byte after it starts a double-byte one.
int CharLength(std::string_view S, int Index);
// The byte length of the character that starts at `Str` (1 or 2; 0 at the end).
int StrCharLength(const char* Str);
const char* StrNextChar(const char* Str);

// Integers.
std::string IntToStr(int Value);
std::string IntToStr(int64_t Value);
// Upper-case hexadecimal of the value's two's complement, at least `Digits` long.
std::string IntToHex(int Value, int Digits);
std::string IntToHex(int64_t Value, int Digits);
// Decimal, or hexadecimal after "$" or "0x"; blanks may lead, a sign may
// follow them; the value must fit 32 bits (hexadecimal up to $FFFFFFFF).
bool TryStrToInt(std::string_view S, int& Value);
int StrToInt(std::string_view S);  // EConvertError when S is not one
int StrToIntDef(std::string_view S, int Default);

// Blanks and control characters (every byte up to ' ') at either end.
std::string Trim(std::string_view S);
std::string TrimLeft(std::string_view S);
std::string TrimRight(std::string_view S);

// Letter case. UpperCase and LowerCase map the letters A-Z and a-z outside
// double-byte characters; the Ansi forms map as the platform does, which
// also takes the double-byte letters that have a case (full-width Latin,
// Greek, Cyrillic). Either keeps every byte's place.
std::string UpperCase(std::string_view S);
std::string LowerCase(std::string_view S);
std::string AnsiUpperCase(std::string_view S);
std::string AnsiLowerCase(std::string_view S);

// Comparisons: < 0, 0 or > 0. CompareStr is by byte value; CompareText
// ignores the case of letters A-Z. The Ansi forms order as the platform's
// locale does: symbols before digits before letters, letters without regard
// to case first, and a lower-case letter before its capital where that is
// the only difference (AnsiCompareStr).
int CompareStr(std::string_view S1, std::string_view S2);
int CompareText(std::string_view S1, std::string_view S2);
int AnsiCompareStr(std::string_view S1, std::string_view S2);
int AnsiCompareText(std::string_view S1, std::string_view S2);
bool SameText(std::string_view S1, std::string_view S2);
bool AnsiSameText(std::string_view S1, std::string_view S2);
// File names compare as the platform compares them: single-byte letters
// without regard to case, double-byte characters as they are.
int AnsiCompareFileName(std::string_view S1, std::string_view S2);
bool AnsiSameFileName(std::string_view S1, std::string_view S2);

// The 1-based position of the first occurrence of Substr in S, 0 if none
// (or if Substr is empty). AnsiPos matches only at character starts.
int Pos(std::string_view Substr, std::string_view S);
int AnsiPos(std::string_view Substr, std::string_view S);

enum TReplaceFlag { rfReplaceAll, rfIgnoreCase };
using TReplaceFlags = TSet<TReplaceFlag>;
std::string StringReplace(std::string_view S, std::string_view OldPattern, std::string_view NewPattern,
                          TReplaceFlags Flags);

// S in single quotes, its quotes doubled.
std::string QuotedStr(std::string_view S);
// S between two `Quote` characters, with every `Quote` in it doubled.
std::string AnsiQuotedStr(std::string_view S, char Quote);
// When Src starts with `Quote`: the quoted text with doubled quotes made
// single, and Src moved past the closing quote (to its end when there is
// none). Otherwise the empty text, and Src is left as it is.
std::string AnsiExtractQuotedStr(std::string_view& Src, char Quote);

// A letter or '_', then letters, digits and '_'.
bool IsValidIdent(std::string_view Ident);

// Delimiters: `Index` is 1-based; a byte of a double-byte character never counts.
bool IsDelimiter(std::string_view Delimiters, std::string_view S, int Index);
int LastDelimiter(std::string_view Delimiters, std::string_view S);
bool IsPathDelimiter(std::string_view S, int Index);

// File names: '\' separates folders and ':' ends a drive.
std::string IncludeTrailingBackslash(std::string_view S);
std::string ExcludeTrailingBackslash(std::string_view S);
std::string ExtractFilePath(std::string_view FileName);  // with the final '\'
std::string ExtractFileDir(std::string_view FileName);   // without it, but "C:\" stays
std::string ExtractFileName(std::string_view FileName);
std::string ExtractFileExt(std::string_view FileName);   // with the dot
std::string ExtractFileDrive(std::string_view FileName);  // "C:" or "\\server\share"
std::string ChangeFileExt(std::string_view FileName, std::string_view Extension);
// The full path of a name against the current directory; empty on failure.
std::string ExpandFileName(std::string_view FileName);

// Files and folders by their Windows names. FileExists is false for a
// folder, DirectoryExists for a file.
bool FileExists(std::string_view FileName);
bool DirectoryExists(std::string_view Directory);
bool CreateDir(std::string_view Dir);
bool RemoveDir(std::string_view Dir);  // an empty folder only
// Creates the folder and every missing folder above it; true when the
// folder exists afterwards. A relative name is taken from the current
// directory.
bool ForceDirectories(std::string_view Dir);
bool DeleteFile(std::string_view FileName);
bool RenameFile(std::string_view OldName, std::string_view NewName);
std::string GetCurrentDir();
bool SetCurrentDir(std::string_view Dir);

// The process. ParamStr(0) is the program's full path; 1 to ParamCount()
// are the arguments of the command line, split by the platform's rules; any
// other index gives the empty text.
int ParamCount();
std::string ParamStr(int Index);
// The variable's value; empty when it is not set.
std::string GetEnvironmentVariable(std::string_view Name);

// The platform's text for an error code, without its line end; empty for a
// code that has none.
std::string SysErrorMessage(int ErrorCode);
// EOSError "System Error.  Code: <code>.\r\n<text>" with the code of the
// last failed platform call (or the one given); for 0, "A call to an OS
// function failed".
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseLastOSError(int LastError);

// Zero-terminated texts.
std::string StrPas(const char* Str);
// Copies at most MaxLen bytes of Source and a terminator into Dest (which
// holds MaxLen + 1 bytes), never ending inside a double-byte character.
char* StrLCopy(char* Dest, const char* Source, size_t MaxLen);
char* StrPLCopy(char* Dest, std::string_view Source, size_t MaxLen);
template <size_t N>
char* StrPCopy(char (&Dest)[N], std::string_view Source) {
  static_assert(N > 0);
  return StrPLCopy(Dest, Source, N - 1);
}
