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
constexpr int kIconSize = 32;
constexpr int kIconToText = 12;

// The picture that tells a box's kind at a glance: a white mark on a coloured disc, or
// on a yellow triangle for a warning. A custom box has none.
class TMessageIcon : public TGraphicControl {
  ORDVANE_CLASS(TMessageIcon, TGraphicControl)

 public:
  TMessageIcon(TComponent* owner, TMsgDlgType type) : TGraphicControl(owner), fType(type) {
    SetName("Icon");
    SetBounds(0, 0, kIconSize, kIconSize);
  }

 protected:
  void Paint() override {
    TCanvas* canvas = Canvas();
    canvas->Pen()->SetColor(fType == mtWarning ? clBlack : BackgroundColor());
    canvas->Brush()->SetColor(BackgroundColor());
    const int last = kIconSize - 1;
    if (fType == mtWarning)
      canvas->Polygon({{last / 2, 0}, {last, last}, {0, last}});
    else
      canvas->Ellipse(0, 0, kIconSize, kIconSize);
    if (fType == mtError)
      DrawCross(*canvas);
    else
      DrawMark(*canvas);
  }

 private:
  TColor BackgroundColor() const {
    switch (fType) {
      case mtError:
        return clRed;
      case mtWarning:
        return clYellow;
      default:
        return clBlue;
    }
  }

  static void DrawCross(TCanvas& canvas) {
    constexpr int kInset = 9;
    constexpr int kFar = kIconSize - 1 - kInset;
    canvas.Pen()->SetColor(clWhite);
    canvas.Pen()->SetWidth(3);
    canvas.MoveTo(kInset, kInset);
    canvas.LineTo(kFar, kFar);
    canvas.MoveTo(kFar, kInset);
    canvas.LineTo(kInset, kFar);
  }

  // The kind's character, bold, centred (lower in the triangle, which is wider below).
  void DrawMark(TCanvas& canvas) const {
    const char* mark = fType == mtWarning ? "!" : fType == mtInformation ? "i" : "?";
    canvas.Brush()->SetStyle(bsClear);
    canvas.Font()->SetColor(fType == mtWarning ? clBlack : clWhite);
    canvas.Font()->SetStyle({fsBold});
    canvas.Font()->SetSize(14);
    const TSize size = canvas.TextExtent(mark);
    const int top = (kIconSize - size.cy) / 2 + (fType == mtWarning ? 3 : 0);
    canvas.TextOut((kIconSize - size.cx) / 2, top, mark);
  }

  TMsgDlgType fType;
};

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

  const bool withIcon = type != mtCustom;
  const int textLeft = kMargin + (withIcon ? kIconSize + kIconToText : 0);
  auto* message = new TLabel(form.get());
  message->SetName("Message");
  message->SetShowAccelChar(false);
  message->SetParent(form.get());
  message->SetBounds(textLeft, kMargin, 0, 0);
  message->SetCaption(text);
  const int maxTextWidth = std::max(Screen->Width() / 2, 200);
  if (message->Width() > maxTextWidth) {
    message->SetWidth(maxTextWidth);
    message->SetWordWrap(true);
  }
  if (withIcon) {
    auto* icon = new TMessageIcon(form.get(), type);
    icon->SetParent(form.get());
    icon->SetBounds(kMargin, kMargin, kIconSize, kIconSize);
  }

  int count = 0;
  for (TMsgDlgBtn kind : kAllButtons) count += buttons.Contains(kind) ? 1 : 0;
  const int rowWidth = count * kButtonWidth + (count - 1) * kButtonGap;
  const int clientWidth = std::max(message->Left() + message->Width() - kMargin, rowWidth) + 2 * kMargin;
  const int contentHeight = std::max(message->Height(), withIcon ? kIconSize : 0);
  const int buttonTop = kMargin + contentHeight + kTextToButtons;
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
