#pragma once
// The selected records of a dataset as a list of bookmarks kept in dataset order, so
// that "is this record selected" is a binary search and the selected records can be
// deleted from the last one backwards. The data-aware grid derives its selection list
// from it and supplies the dataset.

#include "classlib/core/StringLists.h"
#include "classlib/db/DB.h"

namespace ordvane {

class TBMListEh : public TObject {
  ORDVANE_CLASS(TBMListEh, TObject)

 public:
  TBMListEh();
  // Frees the list only: a descendant that repaints on ListChanged does so in its own
  // destructor.
  ~TBMListEh() override = default;
  TBMListEh(const TBMListEh&) = delete;
  TBMListEh& operator=(const TBMListEh&) = delete;

  int GetCount() const { return fList.Count(); }
  TBookmarkStr GetItem(int index) const { return fList.Strings(index); }
  // Whether the bookmark is listed, with its index or the index where it would go. Two
  // look-ups of one bookmark with no change of the list between them compare once.
  bool Find(const TBookmark& bookmark, int& index);
  // The bookmark's index, -1 when it is not listed.
  int IndexOf(const TBookmark& bookmark);

  // Whether the current record is selected. An unlinked list raises "Cannot perform
  // this operation on a closed dataset"; no current record (an empty dataset) is never
  // selected.
  bool GetCurrentRowSelected();
  virtual void SetCurrentRowSelected(bool value);
  // Empties the list, then ListChanged and the after-clear hook (nothing when empty).
  virtual void Clear();
  // Deletes the selected records from the last to the first. A bookmark of a record that
  // is gone is dropped without deleting anything; a failing delete stops the loop, with
  // the bookmarks of the records already deleted removed, and passes its error on. The
  // controls are enabled again and ListChanged runs in every case.
  void DeleteSelectedRecords();
  // The dataset opened (true) or closed: either way the selection is gone.
  void SetLinkActive(bool value);
  bool LinkActive() const { return fLinked; }

 protected:
  // The dataset the bookmarks belong to.
  virtual TDataSet* DataSet() const = 0;
  virtual void AfterClear() {}
  [[noreturn]] virtual void RaiseError(const AnsiString& message);
  virtual void ResetCache();
  virtual void ListChanged() {}

 private:
  // The current record's bookmark; empty when there is no current record.
  TBookmarkStr CurrentBookmark();

  TStringList fList;
  TBookmarkStr fCachedBookmark;
  bool fCachedFound = false;
  int fCachedIndex = -1;
  bool fLinked = false;
};

}  // namespace ordvane
