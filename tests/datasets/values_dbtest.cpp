// Every column type read through its field against isql-fb's text of it (texts through
// iconv into the connection's code) and written back through the field in edit state;
// memos and blobs read, written and passed on as a master's values; the column-bound rules
// of the fields: scaled ranges, rounding, empty text as null, and a SMALLINT read through
// a 32-bit field. Dialects 1 and 3; WIN1251, UTF8 and KOI8R connections.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>

#include "classlib/core/DateFormat.h"
#include "datasets/FIBFields.h"
#include "tests/classlib/Support.h"
#include "tests/datasets/DataSetDbSupport.h"

namespace ordvane::test {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1)
    parts.push_back(text.substr(start, at - start));
  parts.push_back(text.substr(start));
  return parts;
}

std::string RightTrimmed(std::string text, char blank = ' ') {
  while (!text.empty() && text.back() == blank) text.pop_back();
  return text;
}

// UTF-8 text in another encoding, by iconv.
std::string Iconv(const std::string& text, const std::string& to) {
  const std::string path = TestTempDir() + "/iconv.txt";
  std::ofstream(path, std::ios::binary) << text;
  int exitCode = 0;
  std::string output = RunCommand("iconv -f UTF-8 -t " + to + " " + path + " 2>/dev/null", exitCode);
  EXPECT_EQ(exitCode, 0) << text;
  return output;
}

std::string Hex(const std::string& bytes) {
  std::string text;
  char digits[3];
  for (unsigned char ch : bytes) {
    std::snprintf(digits, sizeof digits, "%02X", ch);
    text += digits;
  }
  return text;
}

// isql-fb's DB key (the bytes in hexadecimal) as the dataset shows it: each 4-byte word,
// read little-endian, as "%-8.8x".
std::string KeyWords(const std::string& isqlHex) {
  std::string text;
  for (std::size_t at = 0; at + 8 <= isqlHex.size(); at += 8) {
    std::string word;
    for (int i = 3; i >= 0; --i) word += isqlHex.substr(at + static_cast<std::size_t>(i) * 2, 2);
    for (char& ch : word) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    text += word;
  }
  return text;
}

