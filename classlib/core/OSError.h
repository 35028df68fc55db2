#pragma once
// Operating-system errors as the class library reports them.

#include "classlib/core/SysUtils.h"

namespace ordvane {

// The system's text for an error number.
AnsiString SysErrorMessage(int errorCode);
// Raises EOSError "System Error.  Code: <n>.\r\n<text>" for the error number.
[[noreturn]] void RaiseLastOSError(int errorCode);
// Raises EOSError "<subject>: <text>" for the error number, naming what failed (a file,
// a shared object).
[[noreturn]] void RaiseOSError(const AnsiString& subject, int errorCode);

}  // namespace ordvane
