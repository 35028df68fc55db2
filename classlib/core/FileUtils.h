#pragma once
// File names and the file system. Names are ANSI text; they are converted to UTF-8 only
// where they reach the operating system. A stored name may use "\" as its folder
// separator: every routine here treats "\" and "/" alike, and the file system sees "/".

#include <memory>
#include <string>

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

// A file name as the operating system takes it (UTF-8, "/" for "\"), and back. A name
// with characters the ANSI code page lacks comes back with '?' in their place.
std::string FileNameToSystem(const AnsiString& fileName);
AnsiString FileNameFromSystem(const std::string& systemName);
// The absolute form of a file name (the current folder put in front of a relative one).
AnsiString ExpandFileName(const AnsiString& fileName);

// True for anything that exists and is not a folder (links are followed).
bool FileExists(const AnsiString& fileName);
bool DirectoryExists(const AnsiString& directory);
// Creates the folder and any missing parents; true when the folder exists afterwards.
bool ForceDirectories(const AnsiString& directory);
// Deletes a file (not a folder); false when it cannot.
bool DeleteFile(const AnsiString& fileName);
// Renames or moves a file or folder; false when it cannot, and when newName exists
// already (an existing file is never replaced).
bool RenameFile(const AnsiString& oldName, const AnsiString& newName);

// Attributes of a found file.
constexpr Integer faReadOnly = 0x01;  // the owner may not write it
constexpr Integer faHidden = 0x02;    // its name starts with "."
constexpr Integer faSysFile = 0x04;   // neither a regular file nor a folder (device, socket, ...)
constexpr Integer faVolumeID = 0x08;  // never set
constexpr Integer faDirectory = 0x10;
constexpr Integer faArchive = 0x20;  // never set
constexpr Integer faSymLink = 0x40;  // the name is a symbolic link
constexpr Integer faAnyFile = 0x3F;

class TFindHandle;

// One file found by FindFirst/FindNext.
struct TSearchRec {
  TSearchRec();
  ~TSearchRec();
  TSearchRec(TSearchRec&&) noexcept;
  TSearchRec& operator=(TSearchRec&&) noexcept;

  Int64 Time = 0;  // last modification, seconds since 1970-01-01 UTC
  Int64 Size = 0;  // bytes (0 for a folder)
  Integer Attr = 0;
  AnsiString Name;  // without the folder
  Integer ExcludeAttr = 0;
  std::unique_ptr<TFindHandle> FindHandle;  // the walk's open folder
};

// Walks the files of a folder whose names match a mask ("dir/*.sql"; * is any run of
// characters, ? one character; case is ignored; "*.*" is every name). Files that are
// hidden, system files or folders are found only when attr asks for them; "." and ".."
// never. 0 when a file was found, otherwise an error number (ENOENT: no more files), and
// the walk is closed. FindClose (or the record's destruction) ends a walk early.
int FindFirst(const AnsiString& path, Integer attr, TSearchRec& searchRec);
int FindNext(TSearchRec& searchRec);
void FindClose(TSearchRec& searchRec);

// ParamStr(0) is the program's own full file name (from /proc/self/exe); ParamStr(n) its
// n-th argument, "" beyond ParamCount.
AnsiString ParamStr(int index);
int ParamCount();

}  // namespace ordvane
