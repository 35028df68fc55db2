#pragma once
// The per-user settings store: a tree of keys holding typed values, kept in one file,
// $XDG_CONFIG_HOME/ordvane/settings (XDG_CONFIG_HOME defaults to ~/.config).
//
// Readers never wait: they read the file as a whole and keep what they read until the
// file changes. A writer takes an exclusive lock on a companion file, reads the freshest
// content, changes it and replaces the file at once (temporary file, flush, rename), so
// two processes never lose each other's changes and nobody sees a half-written file. A
// file that cannot be read or parsed, or whose check line is missing or wrong (cut off
// or damaged), counts as empty; the next write keeps it aside as "settings.corrupt".
//
// Key and value names compare without regard to letter case (in the ANSI code page) and
// keep the spelling they were created with. Text is stored as it is, in the ANSI code
// page.

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "classlib/core/SysUtils.h"

namespace ordvane {

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TSettingsValue {
  TRegDataType type = rdUnknown;
  RawByteString data;  // an integer is 4 bytes, little-endian

  static TSettingsValue OfInteger(Integer value);
  // The number of an rdInteger value.
  Integer AsInteger() const;
};

// The key tree. A key path is a list of key names separated by "\"; empty names are
// ignored, so "\A\\B\" is the path "A\B". The empty path is the root, which always
// exists.
class TSettingsTree {
 public:
  TSettingsTree();

  // The path with its key names joined by single "\", without leading or trailing ones.
  static AnsiString NormalizePath(const AnsiString& path);

  bool KeyExists(const AnsiString& path) const;
  // Creates the key and every missing key above it.
  void CreateKey(const AnsiString& path);
  // Deletes the key with everything below it; false when it does not exist or is the root.
  bool DeleteKey(const AnsiString& path);

  const TSettingsValue* FindValue(const AnsiString& path, const AnsiString& name) const;
  // False when the key does not exist.
  bool SetValue(const AnsiString& path, const AnsiString& name, TSettingsValue value);
  bool DeleteValue(const AnsiString& path, const AnsiString& name);

  // The names of the key's direct sub-keys, sorted; its value names in the order they were
  // created. Empty for a missing key.
  std::vector<AnsiString> SubKeyNames(const AnsiString& path) const;
  std::vector<AnsiString> ValueNames(const AnsiString& path) const;

  RawByteString Serialize() const;
  // The tree a serialized text holds; nothing when the text is not one whole, intact
  // serialization.
  static std::optional<TSettingsTree> Parse(const RawByteString& text);

 private:
  struct Key {
    AnsiString path;  // as created
    std::vector<std::pair<AnsiString, TSettingsValue>> values;
  };

  static std::vector<AnsiString> SplitPath(const AnsiString& path);
  static AnsiString Fold(const AnsiString& text);
  static AnsiString ParentPath(const AnsiString& normalizedPath);
  const Key* FindKey(const AnsiString& path) const;
  Key* FindKey(const AnsiString& path);

  std::map<AnsiString, Key> fKeys;  // by folded path
};

class TSettingsStore {
 public:
  // The store of the current user.
  static TSettingsStore& Instance();
  // The file behind it (a system path, UTF-8); looked up on every access, so a change of
  // XDG_CONFIG_HOME takes effect at once.
  static std::string FileName();

  // The stored tree as it is now.
  std::shared_ptr<const TSettingsTree> Read();
  // Applies `change` to the freshest stored tree and stores the result; `change` answers
  // false when it changed nothing (then nothing is written) and its answer is returned.
  // Raises EOSError when the store is locked by another process for too long or cannot
  // be written.
  bool Update(const std::function<bool(TSettingsTree&)>& change);

  // How long a writer waits for another process's lock before it gives up.
  static constexpr int kLockTimeoutMs = 2000;

 private:
  struct FileIdentity {
    bool exists = false;
    UInt64 device = 0, inode = 0, size = 0, modified = 0;
    bool operator==(const FileIdentity&) const = default;
  };
  static FileIdentity Identify(const std::string& fileName);
  // The cached tree when the file did not change, else the file read afresh. `corrupt`
  // tells whether an existing file was refused.
  std::shared_ptr<const TSettingsTree> Load(const std::string& fileName, bool& corrupt);

  std::mutex fLock;
  std::string fFileName;
  FileIdentity fIdentity;
  bool fCorrupt = false;
  std::shared_ptr<const TSettingsTree> fTree;
};

}  // namespace ordvane
