#include "calendar/Date.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <random>

#include "framework/DateUtils.h"
#include "framework/Exceptions.h"
#include "platform/Clock.h"
#include "platform/Text.h"

// Readable failure messages.
void PrintTo(const ktDate& d, std::ostream* os) { *os << d.Year << "-" << +d.Month << "-" << +d.Day; }
void PrintTo(const ktTime& t, std::ostream* os) {
  *os << +t.Hour << ":" << +t.Minute << ":" << +t.Second << "." << t.MSec;
}

namespace {

struct EraBoundary {
  ktDate date;
  const char* text;  // with era letters
  const char* eraName;  // UTF-8, "" before Meiji
};

// The last day of each era and the first of the next.
const EraBoundary kEraBoundaries[] = {
    {{2019, 4, 30}, "H31/04/30", "平成"}, {{2019, 5, 1}, "R01/05/01", "令和"},
    {{1989, 1, 7}, "S64/01/07", "昭和"},  {{1989, 1, 8}, "H01/01/08", "平成"},
    {{1926, 12, 24}, "T15/12/24", "大正"}, {{1926, 12, 25}, "S01/12/25", "昭和"},
    {{1912, 7, 29}, "M45/07/29", "明治"}, {{1912, 7, 30}, "T01/07/30", "大正"},
    {{1867, 12, 31}, "1867/12/31", ""},  {{1868, 1, 1}, "M01/01/01", "明治"},
};

// The text in a heap block of exactly its length, so that the address
// sanitizer catches a read past its end.
ktDate ParseExactly(std::string_view text) {
  std::unique_ptr<char[]> block(new char[text.size()]);
  std::copy(text.begin(), text.end(), block.get());
  return ktStrToDate(std::string_view(block.get(), text.size()));
}

ktDate Successor(ktDate d) {
  if (d.Day < ktDaysInMonth(d.Year, d.Month)) return {d.Year, d.Month, static_cast<uint8_t>(d.Day + 1)};
  if (d.Month < 12) return {d.Year, static_cast<uint8_t>(d.Month + 1), 1};
  return {static_cast<uint16_t>(d.Year + 1), 1, 1};
}

class DateSeparatorGuard {
 public:
  explicit DateSeparatorGuard(char separator) : saved_(DateSeparator) { DateSeparator = separator; }
  ~DateSeparatorGuard() { DateSeparator = saved_; }

 private:
  char saved_;
};

}  // namespace

TEST(ktDate, WeekdaysAndMonthLengths) {
  EXPECT_EQ(ktDayOfWeek(ktDate{2002, 8, 29}), 4);  // Thursday
  EXPECT_EQ(ktDayOfWeek(ktDate{2002, 9, 1}), 0);
  EXPECT_EQ(ktDayOfWeek(ktDate{2002, 8, 31}), 6);
  EXPECT_EQ(ktDaysInMonth(2000, 2), 29);
  EXPECT_EQ(ktDaysInMonth(1900, 2), 28);
  EXPECT_EQ(ktDaysInMonth(2100, 2), 28);
  EXPECT_EQ(ktDaysInMonth(2004, 2), 29);
  EXPECT_EQ(ktDaysInMonth(2002, 4), 30);
  EXPECT_EQ(ktDaysInMonth(2002, 12), 31);
  // Months the text form lets through have no days rather than a length
  // from beyond the table.
  EXPECT_EQ(ktDaysInMonth(2002, 0), 0);
  EXPECT_EQ(ktDaysInMonth(2002, 13), 0);
  EXPECT_EQ(ktDayNumber({2002, 200, 1}), ktDayNumber({2003, 1, 1}));
}

TEST(ktDate, LeapRuleCountsThousandsNotFourHundreds) {
  // Where this rule and the Gregorian one part: only outside 1601 to 2399.
  for (int year : {1000, 2000, 3000, 0}) EXPECT_TRUE(ktIsLeapYear(year)) << year;
  for (int year : {400, 800, 1200, 1600, 2400, 2800, 1700, 1800, 1900, 2100, 2200, 2300})
    EXPECT_FALSE(ktIsLeapYear(year)) << year;
  EXPECT_TRUE(ktIsLeapYear(1996));
  EXPECT_FALSE(ktIsLeapYear(2002));
  EXPECT_EQ(ktDayNumber({1000, 3, 1}) - ktDayNumber({1000, 2, 28}), 2);
  EXPECT_EQ(ktDayNumber({1600, 3, 1}) - ktDayNumber({1600, 2, 28}), 1);
  EXPECT_EQ(ktDayNumber({2400, 3, 1}) - ktDayNumber({2400, 2, 28}), 1);
  EXPECT_EQ(ktDayNumber({2, 1, 1}), 365);
}

