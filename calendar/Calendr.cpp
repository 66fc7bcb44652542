#include "calendar/Calendr.h"

#include <algorithm>

#include "calendar/Holidays.h"
#include "framework/DateUtils.h"
#include "framework/Exceptions.h"
#include "framework/Palette.h"
#include "platform/ScrollBars.h"
#include "platform/SysColors.h"
#include "platform/Window.h"

// ---- ktvFlag ---------------------------------------------------------------------------

namespace {

constexpr int kBits = 32;

bool IsBit(int Bit) { return Bit >= 0 && Bit < kBits; }

}  // namespace

void ktvFlag::Store(uint32_t Value) {
  if (Value == flags_) return;
  flags_ = Value;
  Change();
}

void ktvFlag::SetFlags(uint32_t Mask) { Store(flags_ | Mask); }

void ktvFlag::ResetFlags(uint32_t Mask) { Store(flags_ & ~Mask); }

bool ktvFlag::GetFlag(int Bit) const { return IsBit(Bit) && (flags_ >> Bit & 1u); }

void ktvFlag::SetFlag(int Bit, bool On) {
  if (!IsBit(Bit)) return;
  if (On)
    SetFlags(1u << Bit);
  else
    ResetFlags(1u << Bit);
}

void ktvFlag::Change() {
  if (OnChange) OnChange(this);
}

// ---- ktvColorOfWeek --------------------------------------------------------------------

namespace {

constexpr int kDaysInWeek = 7;

bool IsWeekday(int Index) { return Index >= 0 && Index < kDaysInWeek; }

}  // namespace

ktvColorOfWeek::ktvColorOfWeek(TControl* AOwner) : owner_(AOwner) {
  colors_.fill(clWindowText);
  colors_[0] = clRed;
  colors_[6] = clBlue;
}

void ktvColorOfWeek::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<ktvColorOfWeek*>(Source);
  if (!other) {
    TPersistent::Assign(Source);
    return;
  }
  for (int i = 0; i < kDaysInWeek; ++i) SetColor(i, other->GetColor(i));
}

TColor ktvColorOfWeek::GetColor(int Index) const { return IsWeekday(Index) ? colors_[Index] : clNone; }

void ktvColorOfWeek::SetColor(int Index, TColor Value) {
  if (!IsWeekday(Index)) return;
  colors_[Index] = Value;
  if (owner_) owner_->Invalidate();
}

// ---- ktvCalendar: construction and size --------------------------------------------------

namespace {

constexpr int kColumns = 7;
constexpr int kRows = 7;  // the header and six weeks
constexpr int kWeeks = 6;
constexpr int kLastCell = kColumns * kWeeks - 1;

ktDate FirstOfMonth(ktDate Value) { return ktDate{Value.Year, Value.Month, 1}; }

bool IsCalendarDate(ktDate Value) {
  return Value.Year >= 1 && Value.Month >= 1 && Value.Month <= 12 && Value.Day >= 1 &&
         Value.Day <= ktDaysInMonth(Value.Year, Value.Month);
}

// A scroll position for each month: year × 12 + month − 1.
int PositionOf(ktDate Value) { return Value.Year * 12 + Value.Month - 1; }

ktDate MonthAtPosition(int Position) {
  return ktDate{static_cast<uint16_t>(Position / 12), static_cast<uint8_t>(Position % 12 + 1), 1};
}

ktDate YearsOn(ktDate Value, int Years) {
  return ktDate{static_cast<uint16_t>(std::clamp(Value.Year + Years, 1, int{UINT16_MAX})), Value.Month, 1};
}

}  // namespace

ktvCalendar::ktvCalendar(TComponent* AOwner)
    : TCustomGrid(AOwner), colorOfWeek_(std::make_unique<ktvColorOfWeek>(this)) {
  SetColCount(kColumns);
  SetRowCount(kRows);
  SetFixedCols(0);
  SetFixedRows(1);
  SetDefaultRowHeight(16);
  SetDefaultColWidth(24);
  SetOptions(Options() - TGridOptions{goRangeSelect, goDrawFocusSelected});
  int width = 0, height = 0;
  CalcSize(width, height);
  TCustomGrid::SetBounds(Left(), Top(), width, height);
  const ktDate today = ktToday();
  date_ = FirstOfMonth(today);
  selDate_ = today;
  UpdateCalendar();
}

