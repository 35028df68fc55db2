// Formatted text: lines, word wrap, tabs, prefixes, end ellipsis and right-to-left reading
// order, laid out with the context's own measuring and drawn with its ExtTextOut.

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "classlib/ui/DeviceContext.h"

namespace ordvane {

namespace {

// One line to draw: its characters and the one the prefix mark underlines (-1: none).
struct TextLine {
  AnsiString text;
  int underline = -1;
};

// "&x" underlines x (the first such x only) and "&&" stands for one "&".
TextLine StripPrefixes(const AnsiString& text) {
  TextLine line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      ++i;
      if (text[i] != '&' && line.underline < 0) line.underline = static_cast<int>(line.text.size());
    }
    line.text += text[i];
  }
  return line;
}

std::vector<AnsiString> SplitParagraphs(const AnsiString& text) {
  std::vector<AnsiString> paragraphs;
  AnsiString current;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\r' && c != '\n') {
      current += c;
      continue;
    }
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    paragraphs.push_back(std::move(current));
    current.clear();
  }
  // A final line break ends the last line; it starts no new one.
  if (!current.empty() || paragraphs.empty()) paragraphs.push_back(std::move(current));
  if (text.empty()) paragraphs.clear();
  return paragraphs;
}

bool IsStrong(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u >= 0x80 || std::isalnum(u) != 0;
}

char MirroredBracket(char c) {
  switch (c) {
    case '(':
      return ')';
    case ')':
      return '(';
    case '[':
      return ']';
    case ']':
      return '[';
    case '{':
      return '}';
    case '}':
      return '{';
    case '<':
      return '>';
    case '>':
      return '<';
    default:
      return c;
  }
}

// The visual order of a line read right to left. The text this system shows has no
// right-to-left letters, so the run from the first to the last letter or digit keeps its
// order, and the neutral characters before and after it change sides, reversed and
// mirrored. A line of neutrals alone is reversed.
TextLine RightToLeftOrder(const TextLine& line) {
  const AnsiString& s = line.text;
  int n = static_cast<int>(s.size());
  int first = 0;
  while (first < n && !IsStrong(s[static_cast<std::size_t>(first)])) ++first;
  int last = n - 1;
  while (last >= 0 && !IsStrong(s[static_cast<std::size_t>(last)])) --last;
  std::vector<int> order;
  if (first >= n) {
    for (int i = n - 1; i >= 0; --i) order.push_back(i);
  } else {
    for (int i = n - 1; i > last; --i) order.push_back(i);
    for (int i = first; i <= last; ++i) order.push_back(i);
    for (int i = first - 1; i >= 0; --i) order.push_back(i);
  }
  TextLine visual;
  for (std::size_t v = 0; v < order.size(); ++v) {
    int logical = order[v];
    bool neutralMoved = logical < first || logical > last;
    char c = s[static_cast<std::size_t>(logical)];
    visual.text += neutralMoved ? MirroredBracket(c) : c;
    if (logical == line.underline) visual.underline = static_cast<int>(v);
  }
  return visual;
}

// Measures and draws single lines, expanding tabs when asked.
class LineWriter {
 public:
  LineWriter(TDeviceContext& dc, bool expandTabs, int tabWidth)
      : fDc(dc), fExpandTabs(expandTabs), fTabWidth(tabWidth) {}

  int Width(const AnsiString& text) const { return Walk(text, 0, 0, false); }
  void Draw(const AnsiString& text, int x, int y) const { Walk(text, x, y, true); }

 private:
  int Walk(const AnsiString& text, int x, int y, bool draw) const {
    if (!fExpandTabs || fTabWidth <= 0) {
      if (draw) fDc.ExtTextOut(x, y, 0, nullptr, text);
      return fDc.GetTextExtentPoint32(text).cx;
    }
    int pos = 0;
    std::size_t start = 0;
    while (true) {
      std::size_t tab = text.find('\t', start);
      AnsiString piece = text.substr(start, tab == AnsiString::npos ? AnsiString::npos : tab - start);
      if (draw && !piece.empty()) fDc.ExtTextOut(x + pos, y, 0, nullptr, piece);
      pos += fDc.GetTextExtentPoint32(piece).cx;
      if (tab == AnsiString::npos) return pos;
      pos = (pos / fTabWidth + 1) * fTabWidth;
      start = tab + 1;
    }
  }

  TDeviceContext& fDc;
  bool fExpandTabs;
  int fTabWidth;
};

// Breaks a paragraph at spaces into lines no wider than the width; a word wider than the
// width stands alone on its line.
std::vector<TextLine> WrapParagraph(const TextLine& paragraph, int width, const LineWriter& writer) {
  const AnsiString& p = paragraph.text;
  std::vector<TextLine> lines;
  std::size_t start = 0;
  while (true) {
    std::size_t end = AnsiString::npos;
    for (std::size_t i = start + 1; i <= p.size(); ++i) {
      if (i < p.size() && p[i] != ' ') continue;
      if (i > start && p[i - 1] == ' ') continue;  // within a run of spaces
      bool fits = writer.Width(p.substr(start, i - start)) <= width;
      if (fits || end == AnsiString::npos) end = i;
      if (!fits) break;
    }
    if (end == AnsiString::npos) end = p.size();
    TextLine line{p.substr(start, end - start), -1};
    if (paragraph.underline >= static_cast<int>(start) && paragraph.underline < static_cast<int>(end))
      line.underline = paragraph.underline - static_cast<int>(start);
    lines.push_back(std::move(line));
    start = end;
    while (start < p.size() && p[start] == ' ') ++start;
    if (start >= p.size()) break;
  }
  return lines;
}

