#pragma once
// The import's progress on a terminal, for a run without a display: one line that is
// rewritten as rows go in, and the run's outcome below it.

#include <chrono>
#include <ostream>
#include <string>

#include "import/SMIDialogs.h"

namespace ordvane::demo {

// A message of the system (ANSI, its lines ended by CR LF) as a terminal shows it: UTF-8,
// lines ended by LF.
std::string TerminalText(const AnsiString& message);

class TTerminalProgress : public ISMIImportDialogs {
 public:
  // rewriteLine: `out` is a terminal, where the progress line is rewritten in place; a
  // log file gets the outcome only, not a line per refresh. rowsAbove: the sheet's rows
  // above the first one read (the titles), which the sheet's count holds but no run
  // processes.
  TTerminalProgress(std::ostream& out, bool rewriteLine, Integer rowsAbove = 0)
      : fOut(out), fRewriteLine(rewriteLine), fRowsAbove(rowsAbove) {}

  void ShowProgress(const TSMIProgressCaptions& captions, bool showCounters, bool showAnimation) override;
  void SetProgressRange(Integer min, Integer max, Integer position) override;
  bool UpdateProgress(const AnsiString& status, const TSMIProgressCounters& counters) override;
  bool IsProgressCancelled() const override { return false; }
  void ShowResult(const AnsiString& message, const TSMIProgressCounters& counters,
                  const AnsiString& buttonCaption) override;
  void WaitForClose() override {}
  bool CloseProgress() override;
  // Nobody is there to answer: the parameters keep their values.
  bool AskParameters(const std::vector<TSMIParameter*>& parameters) override;
  void ShowMessage(const AnsiString& message) override;
  void SetWaitCursor(bool) override {}

 private:
  void EndLine();

  std::ostream& fOut;
  bool fRewriteLine;
  Integer fRowsAbove;
  bool fLineOpen = false;
  std::chrono::steady_clock::time_point fWritten;
  Integer fTotal = 0;
};

}  // namespace ordvane::demo
