#include "classlib/ui/Clipbrd.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "classlib/core/CodePages.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/core/StrUtils.h"
#include "classlib/ui/Host.h"

namespace ordvane {

namespace {

struct Store {
  std::vector<std::pair<UINT, RawByteString>> formats;
  std::vector<AnsiString> names;  // of the registered formats, by number - kFirstRegisteredFormat
  bool open = false;
  HWND opener = 0;
  bool changed = false;
};

Store& TheStore() {
  static Store store;
  return store;
}

const RawByteString* StoredFormat(UINT format) {
  for (const auto& [f, data] : TheStore().formats)
    if (f == format) return &data;
  return nullptr;
}

// Text up to its terminating NUL (the whole buffer without one).
std::string UpToNul(const RawByteString& data) {
  return data.substr(0, data.find('\0'));
}

RawByteString WideBytes(const WideString& text) {
  RawByteString bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  bytes.append(2, '\0');
  return bytes;
}

WideString FromWideBytes(const RawByteString& bytes) {
  WideString text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto c =
        static_cast<char16_t>(static_cast<Byte>(bytes[i]) | (static_cast<Byte>(bytes[i + 1]) << 8));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

}  // namespace

UINT FindClipboardFormat(const AnsiString& name) {
  if (name.empty()) return 0;
  const auto& names = TheStore().names;
  for (std::size_t i = 0; i < names.size(); ++i)
    if (SameText(names[i], name)) return static_cast<UINT>(kFirstRegisteredFormat + i);
  return 0;
}

UINT RegisterClipboardFormat(const AnsiString& name) {
  if (name.empty()) return 0;
  if (const UINT known = FindClipboardFormat(name)) return known;
  auto& names = TheStore().names;
  names.push_back(name);
  return static_cast<UINT>(kFirstRegisteredFormat + names.size() - 1);
}

AnsiString GetClipboardFormatName(UINT format) {
  const auto& names = TheStore().names;
  if (format < kFirstRegisteredFormat || format - kFirstRegisteredFormat >= names.size()) return {};
  return names[format - kFirstRegisteredFormat];
}

bool OpenClipboard(HWND owner) {
  Store& s = TheStore();
  if (s.open && s.opener != owner) return false;
  s.open = true;
  s.opener = owner;
  return true;
}

bool CloseClipboard() {
  Store& s = TheStore();
  if (!s.open) return false;
  s.open = false;
  s.opener = 0;
  if (s.changed) {
    s.changed = false;
    Host().ClipboardChanged();
  }
  return true;
}

bool EmptyClipboard() {
  Store& s = TheStore();
  if (!s.open) return false;
  s.formats.clear();
  s.changed = true;
  return true;
}

bool SetClipboardData(UINT format, const RawByteString& data) {
  Store& s = TheStore();
  if (!s.open || format == 0) return false;
  auto it =
      std::find_if(s.formats.begin(), s.formats.end(), [format](const auto& f) { return f.first == format; });
  if (it != s.formats.end())
    it->second = data;
  else
    s.formats.emplace_back(format, data);
  s.changed = true;
  return true;
}

bool GetClipboardData(UINT format, RawByteString& data) {
  if (const RawByteString* own = StoredFormat(format)) {
    data = *own;
    return true;
  }
  if (format == CF_TEXT)
    if (const RawByteString* wide = StoredFormat(CF_UNICODETEXT)) {
      data = WideToAnsi(FromWideBytes(*wide)) + '\0';
      return true;
    }
  if (format == CF_UNICODETEXT)
    if (const RawByteString* ansi = StoredFormat(CF_TEXT)) {
      data = WideBytes(AnsiToWide(UpToNul(*ansi)));
      return true;
    }
  return false;
}

bool IsClipboardFormatAvailable(UINT format) {
  if (StoredFormat(format)) return true;
  if (format == CF_TEXT) return StoredFormat(CF_UNICODETEXT) != nullptr;
  if (format == CF_UNICODETEXT) return StoredFormat(CF_TEXT) != nullptr;
  return false;
}

std::vector<UINT> ClipboardFormats() {
  std::vector<UINT> formats;
  for (const auto& [f, data] : TheStore().formats) formats.push_back(f);
  return formats;
}

TClipboard::~TClipboard() {
  if (fWindow) DeallocateHWnd(fWindow);
}

void TClipboard::Open() {
  if (fOpenCount == 0) {
    if (!fWindow) fWindow = AllocateHWnd(nullptr);
    if (!OpenClipboard(fWindow)) throw EClipboardException("Cannot open clipboard");
    fEmptied = false;
  }
  ++fOpenCount;
}

void TClipboard::Close() {
  if (fOpenCount == 0) return;
  if (--fOpenCount == 0) CloseClipboard();
}

void TClipboard::Clear() {
  Open();
  EmptyClipboard();
  fEmptied = true;
  Close();
}

void TClipboard::Adding() {
  if (fOpenCount != 0 && !fEmptied) {
    fEmptied = true;
    EmptyClipboard();
  }
}

UINT TClipboard::Formats(int index) const {
  const std::vector<UINT> formats = ClipboardFormats();
  if (index < 0 || index >= static_cast<int>(formats.size()))
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return formats[static_cast<std::size_t>(index)];
}

AnsiString TClipboard::AsText() const {
  RawByteString data;
  return GetClipboardData(CF_TEXT, data) ? UpToNul(data) : AnsiString();
}

void TClipboard::SetAsText(const AnsiString& text) {
  SetBuffer(CF_TEXT, text.c_str(), text.size() + 1);
}

void TClipboard::SetTextBuf(const char* buffer) {
  SetAsText(buffer ? buffer : "");
}

void TClipboard::SetBuffer(UINT format, const void* buffer, std::size_t size) {
  Open();
  struct TCloser {
    TClipboard* clipboard;
    ~TCloser() { clipboard->Close(); }
  } closer{this};
  Adding();
  SetClipboardData(format, RawByteString(static_cast<const char*>(buffer), size));
}

RawByteString TClipboard::GetBuffer(UINT format) const {
  RawByteString data;
  return GetClipboardData(format, data) ? data : RawByteString();
}

TClipboard* Clipboard() {
  static TClipboard* clipboard = new TClipboard;
  return clipboard;
}

}  // namespace ordvane
