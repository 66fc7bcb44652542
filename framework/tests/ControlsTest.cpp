#include "framework/Controls.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/Offscreen.h"
#include "framework/tests/ControlsTestSupport.h"
#include "platform/Raster.h"
#include "platform/Input.h"
#include "platform/Menus.h"
#include "platform/Window.h"

using controlstest::At;
using controlstest::PixelAt;
using controlstest::Pump;
using controlstest::TFillControl;
using controlstest::THostForm;

namespace {

// A windowed control that paints nothing and erases nothing, so that what
// its parent drew under it stays visible.
class THollowControl : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;

 protected:
  void WMEraseBkgnd(TMessage& Message) override { Message.Result = 1; }
};

class TPanelLike : public TCustomControl {
 public:
  explicit TPanelLike(TComponent* AOwner) : TCustomControl(AOwner) {
    SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
  }
};

void ExpectBounds(TControl* control, int left, int top, int width, int height) {
  EXPECT_EQ(control->Left(), left) << control->Name();
  EXPECT_EQ(control->Top(), top) << control->Name();
  EXPECT_EQ(control->Width(), width) << control->Name();
  EXPECT_EQ(control->Height(), height) << control->Name();
}

// Controls of one alignment stack in the order of their places; one that
// ties with another goes first when it is the one that changed.
TGraphicControl* AddGraphic(TWinControl* parent, const char* name, TAlign align, TRect bounds) {
  auto* control = new TGraphicControl(parent);
  control->SetName(name);
  control->SetBoundsRect(bounds);
  control->SetAlign(align);
  control->SetParent(parent);
  return control;
}

// ---- alignment ----

TEST(ControlsAlign, StacksEachEdgeFromOutsideInAndGivesTheRestToTheClient) {
  THostForm form(nullptr, 200, 100);
  TControl* top2 = AddGraphic(&form, "top2", alTop, Bounds(0, 50, 5, 20));
  TControl* top1 = AddGraphic(&form, "top1", alTop, Bounds(0, 0, 5, 10));
  TControl* bottom = AddGraphic(&form, "bottom", alBottom, Bounds(0, 90, 5, 15));
  TControl* left = AddGraphic(&form, "left", alLeft, Bounds(0, 0, 30, 5));
  TControl* right = AddGraphic(&form, "right", alRight, Bounds(190, 0, 40, 5));
  TControl* client = AddGraphic(&form, "client", alClient, Bounds(0, 0, 1, 1));
  ExpectBounds(top1, 0, 0, 200, 10);
  ExpectBounds(top2, 0, 10, 200, 20);
  ExpectBounds(bottom, 0, 85, 200, 15);
  ExpectBounds(left, 0, 30, 30, 55);
  ExpectBounds(right, 160, 30, 40, 55);
  ExpectBounds(client, 30, 30, 130, 55);

  form.SetBounds(0, 0, 300, 200);
  ExpectBounds(top2, 0, 10, 300, 20);
  ExpectBounds(bottom, 0, 185, 300, 15);
  ExpectBounds(right, 260, 30, 40, 155);
  ExpectBounds(client, 30, 30, 230, 155);
}

TEST(ControlsAlign, FollowsChangesOfSizeVisibilityAndPlace) {
  THostForm form(nullptr, 200, 100);
  TControl* top1 = AddGraphic(&form, "top1", alTop, Bounds(0, 0, 5, 10));
  TControl* top2 = AddGraphic(&form, "top2", alTop, Bounds(0, 50, 5, 20));
  TControl* client = AddGraphic(&form, "client", alClient, Bounds(0, 0, 1, 1));

  top1->SetHeight(25);
  ExpectBounds(top2, 0, 25, 200, 20);
  ExpectBounds(client, 0, 45, 200, 55);

  top1->Hide();
  ExpectBounds(top2, 0, 0, 200, 20);
  ExpectBounds(client, 0, 20, 200, 80);
  top1->Show();
  ExpectBounds(top1, 0, 0, 200, 25);

  // Moved to the top edge, the second takes the first place.
  top2->SetTop(0);
  ExpectBounds(top2, 0, 0, 200, 20);
  ExpectBounds(top1, 0, 20, 200, 25);

  top1->SetAlign(alNone);
  ExpectBounds(client, 0, 20, 200, 80);
  delete top2;
  ExpectBounds(client, 0, 0, 200, 100);
}

