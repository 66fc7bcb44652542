#include "calendar/Calendr.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

#include "calendar/Holidays.h"
#include "framework/DateUtils.h"
#include "framework/Exceptions.h"
#include "framework/Palette.h"
#include "framework/tests/ControlsTestSupport.h"
#include "platform/Desktop.h"
#include "platform/Fonts.h"
#include "platform/Input.h"
#include "platform/ScrollBars.h"
#include "platform/SysColors.h"
#include "platform/Text.h"

namespace {

using controlstest::PixelAt;
using controlstest::Pump;

constexpr ktDate kAugust2002{2002, 8, 1};

// A calendar on a borderless form at the desktop's corner, shown and painted.
class CalendarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    win::test::UseFallbackFontOnly(true);
    form = std::make_unique<controlstest::THostForm>(nullptr, 320, 240);
    calendar = new ktvCalendar(form.get());
    calendar->SetParent(form.get());
    calendar->SetBounds(0, 0, 260, 180);
    calendar->SetDate(kAugust2002);
    calendar->OnChange = [this](TObject*) { ++changes; };
  }

  void TearDown() override {
    form.reset();
    Pump();
    win::test::UseFallbackFontOnly(false);
  }

  void ShowAndPaint() {
    form->Show();
    Pump();
    win::test::PaintPending();
  }

  // Whether some pixel inside the cell shows the colour.
  bool CellShows(int col, int row, TColor color) {
    const TRect cell = calendar->CellRect(col, row);
    for (int y = cell.top; y < cell.bottom; ++y)
      for (int x = cell.left; x < cell.right; ++x)
        if (PixelAt(calendar, x, y) == color) return true;
    return false;
  }

  // The screen point of a window point of the calendar.
  win::POINT OnScreen(int x, int y) {
    win::RECT r{};
    win::GetWindowRect(calendar->Handle(), &r);
    return win::POINT{r.left + x, r.top + y};
  }

  win::detail::ScrollBarLayout VerticalBar() {
    win::detail::ScrollBarLayout layout;
    EXPECT_TRUE(win::detail::LayoutScrollBar(calendar->Handle(), win::SB_VERT, layout));
    return layout;
  }

  void ClickAt(win::POINT screen) {
    win::test::Click(screen);
    Pump();
  }

  static win::POINT Middle(const win::RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

  std::unique_ptr<TForm> form;
  ktvCalendar* calendar = nullptr;
  int changes = 0;
};

TEST_F(CalendarTest, AugustOf2002StartsOnThursdayWithOrWithoutTheDaysAround) {
  EXPECT_EQ(calendar->CellToDate(4, 1), kAugust2002);
  for (int col = 0; col < 4; ++col) {
    EXPECT_EQ(calendar->CellToDate(col, 1), ktDate{});
    EXPECT_EQ(calendar->GetCellText(col, 1), "");
  }
  EXPECT_EQ(calendar->GetCellText(6, 5), "31");
  EXPECT_EQ(calendar->CellToDate(0, 6), ktDate{});
  int col = 0, row = 0;
  EXPECT_FALSE(calendar->DateToCell(ktDate{2002, 7, 31}, col, row));
  EXPECT_EQ(col, -1);
  EXPECT_EQ(row, -1);
  ASSERT_TRUE(calendar->DateToCell(ktDate{2002, 8, 29}, col, row));
  EXPECT_EQ(col, 4);
  EXPECT_EQ(row, 5);

  calendar->SetFillCell(true);
  EXPECT_EQ(calendar->CellToDate(0, 1), (ktDate{2002, 7, 28}));
  EXPECT_EQ(calendar->GetCellText(3, 1), "31");
  EXPECT_EQ(calendar->CellToDate(6, 6), (ktDate{2002, 9, 7}));
  ASSERT_TRUE(calendar->DateToCell(ktDate{2002, 7, 31}, col, row));
  EXPECT_EQ(col, 3);
  EXPECT_EQ(row, 1);
  EXPECT_FALSE(calendar->DateToCell(ktDate{2002, 9, 8}, col, row));
  EXPECT_EQ(calendar->CellToDate(0, 0), ktDate{});
}

