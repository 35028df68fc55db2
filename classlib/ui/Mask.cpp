#include "classlib/ui/Mask.h"

#include <algorithm>
#include <vector>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/CodePages.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/ui/Clipbrd.h"
#include "classlib/ui/EditWindow.h"
#include "classlib/ui/Host.h"

namespace ordvane {

namespace {

enum class TPositionKind { Literal, Letter, AlphaNum, Any, Digit, DigitOrSign };
enum class TCaseMode { AsTyped, Upper, Lower };

struct TMaskPosition {
  TPositionKind kind = TPositionKind::Literal;
  bool required = false;
  TCaseMode caseMode = TCaseMode::AsTyped;
  AnsiString literal;
};

// The characters of a text, each as its own string (a UTF-8 sequence is one).
std::vector<AnsiString> SplitChars(const AnsiString& text) {
  std::vector<AnsiString> chars;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t next = NextCharPos(text, pos);
    chars.push_back(text.substr(pos, next - pos));
    pos = next;
  }
  return chars;
}

bool IsLetter(const AnsiString& ch) {
  return AnsiUpperCase(ch) != AnsiLowerCase(ch);
}

bool IsDigit(const AnsiString& ch) {
  return ch.size() == 1 && ch[0] >= '0' && ch[0] <= '9';
}

// The edit-mask fields split at the separators that no backslash escapes.
std::vector<AnsiString> SplitFields(const AnsiString& editMask) {
  std::vector<AnsiString> fields(1);
  for (std::size_t i = 0; i < editMask.size(); ++i) {
    if (editMask[i] == '\\' && i + 1 < editMask.size()) {
      fields.back() += editMask.substr(i, 2);
      ++i;
    } else if (editMask[i] == ';') {
      fields.emplace_back();
    } else {
      fields.back() += editMask[i];
    }
  }
  return fields;
}

}  // namespace

struct TCustomMaskEdit::TMask {
  std::vector<TMaskPosition> positions;
  bool saveLiterals = true;
  char blank = '_';
  bool leadingBlanks = false;

  explicit TMask(const AnsiString& editMask) {
    std::vector<AnsiString> fields = SplitFields(editMask);
    // The last two fields are the save flag and the blank character; a mask with fewer
    // fields keeps the defaults.
    if (fields.size() >= 3) {
      if (!fields.back().empty()) blank = fields.back()[0];
      fields.pop_back();
    }
    if (fields.size() >= 2) {
      saveLiterals = fields.back() != "0";
      fields.pop_back();
    }
    Parse(fields[0]);
  }

  void Parse(const AnsiString& mask) {
    TCaseMode caseMode = TCaseMode::AsTyped;
    const TFormatSettings& settings = FormatSettings();
    for (std::size_t i = 0; i < mask.size(); i = NextCharPos(mask, i)) {
      const char c = mask[i];
      auto input = [&](TPositionKind kind, bool required) {
        positions.push_back({kind, required, caseMode, {}});
      };
      auto literal = [&](const AnsiString& text) {
        positions.push_back({TPositionKind::Literal, false, caseMode, text});
      };
      switch (c) {
        case '!':
          leadingBlanks = true;
          break;
        case '>':
          caseMode = TCaseMode::Upper;
          break;
        case '<':
          if (i + 1 < mask.size() && mask[i + 1] == '>') {
            caseMode = TCaseMode::AsTyped;
            ++i;
          } else {
            caseMode = TCaseMode::Lower;
          }
          break;
        case '\\':
          if (i + 1 < mask.size()) {
            ++i;
            literal(mask.substr(i, NextCharPos(mask, i) - i));
          }
          break;
        case 'L':
        case 'l':
          input(TPositionKind::Letter, c == 'L');
          break;
        case 'A':
        case 'a':
          input(TPositionKind::AlphaNum, c == 'A');
          break;
        case 'C':
        case 'c':
          input(TPositionKind::Any, c == 'C');
          break;
        case '0':
        case '9':
          input(TPositionKind::Digit, c == '0');
          break;
        case '#':
          input(TPositionKind::DigitOrSign, false);
          break;
        case ':':
          literal(AnsiString(1, settings.TimeSeparator));
          break;
        case '/':
          literal(AnsiString(1, settings.DateSeparator));
          break;
        case '_':
          literal(" ");
          break;
        default:
          literal(mask.substr(i, NextCharPos(mask, i) - i));
      }
    }
  }

  int Count() const { return static_cast<int>(positions.size()); }
  bool IsInput(int index) const {
    return index >= 0 && index < Count() &&
           positions[static_cast<std::size_t>(index)].kind != TPositionKind::Literal;
  }

