#include "calendar/Date.h"

#include <array>
#include <cctype>
#include <cstdio>

#include "framework/DateUtils.h"
#include "platform/Clock.h"
#include "platform/Text.h"

namespace {

struct Era {
  char letter;            // upper case; the lower case is read as well
  const std::string& name;  // code page 932
  uint16_t baseYear;      // the year before the era's first year
  ktDate firstDay;
};

// Newest first: a date belongs to the first era that has begun by then.
const std::array<Era, 5>& Eras() {
  static const std::array<Era, 5> eras{{
      {'R', SJ("令和"), 2018, {2019, 5, 1}},
      {'H', SJ("平成"), 1988, {1989, 1, 8}},
      {'S', SJ("昭和"), 1925, {1926, 12, 25}},
      {'T', SJ("大正"), 1911, {1912, 7, 30}},
      {'M', SJ("明治"), 1867, {1868, 1, 1}},
  }};
  return eras;
}

// A year or a month alone (its month or day 0) stands for its first day, not
// for the day before it.
const Era* EraOf(ktDate date) {
  if (date.Month == 0) date.Month = 1;
  if (date.Day == 0) date.Day = 1;
  for (const Era& era : Eras())
    if (date >= era.firstDay) return &era;
  return nullptr;
}

std::string Printf(const char* format, int value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

// Reads a text from the front, never past its end.
class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  bool Take(char c) {
    SkipBlanks();
    if (text_.empty() || text_.front() != c) return false;
    text_.remove_prefix(1);
    return true;
  }

  bool Take(std::string_view prefix) {
    SkipBlanks();
    if (!text_.starts_with(prefix)) return false;
    text_.remove_prefix(prefix.size());
    return true;
  }

  // Decimal digits accumulated in the given width.
  template <typename Field>
  Field Number() {
    SkipBlanks();
    Field value = 0;
    while (!text_.empty() && text_.front() >= '0' && text_.front() <= '9') {
      value = static_cast<Field>(value * 10 + (text_.front() - '0'));
      text_.remove_prefix(1);
    }
    return value;
  }

 private:
  void SkipBlanks() {
    while (!text_.empty() && text_.front() == ' ') text_.remove_prefix(1);
  }

  std::string_view text_;
};

uint16_t ReadEraBase(Reader& reader) {
  for (const Era& era : Eras())
    if (reader.Take(era.letter) || reader.Take(static_cast<char>(std::tolower(era.letter))) || reader.Take(era.name))
      return era.baseYear;
  return 0;
}

}  // namespace

bool ktIsLeapYear(int year) {
  if (year % 1000 == 0) return true;
  if (year % 100 == 0) return false;
  return year % 4 == 0;
}

int ktDaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  if (month == 2) return ktIsLeapYear(year) ? 29 : 28;
  return kDays[month - 1];
}

int ktDayNumber(ktDate date) {
  const int y = date.Year - 1;
  int days = date.Day - 1 + 365 * y + y / 4 + y / 1000 - y / 100;
  for (int month = 1; month < date.Month; ++month) days += ktDaysInMonth(date.Year, month);
  return days;
}

int ktDayOfWeek(int dayNumber) { return ((dayNumber + 4) % 7 + 7) % 7; }

int ktDayOfWeek(ktDate date) { return ktDayOfWeek(ktDayNumber(date)); }

ktDate ktDateFromDayNumber(int dayNumber, int* dayOfWeek) {
  // 365.241 days is this calendar's mean year, so the estimate of the years
  // before the date is never off by more than the year the date lies in.
  const int64_t y = static_cast<int64_t>(dayNumber / 365.241);
  int64_t rest = dayNumber + y / 100 - 365 * y - y / 4 - y / 1000;
  int64_t year = y + 1;
  int month = 1;
  while (month <= 12 && rest >= ktDaysInMonth(static_cast<int>(year), month))
    rest -= ktDaysInMonth(static_cast<int>(year), month++);
  if (month > 12) {
    ++year;
    month = 1;
  }
  if (dayOfWeek) *dayOfWeek = ktDayOfWeek(dayNumber);
  return ktDate{static_cast<uint16_t>(year), static_cast<uint8_t>(month), static_cast<uint8_t>(rest + 1)};
}

ktDate ktNextMonth(ktDate date) {
  return ktDateFromDayNumber(ktDayNumber(date) + ktDaysInMonth(date.Year, date.Month));
}