// "1858-11-17 10:00:00.0050" or, in dialect 1, "17-NOV-1858 10:00:00.0050", with the
// milliseconds kept: "1858-11-17 10:00:00.005".
std::string IsqlStamp(const std::string& text) {
  static const char* months[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  std::string date = text.substr(0, text.find(' '));
  if (!std::isdigit(static_cast<unsigned char>(date[2]))) {
    int month = 1;
    while (date.substr(3, 3) != months[month - 1]) ++month;
    char iso[16];
    std::snprintf(iso, sizeof iso, "%s-%02d-%s", date.substr(7).c_str(), month, date.substr(0, 2).c_str());
    date = iso;
  }
  const std::size_t blank = text.find(' ');
  const std::string time = blank == std::string::npos ? "00:00:00.0000" : text.substr(blank + 1);
  return date + " " + time.substr(0, 12);
}

class ValuesTest : public DataSetDbTestOf<TpFIBDataSet> {
 protected:
  ValuesTest() : DataSetDbTestOf(FixtureDatabase("values", GetParam().dialect)) {}
  bool Wide() const { return std::string(GetParam().charset) == "UTF8"; }
  // KOI8-R has no Ukrainian letters: UK is left out there.
  std::string Columns() const {
    if (std::string(GetParam().charset) != "KOI8R") return "v.*, v.rdb$db_key";
    return Dialect() == 3 ? "id, s, i, b, n41, n92, n94, n152, n184, n188, f, d, dt, tm, ts, c5, v20, o16, bo, vn, "
                            "rdb$db_key"
                          : "id, s, i, n41, n92, f, d, dt, c5, v20, o16, vn, rdb$db_key";
  }
  std::string Select() const { return "select " + Columns() + " from v order by id"; }

  // The field's value against isql-fb's text (UTF-8) of it.
  void ExpectValue(TField* field, const std::string& isql) {
    SCOPED_TRACE(field->FieldName() + " = " + isql);
    ASSERT_EQ(field->IsNull(), isql == "<null>");
    if (auto* date = dynamic_cast<TFIBDateField*>(field)) ExpectDateTexts(*date, isql);
    if (field->IsNull()) return;
    const std::string name = field->FieldName();
    if (auto* wide = dynamic_cast<TFIBWideStringField*>(field)) {
      const std::string utf16 = Iconv(RightTrimmed(isql), "UTF-16LE");
      EXPECT_EQ(wide->AsWideString(), WideString(reinterpret_cast<const char16_t*>(utf16.data()), utf16.size() / 2));
    } else if (name == "DB_KEY") {
      EXPECT_EQ(field->AsString(), KeyWords(isql));
    } else if (name == "O16") {
      EXPECT_EQ(Hex(field->AsString()), isql);
    } else if (dynamic_cast<TFIBStringField*>(field) != nullptr) {
      EXPECT_EQ(field->AsString(), Iconv(RightTrimmed(isql), "CP1251"));
    } else if (dynamic_cast<TFIBBooleanField*>(field) != nullptr) {
      EXPECT_EQ(field->AsBoolean(), isql == "<true>");
    } else if (dynamic_cast<TFIBBCDField*>(field) != nullptr) {
      std::string text = isql;
      std::replace(text.begin(), text.end(), '.', ',');
      EXPECT_EQ(field->AsString(), text);
    } else if (name == "F") {
      // A single-precision column, printed to its own precision.
      EXPECT_FLOAT_EQ(static_cast<float>(field->AsFloat()), std::strtof(isql.c_str(), nullptr));
    } else if (dynamic_cast<TFIBFloatField*>(field) != nullptr) {
      // isql-fb prints 16 digits, which may round past the largest double.
      const long double expected = std::strtold(isql.c_str(), nullptr);
      EXPECT_LE(std::fabs(static_cast<long double>(field->AsFloat()) - expected), std::fabs(expected) * 1e-15L);
    } else if (dynamic_cast<TFIBDateField*>(field) != nullptr) {
      EXPECT_EQ(FormatDateTime("yyyy-mm-dd", field->AsDateTime()), isql);
    } else if (dynamic_cast<TFIBTimeField*>(field) != nullptr) {
      EXPECT_EQ(FormatDateTime("hh:nn:ss.zzz", field->AsDateTime()), isql.substr(0, 12));
    } else if (dynamic_cast<TFIBDateTimeField*>(field) != nullptr) {
      // Dialect 1's isql-fb shows the date of a time stamp only.
      const bool dateOnly = isql.find(' ') == std::string::npos;
      EXPECT_EQ(FormatDateTime(dateOnly ? "yyyy-mm-dd" : "yyyy-mm-dd hh:nn:ss.zzz", field->AsDateTime()),
                IsqlStamp(isql).substr(0, dateOnly ? 10 : std::string::npos));
    } else {
      EXPECT_EQ(field->AsString(), isql);
    }
  }
  // A browsed date's texts, written from the day the record keeps, against isql-fb's and
  // FormatDateTime's.
  static void ExpectDateTexts(TFIBDateField& field, const std::string& isql) {
    const bool null = isql == "<null>";
    field.SetDisplayFormat("yyyy-mm-dd");
    EXPECT_EQ(field.DisplayText(), null ? "" : isql);
    field.SetDisplayFormat("d/m/yy");
    EXPECT_EQ(field.DisplayText(), null ? "" : FormatDateTime("d/m/yy", field.AsDateTime()));
    field.SetDisplayFormat("");
    EXPECT_EQ(field.AsString(), null ? "" : FormatDateTime(FormatSettings().ShortDateFormat, field.AsDateTime()));
  }
  void AllowEdit() { fDataSet->UpdateSQL().SetText("update v set id = ?id where id = ?old_id"); }
  // A master on the form, open, that the dataset follows through the source.
  TpFIBDataSet* OpenMaster(const std::string& select, TDataSource& source) {
    auto* master = new TpFIBDataSet(&fForm);
    master->SetName("Master");
    master->SetDatabase(fDatabase);
    master->SetTransaction(fTransaction);
    master->SelectSQL().SetText(select);
    master->Open();
    source.SetDataSet(master);
    fDataSet->SetDataSource(&source);
    return master;
  }
};

TEST_P(ValuesTest, EveryColumnReadsAsIsqlShowsItAndWritesBackWhole) {
  const std::vector<std::string> rows = Split(Oracle(Select()), ';');
  AllowEdit();
  // Empty texts are written back as empty texts here.
  fDataSet->SetPrepareOptions(fDataSet->PrepareOptions() - TpPrepareOptions{psSetEmptyStrToNull});
  Open(Select());
  ASSERT_EQ(rows.size(), 4u);
  for (const std::string& row : rows) {
    const std::vector<std::string> values = Split(row, '|');
    ASSERT_EQ(values.size(), static_cast<std::size_t>(fDataSet->FieldCount()));
    for (int i = 0; i < fDataSet->FieldCount(); ++i) ExpectValue(fDataSet->Fields().Fields(i), values[static_cast<std::size_t>(i)]);

    // Every value written through its field reads back as it was.
    std::vector<Variant> before;
    for (TField* field : fDataSet->Fields()) before.push_back(field->AsVariant());
    fDataSet->Edit();
    for (TField* field : fDataSet->Fields()) {
      const Variant& was = before[static_cast<std::size_t>(field->Index())];
      if (field->FieldName() == "DB_KEY") continue;
      // A BCD field's exact value is its text; its variant is a double.
      if (dynamic_cast<TFIBBCDField*>(field) != nullptr && !VarIsNull(was))
        field->SetAsString(field->AsString());
      else
        field->SetAsVariant(was);
    }
    for (TField* field : fDataSet->Fields()) {
      SCOPED_TRACE(field->FieldName());
      const Variant& was = before[static_cast<std::size_t>(field->Index())];
      ASSERT_EQ(field->IsNull(), VarIsNull(was));
      if (!field->IsNull()) {
        EXPECT_EQ(VarToStr(field->AsVariant()), VarToStr(was));
      }
    }
    fDataSet->Cancel();
    fDataSet->Next();
  }
}

// Fields made once keep reading their own columns, in place and decoded, when the dataset
// opens again on a select whose columns lie elsewhere in the record.
TEST_P(ValuesTest, KeptFieldsReadTheirColumnsAfterAReopenOnOtherColumns) {
  if (Dialect() != 3 || Wide()) GTEST_SKIP() << "a date field and an 8-bit text field need dialect 3's DATE and text";
  auto* text = new TFIBStringField(fDataSet);
  text->SetFieldName("V20");
  text->SetSize(20);
  text->SetDataSet(fDataSet);
  auto* date = new TFIBDateField(fDataSet);
  date->SetFieldName("DT");
  date->SetDisplayFormat("yyyy-mm-dd");
  date->SetDataSet(fDataSet);
  const std::vector<std::string> rows = Split(Oracle("select dt, v20 from v order by id"), ';');
  for (const char* columns : {"id, v20, dt", "c5, dt, s, v20, id"}) {
    SCOPED_TRACE(columns);
    Open(std::string("select ") + columns + " from v order by id");
    for (const std::string& row : rows) {
      const std::vector<std::string> values = Split(row, '|');
      ASSERT_EQ(values.size(), 2u);
      EXPECT_EQ(date->DisplayText(), values[0] == "<null>" ? "" : values[0]);
      EXPECT_EQ(text->AsString(), values[1] == "<null>" ? "" : Iconv(RightTrimmed(values[1]), "CP1251"));
      fDataSet->Next();
    }
    fDataSet->Close();
  }
}

TEST_P(ValuesTest, ScaledColumnsKeepTheirRangeAndRoundHalfAwayFromZero) {
  AllowEdit();
  Open(Select());
  fDataSet->Edit();
  TField* n92 = fDataSet->FieldByName("N92");
  TField* n41 = fDataSet->FieldByName("N41");
  struct Case {
    TField* field;
    double value;
    bool kept;
    double reads;
  };
  const Case cases[] = {
      {n92, 21474836.47, true, 21474836.47},  {n92, 21474836.48, false, 0},   {n92, -21474836.47, true, -21474836.47},
      {n92, -21474836.48, false, 0},         {n92, 0.29, true, 0.29},        {n92, 0.145, true, 0.15},
      {n92, -0.145, true, -0.15},            {n41, 3276.7, true, 3276.7},    {n41, 3276.8, false, 0},
      {n41, -3276.7, true, -3276.7},         {n41, 1.05, true, 1.1},         {n92, 1e300, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field->FieldName() + " := " + std::to_string(c.value));
    c.field->SetAsFloat(1);
    if (c.kept) {
      c.field->SetAsFloat(c.value);
      EXPECT_EQ(c.field->AsFloat(), c.reads);
    } else {
      const std::string error = ErrorOf<EDatabaseError>([&] { c.field->SetAsFloat(c.value); });
      EXPECT_NE(error.find(" is not a valid value for field '" + c.field->FieldName() + "'. The allowed range is "),
                std::string::npos)
          << error;
      EXPECT_EQ(c.field->AsFloat(), 1);
    }
  }
  // With the prepare option, an empty text is null, on every connection.
  TField* v20 = fDataSet->FieldByName("V20");
  v20->SetAsString("");
  EXPECT_TRUE(v20->IsNull());
  fDataSet->FieldByName("V20")->SetAsString("x");
  EXPECT_EQ(fDataSet->FieldByName("V20")->AsString(), "x");
  fDataSet->Cancel();
}

// A plain BCD field into 64-bit columns: a typed value rounds half away from zero to the
// column's places, and a value its 64 bits cannot hold is refused naming field and value.
TEST_P(ValuesTest, APlainBcdFieldRoundsIntoA64BitColumnAndRefusesWhatDoesNotFit) {
  if (Dialect() != 3) GTEST_SKIP() << "dialect 1 keeps large numerics as doubles";
  auto* n152 = new TBCDField(fDataSet);
  n152->SetFieldName("N152");
  n152->SetDataSet(fDataSet);
  auto* n188 = new TBCDField(fDataSet);
  n188->SetFieldName("N188");
  n188->SetDataSet(fDataSet);
  fDataSet->SetPrepareOptions(fDataSet->PrepareOptions() + TpPrepareOptions{psSQLINT64ToBCD});
  AllowEdit();
  Open("select n152, n188 from v order by id");
  fDataSet->Edit();
  const std::pair<const char*, const char*> rounded[] = {
      {"1,235", "1,24"}, {"-1,235", "-1,24"}, {"1,2349", "1,23"}, {"0,005", "0,01"}, {"-0,0049", "0"}};
  for (const auto& [typed, stored] : rounded) {
    n152->SetAsString(typed);
    EXPECT_EQ(n152->AsString(), stored) << typed;
  }
  n188->SetAsString("92233720368,5477");
  EXPECT_EQ(n188->AsString(), "92233720368,5477");
  for (const char* tooLarge : {"92233720369", "-92233720369", "900000000000000"}) {
    const std::string error = ErrorOf<EDatabaseError>([&] { n188->SetAsString(tooLarge); });
    EXPECT_NE(error.find(" is not a valid value for field 'N188'. The allowed range is "), std::string::npos)
        << tooLarge << ": " << error;
    EXPECT_EQ(error.rfind("0 is not", 0), std::string::npos) << "the value itself is named: " << error;
    EXPECT_EQ(n188->AsString(), "92233720368,5477");
  }
  fDataSet->Cancel();
}

TEST_P(ValuesTest, ASmallintReadThroughAnIntegerFieldKeepsItsSignAndItsRange) {
  auto* s = new TIntegerField(fDataSet);
  s->SetFieldName("S");
  s->SetDataSet(fDataSet);
  AllowEdit();
  Open("select s from v order by id");
  EXPECT_EQ(s->AsInteger(), -2);
  fDataSet->Last();
  EXPECT_EQ(s->AsInteger(), -32768);
  fDataSet->Edit();
  s->SetAsInteger(-32768);
  EXPECT_EQ(s->AsInteger(), -32768);
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { s->SetAsInteger(32768); }),
            "32768 is not a valid value for field 'S'. The allowed range is -32768 to 32767");
  EXPECT_EQ(s->AsInteger(), -32768);
  fDataSet->Cancel();
}