ktvCalendar::~ktvCalendar() = default;

void ktvCalendar::CalcSize(int& AWidth, int& AHeight) {
  const int border = BorderExtent(BorderStyle(), Ctl3D());
  const int horizontalBar =
      scrollBars_ == ssHorizontal || scrollBars_ == ssBoth ? win::GetSystemMetrics(win::SM_CYHSCROLL) : 0;
  const int verticalBar =
      scrollBars_ == ssVertical || scrollBars_ == ssBoth ? win::GetSystemMetrics(win::SM_CXVSCROLL) : 0;
  const int lines = GridLineWidth() * kColumns;
  if (AWidth != 0) SetDefaultColWidth(std::max(0, (AWidth - lines - verticalBar - border) / kColumns));
  if (AHeight != 0) {
    const int header = std::max(0, (AHeight - lines - kWeeks * memoHeight_ - horizontalBar - border) / kRows);
    SetDefaultRowHeight(header + memoHeight_);
    SetRowHeights(0, header);
  }
  AWidth = lines + kColumns * DefaultColWidth() + border + verticalBar;
  AHeight = horizontalBar + border + lines + RowHeights(0) + kWeeks * DefaultRowHeight();
}

void ktvCalendar::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (AWidth != Width() || AHeight != Height()) {
    int width = AWidth, height = AHeight;
    CalcSize(width, height);
    if (!ComponentState().Contains(csLoading)) {
      AWidth = width;
      AHeight = height;
    }
  }
  TCustomGrid::SetBounds(ALeft, ATop, AWidth, AHeight);
}

// The frame grows or shrinks by what the change adds to it, so that the
// cells keep their size.
void ktvCalendar::KeepCellsWhile(const std::function<void()>& ChangeFrame) {
  ChangeFrame();
  int width = 0, height = 0;
  CalcSize(width, height);
  TCustomGrid::SetBounds(Left(), Top(), width, height);
}

void ktvCalendar::SetBorderStyle(TBorderStyle Value) {
  if (Value == BorderStyle()) return;
  KeepCellsWhile([&] { TCustomGrid::SetBorderStyle(Value); });
}

void ktvCalendar::SetCtl3D(bool Value) {
  if (Value == Ctl3D()) return;
  KeepCellsWhile([&] { TCustomGrid::SetCtl3D(Value); });
}

void ktvCalendar::SetScrollBars(TScrollStyle Value) {
  if (Value == scrollBars_) return;
  KeepCellsWhile([&] {
    scrollBars_ = Value;
    RecreateWnd();
  });
}

void ktvCalendar::SetMemoHeight(int Value) {
  memoHeight_ = std::max(0, Value);
  int width = Width(), height = Height();
  CalcSize(width, height);
  TCustomGrid::SetBounds(Left(), Top(), width, height);
  Invalidate();
}

void ktvCalendar::CreateParams(TCreateParams& Params) {
  TCustomGrid::CreateParams(Params);
  if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) Params.Style |= win::WS_HSCROLL;
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) Params.Style |= win::WS_VSCROLL;
}

void ktvCalendar::CreateWnd() {
  TCustomGrid::CreateWnd();
  UpdateScrollRange();
}

// ---- cells and dates --------------------------------------------------------------------

int ktvCalendar::DayNumberOfFirstCell() const { return ktDayNumber(date_) + firstCellOffset_ - 1; }

ktDate ktvCalendar::CellToDate(int ACol, int ARow) const {
  if (ARow < 1 || ARow >= kRows || ACol < 0 || ACol >= kColumns) return ktDate{};
  const ktDate value = ktDateFromDayNumber(DayNumberOfFirstCell() + ACol + kColumns * (ARow - 1));
  if (!fillCell_ && (value.Month != date_.Month || value.Year != date_.Year)) return ktDate{};
  return value;
}

bool ktvCalendar::DateToCell(ktDate Value, int& ACol, int& ARow) const {
  ACol = ARow = -1;
  if (!IsCalendarDate(Value)) return false;
  const int k = ktDayNumber(Value) - DayNumberOfFirstCell();
  if (k < 0 || k > kLastCell) return false;
  if (!fillCell_ && (Value.Month != date_.Month || Value.Year != date_.Year)) return false;
  ACol = k % kColumns;
  ARow = k / kColumns + 1;
  return true;
}

