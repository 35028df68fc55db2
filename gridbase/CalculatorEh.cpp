// The calculator keeps the number it shows as text (the label's caption) and reads it back
// for every operation, so what the user sees is always what is computed with.

#include "gridbase/CalculatorEh.h"

#include <cmath>

#include "classlib/core/FloatFormat.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/Math.h"
#include "classlib/core/StrUtils.h"
#include "classlib/core/SysUtils.h"
#include "classlib/ui/Clipbrd.h"
#include "classlib/ui/Forms.h"

namespace ordvane {

namespace {

constexpr int kDesignPixelsPerInch = 96;
constexpr int kDesignTextHeight = 13;
constexpr int kDesignClientWidth = 184;
constexpr int kDesignClientHeight = 127;
constexpr int kMaxDigits = 15;
constexpr int kShownPrecision = 15;

// One key of the design: its caption, its character, and its cell in a grid of 6 columns
// (row 0 beside the display) with its span.
struct TKeyDesign {
  const char* caption;
  char key;
  int column, row, columns, rows;
};

// Indexed by tag; entry 0 stands for no key.
constexpr std::array<TKeyDesign, TCalculatorEh::kKeyCount + 1> kKeyDesign{{
    {"", 0, 0, 0, 0, 0},
    {"7", '7', 0, 1, 1, 1},
    {"8", '8', 1, 1, 1, 1},
    {"9", '9', 2, 1, 1, 1},
    {"/", '/', 3, 1, 1, 1},
    {"sqrt", 'S', 4, 1, 1, 1},
    {"C", 'C', 5, 1, 1, 2},
    {"4", '4', 0, 2, 1, 1},
    {"5", '5', 1, 2, 1, 1},
    {"6", '6', 2, 2, 1, 1},
    {"*", '*', 3, 2, 1, 1},
    {"%", '%', 4, 2, 1, 1},
    {"Cancel", 'A', 5, 0, 1, 1},
    {"1", '1', 0, 3, 1, 1},
    {"2", '2', 1, 3, 1, 1},
    {"3", '3', 2, 3, 1, 1},
    {"-", '-', 3, 3, 1, 1},
    {"1/x", 'R', 4, 3, 1, 1},
    {"<-", TCalculatorEh::kBackspaceKey, 5, 3, 1, 1},
    {"0", '0', 0, 4, 1, 1},
    {"+/-", 'I', 1, 4, 1, 1},
    {".", '.', 2, 4, 1, 1},
    {"+", '+', 3, 4, 1, 1},
    {"Ok", '=', 4, 4, 2, 1},
}};

// The grid of the design: keys 28 x 22 with a 1-pixel gap between columns and 2 between
// rows, 3 pixels from the client edge.
constexpr int kMargin = 3;
constexpr int kKeyWidth = 28;
constexpr int kKeyHeight = 22;
constexpr int kColumnGap = 1;
constexpr int kRowGap = 2;

TRect KeyRect(int column, int row, int columns, int rows) {
  const int left = kMargin + column * (kKeyWidth + kColumnGap);
  const int top = kMargin + row * (kKeyHeight + kRowGap);
  return Rect(left, top, left + columns * kKeyWidth, top + rows * kKeyHeight + (rows - 1) * kRowGap);
}

bool IsOperatorKey(char key) {
  return key == '+' || key == '-' || key == '*' || key == '/' || key == '%' || key == '=' ||
         key == TCalculatorEh::kEnterKey;
}

bool IsArithmetic(char op) { return op == '+' || op == '-' || op == '*' || op == '/'; }

int TextHeightOf(const TFont& font) {
  TBitmap bitmap;
  bitmap.Canvas()->Font()->Assign(&font);
  return bitmap.Canvas()->TextHeight("0");
}

}  // namespace

TCalculatorEh::TCalculatorEh(TComponent* owner) : TCustomControl(owner) {
  SetParentFont(false);
  Font()->SetName("MS Sans Serif");
  Font()->SetHeight(-11);
  Font()->SetColor(clWindowText);
  if (Screen->PixelsPerInch() != kDesignPixelsPerInch)
    Font()->SetHeight(MulDiv(Font()->Height(), Screen->PixelsPerInch(), kDesignPixelsPerInch));
  SetColor(clBtnFace);
  BuildKeys();
  TCalculatorEh::Loaded();
}

void TCalculatorEh::BuildKeys() {
  fPanel = new TPanel(this);
  fPanel->SetParent(this);
  fPanel->SetBevelOuter(bvLowered);
  fPanel->SetColor(clWindow);
  // The display only shows: the focus stays with the calculator, which takes the keys.
  fPanel->SetEnabled(false);
  fTextBox = new TLabel(this);
  fTextBox->SetParent(fPanel);
  fTextBox->SetAutoSize(false);
  fTextBox->SetAlignment(taRightJustify);
  fTextBox->SetLayout(tlCenter);
  fTextBox->SetShowAccelChar(false);
  fTextBox->SetCaption("0");
  for (int tag = 1; tag <= kKeyCount; ++tag) {
    auto* key = new TSpeedButtonEh(this);
    key->SetParent(this);
    key->SetTag(tag);
    key->SetCaption(kKeyDesign[tag].caption);
    key->SetStyle(ebsGlyphEh);
    key->SetActive(true);
    key->OnClick = TNotifyEvent::Bind(this, &TCalculatorEh::SpeedButtonClick);
    fKeys[tag] = key;
  }
}

// The design's places, scaled when the text of the font is not as high as the design's.
void TCalculatorEh::Loaded() {
  TCustomControl::Loaded();
  const int textHeight = TextHeightOf(*Font());
  const auto scale = [&](const TRect& r) {
    if (textHeight == kDesignTextHeight || textHeight <= 0) return r;
    const auto by = [&](int value) { return MulDiv(value, textHeight, kDesignTextHeight); };
    return Bounds(by(r.left), by(r.top), by(r.Width()), by(r.Height()));
  };
  fPanel->SetBoundsRect(scale(Rect(kMargin, kMargin, KeyRect(4, 0, 1, 1).right, KeyRect(0, 0, 1, 1).bottom)));
  fTextBox->SetBoundsRect(Rect(2, 2, fPanel->Width() - 4, fPanel->Height() - 2));
  for (int tag = 1; tag <= kKeyCount; ++tag) {
    const TKeyDesign& design = kKeyDesign[tag];
    fKeys[tag]->SetBoundsRect(scale(KeyRect(design.column, design.row, design.columns, design.rows)));
  }
  const TRect client = scale(Rect(0, 0, kDesignClientWidth, kDesignClientHeight));
  fDesignClientSize = {client.Width(), client.Height()};
  const TSize extent = AutoSizeExtent();
  SetBounds(Left(), Top(), extent.cx, extent.cy);
}

TSize TCalculatorEh::AutoSizeExtent() const {
  return {fDesignClientSize.cx + Width() - ClientWidth(), fDesignClientSize.cy + Height() - ClientHeight()};
}

TSpeedButtonEh* TCalculatorEh::KeyButton(int tag) const {
  return tag >= 1 && tag <= kKeyCount ? fKeys[tag] : nullptr;
}

void TCalculatorEh::SpeedButtonClick(TObject* sender) {
  const auto* key = dynamic_cast<TComponent*>(sender);
  const int tag = key ? key->Tag() : 0;
  if (tag >= 1 && tag <= kKeyCount) HandleKey(kKeyDesign[tag].key);
}

const AnsiString& TCalculatorEh::Display() const { return fTextBox->Caption(); }

void TCalculatorEh::SetDisplay(const AnsiString& text) { fTextBox->SetCaption(text); }

double TCalculatorEh::DisplayValue() const {
  if (fState == TState::Error) return 0;
  return static_cast<double>(StrToFloat(Trim(Display())));
}

void TCalculatorEh::ShowValue(Currency value) {
  SetDisplay(CurrToStr(value));
}

bool TCalculatorEh::DisplayAsCurrency(Currency& value) const {
  if (fState == TState::Error) return false;
  const AnsiString text = Trim(Display());
  const std::size_t separator = text.find(FormatSettings().DecimalSeparator);
  const std::size_t places = separator == AnsiString::npos ? 0 : text.size() - separator - 1;
  return places <= 4 && text.find_first_of("eE") == AnsiString::npos && TryStrToCurr(text, value);
}

void TCalculatorEh::ShowValue(double value) {
  if (std::isfinite(value))
    SetDisplay(FloatToStrF(value, ffGeneral, kShownPrecision, 0));
  else
    ShowError();
}

void TCalculatorEh::ShowError() {
  fState = TState::Error;
  SetDisplay("Error");
}

void TCalculatorEh::ClearCalculator() {
  fState = TState::Result;
  SetDisplay("0");
  fPendingOperator = '=';
  fAccumulator = 0;
}

void TCalculatorEh::StartTyping() {
  if (fState != TState::Result) return;
  fState = TState::Typing;
  SetDisplay("0");
}

void TCalculatorEh::TypeDecimalSeparator() {
  StartTyping();
  const char separator = FormatSettings().DecimalSeparator;
  if (Display().find(separator) == AnsiString::npos) SetDisplay(Display() + separator);
}

void TCalculatorEh::TypeDigit(char digit) {
  StartTyping();
  if (Display() == "0") SetDisplay("");
  const AnsiString& shown = Display();
  if (shown.find('E') != AnsiString::npos) return;
  const std::size_t limit = shown.find('-') == AnsiString::npos ? kMaxDigits : kMaxDigits + 1;
  if (shown.size() < limit) SetDisplay(shown + digit);
}

void TCalculatorEh::EraseLastCharacter() {
  StartTyping();
  const AnsiString& shown = Display();
  if (shown.size() <= 1 || (shown.size() == 2 && shown[0] == '-'))
    SetDisplay("0");
  else
    SetDisplay(shown.substr(0, shown.size() - 1));
}

void TCalculatorEh::ApplyOperator(char key) {
  if (fState == TState::Typing) {
    fState = TState::Result;
    double operand = DisplayValue();
    if (key == '%') {
      if (fPendingOperator == '*' || fPendingOperator == '/')
        operand = operand / 100;
      else if (fPendingOperator == '+' || fPendingOperator == '-')
        operand = fAccumulator * operand / 100;
    }
    switch (fPendingOperator) {
      case '*':
        ShowValue(fAccumulator * operand);
        break;
      case '+':
        ShowValue(fAccumulator + operand);
        break;
      case '-':
        ShowValue(fAccumulator - operand);
        break;
      case '/':
        if (operand == 0)
          ShowError();
        else
          ShowValue(fAccumulator / operand);
        break;
      default:
        break;
    }
  }
  fPendingOperator = key;
  fAccumulator = DisplayValue();
}

void TCalculatorEh::CopyToClipboard() { Clipboard()->SetAsText(Display()); }

void TCalculatorEh::PasteFromClipboard() {
  if (!Clipboard()->HasFormat(CF_TEXT)) return;
  ShowValue(static_cast<double>(StrToFloat(Trim(Clipboard()->AsText()))));
}

void TCalculatorEh::HandleKey(char key) {
  if (key >= 'a' && key <= 'z') key = static_cast<char>(key - 'a' + 'A');
  if (fState == TState::Error) {
    if (key == 'C') ClearCalculator();
  } else if (key == FormatSettings().DecimalSeparator || key == ',' || key == '.') {
    TypeDecimalSeparator();
  } else if (key >= '0' && key <= '9') {
    TypeDigit(key);
  } else if (key == kBackspaceKey) {
    EraseLastCharacter();
  } else if (key == 'C' || key == kEscapeKey) {
    ClearCalculator();
  } else if (key == 'I') {
    ShowValue(-DisplayValue());
  } else if (key == 'R') {
    fState = TState::Result;
    const double value = DisplayValue();
    if (value == 0)
      ShowError();
    else
      ShowValue(1 / value);
  } else if (key == 'S') {
    fState = TState::Result;
    const double value = DisplayValue();
    if (value < 0)
      ShowError();
    else
      ShowValue(std::sqrt(value));
  } else if (IsOperatorKey(key)) {
    ApplyOperator(key);
  } else if (key == kCopyKey) {
    CopyToClipboard();
  } else if (key == kPasteKey) {
    PasteFromClipboard();
  }
  UpdateOkCaption();
}

void TCalculatorEh::UpdateOkCaption() {
  const bool computes = fAccumulator != 0 && fState == TState::Typing && IsArithmetic(fPendingOperator);
  EqualButton()->SetCaption(computes ? "=" : "Ok");
}

void TCalculatorEh::KeyDown(Word& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (key == VK_DELETE) HandleKey('C');
}

void TCalculatorEh::KeyPress(char& key) {
  TCustomControl::KeyPress(key);
  if (key != 0) HandleKey(key);
}

void TCalculatorEh::StepByWheel(double step) {
  if (fState != TState::Error) ShowValue(DisplayValue() + step);
}

bool TCalculatorEh::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
  if (!TCustomControl::DoMouseWheelDown(shift, mousePos)) StepByWheel(-1);
  return true;
}