// Browsing reads an integer where the record keeps it, an edit through the field's data:
// both read what isql-fb shows, the limits included, for a BIGINT through a 64-bit field,
// a SMALLINT through a 32-bit one and a NUMERIC(15,2) through a BCD field, also after a
// reopen on a select whose columns lie elsewhere in the record.
TEST_P(ValuesTest, WholeNumbersReadAsIsqlShowsThemBrowsedAndEdited) {
  if (Dialect() != 3) GTEST_SKIP() << "dialect 1 has no 64-bit integers";
  auto* s = new TFIBIntegerField(fDataSet);
  s->SetFieldName("S");
  s->SetDataSet(fDataSet);
  auto* b = new TFIBLargeIntField(fDataSet);
  b->SetFieldName("B");
  b->SetDataSet(fDataSet);
  auto* n152 = new TFIBBCDField(fDataSet);
  n152->SetFieldName("N152");
  n152->SetSize(2);
  n152->SetDataSet(fDataSet);
  fDataSet->SetPrepareOptions(fDataSet->PrepareOptions() + TpPrepareOptions{psUseLargeIntField});
  AllowEdit();
  const auto texts = [&] {
    return s->AsString() + "|" + b->AsString() + "|" + n152->AsString() + "|" + s->DisplayText() + "|" + b->Text();
  };
  const std::vector<std::string> rows = Split(Oracle("select s, b, n152 from v order by id"), ';');
  for (const char* columns : {"s, b, n152", "n152, id, b, v20, s"}) {
    SCOPED_TRACE(columns);
    Open(std::string("select ") + columns + " from v order by id");
    for (const std::string& row : rows) {
      std::vector<std::string> isql = Split(row, '|');
      ASSERT_EQ(isql.size(), 3u);
      for (std::string& value : isql) {
        if (value == "<null>") value.clear();
        std::replace(value.begin(), value.end(), '.', ',');
      }
      const std::string browsed = texts();
      EXPECT_EQ(browsed, isql[0] + "|" + isql[1] + "|" + isql[2] + "|" + isql[0] + "|" + isql[1]);
      fDataSet->Edit();
      EXPECT_EQ(texts(), browsed);
      fDataSet->Cancel();
      fDataSet->Next();
    }
    EXPECT_TRUE(fDataSet->Eof());
    fDataSet->Close();
  }
}