  // The character as the position takes it (its case applied), or empty when refused.
  AnsiString Accept(int index, const AnsiString& ch) const {
    const TMaskPosition& p = positions[static_cast<std::size_t>(index)];
    AnsiString cased = p.caseMode == TCaseMode::Upper   ? AnsiUpperCase(ch)
                       : p.caseMode == TCaseMode::Lower ? AnsiLowerCase(ch)
                                                        : ch;
    bool ok = false;
    switch (p.kind) {
      case TPositionKind::Letter:
        ok = IsLetter(ch);
        break;
      case TPositionKind::AlphaNum:
        ok = IsLetter(ch) || IsDigit(ch);
        break;
      case TPositionKind::Any:
        ok = static_cast<Byte>(ch[0]) >= 32;
        break;
      case TPositionKind::Digit:
        ok = IsDigit(ch);
        break;
      case TPositionKind::DigitOrSign:
        ok = IsDigit(ch) || ch == "+" || ch == "-";
        break;
      case TPositionKind::Literal:
        break;
    }
    return ok ? cased : AnsiString();
  }

  // The edit text of a value: the value's characters go to every position when the mask
  // saves literals (a literal's place keeps the literal) or to the input positions only;
  // a value shorter than them leaves its empty positions at the end, or at the start
  // with leading blanks. Spaces become the blank character.
  AnsiString Format(const AnsiString& value, char blankChar) const {
    const std::vector<AnsiString> chars = SplitChars(value);
    std::vector<int> targets;
    for (int i = 0; i < Count(); ++i)
      if (saveLiterals || IsInput(i)) targets.push_back(i);
    const int skip =
        leadingBlanks ? std::max(0, static_cast<int>(targets.size()) - static_cast<int>(chars.size())) : 0;
    std::vector<AnsiString> out(positions.size());
    for (int i = 0; i < Count(); ++i)
      out[static_cast<std::size_t>(i)] =
          IsInput(i) ? AnsiString(1, blankChar) : positions[static_cast<std::size_t>(i)].literal;
    for (std::size_t t = static_cast<std::size_t>(skip); t < targets.size(); ++t) {
      const std::size_t from = t - static_cast<std::size_t>(skip);
      if (from >= chars.size()) break;
      const int index = targets[t];
      if (!IsInput(index) || chars[from] == " ") continue;
      const AnsiString& ch = chars[from];
      const TMaskPosition& p = positions[static_cast<std::size_t>(index)];
      out[static_cast<std::size_t>(index)] = p.caseMode == TCaseMode::Upper   ? AnsiUpperCase(ch)
                                             : p.caseMode == TCaseMode::Lower ? AnsiLowerCase(ch)
                                                                              : ch;
    }
    AnsiString text;
    for (const AnsiString& ch : out) text += ch;
    return text;
  }
};

AnsiString FormatMaskText(const AnsiString& editMask, const AnsiString& value) {
  return TCustomMaskEdit::TMask(editMask).Format(value, ' ');
}

// TCustomMaskEdit

TCustomMaskEdit::TCustomMaskEdit(TComponent* owner) : TCustomEdit(owner) {}

TCustomMaskEdit::~TCustomMaskEdit() = default;

void TCustomMaskEdit::SetEditMask(const AnsiString& value) {
  if (value == fEditMask) return;
  const AnsiString kept = Text();
  fEditMask = value;
  fMask = value.empty() ? nullptr : std::make_unique<TMask>(value);
  SetCaption(kept);
}

AnsiString TCustomMaskEdit::Text() const {
  if (!IsMasked()) return TCustomEdit::Text();
  const std::vector<AnsiString> chars = SplitChars(EditText());
  AnsiString text;
  for (int i = 0; i < static_cast<int>(chars.size()); ++i) {
    if (!fMask->saveLiterals && !fMask->IsInput(i)) continue;
    const bool blank = fMask->IsInput(i) && chars[static_cast<std::size_t>(i)] == AnsiString(1, fMask->blank);
    text += blank ? AnsiString(" ") : chars[static_cast<std::size_t>(i)];
  }
  return text;
}

void TCustomMaskEdit::SetCaption(const AnsiString& value) {
  if (IsMasked())
    SetEditText(fMask->Format(value, fMask->blank));
  else
    TCustomEdit::SetCaption(value);
}

void TCustomMaskEdit::SetEditText(const AnsiString& value) {
  AnsiString text = value;
  if (IsMasked()) {
    // Each position keeps its literal; input positions take the value's characters.
    const std::vector<AnsiString> chars = SplitChars(value);
    text.clear();
    for (int i = 0; i < fMask->Count(); ++i) {
      const auto at = static_cast<std::size_t>(i);
      if (!fMask->IsInput(i))
        text += fMask->positions[at].literal;
      else
        text += at < chars.size() ? chars[at] : AnsiString(1, fMask->blank);
    }
  }
  TDestroyWatch watch(this);
  TCustomEdit::SetCaption(text);
  if (watch.Gone()) return;
  fOldValue = EditText();
  if (Focused()) CheckCursor();
}

