#pragma once
// The field classes of the Firebird datasets, each on the class library's field of the
// same type, with what the server's column types need: long strings, Boolean columns
// stored as small integers, scaled 64-bit numbers, milliseconds, client-only blobs,
// array columns and GUIDs. They work on any dataset; what only a Firebird dataset knows
// (a column's scale) is asked of it when the field belongs to one.

#include <array>
#include <string_view>
#include <vector>

#include "classlib/db/BinaryFields.h"
#include "classlib/db/BooleanField.h"
#include "classlib/db/DateTimeFields.h"
#include "classlib/db/NumericFields.h"
#include "classlib/db/StringFields.h"

namespace ordvane {

class TFIBCustomDataSet;
class TFields;
struct TFIBFieldDescr;

// A data field's column in its open Firebird dataset, worked out at the field's first read
// in the open: while the dataset is open the field keeps its dataset, kind and type, and
// the column descriptors stay where they are. The dataset forgets its fields' links when
// it closes (ForgetColumnLinks); a field of a closed dataset works its link out per read.
struct TFIBColumnLink {
  bool Known = false;
  TFIBCustomDataSet* DataSet = nullptr;  // nullptr: not a Firebird dataset's field
  const TFIBFieldDescr* Descr = nullptr;  // nullptr: no column (calculated, lookup)
};

// Every link of the dataset's fields becomes unknown.
void ForgetColumnLinks(const TFields& fields);

// How a text travels in its column: as UTF-8 on a Unicode connection, as KOI8 on a KOI8
// one, or as it is.
enum class TFIBTextCoding : Byte { None, Utf8, Koi8 };

// "." and the milliseconds of the value's time of day, when they are not 0.
void AppendMilliseconds(AnsiString& text, TDateTime value);

// Texts of up to 32765 bytes (a VARCHAR's limit).
class TFIBStringField : public TStringField {
  ORDVANE_CLASS(TFIBStringField, TStringField)

 public:
  using TStringField::TStringField;
  // Writing an empty text makes the field null.
  bool EmptyStrToNull() const { return fEmptyStrToNull; }
  void SetEmptyStrToNull(bool value) { fEmptyStrToNull = value; }
  // The column's default is the empty text: a new record starts with it.
  bool EmptyDefault() const { return fEmptyDefault; }
  void SetEmptyDefault(bool value) { fEmptyDefault = value; }
  // Text of the connection's character set: decoded from UTF-8 on a Unicode connection,
  // from KOI8 on a KOI8 one (for columns of a character set of their own), and encoded
  // back when written.
  // A text longer than the column raises the server's error, naming the field and the
  // text, unless only blanks are over (dropped, as the server drops them).
  void SetAsString(const AnsiString& value) override;
  // Whether the text is its column's stored characters as they are (not binary, not a DB
  // key, nothing to decode): a reader may then take them in place.
  bool TextIsStored() const;

 protected:
  void CheckTypeSize(Integer size) const override;
  // A DB key shows as hexadecimal: each 4-byte word as "%-8.8x".
  AnsiString GetAsString() override;
  Variant GetAsVariant() override;
  void SetVarValue(const Variant& value) override;

 private:
  friend void ForgetColumnLinks(const TFields& fields);
  struct TTextPlan {
    TFIBColumnLink Column;
    TFIBTextCoding Coding = TFIBTextCoding::None;
    // A text column whose characters are the text: taken in place while browsing.
    bool StoredAsText = false;
    // And nothing to trim or decode: the characters are the field's text as they are.
    bool AsItIs = false;
    // The column's own 8-bit set's code page behind a Unicode connection, or 0.
    Cardinal ColumnCodePage = 0;
  };
  const TTextPlan& TextPlan();
  // Every text of a grid, a filter or an export is read here: false when null.
  bool ReadColumnText(AnsiString& text);
  // The column's characters in the record, up to a zero byte; the plan's StoredAsText and
  // the dataset's state let them be read in place. False when null.
  bool ReadStoredText(const TTextPlan& plan, std::string_view& text);
  // The value GetData copies, as text (binary text as it is, a DB key in hexadecimal).
  bool ReadTextCopy(const TFIBFieldDescr* descr, AnsiString& text);
  // The column's bytes into the record, checked against the column's length; shown is
  // the text as the error names it.
  void WriteColumnText(const AnsiString& bytes, const AnsiString& shown);
  bool fEmptyStrToNull = false;
  bool fEmptyDefault = false;
  TTextPlan fTextPlan;
};

// Its record data is the column's bytes (UTF-8 on a Unicode connection), so its data size
// is the column's length in bytes and a terminator, not two bytes a character.
class TFIBWideStringField : public TWideStringField {
  ORDVANE_CLASS(TFIBWideStringField, TWideStringField)

