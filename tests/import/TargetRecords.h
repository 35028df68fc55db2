#pragma once
// The records of an import's target as the tests compare them.

#include <string>
#include <vector>

#include "classlib/core/CodePages.h"
#include "classlib/db/DB.h"

namespace ordvane::test {

// Every record, its fields' texts joined by "|", in UTF-8.
inline std::vector<std::string> TargetRecords(TDataSet& data) {
  std::vector<std::string> records;
  for (data.First(); !data.Eof(); data.Next()) {
    std::string line;
    for (int i = 0; i < data.FieldCount(); ++i)
      line += (i > 0 ? "|" : "") + AnsiToUtf8(data.Fields().Fields(i)->AsString());
    records.push_back(line);
  }
  return records;
}

}  // namespace ordvane::test
