#pragma once
// What an import shows the user: the progress dialog of a run, the parameter prompt before
// it, and the information box at its end. The import calls them through this interface;
// the windows that implement it belong to the user-interface layer. Until one is installed
// the headless implementation stands in: it records every request and answers from a
// script, so a run goes from start to end without a screen.

#include <functional>
#include <memory>
#include <vector>

#include "classlib/core/System.h"

namespace ordvane {

class TSMIParameter;

struct TSMIProgressCounters {
  Integer Processed = 0;
  Integer Errors = 0;
  Integer Added = 0;
  Integer Deleted = 0;
  Integer Updated = 0;
  Integer Skipped = 0;
};

struct TSMIProgressCaptions {
  AnsiString Caption;
  AnsiString Status;
  AnsiString Deleted, Updated, Added, Errors, Processed, Cancel;
};

class ISMIImportDialogs {
 public:
  virtual ~ISMIImportDialogs() = default;

  // The progress dialog: shown (closing one still open), its bar's range set, refreshed
  // with the counters (false when no dialog exists), asked whether the user cancelled.
  virtual void ShowProgress(const TSMIProgressCaptions& captions, bool showCounters, bool showAnimation) = 0;
  virtual void SetProgressRange(Integer min, Integer max, Integer position) = 0;
  virtual bool UpdateProgress(const AnsiString& status, const TSMIProgressCounters& counters) = 0;
  virtual bool IsProgressCancelled() const = 0;
  // The end of a run: the result and the final counters, the animation stopped, the button
  // renamed. WaitForClose blocks, processing messages, until the user closes the dialog.
  virtual void ShowResult(const AnsiString& message, const TSMIProgressCounters& counters,
                          const AnsiString& buttonCaption) = 0;
  virtual void WaitForClose() = 0;
  // Closes the dialog; false when there was none.
  virtual bool CloseProgress() = 0;

  // The parameter prompt over the parameters to ask: on OK each one's value is set from its
  // editor and the result is true; on Cancel nothing changes and the result is false.
  virtual bool AskParameters(const std::vector<TSMIParameter*>& parameters) = 0;

  // An information box with an OK button.
  virtual void ShowMessage(const AnsiString& message) = 0;
  // The hourglass cursor while a run works, the default one after it.
  virtual void SetWaitCursor(bool wait) = 0;
};

// The headless dialogs: while Recording, every request becomes one line of Log(); the
// answers come from the fields below.
class TSMIHeadlessDialogs : public ISMIImportDialogs {
 public:
  void ShowProgress(const TSMIProgressCaptions& captions, bool showCounters, bool showAnimation) override;
  void SetProgressRange(Integer min, Integer max, Integer position) override;
  bool UpdateProgress(const AnsiString& status, const TSMIProgressCounters& counters) override;
  bool IsProgressCancelled() const override;
  void ShowResult(const AnsiString& message, const TSMIProgressCounters& counters,
                  const AnsiString& buttonCaption) override;
  void WaitForClose() override;
  bool CloseProgress() override;
  bool AskParameters(const std::vector<TSMIParameter*>& parameters) override;
  void ShowMessage(const AnsiString& message) override;
  void SetWaitCursor(bool wait) override;

  const std::vector<AnsiString>& Log() const { return fLog; }
  void ClearLog() { fLog.clear(); }

  bool Recording = true;
  // The script. The user cancels once this many refreshes have been shown (0: never).
  int CancelAfterUpdates = 0;
  // The prompt's answer, and the values typed for parameters by name (a parameter not
  // named keeps its value).
  bool AnswerParameters = true;
  std::vector<std::pair<AnsiString, AnsiString>> ParameterValues;

 private:
  void Record(const AnsiString& line);

  std::vector<AnsiString> fLog;
  bool fShown = false;
  int fUpdates = 0;
};

// Makes the dialogs of a new import component: headless ones that record nothing until
// the user-interface layer installs its own factory (an empty one restores the default).
using TSMIDialogsFactory = std::function<std::shared_ptr<ISMIImportDialogs>()>;
std::shared_ptr<ISMIImportDialogs> DefaultSMIImportDialogs();
void SetSMIImportDialogsFactory(TSMIDialogsFactory factory);
// The factory installed now (empty: the default).
TSMIDialogsFactory SMIImportDialogsFactory();

}  // namespace ordvane
