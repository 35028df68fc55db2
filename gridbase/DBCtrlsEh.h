#pragma once
// The data-aware controls' link to their field: the one way such a control reads and
// writes a field, or, with neither a data source nor a field name, keeps a value of its
// own (standalone mode) with the same Editing and Modified state a dataset would give.

#include <functional>
#include <memory>
#include <vector>

#include "classlib/core/Variants.h"
#include "classlib/db/DataSource.h"
#include "classlib/ui/ExtCtrls.h"
#include "classlib/ui/Hints.h"
#include "classlib/ui/Mask.h"
#include "gridbase/FactoryPartEh.h"
#include "gridbase/ToolCtrlsEh.h"

namespace ordvane {

class TFieldDataLinkEh : public TDataLink {
  ORDVANE_CLASS(TFieldDataLinkEh, TDataLink)

 public:
  TFieldDataLinkEh();

  // The first bound field, or nil.
  TField* Field() const { return fFields.empty() ? nullptr : fFields.front(); }
  int FieldsCount() const { return static_cast<int>(fFields.size()); }
  // Nil for any index outside the bound fields.
  TField* Fields(int index) const;
  const AnsiString& FieldName() const { return fFieldName; }
  // Binds at once: EDatabaseError "Field '%s' not found" (naming the control when one is
  // set) for a name the open dataset lacks, and then nothing is bound.
  void SetFieldName(const AnsiString& value);
  void SetDataSource(TDataSource* value) override;
  // The owning control: named in errors, focused for its field.
  TComponent* Control() const { return fControl; }
  void SetControl(TComponent* value) { fControl = value; }
  // With it, FieldName lists several fields separated by ';'.
  bool MultiFields() const { return fMultiFields; }
  void SetMultiFields(bool value);

  bool Standalone() const { return fStandalone; }
  // The value kept in standalone mode; Null whenever the mode changes.
  const Variant& Value() const { return fValue; }

  // True in standalone mode, else while the data source is active and a field is bound.
  bool Active() const;
  // The dataset a value written now would go to: bound to a field through a data source
  // with a dataset; nullptr otherwise (standalone, or a field name with nothing behind it).
  TDataSet* BoundDataSet() const;
  bool Editing() const { return fEditing; }
  bool Modified() const { return fModified; }
  // The control calls it on every change of its text or state.
  void SetModified() { fModified = true; }
  // The control reloads from the field (or the standalone value).
  void Reset() { RecordChanged(nullptr); }
  // Standalone: starts editing unless read-only. Bound: puts the dataset into edit state
  // when the field can be modified. Answers Editing.
  bool Edit();
  // The field's answer when bound to one; True standalone; False otherwise.
  bool CanModify() const;
  // Standalone: the value becomes the text. Bound: a memo field takes it as its string,
  // any other field through its Text (so OnSetText sees it); without a field, nothing.
  void SetText(const AnsiString& text);
  // Standalone: the value. Bound to several fields: element i of an array into field i
  // (see AssignFieldValuesEh), anything else into every field; bound to one: its value.
  void SetValue(const Variant& value);

  TNotifyEvent OnDataChange;
  TNotifyEvent OnEditingChange;
  TNotifyEvent OnUpdateData;
  TNotifyEvent OnActiveChange;

 protected:
  void ActiveChanged() override;
  void DataEvent(TDataEvent event, NativeInt info) override;
  void EditingChanged() override;
  void FocusControl(TField*& field) override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;
  void UpdateData() override;
  // Binds the fields FieldName names, reloads the control, and re-creates the control's
  // window when its right-to-left layout no longer suits the field.
  virtual void UpdateField();

 private:
  bool IsBound(const TField* field) const;
  void UpdateStandalone();
  void UpdateRightToLeft();
  void SetEditing(bool value);
  void Fire(const TNotifyEvent& event);

  TFieldsArrEh fFields;
  AnsiString fFieldName;
  TComponent* fControl = nullptr;
  bool fMultiFields = false;
  bool fStandalone = true;
  bool fEditing = false;
  bool fModified = false;
  Variant fValue;
};

}  // namespace ordvane

// ---- The data-aware edit --------------------------------------------------------------

