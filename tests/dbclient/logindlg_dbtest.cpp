// The login dialog in front of a real connect: what it shows, what the user types reaching
// the server (whose own tables tell who attached, in which role), Cancel, and the password
// edit that shows and gives away nothing.

#include <gtest/gtest.h>

#include <functional>

#include "classlib/ui/Clipbrd.h"
#include "dbclient/dialogs/FIBDBLoginDlg.h"
#include "tests/dbclient/DbTestSupport.h"
#include "tests/support/UiDriver.h"
#include "tests/ui/TextControlSupport.h"

namespace ordvane {
namespace {

using TLoginFunction = bool (*)(const AnsiString&, AnsiString&, AnsiString&, AnsiString&);

bool HookHoldsTheDialog() {
  const auto* installed = LoginDialogProc().target<TLoginFunction>();
  return installed != nullptr && *installed == &FIBLoginDialog;
}

TfrmFIBDBLoginDlg* ShownDialog() {
  auto* dialog = dynamic_cast<TfrmFIBDBLoginDlg*>(Screen->ActiveCustomForm());
  EXPECT_NE(dialog, nullptr);
  return dialog;
}

// Written independently of the dialog: names over 45 characters keep 10 in front and 33
// at the end.
std::string Shortened(const std::string& name) {
  return name.size() <= 45 ? name : name.substr(0, 10) + "..." + name.substr(name.size() - 33);
}

class LoginDialog : public testing::Test {
 protected:
  LoginDialog() {
    database.SetDBName(db.ConnectString());
    database.SetSQLDialect(3);
    database.DBParams().Add("user_name=SYSDBA");
    database.DBParams().Add("lc_ctype=WIN1251");
    database.SetUseLoginPrompt(true);
  }

  // Who the server says is attached, and in which role.
  std::string Attached() {
    return test::IsqlRows(db, "select trim(mon$user), trim(mon$role) from mon$attachments where mon$attachment_id = " +
                                  std::to_string(test::AttachmentId(database)));
  }

  // The password to type: the server's, or any for the embedded engine, which asks none.
  std::string Password() const { return db.Password().empty() ? "anything" : db.Password(); }

  test::UiDriver ui;
  test::TestDatabase db{"dbclient/login.sql", {3, "WIN1251"}};
  TFIBDatabase database{nullptr};
};

TEST_F(LoginDialog, ShowsTheNameAndUserAndConnectsWithWhatTheUserTypes) {
  struct Case {
    std::string role;  // typed into the role edit when not empty
    std::string attached;
  };
  for (const Case& c : {Case{"", "SYSDBA|NONE"}, Case{"CLERK", "SYSDBA|CLERK"}}) {
    std::string shown;
    ui.Later([&] {
      TfrmFIBDBLoginDlg* dialog = ShownDialog();
      shown = dialog->Caption() + "|" + dialog->lbDBName->Caption() + "|" + dialog->EdUserName->Text() + "|" +
              dialog->EdPassword->Text() + "|" + (Screen->ActiveControl() == dialog->EdPassword ? "focus" : "");
      ui.Type(Password());
      if (!c.role.empty()) {
        dialog->EdRole->SetFocus();
        ui.Type(c.role);
      }
      ui.Press(VK_RETURN);
    });
    database.SetConnected(true);
    ASSERT_TRUE(database.Connected());
    EXPECT_EQ(shown, "Database login|" + Shortened(db.ConnectString()) + "|SYSDBA||focus");
    EXPECT_EQ(Attached(), c.attached);
    EXPECT_EQ(database.DBParams().Text(), "user_name=SYSDBA\r\nlc_ctype=WIN1251\r\npassword=" + Password() +
                                              "\r\nsql_role_name=" + c.role + "\r\n");
    database.SetConnected(false);
  }
}

TEST_F(LoginDialog, CancelStopsTheConnectAndAWrongPasswordIsRefusedByTheServer) {
  const AnsiString params = database.DBParams().Text();
  ui.Later([&] { ui.Press(VK_ESCAPE); });
  try {
    database.SetConnected(true);
    ADD_FAILURE() << "the cancelled connect went on";
  } catch (const EFIBClientError& error) {
    EXPECT_EQ(error.SQLCode(), 7);
    EXPECT_EQ(error.Message(), "Operation cancelled at user's request.");
  }
  EXPECT_FALSE(database.Connected());
  EXPECT_EQ(database.DBParams().Text(), params);

  if (test::CurrentTier() != test::FbTier::Server) return;  // the embedded engine asks no password
  ui.Later([&] {
    ui.Type("wrong" + Password());
    ui.Press(VK_RETURN);
  });
  EXPECT_THROW(database.SetConnected(true), EFIBInterBaseError);
  EXPECT_FALSE(database.Connected());
}

TEST_F(LoginDialog, LongNamesAreShortenedAndThePasswordShowsStarsAndStaysOffTheClipboard) {
  const std::string name45(45, 'n');
  const std::string name46 = "/srv/firebird/" + std::string(22, 'd') + "/forms.fdb";
  ASSERT_EQ(name46.size(), 46u);
  EXPECT_EQ(LoginDialogDBName(name45), name45);
  EXPECT_EQ(LoginDialogDBName(name46), "/srv/fireb.../dddddddddddddddddddddd/forms.fdb");

  AnsiString user = "clerk", password = "kept", role = "r";
  std::string shownName;
  ui.Later([&] {
    TfrmFIBDBLoginDlg* dialog = ShownDialog();
    shownName = dialog->lbDBName->Caption();
    ui.Type("secret");
    dialog->EdRole->SetText("******");
    dialog->EdUserName->SetFocus();
    ui.Process();
    EXPECT_EQ(test::ClientPixels(dialog->EdPassword), test::ClientPixels(dialog->EdRole));
    Clipboard()->SetAsText("kept");
    dialog->EdPassword->SelectAll();
    dialog->EdPassword->CopyToClipboard();
    EXPECT_EQ(Clipboard()->AsText(), "kept");
    ui.Click(dialog->btnCancel, {10, 10});
  });
  EXPECT_FALSE(FIBLoginDialog(name46, user, password, role));
  EXPECT_EQ(shownName, "/srv/fireb.../dddddddddddddddddddddd/forms.fdb");
  EXPECT_EQ(user + "|" + password + "|" + role, "clerk|kept|r");
}

TEST(LoginDialogRegistration, InstallsTheDialogAndRemovesOnlyItsOwn) {
  EXPECT_TRUE(HookHoldsTheDialog());  // the program includes the unit
  {
    const TFIBLoginDialogRegistration registration;
    EXPECT_TRUE(HookHoldsTheDialog());
  }
  EXPECT_FALSE(LoginDialogProc());
  {
    const TFIBLoginDialogRegistration registration;
    LoginDialogProc() = [](const AnsiString&, AnsiString&, AnsiString&, AnsiString&) { return true; };
  }
  EXPECT_TRUE(LoginDialogProc());
  EXPECT_FALSE(HookHoldsTheDialog());
  LoginDialogProc() = &FIBLoginDialog;
}

}  // namespace
}  // namespace ordvane