std::string ktvCalendar::GetCellText(int ACol, int ARow) const {
  if (ARow == 0 && ACol >= 0 && ACol < kColumns) return ShortDayNames[(ACol + startOfWeek_) % kDaysInWeek];
  const ktDate value = CellToDate(ACol, ARow);
  return value == ktDate{} ? std::string() : std::to_string(value.Day);
}

// ---- holidays ----------------------------------------------------------------------------

namespace {

bool IsDayOfMonth(int AMonth, int ADay) { return AMonth >= 1 && AMonth <= 12 && ADay >= 1 && ADay <= 31; }

}  // namespace

void ktvCalendar::SetHoliday(bool Value) {
  holiday_ = Value;
  UpdateCalendar();
}

void ktvCalendar::SetHoliday(int AMonth, int ADay, bool On) {
  if (!IsDayOfMonth(AMonth, ADay)) return;
  if (On)
    marked_[AMonth] |= 1u << ADay;
  else
    marked_[AMonth] &= ~(1u << ADay);
  Invalidate();
}

void ktvCalendar::ClearHoliday() {
  marked_.fill(0);
  Invalidate();
}

void ktvCalendar::SetEquinoxDay() {
  lawHolidays_.erase(date_.Year);
  Invalidate();
}

bool ktvCalendar::IsMarked(ktDate Value) const {
  return IsDayOfMonth(Value.Month, Value.Day) && (marked_[Value.Month] >> Value.Day & 1u);
}

bool ktvCalendar::IsLawHoliday(ktDate Value) const {
  if (!holiday_ || !IsDayOfMonth(Value.Month, Value.Day)) return false;
  auto it = lawHolidays_.find(Value.Year);
  if (it == lawHolidays_.end()) {
    MonthMasks masks{};
    for (const ktHoliday& h : ktHolidaysOfYear(Value.Year)) masks[h.Date.Month] |= 1u << h.Date.Day;
    it = lawHolidays_.emplace(Value.Year, masks).first;
  }
  return it->second[Value.Month] >> Value.Day & 1u;
}

bool ktvCalendar::IsHoliday(int AMonth, int ADay) const {
  const ktDate value{date_.Year, static_cast<uint8_t>(AMonth), static_cast<uint8_t>(ADay)};
  return IsDayOfMonth(AMonth, ADay) && (IsMarked(value) || IsLawHoliday(value));
}

// The law's days carry their own substitute holidays; a day the caller
// marks on a Sunday also gives the Monday after it.
bool ktvCalendar::IsHolidayDate(ktDate Value) const {
  if (IsMarked(Value) || IsLawHoliday(Value)) return true;
  return ktDayOfWeek(Value) == 1 && IsMarked(ktPrevDay(Value));
}

void ktvCalendar::SetColorOfHoliday(TColor Value) {
  colorOfHoliday_ = Value;
  UpdateCalendar();
}

void ktvCalendar::SetColorOfWeek(int Index, TColor Value) {
  if (!IsWeekday(Index)) return;
  colorOfWeek_->SetColor(Index, Value);
  UpdateCalendar();
}

void ktvCalendar::SetColorOfWeek(ktvColorOfWeek* Value) {
  if (Value) colorOfWeek_->Assign(Value);
  UpdateCalendar();
}

// ---- drawing -------------------------------------------------------------------------------

TColor ktvCalendar::TextColor(int ACol, ktDate Value) const {
  if (colorOfHoliday_ != clNone && Value != ktDate{} && IsHolidayDate(Value)) return colorOfHoliday_;
  return colorOfWeek_->GetColor((ACol + startOfWeek_) % kDaysInWeek);
}