TEST(ktDate, EveryDayFrom1601To2399AgreesWithTheCLibrary) {
  // The two leap rules agree on every year from 1601 to 2399 (they part in
  // 1600 and 2400, and at 400, 800, 1000, 1200, 3000), so weekdays, month
  // lengths and distances in days must match the C library's Gregorian
  // calendar day by day. The day numbers themselves differ by a constant:
  // the calendars counted different leap days before 1601.
  tm start{};
  start.tm_year = 1601 - 1900;
  start.tm_mday = 1;
  const time_t first = timegm(&start);
  const int firstNumber = ktDayNumber({1601, 1, 1});
  tm previous{};
  for (int k = 0;; ++k) {
    const time_t t = first + static_cast<time_t>(k) * 86400;
    tm c{};
    gmtime_r(&t, &c);
    if (c.tm_year + 1900 > 2399) break;
    const ktDate date{static_cast<uint16_t>(c.tm_year + 1900), static_cast<uint8_t>(c.tm_mon + 1),
                      static_cast<uint8_t>(c.tm_mday)};
    ASSERT_EQ(ktDayNumber(date) - firstNumber, k) << ktDateToStr(date, false);
    ASSERT_EQ(ktDayOfWeek(date), c.tm_wday) << ktDateToStr(date, false);
    if (c.tm_mday == 1 && k > 0) {
      ASSERT_EQ(ktDaysInMonth(previous.tm_year + 1900, previous.tm_mon + 1), previous.tm_mday)
          << ktDateToStr(date, false);
    }
    previous = c;
  }
}

TEST(ktDate, DayNumbersOfEveryDayFromYear1To9999ConvertBack) {
  const int last = ktDayNumber({9999, 12, 31});
  ktDate expected{1, 1, 1};
  for (int n = 0; n <= last; ++n) {
    int weekday = -1;
    ASSERT_EQ(ktDateFromDayNumber(n, &weekday), expected) << n;
    ASSERT_EQ(ktDayNumber(expected), n);
    ASSERT_EQ(weekday, (n + 4) % 7);
    expected = Successor(expected);
  }
  EXPECT_EQ(expected, (ktDate{10000, 1, 1}));
}

TEST(ktDate, MonthAndDaySteps) {
  EXPECT_EQ(ktNextMonth({2002, 1, 31}), (ktDate{2002, 3, 3}));
  EXPECT_EQ(ktNextMonth({2002, 12, 1}), (ktDate{2003, 1, 1}));
  EXPECT_EQ(ktNextMonth({2000, 2, 1}), (ktDate{2000, 3, 1}));
  EXPECT_EQ(ktPrevMonth({2003, 1, 1}), (ktDate{2002, 12, 1}));
  EXPECT_EQ(ktPrevMonth({2000, 3, 1}), (ktDate{2000, 2, 1}));
  EXPECT_EQ(ktPrevMonth({2002, 3, 31}), (ktDate{2002, 3, 3}));
  EXPECT_EQ(ktNextDay({2000, 2, 28}), (ktDate{2000, 2, 29}));
  EXPECT_EQ(ktNextDay({2002, 12, 31}), (ktDate{2003, 1, 1}));
  EXPECT_EQ(ktPrevDay({2003, 1, 1}), (ktDate{2002, 12, 31}));
  EXPECT_EQ(ktPrevDay({2100, 3, 1}), (ktDate{2100, 2, 28}));
  // From the first of a month a month on and back lands on firsts through
  // the calendar's default range.
  for (ktDate d{1900, 1, 1}; d.Year < 2100; d = ktNextMonth(d)) {
    ASSERT_EQ(d.Day, 1);
    ASSERT_EQ(ktPrevMonth(ktNextMonth(d)), d);
  }
}

TEST(ktDate, VernalEquinox) {
  EXPECT_EQ(ktVernalEquinox(1996), (ktDate{1996, 3, 20}));
  EXPECT_EQ(ktVernalEquinox(1997), (ktDate{1997, 3, 20}));
  EXPECT_EQ(ktVernalEquinox(1998), (ktDate{1998, 3, 21}));
  EXPECT_EQ(ktVernalEquinox(2002), (ktDate{2002, 3, 21}));
  EXPECT_EQ(ktVernalEquinox(1994), (ktDate{1994, 3, 21}));
}

