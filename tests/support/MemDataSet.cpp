#include "tests/support/MemDataSet.h"

#include <algorithm>
#include <cstring>

#include "classlib/core/StrUtils.h"

namespace ordvane::test {

using namespace dbconsts;

// A stream over one blob of a record buffer. Every write lands in the buffer at once and
// tells the dataset that the field changed.
class TMemDataSet::TBlobStream : public TStream {
 public:
  TBlobStream(TMemDataSet* dataSet, TField* field, RawByteString& data, bool writable)
      : fDataSet(dataSet), fField(field), fData(data), fWritable(writable) {}

  Int64 Read(void* buffer, Int64 count) override {
    const Int64 available = std::max<Int64>(0, static_cast<Int64>(fData.size()) - fPosition);
    const Int64 n = std::clamp<Int64>(count, 0, available);
    if (n > 0) std::memcpy(buffer, fData.data() + fPosition, static_cast<std::size_t>(n));
    fPosition += n;
    return n;
  }

  Int64 Write(const void* buffer, Int64 count) override {
    if (!fWritable) throw EStreamError("The blob was opened for reading");
    if (count <= 0) return 0;
    const auto end = static_cast<std::size_t>(fPosition + count);
    if (fData.size() < end) fData.resize(end, '\0');
    std::memcpy(fData.data() + fPosition, buffer, static_cast<std::size_t>(count));
    fPosition += count;
    Changed();
    return count;
  }

  Int64 Seek(Int64 offset, TSeekOrigin origin) override {
    Int64 base = 0;
    if (origin == soCurrent) base = fPosition;
    if (origin == soEnd) base = static_cast<Int64>(fData.size());
    fPosition = std::max<Int64>(0, base + offset);
    return fPosition;
  }

  void SetSize(Int64 newSize) override {
    if (!fWritable) throw EStreamError("The blob was opened for reading");
    fData.resize(static_cast<std::size_t>(std::max<Int64>(0, newSize)), '\0');
    Changed();
  }

 private:
  void Changed() {
    if (auto* blob = dynamic_cast<TBlobField*>(fField)) blob->SetModified(true);
    fDataSet->DataEvent(deFieldChange, reinterpret_cast<NativeInt>(fField));
  }

  TMemDataSet* fDataSet;
  TField* fField;
  RawByteString& fData;
  bool fWritable;
  Int64 fPosition = 0;
};

TMemDataSet::TMemDataSet(TComponent* owner) : TDataSet(owner) {}

TMemDataSet::~TMemDataSet() {
  Destroying();
  Close();
}

// --- layout --------------------------------------------------------------------------------

void TMemDataSet::ComputeLayout() {
  std::vector<TColumn> columns;
  std::size_t offset = 0;
  for (int i = 0; i < FieldDefs().Count(); ++i) {
    const TFieldDef* def = FieldDefs().Items(i);
    TColumn column;
    column.type = def->DataType();
    column.size = def->Size();
    column.offset = offset;
    column.dataSize = static_cast<std::size_t>(NativeDataSize(column.type, column.size));
    offset += 1 + column.dataSize;
    columns.push_back(column);
  }
  // Rows stored under other definitions cannot be read under these.
  if (columns != fColumns) ClearRows();
  fColumns = std::move(columns);
}

// --- open and close ------------------------------------------------------------------------

void TMemDataSet::InternalOpen() {
  if (DefaultFields()) CreateFields();
  BindFields(true);
  ComputeLayout();
  RebuildFilter(Filter(), FilterOptions());
  SetBookmarkSize(sizeof(Int64));
  fCursor = -1;
  fCursorOpen = true;
}

void TMemDataSet::InternalClose() {
  fFilterEvaluator.reset();
  fFilterParser.reset();
  BindFields(false);
  if (DefaultFields()) DestroyFields();
  fCursorOpen = false;
}

TRecordBuffer TMemDataSet::AllocRecordBuffer() {
  auto* buffer = new TBuffer;
  std::size_t rowSize = 0;
  for (const TColumn& column : fColumns) rowSize = std::max(rowSize, column.offset + 1 + column.dataSize);
  buffer->row.data.assign(rowSize, 0);
  buffer->row.blobs.assign(fColumns.size(), {});
  buffer->calc.assign(static_cast<std::size_t>(CalcFieldsSize()), 0);
  return reinterpret_cast<TRecordBuffer>(buffer);
}

void TMemDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
  delete Buf(buffer);
  buffer = nullptr;
}

// --- records and the cursor ----------------------------------------------------------------

