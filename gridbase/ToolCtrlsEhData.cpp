// The special row, the field value list, the reporting data link and the routines over
// fields and Variants.

#include <algorithm>

#include "classlib/core/CodePages.h"
#include "classlib/db/DBConsts.h"
#include "classlib/db/Fields.h"
#include "classlib/ui/Menus.h"
#include "classlib/ui/WinInput.h"
#include "gridbase/FieldValuesEh.h"
#include "gridbase/SpecRowEh.h"

namespace ordvane {

// ---- Special rows -------------------------------------------------------------------------

namespace {

bool IsControlChar(unsigned char c) {
  return c >= 1 && c <= 31;
}

// Reads text by index only, so no input can move it past the end.
class TCellsTextReader {
 public:
  // A NUL ends the text.
  explicit TCellsTextReader(std::string_view text) : fText(text.substr(0, text.find('\0'))) {}

  bool AtEnd() const { return fPos >= fText.size(); }
  void SkipControls() {
    while (!AtEnd() && IsControlChar(Peek())) ++fPos;
  }
  // Skips the ';' after a cell, with the control characters after it.
  void SkipSeparator() {
    if (!AtEnd() && Peek() == ';') {
      ++fPos;
      SkipControls();
    }
  }
  AnsiString Cell() { return Peek() == '"' ? Quoted() : Plain(); }

 private:
  unsigned char Peek() const { return static_cast<unsigned char>(fText[fPos]); }
  AnsiString Quoted() {
    AnsiString cell;
    ++fPos;
    while (!AtEnd()) {
      const char c = fText[fPos++];
      if (c != '"') {
        cell += c;
      } else if (!AtEnd() && fText[fPos] == '"') {
        cell += '"';
        ++fPos;
      } else {
        break;
      }
    }
    return cell;
  }
  AnsiString Plain() {
    const std::size_t start = fPos;
    while (!AtEnd() && Peek() != ';' && !IsControlChar(Peek())) ++fPos;
    return AnsiString(fText.substr(start, fPos - start));
  }

