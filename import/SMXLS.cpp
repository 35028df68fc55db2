#include "import/SMXLS.h"

#include <algorithm>
#include <optional>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/CodePages.h"
#include "classlib/core/CompoundFile.h"
#include "classlib/core/FileUtils.h"
#include "import/SMXLSStrings.h"
#include "import/SMXLSValues.h"

namespace ordvane {

namespace {

// Record identifiers.
constexpr Word rtBlank2 = 0x0001, rtInteger2 = 0x0002, rtNumber2 = 0x0003, rtLabel2 = 0x0004, rtBoolErr2 = 0x0005,
               rtFormula = 0x0006, rtString2 = 0x0007, rtEOF = 0x000A, rtFormat23 = 0x001E, rtDateMode = 0x0022,
               rtColWidth = 0x0024, rtFilePass = 0x002F, rtCodePage = 0x0042, rtRK2 = 0x007E, rtColInfo = 0x007D,
               rtBoundSheet = 0x0085, rtSharedFormula = 0x00BC, rtMulRK = 0x00BD, rtMulBlank = 0x00BE,
               rtRString = 0x00D6, rtXF = 0x00E0, rtSST = 0x00FC, rtLabelSST = 0x00FD, rtExcel9 = 0x01C0,
               rtDimensions = 0x0200, rtBlank = 0x0201, rtNumber = 0x0203, rtLabel = 0x0204, rtBoolErr = 0x0205,
               rtFormula3 = 0x0206, rtString = 0x0207, rtRow = 0x0208, rtArray = 0x0221, rtTable = 0x0236,
               rtXF3 = 0x0243, rtRK = 0x027E, rtFormula4 = 0x0406, rtFormat = 0x041E, rtXF4 = 0x0443,
               rtSharedFormula4 = 0x04BC, rtXF2 = 0x0043;
constexpr Word rtName = 0x0018, rtFont = 0x0031;

constexpr Word kWorkbookGlobals = 0x0005;
// The longest record data of the two compound generations.
constexpr std::size_t kBIFF8MaxData = 8224, kBIFF5MaxData = 2080;
constexpr double kEndOfDates = 2958466;  // 1 January 10000
constexpr Word kWorksheet = 0x0010, kChart = 0x0020, kMacroSheet = 0x0040;

// The BOF records of the four record generations; other ids with 09 in their low byte
// (chart records among them) begin nothing.
constexpr Word rtBOF2 = 0x0009, rtBOF3 = 0x0209, rtBOF4 = 0x0409, rtBOF = 0x0809;

bool IsBOF(Word id) {
  return id == rtBOF2 || id == rtBOF3 || id == rtBOF4 || id == rtBOF;
}

// Records whose damage costs no cell: number formats, cell formats, column widths, row
// heights, fonts, defined names, shared formulas. Their damage is reported with Abort
// preset false, so the load goes on unless the handler asks to abort.
bool CostsNoCell(Word id) {
  switch (id) {
    case rtFormat23:
    case rtFormat:
    case rtXF2:
    case rtXF3:
    case rtXF4:
    case rtXF:
    case rtColWidth:
    case rtColInfo:
    case rtRow:
    case rtFont:
    case rtFont3:
    case rtName:
    case rtName3:
    case rtSharedFormula:
    case rtSharedFormula4:
      return true;
    default:
      return false;
  }
}

// The version of a plain record stream's BOF record, evUnknown for a foreign one.
TExcelVersion VersionOfBOF(Word id) {
  switch (id) {
    case rtBOF2:
      return evExcel2;
    case rtBOF3:
      return evExcel3;
    case rtBOF4:
      return evExcel4;
    case rtBOF:
      return evExcel5;
    default:
      return evUnknown;
  }
}

// Horizontal alignment 0-7 as a cell aligns: right (3, 7), centre (2, 6), else left.
TAlignment CellAlignment(Byte horizontal) {
  if ((horizontal & 3) == 3) return taRightJustify;
  return horizontal & 2 ? taCenter : taLeftJustify;
}

// A bare line feed becomes CR LF; one that already follows a carriage return stays as it is.
WideString WithCrLf(WideString text) {
  if (text.find(u'\n') == WideString::npos) return text;
  WideString out;
  out.reserve(text.size() + text.size() / 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) out += u'\r';
    out += text[i];
  }
  return out;
}

// Row, first column, an entry per cell (its cell format first, entrySize bytes in all),
// the last column: the number of entries, checked against the two columns.
std::size_t MultipleCellCount(const TBIFFData& data, std::size_t entrySize) {
  if (data.Size() < 6 + entrySize || (data.Size() - 6) % entrySize != 0) data.Damaged();
  const std::size_t count = (data.Size() - 6) / entrySize;
  if (data.U16(data.Size() - 2) != data.U16(2) + count - 1) data.Damaged();
  return count;
}

// A read-only stream over a stream of a compound file.
class TCompoundStreamAdapter final : public TStream {
 public:
  explicit TCompoundStreamAdapter(TCompoundStream stream) : fStream(std::move(stream)) {}