void ktvCalendar::DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) {
  TCanvas* canvas = Canvas();
  const std::string text = GetCellText(ACol, ARow);
  const ktDate value = CellToDate(ACol, ARow);
  canvas->Font()->Assign(Font());
  if (!text.empty() && ACol == selCol_ && ARow == selRow_) {
    canvas->Font()->SetColor(clHighlightText);
    canvas->Brush()->SetColor(clHighlight);
    AState.Include(gdSelected);
  } else {
    canvas->Brush()->SetColor(ARow == 0 ? FixedColor() : Color());
    canvas->Font()->SetColor(TextColor(ACol, value));
    AState.Exclude(gdSelected);
  }
  canvas->FillRect(ARect);
  if (!text.empty()) {
    const int textHeight = ARow == 0 ? ARect.bottom - ARect.top : ARect.bottom - ARect.top - memoHeight_;
    const TSize size = canvas->TextExtent(text);
    canvas->TextOut(ARect.left + (ARect.right - ARect.left - size.cx) / 2, ARect.top + (textHeight - size.cy) / 2,
                    text);
  }
  if (OnDrawCell) OnDrawCell(this, ACol, ARow, ARect, AState);
  if (OnDrawMemo && ARow > 0 && memoHeight_ > 0)
    OnDrawMemo(this, ACol, ARow, Rect(ARect.left, ARect.bottom - memoHeight_, ARect.right, ARect.bottom), AState);
}

// ---- selection -----------------------------------------------------------------------------

bool ktvCalendar::SelectCell(int ACol, int ARow) {
  const ktDate value = CellToDate(ACol, ARow);
  if (value == ktDate{}) return false;
  bool canSelect = true;
  if (OnSelectCell) OnSelectCell(this, ACol, ARow, canSelect);
  if (!canSelect) return false;
  if (value != selDate_) {
    selDate_ = value;
    SelectDay();
  }
  return true;
}

void ktvCalendar::SelectDay() {
  InvalidateCell(selCol_, selRow_);
  if (!DateToCell(selDate_, selCol_, selRow_)) return;
  MoveCurrent(selCol_, selRow_, true);
  InvalidateCell(selCol_, selRow_);
}

void ktvCalendar::SetSelDate(ktDate Value) {
  if (!IsCalendarDate(Value)) return;
  int col = -1, row = -1;
  if (DateToCell(Value, col, row))
    SelectCell(col, row);
  else
    selDate_ = Value;
  UpdateCalendar();
}

void ktvCalendar::SetDay(int Value) {
  if (Value < 1 || Value > ktDaysInMonth(date_.Year, date_.Month)) return;
  if (selDate_.Year == date_.Year && selDate_.Month == date_.Month && selDate_.Day == Value) return;
  SetSelDate(ktDate{date_.Year, date_.Month, static_cast<uint8_t>(Value)});
}

// ---- months, years and limits --------------------------------------------------------------

ktDate ktvCalendar::Clamped(ktDate Value) const {
  return std::clamp(FirstOfMonth(Value), FirstOfMonth(minDate_), FirstOfMonth(maxDate_));
}

void ktvCalendar::ShowMonth(ktDate Value) {
  const ktDate month = Clamped(Value);
  if (month == date_) {
    UpdateScrollBar();
    return;
  }
  date_ = month;
  UpdateCalendar();
  Change();
}

void ktvCalendar::SetDate(ktDate Value) {
  if (Value.Month < 1 || Value.Month > 12) return;
  ShowMonth(Value);
}

void ktvCalendar::SetYear(int Value) {
  if (Value < 1 || Value > UINT16_MAX) return;
  ShowMonth(ktDate{static_cast<uint16_t>(Value), date_.Month, 1});
  if (holiday_) SetEquinoxDay();
}

void ktvCalendar::SetMonth(int Value) {
  if (Value < 1 || Value > 12) return;
  ShowMonth(ktDate{date_.Year, static_cast<uint8_t>(Value), 1});
}

void ktvCalendar::PrevMonth() { ShowMonth(ktPrevMonth(date_)); }

void ktvCalendar::NextMonth() { ShowMonth(ktNextMonth(date_)); }

void ktvCalendar::CheckLimits(ktDate Min, ktDate Max) const {
  for (ktDate limit : {Min, Max})
    if (!IsCalendarDate(limit)) throw EConvertError("'" + ktDateToStr(limit, false) + "' is not a valid date");
  if (Max < Min) throw EConvertError("The upper limit " + ktDateToStr(Max, false) + " lies before the lower limit " +
                                     ktDateToStr(Min, false));
}

void ktvCalendar::SetMinDate(ktDate Value) {
  CheckLimits(Value, maxDate_);
  minDate_ = Value;
  UpdateScrollRange();
  ShowMonth(date_);
}

void ktvCalendar::SetMaxDate(ktDate Value) {
  CheckLimits(minDate_, Value);
  maxDate_ = Value;
  UpdateScrollRange();
  ShowMonth(date_);
}

