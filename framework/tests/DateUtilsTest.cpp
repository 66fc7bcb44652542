#include "framework/DateUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>

#include "framework/Exceptions.h"
#include "platform/Clock.h"
#include "platform/Text.h"

using win::WORD;

namespace {

// 2002-08-29 (a Thursday) 13:05:09.123.
TDateTime Sample() { return EncodeDate(2002, 8, 29) + EncodeTime(13, 5, 9, 123); }

// Tests change the locale settings; each gets them back as they were.
class FormatDateTimeTest : public testing::Test {
 protected:
  void TearDown() override {
    DateSeparator = dateSeparator_;
    TimeSeparator = timeSeparator_;
    ShortDateFormat = shortDateFormat_;
  }

 private:
  char dateSeparator_ = DateSeparator;
  char timeSeparator_ = TimeSeparator;
  std::string shortDateFormat_ = ShortDateFormat;
};

time_t CTimeOf(int year, int month, int day) {
  tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  return timegm(&t);
}

win::FILETIME FileTimeOf(win::SYSTEMTIME st) {
  win::FILETIME ft;
  win::SystemTimeToFileTime(&st, &ft);
  return ft;
}

}  // namespace

TEST(DateUtils, EveryDayOfTheYears1To9999AgreesWithTheCLibrary) {
  // The C library's proleptic Gregorian calendar, one day after another.
  const time_t origin = CTimeOf(1899, 12, 30);
  const time_t first = CTimeOf(1, 1, 1);
  for (time_t t = first;; t += 86400) {
    tm c{};
    gmtime_r(&t, &c);
    if (c.tm_year + 1900 > 9999) break;
    const WORD year = static_cast<WORD>(c.tm_year + 1900), month = static_cast<WORD>(c.tm_mon + 1),
               day = static_cast<WORD>(c.tm_mday);
    const TDateTime value = EncodeDate(year, month, day);
    ASSERT_EQ(value, static_cast<double>((t - origin) / 86400)) << year << "-" << month << "-" << day;
    WORD y, m, d;
    DecodeDate(value >= 0 ? value + 0.75 : value - 0.75, y, m, d);  // 18:00 of the day
    ASSERT_EQ(y, year);
    ASSERT_EQ(m, month);
    ASSERT_EQ(d, day);
    ASSERT_EQ(DayOfWeek(value), c.tm_wday + 1);
  }
}

TEST(DateUtils, LeapYearsAreGregorian) {
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(1600));
  EXPECT_TRUE(IsLeapYear(2004));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_FALSE(IsLeapYear(1000));
  EXPECT_FALSE(IsLeapYear(2001));
  EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
  EXPECT_THROW(EncodeDate(1900, 2, 29), EConvertError);
}

TEST(DateUtils, InvalidArgumentsRaiseConvertErrors) {
  const struct {
    WORD year, month, day;
  } dates[] = {{0, 1, 1}, {10000, 1, 1}, {2002, 0, 1}, {2002, 13, 1}, {2002, 8, 0}, {2002, 9, 31}, {2002, 2, 29}};
  for (auto d : dates) {
    try {
      EncodeDate(d.year, d.month, d.day);
      ADD_FAILURE() << d.year << "-" << d.month << "-" << d.day;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message, "Invalid argument to date encode");
    }
  }
  const struct {
    WORD hour, minute, second, msec;
  } times[] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}};
  for (auto t : times) {
    try {
      EncodeTime(t.hour, t.minute, t.second, t.msec);
      ADD_FAILURE() << t.hour << ":" << t.minute << ":" << t.second << "." << t.msec;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message, "Invalid argument to time encode");
    }
  }
  EXPECT_DOUBLE_EQ(EncodeTime(23, 59, 59, 999), 86'399'999.0 / 86'400'000.0);
}

TEST(DateUtils, TimesDecodeToTheMillisecondAndRoundUpIntoTheNextDay) {
  WORD h, n, s, ms;
  DecodeTime(Sample(), h, n, s, ms);
  EXPECT_EQ(h, 13);
  EXPECT_EQ(n, 5);
  EXPECT_EQ(s, 9);
  EXPECT_EQ(ms, 123);

  // A hair before midnight rounds to the next day's 00:00:00.000, never 24:00.
  const TDateTime almost = EncodeDate(2002, 12, 31) + 0.9999999999;
  DecodeTime(almost, h, n, s, ms);
  EXPECT_EQ(h + n + s + ms, 0);
  WORD y, m, d;
  DecodeDate(almost, y, m, d);
  EXPECT_EQ(y, 2003);
  EXPECT_EQ(m, 1);
  EXPECT_EQ(d, 1);
}

