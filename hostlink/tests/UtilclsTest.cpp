// The checks around the player's calls: their report texts, captions and
// style, the three answers, and report texts that never outgrow their buffers.
#include "hostlink/Utilcls.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/Exceptions.h"
#include "hostlink/tests/KoruTestSupport.h"
#include "platform/Text.h"

using korutest::kButtonsLine;
using korutest::PresenterScope;

namespace {

constexpr win::HRESULT kNoText = static_cast<win::HRESULT>(0x8004FFFF);

TEST(HrCheck, SuccessShowsNothing) {
  PresenterScope presenter;
  EXPECT_EQ(HRCHECK(win::S_OK, "x", "KORU_TLB", 1), win::S_OK);
  EXPECT_EQ(HRCHECK(win::S_FALSE, "x", "KORU_TLB", 1), win::S_FALSE);
  EXPECT_TRUE(presenter->Dialogs().empty());
}

TEST(HrCheck, CodeWithoutSystemTextIsReportedByNumber) {
  PresenterScope presenter;
  presenter->QueueAnswer(win::IDNO);
  EXPECT_EQ(HRCHECK(kNoText, "this->get_Volume((long*)&Value)", "KORU_TLB", 1792), kNoText);
  ASSERT_EQ(presenter->Dialogs().size(), 1u);
  const auto dialog = presenter->Dialogs()[0];
  EXPECT_EQ(dialog.caption, "HRCHECK: ");
  EXPECT_EQ(dialog.text,
            std::string("(this->get_Volume((long*)&Value)) Error: 8004FFFF (-2147155969) @ KORU_TLB/1792") +
                kButtonsLine);
  EXPECT_EQ(dialog.style, 0x2023u);
  EXPECT_EQ(dialog.owner, nullptr);
}

TEST(HrCheck, CodeWithSystemTextQuotesTheExpression) {
  PresenterScope presenter;
  presenter->QueueAnswer(win::IDNO);
  HRCHECK(win::E_FAIL, "this->get_Left((long*)&Value)", "KORU_TLB", 1656);
  ASSERT_EQ(presenter->Dialogs().size(), 1u);
  // The system's text keeps its line end.
  EXPECT_EQ(presenter->Dialogs()[0].text, "'this->get_Left((long*)&Value)': " + SJ("エラーを特定できません") +
                                              "\r\n @ KORU_TLB/1656" + kButtonsLine);
}

TEST(HrCheck, YesRaisesTheAutomationError) {
  PresenterScope presenter;
  presenter->QueueAnswer(win::IDYES);
  try {
    HRCHECK(kNoText, "this->get_Top((long*)&Value)", "KORU_TLB", 1676);
    FAIL() << "no error raised";
  } catch (const EOleException& e) {
    EXPECT_EQ(e.Message, "(this->get_Top((long*)&Value)) Error: 8004FFFF (-2147155969) @ KORU_TLB/1676");
    EXPECT_EQ(e.ErrorCode, kNoText);
    EXPECT_EQ(e.Source, "KORU_TLB");
    EXPECT_EQ(e.HelpFile, "");
    EXPECT_EQ(e.HelpContext, 0);
  }
  EXPECT_EQ(presenter->DebugBreaks(), 0);
}

TEST(HrCheck, CancelAsksForTheDebuggerAndGoesOn) {
  PresenterScope presenter;
  presenter->QueueAnswer(win::IDCANCEL);
  EXPECT_EQ(HRCHECK(kNoText, "e", "KORU_TLB", 1), kNoText);
  EXPECT_EQ(presenter->DebugBreaks(), 1);
}

TEST(HrCheck, MissingSourceIsEmpty) {
  PresenterScope presenter;
  presenter->QueueAnswer(win::IDNO);
  HRCHECK(kNoText, "e", nullptr, 7);
  EXPECT_EQ(presenter->Dialogs()[0].text, std::string("(e) Error: 8004FFFF (-2147155969) @ /7") + kButtonsLine);
}

TEST(HrCheck, LongMessagesStayInTheirBuffersAndKeepTheButtonsLine) {
  PresenterScope presenter;
  presenter->QueueAnswer(win::IDNO);
  presenter->QueueAnswer(win::IDYES);
  // Double-byte characters all the way, so that a cut could split one.
  std::string expression;
  for (int i = 0; i < 400; ++i) expression += SJ("長");
  HRCHECK(kNoText, expression.c_str(), "KORU_TLB", 1);
  const std::string text = presenter->Dialogs()[0].text;
  EXPECT_LE(text.size(), kReportBufferSize - 1);
  EXPECT_TRUE(text.ends_with(kButtonsLine));
  const std::string shown = text.substr(0, text.size() - std::string(kButtonsLine).size());
  EXPECT_EQ(win::AnsiToUtf8(shown).find("\xEF\xBF\xBD"), std::string::npos) << "a double-byte character was split";
  EXPECT_EQ(shown.substr(0, 1), "(");
  try {
    HRCHECK(kNoText, expression.c_str(), "KORU_TLB", 1);
    FAIL() << "no error raised";
  } catch (const EOleException& e) {
    EXPECT_LE(e.Message.size(), kReportBufferSize - 1);
    EXPECT_EQ(win::AnsiToUtf8(e.Message).find("\xEF\xBF\xBD"), std::string::npos);
  }
}

TEST(Assertion, ReportsTheEmptyReference) {
  PresenterScope presenter;
  presenter->QueueAnswer(win::IDNO);
  EXPECT_EQ(_ASSERTE("intf != 0", "utilcls", 2912), win::IDNO);
  ASSERT_EQ(presenter->Dialogs().size(), 1u);
  EXPECT_EQ(presenter->Dialogs()[0].caption, "_ASSERTE: ");
  EXPECT_EQ(presenter->Dialogs()[0].text, std::string("intf != 0 @ utilcls/2912") + kButtonsLine);
  EXPECT_EQ(presenter->Dialogs()[0].style, 0x2023u);
}

TEST(Assertion, YesRaisesWithTheFailedText) {
  PresenterScope presenter;
  presenter->QueueAnswer(win::IDYES);
  try {
    _ASSERTE("intf != 0", "utilcls", 2912);
    FAIL() << "no error raised";
  } catch (const EOleException& e) {
    EXPECT_EQ(e.Message, "intf != 0 failed - utilcls/2912");
    EXPECT_EQ(e.ErrorCode, win::E_FAIL);
    EXPECT_EQ(e.Source, "utilcls");
  }
}

struct Counter : win::IUnknown {
  int calls = 0;
  int released = 0;
  win::HRESULT QueryInterface(const win::IID&, void**) override { return win::E_NOINTERFACE; }
  win::ULONG AddRef() override { return 2; }
  win::ULONG Release() override { return static_cast<win::ULONG>(++released); }
  virtual win::HRESULT Count(int step) {
    calls += step;
    return win::S_OK;
  }
};

TEST(InterfaceHolder, AnEmptyHolderIsReportedAndMakesNoCall) {
  PresenterScope presenter;
  presenter->QueueAnswer(win::IDNO);
  TComInterface<Counter> holder;
  EXPECT_EQ(holder.Call(&Counter::Count, 1), win::E_POINTER);
  EXPECT_EQ(presenter->Dialogs().size(), 1u);
}

TEST(InterfaceHolder, ReleasesWhatItHolds) {
  PresenterScope presenter;
  Counter counter;
  {
    TComInterface<Counter> holder;
    holder.Attach(&counter);
    EXPECT_EQ(holder.Call(&Counter::Count, 3), win::S_OK);
    EXPECT_EQ(counter.calls, 3);
  }
  EXPECT_EQ(counter.released, 1);
  EXPECT_TRUE(presenter->Dialogs().empty());
}

TEST(WideStrings, AreFreedAndConverted) {
  const size_t before = win::test::LiveBstrCount();
  {
    WideString in(SJ("曲名"));
    EXPECT_EQ(std::u16string(in.c_bstr()), u"曲名");
    WideString out;
    *out.Out() = win::SysAllocString(u"歌詞");
    EXPECT_EQ(out.Ansi(), SJ("歌詞"));
    *out.Out() = win::SysAllocString(u"x");  // the earlier string is freed
    EXPECT_EQ(WideString("").c_bstr(), nullptr);
  }
  EXPECT_EQ(win::test::LiveBstrCount(), before);
}

}  // namespace
