// The current column and the in-place editor's hooks: choosing a column, what the editor
// shows and may change, and writing the edited text back into the field by the kind of
// the column (plain text, pick list, key/pick list, lookup field).

#include <algorithm>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/Math.h"
#include "grid/DBGridEh.h"

namespace ordvane {

namespace {

// Every line break as CR LF, the form the editor shows.
AnsiString NormalizedLineBreaks(const AnsiString& text) {
  AnsiString result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch == '\r' || ch == '\n') {
      result += "\r\n";
      if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      result += ch;
    }
  }
  return result;
}

bool ListHasTextIgnoringCase(TStrings& list, const AnsiString& text) {
  for (int i = 0; i < list.Count(); ++i)
    if (AnsiCompareText(list.Strings(i), text) == 0) return true;
  return false;
}

// The key stored for pick-list position `index`, or no key (false).
bool KeyAt(TStrings& keys, int index, Variant& key) {
  if (index < 0 || index >= keys.Count()) return false;
  key = Variant(keys.Strings(index));
  return true;
}

}  // namespace

// ---- Current column -------------------------------------------------------------------

int TCustomDBGridEh::SelectedIndex() const {
  const int dataCol = RawToDataColumn(Col());
  return dataCol >= 0 && dataCol < fColumns->Count() ? dataCol : -1;
}

TColumnEh* TCustomDBGridEh::SelectedColumn() const {
  const int index = SelectedIndex();
  return index < 0 ? nullptr : fColumns->Items(index);
}

TField* TCustomDBGridEh::SelectedField() const {
  TColumnEh* column = SelectedColumn();
  return column == nullptr ? nullptr : column->Field();
}

void TCustomDBGridEh::SetSelectedIndex(int value) {
  SelectColumn(DataToRawColumn(value), 0, false);
}

void TCustomDBGridEh::SelectColumn(int col, int direction, bool extend) {
  TDataSet* dataSet = fDataLink->DataSet();
  const bool rectangle = extend && !fDBOptions.Contains(dgRowSelect) && SelectionTypeAllowed(gstRectangle) &&
                         fDataLink->Active() && dataSet != nullptr;
  if (rectangle && fSelection->SelectionType() != gstRectangle) {
    fSelection->Clear();
    fSelection->Rect().Select(SelectedIndex(), dataSet->Bookmark(), false);
  }
  fDataLink->UpdateRecord();
  const int last = ColCount() - 1;
  col = std::clamp(col, fIndicatorOffset, std::max(last, fIndicatorOffset));
  if (direction != 0) {
    while (col >= fIndicatorOffset && col <= last && ColWidths(col) <= 0) col += direction;
    if (col < fIndicatorOffset || col > last) return;
  }
  if (col != Col()) {
    if (!fInColExit) {
      const int before = Col();
      {
        const TFlagScope inColExit(fInColExit);
        ColExit();
      }
      if (Col() != before) return;
    }
    if (!fDBOptions.Contains(dgAlwaysShowEditor)) HideEditor();
    if (!fDBOptions.Contains(dgRowSelect)) MoveColRow(col, Row(), true, true);
    const TColumnCellKind kind = SelectedColumn() == nullptr ? ctCommon : SelectedColumn()->GetColumnType();
    if (kind != ctKeyImageList && kind != ctCheckboxes && CanEditorAlwaysShow())
      ShowEditor();
    ColEnter();
  }
  if (rectangle) fSelection->Rect().Select(SelectedIndex(), dataSet->Bookmark(), true);
}

void TCustomDBGridEh::SelectFieldColumn(TField* field) {
  if (field == nullptr) return;
  for (int i = 0; i < fColumns->Count(); ++i)
    if (fColumns->Items(i)->Field() == field) SelectColumn(DataToRawColumn(i), 0, false);
}

void TCustomDBGridEh::ColEnter() {
  ApplyColumnIme();
  if (OnColEnter) OnColEnter(this);
}

void TCustomDBGridEh::ColExit() {
  if (OnColExit) OnColExit(this);
}

void TCustomDBGridEh::ColumnMoved(int from, int to) {
  {
    const TSTFilterUpdateScopeEh filterUpdate(*fSTFilter);
    const int fromData = RawToDataColumn(from);
    const int toData = RawToDataColumn(to);
    // The edited filter cell moves with its column.
    TColumnEh* filterColumn = fFilterCol >= 0 && fFilterCol < fColumns->Count() ? fColumns->Items(fFilterCol) : nullptr;
    fColumns->Items(fromData)->SetIndex(toData);
    if (filterColumn != nullptr) fFilterCol = filterColumn->Index();
    if (OnColumnMoved) OnColumnMoved(this, fromData, toData);
  }
  UpdateFilterEditBounds(false);
}

