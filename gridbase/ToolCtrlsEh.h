#pragma once
// What the edits, the grid's in-place editor and the filter row share: the edit buttons
// at the right of an edit box (the item, its collection and the speed button that shows
// it), the faces of those buttons, the placement of a drop-down window beside its host,
// the size grip of drop-downs, the drop-down list box with its incremental search, the
// list of recently used values with its list box, the drop-down month calendar, and the
// close protocol through which every drop-down hands its result to its owner. Beside them
// the smaller pieces the drop-down lists and the data-aware controls share: the special
// row of a list, the distinct values of a field, the data link that reports every data
// event, routines over fields named in a list and over Variants, the double-click test
// and the cells of a tree outline.

#include <memory>
#include <string_view>
#include <vector>

#include "classlib/core/Collections.h"
#include "classlib/core/StringLists.h"
#include "classlib/core/Timers.h"
#include "classlib/core/Variants.h"
#include "classlib/db/DataSource.h"
#include "classlib/ui/ActnList.h"
#include "classlib/ui/Buttons.h"
#include "classlib/ui/ComCtrls.h"
#include "classlib/ui/ImgList.h"
#include "classlib/ui/Menus.h"
#include "classlib/ui/StdCtrls.h"

namespace ordvane {

// Private messages of the drop-downs. The first tells a drop-down which side its size grip
// moves to (wParam a TSizeGripChangePosition); the second, posted by a drop-down to
// itself, closes it without accepting.
constexpr UINT CM_SETSIZEGRIPSIDEEH = WM_USER + 100;
constexpr UINT CM_CLOSEUPNOTACCEPTEH = WM_USER + 101;

// The owner of a drop-down: every control that opens one. The drop-down finds it on its
// owner component and hands its result back through CloseUp; the owner then hides the
// drop-down and releases its held button.
class IPopupEditOwnerEh {
 public:
  virtual ~IPopupEditOwnerEh() = default;
  virtual void CloseUp(bool accept) = 0;
};

// Closes a drop-down through the owner component's interface; false when the owner has
// none.
bool CloseUpToOwnerEh(const TComponent* dropDown, bool accept);

// ---- Button faces -------------------------------------------------------------------

enum TEditButtonStyleEh { ebsDropDownEh, ebsEllipsisEh, ebsGlyphEh, ebsUpDownEh, ebsPlusEh, ebsMinusEh };

// What DrawEditButtonControlEh draws.
enum TEditButtonDrawKindEh {
  bcsDropDownEh = 0,
  bcsEllipsisEh = 1,
  bcsUpDownEh = 2,
  bcsCheckboxEh = 3,
  bcsPlusEh = 4,
  bcsMinusEh = 5,
};

// The draw kind of a button style; ebsGlyphEh has none (the button paints its glyph).
TEditButtonDrawKindEh EditButtonDrawKindEh(TEditButtonStyleEh style);

// The default width of an edit button: the screen's default font's text height (the
// class library's default TFont) at two thirds, to the nearest integer, made odd, at
// most the vertical scroll bar's width. Measured once.
int DefaultEditButtonWidthEh();
// The same rule for a text height.
int EditButtonWidthForTextHeightEh(int textHeight);
// The width at one and a half when scaled, to the nearest integer.
int ScaleButtonWidthEh(int width, bool scaled);

// Draws a button face. `pressedPart` is 1 or 2 for the upper or lower half of an up-down
// pair, and nonzero for a pressed button of another kind; `checkState` is the state of a
// check box face. Faces come from a process-wide cache while it is enabled.
void DrawEditButtonControlEh(HDC dc, const TRect& rect, TColor background, TEditButtonDrawKindEh kind,
                             int pressedPart, bool flat, bool active, bool enabled,
                             TCheckBoxState checkState = cbUnchecked);
// The face cache: on at start; off, every face is drawn straight onto the context.
bool EditButtonFaceCacheEnabledEh();
void SetEditButtonFaceCacheEnabledEh(bool value);
// The number of faces the cache holds (for diagnostics and tests).
int EditButtonFaceCacheCountEh();

// ---- Check boxes --------------------------------------------------------------------

// The system check box's cell: a quarter of the width and a third of the height of the
// system check-box bitmap, read once.
TSize InitCheckBoxSizeEh();
// The check-box cell inside a rectangle, placed horizontally and vertically by the two
// alignments (never larger than the rectangle).
TRect CheckBoxRectEh(const TRect& rect, TAlignment alignment, TTextLayout layout);
// A check box centred in the rectangle, in the classic or the themed look.
void DrawCheckBoxEh(HDC dc, const TRect& rect, TCheckBoxState state, bool enabled, bool pressed, bool flat);

// ---- Tree outline -------------------------------------------------------------------

// The cells of a tree outline. The expand boxes (minus, then plus) carry the connector of
// the line kind three above them: on through the cell, up only, down only.
enum TTreeElementEh {
  tehMinusUpDown = 0,
  tehMinusUp = 1,
  tehMinusDown = 2,
  tehPlusUpDown = 3,
  tehPlusUp = 4,
  tehPlusDown = 5,
  tehCrossUpDown = 6,
  tehCrossUp = 7,
  tehCrossDown = 8,
  tehVLine = 9,
};

// Draws one cell of a tree outline (any kind outside 0 .. 9 draws nothing). Box, strokes
// and connectors grow by the scales (at least 1); connectors are dotted in the
// button-shadow colour with their dots on coordinates of the given parity, so the dots of
// neighbouring cells line up.
void DrawTreeElementEh(TCanvas* canvas, const TRect& rect, TTreeElementEh kind, int scaleX, int scaleY,
                       int dotParity);

// ---- Edit buttons -------------------------------------------------------------------

using TButtonClickEventEh = TEvent<void(TObject* sender, bool& handled)>;
using TButtonDownEventEh = TEvent<void(TObject* sender, bool topButton, bool& autoRepeat, bool& handled)>;

class TEditButtonEh;

// The link that makes an edit button follow its action: Enabled, Hint, ShortCut and
// Visible, each while the button's own value still equals the action's. Captions are
// not linked.
class TEditButtonActionLinkEh : public TActionLink {
 public:
  explicit TEditButtonActionLinkEh(TEditButtonEh* button);
};

class TEditButtonControlEh;

// One button of an edit: an item of the edit's TEditButtonsEh, or the edit's main button
// (then it has no collection and tells the edit of changes through OnChange).
class TEditButtonEh : public TCollectionItem {
  ORDVANE_CLASS(TEditButtonEh, TCollectionItem)

