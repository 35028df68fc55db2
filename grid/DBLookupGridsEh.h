#pragma once
// The lookup grid: the rows of a list dataset shown as a grid that keeps one key value
// chosen, written into a master field when one is bound; and its drop-down form, the
// popup data grid a column opens under the grid's editor.

#include <memory>
#include <vector>

#include "classlib/core/Timers.h"
#include "grid/DBGridEh.h"
#include "gridbase/DropDownEh.h"
#include "gridbase/FieldValuesEh.h"
#include "gridbase/SizeGripEh.h"
#include "gridbase/SpecRowEh.h"

namespace ordvane {

class TDBLookupGridEh;

// The character typed as `first`: with UTF-8 as the ANSI code page a lead byte takes its
// continuation bytes off `wnd`'s queue. A WM_QUIT met there is posted again and `quit` set.
AnsiString TakeCharacterEh(HWND wnd, char first, bool& quit);

// The lookup grid's link to its master dataset.
class TLookupGridDataLinkEh : public TDataLink {
  ORDVANE_CLASS(TLookupGridDataLinkEh, TDataLink)

 public:
  explicit TLookupGridDataLinkEh(TDBLookupGridEh* grid) : fGrid(grid) {}

 protected:
  void ActiveChanged() override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;
  void FocusControl(TField*& field) override;

 private:
  TDBLookupGridEh* fGrid;
};

// A lookup column's cell in the special row. Unset, the colour and the font are the
// special row's and the text is the special row's cell at the column's index.
class TGridColumnSpecCellEh : public TPersistent {
  ORDVANE_CLASS(TGridColumnSpecCellEh, TPersistent)

 public:
  explicit TGridColumnSpecCellEh(TColumnEh* column) : fColumn(column) {}

  AnsiString Text() const;
  void SetText(const AnsiString& value);
  TColor Color() const;
  void SetColor(TColor value);
  const TFont* Font() const;
  void SetFont(const TFont& value);
  // Text and colour, and the font when the source's was set.
  void Assign(const TPersistent* source) override;

 private:
  TSpecRowEh* SpecRow() const;
  void Changed();

  TColumnEh* fColumn;
  AnsiString fText;
  bool fTextAssigned = false;
  TColor fColor = clWindow;
  bool fColorAssigned = false;
  std::unique_ptr<TFont> fFont;
};

class TDBLookupGridColumnEh : public TColumnEh {
  ORDVANE_CLASS(TDBLookupGridColumnEh, TColumnEh)

 public:
  explicit TDBLookupGridColumnEh(TCollection* collection);
  ~TDBLookupGridColumnEh() override;

  TGridColumnSpecCellEh& SpecCell() const { return *fSpecCell; }
  void Assign(const TPersistent* source) override;

 private:
  std::unique_ptr<TGridColumnSpecCellEh> fSpecCell;
};

class TDBLookupGridColumnDefValuesEh : public TDBGridEhColumnDefValuesEh {
  ORDVANE_CLASS(TDBLookupGridColumnDefValuesEh, TDBGridEhColumnDefValuesEh)
};

// A list of the records of its list source that keeps one key value chosen. Bound to a
// master source and field, choosing a row writes the key into the master; a master
// lookup field brings list dataset, key and display field with it (lookup mode). The
// grid's own data source, the list, is ListSource; DataSource is the master.
class TDBLookupGridEh : public TCustomDBGridEh {
  ORDVANE_CLASS(TDBLookupGridEh, TCustomDBGridEh)

 public:
  explicit TDBLookupGridEh(TComponent* owner);
  ~TDBLookupGridEh() override;

  // ---- Master
  TDataSource* DataSource() const { return fMasterLink->DataSource(); }
  void SetDataSource(TDataSource* value);
  const AnsiString& DataField() const { return fDataField; }
  void SetDataField(const AnsiString& value);
  // The master link's read-only flag.
  bool ReadOnly() const { return fMasterLink->ReadOnly(); }
  void SetReadOnly(bool value) { fMasterLink->SetReadOnly(value); }
  bool LookupMode() const { return fLookupMode; }

  // ---- List
  TDataSource* ListSource() const { return TCustomDBGridEh::DataSource(); }
  // Both raise "Property already defined by lookup field" in lookup mode and "Operation
  // not allowed in a DBCtrlGrid" while the master link's source is fixed.
  void SetListSource(TDataSource* value);
  const AnsiString& KeyFieldName() const { return fKeyFieldName; }
  void SetKeyFieldName(const AnsiString& value);
  // The fields shown, separated by ';'.
  const AnsiString& ListFieldName() const { return fListFieldName; }
  void SetListFieldName(const AnsiString& value);
  int ListFieldIndex() const { return fListFieldIndex; }
  void SetListFieldIndex(int value) { fListFieldIndex = value; }
  // The field whose text is the chosen row's display text.
  TField* ListField() const { return fListField; }
  bool ListActive() const { return fListActive; }

  // ---- The chosen key
  const Variant& KeyValue() const { return fKeyValue; }
  void SetKeyValue(const Variant& value);
  // The chosen row's display text (the special row's text when that is chosen).
  const AnsiString& Text() const { return fText; }
  bool SpecRowSelected() const { return fSpecRowSelected; }
  TSpecRowEh& SpecRow() const { return *fSpecRow; }
  // The incremental search text typed so far.
  const AnsiString& SearchText() const { return fSearchText; }

