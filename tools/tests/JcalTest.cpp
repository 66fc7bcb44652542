// Runs jcal as a person would: months and years as text, the holiday list,
// the calendar component as a PNG file, and the answers to bad arguments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testsupport/RunProgram.h"
#include "testsupport/TempDir.h"

namespace {

using Result = testsupport::ProgramResult;

class Jcal : public testing::Test {
 protected:
  Result Run(const std::vector<std::string>& args) { return testsupport::RunProgram(JCAL_PATH, args, dir.path()); }

  testsupport::TempDir dir;
};

uint32_t BigEndianAt(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

TEST_F(Jcal, AMonthWithItsEraWeekdaysAndMarkedHolidays) {
  const Result result = Run({"2026", "5"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            " 令和8年 (2026) 5月  \n"
            "日 月 火 水 木 金 土 \n"
            "                1  2 \n"
            " 3* 4* 5* 6* 7  8  9 \n"
            "10 11 12 13 14 15 16 \n"
            "17 18 19 20 21 22 23 \n"
            "24 25 26 27 28 29 30 \n"
            "31                   \n");
}

TEST_F(Jcal, AMonthOrYearInWhichAnEraBeginsNamesBothEras) {
  const Result month = Run({"1989", "1"});
  ASSERT_EQ(month.exitCode, 0);
  EXPECT_EQ(month.out.substr(0, month.out.find('\n')), "昭和64年・平成元年 (1989) 1月");
  EXPECT_NE(month.out.find(" 1* 2* 3  4  5  6  7 \n"), std::string::npos);  // New Year's Day on a Sunday
  const Result year = Run({"2019"});
  ASSERT_EQ(year.exitCode, 0);
  EXPECT_NE(year.out.find("平成31年・令和元年 (2019)"), std::string::npos);
  EXPECT_NE(year.out.find("12月"), std::string::npos);
  EXPECT_NE(year.out.find("28 29*30*"), std::string::npos);  // the ten days of 2019 begin
}

TEST_F(Jcal, HolidaysOneALine) {
  const Result result = Run({"--holidays", "2021"});
  ASSERT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out,
            "2021-01-01 元日\n2021-01-11 成人の日\n2021-02-11 建国記念の日\n2021-02-23 天皇誕生日\n"
            "2021-03-20 春分の日\n2021-04-29 昭和の日\n2021-05-03 憲法記念日\n2021-05-04 みどりの日\n"
            "2021-05-05 こどもの日\n2021-07-22 海の日\n2021-07-23 スポーツの日\n2021-08-08 山の日\n"
            "2021-08-09 振替休日\n2021-09-20 敬老の日\n2021-09-23 秋分の日\n2021-11-03 文化の日\n"
            "2021-11-23 勤労感謝の日\n");
  EXPECT_EQ(Run({"--holidays", "1900"}).out, "");
}

TEST_F(Jcal, DrawsTheCalendarComponentIntoAPngFile) {
  const std::string path = dir.path() + "/calendar.png";
  const Result result = Run({"--png", path, "2002", "11"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, path + "\n");
  const std::string png = testsupport::ReadWholeFile(path);
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  EXPECT_EQ(BigEndianAt(png, 16), 258u);  // the component's window
  EXPECT_EQ(BigEndianAt(png, 20), 179u);
  EXPECT_NE(Run({"--png", dir.path() + "/no/such/folder/x.png", "2002", "11"}).exitCode, 0);
}

TEST_F(Jcal, BadArgumentsGetTheUsageAndNothingElse) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"2026", "13"}, {"0"}, {"abc"}, {"2026", "5", "1"}, {"--holidays"}, {"--png"}, {"--png", "x.png", "1800", "1"}}) {
    const Result result = Run(args);
    EXPECT_EQ(result.exitCode, 2) << args[0];
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("usage: jcal"), std::string::npos);
  }
}

}  // namespace
