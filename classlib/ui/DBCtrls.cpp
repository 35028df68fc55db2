#include "classlib/ui/DBCtrls.h"

namespace ordvane {

namespace {

bool KeepsItsLayout(TFieldType type) {
  switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftAutoInc:
    case ftLargeint:
    case ftTimeStamp:
    case ftFMTBcd:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool DBUseRightToLeftAlignment(const TControl* control, const TField* field) {
  return control->UseRightToLeftAlignment() && (field == nullptr || !KeepsItsLayout(field->DataType()));
}

}  // namespace ordvane