TEST(ControlsAlign, WaitsForLoadedWhileABuilderSetsTheChildren) {
  THostForm form(nullptr, 200, 100);
  TComponentLoader loader;
  loader.Add(&form);
  auto* top = loader.Add(new TGraphicControl(&form));
  top->SetBounds(3, 4, 5, 10);
  top->SetAlign(alTop);
  top->SetParent(&form);
  ExpectBounds(top, 3, 4, 5, 10);
  loader.Loaded();
  ExpectBounds(top, 0, 0, 200, 10);
}

TEST(ControlsAlign, AlignsInsideAFormsClientArea) {
  TForm form(nullptr);
  form.SetBorderStyle(bsSingle);
  form.SetClientWidth(120);
  form.SetClientHeight(50);
  TControl* client = AddGraphic(&form, "client", alClient, Bounds(0, 0, 1, 1));
  ExpectBounds(client, 0, 0, 120, 50);
  form.HandleNeeded();
  ExpectBounds(client, 0, 0, 120, 50);
}

// ---- colour, font, text ----

TEST(ControlsParentValues, ColourAndFontFollowTheParentUntilSetOwn) {
  THostForm form(nullptr);
  auto* panel = new TPanelLike(&form);
  panel->SetParent(&form);
  auto* inner = new TGraphicControl(&form);
  inner->SetParent(panel);
  auto* own = new TGraphicControl(&form);
  own->SetParent(panel);
  own->SetColor(clYellow);
  own->Font()->SetHeight(-20);
  EXPECT_FALSE(own->ParentColor());
  EXPECT_FALSE(own->ParentFont());

  EXPECT_EQ(panel->Color(), clBlue);
  EXPECT_EQ(inner->Color(), clBlue);
  form.SetColor(clRed);
  EXPECT_EQ(panel->Color(), clRed);
  EXPECT_EQ(inner->Color(), clRed);
  EXPECT_EQ(own->Color(), clYellow);
  EXPECT_EQ(panel->Brush()->Color(), clRed);

  form.Font()->SetHeight(-30);
  form.Font()->SetName("Courier");
  EXPECT_EQ(inner->Font()->Height(), -30);
  EXPECT_EQ(inner->Font()->Name(), "Courier");
  EXPECT_TRUE(inner->ParentFont());
  EXPECT_EQ(own->Font()->Height(), -20);

  own->SetParentColor(true);
  EXPECT_EQ(own->Color(), clRed);
  own->SetParentFont(true);
  EXPECT_EQ(own->Font()->Height(), -30);

  form.SetShowHint(true);
  EXPECT_TRUE(inner->ShowHint());
  inner->SetShowHint(false);
  form.SetShowHint(false);
  form.SetShowHint(true);
  EXPECT_FALSE(inner->ShowHint());

  // A control that moves to another parent takes the new parent's.
  inner->SetParent(&form);
  form.SetColor(clGreen);
  EXPECT_EQ(inner->Color(), clGreen);
}

TEST(ControlsText, WindowedControlKeepsItsTextInItsWindowAndAcrossRecreation) {
  THostForm form(nullptr);
  form.SetText("before");
  EXPECT_EQ(form.Caption(), "before");
  char buffer[32]{};
  win::GetWindowTextA(form.Handle(), buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "before");
  win::SetWindowTextA(form.Handle(), "from outside");
  EXPECT_EQ(form.Text(), "from outside");
  form.SetFormStyle(fsStayOnTop);
  EXPECT_EQ(form.Text(), "from outside");

  TGraphicControl label(nullptr);
  label.SetCaption(std::string(300, 'x'));
  EXPECT_EQ(label.Caption().size(), 300u);
}

TEST(ControlsText, ANewControlTakesItsNameAsCaption) {
  TGraphicControl control(nullptr);
  control.SetName("Label1");
  EXPECT_EQ(control.Caption(), "Label1");
  control.SetName("Label2");
  EXPECT_EQ(control.Caption(), "Label2");
  control.SetCaption("Title");
  control.SetName("Label3");
  EXPECT_EQ(control.Caption(), "Title");
}

// ---- painting ----

