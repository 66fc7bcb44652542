#include "framework/DateUtils.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "framework/Exceptions.h"
#include "platform/Clock.h"
#include "platform/Text.h"

using win::WORD;

char DateSeparator = '/';
char TimeSeparator = ':';
std::string ShortDateFormat = "yyyy/mm/dd";
std::string LongDateFormat = SJ("yyyy'年'm'月'd'日'");
std::string ShortTimeFormat = "hh:nn";
std::string LongTimeFormat = "hh:nn:ss";
std::string TimeAMString = SJ("午前");
std::string TimePMString = SJ("午後");
std::array<std::string, 12> ShortMonthNames = {SJ("1月"), SJ("2月"), SJ("3月"),  SJ("4月"),  SJ("5月"),  SJ("6月"),
                                               SJ("7月"), SJ("8月"), SJ("9月"), SJ("10月"), SJ("11月"), SJ("12月")};
std::array<std::string, 12> LongMonthNames = ShortMonthNames;
std::array<std::string, 7> ShortDayNames = {SJ("日"), SJ("月"), SJ("火"), SJ("水"), SJ("木"), SJ("金"), SJ("土")};
std::array<std::string, 7> LongDayNames = {SJ("日曜日"), SJ("月曜日"), SJ("火曜日"), SJ("水曜日"),
                                           SJ("木曜日"), SJ("金曜日"), SJ("土曜日")};

namespace {

constexpr int64_t kMsPerDay = 86'400'000;
// Day 0 of TDateTime, 1899-12-30, counted in days from 0001-01-01.
constexpr int64_t kOriginDays = 693'593;
constexpr int64_t kFirstDay = -kOriginDays;     // 0001-01-01
constexpr int64_t kLastDay = 2'958'465;         // 9999-12-31
constexpr int64_t kDaysPer400Years = 146'097;
constexpr int64_t kDaysPer100Years = 36'524;
constexpr int64_t kDaysPer4Years = 1'461;

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(static_cast<WORD>(year)) ? 29 : kDays[month - 1];
}

// A value split into whole days (relative to the origin) and milliseconds of
// the day, rounded to the millisecond; false when it names no day of the
// years 1 to 9999.
struct Moment {
  int64_t days = 0;
  int64_t ms = 0;
};

bool Split(TDateTime value, Moment& moment) {
  if (!std::isfinite(value) || value < kFirstDay - 1 || value > kLastDay + 1) return false;
  const double whole = std::trunc(value);
  moment.days = static_cast<int64_t>(whole);
  moment.ms = std::llround(std::fabs(value - whole) * kMsPerDay);
  if (moment.ms >= kMsPerDay) {  // rounded up to the next midnight
    moment.ms -= kMsPerDay;
    ++moment.days;
  }
  return moment.days >= kFirstDay && moment.days <= kLastDay;
}

struct CivilDate {
  int year = 0, month = 0, day = 0;
};

CivilDate CivilFromDays(int64_t days) {
  int64_t rest = days + kOriginDays;  // days since 0001-01-01
  int64_t year = 1 + rest / kDaysPer400Years * 400;
  rest %= kDaysPer400Years;
  int64_t centuries = std::min<int64_t>(rest / kDaysPer100Years, 3);  // the 400th year's leap day
  rest -= centuries * kDaysPer100Years;
  year += centuries * 100 + rest / kDaysPer4Years * 4;
  rest %= kDaysPer4Years;
  int64_t years = std::min<int64_t>(rest / 365, 3);  // the 4th year's leap day
  rest -= years * 365;
  year += years;
  CivilDate date{static_cast<int>(year), 1, 0};
  while (rest >= DaysInMonth(date.year, date.month)) rest -= DaysInMonth(date.year, date.month++);
  date.day = static_cast<int>(rest) + 1;
  return date;
}

bool TryEncodeDate(WORD year, WORD month, WORD day, TDateTime& value) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  const int64_t y = year - 1;
  int64_t days = y * 365 + y / 4 - y / 100 + y / 400 + day - 1;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  value = static_cast<TDateTime>(days - kOriginDays);
  return true;
}

