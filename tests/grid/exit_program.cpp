// A program as its author writes it: the main form, owned by the application, holds a
// data-aware grid over a dataset; the form is shown and painted, and the program returns
// from main, leaving the form, its grid and the dataset to the application.

#include "classlib/core/Application.h"
#include "classlib/db/DB.h"
#include "classlib/ui/Forms.h"
#include "grid/DBGridEh.h"
#include "tests/support/MemDataSet.h"

int main() {
  using namespace ordvane;
  auto* form = new TForm(Application);
  form->SetBounds(0, 0, 400, 300);
  auto* data = new test::TMemDataSet(form);
  data->FieldDefs().Add("NAME", ftString, 20);
  data->Open();
  data->AppendRecord({Variant("Olena")});
  auto* source = new TDataSource(form);
  source->SetDataSet(data);
  auto* grid = new TDBGridEh(form);
  grid->SetParent(form);
  grid->SetAlign(alClient);
  grid->SetDataSource(source);
  form->Show();
  Application->ProcessMessages();
  return 0;
}