 public:
  explicit TEditButtonEh(TCollection* collection);
  explicit TEditButtonEh(TWinControl* editControl);
  ~TEditButtonEh() override;

  TBasicAction* Action() const;
  void SetAction(TBasicAction* value);
  TPopupMenu* DropdownMenu() const { return fDropdownMenu; }
  void SetDropdownMenu(TPopupMenu* value);
  bool Enabled() const { return fEnabled; }
  void SetEnabled(bool value);
  TBitmap* Glyph() const { return fGlyph.get(); }
  void SetGlyph(const TBitmap& value);
  const AnsiString& Hint() const { return fHint; }
  void SetHint(const AnsiString& value);
  // Held to 1 .. 4.
  int NumGlyphs() const { return fNumGlyphs; }
  void SetNumGlyphs(int value);
  TShortCut ShortCut() const { return fShortCut; }
  void SetShortCut(TShortCut value);
  TEditButtonStyleEh Style() const { return fStyle; }
  void SetStyle(TEditButtonStyleEh value);
  bool Visible() const { return fVisible; }
  void SetVisible(bool value);
  // 0: the default width.
  int Width() const { return fWidth; }
  void SetWidth(int value);

  TButtonClickEventEh OnClick;
  TButtonDownEventEh OnDown;
  // The change hook of a button outside a collection.
  TNotifyEvent OnChange;

  // The edit the button belongs to: its own, or the collection's owner.
  TWinControl* EditControl() const;
  void Assign(const TPersistent* source) override;

  // OnClick when assigned (it decides `handled`); otherwise the linked action, executed
  // with the edit (or the collection's owner) as the component, which handles the click.
  virtual void Click(TObject* sender, bool& handled);
  // Asks the linked action to update itself; answers whether it did.
  virtual bool InitiateAction();
  // A new button control for this button, owned by and parented to the edit: 10 x 17,
  // visible, opaque. A button without an edit raises EInvalidOperation.
  virtual TEditButtonControlEh* CreateEditButtonControl();

