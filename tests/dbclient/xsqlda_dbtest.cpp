// Columns and parameters against a real server, in dialects 1 and 3 and on WIN1251,
// UTF8 and NONE connections. The server is the oracle: a bound value is compared with
// what the server makes of the same value written as a literal, a read value with the
// server's own text of it, and an inserted row with a row isql-fb inserted from literals.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateTime.h"
#include "classlib/core/FloatFormat.h"
#include "classlib/core/StrUtils.h"
#include "tests/dbclient/RawStatement.h"

namespace ordvane::test {
namespace {

struct Connection {
  int dialect;
  const char* charset;
};

std::string PrintTo(const Connection& c) {
  return "dialect" + std::to_string(c.dialect) + "_" + c.charset;
}

// One database per dialect for the whole program.
TestDatabase& DatabaseOfDialect(int dialect) {
  static std::map<int, std::unique_ptr<TestDatabase>> databases;
  auto& db = databases[dialect];
  if (!db) db = std::make_unique<TestDatabase>("dbclient/columns.sql", DatabaseOptions{dialect, "WIN1251"});
  return *db;
}

// The server's text with the user's decimal separator, for comparing decimal values.
AnsiString LocalDecimal(AnsiString text) {
  for (char& c : text)
    if (c == '.') c = ',';
  return text;
}

std::string Cp1251ByIconv(const std::string& utf8) {
  const std::string file = TestTempDir() + "/iconv-input.txt";
  {
    std::ofstream out(file, std::ios::binary);
    out << utf8;
  }
  int exitCode = 0;
  const std::string output = RunCommand("iconv -f UTF-8 -t CP1251 " + file, exitCode);
  EXPECT_EQ(exitCode, 0) << output;
  return output;
}

// "NAME   value" lines of isql's list mode for one row, without the column names.
std::vector<std::string> IsqlValues(const TestDatabase& db, const std::string& select) {
  std::istringstream out(db.Isql("set list on;\n" + select + ";\n"));
  std::vector<std::string> values;
  for (std::string line; std::getline(out, line);) {
    if (line.empty()) continue;
    const std::size_t gap = line.find(' ');
    values.push_back(gap == std::string::npos ? std::string() : Trim(line.substr(gap)));
  }
  return values;
}

class ColumnsAndParameters : public testing::TestWithParam<Connection> {
 protected:
  int Dialect() const { return GetParam().dialect; }
  TestDatabase& Db() { return DatabaseOfDialect(Dialect()); }
  RawAttachment& Attachment() {
    if (!fAttachment) fAttachment = std::make_unique<RawAttachment>(Db(), GetParam().charset);
    return *fAttachment;
  }
  // The first column of the statement's row as text, parameters set by bind.
  AnsiString TextOf(const std::string& sql, const std::function<void(TFIBXSQLDA&)>& bind = {}) {
    RawStatement statement(Attachment(), sql);
    if (bind) bind(statement.Params());
    TFIBXSQLDA& row = statement.Row();
    return row[0].GetIsNull() ? AnsiString("<null>") : row[0].GetAsString();
  }
  // Row ids that no other connection of the same database uses.
  int RowId(int offset) const {
    const std::string charset = GetParam().charset;
    return 1000 * Dialect() + 100 * (charset == "WIN1251" ? 0 : charset == "UTF8" ? 1 : 2) + offset;
  }
  // SQL text with non-ASCII characters in the connection's character set.
  std::string InConnectionCharset(const std::string& utf8) const {
    return std::string(GetParam().charset) == "UTF8" ? utf8 : ConvertCodePage(utf8, 65001, 1251);
  }

