#pragma once
// The windows of an import: the progress dialog that a run shows (status line, bar,
// animation, counters and a button that cancels the run, then closes the result), and
// the dialogs behind ISMIImportDialogs. A program that includes this header gets them
// for every new import component: the registration object below installs their factory
// when the program starts and takes it out when the program ends. A program without a
// display does not include it and keeps the headless dialogs.

#include <optional>
#include <vector>

#include "classlib/ui/ComCtrls.h"
#include "classlib/ui/ExtCtrls.h"
#include "classlib/ui/Forms.h"
#include "classlib/ui/StdButtons.h"
#include "import/SMIDialogs.h"

namespace ordvane {

class TfrmSMIProcess : public TForm {
  ORDVANE_CLASS(TfrmSMIProcess, TForm)

 public:
  explicit TfrmSMIProcess(TComponent* owner);

  TProgressBar* ProgressBar;
  TButton* btnCancel;
  TBevel* Bevel;
  TLabel* lblStatus;
  TPanel* pnlCounters;
  TLabel* lblProcessed;
  TLabel* lblTotalImported;
  TLabel* lblAdded;
  TLabel* lblTotalAdded;
  TLabel* lblTotalDeleted;
  TLabel* lblDeleted;
  TLabel* lblUpdated;
  TLabel* lblTotalUpdated;
  TLabel* lblErrors;
  TLabel* lblTotalErrors;
  TLabel* lblSkipped;
  TLabel* lblTotalSkipped;
  TAnimate* Animate;

  // Set by the button and by closing the form (which only hides it).
  bool Cancelled() const { return fCancelled; }

  // The captions and the layout of a new run: without counters the panel goes and the
  // form shrinks; without the animation the status, bar, button and panel move up into
  // its place.
  void Arrange(const TSMIProgressCaptions& captions, bool showCounters, bool showAnimation);
  // The bar shows only for a range other than 0..0.
  void SetRange(Integer min, Integer max, Integer position);
  // The status, the bar at the processed count (the animation stops at the bar's end) and
  // the six counters.
  void ShowCounters(const AnsiString& status, const TSMIProgressCounters& counters);

 protected:
  void DoClose(TCloseAction& action) override;

 private:
  void btnCancelClick(TObject* sender);
  TLabel* NewCounterLabel(int left, int top, const AnsiString& caption, bool value, TColor color = clBlue);

  bool fCancelled = false;
};

// ISMIImportDialogs with windows: the progress dialog (one form at a time, owned by the
// application), the parameter prompt, message boxes and the screen cursor.
// The least time between two paintings of the progress dialog while rows go in.
constexpr UInt64 kProgressRefreshInterval = 100;

class TSMIWindowDialogs : public ISMIImportDialogs {
 public:
  ~TSMIWindowDialogs() override;

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

  // The progress form while one exists.
  TfrmSMIProcess* ProgressForm() const;

 private:
  TfrmSMIProcess* fForm = nullptr;
  std::optional<TDestroyWatch> fWatch;
  // When the dialog was last painted and the messages handled; none before its first row.
  std::optional<UInt64> fRefreshedAt;
};

// Installs the window dialogs' factory for its life; at its end it restores the headless
// default unless another factory was installed meanwhile.
class TSMIWindowDialogsRegistration {
 public:
  TSMIWindowDialogsRegistration();
  ~TSMIWindowDialogsRegistration();
  TSMIWindowDialogsRegistration(const TSMIWindowDialogsRegistration&) = delete;
  TSMIWindowDialogsRegistration& operator=(const TSMIWindowDialogsRegistration&) = delete;
};

inline const TSMIWindowDialogsRegistration SMIWindowDialogsRegistration;

}  // namespace ordvane
