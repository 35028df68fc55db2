// The debug checks of record access stop the process at once, with the rule broken, when
// a field's value would lie outside its record or a record index outside the cache,
// instead of reading or writing memory of something else or growing the cache.

#include <gtest/gtest.h>

#include "classlib/core/DebugChecks.h"
#include "tests/datasets/EditingSupport.h"

namespace ordvane::test {
namespace {

class RecordChecksTest : public EditingFormTest<TEditDataSet> {
 protected:
  void SetUp() override {
    if (!ORDVANE_DEBUG_CHECKS_ENABLED) GTEST_SKIP() << "debug checks are off in this build";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Open("select id, name from posted order by id");
  }
};

TEST_F(RecordChecksTest, AFieldValuePastItsRecordStops) {
  TField* name = Field("NAME");
  ASSERT_FALSE(name->AsString().empty());
  fDataSet->FieldDescriptors()[1].Offset = fDataSet->RecordBufferSize() - 2;
  EXPECT_DEATH(name->AsString(), "a field's value lies within its record");
  fDataSet->FieldDescriptors()[1].Offset = 2;  // over the record's header
  EXPECT_DEATH(name->AsString(), "a field's value lies within its record");
}

TEST_F(RecordChecksTest, ARecordIndexOutsideTheCacheStops) {
  std::vector<Byte> record(static_cast<std::size_t>(fDataSet->RecordBufferSize()));
  fDataSet->ReadRecordCache(0, record.data(), false);
  const Integer past = fDataSet->FetchedCount() + 3;
  EXPECT_DEATH(fDataSet->WriteRecordCache(past, record.data()), "a record index lies within the cache");
  EXPECT_DEATH(fDataSet->ReadRecordCache(-1, record.data(), false), "a record index lies within the cache");
  EXPECT_DEATH(fDataSet->StatusAt(past), "a record index lies within the cache");
}

}  // namespace
}  // namespace ordvane::test