TEST_F(CalendarTest, TheHeaderShowsTheShortWeekdayNamesFromTheStartOfTheWeek) {
  EXPECT_EQ(calendar->GetCellText(0, 0), SJ("日"));
  EXPECT_EQ(calendar->GetCellText(6, 0), SJ("土"));
  calendar->SetStartOfWeek(8);  // stored modulo 7: Monday
  EXPECT_EQ(calendar->StartOfWeek(), 1);
  EXPECT_EQ(calendar->GetCellText(0, 0), SJ("月"));
  EXPECT_EQ(calendar->GetCellText(6, 0), SJ("日"));
  EXPECT_EQ(calendar->CellToDate(3, 1), kAugust2002);
}

TEST_F(CalendarTest, TheSizeIsSharedOutToTheCellsAndBorderChangesKeepThem) {
  EXPECT_EQ(calendar->Width(), 256);  // 7 lines + 7 × 35 + the 3-D edges
  EXPECT_EQ(calendar->Height(), 179);
  EXPECT_EQ(calendar->DefaultColWidth(), 35);
  EXPECT_EQ(calendar->RowHeights(0), 24);
  EXPECT_EQ(calendar->DefaultRowHeight(), 24);

  calendar->SetMemoHeight(6);  // (179 − 7 − 36 − 4) / 7 = 18 for the text
  EXPECT_EQ(calendar->RowHeights(0), 18);
  EXPECT_EQ(calendar->DefaultRowHeight(), 24);

  calendar->SetBorderStyle(bsNone);
  EXPECT_EQ(calendar->Width(), 252);
  EXPECT_EQ(calendar->DefaultColWidth(), 35);
  calendar->SetBorderStyle(bsSingle);
  calendar->SetCtl3D(false);
  EXPECT_EQ(calendar->Width(), 254);
  calendar->SetScrollBars(ssBoth);
  EXPECT_EQ(calendar->Width(), 254 + 16);
  EXPECT_EQ(calendar->DefaultColWidth(), 35);
  EXPECT_EQ(calendar->RowHeights(0), 18);
  ShowAndPaint();
  EXPECT_EQ(calendar->ClientWidth(), 7 + 7 * 35);
  EXPECT_EQ(calendar->ClientHeight(), 7 + 18 + 6 * 24);
}

TEST_F(CalendarTest, HolidaysAreThoseOfTheYearShownHoweverItWasReached) {
  calendar->SetHoliday(true);
  calendar->SetYear(2002);
  EXPECT_TRUE(calendar->IsHoliday(3, 21));
  EXPECT_FALSE(calendar->IsHoliday(3, 20));
  calendar->SetYear(1996);
  EXPECT_TRUE(calendar->IsHoliday(3, 20));
  EXPECT_FALSE(calendar->IsHoliday(3, 21));
  // Two years on by the scroll bar's pages: 1998's equinox is the 21st.
  calendar->Perform(win::WM_VSCROLL, win::SB_PAGEDOWN, 0);
  calendar->Perform(win::WM_HSCROLL, win::SB_PAGEDOWN, 0);
  EXPECT_EQ(calendar->Year(), 1998);
  EXPECT_TRUE(calendar->IsHoliday(3, 21));
  EXPECT_FALSE(calendar->IsHoliday(3, 20));
  calendar->SetHoliday(false);
  EXPECT_FALSE(calendar->IsHoliday(3, 21));
}

TEST_F(CalendarTest, TheComponentMarksExactlyTheListedHolidaysOfEveryYear) {
  calendar->SetHoliday(true);
  for (int year = 1948; year <= 2099; ++year) {
    calendar->SetYear(year);
    std::set<int> listed;
    for (const ktHoliday& h : ktHolidaysOfYear(year)) listed.insert(h.Date.Month * 100 + h.Date.Day);
    for (int month = 1; month <= 12; ++month)
      for (int day = 1; day <= ktDaysInMonth(year, month); ++day)
        ASSERT_EQ(calendar->IsHoliday(month, day), listed.contains(month * 100 + day)) << year << "-" << month << "-" << day;
  }
}

