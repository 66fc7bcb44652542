#include "framework/Forms.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/tests/ControlsTestSupport.h"
#include "platform/Input.h"
#include "platform/Screen.h"
#include "platform/Window.h"

using controlstest::Pump;

namespace {

// A form with a class of its own, as programs make them.
class TFormKORUTest : public TForm {
 public:
  using TForm::TForm;
};

win::DWORD StyleOf(win::HWND handle) { return static_cast<win::DWORD>(win::GetWindowLongA(handle, win::GWL_STYLE)); }
win::DWORD ExStyleOf(win::HWND handle) {
  return static_cast<win::DWORD>(win::GetWindowLongA(handle, win::GWL_EXSTYLE));
}

TEST(FormsWindow, IsAHiddenTopLevelWindowOfItsClassName) {
  TFormKORUTest form(nullptr);
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(form.Color(), clBtnFace);
  const win::HWND handle = form.Handle();
  char name[64]{};
  win::GetClassNameA(handle, name, sizeof name);
  EXPECT_STREQ(name, "TFormKORUTest");
  EXPECT_TRUE(StyleOf(handle) & win::WS_POPUP);
  EXPECT_FALSE(StyleOf(handle) & win::WS_CHILD);
  EXPECT_TRUE(StyleOf(handle) & win::WS_CLIPCHILDREN);
  EXPECT_FALSE(win::IsWindowVisible(handle));
}

TEST(FormsWindow, BorderStyleAndIconsGiveTheFrame) {
  TForm form(nullptr);
  EXPECT_EQ(StyleOf(form.Handle()) & (win::WS_CAPTION | win::WS_THICKFRAME | win::WS_SYSMENU | win::WS_MINIMIZEBOX),
            win::WS_CAPTION | win::WS_THICKFRAME | win::WS_SYSMENU | win::WS_MINIMIZEBOX);
  form.SetBorderIcons({biSystemMenu});
  EXPECT_FALSE(StyleOf(form.Handle()) & win::WS_MINIMIZEBOX);
  form.SetBorderStyle(bsToolWindow);
  EXPECT_TRUE(ExStyleOf(form.Handle()) & win::WS_EX_TOOLWINDOW);
  EXPECT_FALSE(StyleOf(form.Handle()) & win::WS_THICKFRAME);
  form.SetBorderStyle(bsDialog);
  EXPECT_TRUE(ExStyleOf(form.Handle()) & win::WS_EX_DLGMODALFRAME);
  form.SetBorderIcons({});
  form.SetBorderStyle(bsNone);
  EXPECT_EQ(StyleOf(form.Handle()) & (win::WS_CAPTION | win::WS_THICKFRAME | win::WS_SYSMENU), 0u);
}

TEST(FormsWindow, ClientSizeSetsTheWindowSizeAndSurvivesABorderChange) {
  TForm form(nullptr);
  form.SetBorderStyle(bsSingle);
  form.SetClientWidth(320);
  form.SetClientHeight(60);
  EXPECT_GT(form.Width(), 320);
  win::RECT client{};
  win::GetClientRect(form.Handle(), &client);
  EXPECT_EQ(client.right, 320);
  EXPECT_EQ(client.bottom, 60);
  form.SetBorderStyle(bsNone);
  EXPECT_EQ(form.Width(), 320);
  EXPECT_EQ(form.Height(), 60);
  EXPECT_EQ(form.ClientWidth(), 320);
}

TEST(FormsWindow, StayOnTopRecreatesTheWindowWithTopmost) {
  TForm form(nullptr);
  form.SetBounds(30, 40, 200, 100);
  form.Show();
  const win::HWND normal = form.Handle();
  EXPECT_FALSE(ExStyleOf(normal) & win::WS_EX_TOPMOST);
  form.SetFormStyle(fsStayOnTop);
  const win::HWND topmost = form.Handle();
  EXPECT_NE(topmost, normal);
  EXPECT_FALSE(win::IsWindow(normal));
  EXPECT_TRUE(ExStyleOf(topmost) & win::WS_EX_TOPMOST);
  EXPECT_TRUE(win::IsWindowVisible(topmost));
  win::RECT rect{};
  win::GetWindowRect(topmost, &rect);
  EXPECT_EQ(rect.left, 30);
  EXPECT_EQ(rect.top, 40);
  form.SetFormStyle(fsNormal);
  EXPECT_FALSE(ExStyleOf(form.Handle()) & win::WS_EX_TOPMOST);
}

TEST(FormsWindow, StayOnTopBeforeTheWindowExistsMakesNone) {
  TForm form(nullptr);
  form.SetFormStyle(fsStayOnTop);
  EXPECT_FALSE(form.HandleAllocated());
  EXPECT_TRUE(ExStyleOf(form.Handle()) & win::WS_EX_TOPMOST);
}

TEST(FormsWindow, ScreenCenteredFormIsPlacedWhenFirstShown) {
  win::test::SetScreenSize(800, 600);
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 100);
  form.SetPosition(poScreenCenter);
  form.Show();
  EXPECT_EQ(form.Left(), 300);
  EXPECT_EQ(form.Top(), 250);
}

// ---- showing and closing ----

class FormsClose : public ::testing::Test {
 protected:
  void SetUp() override {
    form = new TForm(nullptr);
    form->OnDestroy = [this](TObject*) { destroyed = true; };
    form->OnHide = [this](TObject*) { events.push_back("hide"); };
    form->OnShow = [this](TObject*) { events.push_back("show"); };
    form->Show();
  }
  void TearDown() override {
    if (!destroyed) delete form;
  }
  void SetAction(TCloseAction action) {
    form->OnClose = [this, action](TObject* sender, TCloseAction& a) {
      EXPECT_EQ(sender, form);
      EXPECT_EQ(a, caHide);
      events.push_back("close");
      a = action;
    };
  }

