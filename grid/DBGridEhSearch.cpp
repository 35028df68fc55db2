// The grid's text search through the data service, and the incremental search: the text
// typed so far, searched from the first record at each new character, shown with the
// found value's own letter case, and given up after a pause on timer 2.

#include "classlib/core/CodePages.h"
#include "classlib/core/MessageQueue.h"
#include "grid/DBGridEh.h"

namespace ordvane {

void ShowFindDialogProc(TCustomDBGridEh& grid, const AnsiString& text, const AnsiString& fieldName, bool modal) {
  DBGridEhDataService().ExecuteFindDialog(grid, text, fieldName, modal);
}

bool TCustomDBGridEh::LocateText(TCustomDBGridEh& grid, const AnsiString& fieldName, const AnsiString& text,
                                 TLocateTextOptionsEh options, TLocateTextDirectionEh direction,
                                 TLocateTextMatchingEh matching, TLocateTextTreeFindRangeEh treeFindRange) {
  return DBGridEhDataService().LocateText(grid, fieldName, text, options, direction, matching, treeFindRange);
}

void TCustomDBGridEh::IncSearch(const AnsiString& text, int timeOut, TLocateTextDirectionEh direction) {
  SearchFor(fInplaceSearchText + text, timeOut, direction);
}

void TCustomDBGridEh::SearchFor(const AnsiString& text, int timeOut, TLocateTextDirectionEh direction) {
  AnsiString shown = fInplaceSearchText;
  // An empty text matches every record: searching it would only move the cursor.
  if (!text.empty()) {
    bool found;
    {
      const TFlagScope extending(fExtendingSearch);
      found = LocateText(*this, AnsiString(), text, {ltoCaseInsensitiveEh}, direction, ltmFromBeginingEh,
                         lttInAllNodesEh);
    }
    TColumnEh* column = SelectedColumn();
    if (found) shown = (column != nullptr ? column->GetDisplayText() : text).substr(0, text.size());
  }
  HideEditor();
  SetInplaceSearchState(true, shown);
  fInplaceSearchTimeOut = timeOut;
  StartIncSearchTimer();
}

void TCustomDBGridEh::StopIncSearch() {
  if (!fInplaceSearching) return;
  StopIncSearchTimer();
  SetInplaceSearchState(false, AnsiString());
  if (CanEditorAlwaysShow() && CanEditShow()) ShowEditor();
}

void TCustomDBGridEh::StartIncSearchTimer() {
  StopIncSearchTimer();
  if (fInplaceSearchTimeOut < 0 || !HandleAllocated()) return;
  SetTimer(Handle(), kIncSearchTimerEh, static_cast<UINT>(fInplaceSearchTimeOut));
  fInplaceSearchTimerActive = true;
}

void TCustomDBGridEh::StopIncSearchTimer() {
  if (!fInplaceSearchTimerActive) return;
  fInplaceSearchTimerActive = false;
  if (HandleAllocated()) KillTimer(Handle(), kIncSearchTimerEh);
}

void TCustomDBGridEh::RemoveSearchChar() {
  if (fInplaceSearchText.empty()) return;
  std::size_t cut = fInplaceSearchText.size() - 1;
  // A UTF-8 character goes whole: its continuation bytes and its lead byte.
  if (GetAnsiCodePage() == CP_UTF8)
    while (cut > 0 && (static_cast<Byte>(fInplaceSearchText[cut]) & 0xC0) == 0x80) --cut;
  SetInplaceSearchState(true, fInplaceSearchText.substr(0, cut));
  StartIncSearchTimer();
}

}  // namespace ordvane
