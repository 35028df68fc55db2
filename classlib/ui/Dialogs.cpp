#include "classlib/ui/Dialogs.h"

#include <algorithm>
#include <utility>

#include "classlib/core/Application.h"
#include "classlib/ui/Host.h"
#include "classlib/ui/StdButtons.h"

namespace ordvane {

namespace {

struct TButtonKind {
  const char* caption;
  TModalResult result;
};

// By TMsgDlgBtn.
constexpr TButtonKind kButtonKinds[] = {
    {"&Yes", mrYes},     {"&No", mrNo},   {"OK", mrOk},          {"Cancel", mrCancel},         {"&Abort", mrAbort},
    {"&Retry", mrRetry}, {"&Ignore", mrIgnore}, {"&All", mrAll}, {"N&o to All", mrNoToAll}, {"Yes to &All", mrYesToAll},
};
constexpr TMsgDlgBtn kAllButtons[] = {mbYes,   mbNo,     mbOK,  mbCancel,  mbAbort,
                                      mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll};

// By TMsgDlgType; a custom box takes the program's title.
constexpr const char* kTypeCaptions[] = {"Warning", "Error", "Information", "Confirm", nullptr};

constexpr int kMargin = 10;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 6;
constexpr int kTextToButtons = 14;

// The button that Escape answers: Cancel, else No, else OK.
TMsgDlgBtn EscapeButton(TMsgDlgButtons buttons) {
  for (TMsgDlgBtn kind : {mbCancel, mbNo})
    if (buttons.Contains(kind)) return kind;
  return mbOK;
}

class TWindowDialogService : public IDialogService {
 public:
  TModalResult MessageBox(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons) override {
    const std::unique_ptr<TForm> form = CreateMessageDialog(text, type, buttons);
    return ShowDialog(*form);
  }
  TModalResult ShowDialog(TCustomForm& form) override { return form.ShowModal(); }
};

TWindowDialogService gWindowDialogs;
// Modal questions are asked on the main thread only.
IDialogService* gService = nullptr;

}  // namespace

IDialogService& DialogService() {
  return gService != nullptr ? *gService : gWindowDialogs;
}

IDialogService* SetDialogService(IDialogService* service) {
  return std::exchange(gService, service);
}

std::unique_ptr<TForm> CreateMessageDialog(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons) {
  if (buttons.Empty()) buttons = {mbOK};
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBorderStyle(bsDialog);
  form->SetPosition(poScreenCenter);
  form->SetCaption(kTypeCaptions[type] != nullptr ? AnsiString(kTypeCaptions[type]) : Application->Title());
  form->HandleNeeded();

  auto* message = new TLabel(form.get());
  message->SetName("Message");
  message->SetShowAccelChar(false);
  message->SetParent(form.get());
  message->SetBounds(kMargin, kMargin, 0, 0);
  message->SetCaption(text);
  const int maxTextWidth = std::max(Screen->Width() / 2, 200);
  if (message->Width() > maxTextWidth) {
    message->SetWidth(maxTextWidth);
    message->SetWordWrap(true);
  }

  int count = 0;
  for (TMsgDlgBtn kind : kAllButtons) count += buttons.Contains(kind) ? 1 : 0;
  const int rowWidth = count * kButtonWidth + (count - 1) * kButtonGap;
  const int clientWidth = std::max(message->Width(), rowWidth) + 2 * kMargin;
  const int buttonTop = message->Top() + message->Height() + kTextToButtons;
  const TMsgDlgBtn escape = EscapeButton(buttons);
  int left = (clientWidth - rowWidth) / 2;
  bool first = true;
  for (TMsgDlgBtn kind : kAllButtons) {
    if (!buttons.Contains(kind)) continue;
    auto* button = new TButton(form.get());
    button->SetParent(form.get());
    button->SetBounds(left, buttonTop, kButtonWidth, kButtonHeight);
    button->SetCaption(kButtonKinds[kind].caption);
    button->SetModalResult(kButtonKinds[kind].result);
    button->SetCancel(kind == escape);
    if (first) {
      button->SetDefault(true);
      form->SetActiveControl(button);
    }
    first = false;
    left += kButtonWidth + kButtonGap;
  }
  form->SetClientSize(clientWidth, buttonTop + kButtonHeight + kMargin);
  return form;
}

TModalResult MessageDlg(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons) {
  return DialogService().MessageBox(text, type, buttons);
}

void ShowMessage(const AnsiString& text) {
  MessageDlg(text, mtCustom, {mbOK});
}

void ShowExceptionBox(const AnsiString& text) {
  if (gService == nullptr && &Host() == &HeadlessHost()) return;
  // The message is on the standard error stream already; a box that fails adds nothing.
  try {
    const std::unique_ptr<TForm> form = CreateMessageDialog(text, mtError, {mbOK});
    form->SetCaption(Application->Title());
    DialogService().ShowDialog(*form);
  } catch (...) {
  }
}

}  // namespace ordvane
