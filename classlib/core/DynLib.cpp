#include "classlib/core/DynLib.h"

#include <dlfcn.h>

#include <mutex>
#include <unordered_map>

#include "classlib/core/CodePages.h"
#include "classlib/core/FileUtils.h"

namespace ordvane {

namespace {

thread_local AnsiString tLoaderError;

// Handles given out and not yet released, with their load counts: releasing a handle
// the loader no longer knows would be undefined.
struct LoadedModules {
  std::mutex lock;
  std::unordered_map<HMODULE, int> counts;
};

// Never destroyed: libraries held by other process-wide objects are released while
// statics are being destroyed, in an order no unit controls.
LoadedModules& Modules() {
  static auto* modules = new LoadedModules;
  return *modules;
}

bool IsLoaded(HMODULE module) {
  std::lock_guard guard(Modules().lock);
  return Modules().counts.contains(module);
}

void TakeLoaderError() {
  const char* text = dlerror();
  tLoaderError = text ? Utf8ToAnsi(text) : AnsiString("unknown loader error");
}

}  // namespace

HMODULE LoadLibrary(const AnsiString& fileName) {
  // The loader takes an empty name as the program itself, which is no library.
  if (fileName.empty()) {
    tLoaderError = "empty library name";
    return 0;
  }
  void* handle = dlopen(FileNameToSystem(fileName).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    TakeLoaderError();
    return 0;
  }
  HMODULE module = reinterpret_cast<HMODULE>(handle);
  std::lock_guard guard(Modules().lock);
  ++Modules().counts[module];
  return module;
}

void* GetProcAddress(HMODULE module, const AnsiString& procName) {
  if (!IsLoaded(module)) {
    tLoaderError = "invalid module handle";
    return nullptr;
  }
  dlerror();
  void* address = dlsym(reinterpret_cast<void*>(module), procName.c_str());
  if (!address) TakeLoaderError();
  return address;
}

bool FreeLibrary(HMODULE module) {
  {
    std::lock_guard guard(Modules().lock);
    auto it = Modules().counts.find(module);
    if (it == Modules().counts.end()) {
      tLoaderError = "invalid module handle";
      return false;
    }
    if (--it->second == 0) Modules().counts.erase(it);
  }
  if (dlclose(reinterpret_cast<void*>(module)) != 0) {
    TakeLoaderError();
    return false;
  }
  return true;
}

AnsiString LoaderErrorText() { return tLoaderError; }

void RaiseLoaderError() { throw EOSError(tLoaderError); }

bool TDynamicLibrary::Open(const AnsiString& fileName) {
  Close();
  fModule = LoadLibrary(fileName);
  return fModule != 0;
}

void TDynamicLibrary::Close() {
  if (fModule) FreeLibrary(fModule);
  fModule = 0;
}

}  // namespace ordvane
