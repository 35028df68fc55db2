#include "classlib/core/SettingsStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/OSError.h"

namespace ordvane {

namespace {

// The file format, one item a line:
//   ordvane-settings 1
//   [<key path>]
//   <type> <value name>=<data>
//   end <check>
// Types: s string, e expandable string, i integer (decimal), b binary (hexadecimal).
// Names, paths and texts escape control characters and "%", "=", "[", "]" as %XX. The
// check is the 64-bit FNV-1a hash of every byte before the "end" line, in hexadecimal.
constexpr char kHeaderLine[] = "ordvane-settings 1";
constexpr std::size_t kMaxFileSize = 16 << 20;

const char kHex[] = "0123456789ABCDEF";

bool MustEscape(unsigned char c) { return c < 0x20 || c == 0x7F || c == '%' || c == '=' || c == '[' || c == ']'; }

void AppendEscaped(RawByteString& out, const AnsiString& text) {
  for (unsigned char c : text) {
    if (MustEscape(c)) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
}

// Escapes are written in upper case, and only that form is read back.
int UpperHexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The byte a pair of hexadecimal digits gives, or -1.
int HexByte(std::string_view text, std::size_t at) {
  if (at + 1 >= text.size()) return -1;
  int high = UpperHexDigitValue(text[at]), low = UpperHexDigitValue(text[at + 1]);
  return high < 0 || low < 0 ? -1 : high * 16 + low;
}

std::optional<AnsiString> Unescape(std::string_view text) {
  AnsiString out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c != '%') {
      if (MustEscape(c)) return std::nullopt;
      out += static_cast<char>(c);
      continue;
    }
    int byte = HexByte(text, i + 1);
    if (byte < 0) return std::nullopt;
    out += static_cast<char>(byte);
    i += 2;
  }
  return out;
}

std::optional<RawByteString> FromHex(std::string_view text) {
  if (text.size() % 2 != 0) return std::nullopt;
  RawByteString out;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    int byte = HexByte(text, i);
    if (byte < 0) return std::nullopt;
    out += static_cast<char>(byte);
  }
  return out;
}

RawByteString ToHex(const RawByteString& data) {
  RawByteString out;
  for (unsigned char c : data) {
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}

UInt64 Fnv1a(std::string_view text) {
  UInt64 hash = 14695981039346656037ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

RawByteString CheckLine(std::string_view body) {
  char line[32];
  std::snprintf(line, sizeof line, "end %016llX\n", static_cast<unsigned long long>(Fnv1a(body)));
  return line;
}

char TypeLetter(TRegDataType type) {
  switch (type) {
    case rdString:
      return 's';
    case rdExpandString:
      return 'e';
    case rdInteger:
      return 'i';
    default:
      return 'b';
  }
}

// One value line without its type letter and blank: "<name>=<data>".
std::optional<std::pair<AnsiString, TSettingsValue>> ParseValue(char letter, std::string_view rest) {
  std::size_t equals = rest.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  std::optional<AnsiString> name = Unescape(rest.substr(0, equals));
  std::string_view data = rest.substr(equals + 1);
  if (!name) return std::nullopt;
  TSettingsValue value;
  std::optional<RawByteString> bytes;
  switch (letter) {
    case 's':
    case 'e':
      value.type = letter == 's' ? rdString : rdExpandString;
      bytes = Unescape(data);
      break;
    case 'i': {
      value.type = rdInteger;
      Integer number = 0;
      auto [end, error] = std::from_chars(data.data(), data.data() + data.size(), number);
      if (error == std::errc() && end == data.data() + data.size()) bytes = TSettingsValue::OfInteger(number).data;
      break;
    }
    case 'b':
      value.type = rdBinary;
      bytes = FromHex(data);
      break;
    default:
      break;
  }
  if (!bytes) return std::nullopt;
  value.data = std::move(*bytes);
  return std::make_pair(std::move(*name), std::move(value));
}

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  passwd entry;
  passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir)
    return found->pw_dir;
  return {};
}