 protected:
  TEditButtonEh(TCollection* collection, TWinControl* editControl, bool visible, TShortCut shortCut);
  // Tells the edit that the button changed.
  void NotifyChanged();

 private:
  class TMenuWatch;
  template <class T>
  void Store(T& field, const T& value);
  // Runs a compound change and tells the edit once, when anything changed.
  template <class Change>
  void ChangeAtOnce(Change change);

  TWinControl* fEditControl = nullptr;
  std::unique_ptr<TEditButtonActionLinkEh> fActionLink;
  TPopupMenu* fDropdownMenu = nullptr;
  std::unique_ptr<TMenuWatch> fMenuWatch;
  bool fEnabled = true;
  std::unique_ptr<TBitmap> fGlyph;
  AnsiString fHint;
  int fNumGlyphs = 1;
  TShortCut fShortCut = 0;
  TEditButtonStyleEh fStyle = ebsDropDownEh;
  bool fVisible = false;
  int fWidth = 0;
  int fChangeDepth = 0;
  bool fChangedInside = false;
};

// The main button of an edit: visible, pressed from the edit by Alt+Down.
class TVisibleEditButtonEh : public TEditButtonEh {
  ORDVANE_CLASS(TVisibleEditButtonEh, TEditButtonEh)

 public:
  explicit TVisibleEditButtonEh(TCollection* collection);
  explicit TVisibleEditButtonEh(TWinControl* editControl);
};

// The additional buttons of an edit; any change tells the edit through OnChange.
class TEditButtonsEh : public TCollection {
  ORDVANE_CLASS(TEditButtonsEh, TCollection)

 public:
  explicit TEditButtonsEh(TWinControl* editControl,
                          TCollectionItemClass itemClass = TCollectionItemClass::Of<TEditButtonEh>());

  TWinControl* EditControl() const { return fEditControl; }
  TEditButtonEh* Items(int index) const { return static_cast<TEditButtonEh*>(TCollection::Items(index)); }
  TEditButtonEh* Add() { return static_cast<TEditButtonEh*>(TCollection::Add()); }

  TNotifyEvent OnChange;

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TWinControl* fEditControl;
};

// The control that shows one edit button. An up-down button repeats its button-down
// handler while held: after 400 ms, then every 100 ms, as long as the handler keeps the
// auto-repeat flag set.
class TEditButtonControlEh : public TSpeedButton {
  ORDVANE_CLASS(TEditButtonControlEh, TSpeedButton)

 public:
  explicit TEditButtonControlEh(TComponent* owner);
  ~TEditButtonControlEh() override;

  TEditButtonStyleEh Style() const { return fStyle; }
  void SetStyle(TEditButtonStyleEh value);
  // Drawn in the edit's focused or hot look.
  bool Active() const { return fActive; }
  void SetActive(bool value);
  // Holds the button down while its drop-down is open, and lets it up again.
  void SetAlwaysDown();
  void SetAlwaysUp();
  // The half of an up-down button shown pressed: 1 upper, 2 lower, 0 none.
  int PressedPart() const { return fShownPart; }

  // Called when the left button goes down on the control.
  TButtonDownEventEh OnButtonDown;

  void Dispatch(TMessage& message) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  int PartAt(int x, int y) const;
  // Calls the button-down handler; answers the auto-repeat flag it leaves.
  bool ButtonDown(bool autoRepeat);
  void RepeatTick(TObject* sender);
  void StopRepeat();
  void SetShownPart(int value);
  void PaintGlyphFace();

  TEditButtonStyleEh fStyle = ebsDropDownEh;
  bool fActive = false;
  int fPressedPart = 0;  // the part the press went down on
  int fShownPart = 0;
  bool fHeld = false;
  std::unique_ptr<TTimer> fRepeatTimer;
};

class TSpeedButtonEh : public TEditButtonControlEh {
  ORDVANE_CLASS(TSpeedButtonEh, TEditButtonControlEh)

