// The lozenge's settings meeting a full disk: the file keeps its old
// settings whole and the failure is shown, never passed over.
#include <algorithm>
#include <string>

#include "framework/Dialogs.h"
#include "platform/FaultInjection.h"
#include "plugin/tests/LozengeFixture.h"

namespace lozenge_test {
namespace {

class SettingsSave : public LozengeTest {
 protected:
  void TearDown() override {
    win::test::ClearFailures();
    LozengeTest::TearDown();
  }
};

TEST_F(SettingsSave, ADiskThatFillsPartWayKeepsTheOldSettingsAndTellsThePerson) {
  WriteSettings("[KORULozg]\r\nVersion=6130\r\nPosition=0\r\nLeft=10\r\nTop=20\r\nDisplayMode=2\r\n");
  ASSERT_TRUE(Load());
  form_->SetLeft(300);
  form_->DisplayMode = 3;
  presenter_->QueueAnswer(mrOk);
  win::test::FailNext("WriteFile");
  EndPlugin();
  EXPECT_EQ(ReadSettings(), "[KORULozg]\r\nVersion=6130\r\nPosition=0\r\nLeft=10\r\nTop=20\r\nDisplayMode=2\r\n");
  const auto dialogs = presenter_->Dialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_NE(dialogs[0].text.find("Unable to write to"), std::string::npos) << dialogs[0].text;
  EXPECT_NE(dialogs[0].text.find("LozgPlus.ini"), std::string::npos) << dialogs[0].text;
}

TEST_F(SettingsSave, EverySettingGoesInOneWrite) {
  ASSERT_TRUE(Load());
  form_->SetLeft(300);
  // A fault on the second write would leave a mix of old and new keys if the
  // settings were written one by one.
  win::test::FailNext("WriteFile", 1);
  EndPlugin();
  const std::string saved = ReadSettings();
  EXPECT_NE(saved.find("\r\nLeft=300\r\n"), std::string::npos) << saved;
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 8) << saved;
}

}  // namespace
}  // namespace lozenge_test
