// The player's structured data through a bound component: track records
// both ways with the CD rule, the display text and its font, the lyrics
// line cache, colours and fonts, and the items a plug-in adds to the
// player's menus.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostlink/Koru.h"
#include "hostlink/tests/KoruTestSupport.h"
#include "platform/Files.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "player/Player.h"

using korutest::ArgumentsOf;
using korutest::KoruPlayerTest;
using korutest::WaitFor;

namespace {

using V = std::vector<std::string>;

void WriteText(const std::string& windowsPath, const std::string& text) {
  win::HANDLE file = win::CreateFileA(windowsPath.c_str(), win::GENERIC_WRITE, 0, nullptr, win::CREATE_ALWAYS,
                                      win::FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, win::INVALID_HANDLE_VALUE);
  win::DWORD written = 0;
  ASSERT_TRUE(win::WriteFile(file, text.data(), static_cast<win::DWORD>(text.size()), &written, nullptr));
  win::CloseHandle(file);
}

// A play list of two tracks; the first has lyrics.
class KoruData : public KoruPlayerTest {
 protected:
  TKORU& KoruWithTracks() {
    StartPlayer();
    EXPECT_TRUE(win::WritePrivateProfileStringA("Track", "Title", "Song", "C:\\KORU\\song.trk"));
    WriteText("C:\\KORU\\song.lrc", "[00:01.00]" + SJ("一行目") + "\r\n[00:02.50]second\r\nfrom the sleeve\r\n");
    EXPECT_TRUE(win::WritePrivateProfileStringA("Track", "Title", "Other", "C:\\KORU\\other.trk"));
    TKORU& koru = BoundKoru();
    koru.Add("C:\\KORU\\song.trk");
    koru.Add("C:\\KORU\\other.trk");
    EXPECT_EQ(koru.GetTracks(), 2);
    return koru;
  }
};

TEST_F(KoruData, TrackRecordsTravelBothWays) {
  TKORU& koru = KoruWithTracks();
  TTrackInfo info;
  info.Title = SJ("曲名");
  info.Artist = SJ("歌手");
  info.FileName = "C:\\KORU\\song.trk";
  info.Text3 = "three";
  info.LyricsName = "C:\\KORU\\song.lrc";
  info.Value1 = 1;
  info.Value2 = -2;
  info.Value3 = 3;
  info.Kind = 1;
  info.Drive = 2;
  info.CDTrack = 5;
  info.Value4 = 4;
  info.Value5 = -5;
  koru.SetTrackInfo(0, info);
  koru::Track stored;
  ASSERT_EQ(player_->player().GetTrackInfo(0, &stored), win::S_OK);
  EXPECT_EQ(stored.title, SJ("曲名"));
  EXPECT_EQ(stored.driveTrack, 0x20005);
  EXPECT_EQ(stored.value2, -2);
  EXPECT_EQ(stored.value5, -5);

  const TTrackInfo back = koru.GetTrackInfo(0);
  EXPECT_EQ(back.Title, info.Title);
  EXPECT_EQ(back.Artist, info.Artist);
  EXPECT_EQ(back.FileName, info.FileName);
  EXPECT_EQ(back.Text3, info.Text3);
  EXPECT_EQ(back.LyricsName, info.LyricsName);
  EXPECT_EQ(back.Value1, 1);
  EXPECT_EQ(back.Value2, -2);
  EXPECT_EQ(back.Value3, 3);
  EXPECT_EQ(back.Kind, 1);
  EXPECT_EQ(back.Drive, 2);
  EXPECT_EQ(back.CDTrack, 5);
  EXPECT_EQ(back.Value4, 4);
  EXPECT_EQ(back.Value5, -5);
  EXPECT_EQ(win::test::LiveBstrCount(), 0u);
}

TEST_F(KoruData, AFailedReadGivesAClearedRecord) {
  TKORU& koru = KoruWithTracks();
  const TTrackInfo missing = koru.GetTrackInfo(99);
  EXPECT_EQ(missing.Title, "");
  EXPECT_EQ(missing.Kind, 0);
  EXPECT_EQ(koru.GetTrackInfo(1).Title, "Other");
}

TEST_F(KoruData, CDTracksTakeDriveAndNumberFromTheirName) {
  TKORU& koru = KoruWithTracks();
  const auto read = [&](int kind, const std::string& fileName, int drive = 0, int track = 0) {
    TTrackInfo info;
    info.Kind = kind;
    info.FileName = fileName;
    info.Drive = drive;
    info.CDTrack = track;
    koru.SetTrackInfo(1, info);
    const TTrackInfo back = koru.GetTrackInfo(1);
    return std::make_pair(back.Drive, back.CDTrack);
  };
  EXPECT_EQ(read(16, "E:\\Track12.cda"), std::make_pair(4, 12));
  EXPECT_EQ(read(17, "d:\\track07.cda"), std::make_pair(3, 7));
  EXPECT_EQ(read(1, "E:\\Track12.cda"), std::make_pair(0, 0));
  // Both known: left alone; one missing: both taken from the name.
  EXPECT_EQ(read(16, "E:\\Track12.cda", 1, 2), std::make_pair(1, 2));
  EXPECT_EQ(read(16, "E:\\Track12.cda", 1, 0), std::make_pair(4, 12));
  // Without a drive letter the drive stays; without a number the track is 0.
  EXPECT_EQ(read(16, "track03.cda", 2, 0), std::make_pair(2, 3));
  EXPECT_EQ(read(16, "f:\\trackxx.cda", 0, 9), std::make_pair(5, 0));
  EXPECT_EQ(read(16, "f:\\track.cda"), std::make_pair(5, 0));
  EXPECT_EQ(read(16, "f:\\music.cda"), std::make_pair(5, 0));
  EXPECT_EQ(read(16, "1:\\track3.cda"), std::make_pair(0, 3));
}

TEST_F(KoruData, TheDisplayTextComesWithItsFont) {
  TKORU& koru = KoruWithTracks();
  koru.Play();
  const koru::TextRecord expected = player_->player().DisplayText();
  TLyrics* text = koru.GetText();
  ASSERT_EQ(text, koru.DisplayText.get());
  EXPECT_EQ(text->Text, expected.text);
  EXPECT_EQ(text->Alignment, expected.alignment);
  EXPECT_EQ(text->WordWrap, expected.wordWrap);
  EXPECT_EQ(text->ShowAccelChar, expected.showAccelChar);
  EXPECT_EQ(text->Line, -1);  // display texts carry no tag
  EXPECT_EQ(text->Font->Name(), expected.font.name);
  EXPECT_EQ(text->Font->Height(), expected.font.size);
  EXPECT_EQ(text->Font->Charset(), 128);
  EXPECT_EQ(text->Font->Color(), static_cast<TColor>(expected.font.color));
  EXPECT_EQ(text->Color, static_cast<win::COLORREF>(expected.backColor));

  // A failed call leaves the text as it was.
  text->Text = "kept";
  player_->Calls().FailNext("GetText", win::E_FAIL);
  EXPECT_EQ(koru.GetText()->Text, "kept");
}

TEST_F(KoruData, LyricsLinesAreFetchedAndCached) {
  TKORU& koru = KoruWithTracks();
  koru.Play();
  ASSERT_TRUE(WaitFor([&] { return koru.LyricsList->GetCount() == 2; }));
  EXPECT_EQ(koru.LyricsList->GetComment(), "from the sleeve");
  EXPECT_EQ(koru.LyricsList->GetWidth(), player_->player().LyricsWidth());
  EXPECT_EQ(koru.LyricsList->GetHeight(), player_->player().LyricsHeight());
  TLyrics* first = koru.GetLyricsText(0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Text, SJ("一行目"));
  EXPECT_EQ(first->Line, 1000);
  EXPECT_EQ(koru.GetLyricsText(1)->Line, 2500);
  EXPECT_EQ(koru.GetLyricsText(0), first);  // the same object, filled again
  EXPECT_EQ(koru.GetLyricsText(2), nullptr);
  EXPECT_EQ(koru.GetLyricsText(-1), nullptr);
}

TEST_F(KoruData, AShrinkingLineCountDropsTheCachedLines) {
  TKORU& koru = BoundKoru();
  // The player has no lyrics here: every line it is asked for fails and
  // leaves the cached object as it was.
  auto fetch = [&](int count, int index) {
    player_->Calls().AnswerNext("get_Lines", count);
    return koru.GetLyricsText(index);
  };
  TLyrics* nine = fetch(10, 9);
  ASSERT_NE(nine, nullptr);
  nine->Text = "line nine";
  TLyrics* two = fetch(10, 2);
  two->Text = "line two";
  player_->Calls().AnswerNext("get_Lines", 3);
  EXPECT_EQ(koru.LyricsList->GetCount(), 3);
  // Line 2 survives; line 9 comes back as a new, unfilled object.
  EXPECT_EQ(fetch(10, 2)->Text, "line two");
  EXPECT_EQ(fetch(10, 9)->Text, "");
  // A negative count is no lines at all.
  player_->Calls().AnswerNext("get_Lines", -4);
  EXPECT_EQ(koru.LyricsList->GetCount(), 0);
  EXPECT_EQ(fetch(-4, 0), nullptr);
}

TEST_F(KoruData, ColoursAndFontsAreThePlayers) {
  TKORU& koru = BoundKoru();
  win::LONG color = 0;
  player_->player().Color(koru::kColorDisplayText, &color);
  EXPECT_EQ(koru.GetColor(koru::kColorDisplayText), static_cast<win::COLORREF>(color));
  player_->Calls().FailNext("GetColor", win::E_FAIL);
  EXPECT_EQ(koru.GetColor(koru::kColorDisplayText), 0u);

  koru::FontRecord record;
  player_->player().Font(koru::kFontDisplay, &record);
  TFont* font = koru.GetFont(koru::kFontDisplay);
  EXPECT_EQ(font, koru.Font.get());
  EXPECT_EQ(font->Name(), record.name);
  EXPECT_EQ(font->Height(), -12);
  EXPECT_EQ(font->Style(), TFontStyles{fsBold});
  EXPECT_EQ(font->Color(), static_cast<TColor>(record.color));
  // A failed call still applies what the player left: nothing.
  player_->Calls().FailNext("GetFont", win::E_FAIL);
  EXPECT_EQ(koru.GetFont(koru::kFontDisplay), font);
  EXPECT_EQ(font->Name(), "");
  EXPECT_EQ(font->Height(), 0);
  EXPECT_TRUE(font->Style().Empty());
  EXPECT_EQ(font->Color(), 0u);
}

TEST(KoruFonts, ThePlayersRecordsApply) {
  TFont font;
  ApplyPlayerFont(font, SJ("ＭＳ 明朝"), 0x180, -12, 5, 0x123456);
  EXPECT_EQ(font.Name(), SJ("ＭＳ 明朝"));
  EXPECT_EQ(font.Charset(), 0x80);
  EXPECT_EQ(font.Height(), -12);
  EXPECT_EQ(font.Style(), (TFontStyles{fsBold, fsUnderline}));
  EXPECT_EQ(font.Color(), 0x123456u);
  ApplyPlayerFont(font, "x", 1, 9, 0, 0);
  EXPECT_EQ(font.Size(), 9);
  EXPECT_EQ(font.Height(), -12);
  EXPECT_TRUE(font.Style().Empty());
  ApplyPlayerFont(font, "x", 1, 12, 0xFA, 0);
  EXPECT_EQ(font.Height(), -16);
  EXPECT_EQ(font.Style(), (TFontStyles{fsItalic, fsStrikeOut}));
}

TEST_F(KoruData, AnAddedMenuItemIsThePlayersUntilDeleted) {
  TKORU& koru = BoundKoru();
  TKORUMenu* item = koru.Menu4000->Add(SJ("ロゼンジ 非表示"));
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->Owned);
  EXPECT_EQ(koru.MenuList, std::vector<TKORUMenu*>{item});
  EXPECT_EQ(ArgumentsOf(*player_, "IKORUMenu.Add"),
            V{std::to_string(win::HandleId(koru.WindowHandle)) + ", 16384, \"" + SJ("ロゼンジ 非表示") + "\""});
  EXPECT_EQ(player_->player().MenuCaption(item->Id), SJ("ロゼンジ 非表示"));