// The exclusive lock of the store's companion file, held for one write.
class StoreLock {
 public:
  explicit StoreLock(const std::string& fileName) : fName(fileName) {
    fFile = open(fileName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fFile < 0) RaiseOSError(fName, errno);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TSettingsStore::kLockTimeoutMs);
    while (flock(fFile, LOCK_EX | LOCK_NB) != 0) {
      int error = errno;
      if ((error != EWOULDBLOCK && error != EINTR) || std::chrono::steady_clock::now() >= deadline) {
        close(fFile);
        RaiseOSError(fName, error);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  ~StoreLock() { close(fFile); }
  StoreLock(const StoreLock&) = delete;
  StoreLock& operator=(const StoreLock&) = delete;

 private:
  std::string fName;
  int fFile;
};

// Replaces the file with `text` at once: a temporary file is written and flushed, then
// renamed over it, and the folder is flushed so the rename itself survives a crash.
void WriteAtomically(const std::string& fileName, const RawByteString& text) {
  const std::string temporary = fileName + ".tmp";
  int file = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (file < 0) RaiseOSError(temporary, errno);
  std::size_t written = 0;
  int error = 0;
  while (written < text.size() && error == 0) {
    ssize_t n = write(file, text.data() + written, text.size() - written);
    if (n > 0)
      written += static_cast<std::size_t>(n);
    else if (errno != EINTR)
      error = errno;
  }
  if (error == 0 && fsync(file) != 0) error = errno;
  if (close(file) != 0 && error == 0) error = errno;
  if (error == 0 && rename(temporary.c_str(), fileName.c_str()) != 0) error = errno;
  if (error != 0) {
    unlink(temporary.c_str());
    RaiseOSError(fileName, error);
  }
  const std::string folder = fileName.substr(0, fileName.rfind('/') + 1);
  if (int directory = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); directory >= 0) {
    fsync(directory);
    close(directory);
  }
}

void MakeFolder(const std::string& fileName) {
  // Each missing folder on the way is made private to the user.
  for (std::size_t slash = fileName.find('/', 1); slash != std::string::npos; slash = fileName.find('/', slash + 1)) {
    const std::string folder = fileName.substr(0, slash);
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) RaiseOSError(folder, errno);
  }
}

std::optional<RawByteString> ReadWholeFile(const std::string& fileName) {
  int file = open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0) return std::nullopt;
  RawByteString text;
  char buffer[65536];
  for (;;) {
    ssize_t n = read(file, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || text.size() + static_cast<std::size_t>(n) > kMaxFileSize) {
      close(file);
      return std::nullopt;
    }
    text.append(buffer, static_cast<std::size_t>(n));
  }
  close(file);
  return text;
}

}  // namespace

TSettingsValue TSettingsValue::OfInteger(Integer value) {
  auto bits = static_cast<std::uint32_t>(value);
  RawByteString bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
  return TSettingsValue{rdInteger, bytes};
}

Integer TSettingsValue::AsInteger() const {
  std::uint32_t bits = 0;
  for (std::size_t i = 0; i < 4 && i < data.size(); ++i)
    bits |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
  return static_cast<Integer>(bits);
}

TSettingsTree::TSettingsTree() { fKeys.emplace("", Key{}); }