TEST_F(CalendarTest, AMondayAfterASundayHolidayIsDrawnInTheHolidayColour) {
  calendar->SetHoliday(true);
  calendar->SetColorOfHoliday(clLime);
  calendar->SetDate(ktDate{2002, 11, 1});
  calendar->SetSelDate(ktDate{2002, 11, 20});
  ShowAndPaint();
  int col = 0, row = 0;
  ASSERT_TRUE(calendar->DateToCell(ktDate{2002, 11, 4}, col, row));
  EXPECT_EQ(col, 1);
  EXPECT_TRUE(CellShows(col, row, clLime));
  ASSERT_TRUE(calendar->DateToCell(ktDate{2002, 11, 5}, col, row));
  EXPECT_FALSE(CellShows(col, row, clLime));

  calendar->SetDate(ktDate{2003, 11, 1});
  win::test::PaintPending();
  ASSERT_TRUE(calendar->DateToCell(ktDate{2003, 11, 3}, col, row));
  EXPECT_TRUE(CellShows(col, row, clLime));
  ASSERT_TRUE(calendar->DateToCell(ktDate{2003, 11, 4}, col, row));
  EXPECT_FALSE(CellShows(col, row, clLime));

  calendar->SetColorOfHoliday(clNone);  // holidays take their weekday's colour
  win::test::PaintPending();
  ASSERT_TRUE(calendar->DateToCell(ktDate{2003, 11, 3}, col, row));
  EXPECT_FALSE(CellShows(col, row, clLime));
}

TEST_F(CalendarTest, DaysMarkedByTheCallerStayMarkedInEveryYear) {
  calendar->SetHoliday(6, 15, true);  // a Sunday in 2003: the Monday after is marked too
  calendar->SetYear(2003);
  EXPECT_TRUE(calendar->IsHoliday(6, 15));
  calendar->SetHoliday(true);
  calendar->SetHoliday(false);
  EXPECT_TRUE(calendar->IsHoliday(6, 15));
  calendar->SetColorOfHoliday(clLime);
  calendar->SetDate(ktDate{2003, 6, 1});
  ShowAndPaint();
  int col = 0, row = 0;
  ASSERT_TRUE(calendar->DateToCell(ktDate{2003, 6, 16}, col, row));
  EXPECT_TRUE(CellShows(col, row, clLime));
  calendar->SetHoliday(13, 1, true);  // no such month or day: ignored
  calendar->SetHoliday(1, 32, true);
  EXPECT_FALSE(calendar->IsHoliday(13, 1));
  calendar->ClearHoliday();
  EXPECT_FALSE(calendar->IsHoliday(6, 15));
}

TEST_F(CalendarTest, WeekdayColoursAndTheSelectedCell) {
  EXPECT_EQ(calendar->ColorOfWeek()->Sunday(), clRed);
  EXPECT_EQ(calendar->ColorOfWeek()->Saturday(), clBlue);
  EXPECT_EQ(calendar->ColorOfWeek()->Wednesday(), clWindowText);
  calendar->SetColorOfWeek(3, clFuchsia);
  calendar->SetColorOfWeek(7, clLime);  // ignored
  EXPECT_EQ(calendar->ColorOfWeek()->GetColor(7), clNone);
  calendar->SetSelDate(ktDate{2002, 8, 14});
  ShowAndPaint();
  EXPECT_TRUE(CellShows(3, 0, clFuchsia));  // the header takes its column's colour
  EXPECT_TRUE(CellShows(3, 2, clFuchsia));  // the 7th
  EXPECT_TRUE(CellShows(3, 3, win::GetSysColor(win::COLOR_HIGHLIGHT)));  // the 14th, selected
  EXPECT_FALSE(CellShows(3, 3, clFuchsia));
}

