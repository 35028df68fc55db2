#pragma once
// Timings and counts of the statements that run on one database, collected while the
// database's statistics object is active and kept per statement under its full name.

#include <atomic>
#include <map>
#include <mutex>
#include <vector>

#include "classlib/core/System.h"

namespace ordvane {

struct TFIBStatementStatistics {
  // The full name of the statement that noted these figures last.
  AnsiString LastQueryName;
  Int64 PrepareCount = 0;
  Int64 ExecuteCount = 0;
  // Milliseconds: the last execution, all of them, their rounded mean and the longest.
  Int64 LastTimeExecute = 0;
  Int64 SumTimeExecute = 0;
  Int64 AvgTimeExecute = 0;
  Int64 MaxTimeExecute = 0;
  // The parameters the longest execution ran with, one "Params[i]=..." line each.
  std::vector<AnsiString> MaxTimeExecuteParams;
};

class TFIBStatistics {
 public:
  // Asked at every execution: a flag of its own, read without the lock.
  bool Active() const { return fActive.load(std::memory_order_relaxed); }
  void SetActive(bool value) { fActive.store(value, std::memory_order_relaxed); }

  void NotePrepare(const AnsiString& statementName);
  // params: the lines of the parameters the execution ran with; kept only when it is the
  // longest so far.
  void NoteExecute(const AnsiString& statementName, Int64 elapsedMilliseconds, std::vector<AnsiString> params);
  // The figures of one statement; all zero for a statement that never ran.
  TFIBStatementStatistics Of(const AnsiString& statementName) const;
  void Clear();

 private:
  TFIBStatementStatistics& Entry(const AnsiString& statementName);

  // Statements of one database may run on several threads, each with its own statement.
  mutable std::mutex fLock;
  std::atomic<bool> fActive{false};
  std::map<AnsiString, TFIBStatementStatistics> fStatements;
};

}  // namespace ordvane