  std::unique_ptr<RawAttachment> fAttachment;
};

// A date and a time of day as one value; before 30 December 1899 the time is not simply
// added to the date.
TDateTime DateTimeOf(Word year, Word month, Word day, Word hour, Word minute, Word second, Word msec) {
  const TTimeStamp date = DateTimeToTimeStamp(EncodeDate(year, month, day));
  const TTimeStamp time = DateTimeToTimeStamp(EncodeTime(hour, minute, second, msec));
  return TimeStampToDateTime(TTimeStamp{time.Time, date.Date});
}

struct BoundCase {
  const char* name;
  const char* sql;  // one parameter
  std::function<void(TFIBXSQLVAR&)> set;
  const char* literal;  // replaces the parameter for the oracle
  int onlyDialect = 0;
};

std::string WithLiteral(std::string sql, const std::string& literal) {
  return sql.replace(sql.find('?'), 1, literal);
}

TEST_P(ColumnsAndParameters, BoundValuesReachTheServerAsTheirLiterals) {
  const bool d3 = Dialect() == 3;
  const char* asText = "select cast(? as varchar(60)) from rdb$database";
  const char* asDouble = "select cast(cast(? as double precision) as varchar(60)) from rdb$database";
  const char* asNumeric = "select cast(cast(? as numeric(15,2)) as varchar(60)) from rdb$database";
  const char* asTimeStamp = "select cast(cast(? as timestamp) as varchar(60)) from rdb$database";
  const char* days =
      "select datediff(day from cast('17.11.1858' as date) to cast(? as date)) from rdb$database";
  const char* orNull = "select coalesce(cast(? as varchar(60)), 'null') from rdb$database";
  const char* orNullInteger =
      "select coalesce(cast(cast(? as integer) as varchar(60)), 'null') from rdb$database";
  const char* asBoolean = "select cast(cast(? as boolean) as varchar(10)) from rdb$database";
  const char* isNull = "select count(*) from rdb$database where ? is null";
  const TDateTime noon1858 = DateTimeOf(1858, 11, 17, 13, 14, 15, 123);
  const Variant dayBefore(Integer{-1});
  const Variant falseValue(false);
  const BoundCase cases[] = {
      {"long", asText, [](auto& p) { p.SetAsLong(-2147483647 - 1); }, "-2147483648"},
      {"short", asText, [](auto& p) { p.SetAsShort(-5); }, "-5"},
      {"int64 beyond 32 bits", asText, [](auto& p) { p.SetAsInt64((Int64{1} << 32) + 5); },
       d3 ? "cast(4294967301 as bigint)" : "cast(4294967301 as double precision)"},
      {"double", asText, [](auto& p) { p.SetAsDouble(1.5e300); }, "cast(1.5e300 as double precision)"},
      {"currency", asText, [](auto& p) { p.SetAsCurrency(Currency::FromScaled(-1234567)); },
       d3 ? "cast(-123.4567 as numeric(18,4))" : "cast(-123.4567 as double precision)"},
      {"extended", asText, [](auto& p) { p.SetAsExtended(123.45L); },
       d3 ? "cast(123.45 as numeric(18,15))" : "cast(123.45 as double precision)"},
      {"bcd", asText, [](auto& p) { p.SetAsBcd(StrToBcd("-12345678901234,5678")); },
       "cast(-12345678901234.5678 as numeric(18,4))", 3},
      {"bcd below dialect 3", asText, [](auto& p) { p.SetAsBcd(StrToBcd("-1234,5")); },
       "cast(-1234.5 as double precision)", 1},
      {"text with a comma to a double", asDouble, [](auto& p) { p.SetAsString("1,5"); }, "1.5"},
      {"text with a comma to a numeric", asNumeric, [](auto& p) { p.SetAsString("-12,34"); }, "-12.34"},
      {"timestamp before 1899", asTimeStamp, [&](auto& p) { p.SetAsDateTime(noon1858); },
       "cast('17.11.1858 13:14:15.123' as timestamp)"},
      {"first timestamp", asTimeStamp, [](auto& p) { p.SetAsDateTime(EncodeDate(1, 1, 1)); },
       "cast('01.01.0001' as timestamp)"},
      {"last timestamp", asTimeStamp,
       [](auto& p) { p.SetAsDateTime(DateTimeOf(9999, 12, 31, 23, 59, 59, 999)); },
       "cast('31.12.9999 23:59:59.999' as timestamp)"},
      {"date", days, [](auto& p) { p.SetAsDate(EncodeDate(2020, 1, 2) + 0.75); },
       "cast('02.01.2020' as date)"},
      {"date from text", days, [](auto& p) { p.SetAsString("29.02.2000"); }, "cast('29.02.2000' as date)"},
      {"date from a variant number", days, [&](auto& p) { p.SetAsVariant(dayBefore); },
       "cast('29.12.1899' as date)"},
      {"time", "select cast(cast(? as time) as varchar(60)) from rdb$database",
       [](auto& p) { p.SetAsTime(EncodeTime(23, 59, 59, 999)); }, "cast('23:59:59.999' as time)", 3},
      {"null", orNull, [](auto& p) { p.SetIsNull(true); }, "null"},
      {"empty text", orNull, [](auto& p) { p.SetAsString(""); }, "''"},
      {"empty text to a number is null", orNullInteger, [](auto& p) { p.SetAsString(""); }, "null"},
      {"boolean", asBoolean, [](auto& p) { p.SetAsBoolean(true); }, "true"},
      {"boolean variant", asBoolean, [&](auto& p) { p.SetAsVariant(falseValue); }, "false"},
      {"untyped null parameter", isNull, [](auto& p) { p.SetIsNull(true); }, "null"},
      {"untyped parameter with a value", isNull, [](auto& p) { p.SetAsLong(1); }, "1"},
      {"guid",
       "select cast(? as char(16) character set octets) = x'00112233445566778899AABBCCDDEEFF' from "
       "rdb$database",
       [](auto& p) {
         TGUID guid;
         const Byte bytes[16] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
         std::memcpy(&guid, bytes, sizeof guid);
         p.SetAsGuid(guid);
       },
       "x'00112233445566778899AABBCCDDEEFF'", 3},
  };
  for (const BoundCase& c : cases) {
    if (c.onlyDialect && c.onlyDialect != Dialect()) continue;
    SCOPED_TRACE(c.name);
    const AnsiString expected = TextOf(WithLiteral(c.sql, c.literal));
    EXPECT_EQ(TextOf(c.sql, [&](TFIBXSQLDA& params) { c.set(params[0]); }), expected);
  }
}

TEST_P(ColumnsAndParameters, ValuesReadAsTheServerWritesThem) {
  std::vector<const char*> numbers = {"cast(-32768 as smallint)",    "cast(-12.3 as numeric(4,1))",
                                      "cast(2147483647 as integer)", "cast(-21474836.47 as numeric(9,2))",
                                      "cast(0.05 as numeric(9,2))",  "cast(123456789012.34 as numeric(15,2))",
                                      "cast(3.25 as float)",         "cast(-0.1 as double precision)"};
  if (Dialect() == 3) {
    numbers.insert(
        numbers.end(),
        {"cast(-9223372036854775808 as bigint)", "cast(922337203685477.5807 as numeric(18,4))",
         "cast(-0.000000000000000001 as numeric(18,18))", "cast(-92233720368547758.07 as numeric(18,2))"});
  }
  for (const char* number : numbers) {
    SCOPED_TRACE(number);
    RawStatement statement(Attachment(), std::string("select ") + number + ", cast(" + number +
                                             " as varchar(60)) from rdb$database");
    TFIBXSQLDA& row = statement.Row();
    const TFIBXSQLVAR& value = row[0];
    const AnsiString serverText = LocalDecimal(row[1].GetAsString());
    if (value.GetSQLType() == SQL_FLOAT || value.GetSQLType() == SQL_DOUBLE) {
      EXPECT_EQ(value.GetAsDouble(), static_cast<double>(StrToFloat(serverText)));
      continue;
    }
    const TBcd exact = StrToBcd(serverText);
    EXPECT_EQ(BcdCompare(StrToBcd(value.GetAsString()), exact), 0) << value.GetAsString();
    EXPECT_EQ(value.GetAsInt64(), BcdToInt64(exact)) << "truncated toward zero";
    Currency currency;
    if (BcdToCurr(exact, currency)) {
      EXPECT_EQ(value.GetAsCurrency(), currency);
    }
    const Int64 whole = BcdToInt64(exact);
    if (whole >= -2147483648LL && whole <= 2147483647LL) {
      EXPECT_EQ(value.GetAsLong(), whole);
    } else {
      EXPECT_THROW(value.GetAsLong(), EFIBClientError);
    }
  }
}

TEST_P(ColumnsAndParameters, DatesReadAsTheServerCountsThem) {
  const char* const stamps[] = {"01.01.0001 00:00:00.0001", "16.11.1858 12:00", "30.12.1899",
                                "29.02.2000 23:59:59.9999", "31.12.9999 23:59:59.9999"};
  for (const char* stamp : stamps) {
    SCOPED_TRACE(stamp);
    const std::string value = std::string("cast('") + stamp + "' as timestamp)";
    RawStatement statement(Attachment(),
                           "select " + value + ", datediff(day from cast('17.11.1858' as date) to " + value +
                               "), extract(hour from " + value + "), extract(minute from " + value +
                               "), extract(second from " + value + ") from rdb$database");
    TFIBXSQLDA& row = statement.Row();
    const TTimeStamp timeStamp = row[0].GetAsTimeStamp();
    EXPECT_EQ(timeStamp.Date - IscDateToTimeStampDate, row[1].GetAsInt64());
    EXPECT_EQ(timeStamp.Time / 1000,
              row[2].GetAsInt64() * 3600 + row[3].GetAsInt64() * 60 + row[4].GetAsInt64());
    const TDateTime dateTime = row[0].GetAsDateTime();
    EXPECT_EQ(DateTimeToTimeStamp(dateTime).Date, timeStamp.Date);
    EXPECT_EQ(DateTimeToTimeStamp(dateTime).Time, timeStamp.Time);
  }
  if (Dialect() != 3) return;
  RawStatement statement(Attachment(),
                         "select cast('2020-01-02' as date), cast('23:59:59.9999' as time), "
                         "datediff(millisecond from time '00:00' to time '23:59:59.9999') from rdb$database");
  TFIBXSQLDA& row = statement.Row();
  EXPECT_EQ(row[0].GetAsDateTime(), EncodeDate(2020, 1, 2));
  EXPECT_EQ(row[0].GetAsString(), "02.01.2020");
  EXPECT_EQ(row[1].GetAsTimeStamp().Time, row[2].GetAsInt64());
  EXPECT_EQ(row[1].GetAsString(), "23:59:59");
}

TEST_P(ColumnsAndParameters, InsertedRowsMatchRowsInsertedByIsql) {
  const int ours = RowId(1);
  const int theirs = RowId(2);
  const std::string columns = "sm, i, n41, n92, n152, d, f, ts, b, s, c";
  {
    RawStatement insert(
        Attachment(), "insert into typed (id, " + columns + ") values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    TFIBXSQLDA& p = insert.Params();
    p[0].SetAsLong(ours);
    p[1].SetAsShort(-32768);
    p[2].SetAsInt64(-2147483647);
    p[3].SetAsDouble(-12.3);
    p[4].SetAsCurrency(Currency::FromScaled(-214748364700));
    p[5].SetAsString("1234567890123,45");
    p[6].SetAsExtended(-0.1L);
    p[7].SetAsVariant(Variant(3.25));
    p[8].SetAsDateTime(DateTimeOf(2021, 3, 4, 5, 6, 7, 890));
    p[9].SetAsBoolean(false);
    p[10].SetAsString("Text");
    p[11].SetAsString("ab");
    insert.Execute();
    Attachment().Commit();
  }
  Db().Isql(
      "insert into typed (id, " + columns + ") values (" + std::to_string(theirs) +
      ", -32768, -2147483647, -12.3, -21474836.47, 1234567890123.45, -0.1, 3.25, '04.03.2021 05:06:07.890', "
      "false, 'Text', 'ab');\ncommit;\n");
  const std::string select = "select " + columns + " from typed where id = ";
  const std::vector<std::string> expected = IsqlValues(Db(), select + std::to_string(theirs));
  ASSERT_EQ(expected.size(), 11u);
  EXPECT_EQ(IsqlValues(Db(), select + std::to_string(ours)), expected);

  RawStatement read(Attachment(), select + std::to_string(ours));
  TFIBXSQLDA& row = read.Row();
  EXPECT_EQ(row.ByName("N152")->GetAsString(), "1234567890123,45");
  EXPECT_EQ(row.ByName("C")->GetAsString(), "ab   ") << "as many characters as the column has";
  EXPECT_FALSE(row.ByName("B")->GetAsBoolean());
  EXPECT_EQ(row.ByName("N92")->GetAsCurrency(), Currency::FromScaled(-214748364700));
  if (Dialect() == 1) {
    EXPECT_EQ(row.ByName("N152")->GetSQLType(), SQL_DOUBLE);
    EXPECT_EQ(row.ByName("N152")->GetSQLScale(), -2);
  }
}

TEST_P(ColumnsAndParameters, CyrillicTextSurvivesEveryConnection) {
  const std::string ukrainian = "Прізвище Ґудзь-Їжакевич, Єва";
  const std::string russian = "Щука съела ёрша";
  const AnsiString ukrainianAnsi = Utf8ToAnsi(ukrainian);
  ASSERT_EQ(ukrainianAnsi, Cp1251ByIconv(ukrainian)) << "our code page agrees with iconv";
  const int id = RowId(3);
  {
    RawStatement insert(Attachment(), "insert into typed (id, s, s_utf, s_ci, s_koi) values (?, ?, ?, ?, ?)");
    TFIBXSQLDA& p = insert.Params();
    p[0].SetAsLong(id);
    p[1].SetAsString(ukrainianAnsi);
    p[2].SetAsString(ukrainianAnsi);
    p[3].SetAsWideString(Utf8Decode(ukrainian));
    p[4].SetAsString(Utf8ToAnsi(russian));
    insert.Execute();
    Attachment().Commit();
  }
  const std::vector<std::string> isql =
      IsqlValues(Db(), "select s, s_utf, s_ci, s_koi from typed where id = " + std::to_string(id));
  ASSERT_EQ(isql.size(), 4u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Cp1251ByIconv(isql[static_cast<std::size_t>(i)]), ukrainianAnsi) << i;
  EXPECT_EQ(isql[3], russian);

  RawStatement read(Attachment(), "select s, s_utf, s_ci, s_koi from typed where id = " + std::to_string(id));
  TFIBXSQLDA& row = read.Row();
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(row[i].GetAsString(), ukrainianAnsi) << i;
    EXPECT_EQ(row[i].GetAsWideString(), Utf8Decode(ukrainian)) << i;
  }
  EXPECT_EQ(row[3].GetAsString(), Utf8ToAnsi(russian));
  RawStatement search(Attachment(), "select count(*) from typed where id = ? and s_ci = ? and s = ?");
  search.Params()[0].SetAsLong(id);
  search.Params()[1].SetAsString(Utf8ToAnsi("ПРІЗВИЩЕ ҐУДЗЬ-ЇЖАКЕВИЧ, ЄВА"));
  search.Params()[2].SetAsVariant(Variant(Utf8Decode(ukrainian)));
  EXPECT_EQ(search.Row()[0].GetAsLong(), 1) << "a case-insensitive collation compares the decoded text";
}

TEST_P(ColumnsAndParameters, OverlongTextIsRefusedAndNothingStored) {
  const int id = RowId(4);
  {
    RawStatement insert(Attachment(), "insert into typed (id, short_text) values (?, ?)");
    insert.Params()[0].SetAsLong(id);
    // Refused as the parameter takes it, before the server would refuse it naming nothing.
    try {
      insert.Params()[1].SetAsString("123456");
      insert.Execute();
      ADD_FAILURE() << "six characters went into five";
    } catch (const Exception& e) {
      EXPECT_NE(e.Message().find("string right truncation"), AnsiString::npos) << e.Message();
      EXPECT_NE(e.Message().find("'123456'"), AnsiString::npos) << e.Message();
    }
  }
  Attachment().Commit();
  EXPECT_EQ(TextOf("select count(*) from typed where id = " + std::to_string(id)), "0");
}

TEST_P(ColumnsAndParameters, ColumnNamesAreUnique) {
  RawStatement statement(Attachment(),
                         "select 1 as name, 2 as name, 3 as name1, 4 as abcdefghijklmnopqrstuvwxyz_1234, "
                         "5 as abcdefghijklmnopqrstuvwxyz_1234 from rdb$database");
  TFIBXSQLDA& row = statement.Row();
  const char* const names[] = {"NAME", "NAME1", "NAME11", "ABCDEFGHIJKLMNOPQRSTUVWXYZ_1234",
                               "ABCDEFGHIJKLMNOPQRSTUVWXYZ_1231"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(row[i].Name(), names[i]);
    EXPECT_EQ(row.ByName("\"" + AnsiString(names[i]) + "\"")->GetAsLong(), i + 1);
  }
  EXPECT_EQ(row[0].GetSqlName(), "CONSTANT");
  if (Dialect() != 3 || std::string(GetParam().charset) == "NONE") return;
  RawStatement cyrillic(Attachment(), InConnectionCharset("select 1 as \"Прізвище\" from rdb$database"));
  EXPECT_EQ(cyrillic.Columns()[0].Name(), Utf8ToAnsi("Прізвище"));
}

TEST_P(ColumnsAndParameters, WideValuesThatDoNotFitAreRefused) {
  const std::string sql =
      Dialect() == 3
          ? "select cast(4294967296 as bigint), cast(4294967296 as double precision) from rdb$database"
          : "select cast(4294967296 as double precision), cast(-1e300 as double precision) from rdb$database";
  RawStatement statement(Attachment(), sql);
  TFIBXSQLDA& row = statement.Row();
  for (int i = 0; i < 2; ++i) {
    try {
      row[i].GetAsLong();
      ADD_FAILURE() << "a 32-bit result wrapped around";
    } catch (const EFIBClientError& e) {
      EXPECT_EQ(e.SQLCode(), 33);
    }
  }
  EXPECT_EQ(row[0].GetAsInt64(), Int64{1} << 32);
}

INSTANTIATE_TEST_SUITE_P(Connections, ColumnsAndParameters,
                         testing::Values(Connection{1, "WIN1251"}, Connection{1, "UTF8"},
                                         Connection{1, "NONE"}, Connection{3, "WIN1251"},
                                         Connection{3, "UTF8"}, Connection{3, "NONE"}),
                         [](const testing::TestParamInfo<Connection>& info) { return PrintTo(info.param); });

}  // namespace
}  // namespace ordvane::test
