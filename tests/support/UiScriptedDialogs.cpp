#include "tests/support/UiScriptedDialogs.h"

#include <gtest/gtest.h>

namespace ordvane::test {

ScriptedDialogs::ScriptedDialogs() : fReplaced(SetDialogService(this)) {}

ScriptedDialogs::~ScriptedDialogs() { SetDialogService(fReplaced); }

TModalResult ScriptedDialogs::MessageBox(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons /*buttons*/) {
  asked.push_back("message " + std::to_string(type) + " " + text);
  if (answers.empty()) {
    ADD_FAILURE() << "a message box finds no scripted answer: " << text;
    return mrCancel;
  }
  const TModalResult answer = answers.front();
  answers.pop_front();
  return answer;
}

TModalResult ScriptedDialogs::ShowDialog(TCustomForm& form) {
  asked.push_back("dialog " + form.Caption());
  if (dialogSteps.empty()) {
    ADD_FAILURE() << "a dialog finds no scripted step: " << form.Caption();
    return mrCancel;
  }
  const auto step = std::move(dialogSteps.front());
  dialogSteps.pop_front();
  return step(form);
}

}  // namespace ordvane::test
