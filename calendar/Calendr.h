// ktvCalendar: a month as a grid of 7 columns and 7 rows, a header row of
// the locale's short weekday names over six weeks of day numbers, with a
// colour per weekday, Japanese public holidays, an optional memo strip
// along the bottom of each day cell, scroll bars that step through months
// and years, and an optional label showing the month. ktvColorOfWeek holds
// its seven weekday colours; ktvFlag is the library's flag word.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "calendar/Date.h"
#include "framework/Grids.h"
#include "framework/StdCtrls.h"

// A 32-bit flag word; OnChange fires whenever the stored word really changes.
class ktvFlag : public TPersistent {
 public:
  void Store(uint32_t Value);
  void SetFlags(uint32_t Mask);    // sets the mask's bits
  void ResetFlags(uint32_t Mask);  // clears them
  bool GetFlag(int Bit) const;     // false for a bit outside 0-31
  void SetFlag(int Bit, bool On);  // ignores a bit outside 0-31
  uint32_t GetFlags() const { return flags_; }
  void Reset() { Store(0); }

  TNotifyEvent OnChange;

 protected:
  virtual void Change();

 private:
  uint32_t flags_ = 0;
};

// Seven colours, index 0 Sunday to 6 Saturday; setting one repaints the owner.
class ktvColorOfWeek : public TPersistent {
 public:
  explicit ktvColorOfWeek(TControl* AOwner = nullptr);

  void Assign(TPersistent* Source) override;

  // clNone for an index outside 0-6, which SetColor ignores.
  TColor GetColor(int Index) const;
  void SetColor(int Index, TColor Value);

  TColor Sunday() const { return GetColor(0); }
  void SetSunday(TColor Value) { SetColor(0, Value); }
  TColor Monday() const { return GetColor(1); }
  void SetMonday(TColor Value) { SetColor(1, Value); }
  TColor Tuesday() const { return GetColor(2); }
  void SetTuesday(TColor Value) { SetColor(2, Value); }
  TColor Wednesday() const { return GetColor(3); }
  void SetWednesday(TColor Value) { SetColor(3, Value); }
  TColor Thursday() const { return GetColor(4); }
  void SetThursday(TColor Value) { SetColor(4, Value); }
  TColor Friday() const { return GetColor(5); }
  void SetFriday(TColor Value) { SetColor(5, Value); }
  TColor Saturday() const { return GetColor(6); }
  void SetSaturday(TColor Value) { SetColor(6, Value); }

 private:
  std::array<TColor, 7> colors_;
  TControl* owner_;
};

using TCalendarDrawEvent =
    std::function<void(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)>;
using TCalendarSelectEvent = std::function<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;

class ktvCalendar : public TCustomGrid {
 public:
  explicit ktvCalendar(TComponent* AOwner);
  ~ktvCalendar() override;

  // The month shown (its day is always 1) and its parts. A new month is
  // held inside the limits; when it really changes, the grid is updated and
  // OnChange fires.
  ktDate Date() const { return date_; }
  void SetDate(ktDate Value);
  int Year() const { return date_.Year; }
  void SetYear(int Value);
  int Month() const { return date_.Month; }
  void SetMonth(int Value);  // ignores a month outside 1-12
  void PrevMonth();
  void NextMonth();

  // The selected day. A day on the grid is selected through its cell (so
  // OnSelectCell may refuse it); a day of another month is taken as it is.
  ktDate SelDate() const { return selDate_; }
  void SetSelDate(ktDate Value);
  int Day() const { return selDate_.Day; }
  // Selects day n of the month shown; ignores a day the month does not have.
  void SetDay(int Value);

  // The limits of the months shown and of the scroll range; EConvertError
  // for a date that is not in the calendar or limits that cross.
  ktDate MinDate() const { return minDate_; }
  void SetMinDate(ktDate Value);
  ktDate MaxDate() const { return maxDate_; }
  void SetMaxDate(ktDate Value);
  // The limits as text ("1900/01/01"); written texts may carry era prefixes.
  std::string MinDateText() const;
  void SetMinDateText(const std::string& Value);
  std::string MaxDateText() const;
  void SetMaxDateText(const std::string& Value);

