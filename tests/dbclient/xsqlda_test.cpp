// Columns and parameters without a server: lists described by hand as the client
// describes them, for the naming rules, the null rules and the conversions whose results
// are fixed exactly.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <set>
#include <vector>

#include "classlib/core/CodePages.h"
#include "dbclient/FIBXSQLDA.h"
#include "dbclient/fib.h"
#include "tests/dbclient/StatementOwner.h"

namespace ordvane {
namespace {

struct Description {
  short type;
  short length;
  short scale = 0;
  short subType = 0;
  const char* alias = "";
};

// Fills the list as the client's describe would, then runs the list's own set-up.
void Describe(TFIBXSQLDA& list, const std::vector<Description>& vars) {
  list.SetCount(static_cast<int>(vars.size()));
  for (std::size_t i = 0; i < vars.size(); ++i) {
    XSQLVAR& var = *list.GetVars(static_cast<int>(i)).GetData();
    var.sqltype = static_cast<short>(vars[i].type | 1);
    var.sqllen = vars[i].length;
    var.sqlscale = vars[i].scale;
    var.sqlsubtype = vars[i].subType;
    var.aliasname_length = static_cast<short>(std::strlen(vars[i].alias));
    std::memcpy(var.aliasname, vars[i].alias, static_cast<std::size_t>(var.aliasname_length));
  }
  list.SetupAfterDescribe();
}

template <class T>
T Stored(const TFIBXSQLVAR& var) {
  T value;
  std::memcpy(&value, var.GetData()->sqldata, sizeof value);
  return value;
}

AnsiString StoredText(const TFIBXSQLVAR& var) {
  return AnsiString(var.GetData()->sqldata, static_cast<std::size_t>(var.GetSize()));
}

// Puts a VARYING value into the column's buffer as a fetch does.
void Fetch(TFIBXSQLVAR& column, const std::string& bytes) {
  XSQLVAR& var = *column.GetData();
  const auto length = static_cast<ISC_SHORT>(bytes.size());
  std::memcpy(var.sqldata, &length, sizeof length);
  std::memcpy(var.sqldata + sizeof length, bytes.data(), bytes.size());
  *var.sqlind = 0;
}

int ClientErrorCode(const std::function<void()>& action) {
  try {
    action();
  } catch (const EFIBClientError& e) {
    return e.SQLCode();
  }
  return -1;
}

class Lists : public testing::Test {
 protected:
  test::TestOwner fOwner;
  TFIBXSQLDA fColumns{&fOwner, false};
  TFIBXSQLDA fParams{&fOwner, true};
};

TEST_F(Lists, ColumnsAreNamedUniquelyWithinThirtyOneCharacters) {
  const char* const longName = "A_VERY_LONG_COLUMN_NAME_OF_31CH";
  std::vector<Description> vars = {{SQL_LONG, 4, 0, 0, ""},
                                   {SQL_LONG, 4, 0, 0, "NAME"},
                                   {SQL_LONG, 4, 0, 0, ""},
                                   {SQL_LONG, 4, 0, 0, "NAME"},
                                   {SQL_LONG, 4, 0, 0, "F_1"}};
  for (int i = 0; i < 11; ++i) vars.push_back({SQL_LONG, 4, 0, 0, longName});
  Describe(fColumns, vars);

  EXPECT_EQ(fColumns[0].Name(), "F_1");
  EXPECT_EQ(fColumns[1].Name(), "NAME");
  EXPECT_EQ(fColumns[2].Name(), "F_2");
  EXPECT_EQ(fColumns[3].Name(), "NAME1");
  EXPECT_EQ(fColumns[4].Name(), "F_11");
  EXPECT_EQ(fColumns[5].Name(), longName);
  EXPECT_EQ(fColumns[6].Name(), "A_VERY_LONG_COLUMN_NAME_OF_31C1");
  EXPECT_EQ(fColumns[15].Name(), "A_VERY_LONG_COLUMN_NAME_OF_3110");
  std::set<AnsiString> names;
  for (int i = 0; i < fColumns.Count(); ++i) {
    const XSQLVAR& var = *fColumns[i].GetData();
    EXPECT_LE(fColumns[i].Name().size(), 31u);
    EXPECT_EQ(AnsiString(var.aliasname, static_cast<std::size_t>(var.aliasname_length)), fColumns[i].Name());
    names.insert(fColumns[i].Name());
  }
  EXPECT_EQ(names.size(), static_cast<std::size_t>(fColumns.Count()));
  EXPECT_EQ(fColumns.ByName("NAME1"), &fColumns[3]);
  EXPECT_EQ(fColumns.ByName("name1"), nullptr) << "dialect 3 compares names as written";
}

TEST_F(Lists, NamesFollowTheDialect) {
  Describe(fColumns, {{SQL_LONG, 4, 0, 0, "NAME"}, {SQL_LONG, 4, 0, 0, "name"}});
  EXPECT_EQ(fColumns.ByName("name"), &fColumns[1]);
  EXPECT_EQ(fColumns.ByName("NAME"), &fColumns[0]);
  EXPECT_EQ(fColumns.ByName("\"name\""), &fColumns[1]);
  EXPECT_EQ(fColumns.ByName("Name"), nullptr);

  fOwner.dialect = 1;
  TFIBXSQLDA dialect1(&fOwner, false);
  Describe(dialect1, {{SQL_LONG, 4, 0, 0, "NAME"}});
  EXPECT_EQ(dialect1.ByName("Name"), &dialect1[0]);
  fOwner.upperOldNames = true;
  fOwner.dialect = 3;
  TFIBXSQLDA upperOld(&fOwner, false);
  Describe(upperOld, {{SQL_LONG, 4, 0, 0, "NAME"}});
  EXPECT_EQ(upperOld.ByName("name"), &upperOld[0]);
}

TEST_F(Lists, IndexAndTypeErrors) {
  Describe(fColumns, {{SQL_LONG, 4}});
  EXPECT_EQ(ClientErrorCode([&] { fColumns.GetVars(-1); }), 23);
  EXPECT_EQ(ClientErrorCode([&] { fColumns.GetVars(1); }), 23);
  EXPECT_EQ(ClientErrorCode([&] { Describe(fColumns, {{999, 4}}); }), 30);
  EXPECT_EQ(ClientErrorCode([&] { Describe(fColumns, {{0, 0}}); }), 30) << "type 0 only in parameters";
  EXPECT_EQ(ClientErrorCode([&] { Describe(fParams, {{0, 0}}); }), -1);
}

TEST_F(Lists, ABlockGrowsAndKeepsItsValues) {
  Describe(fParams, {{SQL_LONG, 4}});
  fParams[0].SetAsLong(42);
  fParams.SetCount(40);
  EXPECT_EQ(fParams.AsXSQLDA()->sqln, 40);
  EXPECT_EQ(fParams[0].GetAsLong(), 42);
  EXPECT_EQ(fParams[39].GetData(), &fParams.AsXSQLDA()->sqlvar[39]);
  EXPECT_EQ(fParams[39].GetData()->sqltype, 0) << "new records are zero";
  fParams.SetCount(2);
  EXPECT_EQ(fParams.AsXSQLDA()->sqld, 2);
  EXPECT_EQ(fParams[0].GetAsLong(), 42);
}

TEST_F(Lists, AParameterNamedTwiceTakesOneValue) {
  Describe(fParams, {{SQL_LONG, 4}, {SQL_VARYING, 10, 0, 52}, {SQL_LONG, 4}});
  fParams.AddName("id", 0, false);
  fParams.AddName("name", 1, false);
  fParams.AddName("ID", 2, false);
  fParams.ByName("ID")->SetAsLong(7);
  EXPECT_EQ(fParams[0].GetAsLong(), 7);
  EXPECT_EQ(fParams[2].GetAsLong(), 7);
  EXPECT_TRUE(fParams[2].Modified());
  EXPECT_FALSE(fParams[1].Modified());
  fParams[2].SetIsNull(true);
  EXPECT_TRUE(fParams[0].GetIsNull());
  fParams.ClearModified();
  EXPECT_FALSE(fParams[0].Modified());
}

TEST_F(Lists, AWriteReachesTheNamesakesOfTheMomentAfterRenamesAndResizes) {
  Describe(fParams, {{SQL_LONG, 4}, {SQL_LONG, 4}, {SQL_LONG, 4}});
  fParams.AddName("ID", 0, true);
  fParams[0].SetAsLong(1);
  EXPECT_EQ(fParams[2].GetAsLong(), 0) << "no namesake yet";
  fParams.AddName("ID", 2, true);
  fParams[0].SetAsLong(2);
  EXPECT_EQ(fParams[2].GetAsLong(), 2) << "a name taken after the first write";
  fParams.SetCount(3);
  fParams[0].SetAsLong(3);
  EXPECT_EQ(fParams[2].GetAsLong(), 2) << "the names went with the resize";
  fParams.AddName("ID", 1, true);
  fParams.AddName("ID", 2, true);
  fParams[2].SetAsLong(4);
  EXPECT_EQ(fParams[1].GetAsLong(), 4);
  EXPECT_EQ(fParams[0].GetAsLong(), 3);

  // What a caller resolved from the names holds while their version stays: values leave
  // it alone, every rename or resize changes it, and no other list ever shows it.
  const std::uint64_t named = fParams.NamesVersion();
  fParams[1].SetAsLong(5);
  EXPECT_EQ(fParams.NamesVersion(), named);
  fParams.AddName("NAME", 0, true);
  const std::uint64_t renamed = fParams.NamesVersion();
  EXPECT_NE(renamed, named);
  fParams.SetCount(3);
  EXPECT_NE(fParams.NamesVersion(), renamed);
  EXPECT_NE(fParams.NamesVersion(), named);
  const TFIBXSQLDA other(&fOwner, true);
  EXPECT_NE(other.NamesVersion(), fParams.NamesVersion());
  EXPECT_NE(other.NamesVersion(), fColumns.NamesVersion());
}

TEST_F(Lists, NullRules) {
  Describe(fColumns, {{SQL_LONG, 4}});
  fColumns[0].SetAsLong(5);
  fOwner.columnValuesPresent = false;
  EXPECT_TRUE(fColumns[0].GetIsNull()) << "no row fetched yet";
  fOwner.columnValuesPresent = true;
  EXPECT_FALSE(fColumns[0].GetIsNull());
  fColumns.ClearValues();
  EXPECT_TRUE(fColumns[0].GetIsNull());
  EXPECT_EQ(fColumns[0].GetAsLong(), 0);
  EXPECT_EQ(fColumns[0].GetAsString(), "");

  Describe(fParams, {{0, 0}, {SQL_NULL, 0}, {SQL_BLOB, 8, 0, 1}});
  EXPECT_TRUE(fParams[0].GetIsNull()) << "type not yet known";
  fParams[0].SetIsNull(true);
  EXPECT_EQ(fParams[0].GetSQLType(), SQL_TEXT);
  EXPECT_TRUE(fParams[0].GetIsNull());
  EXPECT_TRUE(fParams[1].GetIsNull()) << "an untyped parameter holds nothing";
  fParams[2].SetAsString("text");
  EXPECT_FALSE(fParams[2].GetIsNull()) << "a value waiting to become a blob";
  EXPECT_EQ(fParams[2].GetAsString(), "text");
  EXPECT_EQ(fOwner.pendingBlobsFlagged, 1);
  fParams[2].SetIsNull(true);
  EXPECT_EQ(fParams[2].PendingBlob(), nullptr);
  EXPECT_TRUE(fParams[2].GetIsNull());
}

TEST_F(Lists, ScaledIntegersAndTheirConversions) {
  Describe(fColumns,
           {{SQL_INT64, 8, -2}, {SQL_SHORT, 2, -1}, {SQL_INT64, 8}, {SQL_LONG, 4, -9}, {SQL_INT64, 8, -4}});
  fColumns[0].SetAsInt64(12345);
  fColumns[0].SetSQLScale(-2);
  EXPECT_EQ(fColumns[0].GetAsString(), "123,45");
  EXPECT_EQ(fColumns[0].GetAsInt64(), 123);
  EXPECT_EQ(fColumns[0].GetAsLong(), 123);
  EXPECT_EQ(fColumns[0].GetAsDouble(), 123.45);
  EXPECT_EQ(fColumns[0].GetAsCurrency(), Currency::FromScaled(1234500));
  EXPECT_EQ(BcdToStr(fColumns[0].GetAsBcd()), "123,45");
  EXPECT_EQ(fColumns[0].GetAsVariant().VType(), varDouble);

  fColumns[1].SetAsShort(-15);
  fColumns[1].SetSQLScale(-1);
  EXPECT_EQ(fColumns[1].GetAsLong(), -1) << "truncated toward zero";
  EXPECT_EQ(fColumns[1].GetAsString(), "-1,5");

  fColumns[2].SetAsInt64(Int64{1} << 40);
  EXPECT_EQ(ClientErrorCode([&] { fColumns[2].GetAsLong(); }), 33) << "does not fit 32 bits";
  EXPECT_EQ(fColumns[2].GetAsInt64(), Int64{1} << 40);
  EXPECT_EQ(fColumns[2].GetAsVariant().VType(), varInt64);

  fColumns[3].SetAsLong(-2147483647);
  fColumns[3].SetSQLScale(-9);
  EXPECT_EQ(fColumns[3].GetAsLong(), -2);
  EXPECT_DOUBLE_EQ(fColumns[3].GetAsDouble(), -2.147483647);

  // Currency and BCD of an INT64 in dialect 3 are exact, rounded half to even.
  fColumns[4].SetAsInt64(-123456789012345678);
  fColumns[4].SetSQLScale(-6);
  EXPECT_EQ(fColumns[4].GetAsCurrency(), Currency::FromScaled(-1234567890123457));
  EXPECT_EQ(BcdToStr(fColumns[4].GetAsBcd()), "-123456789012,345678");
  fColumns[4].SetAsInt64(125);
  fColumns[4].SetSQLScale(-6);
  EXPECT_EQ(fColumns[4].GetAsCurrency(), Currency::FromScaled(1)) << "0.000125 to four places";
}

TEST_F(Lists, BooleansAndGuids) {
  Describe(fColumns, {{SQL_LONG, 4}, {SQL_BOOLEAN, 1}, {SQL_TEXT, 16, 0, 1}, {SQL_VARYING, 10, 0, 52}});
  fColumns[0].SetAsLong(2);
  EXPECT_FALSE(fColumns[0].GetAsBoolean()) << "only 1 is true";
  fColumns[0].SetAsLong(1);
  EXPECT_TRUE(fColumns[0].GetAsBoolean());
  fColumns[1].SetAsBoolean(true);
  EXPECT_EQ(fColumns[1].GetSQLType(), SQL_BOOLEAN);
  EXPECT_EQ(fColumns[1].GetSize(), 1);
  EXPECT_TRUE(fColumns[1].GetAsBoolean());
  EXPECT_EQ(fColumns[1].GetAsString(), "True");
  EXPECT_EQ(fColumns[1].GetAsLong(), 1);
  EXPECT_EQ(fColumns[1].GetAsVariant().VType(), varBoolean);
  EXPECT_EQ(ClientErrorCode([&] { fColumns[1].GetAsInt64(); }), 33);

  const TGUID guid = CreateGUID();
  fColumns[2].SetAsGuid(guid);
  EXPECT_EQ(fColumns[2].GetAsGuid(), guid);
  EXPECT_EQ(fColumns[2].GetSQLSubtype(), 1) << "binary, never transliterated";
  EXPECT_EQ(ClientErrorCode([&] { fColumns[2].GetAsBoolean(); }), 33);
  fColumns[3].SetAsString("short");
  EXPECT_EQ(ClientErrorCode([&] { fColumns[3].GetAsGuid(); }), 33);
  EXPECT_EQ(ClientErrorCode([&] { fColumns[0].GetAsGuid(); }), 33);
}

TEST_F(Lists, DatesAndTimes) {
  Describe(fColumns, {{SQL_TYPE_DATE, 4}, {SQL_TYPE_TIME, 4}, {SQL_TIMESTAMP, 8}});
  const ISC_DATE date = 15018;
  std::memcpy(fColumns[0].GetData()->sqldata, &date, sizeof date);
  fColumns[0].SetIsNull(false);
  EXPECT_EQ(fColumns[0].GetAsDateTime(), 0.0);
  EXPECT_EQ(fColumns[0].GetAsString(), "30.12.1899");
  const ISC_TIME time = 3 * 36000000 + 1234;
  std::memcpy(fColumns[1].GetData()->sqldata, &time, sizeof time);
  fColumns[1].SetIsNull(false);
  EXPECT_EQ(fColumns[1].GetAsTimeStamp().Time, 3 * 3600000 + 123);
  EXPECT_EQ(fColumns[1].GetAsString(), "03:00:00");

  fColumns[2].SetAsDateTime(1.5);
  const auto stamp = Stored<ISC_TIMESTAMP>(fColumns[2]);
  EXPECT_EQ(stamp.timestamp_date, 15019);
  EXPECT_EQ(stamp.timestamp_time, 432000000u);
  EXPECT_EQ(fColumns[2].GetAsDateTime(), 1.5);
  fColumns[2].SetAsDate(-1.25);
  EXPECT_EQ(fColumns[2].GetAsDateTime(), -1.0) << "29 December 1899, the time dropped";
}

TEST_F(Lists, IntegersBelowDialectThree) {
  fOwner.dialect = 1;
  Describe(fParams, {{SQL_DOUBLE, 8}});
  fParams[0].SetAsInt64(5);
  EXPECT_EQ(fParams[0].GetSQLType(), SQL_LONG);
  fParams[0].SetAsInt64((Int64{1} << 32) + 5);
  EXPECT_EQ(fParams[0].GetSQLType(), SQL_DOUBLE);
  EXPECT_EQ(Stored<double>(fParams[0]), 4294967301.0) << "not the low 32 bits";
  fParams[0].SetAsInt64(-(Int64{1} << 53));
  EXPECT_EQ(Stored<double>(fParams[0]), -9007199254740992.0);
  EXPECT_EQ(ClientErrorCode([&] { fParams[0].SetAsInt64((Int64{1} << 53) + 1); }), 33);
  fParams[0].SetAsCurrency(Currency::FromScaled(1234567));
  EXPECT_EQ(Stored<double>(fParams[0]), 123.4567);
  fParams[0].SetAsExtended(123.45L);
  EXPECT_EQ(fParams[0].GetSQLType(), SQL_DOUBLE);
  fParams[0].SetAsBcd(StrToBcd("-0,5"));
  EXPECT_EQ(Stored<double>(fParams[0]), -0.5);
}

TEST_F(Lists, ExtendedValuesKeepTheDecimalsThatFit) {
  Describe(fParams, {{SQL_DOUBLE, 8}});
  struct Case {
    Extended value;
    Int64 stored;
    short scale;
  } const cases[] = {
      {123.45L, 123450000000000000, -15},
      {100, 100000000000000000, -15},
      {0.5L, 500000000000000000, -18},
      {-999999999999999999.0L, -999999999999999999, 0},
  };
  for (const Case& c : cases) {
    fParams[0].SetAsExtended(c.value);
    EXPECT_EQ(fParams[0].GetSQLType(), SQL_INT64);
    EXPECT_EQ(Stored<Int64>(fParams[0]), c.stored);
    EXPECT_EQ(fParams[0].GetSQLScale(), c.scale);
  }
  fParams[0].SetAsExtended(1e20L);
  EXPECT_EQ(fParams[0].GetSQLType(), SQL_DOUBLE) << "no scale fits";
  EXPECT_EQ(Stored<double>(fParams[0]), 1e20);
  EXPECT_EQ(ClientErrorCode([&] { fParams[0].SetAsExtended(1e400L); }), 33);

  fParams[0].SetAsCurrency(Currency::FromScaled(-1234567));
  EXPECT_EQ(Stored<Int64>(fParams[0]), -1234567);
  EXPECT_EQ(fParams[0].GetSQLScale(), -4);
  fParams[0].SetAsBcd(StrToBcd("12345678901234,5678"));
  EXPECT_EQ(Stored<Int64>(fParams[0]), 123456789012345678);
  EXPECT_EQ(fParams[0].GetSQLScale(), -4);
}

TEST_F(Lists, TextToParameters) {
  Describe(
      fParams,
      {{SQL_LONG, 4}, {SQL_VARYING, 40, 0, 52}, {SQL_DOUBLE, 8}, {SQL_TYPE_DATE, 4}, {SQL_BLOB, 8, 0, 1}});
  fParams[0].SetAsString("");
  EXPECT_TRUE(fParams[0].GetIsNull());
  fParams[1].SetAsString("");
  EXPECT_FALSE(fParams[1].GetIsNull());
  EXPECT_EQ(fParams[1].GetSize(), 0);
  fParams[3].SetAsString("");
  EXPECT_TRUE(fParams[3].GetIsNull());

  fParams[2].SetAsString("1,5");
  EXPECT_EQ(fParams[2].GetSQLType(), SQL_TEXT);
  EXPECT_EQ(StoredText(fParams[2]), "1.5");

  const AnsiString longText(40000, 'x');
  fParams[1].SetAsString(longText);
  EXPECT_EQ(fParams[1].GetSQLType(), SQL_BLOB) << "too long for a text parameter";
  EXPECT_EQ(fParams[1].PendingBlob()->Size(), 40000);
  EXPECT_EQ(fParams[1].GetSQLSubtype(), 1) << "a text blob";
  EXPECT_EQ(fParams[1].GetSQLScale(), 52) << "in the parameter's character set";
  try {
    fParams[1].SetAsWideString(WideString(40000, u'x'));
    ADD_FAILURE() << "over-long wide text accepted";
  } catch (const EFIBError&) {
    ADD_FAILURE() << "the general exception is expected";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Form1.Query. Value for WideString Parameter \"F_2\" too long");
  }

