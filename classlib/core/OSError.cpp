#include "classlib/core/OSError.h"

#include <cstring>

namespace ordvane {

AnsiString SysErrorMessage(int errorCode) {
  char buffer[256];
  // The GNU strerror_r answers a text that need not be the buffer.
  return strerror_r(errorCode, buffer, sizeof buffer);
}

void RaiseLastOSError(int errorCode) {
  throw EOSError(Format("System Error.  Code: %d.\r\n%s", {errorCode, SysErrorMessage(errorCode)}), errorCode);
}

void RaiseOSError(const AnsiString& subject, int errorCode) {
  throw EOSError(Format("%s: %s", {subject, SysErrorMessage(errorCode)}), errorCode);
}

}  // namespace ordvane
