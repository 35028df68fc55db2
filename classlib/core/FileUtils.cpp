#include "classlib/core/FileUtils.h"

namespace ordvane {

namespace {

// Position of the last delimiter (or of the last dot too, when withDot), npos when none.
std::size_t LastDelimiter(const AnsiString& fileName, bool withDot) {
  for (std::size_t i = fileName.size(); i > 0; --i) {
    const char c = fileName[i - 1];
    if (IsPathDelimiter(c) || (withDot && c == '.')) return i - 1;
  }
  return AnsiString::npos;
}

// Position of the extension's dot, npos when the name part has none.
std::size_t ExtensionStart(const AnsiString& fileName) {
  const std::size_t at = LastDelimiter(fileName, true);
  return at != AnsiString::npos && fileName[at] == '.' ? at : AnsiString::npos;
}

}  // namespace

bool IsPathDelimiter(char c) {
  return c == '/' || c == '\\';
}

AnsiString ExtractFileExt(const AnsiString& fileName) {
  const std::size_t dot = ExtensionStart(fileName);
  return dot == AnsiString::npos ? AnsiString() : fileName.substr(dot);
}

AnsiString ChangeFileExt(const AnsiString& fileName, const AnsiString& extension) {
  return fileName.substr(0, ExtensionStart(fileName)) + extension;
}

AnsiString ExtractFilePath(const AnsiString& fileName) {
  const std::size_t at = LastDelimiter(fileName, false);
  return at == AnsiString::npos ? AnsiString() : fileName.substr(0, at + 1);
}

AnsiString ExtractFileName(const AnsiString& fileName) {
  const std::size_t at = LastDelimiter(fileName, false);
  return at == AnsiString::npos ? fileName : fileName.substr(at + 1);
}

AnsiString IncludeTrailingPathDelimiter(const AnsiString& path) {
  return !path.empty() && IsPathDelimiter(path.back()) ? path : path + PathDelim;
}

}  // namespace ordvane
