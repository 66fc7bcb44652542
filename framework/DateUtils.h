// The framework's date and time values and their text forms: TDateTime,
// encoding and decoding, the local clock, FormatDateTime and the locale's
// date settings (a Japanese system's, in code page 932).
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "platform/Types.h"

// Days since 1899-12-30 with the time of day as the fraction. Days before
// that origin are negative, their time still counting forward from midnight
// (-1.25 is 1899-12-29 06:00).
using TDateTime = double;

// The locale's date settings, read by the conversions below and changeable
// by the program. Day names are indexed from 0 = Sunday, month names from
// 0 = January.
extern char DateSeparator;
extern char TimeSeparator;
extern std::string ShortDateFormat;
extern std::string LongDateFormat;
extern std::string ShortTimeFormat;
extern std::string LongTimeFormat;
extern std::string TimeAMString;
extern std::string TimePMString;
extern std::array<std::string, 12> ShortMonthNames;
extern std::array<std::string, 12> LongMonthNames;
extern std::array<std::string, 7> ShortDayNames;
extern std::array<std::string, 7> LongDayNames;

// Gregorian calendar, years 1 to 9999.
bool IsLeapYear(win::WORD year);

// Raise EConvertError for a date outside the years 1 to 9999 or not in the
// calendar, and for a time outside 00:00:00.000 to 23:59:59.999.
TDateTime EncodeDate(win::WORD year, win::WORD month, win::WORD day);
TDateTime EncodeTime(win::WORD hour, win::WORD minute, win::WORD second, win::WORD msec);

// A value outside the years 1 to 9999 (or not a number) decodes to zeros.
void DecodeDate(TDateTime value, win::WORD& year, win::WORD& month, win::WORD& day);
void DecodeTime(TDateTime value, win::WORD& hour, win::WORD& minute, win::WORD& second, win::WORD& msec);
// 1 = Sunday to 7 = Saturday; 0 for a value outside the years 1 to 9999.
int DayOfWeek(TDateTime value);

TDateTime SystemTimeToDateTime(const win::SYSTEMTIME& st);

// The local clock of the platform.
TDateTime Now();
TDateTime Date();
TDateTime Time();

// Format letters (case-insensitive): y/yy two-digit year, yyy/yyyy four-digit
// year; m, mm month (minutes right after h or hh), mmm and mmmm month names;
// d, dd day, ddd and dddd day names, ddddd ShortDateFormat, dddddd
// LongDateFormat; h, hh; n, nn; s, ss; z, zzz; t ShortTimeFormat,
// tt LongTimeFormat; c ShortDateFormat and, unless the time is midnight,
// LongTimeFormat; am/pm, a/p and ampm switch the preceding hour to 12 hours;
// '/' DateSeparator, ':' TimeSeparator; '...' and "..." are copied as they
// stand, and so is anything else, double-byte characters whole.
std::string FormatDateTime(std::string_view format, TDateTime value);
std::string DateToStr(TDateTime value);
std::string TimeToStr(TDateTime value);
std::string DateTimeToStr(TDateTime value);