 public:
  using TEditButtonControlEh::TEditButtonControlEh;
};

// ---- Placement ----------------------------------------------------------------------

enum TDropDownAlign { daLeft, daRight, daCenter };

// The top-left point of a drop-down beside a host rectangle (screen coordinates) in the
// work area of the monitor nearest the host: below it, or above when it fits only there
// (or fits neither way and there is more room above). The drop-down's height and width
// may be cut to the work area, and it is told where its size grip goes
// (CM_SETSIZEGRIPSIDEEH).
TPoint AlignDropDownWindowRectEh(TWinControl* dropDown, const TRect& hostRect, TDropDownAlign align);
// The same beside a host control; the drop-down is moved there.
TPoint AlignDropDownWindowEh(TControl* host, TWinControl* dropDown, TDropDownAlign align);

// ---- Size grip ----------------------------------------------------------------------

enum TSizeGripPosition { sgpTopLeft, sgpTopRight, sgpBottomRight, sgpBottomLeft };
enum TSizeGripChangePosition { sgcpToLeft, sgcpToRight, sgcpToTop, sgcpToBottom };

// A small triangle in a corner of a drop-down's client area that resizes the drop-down
// within the work area while dragged with the left button. The drop-down never gets
// smaller than the grip (nor than its own minimum, MinimumSize).
class TSizeGripEh : public TCustomControl {
  ORDVANE_CLASS(TSizeGripEh, TCustomControl)

 public:
  explicit TSizeGripEh(TComponent* owner);

  TSizeGripPosition Position() const { return fPosition; }
  void SetPosition(TSizeGripPosition value);
  // Moves the grip to a side (left, right, top or bottom) of its parent.
  void ChangePosition(TSizeGripChangePosition side);
  // The window is a triangle.
  bool TriangleWindow() const { return fTriangleWindow; }
  void SetTriangleWindow(bool value);
  // The smallest client size the parent may be dragged to (besides the grip's own size).
  TSize MinimumSize() const { return fMinimumSize; }
  void SetMinimumSize(TSize value) { fMinimumSize = value; }
  // Puts the grip into its corner of the parent's client area.
  void UpdatePosition();

  // CM_SETSIZEGRIPSIDEEH moves the grip to the side it names.
  void Dispatch(TMessage& message) override;

  // Fired after a drag changed the parent's client size.
  TNotifyEvent OnParentResized;

 protected:
  void CreateWnd() override;
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  bool LeftCorner() const { return fPosition == sgpTopLeft || fPosition == sgpBottomLeft; }
  bool TopCorner() const { return fPosition == sgpTopLeft || fPosition == sgpTopRight; }
  void UpdateWindowShape();
  void DragTo(TPoint screen);
  bool Place(const TRect& r);

  TSizeGripPosition fPosition = sgpBottomRight;
  bool fTriangleWindow = false;
  TSize fMinimumSize{0, 0};
  bool fDragging = false;
  TPoint fStart;
  TRect fStartBounds;
  TSize fStartClient{0, 0};
};

// ---- Drop-down list box -------------------------------------------------------------

// An owner-drawn list box shown as a top-level window under its host: its height holds
// whole rows, typed characters search it, the mouse selects by hovering and the wheel by
// steps, its items may show images, and a size grip resizes it.
class TPopupListboxEh : public TCustomListBox {
  ORDVANE_CLASS(TPopupListboxEh, TCustomListBox)

 public:
  explicit TPopupListboxEh(TComponent* owner);
  ~TPopupListboxEh() override;

  // The height snapped to whole rows (at least one).
  void SetBounds(int left, int top, int width, int height) override;
  int RowCount();
  void SetRowCount(int value);
  // The item height, the font's text height while it is 0.
  int RowHeight();
  TSizeGripEh* SizeGrip() const { return fSizeGrip; }

  TCustomImageList* Images() const { return fImages; }
  void SetImages(TCustomImageList* value);
  // Item texts from an external list instead of the items (a virtual style).
  TStrings* ItemsSource() const { return fItemsSource; }
  void SetItemsSource(TStrings* value);
  using TGetImageIndexEventEh = TEvent<void(TObject* sender, int itemIndex, int& imageIndex)>;
  TGetImageIndexEventEh OnGetImageIndex;

