// Aliases and the registry routines over the per-user settings store, each test in a
// store of its own.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "classlib/core/CodePages.h"
#include "classlib/core/Registry.h"
#include "classlib/core/StringLists.h"
#include "dbclient/RegUtils.h"
#include "dbclient/pFIBAliases.h"
#include "tests/support/FirebirdFixture.h"

namespace ordvane {
namespace {

class Aliases : public testing::Test {
 protected:
  void SetUp() override {
    const std::string folder =
        test::TestTempDir() + "/config-" + testing::UnitTest::GetInstance()->current_test_info()->name();
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  }

  // The value names of a key, as the registry object lists them.
  static std::vector<AnsiString> ValueNames(const AnsiString& key) {
    TRegistry registry;
    EXPECT_TRUE(registry.OpenKey(key, false)) << key;
    TStringList names;
    registry.GetValueNames(&names);
    std::vector<AnsiString> result;
    for (int i = 0; i < names.Count(); ++i) result.push_back(names.Strings(i));
    std::sort(result.begin(), result.end());
    return result;
  }
};

TEST_F(Aliases, RoundTripThroughTheStore) {
  TAliasParams params;
  params.DatabaseName = Utf8ToAnsi("localhost:/дані/Q417.FDB");
  params.UserName = "SYSDBA";
  params.LcCtype = "WIN1251";
  params.RoleName = "";
  params.SQLDialect = "1";
  WriteAliasParams("Q417", params);

  // Stored where other programs of the user look, as exactly these five strings.
  EXPECT_EQ(
      ValueNames("\\Software\\Varnholt\\Aliases\\Q417"),
      (std::vector<AnsiString>{"Database Name", "SQL_DIALECT", "lc_ctype", "sql_role_name", "user_name"}));
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey("\\Software\\Varnholt\\Aliases\\Q417", false));
  EXPECT_EQ(registry.GetDataType("SQL_DIALECT"), rdString);
  EXPECT_EQ(registry.ReadString("Database Name"), *params.DatabaseName);

  const std::optional<TAliasParams> read = ReadAliasParams("Q417");
  ASSERT_TRUE(read);
  EXPECT_EQ(read->DatabaseName, params.DatabaseName);
  EXPECT_EQ(read->UserName, params.UserName);
  EXPECT_EQ(read->LcCtype, params.LcCtype);
  EXPECT_EQ(read->RoleName, AnsiString(""));
  EXPECT_EQ(read->SQLDialect, AnsiString("1"));

  EXPECT_EQ(ReadAliasParams("Missing"), std::nullopt);
  // An alias key without some values reads only those it has; a dialect written as a
  // number by another program reads as its text.
  ASSERT_TRUE(registry.OpenKey("\\Software\\Varnholt\\Aliases\\Partial", true));
  registry.WriteString("user_name", "OPERATOR");
  registry.WriteInteger("SQL_DIALECT", 3);
  const std::optional<TAliasParams> partial = ReadAliasParams("Partial");
  ASSERT_TRUE(partial);
  EXPECT_EQ(partial->DatabaseName, std::nullopt);
  EXPECT_EQ(partial->LcCtype, std::nullopt);
  EXPECT_EQ(partial->UserName, AnsiString("OPERATOR"));
  EXPECT_EQ(partial->SQLDialect, AnsiString("3"));
}

TEST_F(Aliases, ValuesAreWrittenByTheirTypeAndReadBackByColumn) {
  const std::vector<AnsiString> names = {"bool",   "text",   "date",  "small", "int",
                                         "single", "double", "money", "int64", "null"};
  std::vector<Variant> values;
  values.emplace_back(true);
  values.emplace_back(AnsiString("text"));
  values.push_back(VarFromDateTime(45000.25));
  values.emplace_back(static_cast<SmallInt>(-7));
  values.emplace_back(123456);
  values.emplace_back(1.5f);
  values.emplace_back(2.25);
  values.emplace_back(Currency::FromScaled(123456));
  values.emplace_back(static_cast<long long>(1) << 40);
  values.push_back(Null());
  RegWriteValues({"Software", "Test"}, names, values);

  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey("\\Software\\Test", false));
  EXPECT_TRUE(registry.ReadBool("bool"));
  EXPECT_EQ(registry.ReadString("text"), "text");
  EXPECT_EQ(registry.ReadDate("date"), 45000.25);
  EXPECT_EQ(registry.ReadInteger("small"), -7);
  EXPECT_EQ(registry.ReadInteger("int"), 123456);
  EXPECT_EQ(registry.ReadFloat("single"), 1.5);
  EXPECT_EQ(registry.ReadFloat("double"), 2.25);
  EXPECT_EQ(registry.ReadCurrency("money"), Currency::FromScaled(123456));
  EXPECT_FALSE(registry.ValueExists("int64"));
  EXPECT_FALSE(registry.ValueExists("null"));
  registry.WriteExpandString("expand", "%HOME%");