namespace ordvane {

class TCustomDBEditEh;

// A control (a grid) that hosts an edit as its in-place editor: it sees the edit's
// messages and keys first and may forbid changes.
class IInplaceEditHolderEh {
 public:
  virtual ~IInplaceEditHolderEh() = default;
  virtual bool InplaceEditCanModify(TControl* edit) = 0;
  // The point (holder's client coordinates) and tick time of the last press in the holder.
  virtual void GetMouseDownInfo(TPoint& point, Cardinal& time) = 0;
  // True when the holder handled the message.
  virtual bool InplaceEditWndProc(TControl* edit, TMessage& message) = 0;
  virtual void InplaceEditKeyDown(TControl* edit, Word& key, TShiftState shift) = 0;
  virtual void InplaceEditKeyPress(TControl* edit, char& key) = 0;
  virtual void InplaceEditKeyUp(TControl* edit, Word& key, TShiftState shift) = 0;
};

// The image at the left of an edit. Every change tells the edit (CM_EDITIMAGECHANGEDEH).
class TEditImageEh : public TPersistent {
  ORDVANE_CLASS(TEditImageEh, TPersistent)

 public:
  explicit TEditImageEh(TCustomDBEditEh* edit);
  ~TEditImageEh() override;

  int ImageIndex() const { return fImageIndex; }
  void SetImageIndex(int value);
  TCustomImageList* Images() const { return fImages; }
  void SetImages(TCustomImageList* value);
  bool UseImageHeight() const { return fUseImageHeight; }
  void SetUseImageHeight(bool value);
  bool Visible() const { return fVisible; }
  void SetVisible(bool value);
  // 0: the image list's width.
  int Width() const { return fWidth; }
  void SetWidth(int value);

  // Images, ImageIndex, Visible and Width.
  void Assign(const TPersistent* source) override;

 private:
  template <class T>
  void Store(T& field, const T& value);

  TCustomDBEditEh* fEdit;
  int fImageIndex = -1;
  TCustomImageList* fImages = nullptr;
  bool fUseImageHeight = true;
  bool fVisible = false;
  int fWidth = 0;
};

// A hint window whose text takes the font handed over as the hint data (a TFont).
class TToolTipsWindow : public THintWindow {
  ORDVANE_CLASS(TToolTipsWindow, THintWindow)

 public:
  using THintWindow::THintWindow;
  TRect CalcHintRect(int maxWidth, const AnsiString& hint, void* data) override;
};

using TCheckDrawRequiredStateEventEh = TEvent<void(TObject* sender, bool& drawState)>;
using TGetImageIndexEventEh = TEvent<void(TObject* sender, int& imageIndex)>;
using TUpdateDataEventEh = TEvent<void(TObject* sender, bool& handled)>;

// Runs a control's OnUpdateData (when assigned) with `inHandler` set for its span, so the
// control knows not to write again from inside it; answers whether the handler wrote.
bool FireUpdateDataEh(const TUpdateDataEventEh& event, TObject* sender, bool& inHandler);

// The single-line data-aware edit: a masked edit that shows and edits one field through
// its TFieldDataLinkEh, or keeps a value of its own with neither a data source nor a
// field name. Around its text it shows edit buttons, an image at the left, the list of
// recently used values, a red underline for a required empty value and a flat border.
class TCustomDBEditEh : public TCustomMaskEdit {
  ORDVANE_CLASS(TCustomDBEditEh, TCustomMaskEdit)

 public:
  explicit TCustomDBEditEh(TComponent* owner);
  ~TCustomDBEditEh() override;

