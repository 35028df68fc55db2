// Field classes: every class writes its value in the framework's native format (the
// expected bytes are computed here independently: byte literals, std::chrono calendars,
// UTF-16 literals), reads it back from native bytes, and keeps it through a post and a
// reopen. Then the text forms, the conversions that must fail, and the events of a write.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <chrono>
#include <cstring>
#include <functional>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateTime.h"
#include "classlib/core/FMTBcd.h"
#include "tests/classlib/DataSetLog.h"
#include "tests/classlib/Support.h"

namespace ordvane::test {
namespace {

using Bytes = std::vector<Byte>;

Bytes LittleEndian(UInt64 value, int size) {
  Bytes bytes;
  for (int i = 0; i < size; ++i) bytes.push_back(static_cast<Byte>(value >> (8 * i)));
  return bytes;
}

Bytes DoubleBytes(double value) { return LittleEndian(std::bit_cast<UInt64>(value), 8); }

// The time-stamp day of a civil date: 1 January of year 1 is day 1.
Int64 StampDay(int year, unsigned month, unsigned day) {
  using namespace std::chrono;
  return (sys_days{std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day}} -
          sys_days{std::chrono::year{1} / 1 / 1})
             .count() +
         1;
}

Bytes TextBytes(const std::string& text, std::size_t size) {
  Bytes bytes(text.begin(), text.end());
  bytes.resize(size, 0);
  return bytes;
}

struct FieldCase {
  const char* name;
  TFieldType type;
  Integer size;
  std::function<void(TField*)> write;
  Bytes native;
  std::function<void(TField*)> check;
};

std::vector<FieldCase> Cases() {
  const TDateTime date = EncodeDate(2024, 2, 29);
  const TDateTime time = EncodeTime(13, 45, 30, 250);
  const Int64 day = StampDay(2024, 2, 29);
  const Int64 msecs = ((13 * 60 + 45) * 60 + 30) * 1000 + 250;
  const AnsiString hedgehog = Utf8ToAnsi("Їжак");
  return {
      {"string", ftString, 5, [](TField* f) { f->SetAsString("abcdefg"); }, TextBytes("abcde", 6),
       [](TField* f) { EXPECT_EQ(f->AsString(), "abcde"); }},
      {"fixed char", ftFixedChar, 5, [](TField* f) { f->SetAsString("ab  "); }, TextBytes("ab  ", 6),
       [](TField* f) { EXPECT_EQ(f->AsString(), "ab"); }},
      {"wide string", ftWideString, 3, [hedgehog](TField* f) { f->SetAsString(hedgehog); },
       [] {
         Bytes bytes;
         for (char16_t ch : std::u16string(u"Їжа")) {
           Bytes pair = LittleEndian(ch, 2);
           bytes.insert(bytes.end(), pair.begin(), pair.end());
         }
         bytes.resize(8, 0);
         return bytes;
       }(),
       [](TField* f) { EXPECT_EQ(static_cast<TWideStringField*>(f)->AsWideString(), u"Їжа"); }},
      {"smallint", ftSmallint, 0, [](TField* f) { f->SetAsInteger(-2); }, {0xFE, 0xFF},
       [](TField* f) { EXPECT_EQ(f->AsInteger(), -2); }},
      {"integer", ftInteger, 0, [](TField* f) { f->SetAsInteger(-123456); }, {0xC0, 0x1D, 0xFE, 0xFF},
       [](TField* f) { EXPECT_EQ(f->AsInteger(), -123456); }},
      {"word", ftWord, 0, [](TField* f) { f->SetAsInteger(65535); }, {0xFF, 0xFF},
       [](TField* f) { EXPECT_EQ(f->AsInteger(), 65535); }},
      {"autoinc", ftAutoInc, 0, [](TField* f) { f->SetAsInteger(7); }, {7, 0, 0, 0},
       [](TField* f) { EXPECT_EQ(f->AsInteger(), 7); }},
      {"largeint", ftLargeint, 0, [](TField* f) { f->SetAsLargeInt(0x0102030405060708); },
       {8, 7, 6, 5, 4, 3, 2, 1}, [](TField* f) { EXPECT_EQ(f->AsLargeInt(), 0x0102030405060708); }},
      {"boolean", ftBoolean, 0, [](TField* f) { f->SetAsBoolean(true); }, {1, 0},
       [](TField* f) { EXPECT_TRUE(f->AsBoolean()); }},
      {"float", ftFloat, 0, [](TField* f) { f->SetAsFloat(1.5); }, {0, 0, 0, 0, 0, 0, 0xF8, 0x3F},
       [](TField* f) { EXPECT_EQ(f->AsFloat(), 1.5); }},
      {"currency", ftCurrency, 0, [](TField* f) { f->SetAsFloat(2.25); }, DoubleBytes(2.25),
       [](TField* f) { EXPECT_EQ(f->AsFloat(), 2.25); }},
      {"date", ftDate, 0, [date](TField* f) { f->SetAsDateTime(date + 0.75); }, LittleEndian(UInt64(day), 4),
       [date](TField* f) { EXPECT_EQ(f->AsDateTime(), date); }},
      {"time", ftTime, 0, [date, time](TField* f) { f->SetAsDateTime(date + time); }, LittleEndian(UInt64(msecs), 4),
       [time](TField* f) { EXPECT_NEAR(f->AsDateTime(), time, 1e-9); }},
      {"date and time", ftDateTime, 0, [date, time](TField* f) { f->SetAsDateTime(date + time); },
       DoubleBytes(static_cast<double>(day * 86400000 + msecs)),
       [date, time](TField* f) { EXPECT_NEAR(f->AsDateTime(), date + time, 1e-9); }},
      {"bytes", ftBytes, 4, [](TField* f) { f->SetAsString(std::string("\x01\x02", 2)); }, {1, 2, 0, 0},
       [](TField* f) { EXPECT_EQ(f->AsString(), std::string("\x01\x02\0\0", 4)); }},
      {"var bytes", ftVarBytes, 4, [](TField* f) { f->SetAsString(std::string("\x01\x02\x03\x04\x05", 5)); },
       {4, 0, 1, 2, 3, 4}, [](TField* f) { EXPECT_EQ(f->AsString(), std::string("\x01\x02\x03\x04", 4)); }},
      {"guid", ftGuid, 38,
       [](TField* f) {
         TGUID guid;
         guid.D1 = 0x01234567;
         guid.D2 = 0x89AB;
         guid.D3 = 0xCDEF;
         for (Byte i = 0; i < 8; ++i) guid.D4[i] = i;
         static_cast<TGuidField*>(f)->SetAsGuid(guid);
       },
       TextBytes("{01234567-89AB-CDEF-0001-020304050607}", 39),
       [](TField* f) { EXPECT_EQ(static_cast<TGuidField*>(f)->AsGuid().D1, 0x01234567u); }},
  };
}

Bytes NativeOf(TField* field) {
  Bytes bytes(static_cast<std::size_t>(field->DataSize()));
  EXPECT_TRUE(field->GetData(bytes.data()));
  return bytes;
}

TEST(FieldClasses, EveryClassRoundTripsItsNativeFormat) {
  for (const FieldCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    TMemDataSet data(nullptr);
    data.FieldDefs().Add("F", c.type, c.size);
    data.Open();
    data.Append();
    TField* field = data.Fields()[0];
    EXPECT_TRUE(field->IsNull());
    c.write(field);
    EXPECT_EQ(NativeOf(field), c.native);
    // The other way: the native bytes give the value back.
    field->Clear();
    EXPECT_TRUE(field->IsNull());
    field->SetData(c.native.data());
    c.check(field);
    data.Post();
    data.Close();
    data.Open();
    c.check(data.Fields()[0]);
    EXPECT_EQ(NativeOf(data.Fields()[0]), c.native);
  }
}

TEST(FieldClasses, BcdIsStoredWithTheFieldsDecimals) {
  TMemDataSet data(nullptr);
  data.FieldDefs().Add("AMOUNT", ftBCD, 2);
  data.Open();
  data.Append();
  TField* amount = data.Fields()[0];
  amount->SetAsCurrency(Currency::FromScaled(123450));  // 12.345
  TBcd native;
  ASSERT_TRUE(amount->GetData(&native));
  TFormatSettings dotted;
  dotted.DecimalSeparator = '.';
  EXPECT_EQ(BcdToStr(native, dotted), "12.35");
  EXPECT_EQ(native.Places(), 2);
  amount->SetData(&native);
  EXPECT_EQ(amount->AsCurrency(), Currency::FromScaled(123500));
  EXPECT_EQ(amount->AsString(), "12,35");
}

TEST(FieldClasses, BlobsHaveNoNativeDataAndKeepEveryByte) {
  TMemDataSet data(nullptr);
  data.FieldDefs().Add("B", ftBlob);
  data.FieldDefs().Add("M", ftMemo);
  data.FieldDefs().Add("G", ftGraphic);
  data.Open();
  EXPECT_EQ(data.BlobFieldCount(), 3);
  data.Append();
  const std::string binary("a\0b\xFF", 4);
  const AnsiString text = Utf8ToAnsi("Прізвище\r\nІм’я");
  for (TField* field : data.Fields()) {
    EXPECT_EQ(field->DataSize(), 0);
    EXPECT_TRUE(field->IsBlob());
    EXPECT_TRUE(field->IsNull());
  }
  data.FieldByName("B")->SetAsString(binary);
  data.FieldByName("M")->SetAsString(text);
  EXPECT_TRUE(static_cast<TBlobField*>(data.FieldByName("M"))->Modified());
  EXPECT_EQ(data.FieldByName("B")->Text(), "(BLOB)");
  EXPECT_EQ(data.FieldByName("M")->DisplayText(), "(MEMO)");
  EXPECT_EQ(data.FieldByName("G")->DisplayText(), "(Graphic)");
  data.Post();
  data.Close();
  data.Open();
  EXPECT_EQ(data.FieldByName("B")->AsString(), binary);
  EXPECT_EQ(data.FieldByName("M")->AsString(), text);
  EXPECT_TRUE(data.FieldByName("G")->IsNull());
  EXPECT_TRUE(VarIsNull(data.FieldByName("G")->Value()));
  TMemoryStream saved;
  static_cast<TBlobField*>(data.FieldByName("B"))->SaveToStream(&saved);
  EXPECT_EQ(saved.Size(), 4);
}

TEST(FieldClasses, NullFieldsReadAsZeroEmptyAndNull) {
  TMemDataSet data(nullptr);
  data.FieldDefs().Add("I", ftInteger);
  data.FieldDefs().Add("F", ftFloat);
  data.FieldDefs().Add("D", ftDate);
  data.FieldDefs().Add("S", ftString, 10);
  data.Open();
  data.Append();
  for (TField* field : data.Fields()) {
    SCOPED_TRACE(field->FieldName());
    EXPECT_TRUE(VarIsNull(field->Value()));
    EXPECT_EQ(field->AsString(), "");
    EXPECT_EQ(field->DisplayText(), "");
  }
  EXPECT_EQ(data.FieldByName("I")->AsInteger(), 0);
  EXPECT_EQ(data.FieldByName("F")->AsFloat(), 0.0);
  EXPECT_EQ(data.FieldByName("D")->AsDateTime(), 0.0);
}

TEST(FieldClasses, TextFollowsTheFormatsAndTheUkrainianSettings) {
  TMemDataSet data(nullptr);
  data.FieldDefs().Add("I", ftInteger);
  data.FieldDefs().Add("F", ftFloat);
  data.FieldDefs().Add("C", ftCurrency);
  data.FieldDefs().Add("D", ftDate);
  data.FieldDefs().Add("T", ftTime);
  data.FieldDefs().Add("DT", ftDateTime);
  data.FieldDefs().Add("B", ftBoolean);
  data.Open();
  data.Append();
  auto* integer = static_cast<TIntegerField*>(data.FieldByName("I"));
  auto* real = static_cast<TFloatField*>(data.FieldByName("F"));
  integer->SetAsInteger(1234);
  integer->SetDisplayFormat("#,##0.00");
  EXPECT_EQ(integer->DisplayText(), Utf8ToAnsi("1\u00A0234,00"));
  EXPECT_EQ(integer->Text(), Utf8ToAnsi("1\u00A0234,00")) << "Text falls back to DisplayFormat";
  integer->SetEditFormat("0");
  EXPECT_EQ(integer->Text(), "1234");
  real->SetAsFloat(2.0 / 3.0);
  EXPECT_EQ(real->AsString(), "0,666666666666667");
  real->SetPrecision(4);
  EXPECT_EQ(real->DisplayText(), "0,6667");
  data.FieldByName("C")->SetAsFloat(1.5);
  EXPECT_EQ(data.FieldByName("C")->DisplayText(), Utf8ToAnsi("1,50грн."));
  EXPECT_EQ(data.FieldByName("C")->Text(), "1,50");
  data.FieldByName("D")->SetAsString("05.03.2024");
  EXPECT_EQ(data.FieldByName("D")->AsDateTime(), EncodeDate(2024, 3, 5));
  EXPECT_EQ(data.FieldByName("D")->DisplayText(), "05.03.2024");
  data.FieldByName("T")->SetAsString("7:05");
  EXPECT_EQ(data.FieldByName("T")->DisplayText(), "07:05:00");
  auto* stamp = static_cast<TDateTimeField*>(data.FieldByName("DT"));
  stamp->SetAsDateTime(EncodeDate(2024, 3, 5));
  EXPECT_EQ(stamp->DisplayText(), "05.03.2024") << "midnight leaves the time out";
  stamp->SetAsDateTime(EncodeDate(2024, 3, 5) + EncodeTime(9, 30, 0, 0));
  EXPECT_EQ(stamp->DisplayText(), "05.03.2024 09:30:00");
  stamp->SetDisplayFormat("yyyy-mm-dd hh:nn");
  EXPECT_EQ(stamp->DisplayText(), "2024-03-05 09:30");
  EXPECT_EQ(stamp->Text(), "05.03.2024 09:30:00") << "the display format is for display";

  auto* flag = static_cast<TBooleanField*>(data.FieldByName("B"));
  flag->SetDisplayValues(Utf8ToAnsi("Так;Ні"));
  flag->SetAsString(Utf8ToAnsi("т"));
  EXPECT_TRUE(flag->AsBoolean());
  EXPECT_EQ(flag->AsString(), Utf8ToAnsi("Так"));
  flag->SetAsString(Utf8ToAnsi("НІ"));
  EXPECT_FALSE(flag->AsBoolean());
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { flag->SetAsString("True"); }),
            "'True' is not a valid boolean value for field 'B'");
  EXPECT_FALSE(flag->AsBoolean());
  flag->SetAsString("");
  EXPECT_TRUE(flag->IsNull());
}

