#pragma once
// Date and time fields. The record holds the native day and millisecond counts; the
// fields work with TDateTime. Without DisplayFormat, a date shows as the short date, a
// time as the long time, and a date-time as both (the time left out at midnight).

#include "classlib/db/Fields.h"

namespace ordvane {

class TDateTimeField : public TField {
  ORDVANE_CLASS(TDateTimeField, TField)

 public:
  explicit TDateTimeField(TComponent* owner);

  // A FormatDateTime format for DisplayText.
  const AnsiString& DisplayFormat() const { return fDisplayFormat; }
  void SetDisplayFormat(const AnsiString& format);

  void SetAsDateTime(TDateTime value) override;
  void SetAsFloat(double value) override;
  // Read by the type's parser (StrToDate, StrToTime, StrToDateTime); empty text clears.
  void SetAsString(const AnsiString& value) override;

 protected:
  TDateTimeField(TComponent* owner, TFieldType type);
  Integer GetDataSize() const override;
  Integer GetDefaultWidth() const override;
  TDateTime GetAsDateTime() override;
  double GetAsFloat() override;
  AnsiString GetAsString() override;
  Variant GetAsVariant() override;
  void SetVarValue(const Variant& value) override;
  void GetText(AnsiString& text, bool displayText) override;

 private:
  bool ReadValue(TDateTime& value);
  AnsiString Formatted(TDateTime value, bool displayText) const;
  AnsiString fDisplayFormat;
};

class TDateField : public TDateTimeField {
  ORDVANE_CLASS(TDateField, TDateTimeField)

 public:
  explicit TDateField(TComponent* owner);
};

class TTimeField : public TDateTimeField {
  ORDVANE_CLASS(TTimeField, TDateTimeField)

 public:
  explicit TTimeField(TComponent* owner);
};

}  // namespace ordvane