  Int64 Read(void* buffer, Int64 count) override {
    return count > 0 ? static_cast<Int64>(fStream.Read(buffer, static_cast<std::size_t>(count))) : 0;
  }
  Int64 Write(const void*, Int64) override { return 0; }
  Int64 Seek(Int64 offset, TSeekOrigin origin) override {
    const Int64 base = origin == soCurrent ? static_cast<Int64>(fStream.Position())
                       : origin == soEnd   ? static_cast<Int64>(fStream.Size())
                                           : 0;
    const Int64 target = base + offset;
    if (target < 0) return -1;
    fStream.SetPosition(static_cast<UInt64>(target));
    return target;
  }
  Int64 Size() override { return static_cast<Int64>(fStream.Size()); }
  void SetSize(Int64) override { throw EStreamError("A workbook stream cannot be changed"); }

 private:
  TCompoundStream fStream;
};

// What a compound workbook holds at its root.
struct TWorkbookParts {
  std::optional<WideString> Book;          // the name of the workbook stream
  std::optional<WideString> MacroStorage;  // "_VBA_PROJECT_CUR"
};

TWorkbookParts FindWorkbookParts(const TCompoundStorage& root) {
  TWorkbookParts parts;
  for (const TCompoundElement& element : root.Elements()) {
    const WideString name = WideUpperCase(element.Name);
    if (element.Type == TCompoundElementType::Stream) {
      if (name == u"WORKBOOK" || (name == u"BOOK" && !parts.Book)) parts.Book = element.Name;
    } else if (name == u"_VBA_PROJECT_CUR") {
      parts.MacroStorage = element.Name;
    }
  }
  return parts;
}

}  // namespace

// Reads one workbook: the records of its workbook stream (or plain file) into the events
// of its reader, with everything the records build up on the way (formats, strings, the
// sheet list), which lives as long as the load.
class TXLSWorkbookReader {
 public:
  TXLSWorkbookReader(TMSExcel& owner, TStream& stream, bool compound);

  // Excel 2 to 4: every cell goes to sheet -1.
  void ReadPlain();
  // Excel 5 and later: sheet by sheet.
  void ReadCompound();

 private:
  struct TSheetEntry {
    WideString Name;
    Cardinal Offset = 0;
  };
  // Where a cell is and how it is formatted.
  struct TCellHead {
    Integer Row = 0;
    Integer Column = 0;
    Integer FormatIndex = 0;   // reported with the cell
    Integer NumberFormat = 0;  // decides whether a number is a date or a percentage
    TAlignment Alignment = taLeftJustify;
  };

  // The workbook stream's first record, the globals' BOF, gives the version.
  void ReadCompoundVersion();
  // The next record. A stream that cuts a record short goes to the error handler; a
  // handler that lets the load go on ends the read there, as nothing after it can be found.
  bool NextRecord();
  void Interpret();
  void Dispatch(const TBIFFData& data);
  // Runs action; an error it raises goes to OnErrorProcess with Abort preset as given, and
  // is raised again when Abort ends true.
  template <class Action>
  void Guarded(bool abortPreset, Action&& action);
  void Progress() { fOwner.ReportProgress(fRecords->Position(), fRecords->Size()); }

  // Sub-streams.
  void BeginSubstream(const TBIFFData& data);
  void EndSubstream();
  void SkipSheet();
  WideString SheetCaption(Integer index) const;
  bool LastSheet() const { return SheetIndex() + 1 >= static_cast<Integer>(fSheetList.size()); }
  Integer& SheetIndex() const { return fOwner.fSheetIndex; }

