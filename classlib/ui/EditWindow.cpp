#include "classlib/ui/EditWindow.h"

#include <algorithm>
#include <cstring>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/CodePages.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/ui/Clipbrd.h"
#include "classlib/ui/Forms.h"
#include "classlib/ui/Host.h"
#include "classlib/ui/RasterDC.h"

namespace ordvane {

std::size_t NextCharPos(const AnsiString& text, std::size_t pos) {
  if (pos >= text.size()) return text.size();
  if (GetAnsiCodePage() != CP_UTF8) return pos + 1;
  char32_t ignored;
  DecodeUtf8Char(text, pos, ignored);
  return pos;
}

std::size_t CharStartAt(const AnsiString& text, std::size_t pos) {
  pos = std::min(pos, text.size());
  if (GetAnsiCodePage() != CP_UTF8 || pos == text.size()) return pos;
  // Back over at most three continuation bytes to a lead byte whose sequence covers pos.
  for (std::size_t back = 0; back <= 3 && back <= pos; ++back) {
    std::size_t start = pos - back;
    if ((static_cast<Byte>(text[start]) & 0xC0) == 0x80) continue;
    return NextCharPos(text, start) > pos ? start : pos;
  }
  return pos;
}

std::size_t PrevCharPos(const AnsiString& text, std::size_t pos) {
  pos = std::min(pos, text.size());
  return pos == 0 ? 0 : CharStartAt(text, pos - 1);
}

namespace {

// A context that measures text in a font without drawing anywhere.
TDeviceContext& MeasuringDC(const TFont& font) {
  thread_local TRaster raster(1, 1);
  thread_local TRasterDC dc(raster);
  dc.SelectFont(font.LogFont());
  return dc;
}

}  // namespace

TTextMetric FontTextMetrics(const TFont& font) {
  TTextMetric tm;
  MeasuringDC(font).GetTextMetrics(tm);
  return tm;
}

int FontTextWidth(const TFont& font, const AnsiString& text) {
  return MeasuringDC(font).GetTextExtentPoint32(text).cx;
}

void NotifyParent(TWinControl& control, UINT code) {
  HWND wnd = control.WindowHandle();
  if (!wnd) return;
  const WPARAM wParam = MAKEWPARAM(0, static_cast<int>(code));
  if ((GetWindowLong(wnd, GWL_STYLE) & WS_CHILD) && GetParent(wnd))
    SendMessage(GetParent(wnd), WM_COMMAND, wParam, static_cast<LPARAM>(wnd));
  else
    control.Perform(CN_COMMAND, wParam, static_cast<LPARAM>(wnd));
}

bool TTypedChar::Add(char byte, AnsiString& ch) {
  fBytes += byte;
  if (GetAnsiCodePage() == CP_UTF8) {
    const auto lead = static_cast<Byte>(fBytes[0]);
    const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    const bool continues = fBytes.size() == 1 || (static_cast<Byte>(byte) & 0xC0) == 0x80;
    if (fBytes.size() < need && continues) return false;
  }
  ch = std::move(fBytes);
  fBytes.clear();
  return true;
}

namespace {

bool IsLineBreak(char c) {
  return c == '\r' || c == '\n';
}

bool IsWordChar(char c) {
  return c != ' ' && c != '\t' && !IsLineBreak(c);
}

// Single-line edits keep what comes before the first line break of inserted text.
AnsiString FirstLine(const AnsiString& text) {
  return text.substr(0, std::min(text.find('\r'), text.find('\n')));
}

// Lengths in a message parameter: negative values and positions past the text end.
std::size_t ClampPos(LPARAM value, std::size_t length) {
  return value < 0 ? length : std::min(static_cast<std::size_t>(value), length);
}

TRect* RectParam(LPARAM lParam) {
  return reinterpret_cast<TRect*>(lParam);
}

}  // namespace

TEditWindow::TEditWindow(TWinControl& control, std::function<void()> textChanged)
    : fControl(control), fTextChanged(std::move(textChanged)) {
  fLines.push_back({});
}

UINT TEditWindow::Style() const {
  if (HWND wnd = Window()) return static_cast<UINT>(GetWindowLong(wnd, GWL_STYLE));
  return fStyle;
}

void TEditWindow::SetStyle(UINT style) {
  fStyle = style;
  Relayout();
  ScrollCaretIntoView();
  Refresh();
}

void TEditWindow::LayoutChanged() {
  if (!fRectSet) fRect = DefaultRect();
  Relayout();
  ScrollCaretIntoView();
  Refresh();
}

// Layout

// A framed edit keeps a pixel between its frame and the margins, so that text never
// touches the border.
TRect TEditWindow::DefaultRect() const {
  const HWND wnd = fControl.WindowHandle();
  const bool framed = wnd && ((GetWindowLong(wnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) ||
                              (GetWindowLong(wnd, GWL_STYLE) & WS_BORDER));
  const int inset = framed ? 1 : 0;
  const TRect client = fControl.ClientRect();
  const int left = client.left + inset + fLeftMargin;
  return Rect(left, client.top + 1, std::max(left, client.right - inset - fRightMargin), client.bottom);
}

int TEditWindow::LineHeight() const {
  return std::max(1, FontTextMetrics(*fControl.Font()).tmHeight);
}

std::vector<int> TEditWindow::Edges(const TLine& line) const {
  TDeviceContext& dc = MeasuringDC(*fControl.Font());
  TTextMetric tm;
  dc.GetTextMetrics(tm);
  const int tabWidth = std::max(1, 8 * tm.tmAveCharWidth);
  const int passwordWidth = fPasswordChar ? dc.GetTextExtentPoint32(AnsiString(1, fPasswordChar)).cx : 0;
  std::vector<int> edges{0};
  int x = 0;
  for (std::size_t pos = line.start; pos < line.end;) {
    std::size_t next = std::min(NextCharPos(fText, pos), line.end);
    if (fPasswordChar)
      x += passwordWidth;
    else if (fText[pos] == '\t' && IsMultiLine())
      x = (x / tabWidth + 1) * tabWidth;
    else
      x += dc.GetTextExtentPoint32(fText.substr(pos, next - pos)).cx;
    edges.insert(edges.end(), next - pos, x);  // every byte of the character ends at x
    pos = next;
  }
  return edges;
}

int TEditWindow::LineWidth(const TLine& line) const {
  return Edges(line).back();
}

int TEditWindow::LineOffset(const TLine& line) const {
  const int room = fRect.Width() - LineWidth(line);
  if (room <= 0) return 0;
  switch (Style() & (ES_CENTER | ES_RIGHT)) {
    case ES_RIGHT:
      return room - 1;
    case ES_CENTER:
      return room / 2;
    default:
      return 0;
  }
}

void TEditWindow::Relayout() {
  fLines.clear();
  if (!IsMultiLine()) {
    fLines.push_back({0, fText.size(), fText.size()});
    fTopLine = 0;
    return;
  }
  const int width = fRect.Width();
  std::size_t start = 0;
  while (true) {
    std::size_t end = start;
    while (end < fText.size() && !IsLineBreak(fText[end])) ++end;
    std::size_t next = end;
    if (next < fText.size())
      next += (fText[next] == '\r' && next + 1 < fText.size() && fText[next + 1] == '\n') ? 2 : 1;
    // Wrap the paragraph [start, end): each piece ends after the last word that fits,
    // taking the spaces after it along.
    // The paragraph is measured once; a piece is as wide as the run between its ends.
    std::size_t pieceStart = start;
    const std::vector<int> edges = WrapsLines() ? Edges({start, end, end}) : std::vector<int>{};
    while (!edges.empty() && pieceStart < end) {
      std::size_t fitEnd = 0;
      for (std::size_t i = pieceStart + 1; i <= end; ++i) {
        if (i < end && (fText[i] != ' ' || fText[i - 1] == ' ')) continue;
        if (fitEnd != 0 && edges[i - start] - edges[pieceStart - start] > width) break;
        fitEnd = i;
      }
      std::size_t after = fitEnd;
      while (after < end && fText[after] == ' ') ++after;
      if (after >= end) break;
      fLines.push_back({pieceStart, after, after});
      pieceStart = after;
    }
    fLines.push_back({pieceStart, end, next});
    if (next == end) break;
    start = next;
  }
  fTopLine = std::clamp(fTopLine, 0, static_cast<int>(fLines.size()) - 1);
}

int TEditWindow::LineOf(std::size_t pos) const {
  auto it = std::upper_bound(fLines.begin(), fLines.end(), pos,
                             [](std::size_t p, const TLine& line) { return p < line.start; });
  return std::max(0, static_cast<int>(it - fLines.begin()) - 1);
}

TPoint TEditWindow::PosToPoint(std::size_t pos) const {
  const int index = LineOf(pos);
  const TLine& line = fLines[static_cast<std::size_t>(index)];
  const std::vector<int> edges = Edges(line);
  const std::size_t within = std::min(pos, line.end) - line.start;
  return {fRect.left + LineOffset(line) + edges[within] - fScrollX,
          fRect.top + (index - fTopLine) * LineHeight()};
}

std::size_t TEditWindow::PointToPos(TPoint point) const {
  const int row = point.y < fRect.top ? -1 : (point.y - fRect.top) / LineHeight();
  const int index = std::clamp(fTopLine + row, 0, static_cast<int>(fLines.size()) - 1);
  const TLine& line = fLines[static_cast<std::size_t>(index)];
  const std::vector<int> edges = Edges(line);
  const int x = point.x - fRect.left - LineOffset(line) + fScrollX;
  std::size_t best = line.start;
  for (std::size_t pos = line.start; pos < line.end;) {
    std::size_t next = std::min(NextCharPos(fText, pos), line.end);
    const int left = edges[pos - line.start];
    const int right = edges[next - line.start];
    if (x < (left + right + 1) / 2) break;
    best = next;
    pos = next;
  }
  // A position at a wrapped line's end stands at the start of the next line instead.
  if (best == line.end && line.end == line.next && best > line.start &&
      index + 1 < static_cast<int>(fLines.size()))
    best = PrevCharPos(fText, best);
  return best;
}

void TEditWindow::ScrollCaretIntoView() {
  const int index = LineOf(fCaret);
  const int visibleLines = std::max(1, fRect.Height() / LineHeight());
  if (index < fTopLine) fTopLine = index;
  if (index >= fTopLine + visibleLines) fTopLine = index - visibleLines + 1;
  if (!WrapsLines()) {
    const TLine& line = fLines[static_cast<std::size_t>(index)];
    const int x = LineOffset(line) + Edges(line)[std::min(fCaret, line.end) - line.start];
    const int width = std::max(1, fRect.Width());
    if (x - fScrollX < 0) fScrollX = x;
    if (x - fScrollX >= width) fScrollX = x - width + 1;
    int widest = 0;
    for (const TLine& l : fLines) widest = std::max(widest, LineOffset(l) + LineWidth(l));
    fScrollX = std::clamp(fScrollX, 0, std::max(0, widest + 1 - width));
  } else {
    fScrollX = 0;
  }
}

void TEditWindow::UpdateCaret() {
  if (!fFocused || !Window()) return;
  const TPoint p = PosToPoint(fCaret);
  SetCaretPos(p.x, p.y);
}

void TEditWindow::Refresh() {
  if (HWND wnd = Window()) InvalidateRect(wnd, nullptr, true);
  UpdateCaret();
}

// Changes

void TEditWindow::Notify(UINT code) {
  NotifyParent(fControl, code);
}

void TEditWindow::Select(std::size_t anchor, std::size_t caret) {
  fAnchor = CharStartAt(fText, anchor);
  fCaret = CharStartAt(fText, caret);
  fTyping = false;
  ScrollCaretIntoView();
  Refresh();
}

void TEditWindow::MoveCaret(std::size_t pos, bool extend) {
  Select(extend ? fAnchor : pos, pos);
}

bool TEditWindow::ReplaceSelection(AnsiString insert, bool byUser, TChangeKind kind) {
  if (byUser && ReadOnly()) {
    MessageBeep(MB_OK);
    return false;
  }
  if (!IsMultiLine()) insert = FirstLine(insert);
  if (Style() & ES_UPPERCASE) insert = AnsiUpperCase(insert);
  if (Style() & ES_LOWERCASE) insert = AnsiLowerCase(insert);
  const std::size_t start = SelMin();
  const std::size_t removed = SelMax() - start;
  const std::size_t room = fLimit - std::min(fLimit, fText.size() - removed);
  if (insert.size() > room) {
    std::size_t fits = 0;
    while (NextCharPos(insert, fits) <= room && fits < insert.size()) fits = NextCharPos(insert, fits);
    insert.resize(fits);
    MessageBeep(MB_OK);
    TDestroyWatch watch(&fControl);
    Notify(EN_MAXTEXT);
    if (watch.Gone() || (insert.empty() && removed == 0)) return false;
  }
  const bool joinsTyping = kind == TChangeKind::Typing && fTyping && removed == 0 && fCanUndo;
  if (!joinsTyping) {
    fUndo = {fText, fAnchor, fCaret};
    fCanUndo = true;
  }
  fText.replace(start, removed, insert);
  fAnchor = fCaret = start + insert.size();
  fModified = true;
  Relayout();
  ScrollCaretIntoView();
  fTyping = kind == TChangeKind::Typing;
  fTextChanged();
  TDestroyWatch watch(&fControl);
  Refresh();
  Notify(EN_CHANGE);
  return !watch.Gone();
}

void TEditWindow::SetTextFromCode(const AnsiString& text) {
  fText = text;
  fAnchor = fCaret = 0;
  fCanUndo = false;
  fTyping = false;
  fModified = false;
  fScrollX = 0;
  fTopLine = 0;
  fTyped.Clear();
  Relayout();
  fTextChanged();
  Refresh();
  if (!IsMultiLine()) Notify(EN_CHANGE);
}

bool TEditWindow::Undo() {
  if (!fCanUndo) return false;
  TSnapshot redo{fText, fAnchor, fCaret};
  fText = fUndo.text;
  fAnchor = fUndo.anchor;
  fCaret = fUndo.caret;
  fUndo = std::move(redo);
  fTyping = false;
  fModified = true;
  Relayout();
  ScrollCaretIntoView();
  fTextChanged();
  TDestroyWatch watch(&fControl);
  Refresh();
  Notify(EN_CHANGE);
  return !watch.Gone();
}

void TEditWindow::Copy() {
  if (fPasswordChar || SelMin() == SelMax()) return;
  Clipboard()->SetAsText(fText.substr(SelMin(), SelMax() - SelMin()));
}

// Words and lines

std::size_t TEditWindow::WordLeft(std::size_t pos) const {
  while (pos > 0 && !IsWordChar(fText[pos - 1])) pos = PrevCharPos(fText, pos);
  while (pos > 0 && IsWordChar(fText[pos - 1])) pos = PrevCharPos(fText, pos);
  return pos;
}

std::size_t TEditWindow::WordRight(std::size_t pos) const {
  while (pos < fText.size() && IsWordChar(fText[pos])) pos = NextCharPos(fText, pos);
  while (pos < fText.size() && !IsWordChar(fText[pos])) pos = NextCharPos(fText, pos);
  return pos;
}

std::size_t TEditWindow::VerticalMove(std::size_t pos, int lines) const {
  const int target = std::clamp(LineOf(pos) + lines, 0, static_cast<int>(fLines.size()) - 1);
  const TPoint p = PosToPoint(pos);
  return PointToPos({p.x, fRect.top + (target - fTopLine) * LineHeight()});
}

// Keys

void TEditWindow::KeyDown(WPARAM key) {
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  const int page = std::max(1, fRect.Height() / LineHeight());
  switch (key) {
    case VK_LEFT:
      MoveCaret(ctrl                               ? WordLeft(fCaret)
                : (!shift && SelMin() != SelMax()) ? SelMin()
                                                   : PrevCharPos(fText, fCaret),
                shift);
      break;
    case VK_RIGHT:
      MoveCaret(ctrl                               ? WordRight(fCaret)
                : (!shift && SelMin() != SelMax()) ? SelMax()
                                                   : NextCharPos(fText, fCaret),
                shift);
      break;
    case VK_UP:
    case VK_DOWN:
      if (IsMultiLine())
        MoveCaret(VerticalMove(fCaret, key == VK_UP ? -1 : 1), shift);
      else
        KeyDown(key == VK_UP ? VK_LEFT : VK_RIGHT);
      break;
    case VK_PRIOR:
    case VK_NEXT:
      if (IsMultiLine()) MoveCaret(VerticalMove(fCaret, key == VK_PRIOR ? -page : page), shift);
      break;
    case VK_HOME:
      MoveCaret(ctrl || !IsMultiLine() ? 0 : LineHome(fCaret), shift);
      break;
    case VK_END:
      MoveCaret(ctrl || !IsMultiLine() ? fText.size() : LineEndOf(fCaret), shift);
      break;
    case VK_DELETE:
      if (shift) {
        fControl.Perform(WM_CUT, 0, 0);
      } else if (ReadOnly()) {
        MessageBeep(MB_OK);
      } else if (!ctrl) {
        if (SelMin() == SelMax()) {
          std::size_t next = NextCharPos(fText, fCaret);
          // A line break is one step, however many bytes it has.
          if (next < fText.size() && fText[fCaret] == '\r' && fText[next] == '\n') ++next;
          fAnchor = next;
        }
        if (SelMin() != SelMax()) ReplaceSelection({}, true, TChangeKind::Other);
      }
      break;
    case VK_INSERT:
      if (ctrl)
        fControl.Perform(WM_COPY, 0, 0);
      else if (shift)
        fControl.Perform(WM_PASTE, 0, 0);
      break;
    default:
      break;
  }
}

void TEditWindow::Char(char ch) {
  switch (ch) {
    case 3:
      fControl.Perform(WM_COPY, 0, 0);
      return;
    case 22:
      fControl.Perform(WM_PASTE, 0, 0);
      return;
    case 24:
      fControl.Perform(WM_CUT, 0, 0);
      return;
    case 26:
      fControl.Perform(WM_UNDO, 0, 0);
      return;
    case 8:
      if (ReadOnly()) {
        MessageBeep(MB_OK);
      } else {
        if (SelMin() == SelMax()) {
          std::size_t prev = PrevCharPos(fText, fCaret);
          if (prev > 0 && fText[prev] == '\n' && fText[prev - 1] == '\r') --prev;
          fAnchor = prev;
        }
        if (SelMin() != SelMax()) ReplaceSelection({}, true, TChangeKind::Other);
      }
      return;
    case '\r':
      if (IsMultiLine()) ReplaceSelection("\r\n", true, TChangeKind::Other);
      return;
    case '\t':
      if (IsMultiLine()) ReplaceSelection("\t", true, TChangeKind::Typing);
      return;
    default:
      break;
  }
  if (static_cast<Byte>(ch) < 32 || ch == 127) return;  // control characters type nothing
  AnsiString typed;
  if (fTyped.Add(ch, typed)) ReplaceSelection(typed, true, TChangeKind::Typing);
}

// Mouse

void TEditWindow::MouseDown(TPoint point, bool extend, bool doubleClick) {
  HWND wnd = Window();
  TDestroyWatch watch(&fControl);
  if (GetFocus() != wnd) ordvane::SetFocus(wnd);
  if (watch.Gone()) return;
  const std::size_t pos = PointToPos(point);
  if (doubleClick) {
    std::size_t start = pos;
    while (start > 0 && IsWordChar(fText[start - 1])) start = PrevCharPos(fText, start);
    std::size_t end = pos;
    while (end < fText.size() && IsWordChar(fText[end])) end = NextCharPos(fText, end);
    Select(start, end);
    return;
  }
  MoveCaret(pos, extend);
  fDragging = true;
  SetCapture(wnd);
}

// Painting

void TEditWindow::Paint(HDC given) {
  if (given) {
    PaintOn(given);
    return;
  }
  HWND wnd = Window();
  PAINTSTRUCT ps;
  if (HDC dc = BeginPaint(wnd, ps)) {
    struct TEnd {
      HWND wnd;
      PAINTSTRUCT& ps;
      ~TEnd() { EndPaint(wnd, ps); }
    } end{wnd, ps};
    PaintOn(dc);
  }
}

void TEditWindow::PaintOn(HDC dc) {
  dc->SelectFont(fControl.Font()->LogFont());
  dc->SetBkMode(TRANSPARENT);
  // The control's buttons and other children are painted on the same context afterwards,
  // outside the text's rectangle.
  const TDeviceContext::TClipGuard clip(*dc, fRect);
  const bool enabled = fControl.Enabled();
  const TColorRef textColor = ColorToRGB(enabled ? fControl.Font()->Color() : clGrayText);
  const bool showSelection = (fFocused || (Style() & ES_NOHIDESEL)) && SelMin() != SelMax();
  const int height = LineHeight();
  for (int index = fTopLine; index < static_cast<int>(fLines.size()); ++index) {
    const int y = fRect.top + (index - fTopLine) * height;
    if (y >= fRect.bottom) break;
    const TLine& line = fLines[static_cast<std::size_t>(index)];
    const std::vector<int> edges = Edges(line);
    const int x0 = fRect.left + LineOffset(line) - fScrollX;
    const std::size_t selA = std::clamp(SelMin(), line.start, line.end);
    const std::size_t selB = std::clamp(SelMax(), line.start, line.end);
    if (showSelection && selA < selB)
      dc->FillRect(Rect(x0 + edges[selA - line.start], y, x0 + edges[selB - line.start], y + height),
                   ColorToRGB(clHighlight));
    // Draw the characters in runs without tabs, each run in its selection state's colour.
    std::size_t runStart = line.start;
    for (std::size_t pos = line.start; pos <= line.end; ++pos) {
      const bool boundary =
          pos == line.end || fText[pos] == '\t' || (showSelection && (pos == selA || pos == selB));
      if (!boundary) continue;
      if (pos > runStart) {
        const bool selected = showSelection && runStart >= selA && runStart < selB;
        dc->SetTextColor(selected && enabled ? ColorToRGB(clHighlightText) : textColor);
        AnsiString run = fText.substr(runStart, pos - runStart);
        if (fPasswordChar) {
          std::size_t chars = 0;
          for (std::size_t p = 0; p < run.size(); p = NextCharPos(run, p)) ++chars;
          run.assign(chars, fPasswordChar);
        }
        dc->ExtTextOut(x0 + edges[runStart - line.start], y, 0, nullptr, run);
      }
      runStart = pos < line.end && fText[pos] == '\t' ? pos + 1 : pos;
    }
  }
}

// The window procedure

bool TEditWindow::WndProc(TMessage& message) {
  const WPARAM w = message.WParam;
  const LPARAM l = message.LParam;
  LRESULT& result = message.Result;
  switch (message.Msg) {
    case WM_CREATE:
    case WM_SIZE:
      fRectSet = false;
      LayoutChanged();
      return false;
    case WM_SETTEXT:
      SetTextFromCode(l ? reinterpret_cast<const char*>(l) : "");
      result = 1;
      return true;
    case WM_GETTEXT: {
      const std::size_t size = static_cast<std::size_t>(w);
      if (size == 0 || !l) return true;
      const std::size_t count = std::min(size - 1, fText.size());
      std::memcpy(reinterpret_cast<char*>(l), fText.data(), count);
      reinterpret_cast<char*>(l)[count] = '\0';
      result = static_cast<LRESULT>(count);
      return true;
    }
    case WM_GETTEXTLENGTH:
      result = static_cast<LRESULT>(fText.size());
      return true;
    case WM_GETDLGCODE:
      result = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
      return true;
    case WM_SETCURSOR:
      if (static_cast<HWND>(w) == Window() &&
          static_cast<SmallInt>(LOWORD(static_cast<std::uintptr_t>(l))) == HTCLIENT) {
        SetCursor(Screen->Cursors(crIBeam));
        result = 1;
        return true;
      }
      return false;
    case WM_SETFOCUS:
      fFocused = true;
      CreateCaret(Window(), 1, LineHeight());
      UpdateCaret();
      ShowCaret(Window());
      Refresh();
      Notify(EN_SETFOCUS);
      return true;
    case WM_KILLFOCUS:
      fFocused = false;
      fTyped.Clear();
      DestroyCaret();
      Refresh();
      Notify(EN_KILLFOCUS);
      return true;
    case WM_ENABLE:
      Refresh();
      return true;
    case WM_PAINT:
      Paint(reinterpret_cast<HDC>(w));
      return true;
    case WM_KEYDOWN:
      KeyDown(w);
      return true;
    case WM_CHAR:
      Char(static_cast<char>(w));
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      MouseDown(PointFromLParam(l), (w & MK_SHIFT) != 0, message.Msg == WM_LBUTTONDBLCLK);
      return true;
    case WM_MOUSEMOVE:
      if (fDragging) MoveCaret(PointToPos(PointFromLParam(l)), true);
      return true;
    case WM_LBUTTONUP:
      if (fDragging) {
        fDragging = false;
        if (GetCapture() == Window()) ReleaseCapture();
      }
      return true;
    case WM_CAPTURECHANGED:
      fDragging = false;
      return false;
    case WM_COPY:
      Copy();
      return true;
    case WM_CUT:
      if (fPasswordChar || ReadOnly() || SelMin() == SelMax()) return true;
      Copy();
      ReplaceSelection({}, true, TChangeKind::Other);
      return true;
    case WM_PASTE:
      if (IsClipboardFormatAvailable(CF_TEXT))
        ReplaceSelection(Clipboard()->AsText(), true, TChangeKind::Other);
      return true;
    case WM_CLEAR:
      if (SelMin() != SelMax()) ReplaceSelection({}, true, TChangeKind::Other);
      return true;
    case WM_UNDO:
    case EM_UNDO:
      result = !ReadOnly() && Undo();
      return true;
    case EM_CANUNDO:
      result = fCanUndo;
      return true;
    case EM_GETSEL: {
      const auto start = static_cast<Cardinal>(SelMin());
      const auto end = static_cast<Cardinal>(SelMax());
      if (w) *reinterpret_cast<Cardinal*>(w) = start;
      if (l) *reinterpret_cast<Cardinal*>(l) = end;
      result = static_cast<LRESULT>(MAKELONG(static_cast<int>(std::min<Cardinal>(start, 0xFFFF)),
                                             static_cast<int>(std::min<Cardinal>(end, 0xFFFF))));
      return true;
    }
    case EM_SETSEL: {
      const auto start = static_cast<LPARAM>(static_cast<int>(w));
      const auto end = static_cast<LPARAM>(static_cast<int>(l));
      if (start == -1)
        Select(fCaret, fCaret);
      else
        Select(ClampPos(start, fText.size()), ClampPos(end, fText.size()));
      return true;
    }
    case EM_REPLACESEL:
      ReplaceSelection(l ? reinterpret_cast<const char*>(l) : "", false, TChangeKind::Other);
      return true;
    case EM_GETRECT:
      if (TRect* r = RectParam(l)) *r = fRect;
      return true;
    case EM_SETRECT:
    case EM_SETRECTNP:
      if (const TRect* r = RectParam(l)) {
        fRect = *r;
        fRectSet = true;
      } else {
        fRect = DefaultRect();
        fRectSet = false;
      }
      Relayout();
      ScrollCaretIntoView();
      if (message.Msg == EM_SETRECT)
        Refresh();
      else
        UpdateCaret();
      return true;
    case EM_SCROLLCARET:
      ScrollCaretIntoView();
      Refresh();
      return true;
    case EM_GETMARGINS:
      result = static_cast<LRESULT>(MAKELONG(fLeftMargin, fRightMargin));
      return true;
    case EM_SETMARGINS: {
      const auto margin = [](int value) { return value == 0xFFFF ? 1 : value; };
      if (w & EC_LEFTMARGIN) fLeftMargin = margin(LOWORD(static_cast<std::uintptr_t>(l)));
      if (w & EC_RIGHTMARGIN) fRightMargin = margin(HIWORD(static_cast<std::uintptr_t>(l)));
      fRectSet = false;
      LayoutChanged();
      return true;
    }
    case EM_SETREADONLY: {
      const UINT style = w ? (Style() | ES_READONLY) : (Style() & ~ES_READONLY);
      fStyle = style;
      if (HWND wnd = Window()) SetWindowLong(wnd, GWL_STYLE, static_cast<LONG_PTR>(style));
      Refresh();
      result = 1;
      return true;
    }
    case EM_LIMITTEXT:
      fLimit = w == 0 ? 0x7FFFFFFE : static_cast<std::size_t>(w);
      return true;
    case EM_GETLIMITTEXT:
      result = static_cast<LRESULT>(fLimit);
      return true;
    case EM_GETMODIFY:
      result = fModified;
      return true;
    case EM_SETMODIFY:
      fModified = w != 0;
      return true;
    case EM_SETPASSWORDCHAR: {
      fPasswordChar = static_cast<char>(w);
      const UINT style = fPasswordChar ? (Style() | ES_PASSWORD) : (Style() & ~ES_PASSWORD);
      fStyle = style;
      if (HWND wnd = Window()) SetWindowLong(wnd, GWL_STYLE, static_cast<LONG_PTR>(style));
      Relayout();
      ScrollCaretIntoView();
      Refresh();
      return true;
    }
    case EM_GETPASSWORDCHAR:
      result = static_cast<Byte>(fPasswordChar);
      return true;
    case EM_GETLINECOUNT:
      result = static_cast<LRESULT>(fLines.size());
      return true;
    case EM_GETFIRSTVISIBLELINE:
      result = fTopLine;
      return true;
    case EM_LINEINDEX: {
      const int index = static_cast<int>(w) < 0 ? LineOf(fCaret) : static_cast<int>(w);
      result = index < static_cast<int>(fLines.size())
                   ? static_cast<LRESULT>(fLines[static_cast<std::size_t>(index)].start)
                   : -1;
      return true;
    }
    case EM_LINEFROMCHAR:
      result = LineOf(static_cast<int>(w) < 0 ? fCaret : std::min(static_cast<std::size_t>(w), fText.size()));
      return true;
    case EM_LINELENGTH: {
      const TLine& line =
          fLines[static_cast<std::size_t>(LineOf(std::min(static_cast<std::size_t>(w), fText.size())))];
      result = static_cast<LRESULT>(line.end - line.start);
      return true;
    }
    case EM_GETLINE: {
      // lParam: a buffer whose first word holds its size; the line is copied without a NUL.
      result = 0;
      if (!l || w >= fLines.size()) return true;
      Word size = 0;
      std::memcpy(&size, reinterpret_cast<const void*>(l), sizeof(size));
      const TLine& line = fLines[w];
      const std::size_t count = std::min<std::size_t>(size, line.end - line.start);
      std::memcpy(reinterpret_cast<char*>(l), fText.data() + line.start, count);
      result = static_cast<LRESULT>(count);
      return true;
    }
    case EM_POSFROMCHAR: {
      if (w > fText.size()) {
        result = -1;
        return true;
      }
      const TPoint p = PosToPoint(w);
      result = static_cast<LRESULT>(MAKELONG(p.x, p.y));
      return true;
    }
    case EM_CHARFROMPOS: {
      const std::size_t pos = PointToPos(PointFromLParam(l));
      result =
          static_cast<LRESULT>(MAKELONG(static_cast<int>(std::min<std::size_t>(pos, 0xFFFF)), LineOf(pos)));
      return true;
    }
    default:
      return false;
  }
}

}  // namespace ordvane
