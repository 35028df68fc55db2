#pragma once
// The spreadsheet cell model: a whole spreadsheet file in memory as sheets of rows of
// cells, and the base class of every spreadsheet reader with its events. A reader walks a
// file and reports what it finds through the events; an event the user leaves unassigned
// gets the base class's own handler, which stores what is reported in the model.
//
// The model holds at most the sheet of an Excel 97 workbook (65536 rows of 256 columns)
// and 65536 sheets: coordinates beyond that raise ESpreadSheetError instead of making a
// malformed file allocate without bound.

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "classlib/core/Components.h"
#include "classlib/core/Events.h"
#include "classlib/core/Lists.h"
#include "classlib/core/Streams.h"
#include "classlib/core/Variants.h"
#include "import/SMXLSRecords.h"

namespace ordvane {

ORDVANE_DECLARE_EXCEPTION(ESpreadSheetError, Exception);

constexpr Integer SpreadSheetMaxRows = 65536;
constexpr Integer SpreadSheetMaxColumns = 256;
constexpr Integer SpreadSheetMaxSheets = 65536;

enum TSMICellType {
  ictUnknown, ictEmpty, ictString, ictInteger, ictDecimal, ictDateTime, ictBoolean, ictMemo, ictDate, ictTime
};
enum TSMIColumnNameKind { nkAlphabet, nkFieldName };
enum TSMIRowStatus { rsNormal, rsDeleted, rsError };
using TSMIRowStatuses = TSet<TSMIRowStatus>;

// One cell. A sheet keeps hundreds of thousands of them: the cell is kept to 24 bytes (its
// column, alignment, type and format in the padding that ends its value), and a text value
// shares its characters with the value it was stored from.
class TSMICell : public TPersistent {
  ORDVANE_CLASS(TSMICell, TPersistent)

 public:
  const Variant& Value() const { return fValue; }
  // The copy is made here, inline: a sheet stores hundreds of thousands of values.
  void SetValue(const Variant& value) { fValue = Variant(value); }
  TAlignment Alignment() const { return static_cast<TAlignment>(fAlignment); }
  void SetAlignment(TAlignment alignment) { fAlignment = static_cast<Byte>(alignment); }
  // The reader's index of the cell's format (the Excel reader: the cell-format record), -1
  // for none.
  Integer FormatIndex() const { return fFormatIndex; }
  void SetFormatIndex(Integer formatIndex) { fFormatIndex = formatIndex; }
  TSMICellType CellType() const { return static_cast<TSMICellType>(fCellType); }
  void SetCellType(TSMICellType cellType) { fCellType = static_cast<Byte>(cellType); }

  // From another cell the four values; anything else as TPersistent does.
  void Assign(const TPersistent* source) override;

 private:
  friend class TSpreadSheetCells;
  friend class TSpreadSheetCols;
  // Takes the other cell's contents; the other's value is left empty.
  void MoveFrom(TSMICell& other);

  [[no_unique_address]] Variant fValue;
  Byte fColumn = 0;  // where its row keeps it: a sheet has 256 columns
  Byte fAlignment : 2 = taLeftJustify;
  Byte fCellType : 6 = ictUnknown;
  Integer fFormatIndex = 0;
};

// The cells of one row by zero-based column; a slot may hold no cell. The cells live in
// their sheet's storage, in column order, only the slots that hold one taking memory. A
// cell stays where it is until another cell is stored in its row.
class TSpreadSheetCols {
 public:
  // One past the last column that holds a cell.
  int Count() const { return fColumnCount; }
  // The cell at a column, nullptr for a slot without one. Mostly every column holds a
  // cell, and the cell of column c is the c-th one.
  TSMICell* Cells(int column) const {
    if (column >= 0 && column < fStored && fCells[column].fColumn == column) return &fCells[column];
    return Search(column);
  }

 private:
  TSMICell* Search(int column) const;
  friend class TSpreadSheetCells;
  friend class TSpreadSheetRow;
  // A row holds at most SpreadSheetMaxColumns cells: the counts fit 16 bits, which keeps
  // each of a sheet's rows small.
  TSMICell* fCells = nullptr;  // fStored of them, by column; room for fCapacity
  Word fStored = 0;
  Word fCapacity = 0;
  Word fColumnCount = 0;
};

// One row.
class TSpreadSheetRow : public TPersistent {
  ORDVANE_CLASS(TSpreadSheetRow, TPersistent)

