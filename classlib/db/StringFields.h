#pragma once
// Text fields: 8-bit text, wide text and GUID text.

#include "classlib/core/GUID.h"
#include "classlib/db/Fields.h"

namespace ordvane {

// 8-bit text of at most Size characters (1 .. 8192, default 20). A fixed-width field
// (ftFixedChar) reads without its trailing blanks.
class TStringField : public TField {
  ORDVANE_CLASS(TStringField, TField)

 public:
  explicit TStringField(TComponent* owner);

  bool FixedChar() const { return DataType() == ftFixedChar; }
  void SetFixedChar(bool value);

  // Longer text is cut to Size characters.
  void SetAsString(const AnsiString& value) override;
  void SetAsInteger(Integer value) override;
  void SetAsFloat(double value) override;
  void SetAsBoolean(bool value) override;
  void SetAsDateTime(TDateTime value) override;
  void SetAsLargeInt(Int64 value) override;

 protected:
  void CheckTypeSize(Integer size) const override;
  Integer GetDataSize() const override { return Size() + 1; }
  Integer GetDefaultWidth() const override { return Size(); }
  AnsiString GetAsString() override;
  Integer GetAsInteger() override;
  double GetAsFloat() override;
  // True when the text starts with T or Y (either case).
  bool GetAsBoolean() override;
  TDateTime GetAsDateTime() override;
  Int64 GetAsLargeInt() override;
  Variant GetAsVariant() override;
  void SetVarValue(const Variant& value) override;

  // The stored text, or false when null.
  bool ReadText(AnsiString& text);
};

// UTF-16 text of at most Size characters.
class TWideStringField : public TField {
  ORDVANE_CLASS(TWideStringField, TField)

 public:
  explicit TWideStringField(TComponent* owner);

  WideString AsWideString();
  void SetAsWideString(const WideString& value);
  // Through the ANSI code page.
  void SetAsString(const AnsiString& value) override;

 protected:
  void CheckTypeSize(Integer size) const override;
  Integer GetDataSize() const override { return (Size() + 1) * 2; }
  Integer GetDefaultWidth() const override { return Size(); }
  AnsiString GetAsString() override;
  Variant GetAsVariant() override;
  void SetVarValue(const Variant& value) override;
};

// A GUID as its 38-character text "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
class TGuidField : public TStringField {
  ORDVANE_CLASS(TGuidField, TStringField)

 public:
  explicit TGuidField(TComponent* owner);

  // EConvertError when the text is not a GUID.
  TGUID AsGuid();
  void SetAsGuid(const TGUID& value);

 protected:
  // Only 38.
  void CheckTypeSize(Integer size) const override;
};

}  // namespace ordvane
