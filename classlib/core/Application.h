#pragma once
// The application object: the message loop of the main thread and the place where an
// exception that escapes a message handler is reported. It holds no forms; the user
// interface layer builds its main window on top of it.

#include <optional>

#include "classlib/core/Components.h"
#include "classlib/core/Events.h"
#include "classlib/core/Messages.h"
#include "classlib/core/SysUtils.h"

namespace ordvane {

using TExceptionEvent = TEvent<void(TObject* sender, Exception& e)>;

class TApplication : public TComponent {
  ORDVANE_CLASS(TApplication, TComponent)

 public:
  explicit TApplication(TComponent* owner);

  // Handles the messages waiting in the calling thread's queue and returns when none is
  // left. A timer fires at most once per call, so a slow timer handler cannot keep the
  // caller here. A handler may call ProcessMessages again.
  void ProcessMessages();
  // Handles one message; when none is waiting, runs the calls of other threads and waits
  // for the next message.
  void HandleMessage();

  // Asks the main thread's loop to end: a WM_QUIT is posted to it. Terminated becomes
  // true when the loop takes that message.
  void Terminate();
  bool Terminated() const { return fTerminated; }

  // Reports the exception being handled (call it inside a catch block): OnException when
  // assigned, else ShowException. EAbort is silent. A failing OnException is reported by
  // ShowException; nothing escapes from here. The message loop passes itself as sender.
  void HandleException(TObject* sender);
  // Writes the message to the standard error stream, ending it with a full stop.
  void ShowException(const Exception& e) const;

  // The program's name without folder and extension until one is set.
  AnsiString Title() const;
  void SetTitle(const AnsiString& title) { fTitle = title; }
  // The full path of the program file, in the ANSI code page.
  AnsiString ExeName() const;

  TExceptionEvent OnException;

 private:
  bool ProcessMessage(UInt64 timerCutoff);
  void Report(TObject* sender, Exception& e);

  bool fTerminated = false;
  std::optional<AnsiString> fTitle;
};

extern TApplication* Application;

}  // namespace ordvane
