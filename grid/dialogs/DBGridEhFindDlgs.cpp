#include "grid/dialogs/DBGridEhFindDlgs.h"

#include <cstdlib>

#include "classlib/core/Application.h"
#include "classlib/core/CodePages.h"
#include "classlib/ui/Dialogs.h"
#include "classlib/ui/WinInput.h"
#include "grid/DbUtilsEh.h"

namespace ordvane {

namespace {

constexpr int kLabelLeft = 8;
constexpr int kControlLeft = 100;
constexpr int kControlWidth = 180;
constexpr int kFirstRowTop = 10;
constexpr int kRowStep = 28;
constexpr int kButtonLeft = 295;
constexpr int kClientWidth = 400;
// The last row, the tree's range, is hidden: no dataset here shows a tree.
constexpr int kVisibleRows = 6;

TDBGridEhFindDlg* gFindDlg = nullptr;

int RowTop(int row) { return kFirstRowTop + row * kRowStep; }

TLabel* NewLabel(TDBGridEhFindDlg* form, int row, const char* caption) {
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetBounds(kLabelLeft, RowTop(row) + 4, 0, 0);
  label->SetCaption(Utf8ToAnsi(caption));
  return label;
}

// A combo box on its row with its label, which focuses it by the accelerator.
TDBComboBoxEh* NewComboRow(TDBGridEhFindDlg* form, int row, const char* caption, TLabel*& label,
                           std::initializer_list<const char*> items) {
  auto* combo = new TDBComboBoxEh(form);
  combo->SetParent(form);
  combo->SetBounds(kControlLeft, RowTop(row), kControlWidth, 21);
  for (const char* item : items) combo->Items()->Add(Utf8ToAnsi(item));
  label = NewLabel(form, row, caption);
  label->SetFocusControl(combo);
  return combo;
}

TDBCheckBoxEh* NewCheckRow(TDBGridEhFindDlg* form, int row, const char* caption, bool checked) {
  auto* check = new TDBCheckBoxEh(form);
  check->SetParent(form);
  check->SetBounds(kControlLeft, RowTop(row), kControlWidth, 17);
  check->SetCaption(Utf8ToAnsi(caption));
  check->SetChecked(checked);
  return check;
}

TButton* NewButton(TDBGridEhFindDlg* form, int top, const char* caption) {
  auto* button = new TButton(form);
  button->SetParent(form);
  button->SetBounds(kButtonLeft, top, 95, 25);
  button->SetCaption(Utf8ToAnsi(caption));
  return button;
}

const AnsiString& AllColumnsItem() {
  static const AnsiString item = "<All>";
  return item;
}

// The direction as the dialog's combo box gives it: up, down, anything else all.
TLocateTextDirectionEh ChosenDirection(int index) {
  if (index == 0) return ltdUpEh;
  if (index == 1) return ltdDownEh;
  return ltdAllEh;
}

TLocateTextMatchingEh ChosenMatching(int index) {
  if (index == 1) return ltmWholeEh;
  if (index == 2) return ltmFromBeginingEh;
  return ltmAnyPartEh;
}

TLocateTextTreeFindRangeEh ChosenTreeRange(int index) {
  return index >= 0 && index <= 3 ? static_cast<TLocateTextTreeFindRangeEh>(index) : lttInAllNodesEh;
}

}  // namespace

TDBGridEhFindDlg::TDBGridEhFindDlg(TComponent* owner) : TForm(owner) {
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetCaption(Utf8ToAnsi("Поиск"));
  SetKeyPreview(true);
  HandleNeeded();
  SetClientSize(kClientWidth, RowTop(kVisibleRows));

  cbText = NewComboRow(this, 0, "&Образец:", lText, {});
  cbText->DropDownBox()->SetRows(17);
  cbText->DropDownBox()->SetSizable(true);
  cbFindIn = NewComboRow(this, 1, "&Поиск в:", lFindIn, {});
  cbMatchinType =
      NewComboRow(this, 2, "&Совпадение:", lMatchinType, {"С любой части поля", "Поля целиком", "С начала поля"});
  cbMatchinType->SetItemIndex(0);
  cbFindDirection = NewComboRow(this, 3, "Прос&мотр:", lFindDirection, {"Вверх", "Вниз", "Все"});
  cbFindDirection->SetItemIndex(2);
  cbCharCase = NewCheckRow(this, 4, "С учетом ре&гистра", false);
  cbUseFormat = NewCheckRow(this, 5, "С у&четом формата", true);
  dbcTreeFindRange = NewComboRow(this, 6, "Искать в дереве:", lTreeFindRange,
                                 {"Во всех ветвях", "В раскрытых ветвях", "В текущем уровне", "В текущей ветке"});
  dbcTreeFindRange->SetItemIndex(0);
  dbcTreeFindRange->SetVisible(false);
  lTreeFindRange->SetVisible(false);

  bFind = NewButton(this, RowTop(0), "На&йти далее");
  bFind->OnClick = [this](TObject*) { FindNext(); };
  bCancel = NewButton(this, RowTop(0) + 32, "Закрыть");
  bCancel->SetCancel(true);
  bCancel->SetModalResult(mrCancel);
  bCancel->OnClick = TNotifyEvent::Bind(this, &TDBGridEhFindDlg::CancelClick);

  const TNotifyEvent changed = TNotifyEvent::Bind(this, &TDBGridEhFindDlg::SearchChanged);
  cbText->OnChange = changed;
  cbFindIn->OnChange = changed;
  cbFindDirection->OnChange = changed;
  dbcTreeFindRange->OnChange = changed;
}

TDBGridEhFindDlg::~TDBGridEhFindDlg() {
  SetGrid(nullptr);
  if (gFindDlg == this) gFindDlg = nullptr;
}

void TDBGridEhFindDlg::SetGrid(TCustomDBGridEh* grid) {
  if (fGrid == grid) return;
  if (fGrid != nullptr) fGrid->RemoveFreeNotification(this);
  fGrid = grid;
  if (fGrid != nullptr) fGrid->FreeNotification(this);
}

void TDBGridEhFindDlg::Notification(TComponent* component, TOperation operation) {
  TForm::Notification(component, operation);
  if (operation != opRemove || component != fGrid) return;
  // A non-modal dialog may outlive its grid: it forgets it, and shows no search of a grid
  // that is gone.
  fGrid = nullptr;
  Hide();
}

void TDBGridEhFindDlg::Prepare(TCustomDBGridEh& grid, const AnsiString& text) {
  SetGrid(&grid);
  cbText->SetText(text);
  TStrings& columns = *cbFindIn->Items();
  columns.Clear();
  const TColumnsEhList& visible = grid.VisibleColumns();
  for (int i = 0; i < visible.Count(); ++i) columns.Add(visible.Items(i)->Title().Caption());
  columns.Add(AllColumnsItem());
  const int selected = grid.SelectedIndex();
  if (selected >= 0 && selected < grid.Columns().Count())
    cbFindIn->SetText(grid.Columns().Items(selected)->Title().Caption());
  else
    cbFindIn->SetItemIndex(columns.Count() - 1);
  fFirstSearch = true;
}

bool TDBGridEhFindDlg::AllColumnsChosen() const {
  return cbFindIn->ItemIndex() >= 0 && cbFindIn->ItemIndex() == cbFindIn->Items()->Count() - 1;
}

AnsiString TDBGridEhFindDlg::ChosenFieldName() const {
  if (fGrid == nullptr || AllColumnsChosen()) return {};
  const TColumnsEhList& visible = fGrid->VisibleColumns();
  for (int i = 0; i < visible.Count(); ++i)
    if (visible.Items(i)->Title().Caption() == cbFindIn->Text()) return visible.Items(i)->FieldName();
  return {};
}

void TDBGridEhFindDlg::FindNext() {
  const AnsiString text = cbText->Text();
  if (cbText->Items()->IndexOf(text) < 0) cbText->Items()->Add(text);
  if (fGrid == nullptr) return;
  TDataSet* dataSet = GridDataSetEh(*fGrid);
  if (dataSet == nullptr || !dataSet->Active()) return;

  TLocateTextOptionsEh options;
  if (!cbCharCase->GetChecked()) options.Include(ltoCaseInsensitiveEh);
  if (cbUseFormat->GetChecked()) options.Include(ltoMatchFormatEh);
  if (AllColumnsChosen()) options.Include(ltoAllFieldsEh);
  TLocateTextDirectionEh direction = ChosenDirection(cbFindDirection->ItemIndex());
  if (GetKeyState(VK_CONTROL) < 0) direction = direction == ltdUpEh ? ltdDownEh : ltdUpEh;
  // Once something was found, "all" goes on downwards instead of starting again.
  if (!fFirstSearch && direction == ltdAllEh) direction = ltdDownEh;

  const TLocateTextMatchingEh matching = ChosenMatching(cbMatchinType->ItemIndex());
  if (fGrid->LocateText(*fGrid, ChosenFieldName(), text, options, direction, matching,
                        ChosenTreeRange(dbcTreeFindRange->ItemIndex())))
    fFirstSearch = false;
}

void TDBGridEhFindDlg::SearchChanged(TObject* /*sender*/) {
  fFirstSearch = true;
}

void TDBGridEhFindDlg::CancelClick(TObject* /*sender*/) {
  // A modal dialog ends by the button's modal result; a non-modal one closes.
  if (!FormState().Contains(fsModal)) Close();
}

void TDBGridEhFindDlg::KeyDown(Word& key, TShiftState shift) {
  TForm::KeyDown(key, shift);
  if (key != VK_RETURN && key != VK_ESCAPE) return;
  if (auto* edit = dynamic_cast<TCustomDBEditEh*>(ActiveControl()))
    if (edit->DroppedDown() || edit->MRUListVisible()) return;
  if (key == VK_RETURN)
    FindNext();
  else if (FormState().Contains(fsModal))
    bCancel->Click();
  else
    Close();
  key = 0;
  cbText->SetModified(false);
}

TDBGridEhFindDlg* DBGridEhFindDlg() {
  return gFindDlg;
}

void ExecuteFindDialog(TCustomDBGridEh& grid, const AnsiString& text, const AnsiString& /*fieldName*/,
                       bool modal) {
  if (gFindDlg == nullptr) {
    gFindDlg = new TDBGridEhFindDlg(Application);
    // Freed at exit while the application and the window layer are still whole: the
    // application's own end comes after the statics made since, which a form needs.
    static const bool freedAtExit = (std::atexit([] { delete gFindDlg; }), true);
    (void)freedAtExit;
  }
  TDBGridEhFindDlg& dialog = *gFindDlg;
  // A modal search cannot start over the dialog left open beside another grid.
  if (dialog.Visible()) dialog.Hide();
  dialog.Prepare(grid, text);
  dialog.SetActiveControl(dialog.cbText);
  if (modal) {
    dialog.SetFormStyle(fsNormal);
    DialogService().ShowDialog(dialog);
  } else {
    dialog.SetFormStyle(fsStayOnTop);
    dialog.Show();
  }
}

namespace {

// Nothing in it allocates: a function pointer is kept in the std::function itself.
bool StartFindDialog() noexcept {
  ExecuteDBGridEhFindDialogProc() = &ExecuteFindDialog;
  return true;
}

}  // namespace

// The grid dialogs' link options name this symbol, so every program that links them
// links this unit, and with it the start below.
extern "C" const bool ordvane_DBGridEhFindDlgs_started = StartFindDialog();

}  // namespace ordvane
