#pragma once
// The data-aware check box: paints itself (a flat or 3D box, the caption, the focus
// rectangle) and maps its three states to a field: a Boolean field directly, any other
// field through the texts of ValueChecked and ValueUnchecked, and Null to grayed.
// Without a data source and a field it keeps a Boolean value of its own.

#include <memory>

#include "classlib/ui/StdButtons.h"
#include "gridbase/ButtonFacesEh.h"
#include "gridbase/DBCtrlsEh.h"

namespace ordvane {

class TCustomDBCheckBoxEh : public TButtonControl {
  ORDVANE_CLASS(TCustomDBCheckBoxEh, TButtonControl)

 public:
  explicit TCustomDBCheckBoxEh(TComponent* owner);
  ~TCustomDBCheckBoxEh() override;

  void Dispatch(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  void Notification(TComponent* component, TOperation operation) override;

  // Left: the box at the right of the caption; right: at its left (mirrored right to left).
  TAlignment Alignment() const { return fAlignment; }
  void SetAlignment(TAlignment value);
  bool AllowGrayed() const { return fAllowGrayed; }
  void SetAllowGrayed(bool value) { fAllowGrayed = value; }
  // The hot look at all times.
  bool AlwaysShowBorder() const { return fAlwaysShowBorder; }
  void SetAlwaysShowBorder(bool value);
  bool Flat() const { return fFlat; }
  void SetFlat(bool value);
  bool ReadOnly() const { return fDataLink->ReadOnly(); }
  void SetReadOnly(bool value) { fDataLink->SetReadOnly(value); }
  // The state changed since it was last read from the data.
  bool Modified() const { return fModified; }
  TCheckBoxState State() const { return fState; }
  // Writes at once (unless inside OnUpdateData); a bound box puts its dataset into edit
  // state first.
  void SetState(TCheckBoxState value);
  // Only a standalone box that is not unchecked keeps its state in stored settings.
  bool StateStored() const { return IsStandalone() && fState != cbUnchecked; }
  virtual bool GetChecked() const { return fState == cbChecked; }
  virtual void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
  // Texts separated by ";", compared without case; the first is the one written.
  const AnsiString& ValueChecked() const { return fValueChecked; }
  void SetValueChecked(const AnsiString& value);
  const AnsiString& ValueUnchecked() const { return fValueUnchecked; }
  void SetValueUnchecked(const AnsiString& value);

  const AnsiString& DataField() const { return fDataLink->FieldName(); }
  void SetDataField(const AnsiString& value) { fDataLink->SetFieldName(value); }
  TDataSource* DataSource() const { return fDataLink->DataSource(); }
  void SetDataSource(TDataSource* value);
  TFieldDataLinkEh* DataLink() const { return fDataLink.get(); }
  TField* Field() const { return fDataLink->Field(); }

  TUpdateDataEventEh OnUpdateData;

  virtual void Toggle();

 protected:
  void PaintFace(TCanvas& canvas) override;
  void CreateWnd() override;
  void KeyDown(Word& key, TShiftState shift) override;
  void KeyUp(Word& key, TShiftState shift) override;
  void KeyPress(char& key) override;

  // The whole face: background, box, caption and focus rectangle.
  virtual void Paint(TCanvas& canvas);
  virtual bool IsStandalone() const { return fDataLink->Standalone(); }
  // The caption and, when focused, the focus rectangle.
  virtual void PaintControl(TCanvas& canvas, const TRect& captionRect);
  virtual void DrawCheckBoxFace(TCanvas& canvas, const TRect& boxRect, TCheckBoxState state);
  // Where the box and the caption go in the client area.
  virtual void PaintLayout(TRect& boxRect, TRect& captionRect);
  virtual void InternalSetState(TCheckBoxState value);
  virtual void UpdateFieldValue();
  virtual void UpdateData(TObject* sender);

 private:
  // The state the data holds: the standalone value, or the field's.
  TCheckBoxState StateFromData() const;
  void DataChange();
  bool BoxAtLeft() const;
  bool ShowsPressed() const;
  // A left press or double click on an unfocused box: focuses it first.
  bool FocusForPress();

  TAlignment fAlignment = taRightJustify;
  bool fAllowGrayed = false;
  bool fAlwaysShowBorder = false;
  // Set while a press takes the focus: the state read on entering fires no click.
  bool fClickSuppressed = false;
  std::unique_ptr<TFieldDataLinkEh> fDataLink;
  bool fFlat = false;
  bool fModified = false;
  bool fMouseInside = false;
  TCheckBoxState fState = cbUnchecked;
  AnsiString fValueChecked;
  AnsiString fValueUnchecked;
  bool fInUserUpdateData = false;
  bool fSpacePressed = false;
};

class TDBCheckBoxEh : public TCustomDBCheckBoxEh {
  ORDVANE_CLASS(TDBCheckBoxEh, TCustomDBCheckBoxEh)

 public:
  using TCustomDBCheckBoxEh::TCustomDBCheckBoxEh;
};

}  // namespace ordvane