  // Cells.
  // Row, column and format of a cell record: three attribute bytes in the layout of
  // Excel 2, the index of a cell format otherwise.
  TCellHead CellHead(const TBIFFData& data, bool biff2Layout) const;
  // A cell with the cell format of that index.
  TCellHead FormattedCell(Integer row, Integer column, Integer formatIndex) const;
  void Emit(const TCellHead& head, const Variant& value, TSMICellType type);
  void EmitNumber(const TCellHead& head, double value);
  void EmitText(const TCellHead& head, WideString text) { Emit(head, WithCrLf(std::move(text)), ictString); }
  void ReadMulRK(const TBIFFData& data);
  void ReadMulBlank(const TBIFFData& data);
  void ReadBoolErr(const TBIFFData& data, bool biff2);
  void ReadFormula(const TBIFFData& data);
  std::optional<WideString> ReadFormulaString();
  // The shared-formula record that follows a shared formula's cell, when it does.
  void ReadSharedFormula();

  // Workbook records.
  void ReadFormat(const TBIFFData& data);
  void ReadCellFormat(const TBIFFData& data);
  void ReadBoundSheet(const TBIFFData& data);
  void ReadSharedStringTable(const TBIFFData& data);
  void ReadDimensions(const TBIFFData& data);
  void ReadColumnWidths(Integer first, Integer last, Integer width);
  [[noreturn]] void ReadFilePass();
  void ReportPlainDimensions();

  TMSExcel& fOwner;
  std::unique_ptr<TBIFFRecordReader> fRecords;
  bool fCompound;
  TExcelVersion& fVersion;
  TBIFFTextEncoding fEncoding;
  TXLSNumberFormats& fFormats;
  Word fNextPlainFormat = 0;  // Excel 2 to 4 number their formats in file order
  std::vector<TXLSFormat>& fCellFormats;
  std::vector<TSheetEntry> fSheetList;
  // Ready to store: line ends converted, each text shared by the cells that show it.
  std::vector<Variant> fSharedStrings;
  double fDateOffset = 0;
  Integer fLargestRow = -1;
  Integer fLargestColumn = -1;
  std::optional<std::pair<Integer, Integer>> fDimensions;  // last row and column + 1
  int fDepth = 0;          // sub-streams open (a chart inside a sheet makes it 2)
  bool fSkipping = false;  // a sub-stream of a kind that is not read
  bool fStop = false;
  // An error reported by an inner Guarded that ended the load: the outer ones only pass
  // it on.
  bool fErrorReported = false;
};

TXLSWorkbookReader::TXLSWorkbookReader(TMSExcel& owner, TStream& stream, bool compound)
    : fOwner(owner),
      // Plain files have no length limit of their own; the buffer is the limit. A compound
      // one's limit follows its version.
      fRecords(std::make_unique<TBIFFRecordReader>(stream, compound ? kBIFF8MaxData : sizeof(TByteArray))),
      fCompound(compound),
      fVersion(owner.fVersion),
      fEncoding(false, CP_WIN1251),
      fFormats(owner.fNumberFormats),
      fCellFormats(owner.fCellFormats) {
  fVersion = evUnknown;
}

template <class Action>
void TXLSWorkbookReader::Guarded(bool abortPreset, Action&& action) {
  try {
    action();
  } catch (const Exception& error) {
    if (fErrorReported) throw;
    bool abort = abortPreset;
    if (fOwner.OnErrorProcess) fOwner.OnErrorProcess(&fOwner, error, abort);
    fErrorReported = abort;
    if (abort) throw;
  }
}

void TXLSWorkbookReader::ReadPlain() {
  try {
    if (fRecords->Next()) fVersion = VersionOfBOF(fRecords->Header().RecordId);
  } catch (const EXLSError&) {
    // Not even one whole record.
  }
  if (fVersion == evUnknown) throw Exception("File is not an Excel file");
  fRecords->Seek(0);
  while (NextRecord()) {
    Progress();
    if (!fRecords->Skipped()) Interpret();
  }
  ReportPlainDimensions();
}

void TXLSWorkbookReader::ReportPlainDimensions() {
  const bool covered =
      fDimensions && fDimensions->first >= fLargestRow + 1 && fDimensions->second >= fLargestColumn + 1;
  if (!covered && fOwner.OnDimensions)
    fOwner.OnDimensions(&fOwner, SheetIndex(), 0, fLargestRow + 1, 0, fLargestColumn + 1);
}

void TXLSWorkbookReader::ReadCompoundVersion() {
  if (!fRecords->Next() || fRecords->Header().RecordId != rtBOF) throw Exception("File is not valid Excel Workbook");
  // Excel 97 and later write 0600; Excel 5 and 95 0500.
  fVersion = fRecords->Data().U16(0) >= 0x0600 ? evExcel8 : evExcel7;
  fRecords->SetMaxDataLength(fVersion >= evExcel8 ? kBIFF8MaxData : kBIFF5MaxData);
  fEncoding.SetUnicode(fVersion >= evExcel8);
  fRecords->Seek(0);
}

