// The progress dialog of real imports of the operator form (tests/fixtures/make_form_xls.sh)
// into an in-memory dataset: the counters it shows against the component's own, the result
// and its button, cancelling by the button and by closing the window, the layouts of the
// options, the bar's range and the animation on the virtual clock.

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "classlib/core/Clock.h"
#include "classlib/core/MessageQueue.h"
#include "import/dialogs/SMIStat.h"
#include "tests/import/FormImport.h"
#include "tests/support/UiDriver.h"
#include "tests/support/UiScriptedDialogs.h"
#include "tests/ui/ControlTestSupport.h"
#include "tests/ui/TextControlSupport.h"

namespace ordvane {
namespace {

std::string Join(std::initializer_list<Variant> values) {
  std::string text;
  for (const Variant& value : values) text += (text.empty() ? "" : " ") + VarToStr(value);
  return text;
}

// The window dialogs, with a look at the form after every refresh: the value labels and
// the bar against the statistic of the import at that moment, and the screen cursor.
class WatchedDialogs : public TSMIWindowDialogs {
 public:
  explicit WatchedDialogs(const TSMImportBaseComponent& import) : fImport(import) {}

  bool UpdateProgress(const AnsiString& status, const TSMIProgressCounters& counters) override {
    const bool shown = TSMIWindowDialogs::UpdateProgress(status, counters);
    const TfrmSMIProcess* form = ProgressForm();
    const TSMIStatistic& s = *fImport.Statistic();
    shownCounters.push_back(Join({form->lblTotalImported->Caption(), form->lblTotalErrors->Caption(),
                                  form->lblTotalAdded->Caption(), form->lblTotalDeleted->Caption(),
                                  form->lblTotalUpdated->Caption(), form->lblTotalSkipped->Caption(),
                                  form->ProgressBar->Position(), form->ProgressBar->Max()}));
    statistic.push_back(Join({s.TotalImported(), s.TotalErrors(), s.TotalAdded(), s.TotalDeleted(), s.TotalUpdated(),
                              s.TotalSkipped(), s.TotalImported(), s.TotalCount()}));
    waitCursor = waitCursor && Screen->Cursor() == crHourGlass;
    if (onRefresh) onRefresh(shownCounters.size(), *ProgressForm());
    return shown;
  }

  std::vector<std::string> shownCounters, statistic;
  bool waitCursor = true;
  std::function<void(std::size_t refresh, TfrmSMIProcess& form)> onRefresh;

 private:
  const TSMImportBaseComponent& fImport;
};

int ProgressForms() {
  int count = 0;
  for (int i = 0; i < Screen->CustomFormCount(); ++i)
    count += dynamic_cast<TfrmSMIProcess*>(Screen->CustomForms(i)) != nullptr ? 1 : 0;
  return count;
}

// Only a lack of memory can fail this, which nothing before main could handle either.
// NOLINTNEXTLINE(cert-err58-cpp)
const TSMIProgressCaptions kCaptions{"Importing...", "Importing...", "Deleted:", "Updated:",
                                     "Added:",       "Errors:",      "Processed:", "&Cancel"};

class Progress : public test::FormImportTest {
 protected:
  Progress() {
    OpenTarget({{"Прізвище", ftString}});
    import.SetAnimatedStatus(true);
    import.SetDialogs(watched);
    import.Statistic()->SetUpdateStep(1);
  }

