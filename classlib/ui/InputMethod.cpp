#include "classlib/ui/InputMethod.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "classlib/ui/Host.h"
#include "classlib/ui/WinInput.h"
#include "classlib/ui/WindowData.h"

namespace ordvane {

namespace {

struct TInputMethodState {
  std::mutex lock;
  std::optional<bool> farEast;
  TImeName name;
};

TInputMethodState& State() {
  static TInputMethodState state;
  return state;
}

// The language of the locale the process runs in: the C library's character locale
// when the program chose one, else the environment's.
bool LocaleIsFarEast() {
  const char* locale = std::setlocale(LC_CTYPE, nullptr);
  if (locale == nullptr || std::strcmp(locale, "C") == 0 || std::strcmp(locale, "POSIX") == 0) {
    locale = nullptr;
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
      const char* value = std::getenv(name);
      if (value != nullptr && *value != '\0') {
        locale = value;
        break;
      }
    }
  }
  if (locale == nullptr) return false;
  for (const char* language : {"ja", "ko", "zh"})
    if (std::strncmp(locale, language, 2) == 0 && (locale[2] == '\0' || locale[2] == '_' || locale[2] == '.'))
      return true;
  return false;
}

void TellHostWhenFocused(HWND wnd) {
  if (wnd != 0 && GetFocus() == wnd) Host().InputMethodChanged(wnd);
}

}  // namespace

bool FarEastLocale() {
  TInputMethodState& s = State();
  const std::lock_guard guard(s.lock);
  if (!s.farEast) s.farEast = LocaleIsFarEast();
  return *s.farEast;
}

void SetFarEastLocale(std::optional<bool> farEast) {
  TInputMethodState& s = State();
  const std::lock_guard guard(s.lock);
  s.farEast = farEast;
}

bool ImeModeComposes(TImeMode mode) {
  return mode != imDisable && mode != imClose;
}

void SetImeMode(HWND wnd, TImeMode mode) {
  windata::TWindowData* w = windata::Find(wnd);
  if (w == nullptr || w->imeMode == mode) return;
  w->imeMode = mode;
  TellHostWhenFocused(wnd);
}

TImeMode ImeModeOf(HWND wnd) {
  const windata::TWindowData* w = windata::Find(wnd);
  return w == nullptr ? imDontCare : w->imeMode;
}

void SetImeCompositionWindow(HWND wnd, const TRect& area) {
  windata::TWindowData* w = windata::Find(wnd);
  if (w == nullptr || w->imeComposition == area) return;
  w->imeComposition = area;
  TellHostWhenFocused(wnd);
}

std::optional<TRect> ImeCompositionWindowOf(HWND wnd) {
  const windata::TWindowData* w = windata::Find(wnd);
  return w == nullptr ? std::nullopt : w->imeComposition;
}

void SetImeName(const TImeName& name) {
  TInputMethodState& s = State();
  const std::lock_guard guard(s.lock);
  s.name = name;
}

TImeName ActiveImeName() {
  TInputMethodState& s = State();
  const std::lock_guard guard(s.lock);
  return s.name;
}

}  // namespace ordvane