constexpr std::array<Connection, 6> ValueConnections{
    {{1, "WIN1251"}, {1, "UTF8"}, {1, "KOI8R"}, {3, "WIN1251"}, {3, "UTF8"}, {3, "KOI8R"}}};

INSTANTIATE_TEST_SUITE_P(Connections, ValuesTest, testing::ValuesIn(ValueConnections),
                         [](const auto& info) { return PrintTo(info.param); });


// The master's fields of every supported type fill the detail's parameters, by "MAS_"
// names and by plain names: the server then finds the master's own row with them.
TEST_P(ValuesTest, MasterFieldsFillTheParametersOfEveryType) {
  TDataSource source(&fForm);
  TpFIBDataSet* master = OpenMaster("select " + Columns() + " from v where id = 1", source);
  const bool koi8 = std::string(GetParam().charset) == "KOI8R";
  std::string where = "id = :mas_id and s = :S and i = :MAS_I and n41 = :n41 and n92 = :mas_n92 and f = :f and d = :d "
                      "and dt = :mas_dt and c5 = :c5 and v20 = :mas_v20 and o16 = :o16 and vn = :vn";
  if (Dialect() == 3) where += " and b = :mas_b and n94 = :n94 and n152 = :MAS_N152 and n184 = :n184 and tm = :tm "
                               "and ts = :mas_ts and bo = :bo";
  if (!koi8) where += " and uk = :mas_uk";
  Open("select id from v where " + where);
  ASSERT_FALSE(fDataSet->IsEmpty()) << where;
  EXPECT_EQ(fDataSet->FieldByName("ID")->AsInteger(), 1);
  EXPECT_FALSE(fDataSet->MasterParamsChanged());
  master->Close();
  master->SelectSQL().SetText("select " + Columns() + " from v where id = 3");
  master->Open();
  EXPECT_TRUE(fDataSet->MasterParamsChanged());
  fDataSet->Close();

  // A master field of a type the parameters cannot take.
  master->Close();
  auto* autoInc = new TAutoIncField(master);
  autoInc->SetFieldName("ID");
  autoInc->SetDataSet(master);
  master->Open();
  fDataSet->SelectSQL().SetText("select id from v where id = :mas_id");
  EXPECT_EQ(ErrorOf<EFIBClientError>([&] { fDataSet->Open(); }), "Unsupported feature.");
  fDataSet->SetDataSource(nullptr);
}


