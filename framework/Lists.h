// Lists: TList of pointers, the abstract string list TStrings with its text
// forms (lines, comma text, name=value pairs), and TStringList, which keeps
// the strings itself and may keep them sorted. Strings are code page 932;
// their comparisons and delimiters never split a double-byte character.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/Classes.h"

class TStream;

using TListSortCompare = std::function<int(void* Item1, void* Item2)>;

// Pointers, not owned. A bad index raises EListError.
class TList : public TObject {
 public:
  int Add(void* Item);
  void Insert(int Index, void* Item);
  void Delete(int Index);
  int Remove(void* Item);  // the index it had, -1 if absent
  int IndexOf(void* Item) const;
  virtual void Clear();
  void Exchange(int Index1, int Index2);
  void Move(int CurIndex, int NewIndex);
  void Sort(const TListSortCompare& Compare);
  void* First() const { return Items(0); }
  void* Last() const { return Items(Count() - 1); }

  int Count() const { return static_cast<int>(items_.size()); }
  void SetCount(int NewCount);  // new items are null
  void* Items(int Index) const;
  void SetItems(int Index, void* Item);
  int Capacity() const { return capacity_; }
  void SetCapacity(int NewCapacity);

 private:
  void CheckIndex(int Index) const;
  std::vector<void*> items_;
  int capacity_ = 0;
};

class TStrings : public TPersistent {
 public:
  virtual int Add(const std::string& S);
  virtual int AddObject(const std::string& S, TObject* AObject);
  virtual void AddStrings(TStrings* Strings);
  void Assign(TPersistent* Source) override;
  // Changes between the two calls are told as one (OnChanging at the first
  // BeginUpdate, OnChange at the last EndUpdate).
  void BeginUpdate();
  void EndUpdate();
  virtual void Clear() = 0;
  virtual void Delete(int Index) = 0;
  virtual void Exchange(int Index1, int Index2);
  virtual int IndexOf(const std::string& S) const;
  int IndexOfName(const std::string& Name) const;
  int IndexOfObject(TObject* AObject) const;
  virtual void Insert(int Index, const std::string& S) = 0;
  virtual void InsertObject(int Index, const std::string& S, TObject* AObject);
  virtual void Move(int CurIndex, int NewIndex);
  // The lines from the stream's position to its end; the lines with CR LF after each.
  virtual void LoadFromStream(TStream* Stream);
  virtual void SaveToStream(TStream* Stream) const;
  // The same with a whole file, its bytes kept as they are (code page 932);
  // saving replaces the file.
  virtual void LoadFromFile(const std::string& FileName);
  virtual void SaveToFile(const std::string& FileName) const;

  int Count() const { return GetCount(); }
  std::string Strings(int Index) const { return Get(Index); }
  void SetStrings(int Index, const std::string& S) { Put(Index, S); }
  TObject* Objects(int Index) const { return GetObject(Index); }
  void SetObjects(int Index, TObject* AObject) { PutObject(Index, AObject); }

  // Name=value pairs: the name is the text before the first separator;
  // names compare as the list compares its strings.
  std::string Names(int Index) const;
  std::string Values(const std::string& Name) const;
  // An empty value removes the pair.
  void SetValues(const std::string& Name, const std::string& Value);
  std::string ValueFromIndex(int Index) const;  // empty without a separator
  char NameValueSeparator = '=';

  // Every string followed by CR LF; read back at CR LF, LF or CR.
  std::string Text() const { return GetTextStr(); }
  void SetText(const std::string& Value) { SetTextStr(Value); }

  // The strings joined by Delimiter; a string that is empty and alone, or
  // holds blanks, control characters, the quote or the delimiter, is quoted
  // with QuoteChar. Read back, quoted texts keep everything, unquoted ones
  // also end at blanks.
  std::string DelimitedText() const;
  void SetDelimitedText(const std::string& Value);
  char Delimiter = ',';
  char QuoteChar = '"';
  // The delimited text with ',' and '"'.
  std::string CommaText() const;
  void SetCommaText(const std::string& Value);

 protected:
  virtual std::string Get(int Index) const = 0;
  virtual int GetCount() const = 0;
  virtual TObject* GetObject(int Index) const;
  virtual void Put(int Index, const std::string& S);
  virtual void PutObject(int Index, TObject* AObject);
  virtual void SetUpdateState(bool Updating);
  virtual int CompareStrings(const std::string& S1, const std::string& S2) const;
  virtual std::string GetTextStr() const;
  virtual void SetTextStr(const std::string& Value);
  int UpdateCount() const { return updateCount_; }

 private:
  std::string DelimitedTextWith(char delimiter, char quote) const;
  void SetDelimitedTextWith(const std::string& value, char delimiter, char quote);
  int updateCount_ = 0;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList;
using TStringListSortCompare = std::function<int(TStringList* List, int Index1, int Index2)>;

// Strings with their objects (not owned). Sorted lists compare with
// AnsiCompareText, or AnsiCompareStr when CaseSensitive, and refuse Insert,
// Move and writes of Strings. A bad index raises EStringListError.
class TStringList : public TStrings {
 public:
  int Add(const std::string& S) override;
  int AddObject(const std::string& S, TObject* AObject) override;
  void Clear() override;
  void Delete(int Index) override;
  void Exchange(int Index1, int Index2) override;
  // Binary search of a sorted list: true when S is there; Index is where it
  // is (the first of equal strings unless duplicates are accepted) or
  // where it would go.
  virtual bool Find(const std::string& S, int& Index) const;
  int IndexOf(const std::string& S) const override;
  void Insert(int Index, const std::string& S) override;
  void InsertObject(int Index, const std::string& S, TObject* AObject) override;
  void Move(int CurIndex, int NewIndex) override;
  // Sorting of an unsorted list (a sorted one is in order already).
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& Compare);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool Value);
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool Value);
  int Capacity() const { return capacity_; }
  void SetCapacity(int NewCapacity);
  // What a sorted list does with a string it holds already.
  TDuplicates Duplicates = dupIgnore;
  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void Changed();
  virtual void Changing();
  std::string Get(int Index) const override;
  int GetCount() const override { return static_cast<int>(items_.size()); }
  TObject* GetObject(int Index) const override;
  void Put(int Index, const std::string& S) override;
  void PutObject(int Index, TObject* AObject) override;
  void SetUpdateState(bool Updating) override;
  int CompareStrings(const std::string& S1, const std::string& S2) const override;

 private:
  struct Item {
    std::string string;
    TObject* object;
  };
  void CheckIndex(int Index) const;
  void InsertItem(int Index, const std::string& S, TObject* AObject);
  void SortItems(const TStringListSortCompare& Compare);

  std::vector<Item> items_;
  int capacity_ = 0;
  bool sorted_ = false;
  bool caseSensitive_ = false;
};