// ---- Window ---------------------------------------------------------------------------

void TCustomDBGridEh::CreateWnd() {
  BeginUpdate();
  struct TEnd {
    TCustomDBGridEh& grid;
    ~TEnd() { grid.EndUpdate(); }
  } end{*this};
  TCustomGridEh::CreateWnd();
  fCreatedImeMode = fImeMode;
  fCreatedImeName = fImeName;
  ComputeButtonWidth();
  if (fAutoFitColWidths) {
    // The update section is held: take the layout section directly.
    BeginLayout();
    EndLayout();
  } else if (fLayoutLock == 0) {
    UpdateRowCount();
    SyncRowWithRecord();
  }
  UpdateScrollBar();
}

void TCustomDBGridEh::UpdateHorzExtScrollBar() {
  TScrollBar* bar = fHorzScrollBar->ExtScrollBar();
  if (bar == nullptr) return;
  const bool allInView = VisibleColCount() + FixedCols() >= ColCount();
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  const int greatestLeft = CalcMaxTopLeft({ColCount() - 1, RowCount() - 1}, info).X;
  const int span = greatestLeft - FixedCols();
  const int position = span > 0 ? MulDiv(LeftCol() - FixedCols(), 127, span) : 0;
  bar->SetPageSize(0);
  bar->SetParams(allInView ? 0 : std::clamp(position, 0, 127), 0, allInView ? 0 : 127);
}

// ---- Editor hooks ---------------------------------------------------------------------

bool TCustomDBGridEh::CanEditShow() {
  if (fLayoutLock > 0) return false;
  TColumnEh* column = SelectedColumn();
  bool result = TCustomGridEh::CanEditShow() && column != nullptr;
  if (result) {
    const TColumnCellKind kind = column->GetColumnType();
    result = kind != ctCheckboxes && kind != ctKeyImageList;
  }
  if (result && fSelection->SelectionType() != gstNon)
    result = !(fOptionsEh.Contains(dghClearSelection) && SelectionTypeAllowed(gstRectangle));
  if (!result) HideEditor();
  return result;
}

bool TCustomDBGridEh::CanEditAcceptKey(char key) {
  TColumnEh* column = SelectedColumn();
  TField* field = SelectedField();
  const bool editorReadOnly = InplaceEditor() != nullptr && InplaceEditor()->ReadOnly();
  if (!fDataLink->Active() || field == nullptr) return !editorReadOnly;
  if (column->KeyList()->Count() > 0) return !editorReadOnly;
  return column->CanModify(false) && field->IsValidChar(key);
}

bool TCustomDBGridEh::CanEditModify() {
  TColumnEh* column = SelectedColumn();
  if (column == nullptr || column->GetColumnType() == ctCheckboxes) return false;
  if (fReadOnly || !fDataLink->Active() || fDataLink->ReadOnly() || column->ReadOnly()) return false;
  TField* field = column->Field();
  if (field == nullptr) return false;
  if (field->FieldKind() == fkLookup) {
    const auto keys = field->DataSet()->GetFieldList(field->KeyFields());
    if (keys.empty() || !FieldsCanModifyEh(keys)) return false;
  } else if (!field->CanModify()) {
    return false;
  }
  if (field->IsBlob() && !(fDrawMemoText && field->DataType() == ftMemo)) return false;
  fDataLink->Edit();
  return fDataLink->Editing();
}

int TCustomDBGridEh::GetEditLimit() {
  TColumnEh* column = SelectedColumn();
  TField* field = SelectedField();
  if (column == nullptr || field == nullptr || column->KeyList()->Count() > 0) return 0;
  return field->DataType() == ftString ? field->Size() : 0;
}

AnsiString TCustomDBGridEh::GetEditMask(int /*col*/, int /*row*/) {
  TColumnEh* column = SelectedColumn();
  if (column == nullptr) return {};
  if (!column->EditMask().empty()) return column->EditMask();
  TField* field = column->Field();
  if (field == nullptr || column->KeyList()->Count() > 0) return {};
  return field->EditMask();
}

Byte TCustomDBGridEh::GetEditStyle(int col, int row) {
  const int dataCol = RawToDataColumn(col);
  if (row < TitleOffset() || dataCol < 0 || dataCol >= fColumns->Count()) return esSimple;
  return fColumns->Items(dataCol)->GetEditStyle();
}