TEST_F(CalendarTest, StepsThroughMonthsStopAtTheLimitsWithoutAChange) {
  calendar->SetDate(ktDate{1900, 2, 1});
  changes = 0;
  calendar->PrevMonth();
  EXPECT_EQ(calendar->Date(), (ktDate{1900, 1, 1}));
  EXPECT_EQ(changes, 1);
  calendar->PrevMonth();
  EXPECT_EQ(calendar->Date(), (ktDate{1900, 1, 1}));
  EXPECT_EQ(changes, 1);
  calendar->SetDate(ktDate{2099, 12, 25});
  EXPECT_EQ(calendar->Date(), (ktDate{2099, 12, 1}));
  calendar->NextMonth();
  calendar->SetYear(2150);
  EXPECT_EQ(calendar->Date(), (ktDate{2099, 12, 1}));
  EXPECT_EQ(changes, 2);
  calendar->SetMonth(13);
  EXPECT_EQ(calendar->Month(), 12);
}

TEST_F(CalendarTest, ScrollMessagesStepMonthsAndYearsAndTheThumbOnlyTracksWithItsOption) {
  calendar->SetScrollBars(ssVertical);
  ShowAndPaint();
  auto scroll = [&](int code, int position = 0) {
    calendar->Perform(win::WM_VSCROLL, win::MAKEWPARAM(static_cast<win::WORD>(code), static_cast<win::WORD>(position)),
                      0);
  };
  int min = 0, max = 0;
  ASSERT_TRUE(win::GetScrollRange(calendar->Handle(), win::SB_VERT, &min, &max));
  EXPECT_EQ(min, 1900 * 12);
  EXPECT_EQ(max, 2099 * 12 + 11);
  EXPECT_EQ(win::GetScrollPos(calendar->Handle(), win::SB_VERT), 2002 * 12 + 7);
  scroll(win::SB_LINEDOWN);
  EXPECT_EQ(calendar->Date(), (ktDate{2002, 9, 1}));
  scroll(win::SB_LINEUP);
  scroll(win::SB_LINEUP);
  EXPECT_EQ(calendar->Date(), (ktDate{2002, 7, 1}));
  scroll(win::SB_PAGEUP);
  EXPECT_EQ(calendar->Date(), (ktDate{2001, 7, 1}));
  EXPECT_EQ(changes, 4);

  scroll(win::SB_THUMBTRACK, 2010 * 12 + 4);
  EXPECT_EQ(calendar->Date(), (ktDate{2001, 7, 1}));
  EXPECT_EQ(changes, 4);
  calendar->SetOptions(calendar->Options() + TGridOptions{goThumbTracking});
  scroll(win::SB_THUMBTRACK, 2010 * 12 + 4);
  EXPECT_EQ(calendar->Date(), (ktDate{2010, 5, 1}));
  scroll(win::SB_THUMBPOSITION, 1990 * 12);
  EXPECT_EQ(calendar->Date(), (ktDate{1990, 1, 1}));
  EXPECT_EQ(win::GetScrollPos(calendar->Handle(), win::SB_VERT), 1990 * 12);
  scroll(win::SB_BOTTOM);
  EXPECT_EQ(calendar->Date(), (ktDate{2099, 12, 1}));
  scroll(win::SB_PAGEDOWN);
  EXPECT_EQ(calendar->Date(), (ktDate{2099, 12, 1}));
  scroll(win::SB_TOP);
  EXPECT_EQ(calendar->Date(), (ktDate{1900, 1, 1}));
  EXPECT_EQ(changes, 8);
  scroll(win::SB_ENDSCROLL);
  EXPECT_EQ(changes, 8);
}