 public:
  // The zero-based number of the row in its sheet.
  Integer RowNo() const { return fRowNo; }
  TSpreadSheetCols& Cols() { return fCols; }
  const TSpreadSheetCols& Cols() const { return fCols; }
  // The cell at a column; nullptr when the column is negative, beyond the row or empty.
  TSMICell* Cell(Integer column) const;
  // Empties every cell's value, aligns it left and sets its format index to -1; the cells
  // themselves stay.
  void Clear();

 private:
  friend class TSpreadSheetCells;
  // Rows are made by their sheet, for a number inside it.
  explicit TSpreadSheetRow(Integer rowNo) : fRowNo(static_cast<Word>(rowNo)) {}

  // The row number in the padding that ends the columns: a sheet has 65536 rows.
  [[no_unique_address]] TSpreadSheetCols fCols;
  Word fRowNo;
};

// The memory of a sheet's rows and cells: taken in blocks that grow with the sheet, and
// given back all at once. Whoever places objects in it destroys them first.
class TSheetStorage {
 public:
  TSheetStorage() = default;
  TSheetStorage(const TSheetStorage&) = delete;
  TSheetStorage& operator=(const TSheetStorage&) = delete;

  // Room for count objects of T, suitably aligned.
  template <class T>
  T* Take(std::size_t count) {
    return static_cast<T*>(Take(count * sizeof(T), alignof(T)));
  }
  // Makes the room of count objects at `at` room for newCount of them where it is, when it
  // was the last room taken and its block has the space; whether it did.
  template <class T>
  bool Extend(T* at, std::size_t count, std::size_t newCount) {
    return Extend(static_cast<void*>(at), count * sizeof(T), newCount * sizeof(T));
  }
  void Clear();

 private:
  void* Take(std::size_t bytes, std::size_t alignment);
  bool Extend(void* at, std::size_t bytes, std::size_t newBytes);

  std::vector<std::unique_ptr<std::byte[]>> fBlocks;
  std::byte* fNext = nullptr;
  std::size_t fLeft = 0;
  std::size_t fBlockSize = 0;  // of the last block
};

// The grid of one sheet: its rows, and the counts of rows and columns that the file
// declares and that its cells use. Rows are numbered up to the highest one made; only the
// rows that were made take memory, so a cell far down costs no more than one at the top.
class TSpreadSheetCells {
 public:
  TSpreadSheetCells() = default;
  TSpreadSheetCells(const TSpreadSheetCells&) = delete;
  TSpreadSheetCells& operator=(const TSpreadSheetCells&) = delete;
  ~TSpreadSheetCells() { Clear(); }

  // One past the highest row made.
  int Count() const { return static_cast<int>(fRows.size()); }
  // The row at index, made when it does not exist yet. ESpreadSheetError for an index
  // outside the sheet.
  TSpreadSheetRow* Rows(Integer index) {
    TSpreadSheetRow* row = FindRow(index);
    return row != nullptr ? row : MakeRow(index);
  }
  // The row at index when it was made, else nullptr.
  TSpreadSheetRow* FindRow(Integer index) const {
    return index >= 0 && static_cast<std::size_t>(index) < fRows.size()
               ? fRows[static_cast<std::size_t>(index)]
               : nullptr;
  }
  // Deletes every row and sets the four counts to 0.
  void Clear();

  Integer DeclaredColCount() const { return fDeclaredColCount; }
  void SetDeclaredColCount(Integer count) { fDeclaredColCount = count; }
  Integer DeclaredRowCount() const { return fDeclaredRowCount; }
  void SetDeclaredRowCount(Integer count) { fDeclaredRowCount = count; }
  Integer UsedColCount() const { return fUsedColCount; }
  void SetUsedColCount(Integer count) { fUsedColCount = count; }
  Integer UsedRowCount() const { return fUsedRowCount; }
  void SetUsedRowCount(Integer count) { fUsedRowCount = count; }
  // While set (from creation), every stored cell raises the used counts to cover it.
  bool TrackUsedRange() const { return fTrackUsedRange; }
  void SetTrackUsedRange(bool track) { fTrackUsedRange = track; }

