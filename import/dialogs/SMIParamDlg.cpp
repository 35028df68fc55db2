#include "import/dialogs/SMIParamDlg.h"

#include "classlib/core/DebugChecks.h"
#include "classlib/ui/Dialogs.h"
#include "classlib/ui/StdButtons.h"
#include "classlib/ui/StdCtrls.h"

namespace ordvane {

namespace {

// A memo or a list box takes a tall row; every other editor a plain one.
constexpr int kRowHeight = 24;
constexpr int kTallRowHeight = 64;
constexpr int kLabelLeft = 5;
constexpr int kLabelWidth = 125;
constexpr int kLabelDrop = 4;
constexpr int kEditorLeft = 135;
constexpr int kEditorWidth = 100;
constexpr int kRowGap = 4;
constexpr int kButtonsBelowRows = 10;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kClientWidth = 250;
constexpr int kHeightBelowRows = 45;
constexpr const char* kTrue = "True";
constexpr const char* kFalse = "False";

int RowHeight(TSMIParameterEditor editor) {
  return editor == ipeMemo || editor == ipeListBox ? kTallRowHeight : kRowHeight;
}

template <class TEditor>
TEditor* NewControl(TForm* form, int top, int height) {
  auto* control = new TEditor(form);
  control->SetParent(form);
  control->SetBounds(kEditorLeft, top, kEditorWidth, height);
  return control;
}

TButton* NewButton(TForm* form, int left, int top, const char* caption, TModalResult result) {
  auto* button = new TButton(form);
  button->SetParent(form);
  button->SetBounds(left, top, kButtonWidth, kButtonHeight);
  button->SetCaption(caption);
  button->SetModalResult(result);
  return button;
}

}  // namespace

TSMIParamsDialog::TSMIParamsDialog(const std::vector<TSMIParameter*>& parameters)
    : fForm(std::make_unique<TForm>(nullptr)) {
  fForm->SetCaption("Parameter properties");
  fForm->SetBorderStyle(bsDialog);
  fForm->SetPosition(poScreenCenter);
  fForm->SetShowHint(true);
  fForm->HandleNeeded();
  int top = 0;
  for (TSMIParameter* parameter : parameters) {
    auto* label = new TLabel(fForm.get());
    label->SetParent(fForm.get());
    label->SetAutoSize(false);
    label->SetBounds(kLabelLeft, top + kLabelDrop, kLabelWidth, 13);
    label->SetCaption(parameter->Caption());
    TControl* editor = NewEditor(*parameter, top);
    editor->SetHint(parameter->Description());
    fRows.push_back({parameter, editor});
    top += RowHeight(parameter->ParameterEditor());
  }
  const int buttonTop = top + kButtonsBelowRows;
  NewButton(fForm.get(), 65, buttonTop, "&OK", mrOk)->SetDefault(true);
  NewButton(fForm.get(), 145, buttonTop, "&Cancel", mrCancel)->SetCancel(true);
  fForm->SetClientSize(kClientWidth, top + kHeightBelowRows);
}

TSMIParamsDialog::~TSMIParamsDialog() = default;

TControl* TSMIParamsDialog::NewEditor(const TSMIParameter& parameter, int top) {
  const AnsiString value = VarToStr(parameter.Value());
  const int height = RowHeight(parameter.ParameterEditor()) - kRowGap;
  TForm* form = fForm.get();
  switch (parameter.ParameterEditor()) {
    case ipeMemo: {
      auto* memo = NewControl<TMemo>(form, top, height);
      memo->SetText(value);
      return memo;
    }
    case ipeCheckBox: {
      auto* box = NewControl<TCheckBox>(form, top, height);
      box->SetChecked(value == kTrue);
      return box;
    }
    case ipeCombobox: {
      auto* combo = NewControl<TComboBox>(form, top, height);
      combo->SetItems(parameter.ParamPromptValues());
      combo->SetText(value);
      return combo;
    }
    case ipeListBox: {
      auto* list = NewControl<TListBox>(form, top, height);
      list->SetItems(parameter.ParamPromptValues());
      list->SetItemIndex(list->Items()->IndexOf(value));
      return list;
    }
    case ipeEdit:
      break;
  }
  auto* edit = NewControl<TEdit>(form, top, height);
  edit->SetText(value);
  return edit;
}

void TSMIParamsDialog::WriteBack() const {
  for (const TRow& row : fRows) {
    ORDVANE_DEBUG_ASSERT(row.editor != nullptr, "every parameter row has its editor");
    if (auto* box = dynamic_cast<TCheckBox*>(row.editor)) {
      row.parameter->SetValue(box->Checked() ? kTrue : kFalse);
    } else if (auto* list = dynamic_cast<TListBox*>(row.editor)) {
      // A list the user left without a selection says nothing about the value.
      if (const int index = list->ItemIndex(); index >= 0) row.parameter->SetValue(list->Items()->Strings(index));
    } else {
      // The analyzer takes a failed dynamic_cast for a null editor; every row has one.
      // NOLINTNEXTLINE(clang-analyzer-core.CallAndMessage)
      row.parameter->SetValue(row.editor->Text());
    }
  }
}

bool SMIParamsDialog(const std::vector<TSMIParameter*>& parameters) {
  if (parameters.empty()) return true;
  const TSMIParamsDialog dialog(parameters);
  if (DialogService().ShowDialog(*dialog.Form()) != mrOk) return false;
  dialog.WriteBack();
  return true;
}

}  // namespace ordvane
