#include "import/dialogs/SMIStat.h"

#include "classlib/core/Application.h"
#include "classlib/core/Clock.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/core/StrUtils.h"
#include "classlib/ui/Dialogs.h"
#include "classlib/ui/Windows.h"
#include "import/dialogs/SMIParamDlg.h"

namespace ordvane {

namespace {

constexpr int kCaptionWidth = 65;
constexpr int kValueWidth = 57;
constexpr int kLabelHeight = 13;
// Without counters the form keeps the status, the bar and the button.
constexpr int kHeightWithoutCounters = 88;
constexpr int kButtonTopWithoutCounters = 55;

std::shared_ptr<ISMIImportDialogs> NewWindowDialogs() { return std::make_shared<TSMIWindowDialogs>(); }

}  // namespace

// ---- The form -------------------------------------------------------------------------

TfrmSMIProcess::TfrmSMIProcess(TComponent* owner) : TForm(owner) {
  SetBorderStyle(bsDialog);
  SetBorderIcons({biSystemMenu});
  SetPosition(poScreenCenter);
  TFont font;
  font.Assign(Font());
  font.SetName("MS Sans Serif");
  SetFont(font);
  HandleNeeded();
  SetClientSize(442, 130);

  ProgressBar = new TProgressBar(this);
  ProgressBar->SetParent(this);
  ProgressBar->SetBounds(10, 70, 337, 10);
  ProgressBar->SetVisible(false);

  btnCancel = new TButton(this);
  btnCancel->SetParent(this);
  btnCancel->SetBounds(355, 80, 75, 25);
  btnCancel->SetCaption("&Cancel");
  btnCancel->SetModalResult(mrCancel);
  btnCancel->SetCancel(true);
  btnCancel->OnClick = TNotifyEvent::Bind(this, &TfrmSMIProcess::btnCancelClick);

  Bevel = new TBevel(this);
  Bevel->SetParent(this);
  Bevel->SetAlign(alClient);
  Bevel->SetShape(bsFrame);
  Bevel->SetStyle(bsRaised);

  lblStatus = new TLabel(this);
  lblStatus->SetParent(this);
  lblStatus->SetAutoSize(false);
  lblStatus->SetBounds(8, 56, 339, kLabelHeight);
  lblStatus->SetTransparent(true);

  pnlCounters = new TPanel(this);
  pnlCounters->SetParent(this);
  pnlCounters->SetBounds(10, 83, 337, 43);
  pnlCounters->SetBevelOuter(bvNone);

  lblProcessed = NewCounterLabel(200, 15, "Processed:", false);
  lblTotalImported = NewCounterLabel(272, 15, "0", true);
  lblAdded = NewCounterLabel(8, 1, "Added:", false);
  lblTotalAdded = NewCounterLabel(80, 1, "0", true);
  lblTotalDeleted = NewCounterLabel(80, 29, "0", true);
  lblDeleted = NewCounterLabel(8, 29, "Deleted:", false);
  lblUpdated = NewCounterLabel(8, 15, "Updated:", false);
  lblTotalUpdated = NewCounterLabel(80, 15, "0", true);
  lblErrors = NewCounterLabel(200, 1, "Errors:", false);
  lblTotalErrors = NewCounterLabel(272, 1, "0", true, clRed);
  lblSkipped = NewCounterLabel(200, 29, "Skipped:", false);
  lblTotalSkipped = NewCounterLabel(272, 29, "0", true);

  Animate = new TAnimate(this);
  Animate->SetParent(this);
  Animate->SetBounds(8, 4, 427, 45);
  Animate->SetCommonAVI(aviCopyFiles);
  Animate->SetStopFrame(kCopyFilesFrameCount);
  Animate->SetParentColor(true);
  Animate->SetTransparent(true);
}

TLabel* TfrmSMIProcess::NewCounterLabel(int left, int top, const AnsiString& caption, bool value, TColor color) {
  auto* label = new TLabel(this);
  label->SetParent(pnlCounters);
  label->SetAutoSize(false);
  label->SetAlignment(taRightJustify);
  label->SetBounds(left, top, value ? kValueWidth : kCaptionWidth, kLabelHeight);
  label->SetCaption(caption);
  if (value) {
    TFont font;
    font.Assign(label->Font());
    font.SetColor(color);
    label->SetFont(font);
  }
  return label;
}

void TfrmSMIProcess::btnCancelClick(TObject* /*sender*/) { fCancelled = true; }

void TfrmSMIProcess::DoClose(TCloseAction& action) {
  fCancelled = true;
  TForm::DoClose(action);
}

void TfrmSMIProcess::Arrange(const TSMIProgressCaptions& captions, bool showCounters, bool showAnimation) {
  if (showCounters) {
    lblDeleted->SetCaption(captions.Deleted);
    lblUpdated->SetCaption(captions.Updated);
    lblAdded->SetCaption(captions.Added);
    lblErrors->SetCaption(captions.Errors);
    lblProcessed->SetCaption(captions.Processed);
    lblSkipped->SetCaption("Skipped");
  } else {
    SetClientSize(ClientWidth(), kHeightWithoutCounters);
    pnlCounters->SetVisible(false);
    btnCancel->SetTop(kButtonTopWithoutCounters);
  }
  SetCaption(captions.Caption);
  lblStatus->SetCaption(captions.Status);
  btnCancel->SetCaption(captions.Cancel);
  if (showAnimation) {
    Animate->SetActive(true);
    return;
  }
  Animate->SetVisible(false);
  lblStatus->SetTop(4);
  ProgressBar->SetTop(lblStatus->Top() + lblStatus->Height() + 1);
  btnCancel->SetTop(ProgressBar->Top() + 2 * ProgressBar->Height() - btnCancel->Height());
  pnlCounters->SetTop(btnCancel->Top() + 3);
  SetClientSize(ClientWidth(), ClientHeight() - Animate->Height());
}

void TfrmSMIProcess::SetRange(Integer min, Integer max, Integer position) {
  ProgressBar->SetMin(min);
  ProgressBar->SetMax(max);
  ProgressBar->SetPosition(position);
  ProgressBar->SetVisible(min != 0 || max != 0);
}

void TfrmSMIProcess::ShowCounters(const AnsiString& status, const TSMIProgressCounters& counters) {
  lblStatus->SetCaption(status);
  ProgressBar->SetPosition(counters.Processed);
  if (counters.Processed >= ProgressBar->Max()) Animate->SetActive(false);
  lblTotalImported->SetCaption(IntToStr(counters.Processed));
  lblTotalErrors->SetCaption(IntToStr(counters.Errors));
  lblTotalAdded->SetCaption(IntToStr(counters.Added));
  lblTotalDeleted->SetCaption(IntToStr(counters.Deleted));
  lblTotalUpdated->SetCaption(IntToStr(counters.Updated));
  lblTotalSkipped->SetCaption(IntToStr(counters.Skipped));
}

// ---- The dialogs of an import ---------------------------------------------------------

TSMIWindowDialogs::~TSMIWindowDialogs() {
  if (ProgressForm() != nullptr) delete fForm;
}

TfrmSMIProcess* TSMIWindowDialogs::ProgressForm() const {
  return fWatch && !fWatch->Gone() ? fForm : nullptr;
}

void TSMIWindowDialogs::ShowProgress(const TSMIProgressCaptions& captions, bool showCounters, bool showAnimation) {
  CloseProgress();
  fRefreshedAt.reset();
  fForm = new TfrmSMIProcess(Application);
  fWatch.emplace(fForm);
  Application->ProcessMessages();
  if (HWND capture = GetCapture()) SendMessage(capture, WM_CANCELMODE, 0, 0);
  if (TfrmSMIProcess* form = ProgressForm()) {
    form->Arrange(captions, showCounters, showAnimation);
    form->Show();
  }
  Application->ProcessMessages();
}

void TSMIWindowDialogs::SetProgressRange(Integer min, Integer max, Integer position) {
  TfrmSMIProcess* form = ProgressForm();
  if (form == nullptr) return;
  form->SetRange(min, max, position);
  // The bar shows now; the first rows may take a while, and the user sees it meanwhile.
  Application->ProcessMessages();
}

// Painting the dialog and handling the desktop's events for every row took as long as
// the rows themselves: the counters follow every row, the screen a few times a second.
bool TSMIWindowDialogs::UpdateProgress(const AnsiString& status, const TSMIProgressCounters& counters) {
  TfrmSMIProcess* form = ProgressForm();
  if (form == nullptr) return false;
  form->ShowCounters(status, counters);
  const UInt64 now = Clock().Milliseconds();
  if (fRefreshedAt && now - *fRefreshedAt < kProgressRefreshInterval) return true;
  fRefreshedAt = now;
  form->Repaint();
  Application->ProcessMessages();
  return true;
}

bool TSMIWindowDialogs::IsProgressCancelled() const {
  const TfrmSMIProcess* form = ProgressForm();
  return form != nullptr && form->Cancelled();
}

void TSMIWindowDialogs::ShowResult(const AnsiString& message, const TSMIProgressCounters& counters,
                                   const AnsiString& buttonCaption) {
  TfrmSMIProcess* form = ProgressForm();
  if (form == nullptr) return;
  form->ShowCounters(message, counters);
  // The run is over: the bar shows the whole, whatever rows the count left out (titles,
  // skipped ones).
  form->ProgressBar->SetPosition(form->ProgressBar->Max());
  form->Animate->SetActive(false);
  form->btnCancel->SetCaption(buttonCaption);
  form->Repaint();
}

// A form closed by the user is only hidden and has its cancel flag set, so the flag alone
// tells that the user is done with it.
void TSMIWindowDialogs::WaitForClose() {
  while (!Application->Terminated()) {
    const TfrmSMIProcess* form = ProgressForm();
    if (form == nullptr || form->Cancelled()) return;
    Application->HandleMessage();
  }
}

bool TSMIWindowDialogs::CloseProgress() {
  TfrmSMIProcess* form = ProgressForm();
  fWatch.reset();
  fForm = nullptr;
  if (form == nullptr) return false;
  form->Animate->SetActive(false);
  delete form;
  Application->ProcessMessages();
  return true;
}

bool TSMIWindowDialogs::AskParameters(const std::vector<TSMIParameter*>& parameters) {
  return SMIParamsDialog(parameters);
}

void TSMIWindowDialogs::ShowMessage(const AnsiString& message) { MessageDlg(message, mtInformation, {mbOK}); }

void TSMIWindowDialogs::SetWaitCursor(bool wait) { Screen->SetCursor(wait ? crHourGlass : crDefault); }

// ---- Registration ---------------------------------------------------------------------

TSMIWindowDialogsRegistration::TSMIWindowDialogsRegistration() { SetSMIImportDialogsFactory(&NewWindowDialogs); }

TSMIWindowDialogsRegistration::~TSMIWindowDialogsRegistration() {
  const TSMIDialogsFactory factory = SMIImportDialogsFactory();
  const auto* installed = factory.target<std::shared_ptr<ISMIImportDialogs> (*)()>();
  if (installed != nullptr && *installed == &NewWindowDialogs) SetSMIImportDialogsFactory(nullptr);
}

}  // namespace ordvane
