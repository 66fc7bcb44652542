// The component library's own date and time values: a day count from
// 0001-01-01, month lengths, weekdays, month stepping, and dates as text in
// the Japanese era notation (Meiji, Taisho, Showa, Heisei, Reiwa).
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/Classes.h"

// A date; the all-zero value is the zero date, meaning no date. Text forms
// leave out a month or day that is 0.
struct ktDate {
  uint16_t Year = 0;
  uint8_t Month = 0;  // 1-12
  uint8_t Day = 0;    // 1-31

  friend bool operator==(const ktDate&, const ktDate&) = default;
  friend auto operator<=>(const ktDate&, const ktDate&) = default;
};

struct ktTime {
  uint8_t Hour = 0;
  uint8_t Minute = 0;
  uint8_t Second = 0;
  uint8_t Spare = 0;
  uint16_t MSec = 0;

  friend bool operator==(const ktTime&, const ktTime&) = default;
};

struct ktDateTime {
  ktDate Date;
  ktTime Time;

  friend bool operator==(const ktDateTime&, const ktDateTime&) = default;
};

static_assert(sizeof(ktDate) == 4 && sizeof(ktTime) == 6 && sizeof(ktDateTime) == 10);

// The values as persistent objects, so that components can publish them.
class ktvDate : public TPersistent {
 public:
  ktDate Value;
};

class ktvTime : public TPersistent {
 public:
  ktTime Value;
};

class ktvDateTime : public TPersistent {
 public:
  ktDateTime Value;
};

// This calendar's leap rule: every year divisible by 1000, otherwise every
// fourth year except the hundreds. From 1601 to 2399 it is the Gregorian one.
bool ktIsLeapYear(int year);
// 0 for a month outside 1-12.
int ktDaysInMonth(int year, int month);

// Days since 0001-01-01 (day 0).
int ktDayNumber(ktDate date);
// 0 = Sunday to 6 = Saturday.
int ktDayOfWeek(int dayNumber);
int ktDayOfWeek(ktDate date);
// The date of a day number, and its weekday when asked.
ktDate ktDateFromDayNumber(int dayNumber, int* dayOfWeek = nullptr);

// A month on adds the length of the date's month, a month back subtracts the
// length of the month before, so the day can spill over (2002-01-31 plus a
// month is 2002-03-03); from the first of a month both land on a first.
ktDate ktNextMonth(ktDate date);
ktDate ktPrevMonth(ktDate date);
ktDate ktNextDay(ktDate date);
ktDate ktPrevDay(ktDate date);

// The equinox days of a year as Japanese holidays count them, by the
// standard formula for 1900-2099. Outside those years the vernal one
// follows a four-year cycle from 1994 and the autumnal one is the zero date.
ktDate ktVernalEquinox(int year);
ktDate ktAutumnalEquinox(int year);

// The era and the year in it, in code page 932: "令和8年", "令和元年" for an
// era's first year, the plain year with "年" before the Meiji era.
std::string ktEraYearText(ktDate date);

// From the platform's local clock.
ktDate ktToday();
ktTime ktCurrentTime();

// "2002/08/29", or with era letters "H14/08/29"; the separator is the
// framework's DateSeparator.
std::string ktDateToStr(ktDate date, bool era);
// Reads "2002/8/29", "H14/8/29", "平成14/8/29" (code page 932), "2002" or
// "" (the zero date). Blanks before each part are skipped; there is no
// range check, numbers wrap in the width of their field.
ktDate ktStrToDate(std::string_view text);
// Through the framework's FormatDateTime; empty when the month or the day
// is 0. A date the framework cannot encode raises EConvertError.
std::string ktFormatDate(std::string_view format, ktDate date);
std::string ktFormatDateTime(std::string_view format, const ktDateTime& value);