std::vector<AnsiString> TSettingsTree::SplitPath(const AnsiString& path) {
  std::vector<AnsiString> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = std::min(path.find('\\', start), path.size());
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

AnsiString TSettingsTree::Fold(const AnsiString& text) { return AnsiUpperCase(text); }

AnsiString TSettingsTree::NormalizePath(const AnsiString& path) {
  AnsiString joined;
  for (const AnsiString& part : SplitPath(path)) joined += (joined.empty() ? "" : "\\") + part;
  return joined;
}

AnsiString TSettingsTree::ParentPath(const AnsiString& path) {
  const std::size_t slash = path.rfind('\\');
  return slash == AnsiString::npos ? AnsiString() : path.substr(0, slash);
}

const TSettingsTree::Key* TSettingsTree::FindKey(const AnsiString& path) const {
  auto it = fKeys.find(Fold(NormalizePath(path)));
  return it == fKeys.end() ? nullptr : &it->second;
}

TSettingsTree::Key* TSettingsTree::FindKey(const AnsiString& path) {
  auto it = fKeys.find(Fold(NormalizePath(path)));
  return it == fKeys.end() ? nullptr : &it->second;
}

bool TSettingsTree::KeyExists(const AnsiString& path) const { return FindKey(path) != nullptr; }

void TSettingsTree::CreateKey(const AnsiString& path) {
  AnsiString spelled;
  for (const AnsiString& part : SplitPath(path)) {
    spelled += (spelled.empty() ? "" : "\\") + part;
    auto [it, created] = fKeys.try_emplace(Fold(spelled), Key{spelled, {}});
    spelled = it->second.path;  // an existing key keeps its own spelling
  }
}

bool TSettingsTree::DeleteKey(const AnsiString& path) {
  const AnsiString folded = Fold(NormalizePath(path));
  if (folded.empty() || !fKeys.contains(folded)) return false;
  const AnsiString below = folded + "\\";
  std::erase_if(fKeys, [&](const auto& entry) { return entry.first == folded || entry.first.starts_with(below); });
  return true;
}

const TSettingsValue* TSettingsTree::FindValue(const AnsiString& path, const AnsiString& name) const {
  const Key* key = FindKey(path);
  if (!key) return nullptr;
  const AnsiString folded = Fold(name);
  for (const auto& [valueName, value] : key->values)
    if (Fold(valueName) == folded) return &value;
  return nullptr;
}

bool TSettingsTree::SetValue(const AnsiString& path, const AnsiString& name, TSettingsValue value) {
  Key* key = FindKey(path);
  if (!key) return false;
  const AnsiString folded = Fold(name);
  for (auto& [valueName, existing] : key->values)
    if (Fold(valueName) == folded) {
      existing = std::move(value);
      return true;
    }
  key->values.emplace_back(name, std::move(value));
  return true;
}

bool TSettingsTree::DeleteValue(const AnsiString& path, const AnsiString& name) {
  Key* key = FindKey(path);
  if (!key) return false;
  const AnsiString folded = Fold(name);
  return std::erase_if(key->values, [&](const auto& entry) { return Fold(entry.first) == folded; }) > 0;
}

std::vector<AnsiString> TSettingsTree::SubKeyNames(const AnsiString& path) const {
  std::vector<AnsiString> names;
  const AnsiString folded = Fold(NormalizePath(path));
  if (!fKeys.contains(folded)) return names;
  const AnsiString prefix = folded.empty() ? AnsiString() : folded + "\\";
  for (const auto& [foldedPath, key] : fKeys) {
    if (foldedPath.size() <= prefix.size() || !foldedPath.starts_with(prefix)) continue;
    if (foldedPath.find('\\', prefix.size()) != AnsiString::npos) continue;  // deeper down
    names.push_back(key.path.substr(key.path.rfind('\\') + 1));
  }
  return names;
}

std::vector<AnsiString> TSettingsTree::ValueNames(const AnsiString& path) const {
  std::vector<AnsiString> names;
  if (const Key* key = FindKey(path))
    for (const auto& entry : key->values) names.push_back(entry.first);
  return names;
}

RawByteString TSettingsTree::Serialize() const {
  RawByteString text = kHeaderLine;
  text += '\n';
  for (const auto& [folded, key] : fKeys) {
    text += '[';
    AppendEscaped(text, key.path);
    text += "]\n";
    for (const auto& [name, value] : key.values) {
      text += TypeLetter(value.type);
      text += ' ';
      AppendEscaped(text, name);
      text += '=';
      if (value.type == rdString || value.type == rdExpandString)
        AppendEscaped(text, value.data);
      else if (value.type == rdInteger)
        text += std::to_string(value.AsInteger());
      else
        text += ToHex(value.data);
      text += '\n';
    }
  }
  return text + CheckLine(text);
}

std::optional<TSettingsTree> TSettingsTree::Parse(const RawByteString& text) {
  // The check line ends the text; everything before it must hash to its value.
  std::size_t lastLine = text.size() >= 2 ? text.rfind('\n', text.size() - 2) : AnsiString::npos;
  if (text.empty() || text.back() != '\n' || lastLine == AnsiString::npos) return std::nullopt;
  std::string_view body(text.data(), lastLine + 1);
  if (text.compare(lastLine + 1, AnsiString::npos, CheckLine(body)) != 0) return std::nullopt;

  TSettingsTree tree;
  Key* current = nullptr;
  bool first = true;
  bool rootListed = false;
  for (std::size_t start = 0; start < body.size();) {
    std::size_t end = body.find('\n', start);
    std::string_view line = body.substr(start, end - start);
    start = end + 1;
    if (first) {
      if (line != kHeaderLine) return std::nullopt;
      first = false;
    } else if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      std::optional<AnsiString> path = Unescape(line.substr(1, line.size() - 2));
      if (!path || NormalizePath(*path) != *path) return std::nullopt;
      const AnsiString folded = Fold(*path);
      // Each key once, and after the key above it (the root is there from the start).
      if (folded.empty() ? rootListed : tree.fKeys.contains(folded)) return std::nullopt;
      if (!folded.empty() && !tree.KeyExists(ParentPath(*path))) return std::nullopt;
      rootListed = rootListed || folded.empty();
      current = &tree.fKeys.try_emplace(folded, Key{*path, {}}).first->second;
    } else if (current && line.size() >= 2 && line[1] == ' ') {
      auto value = ParseValue(line[0], line.substr(2));
      if (!value || tree.FindValue(current->path, value->first)) return std::nullopt;
      current->values.push_back(std::move(*value));
    } else {
      return std::nullopt;
    }
  }
  if (first) return std::nullopt;
  return tree;
}

