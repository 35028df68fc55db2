#pragma once
// Common controls: the month calendar, the progress bar and the animation. Each behaves
// as the platform's control below Dispatch (its DefaultHandler paints and takes the
// mouse and keys), so a descendant that handles a message itself replaces that part.

#include "classlib/core/DateTime.h"
#include "classlib/ui/StdButtons.h"

namespace ordvane {

struct SYSTEMTIME {
  Word wYear = 0;
  Word wMonth = 0;
  Word wDayOfWeek = 0;  // 0 is Sunday
  Word wDay = 0;
  Word wHour = 0;
  Word wMinute = 0;
  Word wSecond = 0;
  Word wMilliseconds = 0;
};

// What MCM_HITTEST takes (pt, client coordinates) and answers (uHit, one of MCHT_; st,
// the date for a day cell, the week day for the header).
struct MCHITTESTINFO {
  UINT cbSize = sizeof(MCHITTESTINFO);
  TPoint pt;
  UINT uHit = MCHT_NOWHERE;
  SYSTEMTIME st;
};

// One month: a title with the month's long name and the year between the previous and
// next buttons, the week days from Monday in their short names, and six weeks whose
// first holds the 1st, with the neighbouring months' days grayed. The selected day is
// highlighted and today (the class library's clock) framed. Left/Right move a day,
// Up/Down a week, Page Up/Down a month (with Ctrl a year), Home/End (with or without
// Ctrl) to the first and last day of the month; a press on a day selects it (turning the
// month for a neighbour's day), on a button turns the month.
class TMonthCalendar : public TWinControl {
  ORDVANE_CLASS(TMonthCalendar, TWinControl)

 public:
  explicit TMonthCalendar(TComponent* owner);

  TDateTime Date() const { return fDate; }
  // The day of the value (its time dropped); a date outside years 1 .. 9999 is refused
  // with EInvalidOperation.
  void SetDate(TDateTime value);

  void DefaultHandler(TMessage& message) override;

 private:
  struct TLayout;
  TLayout Layout() const;
  // The date shown in a cell of the six weeks (row 0..5, column 0..6).
  TDateTime CellDate(int row, int column) const;
  UINT HitTest(TPoint p, SYSTEMTIME& st) const;
  void Paint(TCanvas& canvas);
  void NativeKey(Word key);
  void NativePress(TPoint p);
  // Moves the selection to a date, when it lies in the calendar.
  void MoveTo(TDateTime date);

  TDateTime fDate;
};

// A bar of blocks in the highlight colour, as long as Position is far from Min to Max.
class TProgressBar : public TWinControl {
  ORDVANE_CLASS(TProgressBar, TWinControl)

 public:
  explicit TProgressBar(TComponent* owner);

  int Min() const { return fMin; }
  int Max() const { return fMax; }
  void SetMin(int value) { SetRange(value, fMax); }
  void SetMax(int value) { SetRange(fMin, value); }
  // The position is kept within the range.
  int Position() const { return fPosition; }
  void SetPosition(int value);

  void DefaultHandler(TMessage& message) override;

 private:
  void SetRange(int min, int max);
  void Paint(TCanvas& canvas);

  int fMin = 0;
  int fMax = 100;
  int fPosition = 0;
};

// The platform's common animations; only aviCopyFiles has a picture here.
enum TCommonAVI {
  aviNone,
  aviFindFolder,
  aviFindFile,
  aviFindComputer,
  aviCopyFiles,
  aviCopyFile,
  aviRecycleFile,
  aviEmptyRecycle,
  aviDeleteFile
};

// Plays a common animation centred in the control: while Active it shows StartFrame ..
// StopFrame (1-based) over and over, one frame per tick of a window timer; made inactive
// it keeps the frame shown. Transparent leaves the animation's background out, so the
// control's colour (its parent's, with ParentColor) shows behind it.
class TAnimate : public TWinControl {
  ORDVANE_CLASS(TAnimate, TWinControl)

 public:
  explicit TAnimate(TComponent* owner);

  TCommonAVI CommonAVI() const { return fCommonAVI; }
  // Raises EInvalidOperation "Cannot open AVI" for an animation without a picture.
  void SetCommonAVI(TCommonAVI value);
  int FrameCount() const;
  int FrameWidth() const;
  int FrameHeight() const;
  int StartFrame() const { return fStartFrame; }
  void SetStartFrame(int value);
  int StopFrame() const { return fStopFrame; }
  void SetStopFrame(int value);
  bool Active() const { return fActive; }
  void SetActive(bool value);
  bool Transparent() const { return fTransparent; }
  void SetTransparent(bool value);

  void DefaultHandler(TMessage& message) override;

 protected:
  void CreateWnd() override;

 private:
  void StartTimer();
  void ShowFrame(int frame);
  void Paint(TCanvas& canvas);

  TCommonAVI fCommonAVI = aviNone;
  int fStartFrame = 1;
  int fStopFrame = 0;
  int fFrame = 1;
  bool fActive = false;
  bool fTransparent = false;
};

// The copy-files animation: frames a second, size and count, and one frame drawn with its
// top-left corner at `origin` (background left out when `transparent`).
constexpr int kCopyFilesFramesPerSecond = 15;
constexpr int kCopyFilesFrameCount = 34;
constexpr int kCopyFilesWidth = 272;
constexpr int kCopyFilesHeight = 45;
void DrawCopyFilesFrame(HDC dc, TPoint origin, int frame, bool transparent);

}  // namespace ordvane
