#include "gridbase/BMListEh.h"

#include "classlib/db/DBConsts.h"
#include "gridbase/SupportEh.h"

namespace ordvane {

TBMListEh::TBMListEh() {
  fList.OnChange = [this](TObject*) { ResetCache(); };
}

void TBMListEh::ResetCache() {
  fCachedBookmark.clear();
  fCachedIndex = -1;
}

void TBMListEh::RaiseError(const AnsiString& message) { throw Exception(message); }

bool TBMListEh::Find(const TBookmark& bookmark, int& index) {
  if (fCachedIndex >= 0 && bookmark == fCachedBookmark) {
    index = fCachedIndex;
    return fCachedFound;
  }
  TDataSet* dataSet = DataSet();
  bool found = false;
  int low = 0;
  int high = fList.Count() - 1;
  while (low <= high) {
    const int mid = low + (high - low) / 2;
    const int order = DataSetCompareBookmarksEh(dataSet, fList.Strings(mid), bookmark);
    if (order >= 0) {
      high = mid - 1;
      if (order == 0) {
        found = true;
        low = mid;
      }
    } else {
      low = mid + 1;
    }
  }
  index = low;
  fCachedBookmark = bookmark;
  fCachedIndex = low;
  fCachedFound = found;
  return found;
}

int TBMListEh::IndexOf(const TBookmark& bookmark) {
  int index = -1;
  return Find(bookmark, index) ? index : -1;
}

TBookmarkStr TBMListEh::CurrentBookmark() {
  if (!fLinked) RaiseError(dbconsts::SDataSetClosed);
  return DataSet()->Bookmark();
}

bool TBMListEh::GetCurrentRowSelected() {
  const TBookmarkStr bookmark = CurrentBookmark();
  int index = -1;
  return !bookmark.empty() && Find(bookmark, index);
}

void TBMListEh::SetCurrentRowSelected(bool value) {
  const TBookmarkStr bookmark = CurrentBookmark();
  // Without a current record there is nothing to select; an empty bookmark in the list
  // would stand for whatever record is current when the selection is deleted.
  if (bookmark.empty()) return;
  int index = -1;
  if (Find(bookmark, index) == value) return;
  if (value)
    fList.Insert(index, bookmark);
  else
    fList.Delete(index);
}

void TBMListEh::Clear() {
  if (fList.Count() == 0) return;
  fList.Clear();
  ListChanged();
  AfterClear();
}

void TBMListEh::DeleteSelectedRecords() {
  if (!fLinked) RaiseError(dbconsts::SDataSetClosed);
  TDataSet* dataSet = DataSet();
  dataSet->DisableControls();
  try {
    for (int i = fList.Count() - 1; i >= 0; --i) {
      const TBookmarkStr bookmark = fList.Strings(i);
      if (dataSet->BookmarkValid(bookmark)) {
        dataSet->GotoBookmark(bookmark);
        dataSet->Delete();
      }
      fList.Delete(i);
    }
  } catch (...) {
    dataSet->EnableControls();
    ListChanged();
    throw;
  }
  dataSet->EnableControls();
  ListChanged();
}

void TBMListEh::SetLinkActive(bool value) {
  fList.Clear();
  ListChanged();
  fLinked = value;
}

}  // namespace ordvane
