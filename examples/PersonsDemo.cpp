#include "examples/PersonsDemo.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <ostream>

#include "classlib/core/Application.h"
#include "classlib/core/CodePages.h"
#include "classlib/core/StrUtils.h"
#include "classlib/ui/Dialogs.h"
#include "classlib/ui/Host.h"
#include "classlib/ui/WinPaint.h"
#include "dbclient/EngineSignals.h"
#include "examples/TerminalProgress.h"

namespace ordvane::demo {

namespace {

namespace fs = std::filesystem;

// Says why a file the run needs cannot be read, before the run makes anything.
void CheckReadable(const std::string& name, const char* what) {
  std::error_code error;
  if (fs::is_directory(name, error))
    throw Exception(AnsiString("The ") + what + " " + Utf8ToAnsi(name) + " is a folder, not a file.");
  std::FILE* file = std::fopen(name.c_str(), "rb");
  if (file == nullptr)
    throw Exception(AnsiString("The ") + what + " " + Utf8ToAnsi(name) +
                    " cannot be read: " + std::strerror(errno) + ".");
  std::fclose(file);
}

// Says why the file cannot be written, before the run writes anything: a rerun would store
// the rows again. Makes its folder, as writing it would.
void CheckWritable(const std::string& name, const char* what) {
  const AnsiString named = AnsiString("The ") + what + " " + Utf8ToAnsi(name);
  std::error_code error;
  if (fs::is_directory(name, error)) throw Exception(named + " is a folder, not a file.");
  const fs::path folder = fs::absolute(name, error).parent_path();
  fs::create_directories(folder, error);
  if (error) throw Exception(named + " cannot be written: " + Utf8ToAnsi(error.message()) + ".");
  const bool exists = fs::exists(name, error);
  if (::access(exists ? name.c_str() : folder.c_str(), W_OK) != 0)
    throw Exception(named + " cannot be written: " + std::strerror(errno) + ".");
}

void ReportDatabase(std::ostream& out, const TDemoOptions& options, const TPersonsDatabaseState& state) {
  out << "Database: " << options.Database;
  if (state.CreatedDatabase)
    out << " (created)";
  else if (state.CreatedTable)
    out << " (table PERSONS created)";
  out << "\nWorkbook: " << options.Workbook << '\n';
  if (!options.Specification.empty()) out << "Import specification: " << options.Specification << '\n';
}

void ReportRowErrors(std::ostream& err, const TPersonsImportOutcome& outcome) {
  for (const AnsiString& line : outcome.RowErrors) err << TerminalText(line) << '\n';
  err << std::flush;
}

void ReportImport(std::ostream& out, std::ostream& err, const TPersonsImportOutcome& outcome) {
  ReportRowErrors(err, outcome);
  out << "Rows imported: " << outcome.Imported() << "\nImport statistics: processed " << outcome.Processed
      << ", added " << outcome.Added << ", updated " << outcome.Updated << ", skipped " << outcome.Skipped
      << ", errors " << outcome.Errors;
  if (outcome.Result == irCanceled) out << ", cancelled";
  out << std::endl;
}

// A run that failed has shown its reason. One that failed before its first row (the
// workbook does not load) wrote nothing; one that failed on the way (the connection lost,
// a commit refused) says what the database keeps, as an interrupted run does, and a rerun
// would add those rows again.
TDemoExit ReportFailedImport(std::ostream& out, std::ostream& err, const TPersonsImportOutcome& outcome,
                             Integer stored) {
  ReportRowErrors(err, outcome);
  if (outcome.Processed == 0) return deFailed;
  out << std::flush;
  err << "Interrupted: " << stored << " rows stored." << std::endl;
  return deRowsFailed;
}

// Without a display: the form as it would show, written as PNG.
void WritePicture(TfrmPersons& form, const std::string& picture, std::ostream& out) {
  form.Show();
  Application->ProcessMessages();
  const TRaster* surface = WindowSurface(form.Handle());
  if (surface == nullptr) throw Exception("The form was not painted.");
  SaveRasterToPngFile(*surface, AnsiName(picture));
  out << "Picture of the form: " << picture << " (" << surface->Width() << " x " << surface->Height() << ")"
      << std::endl;
}

}  // namespace

TPersonsDemo::TPersonsDemo(TDemoOptions options)
    : fOptions(std::move(options)), fDatabase(new TFIBDatabase(&fOwner)) {}

TPersonsDatabaseState TPersonsDemo::Open() {
  CheckReadable(fOptions.Workbook, "workbook");
  if (!fOptions.Specification.empty()) CheckReadable(fOptions.Specification, "import specification");
  const TPersonsDatabaseState state = OpenPersonsDatabase(*fDatabase, fOptions.Database);
  fTable = std::make_unique<TPersonsTable>(&fOwner, *fDatabase);
  fTable->Open();
  fForm = std::make_unique<TfrmPersons>(nullptr, fTable->DataSet());
  return state;
}

TPersonsImportOutcome TPersonsDemo::Import(std::shared_ptr<ISMIImportDialogs> dialogs) {
  TPersonsImportSettings settings;
  settings.Workbook = AnsiName(fOptions.Workbook);
  if (!fOptions.Specification.empty()) settings.Specification = AnsiName(fOptions.Specification);
  settings.Dialogs = std::move(dialogs);
  const TPersonsImportOutcome outcome = ImportPersons(settings, *fTable, fStored);
  // Only the form reads the table again, and a failed run, which may have lost its
  // connection, shows none.
  if (outcome.Result != irFailed) fTable->Reopen();
  return outcome;
}

void ShowFailedRows(const TPersonsImportOutcome& outcome) {
  if (outcome.Errors == 0) return;
  // A box the screen holds; the standard error stream has every line.
  constexpr std::size_t kReasonsShown = 10;
  AnsiString text = IntToStr(outcome.Errors) + (outcome.Errors == 1 ? " row" : " rows") +
                    " of the workbook could not be imported; the table shows the others.";
  const std::size_t shown = std::min(outcome.RowErrors.size(), kReasonsShown);
  for (std::size_t i = 0; i < shown; ++i) text += "\n" + outcome.RowErrors[i];
  if (outcome.RowErrors.size() > shown)
    text += "\n... and " + IntToStr(static_cast<Int64>(outcome.RowErrors.size() - shown)) +
            " more, listed on the standard error stream.";
  MessageDlg(text, mtWarning, {mbOK});
}

bool DesktopShown() {
  Application->OpenDisplay();
  return &Host() != &HeadlessHost();
}

namespace {

// The run once its options are read; what fails raises.
TDemoExit RunSteps(TPersonsDemo& demo, bool terminal, std::ostream& out, std::ostream& err) {
  const TDemoOptions& options = demo.Options();
  ReportDatabase(out, options, demo.Open());
  const bool desktop = DesktopShown();
  std::shared_ptr<ISMIImportDialogs> dialogs;
  if (!desktop) {
    CheckWritable(options.Picture, "picture");
    dialogs = std::make_shared<TTerminalProgress>(err, terminal, kPersonsFirstRow - 1);
  }
  const TPersonsImportOutcome outcome = demo.Import(dialogs);
  // Rows that failed because the run was interrupted are not the workbook's errors.
  AwaitEndIfSignalled();
  if (outcome.Result == irFailed) return ReportFailedImport(out, err, outcome, demo.Stored().Count());
  ReportImport(out, err, outcome);
  if (desktop) {
    ShowFailedRows(outcome);
    demo.Form().Show();
    Application->Run();
  } else {
    WritePicture(demo.Form(), options.Picture, out);
  }
  return outcome.Errors > 0 || outcome.Result == irCanceled ? deRowsFailed : deSuccess;
}

}  // namespace

TDemoExit RunPersonsDemo(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  const auto failed = [&](const Exception& error) {
    out << std::flush;
    err << TerminalText(error.Message()) << std::endl;
    return deFailed;
  };
  TDemoOptions options;
  try {
    options = ParseDemoOptions(arguments);
  } catch (const Exception& error) {
    return failed(error);
  }
  if (options.ShowUsage) {
    out << DemoUsage();
    return deSuccess;
  }
  TPersonsDemo demo(options);
  const bool terminal = isatty(STDERR_FILENO) == 1;
  // Said by the signal watcher once the client library is shut down: the count is final.
  // The report so far is written out first (the signal ends the process without it); a
  // terminal's progress line, ended by the "^C" the terminal echoed, gets a line break.
  const TTerminationNotice interrupted([&demo, &out, &err, terminal](int) {
    out << std::flush;
    err << (terminal ? "\n" : "") << "Interrupted: " << demo.Stored().Count() << " rows stored." << std::endl;
  });
  try {
    return RunSteps(demo, terminal, out, err);
  } catch (const Exception& error) {
    // A failure the interruption caused: the watcher ends the run and says what it kept.
    AwaitEndIfSignalled();
    return failed(error);
  }
}

}  // namespace ordvane::demo