bool TCustomMaskEdit::EditCanModify() {
  return true;
}

void TCustomMaskEdit::Reset() {
  if (!Modified()) return;
  SetEditText(fOldValue);
  SetModified(false);
}

void TCustomMaskEdit::ValidateEdit() {
  if (!IsMasked() || !Modified()) return;
  const std::vector<AnsiString> chars = SplitChars(EditText());
  for (int i = 0; i < fMask->Count(); ++i) {
    const auto at = static_cast<std::size_t>(i);
    const bool empty = at >= chars.size() || chars[at] == AnsiString(1, fMask->blank);
    if (fMask->IsInput(i) && fMask->positions[at].required && empty) {
      SelectPosition(i);
      MessageBeep(MB_OK);
      throw EDBEditError("The value is incomplete: fill every required position of the mask.");
    }
  }
}

// Positions and bytes: EditText has one character per position.

int TCustomMaskEdit::SelStartPosition() {
  const AnsiString& text = EditText();
  const auto stop = static_cast<std::size_t>(SelStart());
  int position = 0;
  for (std::size_t pos = 0; pos < stop && pos < text.size(); pos = NextCharPos(text, pos)) ++position;
  return position;
}

int TCustomMaskEdit::SelEndPosition() {
  const AnsiString& text = EditText();
  const std::size_t stop = static_cast<std::size_t>(SelStart()) + static_cast<std::size_t>(SelLength());
  int position = 0;
  for (std::size_t pos = 0; pos < stop && pos < text.size(); pos = NextCharPos(text, pos)) ++position;
  return position;
}

namespace {

std::size_t PositionByte(const AnsiString& text, int position) {
  std::size_t pos = 0;
  for (int i = 0; i < position && pos < text.size(); ++i) pos = NextCharPos(text, pos);
  return pos;
}

}  // namespace

void TCustomMaskEdit::SelectPosition(int position) {
  const AnsiString& text = EditText();
  const std::size_t start = PositionByte(text, position);
  const std::size_t end = NextCharPos(text, start);
  Perform(EM_SETSEL, start, static_cast<LPARAM>(end));
}

void TCustomMaskEdit::CheckCursor() {
  if (IsMasked() && SelLength() == 0) SelectPosition(SelStartPosition());
}

