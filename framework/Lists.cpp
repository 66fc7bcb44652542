#include "framework/Lists.h"

#include <algorithm>
#include <numeric>

#include "framework/Consts.h"
#include "framework/Exceptions.h"
#include "framework/Streams.h"
#include "framework/SysUtils.h"

namespace {

int GrowCapacity(int capacity) {
  const int delta = capacity > 64 ? capacity / 4 : capacity > 8 ? 16 : 4;
  return capacity + delta;
}

size_t CharSizeAt(std::string_view s, size_t i) { return static_cast<size_t>(CharLength(s, static_cast<int>(i) + 1)); }

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

// ---- TList ------------------------------------------------------------------

void TList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError(Format(SListIndexError, {Index}));
}

int TList::Add(void* Item) {
  Insert(Count(), Item);
  return Count() - 1;
}

void TList::Insert(int Index, void* Item) {
  if (Index < 0 || Index > Count()) throw EListError(Format(SListIndexError, {Index}));
  if (Count() == capacity_) SetCapacity(GrowCapacity(capacity_));
  items_.insert(items_.begin() + Index, Item);
}

void TList::Delete(int Index) {
  CheckIndex(Index);
  items_.erase(items_.begin() + Index);
}

int TList::Remove(void* Item) {
  const int index = IndexOf(Item);
  if (index >= 0) Delete(index);
  return index;
}

int TList::IndexOf(void* Item) const {
  const auto it = std::find(items_.begin(), items_.end(), Item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TList::Clear() {
  items_.clear();
  items_.shrink_to_fit();
  capacity_ = 0;
}

void TList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(items_[static_cast<size_t>(Index1)], items_[static_cast<size_t>(Index2)]);
}

void TList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  void* item = items_[static_cast<size_t>(CurIndex)];
  items_.erase(items_.begin() + CurIndex);
  items_.insert(items_.begin() + NewIndex, item);
}

void TList::Sort(const TListSortCompare& Compare) {
  std::stable_sort(items_.begin(), items_.end(), [&](void* a, void* b) { return Compare(a, b) < 0; });
}

void TList::SetCount(int NewCount) {
  if (NewCount < 0) throw EListError(Format(SListCountError, {NewCount}));
  if (NewCount > capacity_) SetCapacity(NewCount);
  items_.resize(static_cast<size_t>(NewCount), nullptr);
}

void* TList::Items(int Index) const {
  CheckIndex(Index);
  return items_[static_cast<size_t>(Index)];
}

void TList::SetItems(int Index, void* Item) {
  CheckIndex(Index);
  items_[static_cast<size_t>(Index)] = Item;
}

void TList::SetCapacity(int NewCapacity) {
  if (NewCapacity < Count()) throw EListError(Format(SListCapacityError, {NewCapacity}));
  items_.reserve(static_cast<size_t>(NewCapacity));
  capacity_ = NewCapacity;
}

// ---- TStrings ---------------------------------------------------------------

int TStrings::Add(const std::string& S) {
  const int index = GetCount();
  Insert(index, S);
  return index;
}

int TStrings::AddObject(const std::string& S, TObject* AObject) {
  const int index = Add(S);
  PutObject(index, AObject);
  return index;
}

