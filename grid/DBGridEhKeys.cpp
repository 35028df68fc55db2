// The grid's keyboard: keys move the dataset's cursor rather than grid rows, Shift extends
// a row or rectangle selection, Ctrl reaches the clipboard and selection actions, Insert and
// Delete insert and delete records, and typed characters may feed the incremental search.

#include <algorithm>
#include <cstdlib>

#include "classlib/ui/Clipbrd.h"
#include "classlib/ui/Dialogs.h"
#include "classlib/ui/WinInput.h"
#include "grid/DBGridEh.h"

namespace ordvane {

namespace {

bool IsEditingState(TDataSetState state) {
  return state == dsEdit || state == dsInsert || state == dsSetKey;
}

// A check-box or image column: its value steps by Space and clears by Delete.
bool IsSteppedColumn(TColumnEh* column) {
  if (column == nullptr) return false;
  const TColumnCellKind kind = column->GetColumnType();
  return kind == ctCheckboxes || kind == ctKeyImageList;
}

void RunAction(const TDBGridEhActionProcEh& action, TCustomDBGridEh& grid) {
  if (action) action(grid);
}

}  // namespace

TDBGridEhShortCutsEh& DBGridEhShortCuts() {
  static TDBGridEhShortCutsEh shortCuts{ShortCut('F', false, true, false),         ShortCut('F', false, true, false),
                                        ShortCut(VK_RETURN, false, true, false),   ShortCut(VK_RETURN, true, true, false),
                                        ShortCut(VK_OEM_7, false, true, false),    1500};
  return shortCuts;
}

// ---- KeyDown --------------------------------------------------------------------------

void TCustomDBGridEh::KeyDown(Word& key, TShiftState shift) {
  TDestroyWatch watch(this);
  fKeepSelectionByKey = shift.Contains(ssCtrl) || !fOptionsEh.Contains(dghClearSelection);
  // OnKeyDown only: the keys move the dataset, not the base grid's rows.
  TCustomControl::KeyDown(key, shift);  // NOLINT(bugprone-parent-virtual-call)
  if (watch.Gone() || key == 0) return;
  if (EnterFilterRow(key, shift)) {
    key = 0;
    return;
  }
  if (UseRightToLeftAlignment()) {
    if (key == VK_LEFT)
      key = VK_RIGHT;
    else if (key == VK_RIGHT)
      key = VK_LEFT;
  }
  if (!fDataLink->Active() || !CanGridAcceptKey(key, shift)) return;
  if (HandleShortCut(key, shift)) {
    key = 0;
    return;
  }
  if (shift.Contains(ssCtrl))
    CtrlKeyDown(key, shift);
  else
    PlainKeyDown(key, shift);
  if (watch.Gone()) return;
  if (key == VK_DELETE && !shift.Contains(ssCtrl)) NullCheckOrImageByKey();
}

bool TCustomDBGridEh::HandleShortCut(Word key, TShiftState shift) {
  const TDBGridEhShortCutsEh& shortCuts = DBGridEhShortCuts();
  const TShortCut pressed = ShortCut(key, shift.Contains(ssShift), shift.Contains(ssCtrl), shift.Contains(ssAlt));
  if (pressed == shortCuts.CopyFromAbove) {
    CopyValueFromRecordAbove();
    return true;
  }
  return HandleFindShortCut(key, shift) || (fInplaceSearching && HandleSearchKey(key, shift));
}

bool TCustomDBGridEh::HandleFindShortCut(Word key, TShiftState shift) {
  const TDBGridEhShortCutsEh& shortCuts = DBGridEhShortCuts();
  const TShortCut pressed = ShortCut(key, shift.Contains(ssShift), shift.Contains(ssCtrl), shift.Contains(ssAlt));
  // One Ctrl+F runs only the first rule that takes it.
  if (pressed == shortCuts.IncSearch && fOptionsEh.Contains(dghIncSearch)) {
    if (fInplaceSearching && fOptionsEh.Contains(dghDialogFind) && shortCuts.IncSearch == shortCuts.FindDialog) {
      StopIncSearch();
      ShowFindDialogProc(*this, AnsiString(), AnsiString(), CanProcessEditKey());
    } else {
      IncSearch(AnsiString(), -1, ltdAllEh);
    }
    return true;
  }
  if (pressed == shortCuts.FindDialog && fOptionsEh.Contains(dghDialogFind)) {
    ShowFindDialogProc(*this, AnsiString(), AnsiString(), CanProcessEditKey());
    return true;
  }
  return false;
}

bool TCustomDBGridEh::HandleSearchKey(Word key, TShiftState shift) {
  const TDBGridEhShortCutsEh& shortCuts = DBGridEhShortCuts();
  const TShortCut pressed = ShortCut(key, shift.Contains(ssShift), shift.Contains(ssCtrl), shift.Contains(ssAlt));
  if (shift.Empty() && (key == VK_RETURN || key == VK_ESCAPE || key == VK_F2)) {
    StopIncSearch();
    return true;
  }
  if (shift.Empty() && key == VK_BACK) {
    RemoveSearchChar();
    return true;
  }
  if (pressed == shortCuts.SearchNext || pressed == shortCuts.SearchPrior) {
    SearchFor(fInplaceSearchText, fInplaceSearchTimeOut, pressed == shortCuts.SearchNext ? ltdDownEh : ltdUpEh);
    return true;
  }
  return false;
}

void TCustomDBGridEh::CtrlKeyDown(Word key, TShiftState shift) {
  TDataSet* dataSet = fDataLink->DataSet();
  const bool select = shift.Contains(ssShift) && fDBOptions.Contains(dgMultiSelect);
  if (!shift.Contains(ssShift) &&
      (key == VK_PRIOR || key == VK_NEXT || key == VK_END || key == VK_HOME || key == VK_UP || key == VK_DOWN))
    ClearSelectionByKey();
  switch (key) {
    case VK_PRIOR:
    case VK_UP:
    case VK_NEXT:
    case VK_DOWN: {
      // To the first or the last row shown.
      const bool up = key == VK_PRIOR || key == VK_UP;
      const int distance =
          up ? -fDataLink->ActiveRecord() : fDataLink->RecordCount() - fDataLink->ActiveRecord() - 1;
      if (select)
        MoveWithSelection(true, distance, false, false);
      else
        dataSet->MoveBy(distance);
      break;
    }
    case VK_LEFT:
      SelectColumn(fIndicatorOffset, 1, false);
      break;
    case VK_RIGHT:
      SelectColumn(ColCount() - 1, -1, false);
      break;
    case VK_HOME:
    case VK_END:
      if (select)
        MoveWithSelection(true, key == VK_END ? 1 : -1, false, true);
      else if (key == VK_END)
        dataSet->Last();
      else
        dataSet->First();
      break;
    case VK_INSERT:
    case 'C':
      if (CanCopySelection() && fEditActions.Contains(geaCopyEh)) RunAction(GridCopyToClipboardProc(), *this);
      break;
    case 'X':
      CutByKey();
      break;
    case 'V':
      PasteByKey();
      break;
    case VK_DELETE:
      if (fEditActions.Contains(geaDeleteEh) && fSelection->SelectionType() != gstNon) {
        if (CanDeleteSelection()) RunAction(GridDeleteSelectionProc(), *this);
      } else {
        DeleteRecordsByKey();
      }
      break;
    case 'A':
      if (CanSelectAll() && fEditActions.Contains(geaSelectAllEh)) fSelection->SelectAll();
      break;
    default:
      break;
  }
}

void TCustomDBGridEh::PlainKeyDown(Word key, TShiftState shift) {
  const bool shifted = shift.Contains(ssShift);
  switch (key) {
    case VK_UP:
      MoveUp(shifted);
      break;
    case VK_DOWN:
      MoveDown(shifted);
      break;
    case VK_LEFT:
    case VK_RIGHT:
      HorizontalKey(key == VK_RIGHT ? 1 : -1, shift);
      break;
    case VK_HOME:
    case VK_END:
      EdgeKey(key == VK_END, shift);
      break;
    case VK_NEXT:
    case VK_PRIOR:
      PageMove(shift, key == VK_NEXT ? 1 : -1);
      break;
    case VK_INSERT:
      if (shifted)
        PasteByKey();
      else
        InsertRecordByKey();
      break;
    case VK_DELETE:
      if (shifted) CutByKey();
      break;
    case VK_TAB:
      if (!shift.Contains(ssAlt)) TabMove(!shifted);
      break;
    case VK_RETURN:
      if (fOptionsEh.Contains(dghEnterAsTab)) TabMove(!shifted);
      break;
    case VK_ESCAPE:
      CancelByKey();
      break;
    case VK_F2:
      SetEditorMode(true);
      break;
    default:
      break;
  }
}

void TCustomDBGridEh::CutByKey() {
  if (CanCutSelection() && fEditActions.Contains(geaCutEh)) RunAction(GridCutToClipboardProc(), *this);
}

// While a search runs, the clipboard's text extends it.
void TCustomDBGridEh::PasteByKey() {
  if (fInplaceSearching)
    ExtendSearchByClipboard();
  else if (CanPasteClipboard() && fEditActions.Contains(geaPasteEh))
    RunAction(GridPasteFromClipboardProc(), *this);
}

void TCustomDBGridEh::HorizontalKey(int direction, TShiftState shift) {
  if (fDBOptions.Contains(dgRowSelect)) {
    if (direction < 0 && LeftCol() > FixedCols())
      SetLeftCol(LeftCol() - 1);
    else if (direction > 0 && LeftCol() + VisibleColCount() < ColCount())
      SetLeftCol(LeftCol() + 1);
    return;
  }
  const bool extend = shift.Contains(ssShift) && fDBOptions.Contains(dgMultiSelect);
  if (!extend) ClearSelectionByKey();
  SelectColumn(Col() + direction, direction, extend);
}

void TCustomDBGridEh::EdgeKey(bool toEnd, TShiftState shift) {
  const bool select = shift.Contains(ssShift) && fDBOptions.Contains(dgMultiSelect);
  if (fVisibleColumns.Count() <= 1 || fDBOptions.Contains(dgRowSelect)) {
    if (select) return MoveWithSelection(true, toEnd ? 1 : -1, false, true);
    ClearSelectionByKey();
    if (toEnd)
      fDataLink->DataSet()->Last();
    else
      fDataLink->DataSet()->First();
    return;
  }
  if (!select) ClearSelectionByKey();
  if (toEnd)
    SelectColumn(ColCount() - 1, -1, select);
  else
    SelectColumn(fIndicatorOffset, 1, select);
}

void TCustomDBGridEh::PageMove(TShiftState shift, int direction) {
  const int page = std::max(1, VisibleRowCount());
  const bool select = shift.Contains(ssShift) && fDBOptions.Contains(dgMultiSelect);
  if (!select) ClearSelectionByKey();
  MoveWithSelection(select, direction * page, false, false);
}

void TCustomDBGridEh::InsertRecordByKey() {
  TDataSet* dataSet = fDataLink->DataSet();
  if (!dataSet->CanModify() || fReadOnly || !fDBOptions.Contains(dgEditing)) return;
  ClearSelectionByKey();
  fSelection->Clear();
  if (fAllowedOperations.Contains(alopInsertEh))
    dataSet->Insert();
  else if (fAllowedOperations.Contains(alopAppendEh))
    dataSet->Append();
}

void TCustomDBGridEh::DeleteRecordsByKey() {
  TDataSet* dataSet = fDataLink->DataSet();
  if (fReadOnly || dataSet->IsEmpty() || !dataSet->CanModify() || !fAllowedOperations.Contains(alopDeleteEh) ||
      !ConfirmDelete())
    return;
  if (fSelectedRows->GetCount() > 0)
    fSelectedRows->DeleteSelectedRecords();
  else
    dataSet->Delete();
}

void TCustomDBGridEh::CancelByKey() {
  TDestroyWatch watch(this);
  if (IsEditingState(fDataLink->DataSet()->State())) fDataLink->DataSet()->Cancel();
  if (watch.Gone()) return;
  ClearSelectionByKey();
  fSelection->Clear();
  if (!fDBOptions.Contains(dgAlwaysShowEditor)) HideEditor();
  // A sizing, a column move or a record drag under way ends here.
  if (GridState() != grsNormal || fDBGridEhState != dgsNormalEh) Perform(WM_CANCELMODE, 0, 0);
}

void TCustomDBGridEh::NullCheckOrImageByKey() {
  TColumnEh* column = SelectedColumn();
  if (!IsSteppedColumn(column) || fDBOptions.Contains(dgRowSelect)) return;
  TField* field = column->Field();
  if (field == nullptr || field->Required() || !column->CanModify(true)) return;
  field->Clear();
}

// ---- Selection by keyboard ------------------------------------------------------------

void TCustomDBGridEh::ClearSelectionByKey() {
  if (fDBOptions.Contains(dgMultiSelect) && fOptionsEh.Contains(dghClearSelection)) fSelectedRows->Clear();
  fSelectingByKey = false;
  if (fSelection->SelectionType() != gstNon && fOptionsEh.Contains(dghClearSelection)) {
    fSelection->Clear();
    Invalidate();
  }
}

void TCustomDBGridEh::MoveWithSelection(bool select, int distance, bool rowMode, bool toEdge) {
  TDataSet* dataSet = fDataLink->DataSet();
  BeginUpdate();
  try {
    if (!rowMode && !fDBOptions.Contains(dgRowSelect) && select && SelectionTypeAllowed(gstRectangle)) {
      if (fSelection->SelectionType() != gstRectangle) {
        fSelection->Clear();
        fSelection->Rect().Select(SelectedIndex(), dataSet->Bookmark(), false);
      }
      if (!toEdge)
        dataSet->MoveBy(distance);
      else if (distance == 1)
        dataSet->Last();
      else
        dataSet->First();
      fSelection->Rect().Select(SelectedIndex(), dataSet->Bookmark(), true);
    } else {
      const int step = distance < 0 ? -1 : 1;
      for (int done = 0; toEdge || done < std::abs(distance); ++done)
        if (!SelectingRowStep(select, step)) break;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  if (UpdateLock() == 0) Invalidate();
}

bool TCustomDBGridEh::SelectingRowStep(bool select, int step) {
  TDataSet* dataSet = fDataLink->DataSet();
  bool backTowardsAnchor = false;
  if (fDBOptions.Contains(dgMultiSelect) && fDataLink->Active()) {
    if (!select || !SelectionTypeAllowed(gstRecordBookmarks)) {
      ClearSelectionByKey();
    } else if (!fSelectingByKey) {
      fKeyAnchor = dataSet->Bookmark();
      fKeyAnchorSelected = fSelectedRows->GetCurrentRowSelected();
      fSelectedRows->SetCurrentRowSelected(fKeepSelectionByKey ? !fKeyAnchorSelected : true);
      fSelectingByKey = true;
    } else {
      const int side = dataSet->CompareBookmarks(dataSet->Bookmark(), fKeyAnchor);
      backTowardsAnchor = (side > 0 && step < 0) || (side < 0 && step > 0);
      if (backTowardsAnchor) fSelectedRows->SetCurrentRowSelected(fKeepSelectionByKey && fKeyAnchorSelected);
    }
  }
  if (dataSet->MoveBy(step) == 0) return false;
  if (select && fSelectingByKey && !backTowardsAnchor)
    fSelectedRows->SetCurrentRowSelected(fKeepSelectionByKey ? !fKeyAnchorSelected : true);
  return true;
}

// ---- Moves ----------------------------------------------------------------------------

void TCustomDBGridEh::MoveUp(bool select) {
  TDataSet* dataSet = fDataLink->DataSet();
  // An untouched new record that is not the last one goes when the user leaves it.
  if (dataSet->State() == dsInsert && !dataSet->Modified() && !fDataLink->Modified() && !dataSet->Eof()) {
    dataSet->Cancel();
    return;
  }
  MoveWithSelection(select, -1, false, false);
}

void TCustomDBGridEh::MoveDown(bool select) {
  TDataSet* dataSet = fDataLink->DataSet();
  if (dataSet->State() == dsInsert && !dataSet->Modified() && !fDataLink->Modified()) {
    if (!dataSet->Eof()) dataSet->Cancel();
    return;
  }
  MoveWithSelection(select, 1, false, false);
  if (dataSet->Eof() && dataSet->CanModify() && !fReadOnly && fDBOptions.Contains(dgEditing) &&
      fAllowedOperations.Contains(alopAppendEh))
    dataSet->Append();
}

void TCustomDBGridEh::TabMove(bool forward) {
  ClearSelectionByKey();
  const int start = Col();
  const int last = ColCount() - 1;
  int col = start;
  // At most one pass over the columns: a walk that comes back to its start stops there.
  for (int steps = last - fIndicatorOffset + 1; steps > 0; --steps) {
    if (forward) {
      if (++col > last) {
        col = fIndicatorOffset;
        MoveDown(false);
      }
    } else if (--col < fIndicatorOffset) {
      col = last;
      MoveUp(false);
    }
    if (col == start || (TabStops(col) && ColWidths(col) > 0)) break;
  }
  if (col != Col()) SelectColumn(col, 0, false);
}

bool TCustomDBGridEh::ConfirmDelete() {
  if (!fDBOptions.Contains(dgConfirmDelete)) return true;
  const char* text = fSelectedRows->GetCount() > 1 ? "Delete all selected records?" : "Delete record?";
  return MessageDlg(text, mtConfirmation, mbOKCancel) != mrCancel;
}

// ---- Characters -----------------------------------------------------------------------

bool TCustomDBGridEh::CharFeedsIncSearch(char key) {
  const auto code = static_cast<Byte>(key);
  if ((code < 32 && code != VK_BACK) || !fDataLink->Active() || IsEditingState(fDataLink->DataSet()->State()))
    return false;
  if (fInplaceSearching) return true;
  TColumnEh* column = SelectedColumn();
  const bool columnEditable = fDBOptions.Contains(dgEditing) && column != nullptr && column->CanModify(false);
  return (fOptionsEh.Contains(dghIncSearch) && !columnEditable) ||
         (fOptionsEh.Contains(dghPreferIncSearch) && !fDBOptions.Contains(dgAlwaysShowEditor) && !EditorMode());
}

void TCustomDBGridEh::KeyPress(char& key) {
  TDestroyWatch watch(this);
  if (key == '\r' && fOptionsEh.Contains(dghEnterAsTab)) key = '\t';
  if (key == '\r' && !fDBOptions.Contains(dgAlwaysShowEditor)) fDataLink->UpdateRecord();
  if (watch.Gone()) return;
  TCustomGridEh::KeyPress(key);
  if (watch.Gone() || static_cast<Byte>(key) < 32 || !CharFeedsIncSearch(key)) return;
  IncSearch(AnsiString(1, key), fInplaceSearching ? fInplaceSearchTimeOut : DBGridEhShortCuts().IncSearchTimeOut,
            ltdAllEh);
  key = 0;
}

void TCustomDBGridEh::WMChar(TMessage& message) {
  TDestroyWatch watch(this);
  const char key = static_cast<char>(message.WParam);
  if (ForwardCharToFilterEdit(key)) return;
  TColumnEh* column = SelectedColumn();
  if (key == ' ' && !fDBOptions.Contains(dgRowSelect) && IsSteppedColumn(column)) {
    char pressed = key;
    FireEvent(OnKeyPress, this, pressed);
    if (watch.Gone() || pressed != ' ') return;
    if (column->CanModify(true)) column->SetNextFieldValue(GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
    return;
  }
  // Characters for the search go through KeyPress (and the form's preview); the rest
  // open the editor.
  if (CharFeedsIncSearch(key))
    TCustomControl::Dispatch(message);  // NOLINT(bugprone-parent-virtual-call)
  else
    TCustomGridEh::Dispatch(message);
}

void TCustomDBGridEh::ExtendSearchByClipboard() {
  const AnsiString text = Clipboard()->AsText();
  if (!text.empty()) IncSearch(text, fInplaceSearchTimeOut, ltdAllEh);
}

}  // namespace ordvane