  // Strings and integers are read; a float leaves its column empty; a missing value is
  // an empty string that was not found.
  const Variant read = RegReadValues({"Software", "Test"}, {"text", "expand", "int", "double", "absent"});
  ASSERT_TRUE(VarIsArray(read));
  EXPECT_EQ(VarArrayDimCount(read), 2);
  EXPECT_EQ(VarArrayHighBound(read, 1), 1);
  EXPECT_EQ(VarArrayHighBound(read, 2), 4);
  auto cell = [&](Integer row, Integer column) { return VarArrayGet(read, {row, column}); };
  EXPECT_EQ(cell(0, 0).AsString(), "text");
  EXPECT_TRUE(cell(1, 0).AsBoolean());
  EXPECT_EQ(cell(0, 1).AsString(), "%HOME%");
  EXPECT_EQ(cell(0, 2).AsInteger(), 123456);
  EXPECT_TRUE(cell(1, 2).AsBoolean());
  EXPECT_TRUE(VarIsEmpty(cell(0, 3)));
  EXPECT_TRUE(VarIsEmpty(cell(1, 3)));
  EXPECT_EQ(cell(0, 4).AsString(), "");
  EXPECT_FALSE(cell(1, 4).AsBoolean());

  const Variant missing = RegReadValues({"Software", "Nothing"}, {"text"});
  EXPECT_FALSE(VarIsArray(missing));
  EXPECT_FALSE(missing.AsBoolean());
  // Reading never creates the path.
  EXPECT_FALSE(TRegistry().KeyExists("\\Software\\Nothing"));
}

TEST_F(Aliases, KeyNamesAndSearchByValue) {
  EXPECT_FALSE(VarIsArray(RegReadKeyNames({"Software", "Varnholt", "Aliases"})));
  TAliasParams first, second;
  first.DatabaseName = "/db/one.fdb";
  second.DatabaseName = "/db/Two.fdb";
  WriteAliasParams("One", first);
  WriteAliasParams("Two", second);

  const Variant keys = RegReadKeyNames({"Software", "Varnholt", "Aliases"});
  ASSERT_TRUE(VarIsArray(keys));
  std::vector<AnsiString> names;
  for (Integer i = VarArrayLowBound(keys, 1); i <= VarArrayHighBound(keys, 1); ++i)
    names.push_back(VarArrayGet(keys, {i}).AsString());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<AnsiString>{"One", "Two"}));
  // A key without sub-keys gives false.
  EXPECT_FALSE(VarIsArray(RegReadKeyNames({"Software", "Varnholt", "Aliases", "One"})));

  EXPECT_EQ(RegFindSubKeyByValue("Software\\Varnholt\\Aliases", "Database Name", "/db/Two.fdb"), "Two");
  EXPECT_EQ(RegFindSubKeyByValue("Software\\Varnholt\\Aliases", "Database Name", "/db/two.fdb"), "");
  EXPECT_EQ(RegFindSubKeyByValue("Software\\Missing", "Database Name", "/db/Two.fdb"), "");
}

}  // namespace
}  // namespace ordvane