TEST(ControlsPaint, ParentPaintsGraphicChildrenInZOrderClippedToTheirBounds) {
  THostForm form(nullptr);
  auto* red = new TFillControl(&form, clRed);
  red->SetBounds(10, 10, 20, 20);
  red->SetParent(&form);
  auto* lime = new TFillControl(&form, clLime);
  lime->SetBounds(25, 25, 20, 20);
  lime->SetParent(&form);
  auto* hidden = new TFillControl(&form, clYellow);
  hidden->SetBounds(50, 5, 10, 10);
  hidden->SetVisible(false);
  hidden->SetParent(&form);
  form.Show();
  Pump();

  EXPECT_EQ(PixelAt(&form, 15, 15), clRed);
  EXPECT_EQ(PixelAt(&form, 27, 27), clLime);  // the later child lies above
  EXPECT_EQ(PixelAt(&form, 9, 9), clBlue);    // the fill past the bounds is cut
  EXPECT_EQ(PixelAt(&form, 46, 46), clBlue);
  EXPECT_EQ(PixelAt(&form, 55, 10), clBlue);
  EXPECT_EQ(hidden->paints, 0);

  red->BringToFront();
  Pump();
  EXPECT_EQ(PixelAt(&form, 27, 27), clRed);

  red->Hide();
  Pump();
  EXPECT_EQ(PixelAt(&form, 15, 15), clBlue);
}

TEST(ControlsPaint, ChildMovedRepaintsBothPlaces) {
  THostForm form(nullptr);
  auto* red = new TFillControl(&form, clRed);
  red->SetBounds(10, 10, 10, 10);
  red->SetParent(&form);
  form.Show();
  Pump();
  red->SetLeft(60);
  Pump();
  EXPECT_EQ(PixelAt(&form, 15, 15), clBlue);
  EXPECT_EQ(PixelAt(&form, 65, 15), clRed);
}

// A form that, like a skinned one, lets its painting run under its windowed children.
class TUnclippedForm : public THostForm {
 public:
  using THostForm::THostForm;

 protected:
  void CreateParams(TCreateParams& Params) override {
    THostForm::CreateParams(Params);
    Params.Style &= ~(win::WS_CLIPCHILDREN | win::WS_CLIPSIBLINGS);
  }
};

TEST(ControlsPaint, OnlyAParentWithoutClipChildrenPaintsUnderAWindowedChild) {
  auto paintUnder = [](THostForm& form) {
    form.OnPaint = [&form](TObject*) {
      form.Canvas()->Brush()->SetColor(clFuchsia);
      form.Canvas()->FillRect(Rect(0, 0, 100, 60));
    };
    auto* child = new THollowControl(&form);
    child->SetBounds(20, 20, 30, 30);
    child->SetParent(&form);
    form.Show();
    Pump();
    return PixelAt(&form, 30, 30);
  };
  THostForm clipping(nullptr);
  TUnclippedForm unclipped(nullptr);
  EXPECT_NE(paintUnder(clipping), clFuchsia);
  EXPECT_EQ(paintUnder(unclipped), clFuchsia);
}

TEST(ControlsPaint, BackgroundIsErasedWithTheColour) {
  THostForm form(nullptr);
  auto* panel = new TPanelLike(&form);
  panel->SetBounds(10, 10, 30, 30);
  panel->SetColor(clYellow);
  panel->SetParent(&form);
  form.Show();
  Pump();
  EXPECT_EQ(PixelAt(&form, 5, 5), clBlue);
  EXPECT_EQ(PixelAt(panel, 5, 5), clYellow);
  panel->SetColor(clAqua);
  Pump();
  EXPECT_EQ(PixelAt(panel, 5, 5), clAqua);
}

// A form that counts its background erasures.
class TErasingForm : public THostForm {
 public:
  using THostForm::THostForm;
  int erased = 0;

 protected:
  void WMEraseBkgnd(TMessage& Message) override {
    ++erased;
    THostForm::WMEraseBkgnd(Message);
  }
};

TEST(ControlsPaint, OnlyAGraphicChildThatIsNotOpaqueHasItsParentErasedBehindIt) {
  TErasingForm form(nullptr);
  auto* child = new TFillControl(&form, clRed);
  child->SetBounds(10, 10, 10, 10);
  child->SetParent(&form);
  form.Show();
  Pump();
  form.erased = 0;
  child->Invalidate();
  Pump();
  EXPECT_EQ(form.erased, 1);
  child->SetControlStyle(child->ControlStyle() + TControlStyle{csOpaque});
  const int paints = child->paints;
  child->Invalidate();
  Pump();
  EXPECT_EQ(form.erased, 1);
  EXPECT_EQ(child->paints, paints + 1);
  // An opaque control repaints at once, without a message.
  child->Repaint();
  EXPECT_EQ(child->paints, paints + 2);
}

// Records whether it was painted as a copy.
class TCopyWatcher : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;
  std::vector<bool> copies;

 protected:
  void Paint() override { copies.push_back(ControlState().Contains(csPaintCopy)); }
};

