#include "tests/support/UiDriver.h"

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/ui/WinPaint.h"
#include "classlib/ui/Windows.h"

namespace ordvane::test {

namespace {

struct KeyStroke {
  Word vk = 0;
  bool shift = false;
};

// The key of a US keyboard that types an ASCII character.
bool UsKeyOf(char c, KeyStroke& stroke) {
  static const char* const kShiftedDigits = ")!@#$%^&*(";
  struct Punctuation {
    char plain;
    char shifted;
    Word vk;
  };
  static const Punctuation kPunctuation[] = {
      {'-', '_', VK_OEM_MINUS},  {'=', '+', VK_OEM_PLUS}, {'[', '{', VK_OEM_4},  {']', '}', VK_OEM_6},
      {'\\', '|', VK_OEM_5},     {';', ':', VK_OEM_1},    {'\'', '"', VK_OEM_7}, {',', '<', VK_OEM_COMMA},
      {'.', '>', VK_OEM_PERIOD}, {'/', '?', VK_OEM_2},    {'`', '~', VK_OEM_3},
  };
  if (c >= 'a' && c <= 'z')
    stroke = {static_cast<Word>(c - 'a' + 'A'), false};
  else if (c >= 'A' && c <= 'Z')
    stroke = {static_cast<Word>(c), true};
  else if (c >= '0' && c <= '9')
    stroke = {static_cast<Word>(c), false};
  else if (c == ' ')
    stroke = {VK_SPACE, false};
  else if (c == '\r' || c == '\n')
    stroke = {VK_RETURN, false};
  else if (c == '\t')
    stroke = {VK_TAB, false};
  else if (c == '\b')
    stroke = {VK_BACK, false};
  else if (c == 27)
    stroke = {VK_ESCAPE, false};
  else {
    for (int d = 0; d < 10; ++d)
      if (kShiftedDigits[d] == c) {
        stroke = {static_cast<Word>('0' + d), true};
        return true;
      }
    for (const Punctuation& p : kPunctuation)
      if (p.plain == c || p.shifted == c) {
        stroke = {p.vk, p.shifted == c};
        return true;
      }
    return false;
  }
  return true;
}

// What a key of a US keyboard types with the modifiers held.
WideString TextOf(Word vk, TShiftState shift) {
  const bool ctrl = shift.Contains(ssCtrl);
  const bool upper = shift.Contains(ssShift);
  if (vk >= 'A' && vk <= 'Z') {
    if (ctrl) return WideString(1, static_cast<char16_t>(vk - 'A' + 1));
    return WideString(1, static_cast<char16_t>(upper ? vk : vk - 'A' + 'a'));
  }
  if (ctrl) {
    if (vk == VK_RETURN) return u"\n";
    if (vk == VK_BACK) return u"\x7F";
    return {};
  }
  switch (vk) {
    case VK_RETURN:
      return u"\r";
    case VK_TAB:
      return u"\t";
    case VK_BACK:
      return u"\b";
    case VK_ESCAPE:
      return u"\x1B";
    case VK_SPACE:
      return u" ";
    default:
      break;
  }
  for (char c = 32; c < 127; ++c) {
    KeyStroke stroke;
    if (UsKeyOf(c, stroke) && stroke.vk == vk && stroke.shift == upper)
      return WideString(1, static_cast<char16_t>(c));
  }
  return {};
}

}  // namespace

UiDriver::UiDriver() {
  HeadlessHost().SetMonitors({});
  SetHost(nullptr);
  Application->OnIdle = TIdleEvent::Bind(this, &UiDriver::RunStep);
}

UiDriver::~UiDriver() {
  Application->ProcessMessages();
  Application->OnIdle = nullptr;
}

TPoint UiDriver::ScreenPoint(const TControl* control, TPoint client) {
  return control->ClientToScreen(client);
}

void UiDriver::Input(const std::function<void()>& event) {
  event();
  Process();
}

void UiDriver::MoveToScreen(TPoint screen) {
  fMouse = screen;
  Input([screen] { HostMouseMove(screen); });
}

void UiDriver::PressAtScreen(TPoint screen, THostButton button) {
  if (screen != fMouse) MoveToScreen(screen);
  Input([screen, button] { HostMouseButton(button, true, screen); });
}

void UiDriver::ReleaseAtScreen(TPoint screen, THostButton button) {
  if (screen != fMouse) MoveToScreen(screen);
  Input([screen, button] { HostMouseButton(button, false, screen); });
}

void UiDriver::Press(const TControl* control, TPoint client, THostButton button) {
  PressAtScreen(ScreenPoint(control, client), button);
}

void UiDriver::Release(const TControl* control, TPoint client, THostButton button) {
  ReleaseAtScreen(ScreenPoint(control, client), button);
}

void UiDriver::ClickAtScreen(TPoint screen, THostButton button) {
  PressAtScreen(screen, button);
  ReleaseAtScreen(screen, button);
}

void UiDriver::Click(const TControl* control, TPoint client, THostButton button) {
  ClickAtScreen(ScreenPoint(control, client), button);
}

void UiDriver::DoubleClick(const TControl* control, TPoint client) {
  Click(control, client);
  Click(control, client);
}

void UiDriver::Drag(const TControl* control, TPoint from, TPoint to, int steps) {
  const TPoint start = ScreenPoint(control, from);
  const TPoint end = ScreenPoint(control, to);
  PressAtScreen(start);
  steps = std::max(steps, 1);
  for (int i = 1; i <= steps; ++i)
    MoveToScreen({start.x + (end.x - start.x) * i / steps, start.y + (end.y - start.y) * i / steps});
  ReleaseAtScreen(end);
}

void UiDriver::WheelBy(int delta) {
  const TPoint at = fMouse;
  Input([at, delta] { HostMouseWheel(delta, at); });
}

void UiDriver::KeyDown(Word virtualKey, const WideString& text) {
  Input([virtualKey, text] { HostKey(virtualKey, true, text); });
}

void UiDriver::KeyUp(Word virtualKey) {
  Input([virtualKey] { HostKey(virtualKey, false); });
}

void UiDriver::Press(Word virtualKey, TShiftState shift) {
  if (shift.Contains(ssCtrl)) KeyDown(VK_CONTROL);
  if (shift.Contains(ssAlt)) KeyDown(VK_MENU);
  if (shift.Contains(ssShift)) KeyDown(VK_SHIFT);
  KeyDown(virtualKey, TextOf(virtualKey, shift));
  KeyUp(virtualKey);
  if (shift.Contains(ssShift)) KeyUp(VK_SHIFT);
  if (shift.Contains(ssAlt)) KeyUp(VK_MENU);
  if (shift.Contains(ssCtrl)) KeyUp(VK_CONTROL);
}

void UiDriver::Type(const std::string& utf8) {
  const WideString text = Utf8Decode(utf8);
  for (char16_t c : text) {
    KeyStroke stroke;
    if (c < 128 && UsKeyOf(static_cast<char>(c), stroke)) {
      Press(stroke.vk, stroke.shift ? TShiftState{ssShift} : TShiftState{});
    } else {
      KeyDown(VK_PACKET, WideString(1, c));
      KeyUp(VK_PACKET);
    }
  }
}

TRegion UiDriver::UpdateRegion(TWinControl* control) {
  TRegion region;
  if (control->HandleAllocated()) GetUpdateRgn(control->WindowHandle(), region, false);
  return region;
}

TRaster UiDriver::Screen() {
  return ScreenImage();
}

TColorRef UiDriver::Pixel(const TControl* control, TPoint client) {
  const TPoint p = ScreenPoint(control, client);
  const TRaster screen = ScreenImage();
  return screen.Pixel(p.x - GetSystemMetrics(SM_XVIRTUALSCREEN), p.y - GetSystemMetrics(SM_YVIRTUALSCREEN));
}

void UiDriver::Later(std::function<void()> step) {
  fSteps.push_back(std::move(step));
}

void UiDriver::RunStep(TObject* /*sender*/, bool& done) {
  if (fSteps.empty()) {
    // Nothing can come any more without a display: the loop would wait for ever. The
    // test fails, and ending the application ends the loop.
    ADD_FAILURE() << "a message loop waits with no step of the test left";
    Application->Terminate();
    done = false;
    return;
  }
  const std::function<void()> step = std::move(fSteps.front());
  fSteps.pop_front();
  step();
  done = false;
}

}  // namespace ordvane::test
