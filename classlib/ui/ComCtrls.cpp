#include "classlib/ui/ComCtrls.h"

#include <algorithm>
#include <cmath>

#include "classlib/core/FormatSettings.h"
#include "classlib/core/MessageQueue.h"

namespace ordvane {

namespace {

SYSTEMTIME ToSystemTime(TDateTime date) {
  SYSTEMTIME st;
  DecodeDate(date, st.wYear, st.wMonth, st.wDay);
  st.wDayOfWeek = static_cast<Word>(DayOfWeek(date) - 1);
  return st;
}

bool FromSystemTime(const SYSTEMTIME& st, TDateTime& date) {
  return TryEncodeDate(st.wYear, st.wMonth, st.wDay, date);
}

// Whether a day lies in years 1 .. 9999.
bool InCalendar(TDateTime date) {
  Word year = 0;
  Word month = 0;
  Word day = 0;
  DecodeDate(date, year, month, day);
  return year != 0;
}

// Monday is the first day of the week: 0 .. 6.
int WeekColumn(TDateTime date) {
  return (DayOfWeek(date) + 5) % 7;
}

const UINT_PTR kAnimationTimer = 1;

}  // namespace

// TMonthCalendar

struct TMonthCalendar::TLayout {
  int cellWidth = 0;
  int cellHeight = 0;
  TRect title;
  TRect prev;
  TRect next;
  TRect header;
  TRect grid;
  TRect all;
  TRect Cell(int row, int column) const {
    return Bounds(grid.left + column * cellWidth, grid.top + row * cellHeight, cellWidth, cellHeight);
  }
};

TMonthCalendar::TMonthCalendar(TComponent* owner) : TWinControl(owner), fDate(std::floor(ordvane::Date())) {
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
  SetBounds(0, 0, 191, 154);
}

void TMonthCalendar::SetDate(TDateTime value) {
  const TDateTime day = std::floor(value);
  if (!std::isfinite(day) || !InCalendar(day)) throw EInvalidOperation("Invalid date for the calendar");
  if (day == fDate) return;
  fDate = day;
  Invalidate();
}

TMonthCalendar::TLayout TMonthCalendar::Layout() const {
  TBitmap scratch(1, 1);
  TCanvas& canvas = *scratch.Canvas();
  canvas.SetFont(*Font());
  int widest = canvas.TextWidth("30");
  for (const AnsiString& name : FormatSettings().ShortDayNames) widest = std::max(widest, canvas.TextWidth(name));
  constexpr int kMargin = 3;
  TLayout l;
  l.cellWidth = widest + 8;
  l.cellHeight = canvas.TextHeight("0") + 3;
  const int width = 7 * l.cellWidth;
  const int titleHeight = l.cellHeight + 8;
  const int button = titleHeight - 6;
  l.title = Bounds(kMargin, kMargin, width, titleHeight);
  l.prev = Bounds(l.title.left + 3, l.title.top + 3, button, button);
  l.next = Bounds(l.title.right - 3 - button, l.title.top + 3, button, button);
  l.header = Bounds(kMargin, l.title.bottom + 2, width, l.cellHeight + 1);
  l.grid = Bounds(kMargin, l.header.bottom + 1, width, 6 * l.cellHeight);
  l.all = Rect(0, 0, l.grid.right + kMargin, l.grid.bottom + kMargin);
  return l;
}

TDateTime TMonthCalendar::CellDate(int row, int column) const {
  Word year = 0;
  Word month = 0;
  Word day = 0;
  DecodeDate(fDate, year, month, day);
  const TDateTime first = EncodeDate(year, month, 1);
  return first - WeekColumn(first) + row * 7 + column;
}

UINT TMonthCalendar::HitTest(TPoint p, SYSTEMTIME& st) const {
  const TLayout l = Layout();
  if (!PtInRect(ClientRect(), p) || !PtInRect(l.all, p)) return MCHT_NOWHERE;
  if (PtInRect(l.prev, p)) return MCHT_TITLEBTNPREV;
  if (PtInRect(l.next, p)) return MCHT_TITLEBTNNEXT;
  if (PtInRect(l.title, p)) return MCHT_TITLEBK;
  if (PtInRect(l.header, p)) {
    st.wDayOfWeek = static_cast<Word>(((p.x - l.header.left) / l.cellWidth + 1) % 7);
    return MCHT_CALENDARDAY;
  }
  if (!PtInRect(l.grid, p)) return MCHT_CALENDARBK;
  const TDateTime date = CellDate((p.y - l.grid.top) / l.cellHeight, (p.x - l.grid.left) / l.cellWidth);
  if (!InCalendar(date)) return MCHT_CALENDARBK;
  st = ToSystemTime(date);
  const SYSTEMTIME selected = ToSystemTime(fDate);
  const int months = (st.wYear - selected.wYear) * 12 + st.wMonth - selected.wMonth;
  return months < 0 ? MCHT_CALENDARDATEPREV : months > 0 ? MCHT_CALENDARDATENEXT : MCHT_CALENDARDATE;
}

void TMonthCalendar::MoveTo(TDateTime date) {
  if (InCalendar(date)) SetDate(date);
}

void TMonthCalendar::NativeKey(Word key) {
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  Word year = 0;
  Word month = 0;
  Word day = 0;
  DecodeDate(fDate, year, month, day);
  switch (key) {
    case VK_LEFT:
      MoveTo(fDate - 1);
      break;
    case VK_RIGHT:
      MoveTo(fDate + 1);
      break;
    case VK_UP:
      MoveTo(fDate - 7);
      break;
    case VK_DOWN:
      MoveTo(fDate + 7);
      break;
    case VK_PRIOR:
    case VK_NEXT: {
      const int months = (ctrl ? 12 : 1) * (key == VK_PRIOR ? -1 : 1);
      const int target = year * 12 + month - 1 + months;
      if (target >= 12 && target < 10000 * 12) MoveTo(IncMonth(fDate, months));
      break;
    }
    case VK_HOME:
      MoveTo(EncodeDate(year, month, 1));
      break;
    case VK_END:
      MoveTo(EncodeDate(year, month, DaysInAMonth(year, month)));
      break;
    default:
      break;
  }
}

void TMonthCalendar::NativePress(TPoint p) {
  TDestroyWatch watch(this);
  if (GetFocus() != Handle()) ordvane::SetFocus(Handle());
  if (watch.Gone()) return;
  SYSTEMTIME st;
  const UINT hit = HitTest(p, st);
  TDateTime date = 0;
  if ((hit & MCHT_CALENDARDATE) == MCHT_CALENDARDATE && FromSystemTime(st, date))
    MoveTo(date);
  else if (hit == MCHT_TITLEBTNPREV || hit == MCHT_TITLEBTNNEXT)
    NativeKey(hit == MCHT_TITLEBTNPREV ? VK_PRIOR : VK_NEXT);
}

void TMonthCalendar::DefaultHandler(TMessage& message) {
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTARROWS;
      return;
    case WM_PAINT:
      PaintNativeFace(*this, message, [this](TCanvas& canvas) { Paint(canvas); });
      return;
    case WM_KEYDOWN:
      NativeKey(static_cast<Word>(message.WParam));
      return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      NativePress(PointFromLParam(message.LParam));
      return;
    case MCM_GETCURSEL:
      if (message.LParam) *reinterpret_cast<SYSTEMTIME*>(message.LParam) = ToSystemTime(fDate);
      message.Result = message.LParam != 0;
      return;
    case MCM_SETCURSEL: {
      TDateTime date = 0;
      message.Result = message.LParam != 0 && FromSystemTime(*reinterpret_cast<const SYSTEMTIME*>(message.LParam), date);
      if (message.Result) SetDate(date);
      return;
    }
    case MCM_GETMINREQRECT:
      if (message.LParam) *reinterpret_cast<TRect*>(message.LParam) = Layout().all;
      message.Result = message.LParam != 0;
      return;
    case MCM_HITTEST: {
      if (!message.LParam) return;
      auto* info = reinterpret_cast<MCHITTESTINFO*>(message.LParam);
      info->uHit = HitTest(info->pt, info->st);
      message.Result = static_cast<LRESULT>(info->uHit);
      return;
    }
    default:
      TWinControl::DefaultHandler(message);
  }
}

