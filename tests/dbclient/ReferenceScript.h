#pragma once
// A reference-directory script as operators receive them: thousands of INSERT statements
// in Windows-1251 into REF (ID INTEGER PRIMARY KEY, NAME VARCHAR(60), NOTE VARCHAR(60)),
// with quotes, semicolons and "--" inside the strings, comments between statements, some
// statements spread over several lines, and optionally two failing statements in the
// middle. Shared by the script tests and the script benchmark.

#include <string>
#include <vector>

#include "classlib/core/CodePages.h"

namespace ordvane::test {

struct ReferenceScript {
  std::string text;  // Windows-1251
  int rows = 0;
  // The 1-based numbers of the failing statements and their SQL codes.
  std::vector<int> errorStatements;
  std::vector<int> errorCodes;
};

// The NAME the script gives row id, as UTF-8 (what isql-fb prints with -ch UTF8).
inline std::string ReferenceName(int id) { return "Довідник '" + std::to_string(id) + "'; рядок"; }

inline ReferenceScript MakeReferenceScript(int rows, bool withErrors) {
  ReferenceScript script;
  script.rows = rows;
  std::string utf8 = "/* Довідник; версія 1 */\n-- рядки; по одному\n";
  int statement = 0;
  for (int id = 1; id <= rows; ++id) {
    const std::string n = std::to_string(id);
    if (id % 500 == 0)
      utf8 += "INSERT INTO REF (ID, NAME, NOTE)\n  VALUES (" + n + ",\n  'Довідник ''" + n +
              "''; рядок', -- кінець рядка; коментар\n  'a;b')\n;\n";
    else
      utf8 += "INSERT INTO REF (ID, NAME, NOTE) VALUES (" + n + ", 'Довідник ''" + n +
              "''; рядок', 'a;b \"c\" -- не коментар'); /* ; */\n";
    ++statement;
    if (!withErrors) continue;
    if (id == rows / 4) {
      utf8 += "INSERT INTO REF (ID, NAME) VALUES (1, 'повтор; ключа');\n";
      script.errorStatements.push_back(++statement);
      script.errorCodes.push_back(-803);
    } else if (id == rows / 2) {
      utf8 += "INSERT INTO REF (ID, NOSUCH) VALUES (-1, 'немає; стовпця');\n";
      script.errorStatements.push_back(++statement);
      script.errorCodes.push_back(-206);
    }
  }
  script.text = Utf8ToAnsi(utf8);
  return script;
}

}  // namespace ordvane::test