// A memo reads as the text isql-fb shows, in the program's code page whatever the
// connection's, and a text written through the field reaches the server whole.
TEST_P(ValuesTest, MemosReadAndWriteTheirTextInTheProgramsCodePage) {
  const std::vector<std::string> texts = Split(Oracle("select cast(m as varchar(200)) from memos order by id"), ';');
  fDataSet->SetAutoCommit(true);
  fDataSet->InsertSQL().SetText("insert into memos (id, m) values (?id, ?m)");
  Open("select id, m from memos order by id");
  ASSERT_EQ(texts.size(), 3u);
  TField* m = fDataSet->FieldByName("M");
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    ASSERT_EQ(m->IsNull(), text == "<null>");
    if (!m->IsNull()) {
      EXPECT_EQ(m->AsString(), Iconv(text, "CP1251"));
    }
    fDataSet->Next();
  }
  const std::string written = "Эх, чужак! Общий съём цен шляп (юфть) - вдрызг!";
  fDataSet->Append();
  fDataSet->FieldByName("ID")->SetAsInteger(10);
  m->SetAsString(Iconv(written, "CP1251"));
  EXPECT_EQ(m->AsString(), Iconv(written, "CP1251"));
  fDataSet->Post();
  EXPECT_EQ(Oracle("select cast(m as varchar(200)) from memos where id = 10"), written);
  fDb.Isql("delete from memos where id = 10;\ncommit;\n");
}