  item->SetCaption(SJ("ロゼンジ 表示"));
  EXPECT_EQ(player_->player().MenuCaption(item->Id), SJ("ロゼンジ 表示"));

  // A click on it: the item's handler, then OnMenu with the item.
  std::vector<TObject*> senders;
  item->OnClick = [&](TObject* sender) { senders.push_back(sender); };
  koru.OnMenu = [&](TObject* sender) { senders.push_back(sender); };
  ASSERT_EQ(player_->player().ClickMenu(item->Id), win::S_OK);
  ASSERT_TRUE(WaitFor([&] { return senders.size() == 2; }));
  EXPECT_EQ(senders, (std::vector<TObject*>{item, item}));
  koru.OnMenu = nullptr;

  const win::LONG id = item->Id;
  koru.DeleteMenu(item);
  EXPECT_TRUE(koru.MenuList.empty());
  EXPECT_EQ(ArgumentsOf(*player_, "Delete"), V{std::to_string(id)});
  EXPECT_EQ(player_->player().MenuCaption(id), "");
}

TEST_F(KoruData, ThePlayerTakingAnItemAwayDropsItsObject) {
  TKORU& koru = BoundKoru();
  TKORUMenu* item = koru.Menu4000->Add("Item");
  ASSERT_NE(item, nullptr);
  ASSERT_EQ(player_->player().RemoveMenuItem(item->Id), win::S_OK);
  ASSERT_TRUE(WaitFor([&] { return koru.MenuList.empty(); }));
}

TEST_F(KoruData, ARefusedItemGivesNoMenu) {
  TKORU& koru = BoundKoru();
  player_->Calls().FailNext("IKORUMenu.Add", win::E_FAIL);
  EXPECT_EQ(koru.Menu4000->Add("Item"), nullptr);
  EXPECT_TRUE(koru.MenuList.empty());
}

}  // namespace
