#include "classlib/core/FileUtils.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/CodePages.h"

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

bool StatFile(const AnsiString& fileName, struct stat& info) {
  return stat(FileNameToSystem(fileName).c_str(), &info) == 0;
}

// * and ? matching of a name against a mask, both already upper-cased.
bool MatchesMask(const WideString& name, const WideString& mask) {
  std::size_t n = 0, m = 0;
  std::size_t starMask = WideString::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == u'?' || mask[m] == name[n])) {
      ++n, ++m;
    } else if (m < mask.size() && mask[m] == u'*') {
      starMask = m++;
      starName = n;
    } else if (starMask != WideString::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == u'*') ++m;
  return m == mask.size();
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

namespace ordvane {

std::string FileNameToSystem(const AnsiString& fileName) {
  std::string name = AnsiToUtf8(fileName);
  for (char& c : name)
    if (c == '\\') c = '/';
  return name;
}

AnsiString FileNameFromSystem(const std::string& systemName) {
  return Utf8ToAnsi(systemName);
}

AnsiString ExpandFileName(const AnsiString& fileName) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(FileNameToSystem(fileName), error);
  return error ? fileName : FileNameFromSystem(absolute.lexically_normal().string());
}

bool FileExists(const AnsiString& fileName) {
  struct stat info;
  return StatFile(fileName, info) && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const AnsiString& directory) {
  struct stat info;
  return StatFile(directory, info) && S_ISDIR(info.st_mode);
}

bool ForceDirectories(const AnsiString& directory) {
  if (directory.empty()) return false;
  std::error_code error;
  std::filesystem::create_directories(FileNameToSystem(directory), error);
  return DirectoryExists(directory);
}

bool DeleteFile(const AnsiString& fileName) {
  struct stat info;
  if (!StatFile(fileName, info) || S_ISDIR(info.st_mode)) return false;
  return unlink(FileNameToSystem(fileName).c_str()) == 0;
}

bool RenameFile(const AnsiString& oldName, const AnsiString& newName) {
  const std::string from = FileNameToSystem(oldName);
  const std::string to = FileNameToSystem(newName);
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without RENAME_NOREPLACE: check, then rename.
  struct stat info;
  return lstat(to.c_str(), &info) != 0 && errno == ENOENT && rename(from.c_str(), to.c_str()) == 0;
}

// ---- FindFirst / FindNext ---------------------------------------------------------------

class TFindHandle {
 public:
  TFindHandle(DIR* dir, std::string folder, WideString mask)
      : fDir(dir), fFolder(std::move(folder)), fMask(std::move(mask)) {}
  ~TFindHandle() { closedir(fDir); }
  TFindHandle(const TFindHandle&) = delete;
  TFindHandle& operator=(const TFindHandle&) = delete;

  // The next entry that matches and is not excluded, into searchRec.
  bool Next(TSearchRec& searchRec) {
    while (const dirent* entry = readdir(fDir)) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      const AnsiString ansiName = FileNameFromSystem(name);
      if (!MatchesMask(WideUpperCase(AnsiToWide(ansiName)), fMask)) continue;
      const std::string full = fFolder + name;
      struct stat info, link;
      if (lstat(full.c_str(), &link) != 0) continue;    // gone meanwhile
      if (stat(full.c_str(), &info) != 0) info = link;  // a dangling link
      Integer attr = 0;
      if (S_ISDIR(info.st_mode))
        attr |= faDirectory;
      else if (!S_ISREG(info.st_mode))
        attr |= faSysFile;
      if (name[0] == '.') attr |= faHidden;
      if ((info.st_mode & S_IWUSR) == 0) attr |= faReadOnly;
      if (S_ISLNK(link.st_mode)) attr |= faSymLink;
      if ((attr & searchRec.ExcludeAttr) != 0) continue;
      searchRec.Name = ansiName;
      searchRec.Attr = attr;
      searchRec.Size = S_ISDIR(info.st_mode) ? 0 : static_cast<Int64>(info.st_size);
      searchRec.Time = static_cast<Int64>(info.st_mtime);
      return true;
    }
    return false;
  }

 private:
  DIR* fDir;
  std::string fFolder;
  WideString fMask;
};

TSearchRec::TSearchRec() = default;
TSearchRec::~TSearchRec() = default;
TSearchRec::TSearchRec(TSearchRec&&) noexcept = default;
TSearchRec& TSearchRec::operator=(TSearchRec&&) noexcept = default;

int FindFirst(const AnsiString& path, Integer attr, TSearchRec& searchRec) {
  FindClose(searchRec);
  const AnsiString folder = ExtractFilePath(path);
  const AnsiString name = ExtractFileName(path);
  const WideString mask = name == "*.*" ? WideString(u"*") : WideUpperCase(AnsiToWide(name));
  const std::string systemFolder = folder.empty() ? std::string("./") : FileNameToSystem(folder);
  DIR* dir = opendir(systemFolder.c_str());
  if (dir == nullptr) return errno;
  searchRec.FindHandle = std::make_unique<TFindHandle>(dir, systemFolder, mask);
  searchRec.ExcludeAttr = ~attr & (faHidden | faSysFile | faVolumeID | faDirectory);
  return FindNext(searchRec);
}

int FindNext(TSearchRec& searchRec) {
  if (searchRec.FindHandle && searchRec.FindHandle->Next(searchRec)) return 0;
  FindClose(searchRec);
  return ENOENT;
}

void FindClose(TSearchRec& searchRec) {
  searchRec.FindHandle.reset();
}

// ---- The program ------------------------------------------------------------------------

namespace {

std::vector<std::string> CommandLine() {
  std::ifstream file("/proc/self/cmdline", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<std::string> arguments;
  std::size_t start = 0;
  for (std::size_t end; (end = all.find('\0', start)) != std::string::npos; start = end + 1)
    arguments.push_back(all.substr(start, end - start));
  return arguments;
}

}  // namespace

AnsiString ParamStr(int index) {
  if (index == 0) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? AnsiString() : FileNameFromSystem(self.string());
  }
  const std::vector<std::string> arguments = CommandLine();
  return index > 0 && static_cast<std::size_t>(index) < arguments.size()
             ? FileNameFromSystem(arguments[static_cast<std::size_t>(index)])
             : AnsiString();
}

int ParamCount() {
  const std::size_t count = CommandLine().size();
  return count > 0 ? static_cast<int>(count - 1) : 0;
}

}  // namespace ordvane
