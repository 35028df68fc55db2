#include "examples/TerminalProgress.h"

#include "classlib/core/CodePages.h"
#include "dbclient/EngineSignals.h"

namespace ordvane::demo {

void TTerminalProgress::ShowProgress(const TSMIProgressCaptions&, bool, bool) {
  fTotal = 0;
}

void TTerminalProgress::SetProgressRange(Integer, Integer max, Integer) {
  fTotal = max;
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

// The dialogs' texts are ANSI, with CR LF between lines.
void TTerminalProgress::ShowMessage(const AnsiString& message) {
  AwaitEndIfSignalled();
  EndLine();
  std::string text = AnsiToUtf8(message);
  std::erase(text, '\r');
  fOut << text << std::endl;
}

void TTerminalProgress::EndLine() {
  if (!fLineOpen) return;
  fOut << '\n';
  fLineOpen = false;
}

}  // namespace ordvane::demo
