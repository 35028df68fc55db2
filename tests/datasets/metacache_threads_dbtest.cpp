// Eight threads ask for table and column information of two databases while a ninth
// validates the cache, saves it and loads it again: every answer a thread holds stays
// whole and right. Run under the thread and address sanitizers.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "datasets/FIBMetaCache.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane::test {
namespace {

TEST(MetaCacheThreads, ReadersWhileValidatingAndLoading) {
  RegisterFIBMetaCaches();
  TestDatabase first("datasets/repository.sql", {3, "WIN1251"});
  TestDatabase second("datasets/repository.sql", {3, "WIN1251"});
  TFIBDatabase databases[2]{TFIBDatabase(nullptr), TFIBDatabase(nullptr)};
  Configure(databases[0], first);
  Configure(databases[1], second);
  for (TFIBDatabase& database : databases) database.SetConnected(true);
  const AnsiString file = TestTempDir() + "/threads.mcf";
  FIBTableInfoCollect().Clear();

  constexpr int kReaders = 8;
  constexpr int kRounds = 25;
  std::atomic<int> readersLeft{kReaders};
  std::atomic<int> answers{0};
  std::vector<std::thread> threads;
  for (int reader = 0; reader < kReaders; ++reader)
    threads.emplace_back([&, reader] {
      for (int round = 0; round < kRounds; ++round) {
        TFIBDatabase& database = databases[(reader + round) % 2];
        auto person = FIBTableInfoCollect().GetTableInfo(database, "PERSON", true);
        auto name = GetFieldInfo(FIBTableInfoCollect(), database, "PERSON", true, "NAME");
        auto view = FIBTableInfoCollect().GetTableInfo(database, "V_PERSON", false);
        EXPECT_EQ(person->DBName(), database.DBName());
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(name->DisplayLabel, "Surname");
        EXPECT_EQ(name->DefaultValue, "O'Brien");
        EXPECT_EQ(person->FieldInfo("FLAG")->IsBoolean(), true);
        EXPECT_EQ(view->Fields().size(), 2u);
        if (round % 5 == 0) {
          EXPECT_EQ(person->PrimaryKeyFields(&database), "REGION;ID");
        }
        answers += 3;
      }
      --readersLeft;
    });
  threads.emplace_back([&] {
    for (int round = 0; readersLeft > 0; ++round) {
      TFIBDatabase& database = databases[round % 2];
      FIBTableInfoCollect().ValidateCache(database, {});
      FIBTableInfoCollect().SaveToFile(file);
      FIBTableInfoCollect().LoadFromFile(file, round % 3 == 0 ? nullptr : &database);
    }
  });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(answers, kReaders * kRounds * 3);
  for (TFIBDatabase& database : databases) database.SetConnected(false);
}

}  // namespace
}  // namespace ordvane::test
