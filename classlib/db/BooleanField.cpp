#include "classlib/db/BooleanField.h"

#include <algorithm>

#include "classlib/core/AnsiStrings.h"
#include "classlib/db/DBConsts.h"

namespace ordvane {

using namespace dbconsts;

TBooleanField::TBooleanField(TComponent* owner) : TField(owner) {
  SetDataType(ftBoolean);
  SetDisplayValues(SBooleanTrueFalse);
}

void TBooleanField::SetDisplayValues(const AnsiString& values) {
  const std::size_t separator = values.find(';');
  fTrueText = values.substr(0, separator);
  fFalseText = separator == AnsiString::npos ? AnsiString() : values.substr(separator + 1);
  PropertyChanged(true);
}

Integer TBooleanField::GetDefaultWidth() const {
  return static_cast<Integer>(std::max(fTrueText.size(), fFalseText.size()));
}

bool TBooleanField::ReadValue(bool& value) {
  Word stored = 0;
  if (!ReadNative(&stored)) return false;
  value = stored != 0;
  return true;
}

bool TBooleanField::GetAsBoolean() {
  bool value = false;
  return ReadValue(value) && value;
}

AnsiString TBooleanField::GetAsString() {
  bool value = false;
  if (!ReadValue(value)) return {};
  return value ? fTrueText : fFalseText;
}

Variant TBooleanField::GetAsVariant() {
  bool value = false;
  return ReadValue(value) ? Variant(value) : Null();
}

void TBooleanField::SetAsBoolean(bool value) {
  const Word stored = value ? 1 : 0;
  SetData(&stored);
}

void TBooleanField::SetAsString(const AnsiString& value) {
  if (value.empty()) {
    if (fFalseText.empty())
      SetAsBoolean(false);
    else if (fTrueText.empty())
      SetAsBoolean(true);
    else
      Clear();
    return;
  }
  for (const bool candidate : {false, true}) {
    const AnsiString& text = candidate ? fTrueText : fFalseText;
    if (AnsiSameText(value, text.substr(0, value.size()))) {
      SetAsBoolean(candidate);
      return;
    }
  }
  DatabaseErrorFmt(SInvalidBoolValue, {value, DisplayName()});
}

void TBooleanField::SetVarValue(const Variant& value) { SetAsBoolean(value.AsBoolean()); }

}  // namespace ordvane
