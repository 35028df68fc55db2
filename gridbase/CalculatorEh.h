#pragma once
// A small four-function calculator as a control, and its drop-down form, which hands the
// result to the control that opened it.

#include <array>

#include "classlib/core/Variants.h"
#include "classlib/ui/ExtCtrls.h"
#include "classlib/ui/StdButtons.h"
#include "gridbase/DropDownEh.h"
#include "gridbase/EditButtonsEh.h"

namespace ordvane {

class TCalculatorEh : public TCustomControl {
  ORDVANE_CLASS(TCalculatorEh, TCustomControl)

 public:
  // The key characters that are no printable character.
  static constexpr char kBackspaceKey = 8;
  static constexpr char kEnterKey = 13;
  static constexpr char kEscapeKey = 27;
  static constexpr char kCopyKey = 3;
  static constexpr char kPasteKey = 22;
  // Tags 1 .. 23 of the key buttons; 23 is the Ok key.
  static constexpr int kKeyCount = 23;
  static constexpr int kOkTag = 23;

  explicit TCalculatorEh(TComponent* owner);

  // The one entry of every input: typed, clicked, wheeled or pasted.
  virtual void HandleKey(char key);
  // Every key button runs it: the button's tag selects its key character.
  void SpeedButtonClick(TObject* sender);

  TLabel* TextBox() const { return fTextBox; }
  // The key button with a tag (1 .. 23), nil otherwise.
  TSpeedButtonEh* KeyButton(int tag) const;
  TSpeedButtonEh* EqualButton() const { return KeyButton(kOkTag); }
  bool InError() const { return fState == TState::Error; }
  // The client size the keys were laid out for, plus the frame (the size it takes).
  virtual TSize AutoSizeExtent() const;


 protected:
  // The shown number; 0 in the error state. Raises EConvertError for text that is no number.
  double DisplayValue() const;
  // Starts over: nothing pending, 0 shown.
  void ClearCalculator();
  // The shown number as a currency when it has at most four decimals and fits one.
  bool DisplayAsCurrency(Currency& value) const;
  // Shows a number; a number that is not finite shows the error.
  void ShowValue(double value);
  // Shows a currency with all its digits.
  void ShowValue(Currency value);
  // The Ok key reads "=" while an operation waits for the typed operand, "Ok" otherwise.
  void UpdateOkCaption();

  // Lays the display and the keys out for the font: the design was drawn at 96 pixels per
  // inch with text 13 pixels high, and keys grow and shrink with the text.
  void Loaded() override;
  void KeyDown(Word& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;

 private:
  enum class TState { Result, Typing, Error };

  void BuildKeys();
  void StartTyping();
  void ShowError();
  void TypeDigit(char digit);
  void TypeDecimalSeparator();
  void EraseLastCharacter();
  void ApplyOperator(char key);
  void CopyToClipboard();
  void PasteFromClipboard();
  void StepByWheel(double step);
  void SetDisplay(const AnsiString& text);
  const AnsiString& Display() const;

  TPanel* fPanel = nullptr;
  TLabel* fTextBox = nullptr;
  std::array<TSpeedButtonEh*, kKeyCount + 1> fKeys{};
  double fAccumulator = 0;
  char fPendingOperator = '=';
  TState fState = TState::Result;
  TSize fDesignClientSize;
};

// What the control that opens a drop-down calculator uses of it.
class IPopupCalculatorEh {
 public:
  virtual ~IPopupCalculatorEh() = default;
  // True while the Ok key reads "Ok": Enter would accept rather than compute.
  virtual bool GetCanCloseUp() const = 0;
  virtual bool GetFlat() const = 0;
  // The shown number: a Currency when it has at most four decimals and fits one, a Double
  // otherwise, or a varError value (code -1) in the error state.
  virtual Variant GetValue() const = 0;
  virtual void SetFlat(bool value) = 0;
  // Clears the calculator and shows the value (a Currency with all its digits).
  virtual void SetValue(const Variant& value) = 0;
};

// The drop-down form of the calculator: a tool window that never takes activation, closed
// through its owner's IPopupEditOwnerEh. Enter asked for as a special key accepts.
class TPopupCalculatorEh : public TCalculatorEh, public IPopupCalculatorEh {
  ORDVANE_CLASS(TPopupCalculatorEh, TCalculatorEh)

 public:
  explicit TPopupCalculatorEh(TComponent* owner);

  void HandleKey(char key) override;
  TSize AutoSizeExtent() const override;
  int BorderWidth() const { return Ctl3D() ? 2 : 0; }

  bool GetCanCloseUp() const override;
  bool GetFlat() const override { return fFlat; }
  Variant GetValue() const override;
  void SetFlat(bool value) override;
  void SetValue(const Variant& value) override;

  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void KeyDown(Word& key, TShiftState shift) override;

 private:
  bool fFlat = true;
};

}  // namespace ordvane
