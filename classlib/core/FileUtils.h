#pragma once
// File names and the file system. Names are ANSI text; they are converted to UTF-8 only
// where they reach the operating system. A stored name may use "\" as its folder
// separator: every routine here treats "\" and "/" alike, and the file system sees "/".

#include "classlib/core/System.h"

namespace ordvane {

constexpr char PathDelim = '/';

bool IsPathDelimiter(char c);

// The extension with its dot ("" when the name part has none).
AnsiString ExtractFileExt(const AnsiString& fileName);
// The name with its extension replaced by (or, without one, extended with) extension.
AnsiString ChangeFileExt(const AnsiString& fileName, const AnsiString& extension);
// The folder part with its trailing delimiter ("" for a bare name).
AnsiString ExtractFilePath(const AnsiString& fileName);
// The part after the last delimiter.
AnsiString ExtractFileName(const AnsiString& fileName);
// The path with a delimiter at its end (one is added unless present).
AnsiString IncludeTrailingPathDelimiter(const AnsiString& path);

}  // namespace ordvane
