#pragma once
// The form that shows the PERSONS table in the data-aware grid: sorted by a click on a
// column's title (Ctrl+click for several columns), the name's parts under one title, the
// filter row, the count of persons and the sum of their amounts in the footer, the find
// dialog (Ctrl+F) and copy to the clipboard (Ctrl+C). Closing it saves a person being
// edited, as leaving the row does; a change the database refuses is shown and the form
// stays open.

#include "classlib/db/DataSource.h"
#include "classlib/ui/Forms.h"
#include "grid/DBGridEh.h"

namespace ordvane::demo {

class TfrmPersons : public TForm {
  ORDVANE_CLASS(TfrmPersons, TForm)

 public:
  // Made hidden; `persons` stays the grid's dataset for the form's life.
  TfrmPersons(TComponent* owner, TDataSet& persons);

  TDBGridEh* Grid;
  TDataSource* Source;

 private:
  TColumnEh* AddColumn(const char* field, const char* title, int width);
  void SaveEditBeforeClosing(TObject* sender, bool& canClose);
};

}  // namespace ordvane::demo
