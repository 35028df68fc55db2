#pragma once
// The database library's own message texts: the loader's two texts and the numbered
// client-error table that FIBError (fib.h) raises from.

#include <array>
#include <string>

namespace ordvane {

// The version of this client library, shown by the components' About texts.
inline constexpr int DBClientVersionMajor = 1;
inline constexpr int DBClientVersionMinor = 0;
inline constexpr int DBClientVersionRelease = 0;
// The three numbers joined by ".".
inline std::string DBClientVersionText() {
  return std::to_string(DBClientVersionMajor) + "." + std::to_string(DBClientVersionMinor) + "." +
         std::to_string(DBClientVersionRelease);
}

inline constexpr const char* SCantLoadLibrary = "Can't load library %s ";
inline constexpr const char* SCantFindProcedure = "Can't find procedure %s in %s";

inline constexpr int FIBErrorMessageCount = 79;
// Texts with the class library's Format placeholders, indexed by client-error code.
extern const std::array<const char*, FIBErrorMessageCount> FIBErrorMessages;

}  // namespace ordvane
