// The grid's clipboard actions. A copy reads the cells the selection covers, walking the
// records with the dataset's controls disabled and coming back to the record it started
// on; a paste writes one clipboard row per record, posting each, so a value a field
// refuses cancels only its own record.

#include "gridoutput/DBGridEhImpExp.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string>

#include "classlib/core/CodePages.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/ScopeEnd.h"
#include "classlib/ui/Clipbrd.h"
#include "classlib/ui/Dialogs.h"
#include "gridbase/FieldValuesEh.h"

namespace ordvane {

namespace {

// ---- Reading the selection --------------------------------------------------------------

std::vector<TColumnEh*> SelectedColumnsInOrder(TCustomDBGridEh& grid) {
  std::vector<TColumnEh*> columns;
  TDBGridEhSelection& selection = grid.Selection();
  if (selection.SelectionType() == gstRectangle) {
    const int first = std::min(selection.Rect().AnchorCol(), selection.Rect().ShiftCol());
    const int last = std::max(selection.Rect().AnchorCol(), selection.Rect().ShiftCol());
    for (int i = std::max(first, 0); i <= last && i < grid.Columns().Count(); ++i)
      if (grid.Columns().Items(i)->Visible()) columns.push_back(grid.Columns().Items(i));
  } else if (selection.SelectionType() == gstColumns) {
    for (int i = 0; i < selection.Columns().Count(); ++i) columns.push_back(selection.Columns().Items(i));
    std::sort(columns.begin(), columns.end(), [](TColumnEh* a, TColumnEh* b) { return a->Index() < b->Index(); });
  } else {
    for (int i = 0; i < grid.VisibleColumns().Count(); ++i) columns.push_back(grid.VisibleColumns().Items(i));
  }
  return columns;
}

// The records the selection covers, in dataset order, collected before any of them
// changes: a posted change that moves a record (out of a filter, or elsewhere in the
// order) or a deleted record that stays shown would make a walk skip, repeat or never end.
std::vector<TBookmarkStr> SelectedRecords(TCustomDBGridEh& grid, TDataSet& dataSet) {
  TDBGridEhSelection& selection = grid.Selection();
  std::vector<TBookmarkStr> rows;
  switch (selection.SelectionType()) {
    case gstRecordBookmarks:
      for (int i = 0; i < grid.SelectedRows().GetCount(); ++i) rows.push_back(grid.SelectedRows().GetItem(i));
      std::sort(rows.begin(), rows.end(), [&dataSet](const TBookmarkStr& a, const TBookmarkStr& b) {
        return dataSet.CompareBookmarks(a, b) < 0;
      });
      break;
    case gstRectangle: {
      TBookmarkStr first = selection.Rect().AnchorBookmark();
      TBookmarkStr last = selection.Rect().ShiftBookmark();
      // A corner whose record went leaves nothing to walk.
      if (!dataSet.BookmarkValid(first) || !dataSet.BookmarkValid(last)) break;
      if (dataSet.CompareBookmarks(first, last) > 0) std::swap(first, last);
      for (dataSet.SetBookmark(first); !dataSet.Eof(); dataSet.Next()) {
        rows.push_back(dataSet.Bookmark());
        if (dataSet.CompareBookmarks(rows.back(), last) >= 0) break;
      }
      break;
    }
    case gstColumns:
    case gstAll:
      for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) rows.push_back(dataSet.Bookmark());
      break;
    case gstNon:
      break;
  }
  return rows;
}

// Calls `visit` once on every record the selection covers, in dataset order, with the
// dataset's controls disabled, and returns to the record it started on.
void ForEachSelectedRecord(TCustomDBGridEh& grid, const std::function<void()>& visit) {
  TDataSet* dataSet = GridDataSetEh(grid);
  const TBookmarkStr start = dataSet->Bookmark();
  const TControlsDisabledScopeEh disabled(*dataSet);
  // A record the visit moved out of a filter cannot be come back to: the dataset stays.
  const auto comeBack = [dataSet, &start] {
    if (start.empty() || !dataSet->BookmarkValid(start)) return;
    try {
      dataSet->SetBookmark(start);
    } catch (const EDatabaseError&) {
    }
  };
  const TScopeEnd<decltype(comeBack)> cameBack(comeBack);
  for (const TBookmarkStr& row : SelectedRecords(grid, *dataSet)) {
    if (!dataSet->BookmarkValid(row)) continue;
    dataSet->SetBookmark(row);
    visit();
  }
}

// ---- Text forms -------------------------------------------------------------------------

bool NeedsCsvQuotes(const AnsiString& text, char separator) {
  return text.find_first_of(std::string{separator, '"', '\r', '\n'}) != AnsiString::npos;
}

AnsiString CsvField(const AnsiString& text, char separator) {
  if (!NeedsCsvQuotes(text, separator)) return text;
  AnsiString quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

AnsiString RtfText(const AnsiString& text) {
  AnsiString out;
  const WideString wide = AnsiToWide(text);
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const char16_t c = wide[i];
    if (c == u'\\' || c == u'{' || c == u'}') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == u'\r') {
      if (i + 1 < wide.size() && wide[i + 1] == u'\n') ++i;
      out += "\\line ";
    } else if (c == u'\n') {
      out += "\\line ";
    } else if (c == u'\t') {
      out += "\\tab ";
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      // RTF writes a UTF-16 unit as a signed 16-bit number, with '?' for readers without it.
      out += "\\u" + std::to_string(static_cast<std::int16_t>(c)) + "?";
    }
  }
  return out;
}

