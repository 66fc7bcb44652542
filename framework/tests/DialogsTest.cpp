// The message dialog's titles, icons and button sets as the presenter sees them.
#include "framework/Dialogs.h"

#include <gtest/gtest.h>

#include <memory>

#include "framework/Exceptions.h"
#include "platform/Presenter.h"
#include "platform/Text.h"

namespace {

struct DialogsTest : testing::Test {
  void SetUp() override { previous = win::SetPresenter(presenter); }
  void TearDown() override { win::SetPresenter(previous); }
  std::shared_ptr<win::test::ScriptedPresenter> presenter =
      std::make_shared<win::test::ScriptedPresenter>([](const std::string& e) { ADD_FAILURE() << e; });
  std::shared_ptr<win::Presenter> previous;
};

TEST_F(DialogsTest, KindsHaveTheirTitleAndIcon) {
  presenter->QueueAnswer(win::IDOK);
  presenter->QueueAnswer(win::IDOK);
  EXPECT_EQ(MessageDlg(SJ("警告です"), mtWarning, {mbOK}, 0), mrOk);
  EXPECT_EQ(MessageDlg("x", mtError, {mbOK}, 0), mrOk);
  const auto dialogs = presenter->Dialogs();
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(dialogs[0].caption, SJ("警告"));
  EXPECT_EQ(dialogs[0].text, SJ("警告です"));
  EXPECT_EQ(dialogs[0].style, win::MB_OK | win::MB_ICONWARNING);
  EXPECT_EQ(dialogs[1].caption, SJ("エラー"));
  EXPECT_EQ(dialogs[1].style, win::MB_OK | win::MB_ICONERROR);
  EXPECT_EQ(MessageDlgTitle(mtInformation), SJ("情報"));
  EXPECT_EQ(MessageDlgTitle(mtConfirmation), SJ("確認"));
  EXPECT_EQ(MessageDlgTitle(mtCustom), "");
}

TEST_F(DialogsTest, ButtonSetsAnswerTheirModalResults) {
  presenter->QueueAnswer(win::IDNO);
  EXPECT_EQ(MessageDlg("?", mtConfirmation, {mbYes, mbNo, mbCancel}, 0), mrNo);
  EXPECT_EQ(presenter->Dialogs()[0].style, win::MB_YESNOCANCEL | win::MB_ICONQUESTION);
}

TEST_F(DialogsTest, ButtonsNoPlatformDialogHasAreRefused) {
  EXPECT_THROW(MessageDlg("?", mtWarning, {mbYes, mbIgnore}, 0), Exception);
  EXPECT_TRUE(presenter->Dialogs().empty());
}

}  // namespace
