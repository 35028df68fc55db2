#pragma once
// Small routines the grid library's units share: text drawing and window messages over
// strings, the double-click test, comparisons by the project's collation, bookmark
// comparison, the data source behind a published property, and a memory stream that
// grows in coarse steps.
//
// A character count of -1 (any negative count) stands for the whole string; a count
// beyond the string's length is held to it, so no routine reads past a string.

#include "classlib/core/Streams.h"
#include "classlib/core/Variants.h"
#include "classlib/db/DB.h"
#include "classlib/ui/FontEngine.h"
#include "classlib/ui/Graphics.h"
#include "classlib/ui/WinPaint.h"
#include "classlib/ui/Windows.h"

namespace ordvane {

// The dataset's own comparison of two bookmarks: negative, 0 or positive.
int DataSetCompareBookmarksEh(TDataSet* dataSet, const TBookmark& bookmark1, const TBookmark& bookmark2);
// The dataset of the data source that an object's published property holds; nullptr when
// the property is missing, empty or holds something else.
TDataSet* GetObjectPropDataSourceEh(const TObject* object, const AnsiString& propertyName);

int DrawTextEh(HDC dc, const AnsiString& text, int count, TRect& rect, unsigned format);
int DrawTextExEh(HDC dc, const AnsiString& text, int count, TRect& rect, unsigned format,
                 DRAWTEXTPARAMS* params);
int DrawTextExSimpleEh(HDC dc, const AnsiString& text, int count, TRect& rect, unsigned format);

LRESULT SendMessageEh(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Sends the message with lParam pointing at a zero-terminated copy of the first `count`
// characters.
LRESULT SendTextMessageEh(HWND wnd, UINT msg, WPARAM wParam, const AnsiString& text, int count = -1);
// The edit controls' line-copy convention: the message goes with a buffer of 4096
// characters whose first 16-bit word holds its size; the answer is the count copied, and
// the text is that many characters of the buffer.
constexpr int kGetLineBufferSize = 4096;
AnsiString SendGetLineMessageEh(HWND wnd, UINT msg, WPARAM wParam);
// EM_GETSEL with two out pointers: the selection's start and end.
LRESULT SendGetSelMessageEh(HWND wnd, Cardinal& selStart, Cardinal& selEnd);

bool InvalidateRectEh(HWND wnd, const TRect* rect, bool erase);
bool ValidateRectEh(HWND wnd, const TRect* rect);
int ScrollWindowExEh(HWND wnd, int dx, int dy, const TRect* scroll, const TRect* clip, TRegion* update,
                     TRect* updateRect, UINT flags);
bool GetOutlineTextMetricsEh(HDC dc, OUTLINETEXTMETRIC& metrics);
// Maps a rectangle's two corners from logical to device coordinates.
void LPtoDPRectEh(HDC dc, TRect& rect);
// Whether a second click makes a double click with the first: within the double-click
// time and the double-click distance on either axis.
bool IsDoubleClickEh(TPoint first, TPoint second, Cardinal elapsedMilliseconds);

AnsiString AnsiUpperCaseEh(const AnsiString& text);
AnsiString AnsiLowerCaseEh(const AnsiString& text);
// -1, 0 or 1 by the project's collation, case apart or ignoring case.
int AnsiCompareStrEh(const AnsiString& a, const AnsiString& b);
int AnsiCompareTextEh(const AnsiString& a, const AnsiString& b);

// The program's registered artwork of that name into the bitmap; EResNotFound when there
// is none.
void LoadBitmapResourceEh(TBitmap& bitmap, const AnsiString& name);
// Changes the high bound of a one-dimensional array, keeping the elements that remain.
void VarArrayRedimEh(Variant& array, Integer highBound);
constexpr TRect EmptyRectEh() {
  return TRect{};
}

// A memory stream whose storage grows in steps of twice GrowthStep bytes, so that a
// stream written in many small pieces moves its bytes seldom.
class TMemoryStreamEh : public TMemoryStream {
  ORDVANE_CLASS(TMemoryStreamEh, TMemoryStream)

 public:
  TMemoryStreamEh() = default;

  Int64 GrowthStep() const { return fGrowthStep; }

 protected:
  void Realloc(Int64& newCapacity) override;

 private:
  Int64 fGrowthStep = 4096;
};

}  // namespace ordvane