int TMemDataSet::IndexOfId(Int64 id) const {
  if (fIndexStale) {
    fIndexById.clear();
    for (std::size_t i = 0; i < fRows.size(); ++i) fIndexById.emplace(fRows[i].id, static_cast<int>(i));
    fIndexStale = false;
  }
  const auto found = fIndexById.find(id);
  return found != fIndexById.end() ? found->second : -1;
}

void TMemDataSet::InsertRow(int index, TRow row) {
  const Int64 id = row.id;
  fRows.insert(fRows.begin() + index, std::move(row));
  if (index + 1 == static_cast<int>(fRows.size()))
    fIndexById.emplace(id, index);
  else
    fIndexStale = true;
}

void TMemDataSet::EraseRow(int index) {
  fRows.erase(fRows.begin() + index);
  fIndexStale = true;
}

void TMemDataSet::ClearRows() {
  fRows.clear();
  fIndexById.clear();
  fIndexStale = false;
}

bool TMemDataSet::Filtering() const {
  return Filtered() && (fFilterEvaluator || OnFilterRecord);
}

bool TMemDataSet::IsVisible(int index) {
  if (!Filtering()) return true;
  fFilterBuffer.row = fRows[static_cast<std::size_t>(index)];
  fFilterBuffer.calc.assign(static_cast<std::size_t>(CalcFieldsSize()), 0);
  const TDataSetState saved = SetTempState(dsFilter);
  bool accept = true;
  try {
    GetCalcFields(reinterpret_cast<TRecordBuffer>(&fFilterBuffer));
    if (fFilterEvaluator) accept = fFilterEvaluator->Accepts();
    if (accept && OnFilterRecord) OnFilterRecord(this, accept);
  } catch (...) {
    RestoreState(saved);
    throw;
  }
  RestoreState(saved);
  return accept;
}

TGetResult TMemDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool /*doCheck*/) {
  const int count = static_cast<int>(fRows.size());
  TGetResult result = grOK;
  switch (mode) {
    case gmCurrent:
      if (fCursor < 0)
        result = grBOF;
      else if (fCursor >= count || !IsVisible(fCursor))
        result = grEOF;
      break;
    case gmNext:
      do ++fCursor;
      while (fCursor < count && !IsVisible(fCursor));
      if (fCursor >= count) {
        fCursor = count;
        result = grEOF;
      }
      break;
    case gmPrior:
      do --fCursor;
      while (fCursor >= 0 && fCursor < count && !IsVisible(fCursor));
      if (fCursor < 0) {
        fCursor = -1;
        result = grBOF;
      }
      break;
  }
  if (result != grOK) return result;
  TBuffer* target = Buf(buffer);
  target->row = fRows[static_cast<std::size_t>(fCursor)];
  target->index = fCursor;
  target->flag = bfCurrent;
  GetCalcFields(buffer);
  return grOK;
}

void TMemDataSet::InternalFirst() { fCursor = -1; }

void TMemDataSet::InternalLast() { fCursor = static_cast<int>(fRows.size()); }

void TMemDataSet::GotoId(Int64 id) {
  const int index = IndexOfId(id);
  if (index < 0) DatabaseError(SRecordNotFound, this);
  fCursor = index;
}

void TMemDataSet::InternalGotoBookmark(const void* bookmark) {
  Int64 id = 0;
  std::memcpy(&id, bookmark, sizeof id);
  GotoId(id);
}

void TMemDataSet::InternalSetToRecord(TRecordBuffer buffer) { GotoId(Buf(buffer)->row.id); }

void TMemDataSet::GetBookmarkData(TRecordBuffer buffer, void* data) {
  std::memcpy(data, &Buf(buffer)->row.id, sizeof(Int64));
}

void TMemDataSet::SetBookmarkData(TRecordBuffer buffer, const void* data) {
  std::memcpy(&Buf(buffer)->row.id, data, sizeof(Int64));
}

TBookmarkFlag TMemDataSet::GetBookmarkFlag(TRecordBuffer buffer) { return Buf(buffer)->flag; }

void TMemDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) { Buf(buffer)->flag = flag; }

bool TMemDataSet::BookmarkValid(const TBookmark& bookmark) {
  if (bookmark.size() != sizeof(Int64)) return false;
  Int64 id = 0;
  std::memcpy(&id, bookmark.data(), sizeof id);
  return IndexOfId(id) >= 0;
}