bool TCalculatorEh::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
  if (!TCustomControl::DoMouseWheelUp(shift, mousePos)) StepByWheel(1);
  return true;
}

// ---- The drop-down ----------------------------------------------------------------------

TPopupCalculatorEh::TPopupCalculatorEh(TComponent* owner) : TCalculatorEh(owner) {
  SetVisible(false);
  Loaded();
}

TSize TPopupCalculatorEh::AutoSizeExtent() const {
  const TSize extent = TCalculatorEh::AutoSizeExtent();
  return {extent.cx + 2 * BorderWidth(), extent.cy + 2 * BorderWidth()};
}

bool TPopupCalculatorEh::GetCanCloseUp() const { return EqualButton()->Caption() == "Ok"; }

void TPopupCalculatorEh::HandleKey(char key) {
  if ((key == kEnterKey || key == '=') && GetCanCloseUp())
    CloseUpToOwnerEh(this, true);
  else
    TCalculatorEh::HandleKey(key);
}

// A number shown with up to four decimals is returned as shown: a double would keep only
// fifteen or so of its digits.
Variant TPopupCalculatorEh::GetValue() const {
  if (InError()) return VarAsError(-1);
  Currency exact;
  if (DisplayAsCurrency(exact)) return Variant(exact);
  return Variant(DisplayValue());
}

