#include "import/SMIDialogs.h"

#include <mutex>

#include "classlib/core/StrUtils.h"
#include "import/SMIPars.h"

namespace ordvane {

namespace {

AnsiString CountersText(const TSMIProgressCounters& c) {
  return "processed " + IntToStr(c.Processed) + ", errors " + IntToStr(c.Errors) + ", added " + IntToStr(c.Added) +
         ", deleted " + IntToStr(c.Deleted) + ", updated " + IntToStr(c.Updated) + ", skipped " + IntToStr(c.Skipped);
}

std::mutex gFactoryLock;

// Made on first use: a user-interface unit installs its factory while the program starts
// and removes it while the program ends, whatever the order of the units.
TSMIDialogsFactory& Factory() {
  static TSMIDialogsFactory factory;
  return factory;
}

}  // namespace

void TSMIHeadlessDialogs::Record(const AnsiString& line) {
  if (Recording) fLog.push_back(line);
}

void TSMIHeadlessDialogs::ShowProgress(const TSMIProgressCaptions& captions, bool showCounters, bool showAnimation) {
  fShown = true;
  fUpdates = 0;
  Record("show \"" + captions.Caption + "\" \"" + captions.Status + "\"" + (showCounters ? " counters" : "") +
                 (showAnimation ? " animation" : "") + " [" + captions.Deleted + " " + captions.Updated + " " +
                 captions.Added + " " + captions.Errors + " " + captions.Processed + " " + captions.Cancel + "]");
}

void TSMIHeadlessDialogs::SetProgressRange(Integer min, Integer max, Integer position) {
  Record("range " + IntToStr(min) + ".." + IntToStr(max) + " at " + IntToStr(position));
}

bool TSMIHeadlessDialogs::UpdateProgress(const AnsiString& status, const TSMIProgressCounters& counters) {
  if (!fShown) return false;
  ++fUpdates;
  Record("update \"" + status + "\" " + CountersText(counters));
  return true;
}

bool TSMIHeadlessDialogs::IsProgressCancelled() const {
  return fShown && CancelAfterUpdates > 0 && fUpdates >= CancelAfterUpdates;
}

void TSMIHeadlessDialogs::ShowResult(const AnsiString& message, const TSMIProgressCounters& counters,
                                     const AnsiString& buttonCaption) {
  Record("result \"" + message + "\" " + CountersText(counters) + " button \"" + buttonCaption + "\"");
}

void TSMIHeadlessDialogs::WaitForClose() { Record("wait"); }

bool TSMIHeadlessDialogs::CloseProgress() {
  const bool wasShown = fShown;
  fShown = false;
  Record("close");
  return wasShown;
}

bool TSMIHeadlessDialogs::AskParameters(const std::vector<TSMIParameter*>& parameters) {
  AnsiString names;
  for (const TSMIParameter* parameter : parameters) names += (names.empty() ? "" : ", ") + parameter->Name();
  Record("ask " + names + (AnswerParameters ? ": OK" : ": Cancel"));
  if (!AnswerParameters) return false;
  for (TSMIParameter* parameter : parameters)
    for (const auto& [name, value] : ParameterValues)
      if (name == parameter->Name()) parameter->SetValue(value);
  return true;
}

void TSMIHeadlessDialogs::ShowMessage(const AnsiString& message) { Record("message \"" + message + "\""); }

void TSMIHeadlessDialogs::SetWaitCursor(bool wait) { Record(wait ? "cursor wait" : "cursor default"); }

std::shared_ptr<ISMIImportDialogs> DefaultSMIImportDialogs() {
  const TSMIDialogsFactory factory = SMIImportDialogsFactory();
  if (factory) return factory();
  auto dialogs = std::make_shared<TSMIHeadlessDialogs>();
  dialogs->Recording = false;
  return dialogs;
}

void SetSMIImportDialogsFactory(TSMIDialogsFactory factory) {
  std::lock_guard<std::mutex> lock(gFactoryLock);
  Factory() = std::move(factory);
}

TSMIDialogsFactory SMIImportDialogsFactory() {
  std::lock_guard<std::mutex> lock(gFactoryLock);
  return Factory();
}

}  // namespace ordvane
