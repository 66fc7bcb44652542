#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/Lists.h"
#include "framework/Streams.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "testsupport/TempDir.h"

namespace {

std::vector<std::string> Contents(const TStrings& list) {
  std::vector<std::string> strings;
  for (int i = 0; i < list.Count(); ++i) strings.push_back(list.Strings(i));
  return strings;
}

using Strings = std::vector<std::string>;

template <class E, class F>
std::string MessageOf(F f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message;
  }
  return "no error";
}

}  // namespace

TEST(TList, IndexesMovesAndSorting) {
  int a = 1, b = 2, c = 3;
  TList list;
  EXPECT_EQ(list.Add(&c), 0);
  list.Add(&a);
  list.Insert(1, &b);
  EXPECT_EQ(list.IndexOf(&b), 1);
  list.Sort([](void* x, void* y) { return *static_cast<int*>(x) - *static_cast<int*>(y); });
  EXPECT_EQ(list.First(), &a);
  EXPECT_EQ(list.Last(), &c);
  list.Move(0, 2);
  EXPECT_EQ(list.Items(2), &a);
  list.Exchange(0, 1);
  EXPECT_EQ(list.Items(0), &c);
  EXPECT_EQ(list.Remove(&c), 0);
  EXPECT_EQ(list.Remove(&c), -1);
  EXPECT_EQ(list.Count(), 2);
  list.SetCount(4);
  EXPECT_EQ(list.Items(3), nullptr);
  EXPECT_EQ(MessageOf<EListError>([&] { list.Items(4); }), "List index out of bounds (4)");
  EXPECT_EQ(MessageOf<EListError>([&] { list.Delete(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(MessageOf<EListError>([&] { list.Insert(5, &a); }), "List index out of bounds (5)");
  EXPECT_EQ(MessageOf<EListError>([&] { list.SetCapacity(3); }), "List capacity out of bounds (3)");
  EXPECT_EQ(MessageOf<EListError>([&] { list.SetCount(-1); }), "List count out of bounds (-1)");
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(TStringList, SortedListsAndTheirDuplicates) {
  TStringList list;
  list.SetSorted(true);
  list.Add("pear");
  list.Add("Apple");
  list.Add("fig");
  EXPECT_EQ(Contents(list), (Strings{"Apple", "fig", "pear"}));
  // Ignored by default, without regard to case.
  EXPECT_EQ(list.Add("APPLE"), 0);
  EXPECT_EQ(list.Count(), 3);
  list.Duplicates = dupError;
  EXPECT_EQ(MessageOf<EStringListError>([&] { list.Add("Fig"); }), "String list does not allow duplicates");
  list.Duplicates = dupAccept;
  list.Add("Fig");
  EXPECT_EQ(list.Count(), 4);
  int index = -1;
  EXPECT_TRUE(list.Find("FIG", index));
  EXPECT_TRUE(index == 1 || index == 2);
  EXPECT_FALSE(list.Find("grape", index));
  EXPECT_EQ(index, 3);
  EXPECT_EQ(list.IndexOf("PEAR"), 3);
  EXPECT_EQ(list.IndexOf("plum"), -1);
}

TEST(TStringList, CaseSensitiveSortingPutsLowerCaseFirst) {
  TStringList list;
  list.SetCommaText("b,B,a,A");
  list.SetCaseSensitive(true);
  list.SetSorted(true);
  EXPECT_EQ(Contents(list), (Strings{"a", "A", "b", "B"}));
  list.Add("a");  // ignored: it is there
  EXPECT_EQ(list.Count(), 4);
  list.SetCaseSensitive(false);
  EXPECT_EQ(list.IndexOf("B"), 2);
}

TEST(TStringList, SortedListsRefuseInsertsMovesAndWritesWithoutLosingAnything) {
  TStringList list;
  list.SetSorted(true);
  list.SetCommaText("a,b,c");
  for (auto attempt : std::vector<std::function<void()>>{[&] { list.Insert(0, "z"); }, [&] { list.Move(0, 2); },
                                                         [&] { list.SetStrings(1, "z"); }})
    EXPECT_EQ(MessageOf<EStringListError>(attempt), "Operation not allowed on sorted string list");
  EXPECT_EQ(Contents(list), (Strings{"a", "b", "c"}));
  EXPECT_EQ(MessageOf<EStringListError>([&] { list.Delete(3); }), "List index out of bounds (3)");
}

TEST(TStringList, UnsortedOperations) {
  TStringList list;
  list.SetCommaText("c,a,b");
  list.Move(0, 2);
  EXPECT_EQ(Contents(list), (Strings{"a", "b", "c"}));
  EXPECT_EQ(MessageOf<EStringListError>([&] { list.Move(0, 3); }), "List index out of bounds (3)");
  EXPECT_EQ(Contents(list), (Strings{"a", "b", "c"}));
  list.Exchange(0, 2);
  list.Insert(1, "d");
  EXPECT_EQ(Contents(list), (Strings{"c", "d", "b", "a"}));
  list.Sort();
  EXPECT_EQ(Contents(list), (Strings{"a", "b", "c", "d"}));
  list.CustomSort([](TStringList* l, int i, int j) { return l->Strings(j).compare(l->Strings(i)); });
  EXPECT_EQ(Contents(list), (Strings{"d", "c", "b", "a"}));
  list.Delete(0);
  list.SetStrings(0, "x");
  EXPECT_EQ(Contents(list), (Strings{"x", "b", "a"}));
  TObject tag;
  list.AddObject("o", &tag);
  EXPECT_EQ(list.Objects(3), &tag);
  EXPECT_EQ(list.IndexOfObject(&tag), 3);
  list.Sort();
  EXPECT_EQ(list.Objects(list.IndexOf("o")), &tag);
}

TEST(TStrings, NamesAndValues) {
  TStringList list;
  list.SetText("a=1\r\nB=2\r\nplain\r\nk=v=w\r\n");
  EXPECT_EQ(list.Names(0), "a");
  EXPECT_EQ(list.Names(2), "");
  EXPECT_EQ(list.Values("b"), "2");
  EXPECT_EQ(list.Values("k"), "v=w");
  EXPECT_EQ(list.Values("plain"), "");
  EXPECT_EQ(list.ValueFromIndex(1), "2");
  EXPECT_EQ(list.ValueFromIndex(2), "");
  EXPECT_EQ(list.IndexOfName("K"), 3);
  list.SetValues("A", "3");
  EXPECT_EQ(list.Strings(0), "A=3");
  list.SetValues("new", "x");
  EXPECT_EQ(list.Strings(4), "new=x");
  list.SetValues("b", "");
  EXPECT_EQ(list.IndexOfName("b"), -1);
  EXPECT_EQ(list.Count(), 4);
  list.NameValueSeparator = ':';
  list.Add("h:v");
  EXPECT_EQ(list.Values("H"), "v");
}

TEST(TStrings, CommaTextRoundTrip) {
  const Strings original{"a", "b c", "", "x\"y", "d,e", SJ("表"), "tab\there"};
  TStringList list;
  for (const auto& s : original) list.Add(s);
  const std::string text = list.CommaText();
  EXPECT_EQ(text, "a,\"b c\",,\"x\"\"y\",\"d,e\"," + SJ("表") + ",\"tab\there\"");
  TStringList back;
  back.SetCommaText(text);
  EXPECT_EQ(Contents(back), original);

  TStringList single;
  single.Add("");
  EXPECT_EQ(single.CommaText(), "\"\"");
  back.SetCommaText(single.CommaText());
  EXPECT_EQ(Contents(back), Strings{""});
  back.SetCommaText("");
  EXPECT_EQ(back.Count(), 0);
  back.SetCommaText(" a b , c,");
  EXPECT_EQ(Contents(back), (Strings{"a", "b", "c", ""}));
}

TEST(TStrings, DelimitedTextWithOtherCharacters) {
  TStringList list;
  list.Delimiter = '|';
  list.QuoteChar = '\'';
  // "ポ" ends in the byte of '|', which is no delimiter there.
  list.SetDelimitedText(SJ("ポ|it''s|'a|b'"));
  EXPECT_EQ(Contents(list), (Strings{SJ("ポ"), "it''s", "a|b"}));
  EXPECT_EQ(list.DelimitedText(), SJ("ポ") + "|'it''''s'|'a|b'");
}

TEST(TStrings, TextLineEnds) {
  TStringList list;
  list.SetText("a\nb\r\nc\rd");
  EXPECT_EQ(Contents(list), (Strings{"a", "b", "c", "d"}));
  EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd\r\n");
  list.SetText("a\r\n");
  EXPECT_EQ(Contents(list), Strings{"a"});
  list.SetText("\r\n\n");
  EXPECT_EQ(Contents(list), (Strings{"", ""}));
  list.SetText("a\n\rb");
  EXPECT_EQ(Contents(list), (Strings{"a", "", "b"}));
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Text(), "");
}

TEST(TStrings, ChangeEventsAreToldOncePerUpdate) {
  TStringList list;
  int changing = 0;
  int changed = 0;
  list.OnChanging = [&](TObject* sender) {
    EXPECT_EQ(sender, &list);
    ++changing;
  };
  list.OnChange = [&](TObject*) { ++changed; };
  list.Add("a");
  EXPECT_EQ(changing, 1);
  EXPECT_EQ(changed, 1);
  list.BeginUpdate();
  list.Add("b");
  list.Add("c");
  list.BeginUpdate();
  list.Delete(0);
  list.EndUpdate();
  EXPECT_EQ(changed, 1);
  list.EndUpdate();
  EXPECT_EQ(changing, 2);
  EXPECT_EQ(changed, 2);
  list.SetText("x\ny");
  EXPECT_EQ(changed, 3);
}

TEST(TStrings, AssignAndStreams) {
  TStringList source;
  TObject tag;
  source.AddObject("one", &tag);
  source.Add(SJ("二"));
  source.Delimiter = ';';
  TStringList copy;
  copy.Add("old");
  copy.Assign(&source);
  EXPECT_EQ(Contents(copy), (Strings{"one", SJ("二")}));
  EXPECT_EQ(copy.Objects(0), &tag);
  EXPECT_EQ(copy.Delimiter, ';');
  copy.Assign(&copy);
  EXPECT_EQ(copy.Count(), 2);
  EXPECT_EQ(MessageOf<EConvertError>([&] { copy.Assign(nullptr); }), "Cannot assign a nil to a TStringList");

  TStringStream text("skip\r\nline 1\nline 2");
  text.SetPosition(6);
  TStringList lines;
  lines.LoadFromStream(&text);
  EXPECT_EQ(Contents(lines), (Strings{"line 1", "line 2"}));
  TStringStream out;
  lines.SaveToStream(&out);
  EXPECT_EQ(out.DataString(), "line 1\r\nline 2\r\n");
}

TEST(TStrings, FilesKeepTheirBytesAndSaveWithCrLf) {
  testsupport::TempDir dir;
  win::MapDrive('T', dir.path());
  auto lay = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
  };
  auto bytes = [&](const std::string& name) {
    std::ifstream in(dir / name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  };
  // "ソ" and "表" end in the byte of '\', "ポ" in that of '|'.
  const std::string text = SJ("歌詞ソ\r\n表示=ポ\r\n\r\n") + "\x81\x40" + "end\r\n";
  lay("in.txt", text);
  TStringList lines;
  lines.Add("old");
  lines.LoadFromFile("T:\\in.txt");
  EXPECT_EQ(Contents(lines), (Strings{SJ("歌詞ソ"), SJ("表示=ポ"), "", "\x81\x40" "end"}));
  lay("out.txt", std::string(200, 'x'));
  lines.SaveToFile("T:\\out.txt");
  EXPECT_EQ(bytes("out.txt"), text);

  lay("unix.txt", SJ("一\n二\rthree"));
  lines.LoadFromFile("T:\\unix.txt");
  lines.SaveToFile("T:\\unix.txt");
  EXPECT_EQ(bytes("unix.txt"), SJ("一\r\n二\r\nthree\r\n"));

  EXPECT_THROW(lines.LoadFromFile("T:\\absent.txt"), EFOpenError);
  EXPECT_EQ(lines.Count(), 3);
  EXPECT_THROW(lines.SaveToFile("T:\\missing\\out.txt"), EFCreateError);
}