  // The incremental search text typed so far.
  const AnsiString& SearchText() const { return fSearchText; }

  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DrawItem(int index, const TRect& rect, TOwnerDrawState state) override;
  void KeyDown(Word& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
  void Notification(TComponent* component, TOperation operation) override;
  // The grip's corner changed, or the list was resized or scrolled.
  virtual void Relayout() {}
  // The frame: the window's height less its client height.
  int FrameHeight();

 private:
  void ProvideItemText(TWinControl* control, int index, AnsiString& data);

  TSizeGripEh* fSizeGrip;
  TCustomImageList* fImages = nullptr;
  TStrings* fItemsSource = nullptr;
  AnsiString fSearchText;
  Cardinal fLastKeyTime = 0;
  TPoint fLastMouse{-1, -1};
};

// ---- Recently used values -----------------------------------------------------------

// Has the last word on whether an item of the recent values is offered for the typed text.
using TFilterMRUItemEventEh = TEvent<void(TObject* sender, const AnsiString& item, bool& accept)>;

class TMRUListEh : public TPersistent {
  ORDVANE_CLASS(TMRUListEh, TPersistent)

 public:
  TMRUListEh();
  ~TMRUListEh() override;

  bool Active() const { return fActive; }
  void SetActive(bool value) { fActive = value; }
  bool AutoAdd() const { return fAutoAdd; }
  void SetAutoAdd(bool value) { fAutoAdd = value; }
  bool CaseSensitive() const { return fCaseSensitive; }
  void SetCaseSensitive(bool value) { fCaseSensitive = value; }
  TStrings* Items() const { return fItems.get(); }
  void SetItems(const TStrings* value) { fItems->Assign(value); }
  int Limit() const { return fLimit; }
  void SetLimit(int value);
  int Rows() const { return fRows; }
  void SetRows(int value) { fRows = value; }

  // The trimmed text becomes the most recent value (the last item): an equal item moves
  // to the end, or the text is appended; the oldest items go beyond Limit.
  void Add(const AnsiString& text);
  // Fills the target with the items that begin with the text.
  void FilterItems(const AnsiString& text, TStrings* target) const;
  void Assign(const TPersistent* source) override;

  // Fired by the control that filters the items, after its own comparison.
  TFilterMRUItemEventEh OnFilterItem;

 private:
  bool SameValue(const AnsiString& a, const AnsiString& b) const;
  void CutToLimit();

  bool fActive = false;
  bool fAutoAdd = true;
  bool fCaseSensitive = false;
  std::unique_ptr<TStringList> fItems;
  int fLimit = 100;
  int fRows = 7;
};

// The drop-down of recently used values: a list box with its own vertical scroll bar, as
// wide as the system's, on the side away from the size grip.
class TMRUListboxEh : public TPopupListboxEh {
  ORDVANE_CLASS(TMRUListboxEh, TPopupListboxEh)

 public:
  explicit TMRUListboxEh(TComponent* owner);

  TScrollBar* ScrollBar() const { return fScrollBar; }
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Relayout() override;
  void DrawItem(int index, const TRect& rect, TOwnerDrawState state) override;

 private:
  void ScrollBarScrolled(TObject* sender, TScrollCode code, int& position);
  // An item's rectangle less the bar's side.
  TRect ItemArea(const TRect& rect) const;

  TScrollBar* fScrollBar;
};

// ---- Drop-down month calendar -------------------------------------------------------

class TPopupMonthCalendarEh : public TMonthCalendar {
  ORDVANE_CLASS(TPopupMonthCalendarEh, TMonthCalendar)

 public:
  explicit TPopupMonthCalendarEh(TComponent* owner);

  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void KeyDown(Word& key, TShiftState shift) override;
  bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;

 private:
  void MouseRelease(TPoint p);
};

// ---- Special rows -------------------------------------------------------------------

// The cells of a special row's text: separated by ';', a cell in double quotes may hold
// ';' and doubled quotes, control characters around cells are skipped. A NUL ends the
// text and an unclosed quote runs to its end.
std::vector<AnsiString> ParseCellsTextEh(std::string_view text);

// The row at the top of a drop-down list that picks one chosen value (an empty one, say).
// Its font and colour follow its owner's until set; every change tells the owner through
// OnChanged, once at the end of an update.
class TSpecRowEh : public TPersistent {
  ORDVANE_CLASS(TSpecRowEh, TPersistent)

 public:
  explicit TSpecRowEh(TControl* owner);
  ~TSpecRowEh() override;

