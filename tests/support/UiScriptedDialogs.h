#pragma once
// A dialog service that answers the program's modal questions by script, without
// windows, for the life of the object: each message box takes the next answer, each
// dialog the next step (which may fill the dialog's controls) and that step's result.
// Every question is logged; one that finds no answer left fails the test and is
// answered Cancel.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "classlib/ui/Dialogs.h"

namespace ordvane::test {

class ScriptedDialogs : public IDialogService {
 public:
  ScriptedDialogs();
  ~ScriptedDialogs() override;
  ScriptedDialogs(const ScriptedDialogs&) = delete;
  ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

  TModalResult MessageBox(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons) override;
  TModalResult ShowDialog(TCustomForm& form) override;

  std::deque<TModalResult> answers;
  std::deque<std::function<TModalResult(TCustomForm& form)>> dialogSteps;
  // "message <type> <text>" or "dialog <caption>", in the order asked.
  std::vector<std::string> asked;

 private:
  IDialogService* fReplaced;
};

}  // namespace ordvane::test
