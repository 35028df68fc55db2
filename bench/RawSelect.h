#pragma once
// A select run by the client library's calls alone, for the benchmarks that hold a dataset
// against the least work the same rows cost: prepared with the client's own descriptor
// area and a buffer per column, executed at once, then fetched row by row.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "dbclient/FIBDatabase.h"

namespace ordvane::bench {

class TRawSelect {
 public:
  TRawSelect(TFIBDatabase& database, TFIBTransaction& transaction, const std::string& select, int columnCount)
      : fDatabase(database),
        fLibrary(database.ClientLibrary()),
        fArea(XSQLDA_LENGTH(columnCount)),
        fData(static_cast<std::size_t>(columnCount)),
        fIndicators(static_cast<std::size_t>(columnCount)) {
    Check(fLibrary.isc_dsql_alloc_statement2(StatusVector(), database.DBHandle(), &fStatement));
    auto* columns = Columns();
    columns->version = SQLDA_VERSION1;
    columns->sqln = static_cast<short>(columnCount);
    Check(fLibrary.isc_dsql_prepare(StatusVector(), transaction.TRHandle(), &fStatement, 0, select.c_str(), 3,
                                    columns));
    if (columns->sqld != columnCount) throw std::runtime_error("the select answers another number of columns");
    for (std::size_t i = 0; i < fData.size(); ++i) {
      XSQLVAR& var = columns->sqlvar[i];
      const std::size_t size = static_cast<std::size_t>(var.sqllen) + ((var.sqltype & ~1) == SQL_VARYING ? 2 : 0);
      fData[i].resize(size);
      var.sqldata = fData[i].data();
      var.sqlind = &fIndicators[i];
      fRowBytes += size + sizeof(short);
    }
    Check(fLibrary.isc_dsql_execute(StatusVector(), transaction.TRHandle(), &fStatement, SQLDA_VERSION1, nullptr));
  }
  ~TRawSelect() { fLibrary.isc_dsql_free_statement(StatusVector(), &fStatement, DSQL_drop); }
  TRawSelect(const TRawSelect&) = delete;
  TRawSelect& operator=(const TRawSelect&) = delete;

  bool Fetch() {
    const ISC_STATUS status = fLibrary.isc_dsql_fetch(StatusVector(), &fStatement, SQLDA_VERSION1, Columns());
    if (status != 0 && status != 100) IBError(fLibrary, &fDatabase);
    return status == 0;
  }
  const XSQLVAR& Column(int i) { return Columns()->sqlvar[i]; }
  // The data area of one row with its null indicators.
  std::size_t RowBytes() const { return fRowBytes; }

 private:
  XSQLDA* Columns() { return reinterpret_cast<XSQLDA*>(fArea.data()); }
  void Check(ISC_STATUS status) {
    if (status != 0) IBError(fLibrary, &fDatabase);
  }

  TFIBDatabase& fDatabase;
  IIBClientLibrary& fLibrary;
  isc_stmt_handle fStatement = 0;
  std::vector<char> fArea;
  std::vector<std::vector<char>> fData;
  std::vector<short> fIndicators;
  std::size_t fRowBytes = 0;
};

}  // namespace ordvane::bench
