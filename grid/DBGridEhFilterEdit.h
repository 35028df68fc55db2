#pragma once
// The editor of the data-aware grid's filter row: a combo box that the grid moves from
// filter cell to filter cell. A column with a list source offers, above the values of that
// list, the commands of the filter row (sorting, clearing, empty and non-empty values).

#include "gridbase/DBCtrlsEhComboBox.h"

namespace ordvane {

// The commands above the values of a filter cell's drop-down list, by the tag each line
// carries; a value's line carries none (fcValueEh).
enum TFilterListCommandEh {
  fcValueEh = 0,
  fcNullEh = 1,
  fcNotNullEh = 2,
  fcAllEh = 3,
  fcClearFilterEh = 4,
  fcSeparatorEh = 5,
  fcSortDescendingEh = 6,
  fcSortAscendingEh = 7,
};

// The object a command line holds in the list, standing for its tag (shared, never freed
// by the list).
TObject* FilterListCommandObjectEh(TFilterListCommandEh command);
// The tag of a line's object: fcValueEh for anything that is no command.
TFilterListCommandEh FilterListCommandOfEh(const TObject* object);

class TInplaceFilterEditEh : public TDBComboBoxEh {
  ORDVANE_CLASS(TInplaceFilterEditEh, TDBComboBoxEh)

 public:
  using TDBComboBoxEh::TDBComboBoxEh;

 protected:
  // The text stands one pixel lower than a combo box's: the filter cell has no frame.
  TRect GetEditRect() override;
};

}  // namespace ordvane
