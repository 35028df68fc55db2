#pragma once
// The prompt that asks for an import's parameters before a run: one row per parameter
// (its caption and an editor of its kind), OK and Cancel below.

#include <memory>
#include <vector>

#include "classlib/ui/Forms.h"
#include "import/SMIPars.h"

namespace ordvane {

// The prompt over the parameters, not shown yet, and what writes the editors back.
class TSMIParamsDialog {
 public:
  explicit TSMIParamsDialog(const std::vector<TSMIParameter*>& parameters);
  ~TSMIParamsDialog();
  TSMIParamsDialog(const TSMIParamsDialog&) = delete;
  TSMIParamsDialog& operator=(const TSMIParamsDialog&) = delete;

  TForm* Form() const { return fForm.get(); }
  // Each editor's content into its parameter: a check box as "True" or "False", a list
  // box as its selected item (no selection leaves the value), the others as their text.
  void WriteBack() const;

 private:
  struct TRow {
    TSMIParameter* parameter;
    TControl* editor;
  };

  TControl* NewEditor(const TSMIParameter& parameter, int top);

  std::unique_ptr<TForm> fForm;
  std::vector<TRow> fRows;
};

// Shows the prompt modally: on OK the parameters take the editors' values and the result
// is true; on Cancel nothing changes and the result is false. Nothing to ask: true, and
// no window.
bool SMIParamsDialog(const std::vector<TSMIParameter*>& parameters);

}  // namespace ordvane
