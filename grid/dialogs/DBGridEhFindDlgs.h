#pragma once
// The grid's find dialog: searches the records of a grid for a text, in one column or in
// all, from the start or on from the record found last. One dialog serves every grid of
// the process; made at the first search and owned by the application. The unit's start
// points the grid's find-dialog procedure at ExecuteFindDialog: a program that links the
// grid's dialogs has the find shortcut, one that does not has a shortcut that does nothing.

#include "classlib/ui/Forms.h"
#include "classlib/ui/StdButtons.h"
#include "grid/DBGridEh.h"
#include "gridbase/DBCtrlsEhCheckBox.h"
#include "gridbase/DBCtrlsEhComboBox.h"

namespace ordvane {

class TDBGridEhFindDlg : public TForm {
  ORDVANE_CLASS(TDBGridEhFindDlg, TForm)

 public:
  explicit TDBGridEhFindDlg(TComponent* owner);
  ~TDBGridEhFindDlg() override;

  TLabel* lText;
  TDBComboBoxEh* cbText;
  TLabel* lFindIn;
  TDBComboBoxEh* cbFindIn;
  TLabel* lMatchinType;
  TDBComboBoxEh* cbMatchinType;
  TLabel* lFindDirection;
  TDBComboBoxEh* cbFindDirection;
  TDBCheckBoxEh* cbCharCase;
  TDBCheckBoxEh* cbUseFormat;
  TLabel* lTreeFindRange;
  TDBComboBoxEh* dbcTreeFindRange;
  TButton* bFind;
  TButton* bCancel;

  // The grid searched; nil before the first search and after the grid went.
  TCustomDBGridEh* Grid() const { return fGrid; }
  // Set while the next search starts from the first record (direction "all").
  bool FirstSearch() const { return fFirstSearch; }
  // Binds the dialog to the grid: the given text, the grid's shown columns by title and
  // "<All>" last, the grid's selected column chosen.
  void Prepare(TCustomDBGridEh& grid, const AnsiString& text);
  // Searches the grid once more ("На&йти далее"); Ctrl held reverses the direction.
  void FindNext();

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  // Enter runs the search, Escape closes; a control with its list open keeps them.
  void KeyDown(Word& key, TShiftState shift) override;

 private:
  void SetGrid(TCustomDBGridEh* grid);
  void SearchChanged(TObject* sender);
  void CancelClick(TObject* sender);
  // The field of the column chosen in cbFindIn among the grid's columns shown now; empty
  // for "<All>" or a title no column shows.
  AnsiString ChosenFieldName() const;
  bool AllColumnsChosen() const;

  TCustomDBGridEh* fGrid = nullptr;
  bool fFirstSearch = true;
};

// Shows the process's find dialog for the grid: modal (through the dialog service), or
// non-modal and above the other forms.
void ExecuteFindDialog(TCustomDBGridEh& grid, const AnsiString& text, const AnsiString& fieldName, bool modal);
// The dialog, nil until the first search.
TDBGridEhFindDlg* DBGridEhFindDlg();

}  // namespace ordvane