  // Cells: the date of a cell, the zero date for the header row and, unless
  // FillCell, for cells outside the month; the cell of a date on the grid.
  ktDate CellToDate(int ACol, int ARow) const;
  bool DateToCell(ktDate Value, int& ACol, int& ARow) const;
  std::string GetCellText(int ACol, int ARow) const;

  // Holidays. With Holiday on, the public holidays of the year of each day
  // are marked, under the law as it stood then (1948-2099). Days marked
  // with SetHoliday are marked in every year, Holiday on or off; a Sunday
  // so marked also marks the Monday after it.
  bool Holiday() const { return holiday_; }
  void SetHoliday(bool Value);
  bool IsHoliday(int AMonth, int ADay) const;  // in the year shown
  void SetHoliday(int AMonth, int ADay, bool On);
  void ClearHoliday();
  // Marks the public holidays of the year shown afresh.
  void SetEquinoxDay();

  TColor ColorOfHoliday() const { return colorOfHoliday_; }
  void SetColorOfHoliday(TColor Value);  // clNone: holidays take their weekday's colour
  ktvColorOfWeek* ColorOfWeek() const { return colorOfWeek_.get(); }
  void SetColorOfWeek(int Index, TColor Value);
  void SetColorOfWeek(ktvColorOfWeek* Value);

  bool FillCell() const { return fillCell_; }
  void SetFillCell(bool Value);
  uint16_t StartOfWeek() const { return startOfWeek_; }
  void SetStartOfWeek(uint16_t Value);  // stored modulo 7
  int MemoHeight() const { return memoHeight_; }
  void SetMemoHeight(int Value);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle Value);
  TCustomLabel* DateLabel() const { return dateLabel_; }
  void SetDateLabel(TCustomLabel* Value);
  const std::string& DateLabelFormat() const { return dateLabelFormat_; }
  void SetDateLabelFormat(const std::string& Value);

  // Keep the cells' size: the border's new width is added to the control's.
  void SetBorderStyle(TBorderStyle Value) override;
  void SetCtl3D(bool Value) override;
  // A new size is shared out to the cells (CalcSize), unless loading.
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  // Sizes the cells to fit width and height (either 0: keep that way's
  // cells) and answers the control size that fits the cells exactly.
  void CalcSize(int& AWidth, int& AHeight);

  // Moves the grid's current cell to the selected day when it is shown.
  void SelectDay();
  virtual void UpdateScrollBar();
  virtual void UpdateCalendar();

  TCalendarSelectEvent OnSelectCell;
  TNotifyEvent OnChange;
  TCalendarDrawEvent OnDrawCell;
  TCalendarDrawEvent OnDrawMemo;

 protected:
  virtual void Change();

  void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) override;
  bool SelectCell(int ACol, int ARow) override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  using MonthMasks = std::array<uint32_t, 13>;  // bit d of [m]: day d of month m

  void ShowMonth(ktDate Value);
  ktDate Clamped(ktDate Value) const;
  void CheckLimits(ktDate Min, ktDate Max) const;
  void UpdateScrollRange();
  void Scroll(int Code, int Position);
  int DayNumberOfFirstCell() const;
  bool IsMarked(ktDate Value) const;
  bool IsLawHoliday(ktDate Value) const;
  bool IsHolidayDate(ktDate Value) const;
  TColor TextColor(int ACol, ktDate Value) const;
  void KeepCellsWhile(const std::function<void()>& ChangeFrame);

  ktDate date_;
  ktDate selDate_;
  ktDate minDate_{1900, 1, 1};
  ktDate maxDate_{2099, 12, 31};
  int firstCellOffset_ = 1;
  int selCol_ = -1;
  int selRow_ = -1;
  MonthMasks marked_{};
  mutable std::map<int, MonthMasks> lawHolidays_;  // by year, filled when first asked
  bool holiday_ = false;
  TColor colorOfHoliday_ = clRed;
  std::unique_ptr<ktvColorOfWeek> colorOfWeek_;
  bool fillCell_ = false;
  uint16_t startOfWeek_ = 0;
  int memoHeight_ = 0;
  TScrollStyle scrollBars_ = ssNone;
  TCustomLabel* dateLabel_ = nullptr;
  std::string dateLabelFormat_ = "yyyy/mm";
};

namespace Calendr {
// Puts ktvCalendar on the component palette page "TOSKA".
void Register();
}  // namespace Calendr