// A change of the flag lets every key leave its flat look; the keys draw their own
// edit-button face either way.
void TPopupCalculatorEh::SetFlat(bool value) {
  if (value == fFlat) return;
  fFlat = value;
  for (int tag = 1; tag <= kKeyCount; ++tag) KeyButton(tag)->SetFlat(false);
}

void TPopupCalculatorEh::SetValue(const Variant& value) {
  ClearCalculator();
  if (value.VType() == varCurrency)
    ShowValue(value.AsCurrency());
  else
    ShowValue(VarIsNull(value) || VarIsEmpty(value) ? 0.0 : value.AsDouble());
  UpdateOkCaption();
}

void TPopupCalculatorEh::CreateParams(TCreateParams& params) {
  TCalculatorEh::CreateParams(params);
  params.Style = WS_POPUP | (Ctl3D() ? 0 : WS_BORDER);
  params.ExStyle |= WS_EX_TOOLWINDOW | (Ctl3D() ? WS_EX_CLIENTEDGE : 0);
  params.WindowClassStyle |= CS_SAVEBITS;
}

void TPopupCalculatorEh::CreateWnd() {
  TCalculatorEh::CreateWnd();
  MakeTopLevelEh(this);
}

void TPopupCalculatorEh::KeyDown(Word& key, TShiftState shift) {
  if (key == VK_ESCAPE) {
    key = 0;
    CloseUpToOwnerEh(this, false);
    return;
  }
  TCalculatorEh::KeyDown(key, shift);
}

void TPopupCalculatorEh::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_MOUSEACTIVATE:
      message.Result = MA_NOACTIVATE;
      return;
    case CM_CLOSEUPNOTACCEPTEH:
      CloseUpToOwnerEh(this, false);
      return;
    case CM_WANTSPECIALKEY:
      if (message.WParam == VK_RETURN) {
        message.Result = 1;
        CloseUpToOwnerEh(this, true);
        return;
      }
      TCalculatorEh::Dispatch(message);
      return;
    default:
      TCalculatorEh::Dispatch(message);
  }
}

}  // namespace ordvane
