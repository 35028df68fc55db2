#include "examples/PersonsForm.h"

#include "classlib/core/Application.h"
#include "classlib/core/CodePages.h"

namespace ordvane::demo {

TfrmPersons::TfrmPersons(TComponent* owner, TDataSet& persons)
    : TForm(owner), Grid(new TDBGridEh(this)), Source(new TDataSource(this)) {
  SetCaption(Utf8ToAnsi("Особи"));
  SetBounds(0, 0, 960, 600);
  SetPosition(poScreenCenter);
  Source->SetDataSet(&persons);

  Grid->SetParent(this);
  Grid->SetAlign(alClient);
  // Rows are selected to be copied; a person is corrected in place (the key stays).
  Grid->SetOptions(Grid->Options() + TDBGridOptions{dgMultiSelect});
  // Whole persons: Shift with the arrows or a drag selects rows, never a block of cells.
  Grid->SetAllowedSelections({gstRecordBookmarks, gstAll});
  Grid->SetOptionsEh(Grid->OptionsEh() +
                     TDBGridEhOptions{dghAutoSortMarking, dghMultiSortMarking, dghDialogFind});
  Grid->SetEditActions({geaCopyEh, geaSelectAllEh});
  // Every record is fetched: sorting and filtering work on them in memory.
  Grid->SetSortLocal(true);
  Grid->STFilter().SetLocal(true);
  Grid->STFilter().SetVisible(true);
  Grid->SetFooterRowCount(1);
  Grid->SumList().SetActive(true);

  // "|" stacks a title's words as bands: the person's name stands over its three parts.
  Grid->SetUseMultiTitle(true);
  TColumnEh* key = AddColumn("ID", "№", 50);
  key->SetReadOnly(true);
  key->Footer().SetValueType(fvtCount);
  AddColumn("SURNAME", "Особа|Прізвище", 150);
  AddColumn("FIRST_NAME", "Особа|Ім’я", 110);
  AddColumn("PATRONYMIC", "Особа|По батькові", 150);
  AddColumn("BORN", "Дата народження", 120);
  AddColumn("DOC_NO", "Документ", 110);
  TColumnEh* amount = AddColumn("AMOUNT", "Сума", 120);
  amount->SetDisplayFormat("#,##0.00");
  amount->Footer().SetValueType(fvtSum);
  amount->Footer().SetDisplayFormat("#,##0.00");
  Grid->SetDataSource(Source);
  OnCloseQuery = [this](TObject* sender, bool& canClose) { SaveEditBeforeClosing(sender, canClose); };
}

void TfrmPersons::SaveEditBeforeClosing(TObject* /*sender*/, bool& canClose) {
  TDataSet* persons = Source->DataSet();
  if (persons == nullptr || !persons->Active()) return;
  try {
    // The text in the cell's editor goes to the row first, as when the row is left.
    persons->CheckBrowseMode();
  } catch (...) {
    Application->HandleException(this);
    canClose = false;
  }
}

TColumnEh* TfrmPersons::AddColumn(const char* field, const char* title, int width) {
  TColumnEh* column = Grid->Columns().Add();
  column->SetFieldName(field);
  column->Title().SetCaption(Utf8ToAnsi(title));
  column->Title().SetTitleButton(true);
  column->SetWidth(width);
  return column;
}

}  // namespace ordvane::demo
