#pragma once
// What the language of the process's locale asks of the controls: a Far East language
// (Chinese, Japanese, Korean) is composed with an input method, a Middle East one (Arabic,
// Hebrew, Persian, Urdu, Yiddish) is written right to left. The language is the C
// library's character locale when the program chose one, else the environment's; with
// neither the locale is a left-to-right one without an input method.

#include <optional>

namespace ordvane {

bool FarEastLocale();
bool MiddleEastLocale();
// Replace an answer (tests); std::nullopt goes back to the process's locale.
void SetFarEastLocale(std::optional<bool> farEast);
void SetMiddleEastLocale(std::optional<bool> middleEast);

}  // namespace ordvane
