#pragma once
// String lists: lines of ANSI text, each with an optional object.
//
// TStrings is the abstract list that controls and other lists implement; TStringList is
// the list itself, optionally sorted, which compares lines by the locale (AnsiCompareText,
// or AnsiCompareStr when CaseSensitive). Indices outside the list raise EStringListError
// "List index out of bounds (<index>)".

#include <functional>
#include <vector>

#include "classlib/core/Events.h"
#include "classlib/core/Lists.h"
#include "classlib/core/Objects.h"
#include "classlib/core/Streams.h"

namespace ordvane {

ORDVANE_DECLARE_EXCEPTION(EStringListError, EListError);

class TStrings : public TPersistent {
  ORDVANE_CLASS(TStrings, TPersistent)

 public:
  int Count() const { return GetCount(); }
  AnsiString Strings(int index) const { return Get(index); }
  void SetStrings(int index, const AnsiString& text) { Put(index, text); }
  TObject* Objects(int index) const { return GetObject(index); }
  void SetObjects(int index, TObject* object) { PutObject(index, object); }

  // The index of the new line.
  virtual int Add(const AnsiString& text);
  virtual int AddObject(const AnsiString& text, TObject* object);
  void Append(const AnsiString& text) { Add(text); }
  // Adds every line of strings with its object.
  virtual void AddStrings(const TStrings* strings);
  virtual void Insert(int index, const AnsiString& text) = 0;
  virtual void InsertObject(int index, const AnsiString& text, TObject* object);
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;
  virtual void Exchange(int index1, int index2);
  virtual void Move(int currentIndex, int newIndex);

  virtual int IndexOf(const AnsiString& text) const;
  int IndexOfObject(const TObject* object) const;
  // Same count and the same lines, compared exactly.
  bool Equals(const TStrings* strings) const;

  // Lines of the form name=value, split at the first "=". A line without "=" has an empty
  // name and an empty value.
  AnsiString Names(int index) const;
  // The index of the first line whose name matches (by CompareStrings), or -1.
  int IndexOfName(const AnsiString& name) const;
  AnsiString Values(const AnsiString& name) const;
  // An empty value deletes the line; a new name adds a line.
  void SetValues(const AnsiString& name, const AnsiString& value);
  AnsiString ValueFromIndex(int index) const;
  // An empty value deletes the line; a line without "=" keeps its text as the name.
  void SetValueFromIndex(int index, const AnsiString& value);

  // Every line followed by CR LF. Reading splits at CR LF, CR or LF.
  AnsiString Text() const;
  virtual void SetText(const AnsiString& text);
  // Lines separated by ","; a line with a blank, a control character, '"' or "," is
  // written in double quotes with '"' doubled. A single empty line is written as "".
  AnsiString CommaText() const;
  void SetCommaText(const AnsiString& text);

  // The rest of the stream, from its position, as Text; the Text written at the stream's
  // position. Files are read and written whole (EFOpenError, EFCreateError).
  virtual void LoadFromStream(TStream* stream);
  virtual void SaveToStream(TStream* stream) const;
  void LoadFromFile(const AnsiString& fileName);
  void SaveToFile(const AnsiString& fileName) const;

  // From another TStrings: its lines and objects replace these.
  void Assign(const TPersistent* source) override;

  // Changes between BeginUpdate and the matching EndUpdate are announced once.
  void BeginUpdate();
  void EndUpdate();

 protected:
  virtual AnsiString Get(int index) const = 0;
  virtual int GetCount() const = 0;
  virtual TObject* GetObject(int index) const;
  virtual void Put(int index, const AnsiString& text);
  virtual void PutObject(int index, TObject* object);
  // Called with true when the first BeginUpdate starts a bracket and with false when the
  // last EndUpdate ends it.
  virtual void SetUpdateState(bool updating);
  // -1, 0 or 1: the locale's case-insensitive comparison unless a list says otherwise.
  virtual int CompareStrings(const AnsiString& a, const AnsiString& b) const;
  int UpdateCount() const { return fUpdateCount; }

 private:
  int fUpdateCount = 0;
};

class TStringList;
// Compares the lines at index1 and index2: negative, 0 or positive.
using TStringListSortCompare = std::function<int(TStringList* list, int index1, int index2)>;

class TStringList : public TStrings {
  ORDVANE_CLASS(TStringList, TStrings)

 public:
  // With ownsObjects the list deletes an object when its line is deleted or the list is
  // cleared or destroyed, and when another object replaces it.
  explicit TStringList(bool ownsObjects = false) : fOwnsObjects(ownsObjects) {}
  ~TStringList() override;

  // In a sorted list a line goes to its place; an equal line already there is kept alone
  // (dupIgnore: the index of the existing line is returned), raises EStringListError
  // "String list does not allow duplicates" (dupError), or gets the new one before it
  // (dupAccept).
  int Add(const AnsiString& text) override { return AddObject(text, nullptr); }
  int AddObject(const AnsiString& text, TObject* object) override;
  // Insert, InsertObject, Move and changing a line raise EStringListError
  // "Operation not allowed on sorted list" when the list is sorted.
  void Insert(int index, const AnsiString& text) override { InsertObject(index, text, nullptr); }
  void InsertObject(int index, const AnsiString& text, TObject* object) override;
  void Delete(int index) override;
  void Clear() override;
  void Exchange(int index1, int index2) override;
  void Move(int currentIndex, int newIndex) override;

  // Binary search of a sorted list (a linear one otherwise): true with the index of the
  // first equal line, or false with the index where the line would go.
  virtual bool Find(const AnsiString& text, int& index) const;
  int IndexOf(const AnsiString& text) const override;

  // Sorts an unsorted list (a sorted one is in order already); stable.
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& compare);

  bool Sorted() const { return fSorted; }
  void SetSorted(bool sorted);
  TDuplicates Duplicates() const { return fDuplicates; }
  void SetDuplicates(TDuplicates duplicates) { fDuplicates = duplicates; }
  bool CaseSensitive() const { return fCaseSensitive; }
  // Re-sorts a sorted list by the new comparison.
  void SetCaseSensitive(bool caseSensitive);
  bool OwnsObjects() const { return fOwnsObjects; }
  void SetOwnsObjects(bool ownsObjects) { fOwnsObjects = ownsObjects; }

  // Before and after every change, and at the edges of an update bracket.
  TNotifyEvent OnChanging;
  TNotifyEvent OnChange;

 protected:
  AnsiString Get(int index) const override;
  int GetCount() const override { return static_cast<int>(fItems.size()); }
  TObject* GetObject(int index) const override;
  void Put(int index, const AnsiString& text) override;
  void PutObject(int index, TObject* object) override;
  void SetUpdateState(bool updating) override;
  int CompareStrings(const AnsiString& a, const AnsiString& b) const override;
  virtual void Changing();
  virtual void Changed();

 private:
  struct Item {
    AnsiString text;
    TObject* object;
  };
  void CheckIndex(int index, int count) const;
  void CheckUnsorted() const;
  // index AppendIndex: at the end as the list stands after its changing notification.
  // Answers the index the line took.
  static constexpr int AppendIndex = -1;
  int InsertItem(int index, const AnsiString& text, TObject* object);
  void SortBy(const std::function<bool(int, int)>& less);

  std::vector<Item> fItems;
  bool fSorted = false;
  TDuplicates fDuplicates = dupIgnore;
  bool fCaseSensitive = false;
  bool fOwnsObjects;
};

}  // namespace ordvane
