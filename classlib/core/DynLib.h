#pragma once
// Loading shared libraries at run time. A module handle is the loader's handle as a
// number; 0 means none. A failure leaves the loader's own text for the calling thread.

#include <cstdint>

#include "classlib/core/SysUtils.h"

namespace ordvane {

using HMODULE = std::uintptr_t;

// Loads a library by file name (ANSI text; "\" separates folders like "/"; a bare name
// is searched for the way the loader searches); 0 when it cannot be loaded.
HMODULE LoadLibrary(const AnsiString& fileName);
// The address of an exported symbol; nullptr when the module has none by that name or
// the handle is not one LoadLibrary gave.
void* GetProcAddress(HMODULE module, const AnsiString& procName);
// Releases one LoadLibrary of the module; false for a handle that is not loaded (so a
// second release of the same load does nothing).
bool FreeLibrary(HMODULE module);

// A library loaded by file name and released when its owner lets go of it.
class TDynamicLibrary {
 public:
  TDynamicLibrary() = default;
  ~TDynamicLibrary() { Close(); }
  TDynamicLibrary(const TDynamicLibrary&) = delete;
  TDynamicLibrary& operator=(const TDynamicLibrary&) = delete;

  // Loads the file (a library already open is released first); false when the loader
  // refuses it, with its text in LoaderErrorText.
  bool Open(const AnsiString& fileName);
  // Address of an exported symbol; nullptr when there is none or nothing is loaded.
  void* Symbol(const AnsiString& name) const { return fModule ? GetProcAddress(fModule, name) : nullptr; }
  bool Loaded() const { return fModule != 0; }
  // Releases the library; harmless when nothing is loaded.
  void Close();

 private:
  HMODULE fModule = 0;
};

// The loader's text for the last failure of the three calls above on this thread.
AnsiString LoaderErrorText();
// Raises EOSError with LoaderErrorText.
[[noreturn]] void RaiseLoaderError();

}  // namespace ordvane
