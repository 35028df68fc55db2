#pragma once
// TGUID, the class library's 16-byte identifier, and its text "{XXXXXXXX-XXXX-XXXX-XXXX-
// XXXXXXXXXXXX}" (38 characters, upper-case hexadecimal).

#include "classlib/core/System.h"

namespace ordvane {

struct TGUID {
  LongWord D1 = 0;
  Word D2 = 0;
  Word D3 = 0;
  Byte D4[8] = {};

  bool operator==(const TGUID&) const = default;
};
static_assert(sizeof(TGUID) == 16, "TGUID is stored as 16 bytes");

bool IsEqualGUID(const TGUID& a, const TGUID& b);
// A random identifier of version 4 (RFC 4122 variant) from the system's random source.
TGUID CreateGUID();
AnsiString GUIDToString(const TGUID& guid);
// Exactly the 38-character form (either letter case); anything else raises EConvertError
// "'<text>' is not a valid GUID value".
TGUID StringToGUID(const AnsiString& text);

}  // namespace ordvane