void TXLSWorkbookReader::ReadCompound() {
  ReadCompoundVersion();
  while (!fStop && NextRecord()) {
    Progress();
    if (!fRecords->Skipped()) Interpret();
  }
}

bool TXLSWorkbookReader::NextRecord() {
  bool read = false;
  Guarded(true, [&] { read = fRecords->Next(); });
  return read;
}

void TXLSWorkbookReader::Interpret() {
  Guarded(!CostsNoCell(fRecords->Header().RecordId), [&] {
    if (fOwner.OnRecord) fOwner.OnRecord(&fOwner, fRecords->Header(), fRecords->Buffer());
    const TBIFFData data = fRecords->Data();
    const Word id = data.RecordId();
    if (fCompound && IsBOF(id)) return BeginSubstream(data);
    if (fCompound && id == rtEOF) return EndSubstream();
    if (!fCompound && IsBOF(id)) {
      // A later BOF of a plain file (a sheet of a workbook of Excel 4) is not an error.
      fVersion = VersionOfBOF(id);
      return;
    }
    // A sub-stream inside a sheet (a chart) holds nothing of the sheet's own.
    if (!fSkipping && fDepth <= 1) Dispatch(data);
  });
}

// ---- sub-streams ------------------------------------------------------------------------

void TXLSWorkbookReader::BeginSubstream(const TBIFFData& data) {
  // A chart or another sub-stream inside a sheet belongs to that sheet.
  if (fDepth++ > 0) return;
  const Word type = data.U16(2);
  if (type == kWorkbookGlobals) return;
  if (type != kWorksheet && type != kChart && type != kMacroSheet) {
    fSkipping = true;
    return;
  }
  ++SheetIndex();
  fSkipping = false;
  bool skip = false;
  if (fOwner.OnSheet) fOwner.OnSheet(&fOwner, SheetCaption(SheetIndex()), SheetIndex(), skip);
  if (skip) SkipSheet();
}

void TXLSWorkbookReader::SkipSheet() {
  if (LastSheet()) {
    fStop = true;
    return;
  }
  const Int64 next = fSheetList[static_cast<std::size_t>(SheetIndex()) + 1].Offset;
  // Only forward: an offset back into what was read would read it again and again.
  if (next <= fRecords->RecordPosition()) RaiseDamagedRecord(rtBoundSheet);
  fRecords->Seek(next);
  fDepth = 0;
}

void TXLSWorkbookReader::EndSubstream() {
  if (fDepth > 0) --fDepth;
  if (fDepth == 0 && SheetIndex() >= 0 && LastSheet()) fStop = true;
}

WideString TXLSWorkbookReader::SheetCaption(Integer index) const {
  if (index < static_cast<Integer>(fSheetList.size())) return fSheetList[static_cast<std::size_t>(index)].Name;
  return u"Sheet" + Utf8Decode(std::to_string(index + 1));
}

// ---- records ----------------------------------------------------------------------------

