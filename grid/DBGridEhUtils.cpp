// Routines the grid units share: field values as integers, modifiability of a field
// list, grid errors, taking a message off the queue, and measuring fonts and text.

#include <cmath>
#include <limits>

#include "classlib/core/MessageQueue.h"
#include "classlib/db/NumericFields.h"
#include "classlib/ui/DeviceContext.h"
#include "classlib/ui/RasterDC.h"
#include "grid/DBGridEh.h"

namespace ordvane {

int FieldValueAsIntegerEh(TField* field, int fallback) {
  if (field == nullptr || dynamic_cast<TNumericField*>(field) == nullptr || field->IsNull()) return fallback;
  const double value = std::round(field->AsFloat());
  if (!(value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max()))
    return fallback;
  return static_cast<int>(value);
}

bool FieldsCanModifyEh(const std::vector<TField*>& fields) {
  for (TField* field : fields)
    if (!field->CanModify()) return false;
  return true;
}

void RaiseGridErrorEh(const AnsiString& message) {
  throw EInvalidGridOperationEh(message);
}

void RemovePendingMessageEh(HWND wnd, UINT message) {
  TMsg msg;
  if (PeekMessage(msg, wnd, message, message, PM_REMOVE) && msg.message == WM_QUIT)
    PostQuitMessage(static_cast<int>(msg.wParam));
}

bool TextOverflowsEh(TCanvas& canvas, const AnsiString& text, const TRect& rect, bool wordWrap,
                     int leftMargin) {
  const int room = rect.Width() - 2 - leftMargin;
  TRect measured{0, 0, room, 0};
  unsigned format = DT_CALCRECT | DT_NOPREFIX;
  if (wordWrap) format |= DT_WORDBREAK;
  DrawText(canvas.Handle(), text, measured, format);
  return measured.Width() > room || measured.Height() > rect.Height();
}

TFontMeasureEh MeasureFontEh(const TFont& font) {
  TRaster raster(1, 1);
  TRasterDC dc(raster);
  dc.SelectFont(font.LogFont());
  TFontMeasureEh measure;
  dc.GetTextMetrics(measure.metrics);
  measure.digitWidth = dc.GetTextExtentPoint32("0").cx;
  measure.textHeight = dc.GetTextExtentPoint32("Wg").cy;
  return measure;
}

int TextWidthInFontEh(const TFont& font, const AnsiString& text) {
  TRaster raster(1, 1);
  TRasterDC dc(raster);
  dc.SelectFont(font.LogFont());
  return dc.GetTextExtentPoint32(text).cx;
}

bool SameFontEh(const TFont& a, const TFont& b) {
  return a.Name() == b.Name() && a.Height() == b.Height() && a.Style() == b.Style() && a.Color() == b.Color() &&
         a.Charset() == b.Charset() && a.Pitch() == b.Pitch() && a.Orientation() == b.Orientation() &&
         a.PixelsPerInch() == b.PixelsPerInch();
}

int TextHeightEh(TCanvas& canvas, const AnsiString& text) {
  TRect measured{0, 0, 0, 0};
  DrawText(canvas.Handle(), text, measured, DT_CALCRECT | DT_NOPREFIX);
  return measured.Height();
}

}  // namespace ordvane
