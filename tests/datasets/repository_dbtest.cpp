// Whether a database holds the repository tables, asked once per kind and database, and
// the upgrades of older repository tables, checked in the system tables by isql-fb.

#include <gtest/gtest.h>

#include "tests/datasets/RepositorySupport.h"

namespace ordvane::test {
namespace {

constexpr const char* kStatusQuestion = "where RDB$FLAGS = 1";

TEST_F(RepositoryTest, EachKindIsAskedOncePerDatabase) {
  for (int round = 0; round < 3; ++round) {
    EXPECT_TRUE(RepositoryTableExists(*fDatabase, rkFieldsInfo));
    EXPECT_TRUE(RepositoryTableExists(*fDatabase, rkDataSetsInfo));
    EXPECT_TRUE(RepositoryTableExists(*fDatabase, rkErrorMessages));
  }
  EXPECT_EQ(fLogger.Prepares(kStatusQuestion), 3);
  EXPECT_TRUE(FIBBooleanDomainExists(*fDatabase));

  // A kind the database does not use is absent, and nobody asks.
  TpFIBDatabase other(nullptr);
  Configure(other, fDb);
  CountingLogger otherLogger;
  other.SetSQLLogger(&otherLogger);
  other.SetUseRepositories({urDataSetInfo});
  other.SetConnected(true);
  EXPECT_FALSE(FieldsRepositoryExists(other));
  EXPECT_FALSE(RepositoryTableExists(other, rkErrorMessages));
  EXPECT_EQ(otherLogger.Prepares(kStatusQuestion), 0);
  EXPECT_TRUE(DataSetRepositoryExists(other));
  EXPECT_EQ(otherLogger.Prepares(kStatusQuestion), 1);
  other.SetConnected(false);
  other.SetSQLLogger(nullptr);
}

TEST_F(RepositoryTest, NoDatabaseInheritsAnothersAnswers) {
  TestDatabase bare;
  const auto ask = [](TpFIBDatabase& database, CountingLogger& logger) {
    const int before = logger.Prepares(kStatusQuestion);
    const bool exists = FieldsRepositoryExists(database);
    return std::pair{exists, logger.Prepares(kStatusQuestion) - before};
  };
  EXPECT_EQ(ask(*fDatabase, fLogger), (std::pair{true, 1}));
  EXPECT_EQ(ask(*fDatabase, fLogger), (std::pair{true, 0}));
  // Connected to another file, the same component asks again.
  fDatabase->SetConnected(false);
  Configure(*fDatabase, bare);
  fDatabase->SetConnected(true);
  EXPECT_EQ(ask(*fDatabase, fLogger), (std::pair{false, 1}));
  // A database made after one is destroyed (perhaps at its address) asks again.
  for (int i = 0; i < 3; ++i) {
    CountingLogger logger;
    auto database = std::make_unique<TpFIBDatabase>(nullptr);
    Configure(*database, fDb);
    database->SetSQLLogger(&logger);
    database->SetConnected(true);
    EXPECT_EQ(ask(*database, logger), (std::pair{true, 1}));
    database->SetConnected(false);
    database->SetSQLLogger(nullptr);
  }
}

class UpgradeTest : public RepositoryTest {
 protected:
  UpgradeTest() : RepositoryTest("datasets/repository_old.sql") { fTransaction->SetDefaultDatabase(fDatabase); }
  // What the system tables hold of the repository objects.
  std::string Layout() {
    return Oracle(
        "select (select cast(list(trim(rdb$field_name), ',') as varchar(1000)) from (select rdb$field_name from rdb$relation_fields "
        "where rdb$relation_name = 'FIB$FIELDS_INFO' order by rdb$field_name)), "
        "(select cast(list(trim(rdb$field_name), ',') as varchar(1000)) from (select rdb$field_name from rdb$relation_fields "
        "where rdb$relation_name = 'FIB$DATASETS_INFO' order by rdb$field_name)), "
        "(select count(*) from rdb$generators where rdb$generator_name = 'FIB$FIELD_INFO_VERSION'), "
        "(select cast(list(trim(rdb$trigger_name), ',') as varchar(1000)) from (select rdb$trigger_name from rdb$triggers "
        "where rdb$trigger_name starting with 'FIB$' order by 1)), "
        "(select count(*) from rdb$fields where rdb$field_name = 'FIB$BOOLEAN') from rdb$database");
  }
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
};

TEST_F(UpgradeTest, OlderTablesGetTheCurrentLayoutOnce) {
  EXPECT_FALSE(FIBBooleanDomainExists(*fDatabase));
  UpgradeFieldsInfoRepository(*fTransaction);
  UpgradeDataSetsInfoRepository(*fTransaction);
  fTransaction->Commit();
  const std::string upgraded = Layout();
  EXPECT_EQ(upgraded,
            "DISPLAY_FORMAT,DISPLAY_LABEL,DISPLAY_WIDTH,EDIT_FORMAT,FIB$VERSION,FIELD_NAME,TABLE_NAME,TRIGGERED,"
            "VISIBLE|CONDITIONS,DELETE_SQL,DESCRIPTION,DS_ID,FIB$VERSION,INSERT_SQL,KEY_FIELD,NAME_GENERATOR,"
            "REFRESH_SQL,SELECT_SQL,UPDATE_ONLY_MODIFIED_FIELDS,UPDATE_SQL,UPDATE_TABLE_NAME|1|"
            "FIB$DATASETS_INFO_BI,FIB$DATASETS_INFO_BU,FIB$FIELDS_INFO_BI,FIB$FIELDS_INFO_BU|1");
  // The triggers number the rows.
  fDb.Isql("insert into fib$fields_info (table_name, field_name) values ('T', 'F');");
  EXPECT_EQ(Oracle("select fib$version from fib$fields_info"), "1");
  // Again: nothing changes and nothing is raised.
  UpgradeFieldsInfoRepository(*fTransaction);
  UpgradeDataSetsInfoRepository(*fTransaction);
  fTransaction->Commit();
  EXPECT_EQ(Layout(), upgraded);
}

}  // namespace
}  // namespace ordvane::test