  std::string_view fText;
  std::size_t fPos = 0;
};

}  // namespace

std::vector<AnsiString> ParseCellsTextEh(std::string_view text) {
  std::vector<AnsiString> cells;
  TCellsTextReader reader(text);
  reader.SkipControls();
  while (!reader.AtEnd()) {
    // Every pass takes a cell, a separator or both, so the text always runs out.
    cells.push_back(reader.Cell());
    reader.SkipControls();
    reader.SkipSeparator();
  }
  return cells;
}

TSpecRowEh::TSpecRowEh(TControl* owner)
    : fOwner(owner),
      fFont(std::make_unique<TFont>()),
      fShortCut(ordvane::ShortCut(VK_DELETE, false, false, true)),
      fValue(Null()) {
  fFont->OnChange = [this](TObject* sender) { FontChanged(sender); };
}

TSpecRowEh::~TSpecRowEh() = default;

void TSpecRowEh::Changed() {
  if (fUpdateCount > 0) {
    fChangedInside = true;
    return;
  }
  if (OnChanged) OnChanged(this);
}

void TSpecRowEh::EndUpdate() {
  if (fUpdateCount == 0 || --fUpdateCount > 0) return;
  if (!fChangedInside) return;
  fChangedInside = false;
  Changed();
}

template <class T>
void TSpecRowEh::Store(T& field, const T& value) {
  if (field == value) return;
  field = value;
  Changed();
}

void TSpecRowEh::SetCellsText(const AnsiString& value) {
  if (value == fCellsText) return;
  fCellsText = value;
  fCells = ParseCellsTextEh(fCellsText);
  Changed();
}

AnsiString TSpecRowEh::GetCellText(int index) const {
  return index >= 0 && index < CellCount() ? fCells[static_cast<std::size_t>(index)] : AnsiString();
}

TColor TSpecRowEh::Color() const {
  if (fColorAssigned || fOwner == nullptr) return fColor;
  return fOwner->Color();
}

void TSpecRowEh::SetColor(TColor value) {
  const bool changed = !fColorAssigned || value != fColor;
  fColorAssigned = true;
  fColor = value;
  if (changed) Changed();
}

TFont* TSpecRowEh::Font() const {
  if (!fFontAssigned && fOwner != nullptr) {
    // Taking the owner's font is no change of our own.
    fFollowingOwnerFont = true;
    fFont->Assign(fOwner->Font());
    fFollowingOwnerFont = false;
  }
  return fFont.get();
}

void TSpecRowEh::SetFont(const TFont& value) {
  fFont->Assign(&value);
}

void TSpecRowEh::FontChanged(TObject* /*sender*/) {
  if (fFollowingOwnerFont) return;
  fFontAssigned = true;
  Changed();
}

void TSpecRowEh::SetShortCut(TShortCut value) {
  Store(fShortCut, value);
}
void TSpecRowEh::SetShowIfNotInKeyList(bool value) {
  Store(fShowIfNotInKeyList, value);
}
void TSpecRowEh::SetVisible(bool value) {
  Store(fVisible, value);
}

void TSpecRowEh::SetValue(const Variant& value) {
  if (VarEqualsEh(fValue, value) && VarType(fValue) == VarType(value)) return;
  fValue = value;
  Changed();
}

void TSpecRowEh::Assign(const TPersistent* source) {
  const auto* row = dynamic_cast<const TSpecRowEh*>(source);
  if (row == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  if (row == this) return;
  BeginUpdate();
  try {
    SetCellsText(row->CellsText());
    SetColor(row->Color());
    if (row->fFontAssigned) SetFont(*row->fFont);
    SetShortCut(row->ShortCut());
    SetShowIfNotInKeyList(row->ShowIfNotInKeyList());
    SetValue(row->Value());
    SetVisible(row->Visible());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

// ---- Data links and field values ----------------------------------------------------------

void TDataLinkEh::DataEvent(TDataEvent event, NativeInt info) {
  TDataLink::DataEvent(event, info);
  if (OnDataEvent) OnDataEvent(event, info);
}

TDatasetFieldValueListEh::TDatasetFieldValueListEh()
    : fValues(std::make_unique<TStringList>()),
      fDataSource(std::make_unique<TDataSource>(nullptr)),
      fDataLink(std::make_unique<TDataLinkEh>()) {
  fValues->SetCaseSensitive(false);
  fValues->SetDuplicates(dupIgnore);
  fValues->SetSorted(true);
  fDataLink->OnDataEvent = [this](TDataEvent event, NativeInt info) { DataEvent(event, info); };
  fDataLink->SetDataSource(fDataSource.get());
}

TDatasetFieldValueListEh::~TDatasetFieldValueListEh() = default;

void TDatasetFieldValueListEh::SetFieldName(const AnsiString& value) {
  if (value == fFieldName) return;
  fFieldName = value;
  fDirty = true;
}

void TDatasetFieldValueListEh::SetDataSet(TDataSet* value) {
  if (value == DataSet()) return;
  fDataSource->SetDataSet(value);
  fDirty = true;
}

void TDatasetFieldValueListEh::DataEvent(TDataEvent event, NativeInt /*info*/) {
  // A change of state covers a dataset that closed (or died) since the last walk.
  if (event == deDataSetChange || event == dePropertyChange || event == deFieldListChange ||
      event == deUpdateState)
    fDirty = true;
}

TStrings* TDatasetFieldValueListEh::Values() {
  if (fDirty) Rebuild();
  return fValues.get();
}

void TDatasetFieldValueListEh::Rebuild() {
  fValues->Clear();
  TDataSet* dataSet = DataSet();
  TField* field = dataSet != nullptr && dataSet->Active() ? dataSet->FindField(fFieldName) : nullptr;
  if (field != nullptr) {
    dataSet->DisableControls();
    try {
      for (dataSet->First(); !dataSet->Eof(); dataSet->Next()) fValues->Add(field->Text());
    } catch (...) {
      // A failing OnGetText must not leave every control of the dataset frozen.
      dataSet->EnableControls();
      throw;
    }
    dataSet->EnableControls();
  }
  fDirty = false;
}

void FieldsByNamesEh(const TDataSet* dataSet, const AnsiString& names, TFieldsArrEh& fields) {
  fields = dataSet->GetFieldList(names);
}

void AssignFieldValuesEh(const TFieldsArrEh& fields, const Variant& value) {
  if (!VarIsArray(value)) {
    for (TField* field : fields) field->SetValue(value);
    return;
  }
  const Integer low = VarArrayDimCount(value) == 1 ? VarArrayLowBound(value, 1) : 0;
  if (VarArrayDimCount(value) != 1 ||
      VarArrayHighBound(value, 1) - low + 1 < static_cast<Integer>(fields.size()))
    throw EVariantBadIndexError("Variant or safe array index out of bounds");
  for (std::size_t i = 0; i < fields.size(); ++i)
    fields[i]->SetValue(VarArrayGet(value, {low + static_cast<Integer>(i)}));
}

void DataSetSetFieldValuesEh(const TDataSet* dataSet, const AnsiString& names, const Variant& value) {
  TFieldsArrEh fields;
  FieldsByNamesEh(dataSet, names, fields);
  AssignFieldValuesEh(fields, value);
}

namespace {

bool IsNullOrEmpty(const Variant& v) {
  return VarIsNull(v) || VarIsEmpty(v);
}

bool ScalarsEqual(const Variant& a, const Variant& b) {
  if (IsNullOrEmpty(a) != IsNullOrEmpty(b)) return false;
  try {
    return a == b;
  } catch (const Exception&) {
    return false;
  }
}

// Compares the elements of two arrays of the same bounds, the first dimension fastest.
bool ElementsEqual(const Variant& a, const Variant& b) {
  const Integer dims = VarArrayDimCount(a);
  std::vector<Integer> index(static_cast<std::size_t>(dims));
  for (Integer d = 0; d < dims; ++d) {
    if (VarArrayHighBound(a, d + 1) < VarArrayLowBound(a, d + 1)) return true;  // no elements
    index[static_cast<std::size_t>(d)] = VarArrayLowBound(a, d + 1);
  }
  while (true) {
    if (!VarEqualsEh(VarArrayGet(a, index), VarArrayGet(b, index))) return false;
    Integer d = 0;
    for (; d < dims; ++d) {
      Integer& i = index[static_cast<std::size_t>(d)];
      if (i < VarArrayHighBound(a, d + 1)) {
        ++i;
        break;
      }
      i = VarArrayLowBound(a, d + 1);
    }
    if (d == dims) return true;
  }
}

}  // namespace

Variant ExactFieldValueEh(TField* field) {
  if (field->DataType() != ftBCD || field->Size() > 4 || field->IsNull()) return field->Value();
  return Variant(field->AsCurrency());
}

void CheckTextFitsFieldEh(TField* field, const AnsiString& text) {
  if (field->DataType() != ftString && field->DataType() != ftWideString && field->DataType() != ftFixedChar)
    return;
  const WideString wide = AnsiToWide(text);
  // A character beyond the basic plane is two UTF-16 units but one character of a column.
  const auto characters =
      std::count_if(wide.begin(), wide.end(), [](char16_t unit) { return unit < 0xDC00 || unit > 0xDFFF; });
  if (characters > field->Size())
    DatabaseErrorFmt(dbconsts::STextTooLong, {text, field->DisplayName(), field->Size()});
}

bool VarEqualsEh(const Variant& a, const Variant& b) {
  if (VarIsArray(a) != VarIsArray(b)) return false;
  if (!VarIsArray(a)) return ScalarsEqual(a, b);
  const Integer dims = VarArrayDimCount(a);
  if (dims != VarArrayDimCount(b)) return false;
  // Every bound first: elements are read only where both arrays have them.
  for (Integer d = 1; d <= dims; ++d)
    if (VarArrayLowBound(a, d) != VarArrayLowBound(b, d) ||
        VarArrayHighBound(a, d) != VarArrayHighBound(b, d))
      return false;
  return ElementsEqual(a, b);
}

}  // namespace ordvane