TEST(ControlsPaint, PaintToDrawsTheControlAndItsChildrenAsACopy) {
  THostForm form(nullptr);
  auto* red = new TFillControl(&form, clRed);
  red->SetBounds(10, 10, 10, 10);
  red->SetParent(&form);
  auto* panel = new TPanelLike(&form);
  panel->SetBounds(40, 10, 10, 10);
  panel->SetColor(clYellow);
  panel->SetParent(&form);
  auto* watcher = new TCopyWatcher(&form);
  watcher->SetBounds(0, 0, 5, 5);
  watcher->SetParent(&form);
  form.Show();
  Pump();
  EXPECT_EQ(watcher->copies, std::vector<bool>{false});

  TMemoryDC copy(120, 80);
  form.PaintTo(copy.Handle(), 10, 5);
  EXPECT_EQ(win::GetPixel(copy.Handle(), 15, 10), clBlue);
  EXPECT_EQ(win::GetPixel(copy.Handle(), 25, 20), clRed);
  EXPECT_EQ(win::GetPixel(copy.Handle(), 55, 20), clYellow);
  EXPECT_EQ(win::GetPixel(copy.Handle(), 5, 5), clBlack);  // outside the copy
  EXPECT_EQ(watcher->copies, (std::vector<bool>{false, true}));
  EXPECT_FALSE(form.ControlState().Contains(csPaintCopy));
}

// ---- mouse ----

struct MouseLog {
  std::vector<std::string> events;
  void Attach(TControl* control, const std::string& name) {
    control->OnMouseDown = [this, name](TObject*, TMouseButton button, TShiftState shift, int x, int y) {
      events.push_back(name + " down " + std::to_string(button) + " " + std::to_string(x) + "," + std::to_string(y) +
                       (shift.Contains(ssLeft) ? " L" : "") + (shift.Contains(ssDouble) ? " D" : ""));
    };
    control->OnMouseMove = [this, name](TObject*, TShiftState, int x, int y) {
      events.push_back(name + " move " + std::to_string(x) + "," + std::to_string(y));
    };
    control->OnMouseUp = [this, name](TObject*, TMouseButton, TShiftState, int x, int y) {
      events.push_back(name + " up " + std::to_string(x) + "," + std::to_string(y));
    };
    control->OnClick = [this, name](TObject*) { events.push_back(name + " click"); };
    control->OnDblClick = [this, name](TObject*) { events.push_back(name + " dblclick"); };
  }
};

class ControlsMouse : public ::testing::Test {
 protected:
  void SetUp() override {
    child = new TGraphicControl(&form);
    child->SetBounds(10, 10, 20, 20);
    child->SetParent(&form);
    above = new TGraphicControl(&form);
    above->SetBounds(25, 25, 20, 20);
    above->SetParent(&form);
    log.Attach(&form, "form");
    log.Attach(child, "child");
    log.Attach(above, "above");
    form.Show();
  }
  void Send(win::UINT message, win::WPARAM keys, int x, int y) {
    win::SendMessageA(form.Handle(), message, keys, At(x, y));
  }

  THostForm form{nullptr};
  TGraphicControl* child = nullptr;
  TGraphicControl* above = nullptr;
  MouseLog log;
};

TEST_F(ControlsMouse, GraphicChildGetsTheMouseInItsOwnCoordinatesAndClicksOnReleaseInside) {
  Send(win::WM_MOUSEMOVE, 0, 12, 13);
  Send(win::WM_LBUTTONDOWN, win::MK_LBUTTON, 15, 16);
  EXPECT_TRUE(child->ControlState().Contains(csLButtonDown));
  EXPECT_TRUE(child->MouseCapture());
  Send(win::WM_LBUTTONUP, 0, 16, 17);
  EXPECT_FALSE(child->MouseCapture());
  EXPECT_EQ(log.events, (std::vector<std::string>{"child move 2,3", "child down 0 5,6 L", "child click", "child up 6,7"}));
}

TEST_F(ControlsMouse, ThePressedChildKeepsTheMouseAndReleaseOutsideMakesNoClick) {
  Send(win::WM_LBUTTONDOWN, win::MK_LBUTTON, 15, 15);
  Send(win::WM_MOUSEMOVE, win::MK_LBUTTON, 80, 50);
  Send(win::WM_LBUTTONUP, 0, 80, 50);
  EXPECT_EQ(log.events, (std::vector<std::string>{"child down 0 5,5 L", "child move 70,40", "child up 70,40"}));
  log.events.clear();
  Send(win::WM_MOUSEMOVE, 0, 80, 50);  // free again: the form's own
  EXPECT_EQ(log.events, std::vector<std::string>{"form move 80,50"});
}