void AddEndEllipsis(TextLine& line, int width, const LineWriter& writer) {
  if (writer.Width(line.text) <= width) return;
  while (!line.text.empty() && writer.Width(line.text + "...") > width) line.text.pop_back();
  if (line.underline >= static_cast<int>(line.text.size())) line.underline = -1;
  line.text += "...";
}

}  // namespace

TDeviceContext::TClipGuard::TClipGuard(TDeviceContext& dc, const TRect& rect) : fDc(dc) {
  fHadClip = dc.GetClipRgn(fSaved) == CLIP_SET;
  dc.IntersectClipRect(rect.left, rect.top, rect.right, rect.bottom);
}

TDeviceContext::TClipGuard::~TClipGuard() {
  fDc.SelectClipRgn(fHadClip ? &fSaved : nullptr);
}

int TDeviceContext::DrawText(const AnsiString& text, TRect& rect, unsigned format, DRAWTEXTPARAMS* params) {
  TTextMetric tm;
  GetTextMetrics(tm);
  int leftMargin = params != nullptr ? params->iLeftMargin : 0;
  int rightMargin = params != nullptr ? params->iRightMargin : 0;
  int tabLength = params != nullptr && params->iTabLength > 0 ? params->iTabLength : 8;
  LineWriter writer(*this, (format & DT_EXPANDTABS) != 0, tabLength * tm.tmAveCharWidth);
  int left = rect.left + leftMargin;
  int right = rect.right - rightMargin;
  int width = right - left;

  std::vector<AnsiString> paragraphs =
      (format & DT_SINGLELINE) != 0 ? std::vector<AnsiString>{text} : SplitParagraphs(text);
  if (text.empty()) paragraphs.clear();
  std::vector<TextLine> lines;
  for (const AnsiString& paragraph : paragraphs) {
    TextLine stripped = (format & DT_NOPREFIX) != 0 ? TextLine{paragraph, -1} : StripPrefixes(paragraph);
    if ((format & DT_WORDBREAK) != 0 && (format & DT_SINGLELINE) == 0) {
      for (TextLine& line : WrapParagraph(stripped, width, writer)) lines.push_back(std::move(line));
    } else {
      lines.push_back(std::move(stripped));
    }
  }
  for (TextLine& line : lines) {
    if ((format & DT_END_ELLIPSIS) != 0) AddEndEllipsis(line, width, writer);
    if ((format & DT_RTLREADING) != 0) line = RightToLeftOrder(line);
  }
  if (params != nullptr) params->uiLengthDrawn = static_cast<unsigned>(text.size());

  int lineHeight = tm.tmHeight;
  int height = lineHeight * static_cast<int>(lines.size());
  if ((format & DT_CALCRECT) != 0) {
    int widest = 0;
    for (const TextLine& line : lines) widest = std::max(widest, writer.Width(line.text));
    rect.right = rect.left + leftMargin + widest + rightMargin;
    rect.bottom = rect.top + height;
    return height;
  }

  int y = rect.top;
  bool placed = (format & DT_SINGLELINE) != 0 && (format & (DT_VCENTER | DT_BOTTOM)) != 0;
  if (placed)
    y = (format & DT_BOTTOM) != 0 ? rect.bottom - lineHeight : rect.top + (rect.Height() - lineHeight) / 2;
  std::optional<TClipGuard> clip;
  if ((format & DT_NOCLIP) == 0) clip.emplace(*this, rect);
  for (const TextLine& line : lines) {
    int lineWidth = writer.Width(line.text);
    int x = (format & DT_RIGHT) != 0    ? right - lineWidth
            : (format & DT_CENTER) != 0 ? left + (width - lineWidth) / 2
                                        : left;
    writer.Draw(line.text, x, y);
    if (line.underline >= 0) {
      int from = x + writer.Width(line.text.substr(0, static_cast<std::size_t>(line.underline)));
      int to = x + writer.Width(line.text.substr(0, static_cast<std::size_t>(line.underline) + 1));
      FillRect({from, y + tm.tmAscent + 1, to, y + tm.tmAscent + 2}, GetTextColor());
    }
    y += lineHeight;
  }
  return placed ? y - rect.top : height;
}

int TDeviceContext::DrawEmbossedText(const AnsiString& text, TRect& rect, unsigned format, TColorRef shadow) {
  int oldMode = SetBkMode(TRANSPARENT);
  TColorRef oldColor = SetTextColor(GetSysColor(COLOR_BTNHIGHLIGHT));
  TRect lit = rect;
  OffsetRect(lit, 1, 1);
  DrawText(text, lit, format & ~DT_CALCRECT);
  SetTextColor(shadow);
  int height = DrawText(text, rect, format & ~DT_CALCRECT);
  SetTextColor(oldColor);
  SetBkMode(oldMode);
  return height;
}

}  // namespace ordvane