  TForm* form = nullptr;
  bool destroyed = false;
  std::vector<std::string> events;
};

TEST_F(FormsClose, HidesByDefault) {
  SetAction(caHide);
  win::SendMessageA(form->Handle(), win::WM_CLOSE, 0, 0);
  EXPECT_FALSE(form->Visible());
  EXPECT_TRUE(win::IsWindow(form->Handle()));
  EXPECT_EQ(events, (std::vector<std::string>{"show", "close", "hide"}));
}

TEST_F(FormsClose, NoneKeepsTheFormAndQueryCanRefuse) {
  SetAction(caNone);
  form->Close();
  EXPECT_TRUE(form->Visible());
  form->OnCloseQuery = [](TObject*, bool& canClose) { canClose = false; };
  SetAction(caHide);
  form->Close();
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(events, (std::vector<std::string>{"show", "close"}));
}

TEST_F(FormsClose, FreeWaitsForTheMessageThatClosedIt) {
  SetAction(caFree);
  auto* button = new TGraphicControl(form);
  button->SetBounds(0, 0, 10, 10);
  button->SetParent(form);
  button->OnClick = [this](TObject*) { form->Close(); };
  const win::HWND handle = form->Handle();
  win::SendMessageA(handle, win::WM_LBUTTONDOWN, win::MK_LBUTTON, controlstest::At(5, 5));
  win::SendMessageA(handle, win::WM_LBUTTONUP, 0, controlstest::At(5, 5));
  EXPECT_FALSE(destroyed);
  Pump();
  EXPECT_TRUE(destroyed);
  EXPECT_FALSE(win::IsWindow(handle));
}

TEST_F(FormsClose, FreedFormLeavesTheScreenAndItsOwner) {
  TComponent owner(nullptr);
  owner.InsertComponent(form);
  const int forms = Screen->FormCount();
  SetAction(caFree);
  form->Close();
  Pump();
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(Screen->FormCount(), forms - 1);
  EXPECT_EQ(owner.ComponentCount(), 0);
}

TEST_F(FormsClose, ClosingTheMainFormEndsTheApplication) {
  TApplication application(nullptr);
  application.SetMainForm(form);
  SetAction(caHide);
  form->Close();
  application.ProcessMessages();
  EXPECT_TRUE(application.Terminated());
  delete form;
  destroyed = true;
  EXPECT_EQ(application.MainForm(), nullptr);
}

// ---- design-time building ----

class TBuiltForm : public TForm {
 public:
  explicit TBuiltForm(TComponent* AOwner) : TForm(AOwner) {
    TComponentLoader loader;
    loader.Add(this);
    SetBorderStyle(bsNone);
    SetClientWidth(320);
    SetClientHeight(60);
    SetCaption("Built");
    OnCreate = [this](TObject*) { createdWithChildren = ControlCount(); };
    Region = loader.Add(new TGraphicControl(this));
    Region->SetName("Region");
    Region->SetBounds(0, 0, 10, 10);
    Region->SetAlign(alClient);
    Region->SetParent(this);
    loader.Loaded();
  }
  TGraphicControl* Region;
  int createdWithChildren = -1;
};

TEST(FormsBuild, ChildrenAreAlignedAndOnCreateFiresOnceLoaded) {
  TBuiltForm form(nullptr);
  EXPECT_EQ(form.createdWithChildren, 1);
  EXPECT_FALSE(form.ComponentState().Contains(csLoading));
  EXPECT_FALSE(form.Region->ComponentState().Contains(csLoading));
  EXPECT_FALSE(form.HandleAllocated());
  EXPECT_EQ(form.Region->Width(), 320);
  EXPECT_EQ(form.Region->Height(), 60);
  EXPECT_EQ(form.Caption(), "Built");
  EXPECT_EQ(form.Region->Caption(), "Region");
}

// ---- screen ----

TEST(FormsScreen, SizeIsThePlatformsScreen) {
  win::test::SetScreenSize(800, 600);
  EXPECT_EQ(Screen->Width(), 800);
  EXPECT_EQ(Screen->Height(), 600);
}

TEST(FormsScreen, ListsTheFormsAndTheActiveOne) {
  const int before = Screen->FormCount();
  auto form = std::make_unique<TForm>(nullptr);
  EXPECT_EQ(Screen->FormCount(), before + 1);
  EXPECT_EQ(Screen->Forms(before), form.get());
  EXPECT_THROW(Screen->Forms(before + 1), EListError);
  int activated = 0;
  form->OnActivate = [&](TObject*) { ++activated; };
  win::SendMessageA(form->Handle(), win::WM_ACTIVATE, win::WA_ACTIVE, 0);
  EXPECT_EQ(activated, 1);
  EXPECT_TRUE(form->Active());
  EXPECT_EQ(Screen->ActiveForm(), form.get());
  form.reset();
  EXPECT_EQ(Screen->FormCount(), before);
  EXPECT_EQ(Screen->ActiveForm(), nullptr);
}

TEST(FormsScreen, HourGlassShowsTheWaitCursorUntilDefault) {
  Screen->SetCursor(crHourGlass);
  EXPECT_EQ(win::GetCursor(), win::LoadCursorA(nullptr, win::IDC_WAIT));
  Screen->SetCursor(crDefault);
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_NE(win::GetCursor(), win::LoadCursorA(nullptr, win::IDC_WAIT));
}

}  // namespace