TEST_F(ControlsMouse, TopmostVisibleEnabledChildUnderThePointWins) {
  Send(win::WM_LBUTTONDOWN, win::MK_LBUTTON, 27, 27);
  Send(win::WM_LBUTTONUP, 0, 27, 27);
  above->SetEnabled(false);
  Send(win::WM_LBUTTONDOWN, win::MK_LBUTTON, 27, 27);
  Send(win::WM_LBUTTONUP, 0, 27, 27);
  child->Hide();
  Send(win::WM_LBUTTONDOWN, win::MK_LBUTTON, 27, 27);
  Send(win::WM_LBUTTONUP, 0, 27, 27);
  EXPECT_EQ(log.events, (std::vector<std::string>{"above down 0 2,2 L", "above click", "above up 2,2",
                                                  "child down 0 17,17 L", "child click", "child up 17,17",
                                                  "form down 0 27,27 L", "form click", "form up 27,27"}));
}

TEST_F(ControlsMouse, DoubleClickAndRightButton) {
  Send(win::WM_LBUTTONDBLCLK, win::MK_LBUTTON, 15, 15);
  Send(win::WM_LBUTTONUP, 0, 15, 15);
  Send(win::WM_RBUTTONDOWN, win::MK_RBUTTON, 15, 15);
  Send(win::WM_RBUTTONUP, 0, 15, 15);
  EXPECT_EQ(log.events, (std::vector<std::string>{"child dblclick", "child down 0 5,5 L D", "child up 5,5",
                                                  "child down 1 5,5", "child up 5,5"}));
  // Without csDoubleClicks the second press is a press like the first.
  log.events.clear();
  child->SetControlStyle(child->ControlStyle() - TControlStyle{csDoubleClicks});
  Send(win::WM_LBUTTONDBLCLK, win::MK_LBUTTON, 15, 15);
  Send(win::WM_LBUTTONUP, 0, 15, 15);
  EXPECT_EQ(log.events, (std::vector<std::string>{"child down 0 5,5 L", "child click", "child up 5,5"}));
}

TEST_F(ControlsMouse, ThePlatformsCaptureDecidesWhoKeepsTheMouse) {
  // A handler that takes the capture for the window again, as a drag does.
  child->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { win::SetCapture(form.Handle()); };
  Send(win::WM_LBUTTONDOWN, win::MK_LBUTTON, 15, 15);
  EXPECT_EQ(GetCaptureControl(), child);
  Send(win::WM_MOUSEMOVE, win::MK_LBUTTON, 80, 50);
  EXPECT_EQ(log.events.back(), "child move 70,40");
  win::ReleaseCapture();
  EXPECT_EQ(GetCaptureControl(), nullptr);
  Send(win::WM_MOUSEMOVE, win::MK_LBUTTON, 80, 50);
  EXPECT_EQ(log.events.back(), "form move 80,50");
}

TEST_F(ControlsMouse, AControlGoneWhileHoldingTheMouseLetsGo) {
  Send(win::WM_LBUTTONDOWN, win::MK_LBUTTON, 15, 15);
  delete child;
  EXPECT_EQ(GetCaptureControl(), nullptr);
  Send(win::WM_LBUTTONUP, 0, 15, 15);
  EXPECT_EQ(log.events.back(), "form up 15,15");
}

TEST_F(ControlsMouse, AnExceptionOfAHandlerGoesToTheApplication) {
  TApplication application(nullptr);
  std::string reported;
  application.OnException = [&](TObject*, Exception* e) { reported = e->Message; };
  child->OnClick = [](TObject*) { throw Exception("broken"); };
  Send(win::WM_LBUTTONDOWN, win::MK_LBUTTON, 15, 15);
  Send(win::WM_LBUTTONUP, 0, 15, 15);
  EXPECT_EQ(reported, "broken");
}

