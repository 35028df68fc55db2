// The tests that say whether the grid's edit actions (cut, copy, paste, delete, select
// all) may run now, the procedures behind them that the grid output unit supplies, and
// copying a value from the record shown above.

#include "classlib/ui/Clipbrd.h"
#include "classlib/ui/DBActns.h"
#include "grid/DBGridEh.h"

namespace ordvane {

TDBGridEhActionProcEh& GridCopyToClipboardProc() {
  static TDBGridEhActionProcEh proc;
  return proc;
}

TDBGridEhActionProcEh& GridCutToClipboardProc() {
  static TDBGridEhActionProcEh proc;
  return proc;
}

TDBGridEhActionProcEh& GridPasteFromClipboardProc() {
  static TDBGridEhActionProcEh proc;
  return proc;
}

TDBGridEhActionProcEh& GridDeleteSelectionProc() {
  static TDBGridEhActionProcEh proc;
  return proc;
}

UINT& DBGridEhClipboardFormat() {
  static UINT format = 0;
  return format;
}

bool TCustomDBGridEh::ExecuteAction(TBasicAction* action) {
  return DataLinkExecuteAction(*fDataLink, action) || TCustomGridEh::ExecuteAction(action);
}

bool TCustomDBGridEh::UpdateAction(TBasicAction* action) {
  return DataLinkUpdateAction(*fDataLink, action) || TCustomGridEh::UpdateAction(action);
}

bool TCustomDBGridEh::CanCopySelection() {
  return fDataLink->Active() && fSelection->SelectionType() != gstNon;
}

bool TCustomDBGridEh::CanCutSelection() {
  return CanCopySelection() && CanDeleteSelection();
}

bool TCustomDBGridEh::CanPasteClipboard() {
  if (!fDataLink->Active() || fReadOnly) return false;
  TDataSet* dataSet = fDataLink->DataSet();
  if (!dataSet->CanModify()) return false;
  const UINT own = DBGridEhClipboardFormat();
  if (!Clipboard()->HasFormat(CF_TEXT) && (own == 0 || !Clipboard()->HasFormat(own))) return false;
  return dataSet->State() == dsInsert || fAllowedOperations.Contains(alopUpdateEh);
}

bool TCustomDBGridEh::CanSelectAll() {
  return fDataLink->Active() && !fDataLink->DataSet()->IsEmpty() && fAllowedSelections.Contains(gstAll);
}

bool TCustomDBGridEh::CanDeleteSelection() {
  if (!fDataLink->Active() || fReadOnly) return false;
  TDataSet* dataSet = fDataLink->DataSet();
  if (dataSet->IsEmpty() || !dataSet->CanModify()) return false;
  switch (fSelection->SelectionType()) {
    case gstRecordBookmarks:
    case gstAll:
      return fAllowedOperations.Contains(alopDeleteEh);
    case gstRectangle:
    case gstColumns:
      return fAllowedOperations.Contains(alopUpdateEh);
    case gstNon:
      break;
  }
  return false;
}

void TCustomDBGridEh::CopyValueFromRecordAbove() {
  TColumnEh* column = SelectedColumn();
  if (!fDataLink->Active() || column == nullptr || fDataLink->ActiveRecord() <= 0 || !column->CanModify(false))
    return;
  TField* field = column->Field();
  if (field == nullptr) return;
  TDataSet* dataSet = fDataLink->DataSet();
  // A lookup field is set through its key fields.
  const AnsiString names = field->Lookup() ? field->KeyFields() : field->FieldName();
  Variant value;
  {
    const int current = fDataLink->ActiveRecord();
    fDataLink->SetActiveRecord(current - 1);
    try {
      value = dataSet->FieldValues(names);
    } catch (...) {
      fDataLink->SetActiveRecord(current);
      throw;
    }
    fDataLink->SetActiveRecord(current);
  }
  fSelection->Clear();
  if (!column->CanModify(true)) return;
  dataSet->SetFieldValues(names, value);
  ShowEditor();
  if (InplaceEditor() != nullptr && InplaceEditor()->Visible()) InplaceEditor()->SelectAll();
}

}  // namespace ordvane