void TMonthCalendar::Paint(TCanvas& canvas) {
  HDC dc = canvas.Handle();
  const TLayout l = Layout();
  dc->FillRect(ClientRect(), ColorToRGB(Color()));
  const SYSTEMTIME selected = ToSystemTime(fDate);
  canvas.Brush()->SetStyle(bsClear);

  dc->FillRect(l.title, ColorToRGB(clActiveCaption));
  TRect button = l.prev;
  DrawFrameControl(dc, button, DFC_SCROLL, DFCS_SCROLLLEFT);
  button = l.next;
  DrawFrameControl(dc, button, DFC_SCROLL, DFCS_SCROLLRIGHT);
  const AnsiString title = FormatSettings().LongMonthNames[selected.wMonth - 1u] + " " + std::to_string(selected.wYear);
  canvas.Font()->SetColor(clCaptionText);
  TRect text = l.title;
  DrawText(dc, title, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);

  canvas.Font()->SetColor(clActiveCaption);
  for (int column = 0; column < 7; ++column) {
    TRect cell = Bounds(l.header.left + column * l.cellWidth, l.header.top, l.cellWidth, l.cellHeight);
    DrawText(dc, FormatSettings().ShortDayNames[static_cast<std::size_t>((column + 1) % 7)], cell,
             DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  dc->FillRect(Rect(l.header.left, l.header.bottom - 1, l.header.right, l.header.bottom), ColorToRGB(clBtnShadow));

  const TDateTime today = std::floor(ordvane::Date());
  for (int row = 0; row < 6; ++row)
    for (int column = 0; column < 7; ++column) {
      const TDateTime date = CellDate(row, column);
      if (!InCalendar(date)) continue;
      const SYSTEMTIME st = ToSystemTime(date);
      TRect cell = l.Cell(row, column);
      const bool isSelected = date == fDate;
      if (isSelected) dc->FillRect(cell, ColorToRGB(clHighlight));
      if (date == today) dc->FrameRect(cell, ColorToRGB(clRed));
      canvas.Font()->SetColor(isSelected ? clHighlightText : st.wMonth != selected.wMonth ? clGrayText : clWindowText);
      DrawText(dc, std::to_string(st.wDay), cell, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
  canvas.Brush()->SetStyle(bsSolid);
}

// TProgressBar

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) {
  SetParentColor(false);
  SetColor(clBtnFace);
  SetBounds(0, 0, 150, 16);
}

void TProgressBar::SetRange(int min, int max) {
  if (min > max) throw EInvalidOperation("Progress bar range: minimum above maximum");
  fMin = min;
  fMax = max;
  fPosition = std::clamp(fPosition, fMin, fMax);
  Invalidate();
}

void TProgressBar::SetPosition(int value) {
  value = std::clamp(value, fMin, fMax);
  if (value == fPosition) return;
  fPosition = value;
  Invalidate();
}

void TProgressBar::DefaultHandler(TMessage& message) {
  if (message.Msg == WM_PAINT) {
    PaintNativeFace(*this, message, [this](TCanvas& canvas) { Paint(canvas); });
    return;
  }
  TWinControl::DefaultHandler(message);
}

// Classic blocks two thirds of the bar's height wide, two pixels apart, up to the part of
// the bar that the position has reached.
void TProgressBar::Paint(TCanvas& canvas) {
  HDC dc = canvas.Handle();
  TRect r = ClientRect();
  dc->FillRect(r, ColorToRGB(Color()));
  DrawEdge(dc, r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  InflateRect(r, -1, -1);
  if (fMax <= fMin || r.Width() <= 0) return;
  const auto reached = static_cast<int>(static_cast<Int64>(r.Width()) * (fPosition - fMin) / (fMax - fMin));
  const int block = std::max(2, r.Height() * 2 / 3);
  const TColorRef colour = ColorToRGB(clHighlight);
  const int end = r.left + reached;
  for (int x = r.left; x < end; x += block + 2) {
    // A block that would leave no room for another takes the rest.
    const int right = end - (x + block) <= 2 ? end : x + block;
    dc->FillRect(Rect(x, r.top, right, r.bottom), colour);
  }
}

// TAnimate

TAnimate::TAnimate(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 100, 80);
}

void TAnimate::SetCommonAVI(TCommonAVI value) {
  if (value != aviNone && value != aviCopyFiles) throw EInvalidOperation("Cannot open AVI");
  fCommonAVI = value;
  fStartFrame = 1;
  fStopFrame = FrameCount();
  fFrame = 1;
  Invalidate();
}

int TAnimate::FrameCount() const {
  return fCommonAVI == aviCopyFiles ? kCopyFilesFrameCount : 0;
}

int TAnimate::FrameWidth() const {
  return fCommonAVI == aviCopyFiles ? kCopyFilesWidth : 0;
}

int TAnimate::FrameHeight() const {
  return fCommonAVI == aviCopyFiles ? kCopyFilesHeight : 0;
}

void TAnimate::SetStartFrame(int value) {
  fStartFrame = std::clamp(value, 1, std::max(1, FrameCount()));
}

void TAnimate::SetStopFrame(int value) {
  fStopFrame = std::clamp(value, 1, std::max(1, FrameCount()));
}

void TAnimate::SetActive(bool value) {
  if (value == fActive) return;
  fActive = value && FrameCount() > 0;
  if (!fActive) {
    if (HandleAllocated()) KillTimer(WindowHandle(), kAnimationTimer);
    return;
  }
  ShowFrame(fStartFrame);
  if (HandleAllocated()) StartTimer();
}

void TAnimate::SetTransparent(bool value) {
  ChangeAndInvalidate(this, fTransparent, value);
}

void TAnimate::CreateWnd() {
  TWinControl::CreateWnd();
  if (fActive) StartTimer();
}

void TAnimate::StartTimer() {
  SetTimer(WindowHandle(), kAnimationTimer, 1000 / kCopyFilesFramesPerSecond);
}

void TAnimate::ShowFrame(int frame) {
  fFrame = frame;
  Invalidate();
}

void TAnimate::DefaultHandler(TMessage& message) {
  switch (message.Msg) {
    case WM_PAINT:
      PaintNativeFace(*this, message, [this](TCanvas& canvas) { Paint(canvas); });
      return;
    case WM_TIMER:
      if (message.WParam == kAnimationTimer && fActive) {
        const int last = std::max(fStartFrame, fStopFrame);
        ShowFrame(fFrame >= last ? fStartFrame : fFrame + 1);
      }
      return;
    default:
      TWinControl::DefaultHandler(message);
  }
}

void TAnimate::Paint(TCanvas& canvas) {
  HDC dc = canvas.Handle();
  const TRect client = ClientRect();
  dc->FillRect(client, ColorToRGB(Color()));
  if (fCommonAVI == aviNone) return;
  const TPoint origin{(client.Width() - FrameWidth()) / 2, (client.Height() - FrameHeight()) / 2};
  DrawCopyFilesFrame(dc, origin, fFrame, fTransparent);
}

// The copy-files animation: a sheet of paper flies in an arc from an open folder on the
// left to one on the right, over 34 frames.
void DrawCopyFilesFrame(HDC dc, TPoint origin, int frame, bool transparent) {
  constexpr TColorRef kPaper = 0xFFFFFF;
  constexpr TColorRef kOutline = 0x404040;
  constexpr TColorRef kLine = 0xA0A0A0;
  constexpr TColorRef kFolder = 0x33CCFF;      // warm yellow
  constexpr TColorRef kFolderDark = 0x0099CC;  // the folder's front flap
  constexpr int kFolderWidth = 44;
  constexpr int kFolderTop = 16;
  if (!transparent) dc->FillRect(Bounds(origin.x, origin.y, kCopyFilesWidth, kCopyFilesHeight), kPaper);
  auto folder = [&](int left) {
    const int x = origin.x + left;
    const int y = origin.y + kFolderTop;
    dc->FillRect(Bounds(x, y - 4, 16, 5), kFolder);
    dc->FrameRect(Bounds(x, y - 4, 16, 5), kOutline);
    dc->FillRect(Bounds(x, y, kFolderWidth, 26), kFolder);
    dc->FrameRect(Bounds(x, y, kFolderWidth, 26), kOutline);
    dc->FillRect(Bounds(x + 1, y + 10, kFolderWidth - 2, 15), kFolderDark);
  };
  const int leftFolder = 16;
  const int rightFolder = kCopyFilesWidth - 16 - kFolderWidth;
  folder(leftFolder);
  folder(rightFolder);
  // The sheet: its path runs between the folders' middles and rises in a parabola.
  const int step = std::clamp(frame, 1, kCopyFilesFrameCount) - 1;
  const int span = kCopyFilesFrameCount - 1;
  const int startX = leftFolder + kFolderWidth / 2 - 7;
  const int endX = rightFolder + kFolderWidth / 2 - 7;
  const int x = origin.x + startX + (endX - startX) * step / span;
  const int y = origin.y + kFolderTop - 2 - 48 * step * (span - step) / (span * span);
  dc->FillRect(Bounds(x, y, 14, 18), kPaper);
  dc->FrameRect(Bounds(x, y, 14, 18), kOutline);
  for (int line = 0; line < 4; ++line) dc->FillRect(Bounds(x + 3, y + 4 + 3 * line, 8, 1), kLine);
}

}  // namespace ordvane
