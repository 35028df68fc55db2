#pragma once
// Boolean fields: a 16-bit value in the record (0 false, anything else true; true is
// written as 1), shown and read as the texts of DisplayValues.

#include "classlib/db/Fields.h"

namespace ordvane {

class TBooleanField : public TField {
  ORDVANE_CLASS(TBooleanField, TField)

 public:
  explicit TBooleanField(TComponent* owner);

  // "<true text>;<false text>", default "True;False". Without ';' the whole text is the
  // true text and the false text is empty.
  AnsiString DisplayValues() const { return fTrueText + ";" + fFalseText; }
  void SetDisplayValues(const AnsiString& values);

  void SetAsBoolean(bool value) override;
  // A text that starts (ignoring case) the false text or the true text sets that value;
  // empty text clears the field unless one of the texts is empty. Anything else raises
  // EDatabaseError "'%s' is not a valid boolean value for field '%s'".
  void SetAsString(const AnsiString& value) override;

 protected:
  Integer GetDataSize() const override { return 2; }
  Integer GetDefaultWidth() const override;
  bool GetAsBoolean() override;
  AnsiString GetAsString() override;
  Variant GetAsVariant() override;
  void SetVarValue(const Variant& value) override;

 private:
  bool ReadValue(bool& value);
  AnsiString fTrueText;
  AnsiString fFalseText;
};

}  // namespace ordvane
