// Keys from a generator in dialect 3: when the value is taken, what is never overwritten,
// errors that leave the key null, values that do not fit the key's column, and the
// generator's pooled statement released with the dataset. isql-fb reads back the rows and
// the generators.

#include <gtest/gtest.h>

#include "dbclient/pFIBCacheQueries.h"
#include "tests/datasets/EditingSupport.h"

namespace ordvane::test {
namespace {

class GenKeysTest : public EditingFormTest<TpFIBDataSet> {
 protected:
  GenKeysTest() : EditingFormTest(FixtureDatabase("modifysql", 3), "Keyed") {}
  TpFIBDataSet& OpenKeyed(const std::string& table, const std::string& generator, TWhenGetGenID when,
                          const std::string& keyFields = "ID") {
    TAutoUpdateOptions& options = fDataSet->AutoUpdateOptions();
    options.SetAutoReWriteSqls(true);
    options.SetCanChangeSQLs(true);
    options.SetUpdateTableName(table);
    options.SetKeyFields(keyFields);
    options.SetGeneratorName(generator);
    options.SetWhenGetGenID(when);
    return Open("select * from " + table);
  }
  TField* Id() { return Field("ID"); }
  std::string Generator(const std::string& name) { return Oracle("select gen_id(" + name + ", 0) from rdb$database"); }
};

TEST_F(GenKeysTest, WhenTheKeyIsTakenAndWhatIsKept) {
  const long start = std::stol(Generator("gen_keys"));
  OpenKeyed("INT_KEYED", "GEN_KEYS", wgOnNewRecord);
  fDataSet->Append();
  EXPECT_EQ(Id()->AsInteger(), start + 1);
  fDataSet->FieldByName("NAME")->SetAsString("on new");
  fDataSet->Post();
  fDataSet->Close();

  OpenKeyed("INT_KEYED", "GEN_KEYS", wgBeforePost);
  fDataSet->Append();
  // Null until the post, and not required meanwhile.
  EXPECT_TRUE(Id()->IsNull());
  EXPECT_FALSE(Id()->Required());
  fDataSet->FieldByName("NAME")->SetAsString("pre post");
  fDataSet->Post();
  EXPECT_EQ(Id()->AsInteger(), start + 2);
  // A key the caller gave stays.
  fDataSet->Append();
  Id()->SetAsInteger(500);
  fDataSet->FieldByName("NAME")->SetAsString("given");
  fDataSet->Post();
  EXPECT_EQ(Generator("gen_keys"), std::to_string(start + 2)) ;
  EXPECT_EQ(Oracle("select id, name from int_keyed where name in ('on new', 'pre post', 'given') order by id"),
            std::to_string(start + 1) + "|on new;" + std::to_string(start + 2) + "|pre post;500|given");
  fDataSet->Close();

  // Two key names name no single key field: nothing is generated.
  OpenKeyed("INT_KEYED", "GEN_KEYS", wgBeforePost, "ID;NAME");
  fDataSet->Append();
  fDataSet->FieldByName("NAME")->SetAsString("two names");
  fDataSet->Post();
  EXPECT_EQ(Generator("gen_keys"), std::to_string(start + 2));
  EXPECT_EQ(Oracle("select coalesce(id, -1) from int_keyed where name = 'two names'"), "-1");
}

TEST_F(GenKeysTest, AMissingGeneratorFailsThePostWithTheKeyNull) {
  OpenKeyed("INT_KEYED", "NO_SUCH_GENERATOR", wgBeforePost);
  fDataSet->Append();
  fDataSet->FieldByName("NAME")->SetAsString("no gen key");
  EXPECT_THROW(fDataSet->Post(), EFIBInterBaseError);
  EXPECT_EQ(fDataSet->State(), dsInsert);
  EXPECT_TRUE(Id()->IsNull());
  fDataSet->Cancel();
  EXPECT_EQ(Oracle("select count(*) from int_keyed where name = 'no gen key'"), "0");
}

TEST_F(GenKeysTest, AValueBeyondTheKeyColumnIsRefusedNeverCut) {
  // gen_far stands at 2^31 - 2: the step of 2 passes the INTEGER range.
  fDataSet->AutoUpdateOptions().SetGeneratorStep(2);
  OpenKeyed("INT_KEYED", "GEN_FAR", wgBeforePost);
  fDataSet->Append();
  fDataSet->FieldByName("NAME")->SetAsString("too far");
  try {
    fDataSet->Post();
    ADD_FAILURE() << "a key beyond 32 bits was posted";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "2147483648 is not a valid value for field 'ID'. The allowed range is -2147483648 to 2147483647");
  }
  EXPECT_TRUE(Id()->IsNull());
  fDataSet->Cancel();
  fDataSet->Close();
  OpenKeyed("SMALL_KEYED", "GEN_FAR", wgOnNewRecord);
  EXPECT_THROW(fDataSet->Append(), EDatabaseError);
  fDataSet->Close();
  EXPECT_EQ(Oracle("select count(*) from int_keyed where name = 'too far'") +
                Oracle("select count(*) from small_keyed"),
            "00");

  // BIGINT and NUMERIC(18, 0) keys take the 64-bit value.
  fDataSet->AutoUpdateOptions().SetGeneratorStep(1);
  for (const char* table : {"BIG_KEYED", "BCD_KEYED"}) {
    OpenKeyed(table, "GEN_FAR", wgBeforePost);
    fDataSet->Append();
    fDataSet->FieldByName("NAME")->SetAsString("far");
    fDataSet->Post();
    fDataSet->Close();
  }
  EXPECT_EQ(Oracle("select id from big_keyed") + ";" + Oracle("select id from bcd_keyed"),
            "2147483651;2147483652");
}

TEST_F(GenKeysTest, TheGeneratorStatementIsReleasedWithTheDataSet) {
  OpenKeyed("INT_KEYED", "GEN_KEYS", wgOnNewRecord);
  fDataSet->Append();
  fDataSet->Cancel();
  const AnsiString text = fDatabase->GenIdSQL("GEN_KEYS", 1);
  const auto pooledPrepared = [&] {
    TFIBQuery* pooled = GetQuery(fTransaction, text);
    const bool prepared = pooled->Prepared();
    FreeQuery(pooled);
    return prepared;
  };
  EXPECT_TRUE(pooledPrepared());
  delete fDataSet;
  EXPECT_FALSE(pooledPrepared());
}

}  // namespace
}  // namespace ordvane::test