  test::UiDriver ui;
  std::shared_ptr<WatchedDialogs> watched = std::make_shared<WatchedDialogs>(import);
};

TEST_F(Progress, EveryRefreshShowsTheCountersAndTheResultWaitsForTheButton) {
  // A program that includes the unit gives every new import the window dialogs.
  const TSMImportFromXLS fresh(nullptr);
  EXPECT_NE(dynamic_cast<TSMIWindowDialogs*>(fresh.Dialogs()), nullptr);
  import.SetOptions(import.Options() - TSMIOptions{soAutoCloseStatistic} + TSMIOptions{soSkipEmptyRow});
  std::string result, bar;
  ui.Later([&] {
    TfrmSMIProcess* form = watched->ProgressForm();
    bar = std::to_string(form->ProgressBar->Position()) + " of " + std::to_string(form->ProgressBar->Max());
    result = form->lblStatus->Caption() + " [" + form->btnCancel->Caption() + "] " +
             (form->Animate->Active() ? "animated" : "still");
    ui.Click(form->btnCancel, {10, 10});
  });
  import.Execute();
  EXPECT_EQ(result, "The data import process has completed successfully. [&OK] still");
  // At the end the bar stands full, although the title row never counted as processed.
  EXPECT_EQ(bar, "8 of 8");
  EXPECT_EQ(watched->shownCounters, watched->statistic);
  EXPECT_EQ(watched->shownCounters.front(), "0 0 0 0 0 0 0 8");
  EXPECT_EQ(watched->shownCounters.back(), "7 0 5 0 0 2 7 8");  // the title row added too
  EXPECT_TRUE(watched->waitCursor);
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_EQ(ProgressForms(), 0);
  EXPECT_EQ(import.Statistic()->Result(), irExecuted);

  import.SetOptions(import.Options() + TSMIOptions{soAutoCloseStatistic});
  import.Execute();  // a wait would find no step of the test and fail it
  EXPECT_EQ(ProgressForms(), 0);
}

TEST_F(Progress, TheDialogIsPaintedBeforeTheFirstRow) {
  import.Statistic()->SetUpdateStep(100);  // no refresh comes before the first row
  bool painted = false;
  bool asked = false;
  data.BeforePost = [&](TDataSet*) {
    if (asked) return;
    asked = true;
    TfrmSMIProcess* form = watched->ProgressForm();
    painted = form != nullptr && test::UiDriver::UpdateRegion(form).Empty() && form->ProgressBar->Visible() &&
              test::UiDriver::UpdateRegion(form->ProgressBar).Empty() &&
              test::FirstInkColumn(form->lblStatus, form->Color()) >= 0 &&
              test::FirstInkColumn(form->btnCancel, form->Color()) >= 0;
  };
  import.Execute();
  EXPECT_TRUE(asked);
  EXPECT_TRUE(painted);
}

// The counters follow every row; the dialog is painted for the first row of an interval
// and waits for the interval's end before it is painted again.
TEST_F(Progress, RowsWithinAnIntervalArePaintedOnce) {
  std::vector<bool> painted;
  watched->onRefresh = [&](std::size_t refresh, TfrmSMIProcess& form) {
    painted.push_back(test::UiDriver::UpdateRegion(form.ProgressBar).Empty());
    if (refresh == 3) dynamic_cast<TVirtualClock&>(Clock()).Advance(kProgressRefreshInterval);
  };
  import.Execute();
  ASSERT_GE(painted.size(), 5u);
  EXPECT_EQ(std::vector<bool>(painted.begin(), painted.begin() + 5), (std::vector<bool>{true, false, false, true, false}));
  EXPECT_EQ(watched->shownCounters, watched->statistic);
}

TEST_F(Progress, WithoutTheDialogTheOutcomeComesInAnInformationBox) {
  import.SetAnimatedStatus(false);
  test::ScriptedDialogs script;
  script.answers = {mrOk};
  import.Execute();
  EXPECT_EQ(script.asked,
            (std::vector<std::string>{"message 2 The data import process has completed successfully."}));
  EXPECT_TRUE(watched->shownCounters.empty());
}

TEST_F(Progress, TheButtonAndClosingTheWindowCancelTheRunAfterTheRowsBefore) {
  struct Case {
    std::size_t refresh;
    std::function<void(test::UiDriver&, TfrmSMIProcess&)> act;
  };
  const Case cases[] = {
      {3, [](test::UiDriver& ui, TfrmSMIProcess& form) { ui.Click(form.btnCancel, {10, 10}); }},
      {3, [](test::UiDriver& ui, TfrmSMIProcess&) { ui.Press(VK_ESCAPE); }},
      {2, [](test::UiDriver& ui, TfrmSMIProcess& form) {
         SendMessage(form.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
         ui.Process();
       }},
  };
  const std::vector<std::string> rows = {"Прізвище", "Шевченко", "Українка"};
  for (const Case& c : cases) {
    data.EmptyDataSet();
    watched->shownCounters.clear();
    bool stillShown = false;
    watched->onRefresh = [&](std::size_t refresh, TfrmSMIProcess& form) {
      if (refresh != c.refresh) return;
      c.act(ui, form);
      stillShown = form.Visible();
    };
    import.Execute();
    EXPECT_EQ(import.Statistic()->Result(), irCanceled);
    // The row being refreshed for still goes in; none after it.
    EXPECT_EQ(Records(), std::vector<std::string>(rows.begin(), rows.begin() + static_cast<long>(c.refresh)));
    EXPECT_EQ(stillShown, c.refresh == 3);  // the keys only click; the close hides
    EXPECT_EQ(ProgressForms(), 0);
  }
}

TEST(ProgressDialog, TheOptionsChooseTheLayout) {
  test::UiDriver ui;
  struct Case {
    bool counters, animation;
    int clientHeight;
    bool panelShown;
  };
  for (const Case& c : {Case{true, true, 130, true}, Case{false, true, 88, false}, Case{true, false, 85, true},
                        Case{false, false, 43, false}}) {
    TSMIWindowDialogs dialogs;
    dialogs.ShowProgress(kCaptions, c.counters, c.animation);
    TfrmSMIProcess* form = dialogs.ProgressForm();
    ASSERT_NE(form, nullptr);
    const std::string what = std::to_string(c.counters) + std::to_string(c.animation);
    EXPECT_EQ(form->ClientWidth(), 442) << what;
    EXPECT_EQ(form->ClientHeight(), c.clientHeight) << what;
    EXPECT_EQ(form->pnlCounters->Visible(), c.panelShown) << what;
    EXPECT_EQ(form->Animate->Visible() && form->Animate->Active(), c.animation) << what;
    const int status = form->lblStatus->Top(), bar = form->ProgressBar->Top(), button = form->btnCancel->Top();
    if (c.animation) {
      EXPECT_EQ(std::vector<int>({status, bar, button}), std::vector<int>({56, 70, c.counters ? 80 : 55})) << what;
      if (c.counters) {
        EXPECT_EQ(form->pnlCounters->Top(), 83);
      }
    } else {
      EXPECT_EQ(status, 4) << what;
      EXPECT_EQ(bar, 4 + form->lblStatus->Height() + 1) << what;
      EXPECT_EQ(button, bar + 20 - 25) << what;
      EXPECT_EQ(form->pnlCounters->Top(), button + 3) << what;
    }
    EXPECT_EQ(form->Caption() + "|" + form->btnCancel->Caption() + "|" + form->lblDeleted->Caption() + " " +
                  form->lblUpdated->Caption() + " " + form->lblAdded->Caption() + " " + form->lblErrors->Caption() +
                  " " + form->lblProcessed->Caption() + " " + form->lblSkipped->Caption(),
              c.counters ? "Importing...|&Cancel|Deleted: Updated: Added: Errors: Processed: Skipped"
                         : "Importing...|&Cancel|Deleted: Updated: Added: Errors: Processed: Skipped:");
    const auto style = static_cast<UINT>(GetWindowLong(form->Handle(), GWL_STYLE));
    EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), WS_SYSMENU);
    EXPECT_TRUE(dialogs.CloseProgress());
    EXPECT_FALSE(dialogs.CloseProgress());
    EXPECT_FALSE(dialogs.UpdateProgress("late", {}));
  }
}

TEST(ProgressDialog, TheBarShowsForARangeAndTheAnimationRunsUntilTheEnd) {
  test::UiDriver ui;
  TSMIWindowDialogs dialogs;
  dialogs.ShowProgress(kCaptions, true, true);
  const TfrmSMIProcess* form = dialogs.ProgressForm();
  EXPECT_FALSE(form->ProgressBar->Visible());
  dialogs.SetProgressRange(0, 0, 0);
  EXPECT_FALSE(form->ProgressBar->Visible());
  dialogs.SetProgressRange(0, 3, 0);
  EXPECT_TRUE(form->ProgressBar->Visible());

  const auto frameAfter = [&](UInt64 milliseconds) {
    const auto before = test::ClientPixels(form->Animate);
    ui.Advance(milliseconds);
    return test::ClientPixels(form->Animate) != before;
  };
  EXPECT_TRUE(dialogs.UpdateProgress("Row 2", {2, 0, 2, 0, 0, 0}));
  EXPECT_TRUE(form->Animate->Active());
  EXPECT_TRUE(frameAfter(200));
  EXPECT_TRUE(dialogs.UpdateProgress("Row 3", {3, 0, 3, 0, 0, 0}));
  EXPECT_FALSE(form->Animate->Active());
  EXPECT_FALSE(frameAfter(200));
  EXPECT_EQ(form->lblStatus->Caption() + " " + form->lblTotalAdded->Caption(), "Row 3 3");
}

TEST(ProgressDialog, ShowingAgainClosesTheOldDialogAndEndsAMouseCapture) {
  test::UiDriver ui;
  test::MessageLog log;
  std::unique_ptr<TForm> other(test::NewForm(Rect(0, 0, 200, 200)));
  auto* probe = new test::TProbe(other.get(), other.get(), Rect(10, 10, 100, 100), &log);
  other->Show();
  ui.Process();
  SetCapture(probe->Handle());
  log.clear();

  TSMIWindowDialogs dialogs;
  dialogs.ShowProgress(kCaptions, true, false);
  EXPECT_EQ(GetCapture(), HWND{0});
  EXPECT_EQ(log, (test::MessageLog{"probe WM_CANCELMODE"}));
  const TDestroyWatch first(dialogs.ProgressForm());
  dialogs.ShowProgress(kCaptions, false, false);
  EXPECT_TRUE(first.Gone());
  EXPECT_EQ(ProgressForms(), 1);
}

}  // namespace
}  // namespace ordvane