 public:
  using TWideStringField::TWideStringField;
  // Writing an empty text makes the field null.
  bool EmptyStrToNull() const { return fEmptyStrToNull; }
  void SetEmptyStrToNull(bool value) { fEmptyStrToNull = value; }
  void SetAsString(const AnsiString& value) override;

 protected:
  Integer GetDataSize() const override;
  void SetVarValue(const Variant& value) override;

 private:
  bool fEmptyStrToNull = false;
};

// Wide text as a wide field's record holds it (UTF-8, at most capacity bytes), checked as
// the server checks a text against its column: a character the column's own 8-bit set
// lacks raises an error naming the field and the text, and more characters than the field's Size
// raises the server's error naming the field and the text, unless only blanks are over
// (they are dropped, as the server drops them).
RawByteString WideFieldBytes(const TField& field, std::u16string_view text, std::size_t capacity);

// An integer field whose value, while its Firebird dataset browses or filters, becomes text
// where the dataset's record keeps it; in any other dataset, state or column it is read
// as the class library's field reads it.
template <class TBase>
class TFIBIntegerText : public TBase {
 public:
  using TBase::TBase;

 protected:
  AnsiString GetAsString() override;
  void GetText(AnsiString& text, bool displayText) override;

 private:
  friend void ForgetColumnLinks(const TFields& fields);
  TFIBColumnLink fColumn;
};

extern template class TFIBIntegerText<TIntegerField>;
extern template class TFIBIntegerText<TSmallintField>;
extern template class TFIBIntegerText<TLargeintField>;

// Integer columns read as Boolean (value > 0) and written from Boolean (1 or 0).
class TFIBIntegerField : public TFIBIntegerText<TIntegerField> {
  ORDVANE_CLASS(TFIBIntegerField, TIntegerField)

 public:
  using TFIBIntegerText::TFIBIntegerText;
  void SetAsBoolean(bool value) override { SetAsInteger(value ? 1 : 0); }

 protected:
  bool GetAsBoolean() override { return AsInteger() > 0; }
};

class TFIBSmallIntField : public TFIBIntegerText<TSmallintField> {
  ORDVANE_CLASS(TFIBSmallIntField, TSmallintField)

 public:
  using TFIBIntegerText::TFIBIntegerText;
  void SetAsBoolean(bool value) override { SetAsInteger(value ? 1 : 0); }

 protected:
  bool GetAsBoolean() override { return AsInteger() > 0; }
};

class TFIBLargeIntField : public TFIBIntegerText<TLargeintField> {
  ORDVANE_CLASS(TFIBLargeIntField, TLargeintField)

 public:
  using TFIBIntegerText::TFIBIntegerText;
  // The value before the edit; 0 when it was null.
  Int64 OldAsInt64();
};

// A double rounded to the scale of its column when it is written (RoundByScale).
class TFIBFloatField : public TFloatField {
  ORDVANE_CLASS(TFIBFloatField, TFloatField)

 public:
  using TFloatField::TFloatField;
  bool RoundByScale() const { return fRoundByScale; }
  void SetRoundByScale(bool value) { fRoundByScale = value; }
  // The column's scale; -15 without a column of a Firebird dataset.
  Integer Scale() const;
  void SetAsFloat(double value) override;

 protected:
  AnsiString GetAsString() override;

 private:
  bool fRoundByScale = true;
};

// A scaled 64-bit integer I in the record: the value is I x 10^-Size (Size 0 .. 18,
// default 8). Text and numbers convert exactly, without a detour through floating point.
class TFIBBCDField : public TBCDField {
  ORDVANE_CLASS(TFIBBCDField, TBCDField)