  // The stored value, Unassigned when the cell does not exist.
  Variant CellValue(Integer column, Integer row) const;
  // Stores a cell. An Empty or Null value is not stored at all (no row is made for it).
  // ESpreadSheetError for coordinates outside the sheet.
  void StoreCell(Integer column, Integer row, TSMICellType cellType, Integer formatIndex, TAlignment alignment,
                 const Variant& value);

 private:
  TSpreadSheetRow* MakeRow(Integer index);
  // The cell of the row at the column, made (empty) when there is none.
  TSMICell& CellSlot(TSpreadSheetCols& cols, Integer column);
  // Moves the row's cells to room for at least count of them.
  void Grow(TSpreadSheetCols& cols, int count);

  std::vector<TSpreadSheetRow*> fRows;  // by index; nullptr for a row not made
  // A new row starts without room: a file gives a row's cells one after the other, and the
  // room of the row being read ends the storage, so it grows by one cell where it is.
  TSheetStorage fStorage;
  Integer fDeclaredColCount = 0;
  Integer fDeclaredRowCount = 0;
  Integer fUsedColCount = 0;
  Integer fUsedRowCount = 0;
  bool fTrackUsedRange = true;
};

// One sheet.
class TSpreadSheet : public TComponent {
  ORDVANE_CLASS(TSpreadSheet, TComponent)

 public:
  explicit TSpreadSheet(TComponent* owner) : TComponent(owner) {}

  TSpreadSheetCells& Cells() { return fCells; }
  const TSpreadSheetCells& Cells() const { return fCells; }
  const WideString& Caption() const { return fCaption; }
  void SetCaption(const WideString& caption) { fCaption = caption; }
  // Column widths by zero-based column, in the reader's unit.
  std::vector<Integer>& ColWidths() { return fColWidths; }
  const std::vector<Integer>& ColWidths() const { return fColWidths; }

 private:
  TSpreadSheetCells fCells;
  WideString fCaption;
  std::vector<Integer> fColWidths;
};

// The sheets of a file, which the list owns.
class TSpreadSheets {
 public:
  int Count() const { return fSheets.Count(); }
  // Adds a sheet captioned "Sheet" and its one-based position; its index.
  int Add();
  // The sheet at index (a negative index counts as 0), made with every sheet before it
  // when it does not exist yet. ESpreadSheetError beyond the largest number of sheets.
  TSpreadSheet* Sheets(Integer index) { return Remembered(index) ? fLast : MakeSheet(index); }
  // The sheet at index when it exists (a negative index counts as 0), else nullptr.
  TSpreadSheet* FindSheet(Integer index) const { return Remembered(index) ? fLast : LookUp(index); }
  void Delete(Integer index);
  void Clear();
  // The index of the first sheet captioned exactly so, or -1.
  Integer IndexOfCaption(const WideString& caption) const;

 private:
  bool Remembered(Integer index) const { return fLast != nullptr && index == fLastIndex; }
  TSpreadSheet* MakeSheet(Integer index);
  TSpreadSheet* LookUp(Integer index) const;

  TObjectList fSheets;
  // The sheet found last: a reader stores into the same one cell after cell, and the
  // import reads it value after value.
  mutable Integer fLastIndex = -1;
  mutable TSpreadSheet* fLast = nullptr;
};

// The part of a sheet that a reader stores; one-based.
class TSMRange : public TPersistent {
  ORDVANE_CLASS(TSMRange, TPersistent)

 public:
  Integer FirstRow() const { return fFirstRow; }
  void SetFirstRow(Integer value) { fFirstRow = value; }
  Integer LastRow() const { return fLastRow; }
  void SetLastRow(Integer value) { fLastRow = value; }
  Integer FirstCol() const { return fFirstCol; }
  void SetFirstCol(Integer value) { fFirstCol = value; }
  Integer LastCol() const { return fLastCol; }
  void SetLastCol(Integer value) { fLastCol = value; }

