// The drop-down calculator: its arithmetic against Python's, the typing limits, the error
// state and the values that overflow a Double, the wheel, the clipboard, the locale's
// decimal separator, the drop-down's close protocol and focus, and its scaling.

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sstream>

#include "classlib/core/FloatFormat.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/Math.h"
#include "classlib/core/SysUtils.h"
#include "classlib/ui/Clipbrd.h"
#include "classlib/ui/StdCtrls.h"
#include "gridbase/CalculatorEh.h"
#include "tests/classlib/PythonOracle.h"
#include "tests/ui/TextControlSupport.h"

namespace ordvane {
namespace {

// An edit that opens a calculator and notes how it was closed.
class TCalcOwner : public TEdit, public IPopupEditOwnerEh {
 public:
  using TEdit::TEdit;
  std::vector<bool> closes;
  void CloseUp(bool accept) override { closes.push_back(accept); }
};

struct CalcFixture : test::TextControlFixture {
  TCalcOwner* owner = Place<TCalcOwner>(Rect(10, 10, 200, 31));
  TPopupCalculatorEh* calc = new TPopupCalculatorEh(owner);

  CalcFixture() {
    calc->SetParent(owner);
    ui.Process();
  }
  // Hands each character to the calculator as one key.
  AnsiString Keys(const std::string& keys) {
    for (char key : keys) calc->HandleKey(key);
    return calc->TextBox()->Caption();
  }
  void Drop() {
    owner->SetFocus();
    const TPoint at = AlignDropDownWindowEh(owner, calc, daLeft);
    SetWindowPos(calc->Handle(), HWND_TOP, at.x, at.y, calc->Width(), calc->Height(),
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    ui.Process();
  }
};

// Sets the process's decimal separator for one test.
struct DecimalSeparator {
  explicit DecimalSeparator(char value) : fOld(FormatSettings().DecimalSeparator) {
    FormatSettings().DecimalSeparator = value;
  }
  ~DecimalSeparator() { FormatSettings().DecimalSeparator = fOld; }
  char fOld;
};

TEST(Calculator, EqualsTwiceComputesThenAccepts) {
  CalcFixture f;
  EXPECT_EQ(f.Keys("2+3"), "3");
  EXPECT_EQ(f.calc->EqualButton()->Caption(), "=");
  EXPECT_EQ(f.Keys("="), "5");
  EXPECT_EQ(f.calc->EqualButton()->Caption(), "Ok");
  EXPECT_TRUE(f.owner->closes.empty());
  f.Keys("=");
  EXPECT_EQ(f.owner->closes, std::vector<bool>{true});
  EXPECT_EQ(f.calc->GetValue().AsDouble(), 5);
}

TEST(Calculator, PercentageAndTypingLimits) {
  CalcFixture f;
  EXPECT_EQ(f.Keys("200+10%"), "220");
  f.Keys("C");
  EXPECT_EQ(f.Keys("50*10%"), "5");
  f.Keys("C");
  EXPECT_EQ(f.Keys("1234567890123456"), "123456789012345");
  f.Keys("C");
  EXPECT_EQ(f.Keys("5I"), "-5");
  EXPECT_EQ(f.Keys("123456789012345"), "-512345678901234");
  f.Keys("C");
  EXPECT_EQ(f.Keys("5I\b"), "0");
  f.Keys("C");
  EXPECT_EQ(f.Keys("12\b"), "1");
  EXPECT_EQ(f.Keys("C2S"), "1,4142135623731");
}

TEST(Calculator, ErrorStateKeepsOnlyClear) {
  CalcFixture f;
  EXPECT_EQ(f.Keys("0R"), "Error");
  EXPECT_EQ(f.Keys("5+\x1b"), "Error");
  EXPECT_TRUE(VarIsError(f.calc->GetValue()));
  EXPECT_EQ(f.Keys("C"), "0");
  EXPECT_EQ(f.Keys("5"), "5");
  EXPECT_EQ(f.Keys("I-S"), "Error");
  f.calc->SetValue(Variant(7.5));
  EXPECT_EQ(f.calc->TextBox()->Caption(), "7,5");
  EXPECT_EQ(f.Keys("/0="), "Error");
}

// A result that is no finite Double shows the error, and the calculator goes on working
// after a clear.
TEST(Calculator, OverflowShowsError) {
  CalcFixture f;
  f.calc->SetValue(Variant(1e308));
  EXPECT_EQ(f.Keys("*10="), "Error");
  f.Keys("C");

  f.calc->SetValue(Variant(1e308));
  f.Keys("+0");
  Clipboard()->SetAsText("1E308");
  EXPECT_EQ(f.Keys("\x16="), "Error");
  f.Keys("C");

  f.calc->SetValue(Variant(5e-324));
  EXPECT_EQ(f.Keys("R"), "Error");
  f.Keys("C");

  Clipboard()->SetAsText("1e400");
  EXPECT_EQ(f.Keys("\x16"), "Error");
  EXPECT_EQ(f.Keys("C2+2="), "4");
}

// Typed, wheeled and pasted through the keyboard and the mouse of a focused calculator.
TEST(Calculator, WheelClipboardAndDecimalSeparator) {
  test::TextControlFixture f;
  auto* calc = f.Place<TCalculatorEh>(Rect(10, 40, 200, 180));
  calc->SetFocus();
  f.ui.Process();
  ASSERT_TRUE(calc->Focused());
  const auto shown = [&] { return calc->TextBox()->Caption(); };
  {
    DecimalSeparator dot('.');
    f.ui.Type("2,5");
    EXPECT_EQ(shown(), "2.5");
    f.ui.Type(",.");
    EXPECT_EQ(shown(), "2.5");
    f.ui.MoveTo(calc, {20, 60});
    f.ui.Wheel(1);
    EXPECT_EQ(shown(), "3.5");
    f.ui.Wheel(-2);
    EXPECT_EQ(shown(), "1.5");
    f.ui.Press('C', TShiftState{ssCtrl});
    EXPECT_EQ(Clipboard()->AsText(), "1.5");
  }
  Clipboard()->SetAsText("  -12,25 ");
  f.ui.Press('V', TShiftState{ssCtrl});
  EXPECT_EQ(shown(), "-12,25");
  Clipboard()->SetAsText("twelve");
  EXPECT_THROW(calc->HandleKey(TCalculatorEh::kPasteKey), EConvertError);
  EXPECT_EQ(shown(), "-12,25");
  f.ui.Press(VK_DELETE);
  EXPECT_EQ(shown(), "0");
  f.ui.Type("0r");
  f.ui.Wheel(1);
  EXPECT_EQ(shown(), "Error");
}

TEST(Calculator, TwoOperandSequencesMatchPythonFloats) {
  CalcFixture f;
  DecimalSeparator dot('.');
  std::mt19937 random(52);
  std::uniform_int_distribution<int> digits(0, 999999);
  std::uniform_int_distribution<int> scale(0, 4);
  std::uniform_int_distribution<int> sign(0, 1);
  const char ops[] = "+-*/";
  const auto operand = [&] {
    std::string text = std::to_string(digits(random));
    const int decimals = std::min<int>(scale(random), static_cast<int>(text.size()) - 1);
    if (decimals > 0) text.insert(text.size() - static_cast<std::size_t>(decimals), ".");
    return sign(random) ? "-" + text : text;
  };
  std::vector<std::string> lines, shown;
  for (int i = 0; i < 200; ++i) {
    const std::string a = operand(), b = operand();
    const char op = ops[i % 4];
    lines.push_back(a + " " + op + " " + b);
    // A leading minus is typed as the sign key after the digits.
    const auto typed = [](const std::string& v) { return v[0] == '-' ? v.substr(1) + "I" : v; };
    f.Keys("C");
    shown.push_back(f.Keys(typed(a) + op + typed(b) + "="));
  }
  const std::vector<std::string> expected =
      test::RunPythonOracleAt(test::SourcePath("tests/gridbase/oracles/calculator.py"), lines);
  ASSERT_EQ(expected.size(), lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(lines[i]);
    if (expected[i] == "Error")
      EXPECT_EQ(shown[i], "Error");
    else
      EXPECT_EQ(std::strtod(shown[i].c_str(), nullptr), std::strtod(expected[i].c_str(), nullptr));
  }
}

TEST(PopupCalculator, ClosesDecliningAndNeverTakesTheFocus) {
  CalcFixture f;
  f.Drop();
  ASSERT_TRUE(f.owner->Focused());
  TSpeedButtonEh* five = f.calc->KeyButton(8);
  f.ui.Click(five, {5, 5});
  EXPECT_EQ(f.calc->TextBox()->Caption(), "5");
  EXPECT_TRUE(f.owner->Focused());

  f.calc->Perform(WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessage(f.calc->Handle(), 1125, 0, 0);
  f.ui.Process();
  EXPECT_EQ(f.owner->closes, (std::vector<bool>{false, false}));

  f.ui.Click(f.calc->KeyButton(6), {5, 5});
  f.ui.Click(f.calc->EqualButton(), {5, 5});
  EXPECT_EQ(f.owner->closes, (std::vector<bool>{false, false, true}));
  EXPECT_EQ(f.calc->Perform(CM_WANTSPECIALKEY, VK_RETURN, 0), 1);
  EXPECT_EQ(f.owner->closes, (std::vector<bool>{false, false, true, true}));

  f.calc->SetFlat(false);
  EXPECT_FALSE(f.calc->GetFlat());
  EXPECT_FALSE(five->Flat());
}

// A calculator whose font is changed before it is laid out, as a resource read with
// another text height would be.
class TLargeCalculator : public TCalculatorEh {
 public:
  explicit TLargeCalculator(TComponent* owner) : TCalculatorEh(owner) {
    Font()->SetHeight(-16);
    Loaded();
  }
};

TEST(PopupCalculator, ScalesItsKeysToTheTextHeight) {
  CalcFixture f;
  EXPECT_EQ(f.calc->EqualButton()->Width(), 56);
  EXPECT_EQ(f.calc->KeyButton(6)->Height(), 46);
  EXPECT_EQ(f.calc->AutoSizeExtent().cx, 184 + f.calc->Width() - f.calc->ClientWidth() + 4);

  auto* calc = new TLargeCalculator(f.form.get());
  calc->SetParent(f.form.get());
  TBitmap measure;
  measure.Canvas()->Font()->Assign(calc->Font());
  const int textHeight = measure.Canvas()->TextHeight("0");
  ASSERT_NE(textHeight, 13);
  const auto scaled = [&](int value) { return MulDiv(value, textHeight, 13); };
  EXPECT_EQ(calc->EqualButton()->Width(), scaled(56));
  EXPECT_EQ(calc->KeyButton(1)->Width(), scaled(28));
  EXPECT_EQ(calc->KeyButton(6)->Height(), scaled(46));
  EXPECT_EQ(calc->ClientWidth(), scaled(184));
  EXPECT_EQ(calc->ClientHeight(), scaled(127));
}

}  // namespace
}  // namespace ordvane
