#include "dbclient/FIBStatistics.h"

#include <utility>

namespace ordvane {

TFIBStatementStatistics& TFIBStatistics::Entry(const AnsiString& statementName) {
  TFIBStatementStatistics& entry = fStatements[statementName];
  entry.LastQueryName = statementName;
  return entry;
}

void TFIBStatistics::NotePrepare(const AnsiString& statementName) {
  std::scoped_lock lock(fLock);
  ++Entry(statementName).PrepareCount;
}

void TFIBStatistics::NoteExecute(const AnsiString& statementName, Int64 elapsedMilliseconds,
                                 std::vector<AnsiString> params) {
  std::scoped_lock lock(fLock);
  TFIBStatementStatistics& entry = Entry(statementName);
  ++entry.ExecuteCount;
  entry.LastTimeExecute = elapsedMilliseconds;
  entry.SumTimeExecute += elapsedMilliseconds;
  entry.AvgTimeExecute = (entry.SumTimeExecute + entry.ExecuteCount / 2) / entry.ExecuteCount;
  if (elapsedMilliseconds > entry.MaxTimeExecute || entry.ExecuteCount == 1) {
    entry.MaxTimeExecute = elapsedMilliseconds;
    entry.MaxTimeExecuteParams = std::move(params);
  }
}

TFIBStatementStatistics TFIBStatistics::Of(const AnsiString& statementName) const {
  std::scoped_lock lock(fLock);
  const auto found = fStatements.find(statementName);
  return found != fStatements.end() ? found->second : TFIBStatementStatistics{};
}

void TFIBStatistics::Clear() {
  std::scoped_lock lock(fLock);
  fStatements.clear();
}

}  // namespace ordvane