AnsiString TCustomDBGridEh::GetEditText(int /*col*/, int /*row*/) {
  fPendingKey = Null();
  TField* field = SelectedField();
  if (field != nullptr && field->FieldKind() == fkLookup && !field->KeyFields().empty())
    fPendingKey = field->DataSet()->FieldValues(field->KeyFields());
  fLastEditText = FieldEditText();
  return fLastEditText;
}

AnsiString TCustomDBGridEh::FieldEditText() {
  TColumnEh* column = SelectedColumn();
  TField* field = SelectedField();
  if (column == nullptr || field == nullptr) return {};
  AnsiString text;
  if (column->KeyList()->Count() > 0) {
    const int index = column->KeyList()->IndexOf(field->Text());
    if (index >= 0 && index < column->PickList()->Count()) text = column->PickList()->Strings(index);
  } else if (fDrawMemoText && field->DataType() == ftMemo) {
    text = NormalizedLineBreaks(field->AsString());
  } else {
    text = field->Text();
  }
  TColCellParamsEh params;
  column->FillColCellParams(params);
  params.Text = text;
  column->GetColCellParams(true, params);
  return params.Text;
}

void TCustomDBGridEh::SetEditText(int /*col*/, int /*row*/, const AnsiString& value) {
  // The record takes the text later, when the link asks for its pending edit.
  if (value != fLastEditText && fDataLink->Editing()) fDataLink->MarkModified();
  fLastEditText = value;
}

// ---- Writing the edit -----------------------------------------------------------------

void TCustomDBGridEh::UpdateData() {
  TColumnEh* column = SelectedColumn();
  if (column == nullptr) return;
  const AnsiString text = fLastEditText;
  TMRUListEh& recent = column->MRUList();
  if (recent.Active() && recent.AutoAdd() && !text.empty()) recent.Add(text);
  TField* field = column->Field();
  if (field == nullptr) return column->UpdateData(text, Variant(text), true);
  switch (column->GetColumnType()) {
    case ctPickList:
      if (column->OnNotInList && !ListHasTextIgnoringCase(*column->PickList(), text)) {
        bool recheck = false;
        column->OnNotInList(column, text, recheck);
      }
      return column->UpdateData(text, Variant(text), true);
    case ctKeyPickList:
      return UpdateDataKeyPickList(*column, text);
    default:
      break;
  }
  if (field->FieldKind() == fkLookup && !field->KeyFields().empty())
    return UpdateDataLookup(*column, *field, text);
  column->UpdateData(text, Variant(text), true);
}

void TCustomDBGridEh::UpdateDataKeyPickList(TColumnEh& column, const AnsiString& text) {
  TStrings& picks = *column.PickList();
  TStrings& keys = *column.KeyList();
  const int index = picks.IndexOf(text);
  if (index >= 0) {
    // A pick-list item without a key leaves the pending key as it is.
    KeyAt(keys, index, fPendingKey);
  } else if (column.OnNotInList && !text.empty()) {
    bool recheck = false;
    column.OnNotInList(&column, text, recheck);
    if (!recheck || !KeyAt(keys, picks.IndexOf(text), fPendingKey)) fPendingKey = Null();
  } else if (text.empty()) {
    fPendingKey = Null();
  } else {
    // A text in no item (the user deleted part of one) keeps the key the record holds:
    // writing the Null the editor started with would erase it.
    fPendingKey = column.Field()->Value();
  }
  column.UpdateData(text, fPendingKey, false);
}

void TCustomDBGridEh::UpdateDataLookup(TColumnEh& column, TField& field, const AnsiString& text) {
  TDataSet* list = column.LookupDataSet();
  if (VarIsNull(fPendingKey) && !text.empty() && column.OnNotInList && list != nullptr) {
    const TLocateOptions options{loCaseInsensitive};
    if (!list->Locate(field.LookupResultField(), Variant(text), options)) {
      bool recheck = false;
      column.OnNotInList(&column, text, recheck);
      if (recheck && list->Locate(field.LookupResultField(), Variant(text), options))
        fPendingKey = list->FieldValues(field.LookupKeyFields());
    }
  }
  TDataSet* dataSet = field.DataSet();
  if (FieldsCanModifyEh(dataSet->GetFieldList(field.KeyFields()))) {
    dataSet->Edit();
    column.UpdateData(text, fPendingKey, false);
  }
  if (fDrawMemoText && field.DataType() == ftMemo)
    field.SetAsString(text);
  else
    field.SetText(text);
}

}  // namespace ordvane