TEST(ktDate, TodayAndTheTimeComeFromTheLocalClock) {
  setenv("TZ", "JST-9", 1);
  tzset();
  const win::SYSTEMTIME utc{2002, 8, 0, 28, 23, 59, 58, 250};
  win::FILETIME ft;
  win::SystemTimeToFileTime(&utc, &ft);
  win::test::ManualClock::Enable(1000, (static_cast<win::ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
  EXPECT_EQ(ktToday(), (ktDate{2002, 8, 29}));
  EXPECT_EQ(ktCurrentTime(), (ktTime{8, 59, 58, 0, 250}));
  win::test::ManualClock::Advance(15 * 3'600'000 + 1'750);
  EXPECT_EQ(ktToday(), (ktDate{2002, 8, 30}));
  EXPECT_EQ(ktCurrentTime(), (ktTime{0, 0, 0, 0, 0}));
  win::test::ManualClock::Disable();
}

TEST(ktDateText, DateToTextWithAndWithoutEras) {
  EXPECT_EQ(ktDateToStr({2002, 8, 29}, false), "2002/08/29");
  EXPECT_EQ(ktDateToStr({2002, 8, 29}, true), "H14/08/29");
  EXPECT_EQ(ktDateToStr({1988, 1, 7}, true), "S63/01/07");
  EXPECT_EQ(ktDateToStr({1867, 12, 1}, true), "1867/12/01");
  EXPECT_EQ(ktDateToStr({2024, 1, 1}, true), "R06/01/01");
  EXPECT_EQ(ktDateToStr({987, 1, 2}, true), "0987/01/02");
  // Parts that are 0 are left out, and so is a separator with nothing before it.
  EXPECT_EQ(ktDateToStr({0, 5, 0}, true), "05");
  EXPECT_EQ(ktDateToStr({0, 5, 9}, false), "05/09");
  EXPECT_EQ(ktDateToStr({2002, 0, 9}, false), "2002/09");
  EXPECT_EQ(ktDateToStr({2002, 0, 0}, true), "H14");
  EXPECT_EQ(ktDateToStr({}, true), "");
  DateSeparatorGuard dash('-');
  EXPECT_EQ(ktDateToStr({2002, 8, 29}, true), "H14-08-29");
}

TEST(ktDateText, EveryEraBoundaryBothWays) {
  for (const EraBoundary& b : kEraBoundaries) {
    EXPECT_EQ(ktDateToStr(b.date, true), b.text);
    EXPECT_EQ(ktStrToDate(b.text), b.date) << b.text;
    std::string lower = b.text;
    lower[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[0])));
    EXPECT_EQ(ktStrToDate(lower), b.date) << lower;
    if (*b.eraName) {
      const std::string named = win::Utf8ToAnsi(b.eraName) + (b.text + 1);
      EXPECT_EQ(ktStrToDate(named), b.date) << b.text;
    }
  }
  // A year or a month alone belongs to the era of its first day.
  EXPECT_EQ(ktDateToStr({2019, 0, 0}, true), "H31");
  EXPECT_EQ(ktDateToStr({2019, 4, 0}, true), "H31/04");
  EXPECT_EQ(ktDateToStr({2019, 5, 0}, true), "R01/05");
  EXPECT_EQ(ktDateToStr({1868, 0, 0}, true), "M01");
  EXPECT_EQ(ktDateToStr({1989, 0, 0}, true), "S64");
  EXPECT_EQ(ktDateToStr({1989, 1, 0}, true), "S64/01");
  EXPECT_EQ(ktDateToStr({1926, 12, 0}, true), "T15/12");
  EXPECT_EQ(ktDateToStr({1867, 0, 0}, true), "1867");
  EXPECT_EQ(ktDateToStr({2019, 0, 9}, true), "H31/09");
}

TEST(ktDateText, TextToDate) {
  EXPECT_EQ(ktStrToDate("H14/8/29"), (ktDate{2002, 8, 29}));
  EXPECT_EQ(ktStrToDate(SJ("平成14/8/29")), (ktDate{2002, 8, 29}));
  EXPECT_EQ(ktStrToDate(SJ("令和6/1/1")), (ktDate{2024, 1, 1}));
  EXPECT_EQ(ktStrToDate("2002/08/29"), (ktDate{2002, 8, 29}));
  EXPECT_EQ(ktStrToDate("2002"), (ktDate{2002, 0, 0}));
  EXPECT_EQ(ktStrToDate("2002/8"), (ktDate{2002, 8, 0}));
  EXPECT_EQ(ktStrToDate(""), ktDate{});
  EXPECT_EQ(ktStrToDate("   "), ktDate{});
  EXPECT_EQ(ktStrToDate("  h 14 / 8 /  29"), (ktDate{2002, 8, 29}));
  EXPECT_EQ(ktStrToDate("2002-08-29"), (ktDate{2002, 0, 0}));
  EXPECT_EQ(ktStrToDate("S"), (ktDate{1925, 0, 0}));
  EXPECT_EQ(ktStrToDate("/8/29"), (ktDate{0, 8, 29}));
  // No range check: numbers wrap in the width of their field.
  EXPECT_EQ(ktStrToDate("70000/300/257"), (ktDate{70000 - 65536, 300 - 256, 1}));
  EXPECT_EQ(ktStrToDate("R65535"), (ktDate{2017, 0, 0}));
  DateSeparatorGuard dash('-');
  EXPECT_EQ(ktStrToDate("H14-8-29"), (ktDate{2002, 8, 29}));
  EXPECT_EQ(ktStrToDate("H14/8/29"), (ktDate{2002, 0, 0}));
}

TEST(ktDateText, ParsingStopsAtTheEndOfEveryPrefix) {
  const std::string texts[] = {"H14/8/29", SJ("平成14/08/29"), SJ("令和01/05/01"), " 1868 / 1 / 1 ", "m45/7/29"};
  for (const std::string& text : texts)
    for (size_t length = 0; length <= text.size(); ++length) ParseExactly(std::string_view(text).substr(0, length));
  // Half an era name is no era.
  EXPECT_EQ(ParseExactly(SJ("平成").substr(0, 3)), ktDate{});
  EXPECT_EQ(ParseExactly(SJ("平成14/8/29").substr(0, 8)), (ktDate{2002, 8, 0}));
  EXPECT_EQ(ParseExactly(SJ("平成14/8/29").substr(0, 9)), (ktDate{2002, 8, 0}));
  EXPECT_EQ(ParseExactly(SJ("平成14/8/29").substr(0, 10)), (ktDate{2002, 8, 2}));
}

TEST(ktDateText, ParsingSurvivesRandomBytes) {
  std::mt19937 random(20020829);
  const std::string alphabet = "0123456789/ HhSsRrTtMm" + SJ("明治大正昭和平成令和");
  for (int round = 0; round < 20000; ++round) {
    std::string text(random() % 24, '\0');
    for (char& c : text)
      c = round % 2 ? static_cast<char>(random()) : alphabet[random() % alphabet.size()];
    ParseExactly(text);
  }
}

TEST(ktDateText, FormattedThroughTheFramework) {
  EXPECT_EQ(ktFormatDate("yyyy/mm", {2002, 8, 29}), "2002/08");
  EXPECT_EQ(ktFormatDate("yyyy/mm", {2002, 8, 0}), "");
  EXPECT_EQ(ktFormatDate("yyyy/mm", {2002, 0, 29}), "");
  EXPECT_EQ(ktFormatDate("yyyy/mm", {}), "");
  EXPECT_THROW(ktFormatDate("yyyy/mm", {2002, 2, 30}), EConvertError);
  const ktDateTime value{{2002, 8, 29}, {13, 5, 9, 0, 123}};
  EXPECT_EQ(ktFormatDateTime("yy/mm/dd hh:nn:ss.zzz", value), "02/08/29 13:05:09.123");
  EXPECT_EQ(ktFormatDateTime("yy/mm/dd hh:nn", {{2002, 8, 0}, {13, 5, 9, 0, 0}}), "");
  // Before the framework's origin the time still counts from the day's midnight.
  EXPECT_EQ(ktFormatDateTime("yyyy/mm/dd hh:nn", {{1867, 12, 1}, {6, 30, 0, 0, 0}}), "1867/12/01 06:30");
}

TEST(ktvDate, WrappersArePersistentObjectsHoldingTheirValue) {
  std::unique_ptr<TPersistent> objects[] = {std::make_unique<ktvDate>(), std::make_unique<ktvTime>(),
                                            std::make_unique<ktvDateTime>()};
  EXPECT_EQ(objects[0]->ClassName(), "ktvDate");
  EXPECT_EQ(objects[2]->ClassName(), "ktvDateTime");
  EXPECT_TRUE(objects[1]->InheritsFrom("TPersistent"));
  auto& date = static_cast<ktvDate&>(*objects[0]);
  EXPECT_EQ(date.Value, ktDate{});
  date.Value = {2002, 8, 29};
  EXPECT_EQ(static_cast<ktvDateTime&>(*objects[2]).Value, ktDateTime{});
  EXPECT_EQ(date.Value, (ktDate{2002, 8, 29}));
}
