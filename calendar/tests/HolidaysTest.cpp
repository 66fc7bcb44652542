// The holidays of chosen years across each change of the holiday law,
// against the lists the Cabinet Office publishes, written out by hand.
#include "calendar/Holidays.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/Text.h"

namespace {

// "MM-DD" of each holiday of the year, in order.
std::vector<std::string> DaysOf(int year) {
  std::vector<std::string> days;
  for (const ktHoliday& h : ktHolidaysOfYear(year)) {
    EXPECT_EQ(h.Date.Year, year);
    char text[8];
    std::snprintf(text, sizeof text, "%02d-%02d", h.Date.Month, h.Date.Day);
    days.push_back(text);
  }
  return days;
}

using Days = std::vector<std::string>;

TEST(Holidays, TheFirstYearsKeepTheFixedDaysOfTheLawOf1948) {
  EXPECT_EQ(DaysOf(1948), (Days{"09-23", "11-03", "11-23"}));  // the law began on 1948-07-20
  EXPECT_EQ(DaysOf(1949), (Days{"01-01", "01-15", "03-21", "04-29", "05-03", "05-05", "09-23", "11-03", "11-23"}));
  EXPECT_EQ(DaysOf(1959),
            (Days{"01-01", "01-15", "03-21", "04-10", "04-29", "05-03", "05-05", "09-24", "11-03", "11-23"}));
}

TEST(Holidays, RespectForTheAgedSportsAndFoundationDaysJoinFrom1966And1967) {
  EXPECT_EQ(DaysOf(1967), (Days{"01-01", "01-15", "02-11", "03-21", "04-29", "05-03", "05-05", "09-15", "09-24",
                                "10-10", "11-03", "11-23"}));
}

TEST(Holidays, SubstituteMondaysBeginOn1973April12) {
  // 1973-02-11 was a Sunday before the amendment: no substitute.
  EXPECT_EQ(DaysOf(1973), (Days{"01-01", "01-15", "02-11", "03-21", "04-29", "04-30", "05-03", "05-05", "09-15",
                                "09-23", "09-24", "10-10", "11-03", "11-23"}));
}

TEST(Holidays, TheCitizensHolidayAndTheChangeOfEmperor) {
  EXPECT_EQ(DaysOf(1988), (Days{"01-01", "01-15", "02-11", "03-20", "03-21", "04-29", "05-03", "05-04", "05-05",
                                "09-15", "09-23", "10-10", "11-03", "11-23"}));
  EXPECT_EQ(DaysOf(1989), (Days{"01-01", "01-02", "01-15", "01-16", "02-11", "02-24", "03-21", "04-29", "05-03",
                                "05-04", "05-05", "09-15", "09-23", "10-10", "11-03", "11-23", "12-23"}));
  const Days of1990 = DaysOf(1990), of1993 = DaysOf(1993);
  EXPECT_NE(std::find(of1990.begin(), of1990.end(), "11-12"), of1990.end());
  EXPECT_NE(std::find(of1993.begin(), of1993.end(), "06-09"), of1993.end());
}

TEST(Holidays, MarineDayFrom1996AndASaturdayBetweenTwoHolidaysBefore2007) {
  EXPECT_EQ(DaysOf(1996), (Days{"01-01", "01-15", "02-11", "02-12", "03-20", "04-29", "05-03", "05-04", "05-05",
                                "05-06", "07-20", "09-15", "09-16", "09-23", "10-10", "11-03", "11-04", "11-23",
                                "12-23"}));
}

TEST(Holidays, TheMondayRulesOf2000And2003) {
  EXPECT_EQ(DaysOf(2000), (Days{"01-01", "01-10", "02-11", "03-20", "04-29", "05-03", "05-04", "05-05", "07-20",
                                "09-15", "09-23", "10-09", "11-03", "11-23", "12-23"}));
  EXPECT_EQ(DaysOf(2003), (Days{"01-01", "01-13", "02-11", "03-21", "04-29", "05-03", "05-05", "07-21", "09-15",
                                "09-23", "10-13", "11-03", "11-23", "11-24", "12-23"}));
}

TEST(Holidays, From2007SubstitutesMoveToTheNextDayThatIsNoHoliday) {
  EXPECT_EQ(DaysOf(2007), (Days{"01-01", "01-08", "02-11", "02-12", "03-21", "04-29", "04-30", "05-03", "05-04",
                                "05-05", "07-16", "09-17", "09-23", "09-24", "10-08", "11-03", "11-23", "12-23",
                                "12-24"}));
  const Days of2008 = DaysOf(2008);  // Greenery Day on a Sunday, Children's Day on the Monday
  EXPECT_NE(std::find(of2008.begin(), of2008.end(), "05-06"), of2008.end());
  const Days of2009 = DaysOf(2009);
  EXPECT_NE(std::find(of2009.begin(), of2009.end(), "05-06"), of2009.end());
  EXPECT_NE(std::find(of2009.begin(), of2009.end(), "09-22"), of2009.end());
}

TEST(Holidays, TheAccessionYearAndTheMovedDaysOf2020And2021) {
  EXPECT_EQ(DaysOf(2019), (Days{"01-01", "01-14", "02-11", "03-21", "04-29", "04-30", "05-01", "05-02", "05-03",
                                "05-04", "05-05", "05-06", "07-15", "08-11", "08-12", "09-16", "09-23", "10-14",
                                "10-22", "11-03", "11-04", "11-23"}));
  EXPECT_EQ(DaysOf(2020), (Days{"01-01", "01-13", "02-11", "02-23", "02-24", "03-20", "04-29", "05-03", "05-04",
                                "05-05", "05-06", "07-23", "07-24", "08-10", "09-21", "09-22", "11-03", "11-23"}));
  EXPECT_EQ(DaysOf(2021), (Days{"01-01", "01-11", "02-11", "02-23", "03-20", "04-29", "05-03", "05-04", "05-05",
                                "07-22", "07-23", "08-08", "08-09", "09-20", "09-23", "11-03", "11-23"}));
}

TEST(Holidays, NamesOf2026) {
  const std::vector<std::pair<std::string, std::string>> expected{
      {"01-01", "元日"},       {"01-12", "成人の日"},     {"02-11", "建国記念の日"}, {"02-23", "天皇誕生日"},
      {"03-20", "春分の日"},   {"04-29", "昭和の日"},     {"05-03", "憲法記念日"},   {"05-04", "みどりの日"},
      {"05-05", "こどもの日"}, {"05-06", "振替休日"},     {"07-20", "海の日"},       {"08-11", "山の日"},
      {"09-21", "敬老の日"},   {"09-22", "国民の休日"},   {"09-23", "秋分の日"},     {"10-12", "スポーツの日"},
      {"11-03", "文化の日"},   {"11-23", "勤労感謝の日"},
  };
  const std::vector<ktHoliday> holidays = ktHolidaysOfYear(2026);
  ASSERT_EQ(holidays.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    char day[8];
    std::snprintf(day, sizeof day, "%02d-%02d", holidays[i].Date.Month, holidays[i].Date.Day);
    EXPECT_EQ(day, expected[i].first);
    EXPECT_EQ(win::AnsiToUtf8(holidays[i].Name), expected[i].second) << day;
  }
}

TEST(Holidays, NoneOutsideTheYearsOfTheLawThatAreKnown) {
  EXPECT_TRUE(ktHolidaysOfYear(1947).empty());
  EXPECT_TRUE(ktHolidaysOfYear(2100).empty());
  EXPECT_TRUE(ktHolidaysOfYear(0).empty());
}

TEST(Equinoxes, DaysPublishedForTheYearsAroundEachChangeOfTheFormula) {
  const std::vector<std::pair<int, int>> vernal{{1960, 20}, {1961, 21}, {1964, 20}, {1979, 21}, {1980, 20},
                                                {1983, 21}, {1984, 20}, {1992, 20}, {1993, 20}, {1999, 21},
                                                {2011, 21}, {2012, 20}, {2015, 21}, {2016, 20}, {2022, 21},
                                                {2023, 21}, {2024, 20}, {2025, 20}, {2026, 20}};
  for (auto [year, day] : vernal) EXPECT_EQ(ktVernalEquinox(year), (ktDate{uint16_t(year), 3, uint8_t(day)})) << year;
  const std::vector<std::pair<int, int>> autumnal{{1951, 24}, {1976, 23}, {1979, 24}, {1980, 23}, {1984, 23},
                                                  {2012, 22}, {2016, 22}, {2020, 22}, {2024, 22}, {2025, 23},
                                                  {2026, 23}};
  for (auto [year, day] : autumnal)
    EXPECT_EQ(ktAutumnalEquinox(year), (ktDate{uint16_t(year), 9, uint8_t(day)})) << year;
  EXPECT_EQ(ktAutumnalEquinox(2100), ktDate{});
}

}  // namespace
