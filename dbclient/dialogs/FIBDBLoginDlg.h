#pragma once
// The login dialog of the database component: asks for the user name, password and role
// before a connect that prompts. A program that includes this header has the dialog: the
// registration object below installs it in the database unit's hook when the program
// starts and takes it out again when the program ends. A program without a display does
// not include it, and links neither it nor the window layer.

#include "classlib/ui/ExtCtrls.h"
#include "classlib/ui/Forms.h"
#include "classlib/ui/StdButtons.h"
#include "classlib/ui/StdCtrls.h"

namespace ordvane {

class TfrmFIBDBLoginDlg : public TForm {
  ORDVANE_CLASS(TfrmFIBDBLoginDlg, TForm)

 public:
  explicit TfrmFIBDBLoginDlg(TComponent* owner);

  TBevel* bvlDatabase;
  TLabel* lbDatabase;
  TLabel* lbDBName;
  TBevel* bvlLogin;
  TLabel* lbUserName;
  TLabel* lbPassword;
  TLabel* lbRole;
  TEdit* EdUserName;
  TEdit* EdPassword;
  TEdit* EdRole;
  TButton* btnOK;
  TButton* btnCancel;
};

// The text the dialog shows for a database name: the whole name up to 45 characters, a
// longer one as its first 10 characters, "..." and its last 33.
AnsiString LoginDialogDBName(const AnsiString& dbName);

// Shows the dialog with the name, the user name and the role (the password starts empty).
// On OK the three receive what the user typed and the result is true; on Cancel they stay
// as they were.
bool FIBLoginDialog(const AnsiString& dbName, AnsiString& userName, AnsiString& password, AnsiString& roleName);

// Installs FIBLoginDialog in the hook for its life; at its end it empties the hook unless
// something else was installed meanwhile.
class TFIBLoginDialogRegistration {
 public:
  TFIBLoginDialogRegistration();
  ~TFIBLoginDialogRegistration();
  TFIBLoginDialogRegistration(const TFIBLoginDialogRegistration&) = delete;
  TFIBLoginDialogRegistration& operator=(const TFIBLoginDialogRegistration&) = delete;
};

inline const TFIBLoginDialogRegistration FIBLoginDialogRegistration;

}  // namespace ordvane
