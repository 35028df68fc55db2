#pragma once
// Format settings with '.' decimals and ',' thousands, which keep expected texts readable.

#include "classlib/core/FormatSettings.h"

namespace ordvane::test {

inline TFormatSettings DottedSettings() {
  TFormatSettings s;
  s.DecimalSeparator = '.';
  s.ThousandSeparator = ',';
  return s;
}

}  // namespace ordvane::test