TEST(DateUtils, DaysBeforeTheOriginCountTheirTimeForwardFromMidnight) {
  WORD y, m, d, h, n, s, ms;
  DecodeDate(-1.25, y, m, d);
  DecodeTime(-1.25, h, n, s, ms);
  EXPECT_EQ(d, 29);
  EXPECT_EQ(m, 12);
  EXPECT_EQ(y, 1899);
  EXPECT_EQ(h, 6);

  const TDateTime meiji = SystemTimeToDateTime({1867, 12, 0, 1, 18, 30, 0, 0});
  DecodeDate(meiji, y, m, d);
  DecodeTime(meiji, h, n, s, ms);
  EXPECT_EQ(y, 1867);
  EXPECT_EQ(m, 12);
  EXPECT_EQ(d, 1);
  EXPECT_EQ(h, 18);
  EXPECT_EQ(n, 30);
}

TEST(DateUtils, ValuesOutsideTheCalendarDecodeToZeros) {
  const TDateTime outside[] = {EncodeDate(1, 1, 1) - 1, EncodeDate(9999, 12, 31) + 1, 1e300, -1e300,
                               std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()};
  for (TDateTime value : outside) {
    WORD y = 1, m = 1, d = 1, h = 1, n = 1, s = 1, ms = 1;
    DecodeDate(value, y, m, d);
    DecodeTime(value, h, n, s, ms);
    EXPECT_EQ(y + m + d + h + n + s + ms, 0) << value;
    EXPECT_EQ(DayOfWeek(value), 0);
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd ddd mmmm hh:nn", value), "0000/00/00   00:00");
  }
}

TEST(DateUtils, NowDateAndTimeFollowTheLocalClock) {
  setenv("TZ", "JST-9", 1);
  tzset();
  const win::FILETIME ft = FileTimeOf({2002, 8, 0, 29, 4, 5, 9, 123});  // UTC
  win::test::ManualClock::Enable(1000, (static_cast<win::ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
  EXPECT_EQ(Now(), Sample());
  EXPECT_EQ(Date(), EncodeDate(2002, 8, 29));
  EXPECT_EQ(Time(), EncodeTime(13, 5, 9, 123));
  win::test::ManualClock::Advance(11 * 3'600'000);
  EXPECT_EQ(Date(), EncodeDate(2002, 8, 30));
  win::test::ManualClock::Disable();
}

TEST(DateUtils, SettingsAreThoseOfAJapaneseSystem) {
  EXPECT_EQ(DateSeparator, '/');
  EXPECT_EQ(TimeSeparator, ':');
  EXPECT_EQ(ShortDateFormat, "yyyy/mm/dd");
  EXPECT_EQ(LongTimeFormat, "hh:nn:ss");
  EXPECT_EQ(ShortDayNames[0], SJ("日"));
  EXPECT_EQ(ShortDayNames[6], SJ("土"));
  EXPECT_EQ(LongDayNames[3], SJ("水曜日"));
  EXPECT_EQ(ShortMonthNames[0], SJ("1月"));
  EXPECT_EQ(LongMonthNames[11], SJ("12月"));
  EXPECT_EQ(DateToStr(Sample()), "2002/08/29");
  EXPECT_EQ(TimeToStr(Sample()), "13:05:09");
  EXPECT_EQ(DateTimeToStr(Sample()), "2002/08/29 13:05:09");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2002, 8, 29)), "2002/08/29");
  EXPECT_EQ(FormatDateTime("dddddd", Sample()), SJ("2002年8月29日"));
}