// A right release shows the popup menu of the control under it, else of
// the nearest parent that has one; the chosen item tells which menu showed.
TEST_F(ControlsMouse, ARightReleaseShowsThePopupMenuOfTheControlOrItsParent) {
  std::vector<std::string> clicked;
  const auto menuWithItem = [&](const char* caption) {
    auto* menu = new TPopupMenu(&form);
    auto* item = new TMenuItem(menu);
    item->SetCaption(caption);
    item->OnClick = [&clicked, caption](TObject*) { clicked.push_back(caption); };
    menu->Items()->Add(item);
    return menu;
  };
  TPopupMenu* formMenu = menuWithItem("Form");
  TPopupMenu* childMenu = menuWithItem("Child");
  form.SetPopupMenu(formMenu);
  child->SetPopupMenu(childMenu);
  auto* windowed = new THollowControl(&form);
  windowed->SetBounds(60, 10, 20, 20);
  windowed->SetParent(&form);

  win::test::QueueMenuChoice(std::vector<std::string>{"Child"});
  Send(win::WM_RBUTTONUP, 0, 15, 15);  // over the child
  EXPECT_EQ(childMenu->PopupComponent, child);
  win::test::QueueMenuChoice(std::vector<std::string>{"Form"});
  Send(win::WM_RBUTTONUP, 0, 40, 40);  // over the child above, which has no menu
  win::test::QueueMenuChoice(std::vector<std::string>{"Form"});
  win::SendMessageA(windowed->Handle(), win::WM_RBUTTONUP, 0, At(5, 5));  // a windowed child without one
  EXPECT_EQ(formMenu->PopupComponent, &form);
  childMenu->AutoPopup = false;  // the child's menu stays down: the request goes on to the form
  win::test::QueueMenuChoice(std::vector<std::string>{"Form"});
  Send(win::WM_RBUTTONUP, 0, 15, 15);
  EXPECT_EQ(clicked, (std::vector<std::string>{"Child", "Form", "Form", "Form"}));
  EXPECT_EQ(win::test::PendingMenuChoices(), 0u);
}

// ---- windows ----

class TBoxControl : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  using TWinControl::RecreateWnd;
  std::vector<win::UINT> commands;
  std::vector<win::UINT> drawnItems;

 protected:
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == CN_COMMAND) commands.push_back(static_cast<win::UINT>(Message.WParam));
    if (Message.Msg == CN_DRAWITEM) {
      drawnItems.push_back(reinterpret_cast<const win::DRAWITEMSTRUCT*>(Message.LParam)->itemID);
      Message.Result = 1;
      return;
    }
    TCustomControl::Dispatch(Message);
  }
};

TEST(ControlsWindow, HandlesAreMadeOnDemandWithTheParentsAndTheClassName) {
  THostForm form(nullptr);
  auto* box = new TBoxControl(&form);
  box->SetBounds(5, 6, 30, 20);
  box->SetParent(&form);
  EXPECT_FALSE(form.HandleAllocated());
  EXPECT_FALSE(box->HandleAllocated());
  const win::HWND handle = box->Handle();
  EXPECT_TRUE(form.HandleAllocated());
  EXPECT_EQ(win::GetParent(handle), form.Handle());
  EXPECT_EQ(FindControl(handle), box);
  char name[64]{};
  win::GetClassNameA(handle, name, sizeof name);
  EXPECT_STREQ(name, "TBoxControl");
  win::RECT rect{};
  win::GetWindowRect(handle, &rect);
  EXPECT_EQ(rect.left, 5);
  EXPECT_EQ(rect.right - rect.left, 30);

  auto* late = new TBoxControl(&form);
  late->SetParent(&form);
  EXPECT_TRUE(late->HandleAllocated());  // a parent with a window makes its new children's
}

TEST(ControlsWindow, RecreateKeepsBoundsTextChildrenAndVisibility) {
  THostForm form(nullptr);
  auto* box = new TBoxControl(&form);
  box->SetBounds(5, 6, 30, 20);
  box->SetParent(&form);
  auto* inner = new TBoxControl(&form);
  inner->SetBounds(2, 3, 10, 10);
  inner->SetParent(box);
  auto* hidden = new TBoxControl(&form);
  hidden->SetVisible(false);
  hidden->SetParent(box);
  box->SetText("box");
  form.Show();
  const win::HWND oldBox = box->Handle(), oldInner = inner->Handle();

  box->RecreateWnd();
  EXPECT_NE(box->Handle(), oldBox);
  EXPECT_FALSE(win::IsWindow(oldBox));
  EXPECT_FALSE(win::IsWindow(oldInner));
  EXPECT_TRUE(inner->HandleAllocated());
  EXPECT_EQ(win::GetParent(inner->Handle()), box->Handle());
  EXPECT_EQ(FindControl(oldBox), nullptr);
  ExpectBounds(box, 5, 6, 30, 20);
  ExpectBounds(inner, 2, 3, 10, 10);
  EXPECT_EQ(box->Text(), "box");
  EXPECT_TRUE(win::IsWindowVisible(inner->Handle()));
  EXPECT_FALSE(win::IsWindowVisible(hidden->Handle()));
  EXPECT_EQ(box->ControlCount(), 2);
}