class Formatter {
 public:
  explicit Formatter(TDateTime value) : weekday_(DayOfWeek(value)) {
    DecodeDate(value, year_, month_, day_);
    DecodeTime(value, hour_, minute_, second_, msec_);
  }

  std::string Run(std::string_view format) {
    Append(format, 0);
    return out_;
  }

 private:
  // Nested formats (ddddd, c, t...) expand two levels deep at most, so a
  // setting that names itself cannot recurse forever.
  void AppendFormat(std::string_view format, int level) {
    if (level < 2) Append(format, level + 1);
  }

  void Append(std::string_view format, int level) {
    char lastToken = ' ';
    size_t i = 0;
    while (i < format.size()) {
      const size_t start = i;
      const char c = format[i];
      if (win::IsDBCSLeadByte(static_cast<unsigned char>(c))) {
        i = std::min(i + 2, format.size());
        out_.append(format.substr(start, i - start));
        continue;
      }
      char token = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (token >= 'A' && token <= 'Z') {
        if (token == 'M' && lastToken == 'H') token = 'N';
        lastToken = token;
      }
      // A letter is taken with all its repeats; everything else one by one.
      const size_t runEnd = std::min(format.find_first_not_of(c, start), format.size());
      const int count = static_cast<int>(runEnd - start);
      i = std::string_view("YMDHNSZTC").find(token) != std::string_view::npos ? runEnd : start + 1;
      switch (token) {
        case 'Y':
          if (count <= 2)
            AppendNumber(year_ % 100, 2);
          else
            AppendNumber(year_, 4);
          break;
        case 'M':
          if (count <= 2)
            AppendNumber(month_, count);
          else
            AppendName(count == 3 ? ShortMonthNames : LongMonthNames, month_ - 1);
          break;
        case 'D':
          if (count <= 2)
            AppendNumber(day_, count);
          else if (count <= 4)
            AppendName(count == 3 ? ShortDayNames : LongDayNames, weekday_ - 1);
          else
            AppendFormat(count == 5 ? ShortDateFormat : LongDateFormat, level);
          break;
        case 'H': {
          int hour = hour_;
          if (TwelveHourMarkFollows(format.substr(i))) hour = hour % 12 == 0 ? 12 : hour % 12;
          AppendNumber(hour, std::min(count, 2));
          break;
        }
        case 'N':
          AppendNumber(minute_, std::min(count, 2));
          break;
        case 'S':
          AppendNumber(second_, std::min(count, 2));
          break;
        case 'Z':
          AppendNumber(msec_, count == 1 ? 1 : 3);
          break;
        case 'T':
          AppendFormat(count == 1 ? ShortTimeFormat : LongTimeFormat, level);
          break;
        case 'C':
          AppendFormat(ShortDateFormat, level);
          if (hour_ != 0 || minute_ != 0 || second_ != 0) {
            out_ += ' ';
            AppendFormat(LongTimeFormat, level);
          }
          break;
        case 'A':
          i = start + AppendTwelveHourMark(format.substr(start));
          break;
        case '/':
          out_ += DateSeparator;
          break;
        case ':':
          out_ += TimeSeparator;
          break;
        case '\'':
        case '"': {
          const size_t close = format.find(c, i);
          const size_t end = close == std::string_view::npos ? format.size() : close;
          out_.append(format.substr(i, end - i));
          i = std::min(end + 1, format.size());
          break;
        }
        default:
          out_ += c;
      }
    }
  }

