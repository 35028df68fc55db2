#pragma once
// Numeric fields: integers of 16, 32 and 64 bits, floating point, currency and BCD.
//
// A null numeric field reads as 0 (and as empty text, and as Null through Value).
// Writing a number that the type cannot hold raises EDatabaseError
// "%d is not a valid value for field '%s'. The allowed range is %d to %d"; text that is no
// number raises "'%s' is not a valid integer value for field '%s'" or "... floating point
// value ...". Empty text clears the field.

#include "classlib/core/Currency.h"
#include "classlib/db/Fields.h"

namespace ordvane {

class TNumericField : public TField {
  ORDVANE_CLASS(TNumericField, TField)

 public:
  explicit TNumericField(TComponent* owner);

  // Formats of FormatFloat for DisplayText and Text (Text falls back to DisplayFormat).
  const AnsiString& DisplayFormat() const { return fDisplayFormat; }
  void SetDisplayFormat(const AnsiString& format);
  const AnsiString& EditFormat() const { return fEditFormat; }
  void SetEditFormat(const AnsiString& format);

  // Digits and signs.
  bool IsValidChar(char ch) const override;

 protected:
  const AnsiString& TextFormat(bool displayText) const;
  // For the integer classes: the text of a value in the format for displaying or editing;
  // text read as a 64-bit integer (empty text clears); a floating-point value rounded.
  // The last two write through SetAsLargeInt.
  AnsiString IntegerText(Int64 value, bool displayText) const;
  void SetIntegerText(const AnsiString& value);
  void SetRoundedFloat(double value);

 private:
  AnsiString fDisplayFormat;
  AnsiString fEditFormat;
};

// ftInteger (int32), and through its descendants ftSmallint (int16), ftWord (uint16) and
// ftAutoInc (int32).
class TIntegerField : public TNumericField {
  ORDVANE_CLASS(TIntegerField, TNumericField)

 public:
  explicit TIntegerField(TComponent* owner);

  void SetAsString(const AnsiString& value) override;
  void SetAsInteger(Integer value) override;
  void SetAsFloat(double value) override;
  void SetAsLargeInt(Int64 value) override;

 protected:
  TIntegerField(TComponent* owner, TFieldType type, Int64 minRange, Int64 maxRange);
  Integer GetDataSize() const override;
  Integer GetDefaultWidth() const override;
  AnsiString GetAsString() override;
  Integer GetAsInteger() override;
  double GetAsFloat() override;
  Int64 GetAsLargeInt() override;
  Variant GetAsVariant() override;
  void SetVarValue(const Variant& value) override;
  void GetText(AnsiString& text, bool displayText) override;

 private:
  bool ReadValue(Integer& value);
  Int64 fMinRange;
  Int64 fMaxRange;
};

class TSmallintField : public TIntegerField {
  ORDVANE_CLASS(TSmallintField, TIntegerField)

 public:
  explicit TSmallintField(TComponent* owner);
};

class TWordField : public TIntegerField {
  ORDVANE_CLASS(TWordField, TIntegerField)

 public:
  explicit TWordField(TComponent* owner);
};

class TAutoIncField : public TIntegerField {
  ORDVANE_CLASS(TAutoIncField, TIntegerField)

 public:
  explicit TAutoIncField(TComponent* owner);
};

// ftLargeint (int64). Reading a value outside 32 bits through AsInteger raises
// ERangeError.
class TLargeintField : public TNumericField {
  ORDVANE_CLASS(TLargeintField, TNumericField)

 public:
  explicit TLargeintField(TComponent* owner);

  void SetAsString(const AnsiString& value) override;
  void SetAsInteger(Integer value) override;
  void SetAsFloat(double value) override;
  void SetAsLargeInt(Int64 value) override;

 protected:
  Integer GetDataSize() const override { return 8; }
  Integer GetDefaultWidth() const override { return 15; }
  AnsiString GetAsString() override;
  Integer GetAsInteger() override;
  double GetAsFloat() override;
  Int64 GetAsLargeInt() override;
  Variant GetAsVariant() override;
  void SetVarValue(const Variant& value) override;
  void GetText(AnsiString& text, bool displayText) override;

 private:
  bool ReadValue(Int64& value);
};

// ftFloat (double). Without a format the text has Precision significant digits (general
// format), or, with Currency, the currency format (display) or fixed (edit).
class TFloatField : public TNumericField {
  ORDVANE_CLASS(TFloatField, TNumericField)

 public:
  explicit TFloatField(TComponent* owner);

  bool Currency() const { return fCurrency; }
  void SetCurrency(bool value);
  // 2 .. 15, default 15.
  Integer Precision() const { return fPrecision; }
  void SetPrecision(Integer value);
  bool IsValidChar(char ch) const override;

  void SetAsString(const AnsiString& value) override;
  void SetAsInteger(Integer value) override;
  // Infinity and NaN are refused ("... is not a valid floating point value ...").
  void SetAsFloat(double value) override;
  void SetAsLargeInt(Int64 value) override;

 protected:
  Integer GetDataSize() const override { return 8; }
  AnsiString GetAsString() override;
  Integer GetAsInteger() override;
  double GetAsFloat() override;
  Int64 GetAsLargeInt() override;
  Variant GetAsVariant() override;
  void SetVarValue(const Variant& value) override;
  void GetText(AnsiString& text, bool displayText) override;

 private:
  bool ReadValue(double& value);
  bool fCurrency = false;
  Integer fPrecision = 15;
};

class TCurrencyField : public TFloatField {
  ORDVANE_CLASS(TCurrencyField, TFloatField)

 public:
  explicit TCurrencyField(TComponent* owner);
};

// ftBCD: TBcd in the record, a Currency in the field. Size is the number of decimals
// (0 .. 32, default 4), Precision the number of digits.
class TBCDField : public TNumericField {
  ORDVANE_CLASS(TBCDField, TNumericField)

 public:
  explicit TBCDField(TComponent* owner);

  bool Currency() const { return fCurrency; }
  void SetCurrency(bool value);
  Integer Precision() const { return fPrecision; }
  void SetPrecision(Integer value);
  bool IsValidChar(char ch) const override;

  void SetAsString(const AnsiString& value) override;
  void SetAsInteger(Integer value) override;
  void SetAsFloat(double value) override;
  void SetAsCurrency(ordvane::Currency value) override;
  void SetAsLargeInt(Int64 value) override;

 protected:
  void CheckTypeSize(Integer size) const override;
  Integer GetDataSize() const override;
  AnsiString GetAsString() override;
  Integer GetAsInteger() override;
  double GetAsFloat() override;
  ordvane::Currency GetAsCurrency() override;
  Int64 GetAsLargeInt() override;
  Variant GetAsVariant() override;
  void SetVarValue(const Variant& value) override;
  void GetText(AnsiString& text, bool displayText) override;

 private:
  bool ReadValue(ordvane::Currency& value);
  bool fCurrency = false;
  Integer fPrecision = 0;
};

}  // namespace ordvane
