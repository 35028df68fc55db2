#pragma once
// Window handles, messages and the message numbers of the class library. The numbers are
// the project's own constants; the modules above rely on their values (a private message
// is WM_USER plus an offset, notifications are compared as numbers), so they keep the
// classic numbering. Other layers add their own numbers next to these.

#include <cstdint>

#include "classlib/core/Events.h"
#include "classlib/core/System.h"

namespace ordvane {

// A window handle: a process-wide number that names one message receiver; 0 is none.
using HWND = std::uintptr_t;
using UINT = Cardinal;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT_PTR = std::uintptr_t;

// A message as a queue holds it.
struct TMsg {
  HWND hwnd = 0;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  Cardinal time = 0;  // tick count when the message was posted or generated
};

// A message as a receiver handles it; the receiver answers through Result.
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

// The window procedure of a receiver made with AllocateHWnd.
using TWndMethod = TEvent<void(TMessage& message)>;

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

// PeekMessage's removal flags.
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

// Timer intervals are clamped to this range (milliseconds).
constexpr UINT USER_TIMER_MINIMUM = 10;
constexpr UINT USER_TIMER_MAXIMUM = 0x7FFFFFFF;

// A wait without a time-out.
constexpr Cardinal INFINITE = 0xFFFFFFFF;

}  // namespace ordvane
