#pragma once
// An in-memory dataset on the class library's dataset framework, for the tests of the
// framework and of the modules that take any dataset (the import, the grids) before
// the Firebird datasets exist.
//
// Fields come from the field definitions (default fields) or are bound to them
// (persistent fields). Rows live in a vector in the order they were posted or inserted;
// a bookmark is the row's 8-byte identifier, found through an index of row positions by
// identifier; RecNo is the row's position, or with a filter counts the rows that the
// filter shows (the Filter text through the class library's filter parser and evaluator,
// then OnFilterRecord). Values are stored in the framework's native formats, so the field
// classes' conversions are exercised exactly as on any dataset. Blob fields go through
// blob streams over the record buffer.

#include <memory>
#include <unordered_map>
#include <vector>

#include "classlib/db/DB.h"
#include "classlib/db/FilterEval.h"
#include "classlib/db/FilterExpr.h"

namespace ordvane::test {

class TMemDataSet : public TDataSet {
  ORDVANE_CLASS(TMemDataSet, TDataSet)

 public:
  explicit TMemDataSet(TComponent* owner);
  ~TMemDataSet() override;

  bool ReadOnly() const { return fReadOnly; }
  void SetReadOnly(bool value) { fReadOnly = value; }
  // Every stored row, whatever the filter shows.
  int StoredRowCount() const { return static_cast<int>(fRows.size()); }
  // Removes every row (a pending edit is posted or cancelled first).
  void EmptyDataSet();

  bool BookmarkValid(const TBookmark& bookmark) override;
  int CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) override;
  bool GetFieldData(TField* field, void* buffer) override;
  void SetFieldData(TField* field, const void* buffer) override;
  std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override;
  void SetRecNo(Integer value) override;
  // A new filter text is parsed before it replaces the old one, so a text that does not
  // parse leaves the filter as it was.
  void SetFilterText(const AnsiString& text) override;
  void SetFilterOptions(TFilterOptions options) override;
  void SetFiltered(bool value) override;

 protected:
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& buffer) override;
  void GetBookmarkData(TRecordBuffer buffer, void* data) override;
  void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
  void InternalFirst() override;
  void InternalLast() override;
  void InternalGotoBookmark(const void* bookmark) override;
  void InternalSetToRecord(TRecordBuffer buffer) override;
  void InternalInitRecord(TRecordBuffer buffer) override;
  void InternalOpen() override;
  void InternalClose() override;
  void InternalInitFieldDefs() override {}
  bool IsCursorOpen() override { return fCursorOpen; }
  void InternalPost() override;
  void InternalDelete() override;
  void ClearCalcFields(TRecordBuffer buffer) override;
  Integer GetRecordCount() override;
  Integer GetRecNo() override;
  bool GetCanModify() override { return !fReadOnly; }

 private:
  class TBlobStream;

  struct TColumn {
    TFieldType type = ftUnknown;
    Integer size = 0;
    std::size_t offset = 0;  // of the presence byte; the value follows it
    std::size_t dataSize = 0;
    bool operator==(const TColumn&) const = default;
  };
  struct TRow {
    Int64 id = 0;
    std::vector<Byte> data;
    std::vector<RawByteString> blobs;  // by column; empty is null
  };
  struct TBuffer {
    TRow row;
    std::vector<Byte> calc;
    TBookmarkFlag flag = bfCurrent;
    int index = -1;  // the row's position when the buffer was filled
  };

  static TBuffer* Buf(TRecordBuffer buffer) { return reinterpret_cast<TBuffer*>(buffer); }
  void ComputeLayout();
  // The buffer that field values are read from and written to in the current state.
  TBuffer* StateBuffer();
  int IndexOfId(Int64 id) const;
  // Rows are added and removed only through these, which keep the index of ids.
  void InsertRow(int index, TRow row);
  void EraseRow(int index);
  void ClearRows();
  // Puts the cursor on the row; "Record not found" when there is none.
  void GotoId(Int64 id);
  // A filter (text or event) decides which rows show.
  bool Filtering() const;
  bool IsVisible(int index);
  // Parses the text (a blank text is no filter); nothing changes when it does not parse.
  void RebuildFilter(const AnsiString& text, TFilterOptions options);

  std::vector<TColumn> fColumns;  // by field number - 1
  std::vector<TRow> fRows;
  // Row position by id, so that finding a record costs the same on a million rows as on
  // ten. Rebuilt on the next look-up after rows moved (an insert before the end, a delete).
  mutable std::unordered_map<Int64, int> fIndexById;
  mutable bool fIndexStale = false;
  Int64 fNextId = 1;
  int fCursor = -1;  // -1 before the first row, fRows.size() after the last
  bool fCursorOpen = false;
  bool fReadOnly = false;
  std::unique_ptr<TExprParser> fFilterParser;
  std::unique_ptr<TExprEvaluator> fFilterEvaluator;
  TBuffer fFilterBuffer;
  TBuffer fOldValueBuffer;
};

}  // namespace ordvane::test
