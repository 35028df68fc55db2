#pragma once
// The statement's side of the column and parameter lists, answered by the test: set by
// hand where no server is involved, or from a raw attachment (RawStatement.h).

#include <stdexcept>

#include "dbclient/FIBXSQLDA.h"

namespace ordvane::test {

class TestOwner : public IFIBXSQLDAOwner {
 public:
  Integer dialect = 3;
  Integer charSetID = 52;  // the attachment's character set (WIN1251)
  bool upperOldNames = false;
  bool trimCharFields = false;
  bool columnValuesPresent = true;
  int pendingBlobsFlagged = 0;

  bool HasDatabase() const override { return true; }
  Integer SQLDialect() const override { return dialect; }
  bool UpperOldNames() const override { return upperOldNames; }
  bool IsUnicodeCharSet() const override { return IsUnicodeCharSetID(charSetID); }
  bool IsUnicodeOrNoneCharSet() const override { return IsUnicodeCharSet() || charSetID == 0; }
  bool IsKOI8CharSet() const override { return charSetID == 63 || charSetID == 64; }
  bool IsFB21UnicodeOrNone() const override { return IsUnicodeOrNoneCharSet(); }
  // UNICODE_FSS and UTF8.
  bool IsUnicodeCharSetID(Integer id) const override { return id == 3 || id == 4; }
  AnsiString FullName() const override { return "Form1.Query"; }
  bool TrimCharFields() const override { return trimCharFields; }
  bool ColumnValuesPresent() const override { return columnValuesPresent; }
  void SetHasPendingBlobs() override { ++pendingBlobsFlagged; }
  AnsiString ReadBlobText(const ISC_QUAD&, Integer, Integer) override {
    throw std::logic_error("these tests read no blob columns");
  }
  TFIBArrayContext ArrayContext() override { throw std::logic_error("these tests write no array columns"); }
};

}  // namespace ordvane::test
