#pragma once
// A shared library opened by file name and closed when its owner lets go of it. The
// client binding is its only user; it keeps the loader's calls in one place.

#include "classlib/core/System.h"

namespace ordvane {

class TDynamicLibrary {
 public:
  TDynamicLibrary() = default;
  ~TDynamicLibrary() { Close(); }
  TDynamicLibrary(const TDynamicLibrary&) = delete;
  TDynamicLibrary& operator=(const TDynamicLibrary&) = delete;

  // Loads the file with every symbol resolved at once; false when the loader refuses it.
  // A library already open is closed first.
  bool Open(const AnsiString& fileName);
  // Address of an exported symbol, nullptr when the library does not export it or is
  // not open.
  void* Symbol(const char* name) const;
  bool Loaded() const { return fHandle != nullptr; }
  // Releases the library; harmless when it is not open.
  void Close();

 private:
  void* fHandle = nullptr;
};

}  // namespace ordvane