TEST(ControlsWindow, ChildWithoutParentHasNoWindow) {
  TBoxControl box(nullptr);
  EXPECT_THROW(box.Handle(), EInvalidOperation);
  EXPECT_FALSE(box.HandleAllocated());
  EXPECT_THROW(box.SetParent(&box), EInvalidOperation);
}

// A control whose window refuses to be made.
class TRefusingControl : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;

 protected:
  void WndProc(TMessage& Message) override {
    if (Message.Msg == win::WM_CREATE)
      Message.Result = -1;
    else
      TCustomControl::WndProc(Message);
  }
};

TEST(ControlsWindow, AWindowThatFailsToBeMadeLeavesNoHandle) {
  THostForm form(nullptr);
  auto* refusing = new TRefusingControl(&form);
  refusing->SetParent(&form);
  EXPECT_THROW(form.HandleNeeded(), EOSError);
  EXPECT_TRUE(form.HandleAllocated());
  EXPECT_FALSE(refusing->HandleAllocated());
  EXPECT_THROW(refusing->Handle(), EOSError);
  EXPECT_FALSE(refusing->HandleAllocated());
  delete refusing;  // nothing of it stays behind in the form
  EXPECT_EQ(form.ControlCount(), 0);
}

TEST(ControlsWindow, ChildWindowsCommandsAndDrawingComeBackToTheChild) {
  THostForm form(nullptr);
  auto* box = new TBoxControl(&form);
  box->SetParent(&form);
  win::SendMessageA(form.Handle(), win::WM_COMMAND, 7, reinterpret_cast<win::LPARAM>(box->Handle()));
  EXPECT_EQ(box->commands, std::vector<win::UINT>{7});
  win::DRAWITEMSTRUCT item{};
  item.CtlType = win::ODT_BUTTON;
  item.itemID = 3;
  item.hwndItem = box->Handle();
  EXPECT_EQ(win::SendMessageA(form.Handle(), win::WM_DRAWITEM, 0, reinterpret_cast<win::LPARAM>(&item)), 1);
  EXPECT_EQ(box->drawnItems, std::vector<win::UINT>{3});
  item.hwndItem = form.Handle();  // not a child: the form's own
  EXPECT_EQ(win::SendMessageA(form.Handle(), win::WM_DRAWITEM, 0, reinterpret_cast<win::LPARAM>(&item)), 0);
  EXPECT_EQ(box->drawnItems.size(), 1u);
}

TEST(ControlsWindow, DestroyingAParentWithoutFreeingItsChildrenLeavesThemUsable) {
  TBoxControl box(nullptr);
  {
    THostForm form(nullptr);
    box.SetParent(&form);
    box.HandleNeeded();
  }
  EXPECT_EQ(box.Parent(), nullptr);
  EXPECT_FALSE(box.HandleAllocated());
}

TEST(ControlsWindow, FamilyQueries) {
  THostForm form(nullptr);
  auto* box = new TBoxControl(&form);
  box->SetBounds(10, 10, 40, 40);
  box->SetParent(&form);
  auto* inner = new TGraphicControl(&form);
  inner->SetBounds(5, 5, 10, 10);
  inner->SetParent(box);
  EXPECT_TRUE(form.ContainsControl(inner));
  EXPECT_FALSE(box->ContainsControl(&form));
  EXPECT_EQ(form.ControlAtPos(Point(12, 12), false), nullptr);
  EXPECT_EQ(form.ControlAtPos(Point(12, 12), false, true), box);
  EXPECT_EQ(box->ControlAtPos(Point(6, 6), false), inner);
  EXPECT_THROW(form.Controls(1), EListError);
  EXPECT_EQ(GetParentForm(inner), &form);
  EXPECT_EQ(inner->ClientOrigin().x, 15);

  auto* second = new TBoxControl(&form);
  second->SetParent(&form);
  EXPECT_EQ(box->TabOrder(), 0);
  second->SetTabOrder(0);
  EXPECT_EQ(box->TabOrder(), 1);
  EXPECT_EQ(second->TabOrder(), 0);

  int seen = 0;
  inner->OnClick = [&](TObject*) { ++seen; };
  TMessage message{CM_TEXTCHANGED, 0, 0, 0};
  form.Broadcast(message);
  EXPECT_EQ(seen, 0);
}

