#pragma once
// The clipboard: data of several formats, put together between one OpenClipboard and
// CloseClipboard and read the same way. Text (CF_TEXT) is in the ANSI code page; the
// wide form (CF_UNICODETEXT, UTF-16) is made from it when asked for, and the other way
// round. Registered formats carry any bytes. Without a display the data stays in the
// process; a host learns of each change (TWindowHost::ClipboardChanged) and may read and
// fill the clipboard through the same functions.

#include <vector>

#include "classlib/core/Messages.h"
#include "classlib/core/SysUtils.h"

namespace ordvane {

constexpr UINT CF_TEXT = 1;
constexpr UINT CF_BITMAP = 2;
constexpr UINT CF_OEMTEXT = 7;
constexpr UINT CF_UNICODETEXT = 13;
// Registered formats are numbered from here on.
constexpr UINT kFirstRegisteredFormat = 0xC000;

// The number of a named format; the same name (ASCII letters compared without case) gives
// the same number. 0 for an empty name.
UINT RegisterClipboardFormat(const AnsiString& name);
// The number of a format registered under the name; 0 when none is.
UINT FindClipboardFormat(const AnsiString& name);
// The name of a registered format, empty for others.
AnsiString GetClipboardFormatName(UINT format);

// Opening fails while another window has the clipboard open.
bool OpenClipboard(HWND owner);
bool CloseClipboard();
// Open only: drops every format.
bool EmptyClipboard();
// Open only: puts one format's bytes (replacing that format).
bool SetClipboardData(UINT format, const RawByteString& data);
// The bytes of a format (CF_TEXT and CF_UNICODETEXT made from each other); false when it
// is not there.
bool GetClipboardData(UINT format, RawByteString& data);
bool IsClipboardFormatAvailable(UINT format);
// The formats there, in the order they were put.
std::vector<UINT> ClipboardFormats();

ORDVANE_DECLARE_EXCEPTION(EClipboardException, Exception);

// The class library's clipboard object. Every setter opens the clipboard when it is not
// open and empties it when it is the first to put data since the opening, so that several
// formats put between Open and Close stay together, and a lone setter replaces everything.
class TClipboard {
 public:
  TClipboard() = default;
  ~TClipboard();
  TClipboard(const TClipboard&) = delete;
  TClipboard& operator=(const TClipboard&) = delete;

  // Raises EClipboardException "Cannot open clipboard" when someone else has it open.
  void Open();
  void Close();
  void Clear();

  bool HasFormat(UINT format) const { return IsClipboardFormatAvailable(format); }
  int FormatCount() const { return static_cast<int>(ClipboardFormats().size()); }
  UINT Formats(int index) const;

  // The text up to its first NUL; empty when there is none.
  AnsiString AsText() const;
  void SetAsText(const AnsiString& text);
  void SetTextBuf(const char* buffer);
  // Puts `size` bytes of a format.
  void SetBuffer(UINT format, const void* buffer, std::size_t size);
  // The bytes of a format; empty when it is not there.
  RawByteString GetBuffer(UINT format) const;

 private:
  void Adding();

  int fOpenCount = 0;
  bool fEmptied = false;
  HWND fWindow = 0;
};

// The process's clipboard object.
TClipboard* Clipboard();

}  // namespace ordvane