void TXLSWorkbookReader::Dispatch(const TBIFFData& data) {
  const bool loadBlanks = fOwner.LoadNULLs();
  switch (data.RecordId()) {
    case rtBlank2:
    case rtBlank:
      if (loadBlanks) Emit(CellHead(data, data.RecordId() == rtBlank2), Unassigned(), ictEmpty);
      break;
    case rtInteger2:
      Emit(CellHead(data, true), Variant(static_cast<Integer>(data.U16(7))), ictInteger);
      break;
    case rtNumber2:
      EmitNumber(CellHead(data, true), data.F64(7));
      break;
    case rtNumber:
      EmitNumber(CellHead(data, false), data.F64(6));
      break;
    case rtRK2:
    case rtRK:
      EmitNumber(CellHead(data, false), DecodeRK(data.U32(6)));
      break;
    case rtMulRK:
      ReadMulRK(data);
      break;
    case rtMulBlank:
      if (loadBlanks) ReadMulBlank(data);
      break;
    case rtLabel2: {
      const TCellHead head = CellHead(data, true);
      std::size_t offset = 7;
      EmitText(head, ReadRecordString(data, offset, false, fEncoding));
      break;
    }
    case rtLabel:
    case rtRString: {  // the formatting runs after the text are not needed
      const TCellHead head = CellHead(data, false);
      std::size_t offset = 6;
      EmitText(head, ReadRecordString(data, offset, true, fEncoding));
      break;
    }
    case rtLabelSST: {
      const TCellHead head = CellHead(data, false);
      const Cardinal index = data.U32(6);
      if (index >= fSharedStrings.size()) data.Damaged();
      Emit(head, fSharedStrings[index], ictString);
      break;
    }
    case rtBoolErr2:
    case rtBoolErr:
      ReadBoolErr(data, data.RecordId() == rtBoolErr2);
      break;
    case rtFormula:
    case rtFormula3:
    case rtFormula4:
      ReadFormula(data);
      break;
    case rtFormat23:
    case rtFormat:
      ReadFormat(data);
      break;
    case rtXF2:
      // The identifier means nothing else in later files, which are not read as Excel 2.
      if (fVersion == evExcel2) ReadCellFormat(data);
      break;
    case rtXF3:
    case rtXF4:
    case rtXF:
      ReadCellFormat(data);
      break;
    case rtDateMode:
      fDateOffset = data.U16(0) == 1 ? 1462 : 0;
      break;
    case rtCodePage:
      // BIFF8 text is Unicode whatever code page the record names (1200 as a rule).
      if (!fEncoding.Unicode()) fEncoding.SetCodePage(CodePageFromRecord(data.U16(0)));
      break;
    case rtColWidth:
      ReadColumnWidths(data.U8(0), data.U8(1), data.U8(3));
      break;
    case rtColInfo:
      ReadColumnWidths(data.U16(0), data.U16(2), data.U16(4));
      break;
    case rtRow:
      if (fOwner.OnRowHeight) fOwner.OnRowHeight(&fOwner, SheetIndex(), data.U16(0), data.U16(6));
      break;
    case rtDimensions:
      ReadDimensions(data);
      break;
    case rtFilePass:
      ReadFilePass();
      break;
    case rtBoundSheet:
      ReadBoundSheet(data);
      break;
    case rtSST:
      ReadSharedStringTable(data);
      break;
    case rtExcel9:
      fVersion = evExcel9;
      break;
    case rtFont:
    case rtFont3:
      fOwner.fFonts.push_back(ReadFontRecord(data, fVersion == evExcel2, fEncoding));
      break;
    case rtName:
    case rtName3:
      fOwner.fNames.push_back(ReadNameRecord(data, fVersion == evExcel2, fEncoding));
      break;
    default:
      // Everything else (pictures, drawing and object records, ...) is not needed.
      break;
  }
}

TXLSWorkbookReader::TCellHead TXLSWorkbookReader::CellHead(const TBIFFData& data, bool biff2Layout) const {
  if (!biff2Layout) return FormattedCell(data.U16(0), data.U16(2), data.U16(4));
  // The cell format, the number format and the alignment.
  const auto attributes = data.Slice(4, 3);
  TCellHead head;
  head.Row = data.U16(0);
  head.Column = data.U16(2);
  head.FormatIndex = attributes[0] & 0x3F;
  head.NumberFormat = attributes[1] & 0x3F;
  head.Alignment = CellAlignment(attributes[2] & 0x07);
  return head;
}

TXLSWorkbookReader::TCellHead TXLSWorkbookReader::FormattedCell(Integer row, Integer column,
                                                                Integer formatIndex) const {
  TCellHead head;
  head.Row = row;
  head.Column = column;
  head.FormatIndex = formatIndex;
  if (static_cast<std::size_t>(formatIndex) < fCellFormats.size()) {
    const TXLSFormat& format = fCellFormats[static_cast<std::size_t>(formatIndex)];
    head.NumberFormat = format.NumberFormat;
    head.Alignment = CellAlignment(format.Alignment);
  } else {
    head.NumberFormat = formatIndex;
  }
  return head;
}

void TXLSWorkbookReader::Emit(const TCellHead& head, const Variant& value, TSMICellType type) {
  if (fOwner.StoresReportedCells())
    fOwner.StoreCellValue(SheetIndex(), head.Row, head.Column, head.FormatIndex, value, head.Alignment, type);
  else if (fOwner.OnCellValue)
    fOwner.OnCellValue(&fOwner, SheetIndex(), head.Row, head.Column, head.FormatIndex, value, head.Alignment,
                       type);
  else
    return;
  fLargestRow = std::max(fLargestRow, head.Row);
  fLargestColumn = std::max(fLargestColumn, head.Column);
}

