#include "framework/StdCtrls.h"

#include <gtest/gtest.h>

#include "framework/Classes.h"
#include "framework/tests/ControlsTestSupport.h"
#include "framework/tests/StdCtrlsTestSupport.h"
#include "platform/Input.h"
#include "platform/SysColors.h"
#include "platform/Text.h"

using controlstest::At;
using controlstest::PixelAt;
using controlstest::Pump;
using stdctrlstest::BoundsOfColor;
using stdctrlstest::CountOfColor;
using stdctrlstest::TTextForm;

namespace {

TLabel* AddLabel(TWinControl* parent, const std::string& caption, bool autoSize = true) {
  auto* label = new TLabel(parent);
  label->SetAutoSize(autoSize);
  label->SetParent(parent);
  label->SetCaption(caption);
  return label;
}

// ---- size ----

TEST(TLabel, AutoSizeTakesTheTextsSizeAndAnEmptyCaptionStillOneLine) {
  TTextForm form;
  TLabel* label = AddLabel(&form, "ABC");
  label->SetBounds(10, 5, 100, 100);
  label->SetCaption("ABCD");
  EXPECT_EQ(label->Width(), 24);
  EXPECT_EQ(label->Height(), 12);
  EXPECT_EQ(label->Left(), 10);

  label->SetCaption("AB\nCDE");
  EXPECT_EQ(label->Width(), 18);
  EXPECT_EQ(label->Height(), 24);

  label->SetCaption("");
  EXPECT_EQ(label->Width(), 6);
  EXPECT_EQ(label->Height(), 12);

  // The prefix character takes no room, unless it is shown as it is.
  label->SetCaption("&AB");
  EXPECT_EQ(label->Width(), 12);
  label->SetShowAccelChar(false);
  EXPECT_EQ(label->Width(), 18);

  label->Font()->SetHeight(-24);
  EXPECT_EQ(label->Height(), 24);
}

TEST(TLabel, RightJustifiedAutoSizeKeepsItsRightEdge) {
  TTextForm form;
  TLabel* label = AddLabel(&form, "AB");
  label->SetAlignment(taRightJustify);
  label->SetLeft(50);
  ASSERT_EQ(label->Width(), 12);
  label->SetCaption("ABCD");
  EXPECT_EQ(label->Left(), 38);
  EXPECT_EQ(label->Width(), 24);
}

TEST(TLabel, FixedSizeIsKeptAndAutoSizeAppliesWhenSwitchedOn) {
  TTextForm form;
  TLabel* label = AddLabel(&form, "ABC", false);
  label->SetBounds(0, 0, 50, 30);
  label->SetCaption("ABCDEFGHIJ");
  EXPECT_EQ(label->Width(), 50);
  EXPECT_EQ(label->Height(), 30);
  label->SetAutoSize(true);
  EXPECT_EQ(label->Width(), 60);
  EXPECT_EQ(label->Height(), 12);
}

TEST(TLabel, ALoadingLabelSizesOnceLoaded) {
  TTextForm form;
  auto* label = new TLabel(&form);
  TComponentLoader loader;
  loader.Add(label);
  label->SetParent(&form);
  label->SetCaption("ABCDE");
  EXPECT_EQ(label->Width(), 65);  // the design-time size until loaded
  loader.Loaded();
  EXPECT_EQ(label->Width(), 30);
}

TEST(TLabel, WordWrapBreaksAtBlanksWithinTheWidthAndAutoSizeGrowsDown) {
  TTextForm form;
  TLabel* label = AddLabel(&form, "AAA BBB CCC", false);
  label->SetBounds(0, 0, 40, 60);
  label->SetWordWrap(true);
  form.Show();
  Pump();
  // Three lines of three characters.
  EXPECT_LE(BoundsOfColor(&form, clBlack, Rect(0, 0, 120, 80)).right, 18);
  EXPECT_GT(CountOfColor(&form, clBlack, Rect(0, 24, 18, 36)), 0);
  EXPECT_EQ(CountOfColor(&form, clBlack, Rect(0, 36, 120, 80)), 0);

  label->SetAutoSize(true);
  EXPECT_EQ(label->Height(), 36);
  EXPECT_LE(label->Width(), 40);
}

// ---- placement ----

struct Placement {
  TAlignment alignment;
  TTextLayout layout;
  TRect cell;  // where the text "AB" must lie in a 60 by 36 label at (0, 0)
};

TEST(TLabel, AlignmentAndLayoutPlaceTheTextInsideTheLabelOnly) {
  const Placement placements[] = {
      {taLeftJustify, tlTop, Rect(0, 0, 12, 12)},     {taRightJustify, tlTop, Rect(48, 0, 60, 12)},
      {taCenter, tlTop, Rect(24, 0, 36, 12)},         {taLeftJustify, tlCenter, Rect(0, 12, 12, 24)},
      {taRightJustify, tlBottom, Rect(48, 24, 60, 36)}, {taCenter, tlCenter, Rect(24, 12, 36, 24)},
  };
  for (const Placement& p : placements) {
    TTextForm form;
    TLabel* label = AddLabel(&form, "AB", false);
    label->SetBounds(0, 0, 60, 36);
    label->SetAlignment(p.alignment);
    label->SetLayout(p.layout);
    form.Show();
    Pump();
    const TRect text = BoundsOfColor(&form, clBlack, Rect(0, 0, 120, 80));
    SCOPED_TRACE(testing::Message() << "alignment " << p.alignment << ", layout " << p.layout);
    EXPECT_GT(CountOfColor(&form, clBlack, p.cell), 0);
    EXPECT_GE(text.left, p.cell.left);
    EXPECT_GE(text.top, p.cell.top);
    EXPECT_LE(text.right, p.cell.right);
    EXPECT_LE(text.bottom, p.cell.bottom);
  }
}

TEST(TLabel, TheAcceleratorCharacterIsUnderlinedAndWithoutPrefixesTheAmpersandShows) {
  TTextForm form;
  TLabel* label = AddLabel(&form, "&A");
  label->SetTransparent(true);
  form.Show();
  Pump();
  // The underline runs along the whole cell of "A" near its bottom.
  int underlineRow = -1;
  for (int y = 8; y < 12; ++y)
    if (CountOfColor(&form, clBlack, Rect(0, y, 6, y + 1)) >= 5) underlineRow = y;
  EXPECT_NE(underlineRow, -1);
  EXPECT_EQ(CountOfColor(&form, clBlack, Rect(6, 0, 20, 12)), 0);  // no second character

  label->SetShowAccelChar(false);
  Pump();
  EXPECT_GT(CountOfColor(&form, clBlack, Rect(6, 0, 12, 12)), 0);  // the 'A' after a drawn '&'
  EXPECT_EQ(label->Width(), 12);
}

TEST(TLabel, AnOpaqueLabelFillsItsColourAndATransparentOneShowsWhatIsBehind) {
  TTextForm form;
  TLabel* label = AddLabel(&form, "A", false);
  label->SetBounds(10, 10, 30, 20);
  label->SetColor(clRed);
  form.Show();
  Pump();
  EXPECT_TRUE(label->ControlStyle().Contains(csOpaque));
  EXPECT_EQ(PixelAt(&form, 35, 25), clRed);

  label->SetTransparent(true);
  Pump();
  EXPECT_FALSE(label->ControlStyle().Contains(csOpaque));
  EXPECT_EQ(PixelAt(&form, 35, 25), clWhite);
  EXPECT_GT(CountOfColor(&form, clBlack, Rect(10, 10, 16, 22)), 0);
}

TEST(TLabel, DisabledTextIsEmbossedInTheButtonColours) {
  TTextForm form;
  TLabel* label = AddLabel(&form, "WWW");
  label->SetTransparent(true);
  label->SetEnabled(false);
  form.Show();
  Pump();
  const TRect all = Rect(0, 0, 30, 20);
  EXPECT_EQ(CountOfColor(&form, clBlack, all), 0);
  EXPECT_GT(CountOfColor(&form, clBtnShadow, all), 0);
  EXPECT_GT(CountOfColor(&form, clBtnHighlight, all), 0);
}

TEST(TLabel, JapaneseCaptionsMeasureTwoCellsPerCharacter) {
  TTextForm form;
  TLabel* label = AddLabel(&form, SJ("再生中"));
  EXPECT_EQ(label->Width(), 36);
  EXPECT_EQ(label->Height(), 12);
}

TEST(TLabel, FocusControlIsForgottenWhenItGoes) {
  TTextForm form;
  TLabel* label = AddLabel(&form, "&Name");
  auto* target = new TButton(&form);
  label->SetFocusControl(target);
  EXPECT_EQ(label->FocusControl(), target);
  delete target;
  EXPECT_EQ(label->FocusControl(), nullptr);
}

// ---- TButton ----

TEST(TButton, TheWindowIsThePlatformsButtonAndItsClickFiresOnClickOnce) {
  TTextForm form;
  auto* button = new TButton(&form);
  button->SetParent(&form);
  button->SetBounds(10, 10, 60, 24);
  int clicks = 0, downs = 0, ups = 0;
  button->OnClick = [&](TObject* sender) {
    EXPECT_EQ(sender, button);
    ++clicks;
  };
  button->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
  button->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { ++ups; };
  form.Show();
  Pump();
  const win::HWND hwnd = button->Handle();
  EXPECT_EQ(win::GetWindowLongA(hwnd, win::GWL_STYLE) & win::BS_TYPEMASK, static_cast<win::LONG>(win::BS_PUSHBUTTON));

  win::SendMessageA(hwnd, win::WM_LBUTTONDOWN, win::MK_LBUTTON, At(5, 5));
  EXPECT_EQ(win::SendMessageA(hwnd, win::BM_GETSTATE, 0, 0) & win::BST_PUSHED, win::BST_PUSHED);
  win::SendMessageA(hwnd, win::WM_LBUTTONUP, 0, At(5, 5));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(downs, 1);
  EXPECT_EQ(ups, 1);

  win::SendMessageA(hwnd, win::WM_LBUTTONDOWN, win::MK_LBUTTON, At(5, 5));
  win::SendMessageA(hwnd, win::WM_MOUSEMOVE, win::MK_LBUTTON, At(80, 5));
  win::SendMessageA(hwnd, win::WM_LBUTTONUP, 0, At(80, 5));
  EXPECT_EQ(clicks, 1);

  win::SendMessageA(hwnd, win::BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 2);
}

TEST(TButton, DefaultMakesTheDefaultPushButtonNowAndWhenTheWindowIsMadeAgain) {
  TTextForm form;
  auto* button = new TButton(&form);
  button->SetParent(&form);
  form.Show();
  Pump();
  button->SetDefault(true);
  const auto type = [&] { return win::GetWindowLongA(button->Handle(), win::GWL_STYLE) & win::BS_TYPEMASK; };
  EXPECT_EQ(type(), static_cast<win::LONG>(win::BS_DEFPUSHBUTTON));
  form.SetFormStyle(fsStayOnTop);  // re-creates the windows
  EXPECT_EQ(type(), static_cast<win::LONG>(win::BS_DEFPUSHBUTTON));
}

}  // namespace