ktDate ktPrevMonth(ktDate date) {
  const int previous = date.Month == 1 ? ktDaysInMonth(date.Year - 1, 12) : ktDaysInMonth(date.Year, date.Month - 1);
  return ktDateFromDayNumber(ktDayNumber(date) - previous);
}

ktDate ktNextDay(ktDate date) { return ktDateFromDayNumber(ktDayNumber(date) + 1); }

ktDate ktPrevDay(ktDate date) { return ktDateFromDayNumber(ktDayNumber(date) - 1); }

namespace {

// The day in March or September of an equinox by the standard formula for
// 1900-2099: the mean drift of 0.242194 days a year from the day of 1980,
// less the leap days; the constants change at 1980.
int EquinoxDay(int year, double before1980, double from1980) {
  const int years = year - 1980;
  if (year < 1980) return static_cast<int>(before1980 + 0.242194 * years - (year - 1983) / 4);
  return static_cast<int>(from1980 + 0.242194 * years - years / 4);
}

bool HasEquinoxFormula(int year) { return year >= 1900 && year <= 2099; }

}  // namespace

ktDate ktVernalEquinox(int year) {
  if (HasEquinoxFormula(year))
    return ktDate{static_cast<uint16_t>(year), 3, static_cast<uint8_t>(EquinoxDay(year, 20.8357, 20.8431))};
  // Outside those years only the plain four-year cycle from 1994 is known.
  const int years = year - 1994;
  return ktDateFromDayNumber(ktDayNumber({1994, 3, 21}) + 365 * years + years / 4);
}

ktDate ktAutumnalEquinox(int year) {
  if (!HasEquinoxFormula(year)) return ktDate{};
  return ktDate{static_cast<uint16_t>(year), 9, static_cast<uint8_t>(EquinoxDay(year, 23.2588, 23.2488))};
}

std::string ktEraYearText(ktDate date) {
  const Era* era = EraOf(date);
  if (!era) return Printf("%d", date.Year) + SJ("年");
  const int year = date.Year - era->baseYear;
  return era->name + (year == 1 ? SJ("元") : Printf("%d", year)) + SJ("年");
}

ktDate ktToday() {
  win::SYSTEMTIME st;
  win::GetLocalTime(&st);
  return ktDate{st.wYear, static_cast<uint8_t>(st.wMonth), static_cast<uint8_t>(st.wDay)};
}

ktTime ktCurrentTime() {
  win::SYSTEMTIME st;
  win::GetLocalTime(&st);
  return ktTime{static_cast<uint8_t>(st.wHour), static_cast<uint8_t>(st.wMinute), static_cast<uint8_t>(st.wSecond), 0,
                st.wMilliseconds};
}

std::string ktDateToStr(ktDate date, bool era) {
  std::string text;
  if (date.Year != 0) {
    const Era* current = era ? EraOf(date) : nullptr;
    text = current ? current->letter + Printf("%02d", date.Year - current->baseYear) : Printf("%04d", date.Year);
  }
  for (int part : {date.Month, date.Day}) {
    if (part == 0) continue;
    if (!text.empty()) text += DateSeparator;
    text += Printf("%02d", part);
  }
  return text;
}

ktDate ktStrToDate(std::string_view text) {
  Reader reader(text);
  ktDate date;
  const uint16_t base = ReadEraBase(reader);
  date.Year = static_cast<uint16_t>(base + reader.Number<uint16_t>());
  if (reader.Take(DateSeparator)) {
    date.Month = reader.Number<uint8_t>();
    if (reader.Take(DateSeparator)) date.Day = reader.Number<uint8_t>();
  }
  return date;
}

std::string ktFormatDate(std::string_view format, ktDate date) {
  if (date.Month == 0 || date.Day == 0) return "";
  return FormatDateTime(format, EncodeDate(date.Year, date.Month, date.Day));
}

std::string ktFormatDateTime(std::string_view format, const ktDateTime& value) {
  const ktDate& date = value.Date;
  if (date.Month == 0 || date.Day == 0) return "";
  // SystemTimeToDateTime lets the time count forward from the date's
  // midnight also before 1899-12-30, where a plain sum would count back.
  const win::SYSTEMTIME st{date.Year,       date.Month,        0, date.Day, value.Time.Hour, value.Time.Minute,
                           value.Time.Second, value.Time.MSec};
  return FormatDateTime(format, SystemTimeToDateTime(st));
}