std::string ktvCalendar::MinDateText() const { return ktDateToStr(minDate_, false); }

void ktvCalendar::SetMinDateText(const std::string& Value) { SetMinDate(ktStrToDate(Value)); }

std::string ktvCalendar::MaxDateText() const { return ktDateToStr(maxDate_, false); }

void ktvCalendar::SetMaxDateText(const std::string& Value) { SetMaxDate(ktStrToDate(Value)); }

void ktvCalendar::Change() {
  if (OnChange) OnChange(this);
}

// ---- updating -------------------------------------------------------------------------------

void ktvCalendar::UpdateCalendar() {
  const int before = (ktDayOfWeek(date_) - startOfWeek_ + kDaysInWeek) % kDaysInWeek;
  firstCellOffset_ = 1 - before;
  SelectDay();
  UpdateScrollBar();
  if (dateLabel_) dateLabel_->SetCaption(ktFormatDate(dateLabelFormat_, date_));
  Invalidate();
}

void ktvCalendar::SetFillCell(bool Value) {
  fillCell_ = Value;
  UpdateCalendar();
}

void ktvCalendar::SetStartOfWeek(uint16_t Value) {
  startOfWeek_ = Value % kDaysInWeek;
  UpdateCalendar();
}

void ktvCalendar::SetDateLabel(TCustomLabel* Value) {
  if (dateLabel_) dateLabel_->RemoveFreeNotification(this);
  dateLabel_ = Value;
  if (dateLabel_) dateLabel_->FreeNotification(this);
  UpdateCalendar();
}

void ktvCalendar::SetDateLabelFormat(const std::string& Value) {
  dateLabelFormat_ = Value;
  UpdateCalendar();
}

void ktvCalendar::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomGrid::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == dateLabel_) dateLabel_ = nullptr;
}

// ---- scroll bars ----------------------------------------------------------------------------

namespace {

bool HasBar(TScrollStyle Style, int Bar) {
  if (Bar == win::SB_HORZ) return Style == ssHorizontal || Style == ssBoth;
  return Style == ssVertical || Style == ssBoth;
}

}  // namespace

void ktvCalendar::UpdateScrollRange() {
  if (!HandleAllocated()) return;
  for (int bar : {win::SB_HORZ, win::SB_VERT}) {
    if (!HasBar(scrollBars_, bar)) continue;
    win::SetScrollRange(Handle(), bar, PositionOf(minDate_), PositionOf(maxDate_), win::FALSE);
    win::SetScrollPos(Handle(), bar, PositionOf(date_), win::TRUE);
  }
}

void ktvCalendar::UpdateScrollBar() {
  if (!HandleAllocated()) return;
  for (int bar : {win::SB_HORZ, win::SB_VERT})
    if (HasBar(scrollBars_, bar)) win::SetScrollPos(Handle(), bar, PositionOf(date_), win::TRUE);
}

void ktvCalendar::Dispatch(TMessage& Message) {
  if (Message.Msg == win::WM_HSCROLL || Message.Msg == win::WM_VSCROLL) {
    Scroll(win::LOWORD(Message.WParam), win::HIWORD(Message.WParam));
    Message.Result = 0;
    return;
  }
  TCustomGrid::Dispatch(Message);
}

// Both bars step alike: a line is a month, a page a year, the thumb any
// month of the range.
void ktvCalendar::Scroll(int Code, int Position) {
  switch (Code) {
    case win::SB_LINEUP: ShowMonth(ktPrevMonth(date_)); break;
    case win::SB_LINEDOWN: ShowMonth(ktNextMonth(date_)); break;
    case win::SB_PAGEUP: ShowMonth(YearsOn(date_, -1)); break;
    case win::SB_PAGEDOWN: ShowMonth(YearsOn(date_, 1)); break;
    case win::SB_THUMBTRACK:
      if (Options().Contains(goThumbTracking)) ShowMonth(MonthAtPosition(Position));
      break;
    case win::SB_THUMBPOSITION: ShowMonth(MonthAtPosition(Position)); break;
    case win::SB_TOP: ShowMonth(minDate_); break;
    case win::SB_BOTTOM: ShowMonth(maxDate_); break;
    default: break;
  }
}

namespace Calendr {

void Register() { RegisterComponents("TOSKA", {ComponentClassOf<ktvCalendar>()}); }

}  // namespace Calendr