  // ---- Look
  TDBLookupGridEhOptions LookupOptions() const { return fLookupOptions; }
  void SetLookupOptions(TDBLookupGridEhOptions value);
  // Data rows shown: 1 .. 100; the height follows.
  int RowCount() const { return fRowCount; }
  void SetRowCount(int value);
  bool ShowTitles() const { return AreTitlesVisible(); }
  void SetShowTitles(bool value);
  // Columns fitted to the width instead of a horizontal scroll bar.
  bool FitColWidths() const { return fFitColWidths; }
  void SetFitColWidths(bool value);

  void SetBounds(int left, int top, int width, int height) override;
  // The special row's line keeps a data row's height.
  void LayoutChanged() override;

  virtual bool CanModifyKeyValue();
  virtual bool IsLookupList() const { return true; }
  virtual int GetBorderHeight();
  virtual int GetDataRowHeight();
  virtual int GetSpecRowHeight();
  virtual void KeyValueChanged();
  virtual void ListLinkDataChanged();
  virtual void IncrementalSearch(char key);
  virtual void UpdateDataFieldValue(const Variant& value);
  virtual void InvalidateSpecRow();
  virtual void UpdateColumnsWidths();
  virtual void UpdateDataFields();
  virtual void UpdateListFields();
  virtual bool LocateKey();

  // Fired after a choice was written.
  TNotifyEvent OnClick;

  void Dispatch(TMessage& message) override;

 protected:
  TLookupGridDataLinkEh& MasterLink() const { return *fMasterLink; }
  // Selects the current list record (writes its key when it differs).
  void SelectCurrent();
  void SelectSpecRow();
  // The data record under a client point of the data rows; -1 for none.
  int RecordAt(int y);
  // The line of the special row; -1 when it is not shown.
  int SpecRowLine() const;
  // Chooses the row (or the special row) under a client y.
  void TrackRowAt(int y);

  void Notification(TComponent* component, TOperation operation) override;
  void CreateWnd() override;
  std::unique_ptr<TDBGridColumnsEh> CreateColumns() override;
  std::unique_ptr<TDBGridEhColumnDefValuesEh> CreateColumnDefValues() override;
  int ExtraTitleRowCount() const override;
  bool SelectCell(int col, int row) override;
  void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
  bool GetDataCellColors(int dataCol, int row, TFont& font, TColor& background, TGridDrawState& state) override;
  void LinkActive(bool value) override;
  // Default columns show the list fields rather than every field of the list.
  void DefineFieldMap() override;
  void DataChanged() override;
  void ColumnMoved(int from, int to) override;
  void KeyDown(Word& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
  // Whether the grid sits in a drop-down (it never takes the focus then).
  virtual bool IsPopup() const { return false; }

 private:
  friend class TLookupGridDataLinkEh;

  void MasterRecordChanged(TField* field);
  void CheckNotCircular();
  // The list settings are refused in lookup mode and while the master source is fixed.
  void CheckListSettable();
  // Moves the list by `distance` records, or onto the special row, as a key asks.
  void MoveSelection(int distance);
  void ScrollTimerTick();
  void StopTracking();
  bool IsSearchableListField() const;
  int TitlesHeight();
  int HeightForRows(int rows);
  bool ScrollPastVisible(bool down);
  void VerticalScroll(int code, int position);
  void ResizeToRowCount();
  void DrawSpecRowCell(int col, const TRect& rect);

  std::unique_ptr<TLookupGridDataLinkEh> fMasterLink;
  std::unique_ptr<TDataSource> fInternalSource;
  std::unique_ptr<TSpecRowEh> fSpecRow;
  std::unique_ptr<TTimer> fScrollTimer;
  std::vector<TField*> fMasterDataFields;
  std::vector<TField*> fMasterKeyFields;
  std::vector<TField*> fKeyFields;
  std::vector<TField*> fListFields;
  AnsiString fDataField;
  AnsiString fMasterFieldNames;
  AnsiString fKeyFieldName;
  AnsiString fListFieldName;
  AnsiString fText;
  AnsiString fSearchText;
  Variant fKeyValue = Null();
  TField* fListField = nullptr;
  int fListFieldIndex = 0;
  int fRowCount = 7;
  int fTrackingY = 0;
  Cardinal fLastSearchTime = 0;
  TDBLookupGridEhOptions fLookupOptions{dlgColLinesEh};
  bool fListActive = false;
  bool fLookupMode = false;
  bool fSpecRowSelected = false;
  bool fTracking = false;
  bool fSettingKey = false;
  bool fFitColWidths = false;
  bool fSizing = false;
};

// The drop-down form of the lookup grid: a popup window that never takes the focus or
// the activation, follows the mouse, and tells its owner through OnCloseUp whether a
// release chose a row (inside) or cancelled (outside).
class TPopupDataGridEh : public TDBLookupGridEh {
  ORDVANE_CLASS(TPopupDataGridEh, TDBLookupGridEh)

 public:
  explicit TPopupDataGridEh(TComponent* owner);

  TSizeGripEh* SizeGrip() const { return fSizeGrip; }
  // The user dragged the size grip since the drop-down opened.
  bool SizedByUser() const { return fSizedByUser; }
  void SetSizedByUser(bool value) { fSizedByUser = value; }
  bool CanFocus() const override { return false; }
  // Never smaller than a scroll bar is wide and high.
  void SetBounds(int left, int top, int width, int height) override;

  TCloseUpEventEh OnCloseUp;
  // A choice the user made by mouse or keys while the popup shows.
  TNotifyEvent OnUserKeyValueChange;

  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  bool IsPopup() const override { return true; }
  void KeyValueChanged() override;
  void KeyDown(Word& key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  void CloseUp(bool accept);

  TSizeGripEh* fSizeGrip;
  bool fSizedByUser = false;
  bool fUserAction = false;
  bool fPressedInside = false;
};

}  // namespace ordvane