// Splits clipboard text into rows (CR LF or LF) and cells (tab); a final line break ends
// the last row rather than starting an empty one.
std::vector<std::vector<AnsiString>> SplitText(const AnsiString& text) {
  std::vector<std::vector<AnsiString>> rows;
  std::vector<AnsiString> row{AnsiString()};
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\t') {
      row.emplace_back();
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      rows.push_back(std::move(row));
      row = {AnsiString()};
    } else {
      row.back() += c;
    }
  }
  if (row.size() > 1 || !row.back().empty()) rows.push_back(std::move(row));
  return rows;
}

// ---- VCLDBIF ------------------------------------------------------------------------------

constexpr char kSignature[8] = {'V', 'C', 'L', 'D', 'B', 'I', 'F', '\0'};
constexpr std::uint16_t kVersion = 1;

enum TValueTag : Byte { vtNull, vtText, vtInt64, vtDouble, vtCurrency, vtDateTime, vtBoolean };

class TBlockWriter {
 public:
  template <class T>
  void Put(T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i)
      fData += static_cast<char>((static_cast<std::uint64_t>(value) >> (8 * i)) & 0xFF);
  }
  // The number's own bits: a conversion would quiet a signalling NaN.
  void PutDouble(const Variant& value) {
    std::uint64_t bits;
    std::memcpy(&bits, value.DataPtr(), sizeof bits);
    Put(bits);
  }
  void PutText(const AnsiString& text) {
    Put(static_cast<std::uint32_t>(text.size()));
    fData += text;
  }
  void PutBytes(const char* bytes, std::size_t size) { fData.append(bytes, size); }
  const RawByteString& Data() const { return fData; }

 private:
  RawByteString fData;
};

