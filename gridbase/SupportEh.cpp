#include "gridbase/SupportEh.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/Math.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/core/PublishedProps.h"
#include "classlib/ui/SysMetrics.h"

namespace ordvane {

namespace {

// The first `count` characters, the whole string for a negative count or one past its end.
AnsiString Leading(const AnsiString& text, int count) {
  if (count < 0 || static_cast<std::size_t>(count) >= text.size()) return text;
  return text.substr(0, static_cast<std::size_t>(count));
}

}  // namespace

int DataSetCompareBookmarksEh(TDataSet* dataSet, const TBookmark& bookmark1, const TBookmark& bookmark2) {
  return dataSet->CompareBookmarks(bookmark1, bookmark2);
}

TDataSet* GetObjectPropDataSourceEh(const TObject* object, const AnsiString& propertyName) {
  auto* source = dynamic_cast<TDataSource*>(GetObjectProp(object, propertyName));
  return source != nullptr ? source->DataSet() : nullptr;
}

int DrawTextEh(HDC dc, const AnsiString& text, int count, TRect& rect, unsigned format) {
  return DrawText(dc, Leading(text, count), rect, format);
}

int DrawTextExEh(HDC dc, const AnsiString& text, int count, TRect& rect, unsigned format,
                 DRAWTEXTPARAMS* params) {
  return DrawTextEx(dc, Leading(text, count), rect, format, params);
}

int DrawTextExSimpleEh(HDC dc, const AnsiString& text, int count, TRect& rect, unsigned format) {
  return DrawTextExEh(dc, text, count, rect, format, nullptr);
}

LRESULT SendMessageEh(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return SendMessage(wnd, msg, wParam, lParam);
}

LRESULT SendTextMessageEh(HWND wnd, UINT msg, WPARAM wParam, const AnsiString& text, int count) {
  const AnsiString sent = Leading(text, count);
  return SendMessage(wnd, msg, wParam, reinterpret_cast<LPARAM>(sent.c_str()));
}

AnsiString SendGetLineMessageEh(HWND wnd, UINT msg, WPARAM wParam) {
  std::vector<char> buffer(kGetLineBufferSize);
  const auto size = static_cast<Word>(kGetLineBufferSize);
  std::memcpy(buffer.data(), &size, sizeof size);
  const LRESULT copied = SendMessage(wnd, msg, wParam, reinterpret_cast<LPARAM>(buffer.data()));
  const auto count = static_cast<std::size_t>(std::clamp<LRESULT>(copied, 0, kGetLineBufferSize));
  return AnsiString(buffer.data(), count);
}

LRESULT SendGetSelMessageEh(HWND wnd, Cardinal& selStart, Cardinal& selEnd) {
  return SendMessage(wnd, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
}

bool InvalidateRectEh(HWND wnd, const TRect* rect, bool erase) {
  return InvalidateRect(wnd, rect, erase);
}

bool ValidateRectEh(HWND wnd, const TRect* rect) {
  return ValidateRect(wnd, rect);
}

int ScrollWindowExEh(HWND wnd, int dx, int dy, const TRect* scroll, const TRect* clip, TRegion* update,
                     TRect* updateRect, UINT flags) {
  return ScrollWindowEx(wnd, dx, dy, scroll, clip, update, updateRect, flags);
}

bool GetOutlineTextMetricsEh(HDC dc, OUTLINETEXTMETRIC& metrics) {
  return GetOutlineTextMetrics(dc, metrics);
}

void LPtoDPRectEh(HDC dc, TRect& rect) {
  TPoint corners[2] = {rect.TopLeft(), rect.BottomRight()};
  LPtoDP(dc, corners, 2);
  rect = Rect(corners[0].x, corners[0].y, corners[1].x, corners[1].y);
}

AnsiString AnsiUpperCaseEh(const AnsiString& text) {
  return AnsiUpperCase(text);
}

AnsiString AnsiLowerCaseEh(const AnsiString& text) {
  return AnsiLowerCase(text);
}

int AnsiCompareStrEh(const AnsiString& a, const AnsiString& b) {
  return Sign(AnsiCompareStr(a, b));
}

int AnsiCompareTextEh(const AnsiString& a, const AnsiString& b) {
  return Sign(AnsiCompareText(a, b));
}

void LoadBitmapResourceEh(TBitmap& bitmap, const AnsiString& name) {
  bitmap.LoadFromResourceName(name);
}

void VarArrayRedimEh(Variant& array, Integer highBound) {
  VarArrayRedim(array, highBound);
}

void TMemoryStreamEh::Realloc(Int64& newCapacity) {
  const Int64 step = 2 * fGrowthStep;
  if (newCapacity > 0 && newCapacity != Size()) {
    if (newCapacity > std::numeric_limits<Int64>::max() - step) throw EStreamError("Out of memory while expanding memory stream");
    newCapacity = (newCapacity + step - 1) / step * step;
  }
  ResizeMemory(newCapacity);
}

bool IsDoubleClickEh(TPoint first, TPoint second, Cardinal elapsedMilliseconds) {
  return elapsedMilliseconds <= GetDoubleClickTime() &&
         std::abs(second.x - first.x) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
         std::abs(second.y - first.y) <= GetSystemMetrics(SM_CYDOUBLECLK);
}

}  // namespace ordvane