int TMemDataSet::CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) {
  if (bookmark1.empty() || bookmark2.empty()) return bookmark1.empty() ? (bookmark2.empty() ? 0 : 1) : -1;
  Int64 id1 = 0;
  Int64 id2 = 0;
  std::memcpy(&id1, bookmark1.data(), std::min(bookmark1.size(), sizeof id1));
  std::memcpy(&id2, bookmark2.data(), std::min(bookmark2.size(), sizeof id2));
  const int position1 = IndexOfId(id1);
  const int position2 = IndexOfId(id2);
  return position1 < position2 ? -1 : (position1 > position2 ? 1 : 0);
}

void TMemDataSet::InternalInitRecord(TRecordBuffer buffer) {
  TBuffer* target = Buf(buffer);
  std::fill(target->row.data.begin(), target->row.data.end(), 0);
  for (RawByteString& blob : target->row.blobs) blob.clear();
  target->row.id = 0;
  target->index = -1;
}

void TMemDataSet::ClearCalcFields(TRecordBuffer buffer) {
  std::fill(Buf(buffer)->calc.begin(), Buf(buffer)->calc.end(), 0);
}

// --- field data ----------------------------------------------------------------------------

TMemDataSet::TBuffer* TMemDataSet::StateBuffer() {
  switch (State()) {
    case dsBrowse:
      return IsEmpty() ? nullptr : Buf(ActiveBuffer());
    case dsEdit:
    case dsInsert:
    case dsNewValue:
      return Buf(ActiveBuffer());
    case dsCalcFields:
    case dsInternalCalc:
      return Buf(CalcBuffer());
    case dsFilter:
      return &fFilterBuffer;
    case dsOldValue:
    case dsCurValue: {
      // The record as stored; a record being inserted has none.
      if (IsEmpty() || Buf(ActiveBuffer())->flag != bfCurrent) return nullptr;
      const int index = IndexOfId(Buf(ActiveBuffer())->row.id);
      if (index < 0) return nullptr;
      fOldValueBuffer.row = fRows[static_cast<std::size_t>(index)];
      fOldValueBuffer.calc.assign(static_cast<std::size_t>(CalcFieldsSize()), 0);
      return &fOldValueBuffer;
    }
    default:
      return nullptr;
  }
}

bool TMemDataSet::GetFieldData(TField* field, void* buffer) {
  TBuffer* record = StateBuffer();
  if (record == nullptr) return false;
  if (field->FieldNo() > 0) {
    const auto column = static_cast<std::size_t>(field->FieldNo() - 1);
    if (field->IsBlob()) return !record->row.blobs[column].empty();
    const TColumn& layout = fColumns[column];
    if (record->row.data[layout.offset] == 0) return false;
    if (buffer != nullptr)
      std::memcpy(buffer, &record->row.data[layout.offset + 1],
                  std::min(layout.dataSize, static_cast<std::size_t>(field->DataSize())));
    return true;
  }
  const auto offset = static_cast<std::size_t>(field->Offset());
  if (record->calc.size() <= offset || record->calc[offset] == 0) return false;
  if (buffer != nullptr) std::memcpy(buffer, &record->calc[offset + 1], static_cast<std::size_t>(field->DataSize()));
  return true;
}

void TMemDataSet::SetFieldData(TField* field, const void* buffer) {
  TBuffer* record = StateBuffer();
  if (record == nullptr) DatabaseError(SNotEditing, this);
  field->Validate(buffer);
  if (field->FieldNo() > 0) {
    const auto column = static_cast<std::size_t>(field->FieldNo() - 1);
    if (field->IsBlob()) {
      // A blob has no native data: only clearing it comes here.
      record->row.blobs[column].clear();
    } else {
      const TColumn& layout = fColumns[column];
      record->row.data[layout.offset] = buffer != nullptr ? 1 : 0;
      Byte* value = &record->row.data[layout.offset + 1];
      if (buffer != nullptr)
        std::memcpy(value, buffer, std::min(layout.dataSize, static_cast<std::size_t>(field->DataSize())));
      else
        std::fill(value, value + layout.dataSize, 0);
    }
  } else {
    const auto offset = static_cast<std::size_t>(field->Offset());
    const auto size = static_cast<std::size_t>(field->DataSize());
    record->calc[offset] = buffer != nullptr ? 1 : 0;
    if (buffer != nullptr)
      std::memcpy(&record->calc[offset + 1], buffer, size);
    else
      std::fill(record->calc.begin() + static_cast<std::ptrdiff_t>(offset + 1),
                record->calc.begin() + static_cast<std::ptrdiff_t>(offset + 1 + size), 0);
  }
  if (State() != dsCalcFields && State() != dsFilter && State() != dsNewValue)
    DataEvent(deFieldChange, reinterpret_cast<NativeInt>(field));
}

