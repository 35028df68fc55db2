#include "classlib/core/Objects.h"

#include "classlib/core/SysUtils.h"

namespace ordvane {

bool TMetaClass::InheritsFrom(TClass ancestor) const {
  for (TClass c = this; c != nullptr; c = c->fParent)
    if (c == ancestor) return true;
  return false;
}

TClass TObject::StaticClass() {
  static const TMetaClass meta("TObject", nullptr);
  return &meta;
}

TClass TObject::ClassType() const {
  return StaticClass();
}

void TPersistent::Assign(const TPersistent* source) {
  if (source == nullptr) AssignError(nullptr);
  source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) const {
  dest->AssignError(this);
}

void TPersistent::AssignError(const TPersistent* source) const {
  throw EConvertError(Format("Cannot assign a %s to a %s",
                             {source != nullptr ? source->ClassName() : AnsiString("nil"), ClassName()}));
}

}  // namespace ordvane
