// Generated parameter blocks reach the server as meant: an attachment made with a
// generated DPB and a transaction started with a generated TPB, checked in the server's
// own monitoring tables (read by isql-fb, a second attachment) and info answers.

#include <gtest/gtest.h>

#include <string>

#include "dbclient/FIBParamBlocks.h"
#include "dbclient/fib.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane {
namespace {

std::unique_ptr<TStringList> Lines(std::initializer_list<std::string> lines) {
  auto list = std::make_unique<TStringList>();
  for (const auto& line : lines) list->Add(line);
  return list;
}

// One attachment made with a generated DPB, and at most one transaction.
class Attachment {
 public:
  Attachment(const test::TestDatabase& db, TStrings& params) {
    AnsiString dpb;
    SmallInt dpbLength;
    GenerateDPB(params, dpb, dpbLength);
    const std::string name = db.ConnectString();
    Check(fLibrary->isc_attach_database(StatusVector(), static_cast<short>(name.size()), name.c_str(), &fDb,
                                        dpbLength, dpb.data()));
  }
  ~Attachment() {
    ISC_STATUS_ARRAY ignored;
    if (fTr) fLibrary->isc_rollback_transaction(ignored, &fTr);
    if (fDb) fLibrary->isc_detach_database(ignored, &fDb);
  }
  Attachment(const Attachment&) = delete;
  Attachment& operator=(const Attachment&) = delete;

  void Start(TStrings& params) {
    AnsiString tpb;
    SmallInt tpbLength;
    GenerateTPB(params, tpb, tpbLength);
    struct {
      isc_db_handle* db;
      int tpbLength;
      const char* tpb;
    } vector{&fDb, tpbLength, tpb.data()};
    Check(fLibrary->isc_start_multiple(StatusVector(), &fTr, 1, &vector));
  }

  // One numeric item of isc_database_info (or, with a transaction, isc_transaction_info).
  Int64 Info(char item, bool ofTransaction = false) {
    char answer[64] = {};
    if (ofTransaction)
      Check(fLibrary->isc_transaction_info(StatusVector(), &fTr, 1, &item, sizeof answer, answer));
    else
      Check(fLibrary->isc_database_info(StatusVector(), &fDb, 1, &item, sizeof answer, answer));
    EXPECT_EQ(answer[0], item);
    const short length = static_cast<short>(fLibrary->isc_vax_integer(answer + 1, 2));
    return fLibrary->isc_portable_integer(reinterpret_cast<const ISC_UCHAR*>(answer + 3), length);
  }

 private:
  void Check(ISC_STATUS status) {
    if (status != 0) IBError(*fLibrary, nullptr);
  }

  IIBClientLibraryPtr fLibrary = GetClientLibrary(DefaultLibraryName);
  isc_db_handle fDb = 0;
  isc_tr_handle fTr = 0;
};

class ParamBlocksOnTheServer : public testing::Test {
 protected:
  test::TestDatabase fDb{"dbclient/paramblocks.sql", {3, "WIN1251"}};
};

TEST_F(ParamBlocksOnTheServer, AttachmentCarriesUserRoleCharacterSetAndBuffers) {
  auto params = Lines({"isc_dpb_user_name=" + fDb.User(), "sql_role_name=CHECKER", "lc_ctype=UTF8",
                       "num_buffers=3000"});
  if (!fDb.Password().empty()) params->Add("password=" + fDb.Password());
  Attachment attachment(fDb, *params);
  const Int64 id = attachment.Info(isc_info_attachment_id);
  // UTF8 is character set 4; the role is stored upper-cased.
  EXPECT_EQ(test::IsqlRows(fDb, "select trim(mon$user), trim(mon$role), mon$character_set_id from mon$attachments "
                         "where mon$attachment_id = " +
                             std::to_string(id)),
            "SYSDBA|CHECKER|4");
  // A buffer count beyond one byte arrives whole. The embedded engine runs SuperClassic,
  // where each attachment has a cache of its own; a SuperServer shares one per database
  // and answers with its configured size instead.
  if (test::CurrentTier() == test::FbTier::Embedded) {
    EXPECT_EQ(attachment.Info(isc_info_num_buffers), 3000);
  }
}

TEST_F(ParamBlocksOnTheServer, TransactionCarriesIsolationLockTimeoutAndAccessMode) {
  auto params = Lines({"user_name=" + fDb.User(), "lc_ctype=WIN1251", "sql_dialect=3"});
  if (!fDb.Password().empty()) params->Add("password=" + fDb.Password());
  struct Case {
    std::initializer_list<std::string> tpb;
    const char* monitored;  // isolation|lock time-out|read-only
  };
  const Case cases[] = {
      {{"read", "isc_tpb_nowait", "read_committed", "rec_version"}, "2|0|1"},
      {{"write", "wait", "concurrency"}, "1|-1|0"},
      {{"write", "nowait", "read_committed", "no_rec_version"}, "3|0|0"},
      {{"read", "consistency", "lock_read=T1"}, "0|-1|1"},
  };
  for (const Case& c : cases) {
    Attachment attachment(fDb, *params);
    auto tpb = Lines(c.tpb);
    attachment.Start(*tpb);
    const Int64 transactionId = attachment.Info(isc_info_tra_id, true);
    EXPECT_EQ(test::IsqlRows(fDb, "select mon$isolation_mode, mon$lock_timeout, mon$read_only from mon$transactions "
                           "where mon$transaction_id = " +
                               std::to_string(transactionId)),
              c.monitored)
        << tpb->Text();
  }
}

}  // namespace
}  // namespace ordvane