class TBlockReader {
 public:
  explicit TBlockReader(const RawByteString& data) : fData(data) {}
  std::size_t Left() const { return fData.size() - fPos; }
  template <class T>
  T Get() {
    Need(sizeof(T), "value");
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
      value |= static_cast<std::uint64_t>(static_cast<Byte>(fData[fPos + i])) << (8 * i);
    fPos += sizeof(T);
    return static_cast<T>(value);
  }
  double GetDouble() {
    const auto bits = Get<std::uint64_t>();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  AnsiString GetText() {
    const auto size = Get<std::uint32_t>();
    Need(size, "text");
    AnsiString text = fData.substr(fPos, size);
    fPos += size;
    return text;
  }
  void Need(std::size_t size, const char* what) const {
    if (size > Left()) throw EVCLDBIFError(AnsiString("Clipboard data is cut short: ") + what + " past the end");
  }

 private:
  const RawByteString& fData;
  std::size_t fPos = 0;
};

void PutValue(TBlockWriter& out, const Variant& value) {
  const TVarType type = VarType(value) & varTypeMask;
  if (VarTypeIsInteger(type)) {
    out.Put<Byte>(vtInt64);
    return out.Put(value.AsInt64());
  }
  switch (type) {
    case varEmpty:
    case varNull:
      return out.Put<Byte>(vtNull);
    case varSingle:
      out.Put<Byte>(vtDouble);
      return out.PutDouble(Variant(value.AsDouble()));
    case varDouble:
      out.Put<Byte>(vtDouble);
      return out.PutDouble(value);
    case varCurrency:
      out.Put<Byte>(vtCurrency);
      return out.Put(value.AsCurrency().Scaled());
    case varDate:
      out.Put<Byte>(vtDateTime);
      return out.PutDouble(value);
    case varBoolean:
      out.Put<Byte>(vtBoolean);
      return out.Put<Byte>(value.AsBoolean() ? 1 : 0);
    default:
      out.Put<Byte>(vtText);
      return out.PutText(value.AsString());
  }
}

Variant GetValue(TBlockReader& in) {
  switch (in.Get<Byte>()) {
    case vtNull:
      return Null();
    case vtText:
      return in.GetText();
    case vtInt64:
      return Variant(in.Get<std::int64_t>());
    case vtDouble:
      return in.GetDouble();
    case vtCurrency:
      return Currency::FromScaled(in.Get<std::int64_t>());
    case vtDateTime:
      return VarFromDateTime(in.GetDouble());
    case vtBoolean: {
      const auto flag = in.Get<Byte>();
      if (flag > 1) throw EVCLDBIFError("Clipboard data holds a malformed Boolean value");
      return flag == 1;
    }
    default:
      throw EVCLDBIFError("Clipboard data holds an unknown value type");
  }
}

// ---- Clipboard ----------------------------------------------------------------------------

class TClipboardScope {
 public:
  TClipboardScope() { Clipboard()->Open(); }
  ~TClipboardScope() { Clipboard()->Close(); }
  TClipboardScope(const TClipboardScope&) = delete;
  TClipboardScope& operator=(const TClipboardScope&) = delete;
};

void PutFormat(UINT format, const RawByteString& data) {
  Clipboard()->SetBuffer(format, data.data(), data.size());
}

// The selection's modifiable fields set to Null, or its records deleted; no question.
void ClearSelection(TCustomDBGridEh& grid) {
  TDataSet* dataSet = GridDataSetEh(grid);
  TDBGridEhSelection& selection = grid.Selection();
  switch (selection.SelectionType()) {
    case gstRecordBookmarks:
      grid.SelectedRows().DeleteSelectedRecords();
      break;
    case gstAll:
      ForEachSelectedRecord(grid, [dataSet] { dataSet->Delete(); });
      break;
    case gstRectangle:
    case gstColumns: {
      const std::vector<TColumnEh*> columns = SelectedColumnsInOrder(grid);
      ForEachSelectedRecord(grid, [&] {
        dataSet->Edit();
        try {
          for (TColumnEh* column : columns) {
            TField* field = column->Field();
            if (field != nullptr && field->CanModify() && !column->ReadOnly()) field->Clear();
          }
          dataSet->Post();
        } catch (...) {
          dataSet->Cancel();
          throw;
        }
      });
      break;
    }
    case gstNon:
      return;
  }
  grid.Selection().Clear();
}

int PasteStartColumn(TCustomDBGridEh& grid) {
  TDBGridEhSelection& selection = grid.Selection();
  if (selection.SelectionType() == gstRectangle)
    return std::min(selection.Rect().AnchorCol(), selection.Rect().ShiftCol());
  if (selection.SelectionType() == gstColumns) {
    const std::vector<TColumnEh*> columns = SelectedColumnsInOrder(grid);
    if (!columns.empty()) return columns.front()->Index();
  }
  return grid.SelectedIndex();
}

// The current record and those after it, at most `count`, collected before any of them
// changes (see SelectedRecords); without `withCurrent` only those after it.
std::vector<TBookmarkStr> RecordsFromCurrent(TDataSet& dataSet, std::size_t count, bool withCurrent) {
  std::vector<TBookmarkStr> records;
  if (count == 0 || dataSet.IsEmpty()) return records;
  const TBookmarkStr start = dataSet.Bookmark();
  const TControlsDisabledScopeEh disabled(dataSet);
  if (!withCurrent) dataSet.Next();
  for (; !dataSet.Eof() && records.size() < count; dataSet.Next()) records.push_back(dataSet.Bookmark());
  dataSet.SetBookmark(start);
  return records;
}

// A new record for the next paste row. Past the records a paste may change it is
// appended; a paste that may change none puts its rows after one another, inserted after
// the record before (appended after the last). False when the grid allows neither.
bool StartNewPasteRecord(TCustomDBGridEh& grid, TDataSet& dataSet, bool afterExisting) {
  const TDBGridEhAllowedOperations allowed = grid.AllowedOperations();
  if (!afterExisting && allowed.Contains(alopInsertEh) && !dataSet.IsEmpty()) {
    dataSet.Next();
    if (!dataSet.Eof()) {
      dataSet.Insert();
      return true;
    }
  }
  if (!allowed.Contains(alopAppendEh)) return false;
  dataSet.Append();
  return true;
}

void PasteRow(TDataSet& dataSet, const std::vector<TColumnEh*>& targets, const std::vector<AnsiString>* texts,
              const std::vector<Variant>* values) {
  const std::size_t count = values != nullptr ? values->size() : texts->size();
  try {
    for (std::size_t i = 0; i < count && i < targets.size(); ++i) {
      TColumnEh* column = targets[i];
      TField* field = column->Field();
      if (field == nullptr || !field->CanModify() || column->ReadOnly()) continue;
      if (values != nullptr)
        field->SetValue((*values)[i]);
      else
        field->SetText((*texts)[i]);
    }
    dataSet.Post();
  } catch (...) {
    dataSet.Cancel();
    throw;
  }
}

bool StartDBGridEhImpExp() {
  DBGridEhClipboardFormat() = CF_VCLDBIF();
  GridCopyToClipboardProc() = GridCopyToClipboard;
  GridCutToClipboardProc() = GridCutToClipboard;
  GridPasteFromClipboardProc() = GridPasteFromClipboard;
  GridDeleteSelectionProc() = GridDeleteSelection;
  return true;
}

}  // namespace