void TXLSWorkbookReader::EmitNumber(const TCellHead& head, double value) {
  const TXLSNumberFormats::TKind kind = fFormats.Kind(head.NumberFormat);
  // Excel shows no date for a number outside 1900 to 9999 (nor for NaN): it stays a number.
  const double date = value + fDateOffset;
  if (kind == TXLSNumberFormats::fkDate && date >= 0 && date < kEndOfDates)
    Emit(head, VarFromDateTime(date), ictDateTime);
  else
    Emit(head, Variant(kind == TXLSNumberFormats::fkPercent ? value * 100 : value), ictDecimal);
}

void TXLSWorkbookReader::ReadMulRK(const TBIFFData& data) {
  const std::size_t count = MultipleCellCount(data, 6);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = 4 + 6 * i;
    EmitNumber(FormattedCell(data.U16(0), data.U16(2) + static_cast<Integer>(i), data.U16(at)),
               DecodeRK(data.U32(at + 2)));
  }
}

void TXLSWorkbookReader::ReadMulBlank(const TBIFFData& data) {
  const std::size_t count = MultipleCellCount(data, 2);
  for (std::size_t i = 0; i < count; ++i)
    Emit(FormattedCell(data.U16(0), data.U16(2) + static_cast<Integer>(i), data.U16(4 + 2 * i)), Unassigned(),
         ictEmpty);
}

void TXLSWorkbookReader::ReadBoolErr(const TBIFFData& data, bool biff2) {
  // The value, then the flag: 0 a Boolean, 1 an error code. Excel 2 keeps them after its
  // three attribute bytes.
  const std::size_t at = biff2 ? 7 : 6;
  const TCellHead head = CellHead(data, biff2);
  const Byte value = data.U8(at);
  if (data.U8(at + 1) == 0)
    Emit(head, Variant(value != 0), ictBoolean);
  else
    Emit(head, Utf8Decode(ErrorCodeText(value)), ictUnknown);
}

void TXLSWorkbookReader::ReadFormula(const TBIFFData& data) {
  const bool biff2 = data.RecordId() == rtFormula && fVersion <= evExcel3;
  const TCellHead head = CellHead(data, biff2);
  // Bit 3 of the options: the formula is one that a block of cells shares, stored in the
  // record after the first of them.
  const bool shared = !biff2 && data.Size() >= 16 && (data.U16(14) & 0x0008) != 0;
  const auto result = data.Slice(biff2 ? 7 : 6, 8);
  if (result[6] != 0xFF || result[7] != 0xFF) {
    EmitNumber(head, data.F64(biff2 ? 7 : 6));
    if (shared) ReadSharedFormula();
    return;
  }
  // Reading the records after this one ends data's life: the result's fields are kept.
  const Byte kind = result[0], value = result[2];
  switch (kind) {
    case 0:  // a text, in the STRING record that follows (after the shared formula)
      if (shared) ReadSharedFormula();
      if (const auto text = ReadFormulaString()) EmitText(head, *text);
      return;
    case 1:
      Emit(head, Variant(value != 0), ictBoolean);
      break;
    case 2:
      Emit(head, Utf8Decode(ErrorCodeText(value)), ictUnknown);
      break;
    case 3:  // an empty text, with no STRING record
      EmitText(head, WideString());
      break;
    default:
      break;
  }
  if (shared) ReadSharedFormula();
}

void TXLSWorkbookReader::ReadSharedFormula() {
  if (!fRecords->Next()) return;
  const Word id = fRecords->Header().RecordId;
  if ((id != rtSharedFormula && id != rtSharedFormula4) || fRecords->Skipped()) {
    fRecords->Unread();
    return;
  }
  // Its damage costs the cell nothing.
  Guarded(false,
          [&] { fOwner.fSharedFormulas.push_back(ReadSharedFormulaRecord(fRecords->Data(), SheetIndex())); });
}

std::optional<WideString> TXLSWorkbookReader::ReadFormulaString() {
  while (fRecords->Next()) {
    const Word id = fRecords->Header().RecordId;
    // Records of shared, array and table formulas may stand between.
    if (id == rtSharedFormula || id == rtSharedFormula4 || id == rtArray || id == rtTable) continue;
    if ((id != rtString && id != rtString2) || fRecords->Skipped()) {
      // Not the text: the record is read again as the next one.
      fRecords->Unread();
      return std::nullopt;
    }
    const TBIFFContinuedRecord record(*fRecords, 0);
    TBIFFTextReader text(record.Segments(), ContinueNotFoundMessage);
    return text.String(id == rtString, fEncoding);
  }
  return std::nullopt;
}