  static bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t k = 0; k < prefix.size(); ++k)
      if (std::toupper(static_cast<unsigned char>(text[k])) != prefix[k]) return false;
    return true;
  }

  // True when an am/pm mark stands after an hour before the next hour.
  static bool TwelveHourMarkFollows(std::string_view rest) {
    bool quoted = false;
    for (size_t k = 0; k < rest.size(); ++k) {
      const char c = rest[k];
      if (c == '\'' || c == '"') quoted = !quoted;
      if (quoted) continue;
      if (c == 'h' || c == 'H') return false;
      if ((c == 'a' || c == 'A') && (StartsWithNoCase(rest.substr(k), "AM/PM") ||
                                     StartsWithNoCase(rest.substr(k), "A/P") ||
                                     StartsWithNoCase(rest.substr(k), "AMPM")))
        return true;
    }
    return false;
  }

  // Writes the mark at the start of the text, in the case it is written in,
  // and returns its length; a lone letter a stands for itself.
  size_t AppendTwelveHourMark(std::string_view text) {
    const bool afternoon = hour_ >= 12;
    if (StartsWithNoCase(text, "AM/PM")) {
      out_.append(text.substr(afternoon ? 3 : 0, 2));
      return 5;
    }
    if (StartsWithNoCase(text, "A/P")) {
      out_ += text[afternoon ? 2 : 0];
      return 3;
    }
    if (StartsWithNoCase(text, "AMPM")) {
      out_ += afternoon ? TimePMString : TimeAMString;
      return 4;
    }
    out_ += text[0];
    return 1;
  }

  void AppendNumber(int value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", digits, value);
    out_ += buffer;
  }

  template <size_t N>
  void AppendName(const std::array<std::string, N>& names, int index) {
    if (index >= 0 && index < static_cast<int>(N)) out_ += names[index];
  }

  const int weekday_;
  WORD year_, month_, day_, hour_, minute_, second_, msec_;
  std::string out_;
};

}  // namespace

bool IsLeapYear(WORD year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

TDateTime EncodeDate(WORD year, WORD month, WORD day) {
  TDateTime value;
  if (!TryEncodeDate(year, month, day, value)) throw EConvertError("Invalid argument to date encode");
  return value;
}

TDateTime EncodeTime(WORD hour, WORD minute, WORD second, WORD msec) {
  if (hour > 23 || minute > 59 || second > 59 || msec > 999) throw EConvertError("Invalid argument to time encode");
  return static_cast<TDateTime>(((hour * 60 + minute) * 60 + second) * 1000 + msec) / kMsPerDay;
}

void DecodeDate(TDateTime value, WORD& year, WORD& month, WORD& day) {
  Moment moment;
  CivilDate date = Split(value, moment) ? CivilFromDays(moment.days) : CivilDate{};
  year = static_cast<WORD>(date.year);
  month = static_cast<WORD>(date.month);
  day = static_cast<WORD>(date.day);
}

void DecodeTime(TDateTime value, WORD& hour, WORD& minute, WORD& second, WORD& msec) {
  Moment moment;
  if (!Split(value, moment)) moment = Moment{};
  hour = static_cast<WORD>(moment.ms / 3'600'000);
  minute = static_cast<WORD>(moment.ms / 60'000 % 60);
  second = static_cast<WORD>(moment.ms / 1000 % 60);
  msec = static_cast<WORD>(moment.ms % 1000);
}

int DayOfWeek(TDateTime value) {
  Moment moment;
  if (!Split(value, moment)) return 0;
  // 0001-01-01 was a Monday.
  return static_cast<int>((moment.days + kOriginDays + 1) % 7) + 1;
}

TDateTime SystemTimeToDateTime(const win::SYSTEMTIME& st) {
  const TDateTime date = EncodeDate(st.wYear, st.wMonth, st.wDay);
  const TDateTime time = EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
  return date >= 0 ? date + time : date - time;  // the time counts forward from the day's midnight
}

TDateTime Now() {
  win::SYSTEMTIME st;
  win::GetLocalTime(&st);
  return SystemTimeToDateTime(st);
}

TDateTime Date() {
  win::SYSTEMTIME st;
  win::GetLocalTime(&st);
  return EncodeDate(st.wYear, st.wMonth, st.wDay);
}

TDateTime Time() {
  win::SYSTEMTIME st;
  win::GetLocalTime(&st);
  return EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

std::string FormatDateTime(std::string_view format, TDateTime value) { return Formatter(value).Run(format); }

std::string DateToStr(TDateTime value) { return FormatDateTime("ddddd", value); }

std::string TimeToStr(TDateTime value) { return FormatDateTime("tt", value); }

std::string DateTimeToStr(TDateTime value) { return FormatDateTime("c", value); }