TEST_F(CalendarTest, PressesOnTheScrollBarStepTheMonthsAsTheyShow) {
  calendar->SetScrollBars(ssVertical);
  ShowAndPaint();
  win::detail::ScrollBarLayout bar = VerticalBar();
  ClickAt(OnScreen(Middle(bar.lineDown).x, Middle(bar.lineDown).y));
  EXPECT_EQ(calendar->Date(), (ktDate{2002, 9, 1}));
  win::test::MoveMouse(OnScreen(0, 0));  // away, so that the next press is no double click
  ClickAt(OnScreen(Middle(bar.lineUp).x, Middle(bar.lineUp).y));
  EXPECT_EQ(calendar->Date(), (ktDate{2002, 8, 1}));
  bar = VerticalBar();
  ClickAt(OnScreen(Middle(bar.thumb).x, bar.thumb.bottom + 2));  // the track below the thumb: a year on
  EXPECT_EQ(calendar->Date(), (ktDate{2003, 8, 1}));
  EXPECT_EQ(changes, 3);

  // Dragging the thumb to the top of the track goes to the first month;
  // while it is dragged the months follow only with thumb tracking.
  calendar->SetOptions(calendar->Options() + TGridOptions{goThumbTracking});
  bar = VerticalBar();
  const win::POINT grab = Middle(bar.thumb);
  std::vector<ktDate> seen;
  calendar->OnChange = [&](TObject*) { seen.push_back(calendar->Date()); };
  win::test::MoveMouse(OnScreen(grab.x, grab.y));
  win::test::PressMouse(win::test::MouseButton::Left);
  win::test::MoveMouse(OnScreen(grab.x, grab.y - 20));
  win::test::MoveMouse(OnScreen(grab.x, 0));
  win::test::ReleaseMouse(win::test::MouseButton::Left);
  Pump();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_LT(seen[0], (ktDate{2003, 8, 1}));
  EXPECT_EQ(seen[1], (ktDate{1900, 1, 1}));
  EXPECT_EQ(win::GetCapture(), nullptr);
}

