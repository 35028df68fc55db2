#pragma once
// The data-aware combo box: the data-aware edit with a drop-down list of items. Without
// key items the text is free, typing completes it from the items and the field receives
// the text; with key items (key mode) the text is always one of the items, the value is
// the key on the same line and the field receives the key.

#include <memory>

#include "gridbase/DBCtrlsEh.h"
#include "gridbase/DropDownEh.h"
#include "gridbase/PopupListboxEh.h"

namespace ordvane {

// How the list of a combo box drops down.
class TDropDownBoxEh : public TPersistent {
  ORDVANE_CLASS(TDropDownBoxEh, TPersistent)

 public:
  TDropDownAlign Align() const { return fAlign; }
  void SetAlign(TDropDownAlign value) { fAlign = value; }
  // The list drops down at the first printable key.
  bool AutoDrop() const { return fAutoDrop; }
  void SetAutoDrop(bool value) { fAutoDrop = value; }
  int Rows() const { return fRows; }
  void SetRows(int value);
  // The list shows a size grip; the size the user gives it is kept.
  bool Sizable() const { return fSizable; }
  void SetSizable(bool value) { fSizable = value; }
  // -1: as wide as the widest item; 0 or less: as wide as the control.
  int Width() const { return fWidth; }
  void SetWidth(int value);

  void Assign(const TPersistent* source) override;

 private:
  TDropDownAlign fAlign = daLeft;
  bool fAutoDrop = false;
  int fRows = 7;
  bool fSizable = false;
  int fWidth = 0;
};

using TNotInListEventEh = TEvent<void(TObject* sender, const AnsiString& newText, bool& recheckInList)>;
using TClosingUpEventEh = TEvent<void(TObject* sender, bool& accept)>;
using TListGetImageIndexEventEh = TEvent<void(TObject* sender, int itemIndex, int& imageIndex)>;
using TGetItemsCountEventEh = TEvent<void(TObject* sender, int& count)>;

class TCustomDBComboBoxEh : public TCustomDBEditEh {
  ORDVANE_CLASS(TCustomDBComboBoxEh, TCustomDBEditEh)

 public:
  explicit TCustomDBComboBoxEh(TComponent* owner);
  ~TCustomDBComboBoxEh() override;

  void Clear() override;
  void WndProc(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  void Dispatch(TMessage& message) override;

  TDropDownBoxEh* DropDownBox() const { return fDropDownBox.get(); }
  // -1: none. Setting it writes the value at once, as the Value setter does.
  int ItemIndex() const { return fItemIndex; }
  void SetItemIndex(int value);
  // The texts offered; compared without case.
  TStrings* Items() const { return fItems.get(); }
  void SetItems(const TStrings* value) { fItems->Assign(value); }
  // The values behind the items, line by line; compared with case. Not empty: key mode.
  TStrings* KeyItems() const { return fKeyItems.get(); }
  void SetKeyItems(const TStrings* value) { fKeyItems->Assign(value); }
  // The items offered: in key mode only the lines both lists have.
  int ItemsCount() const { return fItemsCount; }
  bool KeyMode() const { return fKeyMode; }
  bool ListVisible() const;
  // Nil until the list first drops down.
  TPopupListboxEh* PopupList() const { return fPopupList; }

  TNotInListEventEh OnNotInList;
  TCloseUpEventEh OnCloseUp;
  // Before the choice is taken; may turn an accepting close into a declining one.
  TClosingUpEventEh OnClosingUp;
  TNotifyEvent OnDropDown;
  TListGetImageIndexEventEh OnGetItemImageIndex;
  // Answers the item count while Items is empty (items provided elsewhere).
  TGetItemsCountEventEh OnGetItemsCount;

  // Selects the first item equal to the text without case (with `partial`, the first
  // that begins with it), puts the caret after the text and selects the rest of the
  // item. Answers whether ItemIndex changed.
  virtual bool LocateItem(const AnsiString& text, bool partial);
  // Key-mode typing: the text before the caret plus `str` is looked up as a prefix; a
  // Backspace ("\b") gives up the last character of the prefix.
  virtual bool ProcessSearchStr(const AnsiString& str);
  virtual int GetItemsCount();
  virtual void InternalSetItemIndex(int index);

 protected:
  // The main button is the visible drop-down button (Alt+Down).
  TEditButtonEh* CreateEditButton() override;
  void ButtonDown(bool isDownPart) override;
  TAlignment DefaultAlignment() const override;
  Variant GetVariantValue() const override;
  bool IsValidChar(char ch) const override;
  void DataChanged() override;
  void DropDown() override;
  void CloseUp(bool accept) override;
  void EditButtonMouseMove(TObject* sender, TShiftState shift, int x, int y) override;
  void InternalSetText(const AnsiString& text) override;
  void InternalSetValue(const Variant& value) override;
  void UpdateFieldValue() override;
  void ResetMaxLength() override;
  void UpdateEditReadOnly() override;
  int DefaultImageIndex() const override;
  void UpdateImageIndex() override;
  void UpdateData(TObject* sender) override;
  AnsiString GetPaintText() override;
  void Change() override;
  void KeyDown(Word& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;

 private:
  void ItemsChanged();
  void KeyItemsChanged();
  void UpdateMode();
  // The item of that index (-1 for none), its key and image, and an open list's choice.
  void StoreItemIndex(int index);
  // The index of the text among the offered items, -1 when none.
  int OfferedIndexOf(const AnsiString& text) const;
  // The offered item of a key (the field's text in key mode), -1 when none.
  int OfferedIndexOfKey(const AnsiString& key) const;
  // The user may change the value now: not read-only and the link can edit.
  bool CanChangeValue();
  void UserChanged();
  // Up (-1) or down (+1) one item; answers whether the index changed.
  bool StepItem(int delta);
  void CompleteTypedText(char typed);
  int ListWidth();
  void ListReleased(TMouseButton button, int x, int y);
  void ListResizedByUser();
  TPopupListboxEh* CreatePopupList();

  std::unique_ptr<TDropDownBoxEh> fDropDownBox;
  int fItemIndex = -1;
  std::unique_ptr<TStringList> fItems;
  std::unique_ptr<TStringList> fKeyItems;
  TPopupListboxEh* fPopupList = nullptr;
  int fItemsCount = 0;
  bool fKeyMode = false;
  Variant fKeyValue = Null();
  int fItemImageIndex = -1;
  bool fListSizedByUser = false;
  // Positive while the text is changed by the control itself, not typed.
  int fSettingItem = 0;
};

class TDBComboBoxEh : public TCustomDBComboBoxEh {
  ORDVANE_CLASS(TDBComboBoxEh, TCustomDBComboBoxEh)

 public:
  using TCustomDBComboBoxEh::TCustomDBComboBoxEh;
};

}  // namespace ordvane