void TXLSWorkbookReader::ReadFormat(const TBIFFData& data) {
  // Excel 2 to 4 number their formats in the order of the records.
  const bool plain = fVersion <= evExcel4;
  const Word index = plain ? fNextPlainFormat++ : data.U16(0);
  const std::size_t offset = plain ? (data.RecordId() == rtFormat ? 2 : 0) : 2;
  // A text shorter than its count keeps what it holds: "h:mm" promising more is still a time.
  const TRecordText format = ReadRecordTextHeld(data, offset, !plain && fEncoding.Unicode(), fEncoding);
  fFormats.Register(index, format.Text);
  if (!format.Whole) data.Damaged();
}

void TXLSWorkbookReader::ReadCellFormat(const TBIFFData& data) {
  // Cell formats are numbered in file order: a damaged one keeps its place as General.
  fCellFormats.emplace_back();
  TXLSFormat format;
  switch (data.RecordId()) {
    case rtXF:
      format.Font = data.U16(0);
      format.NumberFormat = data.U16(2);
      format.Alignment = data.U8(6) & 0x07;
      break;
    case rtXF2:
      format.Font = data.U8(0);
      format.NumberFormat = data.U8(2) & 0x3F;
      break;
    default:
      // Excel 3 and 4: a one-byte number format after the font, the alignment at byte 4.
      format.Font = data.U8(0);
      format.NumberFormat = data.U8(1);
      format.Alignment = data.U8(4) & 0x07;
  }
  format.IsDate = fFormats.Kind(format.NumberFormat) == TXLSNumberFormats::fkDate;
  fCellFormats.back() = std::move(format);
}

void TXLSWorkbookReader::ReadBoundSheet(const TBIFFData& data) {
  const Cardinal offset = data.U32(0);
  // The sheet's BOF lies after this record and inside the stream.
  if (offset <= fRecords->RecordPosition() || offset >= fRecords->Size()) data.Damaged();
  std::size_t at = 6;
  fSheetList.push_back({ReadRecordString(data, at, false, fEncoding), offset});
}

void TXLSWorkbookReader::ReadSharedStringTable(const TBIFFData& data) {
  const Cardinal count = data.U32(4);
  const TBIFFContinuedRecord record(*fRecords, 8);
  TBIFFTextReader reader(record.Segments(), ContinueNotFoundMessage);
  fSharedStrings.clear();
  // Every string takes three bytes at least: the count the file declares is believed only
  // as far as the records can hold it.
  fSharedStrings.reserve(std::min<std::size_t>(count, reader.Remaining() / 3));
  ReadSharedStrings(reader, count, [&](WideString text) { fSharedStrings.emplace_back(WithCrLf(std::move(text))); });
}

void TXLSWorkbookReader::ReadDimensions(const TBIFFData& data) {
  Integer firstRow = 0, lastRow, firstColumn = 0, lastColumn;
  if (fVersion >= evExcel8) {
    firstRow = static_cast<Integer>(std::min<Cardinal>(data.U32(0), SpreadSheetMaxRows));
    lastRow = static_cast<Integer>(std::min<Cardinal>(data.U32(4), SpreadSheetMaxRows));
    firstColumn = data.U16(8);
    lastColumn = data.U16(10);
  } else {
    // The row and column after the last used ones, as in Excel 8.
    lastRow = data.U16(2);
    lastColumn = data.U16(6);
  }
  fDimensions = {lastRow, lastColumn};
  if (fOwner.OnDimensions) fOwner.OnDimensions(&fOwner, SheetIndex(), firstRow, lastRow, firstColumn, lastColumn);
}

void TXLSWorkbookReader::ReadColumnWidths(Integer first, Integer last, Integer width) {
  if (!fOwner.OnColumnWidth) return;
  // Writers mark the rest of a sheet with the last column 256 (or more): no such columns.
  for (Integer column = first; column <= std::min(last, SpreadSheetMaxColumns - 1); ++column)
    fOwner.OnColumnWidth(&fOwner, SheetIndex(), column, width);
}

void TXLSWorkbookReader::ReadFilePass() {
  fOwner.fEncrypted = true;
  // What follows is encrypted: nothing more is read, whatever the error handler says.
  fStop = true;
  if (fOwner.OnPassword) {
    // Asked once: no password could open the workbook anyway.
    AnsiString password = fOwner.Password();
    bool continueAsking = true;
    fOwner.OnPassword(&fOwner, password, continueAsking);
  }
  throw Exception("Could not read the password protected file");
}

