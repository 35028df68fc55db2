#include "dbclient/DynamicLibrary.h"

#include <dlfcn.h>

namespace ordvane {

bool TDynamicLibrary::Open(const AnsiString& fileName) {
  Close();
  // The loader takes an empty name as the program itself, which is no client library.
  if (fileName.empty()) return false;
  fHandle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  return fHandle != nullptr;
}

void* TDynamicLibrary::Symbol(const char* name) const {
  return fHandle ? dlsym(fHandle, name) : nullptr;
}

void TDynamicLibrary::Close() {
  if (!fHandle) return;
  dlclose(fHandle);
  fHandle = nullptr;
}

}  // namespace ordvane