  void Assign(const TPersistent* source) override;

 private:
  Integer fFirstRow = 1;
  Integer fLastRow = 2147483647;
  Integer fFirstCol = 1;
  Integer fLastCol = 2147483647;
};

using TErrorParseRecord = TEvent<void(TObject* sender, const Exception& error, bool& abort)>;
using TOnColumnWidth = TEvent<void(TObject* sender, Integer sheetNo, Integer columnNo, Integer width)>;
using TOnRowHeight = TEvent<void(TObject* sender, Integer sheetNo, Integer rowNo, Integer height)>;
using TOnDimensions = TEvent<void(TObject* sender, Integer sheetNo, Integer firstRow, Integer lastRow,
                                  Integer firstColumn, Integer lastColumn)>;
using TOnCellValue = TEvent<void(TObject* sender, Integer sheetNo, Integer row, Integer column, Integer formatIndex,
                                 const Variant& value, TAlignment alignment, TSMICellType cellType)>;
using TOnGetCellValue = TEvent<void(TObject* sender, Integer sheetNo, Integer row, Integer column, Variant& value)>;
using TOnSheet = TEvent<void(TObject* sender, const WideString& caption, Integer index, bool& skip)>;
using TOnRecord = TEvent<void(TObject* sender, const TBIFFRecordHeader& header, TByteArray& data)>;
using TOnLoadProgress = TEvent<void(TObject* sender, Integer position, Integer totalSize)>;

// The base of every spreadsheet reader: the file, the events, what to store.
class TCustomSpreadSheetFile : public TComponent {
  ORDVANE_CLASS(TCustomSpreadSheetFile, TComponent)

 public:
  explicit TCustomSpreadSheetFile(TComponent* owner) : TComponent(owner) {}

  const AnsiString& FileName() const { return fFileName; }
  void SetFileName(const AnsiString& fileName) { fFileName = fileName; }
  bool LoadNULLs() const { return fLoadNULLs; }
  void SetLoadNULLs(bool loadNULLs) { fLoadNULLs = loadNULLs; }
  // The one sheet whose cells are stored (zero-based), or -1 for all of them.
  Integer KeepSheetIndex() const { return fKeepSheetIndex; }
  void SetKeepSheetIndex(Integer index) { fKeepSheetIndex = index; }
  TSMRange* Range() const { return fRange.get(); }
  void SetRange(const TSMRange* range) { fRange->Assign(range); }
  // Whether LoadFromFile checks the name first (set from creation).
  bool CheckFileName() const { return fCheckFileName; }
  void SetCheckFileName(bool check) { fCheckFileName = check; }

  // Whether the file could not be read because it is encrypted.
  virtual bool Encrypted() const { return false; }
  // Gets the reader ready for a load: readers call the inherited one first.
  virtual void PrepareLoad() = 0;
  // With the check-file flag: the trimmed name must name an existing file ("File is not
  // defined.", "File does not exist."; nothing is cleared then). Then FileName takes the
  // name and PrepareLoad runs; readers read after calling the inherited one.
  virtual void LoadFromFile(const AnsiString& fileName);
  // PrepareLoad; readers read after calling the inherited one.
  virtual void LoadFromStream(TStream* stream);

  TErrorParseRecord OnErrorProcess;
  TOnColumnWidth OnColumnWidth;
  TOnRowHeight OnRowHeight;
  TOnDimensions OnDimensions;
  TOnCellValue OnCellValue;
  TOnGetCellValue OnGetCellValue;
  TOnSheet OnSheet;
  TOnRecord OnRecord;

 private:
  AnsiString fFileName;
  bool fLoadNULLs = false;
  Integer fKeepSheetIndex = -1;
  std::unique_ptr<TSMRange> fRange = std::make_unique<TSMRange>();
  bool fCheckFileName = true;
};

// A reader that keeps what it reads in Sheets.
class TSpreadSheetFile : public TCustomSpreadSheetFile {
  ORDVANE_CLASS(TSpreadSheetFile, TCustomSpreadSheetFile)

 public:
  explicit TSpreadSheetFile(TComponent* owner) : TCustomSpreadSheetFile(owner) {}