TEST(FieldClasses, ValuesTheTypeCannotHoldAreRefusedAndChangeNothing) {
  TMemDataSet data(nullptr);
  data.FieldDefs().Add("S", ftSmallint);
  data.FieldDefs().Add("W", ftWord);
  data.FieldDefs().Add("I", ftInteger);
  data.FieldDefs().Add("L", ftLargeint);
  data.FieldDefs().Add("F", ftFloat);
  data.FieldDefs().Add("N", ftBCD, 2);
  data.Open();
  data.Append();
  TField* small = data.FieldByName("S");
  TField* word = data.FieldByName("W");
  TField* integer = data.FieldByName("I");
  small->SetAsInteger(5);
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { small->SetAsInteger(40000); }),
            "40000 is not a valid value for field 'S'. The allowed range is -32768 to 32767");
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { word->SetAsInteger(-1); }),
            "-1 is not a valid value for field 'W'. The allowed range is 0 to 65535");
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { integer->SetAsFloat(3e9); }),
            "3000000000 is not a valid value for field 'I'. The allowed range is -2147483648 to 2147483647");
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { integer->SetAsString("12x"); }),
            "'12x' is not a valid integer value for field 'I'");
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.FieldByName("F")->SetAsString("1.5"); }),
            "'1.5' is not a valid floating point value for field 'F'");
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.FieldByName("N")->SetAsString("abc"); }),
            "'abc' is not a valid floating point value for field 'N'");
  EXPECT_EQ(small->AsInteger(), 5);
  EXPECT_TRUE(word->IsNull());
  EXPECT_TRUE(integer->IsNull());
  // Reading into a smaller type is checked too.
  data.FieldByName("L")->SetAsLargeInt(Int64(1) << 40);
  EXPECT_EQ(ErrorOf<ERangeError>([&] { data.FieldByName("L")->AsInteger(); }), "Range check error");
  integer->SetAsFloat(2.5);
  EXPECT_EQ(integer->AsInteger(), 2) << "rounded to even";
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { integer->AsDateTime(); }), "Cannot access field 'I' as type DateTime");
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.FieldByName("F")->SetAsFloat(std::nan("")); }),
            "'NAN' is not a valid floating point value for field 'F'");
}

