#include "dbclient/dialogs/FIBDBLoginDlg.h"

#include "classlib/ui/Dialogs.h"
#include "dbclient/FIBConsts.h"
#include "dbclient/FIBDatabase.h"

namespace ordvane {

namespace {

constexpr std::size_t kWholeNameLength = 45;
constexpr std::size_t kNameHeadLength = 10;
constexpr std::size_t kNameTailLength = 33;

using TLoginDialogFunction = bool (*)(const AnsiString&, AnsiString&, AnsiString&, AnsiString&);

constexpr int kLabelLeft = 16;
constexpr int kEditLeft = 100;
constexpr int kEditWidth = 180;
constexpr int kRowStep = 28;
constexpr int kFirstRowTop = 58;

TLabel* NewLabel(TfrmFIBDBLoginDlg* form, int left, int top, const char* caption) {
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetBounds(left, top, 0, 0);
  label->SetCaption(caption);
  return label;
}

TBevel* NewBevel(TfrmFIBDBLoginDlg* form, const TRect& bounds) {
  auto* bevel = new TBevel(form);
  bevel->SetParent(form);
  bevel->SetBoundsRect(bounds);
  return bevel;
}

// One row of the login group: its label, which focuses its edit by the accelerator.
TEdit* NewRow(TfrmFIBDBLoginDlg* form, int row, const char* caption, TLabel*& label) {
  const int top = kFirstRowTop + row * kRowStep;
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->SetBounds(kEditLeft, top, kEditWidth, 21);
  label = NewLabel(form, kLabelLeft, top + 4, caption);
  label->SetFocusControl(edit);
  return edit;
}

TButton* NewButton(TfrmFIBDBLoginDlg* form, int left, const char* caption, TModalResult result) {
  auto* button = new TButton(form);
  button->SetParent(form);
  button->SetBounds(left, 156, 75, 25);
  button->SetCaption(caption);
  button->SetModalResult(result);
  return button;
}

}  // namespace

TfrmFIBDBLoginDlg::TfrmFIBDBLoginDlg(TComponent* owner) : TForm(owner) {
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetCaption(SDBLoginCaption);
  HandleNeeded();
  SetClientSize(300, 189);

  bvlDatabase = NewBevel(this, Rect(8, 8, 292, 42));
  lbDatabase = NewLabel(this, kLabelLeft, 18, SDBLoginDatabase);
  TFont bold;
  bold.Assign(lbDatabase->Font());
  bold.SetStyle({fsBold});
  lbDatabase->SetFont(bold);
  lbDBName = NewLabel(this, kEditLeft, 18, "");
  lbDBName->SetShowAccelChar(false);

  bvlLogin = NewBevel(this, Rect(8, 48, 292, 146));
  EdUserName = NewRow(this, 0, SDBLoginUserName, lbUserName);
  EdPassword = NewRow(this, 1, SDBLoginPassword, lbPassword);
  EdPassword->SetPasswordChar('*');
  EdRole = NewRow(this, 2, SDBLoginRole, lbRole);

  btnOK = NewButton(this, 136, SDBLoginOK, mrOk);
  btnOK->SetDefault(true);
  btnCancel = NewButton(this, 217, SDBLoginCancel, mrCancel);
  btnCancel->SetCancel(true);
  SetActiveControl(EdPassword);
}

AnsiString LoginDialogDBName(const AnsiString& dbName) {
  if (dbName.size() <= kWholeNameLength) return dbName;
  return dbName.substr(0, kNameHeadLength) + "..." + dbName.substr(dbName.size() - kNameTailLength);
}

bool FIBLoginDialog(const AnsiString& dbName, AnsiString& userName, AnsiString& password, AnsiString& roleName) {
  TfrmFIBDBLoginDlg form(nullptr);
  form.lbDBName->SetCaption(LoginDialogDBName(dbName));
  form.EdUserName->SetText(userName);
  form.EdRole->SetText(roleName);
  if (DialogService().ShowDialog(form) != mrOk) return false;
  userName = form.EdUserName->Text();
  password = form.EdPassword->Text();
  roleName = form.EdRole->Text();
  return true;
}

TFIBLoginDialogRegistration::TFIBLoginDialogRegistration() {
  LoginDialogProc() = &FIBLoginDialog;
}

TFIBLoginDialogRegistration::~TFIBLoginDialogRegistration() {
  TLoginDialogProc& hook = LoginDialogProc();
  const auto* installed = hook.target<TLoginDialogFunction>();
  if (installed != nullptr && *installed == &FIBLoginDialog) hook = nullptr;
}

}  // namespace ordvane