 public:
  explicit TFIBBCDField(TComponent* owner);
  bool RoundByScale() const { return fRoundByScale; }
  void SetRoundByScale(bool value) { fRoundByScale = value; }
  // The stored integer; a 64-bit variant is stored as it is.
  Int64 AsScaledInt64();
  Int64 OldAsInt64();

  void SetAsString(const AnsiString& value) override;
  void SetAsInteger(Integer value) override;
  void SetAsFloat(double value) override;
  void SetAsCurrency(ordvane::Currency value) override;
  void SetAsLargeInt(Int64 value) override;

 protected:
  void CheckTypeSize(Integer size) const override;
  Integer GetDataSize() const override { return 8; }
  AnsiString GetAsString() override;
  Integer GetAsInteger() override;
  double GetAsFloat() override;
  ordvane::Currency GetAsCurrency() override;
  Int64 GetAsLargeInt() override;
  Variant GetAsVariant() override;
  void SetVarValue(const Variant& value) override;
  void GetText(AnsiString& text, bool displayText) override;

 private:
  bool ReadScaled(Int64& value);
  void WriteScaled(Int64 value);
  // The stored integer as decimal text: the sign, at least one digit before the decimal
  // separator of the format settings, then Size digits (no separator for Size 0).
  AnsiString DecimalText(Int64 value) const;
  bool ScaledToCurrency(Int64 value, ordvane::Currency& result) const;
  bool CurrencyToScaled(ordvane::Currency value, Int64& result) const;
  friend void ForgetColumnLinks(const TFields& fields);
  TFIBColumnLink fColumn;
  // value x 10^Size, or a range error.
  Int64 Scaled(Int64 value) const;
  bool fRoundByScale = true;
};

// Texts StringTrue and StringFalse; stored as a small integer, true when above 0.
class TFIBBooleanField : public TBooleanField {
  ORDVANE_CLASS(TFIBBooleanField, TBooleanField)

 public:
  explicit TFIBBooleanField(TComponent* owner);
  const AnsiString& StringTrue() const { return fStringTrue; }
  void SetStringTrue(const AnsiString& value);
  const AnsiString& StringFalse() const { return fStringFalse; }
  void SetStringFalse(const AnsiString& value);
  // "1", "T" or StringTrue (any case) is true; "0", "F" or StringFalse false; anything
  // else goes to the class library's conversion.
  void SetAsString(const AnsiString& value) override;

 protected:
  bool GetAsBoolean() override;
  AnsiString GetAsString() override;

 private:
  AnsiString fStringTrue = "True";
  AnsiString fStringFalse = "False";
};

// A date format of day, month and year numbers between separators ("dd.mm.yyyy",
// "d/m/yy", "yyyy-mm-dd"), compiled once and written as FormatDateTime writes it, without
// its day of the week, time of day and names. Other formats are left to FormatDateTime.
class TNumericDateFormat {
 public:
  // Compiles the format with the date separator '/' stands for, when they are not the ones
  // compiled last; false when the format is not of numbers and separators only.
  bool Compile(const AnsiString& format, char dateSeparator) {
    if (fCompiled && dateSeparator == fDateSeparator && format == fFormat) return fNumeric;
    return CompileAnew(format, dateSeparator);
  }
  // The date (of the last format compiled) into text; a calendar year (below 10 000).
  void Write(Word year, Word month, Word day, AnsiString& text) const;

 private:
  enum class TStep : Byte { Literal, Day, Month, ShortYear, Year };
  struct TPart {
    TStep Step;
    char Literal;  // a literal's character
    int Digits;  // at least this many, zeros in front
  };
  // The longest text a numeric format writes, in the stack.
  static constexpr std::size_t MaxTextLength = 64;
  // A format whose numbers are all two-digit pairs, each at most once ("dd.mm.yyyy"):
  // its text is always as long, the template with the pairs written over it.
  struct TFixedText {
    std::array<char, MaxTextLength> Template{};
    std::size_t Length = 0;
    // Where the day's, the month's, the century's and the year-in-century's pairs go;
    // -1 for a number the format does not show.
    std::array<int, 4> PairAt{-1, -1, -1, -1};
  };
  bool CompileAnew(const AnsiString& format, char dateSeparator);
  // The fixed text of the parts compiled; false when a number varies in width or repeats.
  bool LayOutFixedText();
  static std::size_t MaxPartLength(const TPart& part);
  AnsiString fFormat;
  char fDateSeparator = '\0';
  bool fCompiled = false;
  bool fNumeric = false;
  bool fFixed = false;
  std::vector<TPart> fParts;
  TFixedText fFixedText;
};

// Its text, that of every date a grid, a filter or an export shows, is written by the
// compiled numeric format where the format is one.
class TFIBDateField : public TDateField {
  ORDVANE_CLASS(TFIBDateField, TDateField)

