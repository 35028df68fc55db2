#include "classlib/core/SysLocale.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <mutex>

namespace ordvane {

namespace {

struct TLocaleState {
  std::mutex lock;
  std::optional<bool> farEast;
  std::optional<bool> middleEast;
};

TLocaleState& State() {
  static TLocaleState state;
  return state;
}

const char* ProcessLocaleName() {
  const char* locale = std::setlocale(LC_CTYPE, nullptr);
  if (locale != nullptr && std::strcmp(locale, "C") != 0 && std::strcmp(locale, "POSIX") != 0) return locale;
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return nullptr;
}

// Whether the locale's language is one of the two-letter codes.
bool LanguageIsOneOf(std::initializer_list<const char*> languages) {
  const char* locale = ProcessLocaleName();
  if (locale == nullptr) return false;
  for (const char* language : languages)
    if (std::strncmp(locale, language, 2) == 0 && (locale[2] == '\0' || locale[2] == '_' || locale[2] == '.'))
      return true;
  return false;
}

bool Answer(std::optional<bool> TLocaleState::*answer, std::initializer_list<const char*> languages) {
  TLocaleState& s = State();
  const std::lock_guard guard(s.lock);
  if (!(s.*answer)) s.*answer = LanguageIsOneOf(languages);
  return *(s.*answer);
}

void Replace(std::optional<bool> TLocaleState::*answer, std::optional<bool> value) {
  TLocaleState& s = State();
  const std::lock_guard guard(s.lock);
  s.*answer = value;
}

}  // namespace

bool FarEastLocale() {
  return Answer(&TLocaleState::farEast, {"ja", "ko", "zh"});
}

bool MiddleEastLocale() {
  return Answer(&TLocaleState::middleEast, {"ar", "fa", "he", "ur", "yi"});
}

void SetFarEastLocale(std::optional<bool> farEast) {
  Replace(&TLocaleState::farEast, farEast);
}

void SetMiddleEastLocale(std::optional<bool> middleEast) {
  Replace(&TLocaleState::middleEast, middleEast);
}

}  // namespace ordvane
