// A month calendar with Japanese eras and public holidays, in the manner of cal:
//   jcal                      this month
//   jcal MONTH                that month of this year
//   jcal YEAR                 the whole year (a number above 12)
//   jcal YEAR MONTH           that month
//   jcal --holidays YEAR      one line per holiday: YYYY-MM-DD and its name
//   jcal --png FILE [YEAR MONTH]
//                             the month calendar component drawn into a PNG file
// Holidays are marked with '*' after the day (and in red on a terminal),
// under the holiday law as it stood in the year shown (1948-2099).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "calendar/Calendr.h"
#include "calendar/Holidays.h"
#include "framework/Forms.h"
#include "platform/Desktop.h"
#include "platform/Messages.h"
#include "platform/Text.h"

namespace {

constexpr int kBlockWidth = 21;  // seven days of three columns
constexpr int kGap = 2;          // between the months of a year
constexpr int kWeekRows = 6;
constexpr const char* kWeekdays = "日 月 火 水 木 金 土";

struct Style {
  bool colour = false;  // ANSI colours for a terminal
};

std::string Utf8(const std::string& cp932) { return win::AnsiToUtf8(cp932); }

// Terminal columns: two for each double-width character, which in UTF-8
// takes three bytes here (kana, kanji, full-width digits).
int Columns(const std::string& utf8) {
  int columns = 0;
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    const int length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    columns += length >= 3 ? 2 : 1;
    i += length;
  }
  return columns;
}

std::string Centred(const std::string& text, int width) {
  const int room = std::max(0, width - Columns(text));
  return std::string(room / 2, ' ') + text + std::string(room - room / 2, ' ');
}

std::string PaddedTo(const std::string& text, int width) {
  return text + std::string(std::max(0, width - Columns(text)), ' ');
}

// "令和8年", or both eras when one begins within the span ("昭和64年・平成元年").
std::string EraText(ktDate first, ktDate last) {
  const std::string begins = ktEraYearText(first), ends = ktEraYearText(last);
  return Utf8(begins == ends ? begins : begins + SJ("・") + ends);
}

ktDate DateOf(int year, int month, int day) {
  return ktDate{static_cast<uint16_t>(year), static_cast<uint8_t>(month), static_cast<uint8_t>(day)};
}

std::set<int> HolidayDays(int year) {
  std::set<int> days;
  for (const ktHoliday& h : ktHolidaysOfYear(year)) days.insert(ktDayNumber(h.Date));
  return days;
}

std::string DayCell(ktDate date, const std::set<int>& holidays, const Style& style) {
  char number[8];
  std::snprintf(number, sizeof number, "%2d", date.Day);
  const bool holiday = holidays.contains(ktDayNumber(date));
  const std::string cell = std::string(number) + (holiday ? "*" : " ");
  if (!style.colour) return cell;
  const int weekday = ktDayOfWeek(date);
  if (holiday || weekday == 0) return "\x1b[31m" + cell + "\x1b[0m";
  if (weekday == 6) return "\x1b[34m" + cell + "\x1b[0m";
  return cell;
}

// The weekday header and six week rows of a month, each kBlockWidth wide.
std::vector<std::string> MonthRows(int year, int month, const std::set<int>& holidays, const Style& style) {
  std::vector<std::string> rows{kWeekdays + std::string(" ")};
  const int lead = ktDayOfWeek(DateOf(year, month, 1));
  const int days = ktDaysInMonth(year, month);
  for (int week = 0; week < kWeekRows; ++week) {
    std::string row;
    for (int weekday = 0; weekday < 7; ++weekday) {
      const int day = week * 7 + weekday - lead + 1;
      row += day >= 1 && day <= days ? DayCell(DateOf(year, month, day), holidays, style) : "   ";
    }
    rows.push_back(row);
  }
  return rows;
}

void PrintMonth(int year, int month, const Style& style) {
  const ktDate first = DateOf(year, month, 1), last = DateOf(year, month, ktDaysInMonth(year, month));
  const std::string title = EraText(first, last) + " (" + std::to_string(year) + ") " + std::to_string(month) + "月";
  std::printf("%s\n", Centred(title, kBlockWidth).c_str());
  for (const std::string& row : MonthRows(year, month, HolidayDays(year), style)) std::printf("%s\n", row.c_str());
}