void TStrings::AddStrings(TStrings* Strings) {
  BeginUpdate();
  try {
    for (int i = 0; i < Strings->Count(); ++i) AddObject(Strings->Get(i), Strings->GetObject(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TStrings*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  if (source == this) return;
  BeginUpdate();
  try {
    Clear();
    NameValueSeparator = source->NameValueSeparator;
    QuoteChar = source->QuoteChar;
    Delimiter = source->Delimiter;
    AddStrings(source);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

// The state changes while no update is counted, so that the list's own
// OnChanging and OnChange are told.
void TStrings::BeginUpdate() {
  if (updateCount_ == 0) SetUpdateState(true);
  ++updateCount_;
}

void TStrings::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

void TStrings::Exchange(int Index1, int Index2) {
  BeginUpdate();
  try {
    const std::string string1 = Get(Index1);
    TObject* object1 = GetObject(Index1);
    Put(Index1, Get(Index2));
    PutObject(Index1, GetObject(Index2));
    Put(Index2, string1);
    PutObject(Index2, object1);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

int TStrings::IndexOf(const std::string& S) const {
  for (int i = 0; i < GetCount(); ++i)
    if (CompareStrings(Get(i), S) == 0) return i;
  return -1;
}

int TStrings::IndexOfName(const std::string& Name) const {
  for (int i = 0; i < GetCount(); ++i) {
    const std::string s = Get(i);
    const int separator = AnsiPos(std::string(1, NameValueSeparator), s);
    if (separator != 0 && CompareStrings(s.substr(0, static_cast<size_t>(separator) - 1), Name) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(TObject* AObject) const {
  for (int i = 0; i < GetCount(); ++i)
    if (GetObject(i) == AObject) return i;
  return -1;
}

void TStrings::InsertObject(int Index, const std::string& S, TObject* AObject) {
  Insert(Index, S);
  PutObject(Index, AObject);
}

void TStrings::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  // Both indexes are checked before the string is taken out, which a
  // failing insert would lose.
  for (int index : {CurIndex, NewIndex})
    if (index < 0 || index >= GetCount()) throw EStringListError(Format(SListIndexError, {index}));
  BeginUpdate();
  try {
    const std::string s = Get(CurIndex);
    TObject* object = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, s, object);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::LoadFromStream(TStream* Stream) {
  const int64_t size = Stream->Size() - Stream->Position();
  std::string text(static_cast<size_t>(std::max<int64_t>(size, 0)), '\0');
  text.resize(static_cast<size_t>(Stream->Read(text.data(), static_cast<int>(text.size()))));
  SetTextStr(text);
}

void TStrings::SaveToStream(TStream* Stream) const {
  const std::string text = GetTextStr();
  Stream->WriteBuffer(text.data(), static_cast<int>(text.size()));
}

void TStrings::LoadFromFile(const std::string& FileName) {
  TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

void TStrings::SaveToFile(const std::string& FileName) const {
  TFileStream file(FileName, fmCreate);
  SaveToStream(&file);
}

TObject* TStrings::GetObject(int) const { return nullptr; }

void TStrings::Put(int Index, const std::string& S) {
  TObject* object = GetObject(Index);
  Delete(Index);
  InsertObject(Index, S, object);
}

void TStrings::PutObject(int, TObject*) {}

int TStrings::CompareStrings(const std::string& S1, const std::string& S2) const { return AnsiCompareText(S1, S2); }

std::string TStrings::Names(int Index) const {
  const std::string s = Get(Index);
  const int separator = AnsiPos(std::string(1, NameValueSeparator), s);
  return separator == 0 ? std::string() : s.substr(0, static_cast<size_t>(separator) - 1);
}

std::string TStrings::Values(const std::string& Name) const {
  const int index = IndexOfName(Name);
  return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStrings::SetValues(const std::string& Name, const std::string& Value) {
  const int index = IndexOfName(Name);
  if (!Value.empty()) {
    const std::string pair = Name + NameValueSeparator + Value;
    if (index < 0)
      Add(pair);
    else
      Put(index, pair);
  } else if (index >= 0) {
    Delete(index);
  }
}

std::string TStrings::ValueFromIndex(int Index) const {
  const std::string s = Get(Index);
  const int separator = AnsiPos(std::string(1, NameValueSeparator), s);
  return separator == 0 ? std::string() : s.substr(static_cast<size_t>(separator));
}

std::string TStrings::GetTextStr() const {
  std::string text;
  for (int i = 0; i < GetCount(); ++i) text += Get(i) + "\r\n";
  return text;
}

void TStrings::SetTextStr(const std::string& Value) {
  BeginUpdate();
  try {
    Clear();
    size_t start = 0;
    while (start < Value.size()) {
      size_t end = Value.find_first_of("\r\n", start);
      if (end == std::string::npos) end = Value.size();
      Add(Value.substr(start, end - start));
      if (end < Value.size() && Value[end] == '\r') ++end;
      if (end < Value.size() && Value[end] == '\n') ++end;
      start = end;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

std::string TStrings::DelimitedText() const { return DelimitedTextWith(Delimiter, QuoteChar); }
void TStrings::SetDelimitedText(const std::string& Value) { SetDelimitedTextWith(Value, Delimiter, QuoteChar); }
std::string TStrings::CommaText() const { return DelimitedTextWith(',', '"'); }
void TStrings::SetCommaText(const std::string& Value) { SetDelimitedTextWith(Value, ',', '"'); }

std::string TStrings::DelimitedTextWith(char delimiter, char quote) const {
  const int count = GetCount();
  // One empty string must not read back as no string at all.
  if (count == 1 && Get(0).empty()) return std::string(2, quote);
  std::string text;
  for (int i = 0; i < count; ++i) {
    const std::string s = Get(i);
    bool needsQuotes = false;
    for (size_t j = 0; j < s.size() && !needsQuotes; j += CharSizeAt(s, j))
      needsQuotes = CharSizeAt(s, j) == 1 && (IsBlankOrControl(s[j]) || s[j] == quote || s[j] == delimiter);
    if (i > 0) text += delimiter;
    text += needsQuotes ? AnsiQuotedStr(s, quote) : s;
  }
  return text;
}

void TStrings::SetDelimitedTextWith(const std::string& value, char delimiter, char quote) {
  auto skipBlanks = [](std::string_view& rest) {
    while (!rest.empty() && IsBlankOrControl(rest[0])) rest.remove_prefix(1);
  };
  BeginUpdate();
  try {
    Clear();
    std::string_view rest = value;
    skipBlanks(rest);
    while (!rest.empty()) {
      if (rest[0] == quote) {
        Add(AnsiExtractQuotedStr(rest, quote));
      } else {
        size_t end = 0;
        while (end < rest.size() && !(CharSizeAt(rest, end) == 1 && (IsBlankOrControl(rest[end]) || rest[end] == delimiter)))
          end += CharSizeAt(rest, end);
        Add(std::string(rest.substr(0, end)));
        rest.remove_prefix(end);
      }
      skipBlanks(rest);
      if (!rest.empty() && rest[0] == delimiter) {
        rest.remove_prefix(1);
        if (rest.empty()) Add("");  // a delimiter at the end stands before an empty string
        skipBlanks(rest);
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

// ---- TStringList ------------------------------------------------------------

void TStringList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= GetCount()) throw EStringListError(Format(SListIndexError, {Index}));
}

int TStringList::Add(const std::string& S) { return AddObject(S, nullptr); }

int TStringList::AddObject(const std::string& S, TObject* AObject) {
  int index = GetCount();
  if (sorted_ && Find(S, index)) {
    if (Duplicates == dupIgnore) return index;
    if (Duplicates == dupError) throw EStringListError(SDuplicateString);
  }
  InsertItem(index, S, AObject);
  return index;
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  items_.clear();
  items_.shrink_to_fit();
  capacity_ = 0;
  Changed();
}

void TStringList::Delete(int Index) {
  CheckIndex(Index);
  Changing();
  items_.erase(items_.begin() + Index);
  Changed();
}

void TStringList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  Changing();
  std::swap(items_[static_cast<size_t>(Index1)], items_[static_cast<size_t>(Index2)]);
  Changed();
}

bool TStringList::Find(const std::string& S, int& Index) const {
  bool found = false;
  int low = 0;
  int high = GetCount() - 1;
  while (low <= high) {
    const int middle = (low + high) / 2;
    const int c = CompareStrings(items_[static_cast<size_t>(middle)].string, S);
    if (c < 0) {
      low = middle + 1;
    } else {
      high = middle - 1;
      if (c == 0) {
        found = true;
        if (Duplicates != dupAccept) low = middle;
      }
    }
  }
  Index = low;
  return found;
}

int TStringList::IndexOf(const std::string& S) const {
  if (!sorted_) return TStrings::IndexOf(S);
  int index = -1;
  return Find(S, index) ? index : -1;
}

void TStringList::Insert(int Index, const std::string& S) { InsertObject(Index, S, nullptr); }

void TStringList::InsertObject(int Index, const std::string& S, TObject* AObject) {
  if (sorted_) throw EStringListError(SSortedListError);
  if (Index < 0 || Index > GetCount()) throw EStringListError(Format(SListIndexError, {Index}));
  InsertItem(Index, S, AObject);
}

void TStringList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  // Checked first: a sorted list would otherwise lose the string taken out.
  if (sorted_) throw EStringListError(SSortedListError);
  TStrings::Move(CurIndex, NewIndex);
}

void TStringList::InsertItem(int Index, const std::string& S, TObject* AObject) {
  Changing();
  if (GetCount() == capacity_) SetCapacity(GrowCapacity(capacity_));
  items_.insert(items_.begin() + Index, Item{S, AObject});
  Changed();
}

void TStringList::Sort() {
  CustomSort([](TStringList* list, int a, int b) { return list->CompareStrings(list->Get(a), list->Get(b)); });
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
  if (sorted_ || GetCount() < 2) return;
  Changing();
  SortItems(Compare);
  Changed();
}

// Orders a permutation with the comparison of the items where they stand,
// then moves the items; equal items keep their order.
void TStringList::SortItems(const TStringListSortCompare& Compare) {
  std::vector<int> order(items_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return Compare(this, a, b) < 0; });
  std::vector<Item> sorted;
  sorted.reserve(items_.capacity());
  for (int index : order) sorted.push_back(std::move(items_[static_cast<size_t>(index)]));
  items_.swap(sorted);
}

void TStringList::SetSorted(bool Value) {
  if (sorted_ == Value) return;
  if (Value) Sort();
  sorted_ = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (caseSensitive_ == Value) return;
  caseSensitive_ = Value;
  if (sorted_ && GetCount() > 1) {
    Changing();
    SortItems([](TStringList* list, int a, int b) { return list->CompareStrings(list->Get(a), list->Get(b)); });
    Changed();
  }
}

void TStringList::SetCapacity(int NewCapacity) {
  if (NewCapacity < GetCount()) throw EStringListError(Format(SListCapacityError, {NewCapacity}));
  items_.reserve(static_cast<size_t>(NewCapacity));
  capacity_ = NewCapacity;
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

std::string TStringList::Get(int Index) const {
  CheckIndex(Index);
  return items_[static_cast<size_t>(Index)].string;
}

TObject* TStringList::GetObject(int Index) const {
  CheckIndex(Index);
  return items_[static_cast<size_t>(Index)].object;
}

void TStringList::Put(int Index, const std::string& S) {
  if (sorted_) throw EStringListError(SSortedListError);
  CheckIndex(Index);
  Changing();
  items_[static_cast<size_t>(Index)].string = S;
  Changed();
}

void TStringList::PutObject(int Index, TObject* AObject) {
  CheckIndex(Index);
  Changing();
  items_[static_cast<size_t>(Index)].object = AObject;
  Changed();
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating)
    Changing();
  else
    Changed();
}

int TStringList::CompareStrings(const std::string& S1, const std::string& S2) const {
  return caseSensitive_ ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}