TEST(FieldClasses, SizesOutsideWhatTheClassHoldsAreInvalid) {
  TStringField text(nullptr);
  TIntegerField integer(nullptr);
  TBCDField bcd(nullptr);
  TGuidField guid(nullptr);
  TBytesField bytes(nullptr);
  TBlobField blob(nullptr);
  for (const auto& [field, size] : std::vector<std::pair<TField*, Integer>>{
           {&text, 0}, {&text, 8193}, {&integer, 4}, {&bcd, 33}, {&guid, 37}, {&bytes, 0}, {&blob, -1}}) {
    SCOPED_TRACE(field->ClassName() + " " + std::to_string(size));
    EXPECT_EQ(ErrorOf<EDatabaseError>([field = field, size = size] { field->SetSize(size); }), "Invalid field size");
  }
  text.SetSize(8192);
  EXPECT_EQ(text.DataSize(), 8193);
  EXPECT_EQ(text.Size(), 8192);
}

TEST(FieldClasses, AWriteOutsideAnEditStateRaisesAndKeepsTheRecord) {
  TLog log;
  TLoggingDataSet data(nullptr, &log);
  data.SetName("People");
  FillNumbered(data, 2);
  TField* name = data.FieldByName("NAME");
  for (const auto& write : std::vector<std::function<void()>>{[&] { name->SetAsString("x"); },
                                                             [&] { name->Clear(); },
                                                             [&] { name->SetValue(Variant("x")); }}) {
    EXPECT_EQ(ErrorOf<EDatabaseError>(write), "People: Dataset not in edit or insert mode");
  }
  EXPECT_EQ(name->AsString(), "r1");
  EXPECT_FALSE(data.Modified());
}