void TCustomMaskEdit::ReplacePositions(int first, int last, const AnsiString& text) {
  const AnsiString& edit = EditText();
  const std::size_t start = PositionByte(edit, first);
  Perform(EM_SETSEL, start, static_cast<LPARAM>(PositionByte(edit, last)));
  Perform(EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TCustomMaskEdit::BlankPositions(int first, int last, int caret) {
  const std::vector<AnsiString> chars = SplitChars(EditText());
  AnsiString text;
  for (int i = first; i < last && i < static_cast<int>(chars.size()); ++i)
    text += fMask->IsInput(i) ? AnsiString(1, fMask->blank) : chars[static_cast<std::size_t>(i)];
  TDestroyWatch watch(this);
  ReplacePositions(first, last, text);
  if (!watch.Gone()) SelectPosition(caret);
}

// Keys

void TCustomMaskEdit::KeyDown(Word& key, TShiftState shift) {
  TDestroyWatch watch(this);
  TCustomEdit::KeyDown(key, shift);
  if (watch.Gone() || key == 0 || shift.Contains(ssAlt)) return;
  const bool plain = !shift.Contains(ssShift) && !shift.Contains(ssCtrl);
  const bool deleting = key == VK_BACK || (key == VK_DELETE && plain);
  if (!IsMasked()) {
    if (deleting && !EditCanModify()) key = 0;
    return;
  }
  if (deleting) {
    if (EditCanModify()) DeleteKeys(key);
    key = 0;
  } else if (key == VK_UP || key == VK_DOWN) {
    key = 0;
  } else if (plain && (key == VK_LEFT || key == VK_RIGHT || key == VK_HOME || key == VK_END)) {
    ArrowKeys(key);
    key = 0;
  }
}

void TCustomMaskEdit::KeyPress(char& key) {
  TDestroyWatch watch(this);
  TCustomEdit::KeyPress(key);
  if (watch.Gone() || key == 0) return;
  // The clipboard and undo keys reach the edit, whose messages ask EditCanModify.
  if (key == 3 || key == 22 || key == 24 || key == 26) return;
  if (!IsMasked()) {
    if ((key == 8 || static_cast<Byte>(key) >= 32) && !EditCanModify()) key = 0;
    return;
  }
  CharKeys(key);
  key = 0;
}

void TCustomMaskEdit::CharKeys(char key) {
  if (key == 27) {
    Reset();
    return;
  }
  if (static_cast<Byte>(key) < 32 || key == 127) return;
  AnsiString ch;
  if (!fTyped.Add(key, ch)) return;
  if (ReadOnly()) {
    MessageBeep(MB_OK);
    return;
  }
  if (EditCanModify()) InputChar(ch);
}

void TCustomMaskEdit::InputChar(const AnsiString& ch) {
  const int first = SelStartPosition();
  const int last = std::max(SelEndPosition(), first + 1);
  int target = first;
  while (target < fMask->Count() && !fMask->IsInput(target)) ++target;
  const AnsiString accepted = target < fMask->Count() ? fMask->Accept(target, ch) : AnsiString();
  if (accepted.empty()) {
    MessageBeep(MB_OK);
    return;
  }
  // The selected positions are blanked; the typed character takes the first input one.
  const int end = std::min(std::max(last, target + 1), fMask->Count());
  const std::vector<AnsiString> chars = SplitChars(EditText());
  AnsiString text;
  for (int i = first; i < end; ++i) {
    const AnsiString& current = chars[static_cast<std::size_t>(i)];
    text += i == target ? accepted : (fMask->IsInput(i) ? AnsiString(1, fMask->blank) : current);
  }
  int next = target + 1;
  while (next < fMask->Count() && !fMask->IsInput(next)) ++next;
  TDestroyWatch watch(this);
  ReplacePositions(first, end, text);
  if (watch.Gone()) return;
  if (next < fMask->Count())
    SelectPosition(next);
  else
    Perform(EM_SETSEL, EditText().size(), static_cast<LPARAM>(EditText().size()));
}

void TCustomMaskEdit::DeleteKeys(Word key) {
  const int first = SelStartPosition();
  const int last = SelEndPosition();
  if (last - first > 1) {
    BlankPositions(first, last, first);
    return;
  }
  int target = first;
  if (key == VK_BACK) {
    do --target;
    while (target >= 0 && !fMask->IsInput(target));
  } else {
    while (target < fMask->Count() && !fMask->IsInput(target)) ++target;
  }
  if (target < 0 || target >= fMask->Count()) return;
  BlankPositions(target, target + 1, target);
}

void TCustomMaskEdit::ArrowKeys(Word key) {
  const int count = fMask->Count();
  int target = SelStartPosition();
  switch (key) {
    case VK_LEFT:
      do --target;
      while (target >= 0 && !fMask->IsInput(target));
      if (target < 0) target = SelStartPosition();
      break;
    case VK_RIGHT:
      do ++target;
      while (target < count && !fMask->IsInput(target));
      break;
    case VK_HOME:
      target = 0;
      while (target < count && !fMask->IsInput(target)) ++target;
      break;
    default:
      target = count;
      break;
  }
  if (target >= count)
    Perform(EM_SETSEL, EditText().size(), static_cast<LPARAM>(EditText().size()));
  else
    SelectPosition(target);
}

// Clipboard

void TCustomMaskEdit::Paste() {
  if (!Clipboard()->HasFormat(CF_TEXT)) return;
  TDestroyWatch watch(this);
  for (const AnsiString& ch : SplitChars(Clipboard()->AsText())) {
    if (static_cast<Byte>(ch[0]) < 32) continue;
    InputChar(ch);
    if (watch.Gone()) return;
  }
}

void TCustomMaskEdit::Cut() {
  const int first = SelStartPosition();
  const int last = SelEndPosition();
  if (last <= first || PasswordChar()) return;
  CopyToClipboard();
  BlankPositions(first, last, first);
}

void TCustomMaskEdit::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
    case WM_UNDO:
      if (!EditCanModify()) return;
      if (!IsMasked() || message.Msg == WM_UNDO) break;
      if (ReadOnly()) {
        MessageBeep(MB_OK);
      } else if (message.Msg == WM_PASTE) {
        Paste();
      } else if (message.Msg == WM_CUT) {
        Cut();
      } else if (SelLength() > 0) {
        BlankPositions(SelStartPosition(), SelEndPosition(), SelStartPosition());
      }
      return;
    case CM_WANTSPECIALKEY:
      if (message.WParam == VK_ESCAPE && IsMasked() && Modified()) {
        message.Result = 1;
        return;
      }
      break;
    case CM_ENTER: {
      TDestroyWatch watch(this);
      TCustomEdit::Dispatch(message);
      if (watch.Gone() || !IsMasked()) return;
      fOldValue = EditText();
      CheckCursor();
      return;
    }
    case CM_EXIT:
      if (IsMasked()) ValidateEdit();
      break;
    case WM_LBUTTONUP: {
      TDestroyWatch watch(this);
      TCustomEdit::Dispatch(message);
      if (!watch.Gone() && Focused()) CheckCursor();
      return;
    }
    default:
      break;
  }
  TCustomEdit::Dispatch(message);
}

}  // namespace ordvane