TEST_F(FormatDateTimeTest, NumbersOfDateAndTime) {
  EXPECT_EQ(FormatDateTime("yyyy/mm", Sample()), "2002/08");
  EXPECT_EQ(FormatDateTime("yy/mm/dd hh:nn:ss", Sample()), "02/08/29 13:05:09");
  EXPECT_EQ(FormatDateTime("y yyy m d h n s z zzz", Sample()), "02 2002 8 29 13 5 9 123 123");
  EXPECT_EQ(FormatDateTime("YYYY-MM-DD HH.NN.SS.ZZZ", Sample()), "2002-08-29 13.05.09.123");
  EXPECT_EQ(FormatDateTime("yyyy yy z zzz", SystemTimeToDateTime({987, 1, 0, 2, 0, 0, 0, 7})), "0987 87 7 007");
}

TEST_F(FormatDateTimeTest, SeparatorsComeFromTheSettings) {
  DateSeparator = '.';
  TimeSeparator = '-';
  EXPECT_EQ(FormatDateTime("yy/mm/dd hh:nn:ss", Sample()), "02.08.29 13-05-09");
  EXPECT_EQ(FormatDateTime("ddddd", Sample()), "2002.08.29");
}

TEST_F(FormatDateTimeTest, MRightAfterAnHourIsTheMinute) {
  EXPECT_EQ(FormatDateTime("hh:mm", Sample()), "13:05");
  EXPECT_EQ(FormatDateTime("h:m", Sample()), "13:5");
  EXPECT_EQ(FormatDateTime("mm hh", Sample()), "08 13");
  EXPECT_EQ(FormatDateTime("hh dd mm", Sample()), "13 29 08");
}

TEST_F(FormatDateTimeTest, NamesOfDaysAndMonths) {
  EXPECT_EQ(FormatDateTime("ddd", Sample()), SJ("木"));
  EXPECT_EQ(FormatDateTime("dddd", Sample()), SJ("木曜日"));
  EXPECT_EQ(FormatDateTime("mmm", Sample()), SJ("8月"));
  EXPECT_EQ(FormatDateTime("mmmm", Sample()), SJ("8月"));
  EXPECT_EQ(FormatDateTime("ddd", EncodeDate(2002, 9, 1)), SJ("日"));
  EXPECT_EQ(FormatDateTime("ddd", EncodeDate(2002, 8, 31)), SJ("土"));
}

TEST_F(FormatDateTimeTest, CombinedFormatsExpandBoundedly) {
  EXPECT_EQ(FormatDateTime("c", Sample()), "2002/08/29 13:05:09");
  EXPECT_EQ(FormatDateTime("t|tt", Sample()), "13:05|13:05:09");
  // A setting that names itself expands twice and stops.
  ShortDateFormat = "<ddddd>";
  EXPECT_EQ(FormatDateTime("ddddd", Sample()), "<<>>");
}

TEST_F(FormatDateTimeTest, TwelveHourClock) {
  EXPECT_EQ(FormatDateTime("h:nn am/pm", Sample()), "1:05 pm");
  EXPECT_EQ(FormatDateTime("hh:nn AM/PM", Sample()), "01:05 PM");
  EXPECT_EQ(FormatDateTime("h:nn ampm", Sample()), "1:05 " + SJ("午後"));
  const TDateTime halfPastMidnight = EncodeDate(2002, 8, 29) + EncodeTime(0, 30, 0, 0);
  EXPECT_EQ(FormatDateTime("h:nn a/p", halfPastMidnight), "12:30 a");
  EXPECT_EQ(FormatDateTime("h:nn ampm", halfPastMidnight), "12:30 " + SJ("午前"));
  // A mark after the next hour does not change the first; a lone a stays.
  EXPECT_EQ(FormatDateTime("h h am/pm a", Sample()), "13 1 pm a");
}

TEST_F(FormatDateTimeTest, LiteralsAndDoubleByteCharacters) {
  EXPECT_EQ(FormatDateTime("'yyyy' \"dd\" yyyy", Sample()), "yyyy dd 2002");
  EXPECT_EQ(FormatDateTime("dd'unclosed", Sample()), "29unclosed");
  EXPECT_EQ(FormatDateTime("x!", Sample()), "x!");
  // The second byte of 年 is 'N' and must not be read as the minute.
  EXPECT_EQ(FormatDateTime(SJ("yyyy年m月d日"), Sample()), SJ("2002年8月29日"));
  EXPECT_EQ(FormatDateTime(std::string("yyyy\x94"), Sample()), "2002\x94");
}