// Only a lack of memory can fail the start, which nothing before main could handle either.
// NOLINTNEXTLINE(cert-err58-cpp)
extern "C" const bool ordvane_DBGridEhImpExp_started = StartDBGridEhImpExp();

UINT CF_VCLDBIF() {
  static const UINT format = RegisterClipboardFormat("VCLDBIF");
  return format;
}

UINT CF_CSV() {
  static const UINT format = RegisterClipboardFormat("Csv");
  return format;
}

UINT CF_RTF() {
  static const UINT format = RegisterClipboardFormat("Rich Text Format");
  return format;
}

TGridCopyCellsEh GridSelectionCells(TCustomDBGridEh& grid) {
  TGridCopyCellsEh cells;
  TDataSet* dataSet = GridDataSetEh(grid);
  if (dataSet == nullptr || !grid.DataLink().Active()) return cells;
  const std::vector<TColumnEh*> columns = SelectedColumnsInOrder(grid);
  for (TColumnEh* column : columns) cells.FieldNames.push_back(column->FieldName());
  ForEachSelectedRecord(grid, [&] {
    std::vector<AnsiString> texts;
    std::vector<Variant> values;
    for (TColumnEh* column : columns) {
      TField* field = column->Field();
      texts.push_back(column->GetDisplayText());
      values.push_back(field != nullptr ? ExactFieldValueEh(field) : Null());
    }
    cells.Texts.push_back(std::move(texts));
    cells.Values.push_back(std::move(values));
  });
  return cells;
}

AnsiString CellsToText(const TGridCopyCellsEh& cells) {
  AnsiString text;
  for (const auto& row : cells.Texts) {
    for (std::size_t i = 0; i < row.size(); ++i) text += (i > 0 ? "\t" : "") + row[i];
    text += "\r\n";
  }
  return text;
}

AnsiString CellsToCsv(const TGridCopyCellsEh& cells, char separator) {
  AnsiString text;
  for (const auto& row : cells.Texts) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i > 0) text += separator;
      text += CsvField(row[i], separator);
    }
    text += "\r\n";
  }
  return text;
}

AnsiString CellsToRtf(const TGridCopyCellsEh& cells) {
  constexpr int kCellTwips = 1800;
  AnsiString rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\r\n";
  for (const auto& row : cells.Texts) {
    rtf += "\\trowd";
    for (std::size_t i = 0; i < row.size(); ++i) rtf += "\\cellx" + std::to_string((i + 1) * kCellTwips);
    rtf += "\r\n";
    for (const AnsiString& cell : row) rtf += "\\intbl " + RtfText(cell) + "\\cell\r\n";
    rtf += "\\row\r\n";
  }
  return rtf + "}\r\n";
}

RawByteString WriteVCLDBIF(const TGridCopyCellsEh& cells) {
  TBlockWriter out;
  out.PutBytes(kSignature, sizeof kSignature);
  out.Put(kVersion);
  out.Put(static_cast<std::uint32_t>(cells.FieldNames.size()));
  for (const AnsiString& name : cells.FieldNames) out.PutText(name);
  // Rows without columns carry nothing a paste could use: none are written.
  const std::size_t rows = cells.FieldNames.empty() ? 0 : cells.Values.size();
  out.Put(static_cast<std::uint32_t>(rows));
  for (const auto& row : std::span(cells.Values).first(rows))
    for (std::size_t i = 0; i < cells.FieldNames.size(); ++i) PutValue(out, i < row.size() ? row[i] : Null());
  return out.Data();
}

