#pragma once
// Text controls: the edit box, the memo, the list box and the drop-down combo box.
//
// Each keeps the behaviour the platform's control had inside its window procedure below
// its DefaultHandler, so a class above sees every message (WndProc, Dispatch, the key and
// mouse methods) before the control's own handling runs; the edit's lives in
// TEditWindow (EditWindow.h). Notifications go to the parent as WM_COMMAND and come back
// reflected as CN_COMMAND: EN_CHANGE runs Change (OnChange), LBN_SELCHANGE runs Click.

#include <memory>
#include <vector>

#include "classlib/core/StringLists.h"
#include "classlib/ui/Controls.h"
#include "classlib/ui/Forms.h"

namespace ordvane {

class TEditWindow;

// bsNone or bsSingle.
using TBorderStyle = TFormBorderStyle;
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

class TCustomEdit : public TWinControl {
  ORDVANE_CLASS(TCustomEdit, TWinControl)

 public:
  explicit TCustomEdit(TComponent* owner);
  ~TCustomEdit() override;

  void Dispatch(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  void SetCaption(const AnsiString& value) override;

  bool AutoSelect() const { return fAutoSelect; }
  void SetAutoSelect(bool value) { fAutoSelect = value; }
  // With bsSingle the height follows the font.
  bool AutoSize() const { return fAutoSize; }
  virtual void SetAutoSize(bool value);
  TBorderStyle BorderStyle() const { return fBorderStyle; }
  void SetBorderStyle(TBorderStyle value);
  TEditCharCase CharCase() const { return fCharCase; }
  // Converts the text already there too.
  void SetCharCase(TEditCharCase value);
  // 0: no limit.
  int MaxLength() const { return fMaxLength; }
  void SetMaxLength(int value);
  bool Modified();
  void SetModified(bool value);
  char PasswordChar() const { return fPasswordChar; }
  void SetPasswordChar(char value);
  bool ReadOnly() const { return fReadOnly; }
  void SetReadOnly(bool value);
  // Whether the user may change the text (cut, paste, delete): not read-only here; a
  // data-aware edit, read-only until its record is edited, asks its field instead.
  virtual bool UserCanModify() const { return !fReadOnly; }

  int SelStart();
  void SetSelStart(int value);
  int SelLength();
  void SetSelLength(int value);
  AnsiString SelText();
  void SetSelText(const AnsiString& value);
  void SelectAll();
  void ClearSelection();
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  void Undo();
  bool CanUndo();
  virtual void Clear() { SetText({}); }

  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  // The edit paints itself also when windowless children make the control paint them.
  void PaintWindow(HDC dc) override;
  // The ES_ styles of the properties; a class adds its own here, so that the edit has
  // them before it has a window too.
  virtual UINT EditStyle() const;
  virtual void Change();
  // Gives the window and the edit the styles of EditStyle.
  void UpdateEditStyle();

 private:
  void AdjustHeight();
  void TextChanged();

  std::unique_ptr<TEditWindow> fEdit;
  bool fAutoSelect = true;
  bool fAutoSize = true;
  TBorderStyle fBorderStyle = bsSingle;
  TEditCharCase fCharCase = ecNormal;
  int fMaxLength = 0;
  char fPasswordChar = 0;
  bool fReadOnly = false;
};

class TEdit : public TCustomEdit {
  ORDVANE_CLASS(TEdit, TCustomEdit)

 public:
  using TCustomEdit::TCustomEdit;
};

class TCustomMemo : public TCustomEdit {
  ORDVANE_CLASS(TCustomMemo, TCustomEdit)

 public:
  explicit TCustomMemo(TComponent* owner);
  ~TCustomMemo() override;

  void Dispatch(TMessage& message) override;

  // The memo's lines as it shows them (a wrapped line counts as a line); changing them
  // changes the text.
  TStrings* Lines() const { return fLines.get(); }
  void SetLines(const TStrings* value) { fLines->Assign(value); }
  bool WordWrap() const { return fWordWrap; }
  void SetWordWrap(bool value);
  bool WantReturns() const { return fWantReturns; }
  void SetWantReturns(bool value) { fWantReturns = value; }
  bool WantTabs() const { return fWantTabs; }
  void SetWantTabs(bool value) { fWantTabs = value; }

 protected:
  UINT EditStyle() const override;
  void KeyPress(char& key) override;

 private:
  std::unique_ptr<TStrings> fLines;
  bool fWordWrap = true;
  bool fWantReturns = true;
  bool fWantTabs = false;
};

class TMemo : public TCustomMemo {
  ORDVANE_CLASS(TMemo, TCustomMemo)

 public:
  using TCustomMemo::TCustomMemo;
};

// List boxes.

enum TOwnerDrawStateItem { odSelected, odGrayed, odDisabled, odChecked, odFocused };
using TOwnerDrawState = TSet<TOwnerDrawStateItem>;
// Virtual styles take their items' texts from OnData and their count from SetCount.
enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbVirtual, lbVirtualOwnerDraw };

// What a list box tells itself (reflected as CN_DRAWITEM) for every item it paints.
struct DRAWITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  int itemID = -1;
  UINT itemAction = 0;
  UINT itemState = 0;
  HWND hwndItem = 0;
  HDC hDC = nullptr;
  TRect rcItem;
  LPARAM itemData = 0;
};