// A post binds a 64-bit scaled column's digits as they are: the limits of NUMERIC(18, 4)
// and of NUMERIC(15, 2), both signs, and a fraction, inserted through the fields, reach
// the server exactly as isql-fb shows the rows they were copied from.
TEST_P(ValuesTest, InsertedScaledColumnsReachTheServerDigitForDigit) {
  if (Dialect() != 3) GTEST_SKIP() << "dialect 1 keeps large numerics as doubles";
  const std::string columns = "n94, n152, n184";
  const std::string copied = Oracle("select " + columns + " from v where id <> 2 order by id");
  fDataSet->SetAutoCommit(true);
  fDataSet->InsertSQL().SetText("insert into v (id, " + columns + ") values (?id, ?n94, ?n152, ?n184)");
  Open("select id, " + columns + " from v where id <> 2 order by id");
  std::vector<std::vector<std::string>> copies;
  for (; !fDataSet->Eof(); fDataSet->Next()) {
    copies.emplace_back();
    for (int i = 1; i < fDataSet->FieldCount(); ++i) copies.back().push_back(fDataSet->Fields().Fields(i)->AsString());
  }
  int id = 100;
  for (const std::vector<std::string>& copy : copies) {
    fDataSet->Append();
    fDataSet->FieldByName("ID")->SetAsInteger(++id);
    for (std::size_t i = 0; i < copy.size(); ++i) fDataSet->Fields().Fields(static_cast<int>(i) + 1)->SetAsString(copy[i]);
    fDataSet->Post();
  }
  ASSERT_EQ(copies.size(), 3u);
  EXPECT_EQ(Oracle("select " + columns + " from v where id > 100 order by id"), copied);
  fDb.Isql("delete from v where id > 100;\ncommit;\n");
}

// The master's memo and blob fill the detail's parameters, by "MAS_" and by plain names:
// the server finds the master's own row with them (the null ones through IS NULL).
TEST_P(ValuesTest, MasterMemosAndBlobsFillTheParameters) {
  TDataSource source(&fForm);
  TpFIBDataSet* master = OpenMaster("select id, m, bl from memos order by id", source);
  for (const char* where : {"m = :mas_m and bl = :bl", "m = :m and bl = :MAS_BL"}) {
    SCOPED_TRACE(where);
    fDataSet->SelectSQL().SetText(std::string("select id from memos where ") + where);
    for (master->First(); !master->Eof(); master->Next()) {
      fDataSet->Open();
      ASSERT_EQ(fDataSet->RecordCount(), 1);
      EXPECT_EQ(fDataSet->FieldByName("ID")->AsInteger(), master->FieldByName("ID")->AsInteger());
      fDataSet->Close();
    }
  }
  fDataSet->SetDataSource(nullptr);
}