  // An action takes the edit itself first (the edit actions), then its data link's source
  // (the dataset actions).
  bool ExecuteAction(TBasicAction* action) override;
  bool UpdateAction(TBasicAction* action) override;
  void Dispatch(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  void WndProc(TMessage& message) override;
  void SetFocus() override;
  void Clear() override;
  void Reset() override;
  void ValidateEdit() override;
  void SetAutoSize(bool value) override;
  // The Text setter: writes at once, as SetValue does.
  void SetCaption(const AnsiString& value) override;

  TAlignment Alignment() const;
  void SetAlignment(TAlignment value);
  // Set explicitly rather than taken from the field.
  bool AlignmentAssigned() const { return fAlignmentAssigned; }
  bool EditMaskAssigned() const { return fEditMaskAssigned; }
  bool AlwaysShowBorder() const { return fAlwaysShowBorder; }
  void SetAlwaysShowBorder(bool value);
  bool AcceptsReturn() const { return fAcceptsReturn; }
  void SetAcceptsReturn(bool value) { fAcceptsReturn = value; }
  bool AcceptsTab() const { return fAcceptsTab; }
  void SetAcceptsTab(bool value) { fAcceptsTab = value; }
  // The border is drawn highlighted.
  bool Active() const { return fActive; }
  const AnsiString& DataField() const { return GetDataField(); }
  void SetDataField(const AnsiString& value);
  TDataSource* DataSource() const { return GetDataSource(); }
  void SetDataSource(TDataSource* value);
  TFieldDataLinkEh* DataLink() const { return fDataLink.get(); }
  TField* Field() const { return fDataLink->Field(); }
  bool DroppedDown() const { return fDroppedDown; }
  TEditButtonEh* EditButton() const { return fEditButton.get(); }
  TEditButtonsEh* EditButtons() const { return fEditButtons.get(); }
  TEditImageEh* EditImage() const { return fEditImage.get(); }
  void SetEditMask(const AnsiString& value);
  bool Flat() const { return fFlat; }
  void SetFlat(bool value);
  bool HighlightRequired() const { return fHighlightRequired; }
  void SetHighlightRequired(bool value);
  // Maps to EditImage's images and shows the image.
  void SetImages(TCustomImageList* value);
  TWinControl* InplaceEditHolder() const { return fInplaceEditHolder; }
  void SetInplaceEditHolder(TWinControl* value);
  TMRUListEh* MRUList() const { return fMRUList.get(); }
  // Nil until the list of recently used values first drops down.
  TMRUListboxEh* MRUListbox() const { return fMRUListbox; }
  bool MRUListVisible() const;
  bool ReadOnly() const { return fReadOnly; }
  void SetReadOnly(bool value);
  // The typed text reaches the field: not read-only and the field can be changed.
  bool UserCanModify() const override;
  bool EditShowHint() const { return fShowHint; }
  void SetEditShowHint(bool value);
  bool Tooltips() const { return fTooltips; }
  void SetTooltips(bool value);
  bool WordWrap() const { return fWordWrap; }
  void SetWordWrap(bool value);
  bool Visible() const;
  void SetVisible(bool value);
  void SetBounds(int left, int top, int width, int height) override;
  // The button control of the main button (index 0) or of EditButtons[index - 1].
  TEditButtonControlEh* ButtonControl(int index) const;
  // The separator shown before a button control in the flat look.
  TShape* ButtonSeparator(int index) const;

  Variant Value() const { return GetVariantValue(); }
  void SetValue(const Variant& value) { SetVariantValue(value); }

  TButtonClickEventEh OnButtonClick;
  TButtonDownEventEh OnButtonDown;
  TCheckDrawRequiredStateEventEh OnCheckDrawRequiredState;
  TGetImageIndexEventEh OnGetImageIndex;
  TUpdateDataEventEh OnUpdateData;

 protected:
  virtual bool IsFieldLinked() const;
  // The factories of the data link, the main button, the additional buttons and the image,
  // each called when its part is first used, so that a descendant's own are the ones called.
  virtual TFieldDataLinkEh* CreateDataLink();
  virtual TEditButtonEh* CreateEditButton();
  virtual TEditButtonControlEh* CreateEditButtonControl();
  virtual TEditButtonsEh* CreateEditButtons();
  virtual TEditImageEh* CreateEditImage();
  virtual bool IsStandalone() const;
  virtual TAlignment DefaultAlignment() const;
  virtual AnsiString DefaultEditMask() const;
  virtual int DefaultImageIndex() const;
  virtual const AnsiString& GetDataField() const;
  virtual TDataSource* GetDataSource() const;
  virtual AnsiString GetPaintText();
  virtual Variant GetVariantValue() const;
  virtual bool IsValidChar(char ch) const;
  virtual void ActiveChanged();
  virtual void UpdateHeight();
  virtual TMRUListboxEh* CreateMRUListbox();
  virtual void FilterMRUItem(const AnsiString& item, bool& accept);
  virtual void MRUListboxResized();
  virtual void UpdateMRUList();
  virtual void ButtonDown(bool isDownPart);
  virtual TRect GetEditRect();
  virtual void CloseUp(bool accept);
  virtual void DataChanged();
  virtual void DropDown();
  virtual void EditButtonClick(TObject* sender);
  virtual void EditButtonDown(TObject* sender, bool topButton, bool& autoRepeat, bool& handled);
  virtual void EditButtonMouseMove(TObject* sender, TShiftState shift, int x, int y);
  virtual void EditButtonMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  virtual void EditingChanged();
  virtual void InternalSetText(const AnsiString& text);
  virtual void InternalSetValue(const Variant& value);
  virtual void UpdateFieldValue();
  virtual void PaintRequiredState(TCanvas* canvas);
  virtual void ResetMaxLength();
  virtual void SetFocused(bool value);
  virtual void SetVariantValue(const Variant& value);
  virtual void UpdateEditReadOnly();
  virtual void UpdateHeightStyle();
  virtual void UpdateShowHint();
  virtual void UpdateImageIndex();
  virtual void UpdateData(TObject* sender);

  void Notification(TComponent* component, TOperation operation) override;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void PaintWindow(HDC dc) override;
  bool EditCanModify() override;
  void Change() override;
  void KeyDown(Word& key, TShiftState shift) override;
  void KeyUp(Word& key, TShiftState shift) override;
  void KeyPress(char& key) override;

  // Puts a bound dataset into edit state, runs `write`, then writes the value at once
  // (unless inside OnUpdateData).
  void SetTextWrite(const std::function<void()>& write);
  // A client point over the buttons or the image, not the text.
  bool InButtonsOrImage(TPoint client) const;

 private:
  struct TSettingText {
    explicit TSettingText(int& depth) : fDepth(depth) { ++fDepth; }
    ~TSettingText() { --fDepth; }
    TSettingText(const TSettingText&) = delete;
    TSettingText& operator=(const TSettingText&) = delete;
    int& fDepth;
  };
  struct TButtonPair {
    TShape* separator;
    TEditButtonControlEh* control;
  };

  TEditButtonEh* ButtonOf(TObject* control) const;
  bool PressButtonByShortCut(Word key, TShiftState shift);
  void UpdateButtons();
  void LayoutButtons();
  void UpdateEditRect();
  int ButtonWidth(const TEditButtonEh* button) const;
  void UpdateImageWidth();
  void UpdateActive();
  void DropDownMRUList();
  void CloseMRUList(bool accept);
  // Keys the open list takes from the edit; true when it took the key.
  bool MRUListKey(Word key, TShiftState shift);
  // The text is empty: no characters, or a mask's blanks only.
  bool IsEmptyText() const;
  bool RequiredAndEmpty();
  void PaintSelf(HDC dc);
  void PaintFlatBorder();
  int TextMargin();
  void SetHolderDoubleClick(TMessage& message);
  bool HintShow(THintInfo& info);

  bool fAlwaysShowBorder = false;
  bool fAlignmentAssigned = false;
  bool fEditMaskAssigned = false;
  TFactoryPartEh<TEditButtonEh> fEditButton;
  TFactoryPartEh<TEditButtonsEh> fEditButtons;
  TFactoryPartEh<TEditImageEh> fEditImage;
  bool fFlat = false;
  bool fHighlightRequired = false;
  std::unique_ptr<TMRUListEh> fMRUList;
  TMRUListboxEh* fMRUListbox = nullptr;
  // Positive while the text is set in code.
  int fSettingText = 0;
  bool fReadOnly = false;
  bool fAcceptsReturn = false;
  bool fAcceptsTab = false;
  bool fShowHint = false;
  bool fTooltips = false;
  bool fWordWrap = false;
  TAlignment fAlignment = taLeftJustify;
  bool fActive = false;
  int fButtonsWidth = 0;
  TFactoryPartEh<TFieldDataLinkEh> fDataLink;
  bool fInUserUpdateData = false;
  bool fDroppedDown = false;
  std::vector<TButtonPair> fButtonControls;
  bool fFocused = false;
  int fImageWidth = 0;
  TWinControl* fInplaceEditHolder = nullptr;
  bool fInplaceMode = false;
  IInplaceEditHolderEh* fInplaceEditHolderIntf = nullptr;
  bool fMouseInside = false;
  bool fDroppedDownByThisPress = false;
};

}  // namespace ordvane
