// Writing cell text: placement by alignment and layout, the end ellipsis and the
// word-wrapped path.

#include <algorithm>

#include "classlib/core/CodePages.h"
#include "grid/DBGridEh.h"

namespace ordvane {

namespace {

constexpr char kEllipsis[] = "...";

// Drops the last character; under UTF-8 its continuation bytes go with it.
void DropLastChar(AnsiString& text) {
  const bool utf8 = GetAnsiCodePage() == CP_UTF8;
  while (!text.empty()) {
    const auto byte = static_cast<unsigned char>(text.back());
    text.pop_back();
    if (!utf8 || (byte & 0xC0) != 0x80) return;
  }
}

bool IsBoldOrItalic(const TFont& font) {
  return font.Style().Contains(fsBold) || font.Style().Contains(fsItalic);
}

// The system's measure of a bold or italic line differs from the plain advance sum, and
// right or centred text must end where the system draws it.
int LineWidth(TCanvas& canvas, const AnsiString& text, TAlignment alignment) {
  if (alignment == taLeftJustify || !IsBoldOrItalic(*canvas.Font())) return canvas.TextWidth(text);
  TRect measured{0, 0, 0, 0};
  DrawText(canvas.Handle(), text, measured, DT_CALCRECT | DT_NOPREFIX);
  return measured.Width();
}

int LineLeft(const TRect& rect, int dx, int width, TAlignment alignment) {
  switch (alignment) {
    case taRightJustify:
      return rect.right - width - 3;
    case taCenter:
      return rect.Width() == 0 ? 0 : rect.left + rect.Width() / 2 - width / 2;
    case taLeftJustify:
      break;
  }
  return rect.left + dx;
}

int LineTop(const TRect& rect, int dy, int height, TTextLayout layout) {
  if (layout == tlTop || height >= rect.Height() - dy) return rect.top + dy;
  return layout == tlCenter ? (rect.top + rect.bottom - height) / 2 : rect.bottom - height;
}

// Brush style for the scope: clear when the text must not fill its background.
class TBrushStyleScope {
 public:
  TBrushStyleScope(TCanvas& canvas, bool fill) : fBrush(*canvas.Brush()), fSaved(fBrush.Style()) {
    if (!fill) fBrush.SetStyle(bsClear);
  }
  ~TBrushStyleScope() { fBrush.SetStyle(fSaved); }
  TBrushStyleScope(const TBrushStyleScope&) = delete;
  TBrushStyleScope& operator=(const TBrushStyleScope&) = delete;