// Wide text on a UTF-8 connection is the column's bytes: a value of the column's length in
// characters reads whole whatever its bytes per character, and a longer one is refused
// whole, never cut.
// A variant's wide text, a workbook cell's, writes what its ANSI text writes: text longer
// than the column is refused, empty text is null or empty; a character the code page lacks
// is refused too, never written as '?'.
TEST_P(ValuesTest, AVariantsWideTextWritesWhatItsAnsiTextWrites) {
  if (Wide()) GTEST_SKIP() << "wide text fields are made on UTF-8 connections";
  AllowEdit();
  Open("select cast('x' as varchar(8)) t from rdb$database");
  auto* t = dynamic_cast<TFIBStringField*>(fDataSet->FieldByName("T"));
  ASSERT_NE(t, nullptr);
  fDataSet->Edit();
  // What a write leaves in the field: its text, null, or the error that refused it.
  const auto written = [t](const std::function<void()>& write) -> std::string {
    t->SetAsString("before");
    try {
      write();
    } catch (const Exception& error) {
      return "refused: " + error.Message();
    }
    return t->IsNull() ? "null" : "text: " + t->AsString();
  };
  const WideString texts[] = {u"Іваненко", u"Smith", u"Шевченко-Бондаренко", u"€‰№", u""};
  for (const bool emptyIsNull : {false, true}) {
    t->SetEmptyStrToNull(emptyIsNull);
    for (const WideString& text : texts) {
      SCOPED_TRACE(Utf8Encode(text));
      EXPECT_EQ(written([&] { t->SetAsVariant(Variant(text)); }), written([&] { t->SetAsString(WideToAnsi(text)); }));
    }
  }
  EXPECT_EQ(written([t] { t->SetAsVariant(Variant(WideString(u"Шевченко-Бондаренко"))); }),
            "refused: " +
                WideToAnsi(u"Field 'T' cannot hold the text 'Шевченко-Бондаренко': string right truncation, "
                           u"expected length 8, actual 19"));
  EXPECT_EQ(
      written([t] { t->SetAsVariant(Variant(WideString(u"中 \U0001D11E!"))); }),
      "refused: Field 'T' holds a character that the connection's character set cannot represent: '? ?!'");
  // Blanks over the column's length are dropped, as the server drops them.
  EXPECT_EQ(written([t] { t->SetAsVariant(Variant(WideString(u"Smith      "))); }), "text: Smith");
  fDataSet->Cancel();
}

TEST_P(ValuesTest, WideTextLongerThanTheColumnIsRefusedWhole) {
  if (!Wide()) GTEST_SKIP() << "wide text fields are made on UTF-8 connections";
  AllowEdit();
  // Five euro signs of three bytes each.
  Open("select cast(x'E282ACE282ACE282ACE282ACE282AC' as varchar(5) character set utf8) e from rdb$database");
  auto* e = dynamic_cast<TWideStringField*>(fDataSet->FieldByName("E"));
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->AsWideString(), u"€€€€€");
  fDataSet->Edit();
  struct Case {
    WideString written;
    bool refused;
    WideString reads;
  };
  const Case cases[] = {
      {u"𝄞𝄞𝄞𝄞𝄞", false, u"𝄞𝄞𝄞𝄞𝄞"},   // 20 bytes: the whole column
      {u"€€€€€€", true, u"𝄞𝄞𝄞𝄞𝄞"},   // six characters in five: refused, the value stays
      {u"a𝄞𝄞𝄞𝄞𝄞", true, u"𝄞𝄞𝄞𝄞𝄞"},   // the same with a 4-byte character last
      // Blanks over the length are dropped as the server drops them; the field shows the
      // text without trailing blanks, as it shows 8-bit text under poTrimCharFields.
      {u"€€€   ", false, u"€€€"},
      {u"", false, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8Encode(c.written));
    bool refused = false;
    try {
      e->SetAsWideString(c.written);
    } catch (const EDatabaseError& error) {
      refused = true;
      EXPECT_NE(error.Message().find("string right truncation, expected length 5, actual 6"),
                AnsiString::npos);
    }
    EXPECT_EQ(refused, c.refused);
    EXPECT_EQ(e->AsWideString(), c.reads);
  }
  fDataSet->Cancel();
}

}  // namespace
}  // namespace ordvane::test