  TSMIColumnNameKind NameKind() const { return fNameKind; }
  void SetNameKind(TSMIColumnNameKind nameKind) { fNameKind = nameKind; }
  // Whether binary values are read, and which rows by their status. Both are kept as
  // set: the readers here know neither binary values nor row states, and read every row.
  bool ParseBLOB() const { return fParseBLOB; }
  void SetParseBLOB(bool parse) { fParseBLOB = parse; }
  TSMIRowStatuses LoadRowStatutes() const { return fLoadRowStatutes; }
  void SetLoadRowStatutes(TSMIRowStatuses statuses) { fLoadRowStatutes = statuses; }
  TSpreadSheets& Sheets() { return fSheets; }
  const TSpreadSheets& Sheets() const { return fSheets; }

  // Empties Sheets and gives every unassigned event but OnRowHeight the default handler
  // that stores what it reports.
  void PrepareLoad() override;

  // The number of the current record of a record-by-record reading; the whole file is
  // read at once here, so these only keep the number.
  Integer CurrentRecord() const { return fCurrentRecord; }
  virtual void ResetCurrentRecord() { fCurrentRecord = -1; }
  virtual bool SetCurrentRecord(Integer record) {
    fCurrentRecord = record;
    return true;
  }
  // The end of a record-by-record reading; nothing to release here.
  virtual void FinishRecords() {}

  // Progress of a load (position and total size in bytes): the hook first, then
  // OnLoadProgress.
  using TProgressHook = std::function<void(Integer position, Integer totalSize)>;
  void SetProgressHook(TProgressHook hook) { fProgressHook = std::move(hook); }
  TOnLoadProgress OnLoadProgress;

 protected:
  // A reader reports after every record: nothing is done while nobody listens.
  void ReportProgress(Int64 position, Int64 totalSize) {
    if (fProgressHook || OnLoadProgress) NotifyProgress(position, totalSize);
  }
  // Whether OnCellValue is the default handler: a reader may then store each cell through
  // StoreCellValue, without the event's indirect call.
  bool StoresReportedCells() const { return OnCellValue == fStoreReportedCell; }
  // What the default OnCellValue handler does: a cell inside the range goes into its sheet.
  void StoreCellValue(Integer sheetNo, Integer row, Integer column, Integer formatIndex, const Variant& value,
                      TAlignment alignment, TSMICellType cellType);

 private:
  void NotifyProgress(Int64 position, Int64 totalSize);
  void DefaultDimensions(TObject* sender, Integer sheetNo, Integer firstRow, Integer lastRow, Integer firstColumn,
                         Integer lastColumn);
  void DefaultCellValue(TObject* sender, Integer sheetNo, Integer row, Integer column, Integer formatIndex,
                        const Variant& value, TAlignment alignment, TSMICellType cellType);
  void DefaultGetCellValue(TObject* sender, Integer sheetNo, Integer row, Integer column, Variant& value);
  void DefaultSheet(TObject* sender, const WideString& caption, Integer index, bool& skip);
  void DefaultColumnWidth(TObject* sender, Integer sheetNo, Integer columnNo, Integer width);

  TSMIColumnNameKind fNameKind = nkAlphabet;
  bool fParseBLOB = true;
  TSMIRowStatuses fLoadRowStatutes{rsNormal};
  TSpreadSheets fSheets;
  TProgressHook fProgressHook;
  Integer fCurrentRecord = 0;
  // The default OnCellValue handler, kept to be recognised.
  const TOnCellValue fStoreReportedCell = TOnCellValue::Bind(this, &TSpreadSheetFile::DefaultCellValue);
};

// Column letters as a bijective base-26 numeral (A = 1, Z = 26, AA = 27, AAA = 703),
// without regard to case: the zero-based column when that number is not above
// columnCount, else -1; -1 for any character other than a letter A to Z; empty letters
// give 0 when columnCount is at least 1, else -1.
Integer ColumnLettersToIndex(const AnsiString& letters, Integer columnCount);
// The letters of the one-based column n; the empty string for n of 0 or less.
AnsiString ColumnIndexToLetters(Integer n);

}  // namespace ordvane