// ---- the readers ------------------------------------------------------------------------

void TCustomMSExcel::PrepareLoad() {
  TSpreadSheetFile::PrepareLoad();
  fSummaryInformation->Clear();
  fModules.Clear();
  fMacroListing.clear();
  fProjectText.clear();
  fCellFormats.clear();
  fNumberFormats.Clear();
  fNumberFormats.RegisterBuiltIn();
  fSheetIndex = -1;
}

void TMSExcel::PrepareLoad() {
  TCustomMSExcel::PrepareLoad();
  fEncrypted = false;
  fFonts.clear();
  fNames.clear();
  fSharedFormulas.clear();
  fSharedObjects.clear();
  fObjectsInSheet.clear();
}

const TXLSFont* TMSExcel::FontOf(const TXLSFormat& format) const {
  Integer position = format.Font;
  // The files of every version number no font 4: the fifth FONT record is font 5.
  if (position >= 4) {
    if (position == 4) return nullptr;
    --position;
  }
  if (position < 0 || static_cast<std::size_t>(position) >= fFonts.size()) return nullptr;
  return &fFonts[static_cast<std::size_t>(position)];
}

void TMSExcel::LoadFromFile(const AnsiString& fileName) {
  TCustomMSExcel::LoadFromFile(fileName);
  const std::string systemName = FileNameToSystem(FileName());
  if (TCompoundFile::IsCompoundFile(systemName)) {
    ReadCompoundFile(TCompoundFile::OpenFile(systemName));
  } else {
    TFileStream stream(FileName(), fmOpenRead | fmShareDenyWrite);
    TXLSWorkbookReader(*this, stream, false).ReadPlain();
  }
}

void TMSExcel::LoadFromStream(TStream* stream) {
  TCustomMSExcel::LoadFromStream(stream);
  std::vector<Byte> bytes(static_cast<std::size_t>(std::max<Int64>(stream->Size(), 0)));
  stream->SetPosition(0);
  stream->ReadBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  ReadCompoundFile(TCompoundFile::OpenMemory(std::move(bytes)));
}

void TMSExcel::ReadCompoundFile(const TCompoundFile& file) {
  const TCompoundStorage root = file.Root();
  const TWorkbookParts parts = FindWorkbookParts(root);
  ReadSummaryInformation(root);
  const WideString book = parts.Book.value_or(u"Workbook");
  std::optional<TCompoundStream> stream;
  try {
    stream = root.OpenStream(book);
  } catch (const EFOpenError&) {
    throw Exception("File is not valid Excel Workbook");
  }
  TCompoundStreamAdapter workbook(*stream);
  TXLSWorkbookReader(*this, workbook, true).ReadCompound();
  if (ParseVBA() && parts.MacroStorage) ListMacros(root.OpenStorage(*parts.MacroStorage));
}

void TMSExcel::ReadSummaryInformation(const TCompoundStorage& root) {
  // The summary is not the workbook: its damage is reported, and the cells are read.
  try {
    SummaryInformation()->ReadFromStorage(root);
  } catch (const Exception& error) {
    SummaryInformation()->Clear();
    bool abort = false;
    if (OnErrorProcess) OnErrorProcess(this, error, abort);
    if (abort) throw;
  }
}

void TCustomMSExcel::ListMacros(const TCompoundStorage& storage) {
  ReadVBAProject(storage, fModules, fProjectText);
  ReadVBASources(storage, fModules);
  AnsiString listing;
  for (int i = 0; i < fModules.Count(); ++i) {
    const TVBAProjectItem* module = fModules.Items(i);
    if (module->Source.empty()) continue;
    if (!listing.empty()) listing += "\r\n";
    listing += "'===================================\r\n'  Macro(s) from " + WideToAnsi(module->ModuleName) + "\r\n" +
               module->Source;
  }
  fMacroListing = listing;
}

void TMSExcelX::LoadFromFile(const AnsiString& fileName) {
  TCustomMSExcel::LoadFromFile(fileName);
  const AnsiString extension = AnsiUpperCase(ExtractFileExt(FileName()));
  fVersion = extension == ".XLSB" || extension == ".XLTB" || extension == ".XLAB" ? evExcel12Bin : evExcel12;
  TFileStream stream(FileName(), fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

}  // namespace ordvane