TGridCopyCellsEh ReadVCLDBIF(const RawByteString& data) {
  TBlockReader in(data);
  in.Need(sizeof kSignature, "signature");
  if (data.compare(0, sizeof kSignature, kSignature, sizeof kSignature) != 0)
    throw EVCLDBIFError("Clipboard data is not a grid copy");
  for (std::size_t i = 0; i < sizeof kSignature; ++i) in.Get<Byte>();
  if (in.Get<std::uint16_t>() != kVersion) throw EVCLDBIFError("Clipboard data has an unknown version");
  TGridCopyCellsEh cells;
  const auto columns = in.Get<std::uint32_t>();
  // Every name takes at least its length: a count beyond the bytes left is malformed.
  in.Need(static_cast<std::size_t>(columns) * sizeof(std::uint32_t), "field names");
  for (std::uint32_t i = 0; i < columns; ++i) cells.FieldNames.push_back(in.GetText());
  const auto rows = in.Get<std::uint32_t>();
  // Every value takes at least its tag byte, and a row holds at least one value.
  if (rows > 0 && columns == 0) throw EVCLDBIFError("Clipboard data holds rows without columns");
  in.Need(static_cast<std::size_t>(rows) * columns, "values");
  for (std::uint32_t r = 0; r < rows; ++r) {
    std::vector<Variant> row;
    for (std::uint32_t c = 0; c < columns; ++c) row.push_back(GetValue(in));
    cells.Values.push_back(std::move(row));
  }
  if (in.Left() != 0) throw EVCLDBIFError("Clipboard data has bytes past its end");
  return cells;
}

void GridCopyToClipboard(TCustomDBGridEh& grid) {
  const TGridCopyCellsEh cells = GridSelectionCells(grid);
  const TClipboardScope open;
  Clipboard()->SetAsText(CellsToText(cells));
  PutFormat(CF_CSV(), CellsToCsv(cells, FormatSettings().ListSeparator));
  PutFormat(CF_RTF(), CellsToRtf(cells));
  PutFormat(CF_VCLDBIF(), WriteVCLDBIF(cells));
}

void GridCutToClipboard(TCustomDBGridEh& grid) {
  GridCopyToClipboard(grid);
  ClearSelection(grid);
}

void GridDeleteSelection(TCustomDBGridEh& grid) {
  if (grid.Selection().SelectionType() == gstNon) return;
  if (MessageDlg(Utf8ToAnsi("Очистить выделенные ячейки?"), mtConfirmation, {mbYes, mbNo}) != mrYes) return;
  ClearSelection(grid);
}

void GridPasteFromClipboard(TCustomDBGridEh& grid) {
  TDataSet* dataSet = GridDataSetEh(grid);
  if (dataSet == nullptr || !grid.DataLink().Active()) return;
  TGridCopyCellsEh cells;
  const bool asValues = Clipboard()->HasFormat(CF_VCLDBIF());
  // A malformed block is refused before anything changes.
  if (asValues)
    cells = ReadVCLDBIF(Clipboard()->GetBuffer(CF_VCLDBIF()));
  else
    cells.Texts = SplitText(Clipboard()->AsText());
  std::vector<TColumnEh*> targets;
  const int start = PasteStartColumn(grid);
  for (int i = 0; i < grid.VisibleColumns().Count(); ++i)
    if (grid.VisibleColumns().Items(i)->Index() >= start) targets.push_back(grid.VisibleColumns().Items(i));
  const std::size_t rows = asValues ? cells.Values.size() : cells.Texts.size();
  const auto paste = [&](std::size_t row) {
    PasteRow(*dataSet, targets, asValues ? nullptr : &cells.Texts[row],
             asValues ? &cells.Values[row] : nullptr);
  };
  std::size_t row = 0;
  try {
    // The record being inserted or edited takes the first row.
    // Counted once it is written, so that a failure names the row that failed.
    if (rows > 0 && (dataSet->State() == dsInsert || dataSet->State() == dsEdit)) {
      paste(row);
      ++row;
    }
    // Existing records take the next rows only when the grid allows changing them.
    const bool mayUpdate = grid.AllowedOperations().Contains(alopUpdateEh);
    const std::vector<TBookmarkStr> existing =
        mayUpdate ? RecordsFromCurrent(*dataSet, rows - row, row == 0) : std::vector<TBookmarkStr>();
    for (std::size_t next = 0; row < rows; ++row) {
      if (next < existing.size()) {
        dataSet->SetBookmark(existing[next++]);
        dataSet->Edit();
      } else if (!StartNewPasteRecord(grid, *dataSet, mayUpdate)) {
        break;
      }
      paste(row);
    }
  } catch (Exception& e) {
    e.SetMessage(e.Message() + "\nPasting stopped at clipboard row " + std::to_string(row + 1) + " of " +
                 std::to_string(rows) + "; rows written: " + std::to_string(row));
    throw;
  }
}

}  // namespace ordvane
