#pragma once
// A Firebird dataset that opens as far as this module goes: it prepares, makes its field
// definitions and fields, executes the select statement and creates its record cache,
// but fetches nothing by itself (GetRecord answers end of data). The tests fetch rows
// into the cache by hand and read the cached records back.

#include "datasets/pFIBDataSet.h"

namespace ordvane::test {

class TProbeDataSet : public TpFIBDataSet {
  ORDVANE_CLASS(TProbeDataSet, TpFIBDataSet)

 public:
  using TpFIBDataSet::TpFIBDataSet;
  ~TProbeDataSet() override {
    Destroying();
    Close();
  }

  bool GetFieldData(TField*, void*) override { return false; }
  void SetFieldData(TField*, const void*) override {}
  int CompareBookmarks(const TBookmark&, const TBookmark&) override { return 0; }

 protected:
  void InternalOpen() override {
    if (!Prepared()) Prepare();
    if (!FieldDefs().Updated()) InternalInitFieldDefs();
    if (DefaultFields()) CreateFields();
    BindFields(true);
    SelectQuery().ExecQuery();
    fCursorOpen = true;
    CreateRecordCache();
  }
  void InternalClose() override {
    SelectQuery().Close();
    FreeRecordCache();
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    fCursorOpen = false;
  }
  TGetResult GetRecord(TRecordBuffer, TGetMode, bool) override { return grEOF; }
  void InternalFirst() override {}
  void InternalLast() override {}
  void InternalGotoBookmark(const void*) override {}
  void InternalInitRecord(TRecordBuffer) override {}
  void GetBookmarkData(TRecordBuffer, void*) override {}
  void SetBookmarkData(TRecordBuffer, const void*) override {}
};

}  // namespace ordvane::test
