#pragma once
// The application object: the message loop of the main thread and the place where an
// exception that escapes a message handler is reported. It holds no forms; the user
// interface layer builds its main window on top of it.

#include <memory>
#include <optional>

#include "classlib/core/Components.h"
#include "classlib/core/Events.h"
#include "classlib/core/Messages.h"
#include "classlib/core/SysUtils.h"

namespace ordvane {

using TExceptionEvent = TEvent<void(TObject* sender, Exception& e)>;
using TIdleEvent = TEvent<void(TObject* sender, bool& done)>;

// The user-interface layer's share of the message loop: it takes each message the loop
// retrieves (other than WM_QUIT) and dispatches it itself, doing first what the controls
// need (key messages offered to controls, hints, character translation).
class TMessageProcessor {
 public:
  virtual ~TMessageProcessor() = default;
  virtual void ProcessMessage(const TMsg& msg) = 0;
  // The loop has no message left and is about to go idle.
  virtual void Idle() {}
};

// A display the main loop shows its windows on, open while the object lives. A desktop
// library registers the function that opens one, at static initialisation; Run calls it.
class TDisplay {
 public:
  virtual ~TDisplay() = default;
};
using TDisplayOpener = std::unique_ptr<TDisplay> (*)();
void RegisterDisplayOpener(TDisplayOpener opener);

// Shows a failure's message (ending in a full stop) to the user in a window, where someone
// is there to answer one. The window layer registers it at static initialisation.
using TExceptionBox = void (*)(const AnsiString& text);
void RegisterExceptionBox(TExceptionBox box) noexcept;

// The window layer's form class; the application only keeps which one is the main form.
class TForm;

class TApplication : public TComponent {
  ORDVANE_CLASS(TApplication, TComponent)

 public:
  explicit TApplication(TComponent* owner);

  // Lets the queue's event source (a display) handle what waits for it, then handles the
  // messages waiting in the calling thread's queue and returns when none is left. A timer fires at most once per call, so a slow timer handler cannot keep the
  // caller here. A handler may call ProcessMessages again.
  void ProcessMessages();
  // Handles one message; when none is waiting, fires OnIdle and, unless it cleared its
  // `done` flag, runs the calls of other threads and waits for the next message.
  void HandleMessage();

  // Opens the display the windows are shown on, unless it is open: when an opener is
  // registered and it finds one. The window layer calls it before it makes a form or
  // answers for the screen, so that a program's windows are placed on the display's
  // screen from the first one on. An open display is closed at the end of Run, or when the
  // program exits.
  void OpenDisplay();

  // The main thread's loop: opens the display, handles messages until Terminate (closing
  // the main form terminates), and closes the display again. A program may run it again
  // after it ended.
  void Run();
  bool Running() const { return fRunning; }

  // The program's main window: the first form it creates, as long as it exists (the window
  // layer sets and clears it). Closing it while Run's loop goes on ends that loop.
  TForm* MainForm() const { return fMainForm; }
  void SetMainForm(TForm* form) { fMainForm = form; }

  // Asks the main thread's loop to end: a WM_QUIT is posted to it. Terminated becomes
  // true when the loop takes that message.
  void Terminate();
  bool Terminated() const { return fTerminated; }

  // Reports the exception being handled (call it inside a catch block): OnException when
  // assigned, else ShowException. EAbort is silent. A failing OnException is reported by
  // ShowException; nothing escapes from here. The message loop passes itself as sender.
  void HandleException(TObject* sender);
  // Writes the message to the standard error stream, ending it with a full stop, and
  // shows it in the window layer's box (see RegisterExceptionBox).
  void ShowException(const Exception& e) const;

  // Installs the processor that dispatches the messages (nullptr: plain dispatch).
  void SetMessageProcessor(TMessageProcessor* processor) { fProcessor = processor; }
  TMessageProcessor* MessageProcessor() const { return fProcessor; }

  // Hints: whether they show at all, the pause before one shows (milliseconds), the
  // shorter pause while one is already showing, and how long one stays.
  bool ShowHint() const { return fShowHint; }
  void SetShowHint(bool value) { fShowHint = value; }
  Integer HintPause() const { return fHintPause; }
  void SetHintPause(Integer value) { fHintPause = value; }
  Integer HintShortPause() const { return fHintShortPause; }
  void SetHintShortPause(Integer value) { fHintShortPause = value; }
  Integer HintHidePause() const { return fHintHidePause; }
  void SetHintHidePause(Integer value) { fHintHidePause = value; }

  // The program's name without folder and extension until one is set.
  AnsiString Title() const;
  void SetTitle(const AnsiString& title) { fTitle = title; }
  // The full path of the program file, in the ANSI code page.
  AnsiString ExeName() const;

  TExceptionEvent OnException;
  TIdleEvent OnIdle;

 protected:
  // The program's application frees what it owns when the main thread ends, before the
  // process's static objects go.
  void Notification(TComponent* component, TOperation operation) override;

 private:
  bool ProcessMessage(UInt64 timerCutoff);
  void Report(TObject* sender, Exception& e);

  bool fTerminated = false;
  TForm* fMainForm = nullptr;
  std::unique_ptr<TDisplay> fDisplay;
  bool fOpeningDisplay = false;
  bool fRunning = false;
  // When HandleMessage last let the display's events in, and how often it does while
  // messages keep coming (milliseconds).
  UInt64 fDisplayServedAt = 0;
  static constexpr UInt64 kDisplayServeInterval = 10;
  std::optional<AnsiString> fTitle;
  TMessageProcessor* fProcessor = nullptr;
  bool fShowHint = true;
  Integer fHintPause = 500;
  Integer fHintShortPause = 50;
  Integer fHintHidePause = 2500;
};

extern TApplication* Application;

}  // namespace ordvane