TSettingsStore& TSettingsStore::Instance() {
  static TSettingsStore store;
  return store;
}

std::string TSettingsStore::FileName() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (config && config[0] == '/') {
    base = config;
  } else {
    const std::string home = HomeFolder();
    if (home.empty()) return {};
    base = home + "/.config";
  }
  return base + "/ordvane/settings";
}

TSettingsStore::FileIdentity TSettingsStore::Identify(const std::string& fileName) {
  struct stat status;
  if (fileName.empty() || stat(fileName.c_str(), &status) != 0) return {};
  return FileIdentity{true, static_cast<UInt64>(status.st_dev), static_cast<UInt64>(status.st_ino),
                      static_cast<UInt64>(status.st_size),
                      static_cast<UInt64>(status.st_mtim.tv_sec) * 1000000000ull +
                          static_cast<UInt64>(status.st_mtim.tv_nsec)};
}

std::shared_ptr<const TSettingsTree> TSettingsStore::Load(const std::string& fileName, bool& corrupt) {
  const FileIdentity identity = Identify(fileName);
  if (fTree && fileName == fFileName && identity == fIdentity) {
    corrupt = fCorrupt;
    return fTree;
  }
  std::optional<TSettingsTree> tree;
  corrupt = false;
  if (identity.exists) {
    if (std::optional<RawByteString> text = ReadWholeFile(fileName)) tree = TSettingsTree::Parse(*text);
    corrupt = !tree;
  }
  fFileName = fileName;
  fIdentity = identity;
  fCorrupt = corrupt;
  fTree = std::make_shared<const TSettingsTree>(tree ? std::move(*tree) : TSettingsTree());
  return fTree;
}

std::shared_ptr<const TSettingsTree> TSettingsStore::Read() {
  std::lock_guard guard(fLock);
  bool corrupt;
  return Load(FileName(), corrupt);
}

bool TSettingsStore::Update(const std::function<bool(TSettingsTree&)>& change) {
  const std::string fileName = FileName();
  if (fileName.empty()) RaiseOSError("settings", ENOENT);
  MakeFolder(fileName);
  // The file lock orders the writers of every process and thread (each holds its own
  // open file); the cache is locked only while it is used, so readers never wait for a
  // writer that waits for another process.
  StoreLock lock(fileName + ".lock");
  std::lock_guard guard(fLock);
  bool corrupt;
  TSettingsTree tree = *Load(fileName, corrupt);
  if (!change(tree)) return false;
  if (corrupt) rename(fileName.c_str(), (fileName + ".corrupt").c_str());
  WriteAtomically(fileName, tree.Serialize());
  fFileName = fileName;
  fIdentity = Identify(fileName);
  fCorrupt = false;
  fTree = std::make_shared<const TSettingsTree>(std::move(tree));
  return true;
}

}  // namespace ordvane
