#include "framework/Dialogs.h"

#include <gtest/gtest.h>

#include <memory>

#include "framework/Application.h"
#include "platform/Presenter.h"
#include "platform/Text.h"

namespace {

class DialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    win::SetPresenter(presenter);
    app.SetTitle("Player");
  }
  void TearDown() override { win::SetPresenter(nullptr); }

  win::test::ScriptedPresenter::Dialog Show(TMsgDlgType type, TMsgDlgButtons buttons, int answer = win::IDOK) {
    presenter->QueueAnswer(answer);
    EXPECT_EQ(MessageDlg("text", type, buttons, 0), answer);
    return presenter->Dialogs().back();
  }

  TApplication app{nullptr};
  std::shared_ptr<win::test::ScriptedPresenter> presenter = std::make_shared<win::test::ScriptedPresenter>();
};

TEST_F(DialogsTest, EachTypeHasItsStandardTitleAndIcon) {
  struct Case {
    TMsgDlgType type;
    std::string caption;
    win::UINT icon;
  };
  const Case cases[] = {
      {mtWarning, SJ("警告"), win::MB_ICONWARNING},
      {mtError, SJ("エラー"), win::MB_ICONERROR},
      {mtInformation, SJ("情報"), win::MB_ICONINFORMATION},
      {mtConfirmation, SJ("確認"), win::MB_ICONQUESTION},
      {mtCustom, "Player", 0},
  };
  for (const Case& c : cases) {
    const auto dialog = Show(c.type, {mbOK});
    EXPECT_EQ(dialog.caption, c.caption);
    EXPECT_EQ(dialog.text, "text");
    EXPECT_EQ(dialog.style, win::MB_OK | c.icon);
    EXPECT_EQ(dialog.owner, app.Handle());
  }
}

TEST_F(DialogsTest, ButtonSetsTakeTheMessageBoxSetThatHoldsThem) {
  EXPECT_EQ(Show(mtCustom, {mbOK}).style, win::MB_OK);
  EXPECT_EQ(Show(mtCustom, {}).style, win::MB_OK);
  EXPECT_EQ(Show(mtCustom, mbOKCancel, mrCancel).style, win::MB_OKCANCEL);
  EXPECT_EQ(Show(mtCustom, {mbYes, mbNo}, mrNo).style, win::MB_YESNO);
  EXPECT_EQ(Show(mtCustom, mbYesNoCancel, mrYes).style, win::MB_YESNOCANCEL);
  EXPECT_EQ(Show(mtCustom, {mbRetry, mbCancel}, mrRetry).style, win::MB_RETRYCANCEL);
  EXPECT_EQ(Show(mtCustom, mbAbortRetryIgnore, mrIgnore).style, win::MB_ABORTRETRYIGNORE);
  EXPECT_EQ(Show(mtCustom, {mbOK, mbHelp, mbAll}).style, win::MB_OK);
  EXPECT_TRUE(presenter->Errors().empty());
}

TEST_F(DialogsTest, TheWarningOfAnUnsupportedVersion) {
  const std::string text = SJ("このバージョンのKORUには対応していません\n対応版をお使いください");
  presenter->QueueAnswer(win::IDOK);
  EXPECT_EQ(MessageDlg(text, mtWarning, {mbOK}, 0), mrOk);
  EXPECT_EQ(presenter->Dialogs().back().text, text);
  EXPECT_EQ(presenter->Dialogs().back().caption, SJ("警告"));
  EXPECT_EQ(presenter->Dialogs().back().style, win::MB_OK | win::MB_ICONWARNING);
}

TEST_F(DialogsTest, ShowMessageHasTheApplicationTitleAndOK) {
  presenter->QueueAnswer(win::IDOK);
  ShowMessage("Done");
  ASSERT_EQ(presenter->Dialogs().size(), 1u);
  EXPECT_EQ(presenter->Dialogs()[0].caption, "Player");
  EXPECT_EQ(presenter->Dialogs()[0].text, "Done");
  EXPECT_EQ(presenter->Dialogs()[0].style, win::MB_OK);
}

}  // namespace
