#include "classlib/core/Application.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "classlib/core/Clock.h"
#include "classlib/core/CodePages.h"
#include "classlib/core/FileUtils.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/core/ProgramEnd.h"
#include "classlib/core/Threads.h"

namespace ordvane {

namespace {

// Exists before main, so that every module may reach it. Only a lack of memory can fail
// its construction, which nothing before main could handle either.
// NOLINTNEXTLINE(cert-err58-cpp)
TApplication gApplication(nullptr);

TDisplayOpener& DisplayOpener() {
  static TDisplayOpener opener = nullptr;
  return opener;
}

TExceptionBox gExceptionBox = nullptr;

// Set once the program exits: a window made by a destructor then stays off the display.
bool gExiting = false;

// The components the application owns go as the main thread ends (main returns or the
// thread calls exit), before any static object is destroyed. What they use as they go
// (the window and queue registries, the font engine, the grids' shared style) are statics
// made on first use, after the application, so they would be destroyed before it.
// The libraries' actions then run, in the order they were asked for.
std::vector<std::function<void()>>& MainThreadEndActions() {
  static std::vector<std::function<void()>> actions;
  return actions;
}

void FreeOwnedComponentsAsTheMainThreadEnds() {
  struct TOwnedComponentsEnd {
    TOwnedComponentsEnd() = default;
    TOwnedComponentsEnd(const TOwnedComponentsEnd&) = delete;
    TOwnedComponentsEnd& operator=(const TOwnedComponentsEnd&) = delete;
    ~TOwnedComponentsEnd() {
      gApplication.DestroyComponents();
      for (const std::function<void()>& action : MainThreadEndActions()) action();
    }
  };
  thread_local const TOwnedComponentsEnd end;
  (void)end;
}

}  // namespace

void RegisterDisplayOpener(TDisplayOpener opener) { DisplayOpener() = opener; }

void RegisterExceptionBox(TExceptionBox box) noexcept { gExceptionBox = box; }

void AtMainThreadEnd(std::function<void()> action) {
  if (!IsMainThread()) return;
  MainThreadEndActions().push_back(std::move(action));
  FreeOwnedComponentsAsTheMainThreadEnds();
}

TApplication* Application = &gApplication;

TApplication::TApplication(TComponent* owner) : TComponent(owner) {}

void TApplication::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opInsert && this == &gApplication && IsMainThread())
    FreeOwnedComponentsAsTheMainThreadEnds();
}

AnsiString TApplication::ExeName() const { return ParamStr(0); }

AnsiString TApplication::Title() const { return fTitle.value_or(ChangeFileExt(ExtractFileName(ExeName()), "")); }

bool TApplication::ProcessMessage(UInt64 timerCutoff) {
  try {
    TMsg msg;
    if (!TMessageQueue::Current()->Peek(msg, 0, 0, 0, PM_REMOVE, timerCutoff)) return false;
    if (msg.message == WM_QUIT)
      fTerminated = true;
    else if (fProcessor)
      fProcessor->ProcessMessage(msg);
    else
      DispatchMessage(msg);
  } catch (...) {
    HandleException(this);
  }
  return true;
}

void TApplication::ProcessMessages() {
  // A program busy between calls still shows its windows painted and sees its input.
  TMessageQueue::Current()->ServeEvents();
  const UInt64 start = GetTickCount64();
  while (ProcessMessage(start)) {
  }
}

void TApplication::HandleMessage() {
  // A program whose messages never run out (a timer whose handler outlasts its interval)
  // would never wait, and so never let the display's events in: its windows would not
  // paint (a new one stays black) and its input would not arrive. Every so often the
  // display is served first.
  const UInt64 now = GetTickCount64();
  if (now - fDisplayServedAt >= kDisplayServeInterval) {
    fDisplayServedAt = now;
    TMessageQueue::Current()->ServeEvents();
  }
  if (ProcessMessage(now)) return;
  try {
    bool done = true;
    if (fProcessor) fProcessor->Idle();
    if (OnIdle) {
      const TIdleEvent handler = OnIdle;
      handler(this, done);
    }
    if (done) WaitMessage();
  } catch (...) {
    HandleException(this);
  }
}

void TApplication::OpenDisplay() {
  // Opening a display makes and shows windows, which may ask for it again.
  if (fDisplay || fOpeningDisplay || gExiting || !DisplayOpener()) return;
  fOpeningDisplay = true;
  try {
    fDisplay = DisplayOpener()();
  } catch (...) {
    fOpeningDisplay = false;
    throw;
  }
  fOpeningDisplay = false;
  // A display still open when the program exits is closed before the statics it uses
  // (the main queue, the toolkit's) are destroyed, as they were all made before this.
  static const bool closedAtExit = (std::atexit([] {
    gExiting = true;
    Application->fDisplay.reset();
  }), true);
  (void)closedAtExit;
}

void TApplication::Run() {
  fTerminated = false;  // an earlier loop's end does not end this one
  OpenDisplay();
  struct TRunning {
    TApplication& application;
    explicit TRunning(TApplication& a) : application(a) { application.fRunning = true; }
    ~TRunning() {
      application.fRunning = false;
      application.fDisplay.reset();
    }
    TRunning(const TRunning&) = delete;
    TRunning& operator=(const TRunning&) = delete;
  } running(*this);
  while (!fTerminated) HandleMessage();
}

void TApplication::Terminate() { TMessageQueue::Main()->PostQuit(0); }

void TApplication::HandleException(TObject* sender) {
  std::exception_ptr error = std::current_exception();
  if (!error) return;
  try {
    std::rethrow_exception(error);
  } catch (const EAbort&) {
  } catch (Exception& e) {
    Report(sender, e);
  } catch (const std::exception& e) {
    Exception wrapped(e.what());
    Report(sender, wrapped);
  } catch (...) {
    Exception wrapped("Unknown exception");
    Report(sender, wrapped);
  }
}

void TApplication::Report(TObject* sender, Exception& e) {
  if (!OnException) {
    ShowException(e);
    return;
  }
  try {
    OnException(sender, e);
  } catch (const Exception& failure) {
    ShowException(failure);
  } catch (const std::exception& failure) {
    ShowException(Exception(failure.what()));
  } catch (...) {
    ShowException(Exception("Unknown exception"));
  }
}

void TApplication::ShowException(const Exception& e) const {
  AnsiString text = e.Message();
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  std::fprintf(stderr, "%s\n", AnsiToUtf8(text).c_str());
  std::fflush(stderr);
  if (gExceptionBox != nullptr) gExceptionBox(text);
}

}  // namespace ordvane
