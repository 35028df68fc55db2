// The database component loads the cache files when it connects and saves them when it
// disconnects. This program registers the caches only through its first dataset, as a
// statically linked program does: before it, the database's hooks do nothing.

#include <gtest/gtest.h>

#include <fstream>

#include "classlib/core/FileUtils.h"
#include "datasets/FIBMetaCache.h"
#include "dbclient/pFIBDatabase.h"
#include "tests/datasets/ProbeDataSet.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane::test {
namespace {

TEST(CacheFilesAroundConnect, LoadedAtConnectAndSavedAtDisconnect) {
  TestDatabase db("datasets/repository.sql", {3, "WIN1251"});
  const AnsiString file = TestTempDir() + "/connect.mcf";
  TpFIBDatabase database(nullptr);
  Configure(database, db);
  database.CacheSchemaOptions().SetLocalCacheFile(file);
  database.CacheSchemaOptions().SetAutoLoadFromFile(true);
  database.CacheSchemaOptions().SetAutoSaveToFile(true);

  ASSERT_EQ(FIBMetaCaches(), nullptr);
  database.SetConnected(true);
  database.SetConnected(false);
  EXPECT_FALSE(FileExists(file));

  { TProbeDataSet first(nullptr); }
  ASSERT_NE(FIBMetaCaches(), nullptr);
  database.SetConnected(true);
  for (const char* table : {"PERSON", "PLAIN", "V_PERSON"}) FIBTableInfoCollect().GetTableInfo(database, table, true);
  database.SetConnected(false);
  ASSERT_TRUE(FileExists(file));
  EXPECT_FALSE(FileExists(ChangeFileExt(file, ".dt")));  // nothing cached, nothing written

  // PLAIN changes between the runs; PERSON is the one table a handler refuses.
  db.Isql("alter table plain add y integer;");
  struct Case {
    bool handler;
    bool validateAfterLoad;
    int tables;
    int handlerCalls;
  };
  for (const Case& c : {Case{false, true, 2, 0}, Case{false, false, 3, 0}, Case{true, true, 2, 3},
                        Case{true, false, 3, 0}}) {
    SCOPED_TRACE(std::to_string(c.handler) + std::to_string(c.validateAfterLoad));
    const RawByteString saved = [&] {
      std::ifstream in(file, std::ios::binary);
      return RawByteString(std::istreambuf_iterator<char>(in), {});
    }();
    int calls = 0;
    database.OnAcceptCacheSchema = {};
    if (c.handler)
      database.OnAcceptCacheSchema = [&](const AnsiString& name, bool& accept) {
        ++calls;
        accept = name != "PERSON";
      };
    database.CacheSchemaOptions().SetValidateAfterLoad(c.validateAfterLoad);
    database.CacheSchemaOptions().SetAutoSaveToFile(false);
    FIBTableInfoCollect().Clear();
    database.SetConnected(true);
    EXPECT_EQ(FIBTableInfoCollect().Count(), c.tables);
    EXPECT_EQ(calls, c.handlerCalls);
    database.SetConnected(false);
    if (c.handler && c.validateAfterLoad) {
      // Validated by the handler, the caches were saved again.
      EXPECT_TRUE(FIBTableInfoCollect().LoadFromFile(file, nullptr));
      EXPECT_EQ(FIBTableInfoCollect().Count(), 2);
    }
    std::ofstream(file, std::ios::binary | std::ios::trunc) << saved;
  }
}

}  // namespace
}  // namespace ordvane::test
