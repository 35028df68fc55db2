#pragma once
// The edit window's own behaviour: what the platform's edit control did inside its window
// procedure. TCustomEdit hands it the messages that reach its DefaultHandler, so every
// class above the edit sees a message before the edit itself does.
//
// It keeps the text, the selection (an anchor and the caret end), one step of undo, the
// modified flag, the length limit, the formatting rectangle with its margins, the scroll
// position and the password character, and it lays the text out in lines: one line for a
// single-line edit; for ES_MULTILINE lines end at CR LF, CR or LF and, without
// ES_AUTOHSCROLL, wrap at spaces within the formatting rectangle (a word wider than it
// stands alone). Positions are byte offsets into the text in the ANSI code page; the
// caret, deletion and selection step by whole characters (a UTF-8 sequence is one).
//
// Changes the user makes (typing, Backspace, Delete, cut, paste, clear, undo) and
// EM_REPLACESEL are followed by EN_CHANGE to the parent (WM_COMMAND, reflected to the
// control as CN_COMMAND); WM_SETTEXT is followed by it in a single-line edit only.

#include <functional>
#include <vector>

#include "classlib/core/Messages.h"
#include "classlib/ui/Controls.h"

namespace ordvane {

// Where a character starts and ends in the ANSI code page.
std::size_t NextCharPos(const AnsiString& text, std::size_t pos);
std::size_t PrevCharPos(const AnsiString& text, std::size_t pos);
// The start of the character that holds the byte at pos (pos itself when it starts one).
std::size_t CharStartAt(const AnsiString& text, std::size_t pos);
// The metrics of a font, and the width of a text in it, without a window.
TTextMetric FontTextMetrics(const TFont& font);
int FontTextWidth(const TFont& font, const AnsiString& text);
// Sends a notification of a control to the parent of its window (WM_COMMAND, which the
// parent reflects back as CN_COMMAND), or to the control itself when its window is
// top-level. Nothing without a window.
void NotifyParent(TWinControl& control, UINT code);

// Gathers the bytes of one typed character: WM_CHAR carries one byte of the code page,
// so a UTF-8 character comes as several messages.
class TTypedChar {
 public:
  // Adds a byte; answers true, with the character in `ch`, once the character is whole.
  bool Add(char byte, AnsiString& ch);
  void Clear() { fBytes.clear(); }

 private:
  AnsiString fBytes;
};

class TEditWindow {
 public:
  // `textChanged` is told after every change of the text, before any notification.
  TEditWindow(TWinControl& control, std::function<void()> textChanged);
  TEditWindow(const TEditWindow&) = delete;
  TEditWindow& operator=(const TEditWindow&) = delete;

  // Handles the message when it is one of the edit's; answers whether it did. The
  // control may be gone when it returns (a notification's handler may free it).
  bool WndProc(TMessage& message);

  const AnsiString& Text() const { return fText; }
  // The style the edit follows while it has no window (a window's own style wins).
  void SetStyle(UINT style);
  // The font or the size changed: lay the text out again.
  void LayoutChanged();

 private:
  struct TLine {
    std::size_t start = 0;
    std::size_t end = 0;   // the line's characters end here
    std::size_t next = 0;  // where the next line starts (after a line break)
  };
  struct TSnapshot {
    AnsiString text;
    std::size_t anchor = 0;
    std::size_t caret = 0;
  };
  enum class TChangeKind { Typing, Other };

  UINT Style() const;
  bool IsMultiLine() const { return (Style() & ES_MULTILINE) != 0; }
  bool WrapsLines() const { return IsMultiLine() && (Style() & ES_AUTOHSCROLL) == 0; }
  HWND Window() const { return fControl.WindowHandle(); }
  std::size_t SelMin() const { return std::min(fAnchor, fCaret); }
  std::size_t SelMax() const { return std::max(fAnchor, fCaret); }

  // Layout and geometry (client coordinates).
  void Relayout();
  TRect DefaultRect() const;
  int LineHeight() const;
  int LineOf(std::size_t pos) const;
  // The x of every character boundary of a line, from the line's start (tabs expanded).
  std::vector<int> Edges(const TLine& line) const;
  int LineWidth(const TLine& line) const;
  int LineOffset(const TLine& line) const;  // alignment within the formatting rectangle
  TPoint PosToPoint(std::size_t pos) const;
  std::size_t PointToPos(TPoint point) const;
  void ScrollCaretIntoView();
  void UpdateCaret();

  // Changes.
  bool ReplaceSelection(AnsiString insert, bool byUser, TChangeKind kind);
  void SetTextFromCode(const AnsiString& text);
  void Select(std::size_t anchor, std::size_t caret);
  void MoveCaret(std::size_t pos, bool extend);
  bool Undo();
  void Copy();
  void Notify(UINT code);
  void Refresh();
  bool ReadOnly() const { return (Style() & ES_READONLY) != 0; }

  // Messages.
  void KeyDown(WPARAM key);
  void Char(char ch);
  void MouseDown(TPoint point, bool extend, bool doubleClick);
  void Paint(HDC given);
  void PaintOn(HDC dc);
  std::size_t WordLeft(std::size_t pos) const;
  std::size_t WordRight(std::size_t pos) const;
  std::size_t LineHome(std::size_t pos) const { return fLines[static_cast<std::size_t>(LineOf(pos))].start; }
  std::size_t LineEndOf(std::size_t pos) const { return fLines[static_cast<std::size_t>(LineOf(pos))].end; }
  std::size_t VerticalMove(std::size_t pos, int lines) const;

  TWinControl& fControl;
  std::function<void()> fTextChanged;
  UINT fStyle = 0;
  AnsiString fText;
  std::size_t fAnchor = 0;
  std::size_t fCaret = 0;
  TSnapshot fUndo;
  bool fCanUndo = false;
  bool fTyping = false;  // the last change typed at the caret: the next one joins its undo step
  bool fModified = false;
  std::size_t fLimit = 0x7FFFFFFE;
  char fPasswordChar = 0;
  int fLeftMargin = 1;
  int fRightMargin = 1;
  TRect fRect;
  bool fRectSet = false;  // set by EM_SETRECT: kept until the size changes
  int fScrollX = 0;
  int fTopLine = 0;
  std::vector<TLine> fLines;
  bool fFocused = false;
  bool fDragging = false;
  TTypedChar fTyped;
};

}  // namespace ordvane