  TMemoryStream stream;
  stream.WriteBuffer("\0\1\2", 3);
  fParams[4].LoadFromStream(stream);
  EXPECT_EQ(fParams[4].PendingBlob()->Size(), 3);
  EXPECT_EQ(fParams[4].GetSQLSubtype(), 1);
}

TEST_F(Lists, TextFollowsTheConnectionsCharacterSet) {
  const AnsiString ukrainian = Utf8ToAnsi("Ґанок і їжак");
  fOwner.charSetID = 4;
  Describe(fParams, {{SQL_VARYING, 80, 0, 4}, {SQL_LONG, 4}});
  fParams[0].SetAsString(ukrainian);
  EXPECT_EQ(StoredText(fParams[0]), "Ґанок і їжак");
  // Marked UTF8, as the connection is: UNICODE_FSS holds nothing beyond U+FFFF.
  EXPECT_EQ(fParams[0].GetSQLSubtype(), 4);
  EXPECT_EQ(fParams[0].GetAsString(), ukrainian);
  fParams[0].SetAsWideString(u"ẞ Ω");
  EXPECT_EQ(fParams[0].GetAsWideString(), u"ẞ Ω");
  fParams[1].SetAsWideString(u"12");
  EXPECT_EQ(StoredText(fParams[1]), "12");

  // A column of a UTF8 collation: the character set is the sub-type's low byte.
  Describe(fColumns, {{SQL_VARYING, 80, 0, 4 | (3 << 8)}});
  Fetch(fColumns[0], "Ґанок");
  EXPECT_EQ(fColumns[0].GetAsString(), Utf8ToAnsi("Ґанок"));
  EXPECT_EQ(fColumns[0].GetAsWideString(), u"Ґанок");
  EXPECT_EQ(fColumns[0].GetAsVariant().VType(), varOleStr);

  fOwner.charSetID = 0;
  TFIBXSQLDA none(&fOwner, true);
  Describe(none, {{SQL_VARYING, 40, 0, 52}, {SQL_VARYING, 40, 0, 63}});
  none[0].SetAsString(ukrainian);
  EXPECT_EQ(StoredText(none[0]), ukrainian) << "a WIN1251 column takes the bytes as they are";
  none[1].SetAsString(Utf8ToAnsi("Щука"));
  EXPECT_EQ(StoredText(none[1]), ConvertCodePage("Щука", 65001, 20866)) << "written as it is read";
  EXPECT_EQ(none[1].GetAsString(), Utf8ToAnsi("Щука"));
}

TEST_F(Lists, ValuesSetBeforeTheDescriptionAreConvertedAfterIt) {
  fOwner.charSetID = 4;
  fParams.SetCount(2);
  fParams[0].SetAsWideString(u"Єва ẞ");
  fParams[1].SetAsString("02.01.2020");
  EXPECT_TRUE(fParams.HasPendingConversions());
  EXPECT_EQ(fParams[1].GetSQLType(), SQL_TEXT);

  TFIBXSQLDA server(&fOwner, true);
  Describe(server, {{SQL_VARYING, 40, 0, 4}, {SQL_TYPE_DATE, 4}});
  for (int i = 0; i < 2; ++i) fParams[i].TakeServerDescription(server[i]);
  fParams.ConvertPendingValues();
  EXPECT_FALSE(fParams.HasPendingConversions());
  EXPECT_EQ(fParams[0].GetAsWideString(), u"Єва ẞ") << "nothing lost on the way";
  EXPECT_EQ(fParams[1].GetSQLType(), SQL_TIMESTAMP);
  EXPECT_EQ(fParams[1].GetAsDateTime(), EncodeDate(2020, 1, 2));
}

TEST_F(Lists, VariantsChooseTheWriter) {
  Describe(fParams, {{SQL_LONG, 4}, {SQL_TYPE_DATE, 4}, {SQL_BOOLEAN, 1}, {SQL_BLOB, 8, 0, 0}});
  struct Case {
    Variant value;
    short type;
    Variant readBack;
  } const cases[] = {
      {Variant(true), SQL_LONG, Variant(Integer{1})},
      {Variant(Byte{200}), SQL_LONG, Variant(Integer{200})},
      {Variant(LongWord{4000000000u}), SQL_INT64, Variant(Int64{4000000000})},
      {Variant(Int64{5}), SQL_INT64, Variant(Int64{5})},
      {Variant(2.5), SQL_DOUBLE, Variant(2.5)},
      {Variant(Currency::FromScaled(5)), SQL_INT64, Variant(0.0005)},
      {VarFromDateTime(2.5), SQL_TIMESTAMP, VarFromDateTime(2.5)},
      {Variant("12"), SQL_TEXT, Variant("12")},
      {Variant(u"12"), SQL_TEXT, Variant("12")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(VarTypeAsText(c.value.VType()));
    fParams[0].SetAsVariant(c.value);
    EXPECT_EQ(fParams[0].GetSQLType(), c.type);
    const Variant read = fParams[0].GetAsVariant();
    EXPECT_EQ(read.VType(), c.readBack.VType());
    EXPECT_TRUE(VarSameValue(read, c.readBack));
  }
  fParams[0].SetAsVariant(Null());
  EXPECT_TRUE(fParams[0].GetIsNull());
  Variant target(Integer{9});
  fParams[0].SetAsVariant(Variant::ByRef(&target));
  EXPECT_EQ(fParams[0].GetAsLong(), 9);
  EXPECT_EQ(ClientErrorCode([&] { fParams[0].SetAsVariant(VarAsError(1)); }), 2);

  fParams[1].SetAsVariant(Variant(Integer{2}));
  EXPECT_EQ(fParams[1].GetAsDateTime(), 2.0) << "a number for a date is a date";
  fParams[2].SetAsVariant(Variant(true));
  EXPECT_EQ(fParams[2].GetSQLType(), SQL_BOOLEAN) << "the server refuses a number for a BOOLEAN";

  Variant bytes = VarArrayCreate({0, 2}, varByte);
  for (Integer i = 0; i < 3; ++i) VarArrayPut(bytes, Variant(static_cast<Byte>(i + 1)), {i});
  fParams[3].SetAsVariant(bytes);
  ASSERT_NE(fParams[3].PendingBlob(), nullptr);
  EXPECT_EQ(fParams[3].GetAsString(), AnsiString("\1\2\3"));
  EXPECT_EQ(ClientErrorCode([&] { fParams[0].SetAsVariant(bytes); }), 2);
}

TEST_F(Lists, CopiesBetweenLists) {
  TFIBXSQLDA server(&fOwner, true);
  Describe(fParams, {{SQL_LONG, 4}, {SQL_VARYING, 10, 0, 52}, {SQL_BLOB, 8, 0, 1}});
  Describe(server, {{SQL_LONG, 4}, {SQL_VARYING, 10, 0, 52}, {SQL_BLOB, 8, 0, 1}});
  fParams.AddName("A", 0, false);
  fParams.AddName("B", 1, false);
  fParams.AddName("C", 2, false);
  server.AddName("B", 1, false);
  server.AddName("C", 2, false);
  server.AddName("A", 0, false);
  fParams[0].SetAsLong(12);
  fParams[1].SetIsNull(true);
  fParams[2].SetAsString("blob text");
  server[1].SetAsString("old");
  server.AssignValues(fParams);
  EXPECT_EQ(server[0].GetAsLong(), 12);
  EXPECT_TRUE(server[1].GetIsNull());
  EXPECT_EQ(server[2].GetAsString(), "blob text");

  fParams[1].SetAsString("abc");
  server[1].Assign(fParams[1]);
  EXPECT_EQ(server[1].GetAsString(), "abc");
  XSQLVAR copy = *fParams[0].GetData();
  server[1].SetAsXSQLVAR(copy);
  EXPECT_EQ(server[1].GetAsLong(), 12);
  EXPECT_NE(server[1].GetData()->sqldata, copy.sqldata) << "keeps its own buffer";
}

TEST_F(Lists, TrimmedCharColumns) {
  Describe(fColumns, {{SQL_TEXT, 6, 0, 52}});
  fColumns[0].SetAsString("ab    ");
  fColumns[0].GetData()->sqltype = SQL_TEXT | 1;
  EXPECT_EQ(fColumns[0].GetAsString(), "ab    ");
  fOwner.trimCharFields = true;
  EXPECT_EQ(fColumns[0].GetAsString(), "ab");
}

}  // namespace
}  // namespace ordvane