 private:
  TBrush& fBrush;
  TBrushStyle fSaved;
};

void WriteLine(TCanvas& canvas, const TRect& rect, bool fill, int dx, int dy, const AnsiString& text,
               const TCellTextFormatEh& format) {
  const AnsiString shown = format.EndEllipsis ? ShortenTextEh(canvas, text, rect.Width() - dx) : text;
  const int x = LineLeft(rect, dx, LineWidth(canvas, shown, format.Alignment), format.Alignment);
  const int y = LineTop(rect, dy, canvas.TextHeight(shown), format.Layout);
  TBrushStyleScope brush(canvas, fill);
  canvas.TextRect(rect, x, y, shown);
}

unsigned HorizontalFlag(TAlignment alignment) {
  switch (alignment) {
    case taRightJustify:
      return DT_RIGHT;
    case taCenter:
      return DT_CENTER;
    case taLeftJustify:
      break;
  }
  return DT_LEFT;
}

void WriteLines(TCanvas& canvas, const TRect& rect, bool fill, int dx, int dy, const AnsiString& text,
                const TCellTextFormatEh& format) {
  if (fill) canvas.FillRect(rect);
  TRect box{rect.left + dx, rect.top + dy, rect.right - dx, rect.bottom - dy};
  if (dx > 0) ++box.bottom;
  unsigned flags = DT_NOPREFIX | DT_WORDBREAK | HorizontalFlag(format.Alignment);
  if (format.EndEllipsis) flags |= DT_END_ELLIPSIS;
  if (format.Layout != tlTop) {
    TRect measured = box;
    DrawTextExEh(canvas, text, measured, flags | DT_CALCRECT, format.LeftMargin, format.RightMargin);
    const int spare = box.Height() - measured.Height();
    if (format.Layout == tlCenter)
      box.top += spare / 2;
    else
      box.top = box.bottom - measured.Height();
  }
  TBrushStyleScope brush(canvas, false);
  DrawTextExEh(canvas, text, box, flags, format.LeftMargin, format.RightMargin);
}

}  // namespace

AnsiString ShortenTextEh(TCanvas& canvas, const AnsiString& text, int width) {
  if (canvas.TextWidth(text) <= width) return text;
  AnsiString kept = text;
  while (!kept.empty()) {
    DropLastChar(kept);
    const AnsiString shortened = kept + kEllipsis;
    if (canvas.TextWidth(shortened) <= width) return shortened;
  }
  return kEllipsis;
}

void WriteTextEh(TCanvas& canvas, const TRect& rect, bool fill, int dx, int dy, const AnsiString& text,
                 const TCellTextFormatEh& format) {
  if (format.MultiLine)
    WriteLines(canvas, rect, fill, dx, dy, text, format);
  else
    WriteLine(canvas, rect, fill, dx, dy, text, format);
}

void WriteTextPrefixEh(TCanvas& canvas, const TRect& rect, int dx, int dy, const AnsiString& text,
                       std::size_t prefixLength, const TCellTextFormatEh& format) {
  const AnsiString prefix = text.substr(0, std::min(prefixLength, text.size()));
  if (prefix.empty()) return;
  int x = rect.left + dx + format.LeftMargin;
  int y = rect.top + dy;
  if (!format.MultiLine) {
    x = LineLeft(rect, dx, LineWidth(canvas, text, format.Alignment), format.Alignment);
    y = LineTop(rect, dy, canvas.TextHeight(text), format.Layout);
  }
  TRect box{x, rect.top, x + canvas.TextWidth(prefix), rect.bottom};
  IntersectRect(box, box, rect);
  if (IsRectEmpty(box)) return;
  canvas.FillRect(box);
  TBrushStyleScope brush(canvas, false);
  canvas.TextRect(box, x, y, prefix);
}

int DrawTextExEh(TCanvas& canvas, const AnsiString& text, TRect& rect, unsigned format, int leftMargin,
                 int rightMargin) {
  DRAWTEXTPARAMS params;
  params.iLeftMargin = leftMargin;
  params.iRightMargin = rightMargin;
  return DrawTextEx(canvas.Handle(), text, rect, format, &params);
}

// ---- Bottom-up text -------------------------------------------------------------------

TLogFont CreateRotatedFontEh(const TFont& font) {
  TLogFont rotated = font.LogFont();
  rotated.lfEscapement = 900;
  rotated.lfOrientation = 900;
  rotated.lfWeight = font.Style().Contains(fsBold) ? FW_BOLD : FW_NORMAL;
  return rotated;
}

void DrawRotatedTextEh(TCanvas& canvas, const TRect& rect, const AnsiString& text, TAlignment alignment) {
  TFont saved;
  saved.Assign(canvas.Font());
  canvas.Font()->SetLogFont(CreateRotatedFontEh(saved));
  canvas.Font()->SetColor(saved.Color());
  const TSize extent = canvas.TextExtent(text);
  // Turned, the text's width runs up the rectangle and its height across it.
  const int x = rect.left + (rect.Width() - extent.cy) / 2;
  int y = rect.bottom - 2;
  if (alignment == taRightJustify)
    y = rect.top + 2 + extent.cx;
  else if (alignment == taCenter)
    y = rect.top + (rect.Height() + extent.cx) / 2;
  canvas.TextRect(rect, x, y, text);
  canvas.Font()->Assign(&saved);
}

}  // namespace ordvane
