// Proves the database fixture in each tier: a database made by isql-fb is attached
// through the client library itself (loaded at run time) and read.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <ibase.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/FirebirdFixture.h"

namespace ordvane::test {
namespace {

class RawClient {
 public:
  RawClient() : fHandle(dlopen("libfbclient.so.2", RTLD_NOW | RTLD_LOCAL)) {}
  ~RawClient() {
    if (fHandle) dlclose(fHandle);
  }
  bool Loaded() const { return fHandle != nullptr; }
  template <class F>
  F* Entry(const char* name) const {
    return reinterpret_cast<F*>(dlsym(fHandle, name));
  }

 private:
  void* fHandle;
};

std::string StatusText(const RawClient& client, const ISC_STATUS* status) {
  auto* interpret = client.Entry<ISC_LONG(char*, unsigned, const ISC_STATUS**)>("fb_interpret");
  std::string text;
  char line[512];
  const ISC_STATUS* p = status;
  while (interpret(line, sizeof line, &p) > 0) text += std::string(line) + "\n";
  return text;
}

TEST(FirebirdFixture, AttachesAndReadsTheDatabaseThroughTheClientLibrary) {
  TestDatabase db("support/fixture_smoke.sql");
  RawClient client;
  ASSERT_TRUE(client.Loaded()) << dlerror();
  auto* attach = client.Entry<decltype(isc_attach_database)>("isc_attach_database");
  auto* detach = client.Entry<decltype(isc_detach_database)>("isc_detach_database");
  auto* start = client.Entry<decltype(isc_start_transaction)>("isc_start_transaction");
  auto* commit = client.Entry<decltype(isc_commit_transaction)>("isc_commit_transaction");
  auto* allocate = client.Entry<decltype(isc_dsql_allocate_statement)>("isc_dsql_allocate_statement");
  auto* prepare = client.Entry<decltype(isc_dsql_prepare)>("isc_dsql_prepare");
  auto* execute = client.Entry<decltype(isc_dsql_execute)>("isc_dsql_execute");
  auto* fetch = client.Entry<decltype(isc_dsql_fetch)>("isc_dsql_fetch");
  auto* freeStatement = client.Entry<decltype(isc_dsql_free_statement)>("isc_dsql_free_statement");
  ASSERT_TRUE(attach && detach && start && commit && allocate && prepare && execute && fetch && freeStatement);

  std::vector<char> dpb{isc_dpb_version1};
  auto addText = [&](char tag, const std::string& value) {
    dpb.push_back(tag);
    dpb.push_back(static_cast<char>(value.size()));
    dpb.insert(dpb.end(), value.begin(), value.end());
  };
  addText(isc_dpb_user_name, db.User());
  if (!db.Password().empty()) addText(isc_dpb_password, db.Password());

  ISC_STATUS_ARRAY status{};
  isc_db_handle dbHandle = 0;
  std::string connect = db.ConnectString();
  ASSERT_EQ(attach(status, 0, connect.c_str(), &dbHandle, static_cast<short>(dpb.size()), dpb.data()), 0)
      << StatusText(client, status);

  isc_tr_handle tr = 0;
  ASSERT_EQ(start(status, &tr, 1, &dbHandle, 0, nullptr), 0) << StatusText(client, status);
  isc_stmt_handle stmt = 0;
  ASSERT_EQ(allocate(status, &dbHandle, &stmt), 0) << StatusText(client, status);

  std::vector<char> sqldaBuffer(XSQLDA_LENGTH(2));
  auto* out = reinterpret_cast<XSQLDA*>(sqldaBuffer.data());
  out->version = SQLDA_VERSION1;
  out->sqln = 2;
  const char* sql = "select rdb$character_set_name, (select count(*) from person) from rdb$database";
  ASSERT_EQ(prepare(status, &tr, &stmt, 0, sql, static_cast<unsigned short>(db.Dialect()), out), 0)
      << StatusText(client, status);
  ASSERT_EQ(out->sqld, 2);

  char charset[64]{};
  short charsetNull = 0;
  ISC_INT64 count = 0;
  short countNull = 0;
  out->sqlvar[0].sqltype = SQL_TEXT + 1;
  out->sqlvar[0].sqllen = sizeof charset - 1;
  out->sqlvar[0].sqldata = charset;
  out->sqlvar[0].sqlind = &charsetNull;
  out->sqlvar[1].sqltype = SQL_INT64 + 1;
  out->sqlvar[1].sqlscale = 0;
  out->sqlvar[1].sqllen = sizeof count;
  out->sqlvar[1].sqldata = reinterpret_cast<char*>(&count);
  out->sqlvar[1].sqlind = &countNull;
  ASSERT_EQ(execute(status, &tr, &stmt, static_cast<unsigned short>(db.Dialect()), nullptr), 0)
      << StatusText(client, status);
  ASSERT_EQ(fetch(status, &stmt, static_cast<unsigned short>(db.Dialect()), out), 0) << StatusText(client, status);

  std::string name(charset);
  name.erase(name.find_last_not_of(' ') + 1);
  EXPECT_EQ(name, "WIN1251");
  EXPECT_EQ(count, 2);

  freeStatement(status, &stmt, DSQL_drop);
  EXPECT_EQ(commit(status, &tr), 0) << StatusText(client, status);
  EXPECT_EQ(detach(status, &dbHandle), 0) << StatusText(client, status);
}

TEST(FirebirdFixture, IsqlSeesTheSameDatabaseAsAnOracle) {
  TestDatabase db("support/fixture_smoke.sql", {3, "UTF8"});
  std::string out = db.Isql("select surname from person order by id;");
  EXPECT_NE(out.find("Шевченко"), std::string::npos) << out;
  EXPECT_NE(out.find("Франко"), std::string::npos) << out;
}

}  // namespace
}  // namespace ordvane::test