TEST(FieldClasses, AWriteValidatesMarksModifiedAndFiresOnChange) {
  TLog log;
  TLoggingDataSet data(nullptr, &log);
  FillNumbered(data, 2);
  TField* name = data.FieldByName("NAME");
  std::string seen;
  name->OnValidate = [&](TField* field) {
    seen = field->AsString();
    if (seen == "bad") DatabaseError("refused");
  };
  int changes = 0;
  name->OnChange = [&](TField*) { ++changes; };
  data.Edit();
  EXPECT_FALSE(data.Modified());
  name->SetAsString("good");
  EXPECT_EQ(seen, "good") << "OnValidate reads the value being written";
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(data.Modified());
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { name->SetAsString("bad"); }), "refused");
  EXPECT_EQ(name->AsString(), "good") << "a refused value is not written";
  EXPECT_EQ(changes, 1);
  name->OnSetText = [](TField* field, const AnsiString& text) { field->SetAsString("<" + text + ">"); };
  name->OnGetText = [](TField* field, AnsiString& text, bool displayText) {
    text = (displayText ? "show " : "edit ") + field->AsString();
  };
  name->SetText("x");
  EXPECT_EQ(name->AsString(), "<x>");
  EXPECT_EQ(name->Text(), "edit <x>");
  EXPECT_EQ(name->DisplayText(), "show <x>");
  data.Post();
  EXPECT_EQ(name->OldValue().AsString(), "<x>");
}

TEST(FieldClasses, AssignCopiesAnotherFieldsValue) {
  TMemDataSet data(nullptr);
  data.FieldDefs().Add("A", ftInteger);
  data.FieldDefs().Add("B", ftString, 10);
  data.Open();
  data.Append();
  data.FieldByName("A")->SetAsInteger(42);
  data.FieldByName("B")->Assign(data.FieldByName("A"));
  EXPECT_EQ(data.FieldByName("B")->AsString(), "42");
  data.FieldByName("A")->Assign(nullptr);
  EXPECT_TRUE(data.FieldByName("A")->IsNull());
  EXPECT_EQ(ErrorOf<EConvertError>([&] { data.FieldByName("A")->Assign(&data.FieldDefs()); }),
            "Cannot assign a TFieldDefs to a TIntegerField");
}

}  // namespace
}  // namespace ordvane::test
