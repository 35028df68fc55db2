#pragma once
// The data-aware grid's in-place editor: the base editor with everything the current
// column adds, an edit style from the column and its field, the column's edit buttons, a
// drop-down per style (pick list, lookup grid, month calendar, calculator), an up-down
// step, the list of recently used values, completion of typed and pasted text from the
// pick list or the lookup list, and the mark of a required value that is missing.

#include <vector>

#include "classlib/ui/ExtCtrls.h"
#include "grid/DBGridEh.h"
#include "grid/DBLookupGridsEh.h"
#include "gridbase/CalculatorEh.h"
#include "gridbase/DropDownEh.h"
#include "gridbase/EditButtonsEh.h"
#include "gridbase/MRUListEh.h"
#include "gridbase/PopupListboxEh.h"

namespace ordvane {

class TDBGridInplaceEdit : public TInplaceEdit, public IPopupEditOwnerEh {
  ORDVANE_CLASS(TDBGridInplaceEdit, TInplaceEdit)

 public:
  // `owner` is the grid.
  explicit TDBGridInplaceEdit(TComponent* owner);
  ~TDBGridInplaceEdit() override;

  TCustomDBGridEh* DBGrid() const { return fDBGrid; }
  // The grid's current column; nullptr without columns or outside them.
  TColumnEh* Column() const;
  TColumnEditStyleEh ColumnEditStyle() const { return fEditStyle; }
  // The drop-down of the edit style; nullptr for a style without one.
  TWinControl* ActiveList() const { return fActiveList; }
  bool ListVisible() const { return fListVisible; }
  TPopupListboxEh* PickList() const { return fPickList; }
  TPopupMonthCalendarEh* Calendar() const { return fCalendar; }
  TPopupCalculatorEh* Calculator() const { return fCalculator; }
  TPopupDataGridEh* DataList() const { return fDataList; }
  TMRUListboxEh* MRUListbox() const { return fMRUListbox; }
  bool MRUListVisible() const;
  // The button control of the default button (0) or of EditButtons[index - 1]; nullptr
  // outside the row.
  TEditButtonControlEh* ButtonControl(int index) const;
  TShape* ButtonSeparator(int index) const;
  // The room the edit-button row takes.
  int ButtonsWidth() const { return fButtonsWidth; }
  int ImageIndex() const { return fImageIndex; }

  // Hides the open drop-down; an accepted choice is written into the field.
  void CloseUp(bool accept) override;

  void WndProc(TMessage& message) override;
  void Dispatch(TMessage& message) override;

  virtual void UpdateEditButtonsState();
  virtual void SetupEditButton(TEditButtonControlEh& control);
  virtual TMRUListboxEh* CreateMRUList();
  virtual TPopupCalculatorEh* CreateCalculator();
  // A press on the default button: one step for the up-down style (`down` the lower half),
  // else opens or closes the drop-down.
  virtual void EditButtonClick(bool down);
  virtual void UpdateEditRect(TRect& rect);
  // Completes the text from the lists with the typed character; `key` is emptied when the
  // character was used up.
  virtual void ApplyPickListValue(AnsiString& key);
  // Opens the drop-down of the edit style under the cell.
  virtual void DropDown();
  virtual void EditButtonMouseDown(TObject* sender, bool topButton, bool& autoRepeat, bool& handled);
  virtual void EditButtonMouseMove(TObject* sender, TShiftState shift, int x, int y);
  virtual void EditButtonMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  virtual void UpdateMRUList(const AnsiString& item, bool& accept);
  virtual void ShowMRUList();
  virtual void PaintHighlightRequired(TCanvas& canvas);
  virtual void ForceUpdateEditButtons();

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  void CreateParams(TCreateParams& params) override;
  void BoundsChanged() override;
  void UpdateContents() override;
  void PaintWindow(HDC dc) override;
  void KeyDown(Word& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;

 private:
  struct TButtonPair {
    TEditButtonControlEh* control;
    TShape* separator;
  };

  void SetEditStyle(TColumnEditStyleEh style);
  // The keys the grid takes from its editor: Enter as Tab and the find shortcut.
  bool HandToGridByKey(Word key, TShiftState shift);
  TPopupListboxEh* EnsurePickList();
  TPopupMonthCalendarEh* EnsureCalendar();
  bool StyleHasDropDown() const;
  bool IsNumericField() const;
  // The button of control pair `index`: the column's default button or an extra one.
  TEditButtonEh* ButtonOf(int index) const;
  int IndexOfControl(const TObject* control) const;
  // Brings the pairs to the column's buttons and lays the row out.
  void LayoutEditButtons();
  void SyncButtonPairs(int wanted);
  int EditButtonWidth(const TEditButtonEh* button, bool isDefault) const;
  // A click on a button control: the grid's and the column's events for the default
  // button (then the drop-down, unless handled), the button's own for an extra one.
  void ButtonClicked(TObject* sender);
  void FillPickList();
  void ShowListWindow(TWinControl* list);
  // The value the open drop-down offers; false when it offers none.
  bool TakeDropDownChoice(Variant& value, bool& useText, AnsiString& text);
  // Drop-down and list keys; true when the message was used up.
  bool HandleDropDownKey(TMessage& message);
  bool ForwardToOpenList(TMessage& message);
  bool HandleMRUKey(TMessage& message);
  void FollowOpenList();
  void CloseMRUList(bool accept);
  void AfterTextChange(const AnsiString& before);
  // Completion of a candidate text (typing, pasting): true when the cell took it.
  bool ResolveLookupText(const AnsiString& candidate, int typedLength);
  bool ResolvePickListText(const AnsiString& candidate, int typedLength);
  void SetCompletedText(const AnsiString& text, int typedLength);
  void FollowDeletion();
  void PasteText();
  void SetSpecRowValue();
  bool PressButtonByShortCut(TShortCut shortCut);
  void StepValue(double increment);
  bool CanEditRow() const;
  bool IsKeyPickListCell();
  void SetPendingKey(const Variant& key);
  void SetSavedText(const AnsiString& text);
  bool RequiredValueMissing();
  bool InsideEditor(HWND wnd) const;

  TCustomDBGridEh* fDBGrid;
  // The lookup popup's list source while it shows.
  TDataSource fDataSource{nullptr};
  TColumnEditStyleEh fEditStyle = esSimple;
  TWinControl* fActiveList = nullptr;
  TPopupListboxEh* fPickList = nullptr;
  TPopupDataGridEh* fDataList = nullptr;
  TPopupMonthCalendarEh* fCalendar = nullptr;
  TPopupCalculatorEh* fCalculator = nullptr;
  TMRUListboxEh* fMRUListbox = nullptr;
  std::vector<TButtonPair> fButtons;
  int fButtonsWidth = 0;
  int fButtonHeight = 0;
  int fImageIndex = -1;
  bool fListVisible = false;
  // The press on the default button that the open drop-down closes on.
  bool fClosingByButton = false;
  bool fPickListSizedByUser = false;
  bool fWordWrap = false;
  bool fRefreshButtons = false;
  // A key the drop-down or the recent-values list took: its character is dropped too.
  bool fSwallowChar = false;
};

}  // namespace ordvane