  const AnsiString& CellsText() const { return fCellsText; }
  void SetCellsText(const AnsiString& value);
  TColor Color() const;
  void SetColor(TColor value);
  // The owner's font while not set; a change made through the pointer sets it.
  TFont* Font() const;
  void SetFont(const TFont& value);
  // Alt+Del until set.
  TShortCut ShortCut() const { return fShortCut; }
  void SetShortCut(TShortCut value);
  bool ShowIfNotInKeyList() const { return fShowIfNotInKeyList; }
  void SetShowIfNotInKeyList(bool value);
  const Variant& Value() const { return fValue; }
  void SetValue(const Variant& value);
  bool Visible() const { return fVisible; }
  void SetVisible(bool value);

  int CellCount() const { return static_cast<int>(fCells.size()); }
  // Empty outside the cells.
  AnsiString GetCellText(int index) const;

  // Updates nest; OnChanged fires when the outermost one ends and anything changed.
  void BeginUpdate() { ++fUpdateCount; }
  void EndUpdate();
  // Every property, as one change; the font only when the source's was set.
  void Assign(const TPersistent* source) override;

  TNotifyEvent OnChanged;

 private:
  void Changed();
  void FontChanged(TObject* sender);
  template <class T>
  void Store(T& field, const T& value);

  TControl* fOwner;
  AnsiString fCellsText;
  std::vector<AnsiString> fCells;
  TColor fColor = clWindow;
  bool fColorAssigned = false;
  std::unique_ptr<TFont> fFont;
  bool fFontAssigned = false;
  mutable bool fFollowingOwnerFont = false;
  TShortCut fShortCut;
  bool fShowIfNotInKeyList = true;
  Variant fValue;
  bool fVisible = false;
  int fUpdateCount = 0;
  bool fChangedInside = false;
};

// ---- Data links and field values ----------------------------------------------------

using TDataEventEh = TEvent<void(TDataEvent event, NativeInt info)>;

// A data link that tells its owner of every data event, after the link's own handling.
class TDataLinkEh : public TDataLink {
  ORDVANE_CLASS(TDataLinkEh, TDataLink)

 public:
  TDataEventEh OnDataEvent;

 protected:
  void DataEvent(TDataEvent event, NativeInt info) override;
};

// The distinct texts of one field over a dataset's records, sorted and compared without
// case, for the drop-downs of the filter row. The list is rebuilt when read after a
// change of the field name, the dataset, its state, its records or its fields.
class TDatasetFieldValueListEh : public TPersistent {
  ORDVANE_CLASS(TDatasetFieldValueListEh, TPersistent)

 public:
  TDatasetFieldValueListEh();
  ~TDatasetFieldValueListEh() override;

  const AnsiString& FieldName() const { return fFieldName; }
  void SetFieldName(const AnsiString& value);
  TDataSet* DataSet() const { return fDataSource->DataSet(); }
  void SetDataSet(TDataSet* value);
  // Walks the dataset when the list is out of date; the dataset is left at its end.
  TStrings* Values();

 private:
  void DataEvent(TDataEvent event, NativeInt info);
  void Rebuild();

  std::unique_ptr<TStringList> fValues;
  std::unique_ptr<TDataSource> fDataSource;
  std::unique_ptr<TDataLinkEh> fDataLink;
  AnsiString fFieldName;
  bool fDirty = true;
};

using TFieldsArrEh = std::vector<TField*>;

// The fields named in a ';'-separated list, in its order; EDatabaseError "Field '%s' not
// found" for a name the dataset lacks.
void FieldsByNamesEh(const TDataSet* dataSet, const AnsiString& names, TFieldsArrEh& fields);
// Writes a value into fields: element i of a Variant array (counted from its low bound)
// into field i, anything else into every field (Null and Unassigned clear them). An
// array of another rank, or with fewer elements than fields, raises
// EVariantBadIndexError before any field is written.
void AssignFieldValuesEh(const TFieldsArrEh& fields, const Variant& value);
// The same for the fields named in a ';'-separated list.
void DataSetSetFieldValuesEh(const TDataSet* dataSet, const AnsiString& names, const Variant& value);
// Equality that never raises: arrays of the same rank and bounds with equal elements;
// otherwise values that agree on being Null or Unassigned and compare equal. A
// comparison that cannot be made counts as unequal.
bool VarEqualsEh(const Variant& a, const Variant& b);

// Whether a second click makes a double click with the first: within the double-click
// time and the double-click distance on either axis.
bool IsDoubleClickEh(TPoint first, TPoint second, Cardinal elapsedMilliseconds);

}  // namespace ordvane