class TCustomListBox;
using TDrawItemEvent = TEvent<void(TWinControl* control, int index, TRect rect, TOwnerDrawState state)>;
using TLBGetDataEvent = TEvent<void(TWinControl* control, int index, AnsiString& data)>;

class TCustomListBox : public TWinControl {
  ORDVANE_CLASS(TCustomListBox, TWinControl)

 public:
  explicit TCustomListBox(TComponent* owner);
  ~TCustomListBox() override;

  void Dispatch(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;

  TStrings* Items() const { return fItemStrings.get(); }
  void SetItems(const TStrings* value) { fItemStrings->Assign(value); }
  // The number of items; for a virtual style, set with SetCount.
  int Count() const;
  void SetCount(int value);
  // -1: none. Setting it scrolls the item into view and sends no notification.
  int ItemIndex();
  void SetItemIndex(int value);
  int TopIndex();
  void SetTopIndex(int value);
  // 0 until set: the font's height.
  int ItemHeight() const;
  void SetItemHeight(int value);
  bool Sorted() const { return fSorted; }
  void SetSorted(bool value);
  TListBoxStyle Style() const { return fStyle; }
  void SetStyle(TListBoxStyle value);
  // The item at a client point; past the last item: -1 with `existing`, else Count.
  int ItemAtPos(TPoint pos, bool existing);
  TRect ItemRect(int index);
  TCanvas* Canvas() const { return fCanvas.get(); }
  void Clear() { fItemStrings->Clear(); }

  TDrawItemEvent OnDrawItem;
  TLBGetDataEvent OnData;

 protected:
  void CreateParams(TCreateParams& params) override;
  void DestroyWnd() override;
  void PaintWindow(HDC dc) override;
  // Draws one item on Canvas (prepared with the font and the state's colours): OnDrawItem
  // in an owner-drawn style when assigned, else the item's text.
  virtual void DrawItem(int index, const TRect& rect, TOwnerDrawState state);
  bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
  // The text of an item, through OnData in a virtual style.
  AnsiString ItemText(int index);

 private:
  friend class TListBoxStrings;
  struct TItem {
    AnsiString text;
    LPARAM data = 0;
  };

  bool ListWndProc(TMessage& message);
  int VisibleRows() const;
  int SortedPlace(const AnsiString& text) const;
  int InsertItem(int index, const AnsiString& text);
  void DeleteItem(int index);
  void ResetContent();
  void SelectIndex(int index, bool notify);
  void ScrollTo(int top);
  void MakeVisible(int index);
  void UpdateScrollBar();
  int FindPrefix(int start, const AnsiString& prefix, bool exact);
  void TrackPoint(TPoint point);
  void PaintItems(HDC dc);
  void CNDrawItem(TMessage& message);
  void Notify(UINT code);
  void ItemsChanged();

  std::vector<TItem> fItems;
  std::unique_ptr<TStrings> fItemStrings;
  std::unique_ptr<TControlCanvas> fCanvas;
  TListBoxStyle fStyle = lbStandard;
  int fVirtualCount = 0;
  int fItemIndex = -1;
  int fTopIndex = 0;
  int fItemHeight = 0;
  bool fSorted = false;
  bool fFocused = false;
  bool fTracking = false;
  bool fScrollBar = false;  // the window was made with its vertical bar
};

class TListBox : public TCustomListBox {
  ORDVANE_CLASS(TListBox, TCustomListBox)

 public:
  using TCustomListBox::TCustomListBox;
};

// Combo boxes: an edit, a button at its right and a list that drops down under it (above
// it when the work area has no room below). Only the drop-down kind is offered: any text
// may be typed, and choosing an item puts its text into the edit.

class TComboEdit;
class TComboListBox;

class TCustomComboBox : public TCustomControl {
  ORDVANE_CLASS(TCustomComboBox, TCustomControl)

 public:
  explicit TCustomComboBox(TComponent* owner);
  ~TCustomComboBox() override;

  void Dispatch(TMessage& message) override;
  void SetCaption(const AnsiString& value) override;

  TStrings* Items() const;
  void SetItems(const TStrings* value);
  // -1: none; typing a text that is no item gives -1 too.
  int ItemIndex() const { return fItemIndex; }
  void SetItemIndex(int value);
  bool DroppedDown() const;
  void SetDroppedDown(bool value);
  // The edit inside, which holds the focus for the combo box.
  TCustomEdit* Edit() const;

  TNotifyEvent OnChange;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;

 protected:
  friend class TComboEdit;
  friend class TComboListBox;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  virtual void Change();
  virtual void DropDown();
  virtual void CloseUp(bool accept);

 private:
  TRect ButtonRect() const;
  void LayoutEdit();
  // The edit's key handling: answers whether the combo box used the key.
  bool EditKeyDown(Word key, TShiftState shift);
  bool WantsKey(WPARAM key) const;
  void EditTextChanged();
  void ChooseItem(int index);
  void PlaceList();

  TComboEdit* fEdit = nullptr;
  std::unique_ptr<TComboListBox> fList;
  int fItemIndex = -1;
  bool fSettingText = false;
};

class TComboBox : public TCustomComboBox {
  ORDVANE_CLASS(TComboBox, TCustomComboBox)

 public:
  using TCustomComboBox::TCustomComboBox;
};

}  // namespace ordvane