TEST_F(CalendarTest, ClicksAndKeysSelectDaysAndEmptyCellsAreRefused) {
  calendar->SetSelDate(ktDate{2002, 8, 14});
  ShowAndPaint();
  auto clickCell = [&](int col, int row) {
    const TRect cell = calendar->CellRect(col, row);
    win::POINT p{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
    win::ClientToScreen(calendar->Handle(), &p);
    win::test::MoveMouse(win::POINT{0, 300});
    ClickAt(p);
  };
  clickCell(5, 5);
  EXPECT_EQ(calendar->SelDate(), (ktDate{2002, 8, 30}));
  clickCell(0, 1);  // empty without FillCell
  EXPECT_EQ(calendar->SelDate(), (ktDate{2002, 8, 30}));
  EXPECT_EQ(calendar->Col(), 5);

  win::test::PressKey(win::VK_LEFT);
  win::test::ReleaseKey(win::VK_LEFT);
  Pump();
  EXPECT_EQ(calendar->SelDate(), (ktDate{2002, 8, 29}));
  win::test::PressKey(win::VK_UP);
  win::test::ReleaseKey(win::VK_UP);
  Pump();
  EXPECT_EQ(calendar->SelDate(), (ktDate{2002, 8, 22}));

  int asked = 0;
  calendar->OnSelectCell = [&](TObject*, int, int, bool& canSelect) {
    ++asked;
    canSelect = false;
  };
  clickCell(6, 1);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(calendar->SelDate(), (ktDate{2002, 8, 22}));
  EXPECT_EQ(changes, 0);  // selecting never changes the month shown
}

TEST_F(CalendarTest, SetDayAndSetSelDate) {
  calendar->SetSelDate(ktDate{2002, 8, 14});
  calendar->SetDay(31);
  EXPECT_EQ(calendar->SelDate(), (ktDate{2002, 8, 31}));
  EXPECT_EQ(calendar->Col(), 6);
  EXPECT_EQ(calendar->Row(), 5);
  calendar->SetDay(32);
  calendar->SetDay(0);
  EXPECT_EQ(calendar->SelDate(), (ktDate{2002, 8, 31}));
  calendar->SetSelDate(ktDate{2003, 1, 5});  // another month: taken as it is
  EXPECT_EQ(calendar->SelDate(), (ktDate{2003, 1, 5}));
  EXPECT_EQ(calendar->Date(), kAugust2002);
  calendar->SetSelDate(ktDate{2003, 2, 30});  // not in the calendar
  EXPECT_EQ(calendar->SelDate(), (ktDate{2003, 1, 5}));
  calendar->SetDate(ktDate{2003, 1, 1});
  EXPECT_EQ(calendar->Col(), 0);  // the 5th, a Sunday, becomes the current cell
  EXPECT_EQ(calendar->Row(), 2);
}

TEST_F(CalendarTest, TheLimitsAsDatesAndAsText) {
  EXPECT_EQ(calendar->MinDateText(), "1900/01/01");
  EXPECT_EQ(calendar->MaxDateText(), "2099/12/31");
  calendar->SetMinDateText("H14/8/29");
  EXPECT_EQ(calendar->MinDate(), (ktDate{2002, 8, 29}));
  calendar->SetMaxDateText(SJ("平成15/3/1"));
  EXPECT_EQ(calendar->MaxDate(), (ktDate{2003, 3, 1}));
  calendar->SetDate(ktDate{2005, 1, 1});
  EXPECT_EQ(calendar->Date(), (ktDate{2003, 3, 1}));
  EXPECT_THROW(calendar->SetMinDateText("2002"), EConvertError);  // no month or day
  EXPECT_THROW(calendar->SetMaxDate(ktDate{2002, 1, 1}), EConvertError);  // before the lower limit
  EXPECT_EQ(calendar->MinDate(), (ktDate{2002, 8, 29}));
  EXPECT_EQ(calendar->MaxDate(), (ktDate{2003, 3, 1}));
  calendar->SetScrollBars(ssHorizontal);
  ShowAndPaint();
  int min = 0, max = 0;
  ASSERT_TRUE(win::GetScrollRange(calendar->Handle(), win::SB_HORZ, &min, &max));
  EXPECT_EQ(min, 2002 * 12 + 7);
  EXPECT_EQ(max, 2003 * 12 + 2);
}

TEST_F(CalendarTest, TheDateLabelShowsTheMonthUntilItGoes) {
  auto* label = new TLabel(form.get());
  label->SetParent(form.get());
  calendar->SetDateLabel(label);
  EXPECT_EQ(label->Caption(), "2002/08");
  calendar->SetDateLabelFormat("yyyy'-'m");
  calendar->NextMonth();
  EXPECT_EQ(label->Caption(), "2002-9");
  delete label;
  EXPECT_EQ(calendar->DateLabel(), nullptr);
  calendar->NextMonth();  // no label left to write to
  EXPECT_EQ(calendar->Month(), 10);
}

TEST_F(CalendarTest, OnDrawCellAndOnDrawMemoSeeEachCellAndItsMemoStrip) {
  calendar->SetMemoHeight(8);
  std::vector<std::pair<int, int>> cells;
  std::vector<TRect> memos;
  calendar->OnDrawCell = [&](TObject*, int col, int row, TRect, TGridDrawState) { cells.emplace_back(col, row); };
  calendar->OnDrawMemo = [&](TObject*, int col, int row, TRect rect, TGridDrawState) {
    if (col == 4 && row == 1) memos.push_back(rect);
  };
  ShowAndPaint();
  EXPECT_EQ(cells.size(), 49u);
  ASSERT_EQ(memos.size(), 1u);
  const TRect cell = calendar->CellRect(4, 1);
  EXPECT_EQ(memos[0].bottom, cell.bottom);
  EXPECT_EQ(memos[0].top, cell.bottom - 8);
}

TEST(ktvFlag, ChangeFiresOnlyWhenTheWordReallyChanges) {
  ktvFlag flag;
  int changes = 0;
  flag.OnChange = [&](TObject*) { ++changes; };
  flag.SetFlag(3, true);
  flag.SetFlags(0x8);
  EXPECT_EQ(flag.GetFlags(), 0x8u);
  EXPECT_EQ(changes, 1);
  flag.SetFlags(0x11);
  flag.ResetFlags(0x1);
  EXPECT_TRUE(flag.GetFlag(4));
  EXPECT_FALSE(flag.GetFlag(0));
  flag.SetFlag(32, true);
  flag.SetFlag(-1, true);
  EXPECT_FALSE(flag.GetFlag(32));
  flag.Store(0x18);
  EXPECT_EQ(changes, 3);
  flag.Reset();
  flag.Reset();
  EXPECT_EQ(flag.GetFlags(), 0u);
  EXPECT_EQ(changes, 4);
}

TEST(CalendrRegister, PutsTheCalendarOnTheToskaPage) {
  Calendr::Register();
  Calendr::Register();
  int found = 0;
  for (const TComponentClass& c : PaletteClasses("TOSKA")) found += c.ClassName == "ktvCalendar";
  EXPECT_EQ(found, 1);
}

}  // namespace
