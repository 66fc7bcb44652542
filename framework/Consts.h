// The framework's own message texts, as its exceptions carry them. Texts with
// placeholders are formats for Format (see Format.h).
#pragma once

inline constexpr char SAssignError[] = "Cannot assign a %s to a %s";
inline constexpr char SInvalidFormat[] = "Format '%s' invalid or incompatible with argument";
inline constexpr char SArgumentMissing[] = "No argument for format '%s'";
inline constexpr char SInvalidInteger[] = "'%s' is not a valid integer value";

inline constexpr char SListIndexError[] = "List index out of bounds (%d)";
inline constexpr char SListCapacityError[] = "List capacity out of bounds (%d)";
inline constexpr char SListCountError[] = "List count out of bounds (%d)";
inline constexpr char SDuplicateString[] = "String list does not allow duplicates";
inline constexpr char SSortedListError[] = "Operation not allowed on sorted string list";

inline constexpr char SInvalidName[] = "'%s' is not a valid component name";
inline constexpr char SDuplicateName[] = "A component named %s already exists";

inline constexpr char SReadError[] = "Stream read error";
inline constexpr char SWriteError[] = "Stream write error";
inline constexpr char SMemoryStreamError[] = "Out of memory while expanding memory stream";
inline constexpr char SFCreateError[] = "Cannot create file %s";
inline constexpr char SFOpenError[] = "Cannot open file %s";

inline constexpr char SIniFileWriteError[] = "Unable to write to %s";

inline constexpr char SOSError[] = "System Error.  Code: %d.\r\n%s";
inline constexpr char SUnkOSError[] = "A call to an OS function failed";

inline constexpr char SRegCreateFailed[] = "Failed to create key %s";
inline constexpr char SRegSetDataFailed[] = "Failed to set data for '%s'";
inline constexpr char SRegGetDataFailed[] = "Failed to get data for '%s'";
inline constexpr char SInvalidRegType[] = "Invalid data type for '%s'";

inline constexpr char SThreadCreateError[] = "Thread creation error: %d";
inline constexpr char SCheckSynchronizeError[] = "CheckSynchronize called from thread $%x, which is NOT the main thread";
inline constexpr char SThreadWaitForItself[] = "A thread cannot wait for itself";

// UTF-8 here; callers take them to code page 932 with SJ.
inline constexpr char SMsgDlgWarning[] = "警告";
inline constexpr char SMsgDlgError[] = "エラー";
inline constexpr char SMsgDlgInformation[] = "情報";
inline constexpr char SMsgDlgConfirm[] = "確認";

inline constexpr char SUnknownException[] = "Exception of an unknown kind";
inline constexpr char SNoTimers[] = "Not enough timers available";

inline constexpr char SNoCanvasHandle[] = "Canvas does not allow drawing";
inline constexpr char SOutOfResources[] = "Out of system resources";
inline constexpr char SInvalidBitmap[] = "Bitmap image is not valid";
inline constexpr char SInvalidImageSize[] = "Invalid image size";
inline constexpr char SScanLine[] = "Scan line index out of range";
inline constexpr char SUnknownExtension[] = "Unknown picture file extension (.%s)";
inline constexpr char SVBitmaps[] = "Bitmaps";
inline constexpr char SImageIndexError[] = "Invalid ImageList Index";

inline constexpr char SParentRequired[] = "Control '%s' has no parent window";
inline constexpr char SControlParentSetToSelf[] = "A control cannot have itself as its parent";
inline constexpr char SCannotFocus[] = "Cannot focus a disabled or invisible window";
inline constexpr char SMenuIndexError[] = "Menu index out of range";
inline constexpr char SMenuInserted[] = "Menu inserted twice";
inline constexpr char SMenuNotFound[] = "Sub-menu is not in menu";