TEST(ControlsWindow, TheCursorOfTheControlIsSetOverItsClientArea) {
  THostForm form(nullptr);
  const win::LPARAM overClient = win::MAKELPARAM(static_cast<win::WORD>(win::HTCLIENT), win::WM_MOUSEMOVE);
  form.SetCursor(crHandPoint);
  EXPECT_NE(win::SendMessageA(form.Handle(), win::WM_SETCURSOR, 0, overClient), 0);
  EXPECT_EQ(win::GetCursor(), win::LoadCursorA(nullptr, win::IDC_HAND));
  Screen->SetCursor(crHourGlass);
  win::SendMessageA(form.Handle(), win::WM_SETCURSOR, 0, overClient);
  EXPECT_EQ(win::GetCursor(), win::LoadCursorA(nullptr, win::IDC_WAIT));
  Screen->SetCursor(crDefault);
  form.SetCursor(crDefault);
  win::SendMessageA(form.Handle(), win::WM_SETCURSOR, 0, overClient);
  EXPECT_EQ(win::GetCursor(), win::LoadCursorA(nullptr, win::IDC_ARROW));  // the window class's
}

TEST(ControlsPopupMenu, AControlForgetsItsMenuWhenTheMenuGoes) {
  TGraphicControl control(nullptr);
  auto* menu = new TPopupMenu(nullptr);
  control.SetPopupMenu(menu);
  EXPECT_EQ(control.PopupMenu(), menu);
  delete menu;
  EXPECT_EQ(control.PopupMenu(), nullptr);

  // A control that goes first is not told about the menu afterwards.
  auto kept = std::make_unique<TPopupMenu>(nullptr);
  {
    TGraphicControl gone(nullptr);
    gone.SetPopupMenu(kept.get());
  }
  control.SetPopupMenu(kept.get());
  control.SetPopupMenu(nullptr);
  kept.reset();
  EXPECT_EQ(control.PopupMenu(), nullptr);
}

// ---- keys and focus ----

TEST(ControlsKeys, AFormWithKeyPreviewSeesKeysFirstAndCanTakeThem) {
  THostForm form(nullptr);
  auto* box = new TBoxControl(&form);
  box->SetParent(&form);
  std::vector<std::string> order;
  form.OnKeyDown = [&](TObject*, win::WORD& key, TShiftState) {
    order.push_back("form " + std::to_string(key));
    if (key == 'X') key = 0;
  };
  box->OnKeyDown = [&](TObject*, win::WORD& key, TShiftState) { order.push_back("box " + std::to_string(key)); };
  form.OnKeyPress = [&](TObject*, char& key) { order.push_back(std::string("form press ") + key); };
  box->OnKeyPress = [&](TObject*, char& key) { order.push_back(std::string("box press ") + key); };
  const win::HWND handle = box->Handle();

  win::SendMessageA(handle, win::WM_KEYDOWN, 'A', 0);
  EXPECT_EQ(order, (std::vector<std::string>{"box 65"}));
  form.SetKeyPreview(true);
  order.clear();
  win::SendMessageA(handle, win::WM_KEYDOWN, 'A', 0);
  win::SendMessageA(handle, win::WM_KEYDOWN, 'X', 0);
  win::SendMessageA(handle, win::WM_CHAR, 'q', 0);
  EXPECT_EQ(order, (std::vector<std::string>{"form 65", "box 65", "form 88", "form press q", "box press q"}));
}

TEST(ControlsKeys, AltComesFromTheKeyData) {
  THostForm form(nullptr);
  TShiftState seen;
  form.OnKeyDown = [&](TObject*, win::WORD&, TShiftState shift) { seen = shift; };
  win::SendMessageA(form.Handle(), win::WM_SYSKEYDOWN, 'F', 0x20000000);
  EXPECT_TRUE(seen.Contains(ssAlt));
}

TEST(ControlsFocus, OnlyAVisibleEnabledControlCanTakeTheFocus) {
  THostForm form(nullptr);
  auto* box = new TBoxControl(&form);
  box->SetParent(&form);
  form.Show();
  box->SetEnabled(false);
  EXPECT_FALSE(box->CanFocus());
  EXPECT_THROW(box->SetFocus(), EInvalidOperation);
  EXPECT_FALSE(win::IsWindowEnabled(box->Handle()));
  box->SetEnabled(true);
  int entered = 0;
  box->OnEnter = [&](TObject*) { ++entered; };
  box->SetFocus();
  EXPECT_TRUE(box->Focused());
  EXPECT_EQ(entered, 1);
}

}  // namespace
