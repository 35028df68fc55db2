// Input methods in the window layer: the mode and composition place kept per window, the
// host told about those of the focused window only, text composed by the desktop typed
// into the focus window, and the locale that asks for input methods.

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

#include "classlib/core/CodePages.h"
#include "classlib/ui/InputMethod.h"
#include "classlib/ui/WinInput.h"
#include "tests/support/UiDriver.h"
#include "tests/ui/WindowTestSupport.h"

namespace ordvane {
namespace {

using test::Child;
using test::MessageLog;
using test::RawWindow;
using test::TopLevel;

class FocusFollowingHost : public THeadlessHost {
 public:
  void InputMethodChanged(HWND focus) override { told.push_back({focus, ImeModeOf(focus)}); }
  std::vector<std::pair<HWND, TImeMode>> told;
};

class InputMethodTest : public ::testing::Test {
 protected:
  InputMethodTest() { SetHost(&host); }
  ~InputMethodTest() override { SetHost(nullptr); }
  test::UiDriver ui;
  FocusFollowingHost host;
  MessageLog log;
  RawWindow top{"top", log, TopLevel(10, 10, 300, 200)};
  RawWindow first{"first", log, Child(top.Wnd(), 10, 10, 100, 20), {WM_CHAR, WM_IME_STARTCOMPOSITION}};
  RawWindow second{"second", log, Child(top.Wnd(), 10, 40, 100, 20)};
};

TEST_F(InputMethodTest, TheHostFollowsTheFocusedWindowOnly) {
  SetFocus(first.Wnd());
  host.told.clear();
  SetImeMode(second.Wnd(), imDisable);
  SetImeCompositionWindow(second.Wnd(), Rect(0, 0, 100, 20));
  EXPECT_TRUE(host.told.empty()) << "a window without the focus keeps its settings for later";
  SetImeMode(first.Wnd(), imOpen);
  SetImeMode(first.Wnd(), imOpen);
  ASSERT_EQ(host.told.size(), 1u) << "an unchanged mode is no news";
  EXPECT_EQ(host.told[0], std::make_pair(first.Wnd(), imOpen));
  SetFocus(second.Wnd());
  ASSERT_EQ(host.told.size(), 2u);
  EXPECT_EQ(host.told[1], std::make_pair(second.Wnd(), imDisable));
  EXPECT_EQ(ImeCompositionWindowOf(second.Wnd()), Rect(0, 0, 100, 20));
  EXPECT_FALSE(ImeCompositionWindowOf(first.Wnd()).has_value());
}

TEST_F(InputMethodTest, AGoneWindowHasNoSettings) {
  HWND wnd = 0;
  {
    RawWindow passing{"passing", log, Child(top.Wnd(), 10, 70, 100, 20)};
    wnd = passing.Wnd();
    SetImeMode(wnd, imHira);
    EXPECT_EQ(ImeModeOf(wnd), imHira);
  }
  EXPECT_EQ(ImeModeOf(wnd), imDontCare);
  SetImeCompositionWindow(wnd, Rect(0, 0, 1, 1));
  EXPECT_FALSE(ImeCompositionWindowOf(wnd).has_value());
}

TEST_F(InputMethodTest, ComposedTextIsTypedIntoTheFocusWindow) {
  SetFocus(first.Wnd());
  ui.Process();
  log.clear();
  HostCompositionStarted();
  HostComposedText(Utf8Decode("Ґа"));
  ui.Process();
  EXPECT_EQ(log, (MessageLog{"first WM_IME_STARTCOMPOSITION", "first WM_CHAR", "first WM_CHAR"}));
}

// The locale comes from the environment while the program keeps the C library's own.
TEST(InputMethodLocale, TheLanguagesThatComposeAreFarEast) {
  const char* current = std::setlocale(LC_CTYPE, nullptr);
  ASSERT_TRUE(current != nullptr && std::string(current) == "C");
  const char* saved = std::getenv("LC_ALL");
  const std::string restore = saved == nullptr ? std::string() : saved;
  for (const auto& [locale, farEast] : std::vector<std::pair<const char*, bool>>{
           {"ja_JP.UTF-8", true}, {"zh_TW", true}, {"ko", true}, {"uk_UA.UTF-8", false}, {"jam", false}}) {
    setenv("LC_ALL", locale, 1);
    SetFarEastLocale(std::nullopt);
    EXPECT_EQ(FarEastLocale(), farEast) << locale;
  }
  SetFarEastLocale(true);
  EXPECT_TRUE(FarEastLocale()) << "a test may set the answer";
  if (saved == nullptr)
    unsetenv("LC_ALL");
  else
    setenv("LC_ALL", restore.c_str(), 1);
  SetFarEastLocale(std::nullopt);
}

}  // namespace
}  // namespace ordvane