 public:
  using TDateField::TDateField;

 protected:
  void GetText(AnsiString& text, bool displayText) override;

 private:
  friend void ForgetColumnLinks(const TFields& fields);
  bool ReadCalendarDate(Word& year, Word& month, Word& day);
  TNumericDateFormat fNumericFormat;
  TFIBColumnLink fColumn;
};

// A time or date-time whose text, with ShowMsec, ends with "." and its milliseconds
// (without leading zeros) when it has any.
template <class Base>
class TMsecTextField : public Base {
  ORDVANE_CLASS(TMsecTextField, Base)

 public:
  using Base::Base;
  bool ShowMsec() const { return fShowMsec; }
  void SetShowMsec(bool value) { fShowMsec = value; }

 protected:
  void GetText(AnsiString& text, bool displayText) override {
    Base::GetText(text, displayText);
    if (fShowMsec && !this->IsNull()) AppendMilliseconds(text, this->AsDateTime());
  }

 private:
  bool fShowMsec = false;
};

class TFIBTimeField : public TMsecTextField<TTimeField> {
  ORDVANE_CLASS(TFIBTimeField, TMsecTextField<TTimeField>)

 public:
  using TMsecTextField::TMsecTextField;
};

class TFIBDateTimeField : public TMsecTextField<TDateTimeField> {
  ORDVANE_CLASS(TFIBDateTimeField, TMsecTextField<TDateTimeField>)

 public:
  using TMsecTextField::TMsecTextField;
};

// A blob filled by the application only: null exactly when it holds no bytes.
class TFIBBlobField : public TBlobField {
  ORDVANE_CLASS(TFIBBlobField, TBlobField)

 public:
  using TBlobField::TBlobField;
  bool IsClientField() const { return fIsClientField; }
  void SetIsClientField(bool value) { fIsClientField = value; }

 protected:
  bool GetIsNull() override;

 private:
  bool fIsClientField = false;
};

class TFIBMemoField : public TMemoField {
  ORDVANE_CLASS(TFIBMemoField, TMemoField)

 public:
  using TMemoField::TMemoField;
  bool IsClientField() const { return fIsClientField; }
  void SetIsClientField(bool value) { fIsClientField = value; }
  // Text as a string field's: decoded from the connection's UTF-8 or KOI8, encoded back.
  void SetAsString(const AnsiString& value) override;

 protected:
  AnsiString GetAsString() override;
  // Wide text is written and, from UTF-8, read without a detour through the ANSI code page.
  Variant GetAsVariant() override;
  void SetVarValue(const Variant& value) override;

 private:
  bool fIsClientField = false;
};

// An array column: the record holds the array's 8-byte identifier; on a Firebird dataset
// the value is the whole array, read and written through the dataset.
class TFIBArrayField : public TBytesField {
  ORDVANE_CLASS(TFIBArrayField, TBytesField)

 public:
  using TBytesField::TBytesField;

 protected:
  AnsiString GetAsString() override;
  Variant GetAsVariant() override;
  void SetVarValue(const Variant& value) override;
  void GetText(AnsiString& text, bool /*displayText*/) override { text = GetAsString(); }
};

// A GUID column: 16 bytes in the record, its 38-character text outside.
class TFIBGuidField : public TGuidField {
  ORDVANE_CLASS(TFIBGuidField, TGuidField)

 public:
  using TGuidField::TGuidField;
  // The zero GUID for null.
  TGUID AsGuid();
  // The zero GUID clears the field.
  void SetAsGuid(const TGUID& value);
  // Empty text clears the field; other text must be a GUID (EConvertError).
  void SetAsString(const AnsiString& value) override;

 protected:
  Integer GetDataSize() const override;
  AnsiString GetAsString() override;
  Variant GetAsVariant() override;
  void SetVarValue(const Variant& value) override;
};

}  // namespace ordvane