void PrintYear(int year, const Style& style) {
  const int width = 3 * kBlockWidth + 2 * kGap;
  const std::string title = EraText(DateOf(year, 1, 1), DateOf(year, 12, 31)) + " (" + std::to_string(year) + ")";
  std::printf("%s\n\n", Centred(title, width).c_str());
  const std::set<int> holidays = HolidayDays(year);
  for (int first = 1; first <= 12; first += 3) {
    std::vector<std::vector<std::string>> blocks;
    std::string titles;
    for (int month = first; month < first + 3; ++month) {
      blocks.push_back(MonthRows(year, month, holidays, style));
      titles += PaddedTo(Centred(std::to_string(month) + "月", kBlockWidth), kBlockWidth + (month < first + 2 ? kGap : 0));
    }
    std::printf("%s\n", titles.c_str());
    for (size_t row = 0; row < blocks[0].size(); ++row)
      std::printf("%s%*s%s%*s%s\n", blocks[0][row].c_str(), kGap, "", blocks[1][row].c_str(), kGap, "",
                  blocks[2][row].c_str());
    if (first < 10) std::printf("\n");
  }
}

void PrintHolidays(int year) {
  for (const ktHoliday& h : ktHolidaysOfYear(year))
    std::printf("%04d-%02d-%02d %s\n", h.Date.Year, h.Date.Month, h.Date.Day, Utf8(h.Name).c_str());
}

void HandlePendingMessages() {
  win::MSG msg;
  while (win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
    win::TranslateMessage(&msg);
    win::DispatchMessageA(&msg);
  }
  win::test::PaintPending();
}

// The component on a form of its own, with the holidays marked, the month
// stepped to by its scroll bar and the 1st selected.
bool DrawPng(const std::string& path, int year, int month) {
  TForm form(nullptr);
  form.SetBorderStyle(bsNone);
  auto* calendar = new ktvCalendar(&form);
  calendar->SetParent(&form);
  calendar->SetHoliday(true);
  calendar->SetScrollBars(ssVertical);
  calendar->SetBounds(0, 0, 260, 180);
  calendar->SetDate(DateOf(year, month, 1));
  calendar->SetSelDate(DateOf(year, month, 1));
  form.SetClientWidth(calendar->Width());
  form.SetClientHeight(calendar->Height());
  form.Show();
  HandlePendingMessages();
  return win::test::SaveWindowPng(calendar->Handle(), path);
}

std::optional<int> NumberIn(const char* text, int low, int high) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (!*text || *end || value < low || value > high) return std::nullopt;
  return static_cast<int>(value);
}

int Usage() {
  std::fprintf(stderr,
               "usage: jcal [[YEAR] MONTH]\n"
               "       jcal YEAR\n"
               "       jcal --holidays YEAR\n"
               "       jcal --png FILE [YEAR MONTH]\n"
               "YEAR is 1-9999 (holidays 1948-2099), MONTH 1-12\n");
  return 2;
}

int RunPng(int argc, char** argv) {
  if (argc != 3 && argc != 5) return Usage();
  const ktDate today = ktToday();
  int year = today.Year, month = today.Month;
  if (argc == 5) {
    const auto y = NumberIn(argv[3], 1900, 2099);
    const auto m = NumberIn(argv[4], 1, 12);
    if (!y || !m) {
      std::fprintf(stderr, "jcal: the component shows the months of 1900-2099\n");
      return Usage();
    }
    year = *y;
    month = *m;
  }
  if (!DrawPng(argv[2], year, month)) {
    std::fprintf(stderr, "jcal: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("%s\n", argv[2]);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const Style style{isatty(STDOUT_FILENO) != 0};
  const ktDate today = ktToday();
  const std::string first = argc > 1 ? argv[1] : "";
  if (first == "--png") return RunPng(argc, argv);
  if (first == "--holidays") {
    const auto year = argc == 3 ? NumberIn(argv[2], 1, 9999) : std::nullopt;
    if (!year) return Usage();
    PrintHolidays(*year);
    return 0;
  }
  if (argc == 1) {
    PrintMonth(today.Year, today.Month, style);
    return 0;
  }
  if (argc == 2) {
    const auto number = NumberIn(argv[1], 1, 9999);
    if (!number) return Usage();
    if (*number <= 12)
      PrintMonth(today.Year, *number, style);
    else
      PrintYear(*number, style);
    return 0;
  }
  if (argc == 3) {
    const auto year = NumberIn(argv[1], 1, 9999);
    const auto month = NumberIn(argv[2], 1, 12);
    if (!year || !month) return Usage();
    PrintMonth(*year, *month, style);
    return 0;
  }
  return Usage();
}
