#pragma once
// The masked edit: an edit whose text follows an edit mask.
//
// An EditMask is "mask;save-literals;blank" (save-literals defaults to 1, blank to "_").
// In the mask "!" makes the empty optional positions of a value leading blanks; ">" turns
// what follows to upper case, "<" to lower case, "<>" back to as typed; "\" makes the
// next character a literal; "L"/"l" a letter (required/optional), "A"/"a" a letter or
// digit, "C"/"c" any character, "0"/"9" a digit, "#" a digit or sign (optional); ":" and
// "/" are the time and date separators of the format settings, "_" a blank literal, and
// every other character a literal. Letters are those the code page has in two cases.
//
// EditText has one character per position: literals in place and the blank character at
// empty positions. Text is EditText with blanks as spaces, without the literals when
// save-literals is 0. Typing overwrites the position at the caret (literals are skipped),
// a character of the wrong class is refused with a beep, Backspace and Delete blank
// positions without moving the others, and a paste types its text character by
// character. The character the next key overwrites shows selected.

#include "classlib/core/SysUtils.h"
#include "classlib/ui/EditWindow.h"
#include "classlib/ui/StdCtrls.h"

namespace ordvane {

ORDVANE_DECLARE_EXCEPTION(EDBEditError, Exception);

// The text `value` (with the literals when the mask saves them, without otherwise) put
// into the mask: literals in place, spaces at empty positions.
AnsiString FormatMaskText(const AnsiString& editMask, const AnsiString& value);

class TCustomMaskEdit : public TCustomEdit {
  ORDVANE_CLASS(TCustomMaskEdit, TCustomEdit)

 public:
  explicit TCustomMaskEdit(TComponent* owner);
  ~TCustomMaskEdit() override;

  void Dispatch(TMessage& message) override;
  // The Text setter: a masked edit puts the value into its mask.
  void SetCaption(const AnsiString& value) override;

  const AnsiString& EditMask() const { return fEditMask; }
  // Keeps the text, put into the new mask.
  void SetEditMask(const AnsiString& value);
  bool IsMasked() const { return !fEditMask.empty(); }
  const AnsiString& EditText() const { return TCustomEdit::Text(); }
  void SetEditText(const AnsiString& value);
  AnsiString Text() const;

  // Raises EDBEditError with the caret at the first required position left empty, when
  // the user changed the text.
  virtual void ValidateEdit();
  // Takes back what the user changed since the edit was entered or its text was set.
  virtual void Reset();

 protected:
  // Asked before every change the user makes; false refuses it.
  virtual bool EditCanModify();
  void KeyDown(Word& key, TShiftState shift) override;
  void KeyPress(char& key) override;

 private:
  friend AnsiString FormatMaskText(const AnsiString& editMask, const AnsiString& value);
  struct TMask;

  void CharKeys(char key);
  void InputChar(const AnsiString& ch);
  void DeleteKeys(Word key);
  void ArrowKeys(Word key);
  void Paste();
  void Cut();
  // Replaces positions [first, last) of EditText by `text` as one change the user made.
  void ReplacePositions(int first, int last, const AnsiString& text);
  // Blanks the input positions of [first, last) and selects `caret`.
  void BlankPositions(int first, int last, int caret);
  void SelectPosition(int position);
  void CheckCursor();
  int SelStartPosition();
  int SelEndPosition();

  AnsiString fEditMask;
  std::unique_ptr<TMask> fMask;
  AnsiString fOldValue;
  TTypedChar fTyped;
};

class TMaskEdit : public TCustomMaskEdit {
  ORDVANE_CLASS(TMaskEdit, TCustomMaskEdit)

 public:
  using TCustomMaskEdit::TCustomMaskEdit;
};

}  // namespace ordvane
