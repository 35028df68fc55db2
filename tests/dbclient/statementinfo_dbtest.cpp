// The statement's information calls against answers bent by a client library that is the
// real one except for isc_dsql_sql_info (fakes/info_client.cpp): answers longer than the
// first buffer, longer than any buffer the client accepts, and a statement type that no
// statement has.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "dbclient/FIBQuery.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane {
namespace {

// The settings of the bending library, reset for every test.
class InfoClient {
 public:
  InfoClient() : fHandle(dlopen(FAKE_INFO_CLIENT, RTLD_NOW)) {
    if (fHandle == nullptr) throw std::runtime_error(dlerror());
    Set("fake_info_answer_size", 0);
    Set("fake_info_statement_type", 0);
  }
  ~InfoClient() {
    Set("fake_info_answer_size", 0);
    Set("fake_info_statement_type", 0);
    dlclose(fHandle);
  }
  InfoClient(const InfoClient&) = delete;
  InfoClient& operator=(const InfoClient&) = delete;

  void Set(const char* setter, int value) {
    reinterpret_cast<void (*)(int)>(dlsym(fHandle, setter))(value);
  }
  int LongestBuffer() { return reinterpret_cast<int (*)()>(dlsym(fHandle, "fake_info_longest_buffer"))(); }

 private:
  void* fHandle;
};

class StatementInfo : public test::StatementTest<> {
 protected:
  StatementInfo() : StatementTest("dbclient/database.sql", 3) {
    fDb.Isql("insert into T values (1, 'one');\ninsert into T values (2, 'two');\ncommit;\n");
    fDatabase->SetLibraryName(FAKE_INFO_CLIENT);
    Connect();
  }

  InfoClient fClient;
};

// Every answer buffer the client is given fits its signed 16-bit length; an answer that
// fits no such buffer is a client error.
TEST_F(StatementInfo, AnswersGrowUpToTheClientsLongestBufferAndNoFurther) {
  struct Case {
    int answerSize;
    bool fits;
  };
  for (const Case c : {Case{100, true}, Case{32700, true}, Case{40000, false}}) {
    SCOPED_TRACE(c.answerSize);
    fClient.Set("fake_info_answer_size", c.answerSize);
    TFIBQuery& q = Query("update T set NAME = NAME");
    q.ExecQuery();
    if (c.fits)
      EXPECT_EQ(q.RowsAffected(), 2);
    else
      EXPECT_THROW(q.RowsAffected(), EFIBClientError);
    EXPECT_GT(fClient.LongestBuffer(), 0);
    EXPECT_LE(fClient.LongestBuffer(), 32767);
    q.FreeHandle();
  }
}

TEST_F(StatementInfo, AnUnknownStatementTypeIsAClientError) {
  fClient.Set("fake_info_statement_type", 99);
  try {
    Query("select ID from T").Prepare();
    FAIL() << "prepared";
  } catch (const EFIBClientError& e) {
    EXPECT_NE(e.Message().find("unknown statement type (99)"), AnsiString::npos) << e.Message();
  }
  fClient.Set("fake_info_statement_type", 0);
  Query("select ID from T").Prepare();
  EXPECT_EQ(fQuery->SQLType(), SQLSelect);
}

}  // namespace
}  // namespace ordvane
