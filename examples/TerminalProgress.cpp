#include "examples/TerminalProgress.h"

#include <algorithm>

#include "classlib/core/CodePages.h"
#include "dbclient/EngineSignals.h"

namespace ordvane::demo {

std::string TerminalText(const AnsiString& message) {
  std::string text = AnsiToUtf8(message);
  std::erase(text, '\r');
  return text;
}

void TTerminalProgress::ShowProgress(const TSMIProgressCaptions&, bool, bool) {
  fTotal = 0;
}

void TTerminalProgress::SetProgressRange(Integer, Integer max, Integer) {
  fTotal = std::max<Integer>(max - fRowsAbove, 0);
}

bool TTerminalProgress::UpdateProgress(const AnsiString&, const TSMIProgressCounters& counters) {
  // Once the run is interrupted, its rows fail because of it: what the run kept is said
  // when the process ends, and nothing else.
  AwaitEndIfSignalled();
  // A refresh comes with every row: ten lines a second are what the eye follows.
  const auto now = std::chrono::steady_clock::now();
  if (!fRewriteLine || (fLineOpen && now - fWritten < std::chrono::milliseconds(100))) return true;
  fWritten = now;
  fOut << "\rImporting: " << counters.Processed << " of " << fTotal << " rows, " << counters.Errors
       << " errors" << std::flush;
  fLineOpen = true;
  return true;
}

void TTerminalProgress::ShowResult(const AnsiString& message, const TSMIProgressCounters&,
                                   const AnsiString&) {
  ShowMessage(message);
}

bool TTerminalProgress::CloseProgress() {
  EndLine();
  return true;
}

bool TTerminalProgress::AskParameters(const std::vector<TSMIParameter*>&) {
  return true;
}

void TTerminalProgress::ShowMessage(const AnsiString& message) {
  AwaitEndIfSignalled();
  EndLine();
  fOut << TerminalText(message) << std::endl;
}

void TTerminalProgress::EndLine() {
  if (!fLineOpen) return;
  fOut << '\n';
  fLineOpen = false;
}

}  // namespace ordvane::demo
