#pragma once
// Message boxes, and the one service through which the program puts every modal question
// to the user: the message boxes and the dialogs that modules build themselves. The
// service shows windows; a test installs a scripted one that answers without them.

#include <memory>

#include "classlib/ui/Forms.h"

namespace ordvane {

// The kind of a message box, which gives its caption.
enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
// The buttons a message box may offer, in the order in which it shows them.
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll };
using TMsgDlgButtons = TSet<TMsgDlgBtn>;

inline constexpr TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline constexpr TMsgDlgButtons mbOKCancel{mbOK, mbCancel};

class IDialogService {
 public:
  virtual ~IDialogService() = default;
  // A message box with the text, the caption of its type and one button per kind (none
  // given: OK); the result of the button the user chose.
  virtual TModalResult MessageBox(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons) = 0;
  // A dialog a module built, shown modally; its modal result.
  virtual TModalResult ShowDialog(TCustomForm& form) = 0;
};

// The service in use: the windows unless one was installed.
IDialogService& DialogService();
// Installs a service (nullptr: the windows again) and returns the one it replaces. The
// caller keeps the service alive while it is installed.
IDialogService* SetDialogService(IDialogService* service);

// The form of a message box, not shown: centred, the text above a row of buttons, the
// first button the default one, Escape answering Cancel, else No, else OK.
std::unique_ptr<TForm> CreateMessageDialog(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons);

// Asks through the service.
TModalResult MessageDlg(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons);
// An information-less box with the program's title and an OK button.
void ShowMessage(const AnsiString& text);
// A failure the program did not handle, in an error box with the program's title and an
// OK button, asked through the service: when windows show on a display or a service is
// installed; otherwise nobody could answer and the standard error stream tells alone.
void ShowExceptionBox(const AnsiString& text);

}  // namespace ordvane