std::unique_ptr<TStream> TMemDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
  if (!field->IsBlob() || field->FieldNo() < 1) return TDataSet::CreateBlobStream(field, mode);
  if (mode != bmRead && State() != dsEdit && State() != dsInsert) DatabaseError(SNotEditing, this);
  TBuffer* record = StateBuffer();
  // No record (an empty dataset) reads as an empty blob.
  if (record == nullptr) return std::make_unique<TMemoryStream>();
  RawByteString& data = record->row.blobs[static_cast<std::size_t>(field->FieldNo() - 1)];
  if (mode == bmWrite) data.clear();
  return std::make_unique<TBlobStream>(this, field, data, mode != bmRead);
}

// --- editing -------------------------------------------------------------------------------

void TMemDataSet::InternalPost() {
  TDataSet::InternalPost();
  TBuffer* record = Buf(ActiveBuffer());
  if (State() == dsEdit) {
    const int index = IndexOfId(record->row.id);
    if (index < 0) DatabaseError(SRecordNotFound, this);
    fRows[static_cast<std::size_t>(index)] = record->row;
    fCursor = index;
    return;
  }
  // A new row goes before the record it was inserted at, first, or last.
  int index = static_cast<int>(fRows.size());
  if (record->flag == bfBOF) index = 0;
  if (record->flag == bfInserted) {
    const int at = IndexOfId(record->row.id);
    if (at >= 0) index = at;
  }
  TRow row = record->row;
  row.id = fNextId;
  InsertRow(index, std::move(row));
  ++fNextId;
  record->row.id = fRows[static_cast<std::size_t>(index)].id;
  fCursor = index;
}

void TMemDataSet::InternalDelete() {
  const int index = IndexOfId(Buf(ActiveBuffer())->row.id);
  if (index < 0) DatabaseError(SRecordNotFound, this);
  EraseRow(index);
  fCursor = index;
}

void TMemDataSet::EmptyDataSet() {
  if (Active()) CheckBrowseMode();
  ClearRows();
  if (Active()) First();
}

// --- counting and filtering ----------------------------------------------------------------

Integer TMemDataSet::GetRecordCount() {
  if (!Filtered()) return static_cast<Integer>(fRows.size());
  Integer count = 0;
  for (int i = 0; i < static_cast<int>(fRows.size()); ++i)
    if (IsVisible(i)) ++count;
  return count;
}

Integer TMemDataSet::GetRecNo() {
  if (IsEmpty() || State() == dsInactive) return 0;
  const TBuffer* record = Buf(ActiveBuffer());
  if (record->flag != bfCurrent) return 0;
  const int index = IndexOfId(record->row.id);
  // Unfiltered, the position is the number: no walk, the same cost on a million rows.
  if (!Filtering()) return index + 1;
  Integer number = 0;
  for (int i = 0; i <= index; ++i)
    if (IsVisible(i)) ++number;
  return number;
}

void TMemDataSet::SetRecNo(Integer value) {
  CheckBrowseMode();
  const int count = static_cast<int>(fRows.size());
  int index = -1;
  if (!Filtering()) {
    if (value >= 1 && value <= count) index = value - 1;
  } else {
    Integer number = 0;
    for (int i = 0; i < count && index < 0; ++i)
      if (IsVisible(i) && ++number == value) index = i;
  }
  if (index < 0) return;
  DoBeforeScroll();
  fCursor = index;
  Resync({rmCenter});
  DoAfterScroll();
}

void TMemDataSet::RebuildFilter(const AnsiString& text, TFilterOptions options) {
  std::unique_ptr<TExprParser> parser;
  if (!Trim(text).empty()) parser = std::make_unique<TExprParser>(this, text, options);
  fFilterEvaluator.reset();
  fFilterParser = std::move(parser);
  if (fFilterParser) fFilterEvaluator = std::make_unique<TExprEvaluator>(this, *fFilterParser);
}

void TMemDataSet::SetFilterText(const AnsiString& text) {
  if (Active()) RebuildFilter(text, FilterOptions());
  TDataSet::SetFilterText(text);
  if (Active() && Filtered()) First();
}

void TMemDataSet::SetFilterOptions(TFilterOptions options) {
  if (Active()) RebuildFilter(Filter(), options);
  TDataSet::SetFilterOptions(options);
  if (Active() && Filtered()) First();
}

void TMemDataSet::SetFiltered(bool value) {
  if (value == Filtered()) return;
  if (Active()) CheckBrowseMode();
  TDataSet::SetFiltered(value);
  if (Active()) First();
}

}  // namespace ordvane::test
