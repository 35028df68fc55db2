#pragma once
// One attachment, one transaction and statements over it through the client binding
// alone, so that the column and parameter lists meet a real server on their own.

#include <string>

#include "dbclient/FIBXSQLDA.h"
#include "dbclient/fib.h"
#include "tests/dbclient/StatementOwner.h"
#include "tests/support/FirebirdFixture.h"

namespace ordvane::test {

class RawAttachment {
 public:
  // Errors name the sender, as a component's errors do.
  RawAttachment(const TestDatabase& db, const std::string& charset, TObject* sender = nullptr)
      : fLibrary(GetClientLibrary(DefaultLibraryName)), fDialect(db.Dialect()), fSender(sender) {
    std::string dpb{isc_dpb_version1};
    AddDpbText(dpb, isc_dpb_user_name, db.User());
    if (!db.Password().empty()) AddDpbText(dpb, isc_dpb_password, db.Password());
    AddDpbText(dpb, isc_dpb_lc_ctype, charset);
    const std::string name = db.ConnectString();
    Check(fLibrary->isc_attach_database(StatusVector(), static_cast<short>(name.size()), name.c_str(), &fDb,
                                        static_cast<short>(dpb.size()), dpb.data()));
    StartTransaction();
    const char items[] = {frb_info_att_charset, isc_info_end};
    char answer[16] = {};
    Check(fLibrary->isc_database_info(StatusVector(), &fDb, sizeof items, items, sizeof answer, answer));
    fCharSetID = answer[0] == frb_info_att_charset ? fLibrary->isc_vax_integer(answer + 3, 2) : -1;
  }
  ~RawAttachment() {
    ISC_STATUS_ARRAY ignored;
    if (fTr) fLibrary->isc_rollback_transaction(ignored, &fTr);
    if (fDb) fLibrary->isc_detach_database(ignored, &fDb);
  }
  RawAttachment(const RawAttachment&) = delete;
  RawAttachment& operator=(const RawAttachment&) = delete;

  void Commit() {
    Check(fLibrary->isc_commit_transaction(StatusVector(), &fTr));
    StartTransaction();
  }
  void Execute(const std::string& sql) {
    Check(fLibrary->isc_dsql_execute_immediate(StatusVector(), &fDb, &fTr,
                                               static_cast<unsigned short>(sql.size()), sql.c_str(),
                                               static_cast<unsigned short>(fDialect), nullptr));
  }

  IIBClientLibrary& Library() { return *fLibrary; }
  isc_db_handle* Db() { return &fDb; }
  isc_tr_handle* Tr() { return &fTr; }
  int Dialect() const { return fDialect; }
  Integer CharSetID() const { return fCharSetID; }
  void Check(ISC_STATUS status) {
    if (status != 0) IBError(*fLibrary, fSender);
  }

 private:
  static void AddDpbText(std::string& dpb, char tag, const std::string& value) {
    dpb += tag;
    dpb += static_cast<char>(value.size());
    dpb += value;
  }
  void StartTransaction() {
    struct {
      isc_db_handle* db;
      long tpbLength;
      const char* tpb;
    } vector{&fDb, 0, nullptr};
    Check(fLibrary->isc_start_multiple(StatusVector(), &fTr, 1, &vector));
  }

  IIBClientLibraryPtr fLibrary;
  int fDialect;
  TObject* fSender;
  Integer fCharSetID = -1;
  isc_db_handle fDb = 0;
  isc_tr_handle fTr = 0;
};

// A prepared statement whose parameters and columns are the lists under test; the test
// owner answers for the attachment's dialect and character set.
class RawStatement : public TestOwner {
 public:
  RawStatement(RawAttachment& attachment, const std::string& sql) : fAttachment(attachment) {
    dialect = attachment.Dialect();
    charSetID = attachment.CharSetID();
    columnValuesPresent = false;
    IIBClientLibrary& library = attachment.Library();
    attachment.Check(library.isc_dsql_alloc_statement2(StatusVector(), attachment.Db(), &fStmt));
    fColumns.SetCount(1);
    attachment.Check(library.isc_dsql_prepare(StatusVector(), attachment.Tr(), &fStmt, 0, sql.c_str(),
                                              static_cast<unsigned short>(dialect), fColumns.AsXSQLDA()));
    fIsProcedure = StatementType() == isc_info_sql_stmt_exec_procedure;
    Describe(fParams, &IIBClientLibrary::isc_dsql_describe_bind);
    Describe(fColumns, &IIBClientLibrary::isc_dsql_describe);
  }
  ~RawStatement() override {
    ISC_STATUS_ARRAY ignored;
    fAttachment.Library().isc_dsql_free_statement(ignored, &fStmt, DSQL_drop);
  }

  TFIBXSQLDA& Params() { return fParams; }
  TFIBXSQLDA& Columns() { return fColumns; }

  void Execute() {
    IIBClientLibrary& library = fAttachment.Library();
    if (fIsProcedure) {
      fAttachment.Check(library.isc_dsql_execute2(StatusVector(), fAttachment.Tr(), &fStmt, SQLDA_VERSION1,
                                                  fParams.AsXSQLDA(), fColumns.AsXSQLDA()));
      columnValuesPresent = true;
    } else {
      fAttachment.Check(library.isc_dsql_execute(StatusVector(), fAttachment.Tr(), &fStmt, SQLDA_VERSION1,
                                                 fParams.AsXSQLDA()));
    }
  }
  // False at the end of the rows.
  bool Fetch() {
    const ISC_STATUS status =
        fAttachment.Library().isc_dsql_fetch(StatusVector(), &fStmt, SQLDA_VERSION1, fColumns.AsXSQLDA());
    if (status == 100) return false;
    fAttachment.Check(status);
    columnValuesPresent = true;
    return true;
  }
  // Executes and fetches the first row.
  TFIBXSQLDA& Row() {
    Execute();
    if (!fIsProcedure && !Fetch()) throw std::runtime_error("the statement returned no row");
    return fColumns;
  }

 private:
  int StatementType() {
    const char items[] = {isc_info_sql_stmt_type};
    char answer[8] = {};
    fAttachment.Check(fAttachment.Library().isc_dsql_sql_info(StatusVector(), &fStmt, sizeof items, items,
                                                              sizeof answer, answer));
    return fAttachment.Library().isc_vax_integer(answer + 3,
                                                 static_cast<short>(fAttachment.Library().isc_vax_integer(answer + 1, 2)));
  }
  using DescribeCall = ISC_STATUS (IIBClientLibrary::*)(ISC_STATUS*, isc_stmt_handle*, unsigned short,
                                                        XSQLDA*);
  void Describe(TFIBXSQLDA& list, DescribeCall call) {
    IIBClientLibrary& library = fAttachment.Library();
    if (list.Count() == 0) list.SetCount(1);
    fAttachment.Check((library.*call)(StatusVector(), &fStmt, SQLDA_VERSION1, list.AsXSQLDA()));
    const int count = list.AsXSQLDA()->sqld;
    if (count > list.Count()) {
      list.SetCount(count);
      fAttachment.Check((library.*call)(StatusVector(), &fStmt, SQLDA_VERSION1, list.AsXSQLDA()));
    }
    list.SetCount(count);
    list.SetupAfterDescribe();
  }

  RawAttachment& fAttachment;
  isc_stmt_handle fStmt = 0;
  bool fIsProcedure = false;
  TFIBXSQLDA fParams{this, true};
  TFIBXSQLDA fColumns{this, false};
};

}  // namespace ordvane::test
