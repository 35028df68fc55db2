#include "import/SMCells.h"

#include <algorithm>

namespace ordvane {

Integer ColumnLettersToIndex(const AnsiString& letters, Integer columnCount) {
  if (letters.empty()) return columnCount >= 1 ? 0 : -1;
  Int64 number = 0;
  bool tooLarge = false;
  for (char c : letters) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c < 'A' || c > 'Z') return -1;
    // Past the column count the value no longer matters, only the other characters do.
    tooLarge = tooLarge || number > columnCount;
    if (!tooLarge) number = number * 26 + (c - 'A' + 1);
  }
  return !tooLarge && number <= columnCount ? static_cast<Integer>(number - 1) : -1;
}

AnsiString ColumnIndexToLetters(Integer n) {
  AnsiString letters;
  for (; n > 0; n = (n - 1) / 26) letters += static_cast<char>('A' + (n - 1) % 26);
  std::reverse(letters.begin(), letters.end());
  return letters;
}

}  // namespace ordvane
